#include "DataColumns.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "TestSupport.h"

#include "birthdays/LineWriter.h"
#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

using modCalendar::WeekStart;
using TestSupport::addRow;

namespace {

// A cell of the month grid as a page writes it: 0 for an empty cell, else the day
// with the texts of its birthday rows ("&nbsp;" for a filler row).
struct Cell
{
    int day = 0;
    QStringList rows;
};

QStringList PageLines(int year, int month)
{
    QStringList lines = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, month))).split("\r\n");
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Reads the grid back from the page's lines.
QList<Cell> GridCells(const QStringList& lines)
{
    static const QRegularExpression dayNumber("^\t{6}<td class=\"daynumber\">(\\d+)</td>$");
    static const QRegularExpression birthday("^\t{6}<td class=\"birthday\">(.*)</td>$");
    QList<Cell> cells;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i) == "\t\t\t<td class=\"day\">") {
            if (lines.value(i + 1) == "\t\t\t\t&nbsp;")
                cells << Cell{};
        } else if (const QRegularExpressionMatch number = dayNumber.match(lines.at(i)); number.hasMatch()) {
            cells << Cell{number.captured(1).toInt(), {}};
        } else if (const QRegularExpressionMatch row = birthday.match(lines.at(i));
                   row.hasMatch() && !cells.isEmpty()) {
            cells.last().rows << row.captured(1);
        }
    }
    return cells;
}

const QString Filler = "&nbsp;";

// Counts what the generator reports.
class RecordingProgress : public WriteProgress
{
public:
    void Begin(int maximum) override { events << QString("begin %1").arg(maximum); }
    void Step() override { ++steps; }
    void End() override { events << QString("end after %1").arg(steps); }
    QStringList events;
    int steps = 0;
};

} // namespace

// The calendar pages and their writer, on real files and a real database.
class TestCalendar : public QObject
{
    Q_OBJECT

    // The pages cover 2023 to 2025: a leap year between two short ones.
    static constexpr int Year = 2024;
    QTemporaryDir m_dir;
    QString m_programFolder;

