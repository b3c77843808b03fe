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
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextBlock>
#include <QTextTable>
#include <QToolBar>

// The calendar window and its save dialog, offscreen, on a real database and the
// style sheets that ship with the program.
class TestFrmCalendar : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmCalendar> m_window;
    int m_year = QDate::currentDate().year();
    int m_month = QDate::currentDate().month();

    QString thisMonthsPage() const { return modCalendar::PagePath(m_year, m_month); }

    static QStringList calendarFilesInTemp()
    {
        return QDir(modEnvironment::TempFolder())
            .entryList({QStringLiteral("*.htm"), QStringLiteral("calendar.css")}, QDir::Files);
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

    QString weekdayHeaderColour() const
    {
        const QTextCursor found = m_window->wbrCalendar->document()->find(firstWeekdayShown());
        if (found.isNull() || !found.currentTable())
            return QStringLiteral("no header");
        return found.currentTable()->cellAt(found).format().background().color().name();
    }

    // Clicks a check box where its tick is, as a user does.
    static void clickBox(QCheckBox* box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    }

    // Runs the Save button; the dialog it opens modally is handed to work.
    void runSaveDialog(const std::function<void(frmCalendarSelection*)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<frmCalendarSelection*>(QApplication::activeModalWidget());
            seen = dialog != nullptr;
            if (!dialog)
                return;
            work(dialog);
            // A failed check must not leave the dialog waiting.
            if (dialog->isVisible())
                dialog->reject();
        });
        m_window->toolbarButton("Save")->trigger();
        QVERIFY(seen);
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
        QVERIFY(modDatabase::NewDatabase(m_dir->filePath("home.mdb")));
        addPersons({{1, "Anna Ärger", QDate::currentDate().addYears(-30)}});
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    void openingShowsThisMonth()
    {
        openWindow();
        QCOMPARE(calendarFilesInTemp().size(), 37);
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QVERIFY(m_window->wbrCalendar->toPlainText().contains(QString::fromUtf8("Anna Ärger (30)")));
        QVERIFY(m_window->optMonday->isChecked());
        QCOMPARE(modSettings::ReadSetting("Week Start"), QString("Monday"));
        QCOMPARE(m_window->toolbarButton("Css")->text(), QString("Orange"));
        QStringList entries;
        for (QAction* entry : m_window->styleMenu()->actions())
            entries << entry->text();
        QCOMPARE(entries, modCalendar::StyleNames());
        // No progress window is left behind.
        QTRY_VERIFY(!QApplication::topLevelWidgets().isEmpty());
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "frmProgress")
                QVERIFY(!widget->isVisible());
    }

    void buttonsFollowThePrinters_data()
    {
        QTest::addColumn<int>("printers");
        QTest::newRow("no printer") << 0;
        QTest::newRow("one printer") << 1;
    }
    void buttonsFollowThePrinters()
    {
        QFETCH(int, printers);
        m_platform->setPrinterCount(printers);
        openWindow();
        QVERIFY(m_window->toolbarButton("Save")->isEnabled());
        QVERIFY(m_window->toolbarButton("Css")->isEnabled());
        QCOMPARE(m_window->toolbarButton("Print")->isEnabled(), printers > 0);
        QCOMPARE(m_window->toolbarButton("Setup")->isEnabled(), printers > 0);
    }

    void storedSundayStartIsUsed()
    {
        modSettings::WriteSetting("Week Start", "Sunday");
        openWindow();
        QVERIFY(m_window->optSunday->isChecked());
        QCOMPARE(firstWeekdayShown(), QString("Sunday"));
    }

    void weekStartChangeRegeneratesAndReloads()
    {
        openWindow();
        QCOMPARE(firstWeekdayShown(), QString("Monday"));
        const QByteArray before = TestSupport::readFile(modCalendar::PagePath(m_year + 1, 6));
        QTest::mouseClick(m_window->optSunday, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Week Start"), QString("Sunday"));
        QCOMPARE(m_window->wbrCalendar->CurrentPath(), thisMonthsPage());
        QCOMPARE(firstWeekdayShown(), QString("Sunday"));
        QVERIFY(TestSupport::readFile(modCalendar::PagePath(m_year + 1, 6)) != before);
        QTest::mouseClick(m_window->optMonday, Qt::LeftButton);
        QCOMPARE(modSettings::ReadSetting("Week Start"), QString("Monday"));
        QCOMPARE(firstWeekdayShown(), QString("Monday"));
    }

    void styleChangeKeepsThePages()
    {
        openWindow();
        const QByteArray page = TestSupport::readFile(thisMonthsPage());
        const QDateTime written = QFileInfo(thisMonthsPage()).lastModified();
        const QString orange = weekdayHeaderColour();
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
        const QString oceanColour = weekdayHeaderColour();
        QVERIFY(oceanColour != orange);
        const QString nextYear = modCalendar::PageFileName(m_year + 1, m_month);
        TestSupport::clickLink(m_window->wbrCalendar, nextYear);
        QTRY_COMPARE(m_window->wbrCalendar->CurrentPath(), modEnvironment::TempFolder() + nextYear);
        QCOMPARE(weekdayHeaderColour(), oceanColour);
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
        const QTextCursor header = document->find(firstWeekdayShown());
        QTextTable* grid = header.currentTable();
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
                     qPrintable(QString("column %1 starts at %2, the days are %3 wide")
                                    .arg(column)
                                    .arg(lefts.at(column))
                                    .arg(day)));
        QVERIFY2(7 * day > 0.85 * m_window->wbrCalendar->viewport()->width(), qPrintable(QString::number(day)));
    }

    void closingRemovesTheFiles()
    {
        openWindow();
        QVERIFY(TestSupport::writeFile(modEnvironment::TempFolder() + "Addrion.txt", "export"));
        m_window->close();
        QCOMPARE(calendarFilesInTemp(), QStringList());
        QVERIFY(QFileInfo::exists(modEnvironment::TempFolder() + "Addrion.txt"));
    }

    void engineErrorIsShownOnce()
    {
        modSql::ExecuteSql("DROP TABLE Phone");
        modSql::ExecuteSql("DROP TABLE Email");
        modSql::ExecuteSql("DROP TABLE Person");
        m_platform->expectMessage();
        openWindow();
        QCOMPARE(m_platform->messages().size(), 1);
        QCOMPARE(m_platform->messages().at(0).title, QString("Error"));
    }

    void writeFailureIsShown()
    {
        const QString blocked = modCalendar::PagePath(m_year + 1, 12);
        QVERIFY(QDir().mkpath(blocked + "/inside"));
        m_platform->expectMessage();
        openWindow();
        QVERIFY(QDir(blocked).removeRecursively());
        QCOMPARE(m_platform->messages().size(), 1);
        QCOMPARE(m_platform->messages().at(0).title, QString("Error"));
        QVERIFY(m_platform->messages().at(0).text.contains(blocked));
    }

    void selectionDefaultsAndYearBoxes()
    {
        openWindow();
        runSaveDialog([&](frmCalendarSelection* dialog) {
            QCOMPARE(dialog->fraPrevious->title(), QString::number(m_year - 1));
            QCOMPARE(dialog->fraCurrent->title(), QString::number(m_year));
            QCOMPARE(dialog->fraNext->title(), QString::number(m_year + 1));
            QCOMPARE(dialog->chkNext.at(1)->text(), QString("January"));
            QCOMPARE(dialog->chkCurrent.at(0)->text(), QString());
            for (int month = 1; month <= 12; ++month) {
                QVERIFY(!dialog->chkPrevious.at(month)->isChecked());
                QVERIFY(dialog->chkCurrent.at(month)->isChecked());
                QVERIFY(!dialog->chkNext.at(month)->isChecked());
            }
            QCOMPARE(dialog->focusWidget(), dialog->cmdOK);
            clickBox(dialog->chkNext.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(dialog->chkNext.at(month)->isChecked());
            // Box 0 of this year is clear, so the first click ticks all and the second clears all.
            clickBox(dialog->chkCurrent.at(0));
            clickBox(dialog->chkCurrent.at(0));
            for (int month = 1; month <= 12; ++month)
                QVERIFY(!dialog->chkCurrent.at(month)->isChecked());
            // A month box changes nothing else.
            clickBox(dialog->chkPrevious.at(3));
            QVERIFY(!dialog->chkPrevious.at(0)->isChecked());
            const modCalendar::MonthSelection chosen = dialog->Selection();
            QVERIFY(chosen[0][2] && !chosen[0][3] && chosen[2][0] && chosen[2][11] && !chosen[1][0]);
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        });
        QVERIFY(m_platform->callsOf("directory").isEmpty());
    }

    void saveChosenMonths()
    {
        openWindow();
        const QString folder = m_dir->filePath("saved");
        QVERIFY(QDir().mkpath(folder));
        m_platform->expectDirectory(folder);
        runSaveDialog([&](frmCalendarSelection* dialog) {
            clickBox(dialog->chkCurrent.at(0));
            clickBox(dialog->chkCurrent.at(0));
            clickBox(dialog->chkPrevious.at(3));
            clickBox(dialog->chkNext.at(12));
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
            clickBox(dialog->chkCurrent.at(0));
            clickBox(dialog->chkCurrent.at(0));
            dialog->chkPrevious.at(3)->setChecked(true);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        const QList<ScriptedPlatform::Call> questions = m_platform->messages();
        QCOMPARE(questions.size(), 2);
        QCOMPARE(questions.at(0).title, QString("Error"));
        QCOMPARE(questions.at(0).icon, Platform::Icon::Question);
        QCOMPARE(questions.at(0).buttons, Platform::Buttons::YesNo);
        QCOMPARE(questions.at(0).text, "File already exists:\n" + folder + "/Calendar/calendar.css\n\nReplace?");
        QVERIFY(questions.at(1).text.contains(expected.at(0)));
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/calendar.css"), QByteArray("mine"));
        QCOMPARE(TestSupport::readFile(folder + "/Calendar/" + expected.at(0)),
                 TestSupport::readFile(modEnvironment::TempFolder() + expected.at(0)));
    }

    void cancelledFolderSavesNothing()
    {
        openWindow();
        m_platform->expectDirectory(QString());
        bool closed = false;
        runSaveDialog([&](frmCalendarSelection* dialog) {
            connect(dialog, &QDialog::finished, this, [&closed] { closed = true; });
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        QVERIFY(closed);
        QCOMPARE(m_platform->callsOf("directory").size(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList({"Calendar"}, QDir::Dirs), QStringList());
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
        const QString path = modDatabase::DatabaseConnection().DataSource();
        modDatabase::CloseDatabase(false);
        frmMain main(path);
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
        QPointer<frmCalendar> closing(window);
        window->close();
        QTRY_VERIFY(closing.isNull());
        QCOMPARE(calendarFilesInTemp(), QStringList());
        modDatabase::CloseDatabase(false);
        main.close();
        m_platform->clear();
    }
};

ADDRION_TEST_MAIN(TestFrmCalendar)
#include "tst_frmcalendar.moc"
