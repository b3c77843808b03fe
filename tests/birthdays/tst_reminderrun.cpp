#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modReminder.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

// The real program started with "/Reminder" at log-on, against the default database in
// the (private) documents folder.
class TestReminderRun : public QObject
{
    Q_OBJECT

    QDate m_today;

    static QString defaultDatabase()
    {
        return modEnvironment::PersonalFolder() + QString::fromLatin1(modDatabase::DefaultFileName);
    }

    static QByteArray littleEndian(quint32 value)
    {
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = char((value >> (8 * i)) & 0xff);
        return bytes;
    }

    struct Run
    {
        bool ended = false;
        int exitCode = -1;
        QString caption;
        QStringList lines;
        QString errors;
    };

    // Runs the program, or its entry with the echo seam; a run that shows its window
    // without the echo never ends by itself and is stopped after a minute.
    static Run runReminder(bool echo, const QString& show = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!show.isEmpty())
            environment.insert(Platform::ShowVariable, show);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(echo ? TestSupport::reminderEcho() : TestSupport::executable(), {"/Reminder"});
        Run run;
        if (!program.waitForStarted())
            return run;
        run.ended = program.waitForFinished(60000);
        if (!run.ended) {
            program.kill();
            program.waitForFinished();
            return run;
        }
        run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        run.lines = output.split('\n', Qt::SkipEmptyParts);
        // The echo starts with the window's caption.
        if (echo && !run.lines.isEmpty())
            run.caption = run.lines.takeFirst();
        run.errors = QString::fromLocal8Bit(program.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(TestSupport::executable()).isExecutable(), "the program is not built");
        TestSupport::clearSettings();
        ScriptedPlatform platform;
        m_today = QDate::currentDate();
        QVERIFY(QDir().mkpath(modEnvironment::PersonalFolder()));
        QVERIFY(modDatabase::NewDatabase(defaultDatabase()));
        addPersons({{1, "Anna & <Ärger>", m_today.addYears(-28)},
                    {2, "Bert", m_today.addDays(1).addYears(-40)},
                    {3, "Carl", m_today.addDays(20).addYears(-4)}});
        modDatabase::CloseDatabase(false);
        // As a first start of the main window leaves them, with the shipped chime.
        modSettings::WriteSetting("Birthday reminder", "1");
        modSettings::WriteSetting("Reminder Sound", "1");
        modSettings::WriteSetting("Reminder Sound Path",
                                  QFileInfo(TestSupport::executable()).absolutePath() + "/Sound/default.wav");
    }

    void shipsTheDefaultChime()
    {
        const QByteArray wave =
            TestSupport::readFile(QFileInfo(TestSupport::executable()).absolutePath() + "/Sound/default.wav");
        QVERIFY2(wave.size() > 44, "no Sound/default.wav beside the program");
        QCOMPARE(wave.left(4), QByteArray("RIFF"));
        QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
        // Uncompressed PCM, which every sound player takes.
        QCOMPARE(int(uchar(wave.at(20))), 1);
    }

    void birthdaysDueShowTheWindow()
    {
        modSettings::WriteSetting("Reminder Since", "2");
        modSettings::DeleteSetting("Reminder Once 1");
        const Run run = runReminder(true);
        QVERIFY2(run.ended, "the reminder window did not close");
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.caption, QString("Birthday reminder"));
        const QDate born = m_today.addYears(-28);
        QCOMPARE(
            run.lines,
            (QStringList{
                QStringList{"Person  1", modReminder::DateText(m_today), "Anna & <Ärger>",
                            QString::number(m_today.year() - born.year()), "red"}
                    .join('\t'),
                QStringList{"Person  2", modReminder::DateText(m_today.addDays(1)), "Bert",
                            QString::number(m_today.addDays(1).year() - m_today.addDays(1).addYears(-40).year()), ""}
                    .join('\t'),
                "window normal"}));
        // Closing compacted the file, which stays a database with its persons.
        QVERIFY(modDatabase::OpenDatabase(defaultDatabase()));
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Person").RecordCount(), 3);
        modDatabase::CloseDatabase(false);
    }

    // Closed while its chime is still loading, the process still ends: a sound left
    // loading at exit could keep it forever. A long chime keeps it loading.
    void closedWhileTheChimeLoads()
    {
        const QString chime = TestSupport::environment().temp() + "/long.wav";
        const QByteArray samples(8 * 1024 * 1024, '\0');
        QByteArray wave = "RIFF" + littleEndian(36 + samples.size()) + "WAVEfmt " + littleEndian(16) +
                          QByteArray("\x01\x00\x02\x00", 4) + littleEndian(44100) + littleEndian(44100 * 4) +
                          QByteArray("\x04\x00\x10\x00", 4) + "data" + littleEndian(samples.size());
        QVERIFY(TestSupport::writeFile(chime, wave + samples));
        modSettings::WriteSetting("Reminder Sound Path", chime);
        modSettings::WriteSetting("Reminder Since", "2");
        modSettings::DeleteSetting("Reminder Once 1");
        for (int run = 1; run <= 50; ++run) {
            const Run reminder = runReminder(true);
            QVERIFY2(reminder.ended, qPrintable(QString("run %1 did not end").arg(run)));
            QCOMPARE(reminder.exitCode, 0);
            QVERIFY(!reminder.lines.isEmpty()); // the window was shown, so the chime played
        }
        modSettings::WriteSetting("Reminder Sound Path",
                                  QFileInfo(TestSupport::executable()).absolutePath() + "/Sound/default.wav");
    }

    // A reminder started by another process of the program (at the switch of the
    // option, or Details) shows its window as that process asked.
    void startsAsAsked_data()
    {
        QTest::addColumn<QString>("show");
        QTest::addColumn<QString>("state");
        TestSupport::addRow("minimised", "minimised", "window minimised");
        TestSupport::addRow("nothing asked", "", "window normal");
    }
    void startsAsAsked()
    {
        QFETCH(QString, show);
        modSettings::WriteSetting("Reminder Since", "0");
        const Run run = runReminder(true, show);
        QVERIFY(run.ended);
        QTEST(run.lines.last(), "state");
    }

    // Without the echo a shown window would keep the process alive: ending by itself
    // with status 0 means nothing was shown.
    void nothingDueEndsByItself()
    {
        // The days themselves are the reminder tests' matter; here only the process counts.
        modSettings::DeleteSetting("Reminder Since");
        modSettings::WriteSetting("Reminder Once 1", "3");
        const Run run = runReminder(false);
        QVERIFY2(run.ended, "the reminder did not end by itself");
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.lines.isEmpty());
    }
};

ADDRION_TEST_MAIN(TestReminderRun)
#include "tst_reminderrun.moc"
