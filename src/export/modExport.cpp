// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// Exports write hundreds of thousands of lines, each joined from several pieces: joined
// in one allocation each.
#define QT_USE_QSTRINGBUILDER

#include "modExport.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "editor/modHyperlink.h"
#include "database/modPersonView.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <algorithm>
#include <array>
#include <deque>

namespace modExport {

namespace {

const QString kOrder = QStringLiteral("ORDER BY Name, Person.Contactnr");

// The indentations of the page, made once: the export writes them hundreds of
// thousands of times.
const QString& Tabs(int count)
{
    static const QString tabs[] = {QString(), QStringLiteral("\t"), QStringLiteral("\t\t"), QStringLiteral("\t\t\t"),
                                   QStringLiteral("\t\t\t\t")};
    return tabs[count];
}

// The blocks of a person's part of the page, each always at the same depth.
enum class Block
{
    Person,
    Name,
    Organisation,
    Dateofbirth,
    Address,
    Phone,
    Phonenumber,
    Email,
    Emailaddress,
    Note,
};

struct BlockLines
{
    QString open;  // <div class="...">
    QString close; // </div>
    QString space; // the placeholder of an empty block, one level deeper
    int tabs;      // the depth of its content
};

// The lines that open and close the blocks are most of the page's lines and the same for
// every person: they are made once.
const BlockLines& LinesOf(Block block)
{
    static const std::array<BlockLines, 10> lines = [] {
        const struct
        {
            const char* cssClass;
            int tabs;
        } blocks[] = {{"person", 1}, {"name", 2},        {"organisation", 2}, {"dateofbirth", 2},  {"address", 2},
                      {"phone", 2},  {"phonenumber", 3}, {"email", 2},        {"emailaddress", 3}, {"note", 2}};
        std::array<BlockLines, 10> made;
        for (std::size_t i = 0; i < made.size(); ++i) {
            const QString& tabs = Tabs(blocks[i].tabs);
            made[i] = {tabs + QLatin1String("<div class=\"") + QLatin1String(blocks[i].cssClass) + QLatin1String("\">"),
                       tabs + QLatin1String("</div>"), Tabs(blocks[i].tabs + 1) + QLatin1String("&nbsp;"),
                       blocks[i].tabs + 1};
        }
        return made;
    }();
    return lines[static_cast<std::size_t>(block)];
}

// A column's value as text, read without a variant when it is stored as text (the rule
// for the columns of names, addresses and notes).
QString TextOf(const Engine::Connection::Row& row, int column)
{
    return row.IsText(column) ? row.Text(column) : row.Value(column).toString();
}

// The position of each named column in the rows of a query, found at its first row.
class Columns
{
public:
    explicit Columns(std::initializer_list<const char*> names) : m_names(names) {}
    int operator[](std::size_t i) const { return m_positions[i]; }
    void find(const Engine::Connection::Row& row)
    {
        if (m_positions.empty())
            for (const char* name : m_names)
                m_positions.push_back(row.Column(QLatin1String(name)));
    }

private:
    std::vector<const char*> m_names;
    std::vector<int> m_positions;
};

// Descriptions repeat ("home", "work"): equal ones share one text, so that an export of
// every person does not hold a copy for each of its numbers and addresses, and each is
// decoded and trimmed once.
class SharedTexts
{
public:
    explicit SharedTexts(EntryTable& table) : m_table(table) {}
    int share(const Engine::Connection::Row& row, int column)
    {
        if (!row.IsText(column))
            return m_table.keepDescription(modText::TrimBlanks(row.Value(column).toString()));
        const QByteArrayView stored = row.Utf8(column);
        for (const auto& [known, index] : m_known)
            if (known == stored)
                return index;
        const int index = m_table.keepDescription(modText::TrimBlanks(QString::fromUtf8(stored)));
        if (m_known.size() < 32)
            m_known.emplace_back(stored.toByteArray(), index);
        return index;
    }

private:
    EntryTable& m_table;
    std::vector<std::pair<QByteArray, int>> m_known;
};

// The chosen persons by number, for a look-up per row of every table read.
class Chosen
{
public:
    explicit Chosen(const std::vector<qint16>& contactnrs) : m_chosen(1 << 16, false)
    {
        for (const qint16 contactnr : contactnrs)
            m_chosen[Index(contactnr)] = true;
    }
    bool contains(qint16 contactnr) const { return m_chosen[Index(contactnr)]; }

private:
    static std::size_t Index(qint16 contactnr) { return static_cast<std::size_t>(contactnr + 32768); }
    std::vector<bool> m_chosen;
};

// The numbers (or addresses) of the chosen persons, each person's in their stored
// order. Read by number rather than sorted by name like the persons: the result is the
// same, and sorting tens of thousands of rows by name twice more would be most of the
// export's time.
EntryTable EntriesByPerson(const QString& sql, const Chosen& chosen)
{
    EntryTable entries;
    SharedTexts descriptions(entries);
    modSql::ForEachRow(sql, [&](const Engine::Connection::Row& row) {
        const auto contactnr = static_cast<qint16>(row.Int(0));
        if (!chosen.contains(contactnr))
            return;
        const int description = descriptions.share(row, 2);
        if (row.IsText(1))
            entries.add(contactnr, row.Utf8(1), description);
        else
            entries.add(contactnr, row.Value(1).toString().toUtf8(), description);
    });
    return entries;
}

// The lines of a block with its line breaks kept: a stored CR LF or LF ends a line.
template <typename Visit> void ForEachLine(QStringView text, const Visit& visit)
{
    qsizetype start = 0;
    for (qsizetype end; (end = text.indexOf(QLatin1Char('\n'), start)) >= 0; start = end + 1) {
        const qsizetype length = end - start - (end > start && text[end - 1] == QLatin1Char('\r') ? 1 : 0);
        visit(text.mid(start, length));
    }
    visit(text.mid(start));
}

// Characters other than tab and line ends that cannot appear in an XHTML page, not even
// as references: a note that holds one would make the page unreadable.
bool Forbidden(QChar c)
{
    return (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r')) ||
           c.unicode() == 0xFFFE || c.unicode() == 0xFFFF;
}

bool NeedsEscaping(QChar c, bool blanks)
{
    return c == QLatin1Char('&') || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"') ||
           (blanks && c == QLatin1Char(' ')) || Forbidden(c);
}

// Appends text with the markup characters as references and forbidden characters left
// out; with blanks, blanks become non-breaking spaces. Written through a pointer into room
// for the longest reference per character, as this runs for nearly every line.
void AppendEscaped(QString& out, QStringView text, bool blanks = false)
{
    const qsizetype start = out.size();
    out.resize(start + text.size() * 6);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* to = begin + start;
    const auto put = [&to](QLatin1String reference) {
        for (const char c : reference)
            *to++ = static_cast<char16_t>(c);
    };
    for (const QChar c : text) {
        if (!NeedsEscaping(c, blanks)) {
            *to++ = c.unicode();
            continue;
        }
        switch (c.unicode()) {
        case u'&':
            put(QLatin1String("&amp;"));
            break;
        case u'<':
            put(QLatin1String("&lt;"));
            break;
        case u'>':
            put(QLatin1String("&gt;"));
            break;
        case u'"':
            put(QLatin1String("&quot;"));
            break;
        case u' ':
            put(QLatin1String("&nbsp;"));
            break;
        default: // forbidden: left out
            break;
        }
    }
    out.resize(to - begin);
}

// Links become anchors of their own, the blanks around them stay outside the anchor as
// non-breaking spaces. The words between links are escaped together: with their blanks
// as non-breaking spaces they read as the words escaped one by one.
void AppendLinkified(QString& out, QStringView line)
{
    qsizetype plain = 0; // where the words not yet written begin
    for (qsizetype start = 0, end = 0; end >= 0; start = end + 1) {
        end = line.indexOf(QLatin1Char(' '), start);
        const QStringView word = line.mid(start, end < 0 ? -1 : end - start);
        if (!modHyperlink::IsHyperlink(word))
            continue;
        AppendEscaped(out, line.mid(plain, start - plain), true);
        out += QLatin1String("<a href=\"");
        if (word.startsWith(QLatin1String("www")))
            out += QLatin1String("http://");
        AppendEscaped(out, word);
        out += QLatin1String("\">");
        AppendEscaped(out, word);
        out += QLatin1String("</a>");
        plain = start + word.size();
    }
    AppendEscaped(out, line.mid(plain), true);
}

// Writes lines joined in one buffer that is kept from line to line: the exports write
// about twenty lines a person, and a string of its own for each would cost more than
// all the rest.
class Lines
{
public:
    explicit Lines(const LineSink& write) : m_write(write) {}
    // Begins a line with its indentation; the line is written by end().
    Lines& begin(int tabs)
    {
        m_line.resize(0);
        m_line += Tabs(tabs);
        return *this;
    }
    Lines& operator<<(QStringView text)
    {
        m_line += text;
        return *this;
    }
    Lines& operator<<(QLatin1String text)
    {
        m_line += text;
        return *this;
    }
    Lines& escaped(QStringView text, bool blanks = false)
    {
        AppendEscaped(m_line, text, blanks);
        return *this;
    }
    Lines& linkified(QStringView text)
    {
        AppendLinkified(m_line, text);
        return *this;
    }
    // An entry as EntryText has it, escaped when asked.
    Lines& entry(const Entry& entry, bool withDescription, bool escape)
    {
        const auto add = [&](QStringView text) { escape ? escaped(text) : *this << text; };
        add(entry.value);
        if (withDescription && !entry.description.isEmpty()) {
            *this << QLatin1String(" (");
            add(entry.description);
            *this << QLatin1String(")");
        }
        return *this;
    }
    void end() { m_write(m_line); }
    void line(int tabs, QStringView text)
    {
        begin(tabs) << text;
        end();
    }
    void openDiv(Block block) { m_write(LinesOf(block).open); }
    void closeDiv(Block block) { m_write(LinesOf(block).close); }
    void space(Block block) { m_write(LinesOf(block).space); }
    // Begins a line of the block's content.
    Lines& begin(Block block) { return begin(LinesOf(block).tabs); }
    // The lines of an address or note at the given indentation, those but the last ending
    // in a line break element.
    template <typename Write> void multiLine(QStringView text, const Write& write)
    {
        bool first = true;
        ForEachLine(text, [&](QStringView line) {
            if (!first) {
                *this << QLatin1String("<br />");
                end();
            }
            first = false;
            write(line);
        });
        end();
    }

private:
    const LineSink& m_write;
    QString m_line;
};

void WriteEntryDivs(Lines& html, Block outer, Block inner, const std::vector<Entry>& entries, bool exhausted,
                    bool withDescription)
{
    html.openDiv(outer);
    for (const Entry& entry : entries) {
        html.openDiv(inner);
        html.begin(inner).entry(entry, withDescription, true).end();
        html.closeDiv(inner);
    }
    if (entries.empty() && !exhausted) {
        html.openDiv(inner);
        html.space(inner);
        html.closeDiv(inner);
    }
    html.closeDiv(outer);
}

// An address or a note: its lines, or a non-breaking space when it is empty.
void WriteBlockDiv(Lines& html, Block block, const QString& text, bool links)
{
    html.openDiv(block);
    if (text.isEmpty()) {
        html.space(block);
    } else {
        html.multiLine(text, [&](QStringView line) {
            html.begin(block);
            links ? html.linkified(line) : html.escaped(line, true);
        });
    }
    html.closeDiv(block);
}

} // namespace

namespace {

QString Condition(const QString& column, const std::vector<qint16>& contactnrs)
{
    QStringList numbers;
    for (const qint16 contactnr : contactnrs)
        numbers << QString::number(contactnr);
    return QStringLiteral("WHERE ") + column + QStringLiteral(" IN(") + numbers.join(QStringLiteral(", ")) +
           QStringLiteral(") ");
}

} // namespace

QString ContactCondition(const std::vector<qint16>& contactnrs)
{
    return Condition(QStringLiteral("Person.Contactnr"), contactnrs);
}

QString PersonSql(const Selection& selection, bool everybody)
{
    return QStringLiteral("SELECT * FROM Person ") + (everybody ? QString() : ContactCondition(selection.contactnrs)) +
           kOrder;
}

QString AllPhonesSql(const QString& where)
{
    return QStringLiteral("SELECT Contactnr, Number, Description FROM Phone ") + where +
           QStringLiteral("ORDER BY Contactnr, [Order] ");
}

QString AllEmailsSql(const QString& where)
{
    return QStringLiteral("SELECT Contactnr, Email, Description FROM Email ") + where +
           QStringLiteral("ORDER BY Contactnr, [Order] ");
}

void ForEachPerson(const Selection& selection, const std::function<void(int total)>& total,
                   const std::function<void(const ExportedPerson&)>& visit,
                   const std::function<void(const EntryTable& phones, const EntryTable& emails)>& entriesRead)
{
    if (selection.contactnrs.empty()) {
        total(0);
        return;
    }
    const Chosen chosen(selection.contactnrs);
    // A few persons (a sync's card or batch of them) are looked up; for more, every row is
    // read once and the chosen ones kept, as a long condition would cost the database more.
    constexpr size_t FewPersons = 1024;
    const QString within = selection.contactnrs.size() <= FewPersons
                               ? Condition(QStringLiteral("Contactnr"), selection.contactnrs)
                               : QString();
    EntryTable phones;
    EntryTable emails;
    if (selection.details.phone)
        phones = EntriesByPerson(AllPhonesSql(within), chosen);
    if (selection.details.email)
        emails = EntriesByPerson(AllEmailsSql(within), chosen);
    if (entriesRead)
        entriesRead(phones, emails);

    // The count first, for the progress: every chosen number that is a person.
    int count = 0;
    int rows = 0;
    modSql::ForEachRow(QStringLiteral("SELECT Contactnr FROM Person ") + within,
                       [&](const Engine::Connection::Row& row) {
                           count += chosen.contains(static_cast<qint16>(row.Int(0))) ? 1 : 0;
                           ++rows;
                       });
    total(count);
    // With every person chosen, the condition would only have the database parse a list
    // as long as the table and look each person up in it (a few are looked up anyway).
    const bool everybody = within.isEmpty() && count == rows;

    // Persons are handed on as they are read, except that each waits until it is known
    // whether numbers (addresses) of later persons follow, as a cursor over all of them
    // in export order would tell. The first phonesFollow (emailsFollow) waiting persons
    // know it: a person read after them has some.
    std::deque<ExportedPerson> waiting;
    std::size_t phonesFollow = 0;
    std::size_t emailsFollow = 0;
    // Without numbers (addresses) read, none follow any person: nobody waits for them.
    const bool phonesAwaited = selection.details.phone;
    const bool emailsAwaited = selection.details.email;
    const auto handOn = [&](bool allRead) {
        while (!waiting.empty() &&
               (allRead || ((phonesFollow > 0 || !phonesAwaited) && (emailsFollow > 0 || !emailsAwaited)))) {
            ExportedPerson& person = waiting.front();
            person.phonesExhausted = phonesFollow == 0;
            person.emailsExhausted = emailsFollow == 0;
            visit(person);
            waiting.pop_front();
            phonesFollow -= phonesFollow > 0 ? 1 : 0;
            emailsFollow -= emailsFollow > 0 ? 1 : 0;
        }
    };
    const QHash<qint16, modPersonDetail::Detail> details = modPersonDetail::ReadAll(
        modDatabase::DatabaseConnection(), selection.photos, selection.cards,
        [&chosen](qint16 contactnr) { return chosen.contains(contactnr); }, within);
    Columns columns{"Contactnr", "Name", "Dateofbirth", "Address", "Note"};
    modSql::ForEachRow(PersonSql(selection, everybody), [&](const Engine::Connection::Row& row) {
        columns.find(row);
        ExportedPerson person;
        person.contactnr = static_cast<qint16>(row.Int(columns[0]));
        person.name = modText::TrimBlanks(TextOf(row, columns[1]));
        const QVariant born = row.Value(columns[2]);
        if (born.isValid() && !born.isNull() && born.toDate().isValid())
            person.dateOfBirth = born.toDate();
        person.address = TextOf(row, columns[3]).trimmed();
        person.note = TextOf(row, columns[4]).trimmed();
        person.phones = phones.take(person.contactnr);
        person.emails = emails.take(person.contactnr);
        if (const auto detail = details.constFind(person.contactnr); detail != details.constEnd()) {
            // A person in groups without any other detail has no row of its own.
            person.detailsKnown = detail->exists;
            person.groups = detail->groups;
            person.birthday = detail->birthday;
            person.organisation = detail->organisation;
            person.title = detail->title;
            person.photo = detail->photo;
            person.card = detail->card;
        }
        waiting.push_back(std::move(person));
        if (!waiting.back().phones.empty())
            phonesFollow = waiting.size() - 1;
        if (!waiting.back().emails.empty())
            emailsFollow = waiting.size() - 1;
        handOn(false);
    });
    handOn(true);
}

void EntryTable::add(qint16 contactnr, QByteArrayView value, int description)
{
    Span& span = m_persons[static_cast<std::size_t>(contactnr + 32768)];
    if (span.count == 0)
        span.first = static_cast<quint32>(m_stored.size());
    ++span.count;
    m_stored.push_back({static_cast<quint32>(m_values.size()), static_cast<quint32>(value.size()), description});
    m_values += value;
}

int EntryTable::keepDescription(const QString& text)
{
    m_descriptions.push_back(text);
    return static_cast<int>(m_descriptions.size()) - 1;
}

std::vector<Entry> EntryTable::entries(const Span& span) const
{
    std::vector<Entry> made;
    made.reserve(span.count);
    for (quint32 i = span.first; i < span.first + span.count; ++i) {
        const Stored& stored = m_stored[i];
        made.push_back({modText::TrimBlanks(QString::fromUtf8(m_values.constData() + stored.start, stored.length)),
                        m_descriptions[static_cast<std::size_t>(stored.description)]});
    }
    return made;
}

std::vector<Entry> EntryTable::take(qint16 contactnr)
{
    Span& span = m_persons[static_cast<std::size_t>(contactnr + 32768)];
    std::vector<Entry> taken = entries(span);
    span = Span();
    return taken;
}

void EntryTable::forEachList(const std::function<void(const std::vector<Entry>&)>& visit) const
{
    for (const Span& span : m_persons)
        if (span.count > 0)
            visit(entries(span));
}

QString EntryText(const Entry& entry, bool withDescription)
{
    if (withDescription && !entry.description.isEmpty())
        return entry.value + QStringLiteral(" (") + entry.description + QLatin1Char(')');
    return entry.value;
}

void WriteTextBlock(const ExportedPerson& person, const Details& details, const QString& dateFormat,
                    const LineSink& write)
{
    static const QString separator = QStringLiteral("-----------");
    Lines text(write);
    write(separator);
    if (details.name)
        write(person.name);
    if (details.organisation && (!person.title.isEmpty() || !person.organisation.isEmpty()))
        write(modPersonView::WorkText(person.title, person.organisation));
    if (details.dateofbirth && person.dateOfBirth)
        write(modPersonView::FormatDate(*person.dateOfBirth, dateFormat));
    else if (details.dateofbirth && person.birthday)
        write(modContact::MonthDayText(*person.birthday, dateFormat));
    if (details.address && !person.address.isEmpty())
        ForEachLine(person.address, [&](QStringView line) { text.line(0, line); });
    if (details.phone)
        for (const Entry& phone : person.phones)
            text.begin(0).entry(phone, details.phoneDescription, false).end();
    if (details.email)
        for (const Entry& email : person.emails)
            text.begin(0).entry(email, details.emailDescription, false).end();
    if (details.note && !person.note.isEmpty())
        ForEachLine(person.note, [&](QStringView line) { text.line(0, line); });
    write(separator);
    write(QString());
    write(QString());
}

QString EscapeHtml(const QString& text)
{
    // Most texts need nothing escaped; they are handed back without a copy.
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return NeedsEscaping(c, false); }))
        return text;
    QString escaped;
    AppendEscaped(escaped, text);
    return escaped;
}

