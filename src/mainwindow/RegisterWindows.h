// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

class frmMain;

// Connects the main window's commands to the windows of the other parts of the
// program (editor, search, export, birthdays, options, About, ...).
void RegisterWindows(frmMain& mainWindow);
