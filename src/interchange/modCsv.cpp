// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modCsv.h"

#include "editor/modContact.h"
#include "language/IniFile.h"
#include "language/modLanguage.h"
#include "mainwindow/modList.h"

#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <map>

namespace modCsv {

namespace {

const QString MultiValue = QStringLiteral(" ::: ");

// The characters Windows-1252 puts where Latin-1 has control codes; the five it leaves
// undefined stay as they are.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString FromCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        text[i] = (byte >= 0x80 && byte < 0xA0) ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString Lower(const QString& header)
{
    return header.trimmed().toLower();
}

// ---- Layout columns ----

using PhoneKind = RecordWriter::PhoneKind;

// Outlook's phone columns with the descriptions they stand for, in the order written.
std::vector<PhoneKind> PhoneKinds()
{
    return {
        {"home phone", T("Home")},     {"mobile phone", T("Mobile")},
        {"business phone", T("Work")}, {"home fax", T("Home") + QLatin1Char(' ') + T("Fax")},
        {"business fax", T("Fax")},    {"pager", T("Pager")},
        {"other phone", QString()},
    };
}

// The written name of a column ("home phone" -> "Home Phone").
QString TitleCase(const QString& lower)
{
    QStringList words = lower.split(QLatin1Char(' '));
    for (QString& word : words)
        if (!word.isEmpty())
            word[0] = word[0].toUpper();
    return words.join(QLatin1Char(' '));
}

// Outlook's column for a number of this description; workFax is "Work Fax" in the
// user's language.
int PhoneKindOf(const std::vector<PhoneKind>& kinds, const QString& workFax, const QString& description)
{
    if (description.isEmpty())
        return static_cast<int>(kinds.size()) - 1;
    if (description == workFax)
        return 4;
    for (size_t i = 0; i + 1 < kinds.size(); ++i)
        if (description.compare(kinds[i].description, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return static_cast<int>(kinds.size()) - 1;
}

Column OutlookColumn(const QString& lower, int index)
{
    static const QRegularExpression email(QStringLiteral("^e-mail(?: (\\d+))? address$"));
    static const QRegularExpression phone(QStringLiteral("^(.+ (?:phone|fax)|pager)(?: \\d+)?$"));
    static const QRegularExpression address(
        QStringLiteral("^(home|business|other) (street(?: \\d+)?|city|state|postal code|country/region)$"));
    if (const auto match = email.match(lower); match.hasMatch())
        return {Role::Email, match.captured(1).isEmpty() ? 1 : match.captured(1).toInt(), QString()};
    if (const auto match = address.match(lower); match.hasMatch()) {
        const QString place = match.captured(1);
        if (place == QLatin1String("home"))
            return {Role::Address, 1, T("Home")};
        if (place == QLatin1String("business"))
            return {Role::Address, 2, T("Work")};
        return {Role::Address, 3, QString()};
    }
    if (const auto match = phone.match(lower); match.hasMatch()) {
        const QString base = match.captured(1);
        // Columns of their own slot: no label column describes them.
        const int slot = 1000 + index;
        for (const PhoneKind& kind : PhoneKinds())
            if (base == QLatin1String(kind.header))
                return {Role::Phone, slot, kind.description};
        return {Role::Phone, slot, TitleCase(base)};
    }
    return {};
}

Column GoogleColumn(const QString& lower)
{
    static const QRegularExpression numbered(
        QStringLiteral("^(e-mail|phone|address) (\\d+) - (type|label|value|formatted)$"));
    const auto match = numbered.match(lower);
    if (!match.hasMatch())
        return {};
    const QString kind = match.captured(1);
    const int slot = match.captured(2).toInt();
    const QString part = match.captured(3);
    const bool label = part == QLatin1String("type") || part == QLatin1String("label");
    if (kind == QLatin1String("address")) {
        if (label)
            return {Role::AddressLabel, slot, QString()};
        return part == QLatin1String("formatted") ? Column{Role::Address, slot, QString()} : Column{};
    }
    if (part == QLatin1String("formatted"))
        return {};
    if (kind == QLatin1String("phone"))
        return {label ? Role::PhoneLabel : Role::Phone, slot, QString()};
    return {label ? Role::EmailLabel : Role::Email, slot, QString()};
}

// ---- Rows as cards ----

struct Builder
{
    modVcard::Card card;
    int groups = 0;

    void Add(const char* name, const QString& value, const QString& label = QString())
    {
        modVcard::Property property;
        property.line = card.line;
        property.name = QString::fromLatin1(name);
        property.value = modVcard::Escape(value);
        if (!label.isEmpty()) {
            // A label of its own, as address books pair them, so any text survives.
            property.group = QStringLiteral("item%1").arg(++groups);
            modVcard::Property text;
            text.line = card.line;
            text.group = property.group;
            text.name = QStringLiteral("X-ABLABEL");
            text.value = modVcard::Escape(label);
            card.properties.push_back(property);
            card.properties.push_back(text);
            return;
        }
        card.properties.push_back(property);
    }
};

QString Cell(const Record& row, size_t column)
{
    return column < static_cast<size_t>(row.fields.size())
               ? WithoutFormulaGuard(row.fields.at(static_cast<qsizetype>(column)).trimmed())
               : QString();
}

// The label the row gives the values of a slot, else the column's own description.
QString LabelFor(const Record& row, const Mapping& mapping, Role labelRole, const Column& column)
{
    for (size_t i = 0; i < mapping.size(); ++i) {
        if (mapping[i].role != labelRole || mapping[i].slot != column.slot)
            continue;
        QString label = Cell(row, i);
        // Google marks the preferred one with "* ".
        if (label.startsWith(QLatin1String("* ")))
            label = label.mid(2).trimmed();
        if (!label.isEmpty())
            return label;
    }
    return column.description;
}

QStringList Values(const QString& cell)
{
    QStringList values;
    for (const QString& value : cell.split(MultiValue))
        if (!value.trimmed().isEmpty())
            values << value.trimmed();
    return values;
}

// "Given Family" kept whole, as other programs split it: at a comma "Family, Given",
// otherwise the last word is the family name.
std::pair<QString, QString> GivenAndFamily(const QString& name)
{
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma > 0)
        return {name.mid(comma + 1).trimmed(), name.left(comma).trimmed()};
    const qsizetype blank = name.lastIndexOf(QLatin1Char(' '));
    if (blank > 0)
        return {name.left(blank).trimmed(), name.mid(blank + 1)};
    return {QString(), name};
}

} // namespace

// ---- Reading ----

QString Decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    return FromCp1252(body);
}

QChar DetectSeparator(const QString& text)
{
    const QList<QChar> candidates{QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    QList<int> counts(candidates.size(), 0);
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && candidates.contains(c))
            ++counts[candidates.indexOf(c)];
    }
    qsizetype best = 0;
    for (qsizetype i = 1; i < counts.size(); ++i)
        if (counts[i] > counts[best])
            best = i;
    return candidates.at(best);
}

