// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modOptions.h"

#include "startup/modSettings.h"

namespace modOptions {

QStringList DateFormats()
{
    return {QStringLiteral("dd/mm/yyyy"), QStringLiteral("mm/dd/yyyy"), QStringLiteral("yyyy/mm/dd")};
}

int StoredDateFormatIndex()
{
    const int index = DateFormats().indexOf(modSettings::Get(Setting::DateFormat));
    if (index > 0)
        return index;
    StoreDateFormat(0);
    return 0;
}

void StoreDateFormat(int index)
{
    modSettings::Set(Setting::DateFormat, DateFormats().value(index, modSettings::Default(Setting::DateFormat)));
}

int StoredFontSize()
{
    if (modSettings::Get(Setting::FontSize) == QLatin1String("10"))
        return 10;
    StoreFontSize(8);
    return 8;
}

void StoreFontSize(int size)
{
    modSettings::Set(Setting::FontSize, size == 10 ? QStringLiteral("10") : modSettings::Default(Setting::FontSize));
}

void WriteMissingDefaults()
{
    for (const Setting setting : {Setting::ExportStyle, Setting::CalendarStyle, Setting::CheckVersion})
        if (modSettings::Get(setting).isEmpty())
            modSettings::SetDefault(setting);

    // The search operators are set together, the first time only.
    if (modSettings::Get(Setting::SearchFullname).isEmpty())
        for (const Setting setting : {Setting::SearchFullname, Setting::SearchDate, Setting::SearchPhone,
                                      Setting::SearchEmail, Setting::SearchAddress, Setting::SearchNote})
            modSettings::SetDefault(setting);
}

} // namespace modOptions
