// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modMerge.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "database/modPersonView.h"
#include "startup/modEnvironment.h"
#include "startup/modText.h"

#include <QSet>

namespace modMerge {

namespace {

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
            {modText::TrimBlanks(rows.Fields(0).toString()), modText::TrimBlanks(rows.Fields(1).toString())});
    return entries;
}

QString EntryLine(const QString& label, const modExport::Entry& entry)
{
    return label + QStringLiteral(": ") + entry.value +
           (entry.description.isEmpty() ? QString() : QStringLiteral(" (") + entry.description + QLatin1Char(')'));
}

// Adds the entries the list lacks; those beyond the list's capacity go to overflow.
// A value both have keeps the kept one's description, takes the other's where it has none,
// and a description that says something else goes to overflow too.
void AddMissing(std::vector<modExport::Entry>& list, const std::vector<modExport::Entry>& incoming,
                bool (*same)(const QString&, const QString&), int capacity, const QString& label, QStringList& overflow,
                bool phone)
{
    for (const modExport::Entry& entry : incoming) {
        modExport::Entry* known = nullptr;
        for (modExport::Entry& present : list)
            if (!known && same(present.value, entry.value))
                known = &present;
        if (known) {
            if (known->description.trimmed().isEmpty())
                known->description = entry.description;
            else if (!entry.description.trimmed().isEmpty() &&
                     !modVcard::SameDescription(known->description, entry.description, phone))
                overflow << EntryLine(label, entry);
            continue;
        }
        if (static_cast<int>(list.size()) >= capacity)
            overflow << EntryLine(label, entry);
        else
            list.push_back(entry);
    }
}

// The kept note with what a merge adds to it, each in a paragraph of its own.
QString WithAdditions(const QString& note, const QStringList& additions)
{
    QStringList parts;
    if (!Normalised(note).isEmpty())
        parts << Normalised(note);
    parts << additions;
    return parts.join(QStringLiteral("\n\n"));
}

const modExport::Entry* FindEntry(const std::vector<modExport::Entry>& list, const QString& key, bool phone)
{
    for (const modExport::Entry& entry : list)
        if (EntryKey(entry.value, phone) == key)
            return &entry;
    return nullptr;
}

bool SameEntries(const std::vector<modExport::Entry>& a, const std::vector<modExport::Entry>& b, bool phone)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (modText::TrimBlanks(a[i].value) != modText::TrimBlanks(b[i].value) ||
            !modVcard::SameDescription(a[i].description, b[i].description, phone))
            return false;
    return true;
}

// The list of both sides' changes to it since base: here's order, then what only there added.
std::vector<modExport::Entry> MergedEntries(const std::vector<modExport::Entry>& base,
                                            const std::vector<modExport::Entry>& here,
                                            const std::vector<modExport::Entry>& there, bool phone,
                                            const QString& label, QStringList& conflicts)
{
    const auto same = [phone](const modExport::Entry& a, const modExport::Entry& b) {
        return modVcard::SameDescription(a.description, b.description, phone);
    };
    std::vector<modExport::Entry> merged;
    // The key of a value met the first time; "" for one met before.
    QSet<QString> seen;
    const auto firstTime = [&seen, phone](const modExport::Entry& entry) {
        const QString key = EntryKey(entry.value, phone);
        return seen.contains(key) ? QString() : *seen.insert(key);
    };
    for (const modExport::Entry& entry : here) {
        const QString key = firstTime(entry);
        if (key.isEmpty())
            continue;
        const modExport::Entry* old = FindEntry(base, key, phone);
        const modExport::Entry* other = FindEntry(there, key, phone);
        if (old && !other) {
            // Removed there: gone, unless its description changed here.
            if (!same(entry, *old))
                merged.push_back(entry);
            continue;
        }
        if (!other) {
            merged.push_back(entry);
            continue;
        }
        modExport::Entry result = entry;
        // The way it is written follows the side that changed it.
        if (old && entry.value == old->value)
            result.value = other->value;
        if (old && same(entry, *old))
            result.description = other->description;
        else if (!(old && same(*other, *old)) && !same(entry, *other) && !other->description.isEmpty()) {
            if (entry.description.isEmpty())
                result.description = other->description;
            else
                conflicts << EntryLine(label, *other);
        }
        merged.push_back(result);
    }
    for (const modExport::Entry& entry : there) {
        const QString key = firstTime(entry);
        if (key.isEmpty())
            continue;
        const modExport::Entry* old = FindEntry(base, key, phone);
        // Removed here: gone, unless its description changed there.
        if (!old || !same(entry, *old))
            merged.push_back(entry);
    }
    return merged;
}

} // namespace

QString EntryKey(const QString& value, bool phone)
{
    if (phone) {
        const QString digits = modEnvironment::DigitsOnly(value);
        if (!digits.isEmpty())
            return digits;
    }
    return value.toCaseFolded();
}

