#include "DataRow.h"
#include "DatabaseFixture.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

using TestSupport::addRow;

// Records what the database operations tell the main window.
class RecordingObserver : public modDatabase::Observer
{
public:
    QString caption;
    QString path;
    bool writable = false;
    int shown = 0;
    int reset = 0;
    int filled = 0;
    QStringList opened;

    void ShowDatabaseState(const QString& newCaption, const QString& newPath, bool isWritable) override
    {
        caption = newCaption;
        path = newPath;
        writable = isWritable;
        ++shown;
    }
    void ResetDatabaseState(const QString& newCaption) override
    {
        caption = newCaption;
        path.clear();
        ++reset;
    }
    void FillContactList() override { ++filled; }
    void DatabaseOpened(const QString& openedPath) override { opened << openedPath; }
};

namespace {

// Builds a database file with the given table definitions, bypassing the program.
void MakeDatabase(const QString& path, const QStringList& statements)
{
    Engine::CreateDatabaseFile(path);
    Engine::Connection connection;
    connection.Open(path);
    for (const QString& statement : statements)
        connection.Execute(statement);
}

const QString kPhone = "CREATE TABLE Phone (Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(50), "
                       "Description CHAR(100))";
const QString kEmail = "CREATE TABLE Email (Contactnr SMALLINT, [Order] TINYINT, Email CHAR(100), "
                       "Description CHAR(100))";

int CountRows(const QString& sql)
{
    return modSql::OpenRecordset(sql).RecordCount();
}

} // namespace

class TestModDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    RecordingObserver m_observer;

    QString file(const QString& name) const { return m_dir->filePath(name); }

    QString newDatabase(const QString& name)
    {
        const QString path = file(name);
        if (!modDatabase::NewDatabase(path))
            return {};
        return path;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        m_observer = RecordingObserver();
        modDatabase::SetObserver(&m_observer);
        modDatabase::SetPasswordHandler({});
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
        modDatabase::SetObserver(nullptr);
    }

    void newDatabaseIsOpenAndBecomesDefault()
    {
        const QString path = newDatabase("home.mdb");
        QVERIFY(!path.isEmpty());
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(m_observer.caption, QString("home.mdb - Addrion 1.4.3"));
        QCOMPARE(m_observer.path, path);
        QVERIFY(m_observer.writable);
        QCOMPARE(m_observer.filled, 1);
        QCOMPARE(m_observer.opened, QStringList{path});
        QCOMPARE(modSettings::ReadSetting("Default database"), path);
        for (const char* table : {"Person", "Phone", "Email"})
            QCOMPARE(CountRows(QString("SELECT * FROM %1").arg(table)), 0);

        // A second database does not take the default over.
        const QString second = newDatabase("work.mdb");
        QCOMPARE(modSettings::ReadSetting("Default database"), path);
        QCOMPARE(m_observer.path, second);
        QVERIFY(m_observer.reset >= 1);
    }

    // Other SQLite tools read the file: the tables are plain SQLite tables.
    void fileIsPlainSqlite()
    {
        const QString path = newDatabase("home.mdb");
        modDatabase::CloseDatabase(true);
        QProcess sqlite;
        sqlite.start("sqlite3", {path, ".tables"});
        if (!sqlite.waitForStarted())
            QSKIP("the sqlite3 program is not installed");
        QVERIFY(sqlite.waitForFinished());
        const QString tables = QString::fromUtf8(sqlite.readAllStandardOutput()).simplified();
        // The three tables and the program's own one for the persons' UIDs.
        QCOMPARE(tables, QString("Email Person PersonUid Phone"));
    }

    void validation_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<bool>("valid");
        const QString person5 = "CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                                "Address MEMO, [Note] MEMO)";
        const QString person6 = "CREATE TABLE Person (Contactnr SMALLINT, Firstname CHAR(50), Lastname CHAR(50), "
                                "Dateofbirth DATE, Address MEMO, [Note] MEMO)";
        const QString person4 = "CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                                "Address MEMO)";
        const QString person7 = "CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                                "Address MEMO, [Note] MEMO, Extra MEMO, More MEMO)";
        const QString phone3 = "CREATE TABLE Phone (Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(50))";
        const QString email5 = "CREATE TABLE Email (Contactnr SMALLINT, [Order] TINYINT, Email CHAR(100), "
                               "Description CHAR(100), Extra MEMO)";
        addRow("current layout", QStringList{person5, kPhone, kEmail}, true);
        addRow("old two-name layout", QStringList{person6, kPhone, kEmail}, true);
        addRow("person with 4 columns", QStringList{person4, kPhone, kEmail}, false);
        addRow("person with 7 columns", QStringList{person7, kPhone, kEmail}, false);
        addRow("phone with 3 columns", QStringList{person5, phone3, kEmail}, false);
        addRow("email with 5 columns", QStringList{person5, kPhone, email5}, false);
        addRow("email table missing", QStringList{person5, kPhone}, false);
        addRow("no tables", QStringList{}, false);
    }
    void validation()
    {
        QFETCH(QStringList, statements);
        QFETCH(bool, valid);
        const QString path = file("check.mdb");
        MakeDatabase(path, statements);
        if (!valid)
            m_platform->expectMessage();
        QCOMPARE(modDatabase::IsValidDatabase(path), valid);
        if (!valid) {
            const auto message = m_platform->messages().first();
            QCOMPARE(message.title, QString("Error!"));
            QCOMPARE(message.text, "This is not a valid Addrion database:\n" + path);
            QCOMPARE(message.icon, Platform::Icon::Exclamation);
        }
    }

    void filesThatAreNoDatabase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        addRow("text file", "notes.mdb", QByteArray("Anna 0612345678\nBob 0201234567\n"));
        addRow("empty file", "empty.mdb", QByteArray());
        addRow("missing file", "missing.mdb", QByteArray("-"));
        addRow("empty path", "", QByteArray("-"));
    }
    void filesThatAreNoDatabase()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        const QString path = name.isEmpty() ? QString() : file(name);
        if (contents != "-")
            QVERIFY(TestSupport::writeFile(path, contents));
        m_platform->expectMessage();
        QVERIFY(!modDatabase::IsValidDatabase(path));
        QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + path);
        if (contents != "-")
            QCOMPARE(TestSupport::readFile(path), contents);
    }

    void validationClosesTheCurrentDatabase()
    {
        const QString path = newDatabase("home.mdb");
        const int resets = m_observer.reset;
        m_platform->expectMessage();
        QVERIFY(!modDatabase::IsValidDatabase(file("missing.mdb")));
        QVERIFY(!modDatabase::IsDatabaseOpen());
        QCOMPARE(m_observer.reset, resets + 1);
        QCOMPARE(m_observer.caption, QString("Addrion 1.4.3"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
    }

    void passwordProtectedFile_data()
    {
        QTest::addColumn<int>("handler"); // 0 none, 1 gives up, 2 removes the protection
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("messages");
        addRow("no password procedure", 0, false, 1);
        addRow("user cancels", 1, false, 0);
        addRow("protection removed", 2, true, 0);
    }
    void passwordProtectedFile()
    {
        QFETCH(int, handler);
        QFETCH(bool, valid);
        QFETCH(int, messages);
        const QString path = file("secret.mdb");
        QByteArray pages(4096, '\0');
        for (char& byte : pages)
            byte = char(QRandomGenerator::global()->bounded(256));
        QVERIFY(TestSupport::writeFile(path, pages));

        int asked = 0;
        if (handler > 0) {
            modDatabase::SetPasswordHandler([&](const QString& protectedPath) {
                ++asked;
                if (handler == 1)
                    return false;
                QFile::remove(protectedPath);
                MakeDatabase(protectedPath, modDatabase::CreateTableStatements());
                return true;
            });
        }
        for (int i = 0; i < messages; ++i)
            m_platform->expectMessage(Platform::Answer::Cancel);
        QCOMPARE(modDatabase::IsValidDatabase(path), valid);
        QCOMPARE(asked, handler > 0 ? 1 : 0);
        QCOMPARE(m_platform->messages().size(), messages);
        if (messages)
            QVERIFY(m_platform->messages().first().text.contains("JetError: " +
                                                                 QString::number(Engine::PasswordProtectedError)));
    }

    void readOnlyDatabase()
    {
        QDir().mkpath(file("readonly"));
        const QString path = file("readonly/home.mdb");
        MakeDatabase(path, modDatabase::CreateTableStatements());
        const QByteArray before = TestSupport::readFile(path);
        {
            ReadOnlyFile readOnly(path);
            if (!readOnly.ok())
                QSKIP("this machine cannot make a read-only file");
            QVERIFY(modDatabase::IsValidDatabase(path));
            m_platform->expectMessage();
            QVERIFY(modDatabase::OpenDatabase(path));
            const auto message = m_platform->messages().last();
            QCOMPARE(message.title, QString("Error"));
            QCOMPARE(message.text, "Addrion database " + path + " is read-only!");
            QVERIFY(!m_observer.writable);
            QCOMPARE(modDatabase::DatabaseConnection().Mode(), Engine::ModeRead);
            QVERIFY_THROWS_EXCEPTION(Engine::EngineError,
                                     modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'x')"));
            modDatabase::CloseDatabase(true);
        }
        QCOMPARE(TestSupport::readFile(path), before);
    }

    void quoteSql_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("quoted");
        addRow("apostrophe", "O'Brien", "O''Brien");
        addRow("several", "'a''b'", "''a''''b''");
        addRow("none", "Anna \"Bo\"", "Anna \"Bo\"");
        addRow("typographic kept", QString::fromUtf8("O’Brien"), QString::fromUtf8("O’Brien"));
    }
    void quoteSql()
    {
        QFETCH(QString, text);
        QFETCH(QString, quoted);
        QCOMPARE(modSql::QuoteSql(text), quoted);
    }

    // A quoted name goes into the database and comes back unchanged.
    void quotedTextRoundTrips()
    {
        QVERIFY(!newDatabase("home.mdb").isEmpty());
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (1, '" + modSql::QuoteSql("O'Brien; --") +
                           "')");
        auto rs =
            modSql::OpenRecordset("SELECT Name FROM Person WHERE Name = '" + modSql::QuoteSql("o'brien; --") + "' ");
        QCOMPARE(rs.RecordCount(), 1);
        QCOMPARE(rs.Fields("Name").toString().trimmed(), QString("O'Brien; --"));
    }

    void firstFreeNumber_data()
    {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<int>("free");
        addRow("empty", QList<int>{}, 1);
        addRow("1 3", QList<int>{1, 3}, 2);
        addRow("1 2 3", QList<int>{1, 2, 3}, 4);
        addRow("2 3", QList<int>{2, 3}, 1);
        addRow("1 2 4", QList<int>{1, 2, 4}, 3);
        addRow("zero and negatives", QList<int>{-5, 0, 1, 2}, 3);
        addRow("only negatives", QList<int>{-2, -1}, 1);
        addRow("last free", QList<int>{1, 2, 32766}, 3);
    }
    void firstFreeNumber()
    {
        QFETCH(QList<int>, stored);
        QFETCH(int, free);
        QCOMPARE(modSql::FirstFreeNumber(stored), std::optional<qint16>(qint16(free)));
    }

    void getFreeNumberOnTheFile()
    {
        QVERIFY(!newDatabase("home.mdb").isEmpty());
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(1));
        DatabaseFixture::addPersons(2, 1);
        DatabaseFixture::addPersons(1, 4);
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(3));
        modSql::ExecuteSql("DELETE FROM Person WHERE Contactnr = 1");
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(1));
    }

    void fullDatabaseHasNoFreeNumber()
    {
        QVERIFY(!newDatabase("full.mdb").isEmpty());
        DatabaseFixture::addPersons(modSql::MaxContactnr - 1, 1);
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(32767));
        DatabaseFixture::addPersons(1, modSql::MaxContactnr);
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::nullopt);
    }

    void copyKeepsTheCurrentDatabaseOpen()
    {
        const QString path = newDatabase("home.mdb");
        DatabaseFixture::addPersons(3);
        const QString copy = file("home20261206.mdb");
        QVERIFY(TestSupport::writeFile(copy, "an older copy"));
        QVERIFY(modDatabase::CopyDatabase(copy));
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
        QCOMPARE(m_observer.path, path);
        QCOMPARE(CountRows("SELECT * FROM Person"), 3);

        QVERIFY(modDatabase::IsValidDatabase(copy));
        QVERIFY(modDatabase::OpenDatabase(copy));
        QCOMPARE(CountRows("SELECT * FROM Person"), 3);
        QVERIFY(!QFile::exists(copy + ".part"));
    }

    void copyToAnImpossiblePlaceFailsCleanly()
    {
        const QString path = newDatabase("home.mdb");
        DatabaseFixture::addPersons(1);
        m_platform->expectMessage();
        QVERIFY(!modDatabase::CopyDatabase(file("no/such/folder/copy.mdb")));
        QCOMPARE(m_platform->messages().size(), 1);
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(CountRows("SELECT * FROM Person"), 1);
    }

    void newDatabaseInAnImpossiblePlace()
    {
        const QString path = file("no/such/folder/new.mdb");
        m_platform->expectMessage(Platform::Answer::Cancel);
        QVERIFY(!modDatabase::NewDatabase(path));
        QVERIFY(m_platform->messages().first().text.startsWith("The SQLite 3 database engine is missing"));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    void openingTheOpenFileReopensIt()
    {
        const QString path = newDatabase("home.mdb");
        const int resets = m_observer.reset;
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(m_observer.reset, resets + 1);
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(m_observer.path, path);
    }

    void closeCompactsTheFile()
    {
        const QString path = newDatabase("home.mdb");
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (int number = 1; number <= 2000; ++number)
            modSql::ExecuteSql(QString("INSERT INTO Person (Contactnr, Name, [Note]) VALUES (%1, 'P', '%2')")
                                   .arg(number)
                                   .arg(QString(400, 'n')));
        transaction.Commit();
        modSql::ExecuteSql("DELETE FROM Person");
        const qint64 before = QFileInfo(path).size();
        modDatabase::CloseDatabase(true);
        const qint64 after = QFileInfo(path).size();
        QVERIFY2(after < before / 4, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
        QVERIFY(modDatabase::IsValidDatabase(path));
    }

    void defaultDatabaseIsCreatedInDocuments()
    {
        const QString expected = modEnvironment::PersonalFolder() + "Addrion.mdb";
        QFile::remove(expected);
        modDatabase::OpenDefaultDatabase();
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), expected);
        QCOMPARE(modSettings::ReadSetting("Default database"), expected);
        modDatabase::CloseDatabase(true);

        // With the setting cleared, the existing file is opened, not made anew.
        modSettings::WriteSetting("Default database", "");
        modDatabase::OpenDefaultDatabase();
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'Kept')");
        modSettings::WriteSetting("Default database", "");
        modDatabase::OpenDefaultDatabase();
        QCOMPARE(CountRows("SELECT * FROM Person"), 1);
    }

    void deletedDefaultDatabaseIsForgotten()
    {
        const QString path = file("gone.mdb");
        modSettings::WriteSetting("Default database", path);
        m_platform->expectMessage();
        modDatabase::OpenDefaultDatabase();
        QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + path);
        QCOMPARE(modSettings::ReadSetting("Default database"), QString());
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }
};

ADDRION_TEST_MAIN(TestModDatabase)
#include "tst_moddatabase.moc"