RecordSplitter::RecordSplitter(QChar separator) : m_separator(separator)
{
    m_record.line = 1;
}

void RecordSplitter::AddProblem(const FileProblem& problem)
{
    // A broken file could otherwise fill memory with them; the first are told.
    constexpr size_t Kept = 100;
    if (m_problems.size() < Kept)
        m_problems.push_back(problem);
}

void RecordSplitter::EndRecord(const std::function<void(Record&&)>& take)
{
    m_record.fields << m_field;
    m_field.clear();
    m_fieldStarted = false;
    m_closed = false;
    // A blank line holds no row.
    Record done = std::exchange(m_record, Record{});
    if (done.fields.size() > 1 || !done.fields.first().isEmpty())
        take(std::move(done));
}

void RecordSplitter::Feed(QStringView piece, bool last, const std::function<void(Record&&)>& take)
{
    const qsizetype size = piece.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = piece.at(i);
        const QChar before = std::exchange(m_previous, c);
        if (m_quoted) {
            if (m_quoteSeen) {
                m_quoteSeen = false;
                if (c == QLatin1Char('"')) { // a doubled quote is one of the text
                    m_field += c;
                    m_previous = QChar();
                    continue;
                }
                m_quoted = false; // the quote closed the field: c is outside it
                m_closed = true;
            } else if (c == QLatin1Char('"')) {
                m_quoteSeen = true; // closing, or the first of two: the next character tells
                continue;
            } else {
                if (c == QLatin1Char('\r') || (c == QLatin1Char('\n') && before != QLatin1Char('\r')))
                    ++m_line;
                m_field += c;
                continue;
            }
        }
        if (c == QLatin1Char('"') && !m_fieldStarted) {
            m_quoted = true;
            m_fieldStarted = true;
            m_quoteLine = m_line;
        } else if (c == m_separator) {
            m_record.fields << m_field;
            m_field.clear();
            m_fieldStarted = false;
            m_closed = false;
        } else if (c == QLatin1Char('\n') && before == QLatin1Char('\r')) {
            // The LF of a CR LF: the CR ended the record already.
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            EndRecord(take);
            ++m_line;
            m_record.line = m_line;
        } else {
            // Where a field's quotes do not enclose all of it, no reader can tell where it ends.
            if ((c == QLatin1Char('"') || (m_closed && !c.isSpace())) && m_strayLine != m_line) {
                m_strayLine = m_line;
                AddProblem({Problem::StrayQuote, m_line, 0, 0});
            }
            m_field += c;
            m_fieldStarted = true;
        }
    }
    if (!last)
        return;
    if (m_quoted && m_quoteSeen) // the text ends with the closing quote
        m_quoted = m_quoteSeen = false;
    if (m_quoted)
        AddProblem({Problem::UnterminatedQuote, m_quoteLine, 0, 0});
    if (m_fieldStarted || !m_field.isEmpty() || !m_record.fields.isEmpty())
        EndRecord(take);
}

