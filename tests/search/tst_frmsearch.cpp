#include "MainWindowFixture.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "search/frmSearch.h"
#include "search/modSearch.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

// The search window opened from the real main window's toggle, offscreen.
class TestFrmSearch : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_window;

    QStringList listedNames() const
    {
        QStringList names;
        for (int row = 0; row < m_window->contactList()->rowCount(); ++row)
            names << m_window->contactList()->index(row, 0).data().toString();
        return names;
    }

    // Presses Search and lets fill() work in the search window once it is shown.
    void search(const std::function<void(frmSearch&)>& fill)
    {
        bool reached = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<frmSearch*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            reached = true;
            fill(*dialog);
        });
        m_window->toolbarButton("Search")->trigger();
        QVERIFY(reached);
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        const QString path = m_dir->filePath("home.mdb");
        QVERIFY(modDatabase::NewDatabase(path));
        for (const char* statement : {
                 "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (1, 'Anna Jansen', #12/31/1979#)",
                 "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (2, 'Johan Bakker', #1/1/1980#)",
                 "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (3, 'Hannah Berg', #3/5/1990#)",
                 "INSERT INTO Person (Contactnr, Name) VALUES (4, 'Ivan Petrov')",
                 "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (2, 1, '0471-12', '')",
                 "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (3, 1, '0471 99', '')",
                 "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (4, 1, '0471 77', '')",
             })
            modSql::ExecuteSql(QString::fromUtf8(statement));
        modDatabase::CloseDatabase(false);
        m_window = std::make_unique<frmMain>(path);
        RegisterWindows(*m_window);
        m_window->Load();
        m_window->show();
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
    }

    void searchByNameDateAndPhone()
    {
        search([](frmSearch& dialog) {
            QTest::keyClicks(dialog.txtFullname, "an");
            dialog.cboDate->setCurrentIndex(3);
            TestSupport::clickNearRightEnd(dialog.txtDate);
            QTest::keyClicks(dialog.txtDate, "31121979");
            dialog.cboPhone->setCurrentIndex(2);
            QTest::keyClicks(dialog.txtPhone, "0471");
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        });
        // The phone criterion is checked by the list itself, so the condition continues it.
        QCOMPARE(modSearch::SearchCondition, QString("AND Name LIKE '%an%' AND Dateofbirth > #12/31/1979# "));
        QCOMPARE(listedNames(), (QStringList{"Hannah Berg", "Johan Bakker"}));
        QVERIFY(m_window->toolbarButton("Search")->isChecked());
        QVERIFY(m_window->mnuActionSearch->isChecked());
        QCOMPARE(m_window->lvwMain->currentIndex().row(), 0);
        QCOMPARE(m_window->fraDetails->title(), QString("Hannah Berg"));
        QCOMPARE(modSettings::ReadSetting("SearchDate"), QString("3"));
        QCOMPARE(modSettings::ReadSetting("SearchPhone"), QString("2"));

        // Ending the search brings the whole list back.
        m_window->toolbarButton("Search")->trigger();
        QCOMPARE(listedNames().size(), 4);
        QVERIFY(!m_window->toolbarButton("Search")->isChecked());
        QVERIFY(!modSearch::PhoneSearchActive);
        QVERIFY(!m_window->fraDetails->isVisible());
    }

    // A click into an empty date box starts typing at its first place; a date left
    // unfinished is named, never silently left out of the search.
    void dateBoxesTakeWhatIsTyped_data()
    {
        QTest::addColumn<int>("dateOp");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("condition");
        QTest::newRow("between") << 1 << "31121979"
                                 << "01011990"
                                 << "WHERE Dateofbirth > #12/31/1979# AND Dateofbirth < #01/01/1990# ";
        QTest::newRow("between, end missing") << 1 << "31121979"
                                              << ""
                                              << "";
        QTest::newRow("before, half typed") << 2 << "3112"
                                            << ""
                                            << "";
    }
    void dateBoxesTakeWhatIsTyped()
    {
        QFETCH(int, dateOp);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, condition);
        if (condition.isEmpty())
            m_platform->expectMessage();
        search([&](frmSearch& dialog) {
            dialog.cboDate->setCurrentIndex(dateOp);
            for (const auto& [box, digits] : {std::pair{dialog.txtDate, first}, std::pair{dialog.txtDate2, second}}) {
                if (digits.isEmpty())
                    continue;
                TestSupport::clickNearRightEnd(box);
                QTest::keyClicks(box, digits);
            }
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
            if (condition.isEmpty()) {
                QVERIFY(dialog.isVisible());
                QCOMPARE(m_platform->messages().constLast().text, QString("Date of birth is invalid!"));
                QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
            }
        });
        QCOMPARE(modSearch::SearchCondition, condition);
    }

    void cancelReleasesTheToggle()
    {
        search([](frmSearch& dialog) {
            QTest::keyClicks(dialog.txtFullname, "an");
            dialog.cboFullname->setCurrentIndex(3);
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        QVERIFY(!m_window->toolbarButton("Search")->isChecked());
        QVERIFY(!m_window->mnuActionSearch->isChecked());
        QVERIFY(modSearch::SearchCondition.isEmpty());
        QCOMPARE(listedNames().size(), 4);
        QCOMPARE(modSettings::ReadSetting("SearchFullname"), QString("1"));
    }

    void okWithoutCriteriaSavesOperatorsOnly()
    {
        search([](frmSearch& dialog) {
            dialog.cboFullname->setCurrentIndex(3);
            dialog.cboEmail->setCurrentIndex(2);
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        });
        QVERIFY(!m_window->toolbarButton("Search")->isChecked());
        QCOMPARE(listedNames().size(), 4);
        QCOMPARE(modSettings::ReadSetting("SearchFullname"), QString("3"));
        QCOMPARE(modSettings::ReadSetting("SearchEmail"), QString("2"));
    }

    void invalidDateKeepsTheWindowOpen()
    {
        m_platform->expectMessage();
        search([this](frmSearch& dialog) {
            dialog.cboDate->setCurrentIndex(4);
            dialog.cboDate->setCurrentIndex(0);
            dialog.txtDate->setCursorPosition(0);
            QTest::keyClicks(dialog.txtDate, "3102");
            dialog.cboDate->setCurrentIndex(4);
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
            QVERIFY(dialog.isVisible());
            QCOMPARE(m_platform->messages().last().text, QString("Date of birth is invalid!"));
            QCOMPARE(m_platform->messages().last().title, QString("Error"));
            QCOMPARE(dialog.txtDate->displayText(), QString("31/02/____"));
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        // The first-run default stays: nothing was saved.
        QCOMPARE(modSettings::ReadSetting("SearchDate"), QString("1"));
    }

    void storedOperatorsAndControls_data()
    {
        QTest::addColumn<QString>("storedNote");
        QTest::addColumn<int>("noteIndex");
        QTest::newRow("filled in") << "1" << 1;
        QTest::newRow("out of range") << "5" << 0;
        QTest::newRow("not a number") << "x" << 0;
    }
    void storedOperatorsAndControls()
    {
        QFETCH(QString, storedNote);
        QFETCH(int, noteIndex);
        modSettings::WriteSetting("SearchNote", storedNote);
        modSettings::WriteSetting("SearchPhone", "4");
        modSettings::WriteSetting("Date", "yyyy/mm/dd");
        frmSearch dialog(*m_window);
        QCOMPARE(dialog.cboNote->currentIndex(), noteIndex);
        QCOMPARE(dialog.txtNote->isEnabled(), noteIndex == 0);
        QCOMPARE(dialog.cboNote->count(), 2);
        QCOMPARE(dialog.cboPhone->currentIndex(), 4);
        QVERIFY(!dialog.txtPhone->isEnabled());
        QCOMPARE(dialog.lblDateFormat->text(), QString("(yyyy/mm/dd)"));
        QCOMPARE(dialog.txtDate->displayText(), QString("____/__/__"));
        dialog.cboDate->setCurrentIndex(1);
        QVERIFY(!dialog.txtDate2->isHidden());
        QVERIFY(!dialog.lblSplit->isHidden());
        dialog.cboDate->setCurrentIndex(4);
        QVERIFY(dialog.txtDate->isHidden());
        QVERIFY(dialog.txtDate2->isHidden());
        dialog.cboDate->setCurrentIndex(0);
        QVERIFY(!dialog.txtDate->isHidden());
        QVERIFY(dialog.txtDate2->isHidden());
    }
};

ADDRION_TEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
