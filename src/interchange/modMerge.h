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
// that merging the same again changes nothing. dateFormat is the setting "Date".
modContact::Contact Merged(const modVcard::Person& kept, const modVcard::Person& other, const modVcard::Limits& limits,
                           const QString& dateFormat);

// The person as the editor would save it.
modContact::Contact ToContact(const modVcard::Person& person);

} // namespace modMerge
