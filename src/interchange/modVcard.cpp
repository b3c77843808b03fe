// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modVcard.h"

#include "language/IniFile.h"
#include "language/modLanguage.h"

#include <QBuffer>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace modVcard {

namespace {

// ---- Bytes to text ----

// Windows-1252 in the range where it differs from Latin-1; the five unassigned bytes
// keep their Latin-1 meaning.
QString DecodeWindows1252(const QByteArray& bytes)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte));
    }
    return text;
}

std::optional<QString> StrictUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The text of a value in the character set its card names. Without one (3.0 and 4.0
// are UTF-8, old phones write their own code page) UTF-8 is tried first.
QString DecodeText(const QByteArray& bytes, const QString& charset)
{
    const QString name = charset.trimmed().toUpper();
    if (name == QLatin1String("ISO-8859-1") || name == QLatin1String("LATIN1") || name == QLatin1String("US-ASCII") ||
        name == QLatin1String("ASCII"))
        return QString::fromLatin1(bytes);
    if (name == QLatin1String("WINDOWS-1252") || name == QLatin1String("CP1252"))
        return DecodeWindows1252(bytes);
    if (!name.isEmpty() && name != QLatin1String("UTF-8") && name != QLatin1String("UTF8")) {
        QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return decoder(bytes);
    }
    if (const std::optional<QString> text = StrictUtf8(bytes))
        return *text;
    return DecodeWindows1252(bytes);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray DecodeQuotedPrintable(const QByteArray& encoded)
{
    QByteArray decoded;
    decoded.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '=' && i + 2 < encoded.size()) {
            const int high = HexValue(encoded.at(i + 1));
            const int low = HexValue(encoded.at(i + 2));
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        // A soft break left at the very end, or a stray "=": nothing to decode.
        if (c == '=' && i == encoded.size() - 1)
            continue;
        decoded += c;
    }
    return decoded;
}

// ---- Lines ----

struct PhysicalLine
{
    QByteArray text;
    int number = 0;
};

// The position of the colon that ends a line's name and parameters: the first one
// outside double quotes, or the first one at all when the quotes never close.
qsizetype HeaderEnd(const QByteArray& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == '"')
            quoted = !quoted;
        else if (line.at(i) == ':' && !quoted)
            return i;
    }
    return line.indexOf(':');
}

struct LogicalLine
{
    QByteArray text;
    int number = 0;
    bool quotedPrintable = false;
    bool base64 = false;
    bool closed = false; // a blank line followed: base64 data has ended
};

bool IsBase64Data(const QByteArray& line)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (const char c : trimmed)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
              c == '='))
            return false;
    return true;
}

// Whether a line's header says its value is base64: BASE64 or B as a parameter's value
// or a 2.1 bare parameter, not as a parameter's name.
bool NamesBase64(QByteArrayView header)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i <= header.size(); ++i) {
        const char c = i < header.size() ? header.at(i) : ';';
        if (c != ';' && c != '=' && c != ',')
            continue;
        const QByteArrayView word = header.sliced(start, i - start);
        if (c != '=' && (word == "BASE64" || word == "B"))
            return true;
        start = i + 1;
    }
    return false;
}

LogicalLine StartLine(const PhysicalLine& line)
{
    LogicalLine logical{line.text, line.number};
    const qsizetype end = HeaderEnd(line.text);
    if (end > 0) {
        const QByteArray header = line.text.left(end).toUpper();
        logical.quotedPrintable = header.contains("QUOTED-PRINTABLE");
        logical.base64 = NamesBase64(header);
    }
    return logical;
}

// Whether line continues the logical line last: a folded line (beginning with a blank
// or a tab), after a quoted-printable soft line break (a line ending in "="), or a bare
// data line of a 2.1 photo. Joins it when it does.
bool JoinContinuation(LogicalLine& last, const PhysicalLine& line)
{
    if (last.quotedPrintable && last.text.endsWith('=')) {
        last.text.chop(1);
        last.text += line.text;
        return true;
    }
    if (!line.text.isEmpty() && (line.text.at(0) == ' ' || line.text.at(0) == '\t')) {
        last.text += line.text.mid(1);
        return true;
    }
    if (last.base64 && !last.closed && IsBase64Data(line.text) && !line.text.contains(':')) {
        last.text += line.text.trimmed();
        return true;
    }
    return false;
}

// ---- Properties ----

// Splits on a separator outside double quotes.
QStringList SplitOutsideQuotes(const QString& text, QChar separator)
{
    if (!text.contains(QLatin1Char('"')))
        return text.split(separator);
    QStringList parts;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts << text.mid(start, i - start);
            start = i + 1;
        }
    }
    parts << text.mid(start);
    return parts;
}

// A parameter value without its quotes, with the ^n ^^ ^' escapes of 4.0 undone.
QString ParameterValue(const QString& written)
{
    QString text = written.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    if (!text.contains(QLatin1Char('^')))
        return text;
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('^') && i + 1 < text.size()) {
            const QChar next = text.at(i + 1);
            if (next == QLatin1Char('n') || next == QLatin1Char('N')) {
                value += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (next == QLatin1Char('^') || next == QLatin1Char('\'')) {
                value += next == QLatin1Char('^') ? QLatin1Char('^') : QLatin1Char('"');
                ++i;
                continue;
            }
        }
        value += text.at(i);
    }
    return value;
}

bool IsName(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_'))
            return false;
    return true;
}

