#include "MainWindowTest.h"

#include "export/frmEmail.h"
#include "search/modSearch.h"

#include <QListView>

// The e-mail address list over the real main window and database.
class TestEmailList : public QObject, MainWindowTest
{
    Q_OBJECT

    // Bob has two addresses, Carla only a second one, Dirk none.
    static void addSamplePersons()
    {
        addPersons({{1, "Bob", {}, {}, {"bob@x.org|", "bob@work.org|"}},
                    {2, "Anna", {}, {}, {"anna@x.org|"}},
                    {3, "Carla"},
                    {4, "Dirk"}});
        runSql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 2, 'carla@x.org', '')");
    }

    static void choose(frmEmail& window, const QString& text)
    {
        const QStringList all = TestSupport::itemTexts(window.lvwList->model());
        window.lvwList->setCurrentIndex(window.lvwList->model()->index(all.indexOf(text), 0));
        QTest::mouseClick(window.cmdAddOne, Qt::LeftButton);
    }

private slots:
    void init() { start(addSamplePersons); }
    void cleanup() { stop(); }

    void onlyFirstAddressesAreOffered()
    {
        frmEmail window(*w());
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()),
                 (QStringList{"Anna (anna@x.org)", "Bob (bob@x.org)"}));
        QVERIFY(!window.cmdOK->isEnabled());
        QVERIFY(!window.cmdCopy->isEnabled());
        QVERIFY(!window.cmdSearchResult->isEnabled());
        QVERIFY(window.optColon->isChecked());
    }

    void listIsInNameOrder_data()
    {
        QTest::addColumn<bool>("semicolon");
        QTest::addColumn<QString>("list");
        QTest::newRow("comma") << false << "anna@x.org, bob@x.org";
        QTest::newRow("semicolon") << true << "anna@x.org; bob@x.org";
    }
    void listIsInNameOrder()
    {
        QFETCH(bool, semicolon);
        QFETCH(QString, list);
        frmEmail window(*w());
        choose(window, "Bob (bob@x.org)");
        choose(window, "Anna (anna@x.org)");
        QCOMPARE(TestSupport::itemTexts(window.lvwEmail->model()),
                 (QStringList{"Bob (bob@x.org)", "Anna (anna@x.org)"}));
        QTest::mouseClick(semicolon ? window.optSemicolon : window.optColon, Qt::LeftButton);
        QCOMPARE(window.txtList->text(), list);
        QCOMPARE(modSettings::ReadSetting("Separator"), semicolon ? QString(";") : QString(","));
        QTest::mouseClick(window.cmdCopy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), list);

        frmEmail again(*w());
        QCOMPARE(again.optSemicolon->isChecked(), semicolon);
    }

    void removingTheLastEmptiesTheList()
    {
        frmEmail window(*w());
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        QVERIFY(TestSupport::itemTexts(window.lvwList->model()).isEmpty());
        QVERIFY(!window.cmdAddAll->isEnabled());
        QCOMPARE(window.txtList->text(), QString("anna@x.org, bob@x.org"));
        QTest::mouseClick(window.cmdRemoveAll, Qt::LeftButton);
        QVERIFY(window.txtList->text().isEmpty());
        for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
                 window.cmdCopy, window.cmdOK, window.cmdRemoveOne, window.cmdRemoveAll})
            QVERIFY(!button->isEnabled());
        // Moved back, the persons keep their places in the list.
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()),
                 (QStringList{"Anna (anna@x.org)", "Bob (bob@x.org)"}));
    }

    void searchResultTakesOnlyPersonsWithAddresses()
    {
        modSearch::SearchCondition = "WHERE Name <> 'Anna' ";
        w()->toolbarButton("Search")->setChecked(true);
        w()->FillContactList();
        QCOMPARE(w()->ListRowCount(), 3);
        frmEmail window(*w());
        QVERIFY(window.cmdSearchResult->isEnabled());
        QTest::mouseClick(window.cmdSearchResult, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(window.lvwEmail->model()), QStringList{"Bob (bob@x.org)"});
        QCOMPARE(window.txtList->text(), QString("bob@x.org"));
        QVERIFY(platform()->messages().isEmpty());
    }

    void okHandsTheListToTheMailProgram()
    {
        frmEmail window(*w());
        QTest::mouseClick(window.optSemicolon, Qt::LeftButton);
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        const auto urls = platform()->callsOf("url");
        QCOMPARE(urls.size(), 1);
        const QUrl url(urls.first().text);
        QCOMPARE(url.scheme(), QString("mailto"));
        QCOMPARE(url.path(), QString("anna@x.org; bob@x.org"));
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
};

ADDRION_TEST_MAIN(TestEmailList)
#include "tst_emaillist.moc"
