// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// "addrion /Sync": one sync of the default database without any window, for a timer.
// Exit code 0 on success, 1 with the reason on stderr.
namespace SyncCommand {

int Run(int argc, char* argv[]);

} // namespace SyncCommand
