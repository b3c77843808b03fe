#include "TestSupport.h"

#include "startup/QtPlatform.h"

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

    // The process a second one is started by tells it through its environment how to
    // show its window; programs started otherwise hear nothing of it.
    void secondProcessHearsHowToShow_data()
    {
        QTest::addColumn<int>("show");
        QTest::addColumn<QByteArray>("heard");
        QTest::newRow("minimised") << int(Platform::Show::Minimised) << QByteArray("minimised.");
        QTest::newRow("normal") << int(Platform::Show::Normal) << QByteArray(".");
    }
    void secondProcessHearsHowToShow()
    {
        QFETCH(int, show);
        QFETCH(QByteArray, heard);
        const QString file = TestSupport::environment().root() + "/heard" + QTest::currentDataTag();
        QtPlatform platform;
        QVERIFY(platform.startDetached(
            "/bin/sh", {"-c", "printf '%s.' \"$ADDRION_SHOW\" > \"$0.part\" && mv \"$0.part\" \"$0\"", file},
            Platform::Show(show)));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 30000);
        QCOMPARE(TestSupport::readFile(file), heard);
    }
};

ADDRION_TEST_MAIN(TestProcess)
#include "tst_process.moc"
