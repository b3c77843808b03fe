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
    const QString text = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, month)));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// Reads the grid back from the page's lines.
QList<Cell> GridCells(const QStringList& lines)
{
    static const QRegularExpression dayNumber(QStringLiteral("^\t{6}<td class=\"daynumber\">(\\d+)</td>$"));
    static const QRegularExpression birthday(QStringLiteral("^\t{6}<td class=\"birthday\">(.*)</td>$"));
    QList<Cell> cells;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i) == QLatin1String("\t\t\t<td class=\"day\">")) {
            if (lines.value(i + 1) == QLatin1String("\t\t\t\t&nbsp;"))
                cells << Cell{};
            continue;
        }
        const QRegularExpressionMatch number = dayNumber.match(lines.at(i));
        if (number.hasMatch()) {
            cells << Cell{number.captured(1).toInt(), {}};
            continue;
        }
        const QRegularExpressionMatch row = birthday.match(lines.at(i));
        if (row.hasMatch() && !cells.isEmpty())
            cells.last().rows << row.captured(1);
    }
    return cells;
}

QStringList RowsOfDay(int year, int month, int day)
{
    for (const Cell& cell : GridCells(PageLines(year, month)))
        if (cell.day == day)
            return cell.rows;
    return {QStringLiteral("no such day")};
}

const QString Filler = QStringLiteral("&nbsp;");

// Counts what the generator reports.
class RecordingProgress : public WriteProgress
{
public:
    void Begin(int maximum) override { events << QStringLiteral("begin %1").arg(maximum); }
    void Step() override { ++steps; }
    void End() override { events << QStringLiteral("end after %1").arg(steps); }
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

    modCalendar::CalendarOptions options(WeekStart weekStart = WeekStart::Monday) const
    {
        modCalendar::CalendarOptions result;
        result.currentYear = Year;
        result.weekStart = weekStart;
        result.locale = QLocale(QLocale::English, QLocale::UnitedStates);
        return result;
    }

    void writeStyles(const QStringList& names)
    {
        QDir(m_programFolder + "Calendar").removeRecursively();
        QDir().mkpath(m_programFolder + "Calendar");
        for (const QString& name : names)
            QVERIFY(TestSupport::writeFile(m_programFolder + "Calendar/" + name + ".css",
                                           QStringLiteral("/* %1 */").arg(name).toUtf8()));
    }

