#pragma once

#include <QFileDevice>
#include <QString>

// Brings database files of older versions up to the current layout when they are
// opened: narrow Phone and Email text columns are widened, and the separate first and
// last name columns of versions before 1.4.0 become the one Name column (after a
// backup copy of the file).
namespace modUpgrade {

// The copy kept beside a file before its names are converted: home.mdb gives
// home_BeforeVersion140.mdb in the same folder.
QString BackupPath(const QString& path);

// Writes a copy of source to target, replacing target in one step: an existing target
// is never left half-written. NoError, or the kind of failure with its reason in error.
QFileDevice::FileError SaveCopy(const QString& source, const QString& target, QString* error);

// The conversions on the current database. Each tells whether it changed the file and
// throws Engine::EngineError when a statement fails; a file that needs no conversion
// is left alone.
bool WidenColumns();
bool UpgradeDatabase();

// Both conversions in order, as the opening of a database runs them. False when a
// conversion failed (the error has been shown); the file is then as it was before
// that conversion, and a backup copy that was made stays.
bool RunUpgrades();

// Makes every opened database go through RunUpgrades.
void InstallUpgradeHandler();

} // namespace modUpgrade
