// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "editor/modHyperlink.h"

#include "startup/modText.h"

namespace modHyperlink {

namespace {

const char* const LinkMarkers[] = {
    "wais:", "news:", "telnet:", "prospero:", "nntp:", "gopher:", "https:", "ftp:", "mailto:", "file:", "http:", "www"};

// The character at a 1-based position; a position outside the text is no separator.
bool IsSeparatorAt(const QString& text, int position)
{
    if (position < 1 || position > text.size())
        return false;
    const QChar c = text[position - 1];
    return c == QLatin1Char(' ') || c == QLatin1Char('\n');
}

} // namespace

QString GetHyperlinkWord(const QString& text, int& position)
{
    const int length = static_cast<int>(text.size());
    if (length == 0)
        return QString();

    // A position past the end finds the last word; clamped first so that a huge
    // position does not walk back one step at a time.
    int start = position > length ? length + 1 : position;
    if (start > 1) {
        while (start >= 2 && !IsSeparatorAt(text, start))
            --start;
        if (start > 1)
            ++start; // the character after the separator
    } else {
        start = 1;
    }

    int end = start;
    while (end <= length && !IsSeparatorAt(text, end))
        ++end;

    // The stopping separator is taken along and removed again below.
    QString word = modText::TrimBlanks(text.mid(start - 1, end - start + 1));
    word.remove(QStringLiteral("\r\n"));
    // Notes written on this platform break lines with a lone line feed.
    if (word.endsWith(QLatin1Char('\n')))
        word.chop(1);
    position = start;
    return word;
}

bool IsHyperlink(QStringView text)
{
    // Every marker but "www" ends in a colon: only the text before a colon is compared
    // with them, as a note's words are tested one by one.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'w' && text.mid(i, 3) == QLatin1String("www"))
            return true;
        if (text[i] != u':')
            continue;
        for (const char* marker : LinkMarkers) {
            const QLatin1String colonMarker(marker);
            const qsizetype start = i + 1 - colonMarker.size();
            if (colonMarker.endsWith(QLatin1Char(':')) && start >= 0 &&
                text.mid(start, colonMarker.size()) == colonMarker)
                return true;
        }
    }
    return false;
}

} // namespace modHyperlink
