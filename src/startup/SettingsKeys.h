// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

#include <cstddef>

// Every setting the program keeps, in one table: the name it is stored under, what kind
// of value it holds and the value the program gives it where it is missing. Code names a
// setting by its Setting, never by its stored name, so that a misspelt name cannot
// quietly make a second setting. The stored names and values are those the program has
// always written: settings files of earlier versions keep working.

enum class Setting
{
    // The program and its main window
    Language,
    WindowState,
    DateFormat,
    FontSize,
    CheckVersion,
    CheckVersionSince,
    // Databases and folders
    DefaultDatabase,
    RecentDatabase, // numbered 1 to modRecent::RecentCount, 1 the most recent
    DatabaseDirectory,
    ExportDirectory,
    NameOrder,
    // The search window: the chosen operator of each field, by its index in the list
    SearchFullname,
    SearchDate,
    SearchPhone,
    SearchEmail,
    SearchAddress,
    SearchNote,
    SearchOrganisation,
    SearchTitle,
    // Export, e-mail, labels
    ExportStyle,
    EmailSeparator,
    EmailRecipient,
    LabelsKind,
    LabelsSheet,
    LabelsEnvelope,
    LabelsSender,
    LabelsFont,
    LabelsFontSize,
    LabelsCustom,
    // Birthdays
    CalendarStyle,
    WeekStart,
    BirthdayReminder,
    ReminderSound,
    ReminderSoundPath,
    ReminderSince,
    ReminderOnce, // numbered 1 to 3

    // Synchronisation: minutes between automatic syncs, fractions allowed; 0 or missing: no
    // automatic sync. A setting of the user, not of the database file: how often this
    // machine may go to the network is theirs to say.
    AutoSyncMinutes,
    Certificate, // per server, as "host:port"
};
// The last of the enumeration, so that the check below finds a missing row.
inline constexpr Setting LastSetting = Setting::Certificate;

enum class SettingType
{
    Text,
    Flag,   // "1" on, "0" off
    Number, // digits, for some a decimal fraction
    Path,   // a file or a folder
};

// Where a path given as a default begins.
enum class SettingRoot
{
    None,
    ProgramFolder,
    PersonalFolder,
};

struct SettingEntry
{
    Setting setting;
    // The stored name; "%1" stands for the number or the part of a family of settings.
    const char* name;
    SettingType type;
    // What the program stores where the setting is missing or unusable (at the first
    // start, or when what is stored names nothing that exists); "" for none. Of a
    // numbered family, the default of its first member.
    const char* defaultValue;
    SettingRoot root;
};

