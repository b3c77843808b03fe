// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

// The birthday reminder without its window: which days ahead it looks at, and the
// persons whose birthday falls on them.
namespace modReminder {

// A day setting as the reminder reads it: a whole number (blanks around it allowed),
// or nothing when the text is empty or not such a number.
std::optional<int> DayNumber(const QString& text);

// The day offsets to list, in order, from Setting::ReminderSince and the three
// Setting::ReminderOnce values: 0 to since, then the once values in ascending order,
// each once, that lie beyond the since window. Texts that are not numbers are left out.
std::vector<int> ReminderDays(const QString& since, const QString& once1, const QString& once2, const QString& once3);
// The same from the stored settings.
std::vector<int> ReminderDaysFromSettings();

// One row of the reminder list.
struct ReminderRow
{
    qint16 contactnr = 0;
    QString key;          // the contact-list key, "Person  12"
    QDate date;           // the birthday this year or next
    QString name;         // trimmed
    int age = 0;          // reached on that birthday
    bool ageKnown = true; // false for a birthday without a year
    bool today = false;
};

// The statement that finds the persons born on the day and month of a date.
QString BirthdaySql(const QDate& day);

// "dddd d mmmm" in the user's language: "Tuesday 31 December".
QString DateText(const QDate& date);

// The rows for the days ahead of today, in the order of days and then as the database
// returns them. A person appears once, on the first day found, however long the window
// (a window of a year or more would otherwise meet the same birthday twice).
// Throws Engine::EngineError.
std::vector<ReminderRow> CollectBirthdays(const std::vector<int>& days, const QDate& today);

} // namespace modReminder
