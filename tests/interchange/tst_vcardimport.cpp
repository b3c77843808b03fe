#include "MainWindowFixture.h"
#include "ReadOnlyFile.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/LineWriter.h"
#include "editor/modContact.h"
#include "export/frmExport.h"
#include "export/frmExportPreview.h"
#include "export/modExportFiles.h"
#include "interchange/ImportCommand.h"
#include "interchange/modVcardImport.h"
#include "mainwindow/RegisterWindows.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"
#include "startup/modText.h"

#include <QBuffer>
#include <QUuid>

Q_DECLARE_METATYPE(Platform::Answer)

// Importing vCards into a real database file, merging, the full database, the round
// trip through the export, and both commands in the real windows.
class TestVcardImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static modVcardImport::Report importBytes(QByteArray file, WriteProgress* progress = nullptr)
    {
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        return modVcardImport::ImportCards(buffer, progress);
    }

    // Stops the import at its first chance.
    struct CancellingProgress : WriteProgress
    {
        int begun = 0;
        void Begin(int) override { ++begun; }
        void Step() override {}
        void End() override {}
        bool Cancelled() const override { return begun > 0; }
    };

    static QByteArray annaCard()
    {
        return "BEGIN:VCARD\r\n"
               "VERSION:3.0\r\n"
               "FN:Anna van der Berg\r\n"
               "BDAY:1980-02-29\r\n"
               "TEL;TYPE=WORK:+31 (20) 555-1111\r\n"
               "item1.TEL:+31 6 5550 1234\r\n"
               "item1.X-ABLabel:Boat\r\n"
               "EMAIL:ANNA@example.net\r\n"
               "EMAIL:anna.b@example.org\r\n"
               "ADR:;;Keizersgracht 1;Amsterdam;;1015 CJ;\r\n"
               "NOTE:Prefers tea\r\n"
               "END:VCARD\r\n";
    }

    static QByteArray bobCard()
    {
        return "BEGIN:VCARD\r\n"
               "VERSION:3.0\r\n"
               "FN:Bob Stone\r\n"
               "TEL:0101\r\n"
               "END:VCARD\r\n";
    }

    // The vCard export of the persons, as the file it writes.
    static QByteArray exportVcards(const std::vector<qint16>& numbers)
    {
        modExport::Selection selection;
        selection.contactnrs = numbers;
        QString error;
        if (!modExportFiles::ExportVcard(selection, nullptr, error))
            qFatal("export failed: %s", qPrintable(error));
        return TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Vcard));
    }

    static QList<QByteArray> uidLines(const QByteArray& file)
    {
        QList<QByteArray> lines;
        for (const QByteArray& line : file.split('\n'))
            if (line.startsWith("UID:"))
                lines << line.trimmed();
        return lines;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(startWithNewDatabase(m_dir->filePath("home.mdb")));
    }
    void cleanup()
    {
        closePreviewsAndDatabase();
        m_platform.reset();
    }

    // A card matches a person by name, in any case, and date of birth (both without one
    // also match); it then adds what the person lacks and nothing twice.
    void mergeRule_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("merged");
        QTest::addColumn<QStringList>("persons");

        TestSupport::addRow(
            "same name other case, same date",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
            "VALUES (3, 'ANNA VAN DER BERG', #2/29/1980#, '', 'Met in 2001')",
            1, 1,
            QStringList{"ANNA VAN DER BERG # 1980-02-29 # Keizersgracht 1\n1015 CJ Amsterdam # "
                        "+31 20 555 1111 (office) | +31 6 5550 1234 (Boat) # anna@example.net | anna.b@example.org # "
                        "Met in 2001\n\nPrefers tea",
                        "Bob Stone # - #  # 0101 #  # "});
        TestSupport::addRow(
            "same name, other date",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
            "VALUES (3, 'Anna van der Berg', #3/1/1980#, 'Elsewhere 2', '')",
            2, 0,
            QStringList{"Anna van der Berg # 1980-02-29 # Keizersgracht 1\n1015 CJ Amsterdam # "
                        "+31 (20) 555-1111 (Work) | +31 6 5550 1234 (Boat) # ANNA@example.net | anna.b@example.org # "
                        "Prefers tea",
                        "Anna van der Berg # 1980-03-01 # Elsewhere 2 # +31 20 555 1111 (office) # "
                        "anna@example.net # ",
                        "Bob Stone # - #  # 0101 #  # "});
        TestSupport::addRow(
            "both without date",
            "INSERT INTO Person (Contactnr, Name, Address, [Note]) VALUES (3, 'bob stone', 'Quarry 1', '')", 1, 1,
            QStringList{"Anna van der Berg # 1980-02-29 # Keizersgracht 1\n1015 CJ Amsterdam # "
                        "+31 (20) 555-1111 (Work) | +31 6 5550 1234 (Boat) # ANNA@example.net | anna.b@example.org # "
                        "Prefers tea",
                        "bob stone # - # Quarry 1 # +31 20 555 1111 (office) | 0101 # anna@example.net # "});
    }
    void mergeRule()
    {
        QFETCH(QString, existing);
        QFETCH(int, added);
        QFETCH(int, merged);
        QFETCH(QStringList, persons);
        runSql(existing);
        runSql(
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (3, 1, '+31 20 555 1111', 'office')");
        runSql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 1, 'anna@example.net', '')");

        const modVcardImport::Report report = importBytes(annaCard() + bobCard());
        QCOMPARE(report.added, added);
        QCOMPARE(report.merged, merged);
        QVERIFY(report.skipped.empty());
        QCOMPARE(dumpPersons(), persons);

        // The same file again finds everyone and changes nothing.
        const modVcardImport::Report again = importBytes(annaCard() + bobCard());
        QCOMPARE(again.added, 0);
        QCOMPARE(again.merged, 2);
        QCOMPARE(dumpPersons(), persons);
    }

    void duplicateCardsInOneFileMerge()
    {
        const modVcardImport::Report report = importBytes(bobCard() + bobCard().replace("0101", "0202"));
        QCOMPARE(report.added, 1);
        QCOMPARE(report.merged, 1);
        QCOMPARE(dumpPersons(), QStringList{"Bob Stone # - #  # 0101 | 0202 #  # "});
    }

    void newPersonsTakeTheLowestFreeNumbers()
    {
        for (int number : {1, 2, 4})
            runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P%1')").arg(number));
        QCOMPARE(importBytes(annaCard() + bobCard()).added, 2);
        Engine::Recordset rows = modSql::OpenRecordset("SELECT Contactnr FROM Person WHERE Name LIKE 'Anna%' OR "
                                                       "Name = 'Bob Stone' ORDER BY Contactnr ");
        QCOMPARE(rows.RecordCount(), 2);
        QCOMPARE(rows.Fields(0).toInt(), 3);
        rows.MoveNext();
        QCOMPARE(rows.Fields(0).toInt(), 5);
    }

    // When the numbers run out, nothing of the file is written: not the persons that
    // would still have fitted, nor the merges.
    void fullDatabaseWritesNothing()
    {
        {
            Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
            for (int number = 1; number <= modSql::MaxContactnr; ++number)
                runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P%1')").arg(number));
            runSql("DELETE FROM Person WHERE Contactnr = 77 ");
            runSql("UPDATE Person SET Name = 'Bob Stone' WHERE Contactnr = 5 ");
            transaction.Commit();
        }
        const QByteArray file = bobCard().replace("0101", "0303") + annaCard() +
                                QByteArray(annaCard()).replace("Anna van der Berg", "Carla Diaz");
        const modVcardImport::Report report = importBytes(file);
        QVERIFY(report.full);
        QCOMPARE(report.added, 0);
        QCOMPARE(countRows("Person"), modSql::MaxContactnr - 1);
        QCOMPARE(countRows("Phone"), 0);
        QCOMPARE(countRows("Email"), 0);
        Engine::Recordset gap = modSql::OpenRecordset("SELECT Name FROM Person WHERE Contactnr = 77 ");
        QVERIFY(gap.Eof());
        const QString text = modVcardImport::ReportText(report);
        QVERIFY2(text.contains("No further person can be added to this database") &&
                     text.contains("Nothing was imported"),
                 qPrintable(text));
    }

    // Control characters (NUL too) anywhere in a card are dropped before the database
    // sees them; line breaks stay only where a field has lines.
    void controlCharactersAreDropped_data()
    {
        QTest::addColumn<QByteArray>("clean");
        QTest::addColumn<QByteArray>("dirty");
        TestSupport::addRow("NUL in the name", QByteArray("FN:Anna van der Berg"),
                            QByteArray("FN:Anna van") + '\0' + " der Berg");
        TestSupport::addRow("NUL and bell in the note", QByteArray("NOTE:Prefers tea"),
                            QByteArray("NOTE:Prefers") + '\0' + " tea\a");
        QTest::newRow("escape in a number") << QByteArray("+31 6 5550 1234") << QByteArray("+31 6\x1b 5550 1234");
        TestSupport::addRow("unit separator in the address", QByteArray("Keizersgracht 1"),
                            QByteArray("Keizers\x1fgracht 1"));
    }
    void controlCharactersAreDropped()
    {
        QFETCH(QByteArray, clean);
        QFETCH(QByteArray, dirty);
        QCOMPARE(importBytes(annaCard() + bobCard()).added, 2);
        const QStringList expected = dumpPersons();
        runSql("DELETE FROM Phone");
        runSql("DELETE FROM Email");
        runSql("DELETE FROM Person");

        const modVcardImport::Report report = importBytes(annaCard().replace(clean, dirty) + bobCard());
        QCOMPARE(report.added, 2);
        QVERIFY(report.skipped.empty());
        QCOMPARE(dumpPersons(), expected);
    }

    // A card the database refuses is reported; the others are imported.
    void refusedCardIsReported()
    {
        runSql("CREATE UNIQUE INDEX OneAnna ON Person (Name)");
        const modVcardImport::Report report =
            importBytes(annaCard() + annaCard().replace("1980-02-29", "1981-01-01") + bobCard());
        QCOMPARE(report.added, 2);
        QCOMPARE(report.skippedCards, 1);
        QCOMPARE(report.skipped.front().line, 13);
        QVERIFY2(modVcardImport::ReportText(report).contains("Error: UNIQUE constraint failed"),
                 qPrintable(modVcardImport::ReportText(report)));
        QCOMPARE(countRows("Person"), 2);
    }

    // A file with more new persons than free numbers is read only until the first one
    // finds none; one that is cancelled is read no further. Neither writes anything.
    void importStopsEarly_data()
    {
        QTest::addColumn<int>("persons");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("numbers run out") << modSql::MaxContactnr - 5 << false;
        QTest::newRow("cancelled") << 1 << true;
    }
    void importStopsEarly()
    {
        QFETCH(int, persons);
        QFETCH(bool, cancel);
        runSql(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO Person (Contactnr, Name) SELECT i, 'P' || i FROM n")
                   .arg(persons));
        QByteArray file;
        for (int i = 0; i < 20000; ++i)
            file += QByteArray(bobCard()).replace("Bob Stone", "Card " + QByteArray::number(i));
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        CancellingProgress progress;
        const modVcardImport::Report report = modVcardImport::ImportCards(buffer, cancel ? &progress : nullptr);
        QCOMPARE(report.full, !cancel);
        QCOMPARE(report.cancelled, cancel);
        QVERIFY2(buffer.pos() < file.size() / 4, qPrintable(QString::number(buffer.pos())));
        QCOMPARE(countRows("Person"), persons);
    }

    void reportText()
    {
        modVcardImport::Report report;
        report.cards = 5;
        report.added = 2;
        report.merged = 1;
        report.skippedCards = 3;
        report.skipped = {{5, "Broken Fold", modVcard::Problem::NotAProperty, 9, {}},
                          {15, "", modVcard::Problem::NoName, 0, {}},
                          {24, "Truncated", modVcard::Problem::NoEnd, 24, {}}};
        QCOMPARE(modVcardImport::ReportText(report), QString("Persons added: 2\nPersons merged: 1\nCards skipped: 3\n"
                                                             "- Line 5 (Broken Fold): Line 9 is not a vCard property\n"
                                                             "- Line 15: The card has no name\n"
                                                             "- Line 24 (Truncated): END:VCARD is missing"));
        QVERIFY(modVcardImport::ReportText({}).startsWith("The file holds no vCard.\n"));
    }

    // Persons exported as vCards and imported into an empty database come back the
    // same, lists in the same order.
    void roundTrip()
    {
        using modContact::TypedEntry;
        std::vector<modContact::Contact> contacts(4);
        contacts[0] = {"Sean O'Brien",
                       QDate(1975, 3, 9).toString("M/d/yyyy"),
                       "Harbour Road 7, Flat 2\nCork\nIreland",
                       "Owes me; a pint\nor two, \\maybe\\",
                       {TypedEntry("021 555 0101", "Home"), TypedEntry("087 555 0202", "Mobile"),
                        TypedEntry("021 555 0303", "Boat; summer, weekends"), TypedEntry("021 555 0404", ""),
                        TypedEntry("021 555 0505", "Fax"), TypedEntry("021 555 0606", "Work")},
                       {TypedEntry("sean@example.ie", "Work"), TypedEntry("s@example.org", "Club"),
                        TypedEntry("o@example.net", "")}};
        contacts[1] = {"Zoë Ångström-Łukasiewicz",
                       QDate(1904, 2, 29).toString("M/d/yyyy"),
                       "",
                       QString("Long note ").repeated(40) + "€ 😀",
                       {},
                       {TypedEntry("zoe@example.se", "Home")}};
        contacts[2] = {"Plain", "", "", "", {TypedEntry("1", "")}, {}};
        contacts[3] = {"Anna, the elder", QDate(1950, 12, 31).toString("M/d/yyyy"), "Lane 1", "", {}, {}};
        std::vector<qint16> numbers;
        for (const modContact::Contact& contact : contacts)
            numbers.push_back(*modContact::SaveNewPerson(contact));
        const QStringList before = dumpPersons();

        modExport::Selection selection;
        selection.contactnrs = numbers;
        QString error;
        QVERIFY2(modExportFiles::ExportVcard(selection, nullptr, error), qPrintable(error));
        const QByteArray file = TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Vcard));
        for (const QByteArray& line : file.split('\n'))
            QVERIFY(line.size() <= 76); // 75 octets and the CR

        modDatabase::CloseDatabase(false);
        QVERIFY(modDatabase::NewDatabase(m_dir->filePath("empty.mdb")));
        const modVcardImport::Report report = importBytes(file);
        QCOMPARE(report.added, 4);
        QCOMPARE(report.merged, 0);
        QVERIFY(report.skipped.empty());
        QCOMPARE(dumpPersons(), before);

        // The persons keep the cards' UIDs: exported again, the UID lines are the same.
        QCOMPARE(uidLines(exportVcards(numbers)).size(), 4);
        QCOMPARE(uidLines(exportVcards(numbers)), uidLines(file));

        // An independent parser reads every card, with its UID and name.
        QStringList parsed;
        QString parseError;
        QVERIFY2(TestSupport::readWithVobject(file, parsed, parseError), qPrintable(parseError));
        QCOMPARE(parsed.size(), 4);
        for (const QString& line : parsed)
            QVERIFY2(uidLines(file).contains("UID:" + line.section('\t', 0, 0).toUtf8()), qPrintable(line));
        QCOMPARE(parsed.first().section('\t', 1), QString("Anna, the elder"));
    }

    // A card whose UID a person has replaces that person's details; other cards are
    // merged by name and date of birth or added, keeping their UID or getting one.
    void importByUid_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::addColumn<int>("added");
        QTest::addColumn<int>("merged");
        QTest::addColumn<int>("updated");
        QTest::addColumn<QStringList>("persons"); // "name uid", "kept" for Anna's own, "new" for a fresh one
        QTest::addColumn<bool>("revised");        // Anna's revision changed

        TestSupport::addRow("own export", QByteArray(), QByteArray(), 0, 0, 1, QStringList{"Anna Berg kept"}, false);
        TestSupport::addRow("changed card", QByteArray("FN:Anna Berg"), QByteArray("FN:Anna Smith"), 0, 0, 1,
                            QStringList{"Anna Smith kept"}, true);
        TestSupport::addRow("unknown UID, same person", QByteArray("UID:"), QByteArray("UID:x-"), 0, 1, 0,
                            QStringList{"Anna Berg kept"}, false);
        TestSupport::addRow("unknown UID, other person", QByteArray("FN:Anna Berg\r\nUID:"),
                            QByteArray("FN:Zed\r\nUID:x-"), 1, 0, 0, QStringList{"Anna Berg kept", "Zed x-kept"},
                            false);
        TestSupport::addRow("no UID, other person", QByteArray("FN:Anna Berg\r\nUID:"), QByteArray("FN:Zed\r\nX-UID:"),
                            1, 0, 0, QStringList{"Anna Berg kept", "Zed new"}, false);
    }
    void importByUid()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(int, added);
        QFETCH(int, merged);
        QFETCH(int, updated);
        QFETCH(bool, revised);
        modContact::Contact anna{"Anna Berg",
                                 QDate(1980, 2, 29).toString("M/d/yyyy"),
                                 "Lane 1\nTown",
                                 "Tea, please",
                                 {modContact::TypedEntry("0101", "Mobile"), modContact::TypedEntry("0202", "Boat")},
                                 {modContact::TypedEntry("anna@example.org", "Work")}};
        const qint16 number = *modContact::SaveNewPerson(anna);
        QByteArray file = exportVcards({number});
        const QString kept = QString::fromUtf8(uidLines(file).value(0).mid(4));
        if (!from.isEmpty())
            file.replace(from, to);
        const QString old = "2001-01-01T00:00:00Z";
        runSql("UPDATE PersonUid SET Revision = '" + old + "'");
        const QStringList before = dumpPersons();

        const modVcardImport::Report report = importBytes(file);
        QCOMPARE(report.added, added);
        QCOMPARE(report.merged, merged);
        QCOMPARE(report.updated, updated);
        QStringList found;
        modSql::ForEachRow("SELECT Name, Uid FROM Person JOIN PersonUid USING (Contactnr) ORDER BY Name",
                           [&](const Engine::Connection::Row& row) {
                               QString uid = row.Text(1).replace(kept, "kept");
                               if (uid != "kept" && uid != "x-kept" &&
                                   QUuid::fromString(uid).version() == QUuid::Random)
                                   uid = "new";
                               found << row.Text(0) + ' ' + uid;
                           });
        QTEST(found, "persons");
        QCOMPARE(modSql::OpenRecordset("SELECT Revision FROM PersonUid WHERE Contactnr = " + QString::number(number))
                         .Fields(0)
                         .toString() != old,
                 revised);
        if (!revised && added == 0)
            QCOMPARE(dumpPersons(), before);
    }

    // Database > Import... sits after E-mail..., asks for the file in the database
    // folder, refills the list and reports.
    void importCommand()
    {
        const QString path = m_dir->filePath("home.mdb");
        runSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'Zed')");
        modDatabase::CloseDatabase(false);
        frmMain window(path);
        RegisterWindows(window);
        window.Load();
        QCOMPARE(window.ListRowCount(), 1);

        QVERIFY(window.mnuFileImport->isEnabled());

        const QString cards = m_dir->filePath("contacts.vcf");
        QVERIFY(TestSupport::writeFile(cards, annaCard() + "BEGIN:VCARD\r\nN:;;;;\r\nEND:VCARD\r\n" + bobCard()));
        m_platform->expectOpenFileName(cards);
        m_platform->expectMessage();
        window.mnuFileImport->trigger();
        const auto open = m_platform->callsOf("open");
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.first().text,
                 QString("vCard, CSV (*.vcf *.csv)|*.vcf;*.csv|vCard (*.vcf)|*.vcf|CSV (*.csv)|*.csv"));
        QCOMPARE(open.first().arguments, QStringList{modEnvironment::DatabaseDirectory()});
        QCOMPARE(window.ListRowCount(), 3);
        const auto report = m_platform->messages();
        QCOMPARE(report.size(), 1);
        QCOMPARE(report.first().title, QString("Import"));
        QCOMPARE(report.first().icon, Platform::Icon::Information);
        QCOMPARE(report.first().text, QString("Persons added: 2\nPersons merged: 0\nCards skipped: 1\n"
                                              "- Line 13: The card has no name"));

        // Cancelling the file dialog does nothing.
        m_platform->expectOpenFileName(QString());
        window.mnuFileImport->trigger();
        QCOMPARE(m_platform->messages().size(), 1);

        // A file that cannot be read is reported; the database is untouched.
        m_platform->expectOpenFileName(m_dir->filePath("missing.vcf"));
        m_platform->expectMessage();
        window.mnuFileImport->trigger();
        QCOMPARE(m_platform->messages().last().title, QString("Error"));
        QVERIFY(m_platform->messages().last().text.contains("missing.vcf"));
        QCOMPARE(window.ListRowCount(), 3);

        modDatabase::CloseDatabase(false);
        QVERIFY(!window.mnuFileImport->isEnabled());
    }

    // A card file opened from the file manager arrives as the command line: the default
    // database opens and the cards go into it only when the user says yes.
    void cardFileOnTheCommandLine_data()
    {
        QTest::addColumn<Platform::Answer>("answer");
        QTest::addColumn<int>("persons");
        QTest::newRow("yes") << Platform::Answer::Yes << 2;
        QTest::newRow("no") << Platform::Answer::No << 0;
    }
    void cardFileOnTheCommandLine()
    {
        QFETCH(Platform::Answer, answer);
        QFETCH(int, persons);
        const QString path = m_dir->filePath("home.mdb");
        modDatabase::CloseDatabase(false);
        modSettings::WriteSetting("Default database", path);
        const QString cards = m_dir->filePath("from the file manager.vcf");
        QVERIFY(TestSupport::writeFile(cards, annaCard() + bobCard()));

        frmMain window(cards);
        RegisterWindows(window);
        window.Load();
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
        QVERIFY(m_platform->messages().isEmpty());
        m_platform->expectMessage(answer);
        if (answer == Platform::Answer::Yes)
            m_platform->expectMessage();
        window.ActOnCommandLine();
        const ScriptedPlatform::Call question = m_platform->messages().value(0);
        QCOMPARE(question.title, QString("Import"));
        QCOMPARE(question.buttons, Platform::Buttons::YesNo);
        QCOMPARE(question.text, "Import the persons of this file into the open database?\n\n" + cards + "\n" + path);
        QCOMPARE(window.ListRowCount(), persons);
        QCOMPARE(countRows("Person"), persons);
    }

    // A database that cannot be written is said to be so; no import is tried.
    void readOnlyDatabase()
    {
        const QString cards = TestSupport::environment().temp() + "/readonly.vcf";
        QVERIFY(TestSupport::writeFile(cards, bobCard()));
        const QString path = m_dir->filePath("home.mdb");
        modDatabase::CloseDatabase(false);
        frmMain window{QString()};
        {
            ReadOnlyFile readOnly(path);
            if (!readOnly.ok())
                QSKIP("this machine cannot make a read-only file");
            m_platform->expectMessage();
            QVERIFY(modDatabase::OpenDatabase(path));
            m_platform->expectMessage();
            ImportCommand::ImportFile(window, cards);
            QCOMPARE(m_platform->messages().size(), 2);
            QCOMPARE(m_platform->messages().last().text, "Addrion database " + path + " is read-only!");
            QCOMPARE(countRows("Person"), 0);
            modDatabase::CloseDatabase(false);
        }
    }

    // The export window's third format writes vCards, previews and saves them.
    void exportWindowWritesVcards()
    {
        modContact::Contact contact{"Bob Stone", "", "", "", {modContact::TypedEntry("0101", "Home")}, {}};
        QVERIFY(modContact::SaveNewPerson(contact));
        frmMain window{QString()};
        window.FillContactList();
        frmExport dialog(window);
        QVERIFY(dialog.optHtml->isChecked());
        QTest::mouseClick(dialog.cmdAddAll, Qt::LeftButton);
        dialog.optVcard->click();
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);

        frmExportPreview* preview = shownPreview("frmExportVcard");
        QVERIFY(preview);
        QVERIFY(!preview->toolbarButton("Css"));
        QTRY_VERIFY(preview->toolbarButton("Save")->isEnabled());
        QVERIFY(preview->wbrPrint->toPlainText().contains("TEL;TYPE=HOME:0101"));

        const QString temp = preview->ExportFile();
        QVERIFY(modEnvironment::FileNameOf(temp).endsWith(".vcf"));
        const QString target = m_dir->filePath("saved.vcf");
        m_platform->expectSaveFileName(target);
        preview->toolbarButton("Save")->trigger();
        const auto save = m_platform->callsOf("save");
        QCOMPARE(save.size(), 1);
        QCOMPARE(save.first().text, QString("vCard (*.vcf)|*.vcf"));
        QVERIFY(save.first().arguments.at(1).endsWith(".vcf"));
        QCOMPARE(TestSupport::readFile(target), TestSupport::readFile(temp));
        QVERIFY(TestSupport::readFile(target).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));

        preview->close();
        QVERIFY(!modEnvironment::FileExists(temp));
    }
};

ADDRION_TEST_MAIN(TestVcardImport)
#include "tst_vcardimport.moc"
