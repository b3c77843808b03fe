#include "DatabaseFixture.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "database/modUpgrade.h"
#include "editor/modContact.h"
#include "export/modExportFiles.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

// Every person's UID and revision in the table of our own: made on add, kept on edit,
// carried through copies, compaction and upgrades, and kept in step with what other
// SQLite tools write into the file.
class TestPersonUid : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString path(const char* name) const { return m_dir->filePath(name); }

    static qint16 add(const QString& name)
    {
        modContact::Contact contact;
        contact.name = name;
        return *modContact::SaveNewPerson(contact);
    }

    // "contactnr uid" of every row, in number order.
    static QStringList rows()
    {
        QStringList rows;
        modSql::ForEachRow(
            "SELECT Contactnr, Uid FROM PersonUid ORDER BY Contactnr",
            [&rows](const Engine::Connection::Row& row) { rows << QString::number(row.Int(0)) + ' ' + row.Text(1); });
        return rows;
    }

    static QString revision(qint16 contactnr)
    {
        return modSql::OpenRecordset(QString("SELECT Revision FROM PersonUid WHERE Contactnr = %1").arg(contactnr))
            .Fields(0)
            .toString();
    }

    static bool isUuid(const QString& uid, char version)
    {
        static const QString pattern("^[0-9a-f]{8}-[0-9a-f]{4}-%1[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");
        return QRegularExpression(pattern.arg(version)).match(uid).hasMatch();
    }

    // A file as every earlier version wrote it: the three tables and three persons.
    static void makeFileWithoutUids(const QString& file)
    {
        Engine::Connection db;
        EngineTest::createDatabase(db, file);
        for (const char* values : {"1, 'Anna'", "2, 'Bob'", "5, 'Cleo'"})
            db.Execute(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1)").arg(values));
    }

    static void sqlite3(const QString& file, const QString& script)
    {
        QProcess tool;
        tool.start("sqlite3", {file, script});
        if (!tool.waitForStarted())
            QFAIL("the sqlite3 program is missing: install the Debian package sqlite3");
        QVERIFY(tool.waitForFinished());
        QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        modUpgrade::InstallUpgradeHandler();
        QVERIFY(modDatabase::NewDatabase(path("home.mdb")));
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    void madeOnAddKeptOnEditGoneOnRemove()
    {
        const qint16 anna = add("Anna");
        const qint16 bob = add("Bob");
        const QStringList made = rows();
        QCOMPARE(made.size(), 2);
        for (const QString& row : made)
            QVERIFY2(isUuid(row.section(' ', 1), '4'), qPrintable(row));
        QVERIFY(made[0].section(' ', 1) != made[1].section(' ', 1));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$").match(revision(anna)).hasMatch());

        modSql::ExecuteSql("UPDATE PersonUid SET Revision = '2001-01-01T00:00:00Z'");
        modContact::Contact edited;
        edited.name = "Anna Berg";
        edited.phones = {modContact::TypedEntry("0101", "Home")};
        modContact::SaveExistingPerson(anna, edited);
        QCOMPARE(rows(), made);
        QVERIFY(revision(anna) > QString("2001-01-01T00:00:00Z"));
        QCOMPARE(revision(bob), QString("2001-01-01T00:00:00Z"));

        // The program's removal: the row goes in the same transaction, nothing dangles.
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (const char* table : {"Phone", "Email", "Person"})
            modSql::ExecuteSql(QString("DELETE FROM %1 WHERE Contactnr = %2").arg(table).arg(anna));
        transaction.Commit();
        QCOMPARE(rows(), QStringList{made[1]});
        QVERIFY(modSql::OpenRecordset("PRAGMA foreign_key_check").Eof());
    }

    void survives_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("copy database") << "copy";
        QTest::newRow("compaction") << "compact";
    }
    void survives()
    {
        QFETCH(QString, how);
        for (const char* name : {"Anna", "Bob", "Cleo"})
            add(name);
        const QStringList before = rows();
        QString opened = path("home.mdb");
        if (how == "copy") {
            QVERIFY(modDatabase::CopyDatabase(path("copy.mdb")));
            opened = path("copy.mdb");
        }
        modDatabase::CloseDatabase(true);
        QVERIFY(modDatabase::OpenDatabase(opened));
        QCOMPARE(rows(), before);
    }

    // A file of an earlier version gets a UID for every person the first time it is
    // opened writable, and keeps them from then on.
    void existingFileGetsUidsOnce()
    {
        modDatabase::CloseDatabase(false);
        makeFileWithoutUids(path("old.mdb"));
        QVERIFY(modDatabase::OpenDatabase(path("old.mdb")));
        const QStringList first = rows();
        QCOMPARE(first.size(), 3);
        QCOMPARE(QSet<QString>(first.begin(), first.end()).size(), 3);
        modDatabase::CloseDatabase(true);
        QVERIFY(modDatabase::OpenDatabase(path("old.mdb")));
        QCOMPARE(rows(), first);
    }

    // The names of versions before 1.4.0 and the narrow columns are converted around
    // the table, which keeps its UIDs.
    void upgradeKeepsUids()
    {
        modDatabase::CloseDatabase(false);
        const QString file = path("narrow.mdb");
        Engine::CreateDatabaseFile(file);
        {
            Engine::Connection db;
            db.Open(file);
            db.Execute("CREATE TABLE Person ( Contactnr SMALLINT, Firstname CHAR(50), Lastname CHAR(50), "
                       "Dateofbirth DATE, Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) ");
            db.Execute("CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(20), "
                       "Description CHAR(10), CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                       "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
            db.Execute("CREATE TABLE Email ( Contactnr SMALLINT, [Order] TINYINT, Email CHAR(50), "
                       "Description CHAR(10), CONSTRAINT EmailPK PRIMARY KEY(Contactnr, [Order]), "
                       "CONSTRAINT EmailFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
            for (const QString& statement : modPersonUid::CreateStatements())
                db.Execute(statement);
            db.Execute("INSERT INTO Person (Contactnr, Firstname, Lastname) VALUES (1, 'Anna', 'Berg')");
            db.Execute("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 1, '0101', 'Home')");
            db.Execute("UPDATE PersonUid SET Uid = 'kept-uid' WHERE Contactnr = 1");
        }
        QVERIFY(modDatabase::OpenDatabase(file));
        QCOMPARE(modSql::OpenRecordset("SELECT Name FROM Person").Fields(0).toString(), QString("Anna Berg"));
        QCOMPARE(modDatabase::DatabaseConnection().DefinedSize("Phone", "Description"), 100);
        QCOMPARE(rows(), QStringList{"1 kept-uid"});
    }

    // What another tool writes straight into the file: the triggers keep the table in
    // step, and the next writable opening mends what they could not.
    void otherTools_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("numbers"); // with a UID afterwards
        QTest::addColumn<QStringList>("kept");    // "new old": numbers whose UID is the one of old
        QTest::newRow("insert") << "INSERT INTO Person (Contactnr, Name) VALUES (7, 'Tool');"
                                << QStringList{"1", "2", "7"} << QStringList{"1 1", "2 2"};
        QTest::newRow("insert without trigger")
            << "DROP TRIGGER PersonUidAdd; INSERT INTO Person (Contactnr, Name) VALUES (7, 'Tool');"
            << QStringList{"1", "2", "7"} << QStringList{"1 1", "2 2"};
        QTest::newRow("delete without foreign keys")
            << "DELETE FROM Person WHERE Contactnr = 1;" << QStringList{"2"} << QStringList{"2 2"};
        QTest::newRow("delete without trigger")
            << "DROP TRIGGER PersonUidRemove; DELETE FROM Person WHERE Contactnr = 1;" << QStringList{"2"}
            << QStringList{"2 2"};
        QTest::newRow("renumber without foreign keys") << "UPDATE Person SET Contactnr = 9 WHERE Contactnr = 1;"
                                                       << QStringList{"2", "9"} << QStringList{"2 2", "9 1"};
        QTest::newRow("table dropped") << "DROP TABLE PersonUid;" << QStringList{"1", "2"} << QStringList{};
    }
    void otherTools()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, kept);
        add("Anna");
        add("Bob");
        QHash<QString, QString> before;
        for (const QString& row : rows())
            before.insert(row.section(' ', 0, 0), row.section(' ', 1));
        modDatabase::CloseDatabase(false);
        sqlite3(path("home.mdb"), script);
        QVERIFY(modDatabase::OpenDatabase(path("home.mdb")));

        QStringList found;
        QHash<QString, QString> after;
        for (const QString& row : rows()) {
            found << row.section(' ', 0, 0);
            after.insert(row.section(' ', 0, 0), row.section(' ', 1));
            QVERIFY(isUuid(row.section(' ', 1), '4'));
        }
        QCOMPARE(found, numbers);
        for (const QString& pair : kept)
            QCOMPARE(after.value(pair.section(' ', 0, 0)), before.value(pair.section(' ', 1)));
        QCOMPARE(modSql::OpenRecordset("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger'").Fields(0).toInt(),
                 3);
    }

    // A read-only file is never written: its persons get UIDs derived from their numbers
    // and the file's persons, the same on every export.
    void readOnlyFileDerivesUids()
    {
        modDatabase::CloseDatabase(false);
        const QString file = path("old.mdb");
        makeFileWithoutUids(file);
        ReadOnlyFile readOnly(file);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a read-only file");
        m_platform->expectMessage(); // "... is read-only!"
        QVERIFY(modDatabase::OpenDatabase(file));
        auto exportedUids = [] {
            modExport::Selection selection;
            selection.contactnrs = {1, 2, 5};
            QString error;
            if (!modExportFiles::ExportVcard(selection, nullptr, error))
                return QStringList{error};
            QStringList uids;
            for (const QByteArray& line :
                 TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Vcard)).split('\n'))
                if (line.startsWith("UID:"))
                    uids << QString::fromUtf8(line.mid(4).trimmed());
            return uids;
        };
        const QStringList first = exportedUids();
        QCOMPARE(first.size(), 3);
        for (const QString& uid : first)
            QVERIFY2(isUuid(uid, '5'), qPrintable(uid));
        QCOMPARE(QSet<QString>(first.begin(), first.end()).size(), 3);
        QCOMPARE(exportedUids(), first);
        QVERIFY(!modDatabase::DatabaseConnection().TableExists("PersonUid"));
    }
};

ADDRION_TEST_MAIN(TestPersonUid)
#include "tst_personuid.moc"
