// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modPersonDetail.h"

#include "database/modSql.h"

#include <QRegularExpression>

namespace modPersonDetail {

namespace {

const char* const TriggerNames[] = {"PersonDetailChange", "PersonDetailRemove"};

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
    };
}

void EnsureTable(Engine::Connection& connection)
{
    if (TableThere(connection)) {
        Engine::Recordset triggers = connection.OpenRecordset(
            QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name IN "
                           "('PersonDetailChange', 'PersonDetailRemove')"));
        if (triggers.Fields(0).toInt() == static_cast<int>(std::size(TriggerNames)))
            return;
    }
    Engine::Connection::Transaction transaction(connection);
    for (const QString& statement : CreateStatements())
        connection.Execute(statement);
    connection.Execute(
        QStringLiteral("DELETE FROM PersonDetail WHERE Contactnr NOT IN (SELECT Contactnr FROM Person)"));
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

Detail Read(Engine::Connection& connection, qint16 contactnr, bool withPhoto)
{
    Detail found;
    ForEachDetail(connection, withPhoto, true, QStringLiteral("WHERE Contactnr = ") + Number(contactnr),
                  [&found](qint16, Detail&& detail) { found = std::move(detail); });
    return found;
}

QHash<qint16, Detail> ReadAll(Engine::Connection& connection, bool photos, bool cards,
                              const std::function<bool(qint16)>& wanted)
{
    QHash<qint16, Detail> details;
    ForEachDetail(connection, photos, cards, QString(), [&](qint16 contactnr, Detail&& detail) {
        if (wanted(contactnr))
            details.insert(contactnr, std::move(detail));
    });
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

QStringList WriteStatements(qint16 contactnr, const std::optional<MonthDay>& birthday, const QString& organisation,
                            const QString& title, const QByteArray& photo)
{
    const QString where = QStringLiteral(" WHERE Contactnr = ") + Number(contactnr);
    const QString set = QStringLiteral("UPDATE PersonDetail SET Birthday = ") +
                        Literal(birthday ? birthday->Stored() : QString()) + QStringLiteral(", Organisation = ") +
                        Literal(organisation.trimmed()) + QStringLiteral(", Title = ") + Literal(title.trimmed()) +
                        QStringLiteral(", Photo = ") + Literal(QString::fromLatin1(photo.toBase64())) + where;
    if (!birthday && organisation.trimmed().isEmpty() && title.trimmed().isEmpty() && photo.isEmpty())
        return {set, QStringLiteral("DELETE FROM PersonDetail") + where + QStringLiteral(" AND Card IS NULL")};
    return {QStringLiteral("INSERT OR IGNORE INTO PersonDetail (Contactnr) VALUES (") + Number(contactnr) +
                QLatin1Char(')'),
            set};
}

QStringList KeepCardStatements(qint16 contactnr, const QByteArray& card)
{
    return {QStringLiteral("INSERT OR IGNORE INTO PersonDetail (Contactnr) VALUES (") + Number(contactnr) +
                QLatin1Char(')'),
            QStringLiteral("UPDATE PersonDetail SET Card = ") + Literal(QString::fromUtf8(card)) +
                QStringLiteral(" WHERE Contactnr = ") + Number(contactnr)};
}

} // namespace modPersonDetail
