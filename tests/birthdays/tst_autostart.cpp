#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modAutostart.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QCoreApplication>
#include <QFile>

// The log-on entry that starts the reminder, and the reminder switch in the settings.
class TestAutostart : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> m_platform;

    static QString entryExec()
    {
        for (const QByteArray& line : TestSupport::readFile(modAutostart::EntryFile()).split('\n'))
            if (line.startsWith("Exec="))
                return QString::fromUtf8(line.mid(5));
        return {};
    }
    static QString existingDatabase()
    {
        const QString path = TestSupport::environment().root() + "/existing.mdb";
        TestSupport::writeFile(path, "any file will do: only its existence is asked");
        return path;
    }
    QList<QStringList> startedArguments() const
    {
        QList<QStringList> result;
        for (const ScriptedPlatform::Call& call : m_platform->callsOf("start")) {
            result << call.arguments;
            if (call.text != QCoreApplication::applicationFilePath())
                result << QStringList{"started another program: " + call.text};
        }
        return result;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(modAutostart::EntryFile());
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup() { m_platform.reset(); }

    // Desktop entries unescape the string first ("\\" to "\"), then the quoted argument
    // ("\"" to """ and so on); "%" alone would start a field code.
    void execLineQuotesThePath_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("exec");
        TestSupport::addRow("plain", "/opt/addrion/addrion", "\"/opt/addrion/addrion\" /Reminder");
        TestSupport::addRow("blanks", "/home/u/My Programs/addrion", "\"/home/u/My Programs/addrion\" /Reminder");
        TestSupport::addRow("double quote", "/home/u/a\"b/addrion", "\"/home/u/a\\\\\"b/addrion\" /Reminder");
        TestSupport::addRow("dollar and backtick", "/home/u/$x`y/addrion",
                            "\"/home/u/\\\\$x\\\\`y/addrion\" /Reminder");
        TestSupport::addRow("backslash", "/home/u/a\\b/addrion", "\"/home/u/a\\\\\\\\b/addrion\" /Reminder");
        TestSupport::addRow("percent", "/home/u/100%/addrion", "\"/home/u/100%%/addrion\" /Reminder");
        TestSupport::addRow("non-ASCII", "/home/jürgen/Programme/addrion",
                            "\"/home/jürgen/Programme/addrion\" /Reminder");
    }
    void execLineQuotesThePath()
    {
        QFETCH(QString, executable);
        QFETCH(QString, exec);
        QCOMPARE(modAutostart::ExecLine(executable), exec);
        QVERIFY(QString::fromUtf8(modAutostart::EntryText(executable)).contains("\nExec=" + exec + "\n"));
    }

    void entryNamesTheReminder()
    {
        const QString text = QString::fromUtf8(modAutostart::EntryText("/opt/addrion/addrion"));
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        QVERIFY(text.contains("\nName=Addrion Birthday reminder\n"));
    }

    // Only a switch from off to on shows the reminder at once, and only when there is a
    // default database for it to open.
    void enableWritesTheEntry_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("defaultDatabaseExists");
        QTest::addColumn<bool>("startsReminder");
        QTest::newRow("first run, no default database") << "" << false << false;
        QTest::newRow("first run, default database") << "" << true << true;
        QTest::newRow("off, default database") << "0" << true << true;
        QTest::newRow("off, default database gone") << "0" << false << false;
        QTest::newRow("already on") << "1" << true << false;
    }
    void enableWritesTheEntry()
    {
        QFETCH(QString, stored);
        QFETCH(bool, defaultDatabaseExists);
        QFETCH(bool, startsReminder);
        if (!stored.isEmpty())
            modSettings::WriteSetting("Birthday reminder", stored);
        modSettings::WriteSetting("Default database", defaultDatabaseExists
                                                          ? existingDatabase()
                                                          : TestSupport::environment().root() + "/gone.mdb");
        modAutostart::EnableReminder();
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QVERIFY(QFile::exists(modAutostart::EntryFile()));
        QCOMPARE(entryExec(), modAutostart::ExecLine(QCoreApplication::applicationFilePath()));
        QVERIFY(!modAutostart::ReminderEntryOutdated());
        QCOMPARE(startedArguments(), startsReminder ? QList<QStringList>{{"/Reminder"}} : QList<QStringList>{});
    }

    void disableRemovesTheEntry()
    {
        modAutostart::EnableReminder();
        QVERIFY(QFile::exists(modAutostart::EntryFile()));
        modAutostart::DisableReminder();
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("0"));
        QVERIFY(!QFile::exists(modAutostart::EntryFile()));
        QVERIFY(modAutostart::ReminderEntryOutdated());
        // Switching off twice is harmless.
        modAutostart::DisableReminder();
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("0"));
    }

    void outdatedEntries_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("outdated");
        QTest::newRow("missing") << QByteArray() << true;
        QTest::newRow("this program") << modAutostart::EntryText(QCoreApplication::applicationFilePath()) << false;
        QTest::newRow("program moved") << modAutostart::EntryText("/old/place/addrion") << true;
        TestSupport::addRow(
            "without the argument",
            QByteArray("[Desktop Entry]\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"), true);
        QTest::newRow("no Exec line") << QByteArray("[Desktop Entry]\nName=Addrion Birthday reminder\n") << true;
    }
    void outdatedEntries()
    {
        QFETCH(QByteArray, entry);
        if (!entry.isNull())
            QVERIFY(TestSupport::writeFile(modAutostart::EntryFile(), entry));
        QTEST(modAutostart::ReminderEntryOutdated(), "outdated");
    }

    // At every start of the main window.
    void startCheck_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("entryAfterwards");
        QTest::newRow("moved program is repaired") << "1" << modAutostart::EntryText("/old/place/addrion") << true;
        QTest::newRow("missing entry is written again") << "1" << QByteArray() << true;
        QTest::newRow("switched off stays off") << "0" << QByteArray() << false;
    }
    void startCheck()
    {
        QFETCH(QString, stored);
        QFETCH(QByteArray, entry);
        QFETCH(bool, entryAfterwards);
        modSettings::WriteSetting("Birthday reminder", stored);
        modSettings::WriteSetting("Default database", existingDatabase());
        if (!entry.isNull())
            QVERIFY(TestSupport::writeFile(modAutostart::EntryFile(), entry));
        modAutostart::CheckReminderAtStart();
        QCOMPARE(QFile::exists(modAutostart::EntryFile()), entryAfterwards);
        if (entryAfterwards)
            QCOMPARE(entryExec(), modAutostart::ExecLine(QCoreApplication::applicationFilePath()));
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), stored);
        // A repair is no switch from off to on: no reminder pops up.
        QVERIFY(startedArguments().isEmpty());
        QVERIFY(modSettings::ReadSetting("Reminder Since").isEmpty());
    }

    void firstRunSwitchesOnWithDefaults()
    {
        modAutostart::CheckReminderAtStart();
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QVERIFY(!modAutostart::ReminderEntryOutdated());
        QCOMPARE(modSettings::ReadSetting("Reminder Sound"), QString("1"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"),
                 modEnvironment::ProgramFolder() + "Sound/default.wav");
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("2"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 1"), QString("7"));
        QVERIFY(modSettings::ReadSetting("Reminder Once 2").isEmpty());
        // The user's later choices survive the next start.
        modSettings::WriteSetting("Reminder Since", "5");
        modAutostart::CheckReminderAtStart();
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("5"));
    }
};

ADDRION_TEST_MAIN(TestAutostart)
#include "tst_autostart.moc"
