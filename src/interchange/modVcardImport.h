// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "interchange/modCsv.h"
#include "interchange/modVcard.h"

#include <QString>

class QIODevice;

#include <functional>
#include <optional>
#include <vector>

class WriteProgress;

// Importing vCards into the current database.
namespace modVcardImport {

struct Skipped
{
    int line = 0; // the card's BEGIN:VCARD
    QString name; // "" when the card has none
    modVcard::Problem problem = modVcard::Problem::None;
    int problemLine = 0;
    QString error; // why the database refused the card, "" when it was not tried
};

// Where the cards come from: a vCard file, or the rows of a CSV file.
enum class Source
{
    Vcard,
    Csv,
};

struct Report
{
    Source source = Source::Vcard;
    int cards = 0;
    int added = 0;
    int merged = 0;
    int updated = 0; // cards whose UID a person has: that person now holds the card
    int skippedCards = 0;
    // The first of the skipped cards, as many as the report lists: a broken file of any
    // size needs no more memory for them.
    std::vector<Skipped> skipped;
    // Every contact number was taken before the last new person: nothing was written.
    bool full = false;
    // The user stopped the import: nothing was written.
    bool cancelled = false;
    // What the report says besides (how dates were read).
    QStringList notes;
};

// Reads the cards into the current database, all in one transaction, one card at a
// time: the progress follows the input read and is offered a Cancel after each card,
// and a file with more new persons than free numbers stops at the first that finds none.
// A card the database refuses is reported and left out. A card whose UID
// a person has replaces that person's details. Any other card whose name (ignoring case)
// and date of birth match a person is merged into that person by the merge rule
// (modMerge). The rest become new persons with the lowest free numbers and the card's
// UID (a new one when it has none). A person is written only when it changes.
// Throws Engine::EngineError, and then nothing has been written.
// A vCard file, read as a stream.
Report ImportCards(QIODevice& file, WriteProgress* progress = nullptr);
// Cards already read.
Report ImportCards(const std::vector<modVcard::Card>& cards, WriteProgress* progress = nullptr,
                   Source source = Source::Vcard);
// Cards made one at a time (the rows of a CSV file as they are read): next gives the
// next card or nothing at the end, done how far through its input it is (0 to 1).
Report ImportCards(const std::function<std::optional<modVcard::Card>()>& next, const std::function<double()>& done,
                   WriteProgress* progress, Source source);

// The rows of a checked CSV file (modCsv::CheckFile, no problems) imported as cards, its
// columns mapped as given: the dates of each date column read in the order its dates
// prove, whatever the setting; the report tells when they read both ways. The file is
// read from where CheckFile left it, the start of what it checked.
Report ImportCsv(QIODevice& file, const modCsv::FileCheck& check, modCsv::Mapping mapping, modCsv::Layout layout,
                 WriteProgress* progress = nullptr);

// The single steps, for callers that run them inside their own transaction. Each
// writes only what changes and throws Engine::EngineError.
// A new person under a free number, with the card's UID when it has one.
void StorePerson(qint16 contactnr, const modVcard::Person& person);
// Keeps the card beside the person, so that what it holds beyond the person's fields is
// written out again; replace false keeps a card the person has already.
void KeepCard(qint16 contactnr, const QByteArray& card, bool replace);
// The person's details replaced by the card's (a card with the person's UID).
void ReplacePerson(qint16 contactnr, const modVcard::Person& person);
// The card merged into the person by the merge rule (modMerge), dates of the note in
// dateFormat.
void MergeIntoPerson(qint16 contactnr, const modVcard::Person& person, const modVcard::Limits& limits,
                     const QString& dateFormat);

// Both sides' changes since base merged into the person (modMerge::MergedSince).
void MergeSince(qint16 contactnr, const modVcard::Person& base, const modVcard::Person& person,
                const modVcard::Limits& limits, const QString& dateFormat);

// What the user is told afterwards.
QString ReportText(const Report& report);

} // namespace modVcardImport