std::optional<Property> ParseProperty(const LogicalLine& line)
{
    const qsizetype end = HeaderEnd(line.text);
    if (end <= 0)
        return std::nullopt;
    const QByteArrayView headerBytes = QByteArrayView(line.text).first(end);
    // Nearly every header is plain ASCII: it needs no decoding beyond that.
    const bool ascii = std::all_of(headerBytes.begin(), headerBytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0 && byte < 0x80;
    });
    const QStringList header = SplitOutsideQuotes(
        ascii ? QString::fromLatin1(headerBytes) : DecodeText(line.text.left(end), QString()), QLatin1Char(';'));
    Property property;
    property.line = line.number;
    const QString fullName = header.first().trimmed();
    const qsizetype dot = fullName.indexOf(QLatin1Char('.'));
    property.group = dot >= 0 ? fullName.left(dot) : QString();
    property.name = (dot >= 0 ? fullName.mid(dot + 1) : fullName).toUpper();
    if (!IsName(property.name) || (dot >= 0 && !IsName(property.group)))
        return std::nullopt;

    for (qsizetype i = 1; i < header.size(); ++i) {
        const QString part = header.at(i).trimmed();
        if (part.isEmpty())
            continue;
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        Parameter parameter;
        if (equals < 0) {
            // 2.1 writes types and encodings as bare words.
            const QString word = part.toUpper();
            const bool encoding = word == QLatin1String("QUOTED-PRINTABLE") || word == QLatin1String("BASE64") ||
                                  word == QLatin1String("8BIT") || word == QLatin1String("7BIT");
            parameter.name = encoding ? QStringLiteral("ENCODING") : QStringLiteral("TYPE");
            parameter.values << part;
        } else {
            parameter.name = part.left(equals).trimmed().toUpper();
            for (const QString& value : SplitOutsideQuotes(part.mid(equals + 1), QLatin1Char(',')))
                parameter.values << ParameterValue(value);
        }
        property.parameters.push_back(parameter);
    }

    const QByteArray raw = line.text.mid(end + 1);
    const QStringList encodings = property.Values(QStringLiteral("ENCODING"));
    const QString encoding = encodings.isEmpty() ? QString() : encodings.last().toUpper();
    const QStringList charsets = property.Values(QStringLiteral("CHARSET"));
    const QString charset = charsets.isEmpty() ? QString() : charsets.first();
    if (encoding == QLatin1String("BASE64") || encoding == QLatin1String("B"))
        property.value = QString::fromLatin1(raw); // pictures and sounds: not text
    else if (encoding == QLatin1String("QUOTED-PRINTABLE"))
        property.value = DecodeText(DecodeQuotedPrintable(raw), charset);
    else
        property.value = DecodeText(raw, charset);
    return property;
}

bool IsVcardMarker(const Property& property, const char* name)
{
    return property.name == QLatin1String(name) &&
           property.value.trimmed().compare(QLatin1String("VCARD"), Qt::CaseInsensitive) == 0;
}

// ---- Values ----

// Splits on unescaped separators, leaving the escapes in place.
QStringList SplitRaw(const QString& value, QChar separator)
{
    if (!value.contains(QLatin1Char('\\')))
        return value.split(separator);
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            current += c;
            current += value.at(++i);
        } else if (c == separator) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

