// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modCsv.h"

#include "editor/modContact.h"
#include "interchange/modCsvParts.h"
#include "language/IniFile.h"
#include "language/modLanguage.h"
#include "database/modPersonView.h"

#include <QHash>
#include <QIODevice>
#include <QRegularExpression>
#include <QSet>
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

// Outlook's phone columns, in the order written (and so read back), with the
// descriptions their numbers carry; a number of any other description goes to "Other
// Phone", the last.
std::vector<std::pair<QString, QString>> OutlookPhones()
{
    const QString fax = T("Fax");
    const QString home = T("Home");
    const QString work = T("Work");
    std::vector<std::pair<QString, QString>> columns{
        {QStringLiteral("Home Phone"), home},          {QStringLiteral("Home Phone 2"), home},
        {QStringLiteral("Mobile Phone"), T("Mobile")}, {QStringLiteral("Business Phone"), work},
        {QStringLiteral("Business Phone 2"), work},    {QStringLiteral("Home Fax"), home + QLatin1Char(' ') + fax},
        {QStringLiteral("Business Fax"), fax},         {QStringLiteral("Pager"), T("Pager")},
    };
    // Outlook's other kinds keep its own words.
    for (const char* header : {"Other Fax", "Car Phone", "Primary Phone", "Company Main Phone", "Assistant's Phone",
                               "Callback", "ISDN", "Radio Phone", "TTY/TDD Phone", "Telex"})
        columns.emplace_back(QString::fromLatin1(header), QString::fromLatin1(header));
    columns.emplace_back(QStringLiteral("Other Phone"), QString());
    return columns;
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

// Outlook keeps three e-mail addresses a person.
constexpr size_t OutlookEmails = 3;

QString WorkFax()
{
    return T("Work") + QLatin1Char(' ') + T("Fax");
}

// The numbers in Outlook's phone columns: each in the first free column of its
// description, else in "Other Phone" while that is free.
std::vector<QString> PlacePhones(const std::vector<std::pair<QString, QString>>& columns, const QString& workFax,
                                 const std::vector<modExport::Entry>& phones)
{
    std::vector<QString> placed(columns.size());
    const size_t other = columns.size() - 1;
    for (const modExport::Entry& phone : phones) {
        size_t at = other;
        for (size_t c = 0; c < other && at == other; ++c)
            if (placed[c].isEmpty() &&
                (phone.description.compare(columns[c].second, Qt::CaseInsensitive) == 0 ||
                 (phone.description == workFax && columns[c].first == QLatin1String("Business Fax"))))
                at = c;
        if (placed[at].isEmpty())
            placed[at] = phone.value;
    }
    return placed;
}

Column OutlookColumn(const QString& lower, int index)
{
    static const QRegularExpression email(QStringLiteral("^e-mail(?: (\\d+))? address$"));
    static const QRegularExpression numbered(QStringLiteral("^(.+?)(?: \\d+)?$"));
    static const QRegularExpression phone(QStringLiteral("^(.+ (?:phone|fax))$"));
    static const QRegularExpression address(QStringLiteral(
        "^(home|business|other) (street(?: \\d+)?|city|state|postal code|country/region|address po box)$"));
    if (lower == QLatin1String("title"))
        return {Role::NamePrefix};
    if (lower == QLatin1String("suffix"))
        return {Role::NameSuffix};
    if (const auto match = email.match(lower); match.hasMatch())
        return {Role::Email, match.captured(1).isEmpty() ? 1 : match.captured(1).toInt(), QString()};
    if (const auto match = address.match(lower); match.hasMatch()) {
        const QString place = match.captured(1);
        const QString part = match.captured(2);
        Column column = place == QLatin1String("home")       ? Column{Role::Address, 1, T("Home")}
                        : place == QLatin1String("business") ? Column{Role::Address, 2, T("Work")}
                                                             : Column{Role::Address, 3, QString()};
        column.part = part == QLatin1String("city")             ? AddressPart::City
                      : part == QLatin1String("state")          ? AddressPart::Region
                      : part == QLatin1String("postal code")    ? AddressPart::PostalCode
                      : part == QLatin1String("country/region") ? AddressPart::Country
                                                                : AddressPart::Street;
        return column;
    }
    // Columns of their own slot: no label column describes them.
    const int slot = 1000 + index;
    const QString base = numbered.match(lower).captured(1);
    for (const auto& [header, description] : OutlookPhones())
        if (base == header.toLower())
            return {Role::Phone, slot, description};
    if (phone.match(base).hasMatch())
        return {Role::Phone, slot, TitleCase(base)};
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
    // A list property (CATEGORIES) of values escaped one by one.
    void AddList(const char* name, const QStringList& values)
    {
        QStringList escaped;
        for (const QString& value : values)
            escaped << modVcard::Escape(value);
        modVcard::Property property;
        property.line = card.line;
        property.name = QString::fromLatin1(name);
        property.value = escaped.join(QLatin1Char(','));
        card.properties.push_back(property);
    }
};

// The groups of a cell: Outlook parts them with ";", Google with " ::: " and marks its own
// labels ("* myContacts", "* starred") with "* ".
QStringList GroupsOf(const QString& cell, Layout layout)
{
    QStringList groups;
    const QStringList parts = layout == Layout::Outlook ? cell.split(QLatin1Char(';')) : cell.split(MultiValue);
    for (const QString& part : parts) {
        const QString group = part.trimmed();
        if (!group.startsWith(QLatin1String("* ")))
            groups << group;
    }
    return modPersonDetail::CleanGroups(groups);
}

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
    // Outlook writes every column it has; a file cut down to some keeps its name columns.
    if (firstLast &&
        (names.contains(QStringLiteral("suffix")) || names.contains(QStringLiteral("e-mail address")) ||
         names.contains(QStringLiteral("business phone")) || names.contains(QStringLiteral("home phone")) ||
         names.contains(QStringLiteral("mobile phone")) || names.contains(QStringLiteral("other phone"))))
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
        {QStringLiteral("name prefix"), Role::NamePrefix},
        {QStringLiteral("name suffix"), Role::NameSuffix},
        {QStringLiteral("labels"), Role::Groups},
        {QStringLiteral("group membership"), Role::Groups},
        {QStringLiteral("categories"), Role::Groups},
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
            if (const auto date = modPersonView::ParseMonthDayYear(typed.monthDayYear))
                return date->toString(Qt::ISODate);
    }
    return text;
}