std::vector<Record> SplitRecords(const QString& text, QChar separator, std::vector<FileProblem>& problems)
{
    std::vector<Record> records;
    RecordSplitter splitter(separator);
    splitter.Feed(text, true, [&records](Record&& record) { records.push_back(std::move(record)); });
    problems.insert(problems.end(), splitter.Problems().begin(), splitter.Problems().end());
    return records;
}

struct RecordReader::State
{
    State(QIODevice& from, Encoding how, QChar separator) : device(from), encoding(how), splitter(separator)
    {
        if (encoding != Encoding::Windows1252)
            decoder = QStringDecoder(encoding == Encoding::Utf16LE   ? QStringConverter::Utf16LE
                                     : encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE
                                                                     : QStringConverter::Utf8,
                                     QStringConverter::Flag::ConvertInitialBom);
    }

    QIODevice& device;
    Encoding encoding;
    QStringDecoder decoder;
    RecordSplitter splitter;
    std::vector<Record> ready;
    size_t taken = 0;
    bool started = false;
    bool ended = false;
    bool invalid = false;
    qint64 bytesRead = 0;
};

RecordReader::RecordReader(QIODevice& device, Encoding encoding, QChar separator)
    : m_state(std::make_unique<State>(device, encoding, separator))
{
}

RecordReader::~RecordReader() = default;

std::optional<Record> RecordReader::Next()
{
    State& s = *m_state;
    const auto take = [&s](Record&& record) { s.ready.push_back(std::move(record)); };
    while (s.taken == s.ready.size() && !s.ended) {
        s.ready.clear();
        s.taken = 0;
        QByteArray chunk = s.device.read(qint64(1) << 16);
        if (!s.started) {
            s.started = true;
            const char* bom = s.encoding == Encoding::Utf16LE   ? "\xFF\xFE"
                              : s.encoding == Encoding::Utf16BE ? "\xFE\xFF"
                              : s.encoding == Encoding::Utf8    ? "\xEF\xBB\xBF"
                                                                : "";
            if (*bom && chunk.startsWith(bom))
                chunk.remove(0, static_cast<qsizetype>(qstrlen(bom)));
        }
        if (chunk.isEmpty()) {
            s.ended = true;
            s.splitter.Feed(QStringView(), true, take);
            break;
        }
        s.bytesRead += chunk.size();
        const QString text = s.encoding == Encoding::Windows1252 ? FromCp1252(chunk) : QString(s.decoder.decode(chunk));
        s.invalid = s.invalid || s.decoder.hasError();
        s.splitter.Feed(text, false, take);
    }
    if (s.taken == s.ready.size())
        return std::nullopt;
    return std::move(s.ready[s.taken++]);
}

qint64 RecordReader::BytesRead() const
{
    return m_state->bytesRead;
}

bool RecordReader::InvalidText() const
{
    return m_state->invalid;
}

const std::vector<FileProblem>& RecordReader::Problems() const
{
    return m_state->splitter.Problems();
}

