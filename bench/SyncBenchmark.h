// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// The sync figures: a real Radicale on a loopback port, two database files linked to
// one address book, and the time each kind of sync takes.
namespace SyncBenchmark {

// Prints the figures for that many persons; 0 on success, 1 when the server or a
// sync failed (the reason on stderr). folder holds the databases and the server.
int Run(const QString& folder, int persons);
// The same for an address book filled with that many cards before the syncs: the first
// receive into an empty file (beside vdirsyncer receiving them into a folder when compare)
// and a sync with no change.
int RunFilled(const QString& folder, int persons, bool compare);

} // namespace SyncBenchmark
