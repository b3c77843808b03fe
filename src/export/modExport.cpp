// Exports write hundreds of thousands of lines, each joined from several pieces: joined
// in one allocation each.
#define QT_USE_QSTRINGBUILDER

#include "modExport.h"

#include "birthdays/modCalendar.h"
#include "database/modSql.h"
#include "editor/modHyperlink.h"
#include "mainwindow/modList.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>

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

QString Trimmed(const QVariant& value)
{
    return modMain::TrimBlanks(value.toString());
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

// The numbers (or addresses) of the chosen persons, each person's in their stored
// order. Read by number rather than sorted by name like the persons: the result is the
// same, and sorting tens of thousands of rows by name twice more would be most of the
// export's time.
QHash<qint16, std::vector<Entry>> EntriesByPerson(const QString& sql, const QSet<qint16>& chosen)
{
    QHash<qint16, std::vector<Entry>> entries;
    modSql::ForEachRow(sql, [&](const Engine::Connection::Row& row) {
        const auto contactnr = static_cast<qint16>(row.Value(0).toInt());
        if (chosen.contains(contactnr))
            entries[contactnr].push_back({Trimmed(row.Value(1)), Trimmed(row.Value(2))});
    });
    return entries;
}

// Text of a block with its line breaks kept: the stored CR LF or LF become separate
// lines.
QStringList Lines(const QString& text)
{
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return normalised.split(QLatin1Char('\n'));
}

void WriteDiv(const QString& cssClass, int tabs, const QStringList& content, const LineSink& write)
{
    write(Tabs(tabs) + QStringLiteral("<div class=\"") + cssClass + QStringLiteral("\">"));
    for (const QString& line : content)
        write(line);
    write(Tabs(tabs) + QStringLiteral("</div>"));
}

void WriteEntryDivs(const QString& outer, const QString& inner, const std::vector<Entry>& entries, bool exhausted,
                    bool withDescription, const LineSink& write)
{
    write(Tabs(2) + QStringLiteral("<div class=\"") + outer + QStringLiteral("\">"));
    for (const Entry& entry : entries)
        WriteDiv(inner, 3, {Tabs(4) + EscapeHtml(EntryText(entry, withDescription))}, write);
    if (entries.empty() && !exhausted)
        WriteDiv(inner, 3, {Tabs(4) + QStringLiteral("&nbsp;")}, write);
    write(Tabs(2) + QStringLiteral("</div>"));
}

// Lines of an address or note, each line of the stored text an output line; the lines
// but the last end in a line break element.
QStringList MultiLineHtml(const QString& text, bool links)
{
    QStringList lines;
    for (const QString& line : Lines(text)) {
        if (!lines.isEmpty())
            lines.last() += QStringLiteral("<br />");
        lines << Tabs(3) +
                     (links ? LinkifyText(line) : EscapeHtml(line).replace(QLatin1Char(' '), QStringLiteral("&nbsp;")));
    }
    return lines;
}

} // namespace

QString ContactCondition(const std::vector<qint16>& contactnrs)
{
    QStringList numbers;
    for (const qint16 contactnr : contactnrs)
        numbers << QString::number(contactnr);
    return QStringLiteral("WHERE Person.Contactnr IN(") + numbers.join(QStringLiteral(", ")) + QStringLiteral(") ");
}

QString PersonSql(const Selection& selection)
{
    return QStringLiteral("SELECT * ") + QStringLiteral("FROM Person ") + ContactCondition(selection.contactnrs) +
           kOrder;
}

QString AllPhonesSql()
{
    return QStringLiteral("SELECT Contactnr, Number, Description ") + QStringLiteral("FROM Phone ") +
           QStringLiteral("ORDER BY Contactnr, [Order] ");
}

QString AllEmailsSql()
{
    return QStringLiteral("SELECT Contactnr, Email, Description ") + QStringLiteral("FROM Email ") +
           QStringLiteral("ORDER BY Contactnr, [Order] ");
}

