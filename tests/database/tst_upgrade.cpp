#include "DataRow.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "database/modUpgrade.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using TestSupport::addRow;

namespace {

const QString kCurrentPerson = "CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                               "Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr))";
// Before 1.4.0: two name columns instead of Name.
const QString kOldPerson = "CREATE TABLE Person (Contactnr SMALLINT, Firstname CHAR(%1), Lastname CHAR(%1), "
                           "Dateofbirth DATE, Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr))";
const QString kPhone = "CREATE TABLE Phone (Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(%1), Description "
                       "CHAR(%2), CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), CONSTRAINT PhoneFK FOREIGN "
                       "KEY(Contactnr) REFERENCES Person(Contactnr))";
const QString kEmail = "CREATE TABLE Email (Contactnr SMALLINT, [Order] TINYINT, Email CHAR(%1), Description "
                       "CHAR(%2), CONSTRAINT EmailPK PRIMARY KEY(Contactnr, [Order]), CONSTRAINT EmailFK FOREIGN "
                       "KEY(Contactnr) REFERENCES Person(Contactnr))";

struct OldPerson
{
    int contactnr;
    const char* first; // nullptr stores NULL
    const char* last;
};

const OldPerson kPersons[] = {
    {1, "Fred", "Flint"}, {2, "", "Solo"}, {3, nullptr, "Nulllast"}, {4, "Firstonly", nullptr}, {5, "  Ann ", " Lee  "},
};

QString SqlText(const char* text)
{
    return text ? "'" + modSql::QuoteSql(QString::fromUtf8(text)) + "'" : QString("NULL");
}

// Writes a file in one of the older layouts (or the current one) with five persons,
// each with a phone and an e-mail entry.
void MakeFile(const QString& path, bool narrow, bool old, int nameWidth = 50)
{
    Engine::CreateDatabaseFile(path);
    Engine::Connection connection;
    connection.Open(path);
    connection.Execute(old ? kOldPerson.arg(nameWidth) : kCurrentPerson);
    connection.Execute(narrow ? kPhone.arg(20).arg(10) : kPhone.arg(50).arg(100));
    connection.Execute(narrow ? kEmail.arg(50).arg(10) : kEmail.arg(100).arg(100));
    for (const OldPerson& person : kPersons) {
        const QString n = QString::number(person.contactnr);
        if (old)
            connection.Execute("INSERT INTO Person (Contactnr, Firstname, Lastname, Dateofbirth, Address, [Note]) "
                               "VALUES (" +
                               n + ", " + SqlText(person.first) + ", " + SqlText(person.last) +
                               ", #2/29/1980#, 'Street " + n + "', 'note " + n + "')");
        else
            connection.Execute("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES (" + n +
                               ", 'Person " + n + "', #2/29/1980#, 'Street " + n + "', 'note " + n + "')");
        connection.Execute("INSERT INTO Phone VALUES (" + n + ", 1, '555-" + n + "', 'home')");
        connection.Execute("INSERT INTO Email VALUES (" + n + ", 1, 'p" + n + "@example.org', 'work')");
    }
}

QStringList Column(Engine::Connection& connection, const QString& sql)
{
    Engine::Recordset rows = connection.OpenRecordset(sql);
    QStringList values;
    for (; !rows.Eof(); rows.MoveNext())
        values << rows.Fields(0).toString().trimmed();
    return values;
}

QStringList Column(const QString& sql)
{
    return Column(modDatabase::DatabaseConnection(), sql);
}

QList<int> Widths(Engine::Connection& connection)
{
    return {connection.DefinedSize("Phone", "Number"), connection.DefinedSize("Phone", "Description"),
            connection.DefinedSize("Email", "Email"), connection.DefinedSize("Email", "Description")};
}

const QList<int> kWide{50, 100, 100, 100};
const QList<int> kNarrow{20, 10, 50, 10};

} // namespace

class TestUpgrade : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString file(const QString& name) const { return m_dir->filePath(name); }

    // Opens the file as the program does: validated first.
    static bool open(const QString& path)
    {
        return modDatabase::IsValidDatabase(path) && modDatabase::OpenDatabase(path);
    }

