// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowTest.h"

#include "startup/modEnvironment.h"
#include "startup/modText.h"

#include <QUrl>

using TestSupport::control;
using TestSupport::controls;

// The real main window, offscreen, on a real database file.
class TestFrmMain : public QObject, MainWindowTest
{
    Q_OBJECT

    QString path() const { return m_fixture->databasePath(); }

    // Anna has everything; Bob only a name; the others fill the list.
    static void addSamplePersons()
    {
        addPersons({{1,
                     "Anna Ärger",
                     TestSupport::FixedToday().addYears(-30),
                     {"+31 20 555|home", "0612|"},
                     {"anna@example.org|work", "anna@hotmail.example|"},
                     "Main Street 1\nTown",
                     "see www.example.org for more"},
                    {2, "Bob Builder"},
                    {3, "José Ñandú"},
                    {4, "Sean O'Brien"},
                    {5, "émile Zola"}});
    }

private slots:
    void initTestCase() { TestSupport::useTestAddresses(); }
    void init() { start(addSamplePersons); }
    void cleanup() { stop(); }

    void firstStartShowsTheSortedListAndStoresDefaults()
    {
        QCOMPARE(listedNames(), (QStringList{"Anna Ärger", "Bob Builder", "émile Zola", "José Ñandú", "Sean O'Brien"}));
        QCOMPARE(listState(), QString("5/5 (5 rows), row -1, -"));
        QCOMPARE(w()->contactList()->index(2, 0).data(ContactListModel::KeyRole).toString(), QString("Person  5"));
        QVERIFY(control<QGroupBox>(w(), "fraInfo")->isVisible() &&
                control<QAction>(w(), "mnuActionExport")->isEnabled() &&
                !control<QAction>(w(), "mnuPersonEdit")->isEnabled());

        // A first run stores the defaults and switches the birthday reminder on.
        QCOMPARE(settings({"Date", "Font Size", "Check version", "Css", "Css Calendar", "SearchFullname", "SearchDate",
                           "SearchPhone", "SearchEmail", "SearchAddress", "SearchNote", "Birthday reminder"}),
                 (QStringList{"Date=dd/mm/yyyy", "Font Size=8", "Check version=1", "Css=Normal", "Css Calendar=Orange",
                              "SearchFullname=1", "SearchDate=1", "SearchPhone=0", "SearchEmail=0", "SearchAddress=1",
                              "SearchNote=0", "Birthday reminder=1"}));
        QVERIFY(control<QAction>(w(), "mnuOptionsCheck")->isChecked());
        QCOMPARE(control<QLabel>(w(), "lblDateFormat")->text(), QString("(dd/mm/yyyy)"));
    }

