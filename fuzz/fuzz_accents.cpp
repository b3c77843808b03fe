// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The quick search's accent folding and accent patterns: folding keeps the length, and
// the pattern of folded text always compiles as a LIKE pattern and matches the text.
#include "FuzzSupport.h"
#include "database/JetDialect.h"
#include "startup/modText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = FuzzText(data, size);
    const QString folded = modText::FoldAccents(text);
    if (folded.size() != text.size())
        std::abort();
    const QString pattern = modText::AccentPattern(folded);
    // Text without LIKE's own special characters must match its own accent pattern.
    if (!text.contains(QLatin1Char('%')) && !text.contains(QLatin1Char('_')) && !text.contains(QLatin1Char('[')) &&
        !text.contains(QLatin1Char(']'))) {
        const QByteArray utf8 = pattern.toUtf8();
        const std::optional<JetDialect::LikePattern> like =
            JetDialect::LikePattern::Compile(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
        if (!like)
            std::abort();
        const QByteArray original = text.toUtf8();
        if (!like->Matches(std::string_view(original.constData(), static_cast<std::size_t>(original.size()))))
            std::abort();
    }
    modText::PartBeforeAt(text);
    modText::TrimBlanks(text);
    modText::KeyToContactnr(text);
    return 0;
}
