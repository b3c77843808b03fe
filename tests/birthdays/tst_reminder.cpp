#include "MainWindowFixture.h"

#include "birthdays/frmReminder.h"
#include "birthdays/modReminder.h"
#include "birthdays/modReminderRun.h"

#include <QContextMenuEvent>
#include <QScopeGuard>

// The reminder's days, its rows from a real database, and its window offscreen.
class TestReminder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static void setDays(const QString& since, const QString& once1 = {}, const QString& once2 = {},
                        const QString& once3 = {})
    {
        const QStringList keys{"Reminder Since", "Reminder Once 1", "Reminder Once 2", "Reminder Once 3"};
        const QStringList values{since, once1, once2, once3};
        for (int i = 0; i < keys.size(); ++i) {
            if (values.at(i).isNull())
                modSettings::DeleteSetting(keys.at(i));
            else
                modSettings::WriteSetting(keys.at(i), values.at(i));
        }
    }

    // "key|date|name|age|red" for each row, the way the tests below expect them.
    static QStringList describe(const std::vector<modReminder::ReminderRow>& rows)
    {
        QStringList result;
        for (const modReminder::ReminderRow& row : rows)
            result << QStringList{row.key, modReminder::DateText(row.date), row.name, QString::number(row.age),
                                  row.today ? "red" : ""}
                          .join('|');
        return result;
    }
    static QStringList describe(const frmReminder& window)
    {
        QStringList result;
        for (int i = 0; i < window.RowCount(); ++i) {
            const QTreeWidgetItem* item = window.lvwReminder->topLevelItem(i);
            QStringList colours;
            for (int column = 0; column < 3; ++column)
                colours << item->foreground(column).color().name();
            result << QStringList{item->data(0, frmReminder::KeyRole).toString(), item->text(0), item->text(1),
                                  item->text(2), colours.join(',')}
                          .join('|');
        }
        return result;
    }

    std::unique_ptr<frmReminder> shownReminder(const QDate& today)
    {
        std::unique_ptr<frmReminder> window = modReminder::PrepareReminder(today);
        if (!window)
            return window;
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        return window;
    }

    void clickRow(frmReminder& window, int row)
    {
        const QRect rect = window.lvwReminder->visualItemRect(window.lvwReminder->topLevelItem(row));
        QTest::mouseClick(window.lvwReminder->viewport(), Qt::LeftButton, {}, rect.center());
    }

