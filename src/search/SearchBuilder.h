// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Turns the criteria of the search window into the search state the contact list
// reads: a WHERE/AND condition text and the phone and e-mail flags.
namespace SearchBuilder {

// One criterion: the operator index of its list and the text of its box.
struct Criterion
{
    int op = 0;
    QString text;
};

struct Criteria
{
    Criterion name;  // 0 equal, 1 contains, 2 begins with, 3 ends with
    Criterion phone; // the same, 4 is filled in
    Criterion email; // the same as phone
    Criterion address;
    Criterion note; // 0 contains, 1 is filled in
    // The same operators as phone; only where the file keeps them (details below).
    Criterion organisation;
    Criterion title;
    int dateOp = 0; // 0 equal, 1 between, 2 before, 3 after, 4 is filled in
    // The date boxes as shown, prompts ("_") and "/" included.
    QString date1;
    QString date2;
    QString dateFormat; // "dd/mm/yyyy", "mm/dd/yyyy" or "yyyy/mm/dd"
    // The file has the table of what Person has no column for (organisations, titles): the
    // organisation and title criteria apply.
    bool details = false;
    // Some persons have a birthday without a year: a "between" of dates and "is filled in"
    // find them too.
    bool birthdaysWithoutYear = false;
};

struct Search
{
    bool datesValid = true; // false: a date box holds no valid date; nothing else is set
    QString condition;      // empty, or ending in a blank
    bool phoneActive = false;
    int phoneOperator = 0;
    QString phoneText;
    bool emailActive = false;

    // Something to show: a condition or a phone criterion.
    bool InForce() const { return !condition.isEmpty() || phoneActive; }
};

// The box text without its prompts; "" when nothing but the separators is left.
QString DateBoxText(const QString& shown);
// A typed date reordered to month/day/year for the date format.
QString ToMonthDayYear(const QString& typed, const QString& dateFormat);
// True for a real calendar date written month/day/year with a four-digit year.
bool IsValidMonthDayYear(const QString& monthDayYear);

// The birthdays without a year ("--04-14") that fall strictly between two dates, in the
// order of the days; every day of the year for a range of a year or more.
QStringList MonthDaysBetween(const QDate& after, const QDate& before);

Search Build(const Criteria& criteria);

} // namespace SearchBuilder
