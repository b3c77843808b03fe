// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QString>

#include <functional>

// Sending the open database file as an attachment through the user's mail program.
namespace modSendEmail {

// "Addrion database: home.mdb"
QString Subject(const QString& databasePath);
// The message offered at first: what is attached, and where the program comes from.
QString DefaultDescription(const QString& databasePath);

// Remembers the recipient, closes (and compacts) the database so the file is complete,
// hands the mail over, and when the mail program has answered opens the database again
// whatever happened. A failed hand-off is logged, not shown. done is then told whether
// the mail program took the mail and how the opening again went; it may be told before
// this returns.
void SendDatabase(const QString& recipient, const QString& description, const QString& databasePath,
                  std::function<void(bool sent, const Outcome& reopened)> done);

} // namespace modSendEmail