    // message: the title of the message shown, "" for none
    void quickSearchNarrows_data()
    {
        TestSupport::addColumns<QString, QStringList, QString, QString>("typed", "names", "state", "message");
        TestSupport::addRow("accent typed", QString::fromUtf8("ú"), QStringList{"Bob Builder", "José Ñandú"},
                            "2/5 (2 rows), row 0, Bob Builder", "");
        TestSupport::addRow("nobody", "xyz", QStringList{}, "0/5 (0 rows), row -1, -", "");
        // The engine refuses a lone bracket: its error is shown and nobody is listed.
        TestSupport::addRow("lone bracket", "[", QStringList{}, " (0 rows), row -1, -", "Error");
    }
    void quickSearchNarrows()
    {
        auto [typed, names, message] = TestSupport::fetch<QString, QStringList, QString>("typed", "names", "message");
        if (!message.isEmpty())
            platform()->expectMessage();
        control<QLineEdit>(w(), "txtQuickSearch")->insert(typed); // as an input method types it
        QCOMPARE(message.isEmpty() ? QString() : platform()->messages().constFirst().title, message);
        QCOMPARE(listedNames(), names);
        QTEST(listState(), "state");
        // A refused pattern leaves the commands as they were.
        QCOMPARE(control<QAction>(w(), "mnuActionExport")->isEnabled(), !names.isEmpty() || !message.isEmpty());
        QCOMPARE(control<QAction>(w(), "mnuActionSearch")->isEnabled(), !names.isEmpty() || !message.isEmpty());

        QTest::keyClick(control<QLineEdit>(w(), "txtQuickSearch"), Qt::Key_Return);
        QVERIFY(control<QTreeView>(w(), "lvwMain")->hasFocus());
        QTest::mouseClick(control<QLineEdit>(w(), "txtQuickSearch"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>(w(), "txtQuickSearch")->text(), QString());
        QCOMPARE(listState(), QString("5/5 (5 rows), row -1, -"));
    }

    void detailsOfAFullPersonThenOfANameOnly()
    {
        clickRow(0);
        QCOMPARE(shownDetails(),
                 (QStringList{"Anna Ärger", TestSupport::FixedToday().addYears(-30).toString("dd/MM/yyyy"), "Age: 30",
                              "Main Street 1\nTown", "+31 20 555 (home), 0612",
                              "anna@example.org (work), anna@hotmail.example", "see www.example.org for more"}));
        QVERIFY(control<QAction>(w(), "mnuPersonEdit")->isEnabled() && w()->toolbarButton("Remove")->isEnabled());

        clickRow(1);
        QCOMPARE(shownDetails(), (QStringList{"Bob Builder", "", "-", "", "", "", ""}));
        QVERIFY(!control<QLabel>(w(), "lblDateFormat")->isVisible());
    }

    // The group filter: hidden while no person is in a group; it narrows the list together
    // with the quick search; rename and remove act on everybody after saying how many.
    void groupFilterRenameAndRemove()
    {
        QVERIFY(control<QComboBox>(w(), "cboGroup")->isHidden());
        QVERIFY(control<QGroupBox>(w(), "fraGroups")->isHidden());
        runSql("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (1, 1, 'Family'), (1, 2, 'Chess'), "
               "(3, 1, 'family'), (4, 1, 'Chess')");
        w()->FillContactList();
        QVERIFY(!control<QComboBox>(w(), "cboGroup")->isHidden());
        QCOMPARE(TestSupport::itemTexts(control<QComboBox>(w(), "cboGroup")->model()),
                 (QStringList{"All", "Chess", "Family"}));

        control<QComboBox>(w(), "cboGroup")->setCurrentIndex(2);
        QCOMPARE(listedNames(), (QStringList{"Anna Ärger", "José Ñandú"}));
        QCOMPARE(listState().section(' ', 0, 0), QString("2/5"));
        control<QLineEdit>(w(), "txtQuickSearch")->insert("jos");
        QCOMPARE(listedNames(), QStringList{"José Ñandú"});
        control<QLineEdit>(w(), "txtQuickSearch")->clear();
        clickRow(0);
        QVERIFY(control<QGroupBox>(w(), "fraGroups")->isVisible());
        QCOMPARE(control<QLineEdit>(w(), "txtGroups")->text(), QString("Family, Chess"));

        // Renamed for everybody in it, after a question naming the number of persons.
        platform()->expectItem(QString("Family"));
        platform()->expectText(QString("Relatives"));
        platform()->expectMessage(Platform::Answer::Yes);
        control<QAction>(w(), "mnuFileGroupRename")->trigger();
        QCOMPARE(platform()->callsOf("item").constLast().arguments, (QStringList{"Chess", "Family"}));
        QVERIFY2(platform()->messages().constLast().text.contains("Relatives") &&
                     platform()->messages().constLast().text.contains(" 2 "),
                 qPrintable(platform()->messages().constLast().text));
        QCOMPARE(control<QComboBox>(w(), "cboGroup")->currentText(), QString("Relatives"));
        QCOMPARE(listedNames(), (QStringList{"Anna Ärger", "José Ñandú"}));

        // Removed: the persons stay, the filter shows everybody again.
        platform()->expectItem(QString("Relatives"));
        platform()->expectMessage(Platform::Answer::Yes);
        control<QAction>(w(), "mnuFileGroupRemove")->trigger();
        QCOMPARE(control<QComboBox>(w(), "cboGroup")->currentIndex(), 0);
        QCOMPARE(listedNames().size(), 5);
        QCOMPARE(TestSupport::itemTexts(control<QComboBox>(w(), "cboGroup")->model()), (QStringList{"All", "Chess"}));
        // Answered no: nothing changes.
        platform()->expectItem(QString("Chess"));
        platform()->expectMessage(Platform::Answer::No);
        control<QAction>(w(), "mnuFileGroupRemove")->trigger();
        QCOMPARE(TestSupport::itemTexts(control<QComboBox>(w(), "cboGroup")->model()), (QStringList{"All", "Chess"}));
    }

    // Another date format or font size shows the same person again; the menu ticks only it.
    void displayOptionsKeepThePersonShown()
    {
        // With nobody shown, nobody is shown afterwards.
        const QList<QAction*> dateFormats = controls<QAction>(w(), "mnuOptionsDateFormat");
        dateFormats.at(1)->trigger();
        QVERIFY(!control<QGroupBox>(w(), "fraDetails")->isVisible());
        clickRow(0);
        dateFormats.at(2)->trigger();
        QCOMPARE(TestSupport::readSetting("Date"), QString("yyyy/mm/dd"));
        QCOMPARE(control<QLineEdit>(w(), "txtDateofbirth")->text(),
                 TestSupport::FixedToday().addYears(-30).toString("yyyy/MM/dd"));
        QCOMPARE(control<QLabel>(w(), "lblDateFormat")->text(), QString("(yyyy/mm/dd)"));
        QVERIFY(dateFormats.at(2)->isChecked() && !dateFormats.at(0)->isChecked());
        clickRow(3);
        control<QAction>(w(), "mnuOptionsFontSize10")->trigger();
        QCOMPARE(TestSupport::readSetting("Font Size"), QString("10"));
        QCOMPARE(control<QTreeView>(w(), "lvwMain")->font().pointSize(), 10);
        QCOMPARE(listState(), QString("5/5 (5 rows), row 3, José Ñandú"));
        QVERIFY(control<QAction>(w(), "mnuOptionsFontSize10")->isChecked() &&
                !control<QAction>(w(), "mnuOptionsFontSize8")->isChecked());
    }

    void removePerson_data() { TestSupport::addTwoRows("yes", "no", "yes"); }
    void removePerson()
    {
        QFETCH(bool, yes);
        clickRow(0);
        platform()->expectMessage(yes ? Platform::Answer::Yes : Platform::Answer::No);
        control<QAction>(w(), "mnuPersonRemove")->trigger();
        const auto question = platform()->messages().first();
        QCOMPARE(question.title + ": " + question.text,
                 "Remove: Are you sure you want to remove the following Person:\nAnna Ärger");
        QCOMPARE(question.buttons, Platform::Buttons::YesNo);
        for (const auto& [table, rows] : {std::pair{"Person", 1}, {"Phone", 2}, {"Email", 2}})
            QCOMPARE(countSelected(QString("SELECT * FROM %1 WHERE Contactnr = 1").arg(table)), yes ? 0 : rows);
        QCOMPARE(listState(), yes ? QString("4/4 (4 rows), row -1, -") : QString("5/5 (5 rows), row 0, Anna Ärger"));
        QCOMPARE(control<QAction>(w(), "mnuPersonRemove")->isEnabled(), !yes);
    }

    // What a person's details offer: copies, popups that follow the entry, mail, the note's links.
    void detailsCommands()
    {
        clickRow(0);
        QClipboard* clipboard = QGuiApplication::clipboard();
        QTest::keyClick(control<QTreeView>(w(), "lvwMain"), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("Anna Ärger"));

        auto* phones = control<QTreeWidget>(w(), "lvwPhone");
        auto* emails = control<QTreeWidget>(w(), "lvwEmail");
        auto* phoneCopy2 = control<QAction>(w(), "mnuPopupPhoneCopy2");
        auto* emailCopy2 = control<QAction>(w(), "mnuPopupEmailCopy2");
        phones->setCurrentItem(phones->topLevelItem(0));
        QTest::keyClick(phones, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("+31 20 555"));
        phoneCopy2->trigger();
        QCOMPARE(clipboard->text(), QString("+31 20 555 (home)"));
        emailCopy2->trigger();
        QCOMPARE(clipboard->text(), QString("anna@example.org (work)"));

        QTest::keyClick(control<QPlainTextEdit>(w(), "txtAddress"), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), QString("Main Street 1\nTown"));
        auto* date = control<QLineEdit>(w(), "txtDateofbirth");
        date->setSelection(0, 2);
        control<QAction>(w(), "mnuPopupDateofbirthCopy")->trigger();
        QCOMPARE(clipboard->text(), date->text().left(2));

        // The popup of an entry, with what it offers: copy with the description, profile page.
        for (const auto& [list, row, offered] :
             {std::tuple{phones, 1, "0"}, {phones, 0, "1"}, {emails, 0, "10"}, {emails, 1, "01"}}) {
            list->setCurrentItem(list->topLevelItem(row));
            emit list->customContextMenuRequested(list->visualItemRect(list->topLevelItem(row)).center());
            const bool phone = list == phones;
            const QString copy = (phone ? phoneCopy2 : emailCopy2)->isEnabled() ? "1" : "0";
            const QAction* website = control<QAction>(w(), "mnuPopupEmailWebsite");
            QCOMPARE(copy + (phone ? "" : website->isEnabled() ? "1" : "0"), QString(offered));
            control<QMenu>(w(), phone ? "mnuPopupPhone" : "mnuPopupEmail")->close();
        }

        emails->setCurrentItem(emails->topLevelItem(0));
        QTest::keyClick(emails, Qt::Key_Return);
        QCOMPARE(platform()->callsOf("url").last().text, QString("mailto:anna@example.org"));

        // A click inside the link word of the note opens it.
        auto* note = control<QTextBrowser>(w(), "rtbNote");
        QTextCursor cursor = note->textCursor();
        cursor.setPosition(8);
        note->setTextCursor(cursor);
        QTest::mouseClick(note->viewport(), Qt::LeftButton, {}, note->cursorRect(cursor).center());
        QCOMPARE(platform()->callsOf("url").last().text, QString("http://www.example.org"));
        const int opened = platform()->callsOf("url").size();
        cursor.setPosition(1);
        note->setTextCursor(cursor);
        QTest::mouseClick(note->viewport(), Qt::LeftButton, {}, note->cursorRect(cursor).center());
        QCOMPARE(platform()->callsOf("url").size(), opened);
    }

