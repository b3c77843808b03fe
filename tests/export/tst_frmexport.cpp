// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowTest.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/modCalendar.h"
#include "export/frmEmail.h"
#include "export/frmExport.h"
#include "export/frmExportPreview.h"
#include "startup/modEnvironment.h"
#include <QTemporaryDir>

#include <QListView>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

// The export window, its previews and the e-mail address list over the real main window.
class TestFrmExport : public QObject, MainWindowTest
{
    Q_OBJECT

    QDir folder() const { return QFileInfo(m_fixture->databasePath()).dir(); }

    // Numbers and names run in opposite directions. Of the four first in name order, Bob has
    // two e-mail addresses, Carla only a second one, Dirk none.
    static void addSamplePersons()
    {
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (int number = 1; number <= 500; ++number)
            runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'Person %2')")
                       .arg(number)
                       .arg(501 - number, 3, 10, QLatin1Char('0')));
        addPersons({{501, "Bob", {}, {}, {"bob@x.org|", "bob@work.org|"}},
                    {502, "Anna", {}, {}, {"anna@x.org|"}},
                    {503, "Carla"},
                    {504, "Dirk"}});
        runSql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (503, 2, 'carla@x.org', '')");
        transaction.Commit();
    }

    static void choose(frmEmail& window, const QString& text)
    {
        const QStringList all = TestSupport::itemTexts(window.lvwList->model());
        window.lvwList->setCurrentIndex(window.lvwList->model()->index(all.indexOf(text), 0));
        QTest::mouseClick(window.cmdAddOne, Qt::LeftButton);
    }

    static modExport::Selection firstPersons(int count)
    {
        modExport::Selection selection;
        for (int number = 500; number > 500 - count; --number)
            selection.contactnrs.push_back(qint16(number));
        return selection;
    }

