// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modDuplicates.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "interchange/modMerge.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modText.h"

#include <QHash>

#include <map>

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace modDuplicates {

namespace {

// The base letters of a character without its accents: "é" gives "e", "ﬁ" gives "fi".
void AppendBase(QString& word, char32_t c)
{
    if (QChar::decompositionTag(c) == QChar::NoDecomposition) {
        if (QChar::category(c) != QChar::Mark_NonSpacing && QChar::category(c) != QChar::Mark_SpacingCombining &&
            QChar::category(c) != QChar::Mark_Enclosing)
            word += QString::fromUcs4(&c, 1);
        return;
    }
    const QString parts = QChar::decomposition(c);
    for (const char32_t part : parts.toUcs4())
        AppendBase(word, part);
}

} // namespace

QString NameKey(const QString& name)
{
    QStringList words;
    QString word;
    auto endWord = [&] {
        if (!word.isEmpty())
            words << word.toCaseFolded();
        word.clear();
    };
    for (const char32_t c : name.toUcs4()) {
        if (c < 0x80) {
            if (QChar::isLetterOrNumber(c))
                word += QChar(c);
            else
                endWord();
        } else if (QChar::isLetterOrNumber(c) || QChar::isMark(c)) {
            AppendBase(word, c);
        } else {
            endWord();
        }
    }
    endWord();
    words.sort();
    return words.join(QLatin1Char(' '));
}

QString PhoneKey(const QString& number)
{
    const QString digits = modEnvironment::DigitsOnly(number);
    if (digits.size() < 6)
        return QString();
    return digits.right(7);
}

namespace {

// A number's digits with how it was written: with a country code ("+" or "00"), national
// (one leading 0), or neither.
struct NumberForm
{
    QString digits; // without the "+" or "00", and without a national 0
    bool international = false;
    bool national = false;
};

NumberForm FormOf(const QString& number)
{
    NumberForm form;
    const QString trimmed = number.trimmed();
    form.digits = modEnvironment::DigitsOnly(trimmed);
    if (trimmed.startsWith(QLatin1Char('+'))) {
        form.international = true;
    } else if (form.digits.startsWith(QLatin1String("00"))) {
        form.international = true;
        form.digits.remove(0, 2);
    } else if (form.digits.startsWith(QLatin1Char('0'))) {
        form.national = true;
        form.digits.remove(0, 1);
    }
    return form;
}

} // namespace

bool SameNumber(const QString& a, const QString& b)
{
    const NumberForm x = FormOf(a);
    const NumberForm y = FormOf(b);
    if (x.digits.size() < 5 || y.digits.size() < 5)
        return false;
    if (x.international == y.international && x.national == y.national)
        return x.digits == y.digits;
    // One written with its country code, the other nationally: the country code's one to
    // three digits in front of the same national number.
    const NumberForm& full = x.international ? x : y;
    const NumberForm& local = x.international ? y : x;
    if (!full.international || !local.national)
        return false;
    const qsizetype code = full.digits.size() - local.digits.size();
    return code >= 1 && code <= 3 && full.digits.endsWith(local.digits);
}

namespace {

// The keys of one reason, held in one text: a full database has a hundred thousand
// of them, and a hash of strings held each in its own allocation would be most of
// the memory of a search.
class Keys
{
public:
    // index: the caller's own number for the value (a phone number's place among all).
    void add(const QString& key, std::size_t candidate, std::size_t index = 0)
    {
        if (key.isEmpty())
            return;
        const QByteArray utf8 = key.toUtf8();
        m_items.push_back({static_cast<quint32>(m_text.size()), static_cast<quint32>(utf8.size()),
                           static_cast<quint32>(candidate), static_cast<quint32>(index)});
        m_text += utf8;
    }
    // Hands every two candidates that share a key to pair(a, b), a before b, once per key.
    template <typename Pair> void pairs(const Pair& pair)
    {
        const auto key = [this](const Item& item) {
            return QByteArrayView(m_text.constData() + item.start, item.length);
        };
        std::sort(m_items.begin(), m_items.end(), [&key](const Item& a, const Item& b) {
            const int compared = key(a).compare(key(b));
            return compared != 0 ? compared < 0 : a.candidate < b.candidate;
        });
        for (std::size_t first = 0; first < m_items.size();) {
            std::size_t end = first + 1;
            while (end < m_items.size() && key(m_items[end]) == key(m_items[first]))
                ++end;
            for (std::size_t i = first; i < end; ++i)
                for (std::size_t j = i + 1; j < end; ++j)
                    if (m_items[i].candidate != m_items[j].candidate)
                        pair(m_items[i].candidate, m_items[j].candidate, m_items[i].index, m_items[j].index);
            first = end;
        }
    }

private:
    struct Item
    {
        quint32 start;
        quint32 length;
        quint32 candidate;
        quint32 index;
    };
    QByteArray m_text; // UTF-8: equal texts are equal bytes
    std::vector<Item> m_items;
};

// The persons searched, by position, with the keys of every reason.
class Finder
{
public:
    std::size_t addPerson(qint16 contactnr, const QString& name)
    {
        m_names.add(NameKey(name), m_contactnrs.size());
        m_contactnrs.push_back(contactnr);
        m_nameEnds.push_back(static_cast<quint32>((m_displayNames += name.toUtf8()).size()));
        return m_contactnrs.size() - 1;
    }
    void addEmail(std::size_t candidate, const QString& email)
    {
        m_emails.add(email.trimmed().toCaseFolded(), candidate);
    }
    void addPhone(std::size_t candidate, const QString& number)
    {
        m_phones.add(PhoneKey(number), candidate, m_numbers.size());
        m_numbers.push_back(number);
    }
    QString name(std::size_t candidate) const
    {
        const quint32 start = candidate == 0 ? 0 : m_nameEnds[candidate - 1];
        return QString::fromUtf8(m_displayNames.constData() + start, m_nameEnds[candidate] - start);
    }

    // The groups, each a first person and those matching it directly by name or e-mail
    // address (with a shared number as a further reason), in the order of their first
    // person's name.
    std::vector<Group> groups()
    {
        const std::size_t count = m_contactnrs.size();
        // Why two candidates match, by the earlier one: the later ones and the reasons.
        std::vector<std::map<std::size_t, int>> matches(count);
        m_names.pairs([&](std::size_t a, std::size_t b, std::size_t, std::size_t) { matches[a][b] |= SameName; });
        m_emails.pairs([&](std::size_t a, std::size_t b, std::size_t, std::size_t) { matches[a][b] |= SameEmail; });
        m_phones.pairs([&](std::size_t a, std::size_t b, std::size_t x, std::size_t y) {
            const auto found = matches[a].find(b);
            if (found != matches[a].end() && SameNumber(m_numbers[x], m_numbers[y]))
                found->second |= SamePhone;
        });
        // Matches both ways, so that a person finds the earlier ones too.
        std::vector<std::vector<std::pair<std::size_t, int>>> both(count);
        for (std::size_t a = 0; a < count; ++a)
            for (const auto& [b, reasons] : matches[a]) {
                both[a].push_back({b, reasons});
                both[b].push_back({a, reasons});
            }
        std::vector<Group> groups;
        std::vector<QString> firstNames;
        std::vector<bool> grouped(count, false);
        for (std::size_t first = 0; first < count; ++first) {
            if (grouped[first] || both[first].empty())
                continue;
            std::sort(both[first].begin(), both[first].end());
            Group group{{m_contactnrs[first]}, {0}, 0};
            for (const auto& [other, reasons] : both[first]) {
                if (grouped[other])
                    continue;
                grouped[other] = true;
                group.contactnrs.push_back(m_contactnrs[other]);
                group.memberReasons.push_back(reasons);
                group.reasons |= reasons;
            }
            if (group.contactnrs.size() < 2)
                continue;
            grouped[first] = true;
            groups.push_back(std::move(group));
            firstNames.push_back(name(first));
        }
        // Groups in the order of their first person's name, as the main list shows them.
        std::vector<std::size_t> order(groups.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return QString::localeAwareCompare(firstNames[a], firstNames[b]) < 0;
        });
        std::vector<Group> sorted;
        sorted.reserve(groups.size());
        for (const std::size_t g : order)
            sorted.push_back(std::move(groups[g]));
        return sorted;
    }

private:
    std::vector<qint16> m_contactnrs;
    QByteArray m_displayNames; // every name, one after another, UTF-8
    std::vector<quint32> m_nameEnds;
    Keys m_names;
    Keys m_emails;
    Keys m_phones;
    QStringList m_numbers; // every number added, by its index in m_phones
};

} // namespace

