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

std::vector<Group> FindGroups(const std::vector<Candidate>& candidates)
{
    Links links(candidates.size());
    std::vector<int> reasons(candidates.size(), 0);
    // The first candidate seen with a key; a later one with the same key joins it.
    QHash<QString, size_t> first[3];
    const int reasonOf[3] = {SameName, SameEmail, SamePhone};
    auto file = [&](int r, const QString& key, size_t candidate) {
        if (key.isEmpty())
            return;
        const auto seen = first[r].constFind(key);
        if (seen == first[r].constEnd()) {
            first[r].insert(key, candidate);
        } else if (*seen != candidate) {
            links.Join(*seen, candidate);
            reasons[*seen] |= reasonOf[r];
        }
    };
    for (auto& keys : first)
        keys.reserve(static_cast<qsizetype>(candidates.size()));
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& candidate = candidates[i];
        file(0, NameKey(candidate.name), i);
        for (const QString& email : candidate.emails)
            file(1, email.trimmed().toCaseFolded(), i);
        for (const QString& phone : candidate.phones)
            file(2, PhoneKey(phone), i);
    }
    // The reasons belong to the group their members ended in.
    std::vector<int> groupReasons(candidates.size(), 0);
    for (size_t i = 0; i < candidates.size(); ++i)
        groupReasons[links.Root(i)] |= reasons[i];

    std::vector<Group> groups;
    std::vector<size_t> groupOf(candidates.size(), SIZE_MAX);
    std::vector<QString> firstNames;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const size_t root = links.Root(i);
        if (groupReasons[root] == 0)
            continue;
        if (groupOf[root] == SIZE_MAX) {
            groupOf[root] = groups.size();
            groups.push_back({{}, groupReasons[root]});
            firstNames.push_back(candidates[i].name);
        }
        groups[groupOf[root]].contactnrs.push_back(candidates[i].contactnr);
    }
    // Groups in the order of their first person's name, as the main list shows them.
    std::vector<size_t> order(groups.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return QString::localeAwareCompare(firstNames[a], firstNames[b]) < 0; });
    std::vector<Group> sorted;
    sorted.reserve(groups.size());
    for (const size_t g : order)
        sorted.push_back(std::move(groups[g]));
    return sorted;
}

std::vector<Candidate> ReadCandidates()
{
    std::vector<Candidate> candidates;
    // Contact numbers are at most MaxContactnr: their place in the list by number.
    std::vector<int> index(modSql::MaxContactnr + 1, -1);
    modSql::ForEachRow(
        QStringLiteral("SELECT Contactnr, Name ") + QStringLiteral("FROM Person ") +
            QStringLiteral("ORDER BY Contactnr "),
        [&](const Engine::Connection::Row& row) {
            const int contactnr = row.Int(0);
            if (contactnr < 0 || contactnr > modSql::MaxContactnr)
                return;
            index[static_cast<size_t>(contactnr)] = static_cast<int>(candidates.size());
            candidates.push_back({static_cast<qint16>(contactnr), modMain::TrimBlanks(row.Text(1)), {}, {}});
        });
    auto entries = [&](const QString& sql, QStringList Candidate::*list) {
        modSql::ForEachRow(sql, [&](const Engine::Connection::Row& row) {
            const int contactnr = row.Int(0);
            if (contactnr >= 0 && contactnr <= modSql::MaxContactnr && index[static_cast<size_t>(contactnr)] >= 0)
                (candidates[static_cast<size_t>(index[static_cast<size_t>(contactnr)])].*list) << row.Text(1);
        });
    };
    entries(QStringLiteral("SELECT Contactnr, [Number] ") + QStringLiteral("FROM Phone "), &Candidate::phones);
    entries(QStringLiteral("SELECT Contactnr, Email ") + QStringLiteral("FROM Email "), &Candidate::emails);
    return candidates;
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
