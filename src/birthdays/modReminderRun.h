#pragma once

#include <QDate>

#include <memory>

class frmReminder;

// The "/Reminder" run: no main window, only the coming birthdays.
namespace modReminder {

// Opens the default database and, when birthdays are due, builds the reminder window
// with its rows and no row selected (not yet shown). Nothing when no database could
// be opened or nobody is due; the database is closed again then.
std::unique_ptr<frmReminder> PrepareReminder(const QDate& today = QDate::currentDate());

// The whole run: ends at once when nothing is due, otherwise shows the window and
// returns when it has been closed. The result is the process's exit status.
int RunReminder();

// Set in the environment, the run writes what its window shows to standard output:
// the caption, then one line per row (key, date, person, age, "red" for today's), and closes the
// window as OK would: lets a session script or a test see what was shown.
constexpr const char* EchoVariable = "ADDRION_REMINDER_ECHO";

} // namespace modReminder
