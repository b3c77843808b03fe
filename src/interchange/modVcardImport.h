#pragma once

#include "interchange/modVcard.h"

#include <QString>

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
    std::vector<Skipped> skipped;
    // Every contact number was taken before the last new person: nothing was written.
    bool full = false;
};

// Reads the cards into the current database, all in one transaction. A card whose UID
// a person has replaces that person's details. Any other card whose name (ignoring case)
// and date of birth match a person is merged into that person by the merge rule
// (modMerge). The rest become new persons with the lowest free numbers and the card's
// UID (a new one when it has none). A person is written only when it changes.
// Throws Engine::EngineError, and then nothing has been written.
Report ImportCards(const std::vector<modVcard::Card>& cards, WriteProgress* progress = nullptr,
                   Source source = Source::Vcard);

// What the user is told afterwards.
QString ReportText(const Report& report);

} // namespace modVcardImport
