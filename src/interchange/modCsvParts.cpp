// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modCsvParts.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace modCsvParts {

namespace {

bool IsOneOf(const QString& word, std::initializer_list<const char*> words)
{
    for (const char* known : words)
        if (word.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool IsPrefix(const QString& word)
{
    return IsOneOf(word, {"Dr.", "Dr", "Prof.", "Prof", "Mr.", "Mr", "Mrs.", "Mrs", "Ms.", "Ms", "Mx.", "Miss"});
}

bool IsSuffix(const QString& word)
{
    return IsOneOf(word, {"Jr.", "Jr", "Sr.", "Sr", "II", "III", "IV", "PhD", "Ph.D.", "MD", "M.D.", "Esq.", "Esq"});
}

// Words that begin a family name when written in lower case: "Jan van der Berg".
bool IsParticle(const QString& word)
{
    static const QSet<QString> particles{
        QStringLiteral("van"), QStringLiteral("von"), QStringLiteral("vom"),   QStringLiteral("zu"),
        QStringLiteral("zum"), QStringLiteral("zur"), QStringLiteral("de"),    QStringLiteral("der"),
        QStringLiteral("den"), QStringLiteral("del"), QStringLiteral("della"), QStringLiteral("di"),
        QStringLiteral("da"),  QStringLiteral("das"), QStringLiteral("dos"),   QStringLiteral("do"),
        QStringLiteral("du"),  QStringLiteral("des"), QStringLiteral("la"),    QStringLiteral("le"),
        QStringLiteral("ter"), QStringLiteral("ten"), QStringLiteral("bin"),   QStringLiteral("ibn"),
        QStringLiteral("al"),  QStringLiteral("el"),  QStringLiteral("af"),    QStringLiteral("av"),
    };
    return particles.contains(word);
}

QString Joined(const QStringList& words)
{
    return words.join(QLatin1Char(' '));
}

// First, middle and last of words without a comma.
void SplitGiven(QStringList words, NameParts& parts)
{
    if (words.isEmpty())
        return;
    parts.first = words.takeFirst();
    if (words.isEmpty())
        return;
    qsizetype family = words.size() - 1;
    for (qsizetype i = 0; i + 1 < words.size(); ++i)
        if (IsParticle(words.at(i))) {
            family = i;
            break;
        }
    parts.middle = Joined(words.mid(0, family));
    parts.last = Joined(words.mid(family));
}

} // namespace

NameParts SplitName(const QString& name)
{
    NameParts parts;
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    QStringList words = name.left(comma < 0 ? name.size() : comma).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList after = comma < 0 ? QStringList() : name.mid(comma + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // "Bob Smith, Jr.": what follows the comma is a suffix, not a first name.
    if (!after.isEmpty() && std::all_of(after.begin(), after.end(), IsSuffix)) {
        parts.suffix = Joined(after);
        after.clear();
    }
    if (!words.isEmpty() && words.size() > 1 && IsPrefix(words.first()))
        parts.prefix = words.takeFirst();
    if (comma >= 0 && !after.isEmpty()) {
        // "van der Berg, Jan", "Smith, "Bob" Jr."
        if (after.size() > 1 && IsSuffix(after.last()))
            parts.suffix = after.takeLast();
        parts.last = Joined(words);
        parts.first = after.first();
        parts.middle = Joined(after.mid(1));
        return parts;
    }
    if (words.size() > 1 && parts.suffix.isEmpty() && IsSuffix(words.last()))
        parts.suffix = words.takeLast();
    SplitGiven(words, parts);
    return parts;
}

QString JoinName(const NameParts& parts)
{
    QStringList words;
    for (const QString* part : {&parts.prefix, &parts.first, &parts.middle, &parts.last, &parts.suffix})
        if (!part->isEmpty())
            words << *part;
    return Joined(words);
}

namespace {

// The names of the countries in English and in their own languages, lower case.
const QSet<QString>& CountryNames()
{
    static const QSet<QString> names = [] {
        QSet<QString> found{QStringLiteral("usa"), QStringLiteral("u.s.a."), QStringLiteral("uk"),
                            QStringLiteral("u.k."), QStringLiteral("united states of america")};
        for (int territory = QLocale::AnyTerritory + 1; territory <= QLocale::LastTerritory; ++territory)
            found.insert(QLocale::territoryToString(static_cast<QLocale::Territory>(territory)).toLower());
        for (const QLocale& locale :
             QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
            found.insert(locale.nativeTerritoryName().toLower());
        found.remove(QString());
        return found;
    }();
    return names;
}

bool HasDigit(const QString& line)
{
    return std::any_of(line.begin(), line.end(), [](QChar c) { return c.isDigit(); });
}

// A line of a town with its postal code: "Springfield, IL 62701" or "10115 Berlin".
bool ReadLocality(const QString& line, AddressParts& parts)
{
    static const QRegularExpression regional(
        QStringLiteral("^(\\S.*?), ([A-Za-z][A-Za-z .]*?) (\\d{5}(?:-\\d{4})?|[A-Z]\\d[A-Z] ?\\d[A-Z]\\d)$"));
    static const QRegularExpression postal(
        QStringLiteral("^(\\d{4} [A-Z]{2}|(?:[A-Z]{1,2}-)?\\d{4,5}|\\d{3} \\d{2}|\\d{2}-\\d{3}) (\\S.*)$"));
    if (const auto match = regional.match(line); match.hasMatch()) {
        parts.city = match.captured(1);
        parts.region = match.captured(2);
        parts.postalCode = match.captured(3);
        return true;
    }
    if (const auto match = postal.match(line); match.hasMatch()) {
        parts.postalCode = match.captured(1);
        parts.city = match.captured(2);
        return true;
    }
    return false;
}

std::optional<AddressParts> Shaped(QStringList lines)
{
    AddressParts parts;
    // A column cell is read trimmed, and an empty one is no line.
    if (std::any_of(lines.begin(), lines.end(),
                    [](const QString& line) { return line.isEmpty() || line != line.trimmed(); }))
        return std::nullopt;
    if (lines.size() > 1 && CountryNames().contains(lines.last().toLower()))
        parts.country = lines.takeLast();
    qsizetype locality = -1;
    for (qsizetype i = lines.size() - 1; i >= 0 && locality < 0; --i)
        if (ReadLocality(lines.at(i), parts))
            locality = i;
    if (locality >= 0) {
        // After the town only a country's name may follow.
        const QStringList rest = lines.mid(locality + 1);
        if (rest.size() > 1 || (rest.size() == 1 && (!parts.country.isEmpty() || HasDigit(rest.first()))))
            return std::nullopt;
        if (rest.size() == 1)
            parts.country = rest.first();
        lines = lines.mid(0, locality);
    } else if (lines.size() > 1 && !HasDigit(lines.last())) {
        parts.city = lines.takeLast();
    }
    constexpr qsizetype StreetLines = 3;
    if (lines.size() > StreetLines)
        return std::nullopt;
    parts.streets = lines;
    return parts;
}

} // namespace

AddressParts SplitAddress(const QString& address)
{
    const QStringList lines = address.split(QLatin1Char('\n'));
    if (lines.size() > 1)
        if (const std::optional<AddressParts> parts = Shaped(lines); parts && JoinAddress(*parts) == address)
            return *parts;
    AddressParts whole;
    if (!address.isEmpty())
        whole.streets << address;
    return whole;
}

QString JoinAddress(const AddressParts& parts)
{
    QStringList lines = parts.streets;
    QString locality;
    if (!parts.region.isEmpty()) {
        locality = parts.city;
        if (!locality.isEmpty())
            locality += QStringLiteral(", ");
        locality += parts.region;
        if (!parts.postalCode.isEmpty())
            locality += QLatin1Char(' ') + parts.postalCode;
    } else {
        QStringList present;
        for (const QString& part : {parts.postalCode, parts.city})
            if (!part.isEmpty())
                present << part;
        locality = Joined(present);
    }
    if (!locality.isEmpty())
        lines << locality;
    if (!parts.country.isEmpty())
        lines << parts.country;
    return lines.join(QLatin1Char('\n'));
}

namespace {

const QString KeptHeading = QStringLiteral("[Addrion]");
const QString NameKey = QStringLiteral("Name: ");
const QString BirthdayKey = QStringLiteral("Birthday: ");
const QString PhoneKey = QStringLiteral("Phone: ");
const QString EmailKey = QStringLiteral("E-mail: ");
const QString Parting = QStringLiteral(" | ");

QString Escaped(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('|'))
            escaped += QLatin1Char('\\');
        if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

// The text of an escaped value and, where an unescaped "|" parts it, its description.
bool Unescaped(const QString& text, QStringList& pieces)
{
    pieces = QStringList{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('|')) {
            pieces << QString();
            continue;
        }
        if (c != QLatin1Char('\\')) {
            pieces.last() += c;
            continue;
        }
        if (++i == text.size())
            return false;
        const QChar next = text.at(i);
        pieces.last() += next == QLatin1Char('n') ? QChar(u'\n') : next == QLatin1Char('r') ? QChar(u'\r') : next;
    }
    return true;
}

QString EntryLine(const QString& key, const modExport::Entry& entry)
{
    QString line = key + Escaped(entry.value);
    if (!entry.description.isEmpty())
        line += Parting + Escaped(entry.description);
    return line;
}

bool ReadEntry(const QString& text, modExport::Entry& entry)
{
    QStringList pieces;
    if (!Unescaped(text, pieces) || pieces.size() > 2)
        return false;
    entry.value = pieces.first();
    if (pieces.size() == 1)
        return true;
    // The blanks around the "|" are the parting's.
    if (!entry.value.endsWith(QLatin1Char(' ')) || !pieces.at(1).startsWith(QLatin1Char(' ')))
        return false;
    entry.value.chop(1);
    entry.description = pieces.at(1).mid(1);
    return true;
}

bool ReadKeptLine(const QString& line, KeptFields& kept)
{
    modExport::Entry entry;
    QStringList pieces;
    if (line.startsWith(NameKey))
        return Unescaped(line.mid(NameKey.size()), pieces) && pieces.size() == 1 &&
               !(kept.name = pieces.first()).isEmpty();
    if (line.startsWith(BirthdayKey))
        return !(kept.birthday = line.mid(BirthdayKey.size())).isEmpty();
    if (line.startsWith(PhoneKey) && ReadEntry(line.mid(PhoneKey.size()), entry)) {
        kept.phones.push_back(entry);
        return true;
    }
    if (line.startsWith(EmailKey) && ReadEntry(line.mid(EmailKey.size()), entry)) {
        kept.emails.push_back(entry);
        return true;
    }
    return false;
}

} // namespace

QString NoteWithKept(const QString& note, const KeptFields& kept)
{
    if (kept.IsEmpty())
        return note;
    QStringList lines{KeptHeading};
    if (!kept.name.isEmpty())
        lines << NameKey + Escaped(kept.name);
    if (!kept.birthday.isEmpty())
        lines << BirthdayKey + kept.birthday;
    for (const modExport::Entry& phone : kept.phones)
        lines << EntryLine(PhoneKey, phone);
    for (const modExport::Entry& email : kept.emails)
        lines << EntryLine(EmailKey, email);
    const QString block = lines.join(QLatin1Char('\n'));
    return note.isEmpty() ? block : note + QStringLiteral("\n\n") + block;
}

bool SplitKept(const QString& text, QString& note, KeptFields& kept)
{
    qsizetype at = text.lastIndexOf(QStringLiteral("\n\n") + KeptHeading + QLatin1Char('\n'));
    if (at >= 0)
        at += 2;
    else if (text.startsWith(KeptHeading + QLatin1Char('\n')))
        at = 0;
    else
        return false;
    KeptFields read;
    const QStringList lines = text.mid(at + KeptHeading.size() + 1).split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (!ReadKeptLine(line, read))
            return false;
    if (read.IsEmpty())
        return false;
    kept = std::move(read);
    note = text.left(at > 0 ? at - 2 : 0);
    return true;
}

} // namespace modCsvParts
