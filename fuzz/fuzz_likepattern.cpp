// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The LIKE matcher: a pattern and a text (split at the first zero byte). Compiling
// either succeeds or fails with a description; matching always ends.
#include "FuzzSupport.h"
#include "database/JetDialect.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray pattern, text;
    FuzzSplit(data, size, &pattern, &text);
    const char32_t escape = size > 0 && data[0] % 4 == 0 ? U'\\' : 0;
    QString error;
    const std::optional<JetDialect::LikePattern> compiled = JetDialect::LikePattern::Compile(
        std::string_view(pattern.constData(), static_cast<std::size_t>(pattern.size())), escape, &error);
    if (!compiled) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    const bool matches = compiled->Matches(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    // "%" + pattern + "%" matches whatever the pattern matches.
    if (matches && escape == 0) {
        const QByteArray wide = "%" + pattern + "%";
        const std::optional<JetDialect::LikePattern> widened =
            JetDialect::LikePattern::Compile(std::string_view(wide.constData(), static_cast<std::size_t>(wide.size())));
        if (!widened || !widened->Matches(std::string_view(text.constData(), static_cast<std::size_t>(text.size()))))
            std::abort();
    }
    return 0;
}
