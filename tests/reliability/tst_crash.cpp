#include "DataColumns.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "export/modExportFiles.h"
#include "startup/modSettings.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

// A helper process (ReliabilityHelper.cpp) killed at random while it saves must leave the
// file intact with each person whole; a save on a disk that fills up must fail, say so and
// leave what was there; two processes share one file.
class TestCrash : public QObject
{
    Q_OBJECT

    static constexpr int Rounds = 20;

    static QString helper() { return QCoreApplication::applicationDirPath() + "/reliability_helper"; }

    // What is wrong with the file, "" when it is whole: the name of each person tells the
    // generation and how many phones and addresses that save wrote; every entry must carry
    // the same generation, and no entry may belong to nobody.
    static QString checkFile(const QString& path, int& persons)
    {
        try {
            Engine::Connection connection;
            connection.Open(path); // rolls back what a killed writer left in its journal
            const QString integrity = EngineTest::integrityCheck(connection);
            if (integrity != "ok")
                return "integrity: " + integrity;
            static const QRegularExpression nameRule("^Crash (\\d+) phones (\\d+) emails (\\d+)$");
            QHash<int, QStringList> saved; // generation, phones, e-mail addresses
            QString problem;
            connection.ForEachRow("SELECT Contactnr, Name FROM Person", [&](const Engine::Connection::Row& row) {
                const QRegularExpressionMatch match = nameRule.match(row.Text(1).trimmed());
                if (!match.hasMatch())
                    problem = "unexpected name: " + row.Text(1);
                saved.insert(row.Int(0), match.capturedTexts().mid(1));
            });
            persons = saved.size();
            for (int kind = 1; kind <= 2 && problem.isEmpty(); ++kind) {
                const QString table = kind == 1 ? "Phone" : "Email";
                QHash<int, int> counts;
                connection.ForEachRow("SELECT Contactnr, " + QString(kind == 1 ? "[Number]" : "Email") + " FROM " +
                                          table,
                                      [&](const Engine::Connection::Row& row) {
                                          if (!row.Text(1).startsWith('g' + saved.value(row.Int(0)).value(0) + '-'))
                                              problem = table + " entry of another save or nobody: " + row.Text(1);
                                          ++counts[row.Int(0)];
                                      });
                for (auto it = saved.cbegin(); it != saved.cend() && problem.isEmpty(); ++it)
                    if (counts.value(it.key()) != it->value(kind).toInt())
                        problem =
                            QString::asprintf("person %d has %d of %s %s entries", it.key(), counts.value(it.key()),
                                              qPrintable(it->value(kind)), qPrintable(table));
            }
            return problem;
        } catch (const Engine::EngineError& error) {
            return "engine error: " + error.description();
        }
    }

    // Starts the helper, lets it finish a random number of steps, kills it and returns
    // the steps it reported; -1 when it stopped by itself (then its stderr is in errors).
    static int runAndKill(const QString& mode, const QString& path, QString& errors)
    {
        QProcess process;
        process.start(helper(), {mode, path});
        const int wanted = QRandomGenerator::global()->bounded(1, 40);
        int steps = 0;
        QByteArray pending;
        while (steps < wanted && process.waitForReadyRead(60000)) {
            pending += process.readAllStandardOutput();
            steps = int(pending.count("step "));
        }
        if (process.state() == QProcess::NotRunning) {
            errors = QString::fromLocal8Bit(process.readAllStandardError()) + process.errorString();
            return -1;
        }
        // Sometimes at once, sometimes after letting the next step begin.
        if (QRandomGenerator::global()->bounded(2) == 1)
            process.waitForReadyRead(5);
        process.kill(); // SIGKILL
        process.waitForFinished();
        return steps;
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

    // A database of persons with long notes, in the current layout or in the one before
    // 1.4.0 with first and last names.
    static void makeDatabase(const QString& path, int persons, bool oldLayout)
    {
        ScriptedPlatform platform;
        QVERIFY(modDatabase::NewDatabase(path));
        if (oldLayout)
            for (const char* statement :
                 {"ALTER TABLE Person ADD COLUMN Firstname CHAR(50)", "ALTER TABLE Person ADD COLUMN Lastname CHAR(50)",
                  "ALTER TABLE Person DROP COLUMN [Name]"})
                runSql(statement);
        runSql(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO Person (Contactnr, [Note]) SELECT i, hex(randomblob(500)) FROM n")
                   .arg(persons));
        modDatabase::CloseDatabase(false);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(helper()).isExecutable(), "the helper is not built");
        QVERIFY2(QFileInfo(TestSupport::executable()).isExecutable(), "the program is not built");
    }
    void init() { TestSupport::clearSettings(); }

