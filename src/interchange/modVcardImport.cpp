#include "modVcardImport.h"

#include "birthdays/LineWriter.h"
#include "database/modDatabase.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QHash>

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
    return modMain::TrimBlanks(name).toCaseFolded() + QChar(0x1F) + DateKey(date);
}

std::optional<QDate> StoredDate(const QVariant& value)
{
    if (!value.isValid() || value.isNull() || !value.toDate().isValid())
        return std::nullopt;
    return value.toDate();
}

QString MonthDayYear(const std::optional<QDate>& date)
{
    if (!date)
        return QString();
    return QStringLiteral("%1/%2/%3").arg(date->month()).arg(date->day()).arg(date->year(), 4, 10, QLatin1Char('0'));
}

QString Normalised(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.trimmed();
}

bool Holds(const QString& text, const QString& part)
{
    return Normalised(text).contains(Normalised(part), Qt::CaseInsensitive);
}

bool SameNumber(const QString& a, const QString& b)
{
    const QString digitsA = modEnvironment::DigitsOnly(a);
    const QString digitsB = modEnvironment::DigitsOnly(b);
    if (!digitsA.isEmpty() && !digitsB.isEmpty())
        return digitsA == digitsB;
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool SameAddress(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::vector<modContact::Entry> EditorEntries(const std::vector<modExport::Entry>& entries)
{
    std::vector<modContact::Entry> result;
    result.reserve(entries.size());
    for (const modExport::Entry& entry : entries)
        result.push_back(modContact::TypedEntry(entry.value, entry.description));
    return result;
}

std::vector<modExport::Entry> StoredEntries(const QString& sql)
{
    std::vector<modExport::Entry> entries;
    for (Engine::Recordset rows = modSql::OpenRecordset(sql); !rows.Eof(); rows.MoveNext())
        entries.push_back(
            {modMain::TrimBlanks(rows.Fields(0).toString()), modMain::TrimBlanks(rows.Fields(1).toString())});
    return entries;
}

QString EntryLine(const QString& label, const modExport::Entry& entry)
{
    return label + QStringLiteral(": ") + entry.value +
           (entry.description.isEmpty() ? QString() : QStringLiteral(" (") + entry.description + QLatin1Char(')'));
}

// Adds the entries the list lacks; those beyond the list's capacity go to overflow.
void AddMissing(std::vector<modExport::Entry>& list, const std::vector<modExport::Entry>& incoming,
                bool (*same)(const QString&, const QString&), int capacity, const QString& label, QStringList& overflow)
{
    for (const modExport::Entry& entry : incoming) {
        bool known = false;
        for (const modExport::Entry& present : list)
            known = known || same(present.value, entry.value);
        if (known)
            continue;
        if (static_cast<int>(list.size()) >= capacity)
            overflow << EntryLine(label, entry);
        else
            list.push_back(entry);
    }
}

// The person stored under contactnr, as the editor would hold it, with the stored lists.
struct Stored
{
    modContact::Contact contact;
    std::vector<modExport::Entry> phones;
    std::vector<modExport::Entry> emails;
};

Stored StoredPerson(qint16 contactnr)
{
    const QString number = QString::number(contactnr);
    Engine::Recordset row = modSql::OpenRecordset(QStringLiteral("SELECT Name, Dateofbirth, Address, [Note] ") +
                                                  QStringLiteral("FROM Person ") +
                                                  QStringLiteral("WHERE Contactnr = ") + number + QStringLiteral(" "));
    Stored stored;
    stored.contact.name = modMain::TrimBlanks(row.Fields(0).toString());
    stored.contact.dateOfBirth = MonthDayYear(StoredDate(row.Fields(1)));
    stored.contact.address = row.Fields(2).toString();
    stored.contact.note = row.Fields(3).toString();
    stored.phones = StoredEntries(QStringLiteral("SELECT [Number], Description ") + QStringLiteral("FROM Phone ") +
                                  QStringLiteral("WHERE Contactnr = ") + number + QStringLiteral(" ") +
                                  QStringLiteral("ORDER BY [Order] "));
    stored.emails = StoredEntries(QStringLiteral("SELECT Email, Description ") + QStringLiteral("FROM Email ") +
                                  QStringLiteral("WHERE Contactnr = ") + number + QStringLiteral(" ") +
                                  QStringLiteral("ORDER BY [Order] "));
    stored.contact.phones = EditorEntries(stored.phones);
    stored.contact.emails = EditorEntries(stored.emails);
    return stored;
}

// The stored person with what the card adds to it.
modContact::Contact Merged(Stored stored, const modVcard::Person& card, const modVcard::Limits& limits)
{
    modContact::Contact contact = stored.contact;
    const QString note = stored.contact.note;
    QStringList overflow;
    AddMissing(stored.phones, card.phones, &SameNumber, limits.entries, T("Number"), overflow);
    AddMissing(stored.emails, card.emails, &SameAddress, limits.entries, T("E-mail"), overflow);
    contact.phones = EditorEntries(stored.phones);
    contact.emails = EditorEntries(stored.emails);

    // Empty fields are filled; what differs is kept in the note, once, so importing the
    // same file again changes nothing.
    QStringList additions;
    if (Normalised(contact.address).isEmpty())
        contact.address = card.address;
    else if (!card.address.isEmpty() && !Holds(contact.address, card.address) && !Holds(note, card.address))
        additions << T("Address") + QStringLiteral(":\n") + card.address;
    if (!card.note.isEmpty() && !Holds(note, card.note))
        additions << card.note;
    if (!overflow.isEmpty())
        additions << overflow.join(QLatin1Char('\n'));
    QStringList parts;
    if (!Normalised(note).isEmpty())
        parts << Normalised(note);
    parts << additions;
    contact.note = parts.join(QStringLiteral("\n\n"));
    return contact;
}

modContact::Contact NewContact(const modVcard::Person& person)
{
    modContact::Contact contact;
    contact.name = person.name;
    contact.dateOfBirth = MonthDayYear(person.dateOfBirth);
    contact.address = person.address;
    contact.note = person.note;
    contact.phones = EditorEntries(person.phones);
    contact.emails = EditorEntries(person.emails);
    return contact;
}

void Run(const QStringList& statements)
{
    for (const QString& statement : statements)
        modSql::ExecuteSql(statement);
}

// Stores the person only when it differs from what is stored, so that its revision
// tells of real changes and importing a file again changes nothing.
void StoreIfChanged(qint16 contactnr, const modContact::Contact& stored, const modContact::Contact& contact)
{
    const QStringList statements = modContact::ExistingPersonStatements(contactnr, contact);
    if (statements != modContact::ExistingPersonStatements(contactnr, stored))
        Run(statements);
}

QString ReasonText(const Skipped& skipped)
{
    switch (skipped.problem) {
    case modVcard::Problem::NoEnd:
        return T("END:VCARD is missing");
    case modVcard::Problem::NotAProperty:
        return T("Line") + QLatin1Char(' ') + QString::number(skipped.problemLine) + QLatin1Char(' ') +
               T("is not a vCard property");
    case modVcard::Problem::NoName:
        return T("The card has no name");
    case modVcard::Problem::None:
        break;
    }
    return QString();
}

} // namespace

modVcard::Limits CurrentLimits()
{
    modVcard::Limits limits;
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    auto width = [&connection](const char* table, const char* column, int fallback) {
        const int defined = connection.DefinedSize(QString::fromLatin1(table), QString::fromLatin1(column));
        return defined > 0 ? defined : fallback;
    };
    limits.name = width("Person", "Name", limits.name);
    limits.number = width("Phone", "Number", limits.number);
    limits.email = width("Email", "Email", limits.email);
    limits.description =
        qMin(width("Phone", "Description", limits.description), width("Email", "Description", limits.description));
    return limits;
}

Report ImportCards(const std::vector<modVcard::Card>& cards, WriteProgress* progress)
{
    Report report;
    report.cards = static_cast<int>(cards.size());
    const modVcard::Limits limits = CurrentLimits();
    const QString dateFormat = modSettings::ReadSetting(QStringLiteral("Date"));

    Engine::Connection& connection = modDatabase::DatabaseConnection();
    modPersonUid::EnsureTable(connection);
    // Numbers are found inside the transaction, so no other writer takes one between
    // finding and using it.
    Engine::Connection::Transaction transaction(connection);
    QHash<QString, qint16> byUid = modPersonUid::ContactnrsByUid(connection);
    QHash<QString, qint16> known;
    std::vector<bool> taken(modSql::MaxContactnr + 1, false);
    for (Engine::Recordset rows =
             modSql::OpenRecordset(QStringLiteral("SELECT Contactnr, Name, Dateofbirth ") +
                                   QStringLiteral("FROM Person ") + QStringLiteral("ORDER BY Contactnr "));
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

    ProgressScope scope(progress, report.cards);
    for (const modVcard::Card& card : cards) {
        modVcard::Problem problem = modVcard::Problem::None;
        const std::optional<modVcard::Person> person = modVcard::ToPerson(card, limits, dateFormat, problem);
        scope.Step();
        if (!person) {
            report.skipped.push_back({card.line, modVcard::CardName(card), problem, card.problemLine});
            continue;
        }
        if (const auto same = byUid.constFind(person->uid); !person->uid.isEmpty() && same != byUid.constEnd()) {
            ReplacePerson(*same, *person);
            ++report.updated;
            continue;
        }
        const QString key = PersonKey(person->name, person->dateOfBirth);
        if (const auto match = known.constFind(key); match != known.constEnd()) {
            MergeIntoPerson(*match, *person, limits);
            ++report.merged;
            continue;
        }
        while (candidate <= modSql::MaxContactnr && taken[static_cast<size_t>(candidate)])
            ++candidate;
        if (candidate > modSql::MaxContactnr) {
            // The transaction is dropped: nothing of this file is written.
            Report full;
            full.cards = report.cards;
            full.full = true;
            return full;
        }
        const auto contactnr = static_cast<qint16>(candidate);
        taken[static_cast<size_t>(candidate)] = true;
        StorePerson(contactnr, *person);
        if (!person->uid.isEmpty())
            byUid.insert(person->uid, contactnr);
        known.insert(key, contactnr);
        ++report.added;
    }
    transaction.Commit();
    return report;
}

void StorePerson(qint16 contactnr, const modVcard::Person& person)
{
    Run(modContact::NewPersonStatements(contactnr, NewContact(person)));
    if (!person.uid.isEmpty())
        modSql::ExecuteSql(modPersonUid::SetUidSql(contactnr, person.uid));
}

void ReplacePerson(qint16 contactnr, const modVcard::Person& person)
{
    StoreIfChanged(contactnr, StoredPerson(contactnr).contact, NewContact(person));
}

void MergeIntoPerson(qint16 contactnr, const modVcard::Person& person, const modVcard::Limits& limits)
{
    const Stored stored = StoredPerson(contactnr);
    StoreIfChanged(contactnr, stored.contact, Merged(stored, person, limits));
}

QString ReportText(const Report& report)
{
    if (report.full)
        return T("No further person can be added to this database") + QStringLiteral("!\n") +
               T("Nothing was imported") + QLatin1Char('.');
    QStringList lines;
    if (report.cards == 0)
        lines << T("The file holds no vCard") + QLatin1Char('.');
    lines << T("Persons added") + QStringLiteral(": ") + QString::number(report.added);
    lines << T("Persons merged") + QStringLiteral(": ") + QString::number(report.merged);
    if (report.updated > 0)
        lines << T("Persons updated") + QStringLiteral(": ") + QString::number(report.updated);
    if (!report.skipped.empty()) {
        lines << T("Cards skipped") + QStringLiteral(": ") + QString::number(report.skipped.size());
        int listed = 0;
        for (const Skipped& skipped : report.skipped) {
            if (listed++ == ListedSkipped) {
                lines << QStringLiteral("...");
                break;
            }
            lines << QStringLiteral("- ") + T("Line") + QLatin1Char(' ') + QString::number(skipped.line) +
                         (skipped.name.isEmpty() ? QString() : QStringLiteral(" (") + skipped.name + QLatin1Char(')')) +
                         QStringLiteral(": ") + ReasonText(skipped);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace modVcardImport
