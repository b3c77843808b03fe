#include "TestSupport.h"

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
};

ADDRION_TEST_MAIN(TestProcess)
#include "tst_process.moc"
