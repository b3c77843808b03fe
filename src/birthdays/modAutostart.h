// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// Starting the birthday reminder at log-on: an entry in the desktop's per-user
// autostart folder that runs this program with "/Reminder".
namespace modAutostart {

// $XDG_CONFIG_HOME/autostart/addrion-birthday-reminder.desktop
QString EntryFile();
// The Exec line of the entry for an executable: its quoted path, a blank, "/Reminder",
// escaped as a desktop entry stores it.
QString ExecLine(const QString& executable);
// The whole entry for an executable.
QByteArray EntryText(const QString& executable);

// Switches the reminder on: writes the entry, and when the reminder was off, stores it as
// on and shows it now in a second process (when a default database exists). When the
// entry cannot be written, the reminder is stored as off and error holds the message.
bool EnableReminder(QString* error);
// Switches the reminder off: removes the entry and stores it as off. When the entry
// cannot be removed, the reminder stays on and error holds the message.
bool DisableReminder(QString* error);
// True when the entry is missing or does not start this executable.
bool ReminderEntryOutdated();

// Runs at every start of the main window: on a first run switches the reminder on and
// writes its defaults; otherwise repairs an entry that points elsewhere. False, with the
// message in error, when the entry could not be written (the reminder is then off).
bool CheckReminderAtStart(QString* error);

} // namespace modAutostart