FileCheck CheckFile(QIODevice& device, const std::function<bool(double)>& progress)
{
    // Reports list this many problems; a broken file could otherwise fill memory with them.
    constexpr size_t KeptProblems = 100;
    constexpr size_t KeptRows = 20;
    FileCheck check;
    const QByteArray start = device.peek(qint64(1) << 16);
    if (start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF"))
        check.encoding = start.startsWith("\xFF\xFE") ? Encoding::Utf16LE : Encoding::Utf16BE;
    const qint64 origin = device.pos();
    const double size = static_cast<double>(qMax<qint64>(device.size() - origin, 1));
    for (;;) {
        device.seek(origin);
        // The separator is the header line's.
        check.separator = DetectSeparator(check.encoding == Encoding::Windows1252 ? FromCp1252(start) : Decode(start));
        RecordReader reader(device, check.encoding, check.separator);
        check.header.clear();
        check.firstRows.clear();
        check.dates.clear();
        check.problems.clear();
        bool first = true;
        while (std::optional<Record> record = reader.Next()) {
            if (progress && !progress(reader.BytesRead() / size)) {
                check.cancelled = true;
                return check;
            }
            if (first) {
                check.header = record->fields;
                first = false;
                continue;
            }
            if (record->fields.size() != check.header.size() && check.problems.size() < KeptProblems)
                check.problems.push_back({Problem::Ragged, record->line, static_cast<int>(record->fields.size()),
                                          static_cast<int>(check.header.size())});
            if (check.dates.size() < static_cast<size_t>(check.header.size()))
                check.dates.resize(static_cast<size_t>(check.header.size()));
            for (qsizetype i = 0; i < record->fields.size() && i < check.header.size(); ++i)
                AddDateEvidence(check.dates[static_cast<size_t>(i)], record->fields.at(i));
            if (check.firstRows.size() < KeptRows)
                check.firstRows.push_back(std::move(*record));
        }
        // Bytes that are no UTF-8 anywhere: the whole file is Windows-1252, as Decode reads it.
        if (reader.InvalidText() && check.encoding == Encoding::Utf8) {
            check.encoding = Encoding::Windows1252;
            continue;
        }
        check.problems.insert(check.problems.end(), reader.Problems().begin(), reader.Problems().end());
        std::sort(check.problems.begin(), check.problems.end(),
                  [](const FileProblem& a, const FileProblem& b) { return a.line < b.line; });
        device.seek(origin);
        return check;
    }
}

Table ReadTable(const QByteArray& bytes)
{
    Table table;
    const QString text = Decode(bytes);
    std::vector<Record> records = SplitRecords(text, DetectSeparator(text), table.problems);
    if (records.empty())
        return table;
    table.header = records.front().fields;
    const int expected = static_cast<int>(table.header.size());
    for (size_t i = 1; i < records.size(); ++i) {
        const int fields = static_cast<int>(records[i].fields.size());
        if (fields != expected)
            table.problems.push_back({Problem::Ragged, records[i].line, fields, expected});
        table.rows.push_back(std::move(records[i]));
    }
    std::sort(table.problems.begin(), table.problems.end(),
              [](const FileProblem& a, const FileProblem& b) { return a.line < b.line; });
    return table;
}

// ---- Layouts ----

Layout Recognise(const QStringList& header)
{
    QSet<QString> names;
    for (const QString& name : header)
        names.insert(Lower(name));
    const bool firstLast = names.contains(QStringLiteral("first name")) && names.contains(QStringLiteral("last name"));
    if (firstLast && (names.contains(QStringLiteral("e-mail 1 - label")) ||
                      names.contains(QStringLiteral("phone 1 - label")) || names.contains(QStringLiteral("labels"))))
        return Layout::GoogleLabel;
    if ((names.contains(QStringLiteral("name")) || names.contains(QStringLiteral("given name"))) &&
        (names.contains(QStringLiteral("e-mail 1 - type")) || names.contains(QStringLiteral("phone 1 - type")) ||
         names.contains(QStringLiteral("family name"))))
        return Layout::Google;
    if (firstLast && (names.contains(QStringLiteral("e-mail address")) ||
                      names.contains(QStringLiteral("business phone")) || names.contains(QStringLiteral("home phone"))))
        return Layout::Outlook;
    return Layout::Unknown;
}

Mapping LayoutMapping(const QStringList& header, Layout layout)
{
    Mapping mapping(static_cast<size_t>(header.size()));
    if (layout == Layout::Unknown)
        return mapping;
    static const QHash<QString, Role> common{
        {QStringLiteral("name"), Role::Name},
        {QStringLiteral("given name"), Role::FirstName},
        {QStringLiteral("first name"), Role::FirstName},
        {QStringLiteral("additional name"), Role::MiddleName},
        {QStringLiteral("middle name"), Role::MiddleName},
        {QStringLiteral("family name"), Role::LastName},
        {QStringLiteral("last name"), Role::LastName},
        {QStringLiteral("birthday"), Role::DateOfBirth},
        {QStringLiteral("notes"), Role::Note},
        // Google's current and older names, and Outlook's.
        {QStringLiteral("organization name"), Role::Organisation},
        {QStringLiteral("organization 1 - name"), Role::Organisation},
        {QStringLiteral("company"), Role::Organisation},
        {QStringLiteral("organization title"), Role::Title},
        {QStringLiteral("organization 1 - title"), Role::Title},
        {QStringLiteral("job title"), Role::Title},
        {QStringLiteral("nickname"), Role::Nickname},
    };
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString lower = Lower(header.at(i));
        Column& column = mapping[static_cast<size_t>(i)];
        if (const auto role = common.constFind(lower); role != common.constEnd())
            column.role = *role;
        else
            column = layout == Layout::Outlook ? OutlookColumn(lower, static_cast<int>(i)) : GoogleColumn(lower);
    }
    return mapping;
}

