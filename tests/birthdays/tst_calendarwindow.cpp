#include "DataColumns.h"
#include "MainWindowFixture.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/frmCalendar.h"
#include "birthdays/frmCalendarSelection.h"
#include "birthdays/frmProgress.h"
#include "birthdays/modCalendar.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"

#include <QAbstractTextDocumentLayout>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBlock>
#include <QTextTable>

using TestSupport::addRow;

namespace {

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

// The calendar window, its save dialog and its page viewer, offscreen, on a real
// database, real files and the style sheets that ship with the program.
class TestCalendarWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmCalendar> m_window;
    std::unique_ptr<HtmlViewer> m_viewer;
    int m_year = QDate::currentDate().year();
    int m_month = QDate::currentDate().month();

    QString thisMonthsPage() const { return modCalendar::PagePath(m_year, m_month); }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    static QStringList calendarFilesInTemp()
    {
        return QDir(modEnvironment::TempFolder()).entryList({"*.htm", "calendar.css"}, QDir::Files);
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
        TestSupport::writeFile(
            path("202401.htm"),
            Page("<p><a href=\"202402.htm\">February</a> <a href=\"https://example.org/x\">Away</a></p>\r\n"
                 "<table><tr><td class=\"day\">Ärger &amp; Co</td></tr></table>"));
        TestSupport::writeFile(path("202402.htm"), Page("<p>Second page</p>"));
        return *m_viewer;
    }

private slots:
    void initTestCase()
    {
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        QVERIFY(modCalendar::StyleNames().size() >= 3);
        QVERIFY(modCalendar::StyleNames().contains("Orange"));
    }
    void init()
    {
        TestSupport::clearSettings();
        modSettings::WriteSetting("Css Calendar", "Orange");
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(modDatabase::NewDatabase(path("home.mdb")));
        addPersons({{1, "Anna Ärger", QDate::currentDate().addYears(-30)}});
    }
    void cleanup()
    {
        m_window.reset();
        m_viewer.reset();
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    // The window opens on this month in the stored week start, with the buttons the
    // printers allow and no progress window left behind; the week start can change.
    void opening_data()
    {
        TestSupport::addColumns<int, QString>({"printers", "weekStart"});
        addRow("no printer, first run", 0, "");
        addRow("one printer, Sunday stored", 1, "Sunday");
    }
    void opening()
    {
        QFETCH(int, printers);
        QFETCH(QString, weekStart);
        m_platform->setPrinterCount(printers);
        if (!weekStart.isEmpty())
            modSettings::WriteSetting("Week Start", weekStart);
        openWindow();
        QCOMPARE(calendarFilesInTemp().size(), 37);
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QVERIFY(m_window->wbrCalendar->toPlainText().contains("Anna Ärger (30)"));
        const QString shown = weekStart.isEmpty() ? "Monday" : weekStart;
        QCOMPARE((shown == "Monday" ? m_window->optMonday : m_window->optSunday)->isChecked(), true);
        QCOMPARE(firstWeekdayShown(), shown);
        QCOMPARE(modSettings::ReadSetting("Week Start"), shown);
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
        QCOMPARE(modSettings::ReadSetting("Week Start"), other);
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QCOMPARE(firstWeekdayShown(), other);
        QVERIFY(TestSupport::readFile(modCalendar::PagePath(m_year + 1, 6)) != before);
    }

    void styleChangeKeepsThePages()
    {
        openWindow();
        const QByteArray page = TestSupport::readFile(thisMonthsPage());
        const QDateTime written = QFileInfo(thisMonthsPage()).lastModified();
        const QString orange = CellColour(*m_window->wbrCalendar, firstWeekdayShown());
        QAction* ocean = nullptr;
        for (QAction* entry : m_window->styleMenu()->actions())
            if (entry->text() == "Ocean")
                ocean = entry;
        QVERIFY(ocean);
        ocean->trigger();
        QCOMPARE(m_window->toolbarButton("Css")->text(), QString("Ocean"));
        QCOMPARE(modSettings::ReadSetting("Css Calendar"), QString("Ocean"));
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

    // In every shipped style the month grid spans the viewer in seven equal days, also
    // when a name without any blank is longer than a day is wide.
    void gridFillsTheWidthInEqualDays_data()
    {
        QTest::addColumn<QString>("style");
        for (const QString& style : modCalendar::StyleNames())
            QTest::newRow(qPrintable(style)) << style;
    }
    void gridFillsTheWidthInEqualDays()
    {
        QFETCH(QString, style);
        addPersons({{2, QString(100, 'W'), QDate::currentDate().addYears(-20)}});
        modSettings::WriteSetting("Css Calendar", style);
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

    void selectionDefaultsAndYearBoxes()
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
            ClickBox(dialog->chkNext.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(dialog->chkNext.at(month)->isChecked());
            // Box 0 of this year is clear, so the first click ticks all and the second clears all.
            ClickBox(dialog->chkCurrent.at(0));
            ClickBox(dialog->chkCurrent.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(!dialog->chkCurrent.at(month)->isChecked());
            // A month box changes nothing else.
            ClickBox(dialog->chkPrevious.at(3));
            QVERIFY(!dialog->chkPrevious.at(0)->isChecked());
            const modCalendar::MonthSelection chosen = dialog->Selection();
            QVERIFY(chosen[0][2] && !chosen[0][3] && chosen[2][0] && chosen[2][11] && !chosen[1][0]);
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        });
        QVERIFY(m_platform->callsOf("directory").isEmpty());

        // OK, then no folder chosen: the dialog closes and nothing is saved.
        m_platform->expectDirectory(QString());
        runSaveDialog([&](frmCalendarSelection* dialog) {
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
        });
        QCOMPARE(m_platform->callsOf("directory").size(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList({"Calendar"}, QDir::Dirs), QStringList());
    }

    void saveChosenMonths()
    {
        openWindow();
        const QString folder = path("saved");
        QVERIFY(QDir().mkpath(folder));
        m_platform->expectDirectory(folder);
        runSaveDialog([&](frmCalendarSelection* dialog) {
            ClickBox(dialog->chkCurrent.at(0));
            ClickBox(dialog->chkCurrent.at(0));
            ClickBox(dialog->chkPrevious.at(3));
            ClickBox(dialog->chkNext.at(12));
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        QStringList expected{"calendar.css", modCalendar::PageFileName(m_year - 1, 3),
                             modCalendar::PageFileName(m_year + 1, 12)};
        expected.sort();
        QCOMPARE(QDir(folder + "/Calendar").entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/calendar.css"),
                 TestSupport::readFile(modCalendar::StyleFile("Orange")));

        // The same again asks before each existing file, the style sheet first.
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
        main.mnuActionCalendar->trigger();
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

    // A page is loaded and announced, with the style sheet beside it; a file that is
    // not there loads nothing; plain text is shown as text.
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
        QVERIFY(TestSupport::writeFile(path("Addrion.txt"), "-----------\r\n<b>Anna</b> & Bob\r\n"));
        view.Navigate(path("Addrion.txt"));
        QCOMPARE(loaded.size(), 2);
        QVERIFY(view.toPlainText().contains("<b>Anna</b> & Bob"));
    }

    // A link to a page beside the shown one is followed in place; whatever else opens in
    // the desktop's own program, and the viewer keeps showing its page.
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

    // Refresh reads page and style sheet again, and keeps the place.
    void viewerRefreshes()
    {
        HtmlViewer& view = viewer();
        QString rows = "<table><tr><td class=\"day\">Rewritten</td></tr></table>\r\n";
        for (int i = 0; i < 200; ++i)
            rows += QString("<p>Line %1</p>\r\n").arg(i);
        view.Navigate(path("202401.htm"));
        QVERIFY(TestSupport::writeFile(path("calendar.css"), "td.day { background-color: #2e6da4; }"));
        QVERIFY(TestSupport::writeFile(path("202401.htm"), Page(rows)));
        QSignalSpy loaded(&view, &HtmlViewer::documentLoaded);
        view.Refresh();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(CellColour(view, "Rewritten"), QString("#2e6da4"));
        QScrollBar* bar = view.verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        bar->setValue(bar->maximum() / 2);
        const int place = bar->value();
        view.Refresh();
        QCOMPARE(bar->value(), place);
    }

    // Printing asks for the printer first; cancelled, nothing is printed.
    void viewerPrints()
    {
        HtmlViewer& view = viewer();
        view.Navigate(path("202401.htm"));
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
    }
};

ADDRION_TEST_MAIN(TestCalendarWindow)
#include "tst_calendarwindow.moc"