namespace {

// The properties of a name and the labels paired with them.
void RemoveProperties(modVcard::Card& card, const QString& name)
{
    QSet<QString> groups;
    for (const modVcard::Property& property : card.properties)
        if (property.name == name && !property.group.isEmpty())
            groups.insert(property.group);
    card.properties.erase(std::remove_if(card.properties.begin(), card.properties.end(),
                                         [&](const modVcard::Property& property) {
                                             return property.name == name ||
                                                    (property.name == QLatin1String("X-ABLABEL") &&
                                                     groups.contains(property.group));
                                         }),
                          card.properties.end());
}

QStringList EntryValues(const std::vector<modExport::Entry>& entries, size_t count)
{
    QStringList values;
    for (size_t i = 0; i < entries.size() && i < count; ++i)
        values << entries[i].value;
    return values;
}

// What a row of Outlook's read from its columns.
struct OutlookRead
{
    QString note; // the whole cell
    QString name;
    QStringList phones;
    QStringList emails;
    bool birthday = false;
};

// The fields the end of an Outlook row's note keeps, where its columns still hold what
// the note says of them; a note changed since leaves the columns as they are and the
// note whole.
void TakeKept(Builder& builder, OutlookRead& read)
{
    modCsvParts::KeptFields kept;
    QString note;
    if (!modCsvParts::SplitKept(read.note, note, kept))
        return;
    // The columns as the numbers kept would have filled them.
    QStringList placed;
    for (const QString& value : PlacePhones(OutlookPhones(), WorkFax(), kept.phones))
        if (!value.isEmpty())
            placed << value;
    if ((!kept.phones.empty() && placed != read.phones) ||
        (!kept.emails.empty() && EntryValues(kept.emails, OutlookEmails) != read.emails) ||
        (!kept.name.isEmpty() && modCsvParts::JoinName(modCsvParts::SplitName(kept.name)) != read.name) ||
        (!kept.birthday.isEmpty() && read.birthday))
        return;
    if (!kept.phones.empty()) {
        RemoveProperties(builder.card, QStringLiteral("TEL"));
        for (const modExport::Entry& phone : kept.phones)
            builder.Add("TEL", phone.value, phone.description);
    }
    if (!kept.emails.empty()) {
        RemoveProperties(builder.card, QStringLiteral("EMAIL"));
        for (const modExport::Entry& email : kept.emails)
            builder.Add("EMAIL", email.value, email.description);
    }
    if (!kept.name.isEmpty())
        read.name = kept.name;
    if (!kept.birthday.isEmpty())
        builder.Add("BDAY", kept.birthday);
    read.note = note;
}

void AddAddressPart(modCsvParts::AddressParts& parts, AddressPart part, const QString& cell)
{
    QString* field = part == AddressPart::City         ? &parts.city
                     : part == AddressPart::Region     ? &parts.region
                     : part == AddressPart::PostalCode ? &parts.postalCode
                     : part == AddressPart::Country    ? &parts.country
                                                       : nullptr;
    if (!field)
        parts.streets << cell;
    else
        *field += (field->isEmpty() ? QString() : QStringLiteral(" ")) + cell;
}

} // namespace