    void searchToggleShowsTheResult()
    {
        searchFor("WHERE Name LIKE 'S%' ");
        QVERIFY(control<QAction>(w(), "mnuActionSearch")->isChecked());
        QCOMPARE(listState(), QString("1/5 (1 rows), row 0, Sean O'Brien"));

        // The quick search narrows the result further; no match keeps Search usable.
        QTest::keyClicks(control<QLineEdit>(w(), "txtQuickSearch"), "xyz");
        QVERIFY(listedNames().isEmpty() && control<QAction>(w(), "mnuActionSearch")->isEnabled());
        control<QLineEdit>(w(), "txtQuickSearch")->clear();

        control<QAction>(w(), "mnuActionSearch")->trigger();
        QVERIFY(!w()->toolbarButton("Search")->isChecked() && modSearch::SearchCondition.isEmpty());
        QCOMPARE(listState(), QString("5/5 (5 rows), row -1, -"));
    }

    void storedOptionsAreRepaired()
    {
        m_fixture->close();
        TestSupport::writeSetting("Font Size", "12");
        TestSupport::writeSetting("Date", "d.m.yy");
        TestSupport::writeSetting("Css", "Blue");
        m_fixture->open();
        QCOMPARE(settings({"Font Size", "Date", "Css"}), (QStringList{"Font Size=8", "Date=dd/mm/yyyy", "Css=Blue"}));
        QVERIFY(control<QAction>(w(), "mnuOptionsFontSize8")->isChecked() &&
                controls<QAction>(w(), "mnuOptionsDateFormat").at(0)->isChecked());
    }

