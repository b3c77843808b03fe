// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/LineWriter.h"
#include "birthdays/frmCalendar.h"
#include "birthdays/frmCalendarSelection.h"
#include "birthdays/frmProgress.h"
#include "birthdays/modCalendar.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"
#include "widgets/FailureDialog.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBlock>
#include <QTextTable>

using modCalendar::WeekStart;
using TestSupport::addRow;
using TestSupport::control;

namespace {

// A grid cell as a page writes it: day 0 when empty, else the day with its rows ("&nbsp;" fills).
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

// A page beside the calendar's style sheet, with the body given.
QByteArray Page(const QString& body)
{
    return TestSupport::readFile(TestSupport::sourceDir() + "/tests/birthdays/samples/page.htm")
        .replace("BODY", body.toUtf8());
}

// The background of the table cell that holds the text.
QString CellColour(const QTextBrowser& viewer, const QString& text)
{
    const QTextCursor found = viewer.document()->find(text);
    if (found.isNull() || !found.currentTable())
        return "not in a table";
    return found.currentTable()->cellAt(found).format().background().color().name();
}

// Clicks a check box where its tick is, as a user does.
void ClickBox(QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    QTest::mouseClick(box, Qt::LeftButton, {},
                      box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center());
}

} // namespace

// The birthday calendar's pages from real databases, its window, save dialog and page viewer.
class TestCalendar : public QObject
{
    Q_OBJECT

    static constexpr int Year = 2024; // the pages of 2023 to 2025: a leap year between two short ones
    QTemporaryDir m_pages;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmCalendar> m_window;
    std::unique_ptr<HtmlViewer> m_viewer;
    int m_year = TestSupport::FixedToday().year();
    int m_month = TestSupport::FixedToday().month();

    QString thisMonthsPage() const { return modCalendar::PagePath(m_year, m_month); }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    static QStringList calendarFilesInTemp()
    {
        return QDir(modEnvironment::TempFolder()).entryList({"*.htm", "calendar.css"}, QDir::Files, QDir::Name);
    }

    void openWindow()
    {
        m_window = std::make_unique<frmCalendar>();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // The first weekday in the grid of the page the viewer shows.
    QString firstWeekdayShown() const
    {
        const QStringList weekdays = modCalendar::WeekdayNames(modCalendar::WeekStart::Monday, QLocale::system());
        for (QTextBlock block = m_window->wbrCalendar->document()->begin(); block.isValid(); block = block.next())
            if (weekdays.contains(block.text().trimmed()))
                return block.text().trimmed();
        return QString();
    }

    // Runs the Save button; the dialog it opens modally is handed to work.
    void runSaveDialog(const std::function<void(frmCalendarSelection*)>& work)
    {
        const auto seen = TestSupport::onModal<frmCalendarSelection>([&](frmCalendarSelection* dialog) {
            work(dialog);
            // A failed check must not leave the dialog waiting.
            if (dialog->isVisible())
                dialog->reject();
        });
        m_window->toolbarButton("Save")->trigger();
        QVERIFY(*seen);
    }

    // A viewer shown on two pages of a calendar and their style sheet.
    HtmlViewer& viewer()
    {
        m_viewer = std::make_unique<HtmlViewer>();
        m_viewer->resize(600, 400);
        m_viewer->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get())); }();
        TestSupport::writeFile(path("calendar.css"), "td.day { background-color: #ff8800; }");
        TestSupport::writeFile(path("202401.htm"),
                               Page("<table><tr><td class=\"day\">Ärger &amp; Co</td></tr></table>"));
        TestSupport::writeFile(path("202402.htm"), Page("<p>Second page</p>"));
        return *m_viewer;
    }

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
        const QString folder = m_pages.filePath("program/Calendar/");
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        for (const QString& name : names)
            QVERIFY(TestSupport::writeFile(folder + name + ".css", "/* " + name.toUtf8() + " */"));
    }
    // The pages of Year written from the persons of birthdays.mdb, with two made-up styles.
    void usePages()
    {
        modEnvironment::SetProgramFolder(m_pages.filePath("program/"));
        writeStyles({"Orange", "Blue"});
        modDatabase::CloseDatabase(false);
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(m_pages.filePath("birthdays.mdb"))));
    }

