// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// Small text rules shared by the windows: contact-list keys, the accent folding and
// accent patterns of the quick search, and the parts of an e-mail address.
namespace modText {

// The contact number of a list key: the numeric value of everything after the first
// seven characters ("Person "), leading blanks ignored. Reading stops at the first
// character that is not a digit; a text without digits, or a value outside the 16-bit
// range, gives 0.
qint16 KeyToContactnr(const QString& key);
// The list key of a person: "Person " followed by a blank for a non-negative number
// or "-" for a negative one, then the digits ("Person  7", "Person -3").
QString ContactKey(qint16 contactnr);

// Replaces accented Latin letters by their plain letter (É by E, ç by c, ...). The
// letters Æ, æ and the sign ÷ stay; × becomes x, Þ and þ become p, ß becomes B.
QString FoldAccents(const QString& text);
// Widens every plain letter that has accented forms into a LIKE class of the letter and
// those forms (e becomes [eèéêë]); meant for text that went through FoldAccents first.
QString AccentPattern(const QString& text);

// Everything left of the first "@"; the whole text when there is none.
QString PartBeforeAt(const QString& text);

// The text without leading and trailing blanks (only " "; line breaks and tabs stay),
// the way fixed-width database columns and typed texts are trimmed.
QString TrimBlanks(const QString& text);

// The text as it may be stored: without NUL and the other control characters below the
// blank, which no field can show and which would end the text early in the database.
// Tabs stay; line breaks (CR and LF) stay where lineBreaks allows them, in the address and
// the note. Every text from outside (typed, pasted, imported, synchronised) goes
// through here before it is stored.
QString CleanText(const QString& text, bool lineBreaks);

} // namespace modText
