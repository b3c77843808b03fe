// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// A deterministic database of made-up persons: names with accents and apostrophes in
// several scripts, dates, addresses of several lines, notes, and 0 to 4 numbers and
// e-mail addresses each. The same count gives the same file every time.
namespace SyntheticDatabase {

// Creates the file with persons 1 to count, except the number skipped (0: none).
void Create(const QString& path, int count, int skipped = 0);

} // namespace SyntheticDatabase
