#include "DatabaseFixture.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modSql.h"
#include "export/modExportFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

// Every save on a disk that fills up half-way: a helper process whose files cannot grow
// beyond a limit runs it. The save must fail, say so, and leave what was there before
// exactly as it was.
class TestFullDisk : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString file(const QString& name) const { return m_dir->filePath(name); }

    // A database of persons with long notes, in the current layout or in the one before
    // 1.4.0 with first and last names.
    static bool makeDatabase(const QString& path, int persons, bool oldLayout)
    {
        ScriptedPlatform platform;
        if (!modDatabase::NewDatabase(path))
            return false;
        if (oldLayout) {
            modSql::ExecuteSql("ALTER TABLE Person ADD COLUMN Firstname CHAR(50)");
            modSql::ExecuteSql("ALTER TABLE Person ADD COLUMN Lastname CHAR(50)");
            modSql::ExecuteSql("ALTER TABLE Person DROP COLUMN [Name]");
        }
        modSql::ExecuteSql(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                   "INSERT INTO Person (Contactnr, [Note]) SELECT i, hex(randomblob(500)) FROM n")
                               .arg(persons));
        modDatabase::CloseDatabase(false);
        return true;
    }

    // The cipher program runs without the limit, as it would write to another disk; only
    // the program's own writes meet the full one.
    QString cipherWithoutLimit()
    {
        const QString real = QStandardPaths::findExecutable(modPassword::CipherProgramName);
        const QString standIn = file("bin/") + modPassword::CipherProgramName;
        if (real.isEmpty() ||
            !TestSupport::writeFile(standIn, ("#!/bin/sh\nulimit -f unlimited\nexec '" + real + "' \"$@\"\n").toUtf8()))
            return {};
        QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file("bin");
    }

    // Every file below the folder with its bytes.
    static QMap<QString, QByteArray> contents(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            files.insert(path, TestSupport::readFile(path));
        }
        return files;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(file("data")));
    }

    void saveOnAFullDisk_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("limit");
        QTest::newRow("password removal") << "password" << 300 * 1024;
        QTest::newRow("backup before the upgrade") << "upgrade" << 200 * 1024;
        QTest::newRow("text export saved") << "export-text" << 60 * 1024;
        QTest::newRow("vCard export saved") << "export-vcard" << 60 * 1024;
        QTest::newRow("database copy") << "copy" << 200 * 1024;
        QTest::newRow("calendar saved") << "calendar" << 1024;
    }

    void saveOnAFullDisk()
    {
        QFETCH(QString, operation);
        QFETCH(int, limit);
        const QString database = file("data/home.mdb");
        QStringList arguments{QString::number(limit), operation};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (operation == "password") {
            const QString bin = cipherWithoutLimit();
            QVERIFY2(!bin.isEmpty(), "the sqlcipher program is needed (Debian package sqlcipher)");
            environment.insert("PATH", bin + ":" + environment.value("PATH"));
            QVERIFY(EngineTest::makeProtectedFile(
                database, "secret",
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
                "INSERT INTO Person (Contactnr, Name, Note) SELECT i, 'P' || i, hex(randomblob(500)) FROM n;\n"));
            arguments << database << "secret";
        } else if (operation == "upgrade" || operation == "copy") {
            QVERIFY(makeDatabase(database, 1200, operation == "upgrade"));
            arguments << database;
            if (operation == "copy") {
                QVERIFY(TestSupport::writeFile(file("data/copy.mdb"), "the copy made last week"));
                arguments << file("data/copy.mdb");
            }
        } else if (operation.startsWith("export-")) {
            const auto kind = operation == "export-text" ? modExportFiles::Kind::Text : modExportFiles::Kind::Vcard;
            QVERIFY(TestSupport::writeFile(modExportFiles::ExportFilePath(kind), QByteArray(140054, 'x')));
            QVERIFY(TestSupport::writeFile(file("data/saved"), "the export saved last week"));
            arguments << file("data/saved");
        } else {
            QVERIFY(makeDatabase(database, 3, false));
            ScriptedPlatform platform;
            QVERIFY(modDatabase::OpenDatabase(database));
            QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
            modDatabase::CloseDatabase(false);
            modCalendar::MonthSelection months{};
            for (auto& year : months)
                year.fill(true);
            QCOMPARE(modCalendar::SaveCalendar(
                         file("data"), months, [](const QString&) { return true; }, nullptr),
                     QString());
            QFile::remove(database);
            arguments << file("data");
        }
        const QMap<QString, QByteArray> before = contents(file("data"));

        QProcess helper;
        helper.setProcessEnvironment(environment);
        helper.start(QFileInfo(QCoreApplication::applicationDirPath() + "/reliability_fulldiskhelper").filePath(),
                     arguments);
        QVERIFY(helper.waitForFinished(120000));
        const QString output = QString::fromUtf8(helper.readAllStandardOutput());
        QCOMPARE(helper.exitCode(), 0);
        QVERIFY2(output.startsWith("result 0\n"), qPrintable(output));
        QVERIFY2(output.contains("\nerror: ") || output.contains("\nmessage: "), qPrintable(output));
        // Nothing was replaced, truncated or left behind beside it.
        const QMap<QString, QByteArray> after = contents(file("data"));
        QCOMPARE(after.keys(), before.keys());
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
    }
};

ADDRION_TEST_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
