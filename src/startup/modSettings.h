// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/SettingsKeys.h"

#include <QString>

#include <functional>

// The per-user settings: named text values in $XDG_CONFIG_HOME/Addrion/Addrion.conf,
// each one a row of SettingsTable. Every write is on disk when the call returns and
// every read sees what another process of the program wrote; the last writer wins.
namespace modSettings {

// "" when the value is absent.
QString Get(const SettingKey& key);
// Stores the value trimmed of leading and trailing blanks. False when the settings file
// could not be written; the failure handler has then been told.
bool Set(const SettingKey& key, const QString& value);
// False when the settings file could not be written (the failure handler has been told).
bool Remove(const SettingKey& key);

// A flag setting: on when "1" is stored.
bool IsOn(Setting flag);
bool SetOn(Setting flag, bool on);

// The value the program stores where the setting is missing, a path default completed
// with its folder ("" when the setting has none).
QString Default(Setting setting);
// Stores the setting's default.
bool SetDefault(const SettingKey& key);

// The name the setting is stored under ("Recent 2", "Certificate dav.example.net:443").
QString KeyName(const SettingKey& key);

// Told of every write that the settings file did not take, with the file's path; the
// windows tell the user. Pass nothing to stop.
using FailureHandler = std::function<void(const QString& file)>;
void SetFailureHandler(FailureHandler handler);

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
