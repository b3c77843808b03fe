// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSql.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"

namespace modSql {

namespace {

Engine::Connection& OpenConnection()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    if (!connection.IsOpen())
        throw Engine::EngineError(3704, QStringLiteral("No database is open."));
    return connection;
}

} // namespace

Engine::Recordset OpenRecordset(const QString& sql)
{
    return OpenConnection().OpenRecordset(sql);
}

void ForEachRow(const QString& sql, const std::function<void(const Engine::Connection::Row&)>& visit)
{
    OpenConnection().ForEachRow(sql, visit);
}

void ExecuteSql(const QString& sql)
{
    OpenConnection().Execute(sql);
}

void ExecuteSql(const QStringList& statements)
{
    for (const QString& statement : statements)
        ExecuteSql(statement);
}

QString QuoteSql(const QString& text)
{
    QString quoted = text;
    // The statement text would end at a NUL, leaving the quote open.
    quoted.remove(QChar(0));
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}

std::optional<qint16> FirstFreeNumber(const QList<int>& ascending)
{
    int candidate = 1;
    for (const int value : ascending) {
        // Numbers below 1 are never handed out, so they leave no gap to fill.
        if (value < candidate)
            continue;
        if (value > candidate)
            break;
        ++candidate;
    }
    if (candidate > MaxContactnr)
        return std::nullopt;
    return static_cast<qint16>(candidate);
}

std::optional<qint16> GetFreeNumber(const QString& table, const QString& column)
{
    Engine::Recordset rs = OpenRecordset(QStringLiteral("SELECT ") + column + QStringLiteral(" FROM ") + table +
                                         QStringLiteral(" ORDER BY ") + column + QStringLiteral(" "));
    QList<int> numbers;
    numbers.reserve(rs.RecordCount());
    for (; !rs.Eof(); rs.MoveNext())
        numbers << rs.Fields(0).toInt();
    return FirstFreeNumber(numbers);
}

Failure EngineFailure(const Engine::EngineError& error)
{
    return Failure{T("Error"),
                   T("Error") + QLatin1Char(' ') + QString::number(error.number()) + QStringLiteral(": ") +
                       error.description(),
                   error.number()};
}

} // namespace modSql
