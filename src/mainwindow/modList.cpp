// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "mainwindow/modList.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "search/modSearch.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QRegularExpression>

#include <algorithm>

namespace modList {

namespace {

// Puts the digits of text into digits, reusing its storage.
void CollectDigits(QStringView text, QString& digits)
{
    digits.resize(0);
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
}

bool DigitsMatch(QStringView numberDigits, QStringView searchDigits, int op)
{
    switch (op) {
    case modSearch::PhoneEqual:
        return numberDigits == searchDigits;
    case modSearch::PhoneContains:
        return numberDigits.contains(searchDigits);
    case modSearch::PhoneBeginsWith:
        return numberDigits.startsWith(searchDigits);
    case modSearch::PhoneEndsWith:
        return numberDigits.endsWith(searchDigits);
    default:
        return false;
    }
}

void AppendQuickSearch(QString& sql, const QString& boxText, bool organisations)
{
    sql += QuickSearchSql(boxText, organisations);
}

// The position of a column in the rows, -1 when the query has no such column.
int ColumnIndex(const Engine::Recordset& rs, const QString& name)
{
    const QStringList& columns = rs.ColumnNames();
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// A column's value by position when it was found, else by name (which reports the
// missing column as the engine does).
QVariant Field(const Engine::Recordset& rs, int index, const QString& name)
{
    return index >= 0 ? rs.Fields(index) : rs.Fields(name);
}

} // namespace

ListQuery ListQuery::WithCurrentSearch(const QString& quickSearch, bool searchPressed)
{
    ListQuery query;
    query.quickSearch = quickSearch;
    query.searchPressed = searchPressed;
    query.searchCondition = modSearch::SearchCondition;
    query.phoneSearchActive = modSearch::PhoneSearchActive;
    query.phoneSearchOperator = modSearch::PhoneSearchOperator;
    query.phoneSearchText = modSearch::PhoneSearchText;
    query.emailSearchActive = modSearch::EmailSearchActive;
    return query;
}

bool ListQuery::SearchMode() const
{
    return searchPressed && (!searchCondition.isEmpty() || phoneSearchActive);
}

bool PhoneMatches(const QString& number, const QString& searchText, int op)
{
    return DigitsMatch(modEnvironment::DigitsOnly(number), modEnvironment::DigitsOnly(searchText), op);
}

namespace {

QStringList UnquotedWords(const QString& boxText)
{
    const QString pattern = modText::TrimBlanks(modText::AccentPattern(modText::FoldAccents(boxText)));
    if (pattern.isEmpty())
        return {};
    return pattern.split(QLatin1Char(' '), Qt::KeepEmptyParts);
}

} // namespace

QStringList QuickSearchWords(const QString& boxText)
{
    QStringList words = UnquotedWords(boxText);
    for (QString& word : words)
        word = modSql::QuoteSql(word);
    return words;
}

QString QuickSearchSql(const QString& boxText, bool organisations)
{
    QString sql;
    for (const QString& word : QuickSearchWords(boxText)) {
        const QString like = QStringLiteral("LIKE '%") + word + QStringLiteral("%' ");
        if (!organisations) {
            sql += QStringLiteral("AND TRIM(Name) ") + like;
            continue;
        }
        sql += QStringLiteral("AND (TRIM(Name) ") + like +
               QStringLiteral("OR Person.Contactnr IN (SELECT Contactnr FROM PersonDetail WHERE Organisation ") + like +
               QStringLiteral(")) ");
    }
    return sql;
}

QStringList QuickSearchPatterns(const QString& boxText)
{
    QStringList words = UnquotedWords(boxText);
    for (QString& word : words)
        word = QLatin1Char('%') + word + QLatin1Char('%');
    return words;
}

const std::vector<ContactRow>& PersonNames::All(Engine::Connection& connection)
{
    const Engine::Connection::ChangeStamp stamp = connection.Stamp();
    if (m_stamp && *m_stamp == stamp)
        return m_rows;
    // While the file stays open the list held is the best guess of the new order; a new
    // opening starts from the order kept for the file.
    std::vector<qint16> hint;
    if (m_stamp && m_stamp->opening == stamp.opening) {
        hint.reserve(m_rows.size());
        for (const ContactRow& row : m_rows)
            hint.push_back(row.contactnr);
    } else {
        hint = modListOrder::ReadHint(connection.DataSource());
    }
    m_stamp.reset();
    m_rows.clear();
    m_folded.clear();
    m_ends.clear();
    m_nullName.clear();
    m_organisations.clear();

    const modListOrder::StoredNames stored = modListOrder::ReadNames(connection);
    if (stored.onlyText)
        placeInOrder(stored.names, hint, connection.DataSource());
    else
        readSorted(connection); // a number or bytes stored as a name sorts by rules of the library's own
    const QHash<qint16, std::pair<QString, QString>> organisations =
        modPersonDetail::OrganisationsAndTitles(connection);
    for (std::size_t i = 0; i < m_rows.size() && !organisations.isEmpty(); ++i) {
        const auto found = organisations.constFind(m_rows[i].contactnr);
        if (found == organisations.constEnd() || found->first.isEmpty())
            continue;
        std::u32string folded;
        JetDialect::LikePattern::AppendFolded(found->first, folded);
        m_organisations.emplace(i, std::move(folded));
    }
    // Taken before the read: a change made meanwhile is seen at the next call.
    m_stamp = stamp;
    return m_rows;
}

void PersonNames::placeInOrder(const std::vector<modListOrder::Name>& names, std::vector<qint16>& hint,
                               const QString& databasePath)
{
    const std::vector<int> order = modListOrder::Order(names, hint);
    m_rows.reserve(order.size());
    for (const int i : order) {
        const modListOrder::Name& name = names[static_cast<std::size_t>(i)];
        append({name.contactnr, modText::TrimBlanks(QString::fromUtf8(name.utf8))}, name.isNull);
    }
    const auto sameNumber = [](qint16 contactnr, const ContactRow& row) { return contactnr == row.contactnr; };
    if (hint.size() == m_rows.size() && std::equal(hint.cbegin(), hint.cend(), m_rows.cbegin(), sameNumber))
        return;
    hint.resize(m_rows.size());
    std::transform(m_rows.cbegin(), m_rows.cend(), hint.begin(), [](const ContactRow& row) { return row.contactnr; });
    modListOrder::WriteHint(databasePath, hint);
}

void PersonNames::readSorted(Engine::Connection& connection)
{
    int contactColumn = -1;
    int nameColumn = -1;
    connection.ForEachRow(ContactListSql(ListQuery()), [&](const Engine::Connection::Row& row) {
        if (contactColumn < 0) {
            contactColumn = row.Column(QStringLiteral("Contactnr"));
            nameColumn = row.Column(QStringLiteral("Name"));
        }
        append({static_cast<qint16>(row.Int(contactColumn)), modText::TrimBlanks(row.Text(nameColumn))},
               row.IsNull(nameColumn));
    });
}

void PersonNames::append(ContactRow row, bool nullName)
{
    JetDialect::LikePattern::AppendFolded(row.name, m_folded);
    m_ends.push_back(m_folded.size());
    m_nullName.push_back(nullName);
    m_rows.push_back(std::move(row));
}

std::vector<ContactRow> PersonNames::Matching(const QString& boxText) const
{
    // Compiled when a row first needs it, as the query compiles a pattern at its first
    // row: a list with no row to test reports no error.
    const QStringList patterns = QuickSearchPatterns(boxText);
    if (patterns.isEmpty())
        return m_rows;
    std::vector<std::optional<JetDialect::LikePattern>> compiled(static_cast<std::size_t>(patterns.size()));
    std::vector<ContactRow> rows;
    rows.reserve(m_rows.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < m_rows.size(); start = m_ends[i], ++i) {
        const auto organisation = m_organisations.find(i);
        const bool hasOrganisation = organisation != m_organisations.end();
        if (m_nullName[i] && !hasOrganisation)
            continue;
        const std::u32string_view name(m_folded.data() + start, m_ends[i] - start);
        bool all = true;
        for (std::size_t w = 0; w < compiled.size() && all; ++w) {
            if (!compiled[w])
                compiled[w] = Engine::CompileLike(patterns[static_cast<qsizetype>(w)]);
            all = (!m_nullName[i] && compiled[w]->MatchesFolded(name)) ||
                  (hasOrganisation && compiled[w]->MatchesFolded(organisation->second));
        }
        if (all)
            rows.push_back(m_rows[i]);
    }
    return rows;
}

QString PhoneSearchSql(const ListQuery& query)
{
    QString inner;
    if (query.emailSearchActive)
        inner = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr FROM Person, Email, Phone "
                               "WHERE Person.Contactnr = Email.Contactnr AND Person.Contactnr = Phone.Contactnr ");
    else
        inner = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr FROM Person, Phone "
                               "WHERE Person.Contactnr = Phone.Contactnr ");
    return QStringLiteral("SELECT Contactnr, Number FROM Phone WHERE Contactnr IN ( ") + inner + query.searchCondition +
           QStringLiteral(") ");
}