modVcard::Card ToCard(const Record& row, const Mapping& mapping, const QString& dateFormat, Layout layout)
{
    Builder builder;
    builder.card.line = row.line;
    QStringList names;
    QStringList parts[5]; // prefix, first, middle, last, suffix
    std::map<int, modCsvParts::AddressParts> addresses;
    std::map<int, QString> addressLabels;
    OutlookRead read;
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
        case Role::NamePrefix:
            parts[0] << cell;
            break;
        case Role::FirstName:
            parts[1] << cell;
            break;
        case Role::MiddleName:
            parts[2] << cell;
            break;
        case Role::LastName:
            parts[3] << cell;
            break;
        case Role::NameSuffix:
            parts[4] << cell;
            break;
        case Role::DateOfBirth:
            // A column whose order is known is read in it alone.
            builder.Add("BDAY", column.dateFormat.isEmpty() ? BirthdayValue(cell, dateFormat, layout)
                                                            : BirthdayValue(cell, column.dateFormat, layout, true));
            read.birthday = true;
            break;
        case Role::Phone:
            for (const QString& value : Values(cell)) {
                builder.Add("TEL", value, LabelFor(row, mapping, Role::PhoneLabel, column));
                read.phones << value;
            }
            break;
        case Role::Email:
            for (const QString& value : Values(cell)) {
                builder.Add("EMAIL", value, LabelFor(row, mapping, Role::EmailLabel, column));
                read.emails << value;
            }
            break;
        case Role::Address:
            AddAddressPart(addresses[column.slot], column.part, cell);
            addressLabels[column.slot] = LabelFor(row, mapping, Role::AddressLabel, column);
            break;
        case Role::Note:
            read.note = read.note.isEmpty() ? cell : read.note + QLatin1Char('\n') + cell;
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
        case Role::Groups:
            if (const QStringList groups = GroupsOf(cell, layout); !groups.isEmpty())
                builder.AddList("CATEGORIES", groups);
            break;
        case Role::Ignore:
        case Role::PhoneLabel:
        case Role::EmailLabel:
        case Role::AddressLabel:
            break;
        }
    }
    read.name = (names.isEmpty() ? parts[0] + parts[1] + parts[2] + parts[3] + parts[4] : names).join(QLatin1Char(' '));
    if (layout == Layout::Outlook)
        TakeKept(builder, read);
    if (!read.note.isEmpty())
        builder.Add("NOTE", read.note);
    if (!read.name.isEmpty())
        builder.Add("FN", read.name);
    for (const auto& [slot, address] : addresses)
        builder.Add("LABEL", modCsvParts::JoinAddress(address), addressLabels[slot]);
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

