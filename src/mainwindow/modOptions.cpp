// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modOptions.h"

#include "startup/modSettings.h"

using modSettings::ReadSetting;
using modSettings::WriteSetting;

namespace modOptions {

QStringList DateFormats()
{
    return {QStringLiteral("dd/mm/yyyy"), QStringLiteral("mm/dd/yyyy"), QStringLiteral("yyyy/mm/dd")};
}

int StoredDateFormatIndex()
{
    const int index = DateFormats().indexOf(ReadSetting(QStringLiteral("Date")));
    if (index > 0)
        return index;
    StoreDateFormat(0);
    return 0;
}

void StoreDateFormat(int index)
{
    WriteSetting(QStringLiteral("Date"), DateFormats().value(index, DateFormats().constFirst()));
}

int StoredFontSize()
{
    if (ReadSetting(QStringLiteral("Font Size")) == QLatin1String("10"))
        return 10;
    StoreFontSize(8);
    return 8;
}

void StoreFontSize(int size)
{
    WriteSetting(QStringLiteral("Font Size"), size == 10 ? QStringLiteral("10") : QStringLiteral("8"));
}

void WriteMissingDefaults()
{
    const struct
    {
        const char* key;
        const char* value;
    } defaults[] = {{"Css", "Normal"}, {"Css Calendar", "Orange"}, {"Check version", "1"}};
    for (const auto& entry : defaults)
        if (ReadSetting(QString::fromLatin1(entry.key)).isEmpty())
            WriteSetting(QString::fromLatin1(entry.key), QString::fromLatin1(entry.value));

    if (ReadSetting(QStringLiteral("SearchFullname")).isEmpty()) {
        const char* const keys[] = {"SearchFullname", "SearchDate",    "SearchPhone",
                                    "SearchEmail",    "SearchAddress", "SearchNote"};
        const char* const values[] = {"1", "1", "0", "0", "1", "0"};
        for (int i = 0; i < 6; ++i)
            WriteSetting(QString::fromLatin1(keys[i]), QString::fromLatin1(values[i]));
    }
}

} // namespace modOptions
