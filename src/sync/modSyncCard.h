// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "interchange/modVcard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The cards a sync sends. A card on the server is usually richer than a person here
// (structured names, several typed addresses, a birthday without a year, photos,
// fields of other programs), so a person that changed here is written into the
// server's last card field by field: only the properties of a field that differs from
// what that card shows are written anew, every other line stays as it was.
namespace modSyncCard {

// The person a server's card shows here; what it has no place for stays in the card,
// nothing goes into the note. Nothing for a card that is no single vCard.
std::optional<modVcard::Person> PersonOf(const QByteArray& card, const modVcard::Limits& limits);
// The same for a card already read.
std::optional<modVcard::Person> PersonOf(const modVcard::Card& card, const modVcard::Limits& limits);

// The server's card with the fields in which now differs from what the card shows
// written anew: FN (and N where it was empty or made from the old name), BDAY, the
// shown ADR, the TEL and EMAIL lines matched by value (unchanged ones untouched, a new
// description changes only the type or label), NOTE, and REV where the card has one,
// taken from ourCard. A field that equals the card's reading of an older version of this
// program (addresses joined, extras in the note) counts as unchanged. Without a
// readable server card, ourCard as it is. The server's card byte for byte when
// nothing differs.
QByteArray Updated(const QByteArray& serverCard, const modVcard::Person& now, const QByteArray& ourCard,
                   const modVcard::Limits& limits);

// The hash that tells whether a person changed here: over our card without its REV.
QString Hash(const QByteArray& ourCard);

} // namespace modSyncCard
