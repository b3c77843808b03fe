// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonUid.h"
#include "interchange/modVcard.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// Finding persons that are probably one, and merging them into one by the merge rule.
namespace modDuplicates {

// Why persons are in one group; a group may have several reasons.
enum Reason
{
    SameName = 1,  // the same words ignoring case, accents and their order
    SameEmail = 2, // an e-mail address in common, ignoring case
    SamePhone = 4, // the same number, a national one and one with the country code alike; never alone
};

struct Candidate
{
    qint16 contactnr = 0;
    QString name;
    QStringList phones;
    QStringList emails;
};

// A person and those that match it directly: no one joins a group through another member.
struct Group
{
    std::vector<qint16> contactnrs; // the first person, then the others in the order of the candidates
    std::vector<int> memberReasons; // why each matches the first person (0 for the first itself)
    int reasons = 0;                // all of them
};

// "Müller José" and "josé  MULLER" give the same key; "" for a name without letters
// or digits.
QString NameKey(const QString& name);
// The last 7 digits of a number, where numbers that may be the same meet; "" for a
// number of fewer than 6 digits.
QString PhoneKey(const QString& number);
// Whether two numbers are one: the same digits, or a national number ("089 5551234", its
// leading 0 the national prefix) and the same with a country code of one to three digits
// ("+49 89 5551234", "0049 89 5551234"). Two numbers with the same last digits but other
// country codes or areas are not.
bool SameNumber(const QString& a, const QString& b);

// The groups of persons that match a first person directly by name or e-mail address, in
// the order of their first person's name. A shared number is a reason beside those, but
// never puts persons into a group by itself: families share numbers.
std::vector<Group> FindGroups(const std::vector<Candidate>& candidates);

// The groups among every person of the open database, with the names of the persons in
// them. Throws Engine::EngineError.
struct Found
{
    std::vector<Group> groups;
    QHash<qint16, QString> names; // trimmed
};
Found FindInDatabase();

// "Same name, same phone number"
QString ReasonText(int reasons);

// ---- Merging ----

struct Merge
{
    qint16 kept = 0;
    std::vector<qint16> others;
};

// The persons as they were before a merge, with their UIDs and revisions, to put them
// back.
struct Undo
{
    // The statements that put every row of the persons back as it was, byte for byte (a
    // Null stays Null, blanks stay, list positions keep their gaps).
    QStringList statements;
    std::vector<std::pair<qint16, modPersonUid::Identity>> identities;
    bool empty() const { return statements.isEmpty(); }
};

// The table of our own that keeps the UIDs of persons merged into others, so that a
// sync removes them from the server instead of bringing them back.
constexpr const char* MergedTableName = "MergedUid";
// The UIDs recorded there, sorted.
QStringList MergedUids();

// Merges each group into its kept person by the merge rule and removes the others, all
// in one transaction; the kept person keeps its UID and the others' UIDs are recorded.
// dateFormat is Setting::DateFormat. Throws Engine::EngineError, and then nothing has
// been written.
Undo MergeGroups(const std::vector<Merge>& merges, const QString& dateFormat);
// Puts the persons back as they were, under their numbers and UIDs, and forgets their
// record as merged, in one transaction.
void UndoMerge(const Undo& undo);

} // namespace modDuplicates
