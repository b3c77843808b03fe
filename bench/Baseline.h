// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// What the library alone costs for the work of an operation: the same rows read with
// plain statements (no dialect, no collation or LIKE of ours) and the same bytes
// written to files in the same folder. The program is measured against these.
namespace Baseline {

// Runs each statement on a fresh read-only connection and reads every value.
void ReadPlain(const QString& database, const QStringList& statements);
// Writes size bytes to path as the program writes its files: whole, or not at all.
void WriteBytes(const QString& path, qint64 size);

// The statements the text and XHTML exports need for these persons.
QStringList ExportStatements(const std::vector<qint16>& contactnrs);
// The statements the calendar needs: every month's birthdays by day and name.
QStringList CalendarStatements();

// An import at the library's speed: the file read and split into cards by a minimal loop
// (folded lines joined; FN, TEL, EMAIL and ADR taken as they stand), and the persons, their
// numbers and addresses inserted with prepared statements in one transaction into a new
// database of the three tables. Returns the number of persons inserted.
int ImportPlain(const QString& cards, const QString& database);
// The same for a CSV file of the given header's layout: rows split by a minimal loop
// (quoted fields with their doubled quotes and line breaks), the name from the columns
// whose header names a first, middle or last name, the numbers and addresses from the
// columns of "Phone N - Value" and "E-mail N - Value", the address from its formatted
// column.
int ImportCsvPlain(const QString& rows, const QString& database);

} // namespace Baseline
