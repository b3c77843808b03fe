// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// The composition root, the one place that knows every area: the process entry with its
// settings, the database library check, the real platform, and the choice between a
// birthday-reminder run and a normal run with the main window.
namespace Program {

int Main(int argc, char* argv[]);

} // namespace Program