namespace {

// Google's values of one description in a row share a column; the first is marked "* ".
struct Slot
{
    QString label;
    QStringList values;
};

std::vector<Slot> GoogleSlots(const std::vector<modExport::Entry>& entries, bool described)
{
    std::vector<Slot> groups;
    for (const modExport::Entry& entry : entries) {
        const QString label = described ? entry.description : QString();
        if (groups.empty() || groups.back().label != label)
            groups.push_back({label, {}});
        groups.back().values << entry.value;
    }
    if (!groups.empty() && !groups.front().label.isEmpty())
        groups.front().label.prepend(QStringLiteral("* "));
    return groups;
}

void AddSlots(QStringList& fields, const std::vector<Slot>& groups, size_t columns)
{
    for (size_t i = 0; i < columns; ++i) {
        const bool has = i < groups.size();
        fields << (has ? groups[i].label : QString()) << (has ? groups[i].values.join(MultiValue) : QString());
    }
}

bool SameEntries(const std::vector<modExport::Entry>& a, const std::vector<modExport::Entry>& b, bool described)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [described](const auto& x, const auto& y) {
        return x.value == y.value && (!described || x.description == y.description);
    });
}

std::vector<modExport::Entry> Described(std::vector<modExport::Entry> entries, bool described)
{
    if (!described)
        for (modExport::Entry& entry : entries)
            entry.description.clear();
    return entries;
}

} // namespace

RecordWriter::RecordWriter(const modExport::Details& details, Layout layout)
    : m_details(details), m_outlook(layout == Layout::Outlook), m_outlookPhones(OutlookPhones()), m_workFax(WorkFax())
{
}

void RecordWriter::WidenPhones(const std::vector<modExport::Entry>& phones)
{
    if (m_details.phone)
        m_phoneColumns = std::max(m_phoneColumns, GoogleSlots(phones, m_details.phoneDescription).size());
}

void RecordWriter::WidenEmails(const std::vector<modExport::Entry>& emails)
{
    if (m_details.email)
        m_emailColumns = std::max(m_emailColumns, GoogleSlots(emails, m_details.emailDescription).size());
}

QStringList RecordWriter::Header() const
{
    QStringList header;
    if (m_outlook) {
        // Outlook's own columns, in its order.
        header << QStringLiteral("Title") << QStringLiteral("First Name") << QStringLiteral("Middle Name")
               << QStringLiteral("Last Name") << QStringLiteral("Suffix");
        if (m_details.organisation)
            header << QStringLiteral("Company") << QStringLiteral("Job Title");
        if (m_details.address)
            header << QStringLiteral("Home Street") << QStringLiteral("Home Street 2")
                   << QStringLiteral("Home Street 3") << QStringLiteral("Home City") << QStringLiteral("Home State")
                   << QStringLiteral("Home Postal Code") << QStringLiteral("Home Country/Region");
        if (m_details.phone)
            for (const auto& column : m_outlookPhones)
                header << column.first;
        if (m_details.dateofbirth)
            header << QStringLiteral("Birthday");
        header << QStringLiteral("Categories");
        if (m_details.email)
            header << QStringLiteral("E-mail Address") << QStringLiteral("E-mail 2 Address")
                   << QStringLiteral("E-mail 3 Address");
        // Always: it keeps what the other columns cannot.
        header << QStringLiteral("Notes");
        return header;
    }
    header << QStringLiteral("First Name") << QStringLiteral("Middle Name") << QStringLiteral("Last Name")
           << QStringLiteral("Name Prefix") << QStringLiteral("Name Suffix");
    if (m_details.organisation)
        header << QStringLiteral("Organization Name") << QStringLiteral("Organization Title");
    if (m_details.dateofbirth)
        header << QStringLiteral("Birthday");
    if (m_details.note)
        header << QStringLiteral("Notes");
    header << QStringLiteral("Labels");
    for (size_t i = 1; i <= m_emailColumns; ++i)
        header << QStringLiteral("E-mail %1 - Label").arg(i) << QStringLiteral("E-mail %1 - Value").arg(i);
    for (size_t i = 1; i <= m_phoneColumns; ++i)
        header << QStringLiteral("Phone %1 - Label").arg(i) << QStringLiteral("Phone %1 - Value").arg(i);
    if (m_details.address)
        header << QStringLiteral("Address 1 - Label") << QStringLiteral("Address 1 - Formatted")
               << QStringLiteral("Address 1 - Street") << QStringLiteral("Address 1 - City")
               << QStringLiteral("Address 1 - Region") << QStringLiteral("Address 1 - Postal Code")
               << QStringLiteral("Address 1 - Country");
    return header;
}

QStringList RecordWriter::Fields(const modExport::ExportedPerson& person) const
{
    QStringList fields = m_outlook ? OutlookFields(person) : GoogleFields(person);
    for (QString& field : fields)
        field = FormulaGuarded(field);
    return fields;
}

