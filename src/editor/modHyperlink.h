// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// Links in a person's note: finding the word under a click and telling whether a word
// is a link.
namespace modHyperlink {

// The word of text that contains the 1-based position; words are separated by blanks
// and line feeds. position is moved to the word's first character (to 1 when it was
// 1 or less). The word comes without surrounding blanks and without line breaks (CR LF
// pairs, or the line feed that ended it). An empty text gives "" and leaves position.
QString GetHyperlinkWord(const QString& text, int& position);

// True when the text contains one of the link markers ("http:", "mailto:", "www", ...)
// anywhere, compared case-sensitively.
bool IsHyperlink(QStringView text);

} // namespace modHyperlink