QString ContactListSql(const ListQuery& query, const std::vector<qint16>& phoneMatches)
{
    QString sql = QStringLiteral("SELECT Contactnr, Name FROM Person ");
    if (!query.SearchMode()) {
        if (!query.quickSearch.isEmpty()) {
            sql += QStringLiteral("WHERE 1 = 1 ");
            AppendQuickSearch(sql, query.quickSearch, query.organisations);
        }
    } else {
        sql = QStringLiteral("SELECT * FROM Person ");
        if (!query.phoneSearchActive) {
            if (query.emailSearchActive)
                sql = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr, Name FROM Person, Email "
                                     "WHERE Person.Contactnr = Email.Contactnr ");
            sql += query.searchCondition;
        } else if (phoneMatches.empty()) {
            sql += QStringLiteral("WHERE 1 = 2 ");
        } else {
            sql.reserve(sql.size() + 64 + static_cast<qsizetype>(phoneMatches.size()) * 7);
            sql += QStringLiteral("WHERE Contactnr IN(");
            for (std::size_t i = 0; i < phoneMatches.size(); ++i) {
                if (i > 0)
                    sql += QLatin1Char(',');
                sql += QString::number(phoneMatches[i]);
            }
            sql += QStringLiteral(") ");
        }
        if (!query.quickSearch.isEmpty())
            AppendQuickSearch(sql, query.quickSearch, query.organisations);
    }
    sql += QStringLiteral("ORDER BY Name ");
    return sql;
}

