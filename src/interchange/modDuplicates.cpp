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

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace modDuplicates {

namespace {

// Candidates linked into sets, by index.
class Links
{
public:
    explicit Links(size_t size) : m_parent(size) { std::iota(m_parent.begin(), m_parent.end(), size_t(0)); }
    size_t Root(size_t i)
    {
        while (m_parent[i] != i)
            i = m_parent[i] = m_parent[m_parent[i]];
        return i;
    }
    void Join(size_t a, size_t b)
    {
        a = Root(a);
        b = Root(b);
        // The earlier candidate stays the root, so groups keep the candidates' order.
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b);
    }

private:
    std::vector<size_t> m_parent;
};

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

void Run(const QStringList& statements)
{
    for (const QString& statement : statements)
        modSql::ExecuteSql(statement);
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
    return digits.right(8);
}

namespace {

// The keys of one reason, held in one text: a full database has a hundred thousand
// of them, and a hash of strings held each in its own allocation would be most of
// the memory of a search.
class Keys
{
public:
    void add(const QString& key, std::size_t candidate)
    {
        if (key.isEmpty())
            return;
        const QByteArray utf8 = key.toUtf8();
        m_items.push_back(
            {static_cast<quint32>(m_text.size()), static_cast<quint32>(utf8.size()), static_cast<quint32>(candidate)});
        m_text += utf8;
    }
    // Joins every candidate with a key to the first (by position) with the same key,
    // and notes the reason with that first one.
    void link(Links& links, std::vector<int>& reasons, int reason)
    {
        const auto key = [this](const Item& item) {
            return QByteArrayView(m_text.constData() + item.start, item.length);
        };
        std::sort(m_items.begin(), m_items.end(), [&key](const Item& a, const Item& b) {
            const int compared = key(a).compare(key(b));
            return compared != 0 ? compared < 0 : a.candidate < b.candidate;
        });
        for (std::size_t first = 0, i = 1; i <= m_items.size(); ++i) {
            if (i < m_items.size() && key(m_items[i]) == key(m_items[first])) {
                if (m_items[i].candidate != m_items[first].candidate) {
                    links.Join(m_items[first].candidate, m_items[i].candidate);
                    reasons[m_items[first].candidate] |= reason;
                }
                continue;
            }
            first = i;
        }
    }

private:
    struct Item
    {
        quint32 start;
        quint32 length;
        quint32 candidate;
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
    void addPhone(std::size_t candidate, const QString& number) { m_phones.add(PhoneKey(number), candidate); }
    QString name(std::size_t candidate) const
    {
        const quint32 start = candidate == 0 ? 0 : m_nameEnds[candidate - 1];
        return QString::fromUtf8(m_displayNames.constData() + start, m_nameEnds[candidate] - start);
    }

    // The groups linked by any reason, in the order of their first person's name; persons
    // linked through others are one group.
    std::vector<Group> groups()
    {
        const std::size_t count = m_contactnrs.size();
        Links links(count);
        std::vector<int> reasons(count, 0);
        m_names.link(links, reasons, SameName);
        m_emails.link(links, reasons, SameEmail);
        m_phones.link(links, reasons, SamePhone);
        // The reasons belong to the group their members ended in.
        std::vector<int> groupReasons(count, 0);
        for (std::size_t i = 0; i < count; ++i)
            groupReasons[links.Root(i)] |= reasons[i];
        std::vector<Group> groups;
        std::vector<std::size_t> groupOf(count, SIZE_MAX);
        std::vector<QString> firstNames;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t root = links.Root(i);
            if (groupReasons[root] == 0)
                continue;
            if (groupOf[root] == SIZE_MAX) {
                groupOf[root] = groups.size();
                groups.push_back({{}, groupReasons[root]});
                firstNames.push_back(name(i));
            }
            groups[groupOf[root]].contactnrs.push_back(m_contactnrs[i]);
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
    modSql::ForEachRow(QStringLiteral("SELECT Contactnr, Name ") + QStringLiteral("FROM Person ") +
                           QStringLiteral("ORDER BY Contactnr "),
                       [&](const Engine::Connection::Row& row) {
                           const int contactnr = row.Int(0);
                           if (contactnr >= 0 && contactnr <= modSql::MaxContactnr)
                               index[static_cast<std::size_t>(contactnr)] = static_cast<int>(
                                   finder.addPerson(static_cast<qint16>(contactnr), modMain::TrimBlanks(row.Text(1))));
                       });
    auto entries = [&](const QString& sql, void (Finder::*add)(std::size_t, const QString&)) {
        modSql::ForEachRow(sql, [&](const Engine::Connection::Row& row) {
            const int contactnr = row.Int(0);
            if (contactnr >= 0 && contactnr <= modSql::MaxContactnr && index[static_cast<std::size_t>(contactnr)] >= 0)
                (finder.*add)(static_cast<std::size_t>(index[static_cast<std::size_t>(contactnr)]), row.Text(1));
        });
    };
    entries(QStringLiteral("SELECT Contactnr, [Number] ") + QStringLiteral("FROM Phone "), &Finder::addPhone);
    entries(QStringLiteral("SELECT Contactnr, Email ") + QStringLiteral("FROM Email "), &Finder::addEmail);
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
    return texts.join(QStringLiteral(", "));
}

QStringList MergedUids()
{
    QStringList uids;
    if (!modDatabase::DatabaseConnection().TableExists(QString::fromLatin1(MergedTableName)))
        return uids;
    modSql::ForEachRow(QStringLiteral("SELECT Uid FROM MergedUid ORDER BY Uid"),
                       [&uids](const Engine::Connection::Row& row) { uids << row.Text(0); });
    return uids;
}

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
        undo.kept.emplace_back(merge.kept, modMerge::ReadPerson(merge.kept));
        undo.identities.emplace_back(merge.kept, identities.value(merge.kept));
        for (const qint16 other : merge.others) {
            const modVcard::Person person = modMerge::ReadPerson(other);
            undo.removed.emplace_back(other, person);
            const QByteArray card = modPersonDetail::Read(connection, other, false).card;
            if (!card.isEmpty())
                undo.cards.emplace_back(other, card);
            undo.identities.emplace_back(other, identities.value(other));
            Run(modContact::ExistingPersonStatements(
                merge.kept, modMerge::Merged(modMerge::ReadPerson(merge.kept), person, limits, dateFormat)));
            Run(modContact::RemovePersonStatements(other));
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
    for (const auto& [contactnr, person] : undo.kept)
        Run(modContact::ExistingPersonStatements(contactnr, modMerge::ToContact(person)));
    for (const auto& [contactnr, person] : undo.removed)
        Run(modContact::NewPersonStatements(contactnr, modMerge::ToContact(person)));
    for (const auto& [contactnr, card] : undo.cards)
        Run(modPersonDetail::KeepCardStatements(contactnr, card));
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
    transaction.Commit();
}

} // namespace modDuplicates
