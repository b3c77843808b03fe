// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

#include <optional>

// The password of a linked address book: in the desktop's secret store when one runs,
// else kept in memory for this session only. Never in the settings or the database.
namespace modSyncPassword {

// The entry's name: user and address book.
QString Key(const QString& user, const QString& addressBook);

// From memory, else from the secret store; nothing (with the store's reason) when unknown.
std::optional<QString> Read(const QString& key, QString* error = nullptr);
// Into the secret store when it works (true), and always into memory.
bool Write(const QString& key, const QString& password, QString* error = nullptr);
void Forget(const QString& key);

} // namespace modSyncPassword
