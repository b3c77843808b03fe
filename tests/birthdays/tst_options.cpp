#include "DataColumns.h"
#include "MainWindowFixture.h"

#include "birthdays/frmOptionsReminder.h"
#include "birthdays/modAutostart.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"

#include <QSettings>
#include <QSignalSpy>

using TestSupport::addRow;

namespace {

// Also notes what the settings said when the reminder process was started.
class RecordingPlatform : public ScriptedPlatform
{
public:
    bool startDetached(const QString& program, const QStringList& arguments, Platform::Show show) override
    {
        sinceAtStart = modSettings::ReadSetting("Reminder Since");
        return ScriptedPlatform::startDetached(program, arguments, show);
    }
    QString sinceAtStart;
};

void Store(const QString& key, const QString& value)
{
    if (value.isNull())
        modSettings::DeleteSetting(key);
    else
        modSettings::WriteSetting(key, value);
}

bool Stored(const QString& key)
{
    return QSettings(modSettings::StoreFile(), QSettings::IniFormat).contains(key);
}

// Space on a check box, as a user without a mouse ticks it.
void Toggle(QCheckBox* check)
{
    QTest::keyClick(check, Qt::Key_Space);
}

} // namespace

// The log-on entry that starts the reminder, the reminder switch in the settings, and
// Options > Birthday reminder offscreen.
class TestOptions : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<frmOptionsReminder> m_window;

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
    // The arguments of every program started; this program is the only one started.
    QList<QStringList> startedArguments() const
    {
        QList<QStringList> result;
        for (const ScriptedPlatform::Call& call : m_platform->callsOf("start"))
            result << (call.text == QCoreApplication::applicationFilePath() ? call.arguments
                                                                            : QStringList{"other: " + call.text});
        return result;
    }

    void open()
    {
        m_window = std::make_unique<frmOptionsReminder>();
        m_window->show();
    }
    QString enabledControls() const
    {
        QStringList names;
        const auto add = [&names](QWidget* widget, const QString& index = {}) {
            if (widget->isEnabled())
                names << widget->objectName() + index;
        };
        for (QWidget* widget : {(QWidget*)m_window->fraSince, (QWidget*)m_window->chkSince,
                                (QWidget*)m_window->txtSince, (QWidget*)m_window->udSince})
            add(widget);
        add(m_window->lblDays.at(0), "0");
        add(m_window->fraOnce);
        for (int i = 0; i < 3; ++i) {
            for (QWidget* widget : {(QWidget*)m_window->chkOnce.at(i), (QWidget*)m_window->txtOnce.at(i),
                                    (QWidget*)m_window->udOnce.at(i)})
                add(widget, QString::number(i));
            add(m_window->lblDays.at(i + 1), QString::number(i + 1));
        }
        for (QWidget* widget :
             {(QWidget*)m_window->chkSound, (QWidget*)m_window->txtSound, (QWidget*)m_window->cmdBrowse})
            add(widget);
        return names.join(' ');
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(modAutostart::EntryFile());
        m_platform = std::make_unique<RecordingPlatform>();
    }
    void cleanup()
    {
        m_window.reset();
        m_platform.reset();
    }

    // ---- the log-on entry ----

    // Desktop entries unescape the string first ("\\" to "\"), then the quoted argument
    // ("\"" to """ and so on); "%" alone would start a field code.
    void execLineQuotesThePath_data()
    {
        TestSupport::addColumns<QString, QString>({"executable", "exec"});
        addRow("plain", "/opt/addrion/addrion", "\"/opt/addrion/addrion\" /Reminder");
        addRow("blanks", "/home/u/My Programs/addrion", "\"/home/u/My Programs/addrion\" /Reminder");
        addRow("double quote", "/home/u/a\"b/addrion", "\"/home/u/a\\\\\"b/addrion\" /Reminder");
        addRow("dollar and backtick", "/home/u/$x`y/addrion", "\"/home/u/\\\\$x\\\\`y/addrion\" /Reminder");
        addRow("backslash", "/home/u/a\\b/addrion", "\"/home/u/a\\\\\\\\b/addrion\" /Reminder");
        addRow("percent", "/home/u/100%/addrion", "\"/home/u/100%%/addrion\" /Reminder");
        addRow("non-ASCII", "/home/jürgen/Programme/addrion", "\"/home/jürgen/Programme/addrion\" /Reminder");
    }
    void execLineQuotesThePath()
    {
        QFETCH(QString, executable);
        QFETCH(QString, exec);
        QCOMPARE(modAutostart::ExecLine(executable), exec);
        const QString text = QString::fromUtf8(modAutostart::EntryText(executable));
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        for (const QString& line : QStringList{"Type=Application", "Name=Addrion Birthday reminder", "Exec=" + exec})
            QVERIFY2(text.contains("\n" + line + "\n"), qPrintable(text));
    }

    // Only a switch from off to on shows the reminder at once, and only when there is a
    // default database for it to open.
    void enableWritesTheEntry_data()
    {
        TestSupport::addColumns<QString, bool, bool>({"stored", "defaultDatabaseExists", "startsReminder"});
        addRow("first run, no default database", "", false, false);
        addRow("first run, default database", "", true, true);
        addRow("off, default database", "0", true, true);
        addRow("off, default database gone", "0", false, false);
        addRow("already on", "1", true, false);
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
        QCOMPARE(entryExec(), modAutostart::ExecLine(QCoreApplication::applicationFilePath()));
        QVERIFY(!modAutostart::ReminderEntryOutdated());
        QCOMPARE(startedArguments(), startsReminder ? QList<QStringList>{{"/Reminder"}} : QList<QStringList>{});
    }

    void outdatedEntries_data()
    {
        TestSupport::addColumns<QByteArray, bool>({"entry", "outdated"});
        addRow("missing", QByteArray(), true);
        addRow("this program", modAutostart::EntryText(QCoreApplication::applicationFilePath()), false);
        addRow("program moved", modAutostart::EntryText("/old/place/addrion"), true);
        addRow("without the argument",
               QByteArray("[Desktop Entry]\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"),
               true);
        addRow("no Exec line", QByteArray("[Desktop Entry]\nName=Addrion Birthday reminder\n"), true);
    }
    void outdatedEntries()
    {
        QFETCH(QByteArray, entry);
        if (!entry.isNull())
            QVERIFY(TestSupport::writeFile(modAutostart::EntryFile(), entry));
        QTEST(modAutostart::ReminderEntryOutdated(), "outdated");
    }

    // At every start of the main window: a first run switches on with the defaults; an
    // entry that is missing or points elsewhere is written again while the reminder is
    // on. A repair is no switch from off to on: no reminder pops up.
    void startCheck_data()
    {
        TestSupport::addColumns<QString, QByteArray, bool>({"stored", "entry", "entryAfterwards"});
        addRow("first run", QString(), QByteArray(), true);
        addRow("moved program is repaired", "1", modAutostart::EntryText("/old/place/addrion"), true);
        addRow("missing entry is written again", "1", QByteArray(), true);
        addRow("switched off stays off", "0", QByteArray(), false);
    }
    void startCheck()
    {
        QFETCH(QString, stored);
        QFETCH(QByteArray, entry);
        QFETCH(bool, entryAfterwards);
        Store("Birthday reminder", stored);
        if (!stored.isNull()) // a first run with a default database would switch on
            modSettings::WriteSetting("Default database", existingDatabase());
        if (!entry.isNull())
            QVERIFY(TestSupport::writeFile(modAutostart::EntryFile(), entry));
        modAutostart::CheckReminderAtStart();
        QCOMPARE(QFile::exists(modAutostart::EntryFile()), entryAfterwards);
        if (entryAfterwards)
            QCOMPARE(entryExec(), modAutostart::ExecLine(QCoreApplication::applicationFilePath()));
        QVERIFY(startedArguments().isEmpty());
        if (!stored.isNull()) {
            QCOMPARE(modSettings::ReadSetting("Birthday reminder"), stored);
            QVERIFY(!Stored("Reminder Since"));
            return;
        }
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound"), QString("1"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"),
                 modEnvironment::ProgramFolder() + "Sound/default.wav");
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("2"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 1"), QString("7"));
        QVERIFY(!Stored("Reminder Once 2"));
        // The user's later choices survive the next start.
        modSettings::WriteSetting("Reminder Since", "5");
        modAutostart::CheckReminderAtStart();
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("5"));
    }

    // ---- the options window ----

    void loadsTheSettings_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString, bool, bool, QString, bool, QString, bool>(
            {"reminder", "since", "once2", "sound", "reminderTicked", "sinceTicked", "sinceText", "once2Ticked",
             "once2Text", "soundTicked"});
        addRow("first-run defaults", "1", "2", QString(), "1", true, true, "2", false, "", true);
        addRow("switched off", "0", "3", "14", "0", false, true, "3", true, "14", false);
        addRow("not numbers are unticked", "1", "soon", "", "1", true, false, "", false, "", true);
    }
    void loadsTheSettings()
    {
        QFETCH(QString, reminder);
        QFETCH(QString, since);
        QFETCH(QString, once2);
        QFETCH(QString, sound);
        Store("Birthday reminder", reminder);
        Store("Reminder Since", since);
        Store("Reminder Once 2", once2);
        Store("Reminder Sound", sound);
        Store("Reminder Sound Path", "/somewhere/chime.wav");
        open();
        QTEST(m_window->chkBirthdayreminder->isChecked(), "reminderTicked");
        QTEST(m_window->chkSince->isChecked(), "sinceTicked");
        QTEST(m_window->txtSince->text(), "sinceText");
        QTEST(m_window->chkOnce.at(1)->isChecked(), "once2Ticked");
        QTEST(m_window->txtOnce.at(1)->text(), "once2Text");
        QVERIFY(!m_window->chkOnce.at(0)->isChecked());
        QTEST(m_window->chkSound->isChecked(), "soundTicked");
        QCOMPARE(m_window->txtSound->text(), QString("/somewhere/chime.wav"));
    }

    void checkBoxesEnableTheirControls_data()
    {
        // ticks: check boxes toggled after loading with everything unticked
        TestSupport::addColumns<QStringList, QString>({"ticks", "enabled"});
        addRow("reminder off", QStringList{}, "");
        addRow("reminder on", QStringList{"chkBirthdayreminder"},
               "fraSince chkSince fraOnce chkOnce0 chkOnce1 chkOnce2 chkSound");
        addRow("since", QStringList{"chkBirthdayreminder", "chkSince"},
               "fraSince chkSince txtSince udSince lblDays0 fraOnce chkOnce0 chkOnce1 chkOnce2 chkSound");
        addRow("second once and sound", QStringList{"chkBirthdayreminder", "chkOnce1", "chkSound"},
               "fraSince chkSince fraOnce chkOnce0 chkOnce1 txtOnce1 udOnce1 lblDays2 chkOnce2 chkSound txtSound "
               "cmdBrowse");
        addRow("ticks kept but reminder off again",
               QStringList{"chkBirthdayreminder", "chkSince", "chkOnce2", "chkSound", "chkBirthdayreminder"}, "");
    }
    void checkBoxesEnableTheirControls()
    {
        QFETCH(QStringList, ticks);
        Store("Birthday reminder", "0");
        Store("Reminder Sound", "0");
        open();
        for (const QString& name : ticks)
            Toggle(name.startsWith("chkOnce") ? m_window->chkOnce.at(name.right(1).toInt())
                                              : m_window->findChild<QCheckBox*>(name));
        QTEST(enabledControls(), "enabled");
    }

    void dayBoxesTakeDigitsOnly_data()
    {
        TestSupport::addColumns<QString, QString, int>({"typed", "text", "refused"});
        addRow("digits", "14", "14", 0);
        addRow("letters", "1a4b", "14", 2);
        addRow("minus and point", "-1.5", "15", 2);
        addRow("blank", "3 0", "30", 1);
    }
    void dayBoxesTakeDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, refused);
        Store("Birthday reminder", "1");
        Store("Reminder Once 3", "");
        open();
        Toggle(m_window->chkOnce.at(2));
        QSignalSpy refusals(m_window.get(), &frmOptionsReminder::typingRefused);
        // Typed where the keyboard focus sends it: the up-down control with its box.
        m_window->udOnce.at(2)->setFocus();
        QTest::keyClick(m_window->udOnce.at(2), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(m_window->udOnce.at(2), Qt::Key_Backspace);
        QTest::keyClicks(m_window->udOnce.at(2), typed);
        QCOMPARE(m_window->txtOnce.at(2)->text(), text);
        QCOMPARE(refusals.count(), refused);
        // Typed straight into the text box, the same rule holds.
        QTest::keyClicks(m_window->txtOnce.at(2), "x");
        QCOMPARE(m_window->txtOnce.at(2)->text(), text);
        QCOMPARE(refusals.count(), refused + 1);
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Reminder Once 3"), text);
    }

    void backspaceAndUpDownWork()
    {
        Store("Birthday reminder", "1");
        Store("Reminder Since", "12");
        open();
        QSignalSpy refusals(m_window.get(), &frmOptionsReminder::typingRefused);
        m_window->udSince->setFocus();
        m_window->txtSince->end(false);
        QTest::keyClick(m_window->udSince, Qt::Key_Backspace);
        QCOMPARE(m_window->txtSince->text(), QString("1"));
        QTest::keyClick(m_window->udSince, Qt::Key_Up);
        QTest::keyClick(m_window->udSince, Qt::Key_Up);
        QCOMPARE(m_window->txtSince->text(), QString("3"));
        QTest::keyClick(m_window->udSince, Qt::Key_Down);
        QCOMPARE(m_window->txtSince->text(), QString("2"));
        QCOMPARE(refusals.count(), 0);
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("2"));
    }

    void okStoresTheChoices()
    {
        Store("Birthday reminder", "1");
        Store("Reminder Since", "2");
        Store("Reminder Once 1", "7");
        Store("Reminder Once 3", "30");
        Store("Reminder Sound", "1");
        Store("Reminder Sound Path", "/old/chime.wav");
        open();
        Toggle(m_window->chkSince);      // untick: the key goes
        Toggle(m_window->chkOnce.at(2)); // untick
        Toggle(m_window->chkOnce.at(1)); // tick with a typed day
        QTest::keyClicks(m_window->udOnce.at(1), "21");
        Toggle(m_window->chkSound);
        m_window->txtSound->setText("/new/chime.wav");
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Accepted));
        QVERIFY(!Stored("Reminder Since"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 1"), QString("7"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 2"), QString("21"));
        QVERIFY(!Stored("Reminder Once 3"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound"), QString("0"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"), QString("/new/chime.wav"));
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QVERIFY(startedArguments().isEmpty());
    }

    void cancelStoresNothing()
    {
        Store("Birthday reminder", "1");
        Store("Reminder Since", "2");
        const QByteArray before = TestSupport::readFile(TestSupport::settingsFile());
        open();
        Toggle(m_window->chkBirthdayreminder);
        Toggle(m_window->chkOnce.at(0));
        QTest::keyClicks(m_window->udOnce.at(0), "9");
        QTest::mouseClick(m_window->cmdCancel, Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(TestSupport::readFile(TestSupport::settingsFile()), before);
        QVERIFY(startedArguments().isEmpty());
    }

    // Switching off removes the entry; switching on writes it and shows the reminder at
    // once, and that reminder already sees the days chosen in the same go.
    void switching_data()
    {
        QTest::addColumn<bool>("on");
        addRow("off", false);
        addRow("on", true);
    }
    void switching()
    {
        QFETCH(bool, on);
        if (on)
            Store("Birthday reminder", "0");
        else
            modAutostart::EnableReminder();
        Store("Default database", existingDatabase());
        Store("Reminder Since", "2");
        open();
        QCOMPARE(m_window->chkBirthdayreminder->isChecked(), !on);
        Toggle(m_window->chkBirthdayreminder);
        m_window->udSince->setFocus();
        QTest::keyClick(m_window->udSince, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(m_window->udSince, "5");
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString(on ? "1" : "0"));
        QCOMPARE(QFile::exists(modAutostart::EntryFile()), on);
        QCOMPARE(modAutostart::ReminderEntryOutdated(), !on);
        QCOMPARE(startedArguments(), on ? QList<QStringList>{{"/Reminder"}} : QList<QStringList>{});
        if (on) {
            QCOMPARE(m_platform->callsOf("start").constFirst().title, QString("minimised"));
            QCOMPARE(m_platform->sinceAtStart, QString("5"));
        }
    }

    void browseChoosesAndPlaysASound()
    {
        Store("Birthday reminder", "1");
        Store("Reminder Sound", "1");
        Store("Reminder Sound Path", "/old/chime.wav");
        open();
        m_platform->expectOpenFileName("/music/bell.wav");
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        const QList<ScriptedPlatform::Call> dialogs = m_platform->callsOf("open");
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.constFirst().title, QString("Open"));
        QCOMPARE(dialogs.constFirst().arguments, QStringList{modEnvironment::ProgramFolder() + "Sound/"});
        QVERIFY(dialogs.constFirst().text.contains("*.wav"));
        QCOMPARE(m_platform->callsOf("sound").size(), 1);
        QCOMPARE(m_platform->callsOf("sound").constFirst().text, QString("/music/bell.wav"));

        // Cancelled: nothing changes and nothing plays.
        m_platform->expectOpenFileName(QString());
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        QCOMPARE(m_platform->callsOf("sound").size(), 1);
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"), QString("/old/chime.wav"));
    }

    void openedFromTheMainWindow()
    {
        Store("Birthday reminder", "1");
        Store("Reminder Once 1", "7");
        frmMain mainWindow("/Reminder");
        RegisterWindows(mainWindow);
        const auto seen = TestSupport::onModal<frmOptionsReminder>([](frmOptionsReminder* dialog) {
            Toggle(dialog->chkOnce.at(0));
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        mainWindow.mnuOptionsBirthdayreminder->trigger();
        QVERIFY(*seen);
        QVERIFY(!Stored("Reminder Once 1"));
    }
};

ADDRION_TEST_MAIN(TestOptions)
#include "tst_options.moc"
