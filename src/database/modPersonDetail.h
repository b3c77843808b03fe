// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// What a person holds beyond the columns of Person, Phone and Email: a birthday without
// a year, the organisation, the job title, a photo, and the card the person came from,
// kept whole so that what this program has no field for is never lost. They live in a
// table of our own beside the three tables, which keep their layout; a program that
// knows only those sees a person without a date of birth where the year is unknown.
namespace modPersonDetail {

constexpr const char* TableName = "PersonDetail";
// The groups a person belongs to (vCard's CATEGORIES), one row a group, in the card's order.
constexpr const char* GroupTableName = "PersonGroup";

// A day of the year without a year; 29 February is one.
struct MonthDay
{
    int month = 0;
    int day = 0;

    bool operator==(const MonthDay& other) const { return month == other.month && day == other.day; }
    bool operator!=(const MonthDay& other) const { return !(*this == other); }
    // How the table keeps it, as vCard writes a date without a year: "--04-14".
    QString Stored() const;
    // The day in a year; 29 February falls on 28 February outside leap years.
    QDate In(int year) const;
};
// A stored or typed "--04-14" (also "--0414"); nothing for anything else.
std::optional<MonthDay> ParseMonthDay(const QString& text);
// The day and month as the language writes them, without a year: "14 April", "14. April".
QString LongText(const MonthDay& birthday, const QLocale& locale);

// The largest photo kept, in bytes; a photo is stored as JPEG of at most PhotoSide pixels
// on its longer side.
constexpr int MaxPhotoBytes = 200 * 1024;
constexpr int PhotoSide = 512;

struct Detail
{
    bool exists = false; // the person has a row: this version has read or written it
    std::optional<MonthDay> birthday;
    QString organisation;
    QString title;
    QByteArray photo;   // image file bytes
    QByteArray card;    // the card the person came from, or its last state on the server
    QStringList groups; // in the person's order; read from PersonGroup
};

// The statements that make the table and its triggers (each does nothing when already there).
QStringList CreateStatements();
// Makes the table and triggers where they are missing; reads only when they are there.
// Throws Engine::EngineError.
void EnsureTable(Engine::Connection& connection);

// The person's details; an empty Detail when there is no row or no table. Throws
// Engine::EngineError.
Detail Read(Engine::Connection& connection, qint16 contactnr);
// The card kept for the person alone (empty when there is none): an import and a sync ask
// for it once per card.
QByteArray KeptCard(Engine::Connection& connection, qint16 contactnr);
// The details of the persons wanted, by person; photos and cards only when asked. where
// ("WHERE Contactnr IN(3, 4) ") leaves the rows of other persons unread.
QHash<qint16, Detail> ReadAll(Engine::Connection& connection, bool photos, bool cards,
                              const std::function<bool(qint16)>& wanted, const QString& where = QString());
// Every birthday without a year, by person.
QHash<qint16, MonthDay> Birthdays(Engine::Connection& connection);
// The persons with a birthday without a year and no date of birth (a full date wins), with
// their names trimmed, in number order.
struct NamedBirthday
{
    qint16 contactnr = 0;
    QString name;
    MonthDay birthday;
};
std::vector<NamedBirthday> BirthdaysWithoutYear(Engine::Connection& connection);
// Every organisation and title, by person, for lists and exports.
QHash<qint16, std::pair<QString, QString>> OrganisationsAndTitles(Engine::Connection& connection);
// Every kept card, by person.
QHash<qint16, QByteArray> Cards(Engine::Connection& connection);
// The content lines of a kept card with folded lines joined, without the line ends.
QStringList CardLines(const QByteArray& card);

// The statements that store the fields the person edits (the kept card stays as it is).
// A person without any of them keeps a row only while it has a kept card. The groups
// replace the person's groups (CleanGroups first). A person just added has nothing to
// replace or remove, and gets only what it has.
QStringList WriteStatements(qint16 contactnr, const std::optional<MonthDay>& birthday, const QString& organisation,
                            const QString& title, const QByteArray& photo, const QStringList& groups,
                            bool newPerson = false);

// ---- Groups ----

// Group names as a person keeps them: trimmed, inner blanks and line breaks made single
// blanks, empty ones and repeats (ignoring case) left out, the first spelling kept.
QStringList CleanGroups(const QStringList& groups);
// The groups typed in one box, parted by commas: "Family, Friends".
QStringList ParseGroups(const QString& text);
QString GroupsText(const QStringList& groups);

struct GroupUse
{
    QString name;
    int persons = 0;
};
// Every group in use with the number of its persons, in the list order of names; names
// that differ in case alone are one group.
std::vector<GroupUse> Groups(Engine::Connection& connection);
// The persons of a group.
QSet<qint16> GroupMembers(Engine::Connection& connection, const QString& group);
// The statements that give every person of a group another name for it (a person
// already in a group of that name keeps one), and that take a group from everybody.
QStringList RenameGroupStatements(const QString& from, const QString& to);
QStringList RemoveGroupStatements(const QString& group);
// The statements that keep the card the person came from.
QStringList KeepCardStatements(qint16 contactnr, const QByteArray& card);

} // namespace modPersonDetail
