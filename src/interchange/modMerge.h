// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "editor/modContact.h"
#include "interchange/modVcard.h"

// The one rule by which two versions of a person become one without losing anything:
// an imported card and the person it matches, or two persons found to be one.
namespace modMerge {

// The column widths of the current database.
modVcard::Limits CurrentLimits();

// The stored person under contactnr, as a card would bring it. Throws
// Engine::EngineError.
modVcard::Person ReadPerson(qint16 contactnr);

// The kept person with what the other adds: numbers and e-mail addresses it lacks are
// added (beyond the list's capacity into the note), empty fields filled, and a
// differing name, date of birth, address or note kept in the note, labelled, once, so
// that merging the same again changes nothing. dateFormat is Setting::DateFormat.
modContact::Contact Merged(const modVcard::Person& kept, const modVcard::Person& other, const modVcard::Limits& limits,
                           const QString& dateFormat);

// What a number or an e-mail address is matched by between versions of a person: the
// digits of a number (its text when it has none), an address without regard to case.
QString EntryKey(const QString& value, bool phone);
// Whether two texts of a field say the same: line ends and the blanks around ignored.
bool SameText(const QString& a, const QString& b);
// The same groups in any order, ignoring case.
bool SameGroups(const QStringList& a, const QStringList& b);
// Whether two persons show the same: every field, and numbers and e-mail addresses in
// their order with descriptions that say the same in any language.
bool Same(const modVcard::Person& a, const modVcard::Person& here);

// Both sides' changes since a common version (base, the last card both agreed on):
// a field changed on one side only takes that side's version; numbers and e-mail
// addresses are matched by value, and a description changed on one side wins, a value
// removed on one side and unchanged on the other goes, a value added on either side is
// kept. Only what both changed differently is kept in the note, labelled, once; there
// the version here stays.
modContact::Contact MergedSince(const modVcard::Person& base, const modVcard::Person& here,
                                const modVcard::Person& there, const modVcard::Limits& limits,
                                const QString& dateFormat);

// The person as the editor would save it.
modContact::Contact ToContact(const modVcard::Person& person);

} // namespace modMerge