    static QStringList calendarFilesInTemp()
    {
        return QDir(modEnvironment::TempFolder())
            .entryList({QStringLiteral("*.htm"), QStringLiteral("calendar.css")}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        m_programFolder = m_dir.filePath("program/");
        modEnvironment::SetProgramFolder(m_programFolder);
        writeStyles({"Orange", "Blue"});
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

    // ---- the line writer ----

    void lineWriterWritesLinesWithCrLf_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("flushes");
        const QString long999(999, QLatin1Char('x'));
        QTest::newRow("nothing") << QStringList{} << 1;
        QTest::newRow("short") << QStringList{"<html>", "", "\tÄrger & Co"} << 1;
        // 24 lines of 1001 characters stay below the threshold; the 25th passes it.
        QTest::newRow("just below the threshold") << QStringList(24, long999) << 1;
        QTest::newRow("just beyond the threshold") << QStringList(25, long999) << 2;
        QTest::newRow("several appends") << QStringList(80, long999) << 4;
    }
    void lineWriterWritesLinesWithCrLf()
    {
        QFETCH(QStringList, lines);
        const QString path = m_dir.filePath("writer.txt");
        LineWriter writer;
        QVERIFY2(writer.Start(path), qPrintable(writer.ErrorString()));
        for (const QString& line : lines) {
            writer.WriteLine(line);
            QVERIFY(writer.BufferedLength() <= LineWriter::FlushThreshold);
        }
        QVERIFY2(writer.Finish(), qPrintable(writer.ErrorString()));
        QTEST(writer.FlushCount(), "flushes");

        QString expected;
        for (const QString& line : lines)
            expected += line + QStringLiteral("\r\n");
        QCOMPARE(TestSupport::readFile(path), expected.toUtf8());
    }

    void lineWriterDeletesTheTargetFirst()
    {
        const QString path = m_dir.filePath("old.txt");
        QVERIFY(TestSupport::writeFile(path, "an old export that is much longer than the new one\r\n"));
        LineWriter writer;
        QVERIFY(writer.Start(path));
        QVERIFY(!QFileInfo::exists(path));
        writer.WriteLine("new");
        QVERIFY(writer.Finish());
        QCOMPARE(TestSupport::readFile(path), QByteArray("new\r\n"));
    }

    void lineWriterReportsFailure()
    {
        const QString path = m_dir.filePath("missing folder/page.htm");
        LineWriter writer;
        QVERIFY(!writer.Start(path));
        QVERIFY(writer.ErrorString().contains(path));
        writer.WriteLine("text");
        QVERIFY(!writer.Finish());
        QVERIFY(!QFileInfo::exists(path));
    }

    // ---- month layout and names ----

    void weekRows_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<WeekStart>("weekStart");
        QTest::addColumn<QList<int>>("firstRow");
        QTest::addColumn<QList<int>>("lastRow");
        QTest::addColumn<int>("rowCount");
        // June 2025 begins on a Sunday.
        TestSupport::addRow("Sunday first, Monday start", 2025, 6, WeekStart::Monday, QList<int>{0, 0, 0, 0, 0, 0, 1},
                            QList<int>{30, 0, 0, 0, 0, 0, 0}, 6);
        TestSupport::addRow("Sunday first, Sunday start", 2025, 6, WeekStart::Sunday, QList<int>{1, 2, 3, 4, 5, 6, 7},
                            QList<int>{29, 30, 0, 0, 0, 0, 0}, 5);
        TestSupport::addRow("leap February", 2024, 2, WeekStart::Monday, QList<int>{0, 0, 0, 1, 2, 3, 4},
                            QList<int>{26, 27, 28, 29, 0, 0, 0}, 5);
        TestSupport::addRow("short February", 2023, 2, WeekStart::Monday, QList<int>{0, 0, 1, 2, 3, 4, 5},
                            QList<int>{27, 28, 0, 0, 0, 0, 0}, 5);
        TestSupport::addRow("four full weeks", 2015, 2, WeekStart::Sunday, QList<int>{1, 2, 3, 4, 5, 6, 7},
                            QList<int>{22, 23, 24, 25, 26, 27, 28}, 4);
        TestSupport::addRow("Monday first, Sunday start", 2024, 1, WeekStart::Sunday, QList<int>{0, 1, 2, 3, 4, 5, 6},
                            QList<int>{28, 29, 30, 31, 0, 0, 0}, 5);
    }
    void weekRows()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(WeekStart, weekStart);
        const QList<QList<int>> rows = modCalendar::WeekRows(year, month, weekStart);
        QTEST(int(rows.size()), "rowCount");
        QTEST(rows.constFirst(), "firstRow");
        QTEST(rows.constLast(), "lastRow");
        QList<int> days;
        for (const QList<int>& row : rows) {
            QCOMPARE(row.size(), 7);
            for (int day : row)
                if (day)
                    days << day;
        }
        QCOMPARE(days.size(), QDate(year, month, 1).daysInMonth());
        QVERIFY(std::is_sorted(days.begin(), days.end()));
    }

    void weekdayNames_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<WeekStart>("weekStart");
        QTest::addColumn<QStringList>("firstThree");
        QTest::addColumn<QString>("last");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale german(QLocale::German, QLocale::Germany);
        TestSupport::addRow("English Monday", english, WeekStart::Monday, QStringList{"Monday", "Tuesday", "Wednesday"},
                            "Sunday");
        TestSupport::addRow("English Sunday", english, WeekStart::Sunday, QStringList{"Sunday", "Monday", "Tuesday"},
                            "Saturday");
        TestSupport::addRow("German Sunday", german, WeekStart::Sunday, QStringList{"Sonntag", "Montag", "Dienstag"},
                            "Samstag");
    }
    void weekdayNames()
    {
        QFETCH(QLocale, locale);
        QFETCH(WeekStart, weekStart);
        const QStringList names = modCalendar::WeekdayNames(weekStart, locale);
        QCOMPARE(names.size(), 7);
        QTEST(names.mid(0, 3), "firstThree");
        QTEST(names.constLast(), "last");
    }

    // ---- the pages ----

    void generatesThirtySixPagesAndTheStyleSheet()
    {
        RecordingProgress progress;
        QCOMPARE(modCalendar::GenerateCalendar(&progress, options()), QString());
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 37"}));
        QStringList expected{"calendar.css"};
        for (int year = Year - 1; year <= Year + 1; ++year)
            for (int month = 1; month <= 12; ++month)
                expected << QStringLiteral("%1%2.htm").arg(year).arg(month, 2, 10, QLatin1Char('0'));
        expected.sort();
        QStringList found = calendarFilesInTemp();
        found.sort();
        QCOMPARE(found, expected);
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), QByteArray("/* Orange */"));
    }

    void birthdayRows_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QStringList>("rows");
        TestSupport::addRow("four on one day, by name", 2024, 5, 17,
                            QStringList{"anna Alt (34)", "Bob Bauer (54)", "Émile Ernst (24)", "Zoë Zimmer (44)"});
        TestSupport::addRow("escaped name", 2024, 6, 1, QStringList{"Tom &amp; Jerry &lt;TV&gt; (44)", Filler, Filler});
        QTest::newRow("nobody") << 2024 << 6 << 2 << QStringList{Filler, Filler, Filler};
        QTest::newRow("born this year") << 2024 << 3 << 10 << QStringList{"New Born (0)", "Padded Name (74)", Filler};
        TestSupport::addRow("born next year, seen last year", 2023, 3, 10,
                            QStringList{"New Born (-1)", "Padded Name (73)", Filler});
        QTest::newRow("next year") << 2025 << 3 << 10 << QStringList{"New Born (1)", "Padded Name (75)", Filler};
        QTest::newRow("29 February in a leap year") << 2024 << 2 << 29 << QStringList{"Leap Day (24)", Filler, Filler};
        QTest::newRow("end of a short February") << 2023 << 2 << 28 << QStringList{Filler, Filler, Filler};
        QTest::newRow("last day of the year") << 2025 << 12 << 31 << QStringList{"Last Of Year (26)", Filler, Filler};
    }
    void birthdayRows()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        QTEST(RowsOfDay(year, month, day), "rows");
    }

    void birthdaysShownOnlyWhereTheyBelong()
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        for (int year = Year - 1; year <= Year + 1; ++year) {
            for (int month = 1; month <= 12; ++month) {
                const QString page = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, month)));
                QVERIFY2(!page.contains("No Date"), "a person without a date of birth is listed");
                QCOMPARE(page.contains("Leap Day"), year == 2024 && month == 2);
                QCOMPARE(page.contains("New Born"), month == 3);
            }
        }
    }

    void gridFollowsTheWeekStart_data()
    {
        QTest::addColumn<WeekStart>("weekStart");
        QTest::addColumn<QString>("firstWeekday");
        QTest::newRow("Monday") << WeekStart::Monday << "Monday";
        QTest::newRow("Sunday") << WeekStart::Sunday << "Sunday";
    }
    void gridFollowsTheWeekStart()
    {
        QFETCH(WeekStart, weekStart);
        QFETCH(QString, firstWeekday);
        // June 2025 begins on a Sunday: six empty cells before it in a Monday week.
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options(weekStart)), QString());
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

    void pageHeadAndMenus()
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        const QStringList lines = PageLines(2025, 6);
        QCOMPARE(lines.at(0), QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QVERIFY(lines.contains("\t\tBirthday Calendar - June 2025"));
        QVERIFY(lines.contains("\t<link href=\"calendar.css\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />"));
        QVERIFY(lines.contains("\t<meta name=\"generator\" content=\"Addrion 1.4.3\" />"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202306.htm\">2023</a>"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202406.htm\">2024</a>"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"yeardisplayed\" href=\"202506.htm\">2025</a>"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202501.htm\">January</a>"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"monthdisplayed\" href=\"202506.htm\">June</a>"));
        QVERIFY(lines.contains("\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202512.htm\">December</a>"));
        QCOMPARE(lines.constLast(), QString("</html>"));
    }

    void pagesAreValidXhtml_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<WeekStart>("weekStart");
        QTest::newRow("English, Monday") << QLocale(QLocale::English, QLocale::UnitedStates) << WeekStart::Monday;
        QTest::newRow("German, Sunday") << QLocale(QLocale::German, QLocale::Germany) << WeekStart::Sunday;
    }
    void pagesAreValidXhtml()
    {
        QFETCH(QLocale, locale);
        QFETCH(WeekStart, weekStart);
        modCalendar::CalendarOptions calendar = options(weekStart);
        calendar.locale = locale;
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, calendar), QString());
        QStringList arguments{"--valid", "--nonet", "--noout"};
        for (int year = Year - 1; year <= Year + 1; ++year)
            for (int month = 1; month <= 12; ++month)
                arguments << modCalendar::PagePath(year, month);
        QProcess xmllint;
        xmllint.start("xmllint", arguments);
        QVERIFY(xmllint.waitForFinished(120000));
        QCOMPARE(QString::fromUtf8(xmllint.readAllStandardError()), QString());
        QCOMPARE(xmllint.exitCode(), 0);
        if (locale.language() == QLocale::German)
            QVERIFY(QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(2024, 3))).contains("März"));
    }

    void closedDatabaseGivesFillerRows()
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
                    if (!cell.day)
                        continue;
                    ++days;
                    QCOMPARE(cell.rows, (QStringList{Filler, Filler, Filler}));
                }
                QCOMPARE(days, QDate(year, month, 1).daysInMonth());
            }
        }
    }

    void engineErrorEndsTheRun()
    {
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("broken.mdb")));
        modSql::ExecuteSql("DROP TABLE Phone");
        modSql::ExecuteSql("DROP TABLE Email");
        modSql::ExecuteSql("DROP TABLE Person");
        RecordingProgress progress;
        bool thrown = false;
        try {
            modCalendar::GenerateCalendar(&progress, options());
        } catch (const Engine::EngineError&) {
            thrown = true;
        }
        modDatabase::CloseDatabase(false);
        QVERIFY(modDatabase::OpenDatabase(m_dir.filePath("birthdays.mdb")));
        QVERIFY(thrown);
        // The progress window closes also when the run breaks off.
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 1"}));
    }

    void unwritablePageIsReported()
    {
        // A folder where a page belongs cannot be replaced by the page.
        const QString blocked = modCalendar::PagePath(Year, 5);
        QVERIFY(QDir().mkpath(blocked + "/inside"));
        const QString error = modCalendar::GenerateCalendar(nullptr, options());
        QVERIFY(QDir(blocked).removeRecursively());
        QVERIFY2(error.contains(blocked), qPrintable(error));
    }

    // ---- style sheets ----

    void styleSheetChoice_data()
    {
        QTest::addColumn<QStringList>("styles");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QByteArray>("copied");
        QTest::addColumn<QString>("storedAfter");
        TestSupport::addRow("stored style exists", QStringList{"Orange", "Blue"}, "Orange", QByteArray("/* Orange */"),
                            "Orange");
        TestSupport::addRow("missing style: first in the listing", QStringList{"Orange", "Blue"}, "Gone",
                            QByteArray("/* Blue */"), "Blue");
        QTest::newRow("nothing stored") << QStringList{"Orange", "Blue"} << "" << QByteArray("/* Blue */") << "Blue";
        QTest::newRow("no style at all") << QStringList{} << "Orange" << QByteArray() << "Orange";
    }
    void styleSheetChoice()
    {
        QFETCH(QStringList, styles);
        QFETCH(QString, stored);
        QFETCH(QByteArray, copied);
        writeStyles(styles);
        modSettings::WriteSetting("Css Calendar", stored);
        QVERIFY(TestSupport::writeFile(modCalendar::StyleSheetPath(), "/* left over */"));
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        QCOMPARE(QFileInfo::exists(modCalendar::StyleSheetPath()), !copied.isEmpty());
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), copied);
        QTEST(modSettings::ReadSetting("Css Calendar"), "storedAfter");
        QCOMPARE(QFileInfo::exists(modCalendar::PagePath(Year, 1)), true);
    }

    void deleteCalendarFilesLeavesOtherFiles()
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        const QString other = modEnvironment::TempFolder() + "Addrion.htm";
        QVERIFY(TestSupport::writeFile(other, "export"));
        modCalendar::DeleteCalendarFiles(Year);
        QCOMPARE(calendarFilesInTemp(), QStringList{"Addrion.htm"});
        QFile::remove(other);
    }

    // ---- saving ----

    void saveCopiesTheTickedMonths_data()
    {
        QTest::addColumn<QList<int>>("ticked"); // year index * 100 + month
        QTest::addColumn<QStringList>("files");
        QTest::newRow("nothing ticked") << QList<int>{} << QStringList{"calendar.css"};
        TestSupport::addRow("one of each year", QList<int>{1, 112, 206},
                            QStringList{"202301.htm", "202412.htm", "202506.htm", "calendar.css"});
    }
    void saveCopiesTheTickedMonths()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(QStringList, files);
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        modCalendar::MonthSelection months{};
        for (int code : ticked)
            months[code / 100][code % 100 - 1] = true;
        QTemporaryDir target;
        RecordingProgress progress;
        int questions = 0;
        const QString error = modCalendar::SaveCalendar(
            target.path(), months, [&questions](const QString&) { return ++questions, true; }, &progress, Year);
        QCOMPARE(error, QString());
        QCOMPARE(questions, 0);
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 37"}));
        QCOMPARE(QDir(target.filePath("Calendar")).entryList(QDir::Files, QDir::Name), files);
        for (const QString& file : files)
            QCOMPARE(TestSupport::readFile(target.filePath("Calendar/" + file)),
                     TestSupport::readFile(modEnvironment::TempFolder() + file));
    }

    void saveAsksBeforeReplacing()
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        QTemporaryDir target;
        const QString folder = target.filePath("Calendar/");
        QVERIFY(TestSupport::writeFile(folder + "calendar.css", "mine"));
        QVERIFY(TestSupport::writeFile(folder + "202402.htm", "old page"));
        QVERIFY(TestSupport::writeFile(folder + "202403.htm", "old page"));
        modCalendar::MonthSelection months{};
        months[1][1] = months[1][2] = months[1][3] = true;
        QStringList asked;
        // Keep the style sheet and February, replace March; April is new.
        const QString error = modCalendar::SaveCalendar(
            target.path(), months,
            [&asked](const QString& path) {
                asked << path;
                return path.endsWith("202403.htm");
            },
            nullptr, Year);
        QCOMPARE(error, QString());
        QCOMPARE(asked, (QStringList{folder + "calendar.css", folder + "202402.htm", folder + "202403.htm"}));
        QCOMPARE(TestSupport::readFile(folder + "calendar.css"), QByteArray("mine"));
        QCOMPARE(TestSupport::readFile(folder + "202402.htm"), QByteArray("old page"));
        QCOMPARE(TestSupport::readFile(folder + "202403.htm"), TestSupport::readFile(modCalendar::PagePath(2024, 3)));
        QCOMPARE(TestSupport::readFile(folder + "202404.htm"), TestSupport::readFile(modCalendar::PagePath(2024, 4)));
    }

    void saveIntoAMissingFolderFails()
    {
        QCOMPARE(modCalendar::GenerateCalendar(nullptr, options()), QString());
        modCalendar::MonthSelection months{};
        months[1][0] = true;
        const QString chosen = m_dir.filePath("not there");
        const QString error = modCalendar::SaveCalendar(
            chosen, months, [](const QString&) { return true; }, nullptr, Year);
        QVERIFY(error.contains(chosen));
        QVERIFY(!QFileInfo::exists(chosen));
    }
};

ADDRION_TEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