namespace {

// The words of the shipped languages for the roles, longest first, read once per language
// folder: "Vorname", "Nom de famille", "Geburtsdatum".
const std::vector<std::pair<QString, Role>>& TranslatedHeaderWords()
{
    static QString folder;
    static std::vector<std::pair<QString, Role>> words;
    if (folder == modLanguage::LanguageFolder() && !words.empty())
        return words;
    folder = modLanguage::LanguageFolder();
    words.clear();
    const std::pair<const char*, Role> keys[] = {
        {"First name", Role::FirstName},
        {"Last name", Role::LastName},
        {"Name", Role::Name},
        {"Date of birth", Role::DateOfBirth},
        {"E-mail", Role::Email},
        {"Address", Role::Address},
        {"Note", Role::Note},
        {"Organisation", Role::Organisation},
        {"Title", Role::Title},
        {"Nickname", Role::Nickname},
    };
    for (const QString& name : modLanguage::LanguageFileNames()) {
        const IniFile file = IniFile::load(folder + name + QStringLiteral(".ini"));
        for (const auto& [key, role] : keys) {
            const QString word =
                file.value(QStringLiteral("Translation"), QString::fromLatin1(key)).simplified().toLower();
            // The English words have their own, careful list below.
            if (word.size() >= 3 && word != QString::fromLatin1(key).toLower() &&
                std::none_of(words.begin(), words.end(), [&word](const auto& known) { return known.first == word; }))
                words.push_back({word, role});
        }
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return words;
}

// Whether a column name says the word: holds it, or shares its first six letters with it
// ("Geburtstag" and "Geburtsdatum").
bool Says(const QString& lower, const QString& word)
{
    if (lower == word || (word.size() >= 4 && lower.contains(word)))
        return true;
    constexpr qsizetype Stem = 6;
    return lower.size() >= Stem && word.size() >= Stem && lower.left(Stem) == word.left(Stem);
}

} // namespace

Mapping GuessMapping(const QStringList& header)
{
    // The first word found decides; "e-mail" before "name" for "E-mail Display Name".
    static const std::vector<std::pair<QString, Role>> words{
        {QStringLiteral("job"), Role::Title},           {QStringLiteral("nick"), Role::Nickname},
        {QStringLiteral("organi"), Role::Organisation}, {QStringLiteral("company"), Role::Organisation},
        {QStringLiteral("mail"), Role::Email},          {QStringLiteral("phone"), Role::Phone},
        {QStringLiteral("tel"), Role::Phone},           {QStringLiteral("mobile"), Role::Phone},
        {QStringLiteral("fax"), Role::Phone},           {QStringLiteral("birth"), Role::DateOfBirth},
        {QStringLiteral("first"), Role::FirstName},     {QStringLiteral("given"), Role::FirstName},
        {QStringLiteral("last"), Role::LastName},       {QStringLiteral("family"), Role::LastName},
        {QStringLiteral("surname"), Role::LastName},    {QStringLiteral("name"), Role::Name},
        {QStringLiteral("street"), Role::Address},      {QStringLiteral("address"), Role::Address},
        {QStringLiteral("city"), Role::Address},        {QStringLiteral("zip"), Role::Address},
        {QStringLiteral("postal"), Role::Address},      {QStringLiteral("country"), Role::Address},
        {QStringLiteral("note"), Role::Note},           {QStringLiteral("comment"), Role::Note},
    };
    Mapping mapping(static_cast<size_t>(header.size()));
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString lower = Lower(header.at(i));
        Column& column = mapping[static_cast<size_t>(i)];
        column.slot = 2000 + static_cast<int>(i);
        // The shipped languages' words first: "Vorname" is a first name, not a name.
        for (const auto& [word, role] : TranslatedHeaderWords())
            if (Says(lower, word)) {
                column.role = role;
                break;
            }
        for (const auto& [word, role] : words)
            if (column.role == Role::Ignore && lower.contains(word)) {
                column.role = role;
                break;
            }
        // One address made of all its lines.
        if (column.role == Role::Address)
            column.slot = 1;
    }
    return mapping;
}

