// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"
#include "startup/Failure.h"
#include "startup/modEnvironment.h"

#include <QString>

#include <functional>

// The current database: at most one open at a time, through one shared connection.
namespace modDatabase {

// The default file name of a new database.
constexpr const char* DefaultFileName = "Addrion.mdb";

// What the main window shows of the current database. The main window implements it;
// the database operations call it whenever a database opens or closes.
class Observer
{
public:
    virtual ~Observer() = default;
    // After opening: caption "file - Addrion <version>", the path panel, and the commands
    // that need a database (the person commands only when it is writable).
    virtual void ShowDatabaseState(const QString& caption, const QString& path, bool writable) = 0;
    // After closing: the bare caption, empty panels, database commands off, details
    // cleared and any search ended.
    virtual void ResetDatabaseState(const QString& caption) = 0;
    // The contact list is filled from the newly opened database.
    virtual void FillContactList() = 0;
    // A database was opened (for the recent list).
    virtual void DatabaseOpened(const QString& path) = 0;
};
void SetObserver(Observer* observer);

// Asked when a file turns out to be password-protected: true when the protection has
// been removed and the file can be tried again, false when the user gave up.
using PasswordHandler = std::function<bool(const QString& path)>;
void SetPasswordHandler(PasswordHandler handler);

// Brings an older file layout up to date right after it was opened. Ended when that
// failed: the file is then not opened.
using UpgradeHandler = std::function<Outcome()>;
void SetUpgradeHandler(UpgradeHandler handler);

// Asked before a file's triggers and views not made by the program are removed; without
// a handler the answer is no, and such a file is not opened.
void SetQuestionHandler(modEnvironment::YesNoQuestion handler);

Engine::Connection& DatabaseConnection();
bool IsDatabaseOpen();

// What goes wrong on the way without ending an operation (a file that opens read-only,
// a table that cannot be added) is told through Failures::Notice as it happens; what
// ends an operation is its outcome.

// Makes the file the current database; the caller has validated it. Ended when it
// cannot be opened; no database is open then.
Outcome OpenDatabase(const QString& path);
void CloseDatabase(bool compact);
// Creates a new database file with the three tables and opens it. Ended when the
// file could not be made; nothing half-made is left behind.
Outcome NewDatabase(const QString& path);
// Closes the current database, then tells whether the file is a usable database: done
// when it is, else ended with why not (nothing when the user gave up on a password).
Outcome IsValidDatabase(const QString& path);
// Opens the stored default database, or the personal folder's (made when missing). A
// stored default that is no longer valid is told and forgotten.
Outcome OpenDefaultDatabase();
// Writes a copy of the current database to destination, which is replaced; the
// current database stays open. Done when the copy was written; everything that goes
// wrong is told as it happens, a failed copy before the database opens again.
Outcome CopyDatabase(const QString& destination);
// Compacts the file; silent, and the file stays as it was on failure.
bool CompactDatabase(const QString& path);
void CreateTables();

// The three statements that make a new database's tables.
QStringList CreateTableStatements();

void ShowDatabaseState();
void ResetDatabaseState();
// "home.mdb - Addrion <version>" for an open database, "Addrion <version>" without one.
QString Caption(const QString& dataSource);

} // namespace modDatabase
