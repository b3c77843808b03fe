// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The note's link words and the export's link markup: any text and any click position.
#include "FuzzSupport.h"
#include "editor/modHyperlink.h"
#include "export/modExport.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int position = 0;
    if (size >= 4) {
        std::memcpy(&position, data, sizeof position);
        data += 4;
        size -= 4;
    }
    const QString text = FuzzText(data, size);
    int start = position;
    const QString word = modHyperlink::GetHyperlinkWord(text, start);
    if (!text.isEmpty() && (start < 1 || start > text.size() + 1))
        std::abort();
    modHyperlink::IsHyperlink(word);
    modHyperlink::IsHyperlink(text);
    modExport::LinkifyText(text);
    return 0;
}