private slots:
    void initTestCase()
    {
        TestSupport::clearSettings();
        ScriptedPlatform platform;
        m_path = m_dir.filePath("birthdays.mdb");
        QVERIFY(modDatabase::NewDatabase(m_path));
        addPersons({{1, "Anna Ärger", QDate(1990, 12, 31)},
                    {2, "Bert", QDate(2000, 1, 1)},
                    {3, "Carl   ", QDate(1985, 1, 2)},
                    {4, "Dora", QDate(1970, 1, 3)},
                    {5, "Lea Leap", QDate(1992, 2, 29)},
                    {6, "Mia", QDate(1980, 3, 7)},
                    {7, "Nils", QDate(1995, 3, 10)},
                    {8, "Noah without a date", QDate()},
                    {9, "Baby", QDate(2024, 1, 1)},
                    {12, "Zoe", QDate(1988, 3, 7)}});
        modDatabase::CloseDatabase(false);
    }
    void init()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        modSettings::WriteSetting("Default database", m_path);
        modSettings::WriteSetting("Reminder Sound", "0");
        setDays({});
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    void reminderDays_data()
    {
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("once1");
        QTest::addColumn<QString>("once2");
        QTest::addColumn<QString>("once3");
        QTest::addColumn<QList<int>>("days");
        TestSupport::addRow("nothing set", "", "", "", "", QList<int>{});
        TestSupport::addRow("S = 2, O1 = 7", "2", "7", "", "", QList<int>{0, 1, 2, 7});
        TestSupport::addRow("S = 2, O1 = 10: numbers, not texts", "2", "10", "", "", QList<int>{0, 1, 2, 10});
        TestSupport::addRow("O1 = O2 = 5", "", "5", "5", "", QList<int>{5});
        TestSupport::addRow("S absent, O1 = 0", "", "0", "", "", QList<int>{0});
        TestSupport::addRow("S = 0", "0", "", "", "", QList<int>{0});
        TestSupport::addRow("once values sorted", "", "9", "3", "5", QList<int>{3, 5, 9});
        TestSupport::addRow("once values reversed", "", "30", "20", "10", QList<int>{10, 20, 30});
        TestSupport::addRow("first and last equal", "", "5", "3", "5", QList<int>{3, 5});
        TestSupport::addRow("all three equal", "", "4", "4", "4", QList<int>{4});
        TestSupport::addRow("gap in the middle", "", "8", "", "2", QList<int>{2, 8});
        TestSupport::addRow("inside the window not twice", "3", "2", "3", "4", QList<int>{0, 1, 2, 3, 4});
        TestSupport::addRow("texts that are not numbers", "two", "7 days", "2.5", " 6 ", QList<int>{6});
        TestSupport::addRow("S not a number, once still used", "x", "1", "", "", QList<int>{1});
        TestSupport::addRow("negative S lists no window", "-1", "", "", "", QList<int>{});
    }
    void reminderDays()
    {
        QFETCH(QString, since);
        QFETCH(QString, once1);
        QFETCH(QString, once2);
        QFETCH(QString, once3);
        const std::vector<int> result = modReminder::ReminderDays(since, once1, once2, once3);
        QTEST(QList<int>(result.begin(), result.end()), "days");
    }

    void birthdayRows_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("once1");
        QTest::addColumn<QString>("once2");
        QTest::addColumn<QStringList>("rows");
        TestSupport::addRow("31 December, S = 2: January ages use next year", QDate(2023, 12, 31), "2", "", "",
                            QStringList{"Person  1|Sunday 31 December|Anna Ärger|33|red",
                                        "Person  2|Monday 1 January|Bert|24|", "Person  9|Monday 1 January|Baby|0|",
                                        "Person  3|Tuesday 2 January|Carl|39|"});
        TestSupport::addRow("S = 2, O1 = 7", QDate(2023, 2, 28), "2", "7", "",
                            QStringList{"Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|"});
        TestSupport::addRow("S = 2, O1 = 10", QDate(2023, 2, 28), "2", "10", "",
                            QStringList{"Person  7|Friday 10 March|Nils|28|"});
        TestSupport::addRow("29 February in a leap year", QDate(2024, 2, 28), "1", "", "",
                            QStringList{"Person  5|Thursday 29 February|Lea Leap|32|"});
        TestSupport::addRow("no 29 February in other years", QDate(2023, 2, 27), "3", "", "", QStringList{});
        TestSupport::addRow("O1 = O2 = 5 lists the day once", QDate(2023, 3, 2), "", "5", "5",
                            QStringList{"Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|"});
        TestSupport::addRow(
            "S absent, O1 = 0: today in red", QDate(2023, 3, 7), "", "0", "",
            QStringList{"Person  6|Tuesday 7 March|Mia|43|red", "Person  12|Tuesday 7 March|Zoe|35|red"});
        TestSupport::addRow("a year and more: everyone once, on the first day found", QDate(2023, 1, 1), "400", "", "",
                            QStringList{"Person  2|Sunday 1 January|Bert|23|red",
                                        "Person  9|Sunday 1 January|Baby|-1|red", "Person  3|Monday 2 January|Carl|38|",
                                        "Person  4|Tuesday 3 January|Dora|53|", "Person  6|Tuesday 7 March|Mia|43|",
                                        "Person  12|Tuesday 7 March|Zoe|35|", "Person  7|Friday 10 March|Nils|28|",
                                        "Person  1|Sunday 31 December|Anna Ärger|33|"});
        TestSupport::addRow(
            "once value a year on repeats nobody", QDate(2023, 3, 7), "0", "366", "",
            QStringList{"Person  6|Tuesday 7 March|Mia|43|red", "Person  12|Tuesday 7 March|Zoe|35|red"});
        TestSupport::addRow("nobody due", QDate(2023, 6, 1), "5", "30", "", QStringList{});
    }
    void birthdayRows()
    {
        QFETCH(QDate, today);
        QFETCH(QString, since);
        QFETCH(QString, once1);
        QFETCH(QString, once2);
        QFETCH(QStringList, rows);
        QVERIFY(modDatabase::OpenDatabase(m_path));
        QCOMPARE(describe(modReminder::CollectBirthdays(modReminder::ReminderDays(since, once1, once2, ""), today)),
                 rows);
    }

    // A window longer than anyone would choose still ends, and still finds the
    // 29 February that only the coming years hold.
    void hugeWindowEnds()
    {
        QVERIFY(modDatabase::OpenDatabase(m_path));
        const auto rows =
            modReminder::CollectBirthdays(modReminder::ReminderDays("2147483647", "", "", ""), QDate(2023, 3, 1));
        QCOMPARE(int(rows.size()), 9);
        QVERIFY(describe(rows).contains("Person  5|Thursday 29 February|Lea Leap|32|"));
    }

    void closedDatabaseIsAnEngineError()
    {
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modReminder::CollectBirthdays({0, 1, 2}, QDate(2023, 12, 31)));
    }

    void windowShowsTheRows()
    {
        setDays("2");
        std::unique_ptr<frmReminder> window = modReminder::PrepareReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        const QString black = window->lvwReminder->topLevelItem(1)->foreground(0).color().name();
        QVERIFY(black != "#ff0000");
        QCOMPARE(describe(*window),
                 (QStringList{"Person  1|Sunday 31 December|Anna Ärger|33|#ff0000,#ff0000,#ff0000",
                              "Person  2|Monday 1 January|Bert|24|" + QStringList(3, black).join(','),
                              "Person  9|Monday 1 January|Baby|0|" + QStringList(3, black).join(','),
                              "Person  3|Tuesday 2 January|Carl|39|" + QStringList(3, black).join(',')}));
        QVERIFY(window->lvwReminder->selectedItems().isEmpty());
        QVERIFY(!window->cmdDetails->isEnabled());
        QVERIFY(modDatabase::IsDatabaseOpen());
    }

    // However long a name, date and age stay in view; the name is shortened and says
    // itself whole in its tool tip.
    void longNamesLeaveDateAndAgeInView_data()
    {
        QTest::addColumn<QString>("fontSize");
        QTest::newRow("font 8") << "8";
        QTest::newRow("font 10") << "10";
    }
    void longNamesLeaveDateAndAgeInView()
    {
        QFETCH(QString, fontSize);
        modSettings::WriteSetting("Font Size", fontSize);
        setDays("0");
        QVERIFY(modDatabase::OpenDatabase(m_path));
        addPersons({{13, QString(100, QChar(0x5B57)), QDate(1960, 6, 15)},
                    {14, "Maximiliane " + QString(88, 'W'), QDate(1961, 6, 15)}});
        modDatabase::CloseDatabase(false);
        const auto removeThem = qScopeGuard([this] {
            modDatabase::CloseDatabase(false);
            modDatabase::OpenDatabase(m_path);
            modSql::ExecuteSql("DELETE FROM Person WHERE Contactnr > 12");
            modDatabase::CloseDatabase(false);
        });
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 6, 15));
        QVERIFY(window);
        QCOMPARE(window->RowCount(), 2);
        QTreeWidget* list = window->lvwReminder;
        const int visible = list->viewport()->width();
        for (int row = 0; row < window->RowCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            QCOMPARE(item->toolTip(frmReminder::PersonColumn), item->text(frmReminder::PersonColumn));
            for (int column : {int(frmReminder::DateColumn), int(frmReminder::AgeColumn)}) {
                const QRect cell = list->visualRect(list->indexFromItem(item, column));
                QVERIFY2(cell.left() >= 0 && cell.right() < visible, qPrintable(QString("column %1 at %2..%3 of %4")
                                                                                    .arg(column)
                                                                                    .arg(cell.left())
                                                                                    .arg(cell.right())
                                                                                    .arg(visible)));
                QVERIFY(cell.width() >= list->fontMetrics().horizontalAdvance(item->text(column)));
            }
        }
    }

    void fontSizeApplies()
    {
        modSettings::WriteSetting("Font Size", "10");
        setDays("2");
        std::unique_ptr<frmReminder> window = modReminder::PrepareReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        QCOMPARE(window->lvwReminder->font().pointSize(), 10);
    }

    void nothingDueEndsAtOnce()
    {
        setDays("5", "30");
        QVERIFY(!modReminder::PrepareReminder(QDate(2023, 6, 1)));
        QVERIFY(!modDatabase::IsDatabaseOpen());
        setDays({});
        QVERIFY(!modReminder::PrepareReminder(QDate(2023, 12, 31)));
    }

    void missingDefaultDatabaseEndsAfterItsMessage()
    {
        setDays("2");
        modSettings::WriteSetting("Default database", m_dir.filePath("gone.mdb"));
        m_platform->expectMessage();
        QVERIFY(!modReminder::PrepareReminder(QDate(2023, 12, 31)));
        QCOMPARE(m_platform->messages().size(), 1);
        QVERIFY(m_platform->messages().constFirst().text.contains("gone.mdb"));
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    // Every way to ask for details starts the program for the chosen row's person.
    void detailsStartsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("button") << "button";
        QTest::newRow("double click") << "double click";
        QTest::newRow("Enter key") << "enter";
        QTest::newRow("popup menu") << "popup";
    }
    void detailsStartsTheProgram()
    {
        QFETCH(QString, how);
        setDays("2");
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        clickRow(*window, 3);
        QVERIFY(window->cmdDetails->isEnabled());
        const QRect rect = window->lvwReminder->visualItemRect(window->lvwReminder->topLevelItem(3));
        if (how == "button") {
            QTest::mouseClick(window->cmdDetails, Qt::LeftButton);
        } else if (how == "double click") {
            QTest::mouseDClick(window->lvwReminder->viewport(), Qt::LeftButton, {}, rect.center());
        } else if (how == "enter") {
            QTest::keyClick(window->lvwReminder, Qt::Key_Return);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                                    window->lvwReminder->viewport()->mapToGlobal(rect.center()));
            QCoreApplication::sendEvent(window->lvwReminder->viewport(), &event);
            QTRY_VERIFY(window->mnuPopupReminder->isVisible());
            window->mnuPopupDetails->trigger();
            window->mnuPopupReminder->close();
        }
        const QList<ScriptedPlatform::Call> started = m_platform->callsOf("start");
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.constFirst().text, QCoreApplication::applicationFilePath());
        QCOMPARE(started.constFirst().arguments, QStringList{"/Person  3"});
        QCOMPARE(started.constFirst().title, QString("minimised"));
        QVERIFY(window->isVisible());
        QVERIFY(modDatabase::IsDatabaseOpen());
    }

    void detailsWithoutARowDoesNothing()
    {
        setDays("2");
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        window->lvwReminder->setFocus();
        QTest::keyClick(window->lvwReminder, Qt::Key_Return);
        window->mnuPopupDetails->trigger();
        QVERIFY(m_platform->callsOf("start").isEmpty());
        QVERIFY(window->isVisible());
    }

    void soundWhenTheWindowBecomesActive_data()
    {
        QTest::addColumn<QString>("sound");
        QTest::addColumn<int>("played");
        QTest::newRow("on") << "1" << 1;
        QTest::newRow("off") << "0" << 0;
        QTest::newRow("never set") << "" << 0;
    }
    void soundWhenTheWindowBecomesActive()
    {
        QFETCH(QString, sound);
        QFETCH(int, played);
        setDays("2");
        modSettings::WriteSetting("Reminder Sound", sound);
        modSettings::WriteSetting("Reminder Sound Path", m_dir.filePath("chime.wav"));
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        // Away to another window and back: the chime is not repeated.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QList<ScriptedPlatform::Call> sounds = m_platform->callsOf("sound");
        QCOMPARE(sounds.size(), played);
        if (played)
            QCOMPARE(sounds.constFirst().text, m_dir.filePath("chime.wav"));
    }

    void closingClosesTheDatabase_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << "OK";
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("window closed") << "close";
    }
    void closingClosesTheDatabase()
    {
        QFETCH(QString, how);
        setDays("2");
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        if (how == "OK")
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        else if (how == "Escape")
            QTest::keyClick(window.get(), Qt::Key_Escape);
        else
            QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QVERIFY(!modDatabase::IsDatabaseOpen());
        // The file is still a database with all its persons.
        QVERIFY(modDatabase::OpenDatabase(m_path));
        QCOMPARE(modSql::OpenRecordset("SELECT * FROM Person").RecordCount(), 10);
    }
};

ADDRION_TEST_MAIN(TestReminder)
#include "tst_reminder.moc"
