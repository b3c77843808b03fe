// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowTest.h"

#include "search/frmSearch.h"

using TestSupport::control;

// The search window opened from the real main window's toggle, offscreen.
class TestFrmSearch : public QObject, MainWindowTest
{
    Q_OBJECT

    static void addSamplePersons()
    {
        addPersons({{1, "Anna Jansen", QDate(1979, 12, 31)},
                    {2, "Johan Bakker", QDate(1980, 1, 1), {"0471-12|"}},
                    {3, "Hannah Berg", QDate(1990, 3, 5), {"0471 99|"}},
                    {4, "Ivan Petrov", {}, {"0471 77|"}}});
    }

    // Presses Search and lets fill() work in the search window once it is shown.
    void search(const std::function<void(frmSearch&)>& fill)
    {
        const auto ran = TestSupport::onModal<frmSearch>([fill](frmSearch* dialog) { fill(*dialog); });
        w()->toolbarButton("Search")->trigger();
        QVERIFY(*ran);
    }

private slots:
    void init() { start(addSamplePersons, true); }
    void cleanup() { stop(); }

    // A click into an empty date box starts typing at its first place.
    void searchByNameDateAndPhone()
    {
        search([](frmSearch& dialog) {
            QTest::keyClicks(dialog.txtFullname, "an");
            dialog.cboDate->setCurrentIndex(1);
            for (const auto& [box, digits] : {std::pair{dialog.txtDate, "31121979"}, {dialog.txtDate2, "01011990"}})
                TestSupport::typeNearRightEnd(box, digits);
            dialog.cboPhone->setCurrentIndex(2);
            QTest::keyClicks(dialog.txtPhone, "0471");
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        });
        // The phone criterion is checked by the list itself, so the condition continues it.
        QCOMPARE(modSearch::SearchCondition,
                 QString("AND Name LIKE '%an%' AND Dateofbirth > #12/31/1979# AND Dateofbirth < #01/01/1990# "));
        QVERIFY(w()->toolbarButton("Search")->isChecked() && control<QAction>(w(), "mnuActionSearch")->isChecked());
        QCOMPARE(listState(), QString("1/4 (1 rows), row 0, Johan Bakker"));
        QCOMPARE(settings({"SearchDate", "SearchPhone"}), (QStringList{"SearchDate=1", "SearchPhone=2"}));

        // Ending the search ends the phone search too (the rest: see the main window test).
        w()->toolbarButton("Search")->trigger();
        QCOMPARE(listedNames().size(), 4);
        QVERIFY(!modSearch::PhoneSearchActive);
    }

    // Cancel keeps the stored operators; OK without criteria stores them and searches nothing.
    void withoutCriteriaNothingIsSearched_data() { TestSupport::addTwoRows("ok", "Cancel", "OK"); }
    void withoutCriteriaNothingIsSearched()
    {
        QFETCH(bool, ok);
        search([ok](frmSearch& dialog) {
            QTest::keyClicks(dialog.txtFullname, ok ? "" : "an");
            dialog.cboFullname->setCurrentIndex(3);
            dialog.cboEmail->setCurrentIndex(2);
            QTest::mouseClick(ok ? dialog.cmdOK : dialog.cmdCancel, Qt::LeftButton);
        });
        QVERIFY(!w()->toolbarButton("Search")->isChecked() && !control<QAction>(w(), "mnuActionSearch")->isChecked() &&
                modSearch::SearchCondition.isEmpty());
        QCOMPARE(listedNames().size(), 4);
        QCOMPARE(settings({"SearchFullname", "SearchEmail"}).join(' '),
                 ok ? "SearchFullname=3 SearchEmail=2" : "SearchFullname=1 SearchEmail=0");
    }

    void invalidDateKeepsTheWindowOpen()
    {
        platform()->expectMessage();
        search([this](frmSearch& dialog) {
            dialog.cboDate->setCurrentIndex(4);
            dialog.cboDate->setCurrentIndex(0);
            dialog.txtDate->setCursorPosition(0);
            QTest::keyClicks(dialog.txtDate, "3102");
            dialog.cboDate->setCurrentIndex(4);
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
            QVERIFY(dialog.isVisible());
            const ScriptedPlatform::Call message = platform()->messages().constLast();
            QCOMPARE(message.title + ": " + message.text, "Error: Date of birth is invalid!");
            QCOMPARE(dialog.txtDate->displayText(), QString("31/02/____"));
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
        // The first-run default stays: nothing was saved.
        QCOMPARE(TestSupport::readSetting("SearchDate"), QString("1"));
    }

    // Stored operators come back; one out of range or not a number gives the first.
    void storedOperatorsAndControls()
    {
        TestSupport::writeSetting("SearchPhone", "4");
        TestSupport::writeSetting("Date", "yyyy/mm/dd");
        for (const auto& [stored, index] : {std::pair{"1", 1}, {"5", 0}, {"x", 0}}) {
            TestSupport::writeSetting("SearchNote", stored);
            frmSearch dialog(*w());
            QCOMPARE(dialog.cboNote->currentIndex(), index);
            QCOMPARE(dialog.txtNote->isEnabled(), index == 0);
        }
        frmSearch dialog(*w());
        QCOMPARE(dialog.cboNote->count(), 2);
        QCOMPARE(dialog.cboPhone->currentIndex(), 4);
        QVERIFY(!dialog.txtPhone->isEnabled());
        QCOMPARE(dialog.lblDateFormat->text(), QString("(yyyy/mm/dd)"));
        QCOMPARE(dialog.txtDate->displayText(), QString("____/__/__"));
        // Which date boxes each date operator shows: first, second and the word between.
        for (const auto& [op, shown] : {std::pair{1, "111"}, {4, "000"}, {0, "100"}}) {
            dialog.cboDate->setCurrentIndex(op);
            const QString boxes = QString::number(!dialog.txtDate->isHidden()) +
                                  QString::number(!dialog.txtDate2->isHidden()) +
                                  QString::number(!dialog.lblSplit->isHidden());
            QCOMPARE(boxes, QString(shown));
        }
    }
};

ADDRION_TEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
