// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modPersonDetail.h"

#include "database/modSql.h"

#include <QRegularExpression>

namespace modPersonDetail {

namespace {

const char* const TriggerNames[] = {"PersonDetailChange", "PersonDetailRemove", "PersonGroupChange",
                                    "PersonGroupRemove"};

QString Literal(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("Null");
    return QLatin1Char('\'') + modSql::QuoteSql(text) + QLatin1Char('\'');
}

QString Number(qint16 contactnr)
{
    return QString::number(contactnr);
}

bool TableThere(Engine::Connection& connection)
{
    return connection.TableExists(QString::fromLatin1(TableName));
}

QStringList GroupStatements(qint16 contactnr, const QStringList& groups, bool newPerson = false);

bool GroupTableThere(Engine::Connection& connection)
{
    return connection.TableExists(QString::fromLatin1(GroupTableName));
}

// Every person's groups in order, of the persons wanted.
QHash<qint16, QStringList> ReadGroups(Engine::Connection& connection, const QString& where)
{
    QHash<qint16, QStringList> groups;
    if (!GroupTableThere(connection))
        return groups;
    connection.ForEachRow(
        QStringLiteral("SELECT Contactnr, Name FROM PersonGroup %1 ORDER BY Contactnr, Position").arg(where),
        [&groups](const Engine::Connection::Row& row) { groups[static_cast<qint16>(row.Int(0))] << row.Text(1); });
    return groups;
}

} // namespace

QString MonthDay::Stored() const
{
    return QStringLiteral("--%1-%2").arg(month, 2, 10, QLatin1Char('0')).arg(day, 2, 10, QLatin1Char('0'));
}

QDate MonthDay::In(int year) const
{
    if (month == 2 && day == 29 && !QDate::isLeapYear(year))
        return QDate(year, 2, 28);
    return QDate(year, month, day);
}

std::optional<MonthDay> ParseMonthDay(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^--(\\d{2})-?(\\d{2})$"));
    const QRegularExpressionMatch match = form.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const MonthDay birthday{match.captured(1).toInt(), match.captured(2).toInt()};
    // 2000 is a leap year: every day a birthday can fall on is a day of it.
    if (!QDate::isValid(2000, birthday.month, birthday.day))
        return std::nullopt;
    return birthday;
}

QString LongText(const MonthDay& birthday, const QLocale& locale)
{
    // The language's long date without the weekday and the year, and the separators
    // that would then stand at either end.
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression dropped(QStringLiteral("d{3,4}|y+"));
    format.remove(dropped);
    static const QRegularExpression edges(QStringLiteral("^[\\s,،.]+|[\\s,،]+$"));
    format.remove(edges);
    format = format.simplified();
    if (!format.contains(QLatin1Char('M')))
        format = QStringLiteral("d MMMM");
    return locale.toString(QDate(2000, birthday.month, birthday.day), format);
}

QStringList CreateStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS PersonDetail ( "
                       "Contactnr SMALLINT NOT NULL PRIMARY KEY "
                       "REFERENCES Person(Contactnr) ON DELETE CASCADE ON UPDATE CASCADE, "
                       "Birthday TEXT COLLATE BINARY, Organisation TEXT, Title TEXT, "
                       "Photo TEXT COLLATE BINARY, Card TEXT COLLATE BINARY )"),
        // Without foreign keys (another tool) a changed number or a removal is carried over here.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonDetailChange AFTER UPDATE OF Contactnr ON Person BEGIN "
                       "UPDATE PersonDetail SET Contactnr = new.Contactnr "
                       "WHERE Contactnr = old.Contactnr AND old.Contactnr <> new.Contactnr; "
                       "END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonDetailRemove AFTER DELETE ON Person BEGIN "
                       "DELETE FROM PersonDetail WHERE Contactnr = old.Contactnr; "
                       "END"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS PersonGroup ( "
                       "Contactnr SMALLINT NOT NULL "
                       "REFERENCES Person(Contactnr) ON DELETE CASCADE ON UPDATE CASCADE, "
                       "Position INTEGER NOT NULL, Name TEXT NOT NULL, PRIMARY KEY (Contactnr, Name) )"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS PersonGroupName ON PersonGroup (Name)"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonGroupChange AFTER UPDATE OF Contactnr ON Person BEGIN "
                       "UPDATE PersonGroup SET Contactnr = new.Contactnr "
                       "WHERE Contactnr = old.Contactnr AND old.Contactnr <> new.Contactnr; "
                       "END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonGroupRemove AFTER DELETE ON Person BEGIN "
                       "DELETE FROM PersonGroup WHERE Contactnr = old.Contactnr; "
                       "END"),
    };
}

