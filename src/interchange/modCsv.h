// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modExport.h"
#include "interchange/modVcard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QIODevice;

// Comma-separated files as spreadsheets and web address books write them: reading a
// file into rows, recognising its layout by the header row, turning each row into a
// card for the vCard import, and writing persons in two layouts. Everything here is a
// pure function of its input.
namespace modCsv {

// ---- Reading ----

// The text of the file: UTF-8 (with or without byte order mark), UTF-16 with its byte
// order mark, otherwise Windows-1252.
QString Decode(const QByteArray& bytes);
// The separator of the header line: comma, semicolon or tab, whichever it has most of
// outside quotes; comma when it has none.
QChar DetectSeparator(const QString& text);

struct Record
{
    int line = 0; // where it begins in the file, from 1
    QStringList fields;
};

enum class Problem
{
    UnterminatedQuote, // a quoted field runs to the end of the file
    Ragged,            // a row with another number of fields than the header
    StrayQuote,        // a quotation mark inside a field that does not begin with one, or text after a closing one
};

struct FileProblem
{
    Problem problem = Problem::Ragged;
    int line = 0;
    int fields = 0; // Ragged: what the row has and what the header has
    int expected = 0;
};

struct Table
{
    QStringList header;
    std::vector<Record> rows; // blank lines left out
    std::vector<FileProblem> problems;
};

// The records of a text, quoted fields with separators, quotes ("") and line breaks
// inside them. Line endings may be CR LF, LF or CR.
std::vector<Record> SplitRecords(const QString& text, QChar separator, std::vector<FileProblem>& problems);

// The same, for a text given piece by piece: a file of any size needs the memory of
// about one record.
class RecordSplitter
{
public:
    explicit RecordSplitter(QChar separator);
    // Hands every record the piece completes to take; with last, also the one still open.
    void Feed(QStringView piece, bool last, const std::function<void(Record&&)>& take);
    // A quoted field that ran to the end, once the last piece was fed.
    const std::vector<FileProblem>& Problems() const { return m_problems; }

private:
    void EndRecord(const std::function<void(Record&&)>& take);
    void AddProblem(const FileProblem& problem);