std::vector<Group> FindGroups(const std::vector<Candidate>& candidates)
{
    Finder finder;
    for (const Candidate& candidate : candidates) {
        const std::size_t i = finder.addPerson(candidate.contactnr, candidate.name);
        for (const QString& email : candidate.emails)
            finder.addEmail(i, email);
        for (const QString& phone : candidate.phones)
            finder.addPhone(i, phone);
    }
    return finder.groups();
}

Found FindInDatabase()
{
    Finder finder;
    // Contact numbers are at most MaxContactnr: their place in the search by number.
    std::vector<int> index(modSql::MaxContactnr + 1, -1);
    modSql::ForEachRow(QStringLiteral("SELECT Contactnr, Name FROM Person ORDER BY Contactnr "),
                       [&](const Engine::Connection::Row& row) {
                           const int contactnr = row.Int(0);
                           if (contactnr >= 0 && contactnr <= modSql::MaxContactnr)
                               index[static_cast<std::size_t>(contactnr)] = static_cast<int>(
                                   finder.addPerson(static_cast<qint16>(contactnr), modText::TrimBlanks(row.Text(1))));
                       });
    auto entries = [&](const QString& sql, void (Finder::*add)(std::size_t, const QString&)) {
        modSql::ForEachRow(sql, [&](const Engine::Connection::Row& row) {
            const int contactnr = row.Int(0);
            if (contactnr >= 0 && contactnr <= modSql::MaxContactnr && index[static_cast<std::size_t>(contactnr)] >= 0)
                (finder.*add)(static_cast<std::size_t>(index[static_cast<std::size_t>(contactnr)]), row.Text(1));
        });
    };
    entries(QStringLiteral("SELECT Contactnr, [Number] FROM Phone "), &Finder::addPhone);
    entries(QStringLiteral("SELECT Contactnr, Email FROM Email "), &Finder::addEmail);
    Found found;
    found.groups = finder.groups();
    for (const Group& group : found.groups)
        for (const qint16 contactnr : group.contactnrs)
            found.names.insert(contactnr,
                               finder.name(static_cast<std::size_t>(index[static_cast<std::size_t>(contactnr)])));
    return found;
}

