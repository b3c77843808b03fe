#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

// Crash safety: a helper process saves, removes, or saves and closes with compaction in
// a loop and is killed with SIGKILL at a random moment; every time the file must be
// intact and hold each person whole, as one save left it. Then two processes on one
// file: this one writing while the real program's reminder reads and compacts.
class TestCrash : public QObject
{
    Q_OBJECT

    static constexpr int Rounds = 20;

    static QString helper()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/reliability_crashhelper");
    }

    // What a check of the file found; empty when it is whole.
    struct Check
    {
        QString problem;
        int persons = 0;
    };

    // Integrity of the file and of every person: the name tells the generation and how
    // many phones and addresses that save wrote; every entry must carry the same
    // generation, and no entry may belong to nobody.
    static Check CheckFile(const QString& path)
    {
        Check check;
        try {
            Engine::Connection connection;
            connection.Open(path); // rolls back what a killed writer left in its journal
            Engine::Recordset integrity = connection.OpenRecordset(QStringLiteral("PRAGMA integrity_check"));
            if (integrity.Eof() || integrity.Fields(0).toString() != QLatin1String("ok")) {
                check.problem =
                    QStringLiteral("integrity: ") + (integrity.Eof() ? QString() : integrity.Fields(0).toString());
                return check;
            }
            static const QRegularExpression nameRule(QStringLiteral("^Crash (\\d+) phones (\\d+) emails (\\d+)$"));
            struct Expected
            {
                QString generation;
                int phones;
                int emails;
            };
            QHash<int, Expected> persons;
            for (Engine::Recordset rs = connection.OpenRecordset(QStringLiteral("SELECT Contactnr, Name FROM Person"));
                 !rs.Eof(); rs.MoveNext()) {
                const QString name = rs.Fields(1).toString().trimmed();
                const QRegularExpressionMatch match = nameRule.match(name);
                if (!match.hasMatch()) {
                    check.problem = QStringLiteral("unexpected name: ") + name;
                    return check;
                }
                persons.insert(rs.Fields(0).toInt(),
                               Expected{match.captured(1), match.captured(2).toInt(), match.captured(3).toInt()});
            }
            check.persons = persons.size();
            for (const QString& table : {QStringLiteral("Phone"), QStringLiteral("Email")}) {
                const QString column = table == QLatin1String("Phone") ? QStringLiteral("[Number]") : table;
                QHash<int, int> counts;
                for (Engine::Recordset rs = connection.OpenRecordset(QStringLiteral("SELECT Contactnr, ") + column +
                                                                     QStringLiteral(" FROM ") + table);
                     !rs.Eof(); rs.MoveNext()) {
                    const int contactnr = rs.Fields(0).toInt();
                    const QString value = rs.Fields(1).toString().trimmed();
                    if (!persons.contains(contactnr)) {
                        check.problem = table + QStringLiteral(" entry without person: ") + value;
                        return check;
                    }
                    if (!value.startsWith(QLatin1Char('g') + persons.value(contactnr).generation + QLatin1Char('-'))) {
                        check.problem = table + QStringLiteral(" entry of another save: ") + value;
                        return check;
                    }
                    ++counts[contactnr];
                }
                for (auto it = persons.cbegin(); it != persons.cend(); ++it) {
                    const int wanted = table == QLatin1String("Phone") ? it->phones : it->emails;
                    if (counts.value(it.key()) != wanted) {
                        check.problem = QStringLiteral("person %1 has %2 of %3 %4 entries")
                                            .arg(it.key())
                                            .arg(counts.value(it.key()))
                                            .arg(wanted)
                                            .arg(table);
                        return check;
                    }
                }
            }
        } catch (const Engine::EngineError& error) {
            check.problem = QStringLiteral("engine error: ") + error.description();
        }
        return check;
    }

    // Starts the helper, lets it finish a random number of steps, kills it and returns
    // the steps it reported; -1 when it stopped by itself (then its stderr is in *errors).
    static int RunAndKill(const QString& mode, const QString& path, QString* errors)
    {
        QProcess process;
        process.start(helper(), {mode, path});
        if (!process.waitForStarted())
            return -1;
        const int wanted = QRandomGenerator::global()->bounded(1, 40);
        int steps = 0;
        QByteArray pending;
        while (steps < wanted) {
            if (!process.waitForReadyRead(60000))
                break;
            pending += process.readAllStandardOutput();
            steps = int(pending.count("step "));
        }
        if (process.state() == QProcess::NotRunning) {
            *errors = QString::fromLocal8Bit(process.readAllStandardError());
            return -1;
        }
        // Sometimes at once, sometimes after letting the next step begin.
        if (QRandomGenerator::global()->bounded(2) == 1)
            process.waitForReadyRead(5);
        process.kill(); // SIGKILL
        process.waitForFinished();
        return steps;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(helper()).isExecutable(), "the crash helper is not built");
        QVERIFY2(QFileInfo(TestSupport::executable()).isExecutable(), "the program is not built");
    }

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
        const QString path = dir.filePath(QStringLiteral("crash.mdb"));
        QVERIFY(modDatabase::NewDatabase(path));
        modDatabase::CloseDatabase(false);
        int totalSteps = 0;
        int lastPersons = 0;
        for (int round = 1; round <= Rounds; ++round) {
            QString errors;
            const int steps = RunAndKill(mode, path, &errors);
            QVERIFY2(steps >= 0, qPrintable(QStringLiteral("round %1: the helper stopped: %2").arg(round).arg(errors)));
            totalSteps += steps;
            const Check check = CheckFile(path);
            QVERIFY2(check.problem.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(check.problem)));
            if (mode == QLatin1String("save")) {
                // A reported step was committed: the file keeps at least the persons
                // saved as new up to then (two of every three steps).
                QVERIFY2(check.persons >= lastPersons + steps * 2 / 3,
                         qPrintable(QStringLiteral("round %1: %2 persons after %3 more steps, %4 before")
                                        .arg(round)
                                        .arg(check.persons)
                                        .arg(steps)
                                        .arg(lastPersons)));
            }
            lastPersons = check.persons;
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
        const QString path = modEnvironment::PersonalFolder() + QString::fromLatin1(modDatabase::DefaultFileName);
        QFile::remove(path);
        QVERIFY(QDir().mkpath(modEnvironment::PersonalFolder()));
        QVERIFY(modDatabase::NewDatabase(path));
        modSettings::WriteSetting(QStringLiteral("Default database"), path);
        modSettings::WriteSetting(QStringLiteral("Reminder Since"), QStringLiteral("3"));
        const QDate today = QDate::currentDate();
        // Persons born today, so that the reminder has rows to show and echo.
        for (int i = 1; i <= 5; ++i)
            modSql::ExecuteSql(
                QStringLiteral(
                    "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (%1, 'Birthday %1', #%2/%3/%4#)")
                    .arg(i)
                    .arg(today.month())
                    .arg(today.day())
                    .arg(today.year() - 20 - i));

        int written = 0;
        for (int run = 0; run < 4; ++run) {
            QProcess reminder;
            reminder.start(TestSupport::reminderEcho(), {QStringLiteral("/Reminder")});
            QVERIFY(reminder.waitForStarted());
            // Write until the reminder has finished (bounded, in case it never does).
            for (int i = 0; i < 400 && reminder.state() != QProcess::NotRunning; ++i) {
                try {
                    modContact::Contact contact;
                    contact.name = QStringLiteral("Writer %1").arg(written);
                    contact.phones.push_back(modContact::TypedEntry(QStringLiteral("0%1").arg(written), QString()));
                    const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
                    QVERIFY(contactnr);
                    contact.note = QString(5000, QLatin1Char('x'));
                    modContact::SaveExistingPerson(*contactnr, contact);
                    if (written % 3 == 0) {
                        modDatabase::CloseDatabase(true);
                        QVERIFY(modDatabase::OpenDatabase(path));
                    }
                } catch (const Engine::EngineError& error) {
                    QFAIL(qPrintable(
                        QStringLiteral("the writer met: %1 %2").arg(error.number()).arg(error.description())));
                }
                ++written;
                reminder.waitForFinished(1);
            }
            if (reminder.state() != QProcess::NotRunning && !reminder.waitForFinished(120000)) {
                reminder.kill();
                reminder.waitForFinished();
                QFAIL(qPrintable(QStringLiteral("run %1: the reminder hangs (a message box?) after %2 writes: %3 %4")
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
                QVERIFY2(output.contains(QStringLiteral("Birthday %1").arg(i)), qPrintable(output));
            const QString errors = QString::fromLocal8Bit(reminder.readAllStandardError());
            QVERIFY2(!errors.contains(QLatin1String("locked"), Qt::CaseInsensitive), qPrintable(errors));
        }
        modDatabase::CloseDatabase(true);
        QVERIFY(written > 0);
        Engine::Connection connection;
        connection.Open(path);
        QCOMPARE(connection.OpenRecordset(QStringLiteral("PRAGMA integrity_check")).Fields(0).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(
            connection.OpenRecordset(QStringLiteral("SELECT * FROM Person WHERE Name LIKE 'Writer %'")).RecordCount(),
            written);
        QCOMPARE(connection.OpenRecordset(QStringLiteral("SELECT * FROM Phone")).RecordCount(), written);
        QVERIFY(platform.messages().isEmpty());
    }
};

ADDRION_TEST_MAIN(TestCrash)
#include "tst_crash.moc"
