#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/frmEmail.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

// The e-mail address list over the real main window and database.
class TestEmailList : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_window;

    static QStringList texts(const QListView* view)
    {
        QStringList result;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            result << view->model()->index(row, 0).data().toString();
        return result;
    }

    static void choose(frmEmail& window, const QString& text)
    {
        const QStringList all = texts(window.lvwList);
        window.lvwList->setCurrentIndex(window.lvwList->model()->index(all.indexOf(text), 0));
        QTest::mouseClick(window.cmdAddOne, Qt::LeftButton);
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(modDatabase::NewDatabase(m_dir->filePath("home.mdb")));
        for (const char* statement : {
                 "INSERT INTO Person (Contactnr, Name) VALUES (1, 'Bob')",
                 "INSERT INTO Person (Contactnr, Name) VALUES (2, 'Anna')",
                 "INSERT INTO Person (Contactnr, Name) VALUES (3, 'Carla')",
                 "INSERT INTO Person (Contactnr, Name) VALUES (4, 'Dirk')",
                 "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 1, 'bob@x.org', '')",
                 "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 2, 'bob@work.org', '')",
                 "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (2, 1, 'anna@x.org', '')",
                 "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 2, 'carla@x.org', '')",
             })
            modSql::ExecuteSql(QString::fromUtf8(statement));
        m_window = std::make_unique<frmMain>(QString());
        m_window->FillContactList();
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    void onlyFirstAddressesAreOffered()
    {
        frmEmail window(*m_window);
        QCOMPARE(texts(window.lvwList), (QStringList{"Anna (anna@x.org)", "Bob (bob@x.org)"}));
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
        frmEmail window(*m_window);
        choose(window, "Bob (bob@x.org)");
        choose(window, "Anna (anna@x.org)");
        QCOMPARE(texts(window.lvwEmail), (QStringList{"Bob (bob@x.org)", "Anna (anna@x.org)"}));
        QTest::mouseClick(semicolon ? window.optSemicolon : window.optColon, Qt::LeftButton);
        QCOMPARE(window.txtList->text(), list);
        QCOMPARE(modSettings::ReadSetting("Separator"), semicolon ? QString(";") : QString(","));
        QTest::mouseClick(window.cmdCopy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), list);

        frmEmail again(*m_window);
        QCOMPARE(again.optSemicolon->isChecked(), semicolon);
    }

    void removingTheLastEmptiesTheList()
    {
        frmEmail window(*m_window);
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        QVERIFY(texts(window.lvwList).isEmpty());
        QVERIFY(!window.cmdAddAll->isEnabled());
        QCOMPARE(window.txtList->text(), QString("anna@x.org, bob@x.org"));
        QTest::mouseClick(window.cmdRemoveAll, Qt::LeftButton);
        QVERIFY(window.txtList->text().isEmpty());
        for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
                 window.cmdCopy, window.cmdOK, window.cmdRemoveOne, window.cmdRemoveAll})
            QVERIFY(!button->isEnabled());
        // Moved back, the persons keep their places in the list.
        QCOMPARE(texts(window.lvwList), (QStringList{"Anna (anna@x.org)", "Bob (bob@x.org)"}));
    }

    void searchResultTakesOnlyPersonsWithAddresses()
    {
        modSearch::SearchCondition = "WHERE Name <> 'Anna' ";
        m_window->toolbarButton("Search")->setChecked(true);
        m_window->FillContactList();
        QCOMPARE(m_window->ListRowCount(), 3);
        frmEmail window(*m_window);
        QVERIFY(window.cmdSearchResult->isEnabled());
        QTest::mouseClick(window.cmdSearchResult, Qt::LeftButton);
        QCOMPARE(texts(window.lvwEmail), QStringList{"Bob (bob@x.org)"});
        QCOMPARE(window.txtList->text(), QString("bob@x.org"));
        QVERIFY(m_platform->messages().isEmpty());
    }

    void okHandsTheListToTheMailProgram()
    {
        frmEmail window(*m_window);
        QTest::mouseClick(window.optSemicolon, Qt::LeftButton);
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        const auto urls = m_platform->callsOf("url");
        QCOMPARE(urls.size(), 1);
        const QUrl url(urls.first().text);
        QCOMPARE(url.scheme(), QString("mailto"));
        QCOMPARE(url.path(), QString("anna@x.org; bob@x.org"));
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
};

ADDRION_TEST_MAIN(TestEmailList)
#include "tst_emaillist.moc"
