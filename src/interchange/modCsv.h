#pragma once

#include "export/modExport.h"
#include "interchange/modVcard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

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
};

// What one column holds. Values of a column in the same slot as a label column take
// their description from that column, the others the column's own description.
struct Column
{
    Role role = Role::Ignore;
    int slot = 0;
    QString description;
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
QString BirthdayValue(const QString& cell, const QString& dateFormat, Layout layout);

// The card a row stands for, for the vCard import (same line, same rules).
modVcard::Card ToCard(const Record& row, const Mapping& mapping, const QString& dateFormat, Layout layout);

// ---- Writing ----

// A field as written: in quotes (inner quotes doubled) when it holds the separator, a
// quote, a line break or leading or trailing blanks.
QString Quote(const QString& field);
QString RecordText(const QStringList& fields);

// The records of persons in a layout (Google or Outlook): the header, then one record per
// person, with as many numbered columns as the person with most needs. The columns are
// widened by every person's numbers and addresses first, so that the records can then be
// made one at a time. The ticked details are written; the name always is. Outlook's
// birthdays are written in the user's date setting (dateFormat), as it writes them;
// Google's in ISO.
class RecordWriter
{
public:
    RecordWriter(const modExport::Details& details, Layout layout, const QString& dateFormat);
    void WidenPhones(const std::vector<modExport::Entry>& phones);
    void WidenEmails(const std::vector<modExport::Entry>& emails);
    QStringList Header() const;
    QStringList Fields(const modExport::ExportedPerson& person) const;

    // One of Outlook's phone columns and the description its numbers carry.
    struct PhoneKind
    {
        const char* header; // Outlook's column, lower case
        QString description;
    };

private:
    // The numbers of a person by Outlook column.
    std::vector<std::vector<QString>> byKind(const std::vector<modExport::Entry>& phones) const;

    modExport::Details m_details;
    bool m_outlook;
    QString m_dateFormat;
    std::vector<PhoneKind> m_kinds;
    QString m_workFax;
    std::vector<size_t> m_kindColumns;
    size_t m_phoneColumns = 0;
    size_t m_emailColumns = 0;
};

} // namespace modCsv
