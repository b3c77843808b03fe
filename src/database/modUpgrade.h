// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QString>

// Brings database files of older versions up to the current layout when they are
// opened: narrow Phone and Email text columns are widened, and the separate first and
// last name columns of versions before 1.4.0 become the one Name column (after a
// backup copy of the file).
namespace modUpgrade {

// The copy kept beside a file before its names are converted: home.mdb gives
// home_BeforeVersion140.mdb in the same folder.
QString BackupPath(const QString& path);

// The number of persons in the database file at path; throws Engine::EngineError.
int CountPersons(const QString& path);

// Why the database file at path must not be used as a copy holding persons persons:
// it does not open, fails the integrity check or holds another number of persons.
// "" when it is sound.
QString CheckDatabaseCopy(const QString& path, int persons);

// Writes a copy of the database file source to target, replacing target in one step
// and only with a copy that passed CheckDatabaseCopy: an existing target is never left
// half-written. False, with the reason in error, on any failure.
bool SaveCopy(const QString& source, const QString& target, QString* error);

// The conversions on the current database. Each tells whether it changed the file and
// throws Engine::EngineError when a statement fails; a file that needs no conversion
// is left alone.
bool WidenColumns();
bool UpgradeDatabase();

// Both conversions in order, as the opening of a database runs them. Ended with the
// engine's failure when a conversion failed; the file is then as it was before that
// conversion, and a backup copy that was made stays. A layout that cannot be read is
// told through Failures::Notice, and the file opens as it is.
Outcome RunUpgrades();

// Makes every opened database go through RunUpgrades.
void InstallUpgradeHandler();

} // namespace modUpgrade