QString ProblemsText(const std::vector<FileProblem>& problems)
{
    // A broken file could otherwise fill the screen.
    constexpr size_t Listed = 20;
    QStringList lines{T("Nothing was imported") + QLatin1Char('.')};
    for (size_t i = 0; i < problems.size() && i < Listed; ++i) {
        const FileProblem& problem = problems[i];
        const QString reason = problem.problem == Problem::UnterminatedQuote
                                   ? T("The quotation mark opened here is not closed")
                               : problem.problem == Problem::StrayQuote
                                   ? T("A quotation mark stands inside a field that does not begin with one")
                                   : QString::number(problem.fields) + QLatin1Char(' ') + T("fields instead of") +
                                         QLatin1Char(' ') + QString::number(problem.expected);
        lines << QStringLiteral("- ") + T("Line") + QLatin1Char(' ') + QString::number(problem.line) +
                     QStringLiteral(": ") + reason;
    }
    if (problems.size() > Listed)
        lines << QStringLiteral("...");
    return lines.join(QLatin1Char('\n'));
}

void AddDateEvidence(DateEvidence& evidence, const QString& cell)
{
    static const QRegularExpression date(QStringLiteral("^\\s*(\\d{1,2})[./-](\\d{1,2})[./-]\\d{2,4}\\s*$"));
    const QRegularExpressionMatch match = date.match(cell);
    if (!match.hasMatch())
        return;
    const int first = match.captured(1).toInt();
    const int second = match.captured(2).toInt();
    if (first > 12 && second <= 12)
        evidence.dayFirst = true;
    else if (second > 12 && first <= 12)
        evidence.monthFirst = true;
    else if (first != second && first > 0 && second > 0)
        evidence.either = true;
}

QString ColumnDateFormat(const DateEvidence& evidence, Layout layout, const QString& dateFormat, bool& undecided)
{
    undecided = false;
    if (evidence.dayFirst != evidence.monthFirst)
        return evidence.dayFirst ? QStringLiteral("dd/mm/yyyy") : QStringLiteral("mm/dd/yyyy");
    // Both orders in one column, or no date that depends on the order (ISO dates, years
    // first): each date as best it reads.
    if (evidence.dayFirst || !evidence.either)
        return QString();
    undecided = true;
    return layout == Layout::Unknown ? dateFormat : QStringLiteral("mm/dd/yyyy");
}

QString BirthdayValue(const QString& cell, const QString& dateFormat, Layout layout, bool decided)
{
    const QString text = cell.trimmed();
    static const QRegularExpression iso(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}|--\\d{2}-?\\d{2})$"));
    if (text.isEmpty() || iso.match(text).hasMatch())
        return text;
    QString slashed = text;
    slashed.replace(QLatin1Char('.'), QLatin1Char('/')).replace(QLatin1Char('-'), QLatin1Char('/'));
    QStringList formats{dateFormat};
    if (layout == Layout::Outlook) {
        // An empty birthday as Outlook writes it.
        if (slashed == QLatin1String("0/0/00"))
            return QString();
        if (!decided)
            formats << QStringLiteral("mm/dd/yyyy");
    }
    for (const QString& format : formats) {
        const modContact::TypedDate typed = modContact::ReadTypedDate(slashed, format);
        if (typed.state == modContact::DateState::Valid)
            if (const auto date = modList::ParseMonthDayYear(typed.monthDayYear))
                return date->toString(Qt::ISODate);
    }
    return text;
}