QString NormaliseBreaks(QString text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString Text(const Property& property)
{
    return NormaliseBreaks(Unescape(property.value)).trimmed();
}

const Property* First(const Card& card, const char* name)
{
    for (const Property& property : card.properties)
        if (property.name == QLatin1String(name) && !Text(property).isEmpty())
            return &property;
    return nullptr;
}

QString NameFromN(const Property& property)
{
    // family; given; additional; prefixes; suffixes, each possibly a comma list
    QStringList parts;
    for (const QString& raw : SplitRaw(property.value, QLatin1Char(';'))) {
        QStringList words;
        for (const QString& word : SplitValue(raw, QLatin1Char(',')))
            if (!word.trimmed().isEmpty())
                words << word.trimmed();
        parts << words.join(QLatin1Char(' '));
    }
    while (parts.size() < 5)
        parts << QString();
    QStringList ordered;
    for (const int index : {3, 1, 2, 0, 4})
        if (!parts.at(index).isEmpty())
            ordered << parts.at(index);
    return ordered.join(QLatin1Char(' ')).simplified();
}

QString Organisation(const Property& property)
{
    QStringList parts;
    for (const QString& part : SplitValue(property.value, QLatin1Char(';')))
        if (!part.trimmed().isEmpty())
            parts << NormaliseBreaks(part).simplified();
    return parts.join(QStringLiteral(", "));
}

// The words of the types of a property, as written, comma lists split.
QStringList Types(const Property& property)
{
    QStringList types;
    for (const QString& value : property.Values(QStringLiteral("TYPE")))
        for (const QString& part : value.split(QLatin1Char(',')))
            if (!part.trimmed().isEmpty())
                types << part.trimmed();
    return types;
}

// The translated word of a type this program knows, "" for others.
QString TypeWord(const QString& lower)
{
    if (lower == QLatin1String("home"))
        return T("Home");
    if (lower == QLatin1String("work"))
        return T("Work");
    if (lower == QLatin1String("cell") || lower == QLatin1String("mobile"))
        return T("Mobile");
    if (lower == QLatin1String("fax"))
        return T("Fax");
    if (lower == QLatin1String("pager"))
        return T("Pager");
    return QString();
}

// Types that say nothing the user would call a description.
bool IsPlainType(const QString& lower)
{
    static const QStringList plain{QStringLiteral("pref"),  QStringLiteral("voice"), QStringLiteral("internet"),
                                   QStringLiteral("x400"),  QStringLiteral("msg"),   QStringLiteral("text"),
                                   QStringLiteral("dom"),   QStringLiteral("intl"),  QStringLiteral("postal"),
                                   QStringLiteral("parcel")};
    return plain.contains(lower);
}

// A label as address books write it; the built-in ones come as _$!<Mobile>!$_.
QString LabelText(const QString& label)
{
    if (!label.startsWith(QLatin1String("_$!<")) || !label.endsWith(QLatin1String(">!$_")))
        return label;
    const QString inner = label.mid(4, label.size() - 8);
    const QString lower = inner.toLower();
    if (lower == QLatin1String("homefax"))
        return T("Home") + QLatin1Char(' ') + T("Fax");
    if (lower == QLatin1String("workfax"))
        return T("Work") + QLatin1Char(' ') + T("Fax");
    const QString word = TypeWord(lower);
    return word.isEmpty() ? inner : word;
}

// The description of a number, address or e-mail address: its label when its group
// has one, otherwise its types in words.
QString Description(const Card& card, const Property& property)
{
    if (!property.group.isEmpty())
        for (const Property& other : card.properties)
            if (other.name == QLatin1String("X-ABLABEL") &&
                other.group.compare(property.group, Qt::CaseInsensitive) == 0 && !Text(other).isEmpty())
                return LabelText(Text(other).simplified());
    QStringList words;
    for (const QString& type : Types(property)) {
        const QString lower = type.toLower();
        if (IsPlainType(lower))
            continue;
        QString word = TypeWord(lower);
        if (word.isEmpty())
            word = lower.startsWith(QLatin1String("x-")) ? type.mid(2) : type;
        if (!word.isEmpty() && !words.contains(word, Qt::CaseInsensitive))
            words << word;
    }
    return words.join(QLatin1Char(' '));
}

QString AddressText(const Property& property)
{
    // post office box; extended; street; locality; region; postal code; country
    QStringList parts = SplitValue(property.value, QLatin1Char(';'));
    while (parts.size() < 7)
        parts << QString();
    for (QString& part : parts)
        part = NormaliseBreaks(part).trimmed();
    QStringList lines;
    const QString town = QStringList{parts.at(5), parts.at(3)}.join(QLatin1Char(' ')).trimmed();
    for (const QString& line : {parts.at(0), parts.at(1), parts.at(2), town, parts.at(4), parts.at(6)})
        if (!line.isEmpty())
            lines << line;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

bool IsPreferred(const Property& property)
{
    if (!property.Values(QStringLiteral("PREF")).isEmpty())
        return true;
    for (const QString& type : Types(property))
        if (type.compare(QLatin1String("pref"), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

struct Block
{
    QString label;
    QString text;
};

QString JoinBlocks(const std::vector<Block>& blocks)
{
    if (blocks.size() == 1)
        return blocks.front().text;
    QStringList texts;
    for (const Block& block : blocks)
        texts << (block.label.isEmpty() ? block.text : block.label + QStringLiteral(":\n") + block.text);
    return texts.join(QStringLiteral("\n\n"));
}

enum class BirthdayKind
{
    None,
    Date,
    NoYear,
    Text,
};

struct Birthday
{
    BirthdayKind kind = BirthdayKind::None;
    QDate date; // a year of 2000 stands in for a missing one
    QString text;
};

Birthday ReadBirthday(const Property& property)
{
    Birthday birthday;
    birthday.text = Text(property);
    if (birthday.text.isEmpty())
        return birthday;
    birthday.kind = BirthdayKind::Text;
    if (property.Values(QStringLiteral("VALUE")).contains(QStringLiteral("text"), Qt::CaseInsensitive))
        return birthday;
    QString date = birthday.text;
    const qsizetype time = date.indexOf(QLatin1Char('T'));
    if (time >= 0)
        date = date.left(time);
    static const QRegularExpression full(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})$"));
    static const QRegularExpression noYear(QStringLiteral("^--(\\d{2})-?(\\d{2})$"));
    int year = -1;
    int month = 0;
    int day = 0;
    if (const QRegularExpressionMatch match = full.match(date); match.hasMatch()) {
        year = match.captured(1).toInt();
        month = match.captured(2).toInt();
        day = match.captured(3).toInt();
        // Some books mark a birthday without year with a year of their choosing.
        const QStringList omitted = property.Values(QStringLiteral("X-APPLE-OMIT-YEAR"));
        if (year == 0 || (!omitted.isEmpty() && omitted.first().toInt() == year))
            year = -1;
        else if (year >= 100 && QDate::isValid(year, month, day)) {
            birthday.kind = BirthdayKind::Date;
            birthday.date = QDate(year, month, day);
            return birthday;
        } else {
            return birthday;
        }
    } else if (const QRegularExpressionMatch match = noYear.match(date); match.hasMatch()) {
        month = match.captured(1).toInt();
        day = match.captured(2).toInt();
    } else {
        return birthday;
    }
    if (QDate::isValid(2000, month, day)) {
        birthday.kind = BirthdayKind::NoYear;
        birthday.date = QDate(2000, month, day);
    }
    return birthday;
}

// Day and month in the order of the date format: "24/12", or "12/24" month first.
QString DayAndMonth(const QDate& date, const QString& dateFormat)
{
    const QString day = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    if (dateFormat == QLatin1String("mm/dd/yyyy") || dateFormat == QLatin1String("yyyy/mm/dd"))
        return month + QLatin1Char('/') + day;
    return day + QLatin1Char('/') + month;
}

QString EntryText(const modExport::Entry& entry)
{
    return entry.description.isEmpty() ? entry.value
                                       : entry.value + QStringLiteral(" (") + entry.description + QLatin1Char(')');
}

QString StripScheme(const QString& value, const char* scheme)
{
    if (value.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
        return value.mid(static_cast<qsizetype>(qstrlen(scheme))).trimmed();
    return value;
}

// ---- Writing ----

int Utf8Length(QChar c)
{
    if (c.unicode() < 0x80)
        return 1;
    if (c.unicode() < 0x800)
        return 2;
    return 3;
}

// N for a name kept whole: "Family, Given" or "Given Family", the last word taken as
// the family name.
QString StructuredName(const QString& name)
{
    QString family = name;
    QString given;
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    const qsizetype blank = name.lastIndexOf(QLatin1Char(' '));
    if (comma > 0) {
        family = name.left(comma).trimmed();
        given = name.mid(comma + 1).trimmed();
    } else if (blank > 0) {
        family = name.mid(blank + 1);
        given = name.left(blank).trimmed();
    }
    return Escape(family) + QLatin1Char(';') + Escape(given) + QStringLiteral(";;;");
}

// The words of the types a description can name, lower case: the English ones, the
// vCard names and every shipped language's, so that a description maps to the same
// type whatever language is chosen now or was chosen when it was typed.
struct TypeWords
{
    QHash<QString, QString> phone; // word -> type
    QHash<QString, QString> email;
    int longest = 0; // in characters, of any word
};

TypeWords ReadTypeWords()
{
    TypeWords words;
    const std::pair<const char*, const char*> keys[] = {
        {"Home", "HOME"}, {"Work", "WORK"}, {"Mobile", "CELL"}, {"Fax", "FAX"}, {"Pager", "PAGER"}};
    std::vector<IniFile> files;
    for (const QString& name : modLanguage::LanguageFileNames())
        files.push_back(IniFile::load(modLanguage::LanguageFolder() + name + QStringLiteral(".ini")));
    for (const auto& [key, type] : keys) {
        const QString typeName = QString::fromLatin1(type);
        QStringList spellings{QString::fromLatin1(key), typeName};
        if (typeName == QLatin1String("CELL"))
            spellings << QStringLiteral("Cell");
        for (const IniFile& file : files)
            spellings << file.value(QStringLiteral("Translation"), QString::fromLatin1(key));
        for (const QString& spelling : spellings) {
            const QString word = spelling.simplified().toLower();
            if (word.isEmpty())
                continue;
            if (!words.phone.contains(word))
                words.phone.insert(word, typeName);
            if ((typeName == QLatin1String("HOME") || typeName == QLatin1String("WORK")) && !words.email.contains(word))
                words.email.insert(word, typeName);
            words.longest = std::max(words.longest, static_cast<int>(word.size()));
        }
    }
    return words;
}

// Read once per language folder.
const TypeWords& KnownTypeWords()
{
    static QString folder;
    static TypeWords words;
    if (folder.isEmpty() || folder != modLanguage::LanguageFolder()) {
        folder = modLanguage::LanguageFolder();
        words = ReadTypeWords();
    }
    return words;
}

} // namespace

QStringList TypesOf(const QString& description, bool phone)
{
    const TypeWords& known = KnownTypeWords();
    const QHash<QString, QString>& words = phone ? known.phone : known.email;
    const QString text = description.simplified().toLower();
    QStringList types;
    // Longest words first, so that a translation of several words is one type.
    for (qsizetype at = 0; at < text.size();) {
        QString found;
        qsizetype length = std::min<qsizetype>(known.longest, text.size() - at);
        for (; length > 0; --length) {
            if (at + length < text.size() && text.at(at + length) != QLatin1Char(' '))
                continue;
            found = words.value(text.mid(at, length));
            if (!found.isEmpty())
                break;
        }
        if (found.isEmpty())
            return {};
        if (!types.contains(found))
            types << found;
        at += length + 1;
    }
    return types;
}

bool SameDescription(const QString& a, const QString& b, bool phone)
{
    if (a.simplified() == b.simplified())
        return true;
    QStringList typesA = TypesOf(a, phone);
    QStringList typesB = TypesOf(b, phone);
    typesA.sort();
    typesB.sort();
    return !typesA.isEmpty() && typesA == typesB;
}

// ---- Reading ----

QStringList Property::Values(const QString& parameterName) const
{
    QStringList values;
    for (const Parameter& parameter : parameters)
        if (parameter.name == parameterName)
            values << parameter.values;
    return values;
}

struct CardReader::State
{
    explicit State(QIODevice& from) : device(from) {}

    // Appends the next piece of the file to the buffer, as UTF-8; false at the end.
    bool Fill();
    // The next line, ended by CR LF, bare LF or bare CR.
    std::optional<PhysicalLine> NextPhysical();
    // The next line with its continuations joined.
    std::optional<LogicalLine> NextLogical();

    QIODevice& device;
    QStringDecoder utf16; // only for a file that begins with a UTF-16 byte order mark
    bool started = false;
    QByteArray buffer;
    qsizetype position = 0;
    bool skipLineFeed = false; // the last line ended in CR: a LF right after it belongs to it
    int lineNumber = 0;
    qint64 bytesRead = 0;
    std::optional<LogicalLine> pending;
    std::optional<Card> open;
};

bool CardReader::State::Fill()
{
    constexpr qint64 ReadSize = 1 << 16;
    QByteArray chunk = device.read(ReadSize);
    if (chunk.isEmpty())
        return false;
    bytesRead += chunk.size();
    if (!started) {
        started = true;
        if (chunk.startsWith("\xFF\xFE") || chunk.startsWith("\xFE\xFF")) {
            utf16 = QStringDecoder(chunk.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
            chunk.remove(0, 2);
        } else if (chunk.startsWith("\xEF\xBB\xBF")) {
            chunk.remove(0, 3);
        }
    }
    if (utf16.isValid())
        chunk = QString(utf16(chunk)).toUtf8();
    // Only the unread rest stays: memory follows the longest line, not the file.
    buffer.remove(0, position);
    position = 0;
    buffer += chunk;
    return true;
}

std::optional<PhysicalLine> CardReader::State::NextPhysical()
{
    qsizetype scanned = position;
    for (;;) {
        if (skipLineFeed && position < buffer.size()) {
            skipLineFeed = false;
            if (buffer.at(position) == '\n')
                scanned = ++position;
        }
        for (qsizetype i = scanned; i < buffer.size(); ++i) {
            const char c = buffer.at(i);
            if (c != '\r' && c != '\n')
                continue;
            PhysicalLine line{buffer.mid(position, i - position), ++lineNumber};
            skipLineFeed = c == '\r';
            position = i + 1;
            return line;
        }
        const qsizetype seen = buffer.size() - position;
        if (!Fill()) {
            if (position >= buffer.size())
                return std::nullopt;
            PhysicalLine line{buffer.mid(position), ++lineNumber};
            position = buffer.size();
            return line;
        }
        scanned = position + seen;
    }
}

std::optional<LogicalLine> CardReader::State::NextLogical()
{
    while (const std::optional<PhysicalLine> line = NextPhysical()) {
        if (pending && JoinContinuation(*pending, *line))
            continue;
        if (line->text.trimmed().isEmpty()) {
            if (pending)
                pending->closed = true;
            continue;
        }
        std::optional<LogicalLine> done = std::exchange(pending, StartLine(*line));
        if (done)
            return done;
    }
    return std::exchange(pending, std::nullopt);
}

CardReader::CardReader(QIODevice& device) : m_state(std::make_unique<State>(device)) {}

CardReader::~CardReader() = default;

qint64 CardReader::BytesRead() const
{
    return m_state->bytesRead;
}

std::optional<Card> CardReader::Next()
{
    std::optional<Card>& open = m_state->open;
    while (const std::optional<LogicalLine> line = m_state->NextLogical()) {
        std::optional<Property> property = ParseProperty(*line);
        if (!property) {
            if (open && open->problem == Problem::None) {
                open->problem = Problem::NotAProperty;
                open->problemLine = line->number;
            }
            continue;
        }
        if (IsVcardMarker(*property, "BEGIN")) {
            std::optional<Card> unended = std::exchange(open, Card());
            open->line = line->number;
            if (unended) {
                if (unended->problem == Problem::None) {
                    unended->problem = Problem::NoEnd;
                    unended->problemLine = line->number;
                }
                return unended;
            }
        } else if (IsVcardMarker(*property, "END")) {
            if (open)
                return std::exchange(open, std::nullopt);
        } else if (open) {
            open->properties.push_back(std::move(*property));
        }
    }
    if (open && open->problem == Problem::None) {
        open->problem = Problem::NoEnd;
        open->problemLine = open->line;
    }
    return std::exchange(open, std::nullopt);
}

std::vector<Card> ParseCards(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CardReader reader(buffer);
    std::vector<Card> cards;
    while (std::optional<Card> card = reader.Next())
        cards.push_back(std::move(*card));
    return cards;
}

QString Unescape(const QString& value)
{
    if (!value.contains(QLatin1Char('\\')))
        return value;
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(i + 1);
        if (next == QLatin1Char('n') || next == QLatin1Char('N')) {
            text += QLatin1Char('\n');
            ++i;
        } else if (next == QLatin1Char('\\') || next == QLatin1Char(',') || next == QLatin1Char(';') ||
                   next == QLatin1Char(':')) {
            text += next;
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

QStringList SplitValue(const QString& value, QChar separator)
{
    QStringList parts = SplitRaw(value, separator);
    for (QString& part : parts)
        part = Unescape(part);
    return parts;
}

// ---- A card as a person ----

QString CardName(const Card& card)
{
    if (const Property* fn = First(card, "FN"))
        return Text(*fn).simplified();
    if (const Property* n = First(card, "N"))
        return NameFromN(*n);
    return QString();
}

std::optional<Person> ToPerson(const Card& card, const Limits& limits, const QString& dateFormat, Problem& problem,
                               Keeping keeping)
{
    const bool inNote = keeping != Keeping::InCard;
    const bool older = keeping == Keeping::Older;
    problem = card.problem;
    if (problem != Problem::None)
        return std::nullopt;
    Person person;
    person.name = CardName(card);
    if (person.name.isEmpty())
        if (const Property* org = First(card, "ORG"))
            person.name = Organisation(*org);
    if (person.name.isEmpty()) {
        problem = Problem::NoName;
        return std::nullopt;
    }

    QStringList notes;
    QStringList extras;
    auto extra = [&extras, inNote](const QString& label, const QString& value) {
        if (inNote)
            extras << label + QStringLiteral(": ") + value;
    };
    if (person.name.size() > limits.name) {
        extra(T("Name"), person.name);
        person.name = person.name.left(limits.name);
        // Never half a character.
        if (!person.name.isEmpty() && person.name.back().isHighSurrogate())
            person.name.chop(1);
        person.name = person.name.trimmed();
    }

    std::vector<Block> addresses;
    std::vector<Block> labels;
    bool birthdayRead = false;
    bool preferredRead = false;
    auto addEntry = [&](std::vector<modExport::Entry>& list, const modExport::Entry& entry, int width,
                        const QString& label) {
        if (entry.value.isEmpty())
            return;
        if (entry.value.size() > width || entry.description.size() > limits.description ||
            static_cast<int>(list.size()) >= limits.entries)
            extra(label, EntryText(entry));
        else
            list.push_back(entry);
    };

    for (const Property& property : card.properties) {
        const QString& name = property.name;
        if (name == QLatin1String("BDAY") && !birthdayRead) {
            birthdayRead = true;
            const Birthday birthday = ReadBirthday(property);
            if (birthday.kind == BirthdayKind::Date)
                person.dateOfBirth = birthday.date;
            else if (birthday.kind == BirthdayKind::NoYear && !older)
                person.birthday = modPersonDetail::MonthDay{birthday.date.month(), birthday.date.day()};
            else if (birthday.kind == BirthdayKind::NoYear)
                extra(T("Date of birth"), DayAndMonth(birthday.date, dateFormat));
            else if (birthday.kind == BirthdayKind::Text)
                extra(T("Date of birth"), birthday.text);
        } else if (name == QLatin1String("ADR")) {
            const QString text = AddressText(property);
            // With the card kept, the person shows one address: the preferred one, or
            // the first; the card keeps the others.
            if (!text.isEmpty() && (inNote || addresses.empty() || (IsPreferred(property) && !preferredRead))) {
                if (!inNote) {
                    addresses.clear();
                    preferredRead = IsPreferred(property);
                }
                addresses.push_back({Description(card, property), text});
            }
        } else if (name == QLatin1String("LABEL")) {
            const QString text = Text(property);
            if (!text.isEmpty() && (inNote || labels.empty()))
                labels.push_back({Description(card, property), text});
        } else if (name == QLatin1String("TEL")) {
            const QString value = StripScheme(Text(property).simplified(), "tel:");
            addEntry(person.phones, {value, Description(card, property)}, limits.number, T("Number"));
        } else if (name == QLatin1String("EMAIL")) {
            const QString value = StripScheme(Text(property).simplified(), "mailto:");
            addEntry(person.emails, {value, Description(card, property)}, limits.email, T("E-mail"));
        } else if (name == QLatin1String("UID")) {
            if (person.uid.isEmpty())
                person.uid = Unescape(property.value);
        } else if (name == QLatin1String("NOTE")) {
            if (!Text(property).isEmpty())
                notes << Text(property);
        } else if (name == QLatin1String("ORG")) {
            const QString organisation = Organisation(property);
            if (!older && person.organisation.isEmpty())
                person.organisation = organisation;
            else if (!organisation.isEmpty() && organisation != person.name)
                extra(T("Organisation"), organisation);
        } else if (name == QLatin1String("TITLE")) {
            if (!older && person.title.isEmpty())
                person.title = Text(property).simplified();
            else if (!Text(property).isEmpty())
                extra(T("Title"), Text(property).simplified());
        } else if (name == QLatin1String("PHOTO")) {
            if (!older && person.photo.isEmpty())
                person.photo = PhotoOf(property);
        } else if (name == QLatin1String("CATEGORIES")) {
            // Older versions kept no groups: for them the card keeps its own.
            if (!older)
                person.groups << SplitValue(property.value, QLatin1Char(','));
        } else if (name == QLatin1String("NICKNAME")) {
            QStringList nicknames;
            for (const QString& nickname : SplitValue(property.value, QLatin1Char(',')))
                if (!nickname.trimmed().isEmpty())
                    nicknames << nickname.simplified();
            if (!nicknames.isEmpty())
                extra(T("Nickname"), nicknames.join(QStringLiteral(", ")));
        } else if (name == QLatin1String("URL")) {
            if (!Text(property).isEmpty())
                extra(T("Website"), Text(property).simplified());
        }
    }
    person.groups = modPersonDetail::CleanGroups(person.groups);
    if (!addresses.empty())
        person.address = JoinBlocks(addresses);
    else if (!labels.empty())
        person.address = JoinBlocks(labels);

    if (!extras.isEmpty())
        notes << extras.join(QLatin1Char('\n'));
    person.note = notes.join(QStringLiteral("\n\n"));
    return person;
}

// ---- Writing ----

QString Escape(const QString& text)
{
    // Most values have nothing to escape: they are kept as they are, not copied.
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            return c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('\r') ||
                   c == QLatin1Char('\n');
        }))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(',') || c == QLatin1Char(';')) {
            escaped += QLatin1Char('\\');
            escaped += c;
        } else if (c == QLatin1Char('\r')) {
            escaped += QStringLiteral("\\n");
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            escaped += QStringLiteral("\\n");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QStringList Fold(const QString& line)
{
    constexpr int Octets = 75;
    if (line.size() * 3 <= Octets)
        return {line};
    QStringList lines;
    // Each line after the first starts with the space that marks it as a continuation.
    const auto add = [&lines, &line](qsizetype from, qsizetype to) {
        if (lines.isEmpty()) {
            lines << line.left(to);
            return;
        }
        QString continued;
        continued.reserve(to - from + 1);
        continued += QLatin1Char(' ');
        continued += QStringView(line).mid(from, to - from);
        lines << continued;
    };
    qsizetype start = 0;
    int octets = 0;
    for (qsizetype i = 0; i < line.size();) {
        const bool pair = line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate();
        const int size = pair ? 4 : Utf8Length(line.at(i));
        if (octets + size > Octets) {
            add(start, i);
            start = i;
            octets = 1;
        }
        octets += size;
        i += pair ? 2 : 1;
    }
    add(start, line.size());
    return lines;
}

void WriteCard(const modExport::ExportedPerson& person, const modExport::Details& details,
               const modExport::LineSink& write)
{
    auto put = [&write](const QString& line) {
        for (const QString& folded : Fold(line))
            write(folded);
    };
    put(QStringLiteral("BEGIN:VCARD"));
    put(QStringLiteral("VERSION:3.0"));
    put(QStringLiteral("N:") + StructuredName(person.name));
    put(QStringLiteral("FN:") + Escape(person.name));
    if (!person.uid.isEmpty())
        put(QStringLiteral("UID:") + Escape(person.uid));
    if (!person.revision.isEmpty())
        put(QStringLiteral("REV:") + QString(person.revision).remove(QLatin1Char('-')).remove(QLatin1Char(':')));
    if (details.organisation && !person.organisation.isEmpty())
        put(QStringLiteral("ORG:") + Escape(person.organisation));
    if (details.organisation && !person.title.isEmpty())
        put(QStringLiteral("TITLE:") + Escape(person.title));
    if (!person.groups.isEmpty())
        put(CategoriesLine(person.groups));
    if (details.dateofbirth && person.dateOfBirth) {
        const QDate& date = *person.dateOfBirth;
        put(QStringLiteral("BDAY:%1-%2-%3")
                .arg(date.year(), 4, 10, QLatin1Char('0'))
                .arg(date.month(), 2, 10, QLatin1Char('0'))
                .arg(date.day(), 2, 10, QLatin1Char('0')));
    } else if (details.dateofbirth && person.birthday) {
        put(BirthdayLine(*person.birthday));
    }
    if (details.address && !person.address.isEmpty())
        put(QStringLiteral("ADR:;;") + Escape(person.address) + QStringLiteral(";;;;"));

    // A description that is no vCard type travels as the label of a group, the way
    // address books keep their own labels.
    int group = 0;
    auto entry = [&](const char* property, const char* baseType, const modExport::Entry& item, bool described,
                     bool phone) {
        const QString name = QString::fromLatin1(property);
        const QString value = Escape(item.value);
        QStringList types;
        if (baseType)
            types << QString::fromLatin1(baseType);
        if (!described || item.description.isEmpty()) {
            put(name + (types.isEmpty() ? QString() : QStringLiteral(";TYPE=") + types.join(QLatin1Char(','))) +
                QLatin1Char(':') + value);
            return;
        }
        const QStringList named = TypesOf(item.description, phone);
        types << named;
        Property typed;
        typed.parameters.push_back({QStringLiteral("TYPE"), types});
        // "Privat" is a home number, but is read back as such only in German: other
        // words for a type travel with their label too.
        if (!named.isEmpty() && Description(Card{}, typed) == item.description) {
            put(name + QStringLiteral(";TYPE=") + types.join(QLatin1Char(',')) + QLatin1Char(':') + value);
            return;
        }
        const QString prefix = QStringLiteral("item%1.").arg(++group);
        put(prefix + name + (types.isEmpty() ? QString() : QStringLiteral(";TYPE=") + types.join(QLatin1Char(','))) +
            QLatin1Char(':') + value);
        put(prefix + QStringLiteral("X-ABLabel:") + Escape(item.description));
    };
    if (details.phone)
        for (const modExport::Entry& phone : person.phones)
            entry("TEL", nullptr, phone, details.phoneDescription, true);
    if (details.email)
        for (const modExport::Entry& email : person.emails)
            entry("EMAIL", "INTERNET", email, details.emailDescription, false);
    if (details.note && !person.note.isEmpty())
        put(QStringLiteral("NOTE:") + Escape(person.note));
    if (!person.photo.isEmpty())
        put(PhotoLine(person.photo));
    put(QStringLiteral("END:VCARD"));
}

QString CategoriesLine(const QStringList& groups)
{
    QStringList values;
    for (const QString& group : groups)
        values << Escape(group);
    return QStringLiteral("CATEGORIES:") + values.join(QLatin1Char(','));
}

QString BirthdayLine(const modPersonDetail::MonthDay& birthday)
{
    // 3.0 has no form of its own for a date without a year; the 4.0 form is what
    // address books write and read in 3.0 cards too.
    return QStringLiteral("BDAY:--%1%2")
        .arg(birthday.month, 2, 10, QLatin1Char('0'))
        .arg(birthday.day, 2, 10, QLatin1Char('0'));
}

Person FromExported(const modExport::ExportedPerson& exported)
{
    Person person;
    person.name = exported.name;
    person.dateOfBirth = exported.dateOfBirth;
    person.address = exported.address;
    person.note = exported.note;
    person.phones = exported.phones;
    person.emails = exported.emails;
    person.uid = exported.uid;
    person.birthday = exported.birthday;
    person.organisation = exported.organisation;
    person.title = exported.title;
    person.photo = exported.photo;
    person.groups = exported.groups;
    person.detailsKnown = exported.detailsKnown;
    return person;
}

QString ParameterText(const Parameter& parameter)
{
    QStringList values;
    for (const QString& value : parameter.values) {
        const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char(';')) ||
                           value.contains(QLatin1Char(':')) || value.contains(QLatin1Char(' '));
        values << (quote ? QLatin1Char('"') + QString(value).remove(QLatin1Char('"')) + QLatin1Char('"') : value);
    }
    return parameter.name + QLatin1Char('=') + values.join(QLatin1Char(','));
}

QByteArray PhotoOf(const Property& property)
{
    QString value = property.value.trimmed();
    bool inline64 = false;
    if (value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = value.indexOf(QLatin1Char(','));
        if (comma < 0 || !value.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
            return {};
        value = value.mid(comma + 1);
        inline64 = true;
    } else {
        for (const QString& encoding : property.Values(QStringLiteral("ENCODING")))
            inline64 = inline64 || encoding.compare(QLatin1String("b"), Qt::CaseInsensitive) == 0 ||
                       encoding.compare(QLatin1String("base64"), Qt::CaseInsensitive) == 0;
    }
    if (!inline64)
        return {};
    // Folding blanks, and escaped line breaks some writers put into long data.
    static const QRegularExpression noise(QStringLiteral("\\\\[nN]|\\\\|\\s"));
    value.remove(noise);
    const auto decoded = QByteArray::fromBase64Encoding(value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

QString PhotoLine(const QByteArray& image)
{
    QString type = QStringLiteral("JPEG");
    if (image.startsWith("\x89PNG"))
        type = QStringLiteral("PNG");
    else if (image.startsWith("GIF8"))
        type = QStringLiteral("GIF");
    return QStringLiteral("PHOTO;ENCODING=b;TYPE=") + type + QLatin1Char(':') + QString::fromLatin1(image.toBase64());
}

QByteArray CardText(const Card& card)
{
    bool version4 = false;
    for (const Property& property : card.properties)
        if (property.name == QLatin1String("VERSION"))
            version4 = property.value.trimmed().startsWith(QLatin1Char('4'));
    // One text grown in place: an import keeps every card it reads.
    QString text;
    text.reserve(1024);
    text +=
        version4 ? QLatin1String("BEGIN:VCARD\r\nVERSION:4.0\r\n") : QLatin1String("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    QString line;
    for (const Property& property : card.properties) {
        if (property.name == QLatin1String("VERSION"))
            continue;
        line.clear();
        if (!property.group.isEmpty())
            line += property.group + QLatin1Char('.');
        line += property.name;
        for (Parameter parameter : property.parameters) {
            if (parameter.name == QLatin1String("CHARSET") || parameter.values.isEmpty())
                continue;
            if (parameter.name == QLatin1String("ENCODING")) {
                // The value was decoded when read; base64 stays base64, in 3.0's word.
                if (!parameter.values.contains(QStringLiteral("BASE64"), Qt::CaseInsensitive) &&
                    !parameter.values.contains(QStringLiteral("B"), Qt::CaseInsensitive))
                    continue;
                parameter.values = {QStringLiteral("b")};
            }
            line += QLatin1Char(';') + ParameterText(parameter);
        }
        line += QLatin1Char(':');
        // A decoded line break of any kind (quoted-printable brings CR LF) is written escaped:
        // a bare CR would end the line for every reader.
        if (property.value.contains(QLatin1Char('\n')) || property.value.contains(QLatin1Char('\r')))
            line += NormaliseBreaks(property.value).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        else
            line += property.value;
        for (const QString& folded : Fold(line)) {
            text += folded;
            text += QLatin1String("\r\n");
        }
    }
    text += QLatin1String("END:VCARD\r\n");
    return text.toUtf8();
}

// ---- Pieces for writing into a kept card ----

QString PropertyText(const Property& property)
{
    return Text(property);
}

QString DescriptionOf(const Card& card, const Property& property)
{
    return Description(card, property);
}

QString AddressOf(const Property& property)
{
    return AddressText(property);
}

QString EntryValue(const Property& property)
{
    const bool phone = property.name == QLatin1String("TEL");
    return StripScheme(Text(property).simplified(), phone ? "tel:" : "mailto:");
}

QString NameValue(const QString& name)
{
    return StructuredName(name);
}

bool IsDescriptiveType(const QString& type)
{
    return !IsPlainType(type.trimmed().toLower());
}

QString AddressValue(const QString& address)
{
    QStringList lines;
    for (const QString& line : NormaliseBreaks(address).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    // "postcode city": a first word of letters, digits and dashes with at least three
    // digits, below the street and followed by at most the country.
    static const QRegularExpression town(QStringLiteral("^([A-Za-z0-9-]{3,10})\\s+(\\S.*)$"));
    for (qsizetype at = lines.size() - 1; at >= 1 && at >= lines.size() - 2; --at) {
        const QRegularExpressionMatch match = town.match(lines.at(at));
        const QString postcode = match.captured(1);
        if (!match.hasMatch() ||
            std::count_if(postcode.begin(), postcode.end(), [](QChar c) { return c.isDigit(); }) < 3)
            continue;
        const QString street = lines.mid(0, at).join(QLatin1Char('\n'));
        const QString country = at + 1 < lines.size() ? lines.at(at + 1) : QString();
        return QStringList{QString(), QString(),        Escape(street), Escape(match.captured(2)),
                           QString(), Escape(postcode), Escape(country)}
            .join(QLatin1Char(';'));
    }
    return QStringLiteral(";;") + Escape(lines.join(QLatin1Char('\n'))) + QStringLiteral(";;;;");
}

} // namespace modVcard