QString CountSql()
{
    return QStringLiteral("SELECT COUNT(1) AS NumberOfPersons FROM Person ");
}

std::vector<qint16> PhoneSearchMatches(const ListQuery& query)
{
    Engine::Recordset rs = modSql::OpenRecordset(PhoneSearchSql(query));
    const QString numberName = QStringLiteral("Number");
    const QString contactName = QStringLiteral("Contactnr");
    const int numberColumn = ColumnIndex(rs, numberName);
    const int contactColumn = ColumnIndex(rs, contactName);
    const QString searchDigits = modEnvironment::DigitsOnly(query.phoneSearchText);
    QString digits;
    std::vector<qint16> matches;
    for (; !rs.Eof(); rs.MoveNext()) {
        CollectDigits(Field(rs, numberColumn, numberName).toString(), digits);
        if (DigitsMatch(digits, searchDigits, query.phoneSearchOperator))
            matches.push_back(static_cast<qint16>(Field(rs, contactColumn, contactName).toInt()));
    }
    return matches;
}

ContactList QueryContactList(const ListQuery& query, PersonNames& names)
{
    if (query.SearchMode())
        return QueryContactList(query);
    ContactList list;
    const std::vector<ContactRow>& all = names.All(modDatabase::DatabaseConnection());
    list.numberOfPersons = static_cast<int>(all.size());
    list.rows = query.quickSearch.isEmpty() ? all : names.Matching(query.quickSearch);
    KeepGroup(list.rows, query.group);
    return list;
}

ContactList QueryContactList(const ListQuery& asked)
{
    ListQuery query = asked;
    query.organisations =
        modDatabase::DatabaseConnection().TableExists(QString::fromLatin1(modPersonDetail::TableName));
    std::vector<qint16> phoneMatches;
    if (query.SearchMode() && query.phoneSearchActive)
        phoneMatches = PhoneSearchMatches(query);

    ContactList list;
    // The list is read once, row by row: every key stroke of the quick search fills it.
    int contactColumn = -1;
    int nameColumn = -1;
    modSql::ForEachRow(ContactListSql(query, phoneMatches), [&](const Engine::Connection::Row& row) {
        if (contactColumn < 0) {
            contactColumn = row.Column(QStringLiteral("Contactnr"));
            nameColumn = row.Column(QStringLiteral("Name"));
        }
        list.rows.push_back({static_cast<qint16>(row.Int(contactColumn)), modText::TrimBlanks(row.Text(nameColumn))});
    });
    Engine::Recordset count = modSql::OpenRecordset(CountSql());
    if (!count.Eof())
        list.numberOfPersons = count.Fields(QStringLiteral("NumberOfPersons")).toInt();
    KeepGroup(list.rows, query.group);
    return list;
}

void KeepGroup(std::vector<ContactRow>& rows, const QString& group)
{
    if (group.isEmpty())
        return;
    const QSet<qint16> members = modPersonDetail::GroupMembers(modDatabase::DatabaseConnection(), group);
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&members](const ContactRow& row) { return !members.contains(row.contactnr); }),
               rows.end());
}

QString CountText(const ContactList& list)
{
    return QString::number(list.rows.size()) + QLatin1Char('/') + QString::number(list.numberOfPersons);
}

ListCommands CommandsAfterFill(int rowCount, bool searchPressed)
{
    ListCommands commands;
    commands.exportAndEmail = rowCount > 0;
    // With no rows the Search command stays usable only to end the search in force.
    commands.search = rowCount > 0 || searchPressed;
    commands.selectFirst = rowCount > 0 && searchPressed;
    return commands;
}

} // namespace modList
