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
    SamePhone = 4, // a number with the same last 8 digits, at least 6 digits long
};

struct Candidate
{
    qint16 contactnr = 0;
    QString name;
    QStringList phones;
    QStringList emails;
};

struct Group
{
    std::vector<qint16> contactnrs; // in the order of the candidates (by number)
    int reasons = 0;
};

// "Müller José" and "josé  MULLER" give the same key; "" for a name without letters
// or digits.
QString NameKey(const QString& name);
// The last 8 digits of a number; "" for a number of fewer than 6 digits.
QString PhoneKey(const QString& number);

// The groups of candidates linked by any reason, in the order of their first person's
// name; persons linked through others are one group.
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
    std::vector<std::pair<qint16, modVcard::Person>> kept;
    std::vector<std::pair<qint16, modVcard::Person>> removed;
    std::vector<std::pair<qint16, modPersonUid::Identity>> identities;
    std::vector<std::pair<qint16, QByteArray>> cards; // the cards the persons came from
    bool empty() const { return kept.empty() && removed.empty(); }
};

// The table of our own that keeps the UIDs of persons merged into others, so that a
// sync removes them from the server instead of bringing them back.
constexpr const char* MergedTableName = "MergedUid";
// The UIDs recorded there, sorted.
QStringList MergedUids();

// Merges each group into its kept person by the merge rule and removes the others, all
// in one transaction; the kept person keeps its UID and the others' UIDs are recorded.
// dateFormat is the setting "Date". Throws Engine::EngineError, and then nothing has
// been written.
Undo MergeGroups(const std::vector<Merge>& merges, const QString& dateFormat);
// Puts the persons back as they were, under their numbers and UIDs, and forgets their
// record as merged, in one transaction.
void UndoMerge(const Undo& undo);

} // namespace modDuplicates
