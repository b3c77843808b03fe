// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Platform.h"

#include <QDate>

#include <functional>
#include <memory>

class frmReminder;

// The "/Reminder" run: no main window, only the coming birthdays.
namespace ReminderRun {

// Opens the default database and, when birthdays are due, builds the reminder window
// with its rows and no row selected (not yet shown). Nothing when no database could
// be opened or nobody is due; the database is closed again then.
std::unique_ptr<frmReminder> PrepareReminder(const QDate& today = Platform::Today());

// The whole run: ends at once when nothing is due, otherwise shows the window and
// returns when it has been closed. The result is the process's exit status.
int RunReminder();

// Called once the run's window is shown (and its event loop runs). The program sets
// none; a test program that runs the program's own entry sets one to read the window.
void SetShownObserver(std::function<void(frmReminder&)> observer);

} // namespace ReminderRun