namespace {

// The values of a property's text, parted at commas that are not escaped, unescaped.
QStringList ListValues(const QString& text)
{
    QStringList values{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(',')) {
            values << QString();
        } else if (c == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            values.last() += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(u'\n') : next;
        } else {
            values.last() += c;
        }
    }
    return values;
}

// The groups a kept card names: the values of its CATEGORIES lines.
QStringList CategoriesOf(const QByteArray& card)
{
    static const QRegularExpression line(QStringLiteral("^(?:[A-Za-z0-9-]+\\.)?CATEGORIES[;:]"),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList groups;
    for (const QString& text : CardLines(card)) {
        if (!line.match(text).hasMatch())
            continue;
        // The value follows the first colon outside a quoted parameter value.
        bool quoted = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('"'))
                quoted = !quoted;
            else if (text.at(i) == QLatin1Char(':') && !quoted) {
                groups << ListValues(text.mid(i + 1));
                break;
            }
        }
    }
    return CleanGroups(groups);
}

// Persons stored before groups were kept hold them in their kept cards: they become the
// persons' groups when the table is made, so that no later write drops them from a card.
void GroupsFromKeptCards(Engine::Connection& connection)
{
    std::vector<std::pair<qint16, QStringList>> found;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Card FROM PersonDetail WHERE Card LIKE '%CATEGORIES%'"),
                          [&found](const Engine::Connection::Row& row) {
                              const QStringList groups = CategoriesOf(row.Utf8(1).toByteArray());
                              if (!groups.isEmpty())
                                  found.emplace_back(static_cast<qint16>(row.Int(0)), groups);
                          });
    for (const auto& [contactnr, groups] : found)
        for (const QString& statement : GroupStatements(contactnr, groups))
            connection.Execute(statement);
}

} // namespace

void EnsureTable(Engine::Connection& connection)
{
    if (TableThere(connection) && GroupTableThere(connection)) {
        Engine::Recordset triggers = connection.OpenRecordset(
            QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name IN "
                           "('PersonDetailChange', 'PersonDetailRemove', 'PersonGroupChange', 'PersonGroupRemove')"));
        if (triggers.Fields(0).toInt() == static_cast<int>(std::size(TriggerNames)))
            return;
    }
    Engine::Connection::Transaction transaction(connection);
    const bool groupsNew = !GroupTableThere(connection);
    for (const QString& statement : CreateStatements())
        connection.Execute(statement);
    if (groupsNew)
        GroupsFromKeptCards(connection);
    connection.Execute(
        QStringLiteral("DELETE FROM PersonDetail WHERE Contactnr NOT IN (SELECT Contactnr FROM Person)"));
    connection.Execute(QStringLiteral("DELETE FROM PersonGroup WHERE Contactnr NOT IN (SELECT Contactnr FROM Person)"));
    transaction.Commit();
}

namespace {

// The rows of persons, the photo and the card read only when asked; where a person's
// number meets the condition (a WHERE clause, "" for all).
void ForEachDetail(Engine::Connection& connection, bool photos, bool cards, const QString& where,
                   const std::function<void(qint16, Detail&&)>& visit)
{
    if (!TableThere(connection))
        return;
    const QString kept = (photos ? QStringLiteral("Photo, ") : QStringLiteral("Null, ")) +
                         (cards ? QStringLiteral("Card") : QStringLiteral("Null"));
    connection.ForEachRow(
        QStringLiteral("SELECT Contactnr, Birthday, Organisation, Title, %1 FROM PersonDetail %2").arg(kept, where),
        [&visit](const Engine::Connection::Row& row) {
            Detail detail;
            detail.exists = true;
            detail.birthday = ParseMonthDay(row.Text(1));
            detail.organisation = row.Text(2);
            detail.title = row.Text(3);
            detail.photo = QByteArray::fromBase64(row.Utf8(4).toByteArray());
            detail.card = row.Utf8(5).toByteArray();
            visit(static_cast<qint16>(row.Int(0)), std::move(detail));
        });
}

} // namespace

Detail Read(Engine::Connection& connection, qint16 contactnr)
{
    Detail found;
    const QString where = QStringLiteral("WHERE Contactnr = ") + Number(contactnr);
    ForEachDetail(connection, true, true, where, [&found](qint16, Detail&& detail) { found = std::move(detail); });
    found.groups = ReadGroups(connection, where).value(contactnr);
    return found;
}

