// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QString>

#include <optional>

// Password-protected database files are encrypted; the program works only with
// unprotected ones. Once the user has typed the password, the protection is removed
// for good: the sqlcipher program writes an unprotected copy that replaces the file.
namespace modPassword {

// The program that reads protected files.
constexpr const char* CipherProgramName = "sqlcipher";

// Why a removal failed: a number and a description, as the user is shown them.
struct RemovalError
{
    int number = 0;
    QString description;
    bool missingProgram = false; // the cipher program is not installed or cannot run
};

// Where the unprotected copy of path is written: the private TEMP folder with the
// file's own name (another name when the file itself lies there).
QString TemporaryPath(const QString& path);

// Replaces the protected file at path by an unprotected copy, reporting nothing.
// Nothing on success; the failure otherwise, the file then left as it was. The
// program is looked up on the PATH.
std::optional<RemovalError> RemoveProtection(const QString& path, const QString& password);

enum class Removal
{
    Done,           // the file is unprotected now
    Failed,         // another password may do
    ProgramMissing, // no password can do while the program is missing
};

struct RemovalOutcome
{
    Removal removal = Removal::Done;
    std::optional<Failure> failure; // what the password window shows when the removal failed
};

// RemoveProtection after closing the current database, with the reports made: a missing
// cipher program as a missing component, any other failure as a message; both are
// written to the log at once.
RemovalOutcome RemovePassword(const QString& path, const QString& password);

// The missing-component report when the cipher program cannot be found on the PATH;
// nothing when it can.
std::optional<Failure> CipherProgramMissing();

} // namespace modPassword
