// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QString>
#include <QStringList>

// The three most recently opened database files (Setting::RecentDatabase 1 to 3,
// newest first) and the captions the database menu shows for them.
namespace modRecent {

constexpr int RecentCount = 3;

// The stored list, always three places; "" is a free place.
QStringList RecentDatabases();
// Puts path at the top of the list; the list never holds the same text twice.
void AddRecent(const QString& path);
// Takes entry index (0 to 2) out of the list; the later entries move up.
void RemoveRecent(int index);
// Choosing entry index in the menu: a valid file is opened (and so moves to the top);
// why an invalid one is not is told (Failures::Notice) before it leaves the list. Done
// when the file was opened.
Outcome ChooseRecent(int index);

// The menu caption for a path: the first folder, "...", and the last folder with the
// file name ("/home/.../Documents/home.mdb"); short paths are shown whole.
QString ShortenPath(const QString& path);

} // namespace modRecent