    static modCalendar::CalendarOptions options(WeekStart weekStart = WeekStart::Monday,
                                                const QLocale& locale = QLocale(QLocale::English,
                                                                                QLocale::UnitedStates))
    {
        modCalendar::CalendarOptions result;
        result.currentYear = Year;
        result.weekStart = weekStart;
        result.locale = locale;
        return result;
    }
    static void generate(WeekStart weekStart = WeekStart::Monday)
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options(weekStart)), QString());
    }

    void writeStyles(const QStringList& names)
    {
        QDir(m_programFolder + "Calendar").removeRecursively();
        QDir().mkpath(m_programFolder + "Calendar");
        for (const QString& name : names)
            QVERIFY(
                TestSupport::writeFile(m_programFolder + "Calendar/" + name + ".css", "/* " + name.toUtf8() + " */"));
    }

    static QStringList calendarFilesInTemp()
    {
        return QDir(modEnvironment::TempFolder()).entryList({"*.htm", "calendar.css"}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        m_programFolder = m_dir.filePath("program/");
        modEnvironment::SetProgramFolder(m_programFolder);
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("birthdays.mdb")));
        addPersons({{1, "Zoë Zimmer", QDate(1980, 5, 17)},
                    {2, "anna Alt", QDate(1990, 5, 17)},
                    {3, "Émile Ernst", QDate(2000, 5, 17)},
                    {4, "Bob Bauer", QDate(1970, 5, 17)},
                    {5, "Tom & Jerry <TV>", QDate(1980, 6, 1)},
                    {6, "Leap Day", QDate(2000, 2, 29)},
                    {7, "New Born", QDate(2024, 3, 10)},
                    {8, "No Date", {}},
                    {9, "Padded Name   ", QDate(1950, 3, 10)},
                    {10, "Last Of Year", QDate(1999, 12, 31)}});
    }
    void cleanupTestCase()
    {
        modDatabase::CloseDatabase(false);
        modCalendar::DeleteCalendarFiles(Year);
    }
    void init()
    {
        TestSupport::clearSettings();
        writeStyles({"Orange", "Blue"});
        modSettings::WriteSetting("Css Calendar", "Orange");
    }

    // Lines end in CR LF, however many and long; an old file is deleted first, so that
    // nothing of it stays behind the new lines.
    void lineWriterWritesLinesWithCrLf()
    {
        const QString path = m_dir.filePath("writer.txt");
        QVERIFY(TestSupport::writeFile(path, QByteArray(100000, 'o')));
        const QStringList lines = QStringList{"<html>", "", "\tÄrger & Co"} + QStringList(80, QString(999, 'x'));
        LineWriter writer;
        QVERIFY2(writer.Start(path), qPrintable(writer.ErrorString()));
        QVERIFY(!QFileInfo::exists(path));
        for (const QString& line : lines) {
            writer.WriteLine(line);
            QVERIFY(writer.BufferedLength() <= LineWriter::FlushThreshold);
        }
        QVERIFY2(writer.Finish(), qPrintable(writer.ErrorString()));
        QVERIFY(writer.FlushCount() > 1); // handed on in parts, never all at once
        QCOMPARE(TestSupport::readFile(path), (lines.join("\r\n") + "\r\n").toUtf8());

        // A file that cannot be made is reported, and nothing more is tried.
        const QString missing = m_dir.filePath("missing folder/page.htm");
        LineWriter failing;
        QVERIFY(!failing.Start(missing));
        QVERIFY(failing.ErrorString().contains(missing));
        failing.WriteLine("text");
        QVERIFY(!failing.Finish());
        QVERIFY(!QFileInfo::exists(missing));
    }

    // The first and the last week of the month, 0 for a day of another month.
    void weekRows_data()
    {
        TestSupport::addColumns<int, int, WeekStart, QString, int>({"year", "month", "weekStart", "weeks", "rowCount"});
        addRow("Sunday first, Monday start", 2025, 6, WeekStart::Monday, "0 0 0 0 0 0 1 ... 30 0 0 0 0 0 0", 6);
        addRow("Sunday first, Sunday start", 2025, 6, WeekStart::Sunday, "1 2 3 4 5 6 7 ... 29 30 0 0 0 0 0", 5);
        addRow("leap February", 2024, 2, WeekStart::Monday, "0 0 0 1 2 3 4 ... 26 27 28 29 0 0 0", 5);
        addRow("short February", 2023, 2, WeekStart::Monday, "0 0 1 2 3 4 5 ... 27 28 0 0 0 0 0", 5);
        addRow("four full weeks", 2015, 2, WeekStart::Sunday, "1 2 3 4 5 6 7 ... 22 23 24 25 26 27 28", 4);
        addRow("Monday first, Sunday start", 2024, 1, WeekStart::Sunday, "0 1 2 3 4 5 6 ... 28 29 30 31 0 0 0", 5);
    }
    void weekRows()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(WeekStart, weekStart);
        const QList<QList<int>> rows = modCalendar::WeekRows(year, month, weekStart);
        QTEST(int(rows.size()), "rowCount");
        QList<int> days;
        QStringList weeks;
        for (const QList<int>& row : rows) {
            QCOMPARE(row.size(), 7);
            QStringList week;
            for (int day : row) {
                week << QString::number(day);
                if (day)
                    days << day;
            }
            weeks << week.join(' ');
        }
        QTEST(weeks.constFirst() + " ... " + weeks.constLast(), "weeks");
        QCOMPARE(days.size(), QDate(year, month, 1).daysInMonth());
        QVERIFY(std::is_sorted(days.begin(), days.end()));
    }

    // Three years of pages and the chosen style sheet; a person shows only in the
    // months of their birthday, one without a date nowhere.
    void pages()
    {
        RecordingProgress progress;
        QCOMPARE(modCalendar::GenerateCalendar(&progress, options()), QString());
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 37"}));
        QStringList expected{"calendar.css"};
        for (int year = Year - 1; year <= Year + 1; ++year)
            for (int month = 1; month <= 12; ++month) {
                expected << modCalendar::PageFileName(year, month);
                const QString page = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, month)));
                QVERIFY2(!page.contains("No Date"), "a person without a date of birth is listed");
                QCOMPARE(page.contains("Leap Day"), year == 2024 && month == 2);
                QCOMPARE(page.contains("New Born"), month == 3);
            }
        expected.sort();
        QCOMPARE(calendarFilesInTemp(), expected);
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), QByteArray("/* Orange */"));

        const QStringList lines = PageLines(2025, 6);
        QCOMPARE(lines.at(0), QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lines.constLast(), QString("</html>"));
        for (const char* line : {"\t\tBirthday Calendar - June 2025",
                                 "\t<link href=\"calendar.css\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />",
                                 "\t<meta name=\"generator\" content=\"Addrion 1.4.3\" />",
                                 "\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202306.htm\">2023</a>",
                                 "\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202406.htm\">2024</a>",
                                 "\t\t\t\t<a class=\"yeardisplayed\" href=\"202506.htm\">2025</a>",
                                 "\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202501.htm\">January</a>",
                                 "\t\t\t\t<a class=\"monthdisplayed\" href=\"202506.htm\">June</a>",
                                 "\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202512.htm\">December</a>"})
            QVERIFY2(lines.contains(line), line);
    }

    void birthdayRows_data()
    {
        TestSupport::addColumns<int, int, int, QStringList>({"year", "month", "day", "rows"});
        addRow("four on one day, by name", 2024, 5, 17,
               QStringList{"anna Alt (34)", "Bob Bauer (54)", "Émile Ernst (24)", "Zoë Zimmer (44)"});
        addRow("escaped name", 2024, 6, 1, QStringList{"Tom &amp; Jerry &lt;TV&gt; (44)", Filler, Filler});
        addRow("nobody", 2024, 6, 2, QStringList{Filler, Filler, Filler});
        addRow("born this year", 2024, 3, 10, QStringList{"New Born (0)", "Padded Name (74)", Filler});
        addRow("born next year, seen last year", 2023, 3, 10, QStringList{"New Born (-1)", "Padded Name (73)", Filler});
        addRow("next year", 2025, 3, 10, QStringList{"New Born (1)", "Padded Name (75)", Filler});
        addRow("29 February in a leap year", 2024, 2, 29, QStringList{"Leap Day (24)", Filler, Filler});
        addRow("end of a short February", 2023, 2, 28, QStringList{Filler, Filler, Filler});
        addRow("last day of the year", 2025, 12, 31, QStringList{"Last Of Year (26)", Filler, Filler});
    }
    void birthdayRows()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        generate();
        QStringList rows{"no such day"};
        for (const Cell& cell : GridCells(PageLines(year, month)))
            if (cell.day == day)
                rows = cell.rows;
        QTEST(rows, "rows");
    }

    // Every page is valid XHTML, in any language, and its grid follows the week start:
    // June 2025 begins on a Sunday, six empty cells before it in a Monday week.
    void pagesAreValidXhtml_data()
    {
        TestSupport::addColumns<QLocale, WeekStart, QString>({"locale", "weekStart", "firstWeekday"});
        addRow("English, Monday", QLocale(QLocale::English, QLocale::UnitedStates), WeekStart::Monday, "Monday");
        addRow("German, Sunday", QLocale(QLocale::German, QLocale::Germany), WeekStart::Sunday, "Sonntag");
    }
    void pagesAreValidXhtml()
    {
        QFETCH(QLocale, locale);
        QFETCH(WeekStart, weekStart);
        QFETCH(QString, firstWeekday);
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options(weekStart, locale)), QString());
        QStringList arguments{"--valid", "--nonet", "--noout"};
        for (int year = Year - 1; year <= Year + 1; ++year)
            for (int month = 1; month <= 12; ++month)
                arguments << modCalendar::PagePath(year, month);
        QProcess xmllint;
        xmllint.start("xmllint", arguments);
        QVERIFY(xmllint.waitForFinished(120000));
        QCOMPARE(QString::fromUtf8(xmllint.readAllStandardError()), QString());
        QCOMPARE(xmllint.exitCode(), 0);
        QVERIFY(QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(2024, 3))).contains(locale.monthName(3)));

        const QStringList lines = PageLines(2025, 6);
        QList<int> cells;
        for (const Cell& cell : GridCells(lines)) {
            cells << cell.day;
            if (cell.day)
                QVERIFY2(cell.rows.size() >= 3, "a day cell with fewer than three rows");
        }
        QList<int> expected;
        for (const QList<int>& row : modCalendar::WeekRows(2025, 6, weekStart))
            expected << row;
        QCOMPARE(cells, expected);
        const int header = lines.indexOf("\t\t\t<td class=\"weekday\">");
        QVERIFY(header > 0);
        QCOMPARE(lines.at(header + 1), "\t\t\t\t" + firstWeekday);
    }

    // Without a database every day has filler rows; with a broken one the run ends.
    void closedOrBrokenDatabase()
    {
        const QString path = modDatabase::DatabaseConnection().DataSource();
        modDatabase::CloseDatabase(false);
        const QString error = modCalendar::GenerateCalendar(nullptr, options());
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(error, QString());
        QCOMPARE(calendarFilesInTemp().size(), 37);
        for (int year = Year - 1; year <= Year + 1; ++year) {
            for (int month = 1; month <= 12; ++month) {
                int days = 0;
                for (const Cell& cell : GridCells(PageLines(year, month))) {
                    if (cell.day) {
                        ++days;
                        QCOMPARE(cell.rows, (QStringList{Filler, Filler, Filler}));
                    }
                }
                QCOMPARE(days, QDate(year, month, 1).daysInMonth());
            }
        }

        // An engine error ends the run.
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("broken.mdb")));
        for (const char* table : {"Phone", "Email", "Person"})
            runSql(QString("DROP TABLE ") + table);
        RecordingProgress progress;
        const bool thrown =
            EngineTest::failureOf([&] { modCalendar::GenerateCalendar(&progress, options()); }).has_value();
        modDatabase::CloseDatabase(false);
        QVERIFY(modDatabase::OpenDatabase(m_dir.filePath("birthdays.mdb")));
        QVERIFY(thrown);
        // The progress window closes also when the run breaks off.
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 1"}));
    }

    void styleSheetChoice_data()
    {
        TestSupport::addColumns<QStringList, QString, QByteArray, QString>(
            {"styles", "stored", "copied", "storedAfter"});
        addRow("stored style exists", QStringList{"Orange", "Blue"}, "Orange", QByteArray("/* Orange */"), "Orange");
        addRow("missing style: first in the listing", QStringList{"Orange", "Blue"}, "Gone", QByteArray("/* Blue */"),
               "Blue");
        addRow("nothing stored", QStringList{"Orange", "Blue"}, "", QByteArray("/* Blue */"), "Blue");
        addRow("no style at all", QStringList{}, "Orange", QByteArray(), "Orange");
    }
    void styleSheetChoice()
    {
        QFETCH(QStringList, styles);
        QFETCH(QString, stored);
        QFETCH(QByteArray, copied);
        writeStyles(styles);
        modSettings::WriteSetting("Css Calendar", stored);
        QVERIFY(TestSupport::writeFile(modCalendar::StyleSheetPath(), "/* left over */"));
        generate();
        QCOMPARE(QFileInfo::exists(modCalendar::StyleSheetPath()), !copied.isEmpty());
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), copied);
        QTEST(modSettings::ReadSetting("Css Calendar"), "storedAfter");
        QVERIFY(QFileInfo::exists(modCalendar::PagePath(Year, 1)));
    }

    // Saving the chosen months is checked through the window; a folder that is not
    // there is reported, and not made.
    void saveIntoAMissingFolderFails()
    {
        generate();
        modCalendar::MonthSelection months{};
        months[1][0] = true;
        const QString chosen = m_dir.filePath("not there");
        QVERIFY(modCalendar::SaveCalendar(
                    chosen, months, [](const QString&) { return true; }, nullptr, Year)
                    .contains(chosen));
        QVERIFY(!QFileInfo::exists(chosen));
    }
};

ADDRION_TEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
