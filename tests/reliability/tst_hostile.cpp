#include "CannedTcpServer.h"
#include "DataColumns.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "ReadOnlyFile.h"

#include "birthdays/modCalendar.h"
#include "editor/modContact.h"
#include "editor/modHyperlink.h"
#include "export/modExportFiles.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "search/modSearch.h"
#include "startup/CommandLine.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modText.h"
#include "version/VersionCheck.h"
#include "version/modVersion.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTextBrowser>

#include <climits>

using TestSupport::addRow;

// Hostile and broken input: each gives a clear message or a quiet fallback, loses
// nothing, and neither crashes nor hangs. Also what the fuzz targets in fuzz/ found.
class TestHostile : public QObject
{
    Q_OBJECT

    QString m_programFolder;
    std::unique_ptr<DatabaseFixture> m_database;

    // A new database file with persons of these names (or as many with long notes),
    // numbered from 1, closed again.
    QString database(const QStringList& names, int notes = 0)
    {
        m_database = std::make_unique<DatabaseFixture>();
        QList<SamplePerson> persons;
        for (int i = 0; i < names.size(); ++i)
            persons.append({i + 1, names.at(i)});
        for (int i = 1; i <= notes; ++i)
            persons.append({i, QString("P%1").arg(i), {}, {}, {}, {}, QString(3000, 'n')});
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        addPersons(persons);
        transaction.Commit();
        modDatabase::CloseDatabase(false);
        return m_database->path();
    }

    static QByteArray randomBytes(int size)
    {
        QByteArray bytes;
        for (int i = 0; i < size; ++i)
            bytes += char(QRandomGenerator::global()->bounded(256));
        return bytes;
    }

