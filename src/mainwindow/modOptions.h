// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QStringList>

// The display options and the defaults every option gets on first use.
namespace modOptions {

// The three date formats in menu order.
QStringList DateFormats();
// The menu index of the stored date format; anything unknown becomes "dd/mm/yyyy".
int StoredDateFormatIndex();
void StoreDateFormat(int index);
// The stored font size: 10, or 8 for anything else (which is stored as "8").
int StoredFontSize();
void StoreFontSize(int size);
// Writes the defaults of the two style sheets, the version check and the search
// operators where they are missing.
void WriteMissingDefaults();

} // namespace modOptions
