#include "MainWindowFixture.h"

#include "editor/modContact.h"
#include "export/frmExport.h"
#include "export/frmExportPreview.h"
#include "export/modExportFiles.h"
#include "interchange/ImportCommand.h"
#include "interchange/frmCsvMapping.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"

#include <QTableWidget>

// CSV files into and out of a real database file, through the real export window and
// Database > Import...: round trips in both layouts, other encodings and separators,
// broken files, and the mapping window for a layout not known.
class TestCsvImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    // Imports the file through the command and returns the report shown.
    QString import(const QString& path)
    {
        frmMain window{QString()};
        m_platform->expectMessage();
        ImportCommand::ImportFile(window, path);
        return m_platform->messages().isEmpty() ? QString() : m_platform->messages().last().text;
    }

    QString writeCsv(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir->filePath(name);
        return TestSupport::writeFile(path, bytes) ? path : QString();
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

    // Persons exported in either layout through the export window, saved, and imported
    // into an empty database come back the same: numbers and addresses in order with
    // their descriptions, notes with quotes and line breaks, dates.
    void roundTrip_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<QString>("firstLine");
        TestSupport::addRow("Google", int(modCsv::Layout::Google), "dd/mm/yyyy",
                            "Name,Given Name,Family Name,Birthday,Notes,E-mail 1 - Type,E-mail 1 - Value,");
        TestSupport::addRow("Outlook, day first", int(modCsv::Layout::Outlook), "dd/mm/yyyy",
                            "First Name,Last Name,Birthday,Notes,E-mail Address,E-mail 2 Address,");
        TestSupport::addRow("Outlook, year first", int(modCsv::Layout::Outlook), "yyyy/mm/dd", "First Name,");
    }
    void roundTrip()
    {
        QFETCH(int, layout);
        QFETCH(QString, dateFormat);
        QFETCH(QString, firstLine);
        modSettings::WriteSetting("Date", dateFormat);
        const bool google = layout == int(modCsv::Layout::Google);
        using modContact::TypedEntry;
        // Outlook has a column per kind of number and none for other descriptions.
        const QString boat = google ? "Boat; summer, \"weekends\"" : "Fax";
        std::vector<modContact::Contact> contacts{
            {"Sean O'Brien",
             QDate(1975, 3, 9).toString("M/d/yyyy"),
             "Harbour Road 7, Flat 2\nCork\nIreland",
             "Owes me; a pint\nor \"two\", \\maybe\\",
             {TypedEntry("021 555 0101", "Home"), TypedEntry("087 555 0202", "Mobile"),
              TypedEntry("021 555 0606", "Work"), TypedEntry("021 555 0303", boat)},
             {TypedEntry("sean@example.ie", google ? "Work" : ""), TypedEntry("s@example.org", "")}},
            {"Zoë Ångström-Łukasiewicz", QDate(1904, 2, 29).toString("M/d/yyyy"), "", "€ 😀", {}, {}},
            {"Plain", "", "", "", {TypedEntry("1", "Home"), TypedEntry("2", "Home")}, {}},
        };
        std::vector<qint16> numbers;
        for (const modContact::Contact& contact : contacts)
            numbers.push_back(*modContact::SaveNewPerson(contact));
        const QStringList before = dumpPersons();

        frmMain window{QString()};
        window.FillContactList();
        frmExport dialog(window);
        QVERIFY(!dialog.cboCsvLayout->isEnabled());
        QTest::mouseClick(dialog.cmdAddAll, Qt::LeftButton);
        dialog.optCsv->click();
        QVERIFY(dialog.cboCsvLayout->isEnabled());
        dialog.cboCsvLayout->setCurrentIndex(dialog.cboCsvLayout->findData(layout));
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        frmExportPreview* preview = shownPreview("frmExportCsv");
        QVERIFY(preview);
        QTRY_VERIFY(preview->toolbarButton("Save")->isEnabled());
        const QString saved = m_dir->filePath("saved.csv");
        m_platform->expectSaveFileName(saved);
        preview->toolbarButton("Save")->trigger();
        QCOMPARE(m_platform->callsOf("save").first().text, QString("CSV (*.csv)|*.csv"));

        const QByteArray file = TestSupport::readFile(saved);
        QVERIFY2(file.startsWith("\xEF\xBB\xBF" + firstLine.toUtf8()), file.left(120).constData());
        QVERIFY(file.endsWith("\r\n"));
        // Every record ends in CR LF; the breaks inside quoted fields are the note's own.
        std::vector<modCsv::FileProblem> problems;
        const auto records = modCsv::SplitRecords(QString::fromUtf8(file), ',', problems);
        QCOMPARE(records.size(), contacts.size() + 1);
        QCOMPARE(file.count("\r\n"), qsizetype(records.size()));

        modDatabase::CloseDatabase(false);
        QVERIFY(modDatabase::NewDatabase(m_dir->filePath("empty.mdb")));
        QCOMPARE(import(saved), QString("Persons added: 3\nPersons merged: 0"));
        QCOMPARE(dumpPersons(), before);
    }

    // Files as other programs write them: the encoding, separator and layout found
    // without asking.
    void otherWriters_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("persons");
        QByteArray utf16("\xFF\xFE");
        const QString outlook = QString::fromUtf8("First Name;Last Name;E-mail Address;Mobile Phone;Birthday\r\n"
                                                  "Jürgen;Groß;jg@example.de;0170 1234;2/29/1980\r\n");
        for (const QChar c : outlook)
            utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
        TestSupport::addRow("Outlook, UTF-16, semicolons", utf16,
                            QStringList{QString::fromUtf8("Jürgen Groß # 1980-02-29 #  # 0170 1234 (Mobile) # "
                                                          "jg@example.de # ")});
        TestSupport::addRow(
            "Google, Windows-1252, tabs",
            QByteArray("Name\tGiven Name\tFamily Name\tPhone 1 - Type\tPhone 1 - Value\tNotes\r\n"
                       "Fran\xE7ois L\xE9vy\tFran\xE7ois\tL\xE9vy\tWork\t01 23 ::: 04 56\t\x80 5\r\n"),
            QStringList{QString::fromUtf8("François Lévy # - #  # 01 23 (Work) | 04 56 (Work) #  # € 5")});
        TestSupport::addRow("spreadsheet, quoted breaks in a note",
                            QByteArray("First Name,Last Name,E-mail 1 - Label,E-mail 1 - Value,Notes,Labels\r\n"
                                       "Ann,Lee,Home,ann@example.com,\"line one\nline \"\"two\"\"\",* myContacts\r\n"
                                       ",,,,no name,\r\n"),
                            QStringList{"Ann Lee # - #  #  # ann@example.com (Home) # line one\nline \"two\""});
    }
    void otherWriters()
    {
        QFETCH(QByteArray, file);
        const QString report = import(writeCsv("other.csv", file));
        QVERIFY2(report.startsWith("Persons added: 1\nPersons merged: 0"), qPrintable(report));
        QTEST(dumpPersons(), "persons");
    }

    void skippedRowsAreReported()
    {
        const QString report = import(writeCsv("rows.csv", "Name,Given Name,Family Name,Notes\r\n"
                                                           "Ann Lee,,,x\r\n,,,only a note\r\nann lee,,,y\r\n"));
        QCOMPARE(report, QString("Persons added: 1\nPersons merged: 1\nRows skipped: 1\n"
                                 "- Line 3: The row has no name"));
        QCOMPARE(dumpPersons(), QStringList{"Ann Lee # - #  #  #  # x\n\ny"});
    }

    // A broken file is reported with its lines, and nothing of it is written, not even
    // the good rows before the fault.
    void brokenFileWritesNothing()
    {
        QVERIFY(modContact::SaveNewPerson({"Kept", "", "", "", {}, {}}));
        const QStringList before = dumpPersons();
        const QString report = import(writeCsv("broken.csv", "Name,Given Name,Family Name,Notes\r\n"
                                                             "Ann,,,x\r\nBob,,\r\nCid,,,\"open\r\n"));
        QCOMPARE(report, QString("Nothing was imported.\n- Line 3: 3 fields instead of 4\n"
                                 "- Line 4: The quotation mark opened here is not closed"));
        QCOMPARE(dumpPersons(), before);
    }

    // A layout not known opens the mapping window with the first rows; the user says
    // what each column holds, with descriptions for numbers and addresses.
    void mappingWindow()
    {
        const QString path = writeCsv("own.csv", "Vorname;Nachname;Telefon;Geburtstag;Strasse;Ort\r\n"
                                                 "Eva;Kranz;030 1234;24.12.1970;Weg 1;Berlin\r\n");
        modSettings::WriteSetting("Date", "dd/mm/yyyy");
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            auto* window = qobject_cast<frmCsvMapping*>(QApplication::activeModalWidget());
            QVERIFY(window);
            shown = true;
            QCOMPARE(window->cboRole.size(), size_t(6));
            QCOMPARE(window->grdColumns->rowCount(), 3);
            // Guessed from words in the names; without a name column no row could be read.
            QCOMPARE(window->Mapping()[0].role, modCsv::Role::Name);
            QCOMPARE(window->Mapping()[2].role, modCsv::Role::Phone);
            QCOMPARE(window->Mapping()[3].role, modCsv::Role::Ignore);
            QVERIFY(window->cmdOK->isEnabled());
            for (QComboBox* role : window->cboRole)
                role->setCurrentIndex(role->findData(int(modCsv::Role::Ignore)));
            QVERIFY(!window->cmdOK->isEnabled());
            // Two name columns make one name, in their order.
            const modCsv::Role roles[] = {modCsv::Role::Name,        modCsv::Role::Name,    modCsv::Role::Phone,
                                          modCsv::Role::DateOfBirth, modCsv::Role::Address, modCsv::Role::Address};
            for (size_t c = 0; c < 6; ++c)
                window->cboRole[c]->setCurrentIndex(window->cboRole[c]->findData(int(roles[c])));
            QVERIFY(window->txtDescription[2]->isEnabled());
            QVERIFY(!window->txtDescription[3]->isEnabled());
            QTest::keyClicks(window->txtDescription[2], "Office");
            QVERIFY(window->cmdOK->isEnabled());
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        });
        QCOMPARE(import(path), QString("Persons added: 1\nPersons merged: 0"));
        QVERIFY(shown);
        QCOMPARE(dumpPersons(), QStringList{QString::fromUtf8("Eva Kranz # 1970-12-24 # Weg 1\nBerlin # "
                                                              "030 1234 (Office) #  # ")});
    }

    void mappingWindowCancelled()
    {
        const QString path = writeCsv("own.csv", "Kunde,Telefon\r\nEva,1\r\n");
        QTimer::singleShot(0, this, [] {
            auto* window = qobject_cast<frmCsvMapping*>(QApplication::activeModalWidget());
            QVERIFY(window);
            QTest::mouseClick(window->cmdCancel, Qt::LeftButton);
        });
        frmMain window{QString()};
        ImportCommand::ImportFile(window, path);
        QVERIFY(m_platform->messages().isEmpty());
        QCOMPARE(countRows("Person"), 0);
    }
};

ADDRION_TEST_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