private slots:
    void init()
    {
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        start(addSamplePersons);
    }
    void cleanup()
    {
        closePreviewsAndDatabase();
        m_fixture.reset();
    }

    void addAllKeepsNameOrderAndDescriptionsFollowTheirLists()
    {
        frmExport window(*w());
        QVERIFY(!window.cmdOK->isEnabled() && !window.cmdSearchResult->isEnabled() && window.optHtml->isChecked());
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()).size(), 504);
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        const QStringList chosen = TestSupport::itemTexts(window.lvwExport->model());
        QCOMPARE((QStringList{QString::number(chosen.size()), chosen.first(), chosen.last()}),
                 (QStringList{"504", "Anna", "Person 500"}));
        QVERIFY(window.cmdOK->isEnabled() && !window.cmdAddAll->isEnabled());
        QCOMPARE(window.Selection().contactnrs.front(), qint16(502));

        window.lvwExport->setCurrentIndex(window.lvwExport->model()->index(1, 0));
        QTest::mouseClick(window.cmdRemoveOne, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()), QStringList{"Bob"});

        // A description box goes off with its list and comes back ticked.
        window.chkPhone->click();
        QVERIFY(!window.chkPhoneDescription->isChecked() && !window.chkPhoneDescription->isEnabled());
        window.chkPhone->click();
        QVERIFY(window.chkPhoneDescription->isChecked() && window.chkPhoneDescription->isEnabled());
        window.chkEmail->click();
        QVERIFY(!window.chkEmailDescription->isChecked() && window.chkPhoneDescription->isChecked());
    }

    void searchResultIsNotDuplicated()
    {
        searchFor("WHERE Name LIKE 'Person 00%' ");
        frmExport window(*w());
        QVERIFY(window.cmdSearchResult->isEnabled());
        window.lvwList->setCurrentIndex(window.lvwList->model()->index(8, 0));
        QTest::mouseClick(window.cmdAddOne, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(window.lvwExport->model()), QStringList{"Person 005"});
        QTest::mouseClick(window.cmdSearchResult, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(window.lvwExport->model()),
                 (QStringList{"Person 005", "Person 001", "Person 002", "Person 003", "Person 004", "Person 006",
                              "Person 007", "Person 008", "Person 009"}));
    }

    void textPreviewSavesACopy()
    {
        frmExport window(*w());
        window.lvwList->setCurrentIndex(window.lvwList->model()->index(4, 0));
        QTest::mouseClick(window.cmdAddOne, Qt::LeftButton);
        window.OptTxt->click();
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        frmExportPreview* shown = shownPreview("frmExportTxt");
        QVERIFY(shown);
        QTRY_VERIFY(shown->toolbarButton("Save")->isEnabled());
        QVERIFY(shown->wbrPrint->toPlainText().contains("Person 001") && !shown->toolbarButton("Print")->isEnabled());

        const QString target = folder().filePath("saved.txt");
        QVERIFY(TestSupport::writeFile(target, "older"));
        platform()->expectSaveFileName(target);
        platform()->expectMessage(Platform::Answer::Yes);
        shown->toolbarButton("Save")->trigger();
        QCOMPARE(TestSupport::readFile(target), QByteArray("-----------\r\nPerson 001\r\n-----------\r\n\r\n\r\n"));
        QCOMPARE(TestSupport::readSetting("Export directory"), folder().path() + "/");
        QCOMPARE(platform()->callsOf("save").constFirst().arguments.at(1),
                 "Addrion" + TestSupport::FixedToday().toString("yyyyMMdd") + ".txt");
    }

    // Printed, the "Cards" page breaks between cards, never inside one: every page begins
    // with a person's name, and every person's lines are on one page.
    void printedCardsStayWhole()
    {
        TestSupport::writeSetting("Css", "Cards");
        modExport::Selection selection = firstPersons(0);
        for (qint16 number = 1; number <= 60; ++number)
            selection.contactnrs.push_back(number);
        // Cards of different heights: one to nine address lines.
        for (qint16 number = 1; number <= 60; ++number)
            runSql(QString("UPDATE Person SET Address = '%1Land %2' WHERE Contactnr = %2")
                       .arg(QString("Street\n").repeated(number % 9))
                       .arg(number));
        frmExportPreview* shown = frmExportPreview::Show(frmExportPreview::Kind::Html, selection, *w());
        QVERIFY(shown);
        QTRY_VERIFY(shown->toolbarButton("Save")->isEnabled());
        const TestSupport::PrintedText run = TestSupport::printedText(*shown->wbrPrint);
        QCOMPARE(run.exitCode, 0);
        const QStringList pages = run.text.split('\f', Qt::SkipEmptyParts);
        QVERIFY2(pages.size() > 1, qPrintable(QString::number(pages.size())));
        QSet<QString> seen;
        for (const QString& page : pages) {
            const QStringList lines = page.split('\n', Qt::SkipEmptyParts);
            if (lines.isEmpty())
                continue;
            QVERIFY2(lines.first().startsWith("Person "), qPrintable(lines.first()));
            for (const QString& line : lines)
                if (line.startsWith("Person "))
                    seen.insert(line);
            // A card's last line is on the page of its name.
            QVERIFY2(lines.last().startsWith("Land ") || lines.last().startsWith("Person "), qPrintable(lines.last()));
        }
        QCOMPARE(seen.size(), 60);
    }

    // Each shipped style, chosen in the menu, is shown and saved: the saved page looks the same.
    void restyledPreviewShowsWhatSaveWrites_data()
    {
        QTest::addColumn<QString>("style");
        for (const QString& style : modExport::StyleNames())
            QTest::newRow(qPrintable(style)) << style;
    }
    void restyledPreviewShowsWhatSaveWrites()
    {
        QFETCH(QString, style);
        TestSupport::writeSetting("Css", style == "Normal" ? "Cards" : "Normal");
        frmExportPreview* shown = frmExportPreview::Show(frmExportPreview::Kind::Html, firstPersons(3), *w());
        QVERIFY(shown);
        QTRY_VERIFY(shown->toolbarButton("Css")->isEnabled());
        const QString before = shown->wbrPrint->document()->toHtml();
        QStringList styles;
        for (QAction* entry : shown->mnuCss->actions())
            styles << entry->text();
        QSignalSpy loaded(shown->wbrPrint, &HtmlViewer::documentLoaded);
        shown->mnuCss->actions().at(styles.indexOf(style))->trigger();
        QCOMPARE(TestSupport::readSetting("Css"), style);
        QCOMPARE(shown->toolbarButton("Css")->text(), style);
        QTRY_VERIFY(loaded.count() > 0);
        QVERIFY(TestSupport::readFile(shown->ExportFile()).contains("Css/" + style.toUtf8() + ".css"));

        const QString target = folder().filePath("saved.htm");
        platform()->expectSaveFileName(target);
        shown->toolbarButton("Save")->trigger();
        HtmlViewer saved;
        saved.Navigate(target);
        QCOMPARE(shown->wbrPrint->document()->toHtml(), saved.document()->toHtml());
        QVERIFY(shown->wbrPrint->document()->toHtml() != before);

        // In the viewer (and so the printout) every name opens its person with space above and a
        // band of its own colour; a person with a background of its own (a card) has no gaps.
        QTextDocument* document = saved.document();
        const QColor page = document->rootFrame()->frameFormat().background().color();
        const QStringList names{"Person 001", "Person 002", "Person 003"};
        for (const QString& name : names) {
            QTextBlock block = document->find(name).block();
            QVERIFY2(block.isValid(), qPrintable(name));
            const QTextBlockFormat format = block.blockFormat();
            QVERIFY2(format.topMargin() >= 4, qPrintable(name));
            QVERIFY2(format.background().style() != Qt::NoBrush && format.background().color() != page,
                     qPrintable(name));
            const QBrush card = block.next().blockFormat().background();
            if (card.style() == Qt::NoBrush || card.color() == page)
                continue;
            for (QTextBlock part = block.next(); part.isValid() && !names.contains(part.next().text().trimmed());
                 part = part.next()) {
                QCOMPARE(part.blockFormat().background(), card);
                QCOMPARE(part.blockFormat().bottomMargin() + part.next().blockFormat().topMargin(), 0.0);
            }
        }
    }

    // Both style menus, the export's and the calendar's, in the user's order of names.
    void styleMenusInNameOrder()
    {
        QTemporaryDir program;
        modEnvironment::SetProgramFolder(program.path());
        for (const char* name : {"zebra", "Ärger", "apple", "Bird"}) {
            QVERIFY(TestSupport::writeFile(program.filePath(QString("Css/%1.css").arg(name)), "body { }"));
            QVERIFY(TestSupport::writeFile(program.filePath(QString("Calendar/%1.css").arg(name)), "body { }"));
        }
        QCOMPARE(modCalendar::StyleNames(), (QStringList{"apple", "Ärger", "Bird", "zebra"}));
        frmExportPreview* shown = frmExportPreview::Show(frmExportPreview::Kind::Html, firstPersons(1), *w());
        QVERIFY(shown);
        QStringList styles;
        for (QAction* entry : shown->mnuCss->actions())
            styles << entry->text();
        QCOMPARE(styles, (QStringList{"apple", "Ärger", "Bird", "zebra"}));
    }

    // Two previews side by side: each saves its own export; closing one leaves the other working.
    void previewsKeepTheirOwnFiles_data() { TestSupport::addTwoRows("html", "text", "XHTML"); }
    void previewsKeepTheirOwnFiles()
    {
        QFETCH(bool, html);
        const auto previewKind = html ? frmExportPreview::Kind::Html : frmExportPreview::Kind::Text;
        frmExportPreview* first = frmExportPreview::Show(previewKind, {{500}, {}}, *w());
        frmExportPreview* second = frmExportPreview::Show(previewKind, {{1}, {}}, *w());
        QVERIFY(first && second);
        QVERIFY(first->ExportFile() != second->ExportFile() &&
                first->ExportFile().startsWith(modEnvironment::TempFolder()));
        const auto save = [this](frmExportPreview* preview, const QString& name) {
            platform()->expectSaveFileName(folder().filePath(name));
            preview->toolbarButton("Save")->trigger();
            return QString::fromUtf8(TestSupport::readFile(folder().filePath(name)));
        };
        QVERIFY(save(first, "first").contains("Person 001"));
        QVERIFY(save(second, "second").contains("Person 500"));
        const QString secondFile = second->ExportFile();
        second->close();
        QTRY_VERIFY(!QFile::exists(secondFile));
        QVERIFY(QFile::exists(first->ExportFile()));
        const QString again = save(first, "again");
        QVERIFY(again.contains("Person 001") && !again.contains("Person 500"));
    }

    // The list, copied or handed to the mail program, is in name order.
    void emailListInNameOrder_data()
    {
        TestSupport::addColumns<bool, QString>("semicolon", "list");
        QTest::newRow("comma") << false << "anna@x.org, bob@x.org";
        QTest::newRow("semicolon") << true << "anna@x.org; bob@x.org";
    }
    void emailListInNameOrder()
    {
        auto [semicolon, list] = TestSupport::fetch<bool, QString>("semicolon", "list");
        frmEmail window(*w());
        choose(window, "Bob (bob@x.org)");
        choose(window, "Anna (anna@x.org)");
        QCOMPARE(TestSupport::itemTexts(window.lvwEmail->model()),
                 (QStringList{"Bob (bob@x.org)", "Anna (anna@x.org)"}));
        QTest::mouseClick(semicolon ? window.optSemicolon : window.optColon, Qt::LeftButton);
        QCOMPARE(window.txtList->text(), list);
        QCOMPARE(TestSupport::readSetting("Separator"), semicolon ? QString(";") : QString(","));
        QTest::mouseClick(window.cmdCopy, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), list);
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(platform()->callsOf("url").size(), 1);
        QCOMPARE(platform()->callsOf("url").constFirst().text, "mailto:" + list);

        frmEmail again(*w());
        QCOMPARE(again.optSemicolon->isChecked(), semicolon);
    }

    // Only first addresses are offered; chosen and removed again, they keep their places.
    void emailListAddAllAndRemoveAll()
    {
        frmEmail window(*w());
        const QStringList offered{"Anna (anna@x.org)", "Bob (bob@x.org)"};
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()), offered);
        QVERIFY(!window.cmdSearchResult->isEnabled() && window.optColon->isChecked());
        QTest::mouseClick(window.cmdAddAll, Qt::LeftButton);
        QVERIFY(TestSupport::itemTexts(window.lvwList->model()).isEmpty() && !window.cmdAddAll->isEnabled());
        QCOMPARE(window.txtList->text(), QString("anna@x.org, bob@x.org"));
        QTest::mouseClick(window.cmdRemoveAll, Qt::LeftButton);
        QVERIFY(window.txtList->text().isEmpty());
        for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
                 window.cmdCopy, window.cmdOK, window.cmdRemoveOne, window.cmdRemoveAll})
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
        QCOMPARE(TestSupport::itemTexts(window.lvwList->model()), offered);
    }

    // "Add a group": the persons of the group that "add all" would take (Carla, with a second
    // address only, and Dirk, with none, are not offered), each by the first address.
    void emailListOfAGroup()
    {
        runSql("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (501, 1, 'Family'), (503, 1, 'Family'), "
               "(504, 1, 'Family'), (502, 1, 'Work')");
        frmEmail window(*w());
        platform()->expectItem(QString("Family (3)"));
        QTest::mouseClick(window.findChild<QPushButton*>("cmdAddGroup"), Qt::LeftButton);
        QCOMPARE(platform()->callsOf("item").constFirst().arguments, (QStringList{"Family (3)", "Work (1)"}));
        QCOMPARE(TestSupport::itemTexts(window.lvwEmail->model()), QStringList{"Bob (bob@x.org)"});
        QCOMPARE(window.txtList->text(), QString("bob@x.org"));
        // Cancelled: nothing more is added.
        platform()->expectItem(std::nullopt);
        QTest::mouseClick(window.findChild<QPushButton*>("cmdAddGroup"), Qt::LeftButton);
        QCOMPARE(window.txtList->text(), QString("bob@x.org"));
    }

    void emailSearchResultTakesOnlyPersonsWithAddresses()
    {
        searchFor("WHERE Name <> 'Anna' ");
        QCOMPARE(w()->ListRowCount(), 503);
        frmEmail window(*w());
        QVERIFY(window.cmdSearchResult->isEnabled());
        QTest::mouseClick(window.cmdSearchResult, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(window.lvwEmail->model()), QStringList{"Bob (bob@x.org)"});
        QCOMPARE(window.txtList->text(), QString("bob@x.org"));
    }
};

ADDRION_TEST_MAIN(TestFrmExport)
#include "tst_frmexport.moc"
