// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modCalendar.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "export/modExport.h"
#include "language/modLanguage.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace modCalendar {

namespace {

// Every day cell holds at least this many birthday rows, so the weeks keep one height.
constexpr int kRowsPerDay = 3;

QString Tabs(int count)
{
    return QString(count, QLatin1Char('\t'));
}

QString TwoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// The page writer: the line writer with the indentation the pages use.
class Page
{
public:
    explicit Page(LineWriter& writer) : m_writer(writer) {}
    void line(int tabs, const QString& text) { m_writer.WriteLine(Tabs(tabs) + text); }

private:
    LineWriter& m_writer;
};

void WriteEmptyCell(Page& page)
{
    page.line(3, QStringLiteral("<td class=\"day\">"));
    page.line(4, QStringLiteral("&nbsp;"));
    page.line(3, QStringLiteral("</td>"));
}

// The rows of one day: the persons of the day, taken from the cursor, then filler rows.
void WriteBirthdays(Page& page, int day, int year, const QList<Birthday>& birthdays, int& cursor)
{
    int count = 0;
    while (cursor < birthdays.size() && birthdays.at(cursor).dateofbirth.day() == day) {
        const Birthday& birthday = birthdays.at(cursor);
        const int age = year - birthday.dateofbirth.year();
        const QString shownAge =
            birthday.yearKnown ? QStringLiteral(" (") + QString::number(age) + QLatin1Char(')') : QString();
        page.line(5, QStringLiteral("<tr>"));
        page.line(6, QStringLiteral("<td class=\"birthday\">") + modExport::EscapeHtml(birthday.name.trimmed()) +
                         shownAge + QStringLiteral("</td>"));
        page.line(5, QStringLiteral("</tr>"));
        ++count;
        ++cursor;
    }
    for (; count < kRowsPerDay; ++count) {
        page.line(5, QStringLiteral("<tr>"));
        page.line(6, QStringLiteral("<td class=\"birthday\">&nbsp;</td>"));
        page.line(5, QStringLiteral("</tr>"));
    }
}

void WriteDayCell(Page& page, int day, int year, const QList<Birthday>& birthdays, int& cursor)
{
    page.line(3, QStringLiteral("<td class=\"day\">"));
    page.line(4, QStringLiteral("<table>"));
    page.line(5, QStringLiteral("<tr>"));
    page.line(6, QStringLiteral("<td class=\"daynumber\">") + QString::number(day) + QStringLiteral("</td>"));
    page.line(5, QStringLiteral("</tr>"));
    WriteBirthdays(page, day, year, birthdays, cursor);
    page.line(4, QStringLiteral("</table>"));
    page.line(3, QStringLiteral("</td>"));
}

void WriteHead(Page& page, int year, int month, const CalendarOptions& options)
{
    const QString keywords = Version::WithWebsiteHost(QString::fromLatin1(Version::AppName) +
                                                      QStringLiteral(", Freeware, Birthday Calendar"));
    page.line(0, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    page.line(0, QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\""));
    page.line(0, QStringLiteral("\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">"));
    page.line(0, QStringLiteral("<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
    page.line(0, QStringLiteral("<head>"));
    // Browsers read a page ending in .htm as HTML and ignore the XML declaration.
    page.line(1, QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />"));
    page.line(1, QStringLiteral("<title>"));
    page.line(2, (modLanguage::Translate(QStringLiteral("Birthday Calendar")) + QStringLiteral(" - ") +
                  MonthName(month, options.locale) + QLatin1Char(' ') + QString::number(year))
                     .toHtmlEscaped());
    page.line(1, QStringLiteral("</title>"));
    page.line(1, QStringLiteral("<link href=\"calendar.css\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />"));
    page.line(1, QStringLiteral("<meta name=\"keywords\" content=\"%1\" />").arg(keywords));
    page.line(1, QStringLiteral("<meta name=\"description\" content=\"%1\" />").arg(keywords));
    page.line(1, QStringLiteral("<meta name=\"author\" content=\"The Addrion developers\" />"));
    page.line(1, QStringLiteral("<meta name=\"generator\" content=\"%1 %2\" />")
                     .arg(QString::fromLatin1(Version::AppName), QString::fromLatin1(Version::AppVersion)));
    page.line(0, QStringLiteral("</head>"));
}

void WriteMenus(Page& page, int year, int month, const CalendarOptions& options)
{
    page.line(1, QStringLiteral("<table>"));
    page.line(2, QStringLiteral("<tr>"));
    for (int y = options.currentYear - 1; y <= options.currentYear + 1; ++y) {
        const QString kind = y == year ? QStringLiteral("yeardisplayed") : QStringLiteral("yearnotdisplayed");
        page.line(3, QStringLiteral("<td class=\"year\">"));
        page.line(4, QStringLiteral("<a class=\"%1\" href=\"%2\">%3</a>").arg(kind, PageFileName(y, month)).arg(y));
        page.line(3, QStringLiteral("</td>"));
    }
    page.line(2, QStringLiteral("</tr>"));
    page.line(1, QStringLiteral("</table>"));

    page.line(1, QStringLiteral("<table class=\"monthmenu\">"));
    page.line(2, QStringLiteral("<tr>"));
    for (int m = 1; m <= 12; ++m) {
        const QString kind = m == month ? QStringLiteral("monthdisplayed") : QStringLiteral("monthnotdisplayed");
        page.line(3, QStringLiteral("<td class=\"month\">"));
        page.line(4, QStringLiteral("<a class=\"%1\" href=\"%2\">%3</a>")
                         .arg(kind, PageFileName(year, m), MonthName(m, options.locale).toHtmlEscaped()));
        page.line(3, QStringLiteral("</td>"));
    }
    page.line(2, QStringLiteral("</tr>"));
    page.line(1, QStringLiteral("</table>"));
}

} // namespace

WeekStart WeekStartFromSetting(const QString& value)
{
    return value == QLatin1String("Sunday") ? WeekStart::Sunday : WeekStart::Monday;
}

QString WeekStartSetting(WeekStart weekStart)
{
    return weekStart == WeekStart::Sunday ? QStringLiteral("Sunday") : QStringLiteral("Monday");
}

QString PageFileName(int year, int month)
{
    return QString::number(year) + TwoDigits(month) + QStringLiteral(".htm");
}

QString PagePath(int year, int month)
{
    return modEnvironment::TempFolder() + PageFileName(year, month);
}

QString StyleSheetPath()
{
    return modEnvironment::TempFolder() + QStringLiteral("calendar.css");
}

QString StyleFolder()
{
    return modEnvironment::ProgramFolder() + QStringLiteral("Calendar/");
}

QStringList StyleNamesIn(const QString& folder)
{
    QStringList names;
    for (const QString& file : QDir(folder).entryList({QStringLiteral("*.css")}, QDir::Files))
        names << file.chopped(4);
    Engine::SortAsNames(names);
    return names;
}

QStringList StyleNames()
{
    return StyleNamesIn(StyleFolder());
}

QString StyleFile(const QString& name)
{
    return StyleFolder() + name + QStringLiteral(".css");
}

QList<QList<int>> WeekRows(int year, int month, WeekStart weekStart)
{
    const QDate first(year, month, 1);
    const int lastDay = first.daysInMonth();
    // Qt counts Monday as 1 and Sunday as 7.
    const int position = weekStart == WeekStart::Monday ? first.dayOfWeek() : first.dayOfWeek() % 7 + 1;

    QList<QList<int>> rows;
    QList<int> row(position - 1, 0);
    for (int day = 1; day <= lastDay; ++day) {
        row << day;
        if (row.size() == 7) {
            rows << row;
            row.clear();
        }
    }
    if (!row.isEmpty()) {
        while (row.size() < 7)
            row << 0;
        rows << row;
    }
    return rows;
}

QStringList WeekdayNames(WeekStart weekStart, const QLocale& locale)
{
    QStringList names;
    const int first = weekStart == WeekStart::Monday ? 1 : 7;
    for (int i = 0; i < 7; ++i)
        names << locale.standaloneDayName((first - 1 + i) % 7 + 1, QLocale::LongFormat);
    return names;
}

QString MonthName(int month, const QLocale& locale)
{
    return locale.standaloneMonthName(month, QLocale::LongFormat);
}

QString MonthQuery(int month)
{
    return QStringLiteral("SELECT Name, Dateofbirth FROM Person WHERE Month(Dateofbirth) = ") + QString::number(month) +
           QStringLiteral(" ORDER BY Day(Dateofbirth), Name ");
}

QList<Birthday> MonthBirthdays(int month, const std::vector<modPersonDetail::NamedBirthday>& withoutYear)
{
    QList<Birthday> birthdays;
    if (!modDatabase::IsDatabaseOpen())
        return birthdays;
    Engine::Recordset rs = modSql::OpenRecordset(MonthQuery(month));
    for (; !rs.Eof(); rs.MoveNext())
        birthdays << Birthday{rs.Fields(QStringLiteral("Name")).toString().trimmed(),
                              rs.Fields(QStringLiteral("Dateofbirth")).toDate()};
    // Birthdays without a year join their day, in name order with the others.
    bool added = false;
    for (const modPersonDetail::NamedBirthday& birthday : withoutYear) {
        if (birthday.birthday.month != month)
            continue;
        birthdays << Birthday{birthday.name, QDate(2000, month, birthday.birthday.day), false};
        added = true;
    }
    if (added)
        std::stable_sort(birthdays.begin(), birthdays.end(), [](const Birthday& a, const Birthday& b) {
            if (a.dateofbirth.day() != b.dateofbirth.day())
                return a.dateofbirth.day() < b.dateofbirth.day();
            return Engine::CollateNoCase(a.name.toUtf8(), b.name.toUtf8()) < 0;
        });
    return birthdays;
}

void WriteMonthPage(LineWriter& writer, int year, int month, const QList<Birthday>& birthdays,
                    const CalendarOptions& options)
{
    // The day cells take the persons in order as a cursor; a stable sort by day keeps
    // the name order of each day and holds back the 29th of February in short years.
    QList<Birthday> ordered = birthdays;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Birthday& a, const Birthday& b) { return a.dateofbirth.day() < b.dateofbirth.day(); });
    int cursor = 0;

    Page page(writer);
    WriteHead(page, year, month, options);
    page.line(0, QStringLiteral("<body>"));
    WriteMenus(page, year, month, options);

    page.line(1, QStringLiteral("<table>"));
    page.line(2, QStringLiteral("<tr>"));
    for (const QString& weekday : WeekdayNames(options.weekStart, options.locale)) {
        page.line(3, QStringLiteral("<td class=\"weekday\">"));
        page.line(4, weekday.toHtmlEscaped());
        page.line(3, QStringLiteral("</td>"));
    }
    page.line(2, QStringLiteral("</tr>"));
    for (const QList<int>& week : WeekRows(year, month, options.weekStart)) {
        page.line(2, QStringLiteral("<tr>"));
        for (const int day : week) {
            if (day == 0)
                WriteEmptyCell(page);
            else
                WriteDayCell(page, day, year, ordered, cursor);
        }
        page.line(2, QStringLiteral("</tr>"));
    }
    page.line(1, QStringLiteral("</table>"));
    page.line(0, QStringLiteral("</body>"));
    page.line(0, QStringLiteral("</html>"));
}

bool CopyFileReplacing(const QString& source, const QString& destination, QString* error)
{
    return modSafeFile::CopyFile(source, destination, error);
}

bool CopyStyleSheet(const QString& name, QString* error)
{
    QString source = StyleFile(name);
    if (!modEnvironment::FileExists(source)) {
        const QStringList names = StyleNames();
        if (names.isEmpty()) {
            QFile::remove(StyleSheetPath());
            return true;
        }
        source = StyleFile(names.constFirst());
        modSettings::Set(Setting::CalendarStyle, names.constFirst());
    }
    return CopyFileReplacing(source, StyleSheetPath(), error);
}

CalendarOptions StoredOptions()
{
    CalendarOptions options;
    options.weekStart = WeekStartFromSetting(modSettings::Get(Setting::WeekStart));
    return options;
}

QString GenerateCalendar(WriteProgress* progress, const CalendarOptions& options)
{
    DeleteCalendarFiles(options.currentYear);
    ProgressScope scope(progress, 1 + 36);

    QString error;
    if (!CopyStyleSheet(modSettings::Get(Setting::CalendarStyle), &error))
        return error;
    scope.Step();

    // The birthdays of a month are the same in all three years: read each month once.
    QList<Birthday> birthdays[12];
    const std::vector<modPersonDetail::NamedBirthday> withoutYear =
        modDatabase::IsDatabaseOpen() ? modPersonDetail::BirthdaysWithoutYear(modDatabase::DatabaseConnection())
                                      : std::vector<modPersonDetail::NamedBirthday>();
    for (int month = 1; month <= 12; ++month)
        birthdays[month - 1] = MonthBirthdays(month, withoutYear);

    LineWriter writer;
    for (int year = options.currentYear - 1; year <= options.currentYear + 1; ++year) {
        for (int month = 1; month <= 12; ++month) {
            if (!writer.Start(PagePath(year, month)))
                return writer.ErrorString();
            WriteMonthPage(writer, year, month, birthdays[month - 1], options);
            if (!writer.Finish())
                return writer.ErrorString();
            scope.Step();
        }
    }
    return QString();
}

void DeleteCalendarFiles(int currentYear)
{
    QFile::remove(StyleSheetPath());
    for (int year = currentYear - 1; year <= currentYear + 1; ++year)
        for (int month = 1; month <= 12; ++month)
            QFile::remove(PagePath(year, month));
}

QString SaveFolder(const QString& chosenFolder)
{
    return modEnvironment::WithTrailingSlash(chosenFolder) + QStringLiteral("Calendar/");
}

QString SaveCalendar(const QString& chosenFolder, const MonthSelection& months, const ReplaceQuestion& askReplace,
                     WriteProgress* progress, int currentYear)
{
    const QString target = SaveFolder(chosenFolder);
    ProgressScope scope(progress, 1 + 36);
    if (!QFileInfo(target).isDir() && !QDir().mkdir(target))
        return target + QStringLiteral(": ") + modLanguage::Translate(QStringLiteral("Folder cannot be created"));

    // Copies one file unless it exists and the user keeps it.
    auto copy = [&](const QString& source, const QString& destination) -> QString {
        if (QFileInfo::exists(destination) && !askReplace(destination))
            return QString();
        QString error;
        if (!CopyFileReplacing(source, destination, &error))
            return error;
        return QString();
    };

    // Without any shipped style the pages are unstyled and there is no sheet to copy.
    QString error;
    if (QFileInfo::exists(StyleSheetPath()))
        error = copy(StyleSheetPath(), target + QStringLiteral("calendar.css"));
    if (!error.isEmpty())
        return error;
    scope.Step();
    for (int index = 0; index < 3; ++index) {
        const int year = currentYear - 1 + index;
        for (int month = 1; month <= 12; ++month) {
            if (months.at(index).at(month - 1)) {
                error = copy(PagePath(year, month), target + PageFileName(year, month));
                if (!error.isEmpty())
                    return error;
            }
            scope.Step();
        }
    }
    return QString();
}

} // namespace modCalendar