    // The window lays itself out for each width (the bands themselves: see the list rules test).
    void layoutFollowsTheWindowWidth()
    {
        const int dpi = w()->logicalDpiX();
        for (const auto& [widthTwips, listWidth] : {std::pair{15000, 6215}, {12600, 4215}, {11880, 4095}}) {
            w()->resize(WindowLayout::TwipsToPixels(widthTwips, dpi), w()->height());
            QTRY_COMPARE(w()->currentLayout().fraList.width, listWidth);
            QCOMPARE(control<QGroupBox>(w(), "fraList")->width(), WindowLayout::TwipsToPixels(listWidth, dpi));
        }
    }

    void personArgumentSelectsThePerson_data()
    {
        TestSupport::addColumns<QString, QString>("commandLine", "state");
        TestSupport::addRow("two blanks", "/Person  2", "5/5 (5 rows), row 1, Bob Builder");
        TestSupport::addRow("one blank", "/Person 2", "5/5 (5 rows), row -1, -");
        TestSupport::addRow("removed person", "/Person  9", "5/5 (5 rows), row -1, -");
    }
    void personArgumentSelectsThePerson()
    {
        QFETCH(QString, commandLine);
        m_fixture->close();
        TestSupport::writeSetting("Default database", path());
        m_fixture->open(commandLine);
        QTEST(listState(), "state");
    }