    QChar m_separator;
    Record m_record;
    QString m_field;
    int m_line = 1;
    bool m_quoted = false;
    int m_quoteLine = 0;
    bool m_fieldStarted = false;
    // The character before, for a LF after a CR; a quote inside quotes whose meaning
    // the next character tells (a second quote, or the end of the field).
    QChar m_previous;
    bool m_quoteSeen = false;
    bool m_closed = false; // the field's closing quote has been read
    int m_strayLine = 0;   // the line of the last stray quote told
    std::vector<FileProblem> m_problems;
};

enum class Encoding
{
    Utf8,
    Utf16LE,
    Utf16BE,
    Windows1252,
};

// Reads the records of a CSV file from a device one at a time, decoded as given (the
// byte order mark of UTF-8 and UTF-16 skipped), split at separator.
class RecordReader
{
public:
    RecordReader(QIODevice& device, Encoding encoding, QChar separator);
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    std::optional<Record> Next();
    qint64 BytesRead() const;
    // True once bytes were met that are no UTF-8 (when reading UTF-8).
    bool InvalidText() const;
    const std::vector<FileProblem>& Problems() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A whole file read once, keeping only what the import needs before it starts: how it
// is decoded, its separator, the header, the first rows (for the mapping window) and the
// first problems. UTF-8 when all of it is, with a byte order mark UTF-16, otherwise
// Windows-1252. progress gets the part read (0 to 1) and stops the reading by returning
// false; cancelled is set then.
// What the dates of a column tell of their order: a day above 12 first proves day first,
// one second proves month first; dates with both parts up to 12 prove nothing.
struct DateEvidence
{
    bool dayFirst = false;
    bool monthFirst = false;
    bool either = false; // a date that reads both ways ("5/7/1965")
};
// Adds what a cell tells ("17/5/1965", "5.17.1965", "5-7-65").
void AddDateEvidence(DateEvidence& evidence, const QString& cell);

struct FileCheck
{
    Encoding encoding = Encoding::Utf8;
    QChar separator = QLatin1Char(',');
    QStringList header;
    std::vector<Record> firstRows;
    std::vector<FileProblem> problems; // the first of them, in line order
    std::vector<DateEvidence> dates;   // by column
    bool cancelled = false;
};
FileCheck CheckFile(QIODevice& device, const std::function<bool(double)>& progress = nullptr);
// A whole file: decoded, its separator found, split, and every row checked against
// the header. A table with problems must not be imported.
Table ReadTable(const QByteArray& bytes);

// ---- Layouts ----

enum class Layout
{
    Unknown,
    Google,      // "Name", "Given Name", "Family Name", "E-mail 1 - Type", "E-mail 1 - Value"
    GoogleLabel, // "First Name", "Last Name", "E-mail 1 - Label", "Phone 1 - Label", "Labels"
    Outlook,     // "First Name", "Last Name", "E-mail Address", "Home Phone", "Business Phone"
};

Layout Recognise(const QStringList& header);

enum class Role
{
    Ignore,
    Name,
    FirstName,
    MiddleName,
    LastName,
    DateOfBirth,
    Phone,
    PhoneLabel, // the description of the phone column of the same slot
    Email,
    EmailLabel,
    Address,
    AddressLabel,
    Note,
    Organisation,
    Title,      // the job title
    Nickname,   // kept in the note: a person has no field of its own for it
    NamePrefix, // "Dr.", before the first name
    NameSuffix, // "Jr.", after the last name
    Groups,     // Google's "Labels" (" ::: ", its own "* myContacts" left out), Outlook's "Categories" (";")
};

// Which part of an address a column holds, for layouts with a column per part; a line
// of its own otherwise.
enum class AddressPart
{
    Line,
    Street,
    City,
    Region,
    PostalCode,
    Country,
};

// What one column holds. Values of a column in the same slot as a label column take
// their description from that column, the others the column's own description.
struct Column
{
    Column(Role role = Role::Ignore, int slot = 0, QString description = QString())
        : role(role), slot(slot), description(std::move(description))
    {
    }
    Role role;
    int slot;
    QString description;
    QString dateFormat; // a date column's own order (ColumnDateFormat), "" for the user's setting
    AddressPart part = AddressPart::Line;
};
using Mapping = std::vector<Column>;

// The columns of a recognised layout; every column Ignore for Unknown.
Mapping LayoutMapping(const QStringList& header, Layout layout);
// A first guess for a layout not recognised, from words in the column names; each
// column a slot of its own, so a description given to it holds for it alone.
Mapping GuessMapping(const QStringList& header);

// What the user is told about a file that cannot be imported.
QString ProblemsText(const std::vector<FileProblem>& problems);

// The birthday of a cell as vCard would write it ("1980-02-29", "--02-29"): ISO, then
// the user's date setting ("dd/mm/yyyy"...), then the layout's own (m/d/yyyy for
// Outlook); any other text is passed on as it is.
// decided: the column's order is known (ColumnDateFormat); dateFormat is it, and no other
// order is tried.
QString BirthdayValue(const QString& cell, const QString& dateFormat, Layout layout, bool decided = false);

// The order a column's dates are read in: the one the column proves; for a column whose
// dates read both ways and prove nothing, the layout's own (Outlook's and Google's month
// first, a file of unknown layout in the user's setting), with undecided set. "" (each
// date as best it reads, the user's setting first) for a column proving both orders or
// holding no date that depends on the order.
QString ColumnDateFormat(const DateEvidence& evidence, Layout layout, const QString& dateFormat, bool& undecided);

// The card a row stands for, for the vCard import (same line, same rules).
modVcard::Card ToCard(const Record& row, const Mapping& mapping, const QString& dateFormat, Layout layout);

// ---- Writing ----

// A person's field as written, safe to open in a spreadsheet: a text that a spreadsheet
// would take for a formula (beginning with "=", "@", a tab or a carriage return, or a sign
// followed by more than a number) gets a leading apostrophe, as spreadsheet users write it.
QString FormulaGuarded(const QString& field);
// A cell as read: the apostrophe that FormulaGuarded put before such a text is taken off,
// so that a file of ours reads back as it was written.
QString WithoutFormulaGuard(const QString& cell);

// A field as written: in quotes (inner quotes doubled) when it holds the separator, a
// quote, a line break or leading or trailing blanks.
QString Quote(const QString& field);
QString RecordText(const QStringList& fields);

// The records of persons in a layout: Google's current one, or Outlook's. Google's has
// as many numbered columns as the person with most needs, values of one description in
// a row sharing a column (" ::: "), the first marked "* "; the columns are widened by
// every person's numbers and addresses first, so that the records can then be made one
// at a time. Outlook's columns are its own and fixed; what they cannot hold is kept at
// the end of the note (modCsvParts::KeptFields). The ticked details are written; the
// name always is. Birthdays are ISO dates, which no spreadsheet reads two ways.
class RecordWriter
{
public:
    RecordWriter(const modExport::Details& details, Layout layout);
    void WidenPhones(const std::vector<modExport::Entry>& phones);
    void WidenEmails(const std::vector<modExport::Entry>& emails);
    QStringList Header() const;
    QStringList Fields(const modExport::ExportedPerson& person) const;

private:
    QStringList OutlookFields(const modExport::ExportedPerson& person) const;
    QStringList GoogleFields(const modExport::ExportedPerson& person) const;

    modExport::Details m_details;
    bool m_outlook;
    std::vector<std::pair<QString, QString>> m_outlookPhones; // its columns and their descriptions
    QString m_workFax;
    size_t m_phoneColumns = 0;
    size_t m_emailColumns = 0;
};

} // namespace modCsv