// clang-format off
inline constexpr SettingEntry SettingsTable[] = {
    {Setting::Language,           "Language",            SettingType::Text,   "",                  SettingRoot::None},
    {Setting::WindowState,        "WindowState",         SettingType::Number, "",                  SettingRoot::None},
    {Setting::DateFormat,         "Date",                SettingType::Text,   "dd/mm/yyyy",        SettingRoot::None},
    {Setting::FontSize,           "Font Size",           SettingType::Number, "8",                 SettingRoot::None},
    {Setting::CheckVersion,       "Check version",       SettingType::Flag,   "1",                 SettingRoot::None},
    {Setting::CheckVersionSince,  "Check version Since", SettingType::Text,   "",                  SettingRoot::None},
    {Setting::DefaultDatabase,    "Default database",    SettingType::Path,   "",                  SettingRoot::None},
    {Setting::RecentDatabase,     "Recent %1",           SettingType::Path,   "",                  SettingRoot::None},
    {Setting::DatabaseDirectory,  "Database directory",  SettingType::Path,   "",                  SettingRoot::PersonalFolder},
    {Setting::ExportDirectory,    "Export directory",    SettingType::Path,   "",                  SettingRoot::PersonalFolder},
    {Setting::NameOrder,          "List",                SettingType::Text,   "",                  SettingRoot::None},
    {Setting::SearchFullname,     "SearchFullname",      SettingType::Number, "1",                 SettingRoot::None},
    {Setting::SearchDate,         "SearchDate",          SettingType::Number, "1",                 SettingRoot::None},
    {Setting::SearchPhone,        "SearchPhone",         SettingType::Number, "0",                 SettingRoot::None},
    {Setting::SearchEmail,        "SearchEmail",         SettingType::Number, "0",                 SettingRoot::None},
    {Setting::SearchAddress,      "SearchAddress",       SettingType::Number, "1",                 SettingRoot::None},
    {Setting::SearchNote,         "SearchNote",          SettingType::Number, "0",                 SettingRoot::None},
    {Setting::SearchOrganisation, "SearchOrganisation",  SettingType::Number, "",                  SettingRoot::None},
    {Setting::SearchTitle,        "SearchTitle",         SettingType::Number, "",                  SettingRoot::None},
    {Setting::ExportStyle,        "Css",                 SettingType::Text,   "Normal",            SettingRoot::None},
    {Setting::EmailSeparator,     "Separator",           SettingType::Text,   "",                  SettingRoot::None},
    {Setting::EmailRecipient,     "Email",               SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsKind,         "Labels Kind",         SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsSheet,        "Labels Sheet",        SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsEnvelope,     "Labels Envelope",     SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsSender,       "Labels Sender",       SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsFont,         "Labels Font",         SettingType::Text,   "",                  SettingRoot::None},
    {Setting::LabelsFontSize,     "Labels Font Size",    SettingType::Number, "10",                SettingRoot::None},
    {Setting::LabelsCustom,       "Labels Custom",       SettingType::Text,   "",                  SettingRoot::None},
    {Setting::CalendarStyle,      "Css Calendar",        SettingType::Text,   "Orange",            SettingRoot::None},
    {Setting::WeekStart,          "Week Start",          SettingType::Text,   "",                  SettingRoot::None},
    {Setting::BirthdayReminder,   "Birthday reminder",   SettingType::Flag,   "1",                 SettingRoot::None},
    {Setting::ReminderSound,      "Reminder Sound",      SettingType::Flag,   "1",                 SettingRoot::None},
    {Setting::ReminderSoundPath,  "Reminder Sound Path", SettingType::Path,   "Sound/default.wav", SettingRoot::ProgramFolder},
    {Setting::ReminderSince,      "Reminder Since",      SettingType::Number, "2",                 SettingRoot::None},
    {Setting::ReminderOnce,       "Reminder Once %1",    SettingType::Number, "7",                 SettingRoot::None},
    {Setting::AutoSyncMinutes,    "Synchronise every",   SettingType::Number, "",                  SettingRoot::None},
    {Setting::Certificate,        "Certificate %1",      SettingType::Text,   "",                  SettingRoot::None},
};
// clang-format on

inline constexpr std::size_t SettingCount = sizeof(SettingsTable) / sizeof(SettingsTable[0]);

namespace SettingsTableCheck {
// Each row sits at the place of its Setting, so a lookup is an index.
constexpr bool InOrder()
{
    for (std::size_t i = 0; i < SettingCount; ++i)
        if (static_cast<std::size_t>(SettingsTable[i].setting) != i)
            return false;
    return static_cast<std::size_t>(LastSetting) + 1 == SettingCount;
}
static_assert(InOrder(), "SettingsTable must list every Setting once, in the order of the enumeration");
} // namespace SettingsTableCheck

inline const SettingEntry& EntryOf(Setting setting)
{
    return SettingsTable[static_cast<std::size_t>(setting)];
}

// A setting by its Setting; one of a numbered family (Recent 1, Reminder Once 3) with its
// number, a certificate with its server.
class SettingKey
{
public:
    SettingKey(Setting setting) : m_setting(setting) {}
    SettingKey(Setting setting, int number) : m_setting(setting), m_part(QString::number(number)) {}
    SettingKey(Setting setting, const QString& part) : m_setting(setting), m_part(part) {}

    Setting setting() const { return m_setting; }
    const QString& part() const { return m_part; }

private:
    Setting m_setting;
    QString m_part;
};
