// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonDetail.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One person as every window shows it: read from the database, with the texts of its
// dates, age and work. Shared by the main window's details, the editor, the exports,
// the import and the duplicate finder.
namespace modPersonView {

// A phone or e-mail entry of the details lists.
struct ListEntry
{
    QString text; // number or address, followed by " (description)" when there is one
    QString tag;  // the bare number or address
};
ListEntry MakeListEntry(const QString& value, const QString& description);

struct PersonDetails
{
    qint16 contactnr = 0;
    QString name;    // trimmed
    QString caption; // the name as frame caption: every "&" doubled
    std::optional<QDate> dateOfBirth;
    QString address; // trimmed; empty when none is stored
    QString note;    // trimmed; empty when none is stored
    std::vector<ListEntry> phones;
    std::vector<ListEntry> emails;
    std::optional<modPersonDetail::MonthDay> birthday; // without a year; only without a date of birth
    QString organisation;
    QString title;
    QByteArray photo;
    QStringList groups;
};
// A birthday without a year as the chosen language writes a day: "April 14", "14. April".
QString BirthdayText(const modPersonDetail::MonthDay& birthday);
// The organisation row's text: "title, organisation", or whichever there is.
QString WorkText(const QString& title, const QString& organisation);

QString PersonSql(qint16 contactnr);
QString PhoneSql(qint16 contactnr); // in the stored order
QString EmailSql(qint16 contactnr); // in the stored order

// Everything about one person; nothing when there is no such person.
// Throws Engine::EngineError.
std::optional<PersonDetails> LoadPerson(qint16 contactnr);

// The age in whole years on the day given: 0 for a date of birth in that year or later;
// a birthday on that very day counts.
int GetAge(const QDate& dateOfBirth, const QDate& today);
int GetAge(const QDate& dateOfBirth);

// The date in one of the formats "dd/mm/yyyy", "mm/dd/yyyy", "yyyy/mm/dd"; any other
// format gives "".
QString FormatDate(const QDate& date, const QString& format);
// The date in the format of Setting::DateFormat.
QString DateOfBirthText(const QDate& date);

// The earliest year a typed date may have, in the editor and in the search alike: the
// oldest year the database format keeps.
constexpr int EarliestYear = 100;
// The date of month/day/year text: one or two digits for month and day, four for the
// year, and a real calendar date from EarliestYear on.
std::optional<QDate> ParseMonthDayYear(const QString& monthDayYear);

// The age label: "Age: 30" in the current language.
QString AgeCaption(int age);
// The age label after a change of language: the new "Age:" in front of everything from
// the old caption's first blank on.
QString RetranslateAgeCaption(const QString& caption);

} // namespace modPersonView
