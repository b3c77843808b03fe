// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// The process entry: settings, the database library check, and the choice between a
// birthday-reminder run and a normal run with the main window.
namespace modMain {

int Main(int argc, char* argv[]);

} // namespace modMain