bool SameGroups(const QStringList& a, const QStringList& b)
{
    const auto folded = [](const QStringList& groups) {
        QStringList list;
        for (const QString& group : modPersonDetail::CleanGroups(groups))
            list << group.toCaseFolded();
        list.sort();
        return list;
    };
    return folded(a) == folded(b);
}

bool SameText(const QString& a, const QString& b)
{
    return Normalised(a) == Normalised(b);
}

bool Same(const modVcard::Person& a, const modVcard::Person& b)
{
    const bool details = !a.detailsKnown || !b.detailsKnown ||
                         (a.birthday == b.birthday && SameText(a.organisation, b.organisation) &&
                          SameText(a.title, b.title) && a.photo == b.photo && SameGroups(a.groups, b.groups));
    return details && modText::TrimBlanks(a.name) == modText::TrimBlanks(b.name) && a.dateOfBirth == b.dateOfBirth &&
           SameText(a.address, b.address) && SameText(a.note, b.note) && SameEntries(a.phones, b.phones, true) &&
           SameEntries(a.emails, b.emails, false);
}

modContact::Contact MergedSince(const modVcard::Person& base, const modVcard::Person& here,
                                const modVcard::Person& there, const modVcard::Limits& limits,
                                const QString& dateFormat)
{
    QStringList conflicts;
    // The side that changed a field gives it; when both did, here's stays and there's is noted.
    const auto pick = [&conflicts](const QString& old, const QString& mine, const QString& theirs, const QString& label,
                                   bool block) {
        if (SameText(mine, old) || SameText(mine, theirs))
            return SameText(mine, old) ? theirs : mine;
        if (!SameText(theirs, old) && !Normalised(theirs).isEmpty())
            conflicts << label + (block ? QStringLiteral(":\n") : QStringLiteral(": ")) + Normalised(theirs);
        return mine;
    };
    modContact::Contact contact;
    contact.name = pick(base.name, here.name, there.name, T("Name"), false);
    if (here.dateOfBirth == base.dateOfBirth || here.dateOfBirth == there.dateOfBirth) {
        contact.dateOfBirth = MonthDayYear(here.dateOfBirth == base.dateOfBirth ? there.dateOfBirth : here.dateOfBirth);
    } else {
        contact.dateOfBirth = MonthDayYear(here.dateOfBirth);
        if (there.dateOfBirth && there.dateOfBirth != base.dateOfBirth)
            conflicts << T("Date of birth") + QStringLiteral(": ") +
                             modPersonView::FormatDate(*there.dateOfBirth, dateFormat);
    }
    contact.address = pick(base.address, here.address, there.address, T("Address"), true);
    if (!here.detailsKnown) {
        // Stored before this version read these fields: the card's are the only ones.
        contact.birthday = here.dateOfBirth ? std::nullopt : there.birthday;
        contact.organisation = there.organisation;
        contact.title = there.title;
        contact.photo = there.photo;
        contact.groups = there.groups;
    } else {
        contact.birthday = here.birthday == base.birthday ? there.birthday : here.birthday;
        contact.organisation = pick(base.organisation, here.organisation, there.organisation, T("Organisation"), false);
        contact.title = pick(base.title, here.title, there.title, T("Title"), false);
        contact.photo = here.photo == base.photo ? there.photo : here.photo;
        contact.groups = SameGroups(here.groups, base.groups) ? there.groups : here.groups;
    }
    if (!contact.dateOfBirth.isEmpty())
        contact.birthday.reset();

    std::vector<modExport::Entry> phones =
        MergedEntries(base.phones, here.phones, there.phones, true, T("Number"), conflicts);
    std::vector<modExport::Entry> emails =
        MergedEntries(base.emails, here.emails, there.emails, false, T("E-mail"), conflicts);
    QStringList overflow;
    for (auto* list : {&phones, &emails})
        while (static_cast<int>(list->size()) > limits.entries) {
            overflow << EntryLine(list == &phones ? T("Number") : T("E-mail"), list->back());
            list->pop_back();
        }
    contact.phones = EditorEntries(phones);
    contact.emails = EditorEntries(emails);

    // Notes changed on both sides keep both texts.
    QString note = SameText(here.note, base.note) ? there.note : here.note;
    QStringList additions;
    if (!SameText(here.note, base.note) && !SameText(there.note, base.note) && !Holds(note, there.note))
        additions << Normalised(there.note);
    for (const QString& line : conflicts + overflow)
        if (!Holds(note, line))
            additions << line;
    contact.note = WithAdditions(note, additions);
    return contact;
}

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

