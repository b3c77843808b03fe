// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowTest.h"

#include "database/modPersonView.h"
#include "editor/frmContact.h"
#include "editor/frmContactEntry.h"

#include <QCompleter>
#include <QImage>
#include <QTemporaryDir>

using TestSupport::control;

// The contact editor and its entry dialogs over the real main window.
class TestFrmContact : public QObject, MainWindowTest
{
    Q_OBJECT

    std::unique_ptr<frmContact> m_editor;

    // Types an entry into the dialog that the add button opens, and presses OK.
    static void addEntry(QToolButton* add, const QString& value, const QString& description)
    {
        const auto ran = TestSupport::onModal<frmContactEntry>([value, description](frmContactEntry* dialog) {
            QTest::keyClicks(dialog->valueBox(), value);
            QTest::keyClicks(dialog->txtDescription, description);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        QTest::mouseClick(add, Qt::LeftButton);
        QVERIFY(*ran);
    }

    // An editor as the main window opens it, but without its own event loop.
    void openEditor(frmContact::Mode mode)
    {
        m_editor = std::make_unique<frmContact>(mode, *w());
        QVERIFY(m_editor->Load());
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
    }

    void clickOk() { QTest::mouseClick(m_editor->cmdOK, Qt::LeftButton); }

    // Anna has everything; Bob has one number.
    static void addSamplePersons()
    {
        addPersons({{1,
                     "Anna Ärger",
                     QDate(1980, 5, 6),
                     {"+31 20 555|home", "0612|", "070|work"},
                     {"anna@example.org|work", "anna@hotmail.example|"},
                     "Main Street 1",
                     "a note"},
                    {2, "Bob Builder", {}, {"0101|Bob"}},
                    {4, "Sean O'Brien"}});
    }

private slots:
    void init()
    {
        QGuiApplication::clipboard()->clear();
        start(addSamplePersons, true);
    }
    void cleanup()
    {
        m_editor.reset();
        m_fixture.reset();
    }

    // A person typed in the editor that "--new-person" opens over the default database is shown,
    // survives a restart and can be edited and reordered.
    void addEditAndReorderThroughTheMainWindow()
    {
        TestSupport::writeSetting("Default database", m_fixture->databasePath());
        m_fixture->restart("--new-person");
        searchFor("WHERE Name LIKE 'S%' ");
        QCOMPARE(w()->ListRowCount(), 1);

        const auto added = TestSupport::onModal<frmContact>([](frmContact* editor) {
            QCOMPARE(QStringList({editor->objectName(), editor->windowTitle(), editor->txtFullname->text(),
                                  QString::number(editor->lvwPhone->topLevelItemCount())}),
                     (QStringList{"frmContactAdd", "Add", "", "0"}));
            QTest::keyClicks(editor->txtFullname, "Zed O'Neil");
            TestSupport::typeNearRightEnd(editor->txtDateofbirth, "31121999");
            QTest::keyClicks(editor->txtAddress, "Elm Street 5");
            QTest::keyClicks(editor->txtNote, "likes tea");
            addEntry(editor->cmdPhoneAdd, "012 345", "Home");
            addEntry(editor->cmdPhoneAdd, "0612", "");
            addEntry(editor->cmdEmailAdd, "zed@example.org", "");
            QTest::mouseClick(editor->cmdOK, Qt::LeftButton);
        });
        w()->ActOnCommandLine();
        QVERIFY(*added);

        // The search is over, the list is whole again and the new person is selected.
        QVERIFY(!w()->toolbarButton("Search")->isChecked() && !control<QAction>(w(), "mnuActionSearch")->isChecked() &&
                modSearch::SearchCondition.isEmpty());
        QCOMPARE(listState(), QString("4/4 (4 rows), row 3, Zed O'Neil"));
        QCOMPARE(w()->CurrentContactnr(), std::optional<qint16>(3));
        QCOMPARE(TestSupport::itemTexts(control<QTreeWidget>(w(), "lvwPhone")),
                 (QStringList{"012 345 (Home)", "0612"}));

        // A restart reads everything back exactly as typed.
        m_fixture->restart();
        QCOMPARE(
            dumpPersons().constLast(),
            QString("Zed O'Neil # 1999-12-31 # Elm Street 5 # 012 345 (Home) | 0612 # zed@example.org # likes tea"));
        QCOMPARE(storedEntries("Phone", 3), (QStringList{"1:012 345|Home", "2:0612|"}));

        clickRow(3); // Zed, last in name order
        const auto edited = TestSupport::onModal<frmContact>([](frmContact* editor) {
            QCOMPARE(QStringList({editor->objectName(), editor->windowTitle(), editor->txtFullname->text()}),
                     (QStringList{"frmContactEdit", "Edit", "Zed O'Neil"}));
            TestSupport::clickItem(editor->lvwPhone, 1);
            QTest::mouseClick(editor->cmdPhoneUp, Qt::LeftButton);
            QTest::mouseClick(editor->cmdOK, Qt::LeftButton);
        });
        control<QAction>(w(), "mnuPersonEdit")->trigger();
        QVERIFY(*edited);
        QCOMPARE(TestSupport::itemTexts(control<QTreeWidget>(w(), "lvwPhone")),
                 (QStringList{"0612", "012 345 (Home)"}));
        QCOMPARE(w()->CurrentContactnr(), std::optional<qint16>(3));
        QCOMPARE(countRows("Person"), 4);
    }

    // Tab reads the left column down, then the right one, then OK and Cancel.
    void tabOrderFollowsTheColumns()
    {
        clickRow(0);
        openEditor(frmContact::Mode::Edit);
        QApplication::setActiveWindow(m_editor.get());
        QVERIFY(QTest::qWaitForWindowActive(m_editor.get()));
        const QList<QWidget*> columns{
            m_editor->txtFullname,    m_editor->txtOrganisation, m_editor->txtTitle,       m_editor->txtGroups,
            m_editor->txtAddress,     m_editor->txtNote,         m_editor->txtDateofbirth, m_editor->chkNoYear,
            m_editor->cmdPhotoChoose, m_editor->cmdPhotoRemove,  m_editor->lvwPhone,       m_editor->cmdPhoneAdd,
            m_editor->cmdPhoneEdit,   m_editor->cmdPhoneRemove,  m_editor->cmdPhoneUp,     m_editor->cmdPhoneDown,
            m_editor->lvwEmail,       m_editor->cmdEmailAdd,     m_editor->cmdEmailEdit,   m_editor->cmdEmailRemove,
            m_editor->cmdEmailUp,     m_editor->cmdEmailDown,    m_editor->cmdOK,          m_editor->cmdCancel};
        QStringList expected;
        for (QWidget* widget : columns)
            if (widget->isEnabled())
                expected << widget->objectName();
        m_editor->txtFullname->setFocus();
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, expected);
    }
    // What the name and date boxes take; a refusal shows its message and leaves the editor open.
    void nameAndDate_data()
    {
        // refusal: "" when saved
        TestSupport::addColumns<QString, QString, QString, QString, QString, QDate>("name", "format", "typed",
                                                                                    "refusal", "stored", "date");
        const QString badDate = "Error: Date of birth is invalid!";
        const QDate date(1999, 12, 31);
        TestSupport::addRow("day first", "Dora", "dd/mm/yyyy", "31121999", "", "Dora", date);
        TestSupport::addRow("year first", "Dora", "yyyy/mm/dd", "19991231", "", "Dora", date);
        TestSupport::addRow("date untouched", "Dora", "dd/mm/yyyy", "", "", "Dora", QDate());
        // Which dates are valid: see the editor rules test.
        TestSupport::addRow("31 February", "Dora", "dd/mm/yyyy", "31022000", badDate, "", QDate());
        TestSupport::addRow("no name", "", "dd/mm/yyyy", "",
                            "Error!: Either first name or last name has to be filled in!", "", QDate());
        TestSupport::addRow("name of blanks", "   ", "dd/mm/yyyy", "", "", "", QDate());
    }
    void nameAndDate()
    {
        auto [name, format, typed, refusal, date] =
            TestSupport::fetch<QString, QString, QString, QString, QDate>("name", "format", "typed", "refusal", "date");
        TestSupport::writeSetting("Date", format);
        openEditor(frmContact::Mode::Add);
        QCOMPARE(m_editor->lblDateFormat->text(), "(" + format + ")");
        QCOMPARE(m_editor->txtDateofbirth->inputMask(),
                 format == "yyyy/mm/dd" ? QString("0000/00/00;_") : QString("00/00/0000;_"));
        QTest::keyClicks(m_editor->txtFullname, name);
        TestSupport::typeNearRightEnd(m_editor->txtDateofbirth, typed);
        const QString shown = m_editor->txtDateofbirth->displayText();
        if (!refusal.isEmpty())
            platform()->expectMessage();
        clickOk();
        if (!refusal.isEmpty()) {
            const ScriptedPlatform::Call message = platform()->messages().constLast();
            QCOMPARE(message.title + ": " + message.text, refusal);
            QCOMPARE(message.icon, Platform::Icon::Exclamation);
            QVERIFY(m_editor->isVisible());
            QCOMPARE(m_editor->txtDateofbirth->displayText(), shown);
            QCOMPARE(countRows("Person"), 3);
            return;
        }
        QVERIFY(!m_editor->isVisible());
        QCOMPARE(m_editor->result(), int(QDialog::Accepted));
        QTEST(personField(3, "Name").toString(), "stored");
        QCOMPARE(personField(3, "Dateofbirth").toDate(), date);
        QCOMPARE(personField(3, "Dateofbirth").isNull(), !date.isValid());
        QCOMPARE(w()->CurrentContactnr(), std::optional<qint16>(3));
    }

    // A birthday without a year is typed as day and month in the order of the date setting; the year
    // box's place comes back with the day and month kept.
    void birthdayWithoutAYear_data()
    {
        // refusal: "" when saved
        TestSupport::addColumns<QString, QString, QString, QString, QString>("format", "typed", "refusal", "stored",
                                                                             "shownAgain");
        const QString badDate = "Error: Date of birth is invalid!";
        TestSupport::addRow("day first", "dd/mm/yyyy", "1404", "", "--04-14", "14/04");
        TestSupport::addRow("month first", "mm/dd/yyyy", "0414", "", "--04-14", "04/14");
        TestSupport::addRow("year first: month and day", "yyyy/mm/dd", "0414", "", "--04-14", "04/14");
        TestSupport::addRow("29 February", "dd/mm/yyyy", "2902", "", "--02-29", "29/02");
        TestSupport::addRow("31 April", "dd/mm/yyyy", "3104", badDate, "", "");
        TestSupport::addRow("the day alone", "dd/mm/yyyy", "14", badDate, "", "");
        TestSupport::addRow("nothing typed", "dd/mm/yyyy", "", "", "", "");
    }
    void birthdayWithoutAYear()
    {
        auto [format, typed, refusal, stored, shownAgain] =
            TestSupport::fetch<QString, QString, QString, QString, QString>("format", "typed", "refusal", "stored",
                                                                            "shownAgain");
        TestSupport::writeSetting("Date", format);
        clickRow(1); // Bob, without a date of birth
        openEditor(frmContact::Mode::Edit);
        m_editor->chkNoYear->setChecked(true);
        QCOMPARE(m_editor->txtDateofbirth->inputMask(), QString("00/00;_"));
        QCOMPARE(m_editor->lblDateFormat->text(), format == "dd/mm/yyyy" ? QString("(dd/mm)") : QString("(mm/dd)"));
        TestSupport::typeNearRightEnd(m_editor->txtDateofbirth, typed);
        if (!refusal.isEmpty())
            platform()->expectMessage();
        clickOk();
        if (!refusal.isEmpty()) {
            const ScriptedPlatform::Call message = platform()->messages().constLast();
            QCOMPARE(message.title + ": " + message.text, refusal);
            QVERIFY(m_editor->isVisible());
            return;
        }
        QVERIFY(!m_editor->isVisible());
        QVERIFY(personField(2, "Dateofbirth").isNull());
        const modPersonDetail::Detail detail = modPersonDetail::Read(modDatabase::DatabaseConnection(), 2);
        QCOMPARE(detail.birthday ? detail.birthday->Stored() : QString(), stored);
        QCOMPARE(control<QLineEdit>(w(), "txtDateofbirth")->text(),
                 detail.birthday ? modPersonView::BirthdayText(*detail.birthday) : QString());
        QVERIFY(control<QLabel>(w(), "lblAge")->isHidden());

        openEditor(frmContact::Mode::Edit);
        QCOMPARE(m_editor->chkNoYear->isChecked(), !stored.isEmpty());
        QCOMPARE(QString(m_editor->txtDateofbirth->displayText()).remove('_').remove('/').isEmpty()
                     ? QString()
                     : m_editor->txtDateofbirth->displayText(),
                 shownAgain);
        // The year box comes back with day and month in their places; OK with a year gives a full date.
        m_editor->chkNoYear->setChecked(false);
        QCOMPARE(m_editor->lblDateFormat->text(), "(" + format + ")");
        if (stored.isEmpty())
            return;
        m_editor->txtDateofbirth->setFocus();
        m_editor->txtDateofbirth->setCursorPosition(format == "yyyy/mm/dd" ? 0 : 6);
        QTest::keyClicks(m_editor->txtDateofbirth, "1972");
        clickOk();
        QCOMPARE(personField(2, "Dateofbirth").toDate(),
                 QDate(1972, stored.mid(2, 2).toInt(), stored.mid(5, 2).toInt()));
        QVERIFY(!modPersonDetail::Read(modDatabase::DatabaseConnection(), 2).birthday);
    }

    // The organisation, the title and a photo chosen from a file are saved with the person and shown
    // in the details; a file that is no picture changes nothing; the photo can be removed again.
    void workAndPhoto()
    {
        QTemporaryDir folder;
        QImage picture(1200, 900, QImage::Format_ARGB32);
        picture.fill(QColor(20, 120, 200, 128));
        const QString picturePath = folder.filePath("holiday.png");
        QVERIFY(picture.save(picturePath));
        const QString notAPicture = folder.filePath("notes.png");
        QVERIFY(TestSupport::writeFile(notAPicture, "just text"));

        clickRow(0); // Anna
        openEditor(frmContact::Mode::Edit);
        QVERIFY(!m_editor->cmdPhotoRemove->isEnabled());
        QTest::keyClicks(m_editor->txtOrganisation, "Example Corp");
        QTest::keyClicks(m_editor->txtTitle, "Chief Tester");
        platform()->expectOpenFileName(notAPicture);
        platform()->expectMessage();
        QTest::mouseClick(m_editor->cmdPhotoChoose, Qt::LeftButton);
        QVERIFY(platform()->messages().constLast().text.startsWith("The file is no picture that can be read:\n"));
        QVERIFY(!m_editor->cmdPhotoRemove->isEnabled());
        platform()->expectOpenFileName(picturePath);
        QTest::mouseClick(m_editor->cmdPhotoChoose, Qt::LeftButton);
        QVERIFY(m_editor->cmdPhotoRemove->isEnabled());
        clickOk();

        const modPersonDetail::Detail detail = modPersonDetail::Read(modDatabase::DatabaseConnection(), 1);
        QCOMPARE(detail.organisation, QString("Example Corp"));
        QCOMPARE(detail.title, QString("Chief Tester"));
        const QImage kept = QImage::fromData(detail.photo, "JPEG");
        QCOMPARE(kept.size(), QSize(512, 384));
        QVERIFY(detail.photo.size() <= modPersonDetail::MaxPhotoBytes);
        QCOMPARE(personField(1, "Dateofbirth").toDate(), QDate(1980, 5, 6));
        QVERIFY(control<QGroupBox>(w(), "fraWork")->isVisible() && control<QLabel>(w(), "imgPhoto")->isVisible());
        QCOMPARE(control<QLineEdit>(w(), "txtWork")->text(), QString("Chief Tester, Example Corp"));
        QVERIFY(!control<QLabel>(w(), "imgPhoto")->pixmap().isNull());
        // The photo keeps its proportions inside its place.
        const QSize shown = control<QLabel>(w(), "imgPhoto")->pixmap().size();
        QVERIFY2(qAbs(shown.width() * 3 - shown.height() * 4) <= 8,
                 qPrintable(QString("%1x%2").arg(shown.width()).arg(shown.height())));

        // Bob has none of them: no row for them.
        clickRow(1);
        QVERIFY(!control<QGroupBox>(w(), "fraWork")->isVisible() && !control<QLabel>(w(), "imgPhoto")->isVisible());

        clickRow(0);
        openEditor(frmContact::Mode::Edit);
        QCOMPARE(m_editor->txtOrganisation->text(), QString("Example Corp"));
        QTest::mouseClick(m_editor->cmdPhotoRemove, Qt::LeftButton);
        m_editor->txtOrganisation->clear();
        m_editor->txtTitle->clear();
        clickOk();
        const modPersonDetail::Detail removed = modPersonDetail::Read(modDatabase::DatabaseConnection(), 1);
        QVERIFY(!removed.exists);
        QVERIFY(!control<QGroupBox>(w(), "fraWork")->isVisible());
    }

    // Groups typed parted by commas, the last word completed from the groups in use; the
    // details show them, and emptying the box takes the person out of every group.
    void groups()
    {
        runSql("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (2, 1, 'Chess club')");
        clickRow(0);
        openEditor(frmContact::Mode::Edit);
        QTest::keyClicks(m_editor->txtGroups, "Family, ch");
        QCompleter* completer = m_editor->txtGroups->findChild<QCompleter*>();
        QVERIFY(completer);
        QCOMPARE(completer->currentCompletion(), QString("Chess club"));
        emit completer->activated(QString("Chess club"));
        QCOMPARE(m_editor->txtGroups->text(), QString("Family, Chess club, "));
        QTest::keyClicks(m_editor->txtGroups, " family");
        clickOk();
        QCOMPARE(modPersonDetail::Read(modDatabase::DatabaseConnection(), 1).groups,
                 (QStringList{"Family", "Chess club"}));
        QVERIFY(control<QGroupBox>(w(), "fraGroups")->isVisible());
        QCOMPARE(control<QLineEdit>(w(), "txtGroups")->text(), QString("Family, Chess club"));

        openEditor(frmContact::Mode::Edit);
        QCOMPARE(m_editor->txtGroups->text(), QString("Family, Chess club"));
        m_editor->txtGroups->clear();
        clickOk();
        QVERIFY(modPersonDetail::Read(modDatabase::DatabaseConnection(), 1).groups.isEmpty());
        QVERIFY(!control<QGroupBox>(w(), "fraGroups")->isVisible());
    }

    void entryDialogs_data()
    {
        TestSupport::addColumns<bool, QString, QString, bool, QString, QString>("phone", "value", "description",
                                                                                "accepted", "shown", "saved");
        TestSupport::addRow("number with description", true, "0123", "Home", true, "0123 (Home)", "1:0123|Home");
        TestSupport::addRow("number of blanks", true, "   ", "x", false, "", "");
        TestSupport::addRow("address of blanks", false, "   ", "", true, "   ", "1:|");
        TestSupport::addRow("no address", false, "", "x", false, "", "");
    }
    void entryDialogs()
    {
        auto [phone, value, description, accepted, shown, saved] =
            TestSupport::fetch<bool, QString, QString, bool, QString, QString>("phone", "value", "description",
                                                                               "accepted", "shown", "saved");
        openEditor(frmContact::Mode::Add);
        QTest::keyClicks(m_editor->txtFullname, "Entry");
        QTreeWidget* list = phone ? m_editor->lvwPhone : m_editor->lvwEmail;
        const auto ran = TestSupport::onModal<frmContactEntry>(
            [phone = phone, value = value, description = description, accepted = accepted](frmContactEntry* dialog) {
                QCOMPARE(QStringList({dialog->objectName(), dialog->windowTitle(), dialog->valueBox()->objectName(),
                                      (phone ? dialog->lblNumber : dialog->lblEmail)->text()})
                             .join(' '),
                         phone ? "frmContactAddPhoneAdd Add txtNumber Number"
                               : "frmContactAddEmailAdd Add txtEmail E-mail");
                QVERIFY(!dialog->cmdOK->isEnabled());
                QTest::keyClicks(dialog->valueBox(), value);
                QTest::keyClicks(dialog->txtDescription, description);
                QCOMPARE(dialog->cmdOK->isEnabled(), accepted);
                QTest::mouseClick(accepted ? dialog->cmdOK : dialog->cmdCancel, Qt::LeftButton);
            });
        QTest::mouseClick(phone ? m_editor->cmdPhoneAdd : m_editor->cmdEmailAdd, Qt::LeftButton);
        QVERIFY(*ran);
        if (!accepted) {
            QCOMPARE(list->topLevelItemCount(), 0);
            return;
        }
        QCOMPARE(TestSupport::itemTexts(list), QStringList{shown});
        QCOMPARE(list->currentItem(), list->topLevelItem(0));
        clickOk();
        QCOMPARE(storedEntries(phone ? "Phone" : "Email", 3), QStringList{saved});
    }

    // Anna loaded in the chosen date format and font size; entries replaced and moved, then saved.
    void editLoadsReplacesAndReorders()
    {
        TestSupport::writeSetting("Date", "yyyy/mm/dd");
        TestSupport::writeSetting("Font Size", "10");
        clickRow(0);
        openEditor(frmContact::Mode::Edit);
        QTreeWidget* list = m_editor->lvwPhone;
        QCOMPARE(m_editor->contactnr(), std::optional<qint16>(1));
        QCOMPARE((QStringList{m_editor->txtFullname->text(), m_editor->txtDateofbirth->text(),
                              m_editor->lblDateFormat->text(), TestSupport::itemTexts(list).join(", "),
                              TestSupport::itemTexts(m_editor->lvwEmail).join(", "), m_editor->txtNote->toPlainText()}),
                 (QStringList{"Anna Ärger", "1980/05/06", "(yyyy/mm/dd)", "+31 20 555 (home), 0612, 070 (work)",
                              "anna@example.org (work), anna@hotmail.example", "a note"}));
        QCOMPARE(m_editor->txtFullname->font().pointSize(), 10);
        QCOMPARE(list->font().pointSize(), 10);

        // The entry's edit dialog shows number and description apart.
        TestSupport::clickItem(list, 1);
        const auto ran = TestSupport::onModal<frmContactEntry>([](frmContactEntry* dialog) {
            QCOMPARE(QStringList({dialog->objectName(), dialog->windowTitle(), dialog->txtNumber->text(),
                                  dialog->txtDescription->text()}),
                     (QStringList{"frmContactEditPhoneEdit", "Edit", "0612", ""}));
            dialog->txtNumber->clear();
            QVERIFY(!dialog->cmdOK->isEnabled());
            QTest::keyClicks(dialog->txtNumber, "0613");
            QTest::keyClicks(dialog->txtDescription, "new");
            QTest::keyClick(dialog->txtDescription, Qt::Key_Return);
        });
        QTest::mouseClick(m_editor->cmdPhoneEdit, Qt::LeftButton);
        QVERIFY(*ran);
        QCOMPARE(TestSupport::itemTexts(list), (QStringList{"+31 20 555 (home)", "0613 (new)", "070 (work)"}));
        QCOMPARE(list->currentItem(), list->topLevelItem(1));

        TestSupport::clickItem(list, 2);
        QTest::mouseClick(m_editor->cmdPhoneUp, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(list), (QStringList{"+31 20 555 (home)", "070 (work)", "0613 (new)"}));
        QCOMPARE(list->currentItem(), list->topLevelItem(1));
        m_editor->mnuPopupPhoneUp->trigger();
        QCOMPARE(list->currentItem(), list->topLevelItem(0));
        QVERIFY(!m_editor->cmdPhoneUp->isEnabled());
        TestSupport::clickItem(list, 1);
        QTest::mouseClick(m_editor->cmdPhoneDown, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(list), (QStringList{"070 (work)", "0613 (new)", "+31 20 555 (home)"}));
        QVERIFY(!m_editor->cmdPhoneDown->isEnabled());
        TestSupport::clickItem(m_editor->lvwEmail, 0);
        m_editor->mnuPopupEmailDown->trigger();
        clickOk();
        QCOMPARE(storedEntries("Phone", 1), (QStringList{"1:070|work", "2:0613|new", "3:+31 20 555|home"}));
        QCOMPARE(dumpPersons().constFirst(),
                 QString("Anna Ärger # 1980-05-06 # Main Street 1 # 070 (work) | 0613 (new) | "
                         "+31 20 555 (home) # anna@hotmail.example | anna@example.org (work) # a note"));
        QCOMPARE(TestSupport::itemTexts(control<QTreeWidget>(w(), "lvwPhone")),
                 (QStringList{"070 (work)", "0613 (new)", "+31 20 555 (home)"}));
    }

    // The commands of a list follow its current entry (both lists share the rules).
    void emailCommands()
    {
        TestSupport::useTestAddresses();
        clickRow(0);
        openEditor(frmContact::Mode::Edit);
        QTreeWidget* list = m_editor->lvwEmail;
        // The popup follows the entry under the pointer.
        emit list->customContextMenuRequested(list->visualItemRect(list->topLevelItem(1)).center());
        QVERIFY(m_editor->mnuPopupEmail->isVisible());
        m_editor->mnuPopupEmail->close();
        QCOMPARE(list->currentItem(), list->topLevelItem(1));
        QVERIFY(m_editor->mnuPopupEmailWebsite->isEnabled() && !m_editor->mnuPopupEmailCopy2->isEnabled());
        m_editor->mnuPopupEmailWebsite->trigger();
        QCOMPARE(platform()->callsOf("url").constLast().text,
                 TestSupport::TestProfileFirst + QString("anna@hotmail.example"));

        TestSupport::clickItem(list, 0);
        QVERIFY(!m_editor->mnuPopupEmailWebsite->isEnabled() && m_editor->mnuPopupEmailCopy2->isEnabled());
        m_editor->mnuPopupEmailSend->trigger();
        // The whole shown text goes to the mail program, description included.
        QCOMPARE(platform()->callsOf("url").constLast().text, QString("mailto:anna@example.org (work)"));
        m_editor->mnuPopupEmailCopy2->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("anna@example.org (work)"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("anna@example.org"));

        // Removing every address switches the address commands off; both lists emptied are saved so.
        QTest::mouseClick(m_editor->cmdEmailRemove, Qt::LeftButton);
        QCOMPARE(TestSupport::itemTexts(list), QStringList{"anna@hotmail.example"});
        QCOMPARE(list->currentItem(), list->topLevelItem(0));
        QVERIFY(m_editor->mnuPopupEmailWebsite->isEnabled());
        m_editor->mnuPopupEmailRemove->trigger();
        QCOMPARE(list->topLevelItemCount(), 0);
        for (QAction* action : {m_editor->mnuPopupEmailWebsite, m_editor->mnuPopupEmailSend,
                                m_editor->mnuPopupEmailCopy, m_editor->mnuPopupEmailEdit})
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        QVERIFY(!m_editor->cmdEmailEdit->isEnabled());
        while (m_editor->lvwPhone->topLevelItemCount() > 0)
            QTest::mouseClick(m_editor->cmdPhoneRemove, Qt::LeftButton);
        clickOk();
        QCOMPARE(dumpPersons().mid(0, 2), (QStringList{"Anna Ärger # 1980-05-06 # Main Street 1 #  #  # a note",
                                                       "Bob Builder # - #  # 0101 (Bob) #  # "}));
        QCOMPARE(control<QTreeWidget>(w(), "lvwPhone")->topLevelItemCount(), 0);
    }

    // Entries typed, edited and copied, then cancelled: nothing is written.
    void listKeysAndMouseThenCancel()
    {
        const QByteArray file = TestSupport::readFile(m_fixture->databasePath());
        const QStringList persons = dumpPersons();
        openEditor(frmContact::Mode::Add);
        QTreeWidget* list = m_editor->lvwPhone;
        // The entry dialog that act opens: its name and number, then the number retyped.
        auto retype = [list](const QString& name, const QString& number, const QString& retyped,
                             const std::function<void()>& act) {
            const auto ran = TestSupport::onModal<frmContactEntry>([=](frmContactEntry* dialog) {
                QCOMPARE(QStringList({dialog->objectName(), dialog->txtNumber->text()}), QStringList({name, number}));
                dialog->txtNumber->clear();
                QTest::keyClicks(dialog->txtNumber, retyped);
                QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
            });
            act();
            QVERIFY(*ran);
            QCOMPARE(TestSupport::itemTexts(list), QStringList{retyped});
        };
        // Enter in an empty list is no command.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(m_editor->isVisible());
        QCOMPARE(countRows("Person"), 3);
        retype("frmContactAddPhoneAdd", "", "111",
               [list] { QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, 10)); });
        retype("frmContactAddPhoneEdit", "111", "222", [list] {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                               list->visualItemRect(list->topLevelItem(0)).center());
        });
        retype("frmContactAddPhoneEdit", "222", "333", [list] { QTest::keyClick(list, Qt::Key_Return); });

        // Cancel leaves the entry as it was.
        const auto ran = TestSupport::onModal<frmContactEntry>([](frmContactEntry* dialog) {
            QTest::keyClicks(dialog->txtNumber, "9");
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        });
        m_editor->mnuPopupPhoneEdit->trigger();
        QVERIFY(*ran);
        QCOMPARE(TestSupport::itemTexts(list), QStringList{"333"});

        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("333"));

        QTest::keyClicks(m_editor->txtFullname, "Nobody");
        addEntry(m_editor->cmdEmailAdd, "n@example.org", "");
        QTest::mouseClick(m_editor->cmdCancel, Qt::LeftButton);
        QVERIFY(!m_editor->isVisible());
        QCOMPARE(m_editor->result(), int(QDialog::Rejected));
        QCOMPARE(dumpPersons(), persons);
        QCOMPARE(w()->ListRowCount(), 3);
        QCOMPARE(TestSupport::readFile(m_fixture->databasePath()), file);
    }

    // A save that fails midway leaves no trace, and the editor stays open to put it right.
    void saveFailingMidwayLeavesNoPartialPerson_data()
    {
        TestSupport::addTwoRows("edit", "new person, numbers", "edited person, addresses");
    }
    void saveFailingMidwayLeavesNoPartialPerson()
    {
        QFETCH(bool, edit);
        const bool phones = !edit;
        if (edit)
            clickRow(0);
        openEditor(edit ? frmContact::Mode::Edit : frmContact::Mode::Add);
        m_editor->txtFullname->clear();
        QTest::keyClicks(m_editor->txtFullname, "Changed");
        // One entry more than the one-byte Order column can number.
        QTreeWidget* list = phones ? m_editor->lvwPhone : m_editor->lvwEmail;
        for (int i = list->topLevelItemCount(); i < 256; ++i)
            EditorList::AppendEntry(list, modContact::TypedEntry(QString::number(i), ""));
        list->setCurrentItem(list->topLevelItem(255));
        const QByteArray file = TestSupport::readFile(m_fixture->databasePath());
        const QStringList persons = dumpPersons();
        platform()->expectMessage();
        clickOk();
        QCOMPARE(platform()->messages().constLast().title, QString("Error"));
        QVERIFY(platform()->messages().constLast().text.startsWith("Error "));
        QVERIFY(m_editor->isVisible());
        QCOMPARE(list->topLevelItemCount(), 256);
        QCOMPARE(TestSupport::readFile(m_fixture->databasePath()), file);
        QCOMPARE(dumpPersons(), persons);

        // Put right, the same window saves.
        QTest::mouseClick(phones ? m_editor->cmdPhoneRemove : m_editor->cmdEmailRemove, Qt::LeftButton);
        clickOk();
        QVERIFY(!m_editor->isVisible());
        const int saved = edit ? 1 : 3;
        QCOMPARE(personField(saved, "Name").toString(), QString("Changed"));
        QCOMPARE(storedEntries(phones ? "Phone" : "Email", saved).size(), 255);
    }

    void fullNumberRangeRefusesTheNewPerson()
    {
        {
            Engine::Connection::Transaction fill(modDatabase::DatabaseConnection());
            for (int number = 1; number <= modSql::MaxContactnr; ++number)
                if (number != 1 && number != 2 && number != 4)
                    runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P')").arg(number));
            fill.Commit();
        }
        openEditor(frmContact::Mode::Add);
        QTest::keyClicks(m_editor->txtFullname, "One too many");
        addEntry(m_editor->cmdPhoneAdd, "1", "");
        platform()->expectMessage();
        clickOk();
        const ScriptedPlatform::Call message = platform()->messages().constLast();
        QCOMPARE(message.title + ": " + message.text, "Error: No further person can be added to this database!");
        QVERIFY(m_editor->isVisible());
        QCOMPARE(countRows("Person"), modSql::MaxContactnr);
        QCOMPARE(countSelected("SELECT * FROM Person WHERE Name = 'One too many'"), 0);
        QCOMPARE(countSelected("SELECT * FROM Phone"), 4);
    }

    void textBoxCopyAndPaste_data() { TestSupport::addTwoRows("multiLine", "name box", "address box"); }
    void textBoxCopyAndPaste()
    {
        QFETCH(bool, multiLine);
        openEditor(frmContact::Mode::Add);
        QClipboard* clipboard = QGuiApplication::clipboard();
        QWidget* box = multiLine ? static_cast<QWidget*>(m_editor->txtAddress) : m_editor->txtFullname;
        QMenu* popup = multiLine ? m_editor->mnuPopupAddress : m_editor->mnuPopupFullname;
        QAction* copy = multiLine ? m_editor->mnuPopupAddressCopy : m_editor->mnuPopupFullnameCopy;
        QAction* paste = multiLine ? m_editor->mnuPopupAddressPaste : m_editor->mnuPopupFullnamePaste;
        auto text = [box, multiLine = multiLine] { return box->property(multiLine ? "plainText" : "text").toString(); };
        // Selects with the keys, as a user does.
        auto select = [box](int start, int length) {
            QTest::keyClick(box, Qt::Key_Home);
            for (int i = 0; i < start + length; ++i)
                QTest::keyClick(box, Qt::Key_Right, i < start ? Qt::NoModifier : Qt::ShiftModifier);
        };
        auto showPopup = [&] {
            emit box->customContextMenuRequested(QPoint(4, 4));
            QVERIFY(popup->isVisible());
            popup->close();
        };
        QTest::keyClicks(box, "Anna Maria");

        // Nothing selected and an empty clipboard: neither command is offered.
        clipboard->clear();
        select(0, 0);
        showPopup();
        QVERIFY(!copy->isEnabled());
        QVERIFY(!paste->isEnabled());
        // Copy without a selection takes the whole text.
        copy->setEnabled(true);
        copy->trigger();
        QCOMPARE(clipboard->text(), QString("Anna Maria"));

        select(5, 5);
        showPopup();
        QVERIFY(copy->isEnabled());
        QVERIFY(paste->isEnabled());
        copy->trigger();
        QCOMPARE(clipboard->text(), QString("Maria"));

        // Paste replaces the selection.
        clipboard->setText("Lisa");
        select(0, 4);
        paste->trigger();
        QCOMPARE(text(), QString("Lisa Maria"));
        // Without a selection it goes in at the caret.
        select(4, 0);
        clipboard->setText(" X");
        paste->trigger();
        QCOMPARE(text(), QString("Lisa X Maria"));
    }

    void nameBoxHoldsNoMoreThanTheColumn()
    {
        openEditor(frmContact::Mode::Add);
        QTest::keyClicks(m_editor->txtFullname, QString(120, 'n'));
        QCOMPARE(m_editor->txtFullname->text().size(), 100);
        clickOk();
        QCOMPARE(personField(3, "Name").toString(), QString(100, 'n'));
        openEditor(frmContact::Mode::Edit);
        const auto ran = TestSupport::onModal<frmContactEntry>([](frmContactEntry* dialog) {
            QTest::keyClicks(dialog->txtNumber, QString(60, '1'));
            QTest::keyClicks(dialog->txtDescription, QString(120, 'd'));
            QCOMPARE(dialog->txtNumber->text().size(), 50);
            QCOMPARE(dialog->txtDescription->text().size(), 100);
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        });
        QTest::mouseClick(m_editor->cmdPhoneAdd, Qt::LeftButton);
        QVERIFY(*ran);
    }

    void editOfAPersonRemovedMeanwhileOpensNothing()
    {
        clickRow(1);
        runSql("DELETE FROM Phone WHERE Contactnr = 2");
        runSql("DELETE FROM Person WHERE Contactnr = 2");
        auto opened = std::make_shared<bool>(false);
        auto fired = std::make_shared<bool>(false);
        QTimer::singleShot(0, qApp, [opened, fired] {
            *fired = true;
            if (QWidget* modal = QApplication::activeModalWidget()) {
                *opened = true;
                modal->close();
            }
        });
        control<QAction>(w(), "mnuPersonEdit")->trigger();
        QTRY_VERIFY(*fired);
        QVERIFY(!*opened);
        QCOMPARE(w()->ListRowCount(), 2);
        QCOMPARE(countRows("Person"), 2);
    }
};

ADDRION_TEST_MAIN(TestFrmContact)
#include "tst_frmcontact.moc"
