// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonDetail.h"

#include "birthdays/LineWriter.h"
#include "startup/Platform.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

// The birthday calendar: 36 linked XHTML month pages (last, this and next year) in the
// private TEMP folder, styled by a copy of one of the style sheets in Calendar/, and
// the copying of chosen pages to a folder of the user's.
namespace modCalendar {

enum class WeekStart
{
    Monday,
    Sunday,
};

// "Sunday" means Sunday; every other stored value means Monday.
WeekStart WeekStartFromSetting(const QString& value);
QString WeekStartSetting(WeekStart weekStart);

// 200612.htm for December 2006.
QString PageFileName(int year, int month);
// The page in the TEMP folder.
QString PagePath(int year, int month);
// TEMP/calendar.css, the style sheet every page links to.
QString StyleSheetPath();

// The folder of the shipped styles (program folder + "Calendar/").
QString StyleFolder();
// The style names (file names without ".css") in the user's order of names.
QStringList StyleNames();
// The names of the style sheets (*.css) in folder, in the user's order of names.
QStringList StyleNamesIn(const QString& folder);
QString StyleFile(const QString& name);

// The month laid out in weeks from the week start: seven days per row, 0 for an empty cell.
QList<QList<int>> WeekRows(int year, int month, WeekStart weekStart);
// The seven full weekday names of the locale, from the week start on.
QStringList WeekdayNames(WeekStart weekStart, const QLocale& locale);
// The full name of a month (1 to 12) in the locale.
QString MonthName(int month, const QLocale& locale);

// A person shown in the calendar.
struct Birthday
{
    QString name;
    QDate dateofbirth; // a year of 2000 for a birthday without a year
    bool yearKnown = true;
};

// The statement that reads the persons born in a month, by day and name.
QString MonthQuery(int month);
// The persons born in the month; nothing when no database is open. Throws Engine::EngineError.
// withoutYear: every birthday without a year, read once for all months.
QList<Birthday> MonthBirthdays(int month, const std::vector<modPersonDetail::NamedBirthday>& withoutYear);

// What every page of one calendar shares.
struct CalendarOptions
{
    int currentYear = Platform::Today().year(); // the pages cover this year and the two beside it
    WeekStart weekStart = WeekStart::Monday;
    QLocale locale = QLocale::system();
};

// Writes the page of one month. birthdays are the persons born in that month; each day
// cell lists the persons of its day in the given order (at least three rows, filled up
// with empty ones), with the age they reach in the page year.
void WriteMonthPage(LineWriter& writer, int year, int month, const QList<Birthday>& birthdays,
                    const CalendarOptions& options);

// Copies a file over the destination, which is replaced only once the copy is complete.
// False with the reason in error on failure.
bool CopyFileReplacing(const QString& source, const QString& destination, QString* error);

// Makes TEMP/calendar.css a copy of the style. A missing style is replaced by the first
// one there is, and Setting::CalendarStyle names it from then on; without any style
// the pages stay unstyled. False with the reason in error when the copy failed.
bool CopyStyleSheet(const QString& name, QString* error);

// This year, the stored Setting::WeekStart and the user's locale.
CalendarOptions StoredOptions();

// Regenerates the whole calendar: the style named by Setting::CalendarStyle, then the 36 pages
// from the current database. Returns "" on success, else what went wrong; engine errors
// are thrown (Engine::EngineError) and end the run.
QString GenerateCalendar(WriteProgress* progress, const CalendarOptions& options = StoredOptions());
// Removes the style sheet copy and the 36 pages around the year from TEMP.
void DeleteCalendarFiles(int currentYear = Platform::Today().year());

// Which months to save: [0] last year, [1] this year, [2] next year; months 1 to 12 at 0 to 11.
using MonthSelection = std::array<std::array<bool, 12>, 3>;
// Asked for every destination that exists already: true to replace it.
using ReplaceQuestion = std::function<bool(const QString& path)>;

// The folder the saved calendar goes into: the chosen folder + "Calendar/".
QString SaveFolder(const QString& chosenFolder);
// Copies the style sheet and the ticked pages from TEMP into SaveFolder(chosenFolder),
// creating it; an existing file is replaced only when askReplace says so. Returns "" on
// success, else what went wrong (the copying stops there).
QString SaveCalendar(const QString& chosenFolder, const MonthSelection& months, const ReplaceQuestion& askReplace,
                     WriteProgress* progress, int currentYear = Platform::Today().year());

} // namespace modCalendar
