// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonDetail.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The persons and details chosen for export, the queries that read them, and the
// lines of the text and XHTML exports. Lines go to a sink (the line writer), so the
// same code serves files and tests.
namespace modExport {

using LineSink = std::function<void(const QString& line)>;

// The detail boxes of the export window, all ticked at first.
struct Details
{
    bool name = true;
    bool dateofbirth = true;
    bool address = true;
    bool phone = true;
    bool phoneDescription = true;
    bool email = true;
    bool emailDescription = true;
    bool note = true;
    bool organisation = true; // organisation and job title
};

struct Selection
{
    std::vector<qint16> contactnrs; // in the order of the export list
    Details details;
    // Read the photos (the vCard export and the sync write them) and the kept cards (the
    // vCard export writes into them) too.
    bool photos = false;
    bool cards = false;
};

// A number or e-mail address with its description, both trimmed.
struct Entry
{
    QString value;
    QString description;
};

struct ExportedPerson
{
    qint16 contactnr = 0;
    QString name;
    std::optional<QDate> dateOfBirth;
    QString address; // trimmed
    QString note;    // trimmed
    std::vector<Entry> phones;
    std::vector<Entry> emails;
    // For a person without numbers (addresses): whether every number (address) of the
    // whole export had been read already, as the XHTML export writes an empty line for
    // such a person only while more numbers follow.
    bool phonesExhausted = false;
    bool emailsExhausted = false;
    // The stable identity and its revision, filled for the vCard export only.
    QString uid;
    QString revision; // "yyyy-mm-ddThh:mm:ssZ", UTC
    // Beside the spec's tables (modPersonDetail).
    bool detailsKnown = false;                         // the person has a row there
    std::optional<modPersonDetail::MonthDay> birthday; // without a year
    QString organisation;
    QString title;
    QByteArray photo; // with Selection::cards only
    QByteArray card;  // the card the person came from; with Selection::cards only
    QStringList groups;
};

// "WHERE Person.Contactnr IN(12, 3, 40) "
QString ContactCondition(const std::vector<qint16>& contactnrs);
// The chosen persons in export order; every person when everybody is true.
QString PersonSql(const Selection& selection, bool everybody = false);
// Every number (address) by person and in its stored order; where ("WHERE Contactnr
// IN(3, 4) ") leaves those of other persons out.
QString AllPhonesSql(const QString& where = QString());
QString AllEmailsSql(const QString& where = QString());

// The numbers (addresses) of the chosen persons, by person. An export of every person
// holds all of them at once, so they are kept as stored, one after another, and made
// into texts when their person is handed on.
class EntryTable
{
public:
    // Adds a number (address) as stored, after the ones added before; a person's come
    // one after another. description is an index into the descriptions.
    void add(qint16 contactnr, QByteArrayView value, int description);
    // Where a description was kept, to be shared by every entry with it.
    int keepDescription(const QString& text);
    // The person's entries, trimmed, in the order added; nothing for a person without
    // any or taken before.
    std::vector<Entry> take(qint16 contactnr);
    // Each person's entries, persons in number order.
    void forEachList(const std::function<void(const std::vector<Entry>&)>& visit) const;

private:
    struct Stored
    {
        quint32 start;
        quint32 length;
        int description;
    };
    struct Span
    {
        quint32 first = 0;
        quint32 count = 0;
    };
    std::vector<Entry> entries(const Span& span) const;

    QByteArray m_values; // every value, UTF-8
    std::vector<Stored> m_stored;
    std::vector<QString> m_descriptions;
    std::vector<Span> m_persons = std::vector<Span>(1 << 16); // by contact number + 32768
};

// Reads the chosen persons in export order (name, then number) with their numbers and
// addresses. total is called once with the number of persons before the first one is
// visited; entriesRead, when given, is shown every chosen person's numbers and addresses
// before that. Throws Engine::EngineError.
void ForEachPerson(const Selection& selection, const std::function<void(int total)>& total,
                   const std::function<void(const ExportedPerson&)>& visit,
                   const std::function<void(const EntryTable& phones, const EntryTable& emails)>& entriesRead = {});

// "0612 (mobile)" when descriptions are wanted and there is one, else "0612".
QString EntryText(const Entry& entry, bool withDescription);

// The text export: the lines of one person's block.
void WriteTextBlock(const ExportedPerson& person, const Details& details, const QString& dateFormat,
                    const LineSink& write);

// The XHTML export.
QString EscapeHtml(const QString& text);
// An href for a link word: words written without a scheme ("www.example.org") get one.
QString LinkTarget(const QString& word);
// The words of one line of text that are links, wrapped in anchors; blanks between
// words are written as non-breaking spaces. The text is escaped.
QString LinkifyText(const QString& line);
// The style sheet reference of the header line.
QString StyleLinkLine(const QString& cssFile);
void WriteHtmlHeader(const QString& cssFile, const LineSink& write);
void WriteHtmlPerson(const ExportedPerson& person, const Details& details, const QString& dateFormat,
                     const LineSink& write);
void WriteHtmlFooter(const LineSink& write);
// True for the style sheet line of an exported page.
bool IsStyleLinkLine(const QString& line);
// The lines that replace the style sheet link in a saved page: the sheet itself.
QStringList InlineStyleLines(const QStringList& cssLines);

// The style sheets the program offers for the export: the names of the *.css files of
// its Css folder, in the user's order of names.
QStringList StyleNames();
// The file of the style stored in Setting::ExportStyle; when it is gone the default is
// stored and used.
QString CurrentStyleFile();

} // namespace modExport