QByteArray KeptCard(Engine::Connection& connection, qint16 contactnr)
{
    QByteArray card;
    if (TableThere(connection))
        connection.ForEachRow(QStringLiteral("SELECT Card FROM PersonDetail WHERE Contactnr = ") + Number(contactnr),
                              [&card](const Engine::Connection::Row& row) { card = row.Utf8(0).toByteArray(); });
    return card;
}

QHash<qint16, Detail> ReadAll(Engine::Connection& connection, bool photos, bool cards,
                              const std::function<bool(qint16)>& wanted, const QString& where)
{
    QHash<qint16, Detail> details;
    ForEachDetail(connection, photos, cards, where, [&](qint16 contactnr, Detail&& detail) {
        if (wanted(contactnr))
            details.insert(contactnr, std::move(detail));
    });
    // A person in groups with no other detail has no row of its own: "exists" stays false.
    const QHash<qint16, QStringList> groups = ReadGroups(connection, where);
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        if (wanted(it.key()))
            details[it.key()].groups = it.value();
    return details;
}

QHash<qint16, MonthDay> Birthdays(Engine::Connection& connection)
{
    QHash<qint16, MonthDay> birthdays;
    if (!TableThere(connection))
        return birthdays;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Birthday FROM PersonDetail WHERE Birthday IS NOT NULL"),
                          [&birthdays](const Engine::Connection::Row& row) {
                              if (const std::optional<MonthDay> birthday = ParseMonthDay(row.Text(1)))
                                  birthdays.insert(static_cast<qint16>(row.Int(0)), *birthday);
                          });
    return birthdays;
}

std::vector<NamedBirthday> BirthdaysWithoutYear(Engine::Connection& connection)
{
    std::vector<NamedBirthday> found;
    // The few persons with such a birthday first: most files have none, and then Person is not read.
    const QHash<qint16, MonthDay> birthdays = Birthdays(connection);
    if (birthdays.isEmpty())
        return found;
    QStringList numbers;
    for (auto it = birthdays.cbegin(); it != birthdays.cend(); ++it)
        numbers << QString::number(it.key());
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Name FROM Person WHERE Dateofbirth IS NULL "
                                         "AND Contactnr IN (%1) ORDER BY Contactnr")
                              .arg(numbers.join(QLatin1Char(','))),
                          [&](const Engine::Connection::Row& row) {
                              const auto contactnr = static_cast<qint16>(row.Int(0));
                              found.push_back({contactnr, row.Text(1).trimmed(), birthdays.value(contactnr)});
                          });
    return found;
}

QHash<qint16, std::pair<QString, QString>> OrganisationsAndTitles(Engine::Connection& connection)
{
    QHash<qint16, std::pair<QString, QString>> found;
    if (!TableThere(connection))
        return found;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Organisation, Title FROM PersonDetail "
                                         "WHERE Organisation IS NOT NULL OR Title IS NOT NULL"),
                          [&found](const Engine::Connection::Row& row) {
                              found.insert(static_cast<qint16>(row.Int(0)), {row.Text(1), row.Text(2)});
                          });
    return found;
}

QHash<qint16, QByteArray> Cards(Engine::Connection& connection)
{
    QHash<qint16, QByteArray> cards;
    if (!TableThere(connection))
        return cards;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Card FROM PersonDetail WHERE Card IS NOT NULL"),
                          [&cards](const Engine::Connection::Row& row) {
                              cards.insert(static_cast<qint16>(row.Int(0)), row.Utf8(1).toByteArray());
                          });
    return cards;
}

namespace {

QStringList GroupStatements(qint16 contactnr, const QStringList& groups, bool newPerson)
{
    QStringList statements;
    if (!newPerson)
        statements << QStringLiteral("DELETE FROM PersonGroup WHERE Contactnr = ") + Number(contactnr);
    int position = 0;
    for (const QString& group : CleanGroups(groups))
        statements << QStringLiteral("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (%1, %2, %3)")
                          .arg(Number(contactnr))
                          .arg(++position)
                          .arg(Literal(group));
    return statements;
}

QStringList DetailStatements(qint16 contactnr, const std::optional<MonthDay>& birthday, const QString& organisation,
                             const QString& title, const QByteArray& photo, bool newPerson);

} // namespace

QStringList WriteStatements(qint16 contactnr, const std::optional<MonthDay>& birthday, const QString& organisation,
                            const QString& title, const QByteArray& photo, const QStringList& groups, bool newPerson)
{
    return DetailStatements(contactnr, birthday, organisation, title, photo, newPerson) +
           GroupStatements(contactnr, groups, newPerson);
}

