// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonDetail.h"
#include "export/modExport.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

class QIODevice;

#include <memory>
#include <optional>
#include <vector>

// vCard files (2.1, 3.0 and 4.0) as address books write them: reading a file into
// cards, turning a card into a person of this program, and writing persons as 3.0
// cards. Reading is a pure function of the file's bytes, so any input can be tried.
namespace modVcard {

// ---- Reading ----

struct Parameter
{
    QString name;       // upper case; a 2.1 bare word is filed under TYPE or ENCODING
    QStringList values; // quotes removed, comma lists split
};

struct Property
{
    int line = 0;  // where it begins in the file, from 1
    QString group; // "item1" of "item1.TEL", as written
    QString name;  // upper case
    std::vector<Parameter> parameters;
    // The value as text: quoted-printable and the character set undone, backslash
    // escapes still in place (they separate the parts of structured values).
    QString value;

    // Every value of the parameters of that name (upper case), in file order.
    QStringList Values(const QString& parameterName) const;
};

enum class Problem
{
    None,
    NoEnd,        // BEGIN:VCARD without its END:VCARD
    NotAProperty, // a line inside the card that is no property
    NoName,       // neither FN, N nor ORG give a name
};

struct Card
{
    int line = 0; // the line of BEGIN:VCARD
    std::vector<Property> properties;
    Problem problem = Problem::None;
    int problemLine = 0;
};

// Reads the cards of a file one at a time, good and bad, in file order: a file of any
// size needs the memory of about one card. Text outside cards is ignored.
class CardReader
{
public:
    explicit CardReader(QIODevice& device);
    ~CardReader();
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    // The next card, or nothing at the end of the file.
    std::optional<Card> Next();
    // How many bytes of the device have been read so far.
    qint64 BytesRead() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Every card of a file, good and bad, in file order.
std::vector<Card> ParseCards(const QByteArray& bytes);

// Backslash escapes undone: \n and \N are line breaks, \\ \, \; \: the character
// itself; any other backslash stays, so paths in old notes survive.
QString Unescape(const QString& value);
// The parts of a structured value split on unescaped separators, each unescaped.
QStringList SplitValue(const QString& value, QChar separator);

// ---- A card as a person ----

// The widths of the columns the person goes into; texts that do not fit go into the
// note instead.
struct Limits
{
    int name = 100;
    int number = 50;
    int email = 100;
    int description = 100;
    int entries = 255; // a list position is one byte
};

struct Person
{
    QString name;
    std::optional<QDate> dateOfBirth;
    QString address; // lines separated by "\n"
    QString note;
    std::vector<modExport::Entry> phones; // in file order
    std::vector<modExport::Entry> emails;
    QString uid;                                       // the card's UID exactly as given, "" when it has none
    std::optional<modPersonDetail::MonthDay> birthday; // a birthday without a year
    QString organisation;
    QString title;
    QByteArray photo;   // an image the card holds inline, as its file's bytes
    QStringList groups; // CATEGORIES, in the card's order
    // False for a person stored before this version knew those four fields: it has
    // none of them, yet its cards may, and they count as unchanged.
    bool detailsKnown = true;
};

// What a card holds beyond the person's fields is kept: in the note, labelled, for a
// card that is not kept (a row of a CSV file); in the card itself where the caller keeps
// it (an imported file's card, the server's card of a sync), and then the person shows
// only what it has a place for. InNote alone is how older versions read a card, with
// the birthday without a year, organisation and title in the note and no photo.
enum class Keeping
{
    Older,
    InNote,
    InCard,
};

// The person a card stands for: FN (or N, or the organisation) as name, BDAY (with or
// without a year), ADR (or LABEL), TEL and EMAIL with their type or label as
// description, NOTE, ORG, TITLE, PHOTO given inline. What has no place of its own
// (nickname, web addresses, further addresses, texts too long for their column) is added
// to the note, labelled, unless the card is kept; then the address is the preferred ADR
// or the first, and the rest stays in the card. dateFormat is Setting::DateFormat, for a
// birthday without year read the older way. Nothing, with the reason, for a card that
// cannot be imported.
std::optional<Person> ToPerson(const Card& card, const Limits& limits, const QString& dateFormat, Problem& problem,
                               Keeping keeping = Keeping::InNote);
// A name for the report of a skipped card: its FN or N, "" when it has none.
QString CardName(const Card& card);

// The vCard types a description names in English, in vCard's own words or in any
// shipped language ("Work Fax" and "Geschäftlich Fax" give WORK, FAX); empty when a
// word of it is no type. E-mail addresses know only HOME and WORK.
QStringList TypesOf(const QString& description, bool phone);
// Whether two descriptions say the same: equal, or the same types in any language.
bool SameDescription(const QString& a, const QString& b, bool phone);

// ---- Pieces of a card, as ToPerson reads them ----

// A text value unescaped, line breaks as "\n", trimmed.
QString PropertyText(const Property& property);
// The description of a TEL, EMAIL or ADR: its group's label, or its types in words.
QString DescriptionOf(const Card& card, const Property& property);
// An ADR as the lines of an address.
QString AddressOf(const Property& property);
// The number or address of a TEL or EMAIL, without "tel:" or "mailto:".
QString EntryValue(const Property& property);
// Marked preferred (TYPE=pref, or PREF=n in 4.0).
bool IsPreferred(const Property& property);
// False for types that describe nothing (PREF, VOICE, INTERNET, ...).
bool IsDescriptiveType(const QString& type);

// ---- Writing ----

// A parameter as written in a header ("TYPE=HOME,WORK"), values quoted where they must be.
QString ParameterText(const Parameter& parameter);
// The image a PHOTO holds inline (base64 in 2.1 and 3.0, a data: URI in 4.0), empty for a
// remote one or none.
QByteArray PhotoOf(const Property& property);
// The vCard 3.0 PHOTO line of an image ("PHOTO;ENCODING=b;TYPE=JPEG:...").
QString PhotoLine(const QByteArray& image);
// A card read from a file as text, to be kept: every property as read, in vCard 3.0
// lines (4.0 stays 4.0), quoted-printable and character sets undone.
QByteArray CardText(const Card& card);

// The value of N for a name kept whole: the last word as the family name.
QString NameValue(const QString& name);
// The value of ADR for the lines of an address: the street lines, "postcode city" and
// a country below it where the lines have that shape, else all lines as the street.
QString AddressValue(const QString& address);

// The lines of one person's vCard 3.0, folded at 75 octets. The name is always
// written (a card needs it); the other details as ticked.
void WriteCard(const modExport::ExportedPerson& person, const modExport::Details& details,
               const modExport::LineSink& write);
// The BDAY line of a birthday without a year: "BDAY:--0414".
QString BirthdayLine(const modPersonDetail::MonthDay& birthday);
// "CATEGORIES:Family,Friends\, old", each group escaped.
QString CategoriesLine(const QStringList& groups);
// The person an export reads, as a card would bring it.
Person FromExported(const modExport::ExportedPerson& exported);
// Backslash escapes for a text value: \\ \, \; and \n for line breaks.
QString Escape(const QString& text);
// A content line cut into lines of at most 75 octets of UTF-8, the later ones starting
// with a blank; characters are never cut.
QStringList Fold(const QString& line);

} // namespace modVcard