private slots:
    void initTestCase()
    {
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        QVERIFY(modCalendar::StyleNames().size() >= 3);
        QVERIFY(modCalendar::StyleNames().contains("Orange"));
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_pages.filePath("birthdays.mdb"))));
        addPersons({{1, "Zoë Zimmer", QDate(1980, 5, 17)},
                    {2, "anna Alt", QDate(1990, 5, 17)},
                    {3, "Émile Ernst", QDate(2000, 5, 17)},
                    {4, "Bob Bauer", QDate(1970, 5, 17)},
                    {5, "Tom & Jerry <TV>", QDate(1980, 6, 1)},
                    {6, "Leap Day", QDate(2000, 2, 29)},
                    {7, "New Born", QDate(2024, 3, 10)},
                    {8, "No Date", {}},
                    {9, "Padded Name   ", QDate(1950, 3, 10)},
                    {10, "Last Of Year", QDate(1999, 12, 31)},
                    {11, "Carla No Year", {}},
                    {12, "Year Wins", QDate(1960, 6, 1)}});
        // Birthdays without a year; a full date overrides one.
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday) VALUES (11, '--05-17')");
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday) VALUES (12, '--06-02')");
        modDatabase::CloseDatabase(false);
    }
    void init()
    {
        TestSupport::clearSettings();
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        TestSupport::writeSetting("Css Calendar", "Orange");
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(path("home.mdb"))));
        addPersons({{1, "Anna Ärger", TestSupport::FixedToday().addYears(-30)}});
    }
    void cleanup()
    {
        m_window.reset();
        m_viewer.reset();
        modDatabase::CloseDatabase(false);
        m_platform.reset();
        modCalendar::DeleteCalendarFiles(Year);
    }

    // The window opens on this month in the stored week start, with the buttons the printers allow
    // and no progress window left behind; the week start and the style can change.
    void opening_data()
    {
        TestSupport::addColumns<int, QString>("printers", "weekStart");
        addRow("no printer, first run", 0, "");
        addRow("one printer, Sunday stored", 1, "Sunday");
    }
    // Printed, a page shows what the viewer shows: every month and weekday name whole.
    void printedPageKeepsWords_data()
    {
        TestSupport::addColumns<int>("month");
        addRow("January", 1);
        addRow("September", 9);
    }
    void printedPageKeepsWords()
    {
        auto [month] = TestSupport::fetch<int>("month");
        openWindow();
        m_window->wbrCalendar->Navigate(modCalendar::PagePath(m_year, month));
        const TestSupport::PrintedText run = TestSupport::printedText(*m_window->wbrCalendar, {"-layout"});
        QCOMPARE(run.exitCode, 0);
        // One month, one page.
        QCOMPARE(run.text.count('\f'), 1);
        const QStringList words = run.text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        const QLocale english(QLocale::English);
        QVERIFY2(words.contains(english.monthName(month)), qPrintable(words.join(' ')));
        for (int day = 1; day <= 7; ++day)
            QVERIFY2(words.contains(english.dayName(day)), qPrintable(english.dayName(day) + ": " + words.join(' ')));
    }

    void opening()
    {
        auto [printers, weekStart] = TestSupport::fetch<int, QString>("printers", "weekStart");
        m_platform->setPrinterCount(printers);
        if (!weekStart.isEmpty())
            TestSupport::writeSetting("Week Start", weekStart);
        openWindow();
        QCOMPARE(calendarFilesInTemp().size(), 37);
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QVERIFY(m_window->wbrCalendar->toPlainText().contains("Anna Ärger (30)"));
        const QString shown = weekStart.isEmpty() ? "Monday" : weekStart;
        QCOMPARE((shown == "Monday" ? m_window->optMonday : m_window->optSunday)->isChecked(), true);
        QCOMPARE(firstWeekdayShown(), shown);
        QCOMPARE(TestSupport::readSetting("Week Start"), shown);
        QCOMPARE(m_window->toolbarButton("Css")->text(), QString("Orange"));
        QStringList entries;
        for (QAction* entry : m_window->styleMenu()->actions())
            entries << entry->text();
        QCOMPARE(entries, modCalendar::StyleNames());
        QVERIFY(m_window->toolbarButton("Save")->isEnabled());
        QVERIFY(m_window->toolbarButton("Css")->isEnabled());
        QCOMPARE(m_window->toolbarButton("Print")->isEnabled(), printers > 0);
        QCOMPARE(m_window->toolbarButton("Setup")->isEnabled(), printers > 0);
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "frmProgress")
                QVERIFY(!widget->isVisible());

        // The other week start writes the pages anew and shows this month again.
        const QString other = shown == "Monday" ? "Sunday" : "Monday";
        const QByteArray before = TestSupport::readFile(modCalendar::PagePath(m_year + 1, 6));
        QTest::mouseClick(shown == "Monday" ? m_window->optSunday : m_window->optMonday, Qt::LeftButton);
        QCOMPARE(TestSupport::readSetting("Week Start"), other);
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QCOMPARE(firstWeekdayShown(), other);
        QVERIFY(TestSupport::readFile(modCalendar::PagePath(m_year + 1, 6)) != before);

        // Another style keeps the pages as they are.
        const QByteArray page = TestSupport::readFile(thisMonthsPage());
        const QDateTime written = QFileInfo(thisMonthsPage()).lastModified();
        const QString orange = CellColour(*m_window->wbrCalendar, firstWeekdayShown());
        const int ocean = entries.indexOf("Ocean");
        QVERIFY(ocean >= 0);
        m_window->styleMenu()->actions().at(ocean)->trigger();
        QCOMPARE(m_window->toolbarButton("Css")->text(), QString("Ocean"));
        QCOMPARE(TestSupport::readSetting("Css Calendar"), QString("Ocean"));
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()),
                 TestSupport::readFile(modCalendar::StyleFile("Ocean")));
        QCOMPARE(TestSupport::readFile(thisMonthsPage()), page);
        QCOMPARE(QFileInfo(thisMonthsPage()).lastModified(), written);
        // The shown month takes the new look, and its links still lead on.
        const QString oceanColour = CellColour(*m_window->wbrCalendar, firstWeekdayShown());
        QVERIFY(oceanColour != orange);
        const QString nextYear = modCalendar::PageFileName(m_year + 1, m_month);
        TestSupport::clickLink(m_window->wbrCalendar, nextYear);
        QTRY_COMPARE(m_window->wbrCalendar->CurrentPath(), modEnvironment::TempFolder() + nextYear);
        QCOMPARE(CellColour(*m_window->wbrCalendar, firstWeekdayShown()), oceanColour);
    }

    // In every shipped style the grid spans the viewer in seven equal days, even beside a long unbroken name.
    void gridFillsTheWidthInEqualDays_data()
    {
        QTest::addColumn<QString>("style");
        for (const QString& style : modCalendar::StyleNames())
            QTest::newRow(qPrintable(style)) << style;
    }
    void gridFillsTheWidthInEqualDays()
    {
        QFETCH(QString, style);
        addPersons({{2, QString(100, 'W'), TestSupport::FixedToday().addYears(-20)}});
        TestSupport::writeSetting("Css Calendar", style);
        openWindow();
        QTextDocument* document = m_window->wbrCalendar->document();
        QTextTable* grid = document->find(firstWeekdayShown()).currentTable();
        QVERIFY(grid);
        QCOMPARE(grid->columns(), 7);
        QList<qreal> lefts;
        for (int column = 0; column < 7; ++column)
            lefts << document->documentLayout()
                         ->blockBoundingRect(grid->cellAt(0, column).firstCursorPosition().block())
                         .left();
        const qreal day = (lefts.last() - lefts.first()) / 6;
        for (int column = 1; column < 7; ++column)
            QVERIFY2(qAbs(lefts.at(column) - lefts.at(column - 1) - day) < 3,
                     qPrintable(QString::asprintf("column %d starts at %g, the days are %g wide", column,
                                                  double(lefts.at(column)), double(day))));
        QVERIFY2(7 * day > 0.85 * m_window->wbrCalendar->viewport()->width(), qPrintable(QString::number(day)));
    }

    // A page that cannot be written, or an engine error, is shown once.
    void errorsAreShown()
    {
        const QString blocked = modCalendar::PagePath(m_year + 1, 12);
        QVERIFY(QDir().mkpath(blocked + "/inside"));
        m_platform->expectMessage();
        openWindow();
        QVERIFY(QDir(blocked).removeRecursively());
        for (const char* table : {"Phone", "Email", "Person"})
            runSql(QString("DROP TABLE ") + table);
        m_platform->expectMessage();
        openWindow();
        const auto messages = m_platform->messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages.at(0).title == "Error" && messages.at(1).title == "Error");
        QVERIFY(messages.at(0).text.contains(blocked));
    }

    // Box 0 of a year ticks or clears its months. Cancel or no folder saves nothing; saving again asks
    // before each existing file, the style sheet first; a missing folder is reported, not made.
    void saveChosenMonths()
    {
        openWindow();
        runSaveDialog([&](frmCalendarSelection* dialog) {
            QCOMPARE(QStringList({dialog->fraPrevious->title(), dialog->fraCurrent->title(), dialog->fraNext->title(),
                                  dialog->chkNext.at(1)->text(), dialog->chkCurrent.at(0)->text()}),
                     QStringList({QString::number(m_year - 1), QString::number(m_year), QString::number(m_year + 1),
                                  "January", ""}));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(!dialog->chkPrevious.at(month)->isChecked() && dialog->chkCurrent.at(month)->isChecked() &&
                        !dialog->chkNext.at(month)->isChecked());
            QCOMPARE(dialog->focusWidget(), dialog->cmdOK);
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        });
        QVERIFY(m_platform->callsOf("directory").isEmpty());
        m_platform->expectDirectory(QString());
        runSaveDialog([&](frmCalendarSelection* dialog) {
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        QCOMPARE(m_platform->callsOf("directory").size(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList({"Calendar"}, QDir::Dirs), QStringList());

        const QString folder = path("saved");
        QVERIFY(QDir().mkpath(folder));
        m_platform->expectDirectory(folder);
        runSaveDialog([&](frmCalendarSelection* dialog) {
            ClickBox(dialog->chkNext.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(dialog->chkNext.at(month)->isChecked());
            // Box 0 of this year is clear, so the first click ticks all and the second clears all.
            ClickBox(dialog->chkCurrent.at(0));
            ClickBox(dialog->chkCurrent.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(!dialog->chkCurrent.at(month)->isChecked());
            ClickBox(dialog->chkPrevious.at(3));
            QVERIFY(!dialog->chkPrevious.at(0)->isChecked());
            const modCalendar::MonthSelection chosen = dialog->Selection();
            QVERIFY(chosen[0][2] && !chosen[0][3] && chosen[2][0] && chosen[2][11] && !chosen[1][0]);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        QStringList expected{"calendar.css", modCalendar::PageFileName(m_year - 1, 3)};
        for (int month = 1; month <= 12; ++month)
            expected << modCalendar::PageFileName(m_year + 1, month);
        expected.sort();
        QCOMPARE(QDir(folder + "/Calendar").entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/calendar.css"),
                 TestSupport::readFile(modCalendar::StyleFile("Orange")));

        m_platform->expectDirectory(folder);
        m_platform->expectMessage(Platform::Answer::No);
        m_platform->expectMessage(Platform::Answer::Yes);
        QVERIFY(TestSupport::writeFile(folder + "/Calendar/calendar.css", "mine"));
        QVERIFY(TestSupport::writeFile(folder + "/Calendar/" + expected.at(0), "old"));
        runSaveDialog([&](frmCalendarSelection* dialog) {
            ClickBox(dialog->chkCurrent.at(0));
            ClickBox(dialog->chkCurrent.at(0));
            dialog->chkPrevious.at(3)->setChecked(true);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        const QList<ScriptedPlatform::Call> questions = m_platform->messages();
        QCOMPARE(questions.size(), 2);
        QVERIFY(questions.at(0).icon == Platform::Icon::Question &&
                questions.at(0).buttons == Platform::Buttons::YesNo);
        QCOMPARE(questions.at(0).title + ": " + questions.at(0).text,
                 "Error: File already exists:\n" + folder + "/Calendar/calendar.css\n\nReplace?");
        QVERIFY(questions.at(1).text.contains(expected.at(0)));
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/calendar.css"), QByteArray("mine"));
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/" + expected.at(0)),
                 TestSupport::readFile(modEnvironment::TempFolder() + expected.at(0)));

        m_platform->expectDirectory(path("not there"));
        m_platform->expectMessage();
        runSaveDialog([](frmCalendarSelection* dialog) { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); });
        QVERIFY(m_platform->messages().constLast().text.contains(path("not there")));
        QVERIFY(!QFileInfo::exists(path("not there")));
    }

    void progressWindowShowsAndRestores()
    {
        QWidget caller;
        caller.show();
        QVERIFY(QTest::qWaitForWindowExposed(&caller));
        frmProgress progress(&caller);
        progress.Begin(5);
        QVERIFY(progress.isVisible());
        QVERIFY(!progress.isModal());
        QCOMPARE(progress.pbProgress->maximum(), 5);
        QCOMPARE(progress.pbProgress->value(), 0);
        QCOMPARE(caller.cursor().shape(), Qt::WaitCursor);
        progress.Step();
        progress.Step();
        QCOMPARE(progress.pbProgress->value(), 2);
        progress.End();
        QVERIFY(!progress.isVisible());
        QCOMPARE(caller.cursor().shape(), Qt::ArrowCursor);
    }

    void openedFromTheMainWindowOnce()
    {
        modDatabase::CloseDatabase(false);
        frmMain main(path("home.mdb"));
        RegisterWindows(main);
        main.Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        control<QAction>(&main, "mnuActionCalendar")->trigger();
        auto* window = main.findChild<frmCalendar*>("frmCalendar");
        QVERIFY(window);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QCOMPARE(window->wbrCalendar->CurrentPath(), thisMonthsPage());
        main.toolbarButton("Calendar")->trigger();
        QCOMPARE(main.findChildren<frmCalendar*>().size(), 1);
        // Closing removes its files, and only those.
        QVERIFY(TestSupport::writeFile(modEnvironment::TempFolder() + "Addrion.txt", "export"));
        QPointer<frmCalendar> closing(window);
        window->close();
        QTRY_VERIFY(closing.isNull());
        QCOMPARE(calendarFilesInTemp(), QStringList());
        QVERIFY(QFileInfo::exists(modEnvironment::TempFolder() + "Addrion.txt"));
        modDatabase::CloseDatabase(false);
        main.close();
        m_platform->clear();
    }

    // A page loads with the style sheet beside it, a missing file not at all; printing asks for the
    // printer first; Refresh reads page and sheet again and keeps the place; plain text shows as text.
    void viewerNavigates()
    {
        HtmlViewer& view = viewer();
        QSignalSpy loaded(&view, &HtmlViewer::documentLoaded);
        view.Navigate(path("202401.htm"));
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.at(0).at(0).toUrl(), QUrl::fromLocalFile(path("202401.htm")));
        QCOMPARE(view.CurrentPath(), path("202401.htm"));
        QVERIFY(view.toPlainText().contains("Ärger & Co"));
        QCOMPARE(CellColour(view, "Co"), QString("#ff8800"));
        view.Navigate(path("199901.htm"));
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(view.CurrentPath(), path("202401.htm"));
        view.printer()->setOutputFormat(QPrinter::PdfFormat);
        for (const bool accept : {false, true}) {
            view.printer()->setOutputFileName(path(accept ? "printed.pdf" : "cancelled.pdf"));
            const auto seen = TestSupport::onModal<QPrintDialog>(
                [accept](QPrintDialog* dialog) { accept ? dialog->accept() : dialog->reject(); });
            QCOMPARE(view.Print(), accept);
            QVERIFY(*seen);
        }
        QVERIFY(!QFileInfo::exists(path("cancelled.pdf")));
        QVERIFY(TestSupport::readFile(path("printed.pdf")).startsWith("%PDF"));

        QString rows = "<table><tr><td class=\"day\">Rewritten</td></tr></table>\r\n";
        for (int i = 0; i < 200; ++i)
            rows += QString("<p>Line %1</p>\r\n").arg(i);
        QVERIFY(TestSupport::writeFile(path("calendar.css"), "td.day { background-color: #2e6da4; }"));
        QVERIFY(TestSupport::writeFile(path("202401.htm"), Page(rows)));
        view.Refresh();
        QCOMPARE(loaded.size(), 2);
        QCOMPARE(CellColour(view, "Rewritten"), QString("#2e6da4"));
        QScrollBar* bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        bar->setValue(bar->maximum() / 2);
        const int place = bar->value();
        view.Refresh();
        QCOMPARE(bar->value(), place);

        QVERIFY(TestSupport::writeFile(path("Addrion.txt"), "-----------\r\n<b>Anna</b> & Bob\r\n"));
        view.Navigate(path("Addrion.txt"));
        QCOMPARE(loaded.size(), 4);
        QVERIFY(view.toPlainText().contains("<b>Anna</b> & Bob"));
    }

    // A link to a page beside is followed in place; anything else opens in the desktop's program.
    void viewerLinks_data()
    {
        QTest::addColumn<QString>("href");
        addRow("page beside", "202402.htm");
        addRow("web", "https://example.org/x");
        addRow("system file", "file:///etc/passwd");
        addRow("out of the folder", "../202402.htm");
        addRow("into a folder below", "sub/202402.htm");
        addRow("not a page", "notes.txt");
    }
    void viewerLinks()
    {
        QFETCH(QString, href);
        HtmlViewer& view = viewer();
        QVERIFY(TestSupport::writeFile(path("sub/202402.htm"), Page("<p>Below</p>")));
        QVERIFY(TestSupport::writeFile(path("notes.txt"), "not written by the program"));
        QVERIFY(TestSupport::writeFile(path("links.htm"), Page("<p><a href=\"" + href + "\">Link</a></p>")));
        view.Navigate(path("links.htm"));
        QSignalSpy loaded(&view, &HtmlViewer::documentLoaded);
        TestSupport::clickLink(&view, href);
        if (href == "202402.htm") {
            QTRY_COMPARE(loaded.size(), 1);
            QCOMPARE(view.CurrentPath(), path("202402.htm"));
            QVERIFY(view.toPlainText().contains("Second page"));
            QVERIFY(m_platform->callsOf("url").isEmpty());
            return;
        }
        QTRY_COMPARE(m_platform->callsOf("url").size(), 1);
        QCOMPARE(m_platform->callsOf("url").at(0).text,
                 QUrl::fromLocalFile(path("links.htm")).resolved(QUrl(href)).toString());
        QCOMPARE(view.CurrentPath(), path("links.htm"));
        QVERIFY(view.toPlainText().contains("Link"));
    }

    // Lines end in CR LF, however many and long; an old file goes first, leaving nothing behind them.
    void lineWriterWritesLinesWithCrLf()
    {
        const QString file = path("writer.txt");
        QVERIFY(TestSupport::writeFile(file, QByteArray(100000, 'o')));
        const QStringList lines = QStringList{"<html>", "", "\tÄrger & Co"} + QStringList(80, QString(999, 'x'));
        LineWriter writer;
        QVERIFY2(writer.Start(file), qPrintable(writer.ErrorString()));
        QVERIFY(!QFileInfo::exists(file));
        for (const QString& line : lines) {
            writer.WriteLine(line);
            QVERIFY(writer.BufferedLength() <= LineWriter::FlushThreshold);
        }
        QVERIFY2(writer.Finish(), qPrintable(writer.ErrorString()));
        QVERIFY(writer.FlushCount() > 1); // handed on in parts, never all at once
        QCOMPARE(TestSupport::readFile(file), (lines.join("\r\n") + "\r\n").toUtf8());
        // Pages hold personal data: only their owner may read them, whichever folder they are in.
        QCOMPARE(int(QFileInfo(file).permissions() & 0x7077), int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

        // A file that cannot be made is reported, and nothing more is tried.
        const QString missing = path("missing folder/page.htm");
        LineWriter failing;
        QVERIFY(!failing.Start(missing));
        QVERIFY(failing.ErrorString().contains(missing));
        failing.WriteLine("text");
        QVERIFY(!failing.Finish());
        QVERIFY(!QFileInfo::exists(missing));
    }

    // Whole weeks: 0 for each day of another month, before the first day and after the last.
    void weekRows_data()
    {
        TestSupport::addColumns<int, int, WeekStart, int, int>("year", "month", "weekStart", "before", "rowCount");
        addRow("Sunday first, Monday start", 2025, 6, WeekStart::Monday, 6, 6);
        addRow("Sunday first, Sunday start", 2025, 6, WeekStart::Sunday, 0, 5);
        addRow("leap February", 2024, 2, WeekStart::Monday, 3, 5);
        addRow("short February", 2023, 2, WeekStart::Monday, 2, 5);
        addRow("four full weeks", 2015, 2, WeekStart::Sunday, 0, 4);
        addRow("Monday first, Sunday start", 2024, 1, WeekStart::Sunday, 1, 5);
    }
    void weekRows()
    {
        auto [year, month, weekStart, before, rowCount] =
            TestSupport::fetch<int, int, WeekStart, int, int>("year", "month", "weekStart", "before", "rowCount");
        QList<int> expected(before, 0);
        for (int day = 1; day <= QDate(year, month, 1).daysInMonth(); ++day)
            expected << day;
        expected.resize(rowCount * 7);
        QList<int> cells;
        for (const QList<int>& row : modCalendar::WeekRows(year, month, weekStart)) {
            QCOMPARE(row.size(), 7);
            cells << row;
        }
        QCOMPARE(cells, expected);
    }

    void birthdayRows_data()
    {
        TestSupport::addColumns<int, int, int, QStringList>("year", "month", "day", "rows");
        addRow("four on one day, by name", 2024, 5, 17,
               QStringList{"anna Alt (34)", "Bob Bauer (54)", "Carla No Year", "Émile Ernst (24)", "Zoë Zimmer (44)"});
        addRow("escaped name", 2024, 6, 1, QStringList{"Tom &amp; Jerry &lt;TV&gt; (44)", "Year Wins (64)", Filler});
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
        usePages();
        auto [year, month, day] = TestSupport::fetch<int, int, int>("year", "month", "day");
        generate();
        QStringList rows{"no such day"};
        for (const Cell& cell : GridCells(PageLines(year, month)))
            if (cell.day == day)
                rows = cell.rows;
        QTEST(rows, "rows");
    }

    // Three years of pages, valid XHTML in any language, with the chosen style sheet; grids follow the
    // week start. A person shows only in their birthday's month, one without a date nowhere; without
    // a database every day has filler rows.
    void pages_data()
    {
        TestSupport::addColumns<QLocale, WeekStart, bool, QString>("locale", "weekStart", "database", "firstWeekday");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        addRow("English, Monday", english, WeekStart::Monday, true, "Monday");
        addRow("German, Sunday", QLocale(QLocale::German, QLocale::Germany), WeekStart::Sunday, true, "Sonntag");
        addRow("no database", english, WeekStart::Monday, false, "Monday");
    }
    void pages()
    {
        usePages();
        auto [locale, weekStart, database, firstWeekday] =
            TestSupport::fetch<QLocale, WeekStart, bool, QString>("locale", "weekStart", "database", "firstWeekday");
        if (!database)
            modDatabase::CloseDatabase(false);
        RecordingProgress progress;
        QCOMPARE(modCalendar::GenerateCalendar(&progress, options(weekStart, locale)), QString());
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 37"}));
        QStringList files{"calendar.css"};
        QStringList xmllint{"--valid", "--nonet", "--noout"};
        for (int year = Year - 1; year <= Year + 1; ++year)
            for (int month = 1; month <= 12; ++month) {
                files << modCalendar::PageFileName(year, month);
                xmllint << modCalendar::PagePath(year, month);
                const QStringList lines = PageLines(year, month);
                const QString page = lines.join('\n');
                QVERIFY2(!page.contains("No Date"), "a person without a date of birth is listed");
                QCOMPARE(page.contains("Leap Day"), database && year == 2024 && month == 2);
                QCOMPARE(page.contains("New Born"), database && month == 3);
                QList<int> days;
                for (const Cell& cell : GridCells(lines)) {
                    days << cell.day;
                    if (cell.day && !database)
                        QCOMPARE(cell.rows, (QStringList{Filler, Filler, Filler}));
                    else if (cell.day)
                        QVERIFY2(cell.rows.size() >= 3, "a day cell with fewer than three rows");
                }
                QList<int> expected;
                for (const QList<int>& row : modCalendar::WeekRows(year, month, weekStart))
                    expected << row;
                QCOMPARE(days, expected);
            }
        files.sort();
        QCOMPARE(calendarFilesInTemp(), files);
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), QByteArray("/* Orange */"));
        const TestSupport::ChildRun valid =
            TestSupport::runChild("xmllint", xmllint, QProcessEnvironment::systemEnvironment(), 120000);
        QCOMPARE(QString::fromUtf8(valid.errors), QString());
        QCOMPARE(valid.exitCode, 0);

        const QStringList lines = PageLines(2025, 6);
        QCOMPARE(lines.at(0), QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lines.constLast(), QString("</html>"));
        QCOMPARE(lines.at(lines.indexOf("\t\t\t<td class=\"weekday\">") + 1), "\t\t\t\t" + firstWeekday);
        for (const QString& line :
             {"\t\tBirthday Calendar - " + locale.monthName(6) + " 2025",
              QString("\t<link href=\"calendar.css\" rel=\"stylesheet\" type=\"text/css\" media=\"all\" />"),
              "\t<meta name=\"generator\" content=\"" + TestSupport::programTitle() + "\" />",
              QString("\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202306.htm\">2023</a>"),
              QString("\t\t\t\t<a class=\"yearnotdisplayed\" href=\"202406.htm\">2024</a>"),
              QString("\t\t\t\t<a class=\"yeardisplayed\" href=\"202506.htm\">2025</a>"),
              "\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202501.htm\">" + locale.monthName(1) + "</a>",
              "\t\t\t\t<a class=\"monthdisplayed\" href=\"202506.htm\">" + locale.monthName(6) + "</a>",
              "\t\t\t\t<a class=\"monthnotdisplayed\" href=\"202512.htm\">" + locale.monthName(12) + "</a>"})
            QVERIFY2(lines.contains(line), qPrintable(line));
    }

    void brokenDatabaseEndsTheRun()
    {
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(path("broken.mdb"))));
        for (const char* table : {"Phone", "Email", "Person"})
            runSql(QString("DROP TABLE ") + table);
        RecordingProgress progress;
        QVERIFY(EngineTest::failureOf([&] { modCalendar::GenerateCalendar(&progress, options()); }).has_value());
        // The progress window closes also when the run breaks off.
        QCOMPARE(progress.events, (QStringList{"begin 37", "end after 1"}));
    }

    void styleSheetChoice_data()
    {
        TestSupport::addColumns<QStringList, QString, QByteArray, QString>("styles", "stored", "copied", "storedAfter");
        addRow("stored style exists", QStringList{"Orange", "Blue"}, "Orange", QByteArray("/* Orange */"), "Orange");
        addRow("missing style: first in the listing", QStringList{"Orange", "Blue"}, "Gone", QByteArray("/* Blue */"),
               "Blue");
        addRow("nothing stored", QStringList{"Orange", "Blue"}, "", QByteArray("/* Blue */"), "Blue");
        addRow("no style at all", QStringList{}, "Orange", QByteArray(), "Orange");
    }
    void styleSheetChoice()
    {
        usePages();
        auto [styles, stored, copied] =
            TestSupport::fetch<QStringList, QString, QByteArray>("styles", "stored", "copied");
        writeStyles(styles);
        TestSupport::writeSetting("Css Calendar", stored);
        QVERIFY(TestSupport::writeFile(modCalendar::StyleSheetPath(), "/* left over */"));
        generate();
        QCOMPARE(QFileInfo::exists(modCalendar::StyleSheetPath()), !copied.isEmpty());
        QCOMPARE(TestSupport::readFile(modCalendar::StyleSheetPath()), copied);
        QTEST(TestSupport::readSetting("Css Calendar"), "storedAfter");
        QVERIFY(QFileInfo::exists(modCalendar::PagePath(Year, 1)));
    }
};

ADDRION_TEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
