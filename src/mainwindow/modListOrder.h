// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The order of the main list: every person by name as the database's NOCASE collation
// orders them, a missing name first, equal names in the order the table gives them;
// exactly what "ORDER BY Name" returns. Sorting every name through the collation is
// the largest part of opening a full database, so the order found last is kept, in
// memory and in a file beside the user's cache, and only checked and mended: checking
// takes one comparison per person where sorting takes about fifteen.
namespace modListOrder {

// One person as the table was read.
struct Name
{
    qint16 contactnr = 0;
    bool isNull = false;
    QByteArrayView utf8; // the stored text, untrimmed
};

// Every person's number and name as the table holds them, in the table's order.
struct StoredNames
{
    StoredNames() = default;
    StoredNames(const StoredNames&) = delete; // the names point into the text
    StoredNames(StoredNames&&) = default;
    StoredNames& operator=(const StoredNames&) = delete;
    StoredNames& operator=(StoredNames&&) = default;

    QByteArray text; // every name, one after another
    std::vector<Name> names;
    bool onlyText = true; // false when a name is stored as a number or bytes
};
// Throws Engine::EngineError.
StoredNames ReadNames(Engine::Connection& connection);

// The positions in names of every person in list order. hint: contact numbers in an
// order found earlier, of this file or of none; the persons it places rightly keep
// their places, the others are sorted in. Any hint gives the same result.
std::vector<int> Order(const std::vector<Name>& names, const std::vector<qint16>& hint);

// The order last kept for the database file, or nothing.
std::vector<qint16> ReadHint(const QString& databasePath);
// Keeps the order for the next opening of the file; nothing happens when it cannot be
// written, as the order is only ever a hint.
void WriteHint(const QString& databasePath, const std::vector<qint16>& contactnrs);

} // namespace modListOrder
