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

// The contact editor without its windows: the typed date of birth, the phone and
// e-mail entries with their display and description rules, and saving a person with
// its lists.
namespace modContact {

// ---- Date of birth ----

// The input mask of the date box for a date format setting: year first for
// "yyyy/mm/dd", day or month first for anything else; "_" marks an empty place.
QString DateMask(const QString& dateFormat);

enum class DateState
{
    Empty,   // nothing typed: stored as Null
    Valid,   // a real calendar date
    Invalid, // typed, but not a date
};

struct TypedDate
{
    DateState state = DateState::Empty;
    // month/day/year as reassembled from the box (Valid and Invalid only).
    QString monthDayYear;
};

// Reads the date box's displayed text (with its "/" and "_"): the "_" are dropped, the
// three parts are put into month/day/year order for the date format, and the result is
// checked. An unknown date format leaves the parts in the order typed.
TypedDate ReadTypedDate(const QString& boxText, const QString& dateFormat);

// A birthday without a year, typed as day and month in the order of the date format
// ("14/04" for dd/mm/yyyy, "04/14" for the others), with the mask and the format shown.
QString MonthDayMask();
QString MonthDayFormat(const QString& dateFormat);
QString MonthDayText(const modPersonDetail::MonthDay& birthday, const QString& dateFormat);
struct TypedMonthDay
{
    DateState state = DateState::Empty;
    std::optional<modPersonDetail::MonthDay> birthday; // Valid only
};
TypedMonthDay ReadTypedMonthDay(const QString& boxText, const QString& dateFormat);
// The day and month typed so far in a box of either mask, for the other mask: "14/04" from
// "14/04/1970" and back with the year left empty.
QString DayAndMonthOf(const QString& boxText, const QString& dateFormat, bool withYear);

// ---- Phone and e-mail entries ----

// An entry of the editor's lists: what the list shows and the bare number or address.
struct Entry
{
    QString text;
    QString tag;
};

// The entry an entry dialog makes of what was typed: without a description the number
// is shown exactly as typed, with one as trimmed number + " (" + description + ")";
// the tag is the trimmed number.
Entry TypedEntry(const QString& value, const QString& description);
// The description inside an entry's text, found by position after the tag and " (";
// empty when the text is no longer than the tag.
QString DescriptionOf(const QString& text, const QString& tag);
bool HasDescription(const QString& text, const QString& tag);

// A number is accepted when it has more than blanks; an e-mail address when it has any
// character at all.
bool NumberAcceptable(const QString& typed);
bool EmailAcceptable(const QString& typed);

// Whether an address's text names a mail service whose profile pages the Website
// command can open, and the page it opens for the entry.
// False while the service's profile address is not known.
bool HasProfilePage(const QString& text);
QString ProfilePage(const QString& text, const QString& tag);
// The profile addresses, each ending in "/": first for addresses of hotmail and msn,
// second for yahoo. Both are empty unless set here.
void SetProfileBases(const QString& first, const QString& second);

// ---- Saving ----

// What the editor holds when OK is pressed, as typed.
struct Contact
{
    QString name;
    QString dateOfBirth; // month/day/year, empty for none
    QString address;
    QString note;
    std::vector<Entry> phones; // in list order
    std::vector<Entry> emails;
    // Kept beside the spec's tables (modPersonDetail).
    std::optional<modPersonDetail::MonthDay> birthday; // without a year; dateOfBirth is empty then
    QString organisation;
    QString title;
    QByteArray photo; // image file bytes, empty for none
    QStringList groups{};
};

// The date of birth in a statement: a #month/day/year# literal, or Null.
QString DateSql(const QString& monthDayYear);
QString InsertPersonSql(qint16 contactnr, const Contact& contact);
QString UpdatePersonSql(qint16 contactnr, const Contact& contact);
QString InsertPhoneSql(qint16 contactnr, int order, const Entry& entry);
QString InsertEmailSql(qint16 contactnr, int order, const Entry& entry);
QString DeletePhonesSql(qint16 contactnr);
QString DeleteEmailsSql(qint16 contactnr);

// Every statement that stores a new or an existing person, in the order they run.
QStringList NewPersonStatements(qint16 contactnr, const Contact& contact);
QStringList ExistingPersonStatements(qint16 contactnr, const Contact& contact);
// The statements that remove a person with all its numbers and addresses.
QStringList RemovePersonStatements(qint16 contactnr);

// Gives the person the lowest free number and stores it with its lists, all in one
// transaction; nothing when every number is taken (nothing is written then). Throws
// Engine::EngineError, and then the database is as it was.
std::optional<qint16> SaveNewPerson(const Contact& contact);
// Stores the person under its number, replacing its lists; all or nothing. Throws
// Engine::EngineError.
void SaveExistingPerson(qint16 contactnr, const Contact& contact);

} // namespace modContact
