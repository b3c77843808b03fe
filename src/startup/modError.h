// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QDateTime>
#include <QString>

// The two reports for a database library or engine that cannot be used, and the
// error log "Addrion.log".
namespace modError {

// What the first line of the missing-components report names by default.
QString DatabaseLibraryName();

// Both reports write their line to the log at once and come back as the report for the
// window that started the operation to show.
// The database library cannot be used (or another named component is missing).
Failure MdacError(int number, const QString& description, const QString& missingComponent = {});
// The database engine failed or the database file cannot be reached.
Failure JetError(int number, const QString& description);

// Appends "date time - text" to the log.
void WriteLog(const QString& text);
// Beside the program when that folder is writable, else in the user's data folder.
QString LogFilePath();
// The line WriteLog writes for a moment and a text (without the line end).
QString LogLine(const QDateTime& moment, const QString& text);

} // namespace modError