QStringList CleanGroups(const QStringList& groups)
{
    QStringList clean;
    for (const QString& group : groups) {
        const QString name = group.simplified();
        if (!name.isEmpty() && !clean.contains(name, Qt::CaseInsensitive))
            clean << name;
    }
    return clean;
}

QStringList ParseGroups(const QString& text)
{
    return CleanGroups(text.split(QLatin1Char(',')));
}

QString GroupsText(const QStringList& groups)
{
    return groups.join(QStringLiteral(", "));
}

std::vector<GroupUse> Groups(Engine::Connection& connection)
{
    std::vector<GroupUse> groups;
    if (!GroupTableThere(connection))
        return groups;
    // Names of one group in another case are one group, in the list order of names.
    connection.ForEachRow(QStringLiteral("SELECT Name, COUNT(*) FROM PersonGroup GROUP BY Name ORDER BY Name"),
                          [&groups](const Engine::Connection::Row& row) {
                              groups.push_back({row.Text(0), row.Int(1)});
                          });
    return groups;
}

QSet<qint16> GroupMembers(Engine::Connection& connection, const QString& group)
{
    QSet<qint16> members;
    if (!GroupTableThere(connection))
        return members;
    connection.ForEachRow(
        QStringLiteral("SELECT Contactnr FROM PersonGroup WHERE Name = ") + Literal(group),
        [&members](const Engine::Connection::Row& row) { members.insert(static_cast<qint16>(row.Int(0))); });
    return members;
}

QStringList RenameGroupStatements(const QString& from, const QString& to)
{
    const QString name = to.simplified();
    return {QStringLiteral("DELETE FROM PersonGroup WHERE Name = %1 AND Contactnr IN "
                           "(SELECT Contactnr FROM PersonGroup WHERE Name = %2 COLLATE NOCASE AND Name <> %1)")
                .arg(Literal(from), Literal(name)),
            QStringLiteral("UPDATE PersonGroup SET Name = %1 WHERE Name = %2").arg(Literal(name), Literal(from))};
}

QStringList RemoveGroupStatements(const QString& group)
{
    return {QStringLiteral("DELETE FROM PersonGroup WHERE Name = ") + Literal(group)};
}

namespace {

QStringList DetailStatements(qint16 contactnr, const std::optional<MonthDay>& birthday, const QString& organisation,
                             const QString& title, const QByteArray& photo, bool newPerson)
{
    const QString where = QStringLiteral(" WHERE Contactnr = ") + Number(contactnr);
    const QString set = QStringLiteral("UPDATE PersonDetail SET Birthday = ") +
                        Literal(birthday ? birthday->Stored() : QString()) + QStringLiteral(", Organisation = ") +
                        Literal(organisation.trimmed()) + QStringLiteral(", Title = ") + Literal(title.trimmed()) +
                        QStringLiteral(", Photo = ") + Literal(QString::fromLatin1(photo.toBase64())) + where;
    if (!birthday && organisation.trimmed().isEmpty() && title.trimmed().isEmpty() && photo.isEmpty()) {
        if (newPerson)
            return {};
        return {set, QStringLiteral("DELETE FROM PersonDetail") + where + QStringLiteral(" AND Card IS NULL")};
    }
    return {QStringLiteral("INSERT OR IGNORE INTO PersonDetail (Contactnr) VALUES (") + Number(contactnr) +
                QLatin1Char(')'),
            set};
}

} // namespace

QStringList KeepCardStatements(qint16 contactnr, const QByteArray& card)
{
    // One statement for a person with a row and one without: an import keeps a card for every person it adds.
    return {QStringLiteral("INSERT INTO PersonDetail (Contactnr, Card) VALUES (") + Number(contactnr) +
            QStringLiteral(", ") + Literal(QString::fromUtf8(card)) +
            QStringLiteral(") ON CONFLICT (Contactnr) DO UPDATE SET Card = excluded.Card")};
}

QStringList CardLines(const QByteArray& card)
{
    QStringList lines;
    for (QString raw : QString::fromUtf8(card).split(QLatin1Char('\n'))) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (!raw.isEmpty() && (raw.front() == QLatin1Char(' ') || raw.front() == QLatin1Char('\t')) && !lines.isEmpty())
            lines.last() += raw.mid(1);
        else if (!raw.isEmpty())
            lines << raw;
    }
    return lines;
}

} // namespace modPersonDetail