    static QStringList listedNames(frmMain& window) { return TestSupport::itemTexts(window.contactList()); }

private slots:
    void initTestCase() { m_programFolder = modEnvironment::ProgramFolder(); }
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        modEnvironment::SetProgramFolder(m_programFolder);
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        m_database.reset();
        modEnvironment::SetProgramFolder(m_programFolder);
    }

    // A file someone sent, carrying a trigger that deletes the other persons and copies
    // every number typed into a hidden table, and a view under the name of one of our
    // tables: the user is asked; they go before anything runs, or the file is not opened.
    void foreignTriggersAndViews()
    {
        ScriptedPlatform platform;
        const QString path = database({}, 3);
        {
            Engine::Connection connection;
            connection.Open(path);
            // A file of an older version, without our identity table: a view has its name.
            for (const char* statement :
                 {"DROP TRIGGER PersonUidAdd", "DROP TRIGGER PersonUidChange", "DROP TRIGGER PersonUidRemove",
                  "DROP TABLE PersonUid", "CREATE TABLE Loot (Number TEXT)",
                  "CREATE TRIGGER Steal AFTER INSERT ON Phone BEGIN INSERT INTO Loot VALUES (NEW.Number); "
                  "DELETE FROM Person WHERE Contactnr <> NEW.Contactnr; END",
                  "CREATE VIEW PersonUid AS SELECT Contactnr, Name AS Uid FROM Person"})
                connection.Execute(statement);
        }
        const QByteArray sent = TestSupport::readFile(path);

        // Not removed: the file is not opened and stays as it was; removed: it opens.
        for (const bool remove : {false, true}) {
            platform.expectMessage(remove ? Platform::Answer::Yes : Platform::Answer::No);
            QCOMPARE(modDatabase::OpenDatabase(path), remove);
            const QString question = platform.messages().constLast().text;
            QVERIFY2(question.contains("trigger Steal") && question.contains("view PersonUid"), qPrintable(question));
            QCOMPARE(TestSupport::readFile(path) == sent, !remove);
        }
        QCOMPARE(platform.messages().size(), 2);
        QVERIFY(modContact::SaveNewPerson({"Dora", "", "", "", {modContact::TypedEntry("555 0199", QString())}, {}}));
        QCOMPARE(countRows("Person"), 4);
        QCOMPARE(countRows("Loot"), 0);
        // Only our own triggers are there, made anew with our table.
        QCOMPARE(EngineTest::column(modSql::OpenRecordset("SELECT type || ' ' || name AS Name FROM sqlite_master "
                                                          "WHERE type IN ('trigger', 'view') ORDER BY name")),
                 (QStringList{"trigger PersonUidAdd", "trigger PersonUidChange", "trigger PersonUidRemove"}));
    }

    void brokenDatabaseFile_data()
    {
        QTest::addColumn<QString>("kind");
        addRow("zero length", "empty");
        addRow("truncated to its first page", "truncated");
        addRow("cut in the middle", "halved");
        addRow("garbage", "garbage");
        addRow("database header, then garbage", "header");
        addRow("directory", "directory");
    }
    void brokenDatabaseFile()
    {
        QFETCH(QString, kind);
        ScriptedPlatform platform;
        const QByteArray valid = TestSupport::readFile(database({}, 200));
        QVERIFY(valid.size() > 8192);
        const QString path = m_database->file("broken.mdb");
        QByteArray contents;
        if (kind == "truncated")
            contents = valid.left(4096);
        else if (kind == "halved")
            contents = valid.left(valid.size() / 2 + 1000);
        else if (kind == "garbage")
            contents = randomBytes(20000);
        else if (kind == "header")
            contents = QByteArray("SQLite format 3\0", 16) + QByteArray(5000, '\x7f');
        if (kind == "directory")
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(TestSupport::writeFile(path, contents));

        // Validation either refuses the file with one message, or, for a file whose
        // damage lies beyond its first pages, the list shows what can be read and each
        // failing command says so once.
        platform.expectMessage();
        if (modDatabase::IsValidDatabase(path)) {
            platform.clear();
            frmMain window(path);
            for (int i = 0; i < 3; ++i)
                platform.expectMessage(); // engine errors, each shown once
            window.Load();
            window.show();
            QVERIFY(platform.messages().size() <= 3);
            for (const ScriptedPlatform::Call& call : platform.messages())
                QVERIFY2(!call.text.isEmpty(), "an empty message");
        } else {
            QCOMPARE(platform.messages().size(), 1);
            QVERIFY(platform.messages().constFirst().text.contains(QFileInfo(path).fileName()));
        }
        // Nothing was written over the user's file.
        if (kind != "directory") {
            QCOMPARE(TestSupport::readFile(path), contents);
            QVERIFY(!QFile::exists(path + "-journal"));
        }
    }

    void strangeData()
    {
        ScriptedPlatform platform;
        const QString longName = QString(100, QChar(0x00E9));
        const QString control = "Tab\tBell\aEsc\x1b End";
        const QString emoji = QString::fromUtf8("Emoji \xF0\x9F\x98\x80 \xF0\x9F\x8E\x82");
        const QString rtl = QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB9\xD9\x84\xD9\x8A");
        // A megabyte of words and lines, with a link at the end.
        QString hugeNote;
        for (int line = 0; hugeNote.size() < 1024 * 1024; ++line)
            hugeNote += QString("Line %1 of a very long note, written over many years.\n").arg(line);
        hugeNote += "see www.example.org";
        const QString path = database({});
        QVERIFY(modDatabase::OpenDatabase(path));
        runSql("INSERT INTO Person (Contactnr, Name) VALUES (1, Null)");
        addPersons({{2, longName, {}, {}, {}, {}, hugeNote},
                    {3, control, QDate(1990, 7, 9), {}, {}, control},
                    {4, emoji, QDate(2000, 2, 28), {}, {}, {}, emoji},
                    {5, rtl, {}, {rtl + "|" + emoji}}});
        modDatabase::CloseDatabase(false);

        frmMain window(path);
        window.Load();
        window.show();
        QCOMPARE(window.ListRowCount(), 5);
        for (int row = 0; row < window.ListRowCount(); ++row) {
            const QModelIndex index = window.contactList()->index(row, 0);
            window.lvwMain->setCurrentIndex(index);
            QTest::mouseClick(window.lvwMain->viewport(), Qt::LeftButton, {},
                              window.lvwMain->visualRect(index).center());
        }
        window.ShowPerson(2);
        QCOMPARE(window.rtbNote->toPlainText().size(), hugeNote.size());
        // The quick search finds the emoji and the right-to-left name.
        window.txtQuickSearch->setText(QString::fromUtf8("\xF0\x9F\x98\x80"));
        QCOMPARE(listedNames(window), QStringList{emoji});
        window.txtQuickSearch->setText(rtl.left(4));
        QCOMPARE(listedNames(window), QStringList{rtl});
        window.txtQuickSearch->clear();

        // Both exports carry every person, emoji and right-to-left text unharmed.
        modExport::Selection selection;
        selection.contactnrs = {1, 2, 3, 4, 5};
        QString error;
        QVERIFY2(modExportFiles::ExportHtml(selection, nullptr, error), qPrintable(error));
        const QString html =
            QString::fromUtf8(TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Html)));
        QVERIFY(html.contains(emoji) && html.contains(rtl) && html.contains(longName));
        // A control character that XML forbids does not reach the page.
        QVERIFY(!html.contains('\a'));
        QVERIFY2(modExportFiles::ExportText(selection, nullptr, error), qPrintable(error));
        const QString text =
            QString::fromUtf8(TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Text)));
        QVERIFY(text.size() > hugeNote.size());
        QVERIFY(text.contains("Line 9999 of a very long note"));
        QVERIFY(text.contains(control));
        // The birthday calendar writes its pages, the emoji and the control characters included.
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        const int year = QDate::currentDate().year();
        const QString july = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, 7)));
        QVERIFY(july.contains("Tab\tBellEsc End"));
        QVERIFY(!july.contains('\a'));
        QVERIFY(QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, 2))).contains(emoji));
        QVERIFY(platform.messages().isEmpty());
    }

    void quickSearchSpecialCharacters_data()
    {
        TestSupport::addColumns<QString, QStringList>({"typed", "names"});
        addRow("percent", "100%", QStringList{"100% Sure"});
        addRow("underscore", "r_s", QStringList{"under_score"});
        addRow("closing bracket", "t]", QStringList{"[bracket]"});
        addRow("apostrophe", "o'b", QStringList{"O'Brien"});
        addRow("double quote", "\"hi", QStringList{"Say \"hi\""});
        addRow("backslash", "k\\s", QStringList{"back\\slash"});
    }
    void quickSearchSpecialCharacters()
    {
        QFETCH(QString, typed);
        ScriptedPlatform platform;
        const QStringList all{"100% Sure",  "under_score", "[bracket]",   "O'Brien",
                              "Say \"hi\"", "back\\slash", "Plain Person"};
        frmMain window(database(all));
        window.Load();
        window.show();
        QCOMPARE(window.ListRowCount(), all.size());
        for (const QChar c : typed)
            QTest::keyClick(window.txtQuickSearch, c.toLatin1());
        QCOMPARE(window.txtQuickSearch->text(), typed);
        QTEST(listedNames(window), "names");
        QVERIFY(platform.messages().isEmpty());
    }

    // A "[" typed without its "]" is a pattern the engine refuses: each keystroke that
    // leaves it open says so once, the list is empty meanwhile, and closing the class
    // searches again.
    void quickSearchOpenBracket()
    {
        ScriptedPlatform platform;
        frmMain window(database({"[bracket]", "Anna"}));
        window.Load();
        window.show();
        platform.expectMessage();
        platform.expectMessage();
        QTest::keyClick(window.txtQuickSearch, '[');
        QTest::keyClick(window.txtQuickSearch, '[');
        QCOMPARE(platform.messages().size(), 2);
        QVERIFY(platform.messages().constFirst().text.contains('['));
        QVERIFY(listedNames(window).isEmpty());
        QTest::keyClick(window.txtQuickSearch, ']');
        QCOMPARE(window.txtQuickSearch->text(), QString("[[]"));
        QCOMPARE(listedNames(window), QStringList{"[bracket]"});
        QCOMPARE(platform.messages().size(), 2);
    }

    void brokenLanguageFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QByteArray huge = "[Translation]\n";
        while (huge.size() < 8 * 1024 * 1024)
            huge += "Key " + QByteArray::number(huge.size()) + "=" + QByteArray(200, 'v') + "\n";
        huge += "Error=" + QByteArray(100000, 'E') + "\n";
        addRow("no sections, no equals", QByteArray("Error\n[Translation\n=x\n==\n[]\n"));
        addRow("unclosed quotes", QByteArray("[Translation]\nError=\"Fehler\n\"=\"\n"));
        addRow("binary", randomBytes(70000));
        addRow("NUL bytes", QByteArray("[Translation]\nError=Feh\0ler\n", 29));
        addRow("huge", huge);
        addRow("invalid UTF-8", QByteArray("[Translation]\nError=\xff\xfe\xc3(\n"));
    }
    void brokenLanguageFile()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath("Language/Broken.ini"), contents));
        modEnvironment::SetProgramFolder(dir.path());
        modSettings::WriteSetting("Language", "Broken");
        QVERIFY(modLanguage::LanguageFileNames().contains("Broken"));
        const QString error = T("Error");
        QVERIFY(!error.isEmpty());
        QVERIFY(error.size() <= modLanguage::MaxTranslationLength);
        QCOMPARE(T("A text no file has"), QString("A text no file has"));
        modLanguage::LanguageInfo("Name");
    }

    void missingResourceFolders()
    {
        ScriptedPlatform platform;
        QTemporaryDir program; // no Language, Calendar, Css or Sound inside
        modEnvironment::SetProgramFolder(program.path());
        modSettings::WriteSetting("Language", "German");
        modSettings::WriteSetting("Css Calendar", "Ocean");
        QVERIFY(modLanguage::LanguageFileNames().isEmpty());
        QCOMPARE(T("Error"), QString("Error"));
        QVERIFY(modCalendar::StyleNames().isEmpty());
        DatabaseFixture database(DatabaseFixture::Content::Persons);
        QVERIFY(database.ok());
        // Without any style sheet the calendar is written unstyled.
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        QVERIFY(QFile::exists(modCalendar::PagePath(QDate::currentDate().year(), 3)));
        // The export works without its style sheets too.
        modExport::Selection selection;
        selection.contactnrs = {1};
        QString error;
        QVERIFY2(modExportFiles::ExportHtml(selection, nullptr, error), qPrintable(error));
        QVERIFY(platform.messages().isEmpty());
    }

    void unwritableDatabaseFolder()
    {
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString guard = dir.filePath("locked/guard.mdb");
        QVERIFY(TestSupport::writeFile(guard, "x"));
        ReadOnlyFile readOnly(guard);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a folder read-only");
        platform.expectMessage();
        QVERIFY(!modDatabase::NewDatabase(dir.filePath("locked/new.mdb")));
        QCOMPARE(platform.messages().size(), 1);
        QVERIFY(!QFile::exists(dir.filePath("locked/new.mdb")));
    }

    void unwritableExportTarget()
    {
        ScriptedPlatform platform;
        DatabaseFixture dir(DatabaseFixture::Content::Persons);
        QVERIFY(dir.ok());
        modExport::Selection selection;
        selection.contactnrs = {1};
        QString error;
        QVERIFY(modExportFiles::ExportText(selection, nullptr, error));
        QVERIFY(modExportFiles::ExportHtml(selection, nullptr, error));
        const QString target = dir.file("out/old.txt");
        QVERIFY(TestSupport::writeFile(target, "old contents"));
        ReadOnlyFile readOnly(target);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a file read-only");
        QVERIFY(!modExportFiles::CopyExportFile(target, error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!modExportFiles::SaveHtmlWithStyle(dir.file("out/new.htm"), nullptr, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestSupport::readFile(target), QByteArray("old contents"));
        QCOMPARE(QDir(dir.file("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"old.txt"});
    }

    void unwritableTempFolder()
    {
        ScriptedPlatform platform;
        DatabaseFixture dir(DatabaseFixture::Content::Persons);
        QVERIFY(dir.ok());
        const QByteArray oldTemp = qgetenv("TEMP");
        // A file where the folder should be: nothing can be created inside.
        const QString blocked = dir.file("notafolder");
        QVERIFY(TestSupport::writeFile(blocked, "x"));
        qputenv("TEMP", QFile::encodeName(blocked));
        modExport::Selection selection;
        selection.contactnrs = {1};
        QString error;
        const bool exported = modExportFiles::ExportHtml(selection, nullptr, error);
        const QString calendar = modCalendar::GenerateCalendar(nullptr);
        qputenv("TEMP", oldTemp);
        QVERIFY(!exported);
        QVERIFY(!error.isEmpty());
        QVERIFY(!calendar.isEmpty());
        QCOMPARE(TestSupport::readFile(blocked), QByteArray("x"));
    }

    void unwritableLogFolder()
    {
        QTemporaryDir dir;
        // The program folder is a file's name and the data folder cannot be made.
        const QString blocked = dir.filePath("blocked");
        QVERIFY(TestSupport::writeFile(blocked, "x"));
        modEnvironment::SetProgramFolder(blocked + "/program");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + "/data"));
        modError::WriteLog("a line that has nowhere to go");
        const QString logPath = modError::LogFilePath();
        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!QFile::exists(logPath));
        QCOMPARE(TestSupport::readFile(blocked), QByteArray("x"));
    }

    void versionServerAnswers_data()
    {
        TestSupport::addColumns<QByteArray, bool>({"answer", "closeAfter"});
        const QByteArray binary = randomBytes(5000);
        addRow("nothing, closed", QByteArray(), true);
        addRow("garbage, closed", binary, true);
        addRow("garbage left open", binary, false);
        addRow("huge body", QByteArray("HTTP/1.1 200 OK\r\n\r\n") + QByteArray(4 * 1024 * 1024, '9'), true);
        addRow("huge header line", QByteArray("HTTP/1.1 200 ") + QByteArray(2 * 1024 * 1024, 'O'), true);
        addRow("length beyond the body",
               QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n1.5.0"), true);
        addRow("negative length", QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n9.9.9"), true);
    }
    void versionServerAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, closeAfter);
        ScriptedPlatform platform;
        CannedTcpServer server(answer, closeAfter);
        QVERIFY(server.isListening());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.serverPort(), &window);
        QSignalSpy finished(&checker, &VersionCheck::finished);
        checker.Start();
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, 90000);
        // Garbage names no version; whatever was read is a short text, never the body.
        QVERIFY(checker.LatestVersion().size() < 100);
        QVERIFY(platform.messages().isEmpty());
    }

    // A signed or blank-padded number where the status code belongs read as a status
    // (found by fuzzing).
    void answerStatusIsThreeDigits()
    {
        const std::pair<QByteArray, int> answers[] = {{QByteArray(":\r\nd1\0:\n0-5\r\n\r\n1@.5.0", 21), 0},
                                                      {"HTTP/1.1 -5 Odd", 0},
                                                      {"HTTP/1.1 +20 Odd", 0},
                                                      {"HTTP/1.1  20 Odd", 0},
                                                      {"HTTP/1.1 20", 0},
                                                      {"HTTP/1.1 200 OK\r\n", 200},
                                                      {"HTTP/1.0 404 Not Found", 404}};
        for (const auto& [answer, status] : answers)
            QCOMPARE(modVersion::AnswerStatus(answer), status);
    }

    void commandLine_data()
    {
        TestSupport::addColumns<QStringList, int>({"arguments", "kind"});
        addRow("quotes", QStringList{"\"/home/a b/x.mdb\""}, int(CommandLine::Kind::DatabasePath));
        addRow("quoted reminder", QStringList{"\"/Reminder\""}, int(CommandLine::Kind::DatabasePath));
        addRow("very long", QStringList{QString(200000, 'a')}, int(CommandLine::Kind::DatabasePath));
        addRow("long person key", QStringList{"/Person " + QString(100000, '9')}, int(CommandLine::Kind::Person));
        addRow("invalid UTF-8", QStringList{QString::fromLocal8Bit("\xff\xfe/x\xc3(.mdb")},
               int(CommandLine::Kind::DatabasePath));
        addRow("only blanks", QStringList{"   ", " "}, int(CommandLine::Kind::Default));
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, kind);
        const QString line = CommandLine::FromArguments(arguments);
        QCOMPARE(int(CommandLine::Classify(line)), kind);
        if (kind == int(CommandLine::Kind::Person)) {
            const QString key = CommandLine::PersonKey(line);
            QVERIFY(key.startsWith("Person"));
            // A number beyond the 16-bit range names nobody.
            QCOMPARE(modMain::KeyToContactnr(key), qint16(0));
        }
    }

    // A click position far beyond the text walked back one character at a time (found
    // by fuzzing).
    void hyperlinkWordFarBeyondTheText()
    {
        const struct
        {
            const char* text;
            int position;
            const char* word;
            int start;
        } clicks[] = {{"see www.a.b", INT_MAX, "www.a.b", 5},
                      {"see www.a.b", 12, "www.a.b", 5},
                      {"mailto:x@y.z ", 1000000, "", 14},
                      {"a\r\nwww.b.c\n", INT_MAX - 1, "", 12}};
        for (const auto& click : clicks) {
            int at = click.position;
            QCOMPARE(modHyperlink::GetHyperlinkWord(click.text, at), QString(click.word));
            QCOMPARE(at, click.start);
        }
    }
};

ADDRION_TEST_MAIN(TestHostile)
#include "tst_hostile.moc"
