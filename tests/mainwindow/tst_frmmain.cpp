#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

// The real main window, offscreen, on a real database file.
class TestFrmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_window;
    QString m_path;

    static void sql(const QString& statement) { modSql::ExecuteSql(statement); }

    // Anna has everything; Bob only a name; the others fill the list.
    void addSamplePersons()
    {
        const QDate today = QDate::currentDate();
        const QDate annaBorn = today.addYears(-30);
        sql(QString("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES (1, 'Anna Ärger', "
                    "#%1/%2/%3#, 'Main Street 1\nTown', 'see www.example.org for more')")
                .arg(annaBorn.month())
                .arg(annaBorn.day())
                .arg(annaBorn.year()));
        sql("INSERT INTO Person (Contactnr, Name) VALUES (2, 'Bob Builder')");
        sql("INSERT INTO Person (Contactnr, Name) VALUES (3, 'José Ñandú')");
        sql("INSERT INTO Person (Contactnr, Name) VALUES (4, 'Sean O''Brien')");
        sql("INSERT INTO Person (Contactnr, Name) VALUES (5, 'émile Zola')");
        sql("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 1, '+31 20 555', 'home')");
        sql("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 2, '0612', '')");
        sql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 1, 'anna@example.org', 'work')");
        sql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 2, 'anna@hotmail.example', '')");
    }

    QStringList listedNames() const
    {
        QStringList names;
        for (int row = 0; row < m_window->contactList()->rowCount(); ++row)
            names << m_window->contactList()->index(row, 0).data().toString();
        return names;
    }

    void selectRow(int row)
    {
        const QModelIndex index = m_window->contactList()->index(row, 0);
        m_window->lvwMain->setCurrentIndex(index);
        QTest::mouseClick(m_window->lvwMain->viewport(), Qt::LeftButton, {},
                          m_window->lvwMain->visualRect(index).center());
    }

    // Types into the quick-search box one character at a time, as a user would.
    void type(const QString& text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(m_window->txtQuickSearch, c.toLatin1());
            else
                m_window->txtQuickSearch->insert(QString(c));
        }
    }

    int count(const QString& table, int contactnr)
    {
        return modSql::OpenRecordset(QString("SELECT * FROM %1 WHERE Contactnr = %2").arg(table).arg(contactnr))
            .RecordCount();
    }

