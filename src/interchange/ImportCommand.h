// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

class frmMain;

// Database > Import...: reads a vCard or CSV file into the open database and tells the user
// what became of its cards.
namespace ImportCommand {

void Run(frmMain& mainWindow);
// The same for a file already chosen.
void ImportFile(frmMain& mainWindow, const QString& path);
// A file handed over on the command line (opened from the file manager): imported into
// the open database only when the user says yes.
void OfferFile(frmMain& mainWindow, const QString& path);

} // namespace ImportCommand
