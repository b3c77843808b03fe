// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "startup/modText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace modText {

namespace {

constexpr int FirstAccented = 192; // À
constexpr int LastAccented = 255;  // ÿ

// The plain letter of every character from À (192) to ÿ (255); "-" keeps the character.
constexpr char FoldTable[] = "AAAAAA-C"  // 192-199: À Á Â Ã Ä Å Æ Ç
                             "EEEEIIII"  // 200-207: È É Ê Ë Ì Í Î Ï
                             "DNOOOOOx"  // 208-215: Ð Ñ Ò Ó Ô Õ Ö ×
                             "OUUUUYpB"  // 216-223: Ø Ù Ú Û Ü Ý Þ ß
                             "aaaaaa-c"  // 224-231: à á â ã ä å æ ç
                             "eeeeiiii"  // 232-239: è é ê ë ì í î ï
                             "onooooo-"  // 240-247: ð ñ ò ó ô õ ö ÷
                             "ouuuuypy"; // 248-255: ø ù ú û ü ý þ ÿ
static_assert(sizeof(FoldTable) == LastAccented - FirstAccented + 2, "one entry per character");

struct CodeRange
{
    char16_t first;
    char16_t last;
};

struct AccentClass
{
    char letter;
    std::array<CodeRange, 3> ranges; // unused ranges are {0, 0}
};

// The accented forms each plain letter stands for in a quick-search pattern.
constexpr AccentClass AccentClasses[] = {
    {'A', {{{192, 197}}}},
    {'C', {{{199, 199}}}},
    {'E', {{{200, 203}}}},
    {'I', {{{204, 207}}}},
    {'D', {{{208, 208}}}},
    {'N', {{{209, 209}}}},
    {'O', {{{210, 214}, {216, 216}}}},
    {'x', {{{215, 215}}}},
    {'U', {{{217, 220}}}},
    {'Y', {{{221, 221}}}},
    {'B', {{{223, 223}}}},
    {'a', {{{224, 229}}}},
    {'c', {{{231, 231}}}},
    {'e', {{{232, 235}}}},
    {'i', {{{236, 239}}}},
    {'o', {{{240, 240}, {242, 246}, {248, 248}}}},
    {'n', {{{241, 241}}}},
    {'y', {{{253, 253}, {255, 255}}}},
    {'u', {{{249, 252}}}},
    // Þ and þ fold to p: without a class of its own, p would never find them again and
    // typing þ would find nothing at all.
    {'p', {{{222, 222}, {254, 254}}}},
};

// The bracketed class of every ASCII character, empty for characters without one.
const std::array<QString, 128>& PatternTable()
{
    static const std::array<QString, 128> table = [] {
        std::array<QString, 128> classes;
        for (const AccentClass& accent : AccentClasses) {
            QString pattern = QStringLiteral("[") + QLatin1Char(accent.letter);
            for (const CodeRange& range : accent.ranges)
                for (char16_t code = range.first; range.first != 0 && code <= range.last; ++code)
                    pattern += QChar(code);
            pattern += QLatin1Char(']');
            classes[static_cast<unsigned char>(accent.letter)] = pattern;
        }
        return classes;
    }();
    return table;
}

} // namespace

qint16 KeyToContactnr(const QString& key)
{
    const QStringView rest = QStringView(key).mid(qMin<qsizetype>(7, key.size()));
    qsizetype i = 0;
    while (i < rest.size() && rest[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < rest.size() && (rest[i] == QLatin1Char('-') || rest[i] == QLatin1Char('+'))) {
        negative = rest[i] == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < rest.size() && rest[i] >= QLatin1Char('0') && rest[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (rest[i].unicode() - '0');
        if (value > std::numeric_limits<qint16>::max() + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(value);
}

QString ContactKey(qint16 contactnr)
{
    // The sign position: a blank for numbers from zero up.
    return QStringLiteral("Person ") + (contactnr >= 0 ? QStringLiteral(" ") : QString()) + QString::number(contactnr);
}

QString FoldAccents(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded) {
        const char16_t code = c.unicode();
        if (code < FirstAccented || code > LastAccented)
            continue;
        const char plain = FoldTable[code - FirstAccented];
        if (plain != '-')
            c = QLatin1Char(plain);
    }
    return folded;
}

QString AccentPattern(const QString& text)
{
    const std::array<QString, 128>& table = PatternTable();
    QString pattern;
    pattern.reserve(text.size() * 4);
    for (const QChar c : text) {
        if (c.unicode() < 128 && !table[c.unicode()].isEmpty())
            pattern += table[c.unicode()];
        else
            pattern += c;
    }
    return pattern;
}

QString PartBeforeAt(const QString& text)
{
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    return at < 0 ? text : text.left(at);
}

QString CleanText(const QString& text, bool lineBreaks)
{
    const auto unwanted = [lineBreaks](QChar c) {
        const char16_t code = c.unicode();
        if (code >= 0x20 || code == '\t')
            return false;
        return !(lineBreaks && (code == '\r' || code == '\n'));
    };
    if (std::none_of(text.begin(), text.end(), unwanted))
        return text;
    QString clean = text;
    clean.removeIf(unwanted);
    return clean;
}

QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text[first] == QLatin1Char(' '))
        ++first;
    while (end > first && text[end - 1] == QLatin1Char(' '))
        --end;
    if (first == 0 && end == text.size())
        return text;
    return text.mid(first, end - first);
}

} // namespace modText
