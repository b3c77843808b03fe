// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "CannedTcpServer.h"
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "ReadOnlyFile.h"

#include "birthdays/modCalendar.h"
#include "database/modPassword.h"
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
#include "widgets/FailureDialog.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTextBrowser>

#include <climits>

using TestSupport::addRow;
using TestSupport::control;

// Crash safety (a helper killed while it saves), full disks, two processes on one file, hostile
// input (also what fuzz/ found): a clear message or a quiet fallback; nothing lost, no crash or hang.
class TestSafety : public QObject
{
    Q_OBJECT

    QString m_programFolder;
    std::unique_ptr<DatabaseFixture> m_database;

    // A new closed database file with persons of these names (or as many with long notes).
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
            bytes += char(TestSupport::random().bounded(256));
        return bytes;
    }

    static QStringList listedNames(frmMain& window) { return TestSupport::itemTexts(window.contactList()); }

    static constexpr int Rounds = 20;

    static QString helper() { return QCoreApplication::applicationDirPath() + "/reliability_helper"; }

    // What is wrong with the file, "" when it is whole: the name of each person tells the
    // save that wrote it and how many phones and addresses that save gave it; the file holds
    // exactly those, none of another save and none that belongs to nobody.
    static QString checkFile(const QString& path, int& persons)
    {
        try {
            Engine::Connection connection;
            connection.Open(path); // rolls back what a killed writer left in its journal
            const QString integrity = EngineTest::integrityCheck(connection);
            if (integrity != "ok")
                return "integrity: " + integrity;
            static const QRegularExpression nameRule("^Crash (\\d+) phones (\\d+) emails (\\d+)$");
            QStringList expected, found;
            persons = 0;
            connection.ForEachRow("SELECT Contactnr, Name FROM Person", [&](const Engine::Connection::Row& row) {
                const QRegularExpressionMatch match = nameRule.match(row.Text(1).trimmed());
                if (!match.hasMatch())
                    expected << "a person named " + row.Text(1);
                for (int i = 1; i <= match.captured(2).toInt(); ++i)
                    expected << QString("%1 g%2-%3").arg(row.Int(0)).arg(match.captured(1)).arg(i);
                for (int i = 1; i <= match.captured(3).toInt(); ++i)
                    expected << QString("%1 g%2-%3@example.org").arg(row.Int(0)).arg(match.captured(1)).arg(i);
                ++persons;
            });
            connection.ForEachRow(
                "SELECT Contactnr || ' ' || [Number] FROM Phone UNION ALL SELECT Contactnr || ' ' || Email FROM Email",
                [&](const Engine::Connection::Row& row) { found << row.Text(0); });
            expected.sort();
            found.sort();
            if (found != expected)
                return "entries " + found.join(", ") + "; expected " + expected.join(", ");
            // Every person has a UID, and the trigger that gives one to persons added by
            // anyone is there (an import takes it away inside its transaction).
            if (EngineTest::scalar(connection,
                                   "SELECT COUNT(1) FROM Person WHERE Contactnr NOT IN (SELECT Contactnr FROM "
                                   "PersonUid)") != 0)
                return "a person without a UID";
            if (EngineTest::scalar(connection, "SELECT COUNT(1) FROM sqlite_master WHERE type = 'trigger' AND "
                                               "name = 'PersonUidAdd'") != 1)
                return "the trigger that gives new persons a UID is missing";
            return QString();
        } catch (const Engine::EngineError& error) {
            return "engine error: " + error.description();
        }
    }

    // Starts the helper, lets it finish a random number of steps, kills it and returns
    // the steps it reported; -1 when it stopped by itself (then its stderr is in errors).
    static int runAndKill(const QString& mode, const QString& path, QString& errors)
    {
        QProcess process;
        process.start(helper(), {mode, path});
        const int wanted = TestSupport::random().bounded(1, 40);
        int steps = 0;
        QByteArray pending;
        while (steps < wanted && process.waitForReadyRead(60000)) {
            pending += process.readAllStandardOutput();
            steps = int(pending.count("step "));
        }
        if (process.state() == QProcess::NotRunning) {
            errors = QString::fromLocal8Bit(process.readAllStandardError()) + process.errorString();
            return -1;
        }
        // Sometimes at once, sometimes after letting the next step begin.
        if (TestSupport::random().bounded(2) == 1)
            process.waitForReadyRead(5);
        process.kill(); // SIGKILL
        process.waitForFinished();
        return steps;
    }

    static QMap<QString, QByteArray> contents(const QString& folder)
    {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
            const QString path = it.next();
            files.insert(path, TestSupport::readFile(path));
        }
        return files;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(helper()).isExecutable(), "the helper is not built");
        QVERIFY2(QFileInfo(TestSupport::executable()).isExecutable(), "the program is not built");
        m_programFolder = modEnvironment::ProgramFolder();
    }
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

    void killedAtRandom_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("saving persons") << "save";
        QTest::newRow("removing persons") << "remove";
        QTest::newRow("closing with compaction") << "close";
        QTest::newRow("importing cards") << "import";
    }
    void killedAtRandom()
    {
        QFETCH(QString, mode);
        ScriptedPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath("crash.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(path)));
        modDatabase::CloseDatabase(false);
        int totalSteps = 0;
        int lastPersons = 0;
        for (int round = 1; round <= Rounds; ++round) {
            QString errors;
            const int steps = runAndKill(mode, path, errors);
            QVERIFY2(steps >= 0, qPrintable(QString("round %1: the helper stopped: %2").arg(round).arg(errors)));
            totalSteps += steps;
            int persons = 0;
            const QString problem = checkFile(path, persons);
            QVERIFY2(problem.isEmpty(), qPrintable(QString("round %1: %2").arg(round).arg(problem)));
            // Reported steps were committed: two of every three saved a new person.
            if (mode == "save")
                QVERIFY2(persons >= lastPersons + steps * 2 / 3,
                         qPrintable(QString::asprintf("round %d: %d persons after %d more steps, %d before", round,
                                                      persons, steps, lastPersons)));
            // An import adds all of its 10 cards or none.
            if (mode == "import")
                QVERIFY2(persons % 10 == 0 && persons >= lastPersons + steps * 10,
                         qPrintable(QString::asprintf("round %d: %d persons after %d more imports, %d before", round,
                                                      persons, steps, lastPersons)));
            lastPersons = persons;
        }
        QVERIFY(totalSteps >= Rounds);
        // The file still opens in the program as a valid database.
        QVERIFY(ShowOutcome(modDatabase::IsValidDatabase(path)));
        QVERIFY(platform.messages().isEmpty());
    }

    // The program's reminder (a second process) reads and compacts the file again and again
    // while this process saves and compacts it too: neither side may meet a locked file.
    void reminderBesideWriter()
    {
        ScriptedPlatform platform;
        DatabaseFixture database;
        QVERIFY(database.ok());
        const QString path = database.path();
        TestSupport::writeSetting("Default database", path);
        TestSupport::writeSetting("Reminder Since", "3");
        // Persons born today, so that the reminder has rows to show and echo.
        QList<SamplePerson> born;
        for (int i = 1; i <= 5; ++i)
            born.append({i, QString("Birthday %1").arg(i), TestSupport::FixedToday().addYears(-20 - i)});
        addPersons(born);

        int written = 0;
        for (int run = 0; run < 4; ++run) {
            QProcess reminder;
            reminder.start(TestSupport::reminderEcho(), {"/Reminder"});
            QVERIFY(reminder.waitForStarted());
            // Write until the reminder has finished (bounded, in case it never does).
            for (int i = 0; i < 400 && reminder.state() != QProcess::NotRunning; ++i, ++written) {
                const auto failure = EngineTest::failureOf([&] {
                    modContact::Contact contact{QString("Writer %1").arg(written), "", "", "", {}, {}, {}, {}, {}, {}};
                    contact.phones.push_back(modContact::TypedEntry(QString("0%1").arg(written), QString()));
                    const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
                    QVERIFY(contactnr);
                    contact.note = QString(5000, 'x');
                    modContact::SaveExistingPerson(*contactnr, contact);
                    if (written % 3 == 0) {
                        modDatabase::CloseDatabase(true);
                        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
                    }
                });
                QVERIFY2(!failure, qPrintable("the writer met: " + (failure ? failure->description() : QString())));
                reminder.waitForFinished(1);
            }
            // One that hangs (a message box?) is killed as the QProcess goes.
            const bool ended = reminder.state() == QProcess::NotRunning || reminder.waitForFinished(120000);
            const QString output = QString::fromUtf8(reminder.readAllStandardOutput());
            const QString errors = QString::fromLocal8Bit(reminder.readAllStandardError());
            QVERIFY2(ended && reminder.exitStatus() == QProcess::NormalExit && reminder.exitCode() == 0,
                     qPrintable(QString("run %1, after %2 writes: %3 %4").arg(run).arg(written).arg(output, errors)));
            // Every person born today is listed: the reader saw the file whole.
            for (int i = 1; i <= 5; ++i)
                QVERIFY2(output.contains(QString("Birthday %1").arg(i)), qPrintable(output));
            QVERIFY2(!errors.contains("locked", Qt::CaseInsensitive), qPrintable(errors));
        }
        modDatabase::CloseDatabase(true);
        QVERIFY(written > 0);
        Engine::Connection connection;
        connection.Open(path);
        QCOMPARE(EngineTest::integrityCheck(connection), QString("ok"));
        QCOMPARE(EngineTest::scalar(connection, "SELECT COUNT(*) FROM Person WHERE Name LIKE 'Writer %'"), written);
        QCOMPARE(EngineTest::scalar(connection, "SELECT COUNT(*) FROM Phone"), written);
        QVERIFY(platform.messages().isEmpty());
    }

    void saveOnAFullDisk_data()
    {
        TestSupport::addColumns<QString, int>("operation", "limit");
        QTest::newRow("password removal") << "password" << 300 * 1024;
        QTest::newRow("backup before the upgrade") << "upgrade" << 200 * 1024;
        QTest::newRow("text export saved") << "export-text" << 60 * 1024;
        QTest::newRow("vCard export saved") << "export-vcard" << 60 * 1024;
        QTest::newRow("database copy") << "copy" << 200 * 1024;
        QTest::newRow("calendar saved") << "calendar" << 1024;
    }
    void saveOnAFullDisk()
    {
        auto [operation, limit] = TestSupport::fetch<QString, int>("operation", "limit");
        QTemporaryDir dir;
        const QString data = dir.filePath("data/");
        QVERIFY(QDir().mkpath(data));
        const QString database = data + "home.mdb";
        QStringList arguments{QString::number(limit), operation};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (operation == "password") {
            // The cipher program runs without the limit: only the program's own writes meet the full disk.
            const QString real = QStandardPaths::findExecutable(modPassword::CipherProgramName);
            QVERIFY2(!real.isEmpty(), "the sqlcipher program is needed (Debian package sqlcipher)");
            const QString standIn = dir.filePath("bin/") + modPassword::CipherProgramName;
            QVERIFY(TestSupport::writeFile(standIn,
                                           ("#!/bin/sh\nulimit -f unlimited\nexec '" + real + "' \"$@\"\n").toUtf8()));
            QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            environment.insert("PATH", dir.filePath("bin") + ":" + environment.value("PATH"));
            QVERIFY(EngineTest::makeProtectedFile(
                database, "secret",
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
                "INSERT INTO Person (Contactnr, Name, Note) SELECT i, 'P' || i, hex(randomblob(500)) FROM n;\n"));
            arguments << database << "secret";
        } else if (operation == "upgrade" || operation == "copy") {
            QVERIFY(QFile::copy(this->database({}, 1200), database));
            Engine::Connection connection;
            connection.Open(database);
            if (operation == "upgrade") // the layout before 1.4.0: first and last name
                for (const char* statement :
                     {"ALTER TABLE Person ADD COLUMN Firstname CHAR(50)",
                      "ALTER TABLE Person ADD COLUMN Lastname CHAR(50)", "ALTER TABLE Person DROP COLUMN [Name]"})
                    connection.Execute(statement);
            arguments << database;
            if (operation == "copy") {
                QVERIFY(TestSupport::writeFile(data + "copy.mdb", "the copy made last week"));
                arguments << data + "copy.mdb";
            }
        } else if (operation.startsWith("export-")) {
            const auto kind = operation == "export-text" ? modExportFiles::Kind::Text : modExportFiles::Kind::Vcard;
            QVERIFY(TestSupport::writeFile(modExportFiles::ExportFilePath(kind), QByteArray(140054, 'x')));
            QVERIFY(TestSupport::writeFile(data + "saved", "the export saved last week"));
            arguments << data + "saved";
        } else {
            ScriptedPlatform platform;
            DatabaseFixture persons(DatabaseFixture::Content::Persons);
            QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
            modCalendar::MonthSelection months{};
            for (auto& year : months)
                year.fill(true);
            QCOMPARE(modCalendar::SaveCalendar(
                         data, months, [](const QString&) { return true; }, nullptr),
                     QString());
            arguments << data;
        }
        const QMap<QString, QByteArray> before = contents(data);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(helper(), arguments);
        QVERIFY(process.waitForFinished(120000));
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(process.exitCode(), 0);
        QVERIFY2(output.startsWith("result 0\n"), qPrintable(output));
        QVERIFY2(output.contains("\nerror: ") || output.contains("\nmessage: "), qPrintable(output));
        // Nothing was replaced, truncated or left behind beside it.
        QCOMPARE(contents(data).keys(), before.keys());
        QVERIFY(contents(data) == before);
    }

    // A sent file's foreign trigger (deleting persons, copying numbers) and a view named like
    // our table: the user is asked; they go before anything runs, or the file stays shut.
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
            QCOMPARE(ShowOutcome(modDatabase::OpenDatabase(path)), remove);
            const QString question = platform.messages().constLast().text;
            QVERIFY2(question.contains("trigger Steal") && question.contains("view PersonUid"), qPrintable(question));
            QCOMPARE(TestSupport::readFile(path) == sent, !remove);
        }
        QCOMPARE(platform.messages().size(), 2);
        QVERIFY(modContact::SaveNewPerson(
            {"Dora", "", "", "", {modContact::TypedEntry("555 0199", QString())}, {}, {}, {}, {}, {}}));
        QCOMPARE(countRows("Person"), 4);
        QCOMPARE(countRows("Loot"), 0);
        // Only our own triggers are there, made anew with our table.
        QCOMPARE(EngineTest::column(modSql::OpenRecordset("SELECT type || ' ' || name AS Name FROM sqlite_master "
                                                          "WHERE type IN ('trigger', 'view') ORDER BY name")),
                 (QStringList{"trigger PersonDetailChange", "trigger PersonDetailRemove", "trigger PersonGroupChange",
                              "trigger PersonGroupRemove", "trigger PersonUidAdd", "trigger PersonUidChange",
                              "trigger PersonUidRemove"}));
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

        // Refused with one message, or (damage beyond the first pages) the list shows what
        // can be read and each failing command says so once.
        platform.expectMessage();
        if (ShowOutcome(modDatabase::IsValidDatabase(path))) {
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
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
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
        auto* list = TestSupport::control<QTreeView>(&window, "lvwMain");
        for (int row = 0; row < window.ListRowCount(); ++row) {
            const QModelIndex index = window.contactList()->index(row, 0);
            list->setCurrentIndex(index);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        }
        window.ShowPerson(2);
        QCOMPARE(TestSupport::control<QTextBrowser>(&window, "rtbNote")->toPlainText().size(), hugeNote.size());
        // The quick search finds the emoji and the right-to-left name.
        auto* quickSearch = TestSupport::control<QLineEdit>(&window, "txtQuickSearch");
        quickSearch->setText(QString::fromUtf8("\xF0\x9F\x98\x80"));
        QCOMPARE(listedNames(window), QStringList{emoji});
        quickSearch->setText(rtl.left(4));
        QCOMPARE(listedNames(window), QStringList{rtl});
        quickSearch->clear();

        // Both exports carry every person, emoji and right-to-left text unharmed.
        const modExport::Selection selection{{1, 2, 3, 4, 5}, {}};
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
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        const int year = TestSupport::FixedToday().year();
        const QString july = QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, 7)));
        QVERIFY(july.contains("Tab\tBellEsc End"));
        QVERIFY(!july.contains('\a'));
        QVERIFY(QString::fromUtf8(TestSupport::readFile(modCalendar::PagePath(year, 2))).contains(emoji));
        QVERIFY(platform.messages().isEmpty());
    }

    // messages: each keystroke of an unclosed "[" says once that the engine refuses it, emptying the list
    void quickSearchSpecialCharacters_data()
    {
        TestSupport::addColumns<QString, QStringList, int>("typed", "names", "messages");
        addRow("percent", "100%", QStringList{"100% Sure"}, 0);
        addRow("underscore", "r_s", QStringList{"under_score"}, 0);
        addRow("closing bracket", "t]", QStringList{"[bracket]"}, 0);
        addRow("apostrophe", "o'b", QStringList{"O'Brien"}, 0);
        addRow("double quote", "\"hi", QStringList{"Say \"hi\""}, 0);
        addRow("backslash", "k\\s", QStringList{"back\\slash"}, 0);
        addRow("unclosed bracket", "[[", QStringList{}, 2);
        addRow("bracket closed", "[[]", QStringList{"[bracket]"}, 2);
    }
    void quickSearchSpecialCharacters()
    {
        auto [typed, names, messages] = TestSupport::fetch<QString, QStringList, int>("typed", "names", "messages");
        ScriptedPlatform platform;
        const QStringList all{"100% Sure",  "under_score", "[bracket]",   "O'Brien",
                              "Say \"hi\"", "back\\slash", "Plain Person"};
        frmMain window(database(all));
        window.Load();
        window.show();
        QCOMPARE(window.ListRowCount(), all.size());
        for (int i = 0; i < messages; ++i)
            platform.expectMessage();
        for (const QChar c : typed)
            QTest::keyClick(control<QLineEdit>(&window, "txtQuickSearch"), c.toLatin1());
        QCOMPARE(control<QLineEdit>(&window, "txtQuickSearch")->text(), typed);
        QCOMPARE(listedNames(window), names);
        QCOMPARE(platform.messages().size(), messages);
        for (const ScriptedPlatform::Call& message : platform.messages())
            QVERIFY2(message.text.contains('['), qPrintable(message.text));
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
        TestSupport::writeSetting("Language", "Broken");
        QVERIFY(modLanguage::LanguageFileNames().contains("Broken"));
        const QString error = T("Error");
        QVERIFY(!error.isEmpty());
        QVERIFY(error.size() <= modLanguage::MaxTranslationLength);
        QCOMPARE(T("A text no file has"), QString("A text no file has"));
        modLanguage::LanguageInfo("Name");
    }

    // A read-only file in a read-only folder: no export and no new database replaces it or lands beside it.
    void unwritableFolder()
    {
        ScriptedPlatform platform;
        DatabaseFixture dir(DatabaseFixture::Content::Persons);
        QVERIFY(dir.ok());
        const modExport::Selection selection{{1}, {}};
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
        platform.expectMessage();
        QVERIFY(!ShowOutcome(modDatabase::NewDatabase(dir.file("out/new.mdb"))));
        QCOMPARE(platform.messages().size(), 1);
        QCOMPARE(TestSupport::readFile(target), QByteArray("old contents"));
        QCOMPARE(QDir(dir.file("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"old.txt"});
    }

    // A file where the temporary and the data folder should be: nothing can be made inside.
    // The export fails and says so, the calendar reports it, and the log line is dropped.
    // Without the Language, Calendar, Css and Sound folders all is English and unstyled.
    void blockedAndMissingFolders()
    {
        ScriptedPlatform platform;
        DatabaseFixture dir(DatabaseFixture::Content::Persons);
        QVERIFY(dir.ok());
        const QString blocked = dir.file("notafolder");
        QVERIFY(TestSupport::writeFile(blocked, "x"));
        const QByteArray oldTemp = qgetenv("TEMP");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("TEMP", QFile::encodeName(blocked));
        qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + "/data"));
        QString error;
        const bool exported = modExportFiles::ExportHtml({{1}, {}}, nullptr, error);
        const QString calendar = modCalendar::GenerateCalendar(nullptr);
        modEnvironment::SetProgramFolder(blocked + "/program");
        modError::WriteLog("a line that has nowhere to go");
        const QString logPath = modError::LogFilePath();
        qputenv("TEMP", oldTemp);
        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!exported);
        QVERIFY(!error.isEmpty());
        QVERIFY(!calendar.isEmpty());
        QVERIFY(!QFile::exists(logPath));
        QCOMPARE(TestSupport::readFile(blocked), QByteArray("x"));

        QTemporaryDir program; // no Language, Calendar, Css or Sound inside
        modEnvironment::SetProgramFolder(program.path());
        TestSupport::writeSetting("Language", "German");
        TestSupport::writeSetting("Css Calendar", "Ocean");
        QVERIFY(modLanguage::LanguageFileNames().isEmpty());
        QCOMPARE(T("Error"), QString("Error"));
        QVERIFY(modCalendar::StyleNames().isEmpty());
        QCOMPARE(modCalendar::GenerateCalendar(nullptr), QString());
        QVERIFY(QFile::exists(modCalendar::PagePath(TestSupport::FixedToday().year(), 3)));
        QVERIFY2(modExportFiles::ExportHtml({{1}, {}}, nullptr, error), qPrintable(error));
        QVERIFY(platform.messages().isEmpty());
    }

    void versionServerAnswers_data()
    {
        TestSupport::addColumns<QByteArray, bool>("answer", "closeAfter");
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
        auto [answer, closeAfter] = TestSupport::fetch<QByteArray, bool>("answer", "closeAfter");
        ScriptedPlatform platform;
        CannedTcpServer server(answer, closeAfter ? CannedTcpServer::Close : CannedTcpServer::KeepOpen);
        QVERIFY(server.isListening());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        QSignalSpy finished(&checker, &VersionCheck::finished);
        checker.Start();
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1, 90000);
        // Garbage names no version; whatever was read is a short text, never the body.
        QVERIFY(checker.LatestVersion().size() < 100);
        QVERIFY(platform.messages().isEmpty());
    }

    void commandLine_data()
    {
        TestSupport::addColumns<QStringList, int>("arguments", "kind");
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
        auto [arguments, kind] = TestSupport::fetch<QStringList, int>("arguments", "kind");
        const QString line = CommandLine::FromArguments(arguments);
        QCOMPARE(int(CommandLine::Classify(line)), kind);
        if (kind == int(CommandLine::Kind::Person)) {
            const QString key = CommandLine::PersonKey(line);
            QVERIFY(key.startsWith("Person"));
            // A number beyond the 16-bit range names nobody.
            QCOMPARE(modText::KeyToContactnr(key), qint16(0));
        }
    }

    // A click far beyond the text was walked back one character at a time (found by fuzzing).
    void hyperlinkWordFarBeyondTheText()
    {
        // text, click position, word, its start
        const std::tuple<const char*, int, const char*, int> clicks[] = {{"see www.a.b", INT_MAX, "www.a.b", 5},
                                                                         {"see www.a.b", 12, "www.a.b", 5},
                                                                         {"mailto:x@y.z ", 1000000, "", 14},
                                                                         {"a\r\nwww.b.c\n", INT_MAX - 1, "", 12}};
        for (auto [text, at, word, start] : clicks) {
            QCOMPARE(modHyperlink::GetHyperlinkWord(text, at), QString(word));
            QCOMPARE(at, start);
        }
    }
};

ADDRION_TEST_MAIN(TestSafety)
#include "tst_safety.moc"
