// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "MainWindowFixture.h"
#include "ReadOnlyFile.h"

#include "startup/SettingsFailureNotice.h"
#include "startup/modSettings.h"

#include <QSettings>

#include <algorithm>

using namespace TestSupport;

namespace {

struct Named
{
    SettingKey key;
    const char* name;
};

// The names the program has always stored its settings under: the settings files of every
// earlier version hold them, so none may change.
const QList<Named>& KnownNames()
{
    static const QList<Named> names{
        {Setting::Language, "Language"},
        {Setting::WindowState, "WindowState"},
        {Setting::DateFormat, "Date"},
        {Setting::FontSize, "Font Size"},
        {Setting::CheckVersion, "Check version"},
        {Setting::CheckVersionSince, "Check version Since"},
        {Setting::DefaultDatabase, "Default database"},
        {{Setting::RecentDatabase, 1}, "Recent 1"},
        {{Setting::RecentDatabase, 2}, "Recent 2"},
        {{Setting::RecentDatabase, 3}, "Recent 3"},
        {Setting::DatabaseDirectory, "Database directory"},
        {Setting::ExportDirectory, "Export directory"},
        {Setting::NameOrder, "List"},
        {Setting::SearchFullname, "SearchFullname"},
        {Setting::SearchDate, "SearchDate"},
        {Setting::SearchPhone, "SearchPhone"},
        {Setting::SearchEmail, "SearchEmail"},
        {Setting::SearchAddress, "SearchAddress"},
        {Setting::SearchNote, "SearchNote"},
        {Setting::SearchOrganisation, "SearchOrganisation"},
        {Setting::SearchTitle, "SearchTitle"},
        {Setting::ExportStyle, "Css"},
        {Setting::EmailSeparator, "Separator"},
        {Setting::EmailRecipient, "Email"},
        {Setting::LabelsKind, "Labels Kind"},
        {Setting::LabelsSheet, "Labels Sheet"},
        {Setting::LabelsEnvelope, "Labels Envelope"},
        {Setting::LabelsSender, "Labels Sender"},
        {Setting::LabelsFont, "Labels Font"},
        {Setting::LabelsFontSize, "Labels Font Size"},
        {Setting::LabelsCustom, "Labels Custom"},
        {Setting::CalendarStyle, "Css Calendar"},
        {Setting::WeekStart, "Week Start"},
        {Setting::BirthdayReminder, "Birthday reminder"},
        {Setting::ReminderSound, "Reminder Sound"},
        {Setting::ReminderSoundPath, "Reminder Sound Path"},
        {Setting::ReminderSince, "Reminder Since"},
        {{Setting::ReminderOnce, 1}, "Reminder Once 1"},
        {{Setting::ReminderOnce, 2}, "Reminder Once 2"},
        {{Setting::ReminderOnce, 3}, "Reminder Once 3"},
        {Setting::AutoSyncMinutes, "Synchronise every"},
        {{Setting::Certificate, QStringLiteral("dav.example.net:443")}, "Certificate dav.example.net:443"},
    };
    return names;
}

// The settings file as another reader sees it.
QStringList StoredNames()
{
    return QSettings(settingsFile(), QSettings::IniFormat).allKeys();
}

const char* const FailureText =
    "The settings could not be saved; changed options may be lost when the program closes:\n";

} // namespace

