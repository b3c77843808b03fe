// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modVcardImport.h"

#include "birthdays/LineWriter.h"
#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "interchange/modMerge.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QHash>
#include <QIODevice>

namespace modVcardImport {

namespace {

// Reports list this many skipped cards; a broken file could otherwise fill the screen.
constexpr int ListedSkipped = 20;

QString DateKey(const std::optional<QDate>& date)
{
    return date ? date->toString(Qt::ISODate) : QString();
}

QString PersonKey(const QString& name, const std::optional<QDate>& date)
{
    return modText::TrimBlanks(name).toCaseFolded() + QChar(0x1F) + DateKey(date);
}

std::optional<QDate> StoredDate(const QVariant& value)
{
    if (!value.isValid() || value.isNull() || !value.toDate().isValid())
        return std::nullopt;
    return value.toDate();
}

// Lines end in LF in a card and in CR LF in files of older programs; either way they are
// the same lines.
modContact::Contact WithLineFeeds(modContact::Contact contact)
{
    contact.address.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    contact.note.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return contact;
}

// Stores the person only when it differs from what is stored, so that its revision
// tells of real changes and importing a file again changes nothing.
void StoreIfChanged(qint16 contactnr, const modContact::Contact& stored, const modContact::Contact& contact)
{
    if (modContact::ExistingPersonStatements(contactnr, WithLineFeeds(contact)) !=
        modContact::ExistingPersonStatements(contactnr, WithLineFeeds(stored)))
        modSql::ExecuteSql(modContact::ExistingPersonStatements(contactnr, contact));
}

void Skip(Report& report, Skipped skipped)
{
    if (report.skippedCards++ <= ListedSkipped)
        report.skipped.push_back(std::move(skipped));
}

QString ReasonText(const Skipped& skipped, bool rows)
{
    if (!skipped.error.isEmpty())
        return T("Error") + QStringLiteral(": ") + skipped.error;
    switch (skipped.problem) {
    case modVcard::Problem::NoEnd:
        return T("END:VCARD is missing");
    case modVcard::Problem::NotAProperty:
        return T("Line") + QLatin1Char(' ') + QString::number(skipped.problemLine) + QLatin1Char(' ') +
               T("is not a vCard property");
    case modVcard::Problem::NoName:
        return rows ? T("The row has no name") : T("The card has no name");
    case modVcard::Problem::None:
        break;
    }
    return QString();
}

// Cards one at a time, and how far through its input the reader is (0 to 1).
struct CardSource
{
    std::function<std::optional<modVcard::Card>()> next;
    std::function<double()> done;
};

Report Import(const CardSource& cards, WriteProgress* progress, Source source)
{
    Report report;
    report.source = source;
    // The words a card's extra fields are named with are looked up once, not per card.
    const modLanguage::Snapshot language;
    const modVcard::Limits limits = modMerge::CurrentLimits();
    const QString dateFormat = modSettings::Get(Setting::DateFormat);

    Engine::Connection& connection = modDatabase::DatabaseConnection();
    modPersonUid::EnsureTable(connection);
    modPersonDetail::EnsureTable(connection);
    // Numbers are found inside the transaction, so no other writer takes one between
    // finding and using it.
    Engine::Connection::Transaction transaction(connection);
    modPersonUid::AddedWithUids addedWithUids(connection);
    QHash<QString, qint16> byUid = modPersonUid::ContactnrsByUid(connection);
    QHash<QString, qint16> known;
    std::vector<bool> taken(modSql::MaxContactnr + 1, false);
    for (Engine::Recordset rows = modSql::OpenRecordset(
             QStringLiteral("SELECT Contactnr, Name, Dateofbirth FROM Person ORDER BY Contactnr "));
         !rows.Eof(); rows.MoveNext()) {
        const int contactnr = rows.Fields(0).toInt();
        if (contactnr >= 1 && contactnr <= modSql::MaxContactnr)
            taken[static_cast<size_t>(contactnr)] = true;
        const QString key = PersonKey(rows.Fields(1).toString(), StoredDate(rows.Fields(2)));
        if (!known.contains(key))
            known.insert(key, static_cast<qint16>(contactnr));
    }
    // The lowest free number, as GetFreeNumber finds it; numbers are only taken here,
    // so the search goes on from the last one.
    int candidate = 1;

    constexpr int ProgressSteps = 1000;
    ProgressScope scope(progress, ProgressSteps);
    while (const std::optional<modVcard::Card> card = cards.next()) {
        ++report.cards;
        if (progress) {
            progress->Reach(static_cast<int>(qBound(0.0, cards.done(), 1.0) * ProgressSteps));
            if (progress->Cancelled()) {
                Report cancelled;
                cancelled.source = source;
                cancelled.cancelled = true;
                return cancelled;
            }
        }
        modVcard::Problem problem = modVcard::Problem::None;
        // A card of a file is kept whole beside its person; a row of a CSV file is no card to keep.
        const bool keepCard = source == Source::Vcard;
        const std::optional<modVcard::Person> person = modVcard::ToPerson(
            *card, limits, dateFormat, problem, keepCard ? modVcard::Keeping::InCard : modVcard::Keeping::InNote);
        if (!person) {
            Skip(report, {card->line, modVcard::CardName(*card), problem, card->problemLine, QString()});
            continue;
        }
        const auto same = person->uid.isEmpty() ? byUid.constEnd() : byUid.constFind(person->uid);
        const QString key = PersonKey(person->name, person->dateOfBirth);
        const auto match = known.constFind(key);
        if (same == byUid.constEnd() && match == known.constEnd()) {
            while (candidate <= modSql::MaxContactnr && taken[static_cast<size_t>(candidate)])
                ++candidate;
            if (candidate > modSql::MaxContactnr) {
                // The transaction is dropped: nothing of this file is written.
                Report full;
                full.source = source;
                full.cards = report.cards;
                full.full = true;
                return full;
            }
        }
        // A card the database refuses is undone alone; the others stay.
        try {
            if (same != byUid.constEnd()) {
                Engine::Connection::Savepoint part(connection);
                ReplacePerson(*same, *person);
                if (keepCard)
                    KeepCard(*same, modVcard::CardText(*card), true);
                part.Release();
                ++report.updated;
            } else if (match != known.constEnd()) {
                Engine::Connection::Savepoint part(connection);
                MergeIntoPerson(*match, *person, limits, dateFormat);
                if (keepCard)
                    KeepCard(*match, modVcard::CardText(*card), false);
                part.Release();
                ++report.merged;
            } else {
                // A new person's rows are all of what its card wrote: removing them undoes a
                // refused card without a savepoint, which would copy every page the card
                // touches.
                const auto contactnr = static_cast<qint16>(candidate);
                try {
                    StorePerson(contactnr, *person);
                    if (keepCard)
                        modSql::ExecuteSql(modPersonDetail::KeepCardStatements(contactnr, modVcard::CardText(*card)));
                } catch (const Engine::EngineError&) {
                    if (connection.InTransaction())
                        modSql::ExecuteSql(modContact::RemovePersonStatements(contactnr));
                    throw;
                }
                taken[static_cast<size_t>(candidate)] = true;
                if (!person->uid.isEmpty())
                    byUid.insert(person->uid, contactnr);
                known.insert(key, contactnr);
                ++report.added;
            }
        } catch (const Engine::EngineError& error) {
            // A failure that ended the whole transaction (a full disk) ends the import.
            if (!connection.InTransaction())
                throw;
            Skip(report, {card->line, modVcard::CardName(*card), modVcard::Problem::None, card->problemLine,
                          error.description()});
        }
    }
    addedWithUids.Resume();
    transaction.Commit();
    return report;
}

} // namespace

Report ImportCards(QIODevice& file, WriteProgress* progress)
{
    modVcard::CardReader reader(file);
    const double size = static_cast<double>(qMax<qint64>(file.size(), 1));
    return Import({[&reader] { return reader.Next(); }, [&reader, size] { return reader.BytesRead() / size; }},
                  progress, Source::Vcard);
}

Report ImportCards(const std::function<std::optional<modVcard::Card>()>& next, const std::function<double()>& done,
                   WriteProgress* progress, Source source)
{
    return Import({next, done}, progress, source);
}

Report ImportCards(const std::vector<modVcard::Card>& cards, WriteProgress* progress, Source source)
{
    size_t next = 0;
    const double count = static_cast<double>(qMax<size_t>(cards.size(), 1));
    return Import({[&cards, &next]() -> std::optional<modVcard::Card> {
                       if (next == cards.size())
                           return std::nullopt;
                       return cards[next++];
                   },
                   [&next, count] { return next / count; }},
                  progress, source);
}

Report ImportCsv(QIODevice& file, const modCsv::FileCheck& check, modCsv::Mapping mapping, modCsv::Layout layout,
                 WriteProgress* progress)
{
    const QString dateFormat = modSettings::Get(Setting::DateFormat);
    QString undecidedFormat;
    for (size_t c = 0; c < mapping.size() && c < check.dates.size(); ++c) {
        if (mapping[c].role != modCsv::Role::DateOfBirth)
            continue;
        bool undecided = false;
        mapping[c].dateFormat = modCsv::ColumnDateFormat(check.dates[c], layout, dateFormat, undecided);
        if (undecided)
            undecidedFormat = mapping[c].dateFormat;
    }
    modCsv::RecordReader reader(file, check.encoding, check.separator);
    reader.Next(); // the header
    const double size = static_cast<double>(qMax<qint64>(file.size(), 1));
    Report report = Import({[&]() -> std::optional<modVcard::Card> {
                                const std::optional<modCsv::Record> row = reader.Next();
                                if (!row)
                                    return std::nullopt;
                                return modCsv::ToCard(*row, mapping, dateFormat, layout);
                            },
                            [&reader, size] { return reader.BytesRead() / size; }},
                           progress, Source::Csv);
    if (!undecidedFormat.isEmpty())
        report.notes << T("The dates of birth read both ways; they were read as") + QLatin1Char(' ') + undecidedFormat +
                            QLatin1Char('.');
    return report;
}

void StorePerson(qint16 contactnr, const modVcard::Person& person)
{
    modSql::ExecuteSql(modContact::NewPersonStatements(contactnr, modMerge::ToContact(person)));
    modSql::ExecuteSql(modPersonUid::NewPersonUidSql(contactnr, person.uid));
}

void KeepCard(qint16 contactnr, const QByteArray& card, bool replace)
{
    // The card kept already is not written again: a file imported again changes nothing.
    const QByteArray kept = modPersonDetail::KeptCard(modDatabase::DatabaseConnection(), contactnr);
    if ((!replace && !kept.isEmpty()) || kept == card)
        return;
    modSql::ExecuteSql(modPersonDetail::KeepCardStatements(contactnr, card));
}

void ReplacePerson(qint16 contactnr, const modVcard::Person& person)
{
    StoreIfChanged(contactnr, modMerge::ToContact(modMerge::ReadPerson(contactnr)), modMerge::ToContact(person));
}

void MergeIntoPerson(qint16 contactnr, const modVcard::Person& person, const modVcard::Limits& limits,
                     const QString& dateFormat)
{
    const modVcard::Person stored = modMerge::ReadPerson(contactnr);
    StoreIfChanged(contactnr, modMerge::ToContact(stored), modMerge::Merged(stored, person, limits, dateFormat));
}

void MergeSince(qint16 contactnr, const modVcard::Person& base, const modVcard::Person& person,
                const modVcard::Limits& limits, const QString& dateFormat)
{
    const modVcard::Person stored = modMerge::ReadPerson(contactnr);
    StoreIfChanged(contactnr, modMerge::ToContact(stored),
                   modMerge::MergedSince(base, stored, person, limits, dateFormat));
}

QString ReportText(const Report& report)
{
    if (report.full)
        return T("No further person can be added to this database") + QStringLiteral("!\n") +
               T("Nothing was imported") + QLatin1Char('.');
    QStringList lines;
    const bool rows = report.source == Source::Csv;
    if (report.cards == 0)
        lines << (rows ? T("The file holds no row") : T("The file holds no vCard")) + QLatin1Char('.');
    lines << T("Persons added") + QStringLiteral(": ") + QString::number(report.added);
    lines << T("Persons merged") + QStringLiteral(": ") + QString::number(report.merged);
    if (report.updated > 0)
        lines << T("Persons updated") + QStringLiteral(": ") + QString::number(report.updated);
    lines << report.notes;
    if (report.skippedCards > 0) {
        lines << (rows ? T("Rows skipped") : T("Cards skipped")) + QStringLiteral(": ") +
                     QString::number(report.skippedCards);
        int listed = 0;
        for (const Skipped& skipped : report.skipped) {
            if (listed++ == ListedSkipped) {
                lines << QStringLiteral("...");
                break;
            }
            lines << QStringLiteral("- ") + T("Line") + QLatin1Char(' ') + QString::number(skipped.line) +
                         (skipped.name.isEmpty() ? QString() : QStringLiteral(" (") + skipped.name + QLatin1Char(')')) +
                         QStringLiteral(": ") + ReasonText(skipped, rows);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace modVcardImport