modVcard::Card ToCard(const Record& row, const Mapping& mapping, const QString& dateFormat, Layout layout)
{
    Builder builder;
    builder.card.line = row.line;
    QStringList names;
    QStringList parts[3]; // first, middle, last
    std::map<int, QStringList> addresses;
    std::map<int, QString> addressLabels;
    for (size_t i = 0; i < mapping.size(); ++i) {
        const Column& column = mapping[i];
        const QString cell = Cell(row, i);
        if (cell.isEmpty())
            continue;
        switch (column.role) {
        case Role::Name:
            // Several name columns ("Vorname", "Nachname" taken for names) make one name.
            names << cell;
            break;
        case Role::FirstName:
            parts[0] << cell;
            break;
        case Role::MiddleName:
            parts[1] << cell;
            break;
        case Role::LastName:
            parts[2] << cell;
            break;
        case Role::DateOfBirth:
            // A column whose order is known is read in it alone.
            builder.Add("BDAY", column.dateFormat.isEmpty() ? BirthdayValue(cell, dateFormat, layout)
                                                            : BirthdayValue(cell, column.dateFormat, layout, true));
            break;
        case Role::Phone:
            for (const QString& value : Values(cell))
                builder.Add("TEL", value, LabelFor(row, mapping, Role::PhoneLabel, column));
            break;
        case Role::Email:
            for (const QString& value : Values(cell))
                builder.Add("EMAIL", value, LabelFor(row, mapping, Role::EmailLabel, column));
            break;
        case Role::Address:
            addresses[column.slot] << cell;
            addressLabels[column.slot] = LabelFor(row, mapping, Role::AddressLabel, column);
            break;
        case Role::Note:
            builder.Add("NOTE", cell);
            break;
        case Role::Organisation:
            builder.Add("ORG", cell);
            break;
        case Role::Title:
            builder.Add("TITLE", cell);
            break;
        case Role::Nickname:
            builder.Add("NICKNAME", cell);
            break;
        case Role::Ignore:
        case Role::PhoneLabel:
        case Role::EmailLabel:
        case Role::AddressLabel:
            break;
        }
    }
    const QString name = (names.isEmpty() ? parts[0] + parts[1] + parts[2] : names).join(QLatin1Char(' '));
    if (!name.isEmpty())
        builder.Add("FN", name);
    for (const auto& [slot, lines] : addresses)
        builder.Add("LABEL", lines.join(QLatin1Char('\n')), addressLabels[slot]);
    return builder.card;
}

// ---- Writing ----

QString FormulaGuarded(const QString& field)
{
    if (field.isEmpty())
        return field;
    const QChar first = field.front();
    if (first == QLatin1Char('=') || first == QLatin1Char('@') || first == QLatin1Char('\t') ||
        first == QLatin1Char('\r'))
        return QLatin1Char('\'') + field;
    if (first != QLatin1Char('+') && first != QLatin1Char('-'))
        return field;
    // A number ("+49 30 1234567", "-") is no formula a spreadsheet would run; anything
    // else after a sign may call a function.
    for (const QChar c : field)
        if (!c.isDigit() && !QStringLiteral(" +-()./").contains(c))
            return QLatin1Char('\'') + field;
    return field;
}

QString WithoutFormulaGuard(const QString& cell)
{
    if (cell.size() < 2 || cell.front() != QLatin1Char('\''))
        return cell;
    const QString rest = cell.mid(1);
    return FormulaGuarded(rest) == cell ? rest : cell;
}

