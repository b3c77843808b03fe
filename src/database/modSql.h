// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"
#include "startup/Failure.h"

#include <QString>

#include <optional>

// The only way the program runs SQL: on the current database's connection.
namespace modSql {

// A read-only snapshot of the rows. Throws Engine::EngineError.
Engine::Recordset OpenRecordset(const QString& sql);
// The rows of a query one at a time, without a snapshot. Throws Engine::EngineError.
void ForEachRow(const QString& sql, const std::function<void(const Engine::Connection::Row&)>& visit);
// Runs a statement that returns no rows. Throws Engine::EngineError.
void ExecuteSql(const QString& sql);
// Runs the statements in order; the first that fails throws, and the caller's transaction
// decides what stays.
void ExecuteSql(const QStringList& statements);
// Doubles every apostrophe, for a text placed between apostrophes in SQL.
QString QuoteSql(const QString& text);

// The highest number a contact can have.
constexpr int MaxContactnr = 32767;
// The lowest number from 1 not yet stored in the column; nothing when 1 to 32767 are
// all taken. Throws Engine::EngineError.
std::optional<qint16> GetFreeNumber(const QString& table, const QString& column);
// The same over numbers already read in ascending order, for callers that have them.
std::optional<qint16> FirstFreeNumber(const QList<int>& ascending);

// An engine error that ended a user command, as the user is shown it: its number and
// description.
Failure EngineFailure(const Engine::EngineError& error);

} // namespace modSql