modVcard::Person ReadPerson(qint16 contactnr)
{
    const QString number = QString::number(contactnr);
    Engine::Recordset row = modSql::OpenRecordset(QStringLiteral("SELECT Name, Dateofbirth, Address, [Note] "
                                                                 "FROM Person WHERE Contactnr = ") +
                                                  number + QStringLiteral(" "));
    modVcard::Person person;
    if (row.Eof())
        return person;
    person.name = modText::TrimBlanks(row.Fields(0).toString());
    person.dateOfBirth = StoredDate(row.Fields(1));
    person.address = row.Fields(2).toString();
    person.note = row.Fields(3).toString();
    person.phones = StoredEntries(QStringLiteral("SELECT [Number], Description FROM Phone WHERE Contactnr = ") +
                                  number + QStringLiteral(" ORDER BY [Order] "));
    person.emails = StoredEntries(QStringLiteral("SELECT Email, Description FROM Email WHERE Contactnr = ") + number +
                                  QStringLiteral(" ORDER BY [Order] "));
    const modPersonDetail::Detail detail = modPersonDetail::Read(modDatabase::DatabaseConnection(), contactnr);
    person.detailsKnown = detail.exists;
    person.birthday = detail.birthday;
    person.organisation = detail.organisation;
    person.title = detail.title;
    person.photo = detail.photo;
    person.groups = detail.groups;
    return person;
}

modContact::Contact Merged(const modVcard::Person& kept, const modVcard::Person& other, const modVcard::Limits& limits,
                           const QString& dateFormat)
{
    modContact::Contact contact;
    contact.name = kept.name;
    contact.dateOfBirth = MonthDayYear(kept.dateOfBirth ? kept.dateOfBirth : other.dateOfBirth);
    contact.address = kept.address;
    const QString& note = kept.note;
    // Fields beyond the spec's tables are filled where empty; the kept person's stay.
    contact.birthday = kept.birthday ? kept.birthday : other.birthday;
    if (!contact.dateOfBirth.isEmpty())
        contact.birthday.reset();
    contact.organisation = kept.organisation.isEmpty() ? other.organisation : kept.organisation;
    contact.title = kept.title.isEmpty() ? other.title : kept.title;
    contact.photo = kept.photo.isEmpty() ? other.photo : kept.photo;
    // A person merged is in the groups of both.
    contact.groups = modPersonDetail::CleanGroups(kept.groups + other.groups);

    std::vector<modExport::Entry> phones = kept.phones;
    std::vector<modExport::Entry> emails = kept.emails;
    QStringList overflow;
    AddMissing(phones, other.phones, &SameNumber, limits.entries, T("Number"), overflow, true);
    AddMissing(emails, other.emails, &SameAddress, limits.entries, T("E-mail"), overflow, false);
    contact.phones = EditorEntries(phones);
    contact.emails = EditorEntries(emails);

    // Empty fields are filled; what differs is kept in the note, once, so merging the
    // same again changes nothing.
    QStringList additions;
    auto keep = [&](const QString& label, const QString& text) {
        const QString line = label + QStringLiteral(": ") + text;
        if (!Holds(note, line))
            additions << line;
    };
    if (modText::TrimBlanks(other.name).compare(modText::TrimBlanks(kept.name), Qt::CaseInsensitive) != 0)
        keep(T("Name"), other.name);
    if (kept.dateOfBirth && other.dateOfBirth && *kept.dateOfBirth != *other.dateOfBirth)
        keep(T("Date of birth"), modPersonView::FormatDate(*other.dateOfBirth, dateFormat));
    if (!kept.organisation.isEmpty() && !other.organisation.isEmpty() &&
        !SameText(kept.organisation, other.organisation))
        keep(T("Organisation"), other.organisation);
    if (!kept.title.isEmpty() && !other.title.isEmpty() && !SameText(kept.title, other.title))
        keep(T("Title"), other.title);
    if (Normalised(contact.address).isEmpty())
        contact.address = other.address;
    else if (!Normalised(other.address).isEmpty() && !Holds(contact.address, other.address) &&
             !Holds(note, other.address))
        additions << T("Address") + QStringLiteral(":\n") + Normalised(other.address);
    if (!Normalised(other.note).isEmpty() && !Holds(note, other.note))
        additions << Normalised(other.note);
    // Once only: merging the same again adds nothing.
    QStringList newOverflow;
    for (const QString& line : overflow)
        if (!Holds(note, line))
            newOverflow << line;
    if (!newOverflow.isEmpty())
        additions << newOverflow.join(QLatin1Char('\n'));
    contact.note = WithAdditions(note, additions);
    return contact;
}

modContact::Contact ToContact(const modVcard::Person& person)
{
    modContact::Contact contact;
    contact.name = person.name;
    contact.dateOfBirth = MonthDayYear(person.dateOfBirth);
    contact.address = person.address;
    contact.note = person.note;
    contact.phones = EditorEntries(person.phones);
    contact.emails = EditorEntries(person.emails);
    contact.birthday = person.dateOfBirth ? std::nullopt : person.birthday;
    contact.organisation = person.organisation;
    contact.title = person.title;
    contact.photo = person.photo;
    contact.groups = person.groups;
    return contact;
}

} // namespace modMerge
