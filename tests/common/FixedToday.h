// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QDate>

namespace TestSupport {

// The date every test program takes for today (Platform::SetToday), so that nothing a test
// checks moves at midnight. A Wednesday in June, away from month and year ends and leap days.
inline QDate FixedToday()
{
    return QDate(2026, 6, 17);
}
// How a test program hands its today to the programs with test seams that it starts.
constexpr const char* TodayVariable = "ADDRION_TEST_TODAY";
// How it hands them its private program folder, where what they write beside themselves goes.
constexpr const char* ProgramFolderVariable = "ADDRION_TEST_PROGRAM_FOLDER";

} // namespace TestSupport