    void killedAtRandom_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("saving persons") << "save";
        QTest::newRow("removing persons") << "remove";
        QTest::newRow("closing with compaction") << "close";
    }
    void killedAtRandom()
    {
        QFETCH(QString, mode);
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath("crash.mdb");
        QVERIFY(modDatabase::NewDatabase(path));
        modDatabase::CloseDatabase(false);
        int totalSteps = 0;
        int lastPersons = 0;
        for (int round = 1; round <= Rounds; ++round) {
            QString errors;
            const int steps = runAndKill(mode, path, errors);
            QVERIFY2(steps >= 0, qPrintable(QString("round %1: the helper stopped: %2").arg(round).arg(errors)));
            totalSteps += steps;
            int persons = 0;
            const QString problem = checkFile(path, persons);
            QVERIFY2(problem.isEmpty(), qPrintable(QString("round %1: %2").arg(round).arg(problem)));
            // A reported step was committed: the file keeps at least the persons saved as
            // new up to then (two of every three steps).
            if (mode == "save")
                QVERIFY2(persons >= lastPersons + steps * 2 / 3,
                         qPrintable(QString::asprintf("round %d: %d persons after %d more steps, %d before", round,
                                                      persons, steps, lastPersons)));
            lastPersons = persons;
        }
        QVERIFY(totalSteps >= Rounds);
        // The file still opens in the program as a valid database.
        QVERIFY(modDatabase::IsValidDatabase(path));
        QVERIFY(platform.messages().isEmpty());
    }

    // The program's reminder (a real second process) reads the file and compacts it on
    // closing, again and again, while this process saves, rewrites and removes persons
    // and closes with compaction too. Neither side may meet a locked file.
    void reminderBesideWriter()
    {
        ScriptedPlatform platform;
        DatabaseFixture database;
        QVERIFY(database.ok());
        const QString path = database.path();
        modSettings::WriteSetting("Default database", path);
        modSettings::WriteSetting("Reminder Since", "3");
        // Persons born today, so that the reminder has rows to show and echo.
        QList<SamplePerson> born;
        for (int i = 1; i <= 5; ++i)
            born.append({i, QString("Birthday %1").arg(i), QDate::currentDate().addYears(-20 - i)});
        addPersons(born);

        int written = 0;
        for (int run = 0; run < 4; ++run) {
            QProcess reminder;
            reminder.start(TestSupport::reminderEcho(), {"/Reminder"});
            QVERIFY(reminder.waitForStarted());
            // Write until the reminder has finished (bounded, in case it never does).
            for (int i = 0; i < 400 && reminder.state() != QProcess::NotRunning; ++i, ++written) {
                const auto failure = EngineTest::failureOf([&] {
                    modContact::Contact contact{QString("Writer %1").arg(written),
                                                "",
                                                "",
                                                "",
                                                {modContact::TypedEntry(QString("0%1").arg(written), QString())},
                                                {}};
                    const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
                    QVERIFY(contactnr);
                    contact.note = QString(5000, 'x');
                    modContact::SaveExistingPerson(*contactnr, contact);
                    if (written % 3 == 0) {
                        modDatabase::CloseDatabase(true);
                        QVERIFY(modDatabase::OpenDatabase(path));
                    }
                });
                QVERIFY2(!failure, qPrintable("the writer met: " + (failure ? failure->description() : QString())));
                reminder.waitForFinished(1);
            }
            if (reminder.state() != QProcess::NotRunning && !reminder.waitForFinished(120000)) {
                reminder.kill();
                reminder.waitForFinished();
                QFAIL(qPrintable(QString("run %1: the reminder hangs (a message box?) after %2 writes: %3 %4")
                                     .arg(run)
                                     .arg(written)
                                     .arg(QString::fromUtf8(reminder.readAllStandardOutput()),
                                          QString::fromLocal8Bit(reminder.readAllStandardError()))));
            }
            QCOMPARE(reminder.exitStatus(), QProcess::NormalExit);
            QCOMPARE(reminder.exitCode(), 0);
            const QString output = QString::fromUtf8(reminder.readAllStandardOutput());
            // Every person born today is listed: the reader saw the file whole.
            for (int i = 1; i <= 5; ++i)
                QVERIFY2(output.contains(QString("Birthday %1").arg(i)), qPrintable(output));
            const QString errors = QString::fromLocal8Bit(reminder.readAllStandardError());
            QVERIFY2(!errors.contains("locked", Qt::CaseInsensitive), qPrintable(errors));
        }
        modDatabase::CloseDatabase(true);
        QVERIFY(written > 0);
        Engine::Connection connection;
        connection.Open(path);
        QCOMPARE(EngineTest::integrityCheck(connection), QString("ok"));
        QCOMPARE(EngineTest::scalar(connection, "SELECT COUNT(*) FROM Person WHERE Name LIKE 'Writer %'"), written);
        QCOMPARE(EngineTest::scalar(connection, "SELECT COUNT(*) FROM Phone"), written);
        QVERIFY(platform.messages().isEmpty());
    }

    void saveOnAFullDisk_data()
    {
        TestSupport::addColumns<QString, int>({"operation", "limit"});
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
        QTemporaryDir dir;
        const QString data = dir.filePath("data/");
        QVERIFY(QDir().mkpath(data));
        const QString database = data + "home.mdb";
        QStringList arguments{QString::number(limit), operation};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (operation == "password") {
            // The cipher program runs without the limit, as it would write to another
            // disk; only the program's own writes meet the full one.
            const QString real = QStandardPaths::findExecutable(modPassword::CipherProgramName);
            QVERIFY2(!real.isEmpty(), "the sqlcipher program is needed (Debian package sqlcipher)");
            const QString standIn = dir.filePath("bin/") + modPassword::CipherProgramName;
            QVERIFY(TestSupport::writeFile(standIn,
                                           ("#!/bin/sh\nulimit -f unlimited\nexec '" + real + "' \"$@\"\n").toUtf8()));
            QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            environment.insert("PATH", dir.filePath("bin") + ":" + environment.value("PATH"));
            QVERIFY(EngineTest::makeProtectedFile(
                database, "secret",
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
                "INSERT INTO Person (Contactnr, Name, Note) SELECT i, 'P' || i, hex(randomblob(500)) FROM n;\n"));
            arguments << database << "secret";
        } else if (operation == "upgrade" || operation == "copy") {
            makeDatabase(database, 1200, operation == "upgrade");
            arguments << database;
            if (operation == "copy") {
                QVERIFY(TestSupport::writeFile(data + "copy.mdb", "the copy made last week"));
                arguments << data + "copy.mdb";
            }
        } else if (operation.startsWith("export-")) {
            const auto kind = operation == "export-text" ? modExportFiles::Kind::Text : modExportFiles::Kind::Vcard;
            QVERIFY(TestSupport::writeFile(modExportFiles::ExportFilePath(kind), QByteArray(140054, 'x')));
            QVERIFY(TestSupport::writeFile(data + "saved", "the export saved last week"));
            arguments << data + "saved";
        } else {
            ScriptedPlatform platform;
            DatabaseFixture persons(DatabaseFixture::Content::Persons);
            QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
            modCalendar::MonthSelection months{};
            for (auto& year : months)
                year.fill(true);
            QCOMPARE(modCalendar::SaveCalendar(
                         data, months, [](const QString&) { return true; }, nullptr),
                     QString());
            arguments << data;
        }
        const QMap<QString, QByteArray> before = contents(data);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(helper(), arguments);
        QVERIFY(process.waitForFinished(120000));
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(output.startsWith("result 0\n"), qPrintable(output));
        QVERIFY2(output.contains("\nerror: ") || output.contains("\nmessage: "), qPrintable(output));
        // Nothing was replaced, truncated or left behind beside it.
        QCOMPARE(contents(data).keys(), before.keys());
        QVERIFY(contents(data) == before);
    }
};

ADDRION_TEST_MAIN(TestCrash)
#include "tst_crash.moc"