QString LinkTarget(const QString& word)
{
    if (word.startsWith(QLatin1String("www")))
        return QStringLiteral("http://") + word;
    return word;
}

QString LinkifyText(const QString& line)
{
    QString html;
    AppendLinkified(html, line);
    return html;
}

QString StyleLinkLine(const QString& cssFile)
{
    return Tabs(1) + QStringLiteral("<link href=\"") +
           EscapeHtml(QUrl::fromLocalFile(cssFile).toString(QUrl::FullyEncoded)) +
           QStringLiteral("\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />");
}

void WriteHtmlHeader(const QString& cssFile, const LineSink& write)
{
    const QString about = Version::WithWebsiteHost(QStringLiteral("Addrion, Freeware"));
    write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    write(QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\""));
    write(QStringLiteral("\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">"));
    write(QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
    write(QStringLiteral("<head>"));
    write(Tabs(1) + QStringLiteral("<title>"));
    write(Tabs(2) + QStringLiteral("Addrion"));
    write(Tabs(1) + QStringLiteral("</title>"));
    write(Tabs(1) + QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />"));
    write(Tabs(1) + QStringLiteral("<meta name=\"keywords\" content=\"") + about + QStringLiteral("\" />"));
    write(Tabs(1) + QStringLiteral("<meta name=\"description\" content=\"") + about + QStringLiteral("\" />"));
    write(Tabs(1) + QStringLiteral("<meta name=\"author\" content=\"Addrion team\" />"));
    write(Tabs(1) + QStringLiteral("<meta name=\"generator\" content=\"Addrion ") +
          QString::fromLatin1(Version::AppVersion) + QStringLiteral("\" />"));
    write(StyleLinkLine(cssFile));
    write(QStringLiteral("</head>"));
    write(QStringLiteral("<body>"));
}

void WriteHtmlPerson(const ExportedPerson& person, const Details& details, const QString& dateFormat,
                     const LineSink& write)
{
    Lines html(write);
    html.openDiv(Block::Person);
    if (details.name) {
        html.openDiv(Block::Name);
        html.begin(Block::Name).escaped(person.name).end();
        html.closeDiv(Block::Name);
    }
    // Only a person with an organisation or a title has this block: the others' pages stay as they were.
    if (details.organisation && (!person.title.isEmpty() || !person.organisation.isEmpty())) {
        html.openDiv(Block::Organisation);
        html.begin(Block::Organisation).escaped(modPersonView::WorkText(person.title, person.organisation)).end();
        html.closeDiv(Block::Organisation);
    }
    if (details.dateofbirth) {
        html.openDiv(Block::Dateofbirth);
        if (person.dateOfBirth)
            html.line(LinesOf(Block::Dateofbirth).tabs, modPersonView::FormatDate(*person.dateOfBirth, dateFormat));
        else if (person.birthday)
            html.line(LinesOf(Block::Dateofbirth).tabs, modContact::MonthDayText(*person.birthday, dateFormat));
        else
            html.space(Block::Dateofbirth);
        html.closeDiv(Block::Dateofbirth);
    }
    if (details.address)
        WriteBlockDiv(html, Block::Address, person.address, false);
    if (details.phone)
        WriteEntryDivs(html, Block::Phone, Block::Phonenumber, person.phones, person.phonesExhausted,
                       details.phoneDescription);
    if (details.email)
        WriteEntryDivs(html, Block::Email, Block::Emailaddress, person.emails, person.emailsExhausted,
                       details.emailDescription);
    if (details.note)
        WriteBlockDiv(html, Block::Note, person.note, true);
    html.closeDiv(Block::Person);
}

void WriteHtmlFooter(const LineSink& write)
{
    write(QStringLiteral("</body>"));
    write(QStringLiteral("</html>"));
}

bool IsStyleLinkLine(const QString& line)
{
    return line.startsWith(QStringLiteral("\t<link"));
}

QStringList InlineStyleLines(const QStringList& cssLines)
{
    QStringList lines{Tabs(1) + QStringLiteral("<style type=\"text/css\">")};
    for (const QString& css : cssLines)
        lines << Tabs(2) + css;
    lines << Tabs(1) + QStringLiteral("</style>");
    return lines;
}

QStringList StyleNames()
{
    return modCalendar::StyleNamesIn(modEnvironment::ProgramFolder() + QStringLiteral("Css"));
}

QString CurrentStyleFile()
{
    const QString folder = modEnvironment::ProgramFolder() + QStringLiteral("Css/");
    QString style = modSettings::Get(Setting::ExportStyle);
    if (!QFileInfo::exists(folder + style + QStringLiteral(".css"))) {
        style = modSettings::Default(Setting::ExportStyle);
        modSettings::Set(Setting::ExportStyle, style);
    }
    return folder + style + QStringLiteral(".css");
}

} // namespace modExport