    void databaseFileCommands()
    {
        const QString created = QFileInfo(path()).dir().filePath("new.mdb");
        platform()->expectSaveFileName(created);
        control<QAction>(w(), "mnuFileNew")->trigger();
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), created);
        QCOMPARE(w()->windowTitle(), "new.mdb - " + TestSupport::programTitle());
        QCOMPARE(control<QLabel>(w(), "staMainCount")->text(), QString("0/0"));
        QVERIFY(!control<QAction>(w(), "mnuActionExport")->isEnabled() &&
                !control<QAction>(w(), "mnuActionSearch")->isEnabled());
        QCOMPARE(TestSupport::readSetting("Database directory"), QFileInfo(path()).path() + "/");

        platform()->expectOpenFileName(path());
        w()->toolbarButton("Open")->trigger();
        QCOMPARE(listedNames().size(), 5);

        const QString copy = QFileInfo(path()).dir().filePath("copy.mdb");
        platform()->expectSaveFileName(copy);
        control<QAction>(w(), "mnuFileCopy")->trigger();
        QCOMPARE(platform()->callsOf("save").last().arguments.at(1),
                 "home" + TestSupport::FixedToday().toString("yyyyMMdd") + ".mdb");
        QVERIFY(QFile::exists(copy));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path());

        // Replacing an existing file asks first; No leaves it alone.
        platform()->expectSaveFileName(copy);
        platform()->expectMessage(Platform::Answer::No);
        control<QAction>(w(), "mnuFileNew")->trigger();
        QVERIFY(platform()->messages().last().text.startsWith("File already exists:\n" + copy + "\n"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path());
    }

    // Each address goes to the mail program as a mailto: address or is refused; none becomes a file.
    void sendEmailBuildsAMailtoAddress_data()
    {
        // url: "" when refused
        TestSupport::addColumns<QString, QString>("address", "url");
        TestSupport::addRow("plain", "bob@example.org", "mailto:bob@example.org");
        TestSupport::addRow("blank", "carla diaz@example.com", "mailto:carla%20diaz@example.com");
        TestSupport::addRow("percent sign", "50%off@example.com", "mailto:50%25off@example.com");
        TestSupport::addRow("question mark and hash", "who?#1@example.com", "mailto:who%3F%231@example.com");
        TestSupport::addRow("not an address", "//bob", "");
    }
    void sendEmailBuildsAMailtoAddress()
    {
        auto [address, url] = TestSupport::fetch<QString, QString>("address", "url");
        runSql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (2, 1, '" + address + "', '')");
        w()->FillContactList();
        clickRow(1);
        QCOMPARE(control<QTreeWidget>(w(), "lvwEmail")->topLevelItemCount(), 1);
        if (url.isEmpty())
            platform()->expectMessage();
        control<QAction>(w(), "mnuPopupEmailSend")->trigger();
        QStringList opened;
        for (const ScriptedPlatform::Call& call : platform()->callsOf("url"))
            opened << QUrl(call.text).toString(QUrl::FullyEncoded);
        QCOMPARE(opened, url.isEmpty() ? QStringList() : QStringList{url});
        if (url.isEmpty())
            QCOMPARE(platform()->messages().constLast().text, "This is not a valid e-mail address:\n" + address);
    }

    // A build without a web site and update address offers neither.
    void addressesFollowTheBuild_data() { TestSupport::addTwoRows("known", "none", "named by the build"); }
    void addressesFollowTheBuild()
    {
        QFETCH(bool, known);
        if (!known)
            TestSupport::useNoAddresses();
        frmMain window("");
        TestSupport::useTestAddresses();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QObject* offer : std::initializer_list<const QObject*>{
                 control<QAction>(&window, "mnuHelpWebsite"), control<QAction>(&window, "mnuOptionsCheck"),
                 control<QLabel>(&window, "lblWebsite"), control<QLabel>(&window, "lblWebsite2")})
            QVERIFY2(offer->property("visible").toBool() == known, qPrintable(offer->objectName()));
        QCOMPARE(control<QLabel>(&window, "lblWebsite2")->text(),
                 known ? QString(TestSupport::TestWebsite) : QString());
        if (!known)
            return;
        QTest::mouseClick(control<QLabel>(&window, "lblWebsite2"), Qt::LeftButton);
        QCOMPARE(platform()->callsOf("url").size(), 1);
        QCOMPARE(platform()->callsOf("url").first().text, QString(TestSupport::TestWebsite));
    }
};

ADDRION_TEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
