#include "MainWindowFixture.h"

#include "birthdays/frmOptionsReminder.h"
#include "birthdays/modAutostart.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>

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

} // namespace

// Options > Birthday reminder, offscreen.
class TestOptionsReminder : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<frmOptionsReminder> m_window;

    void open()
    {
        m_window = std::make_unique<frmOptionsReminder>();
        m_window->show();
    }
    static void toggle(QCheckBox* check)
    {
        // Space on a check box, as a user without a mouse ticks it.
        QTest::keyClick(check, Qt::Key_Space);
    }
    static void store(const QString& key, const QString& value)
    {
        if (value.isNull())
            modSettings::DeleteSetting(key);
        else
            modSettings::WriteSetting(key, value);
    }
    static bool stored(const QString& key)
    {
        return QSettings(modSettings::StoreFile(), QSettings::IniFormat).contains(key);
    }
    QString enabledControls() const
    {
        QStringList names;
        const auto add = [&names](QWidget* widget, const QString& name) {
            if (widget->isEnabled())
                names << name;
        };
        add(m_window->fraSince, "fraSince");
        add(m_window->chkSince, "chkSince");
        add(m_window->txtSince, "txtSince");
        add(m_window->udSince, "udSince");
        add(m_window->lblDays.at(0), "lblDays0");
        add(m_window->fraOnce, "fraOnce");
        for (int i = 0; i < 3; ++i) {
            add(m_window->chkOnce.at(i), QString("chkOnce%1").arg(i));
            add(m_window->txtOnce.at(i), QString("txtOnce%1").arg(i));
            add(m_window->udOnce.at(i), QString("udOnce%1").arg(i));
            add(m_window->lblDays.at(i + 1), QString("lblDays%1").arg(i + 1));
        }
        add(m_window->chkSound, "chkSound");
        add(m_window->txtSound, "txtSound");
        add(m_window->cmdBrowse, "cmdBrowse");
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

    void loadsTheSettings_data()
    {
        QTest::addColumn<QString>("reminder");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("once2");
        QTest::addColumn<QString>("sound");
        QTest::addColumn<bool>("reminderTicked");
        QTest::addColumn<bool>("sinceTicked");
        QTest::addColumn<QString>("sinceText");
        QTest::addColumn<bool>("once2Ticked");
        QTest::addColumn<QString>("once2Text");
        QTest::addColumn<bool>("soundTicked");
        TestSupport::addRow("first-run defaults", "1", "2", QString(), "1", true, true, "2", false, "", true);
        TestSupport::addRow("switched off", "0", "3", "14", "0", false, true, "3", true, "14", false);
        TestSupport::addRow("not numbers are unticked", "1", "soon", "", "1", true, false, "", false, "", true);
    }
    void loadsTheSettings()
    {
        QFETCH(QString, reminder);
        QFETCH(QString, since);
        QFETCH(QString, once2);
        QFETCH(QString, sound);
        store("Birthday reminder", reminder);
        store("Reminder Since", since);
        store("Reminder Once 2", once2);
        store("Reminder Sound", sound);
        store("Reminder Sound Path", "/somewhere/chime.wav");
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
        QTest::addColumn<QStringList>("ticks"); // check boxes toggled after loading with everything unticked
        QTest::addColumn<QString>("enabled");
        QTest::newRow("reminder off") << QStringList{} << "";
        TestSupport::addRow("reminder on", QStringList{"chkBirthdayreminder"},
                            "fraSince chkSince fraOnce chkOnce0 chkOnce1 chkOnce2 chkSound");
        TestSupport::addRow("since", QStringList{"chkBirthdayreminder", "chkSince"},
                            "fraSince chkSince txtSince udSince lblDays0 fraOnce chkOnce0 chkOnce1 chkOnce2 chkSound");
        TestSupport::addRow(
            "second once and sound", QStringList{"chkBirthdayreminder", "chkOnce1", "chkSound"},
            "fraSince chkSince fraOnce chkOnce0 chkOnce1 txtOnce1 udOnce1 lblDays2 chkOnce2 chkSound txtSound "
            "cmdBrowse");
        TestSupport::addRow(
            "ticks kept but reminder off again",
            QStringList{"chkBirthdayreminder", "chkSince", "chkOnce2", "chkSound", "chkBirthdayreminder"}, "");
    }
    void checkBoxesEnableTheirControls()
    {
        QFETCH(QStringList, ticks);
        store("Birthday reminder", "0");
        store("Reminder Sound", "0");
        open();
        for (const QString& name : ticks) {
            QCheckBox* check = name == "chkOnce1"   ? m_window->chkOnce.at(1)
                               : name == "chkOnce2" ? m_window->chkOnce.at(2)
                                                    : m_window->findChild<QCheckBox*>(name);
            QVERIFY2(check, qPrintable(name));
            toggle(check);
        }
        QTEST(enabledControls(), "enabled");
    }

    void dayBoxesTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("refused");
        TestSupport::addRow("digits", "14", "14", 0);
        TestSupport::addRow("letters", "1a4b", "14", 2);
        TestSupport::addRow("minus and point", "-1.5", "15", 2);
        TestSupport::addRow("blank", "3 0", "30", 1);
    }
    void dayBoxesTakeDigitsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(int, refused);
        store("Birthday reminder", "1");
        store("Reminder Once 3", "");
        open();
        toggle(m_window->chkOnce.at(2));
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
        store("Birthday reminder", "1");
        store("Reminder Since", "12");
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
        store("Birthday reminder", "1");
        store("Reminder Since", "2");
        store("Reminder Once 1", "7");
        store("Reminder Once 3", "30");
        store("Reminder Sound", "1");
        store("Reminder Sound Path", "/old/chime.wav");
        open();
        toggle(m_window->chkSince);      // untick: the key goes
        toggle(m_window->chkOnce.at(2)); // untick
        toggle(m_window->chkOnce.at(1)); // tick with a typed day
        QTest::keyClicks(m_window->udOnce.at(1), "21");
        toggle(m_window->chkSound);
        m_window->txtSound->setText("/new/chime.wav");
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Accepted));
        QVERIFY(!stored("Reminder Since"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 1"), QString("7"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 2"), QString("21"));
        QVERIFY(!stored("Reminder Once 3"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound"), QString("0"));
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"), QString("/new/chime.wav"));
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QVERIFY(m_platform->callsOf("start").isEmpty());
    }

    void cancelStoresNothing()
    {
        store("Birthday reminder", "1");
        store("Reminder Since", "2");
        const QByteArray before = TestSupport::readFile(TestSupport::settingsFile());
        open();
        toggle(m_window->chkBirthdayreminder);
        toggle(m_window->chkOnce.at(0));
        QTest::keyClicks(m_window->udOnce.at(0), "9");
        QTest::mouseClick(m_window->cmdCancel, Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(TestSupport::readFile(TestSupport::settingsFile()), before);
        QVERIFY(m_platform->callsOf("start").isEmpty());
    }

    void switchingOffRemovesTheEntry()
    {
        modAutostart::EnableReminder();
        QVERIFY(QFile::exists(modAutostart::EntryFile()));
        open();
        QVERIFY(m_window->chkBirthdayreminder->isChecked());
        toggle(m_window->chkBirthdayreminder);
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("0"));
        QVERIFY(!QFile::exists(modAutostart::EntryFile()));
    }

    // Switching on shows the reminder at once, and that reminder already sees the
    // days chosen in the same go.
    void switchingOnWritesTheEntryAndShowsTheReminder()
    {
        const QString database = TestSupport::environment().root() + "/default.mdb";
        QVERIFY(TestSupport::writeFile(database, "exists"));
        store("Default database", database);
        store("Birthday reminder", "0");
        store("Reminder Since", "2");
        open();
        toggle(m_window->chkBirthdayreminder);
        m_window->udSince->setFocus();
        QTest::keyClick(m_window->udSince, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(m_window->udSince, "5");
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QVERIFY(!modAutostart::ReminderEntryOutdated());
        const QList<ScriptedPlatform::Call> started = m_platform->callsOf("start");
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.constFirst().arguments, QStringList{"/Reminder"});
        QCOMPARE(started.constFirst().title, QString("minimised"));
        QCOMPARE(m_platform->sinceAtStart, QString("5"));
    }

    void browseChoosesAndPlaysASound()
    {
        store("Birthday reminder", "1");
        store("Reminder Sound", "1");
        store("Reminder Sound Path", "/old/chime.wav");
        open();
        m_platform->expectOpenFileName("/music/bell.wav");
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        const QList<ScriptedPlatform::Call> dialogs = m_platform->callsOf("open");
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.constFirst().title, QString("Open"));
        QCOMPARE(dialogs.constFirst().arguments, QStringList{modEnvironment::ProgramFolder() + "Sound/"});
        QVERIFY(dialogs.constFirst().text.contains("*.wav"));
        const QList<ScriptedPlatform::Call> sounds = m_platform->callsOf("sound");
        QCOMPARE(sounds.size(), 1);
        QCOMPARE(sounds.constFirst().text, QString("/music/bell.wav"));

        // Cancelled: nothing changes and nothing plays.
        m_platform->expectOpenFileName(QString());
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        QCOMPARE(m_platform->callsOf("sound").size(), 1);
        QCOMPARE(modSettings::ReadSetting("Reminder Sound Path"), QString("/old/chime.wav"));
    }

    void openedFromTheMainWindow()
    {
        store("Birthday reminder", "1");
        store("Reminder Once 1", "7");
        frmMain mainWindow("/Reminder");
        RegisterWindows(mainWindow);
        bool seen = false;
        QTimer::singleShot(0, this, [&seen] {
            auto* dialog = qobject_cast<frmOptionsReminder*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = true;
            toggle(dialog->chkOnce.at(0));
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        mainWindow.mnuOptionsBirthdayreminder->trigger();
        QVERIFY(seen);
        QVERIFY(!stored("Reminder Once 1"));
    }
};

ADDRION_TEST_MAIN(TestOptionsReminder)
#include "tst_optionsreminder.moc"
