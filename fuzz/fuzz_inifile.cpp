// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The language-file parser: any bytes give some sections and keys, each readable.
#include "FuzzSupport.h"
#include "language/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const IniFile file = IniFile::parse(FuzzBytes(data, size));
    for (const QString& section : file.sections())
        for (const QString& key : file.keys(section))
            file.value(section, key);
    file.value(QStringLiteral("Translation"), QStringLiteral("Error"));
    return 0;
}