// The table of settings against the names and values on disk, and a settings file that cannot be written.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init() { clearSettings(); }

    // Each setting is stored under its old name, trimmed, read back from there and removed from there.
    void storedUnderItsName_data()
    {
        addColumns<int>("row");
        for (int row = 0; row < KnownNames().size(); ++row)
            QTest::newRow(KnownNames().at(row).name) << row;
    }
    void storedUnderItsName()
    {
        const auto [row] = fetch<int>("row");
        const SettingKey key = KnownNames().at(row).key;
        const QString name = QString::fromLatin1(KnownNames().at(row).name);
        QVERIFY(modSettings::Set(key, "  a value, with blanks  "));
        QCOMPARE(StoredNames(), QStringList{name});
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value(name).toString(),
                 QString("a value, with blanks"));
        {
            QSettings other(settingsFile(), QSettings::IniFormat);
            other.setValue(name, "written elsewhere");
        }
        QCOMPARE(modSettings::Get(key), QString("written elsewhere"));
        QVERIFY(modSettings::Remove(key));
        QCOMPARE(StoredNames(), QStringList());
    }

    // A setting added to the table without its name above would escape the check.
    void everySettingHasAKnownName()
    {
        QStringList unnamed;
        for (const SettingEntry& entry : SettingsTable) {
            const auto named = std::find_if(KnownNames().begin(), KnownNames().end(), [&entry](const Named& known) {
                return known.key.setting() == entry.setting;
            });
            if (named == KnownNames().end())
                unnamed << QString::fromLatin1(entry.name);
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
    }

    void defaultsFitTheirType()
    {
        for (const SettingEntry& entry : SettingsTable) {
            const QString value = QString::fromLatin1(entry.defaultValue);
            bool number = true;
            if (!value.isEmpty())
                value.toDouble(&number);
            if (entry.type == SettingType::Flag)
                QVERIFY2(value == "1" || value == "0", entry.name);
            else if (entry.type == SettingType::Number)
                QVERIFY2(number, entry.name);
        }
    }

    // Whatever keeps the file from being written, every write fails, nothing on disk changes, and
    // the user hears of it once. Once the file can be written again, the next write stores the
    // options changed meanwhile and is not told.
    void unwritableFile_data()
    {
        addColumns<bool, bool>("fileExists", "folderOnly");
        addRow("read-only file in a read-only folder", true, false);
        addRow("writable file in a read-only folder", true, true);
        addRow("no file yet, read-only folder", false, false);
    }
    void unwritableFile()
    {
        const auto [fileExists, folderOnly] = fetch<bool, bool>("fileExists", "folderOnly");
        ScriptedPlatform platform;
        SettingsFailureNotice notice;
        QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).absolutePath()));
        if (fileExists)
            QVERIFY(modSettings::Set(Setting::Language, "German"));
        const QByteArray before = readFile(settingsFile());
        {
            ReadOnlyFile readOnly(settingsFile(),
                                  folderOnly ? ReadOnlyFile::Lock::FolderOnly : ReadOnlyFile::Lock::FileAndFolder);
            if (!readOnly.ok())
                QSKIP("this machine cannot make a folder read-only");
            platform.expectMessage();
            QVERIFY(!modSettings::Set(Setting::Language, "French"));
            QVERIFY(!modSettings::Set(Setting::DateFormat, "mm/dd/yyyy"));
            QVERIFY(!modSettings::Remove(Setting::Language));
            QVERIFY(!modSettings::SetOn(Setting::CheckVersion, false));
            QCOMPARE(readFile(settingsFile()), before);
            QCOMPARE(QFile::exists(settingsFile()), fileExists);
            // In this run the options hold as changed.
            QCOMPARE(modSettings::Get(Setting::DateFormat), QString("mm/dd/yyyy"));
            QCOMPARE(platform.messages().size(), 1);
            QCOMPARE(platform.messages().first().title, QString("Error"));
            QCOMPARE(platform.messages().first().text, FailureText + settingsFile());
        }
        QVERIFY(modSettings::Set(Setting::FontSize, "10"));
        QCOMPARE(platform.messages().size(), 1);
        QCOMPARE(StoredNames(), (QStringList{"Check version", "Date", "Font Size"}));
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value("Date").toString(), QString("mm/dd/yyyy"));
    }

    // The main window's options write at each choice; the user is told once in the run.
    void windowTellsOnce()
    {
        MainWindowFixture fixture(MainWindowFixture::Options{});
        frmMain& window = fixture.window();
        {
            const QByteArray before = readFile(settingsFile());
            ReadOnlyFile readOnly(settingsFile());
            if (!readOnly.ok())
                QSKIP("this machine cannot make a file read-only");
            fixture.platform().expectMessage();
            controls<QAction>(&window, "mnuOptionsDateFormat").at(1)->trigger();
            control<QAction>(&window, "mnuOptionsFontSize10")->trigger();
            controls<QAction>(&window, "mnuOptionsDateFormat").at(2)->trigger();
            QCOMPARE(fixture.platform().messages().size(), 1);
            QCOMPARE(fixture.platform().messages().first().text, FailureText + settingsFile());
            QCOMPARE(readFile(settingsFile()), before);
            QVERIFY(controls<QAction>(&window, "mnuOptionsDateFormat").at(2)->isChecked());
        }
        control<QAction>(&window, "mnuOptionsFontSize8")->trigger();
        QCOMPARE(fixture.platform().messages().size(), 1);
        QCOMPARE(readSetting("Date"), QString("yyyy/mm/dd"));
    }
};

ADDRION_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