QString Quote(const QString& field)
{
    bool plain = field.isEmpty() || (!field.front().isSpace() && !field.back().isSpace());
    for (qsizetype i = 0; plain && i < field.size(); ++i) {
        const char16_t c = field.at(i).unicode();
        plain = c != u',' && c != u'"' && c != u'\n' && c != u'\r' && c != u';' && c != u'\t';
    }
    if (plain)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RecordText(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted << Quote(field);
    return quoted.join(QLatin1Char(','));
}

RecordWriter::RecordWriter(const modExport::Details& details, Layout layout, const QString& dateFormat)
    : m_details(details), m_outlook(layout == Layout::Outlook), m_dateFormat(dateFormat), m_kinds(PhoneKinds()),
      m_workFax(T("Work") + QLatin1Char(' ') + T("Fax")), m_kindColumns(m_kinds.size(), 0)
{
}

std::vector<std::vector<QString>> RecordWriter::byKind(const std::vector<modExport::Entry>& phones) const
{
    std::vector<std::vector<QString>> numbers(m_kinds.size());
    for (const modExport::Entry& phone : phones)
        numbers[static_cast<size_t>(PhoneKindOf(m_kinds, m_workFax, phone.description))].push_back(phone.value);
    return numbers;
}

void RecordWriter::WidenPhones(const std::vector<modExport::Entry>& phones)
{
    if (!m_details.phone)
        return;
    if (m_outlook) {
        const std::vector<std::vector<QString>> numbers = byKind(phones);
        for (size_t k = 0; k < m_kinds.size(); ++k)
            m_kindColumns[k] = std::max(m_kindColumns[k], numbers[k].size());
    }
    m_phoneColumns = std::max(m_phoneColumns, phones.size());
}

void RecordWriter::WidenEmails(const std::vector<modExport::Entry>& emails)
{
    if (m_details.email)
        m_emailColumns = std::max(m_emailColumns, emails.size());
}

QStringList RecordWriter::Header() const
{
    QStringList header =
        m_outlook ? QStringList{QStringLiteral("First Name"), QStringLiteral("Last Name")}
                  : QStringList{QStringLiteral("Name"), QStringLiteral("Given Name"), QStringLiteral("Family Name")};
    if (m_details.organisation)
        header << (m_outlook ? QStringList{QStringLiteral("Company"), QStringLiteral("Job Title")}
                             : QStringList{QStringLiteral("Organization 1 - Name"),
                                           QStringLiteral("Organization 1 - Title")});
    if (m_details.dateofbirth)
        header << QStringLiteral("Birthday");
    if (m_details.note)
        header << QStringLiteral("Notes");
    for (size_t i = 1; i <= m_emailColumns; ++i) {
        if (m_outlook) {
            header << (i == 1 ? QStringLiteral("E-mail Address") : QStringLiteral("E-mail %1 Address").arg(i));
            continue;
        }
        if (m_details.emailDescription)
            header << QStringLiteral("E-mail %1 - Type").arg(i);
        header << QStringLiteral("E-mail %1 - Value").arg(i);
    }
    if (m_outlook) {
        for (size_t k = 0; k < m_kinds.size(); ++k)
            for (size_t n = 1; n <= m_kindColumns[k]; ++n)
                header << TitleCase(QString::fromLatin1(m_kinds[k].header)) +
                              (n == 1 ? QString() : QLatin1Char(' ') + QString::number(n));
    } else {
        for (size_t i = 1; i <= m_phoneColumns; ++i) {
            if (m_details.phoneDescription)
                header << QStringLiteral("Phone %1 - Type").arg(i);
            header << QStringLiteral("Phone %1 - Value").arg(i);
        }
    }
    if (m_details.address)
        header << (m_outlook ? QStringLiteral("Home Street") : QStringLiteral("Address 1 - Formatted"));
    return header;
}

QStringList RecordWriter::Fields(const modExport::ExportedPerson& person) const
{
    QStringList fields;
    if (m_outlook) {
        const qsizetype blank = person.name.indexOf(QLatin1Char(' '));
        fields << (blank < 0 ? person.name : person.name.left(blank))
               << (blank < 0 ? QString() : person.name.mid(blank + 1));
    } else {
        const auto [given, family] = GivenAndFamily(person.name);
        fields << person.name << given << family;
    }
    if (m_details.organisation)
        fields << person.organisation << person.title;
    if (m_details.dateofbirth) {
        // Outlook writes the user's own date form; Google ISO, and "--04-14" without a
        // year. Outlook has no form for a birthday without a year: it is left out there.
        if (person.dateOfBirth)
            fields << (m_outlook ? modList::FormatDate(*person.dateOfBirth, m_dateFormat)
                                 : person.dateOfBirth->toString(Qt::ISODate));
        else if (person.birthday && !m_outlook)
            fields << person.birthday->Stored();
        else
            fields << QString();
    }
    if (m_details.note)
        fields << person.note;
    for (size_t i = 0; i < m_emailColumns; ++i) {
        const bool has = i < person.emails.size();
        if (!m_outlook && m_details.emailDescription)
            fields << (has ? person.emails[i].description : QString());
        fields << (has ? person.emails[i].value : QString());
    }
    if (m_outlook) {
        const std::vector<std::vector<QString>> numbers = byKind(person.phones);
        for (size_t k = 0; k < m_kinds.size(); ++k)
            for (size_t n = 0; n < m_kindColumns[k]; ++n)
                fields << (n < numbers[k].size() ? numbers[k][n] : QString());
    } else {
        for (size_t i = 0; i < m_phoneColumns; ++i) {
            const bool has = i < person.phones.size();
            if (m_details.phoneDescription)
                fields << (has ? person.phones[i].description : QString());
            fields << (has ? person.phones[i].value : QString());
        }
    }
    if (m_details.address)
        fields << person.address;
    for (QString& field : fields)
        field = FormulaGuarded(field);
    return fields;
}

} // namespace modCsv
