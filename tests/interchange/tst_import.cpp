// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "TwoRows.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/LineWriter.h"
#include "birthdays/frmProgress.h"
#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "editor/modContact.h"
#include "export/frmExport.h"
#include "export/frmExportPreview.h"
#include "export/modExportFiles.h"
#include "interchange/ImportCommand.h"
#include "interchange/frmCsvMapping.h"
#include "interchange/frmDuplicates.h"
#include "interchange/modDuplicates.h"
#include "interchange/modMerge.h"
#include "interchange/modVcardImport.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"
#include "widgets/FailureDialog.h"

#include <QBuffer>
#include <QCheckBox>
#include <QListWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QUuid>

Q_DECLARE_METATYPE(Platform::Answer)

using modContact::TypedEntry;
using TestSupport::addRow;
using TestSupport::control;

// Importing and merging into a real database file, through the program's real windows.
class TestImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static modVcardImport::Report importBytes(QByteArray file, WriteProgress* progress = nullptr,
                                              QBuffer* buffer = nullptr)
    {
        QBuffer own(&file);
        QBuffer& device = buffer ? *buffer : own;
        device.open(QIODevice::ReadOnly);
        return modVcardImport::ImportCards(device, progress);
    }

    // The properties of a file's cards as a reader sees them: "group.NAME;PARAM=values:value" with the
    // value unescaped and its line breaks as LF, without the text encodings of 2.1 (which a reader
    // undoes), in file order.
    static QStringList properties(const QByteArray& file)
    {
        QStringList lines;
        for (const modVcard::Card& card : modVcard::ParseCards(file))
            for (const modVcard::Property& property : card.properties) {
                if (property.name == "VERSION")
                    continue;
                QString line = (property.group.isEmpty() ? QString() : property.group.toLower() + '.') + property.name;
                for (const modVcard::Parameter& parameter : property.parameters)
                    if (parameter.name != "CHARSET" &&
                        !(parameter.name == "ENCODING" &&
                          parameter.values.contains("QUOTED-PRINTABLE", Qt::CaseInsensitive)))
                        line += ';' + parameter.name + '=' + parameter.values.join(',').toUpper();
                // A line break is one, however a writer spelt it.
                lines << line + ':' + modVcard::Unescape(property.value).replace("\r\n", "\n");
            }
        return lines;
    }

    static QString reportOf(const QByteArray& file) { return modVcardImport::ReportText(importBytes(file)); }

    // Imports the file through the command and returns the report shown.
    QString import(const QString& path)
    {
        frmMain window{QString()};
        m_platform->expectMessage();
        ImportCommand::ImportFile(window, path);
        return m_platform->messages().isEmpty() ? QString() : m_platform->messages().last().text;
    }

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir->filePath(name);
        return TestSupport::writeFile(path, bytes) ? path : QString();
    }

    static QByteArray sample(const QString& name)
    {
        return TestSupport::readFile(TestSupport::sourceDir() + "/tests/interchange/samples/" + name);
    }
    static QByteArray annaCard() { return sample("anna.vcf"); }
    static QByteArray bobCard() { return "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bob Stone\r\nTEL:0101\r\nEND:VCARD\r\n"; }

    // "number|description" for each phone.
    static qint16 save(const QString& name, const QStringList& phones, const QStringList& emails,
                       const QString& born = {}, const QString& address = {}, const QString& note = {})
    {
        modContact::Contact contact{name, born, address, note, {}, {}, {}, {}, {}, {}};
        for (const QString& phone : phones)
            contact.phones.push_back(TypedEntry(phone.section('|', 0, 0), phone.section('|', 1)));
        for (const QString& email : emails)
            contact.emails.push_back(TypedEntry(email, ""));
        return *modContact::SaveNewPerson(contact);
    }

    static QStringList schema()
    {
        QStringList statements;
        modSql::ForEachRow("SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name",
                           [&](const Engine::Connection::Row& row) { statements << row.Text(0); });
        return statements;
    }

    // However an import ends, the file keeps its schema (the import adds persons without the
    // trigger that gives them UIDs), every person has a UID, and one added afterwards gets a
    // new one.
    static void verifyUidsAsBefore(const QStringList& schemaBefore, bool full = false)
    {
        QCOMPARE(schema(), schemaBefore);
        QCOMPARE(countSelected("SELECT Contactnr FROM Person WHERE Contactnr NOT IN (SELECT Contactnr FROM PersonUid)"),
                 0);
        if (full)
            return;
        const qint16 added = save("Added Afterwards", {}, {});
        const QString uid =
            modSql::OpenRecordset("SELECT Uid FROM PersonUid WHERE Contactnr = " + QString::number(added))
                .Fields(0)
                .toString();
        QCOMPARE(QUuid::fromString(uid).version(), QUuid::Random);
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
        TestSupport::addColumns<QString, int, int, QStringList>("existing", "added", "merged", "persons");
        const QString anna = "Anna van der Berg # 1980-02-29 # Keizersgracht 1\n1015 CJ Amsterdam # "
                             "+31 (20) 555-1111 (Work) | +31 6 5550 1234 (Boat) # ANNA@example.net | "
                             "anna.b@example.org # Prefers tea";
        addRow(
            "same name other case, same date",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
            "VALUES (3, 'ANNA VAN DER BERG', #2/29/1980#, '', 'Met in 2001')",
            1, 1,
            QStringList{"ANNA VAN DER BERG # 1980-02-29 # Keizersgracht 1\n1015 CJ Amsterdam # "
                        "+31 20 555 1111 (office) | +31 6 5550 1234 (Boat) # anna@example.net | anna.b@example.org # "
                        "Met in 2001\n\nPrefers tea\n\nNumber: +31 (20) 555-1111 (Work)",
                        "Bob Stone # - #  # 0101 #  # "});
        addRow("same name, other date",
               "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
               "VALUES (3, 'Anna van der Berg', #3/1/1980#, 'Elsewhere 2', '')",
               2, 0,
               QStringList{anna,
                           "Anna van der Berg # 1980-03-01 # Elsewhere 2 # +31 20 555 1111 (office) # "
                           "anna@example.net # ",
                           "Bob Stone # - #  # 0101 #  # "});
        addRow("both without date",
               "INSERT INTO Person (Contactnr, Name, Address, [Note]) VALUES (3, 'bob stone', 'Quarry 1', '')", 1, 1,
               QStringList{anna, "bob stone # - # Quarry 1 # +31 20 555 1111 (office) | 0101 # anna@example.net # "});
    }
    // A number or address both have: the kept description stays, an empty one takes the other's, and one
    // that says something else is kept in the note; one that says the same in another language is no loss.
    void mergedDescriptions_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString>("kept", "other", "entry", "note");
        addRow("the same in another language", "jose@example.org|Home", "Jose@Example.org|Privat",
               "jose@example.org (Home)", "");
        addRow("an empty description takes the other's", "jose@example.org|", "JOSE@example.org|Home",
               "jose@example.org (Home)", "");
        addRow("another description is kept in the note", "jose@example.org|Home", "jose@example.org|Work",
               "jose@example.org (Home)", "E-mail: jose@example.org (Work)");
        addRow("none on the other side", "jose@example.org|Home", "jose@example.org|", "jose@example.org (Home)", "");
    }
    void mergedDescriptions()
    {
        auto [kept, other] = TestSupport::fetch<QString, QString>("kept", "other");
        const auto person = [](const QString& email) {
            modVcard::Person p;
            p.name = "Jose";
            p.emails.push_back({email.section('|', 0, 0), email.section('|', 1)});
            return p;
        };
        const modContact::Contact merged = modMerge::Merged(person(kept), person(other), {}, "dd/mm/yyyy");
        QCOMPARE(merged.emails.size(), size_t(1));
        QTEST(merged.emails.front().text, "entry");
        QTEST(merged.note, "note");
    }

    void mergeRule()
    {
        auto [existing, added, merged, persons] =
            TestSupport::fetch<QString, int, int, QStringList>("existing", "added", "merged", "persons");
        runSql(existing);
        runSql(
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (3, 1, '+31 20 555 1111', 'office')");
        runSql("INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 1, 'anna@example.net', '')");

        QCOMPARE(reportOf(annaCard() + bobCard()),
                 QString("Persons added: %1\nPersons merged: %2").arg(added).arg(merged));
        QCOMPARE(dumpPersons(), persons);
        // The same file again finds everyone and changes nothing.
        QCOMPARE(reportOf(annaCard() + bobCard()), QString("Persons added: 0\nPersons merged: 2"));
        QCOMPARE(dumpPersons(), persons);
    }

    // Two cards of one person in a file merge; new persons take the lowest free numbers.
    void duplicateCardsAndFreeNumbers()
    {
        for (int number : {1, 2, 4})
            runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P%1')").arg(number));
        QCOMPARE(reportOf(annaCard() + bobCard() + QByteArray(bobCard()).replace("0101", "0202")),
                 QString("Persons added: 2\nPersons merged: 1"));
        QCOMPARE(EngineTest::column(modSql::OpenRecordset("SELECT Contactnr AS Name FROM Person WHERE Name LIKE "
                                                          "'Anna%' OR Name = 'Bob Stone' ORDER BY Contactnr ")),
                 (QStringList{"3", "5"}));
        QVERIFY(dumpPersons().contains("Bob Stone # - #  # 0101 | 0202 #  # "));
    }

    // A cancelled import, or one out of numbers, writes nothing (no person, no merge) and
    // reads the file no further.
    void stoppedImportWritesNothing()
    {
        QByteArray file = bobCard().replace("0101", "0303") + annaCard() +
                          QByteArray(annaCard()).replace("Anna van der Berg", "Carla Diaz");
        for (int i = 0; i < 20000; ++i)
            file += QByteArray(bobCard()).replace("Bob Stone", "Card " + QByteArray::number(i));
        const QStringList schemaBefore = schema();
        QBuffer cancelled(&file);
        CancellingProgress progress;
        const modVcardImport::Report stopped = importBytes(file, &progress, &cancelled);
        QVERIFY(stopped.cancelled && !stopped.full);
        QVERIFY2(cancelled.pos() < file.size() / 4, qPrintable(QString::number(cancelled.pos())));
        QCOMPARE(countRows("Person"), 0);
        verifyUidsAsBefore(schemaBefore);
        if (QTest::currentTestFailed())
            return;
        runSql("DELETE FROM Person");

        {
            Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
            DatabaseFixture::addPersons(modSql::MaxContactnr);
            runSql("DELETE FROM Person WHERE Contactnr = 77 ");
            runSql("UPDATE Person SET Name = 'Bob Stone' WHERE Contactnr = 5 ");
            transaction.Commit();
        }
        QBuffer buffer(&file);
        const modVcardImport::Report report = importBytes(file, nullptr, &buffer);
        QVERIFY2(buffer.pos() < file.size() / 4, qPrintable(QString::number(buffer.pos())));
        QCOMPARE((QList<int>{report.full, report.added, countRows("Person"), countRows("Phone") + countRows("Email"),
                             countSelected("SELECT Name FROM Person WHERE Contactnr = 77 ")}),
                 (QList<int>{true, 0, modSql::MaxContactnr - 1, 0, 0}));
        QCOMPARE(modVcardImport::ReportText(report),
                 QString("No further person can be added to this database!\nNothing was imported."));
        verifyUidsAsBefore(schemaBefore, true);
    }

    // Control characters (NUL too) anywhere in a card are dropped before the database
    // sees them; line breaks stay only where a field has lines.
    void controlCharactersAreDropped()
    {
        QCOMPARE(reportOf(annaCard() + bobCard()), QString("Persons added: 2\nPersons merged: 0"));
        const QStringList expected = dumpPersons();
        const std::pair<QByteArray, QByteArray> dirt[] = {
            {"FN:Anna van der Berg", QByteArray("FN:Anna van") + '\0' + " der Berg"},
            {"NOTE:Prefers tea", QByteArray("NOTE:Prefers") + '\0' + " tea\a"},
            {"+31 6 5550 1234", "+31 6\x1b 5550 1234"},
            {"Keizersgracht 1", "Keizers\x1fgracht 1"}};
        for (const auto& [clean, dirty] : dirt) {
            for (const char* table : {"Phone", "Email", "Person"})
                runSql(QString("DELETE FROM ") + table);
            QCOMPARE(reportOf(annaCard().replace(clean, dirty) + bobCard()),
                     QString("Persons added: 2\nPersons merged: 0"));
            QCOMPARE(dumpPersons(), expected);
        }
    }

    // The report names each skipped card by its line, its name and its problem; a card the
    // database refuses is one of them, and the others are imported.
    void reportText()
    {
        runSql("CREATE UNIQUE INDEX OneAnna ON Person (Name)");
        const QStringList schemaBefore = schema();
        QCOMPARE(reportOf(annaCard() + annaCard().replace("1980-02-29", "1981-01-01") + sample("malformed.vcf")),
                 QString("Persons added: 3\nPersons merged: 0\nCards skipped: 5\n"
                         "- Line 13 (Anna van der Berg): Error: UNIQUE constraint failed: Person.Name\n"
                         "- Line 29 (Broken Fold): Line 33 is not a vCard property\n"
                         "- Line 35 (Cut Short): END:VCARD is missing\n- Line 39: The card has no name\n"
                         "- Line 48 (Truncated): END:VCARD is missing"));
        QCOMPARE(countRows("Person"), 3);
        verifyUidsAsBefore(schemaBefore);
        QVERIFY(modVcardImport::ReportText({}).startsWith("The file holds no vCard.\n"));
    }

    // Persons exported through the window as vCards or in either CSV layout, saved and
    // imported into an empty database come back the same, to the last quote and line break,
    // whatever numbers, descriptions, names and addresses they have.
    void roundTrip_data()
    {
        // The CSV files start with a byte order mark.
        TestSupport::addColumns<int, QString, QString>("layout", "dateFormat", "firstLine"); // -1: vCard
        addRow("vCard", -1, "dd/mm/yyyy", "BEGIN:VCARD\r\nVERSION:3.0\r\n");
        addRow("Google", int(modCsv::Layout::GoogleLabel), "dd/mm/yyyy",
               "First Name,Middle Name,Last Name,Name Prefix,Name Suffix,Organization Name,Organization Title,"
               "Birthday,Notes,Labels,E-mail 1 - Label,E-mail 1 - Value,");
        addRow("Outlook, day first", int(modCsv::Layout::Outlook), "dd/mm/yyyy",
               "Title,First Name,Middle Name,Last Name,Suffix,Company,Job Title,Home Street,Home Street 2,"
               "Home Street 3,Home City,Home State,Home Postal Code,Home Country/Region,Home Phone,");
        addRow("Outlook, month first", int(modCsv::Layout::Outlook), "mm/dd/yyyy", "Title,");
    }
    void roundTrip()
    {
        auto [layout, dateFormat, firstLine] =
            TestSupport::fetch<int, QString, QString>("layout", "dateFormat", "firstLine");
        TestSupport::writeSetting("Date", dateFormat);
        const bool vcard = layout < 0;
        // Descriptions Outlook has a column for, in another order than its columns; ones it
        // has none for, in several languages; two numbers of one kind apart.
        const QStringList phones{"087 555 0202|Mobile",   "021 555 0101|Home",
                                 "021 555 0606|Büro",     "021 555 0303|手机",
                                 "021 555 0404|Work Fax", "021 555 0505|Boat; summer, \"weekends\"",
                                 "021 555 0707|Home",     "021 555 0808|"};
        const QStringList emails{"sean@example.ie|Work", "s@example.org|", "s3@example.org|Privat",
                                 "s4@example.org|عمل"};
        const QString address = "Harbour Road 7, Flat 2\nCork\nIreland";
        const QString note = "Owes me; a pint\nor \"two\", \\maybe\\";
        const QString longNote = QString("Long note ").repeated(40) + "€ 😀";
        addPersons(
            {{1, "Sean O'Brien", QDate(1975, 3, 9), phones, emails, address, note},
             {2, "Zoë O’Ångström-Łukasiewicz", QDate(1904, 2, 29), {"1|Mobile", "2|"}, {}, "", longNote},
             {3,
              "Plain",
              {},
              {"1|Home", "2|Home"},
              {},
              "1 Main St\nSpringfield, IL 62701\nUSA",
              "=HYPERLINK(\"http://x.test\")"},
             {4, "van der Berg, Jan", QDate(1950, 11, 10), {}, {"jan@example.nl|"}, "Dorpsstraat 1\n1234 AB Ergens"},
             {5,
              "Smith, \"Bob\" Jr.",
              {},
              {"0171 2345678|Mobile"},
              {"bob@example.com|Home"},
              "Hauptstraße 5\n10115 Berlin\nDeutschland",
              "[Addrion]"},
             {6,
              "Dr. Anna Maria Schmidt",
              QDate(1980, 2, 29),
              {"089 5551234|Home", "+49 171 1111111|Mobile"},
              {"anna@example.de|", "a2@example.de|", "a3@example.de|"},
              "Lange Reihe 3\n20099 Hamburg"}});
        // An organisation and a title, and a birthday without a year.
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday, Organisation, Title) VALUES "
               "(3, '--02-29', 'Plain & Co; Ltd', 'Head, \"Sales\"')");
        // Groups, in the person's order, one with a comma of its own.
        runSql("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (1, 1, 'Family'), (1, 2, 'Chess club'), "
               "(6, 1, 'Work, old'), (6, 2, 'Family')");
        const QStringList before = dumpPersons();

        frmMain window{QString()};
        window.FillContactList();
        frmExport dialog(window);
        QVERIFY(dialog.optHtml->isChecked() && !dialog.cboCsvLayout->isEnabled());
        QTest::mouseClick(dialog.cmdAddAll, Qt::LeftButton);
        (vcard ? dialog.optVcard : dialog.optCsv)->click();
        QCOMPARE(dialog.cboCsvLayout->isEnabled(), !vcard);
        if (!vcard)
            dialog.cboCsvLayout->setCurrentIndex(dialog.cboCsvLayout->findData(layout));
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        frmExportPreview* preview = shownPreview(vcard ? "frmExportVcard" : "frmExportCsv");
        QVERIFY(preview && !preview->toolbarButton("Css"));
        QTRY_VERIFY(preview->toolbarButton("Save")->isEnabled());
        QVERIFY(preview->wbrPrint->toPlainText().contains(vcard ? "TEL;TYPE=HOME:1" : "Plain"));
        const QString saved = m_dir->filePath(vcard ? "saved.vcf" : "saved.csv");
        m_platform->expectSaveFileName(saved);
        preview->toolbarButton("Save")->trigger();
        const auto save = m_platform->callsOf("save");
        QCOMPARE(save.first().text, QString(vcard ? "vCard (*.vcf)|*.vcf" : "CSV (*.csv)|*.csv"));
        QVERIFY(save.first().arguments.at(1).endsWith(vcard ? ".vcf" : ".csv"));
        const QByteArray file = TestSupport::readFile(saved);
        const QString temp = preview->ExportFile();
        QCOMPARE(file, TestSupport::readFile(temp));
        QVERIFY2(file.startsWith((vcard ? "" : "\xEF\xBB\xBF") + firstLine.toUtf8()) && file.endsWith("\r\n"),
                 file.left(120).constData());
        if (vcard) {
            for (const QByteArray& line : file.split('\n'))
                QVERIFY(line.size() <= 76); // 75 octets and the CR
            // An independent parser reads every card, with its UID and name.
            QStringList parsed;
            QString parseError;
            QVERIFY2(TestSupport::readWithVobject(file, parsed, parseError), qPrintable(parseError));
            QCOMPARE(parsed.size(), 6);
            for (const QString& line : parsed)
                QVERIFY2(uidsOf(file).contains(line.section('\t', 0, 0)), qPrintable(line));
        } else {
            // Every record ends in CR LF; the breaks inside quoted fields are the note's own.
            std::vector<modCsv::FileProblem> problems;
            const auto records = modCsv::SplitRecords(QString::fromUtf8(file), ',', problems);
            QCOMPARE(records.size(), size_t(7)); // the header and six persons
            // A spreadsheet opening the file runs no formula of a note.
            QVERIFY(file.contains(",\"'=HYPERLINK(\"\"http://x.test\"\")"));
            QCOMPARE(file.count("\r\n"), qsizetype(records.size()));
        }
        preview->close();
        QVERIFY(!modEnvironment::FileExists(temp));

        modDatabase::CloseDatabase(false);
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_dir->filePath("empty.mdb"))));
        QCOMPARE(import(saved), QString("Persons added: 6\nPersons merged: 0"));
        const QStringList after = dumpPersons();
        for (qsizetype i = 0; i < after.size() && i < before.size(); ++i)
            QVERIFY2(after.at(i) == before.at(i), qPrintable(after.at(i) + "\n    instead of\n" + before.at(i)));
        QCOMPARE(after, before);
        // The persons keep the cards' UIDs: exported again, the UID lines are the same.
        if (vcard)
            QCOMPARE(uidsOf(exportedVcards({1, 2, 3, 4, 5, 6})), uidsOf(file));
    }

    // A card whose UID a person has replaces that person's details; other cards are
    // merged by name and date of birth or added, keeping their UID or getting one.
    // A card read from a file keeps what the person has no field for: its vCard export gives back every
    // property it came with, and an edit here changes only the property edited.
    void richCardRoundTrip_data()
    {
        TestSupport::addColumns<QByteArray, QString>("card", "details");
        const QByteArray photo = QByteArray("\xFF\xD8\xFF\xE0 portrait").toBase64();
        const QByteArray common =
            "BDAY:--0414\r\nORG:Acme;Sales\r\nTITLE:Boss\r\nNICKNAME:Pepe\r\n"
            "URL:https://pepe.example.org/\r\nX-CUSTOM-FIELD;X-KIND=test:kept\r\n"
            "item1.TEL;TYPE=CELL:+34 600 000 001\r\nitem1.X-ABLabel:Boat\r\n"
            "ADR;TYPE=HOME:;;Home 1;Town;;1234;Spain\r\nADR;TYPE=WORK:;;Work 2;City;;5678;Spain\r\n"
            "NOTE:Met at the fair\r\n";
        addRow("3.0",
               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:rich-3\r\nFN:José García\r\nN:García;José;;;\r\n" + common +
                   "PHOTO;ENCODING=b;TYPE=JPEG:" + photo + "\r\nEND:VCARD\r\n",
               "[--04-14 | Acme, Sales | Boss | photo 13 bytes]");
        addRow("4.0 without UID",
               "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:José García\r\n" + common + "PHOTO:data:image/jpeg;base64," + photo +
                   "\r\nEND:VCARD\r\n",
               "[--04-14 | Acme, Sales | Boss | photo 13 bytes]");
        addRow("2.1 quoted-printable",
               QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                          "Jos=C3=A9 Garc=C3=ADa\r\nBDAY;X-APPLE-OMIT-YEAR=1604:1604-04-14\r\n"
                          "TEL;CELL:0101\r\nX-PHONE-THING:kept\r\nEND:VCARD\r\n"),
               "[--04-14 |  |  | -]");
        addRow("2.1 with line breaks in quoted-printable",
               QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Jose Garcia\r\nBDAY:--0414\r\n"
                          "X-PHONE-THING;ENCODING=QUOTED-PRINTABLE:first=0D=0Asecond=0Athird\r\n"
                          "NOTE;ENCODING=QUOTED-PRINTABLE:Met at=0D=0Athe fair\r\nEND:VCARD\r\n"),
               "[--04-14 |  |  | -]");
    }
    void richCardRoundTrip()
    {
        auto [card, details] = TestSupport::fetch<QByteArray, QString>("card", "details");
        const modVcardImport::Report report = importBytes(card);
        QCOMPARE(report.added, 1);
        const QStringList dump = dumpPersons();
        QCOMPARE(dump.size(), 1);
        // Nothing of the card goes into the note any more.
        QVERIFY2(dump.first().endsWith(" # " + details), qPrintable(dump.first()));
        QVERIFY2(!dump.first().contains("Nickname") && !dump.first().contains("Website"), qPrintable(dump.first()));

        // Every property the card came with goes out again; a card without a UID gets the person's.
        const QStringList in = properties(card);
        QStringList out = properties(exportedVcards({1}));
        const QString uid = "UID:" + uidsOf(exportedVcards({1})).value(0);
        if (!in.contains(uid))
            QVERIFY(out.removeOne(uid));
        QCOMPARE(out, in);

        // An edit of the note changes the note alone.
        modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(1));
        contact.note = "Met at the fair in May";
        modContact::SaveExistingPerson(1, contact);
        QStringList edited = properties(exportedVcards({1}));
        if (!in.contains(uid))
            QVERIFY(edited.removeOne(uid));
        QStringList expected = in;
        const qsizetype note =
            expected.indexOf(QRegularExpression("^NOTE:.*", QRegularExpression::DotMatchesEverythingOption));
        if (note >= 0)
            expected[note] = "NOTE:Met at the fair in May";
        else
            expected << "NOTE:Met at the fair in May";
        QCOMPARE(edited, expected);

        // Importing the export again changes nobody.
        const QStringList before = dumpPersons();
        importBytes(exportedVcards({1}));
        QCOMPARE(dumpPersons(), before);
    }

    void importByUid_data()
    {
        // persons: "name uid", "kept" for Anna's own, "new" for a fresh one; revised: Anna's revision changed
        TestSupport::addColumns<QByteArray, QByteArray, int, int, int, QStringList, bool>(
            "from", "to", "added", "merged", "updated", "persons", "revised");
        addRow("own export", QByteArray(), QByteArray(), 0, 0, 1, QStringList{"Anna Berg kept"}, false);
        addRow("changed card", QByteArray("FN:Anna Berg"), QByteArray("FN:Anna Smith"), 0, 0, 1,
               QStringList{"Anna Smith kept"}, true);
        addRow("unknown UID, same person", QByteArray("UID:"), QByteArray("UID:x-"), 0, 1, 0,
               QStringList{"Anna Berg kept"}, false);
        addRow("unknown UID, other person", QByteArray("FN:Anna Berg\r\nUID:"), QByteArray("FN:Zed\r\nUID:x-"), 1, 0, 0,
               QStringList{"Anna Berg kept", "Zed x-kept"}, false);
        addRow("no UID, other person", QByteArray("FN:Anna Berg\r\nUID:"), QByteArray("FN:Zed\r\nX-UID:"), 1, 0, 0,
               QStringList{"Anna Berg kept", "Zed new"}, false);
    }
    void importByUid()
    {
        auto [from, to, added, merged, updated, revised] =
            TestSupport::fetch<QByteArray, QByteArray, int, int, int, bool>("from", "to", "added", "merged", "updated",
                                                                            "revised");
        const qint16 number = save("Anna Berg", {"0101|Mobile", "0202|Boat"}, {"anna@example.org"},
                                   QDate(1980, 2, 29).toString("M/d/yyyy"), "Lane 1\nTown", "Tea, please");
        QByteArray file = exportedVcards({number});
        const QString kept = uidsOf(file).value(0);
        if (!from.isEmpty())
            file.replace(from, to);
        const QString old = "2001-01-01T00:00:00Z";
        runSql("UPDATE PersonUid SET Revision = '" + old + "'");
        const QStringList before = dumpPersons();
        const QStringList schemaBefore = schema();

        const modVcardImport::Report report = importBytes(file);
        QCOMPARE((QList<int>{report.added, report.merged, report.updated}), (QList<int>{added, merged, updated}));
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
        verifyUidsAsBefore(schemaBefore);
    }

    // A person whose lines end in CR LF, as files of older programs have them, is the person its card
    // brings with LF: importing the card again changes nothing, not even the revision. A change
    // besides still writes.
    void lineBreaksAloneChangeNothing_data()
    {
        TestSupport::addColumns<QString, QString, bool>("address", "note", "revised");
        addRow("address", "Lane 1\r\nTown", "Tea", false);
        addRow("note", "Lane 1\nTown", "Tea\r\nplease", false);
        addRow("both, and the note changed", "Lane 1\r\nTown", "Coffee\r\nplease", true);
    }
    void lineBreaksAloneChangeNothing()
    {
        auto [address, note, revised] = TestSupport::fetch<QString, QString, bool>("address", "note", "revised");
        const qint16 number = save("Anna Berg", {"0101|Mobile"}, {}, {}, QString(address).replace("\r\n", "\n"),
                                   QString(revised ? "Tea\r\nplease" : note).replace("\r\n", "\n"));
        const QByteArray file = exportedVcards({number});
        runSql("UPDATE Person SET Address = '" + address + "', [Note] = '" + note + "'");
        runSql("UPDATE PersonUid SET Revision = '2001-01-01T00:00:00Z'");
        const QStringList before = dumpPersons();

        QCOMPARE(importBytes(file).updated, 1);
        QCOMPARE(countSelected("SELECT Contactnr FROM PersonUid WHERE Revision <> '2001-01-01T00:00:00Z'"),
                 revised ? 1 : 0);
        if (!revised)
            QCOMPARE(dumpPersons(), before);
    }

    // Database > Import... asks for the file in the database folder, refills the list, reports.
    void importCommand()
    {
        const QString path = m_dir->filePath("home.mdb");
        runSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'Zed')");
        modDatabase::CloseDatabase(false);
        frmMain window(path);
        RegisterWindows(window);
        window.Load();
        QVERIFY(window.ListRowCount() == 1 && control<QAction>(&window, "mnuFileImport")->isEnabled());

        const QString cards = write("contacts.vcf", annaCard() + "BEGIN:VCARD\r\nN:;;;;\r\nEND:VCARD\r\n" + bobCard());
        m_platform->expectOpenFileName(cards);
        m_platform->expectMessage();
        control<QAction>(&window, "mnuFileImport")->trigger();
        const auto open = m_platform->callsOf("open");
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.first().text + '|' + open.first().arguments.join(','),
                 "vCard, CSV (*.vcf *.csv)|*.vcf;*.csv|vCard (*.vcf)|*.vcf|CSV (*.csv)|*.csv|" +
                     modEnvironment::DatabaseDirectory());
        QCOMPARE(window.ListRowCount(), 3);
        QCOMPARE(m_platform->messages().size(), 1);
        const ScriptedPlatform::Call report = m_platform->messages().first();
        QCOMPARE(report.title + '|' + QString::number(int(report.icon)) + '|' + report.text,
                 "Import|" + QString::number(int(Platform::Icon::Information)) +
                     "|Persons added: 2\nPersons merged: 0\nCards skipped: 1\n- Line 13: The card has no name");

        // Cancelling the file dialog does nothing.
        m_platform->expectOpenFileName(QString());
        control<QAction>(&window, "mnuFileImport")->trigger();
        QCOMPARE(m_platform->messages().size(), 1);

        // A file that cannot be read is reported; the database is untouched.
        m_platform->expectOpenFileName(m_dir->filePath("missing.vcf"));
        m_platform->expectMessage();
        control<QAction>(&window, "mnuFileImport")->trigger();
        QVERIFY(m_platform->messages().last().title == "Error" &&
                m_platform->messages().last().text.contains("missing.vcf"));
        QCOMPARE(window.ListRowCount(), 3);

        modDatabase::CloseDatabase(false);
        QVERIFY(!control<QAction>(&window, "mnuFileImport")->isEnabled());
    }

    // A card file opened from the file manager arrives as the command line: the default
    // database opens and the cards go into it only when the user says yes.
    void cardFileOnTheCommandLine()
    {
        const QString path = m_dir->filePath("home.mdb");
        modDatabase::CloseDatabase(false);
        TestSupport::writeSetting("Default database", path);
        const QString cards = write("from the file manager.vcf", annaCard() + bobCard());
        for (const bool yes : {false, true}) {
            frmMain window(cards);
            RegisterWindows(window);
            window.Load();
            QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
            m_platform->clear();
            m_platform->expectMessage(yes ? Platform::Answer::Yes : Platform::Answer::No);
            if (yes)
                m_platform->expectMessage();
            window.ActOnCommandLine();
            const ScriptedPlatform::Call question = m_platform->messages().value(0);
            QCOMPARE(question.buttons, Platform::Buttons::YesNo);
            QCOMPARE(question.title + '|' + question.text,
                     "Import|Import the persons of this file into the open database?\n\n" + cards + "\n" + path);
            QCOMPARE(window.ListRowCount(), yes ? 2 : 0);
            QCOMPARE(countRows("Person"), yes ? 2 : 0);
        }
    }

    // CSV files as other programs write them: the encoding, separator and layout found
    // without asking; rows without a name skipped, rows of one person merged.
    void csvFromOtherWriters_data()
    {
        TestSupport::addColumns<QString, QString, QStringList>("file", "report", "persons");
        addRow("Outlook, UTF-16, semicolons", "outlook-utf16.csv", "Persons added: 1\nPersons merged: 0",
               QStringList{"Jürgen Groß # 1980-02-29 #  # 0170 1234 (Mobile) # jg@example.de # "});
        addRow("Google, Windows-1252, tabs", "google-1252.csv", "Persons added: 1\nPersons merged: 0",
               QStringList{"François Lévy # - #  # 01 23 (Work) | 04 56 (Work) #  # € 5"});
        addRow("spreadsheet, quoted breaks in a note", "spreadsheet.csv",
               "Persons added: 1\nPersons merged: 0\nRows skipped: 1\n- Line 4: The row has no name",
               QStringList{"Ann Lee # - #  #  # ann@example.com (Home) # line one\nline \"two\""});
        addRow("one person twice", "twice.csv", "Persons added: 1\nPersons merged: 1",
               QStringList{"Ann Lee # - #  #  #  # x\n\ny"});
        // A nickname has no field of its own: it is kept in the note, labelled.
        addRow("Google, a nickname", "google-nickname.csv", "Persons added: 1\nPersons merged: 0",
               QStringList{"Robert Brown # - #  # +1 555 0100 (Mobile) #  # Nickname: Bob"});
        // The birthday column is read in the order its dates prove, whatever the date setting (day first here);
        // a column that proves none is read month first, as Outlook writes, and the report says so.
        addRow("Outlook, a column proving month first", "outlook-month-first.csv",
               "Persons added: 4\nPersons merged: 0",
               QStringList{"Amy Adams # 1965-05-07 #  #  #  # ", "Ben Brown # 1965-05-17 #  #  #  # ",
                           "Cy Cole # 1970-12-01 #  #  #  # ", "Dee Dunn # - #  #  #  # "});
        addRow("Outlook, a column proving day first", "outlook-day-first.csv", "Persons added: 2\nPersons merged: 0",
               QStringList{"Amy Adams # 1965-07-05 #  #  #  # ", "Ben Brown # 1965-05-17 #  #  #  # "});
        addRow("Outlook, a column proving neither", "outlook-either.csv",
               "Persons added: 2\nPersons merged: 0\nThe dates of birth read both ways; they were read as mm/dd/yyyy.",
               QStringList{"Amy Adams # 1965-05-07 #  #  #  # ", "Cy Cole # 1970-12-01 #  #  #  # "});
        // Google's columns of the organisation and a birthday without a year; a company's row named by it.
        addRow("Google, organisation and title", "google-organisation.csv", "Persons added: 2\nPersons merged: 0",
               QStringList{
                   "Acme Plumbing # - #  # +39 011 555 0199 (Work) #  #  # [- | Acme Plumbing |  | -]",
                   "Maria Rossi # - #  # +39 333 555 0101 (Mobile) #  #  # [--04-14 | Example Srl | Engineer | -]"});
    }
    void csvFromOtherWriters()
    {
        QFETCH(QString, file);
        TestSupport::writeSetting("Date", "dd/mm/yyyy");
        QTEST(import(TestSupport::sourceDir() + "/tests/interchange/samples/" + file), "report");
        QTEST(dumpPersons(), "persons");
    }

    // A broken file is reported with its lines; not even the good rows before the fault are written.
    void brokenCsvWritesNothing()
    {
        QVERIFY(modContact::SaveNewPerson({"Kept", "", "", "", {}, {}, {}, {}, {}, {}}));
        const QStringList before = dumpPersons();
        QCOMPARE(import(write("broken.csv", "Name,Given Name,Family Name,Notes\r\n"
                                            "Ann,,,x\r\nBob,,\r\nEve,,,,x\r\nCid,,,\"open\r\n")),
                 QString("Nothing was imported.\n- Line 3: 3 fields instead of 4\n- Line 4: 5 fields instead of 4\n"
                         "- Line 5: The quotation mark opened here is not closed"));
        QCOMPARE(dumpPersons(), before);
        // A quotation mark inside a field, or text after a field's closing one: where the field ends is a guess.
        QCOMPARE(import(write("stray.csv", "Name;Notes;E-mail\r\nAnn;x;\r\nBroken \"quote;1;x@y\r\n"
                                           "\"Closed\" late;2;\r\n\"Fine, \"\"quoted\"\"\";3;\r\n")),
                 QString("Nothing was imported.\n- Line 3: A quotation mark stands inside a field that does not begin "
                         "with one\n- Line 4: A quotation mark stands inside a field that does not begin with one"));
        QCOMPARE(dumpPersons(), before);
    }

    // A file of 300,000 rows is read as a stream: the progress window offers Cancel while it is checked, and memory
    // stays bounded until the import is refused at the person limit.
    void largeCsvStreams_data() { TestSupport::addTwoRows("cancel", "refused when full", "cancelled while checked"); }
    void largeCsvStreams()
    {
        QFETCH(bool, cancel);
        const QString path = m_dir->filePath("large.csv");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray rows = "Name,Given Name,Family Name,Notes,E-mail 1 - Type,E-mail 1 - Value\r\n";
            for (int i = 0; i < 300000; ++i) {
                rows += "Person " + QByteArray::number(i) + ",Person,N" + QByteArray::number(i) +
                        ",\"a note, with a comma\",* Home,p" + QByteArray::number(i) + "@example.org\r\n";
                if (rows.size() > (1 << 20))
                    QVERIFY(file.write(std::exchange(rows, {})) > 0);
            }
            QVERIFY(file.write(rows) == rows.size());
        }
        DatabaseFixture::addPersons(32767);
        const qint64 before = TestSupport::residentKb();
        qint64 peak = before;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] { peak = std::max(peak, TestSupport::residentKb()); });
        sampler.start(5);
        auto shown = TestSupport::onModal<frmProgress>([cancel](frmProgress* progress) {
            QVERIFY(progress->isVisible() && progress->cmdCancel->isVisible());
            if (cancel)
                QTest::mouseClick(progress->cmdCancel, Qt::LeftButton);
        });
        if (!cancel)
            m_platform->expectMessage();
        frmMain main{QString()};
        ImportCommand::ImportFile(main, path);
        sampler.stop();
        QVERIFY(*shown);
        if (!cancel)
            QCOMPARE(m_platform->messages().value(0).text,
                     "No further person can be added to this database!\nNothing was imported.");
        QCOMPARE(countRows("Person"), 32767);
        qInfo("resident memory grew by %lld MB", (peak - before) / 1024);
        QVERIFY2(peak - before < 100 * 1024 || !TestSupport::memoryMeasured(),
                 qPrintable(QString::number(peak - before)));
    }

    // An unknown layout opens the mapping window: the user says what each column holds;
    // cancelled, nothing is imported.
    void csvMappingWindow()
    {
        const QString path = write("own.csv", "Vorname;Nachname;Telefon;Geburtstag;Strasse;Ort\r\n"
                                              "Eva;Kranz;030 1234;24.12.1970;Weg 1;Berlin\r\n");
        TestSupport::writeSetting("Date", "dd/mm/yyyy");
        auto shown = TestSupport::onModal<frmCsvMapping>(
            [](frmCsvMapping* window) { QTest::mouseClick(window->cmdCancel, Qt::LeftButton); });
        frmMain main{QString()};
        ImportCommand::ImportFile(main, path);
        QVERIFY(*shown && m_platform->messages().isEmpty());
        QCOMPARE(countRows("Person"), 0);

        shown = TestSupport::onModal<frmCsvMapping>([](frmCsvMapping* window) {
            QCOMPARE((QList<int>{int(window->cboRole.size()), window->grdColumns->rowCount()}), (QList<int>{6, 3}));
            // Guessed from the words of every shipped language, whatever the interface's language; without a
            // name column no row could be read.
            QCOMPARE((QList<modCsv::Role>{window->Mapping()[0].role, window->Mapping()[1].role,
                                          window->Mapping()[2].role, window->Mapping()[3].role}),
                     (QList<modCsv::Role>{modCsv::Role::FirstName, modCsv::Role::LastName, modCsv::Role::Phone,
                                          modCsv::Role::DateOfBirth}));
            QVERIFY(window->cmdOK->isEnabled());
            for (QComboBox* role : window->cboRole)
                role->setCurrentIndex(role->findData(int(modCsv::Role::Ignore)));
            QVERIFY(!window->cmdOK->isEnabled());
            // Two name columns make one name, in their order.
            const modCsv::Role roles[] = {modCsv::Role::Name,        modCsv::Role::Name,    modCsv::Role::Phone,
                                          modCsv::Role::DateOfBirth, modCsv::Role::Address, modCsv::Role::Address};
            for (size_t c = 0; c < 6; ++c)
                window->cboRole[c]->setCurrentIndex(window->cboRole[c]->findData(int(roles[c])));
            QVERIFY(window->txtDescription[2]->isEnabled() && !window->txtDescription[3]->isEnabled());
            QTest::keyClicks(window->txtDescription[2], "Office");
            QVERIFY(window->cmdOK->isEnabled());
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        });
        QCOMPARE(import(path), QString("Persons added: 1\nPersons merged: 0"));
        QVERIFY(*shown);
        QCOMPARE(dumpPersons(), QStringList{"Eva Kranz # 1970-12-24 # Weg 1\nBerlin # 030 1234 (Office) #  # "});
    }

    // Person > Find duplicates...: a group is a first person and those matching it directly, each with its own
    // reason; a number shared alone (a family's) groups nobody. The ticked group merges into the person chosen,
    // leaving out whom the user unticked; the kept person keeps its UID and everything of the others (their UIDs
    // recorded for a later sync), and Undo puts back exactly what was there.
    void duplicatesWindow()
    {
        TestSupport::writeSetting("Date", "dd/mm/yyyy");
        const qint16 ann =
            save("Ann Lee", {"030 1234 5678|Office"}, {"ANN@lee.org"}, "2/29/1980", "Street 1", "Likes tea");
        const qint16 bob =
            save("Bob Stone", {"+49 30 12345678|Office"}, {}, "3/1/1980", "Road 2\nHamburg", "Has a dog");
        const qint16 kept = save("ann lee", {}, {"ann@lee.org"});
        const qint16 other = save("Lee, Ann", {"0170 555"}, {});
        // What the three tables have no column for merges and comes back on Undo too.
        runSql(QString("INSERT INTO PersonDetail (Contactnr, Organisation, Card) VALUES (%1, 'Lee Ltd', "
                       "'BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nNICKNAME:Annie\r\nEND:VCARD\r\n')")
                   .arg(ann));
        runSql(QString("INSERT INTO PersonDetail (Contactnr, Title, Photo) VALUES (%1, 'Vet', '%2')")
                   .arg(kept)
                   .arg(QString(QByteArray("\xFF\xD8 photo").toBase64())));
        // As other programs write rows: a trailing blank, a Null address and description, a gap in the order.
        runSql(QString("UPDATE Person SET Name = 'Ann Lee ' WHERE Contactnr = %1").arg(ann));
        runSql(QString("UPDATE Person SET Address = Null WHERE Contactnr = %1").arg(kept));
        runSql(QString("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (%1, 3, '0171 999', Null)")
                   .arg(ann));
        const QStringList before = dumpPersons();
        const QStringList rawBefore = storedEntries("Phone", ann) + storedEntries("Email", kept);
        const QHash<qint16, QByteArray> cards = modPersonDetail::Cards(modDatabase::DatabaseConnection());
        const auto identities = modPersonUid::Identities(modDatabase::DatabaseConnection());
        modDatabase::CloseDatabase(false);
        frmMain main(m_dir->filePath("home.mdb"));
        RegisterWindows(main);
        main.Load();
        QCOMPARE(main.ListRowCount(), 4);
        QVERIFY(control<QAction>(&main, "mnuPersonDuplicates")->isEnabled() &&
                control<QMenu>(&main, "mnuPerson")->actions().contains(control<QAction>(&main, "mnuPersonDuplicates")));

        const auto shown = TestSupport::onModal<frmDuplicates>([&](frmDuplicates* window) {
            // One group: Ann and those matching her; Bob shares only a number with her.
            QCOMPARE(window->lstGroups->count(), 1);
            QCOMPARE(window->lstGroups->item(0)->text(), QString("Ann Lee / ann lee / Lee, Ann"));
            QCOMPARE(window->lblReason->text(), QString("Same name, same e-mail address"));
            QCOMPARE(window->grdPersons->columnCount(), 3);
            QCOMPARE(window->grdPersons->item(2, 1)->text(), QString("Same name, same e-mail address"));
            QCOMPARE(window->grdPersons->item(2, 2)->text(), QString("Same name"));
            QCOMPARE(window->grdPersons->item(5, 0)->text(), QString("030 1234 5678 (Office)\n0171 999"));
            QVERIFY(!window->cmdMerge->isEnabled() && !window->cmdUndo->isEnabled());

            window->lstGroups->item(0)->setCheckState(Qt::Checked);
            QVERIFY(window->cmdMerge->isEnabled());
            auto* keep = window->grdPersons->findChild<QRadioButton*>("optKeep1");
            QVERIFY(keep);
            keep->click();
            auto* keptBox = window->grdPersons->findChild<QCheckBox*>("chkMerge1");
            QVERIFY(keptBox && keptBox->isChecked() && !keptBox->isEnabled());
            auto* leaveOut = window->grdPersons->findChild<QCheckBox*>("chkMerge2");
            QVERIFY(leaveOut && leaveOut->isEnabled());
            leaveOut->click();
            QTest::mouseClick(window->cmdMerge, Qt::LeftButton);
            QCOMPARE(main.ListRowCount(), 3);
            QCOMPARE(dumpPersons(),
                     (QStringList{"ann lee # 1980-02-29 # Street 1 # 030 1234 5678 (Office) | 0171 999 # ann@lee.org # "
                                  "Likes tea"
                                  " # [- | Lee Ltd | Vet | photo 8 bytes]",
                                  "Bob Stone # 1980-03-01 # Road 2\nHamburg # +49 30 12345678 (Office) #  # Has a dog",
                                  "Lee, Ann # - #  # 0170 555 #  # "}));
            QCOMPARE(modPersonUid::Identities(modDatabase::DatabaseConnection()).value(kept).uid,
                     identities.value(kept).uid);
            QCOMPARE(modDuplicates::MergedUids(), QStringList{identities.value(ann).uid});
            QVERIFY(window->cmdUndo->isEnabled());

            QTest::mouseClick(window->cmdUndo, Qt::LeftButton);
            QCOMPARE(dumpPersons(), before);
            // Byte for byte as they were.
            QCOMPARE(storedEntries("Phone", ann) + storedEntries("Email", kept), rawBefore);
            QCOMPARE(personField(ann, "Name").toString(), QString("Ann Lee "));
            QVERIFY(personField(kept, "Address").isNull());
            QCOMPARE(modPersonDetail::Cards(modDatabase::DatabaseConnection()), cards);
            const auto restored = modPersonUid::Identities(modDatabase::DatabaseConnection());
            for (auto it = identities.cbegin(); it != identities.cend(); ++it)
                QCOMPARE(restored.value(it.key()).uid + ' ' + restored.value(it.key()).revision,
                         it->uid + ' ' + it->revision);
            QVERIFY(modDuplicates::MergedUids().isEmpty());
            QVERIFY(!modDatabase::DatabaseConnection().TableExists("MergedUid")); // no empty table stays behind
            QCOMPARE(main.ListRowCount(), 4);
            QCOMPARE(window->lstGroups->count(), 1);
            QVERIFY(!window->cmdUndo->isEnabled());
            QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        });
        control<QAction>(&main, "mnuPersonDuplicates")->trigger();
        QVERIFY(*shown);
        Q_UNUSED(bob)
        Q_UNUSED(other)
    }
};

ADDRION_TEST_MAIN(TestImport)
#include "tst_import.moc"
