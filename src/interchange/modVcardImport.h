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

struct Report
{
    int cards = 0;
    int added = 0;
    int merged = 0;
    int updated = 0; // cards whose UID a person has: that person now holds the card
    std::vector<Skipped> skipped;
    // Every contact number was taken before the last new person: nothing was written.
    bool full = false;
};

// The column widths of the current database.
modVcard::Limits CurrentLimits();

// Reads the cards into the current database, all in one transaction. A card whose UID
// a person has replaces that person's details. Any other card whose name (ignoring case)
// and date of birth match a person is merged into that person: numbers and e-mail
// addresses it lacks are added, empty fields filled, and a differing address or note
// kept in the note. The rest become new persons with the lowest free numbers and the
// card's UID (a new one when it has none). A person is written only when it changes.
// Throws Engine::EngineError, and then nothing has been written.
Report ImportCards(const std::vector<modVcard::Card>& cards, WriteProgress* progress = nullptr);

// The single steps, for callers that run them inside their own transaction. Each
// writes only what changes and throws Engine::EngineError.
// A new person under a free number, with the card's UID when it has one.
void StorePerson(qint16 contactnr, const modVcard::Person& person);
// The person's details replaced by the card's (a card with the person's UID).
void ReplacePerson(qint16 contactnr, const modVcard::Person& person);
// The card merged into the person by the merge rule.
void MergeIntoPerson(qint16 contactnr, const modVcard::Person& person, const modVcard::Limits& limits);

// What the user is told afterwards.
QString ReportText(const Report& report);

} // namespace modVcardImport
