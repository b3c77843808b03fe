#include "MainWindowFixture.h"

#include "database/modPersonUid.h"
#include "editor/modContact.h"
#include "interchange/frmDuplicates.h"
#include "interchange/modDuplicates.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"

#include <QListWidget>
#include <QTableWidget>

// The duplicate finder: its keys and groups as plain functions, merging and undoing in
// a real database file, and the window behind Person > Find duplicates....
class TestDuplicates : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static qint16 save(const QString& name, const QStringList& phones, const QStringList& emails,
                       const QString& born = QString(), const QString& address = QString(),
                       const QString& note = QString())
    {
        modContact::Contact contact{name, born, address, note, {}, {}};
        for (const QString& phone : phones)
            contact.phones.push_back(modContact::TypedEntry(phone.section('|', 0, 0), phone.section('|', 1)));
        for (const QString& email : emails)
            contact.emails.push_back(modContact::TypedEntry(email, ""));
        return *modContact::SaveNewPerson(contact);
    }

    static QString groupsText(const std::vector<modDuplicates::Group>& groups)
    {
        QStringList texts;
        for (const modDuplicates::Group& group : groups) {
            QStringList numbers;
            for (const qint16 contactnr : group.contactnrs)
                numbers << QString::number(contactnr);
            texts << numbers.join(",") + ":" + modDuplicates::ReasonText(group.reasons);
        }
        return texts.join(" ");
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        QVERIFY(modDatabase::NewDatabase(m_dir->filePath("home.mdb")));
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    // Each rule groups what it must and nothing else; a candidate is
    // "name;phone,phone;email,email" and gets the number of its position, from 1.
    void groups_data()
    {
        QTest::addColumn<QStringList>("candidates");
        QTest::addColumn<QString>("groups");
        TestSupport::addRow(
            "name: case, accents, word order",
            QStringList{QString::fromUtf8("Müller José;;"), "Anna Berg;;", QString::fromUtf8("josé  MULLER;;")},
            "1,3:Same name");
        TestSupport::addRow("name: other words are other persons",
                            QStringList{"Anna Berg;;", "Anna Bergman;;", "Berg;;"}, "");
        TestSupport::addRow("e-mail ignoring case", QStringList{"A;;Ann@Example.org", "B;;x@y.z,ann@example.ORG "},
                            "1,2:Same e-mail address");
        TestSupport::addRow("shared office number, nothing else",
                            QStringList{"Ann Lee;+49 30 1234-5678;", "Bob Stone;030 12345678,0170 1;"},
                            "1,2:Same number");
        TestSupport::addRow("last 8 digits", QStringList{"A;0031 20 5551 2345;", "B;+1 20 5551 2345;"},
                            "1,2:Same number");
        QTest::newRow("6 digits match") << QStringList{"A;12 34 56;", "B;123456;"} << "1,2:Same number";
        QTest::newRow("5 digits never match") << QStringList{"A;12345;", "B;12345;", "C;1-2-3-4-5;"} << "";
        TestSupport::addRow(
            "linked through a third, all reasons",
            QStringList{"Ann Lee;;a@x.org", "Other;555 0101 77;a@x.org", "Third;555 0101 77;", "ann lee;;"},
            "1,2,3,4:Same name, Same e-mail address, Same number");
        TestSupport::addRow("two groups in name order", QStringList{"Zed;;", "Amy;;q@x", "zed;;", "Bea;;Q@X"},
                            "2,4:Same e-mail address 1,3:Same name");
    }
    void groups()
    {
        QFETCH(QStringList, candidates);
        std::vector<modDuplicates::Candidate> list;
        for (const QString& text : candidates) {
            const QStringList parts = text.split(';');
            list.push_back({qint16(list.size() + 1), parts[0], parts[1].split(',', Qt::SkipEmptyParts),
                            parts[2].split(',', Qt::SkipEmptyParts)});
        }
        QTEST(groupsText(modDuplicates::FindGroups(list)), "groups");
    }

    // Merging keeps everything of the others in the kept person, removes them, and undo
    // puts back exactly what was there.
    void mergeKeepsEverythingAndUndoRestores()
    {
        const qint16 anna = save("Anna Berg", {"030 1111|Work", "0170 2222|Mobile"}, {"anna@x.org"}, "2/29/1980",
                                 "Lane 1\nBerlin", "Likes tea");
        const qint16 other = save(QString::fromUtf8("berg änna"), {"+49 30 1111|office", "040 3333|Home"},
                                  {"ANNA@x.org", "a.b@y.org"}, "3/1/1980", "Road 2\nHamburg", "Has a dog");
        const qint16 third = save("Anna Berg", {}, {}, "", "", "");
        save("Bystander", {"0170 2222|Mobile"}, {});
        const QStringList before = dumpPersons();
        Engine::Connection& connection = modDatabase::DatabaseConnection();
        const auto identities = modPersonUid::Identities(connection);
        QCOMPARE(identities.size(), 4);

        const modDuplicates::Undo undo = modDuplicates::MergeGroups({{anna, {other, third}}}, "dd/mm/yyyy");
        QCOMPARE(countRows("Person"), 2);
        // The kept person keeps its UID; the others' are recorded for a later sync.
        QCOMPARE(modPersonUid::Identities(connection).value(anna).uid, identities.value(anna).uid);
        QStringList merged{identities.value(other).uid, identities.value(third).uid};
        merged.sort();
        QCOMPARE(modDuplicates::MergedUids(), merged);
        QCOMPARE(dumpPersons().first(),
                 QString::fromUtf8("Anna Berg # 1980-02-29 # Lane 1\nBerlin # "
                                   "030 1111 (Work) | 0170 2222 (Mobile) | +49 30 1111 (office) | "
                                   "040 3333 (Home) # "
                                   "anna@x.org | a.b@y.org # Likes tea\n\n"
                                   "Name: berg änna\n\nDate of birth: 01/03/1980\n\n"
                                   "Address:\nRoad 2\nHamburg\n\nHas a dog"));
        modDuplicates::UndoMerge(undo);
        QCOMPARE(dumpPersons(), before);
        const auto restored = modPersonUid::Identities(connection);
        for (auto it = identities.cbegin(); it != identities.cend(); ++it) {
            QCOMPARE(restored.value(it.key()).uid, it->uid);
            QCOMPARE(restored.value(it.key()).revision, it->revision);
        }
        QVERIFY(modDuplicates::MergedUids().isEmpty());
    }

    // Person > Find duplicates...: the groups side by side with their reason; the ticked
    // group merges into the person chosen, and Undo puts it back.
    void window()
    {
        const qint16 first = save("Ann Lee", {"030 1234 5678|Office"}, {}, "", "Street 1");
        save("Bob Stone", {"+49 30 12345678|Office"}, {});
        save("ann lee", {}, {"ann@lee.org"});
        const QStringList before = dumpPersons();
        modDatabase::CloseDatabase(false);
        frmMain main(m_dir->filePath("home.mdb"));
        RegisterWindows(main);
        main.Load();
        QCOMPARE(main.ListRowCount(), 3);
        QVERIFY(main.mnuPersonDuplicates->isEnabled());
        QVERIFY(main.mnuPerson->actions().contains(main.mnuPersonDuplicates));

        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            auto* window = qobject_cast<frmDuplicates*>(QApplication::activeModalWidget());
            QVERIFY(window);
            shown = true;
            // One group: linked by the name (1, 3) and the office number (1, 2).
            QCOMPARE(window->lstGroups->count(), 1);
            QCOMPARE(window->lstGroups->item(0)->text(), QString("Ann Lee / Bob Stone / ann lee"));
            QCOMPARE(window->lblReason->text(), QString("Same name, Same number"));
            QCOMPARE(window->grdPersons->columnCount(), 3);
            QCOMPARE(window->grdPersons->item(3, 1)->text(), QString("+49 30 12345678 (Office)"));
            QVERIFY(!window->cmdMerge->isEnabled());
            QVERIFY(!window->cmdUndo->isEnabled());

            window->lstGroups->item(0)->setCheckState(Qt::Checked);
            QVERIFY(window->cmdMerge->isEnabled());
            auto* keep = window->grdPersons->findChild<QRadioButton*>("optKeep2");
            QVERIFY(keep);
            keep->click();
            QTest::mouseClick(window->cmdMerge, Qt::LeftButton);
            QCOMPARE(countRows("Person"), 1);
            QCOMPARE(main.ListRowCount(), 1);
            QCOMPARE(dumpPersons(), QStringList{"ann lee # - # Street 1 # 030 1234 5678 (Office) | "
                                                "+49 30 12345678 (Office) # ann@lee.org # Name: Bob Stone"});
            QCOMPARE(window->lstGroups->count(), 0);
            QCOMPARE(window->lblReason->text(), QString("No duplicates found"));
            QVERIFY(window->cmdUndo->isEnabled());

            QTest::mouseClick(window->cmdUndo, Qt::LeftButton);
            QCOMPARE(dumpPersons(), before);
            QCOMPARE(main.ListRowCount(), 3);
            QCOMPARE(window->lstGroups->count(), 1);
            QVERIFY(!window->cmdUndo->isEnabled());
            QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        });
        main.mnuPersonDuplicates->trigger();
        QVERIFY(shown);
        Q_UNUSED(first);
    }
};

ADDRION_TEST_MAIN(TestDuplicates)
#include "tst_duplicates.moc"
