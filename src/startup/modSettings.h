// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// The per-user settings: named text values in $XDG_CONFIG_HOME/Addrion/Addrion.conf.
// Every write is on disk when the call returns and every read sees what another
// process of the program wrote; the last writer wins.
namespace modSettings {

// "" when the value is absent.
QString ReadSetting(const QString& key);
// Stores the value trimmed of leading and trailing blanks.
void WriteSetting(const QString& key, const QString& value);
void DeleteSetting(const QString& key);
// How many settings this process has written or deleted so far: a value read earlier
// still holds while this stays the same (unless another process wrote).
quint64 WriteCount();

// True when the program has stored settings before (the store exists).
bool StoreExists();
// The file that holds the settings.
QString StoreFile();

// Runs once at start before anything reads a setting: takes over the settings of an
// old per-user settings file, and turns stored "Yes"/"No" flags into "1"/"0".
void PrepareSettings();
// The legacy settings file of this user.
QString LegacySettingsFile();

// Forgets cached state, for when the store file was changed behind the program's back.
void Reload();

} // namespace modSettings