private slots:
    void initTestCase() { modUpgrade::InstallUpgradeHandler(); }
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
    }

    void backupPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("backup");
        addRow("extension", "/data/home.mdb", "/data/home_BeforeVersion140.mdb");
        addRow("two dots", "/data/a.b.mdb", "/data/a.b_BeforeVersion140.mdb");
        addRow("dotted folder, no extension", "/data/my.folder/home", "/data/my.folder/home_BeforeVersion140.mdb");
        addRow("bare name", "home.mdb", "home_BeforeVersion140.mdb");
    }
    void backupPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, backup);
        QCOMPARE(modUpgrade::BackupPath(path), backup);
    }

    void conversions_data()
    {
        QTest::addColumn<bool>("narrow");
        QTest::addColumn<bool>("old");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("names");
        const QStringList firstLast{"Fred Flint", "Solo", "Nulllast", "Firstonly", "Ann Lee"};
        const QStringList lastFirst{"Flint Fred", "Solo", "Nulllast", "Firstonly", "Lee Ann"};
        const QStringList current{"Person 1", "Person 2", "Person 3", "Person 4", "Person 5"};
        addRow("current layout", false, false, "", current);
        addRow("narrow", true, false, "", current);
        addRow("old, no list order", false, true, "", firstLast);
        addRow("old, surname first", false, true, "Last name First name", lastFirst);
        addRow("old, other list order", false, true, "First name Last name", firstLast);
        addRow("narrow and old", true, true, "Last name First name", lastFirst);
    }
    void conversions()
    {
        QFETCH(bool, narrow);
        QFETCH(bool, old);
        QFETCH(QString, list);
        QFETCH(QStringList, names);
        const QString path = file("home.mdb");
        const QString backup = file("home_BeforeVersion140.mdb");
        MakeFile(path, narrow, old);
        if (!list.isEmpty())
            modSettings::WriteSetting("List", list);
        // A copy left by an earlier conversion is replaced.
        QVERIFY(TestSupport::writeFile(backup, "an older copy"));

        QVERIFY(open(path));
        Engine::Connection& connection = modDatabase::DatabaseConnection();
        QCOMPARE(connection.ColumnCount("Person"), 5);
        QCOMPARE(connection.DefinedSize("Person", "Name"), 100);
        QCOMPARE(Widths(connection), kWide);
        QCOMPARE(Column("SELECT Name FROM Person ORDER BY Contactnr"), names);
        // Nothing else of a person is lost on the way.
        QCOMPARE(Column("SELECT Address FROM Person ORDER BY Contactnr").last(), QString("Street 5"));
        QCOMPARE(Column("SELECT [Note] FROM Person ORDER BY Contactnr").first(), QString("note 1"));
        QCOMPARE(Column("SELECT Dateofbirth FROM Person WHERE Contactnr = 3"), QStringList{"1980-02-29"});
        QCOMPARE(Column("SELECT [Number] FROM Phone ORDER BY Contactnr").size(), 5);
        QCOMPARE(Column("SELECT Email FROM Email WHERE Contactnr = 4"), QStringList{"p4@example.org"});
        // The widened columns take what the current version writes.
        const QString long100(100, QLatin1Char('d'));
        modSql::ExecuteSql("UPDATE Phone SET Description = '" + long100 + "' WHERE Contactnr = 1");
        modSql::ExecuteSql("UPDATE Email SET Description = '" + long100 + "' WHERE Contactnr = 1");
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (9, '" + long100 + "')");

        if (old) {
            Engine::Connection copy;
            copy.Open(backup);
            QCOMPARE(copy.ColumnCount("Person"), 6);
            QCOMPARE(Column(copy, "SELECT Lastname FROM Person WHERE Contactnr = 1"), QStringList{"Flint"});
            // The copy is taken after the widening.
            QCOMPARE(Widths(copy), kWide);
        } else {
            QCOMPARE(TestSupport::readFile(backup), QByteArray("an older copy"));
        }
        QVERIFY(QFile::remove(backup));

        // A second open finds nothing to convert and writes no backup.
        modDatabase::CloseDatabase(true);
        QVERIFY(open(path));
        QCOMPARE(modDatabase::DatabaseConnection().ColumnCount("Person"), 5);
        QCOMPARE(Column("SELECT Name FROM Person WHERE Contactnr < 9 ORDER BY Contactnr"), names);
        QVERIFY(!QFile::exists(backup));
    }

    // Names too long for the new column: the conversion fails as a whole.
    void failingConversionKeepsFileAndBackup()
    {
        const QString path = file("home.mdb");
        const QString backup = file("home_BeforeVersion140.mdb");
        MakeFile(path, true, true, 60);
        {
            Engine::Connection connection;
            connection.Open(path);
            connection.Execute("UPDATE Person SET Firstname = '" + QString(60, 'f') + "', Lastname = '" +
                               QString(60, 'l') + "' WHERE Contactnr = 2");
        }
        QVERIFY(modDatabase::IsValidDatabase(path));
        m_platform->expectMessage();
        QVERIFY(!modDatabase::OpenDatabase(path));
        QVERIFY(!modDatabase::IsDatabaseOpen());
        const auto messages = m_platform->messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Error"));
        QVERIFY2(messages.first().text.startsWith("Error "), qPrintable(messages.first().text));

        Engine::Connection file;
        file.Open(path);
        QCOMPARE(file.ColumnCount("Person"), 6);
        QCOMPARE(Column(file, "SELECT Firstname FROM Person WHERE Contactnr = 1"), QStringList{"Fred"});
        QCOMPARE(Widths(file), kWide);
        Engine::Connection copy;
        copy.Open(backup);
        QCOMPARE(copy.ColumnCount("Person"), 6);
        QCOMPARE(Column(copy, "SELECT Lastname FROM Person WHERE Contactnr = 2"), QStringList{QString(60, 'l')});
    }

    void readOnlyFile_data()
    {
        QTest::addColumn<bool>("old");
        QTest::addColumn<bool>("opens");
        // A narrow file can be read as it is; one with the old name columns cannot.
        addRow("narrow", false, true);
        addRow("old names", true, false);
    }
    void readOnlyFile()
    {
        QFETCH(bool, old);
        QFETCH(bool, opens);
        QDir().mkpath(file("readonly"));
        const QString path = file("readonly/home.mdb");
        MakeFile(path, true, old);
        const QByteArray before = TestSupport::readFile(path);
        {
            ReadOnlyFile readOnly(path);
            if (!readOnly.ok())
                QSKIP("this machine cannot make a read-only file");
            QVERIFY(modDatabase::IsValidDatabase(path));
            m_platform->expectMessage();
            QCOMPARE(modDatabase::OpenDatabase(path), opens);
            const QString text = m_platform->messages().last().text;
            if (opens) {
                QVERIFY2(text.endsWith("is read-only!"), qPrintable(text));
                QCOMPARE(Widths(modDatabase::DatabaseConnection()), kNarrow);
            } else {
                QVERIFY2(text.contains("read-only"), qPrintable(text));
                QVERIFY(!modDatabase::IsDatabaseOpen());
            }
            modDatabase::CloseDatabase(false);
        }
        QCOMPARE(TestSupport::readFile(path), before);
        QVERIFY(!QFile::exists(file("readonly/home_BeforeVersion140.mdb")));
    }

    // A file that was not validated and lacks a table: the layout check is reported
    // and the file opens as it is.
    void unreadableLayoutIsReported()
    {
        const QString path = file("odd.mdb");
        Engine::CreateDatabaseFile(path);
        {
            Engine::Connection connection;
            connection.Open(path);
            connection.Execute(kCurrentPerson);
        }
        m_platform->expectMessage(Platform::Answer::Cancel);
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(m_platform->messages().size(), 1);
        QVERIFY(m_platform->messages().first().text.contains("JetError: "));
        QVERIFY(modDatabase::IsDatabaseOpen());
        QVERIFY(m_platform->callsOf("url").isEmpty());
    }
};

ADDRION_TEST_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
