#include "DataRow.h"
#include "DatabaseFixture.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "export/modExportFiles.h"
#include "language/IniFile.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/CommandLine.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "startup/modText.h"
#include "version/VersionCheck.h"

#include <QDir>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>

using TestSupport::addRow;

// Hostile and broken input: each gives a clear message or a quiet fallback, loses
// nothing, and neither crashes nor hangs.
class TestHostile : public QObject
{
    Q_OBJECT

    QString m_programFolder;
    std::unique_ptr<DatabaseFixture> m_named;

    static QByteArray validDatabaseBytes(const QString& path, int persons)
    {
        if (!modDatabase::NewDatabase(path))
            return {};
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (int i = 1; i <= persons; ++i)
            modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name, [Note]) VALUES (%1, 'P%1', '%2')")
                                   .arg(i)
                                   .arg(QString(3000, QLatin1Char('n'))));
        transaction.Commit();
        modDatabase::CloseDatabase(false);
        return TestSupport::readFile(path);
    }

    // A database file with persons of these names, numbered from 1, closed again.
    QString namedPersons(const QStringList& names)
    {
        m_named = std::make_unique<DatabaseFixture>();
        for (int i = 0; i < names.size(); ++i)
            modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (%1, '%2')")
                                   .arg(i + 1)
                                   .arg(modSql::QuoteSql(names.at(i))));
        modDatabase::CloseDatabase(false);
        return m_named->path();
    }

    static QStringList listedNames(frmMain& window)
    {
        QStringList names;
        for (int row = 0; row < window.contactList()->rowCount(); ++row)
            names << window.contactList()->index(row, 0).data().toString();
        return names;
    }

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
        modEnvironment::SetProgramFolder(m_programFolder);
    }

    // ---- Broken database files ----

    // A file someone sent, carrying a trigger that deletes the other persons and copies
    // every number typed into a hidden table, and a view under the name of one of our
    // tables: the user is asked; they go before anything runs, or the file is not opened.
    void foreignTriggersAndViews_data()
    {
        QTest::addColumn<bool>("remove");
        addRow("removed, then opened", true);
        addRow("not opened", false);
    }
    void foreignTriggersAndViews()
    {
        QFETCH(bool, remove);
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sent.mdb"));
        QVERIFY(!validDatabaseBytes(path, 3).isEmpty());
        {
            Engine::Connection connection;
            connection.Open(path);
            // A file of an older version, without our identity table: a view has its name.
            for (const char* trigger : {"PersonUidAdd", "PersonUidChange", "PersonUidRemove"})
                connection.Execute(QStringLiteral("DROP TRIGGER ") + QLatin1String(trigger));
            connection.Execute(QStringLiteral("DROP TABLE PersonUid"));
            connection.Execute(QStringLiteral("CREATE TABLE Loot (Number TEXT)"));
            connection.Execute(QStringLiteral("CREATE TRIGGER Steal AFTER INSERT ON Phone BEGIN "
                                              "INSERT INTO Loot VALUES (NEW.Number); "
                                              "DELETE FROM Person WHERE Contactnr <> NEW.Contactnr; END"));
            connection.Execute(QStringLiteral("CREATE VIEW PersonUid AS SELECT Contactnr, Name AS Uid FROM Person"));
        }
        const QByteArray sent = TestSupport::readFile(path);

        platform.expectMessage(remove ? Platform::Answer::Yes : Platform::Answer::No);
        QCOMPARE(modDatabase::OpenDatabase(path), remove);
        QCOMPARE(platform.messages().size(), 1);
        const QString question = platform.messages().constFirst().text;
        QVERIFY2(question.contains(QStringLiteral("trigger Steal")) &&
                     question.contains(QStringLiteral("view PersonUid")),
                 qPrintable(question));
        if (!remove) {
            QVERIFY(!modDatabase::IsDatabaseOpen());
            QCOMPARE(TestSupport::readFile(path), sent);
            return;
        }
        modContact::Contact contact;
        contact.name = QStringLiteral("Dora");
        contact.phones = {modContact::TypedEntry(QStringLiteral("555 0199"), QString())};
        QVERIFY(modContact::SaveNewPerson(contact));
        QCOMPARE(modSql::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Person")).Fields(0).toInt(), 4);
        QCOMPARE(modSql::OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Loot")).Fields(0).toInt(), 0);
        // Only our own triggers are there, made anew with our table.
        QStringList objects;
        for (Engine::Recordset rows = modSql::OpenRecordset(QStringLiteral(
                 "SELECT type || ' ' || name FROM sqlite_master WHERE type IN ('trigger', 'view') ORDER BY name"));
             !rows.Eof(); rows.MoveNext())
            objects << rows.Fields(0).toString();
        QCOMPARE(objects,
                 (QStringList{QStringLiteral("trigger PersonUidAdd"), QStringLiteral("trigger PersonUidChange"),
                              QStringLiteral("trigger PersonUidRemove")}));
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
        QTemporaryDir dir;
        const QByteArray valid = validDatabaseBytes(dir.filePath(QStringLiteral("valid.mdb")), 200);
        QVERIFY(valid.size() > 8192);
        const QString path = dir.filePath(QStringLiteral("broken.mdb"));
        QByteArray contents;
        if (kind == QLatin1String("truncated"))
            contents = valid.left(4096);
        else if (kind == QLatin1String("halved"))
            contents = valid.left(valid.size() / 2 + 1000);
        else if (kind == QLatin1String("garbage"))
            for (int i = 0; i < 20000; ++i)
                contents += char(QRandomGenerator::global()->bounded(256));
        else if (kind == QLatin1String("header"))
            contents = QByteArray("SQLite format 3\0", 16) + QByteArray(5000, '\x7f');
        if (kind == QLatin1String("directory"))
            QVERIFY(QDir().mkpath(path));
        else
            QVERIFY(TestSupport::writeFile(path, contents));

        // Validation either refuses the file with one message, or, for a file whose
        // damage lies beyond its first pages, the list shows what can be read and each
        // failing command says so once.
        platform.expectMessage();
        const bool valid2 = modDatabase::IsValidDatabase(path);
        if (valid2) {
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
            QVERIFY(platform.messages().constFirst().text.contains(QFileInfo(path).fileName()) ||
                    platform.messages().constFirst().text.contains(path));
        }
        // Nothing was written over the user's file.
        if (kind != QLatin1String("directory"))
            QCOMPARE(TestSupport::readFile(path), contents);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")) || kind == QLatin1String("directory"));
    }

    // ---- Strange data in a valid database ----

    void strangeData()
    {
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("strange.mdb"));
        QVERIFY(modDatabase::NewDatabase(path));
        const QString longName = QString(100, QChar(0x00E9));
        const QString control = QStringLiteral("Tab\tBell\aEsc\x1b End");
        const QString emoji = QString::fromUtf8("Emoji \xF0\x9F\x98\x80 \xF0\x9F\x8E\x82");
        const QString rtl = QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB9\xD9\x84\xD9\x8A");
        // A megabyte of words and lines, with a link at the end.
        QString hugeNote;
        for (int line = 0; hugeNote.size() < 1024 * 1024; ++line)
            hugeNote += QStringLiteral("Line %1 of a very long note, written over many years.\n").arg(line);
        hugeNote += QStringLiteral("see www.example.org");
        modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (1, Null)"));
        modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name, [Note]) VALUES (2, '%1', '%2')")
                               .arg(longName, hugeNote));
        modSql::ExecuteSql(
            QStringLiteral(
                "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address) VALUES (3, '%1', #7/9/1990#, '%1')")
                .arg(modSql::QuoteSql(control)));
        modSql::ExecuteSql(
            QStringLiteral(
                "INSERT INTO Person (Contactnr, Name, Dateofbirth, [Note]) VALUES (4, '%1', #2/28/2000#, '%1')")
                .arg(emoji));
        modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (5, '%1')").arg(rtl));
        modSql::ExecuteSql(QStringLiteral("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (5, 1, "
                                          "'%1', '%2')")
                               .arg(rtl, emoji));
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
        QVERIFY(html.contains(emoji));
        QVERIFY(html.contains(rtl));
        QVERIFY(html.contains(longName));
        // A control character that XML forbids does not reach the page.
        QVERIFY(!html.contains(QLatin1Char('\a')));
        QVERIFY2(modExportFiles::ExportText(selection, nullptr, error), qPrintable(error));
        const QString text =
            QString::fromUtf8(TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Text)));
        QVERIFY(text.size() > hugeNote.size());
        QVERIFY(text.contains(QStringLiteral("Line 9999 of a very long note")));
        QVERIFY(text.contains(control));
        // The birthday calendar writes its pages, the emoji and the control characters included.
        QVERIFY(modDatabase::OpenDatabase(path));
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        const QString july =
            QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(QDate::currentDate().year(), 7)));
        QVERIFY(july.contains(QStringLiteral("TabBellEsc End").replace(QLatin1String("Tab"), QLatin1String("Tab\t"))));
        QVERIFY(!july.contains(QLatin1Char('\a')));
        const QString february =
            QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(QDate::currentDate().year(), 2)));
        QVERIFY(february.contains(emoji));
        QVERIFY(platform.messages().isEmpty());
    }

    // ---- Search texts with LIKE's special characters ----

    void quickSearchSpecialCharacters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
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
        QFETCH(QStringList, names);
        ScriptedPlatform platform;
        const QStringList all{"100% Sure",  "under_score", "[bracket]",   "O'Brien",
                              "Say \"hi\"", "back\\slash", "Plain Person"};
        frmMain window(namedPersons(all));
        window.Load();
        window.show();
        QCOMPARE(window.ListRowCount(), all.size());
        for (const QChar c : typed)
            QTest::keyClick(window.txtQuickSearch, c.toLatin1());
        QCOMPARE(window.txtQuickSearch->text(), typed);
        QCOMPARE(listedNames(window), names);
        QVERIFY(platform.messages().isEmpty());
    }

    // A "[" typed without its "]" is a pattern the engine refuses: each keystroke that
    // leaves it open says so once, the list is empty meanwhile, and closing the class
    // searches again.
    void quickSearchOpenBracket()
    {
        ScriptedPlatform platform;
        frmMain window(namedPersons({"[bracket]", "Anna"}));
        window.Load();
        window.show();
        for (int i = 0; i < 2; ++i)
            platform.expectMessage();
        QTest::keyClick(window.txtQuickSearch, '[');
        QTest::keyClick(window.txtQuickSearch, '[');
        QCOMPARE(platform.messages().size(), 2);
        QVERIFY(platform.messages().constFirst().text.contains(QLatin1Char('[')));
        QVERIFY(listedNames(window).isEmpty());
        QTest::keyClick(window.txtQuickSearch, ']');
        QCOMPARE(window.txtQuickSearch->text(), QStringLiteral("[[]"));
        QCOMPARE(listedNames(window), QStringList{"[bracket]"});
        QCOMPARE(platform.messages().size(), 2);
        QVERIFY(platform.scriptDone());
    }

    // ---- Language files ----

    void brokenLanguageFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QByteArray binary;
        for (int i = 0; i < 70000; ++i)
            binary += char(QRandomGenerator::global()->bounded(256));
        QByteArray huge = "[Translation]\n";
        while (huge.size() < 8 * 1024 * 1024)
            huge += "Key " + QByteArray::number(huge.size()) + "=" + QByteArray(200, 'v') + "\n";
        huge += "Error=" + QByteArray(100000, 'E') + "\n";
        addRow("no sections, no equals", QByteArray("Error\n[Translation\n=x\n==\n[]\n"));
        addRow("unclosed quotes", QByteArray("[Translation]\nError=\"Fehler\n\"=\"\n"));
        addRow("binary", binary);
        addRow("NUL bytes", QByteArray("[Translation]\nError=Feh\0ler\n", 29));
        addRow("huge", huge);
        addRow("invalid UTF-8", QByteArray("[Translation]\nError=\xff\xfe\xc3(\n"));
    }
    void brokenLanguageFile()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("Language/Broken.ini")), contents));
        modEnvironment::SetProgramFolder(dir.path());
        modSettings::WriteSetting(QStringLiteral("Language"), QStringLiteral("Broken"));
        QVERIFY(modLanguage::LanguageFileNames().contains(QStringLiteral("Broken")));
        const QString error = T(QStringLiteral("Error"));
        QVERIFY(!error.isEmpty());
        QVERIFY(error.size() <= modLanguage::MaxTranslationLength);
        QCOMPARE(T(QStringLiteral("A text no file has")), QStringLiteral("A text no file has"));
        modLanguage::LanguageInfo(QStringLiteral("Name"));
    }

    // ---- Missing resource folders ----

    void missingResourceFolders()
    {
        ScriptedPlatform platform;
        QTemporaryDir program; // no Language, Calendar, Css or Sound inside
        modEnvironment::SetProgramFolder(program.path());
        modSettings::WriteSetting(QStringLiteral("Language"), QStringLiteral("German"));
        modSettings::WriteSetting(QStringLiteral("Css Calendar"), QStringLiteral("Ocean"));
        QVERIFY(modLanguage::LanguageFileNames().isEmpty());
        QCOMPARE(T(QStringLiteral("Error")), QStringLiteral("Error"));
        QVERIFY(modCalendar::StyleNames().isEmpty());
        DatabaseFixture database(DatabaseFixture::Content::Persons);
        QVERIFY(database.ok());
        // Without any style sheet the calendar is written unstyled.
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        const QDate today = QDate::currentDate();
        QVERIFY(QFile::exists(modCalendar::PagePath(today.year(), 3)));
        // The export works without its style sheets too.
        modExport::Selection selection;
        selection.contactnrs = {1};
        QString error;
        QVERIFY2(modExportFiles::ExportHtml(selection, nullptr, error), qPrintable(error));
        QVERIFY(platform.messages().isEmpty());
    }

    // ---- Folders and files that cannot be written ----

    void unwritableDatabaseFolder()
    {
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString guard = dir.filePath(QStringLiteral("locked/guard.mdb"));
        QVERIFY(TestSupport::writeFile(guard, "x"));
        ReadOnlyFile readOnly(guard);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a folder read-only");
        const QString path = dir.filePath(QStringLiteral("locked/new.mdb"));
        platform.expectMessage();
        QVERIFY(!modDatabase::NewDatabase(path));
        QCOMPARE(platform.messages().size(), 1);
        QVERIFY(!QFile::exists(path));
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
        const QString target = dir.file(QStringLiteral("out/old.txt"));
        QVERIFY(TestSupport::writeFile(target, "old contents"));
        ReadOnlyFile readOnly(target);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a file read-only");
        QVERIFY(!modExportFiles::CopyExportFile(target, error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!modExportFiles::SaveHtmlWithStyle(dir.file(QStringLiteral("out/new.htm")), nullptr, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestSupport::readFile(target), QByteArray("old contents"));
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("out/new.htm"))));
        QCOMPARE(QDir(dir.file(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void unwritableTempFolder()
    {
        ScriptedPlatform platform;
        DatabaseFixture dir(DatabaseFixture::Content::Persons);
        QVERIFY(dir.ok());
        const QByteArray oldTemp = qgetenv("TEMP");
        // A file where the folder should be: nothing can be created inside.
        const QString blocked = dir.file(QStringLiteral("notafolder"));
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
        const QString blocked = dir.filePath(QStringLiteral("blocked"));
        QVERIFY(TestSupport::writeFile(blocked, "x"));
        modEnvironment::SetProgramFolder(blocked + QStringLiteral("/program"));
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + QStringLiteral("/data")));
        modError::WriteLog(QStringLiteral("a line that has nowhere to go"));
        const QString logPath = modError::LogFilePath();
        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!QFile::exists(logPath));
        QCOMPARE(TestSupport::readFile(blocked), QByteArray("x"));
    }

    // ---- The version server ----

    void versionServerAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("closeAfter");
        QByteArray binary;
        for (int i = 0; i < 5000; ++i)
            binary += char(QRandomGenerator::global()->bounded(256));
        addRow("nothing, closed", QByteArray(), true);
        addRow("garbage, closed", binary, true);
        addRow("garbage left open", binary, false);
        addRow("huge body", QByteArray("HTTP/1.1 200 OK\r\n\r\n") + QByteArray(4 * 1024 * 1024, '9'), true);
        addRow("huge header line", QByteArray("HTTP/1.1 200 ") + QByteArray(2 * 1024 * 1024, 'O'), true);
        addRow("length beyond the body",
               QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999"
                          "\r\n\r\n1.5.0"),
               true);
        addRow("negative length", QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n9.9.9"), true);
    }
    void versionServerAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, closeAfter);
        ScriptedPlatform platform;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            QTcpSocket* socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, closeAfter] {
                socket->readAll();
                socket->write(answer);
                if (closeAfter)
                    socket->disconnectFromHost();
            });
        });
        QWidget window;
        VersionCheck checker(QStringLiteral("127.0.0.1"), server.serverPort(), &window);
        QSignalSpy finished(&checker, &VersionCheck::finished);
        checker.Start();
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, 90000);
        // Garbage names no version; whatever was read is a short text, never the body.
        QVERIFY(checker.LatestVersion().size() < 100);
        QVERIFY(platform.messages().isEmpty());
    }

    // ---- Command lines ----

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("kind");
        addRow("quotes", QStringList{"\"/home/a b/x.mdb\""}, int(CommandLine::Kind::DatabasePath));
        addRow("quoted reminder", QStringList{"\"/Reminder\""}, int(CommandLine::Kind::DatabasePath));
        addRow("very long", QStringList{QString(200000, QLatin1Char('a'))}, int(CommandLine::Kind::DatabasePath));
        addRow("long person key", QStringList{"/Person " + QString(100000, QLatin1Char('9'))},
               int(CommandLine::Kind::Person));
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
            QVERIFY(key.startsWith(QLatin1String("Person")));
            // A number beyond the 16-bit range names nobody.
            QCOMPARE(modMain::KeyToContactnr(key), qint16(0));
        }
    }
};

ADDRION_TEST_MAIN(TestHostile)
#include "tst_hostile.moc"