void ForEachPerson(const Selection& selection, const std::function<void(int total)>& total,
                   const std::function<void(const ExportedPerson&)>& visit)
{
    if (selection.contactnrs.empty()) {
        total(0);
        return;
    }
    const QSet<qint16> chosen(selection.contactnrs.begin(), selection.contactnrs.end());
    QHash<qint16, std::vector<Entry>> phones;
    QHash<qint16, std::vector<Entry>> emails;
    if (selection.details.phone)
        phones = EntriesByPerson(AllPhonesSql(), chosen);
    if (selection.details.email)
        emails = EntriesByPerson(AllEmailsSql(), chosen);

    // The count first, for the progress: every chosen number that is a person.
    int count = 0;
    modSql::ForEachRow(QStringLiteral("SELECT Contactnr FROM Person"), [&](const Engine::Connection::Row& row) {
        count += chosen.contains(static_cast<qint16>(row.Int(0))) ? 1 : 0;
    });
    total(count);

    // Persons are handed on as they are read, except that each waits until it is known
    // whether numbers (addresses) of later persons follow, as a cursor over all of them
    // in export order would tell. The first phonesFollow (emailsFollow) waiting persons
    // know it: a person read after them has some.
    std::deque<ExportedPerson> waiting;
    std::size_t phonesFollow = 0;
    std::size_t emailsFollow = 0;
    const auto handOn = [&](bool allRead) {
        while (!waiting.empty() && (allRead || (phonesFollow > 0 && emailsFollow > 0))) {
            ExportedPerson& person = waiting.front();
            person.phonesExhausted = phonesFollow == 0;
            person.emailsExhausted = emailsFollow == 0;
            visit(person);
            waiting.pop_front();
            phonesFollow -= phonesFollow > 0 ? 1 : 0;
            emailsFollow -= emailsFollow > 0 ? 1 : 0;
        }
    };
    Columns columns{"Contactnr", "Name", "Dateofbirth", "Address", "Note"};
    modSql::ForEachRow(PersonSql(selection), [&](const Engine::Connection::Row& row) {
        columns.find(row);
        ExportedPerson person;
        person.contactnr = static_cast<qint16>(row.Value(columns[0]).toInt());
        person.name = Trimmed(row.Value(columns[1]));
        const QVariant born = row.Value(columns[2]);
        if (born.isValid() && !born.isNull() && born.toDate().isValid())
            person.dateOfBirth = born.toDate();
        person.address = row.Value(columns[3]).toString().trimmed();
        person.note = row.Value(columns[4]).toString().trimmed();
        person.phones = phones.take(person.contactnr);
        person.emails = emails.take(person.contactnr);
        waiting.push_back(std::move(person));
        if (!waiting.back().phones.empty())
            phonesFollow = waiting.size() - 1;
        if (!waiting.back().emails.empty())
            emailsFollow = waiting.size() - 1;
        handOn(false);
    });
    handOn(true);
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
    const QString separator = QStringLiteral("-----------");
    write(separator);
    if (details.name)
        write(person.name);
    if (details.dateofbirth && person.dateOfBirth)
        write(modList::FormatDate(*person.dateOfBirth, dateFormat));
    if (details.address && !person.address.isEmpty())
        for (const QString& line : Lines(person.address))
            write(line);
    if (details.phone)
        for (const Entry& phone : person.phones)
            write(EntryText(phone, details.phoneDescription));
    if (details.email)
        for (const Entry& email : person.emails)
            write(EntryText(email, details.emailDescription));
    if (details.note && !person.note.isEmpty())
        for (const QString& line : Lines(person.note))
            write(line);
    write(separator);
    write(QString());
    write(QString());
}

QString EscapeHtml(const QString& text)
{
    // Control characters other than tab and line ends cannot appear in an XHTML page,
    // not even as references: a note that holds one would make the page unreadable.
    const auto forbidden = [](QChar c) {
        return (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r')) ||
               c.unicode() == 0xFFFE || c.unicode() == 0xFFFF;
    };
    // Most texts need nothing escaped; they are handed back without a copy.
    for (const QChar c : text) {
        if (forbidden(c)) {
            QString kept = text;
            kept.removeIf(forbidden);
            return EscapeHtml(kept);
        }
        if (c == QLatin1Char('&') || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"'))
            return text.toHtmlEscaped();
    }
    return text;
}

QString LinkTarget(const QString& word)
{
    if (word.startsWith(QLatin1String("www")))
        return QStringLiteral("http://") + word;
    return word;
}

QString LinkifyText(const QString& line)
{
    // Word by word, so a link inside a sentence becomes an anchor of its own and the
    // blanks around it stay outside the anchor as non-breaking spaces.
    QStringList words = line.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (modHyperlink::IsHyperlink(word))
            word = QStringLiteral("<a href=\"") + EscapeHtml(LinkTarget(word)) + QStringLiteral("\">") +
                   EscapeHtml(word) + QStringLiteral("</a>");
        else
            word = EscapeHtml(word);
    }
    return words.join(QStringLiteral("&nbsp;"));
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
    const QString nbsp = QStringLiteral("&nbsp;");
    write(Tabs(1) + QStringLiteral("<div class=\"person\">"));
    if (details.name)
        WriteDiv(QStringLiteral("name"), 2, {Tabs(3) + EscapeHtml(person.name)}, write);
    if (details.dateofbirth)
        WriteDiv(QStringLiteral("dateofbirth"), 2,
                 {Tabs(3) + (person.dateOfBirth ? modList::FormatDate(*person.dateOfBirth, dateFormat) : nbsp)}, write);
    if (details.address)
        WriteDiv(QStringLiteral("address"), 2,
                 person.address.isEmpty() ? QStringList{Tabs(3) + nbsp} : MultiLineHtml(person.address, false), write);
    if (details.phone)
        WriteEntryDivs(QStringLiteral("phone"), QStringLiteral("phonenumber"), person.phones, person.phonesExhausted,
                       details.phoneDescription, write);
    if (details.email)
        WriteEntryDivs(QStringLiteral("email"), QStringLiteral("emailaddress"), person.emails, person.emailsExhausted,
                       details.emailDescription, write);
    if (details.note)
        WriteDiv(QStringLiteral("note"), 2,
                 person.note.isEmpty() ? QStringList{Tabs(3) + nbsp} : MultiLineHtml(person.note, true), write);
    write(Tabs(1) + QStringLiteral("</div>"));
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
    QString style = modSettings::ReadSetting(QStringLiteral("Css"));
    if (!QFileInfo::exists(folder + style + QStringLiteral(".css"))) {
        style = QStringLiteral("Normal");
        modSettings::WriteSetting(QStringLiteral("Css"), style);
    }
    return folder + style + QStringLiteral(".css");
}

} // namespace modExport