QString ReasonText(int reasons)
{
    QStringList texts;
    if (reasons & SameName)
        texts << T("Same name");
    if (reasons & SameEmail)
        texts << T("Same e-mail address");
    if (reasons & SamePhone)
        texts << T("Same number");
    // "Same name, same number": the reasons after the first go on the sentence.
    for (qsizetype i = 1; i < texts.size(); ++i)
        texts[i] = texts[i].left(1).toLower() + texts[i].mid(1);
    return texts.join(QStringLiteral(", "));
}

namespace {

QStringList MergedUidsIn(Engine::Connection& connection)
{
    QStringList uids;
    if (!connection.TableExists(QString::fromLatin1(MergedTableName)))
        return uids;
    connection.ForEachRow(QStringLiteral("SELECT Uid FROM MergedUid ORDER BY Uid"),
                          [&uids](const Engine::Connection::Row& row) { uids << row.Text(0); });
    return uids;
}

} // namespace

QStringList MergedUids()
{
    return MergedUidsIn(modDatabase::DatabaseConnection());
}

namespace {

// A stored value as a statement writes it.
QString Literal(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("Null");
    switch (value.typeId()) {
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return QStringLiteral("#%1/%2/%3#").arg(date.month()).arg(date.day()).arg(date.year(), 4, 10, QLatin1Char('0'));
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        return QLatin1Char('\'') + modSql::QuoteSql(value.toString()) + QLatin1Char('\'');
    }
}

// The rows of a table that belong to the person, as INSERT statements that make them again.
QStringList InsertsOf(const QString& table, qint16 contactnr, QStringList* personAssignments = nullptr)
{
    QStringList statements;
    for (Engine::Recordset rows =
             modSql::OpenRecordset(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE Contactnr = ") +
                                   QString::number(contactnr));
         !rows.Eof(); rows.MoveNext()) {
        QStringList columns;
        QStringList values;
        for (int c = 0; c < rows.ColumnNames().size(); ++c) {
            const QString column = QLatin1Char('[') + rows.ColumnNames().at(c) + QLatin1Char(']');
            columns << column;
            values << Literal(rows.Fields(c));
            if (personAssignments && rows.ColumnNames().at(c).compare(QLatin1String("Contactnr"), Qt::CaseInsensitive))
                *personAssignments << column + QStringLiteral(" = ") + values.last();
        }
        statements << QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                          columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                          values.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return statements;
}

// The statements that put the person back as it is now: its own row (written over for a
// person that stays, made again for one that goes), its numbers and addresses as stored,
// and what it holds beyond the three tables.
QStringList AsItIs(Engine::Connection& connection, qint16 contactnr, bool stays)
{
    const QString number = QString::number(contactnr);
    QStringList assignments;
    QStringList statements;
    const QStringList person = InsertsOf(QStringLiteral("Person"), contactnr, &assignments);
    if (stays) {
        statements << QStringLiteral("UPDATE Person SET ") + assignments.join(QStringLiteral(", ")) +
                          QStringLiteral(" WHERE Contactnr = ") + number;
        statements << QStringLiteral("DELETE FROM Phone WHERE Contactnr = ") + number
                   << QStringLiteral("DELETE FROM Email WHERE Contactnr = ") + number;
    } else {
        statements << person;
    }
    statements << InsertsOf(QStringLiteral("Phone"), contactnr) << InsertsOf(QStringLiteral("Email"), contactnr);
    const modPersonDetail::Detail detail = modPersonDetail::Read(connection, contactnr);
    statements << modPersonDetail::WriteStatements(contactnr, detail.birthday, detail.organisation, detail.title,
                                                   detail.photo, detail.groups);
    if (!detail.card.isEmpty())
        statements << modPersonDetail::KeepCardStatements(contactnr, detail.card);
    return statements;
}

} // namespace

Undo MergeGroups(const std::vector<Merge>& merges, const QString& dateFormat)
{
    Undo undo;
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    modPersonUid::EnsureTable(connection);
    modPersonDetail::EnsureTable(connection);
    Engine::Connection::Transaction transaction(connection);
    connection.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS MergedUid ( "
                                      "Uid TEXT COLLATE BINARY NOT NULL PRIMARY KEY, "
                                      "Merged TEXT COLLATE BINARY NOT NULL )"));
    const QHash<qint16, modPersonUid::Identity> identities = modPersonUid::Identities(connection);
    const modVcard::Limits limits = modMerge::CurrentLimits();
    for (const Merge& merge : merges) {
        undo.statements << AsItIs(connection, merge.kept, true);
        undo.identities.emplace_back(merge.kept, identities.value(merge.kept));
        for (const qint16 other : merge.others) {
            const modVcard::Person person = modMerge::ReadPerson(other);
            undo.statements << AsItIs(connection, other, false);
            undo.identities.emplace_back(other, identities.value(other));
            modSql::ExecuteSql(modContact::ExistingPersonStatements(
                merge.kept, modMerge::Merged(modMerge::ReadPerson(merge.kept), person, limits, dateFormat)));
            modSql::ExecuteSql(modContact::RemovePersonStatements(other));
            if (!identities.value(other).uid.isEmpty())
                connection.Execute(QStringLiteral("INSERT OR REPLACE INTO MergedUid (Uid, Merged) "
                                                  "VALUES ('%1', strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))")
                                       .arg(modSql::QuoteSql(identities.value(other).uid)));
        }
    }
    transaction.Commit();
    return undo;
}

void UndoMerge(const Undo& undo)
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    Engine::Connection::Transaction transaction(connection);
    modSql::ExecuteSql(undo.statements);
    // The persons get back their own UIDs and revisions, and are no longer merged away.
    for (const auto& [contactnr, identity] : undo.identities) {
        if (identity.uid.isEmpty())
            continue;
        connection.Execute(
            QStringLiteral("DELETE FROM MergedUid WHERE Uid = '%1'").arg(modSql::QuoteSql(identity.uid)));
        connection.Execute(
            QStringLiteral("UPDATE PersonUid SET Uid = '%1', Revision = '%2' WHERE Contactnr = %3")
                .arg(modSql::QuoteSql(identity.uid), modSql::QuoteSql(identity.revision), QString::number(contactnr)));
    }
    // A table that holds nothing any more goes with the merge it was made for.
    if (MergedUidsIn(connection).isEmpty())
        connection.Execute(QStringLiteral("DROP TABLE IF EXISTS MergedUid"));
    transaction.Commit();
}

} // namespace modDuplicates