private slots:
    void initTestCase() { TestSupport::useTestAddresses(); }
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        m_path = m_dir->filePath("home.mdb");
        QVERIFY(modDatabase::NewDatabase(m_path));
        addSamplePersons();
        modDatabase::CloseDatabase(false);
        m_window = std::make_unique<frmMain>(m_path);
        m_window->Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
    }

    void fullListSortedWithNothingSelected()
    {
        QCOMPARE(listedNames(), (QStringList{"Anna Ärger", "Bob Builder", "émile Zola", "José Ñandú", "Sean O'Brien"}));
        QCOMPARE(m_window->staMainCount->text(), QString("5/5"));
        QVERIFY(!m_window->lvwMain->currentIndex().isValid());
        QVERIFY(m_window->fraInfo->isVisible());
        QVERIFY(!m_window->fraDetails->isVisible());
        QCOMPARE(m_window->contactList()->index(2, 0).data(ContactListModel::KeyRole).toString(), QString("Person  5"));
        QVERIFY(m_window->mnuActionExport->isEnabled());
        QVERIFY(!m_window->mnuPersonEdit->isEnabled());
    }

    void quickSearchNarrows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("accent typed plain") << "jose" << QStringList{"José Ñandú"};
        QTest::newRow("accent typed") << QString::fromUtf8("ú") << QStringList{"Bob Builder", "José Ñandú"};
        QTest::newRow("plain matches accented") << "arger" << QStringList{"Anna Ärger"};
        QTest::newRow("two words any order") << "zola emile" << QStringList{"émile Zola"};
        QTest::newRow("doubled blank") << "an  na" << QStringList{"Anna Ärger", "José Ñandú"};
        QTest::newRow("apostrophe") << "o'b" << QStringList{"Sean O'Brien"};
        QTest::newRow("wildcard") << "b%r" << QStringList{"Bob Builder", "Sean O'Brien"};
        QTest::newRow("nobody") << "xyz" << QStringList{};
    }
    void quickSearchNarrows()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        type(typed);
        QCOMPARE(listedNames(), names);
        QCOMPARE(m_window->staMainCount->text(), QString("%1/5").arg(names.size()));
        QCOMPARE(m_window->fraDetails->isVisible(), !names.isEmpty());
        if (!names.isEmpty()) {
            QCOMPARE(m_window->fraDetails->title(), names.first());
            QCOMPARE(m_window->lvwMain->currentIndex().row(), 0);
        }
        QCOMPARE(m_window->mnuActionExport->isEnabled(), !names.isEmpty());
        QCOMPARE(m_window->mnuActionSearch->isEnabled(), !names.isEmpty());

        QTest::keyClick(m_window->txtQuickSearch, Qt::Key_Return);
        QVERIFY(m_window->lvwMain->hasFocus());
        QTest::mouseClick(m_window->txtQuickSearch, Qt::LeftButton);
        QCOMPARE(m_window->txtQuickSearch->text(), QString());
        QCOMPARE(listedNames().size(), 5);
        QVERIFY(!m_window->fraDetails->isVisible());
    }

    void loneBracketShowsTheEngineError()
    {
        m_platform->expectMessage();
        type("[");
        QCOMPARE(m_platform->messages().size(), 1);
        QCOMPARE(m_platform->messages().first().title, QString("Error"));
        QVERIFY(listedNames().isEmpty());
        QTest::keyClick(m_window->txtQuickSearch, Qt::Key_Backspace);
        QCOMPARE(listedNames().size(), 5);
    }

    void detailsOfAFullPersonThenOfANameOnly()
    {
        selectRow(0);
        QCOMPARE(m_window->fraDetails->title(), QString("Anna Ärger"));
        const QDate born = QDate::currentDate().addYears(-30);
        QCOMPARE(m_window->txtDateofbirth->text(), born.toString("dd/MM/yyyy"));
        QCOMPARE(m_window->lblAge->text(), QString("Age: 30"));
        QVERIFY(m_window->lblAge->isVisible());
        QCOMPARE(m_window->txtAddress->toPlainText(), QString("Main Street 1\nTown"));
        QCOMPARE(m_window->lvwPhone->topLevelItemCount(), 2);
        QCOMPARE(m_window->lvwPhone->topLevelItem(0)->text(0), QString("+31 20 555 (home)"));
        QCOMPARE(m_window->lvwPhone->topLevelItem(1)->text(0), QString("0612"));
        QCOMPARE(m_window->lvwEmail->topLevelItem(0)->text(0), QString("anna@example.org (work)"));
        QCOMPARE(m_window->rtbNote->toPlainText(), QString("see www.example.org for more"));
        QVERIFY(m_window->mnuPersonEdit->isEnabled());
        QVERIFY(m_window->toolbarButton("Remove")->isEnabled());

        selectRow(1);
        QCOMPARE(m_window->fraDetails->title(), QString("Bob Builder"));
        QVERIFY(m_window->txtDateofbirth->text().isEmpty());
        QVERIFY(!m_window->lblAge->isVisible());
        QVERIFY(!m_window->lblDateFormat->isVisible());
        QVERIFY(m_window->txtAddress->toPlainText().isEmpty());
        QCOMPARE(m_window->lvwPhone->topLevelItemCount(), 0);
        QCOMPARE(m_window->lvwEmail->topLevelItemCount(), 0);
        QVERIFY(m_window->rtbNote->toPlainText().isEmpty());
    }

    void dateFormatChangeRedisplays()
    {
        selectRow(0);
        const QDate born = QDate::currentDate().addYears(-30);
        m_window->mnuOptionsDateFormat.at(2)->trigger();
        QCOMPARE(modSettings::ReadSetting("Date"), QString("yyyy/mm/dd"));
        QCOMPARE(m_window->txtDateofbirth->text(), born.toString("yyyy/MM/dd"));
        QCOMPARE(m_window->lblDateFormat->text(), QString("(yyyy/mm/dd)"));
        QVERIFY(m_window->mnuOptionsDateFormat.at(2)->isChecked());
        QVERIFY(!m_window->mnuOptionsDateFormat.at(0)->isChecked());
    }

    void fontSizeKeepsThePersonShown()
    {
        selectRow(3);
        const QString shown = m_window->fraDetails->title();
        m_window->mnuOptionsFontSize10->trigger();
        QCOMPARE(modSettings::ReadSetting("Font Size"), QString("10"));
        QCOMPARE(m_window->lvwMain->font().pointSize(), 10);
        QCOMPARE(m_window->lvwMain->currentIndex().row(), 3);
        QCOMPARE(m_window->fraDetails->title(), shown);
        QVERIFY(m_window->fraDetails->isVisible());
        QVERIFY(m_window->mnuOptionsFontSize10->isChecked());
        QVERIFY(!m_window->mnuOptionsFontSize8->isChecked());
    }

    void removePerson_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void removePerson()
    {
        QFETCH(bool, yes);
        selectRow(0);
        m_platform->expectMessage(yes ? Platform::Answer::Yes : Platform::Answer::No);
        m_window->mnuPersonRemove->trigger();
        const auto question = m_platform->messages().first();
        QCOMPARE(question.title, QString("Remove"));
        QCOMPARE(question.text, QString("Are you sure you want to remove the following Person:\nAnna Ärger"));
        QCOMPARE(question.buttons, Platform::Buttons::YesNo);
        QCOMPARE(count("Person", 1), yes ? 0 : 1);
        QCOMPARE(count("Phone", 1), yes ? 0 : 2);
        QCOMPARE(count("Email", 1), yes ? 0 : 2);
        QCOMPARE(listedNames().size(), yes ? 4 : 5);
        QCOMPARE(m_window->staMainCount->text(), yes ? QString("4/4") : QString("5/5"));
        if (yes) {
            QVERIFY(!m_window->fraDetails->isVisible());
            QVERIFY(!m_window->mnuPersonRemove->isEnabled());
        }
    }

    void clipboardTexts()
    {
        QClipboard* clipboard = QGuiApplication::clipboard();
        selectRow(0);
        QTest::keyClick(m_window->lvwMain, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("Anna Ärger"));

        m_window->lvwPhone->setCurrentItem(m_window->lvwPhone->topLevelItem(0));
        QTest::keyClick(m_window->lvwPhone, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("+31 20 555"));
        m_window->mnuPopupPhoneCopy2->trigger();
        QCOMPARE(clipboard->text(), QString("+31 20 555 (home)"));
        m_window->mnuPopupEmailCopy2->trigger();
        QCOMPARE(clipboard->text(), QString("anna@example.org (work)"));

        QTest::keyClick(m_window->txtAddress, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("Main Street 1\nTown"));
        m_window->txtDateofbirth->setSelection(0, 2);
        m_window->mnuPopupDateofbirthCopy->trigger();
        QCOMPARE(clipboard->text(), m_window->txtDateofbirth->text().left(2));
    }

    void popupEnabledStates()
    {
        selectRow(0);
        auto popupFor = [](QWidget* widget, QTreeWidget* list, int row) {
            list->setCurrentItem(list->topLevelItem(row));
            emit widget->customContextMenuRequested(list->visualItemRect(list->topLevelItem(row)).center());
        };
        popupFor(m_window->lvwPhone, m_window->lvwPhone, 1);
        QVERIFY(!m_window->mnuPopupPhoneCopy2->isEnabled());
        m_window->mnuPopupPhone->close();
        popupFor(m_window->lvwPhone, m_window->lvwPhone, 0);
        QVERIFY(m_window->mnuPopupPhoneCopy2->isEnabled());
        m_window->mnuPopupPhone->close();
        popupFor(m_window->lvwEmail, m_window->lvwEmail, 0);
        QVERIFY(!m_window->mnuPopupEmailWebsite->isEnabled());
        m_window->mnuPopupEmail->close();
        popupFor(m_window->lvwEmail, m_window->lvwEmail, 1);
        QVERIFY(m_window->mnuPopupEmailWebsite->isEnabled());
        QVERIFY(!m_window->mnuPopupEmailCopy2->isEnabled());
        m_window->mnuPopupEmail->close();
    }

    void mailAndLinks()
    {
        selectRow(0);
        m_window->lvwEmail->setCurrentItem(m_window->lvwEmail->topLevelItem(0));
        QTest::keyClick(m_window->lvwEmail, Qt::Key_Return);
        QCOMPARE(m_platform->callsOf("url").last().text, QString("mailto:anna@example.org"));

        // A click inside the link word of the note opens it.
        QTextCursor cursor = m_window->rtbNote->textCursor();
        cursor.setPosition(8);
        m_window->rtbNote->setTextCursor(cursor);
        QTest::mouseClick(m_window->rtbNote->viewport(), Qt::LeftButton, {},
                          m_window->rtbNote->cursorRect(cursor).center());
        QCOMPARE(m_platform->callsOf("url").last().text, QString("http://www.example.org"));
        const int opened = m_platform->callsOf("url").size();
        cursor.setPosition(1);
        m_window->rtbNote->setTextCursor(cursor);
        QTest::mouseClick(m_window->rtbNote->viewport(), Qt::LeftButton, {},
                          m_window->rtbNote->cursorRect(cursor).center());
        QCOMPARE(m_platform->callsOf("url").size(), opened);
    }

    void searchToggleShowsTheResult()
    {
        m_window->SetWindowOpener("frmSearch", [](frmMain& window) {
            modSearch::SearchCondition = "WHERE Name LIKE 'S%' ";
            window.FillContactList();
        });
        m_window->toolbarButton("Search")->trigger();
        QVERIFY(m_window->mnuActionSearch->isChecked());
        QCOMPARE(listedNames(), QStringList{"Sean O'Brien"});
        QCOMPARE(m_window->lvwMain->currentIndex().row(), 0);
        QCOMPARE(m_window->fraDetails->title(), QString("Sean O'Brien"));
        QCOMPARE(m_window->staMainCount->text(), QString("1/5"));

        // The quick search narrows the result further; no match keeps Search usable.
        type("xyz");
        QVERIFY(listedNames().isEmpty());
        QVERIFY(m_window->mnuActionSearch->isEnabled());
        m_window->txtQuickSearch->clear();

        m_window->mnuActionSearch->trigger();
        QVERIFY(!m_window->toolbarButton("Search")->isChecked());
        QVERIFY(modSearch::SearchCondition.isEmpty());
        QCOMPARE(listedNames().size(), 5);
        QVERIFY(!m_window->fraDetails->isVisible());
    }

    void firstRunDefaults()
    {
        QCOMPARE(modSettings::ReadSetting("Date"), QString("dd/mm/yyyy"));
        QCOMPARE(modSettings::ReadSetting("Font Size"), QString("8"));
        QCOMPARE(modSettings::ReadSetting("Check version"), QString("1"));
        QCOMPARE(modSettings::ReadSetting("Css"), QString("Normal"));
        QCOMPARE(modSettings::ReadSetting("Css Calendar"), QString("Orange"));
        const QStringList searchKeys{"SearchFullname", "SearchDate",    "SearchPhone",
                                     "SearchEmail",    "SearchAddress", "SearchNote"};
        QStringList operators;
        for (const QString& key : searchKeys)
            operators << modSettings::ReadSetting(key);
        QCOMPARE(operators, (QStringList{"1", "1", "0", "0", "1", "0"}));
        QCOMPARE(modSettings::ReadSetting("Birthday reminder"), QString("1"));
        QCOMPARE(modSettings::ReadSetting("Reminder Since"), QString("2"));
        QCOMPARE(modSettings::ReadSetting("Reminder Once 1"), QString("7"));
        QVERIFY(modSettings::ReadSetting("Reminder Sound Path").endsWith("Sound/default.wav"));
        QVERIFY(m_window->mnuOptionsCheck->isChecked());
        QCOMPARE(m_window->lblDateFormat->text(), QString("(dd/mm/yyyy)"));
    }

    void storedOptionsAreRepaired()
    {
        m_window.reset();
        modSettings::WriteSetting("Font Size", "12");
        modSettings::WriteSetting("Date", "d.m.yy");
        modSettings::WriteSetting("Css", "Blue");
        m_window = std::make_unique<frmMain>(m_path);
        m_window->Load();
        QCOMPARE(modSettings::ReadSetting("Font Size"), QString("8"));
        QCOMPARE(modSettings::ReadSetting("Date"), QString("dd/mm/yyyy"));
        QCOMPARE(modSettings::ReadSetting("Css"), QString("Blue"));
        QVERIFY(m_window->mnuOptionsFontSize8->isChecked());
        QVERIFY(m_window->mnuOptionsDateFormat.at(0)->isChecked());
    }

    void layoutFollowsTheWindowWidth_data()
    {
        QTest::addColumn<int>("widthTwips");
        QTest::addColumn<int>("listWidth");
        QTest::newRow("designed") << 11880 << 4095;
        QTest::newRow("12000 band") << 12600 << 4215;
        QTest::newRow("widest band") << 15000 << 6215;
    }
    void layoutFollowsTheWindowWidth()
    {
        QFETCH(int, widthTwips);
        QFETCH(int, listWidth);
        const int dpi = m_window->logicalDpiX();
        const int clientHeight = m_window->centralWidget()->height();
        const int extraHeight = m_window->height() - clientHeight;
        m_window->resize(WindowLayout::TwipsToPixels(widthTwips, dpi), clientHeight + extraHeight);
        QTRY_COMPARE(m_window->currentLayout().fraList.width, listWidth);
        QCOMPARE(m_window->fraList->width(), WindowLayout::TwipsToPixels(listWidth, dpi));
    }

    void personArgumentSelectsThePerson_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two blanks") << "/Person  2"
                                    << "Bob Builder";
        QTest::newRow("one blank") << "/Person 2"
                                   << "";
        QTest::newRow("removed person") << "/Person  9"
                                        << "";
    }
    void personArgumentSelectsThePerson()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, shown);
        m_window.reset();
        modSettings::WriteSetting("Default database", m_path);
        m_window = std::make_unique<frmMain>(commandLine);
        m_window->Load();
        QCOMPARE(m_window->fraDetails->isHidden(), shown.isEmpty());
        if (!shown.isEmpty()) {
            QCOMPARE(m_window->fraDetails->title(), shown);
            QCOMPARE(m_window->lvwMain->currentIndex().row(), 1);
        }
    }

    void databaseFileCommands()
    {
        const QString created = m_dir->filePath("new.mdb");
        m_platform->expectSaveFileName(created);
        m_window->mnuFileNew->trigger();
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), created);
        QCOMPARE(m_window->windowTitle(), QString("new.mdb - Addrion 1.4.3"));
        QCOMPARE(m_window->staMainCount->text(), QString("0/0"));
        QVERIFY(!m_window->mnuActionExport->isEnabled());
        QVERIFY(!m_window->mnuActionSearch->isEnabled());
        QCOMPARE(modSettings::ReadSetting("Database directory"), m_dir->path() + "/");

        m_platform->expectOpenFileName(m_path);
        m_window->toolbarButton("Open")->trigger();
        QCOMPARE(listedNames().size(), 5);

        const QString copy = m_dir->filePath("copy.mdb");
        m_platform->expectSaveFileName(copy);
        m_window->mnuFileCopy->trigger();
        const auto save = m_platform->callsOf("save").last();
        QCOMPARE(save.arguments.at(1), "home" + QDate::currentDate().toString("yyyyMMdd") + ".mdb");
        QVERIFY(QFile::exists(copy));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), m_path);

        // Replacing an existing file asks first; No leaves it alone.
        m_platform->expectSaveFileName(copy);
        m_platform->expectMessage(Platform::Answer::No);
        m_window->mnuFileNew->trigger();
        QVERIFY(m_platform->messages().last().text.startsWith("File already exists:\n" + copy + "\n"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), m_path);
    }

    // Every address the list can hold goes to the mail program as a mailto: address,
    // or is refused with a message; none becomes a file name.
    void sendEmailBuildsAMailtoAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url"); // "" when refused
        QTest::newRow("plain") << "bob@example.org"
                               << "mailto:bob@example.org";
        QTest::newRow("blank") << "carla diaz@example.com"
                               << "mailto:carla%20diaz@example.com";
        QTest::newRow("percent sign") << "50%off@example.com"
                                      << "mailto:50%25off@example.com";
        QTest::newRow("question mark and hash") << "who?#1@example.com"
                                                << "mailto:who%3F%231@example.com";
        QTest::newRow("not an address") << "//bob"
                                        << "";
    }
    void sendEmailBuildsAMailtoAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, url);
        sql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (2, 1, '" + address + "', '')");
        m_window->FillContactList();
        selectRow(1);
        QCOMPARE(m_window->lvwEmail->topLevelItemCount(), 1);
        if (url.isEmpty())
            m_platform->expectMessage();
        m_window->mnuPopupEmailSend->trigger();
        if (url.isEmpty()) {
            QCOMPARE(m_platform->messages().constLast().text, "This is not a valid e-mail address:\n" + address);
            QVERIFY(m_platform->callsOf("url").isEmpty());
            return;
        }
        QCOMPARE(m_platform->callsOf("url").size(), 1);
        QCOMPARE(QUrl(m_platform->callsOf("url").constFirst().text).toString(QUrl::FullyEncoded), url);
    }

    // A build without a web site and update address offers neither.
    void addressesFollowTheBuild_data()
    {
        QTest::addColumn<bool>("known");
        QTest::newRow("named by the build") << true;
        QTest::newRow("none") << false;
    }
    void addressesFollowTheBuild()
    {
        QFETCH(bool, known);
        if (!known)
            TestSupport::useNoAddresses();
        frmMain window("");
        TestSupport::useTestAddresses();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.mnuHelpWebsite->isVisible(), known);
        QCOMPARE(window.mnuOptionsCheck->isVisible(), known);
        QCOMPARE(window.lblWebsite->isVisible(), known);
        QCOMPARE(window.lblWebsite2->isVisible(), known);
        QCOMPARE(window.lblWebsite2->text(), known ? QString(TestSupport::TestWebsite) : QString());
    }

    void websiteLabelOpensTheSite()
    {
        QTest::mouseClick(m_window->lblWebsite2, Qt::LeftButton);
        QCOMPARE(m_platform->callsOf("url").size(), 1);
        QCOMPARE(m_platform->callsOf("url").first().text, m_window->lblWebsite2->text());
    }
};

ADDRION_TEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
