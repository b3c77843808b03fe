#include "TestSupport.h"

#include "startup/modEnvironment.h"

#include <QProcess>
#include <QProcessEnvironment>

// Starts the real program as a user's session would.
class TestProcess : public QObject
{
    Q_OBJECT

    static QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

private slots:
    void reminderRunEndsByItself_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringList{"/Reminder"};
        QTest::newRow("blanks around") << QStringList{"  /Reminder  "};
        QTest::newRow("separate blank argument") << QStringList{"", "/Reminder"};
    }
    void reminderRunEndsByItself()
    {
        QFETCH(QStringList, arguments);
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(TestSupport::executable(), arguments);
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QVERIFY2(program.waitForFinished(60000), "the reminder run did not end by itself");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // Answered without a window system: a window or a database would need one and the
    // run would fail; the documents folder stays without a default database.
    void questionsAnsweredWithoutAWindow_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("version") << "--version"
                                 << "Addrion " ADDRION_VERSION;
        QTest::newRow("help") << "--help"
                              << "Usage: addrion [DATABASE | FILE.vcf | /Reminder | /Person N | --new-person]";
    }
    void questionsAnsweredWithoutAWindow()
    {
        QFETCH(QString, argument);
        QFETCH(QString, firstLine);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        const QString database = modEnvironment::PersonalFolder() + "Addrion.mdb";
        QFile::remove(database);
        QFile::remove(TestSupport::settingsFile());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(TestSupport::executable(), {argument});
        QVERIFY2(program.waitForFinished(60000), "the run did not end by itself");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()).section('\n', 0, 0), firstLine);
        QVERIFY(program.readAllStandardError().isEmpty());
        QVERIFY(!QFile::exists(database));
        QVERIFY(!QFile::exists(TestSupport::settingsFile()));
    }
};

ADDRION_TEST_MAIN(TestProcess)
#include "tst_process.moc"
