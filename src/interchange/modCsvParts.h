// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modExport.h"

#include <QString>
#include <QStringList>

#include <vector>

// A person's name and address in the parts other address books keep them in, and what
// their fixed columns cannot say, kept at the end of the note. Every split is exact:
// joined again, the parts give the text they came from, or the text stays whole.
namespace modCsvParts {

// ---- Names ----

struct NameParts
{
    QString prefix; // "Dr."
    QString first;
    QString middle;
    QString last;   // with its particles: "van der Berg"
    QString suffix; // "Jr."
};

// The parts of a name as a desktop address book fills them: "Last, First" at a comma,
// a title before and a suffix after, the words from a particle on ("van", "de", "von")
// the last name, a single word the first name.
NameParts SplitName(const QString& name);
// The name the parts make: "Prefix First Middle Last Suffix".
QString JoinName(const NameParts& parts);

// ---- Addresses ----

struct AddressParts
{
    QStringList streets; // up to three lines; the whole text when it has no known shape
    QString city;
    QString region; // a state or province
    QString postalCode;
    QString country;
};

// The parts of an address of lines: the street lines, a line "10115 Berlin" or
// "Springfield, IL 62701", and a country's name. An address of another shape is one
// street of all its lines.
AddressParts SplitAddress(const QString& address);
// The address the parts make, a line "City, Region Postal" where there is a region and
// "Postal City" where there is none: the text SplitAddress had.
QString JoinAddress(const AddressParts& parts);

// ---- What a fixed layout cannot say ----

// The fields of a person that the columns of a layout cannot hold as they are: the
// whole name where its parts join to another text, a birthday without a year, and
// every number or e-mail address with its description where the columns lose a
// description, the order, or a value.
struct KeptFields
{
    QString name;
    QString birthday; // "--MM-DD"
    std::vector<modExport::Entry> phones;
    std::vector<modExport::Entry> emails;
    bool IsEmpty() const { return name.isEmpty() && birthday.isEmpty() && phones.empty() && emails.empty(); }
};

// The note as written: the person's note, then a blank line and the kept fields under
// "[Addrion]", one "Name: ", "Birthday: ", "Phone: " or "E-mail: " line each, a value
// and its description parted by " | ".
QString NoteWithKept(const QString& note, const KeptFields& kept);
// The kept fields at the end of a note as NoteWithKept wrote them, and the note before
// them; false (and nothing set) where the note ends in no such block.
bool SplitKept(const QString& text, QString& note, KeptFields& kept);

} // namespace modCsvParts