QStringList RecordWriter::OutlookFields(const modExport::ExportedPerson& person) const
{
    modCsvParts::KeptFields kept;
    const modCsvParts::NameParts name = modCsvParts::SplitName(person.name);
    if (modCsvParts::JoinName(name) != person.name)
        kept.name = person.name;
    QStringList fields{name.prefix, name.first, name.middle, name.last, name.suffix};
    if (m_details.organisation)
        fields << person.organisation << person.title;
    if (m_details.address) {
        const modCsvParts::AddressParts address = modCsvParts::SplitAddress(person.address);
        for (qsizetype i = 0; i < 3; ++i)
            fields << address.streets.value(i);
        fields << address.city << address.region << address.postalCode << address.country;
    }
    if (m_details.phone) {
        // Read back in the order of the columns, with their descriptions.
        const std::vector<modExport::Entry> phones = Described(person.phones, m_details.phoneDescription);
        const std::vector<QString> columns = PlacePhones(m_outlookPhones, m_workFax, phones);
        std::vector<modExport::Entry> readBack;
        for (size_t c = 0; c < columns.size(); ++c)
            if (!columns[c].isEmpty())
                readBack.push_back({columns[c], m_outlookPhones[c].second});
        if (!SameEntries(readBack, phones, m_details.phoneDescription))
            kept.phones = phones;
        fields << QStringList(columns.begin(), columns.end());
    }
    if (m_details.dateofbirth) {
        // Outlook has no form for a birthday without a year.
        fields << (person.dateOfBirth ? person.dateOfBirth->toString(Qt::ISODate) : QString());
        if (person.birthday && !person.dateOfBirth)
            kept.birthday = person.birthday->Stored();
    }
    fields << person.groups.join(QStringLiteral(";"));
    if (m_details.email) {
        std::vector<modExport::Entry> readBack;
        for (size_t i = 0; i < OutlookEmails; ++i) {
            fields << (i < person.emails.size() ? person.emails[i].value : QString());
            if (i < person.emails.size())
                readBack.push_back({person.emails[i].value, QString()});
        }
        if (!SameEntries(readBack, person.emails, m_details.emailDescription))
            kept.emails = Described(person.emails, m_details.emailDescription);
    }
    const QString note = m_details.note ? person.note : QString();
    // A note that itself ends like the kept fields gets a block after it, so that it is
    // read back whole.
    modCsvParts::KeptFields ownBlock;
    QString before;
    if (kept.IsEmpty() && modCsvParts::SplitKept(note, before, ownBlock))
        kept.name = person.name;
    fields << modCsvParts::NoteWithKept(note, kept);
    return fields;
}

QStringList RecordWriter::GoogleFields(const modExport::ExportedPerson& person) const
{
    modCsvParts::NameParts name = modCsvParts::SplitName(person.name);
    // A name its parts would not give back is written whole, as the first name.
    if (modCsvParts::JoinName(name) != person.name)
        name = {QString(), person.name, QString(), QString(), QString()};
    QStringList fields{name.first, name.middle, name.last, name.prefix, name.suffix};
    if (m_details.organisation)
        fields << person.organisation << person.title;
    if (m_details.dateofbirth) {
        if (person.dateOfBirth)
            fields << person.dateOfBirth->toString(Qt::ISODate);
        else
            fields << (person.birthday ? person.birthday->Stored() : QString());
    }
    if (m_details.note)
        fields << person.note;
    fields << (QStringList{QStringLiteral("* myContacts")} + person.groups).join(MultiValue);
    AddSlots(fields, m_details.email ? GoogleSlots(person.emails, m_details.emailDescription) : std::vector<Slot>(),
             m_emailColumns);
    AddSlots(fields, m_details.phone ? GoogleSlots(person.phones, m_details.phoneDescription) : std::vector<Slot>(),
             m_phoneColumns);
    if (m_details.address) {
        const modCsvParts::AddressParts address = modCsvParts::SplitAddress(person.address);
        fields << QString() << person.address << address.streets.join(QLatin1Char('\n')) << address.city
               << address.region << address.postalCode << address.country;
    }
    return fields;
}

} // namespace modCsv
