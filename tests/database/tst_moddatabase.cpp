// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"
#include "TwoRows.h"

#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "database/modRecent.h"
#include "database/modSql.h"
#include "database/modUpgrade.h"
#include "editor/modContact.h"
#include "export/modExportFiles.h"
#include "interchange/ImportCommand.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmOptionsDefaultdatabase.h"
#include "mainwindow/frmPassword.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QStyle>

#include <numeric>

using namespace TestSupport;
using namespace EngineTest;

// Records what the database operations tell the main window.
class RecordingObserver : public modDatabase::Observer
{
public:
    QString caption;
    QString path;
    bool writable = false;
    int reset = 0;
    int filled = 0;
    QStringList opened;

    void ShowDatabaseState(const QString& newCaption, const QString& newPath, bool isWritable) override
    {
        std::tie(caption, path, writable) = std::tie(newCaption, newPath, isWritable);
    }
    void ResetDatabaseState(const QString& newCaption) override { caption = newCaption, path.clear(), ++reset; }
    void FillContactList() override { ++filled; }
    void DatabaseOpened(const QString& openedPath) override { opened << openedPath; }
};

namespace {

QStringList Column(const QString& sql)
{
    return firstColumn(modDatabase::DatabaseConnection(), sql);
}

const QList<int> kWide{50, 100, 100, 100};
const QList<int> kNarrow{20, 10, 50, 10};

// The names of five persons in the two name columns of older versions: blanks, an empty
// and a missing (NULL) part.
const char* const kOldNames[] = {"'Fred', 'Flint'", "'', 'Solo'", "NULL, 'Nulllast'", "'Firstonly', NULL",
                                 "'  Ann ', ' Lee  '"};

// A file in one of the older layouts (or the current one) with five persons, each with a
// phone and an e-mail entry; with uids, the table of the persons' UIDs too, person 1's
// UID being "kept-uid".
void MakeFile(const QString& path, bool narrow, bool old, int nameWidth = 50, bool uids = false)
{
    QStringList statements = olderTables(old, narrow, nameWidth);
    if (uids)
        statements << modPersonUid::CreateStatements();
    makeFile(path, statements);
    Engine::Connection connection;
    connection.Open(path);
    for (int i = 0; i < 5; ++i) {
        const QString n = QString::number(i + 1);
        const QString name = old ? QString(kOldNames[i]) : "'Person " + n + "'";
        connection.Execute(QString("INSERT INTO Person (Contactnr, %1, Dateofbirth, Address, [Note]) VALUES (")
                               .arg(old ? "Firstname, Lastname" : "Name") +
                           n + ", " + name + ", #2/29/1980#, 'Street " + n + "', 'note " + n + "')");
        connection.Execute("INSERT INTO Phone VALUES (" + n + ", 1, '555-" + n + "', 'home')");
        connection.Execute("INSERT INTO Email VALUES (" + n + ", 1, 'p" + n + "@example.org', 'work')");
    }
    if (uids)
        connection.Execute("UPDATE PersonUid SET Uid = 'kept-uid' WHERE Contactnr = 1");
}

bool IsUuid(const QString& uid, char version)
{
    static const QString pattern("^[0-9a-f]{8}-[0-9a-f]{4}-%1[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$");
    return QRegularExpression(pattern.arg(version)).match(uid).hasMatch();
}

// "contactnr uid" of every row of the open database's UID table, in number order.
QStringList UidRows()
{
    return Column("SELECT Contactnr || ' ' || Uid FROM PersonUid ORDER BY Contactnr");
}

QString Revision(qint16 contactnr)
{
    return Column(QString("SELECT Revision FROM PersonUid WHERE Contactnr = %1").arg(contactnr)).value(0);
}

qint16 AddPerson(const QString& name)
{
    return *modContact::SaveNewPerson({name, "", "", "", {}, {}, {}, {}, {}, {}});
}

// Runs a script of the sqlite3 program on a file, as another tool would.
void Sqlite3(const QString& file, const QString& script, QString* output = nullptr)
{
    if (const QString missing = TestSupport::missingTool("sqlite3"); !missing.isEmpty())
        QFAIL(qPrintable(missing));
    QProcess tool;
    tool.start("sqlite3", {file, script});
    QVERIFY(tool.waitForStarted());
    QVERIFY(tool.waitForFinished());
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput()).simplified();
}

// Two persons, one with a phone, written into a protected file.
const QString kContent = "INSERT INTO Person (Contactnr, Name) VALUES (1, 'Anna Secret');\n"
                         "INSERT INTO Person (Contactnr, Name) VALUES (2, 'Bob Hidden');\n"
                         "INSERT INTO Phone VALUES (1, 1, '555', 'home');\n";

int CountLogLines(const QString& text)
{
    return QString::fromUtf8(TestSupport::readFile(modError::LogFilePath())).count(text);
}

// One answer for each time the password window appears: a password to type and OK,
// or "" for Cancel.
struct PasswordAnswers : QObject
{
    QStringList answers;
    QTimer poll;
    int asked = 0;
    QStringList files; // as each window showed them
    bool okDisabledUntilTyped = true;

    explicit PasswordAnswers(QStringList list) : answers(std::move(list))
    {
        connect(&poll, &QTimer::timeout, this, [this] { answer(); });
        poll.start(5);
    }
    void answer()
    {
        auto* window = qobject_cast<frmPassword*>(QApplication::activeModalWidget());
        if (!window || window->property("answered").toBool())
            return;
        window->setProperty("answered", true);
        ++asked;
        files << window->txtFile->text();
        const QString typed = answers.isEmpty() ? QString() : answers.takeFirst();
        okDisabledUntilTyped = okDisabledUntilTyped && !window->cmdOK->isEnabled();
        QTest::keyClicks(window->txtPassword, typed);
        QTest::mouseClick(typed.isEmpty() ? window->cmdCancel : window->cmdOK, Qt::LeftButton);
    }
};

void StoreRecent(const QStringList& entries)
{
    for (int i = 0; i < 3; ++i)
        TestSupport::writeSetting(QString("Recent %1").arg(i + 1), entries.value(i));
}

} // namespace

// The program's handling of database files: making, checking, opening, copying and
// closing them, the conversion of older layouts, the persons' UIDs, files protected by
// the real cipher program and opened through the real password window, and the recent
// databases and default database on the real main window.
class TestModDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    RecordingObserver m_observer;
    std::unique_ptr<frmMain> m_window;

    QString file(const QString& name) const { return m_dir->filePath(name); }
    // A new database made by the program: left open, or closed again (make).
    QString newDatabase(const QString& name = QStringLiteral("home.mdb"))
    {
        QDir().mkpath(QFileInfo(file(name)).absolutePath());
        return ShowOutcome(modDatabase::NewDatabase(file(name))) ? file(name) : QString();
    }
    // Opens the file as the program does: validated first.
    static bool open(const QString& path)
    {
        return ShowOutcome(modDatabase::IsValidDatabase(path)) && ShowOutcome(modDatabase::OpenDatabase(path));
    }
    QString makeDatabase(const QString& name)
    {
        const QString path = newDatabase(name);
        modDatabase::CloseDatabase(false);
        return path;
    }

    void startWindow(const QString& commandLine)
    {
        m_window = std::make_unique<frmMain>(commandLine);
        RegisterWindows(*m_window);
        m_window->Load();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // The captions of the visible recent entries, in menu order, without the entry's
    // number that leads each as its access key ("&1 "); each path is isolated, so that it
    // reads whole and in order in a right-to-left menu.
    QStringList menuCaptions() const
    {
        QStringList captions;
        for (QAction* entry : controls<QAction>(m_window.get(), "mnuFileRecent")) {
            if (!entry->isVisible())
                continue;
            const QString number = QString("&%1 ").arg(captions.size() + 1);
            const QString path = entry->text().mid(number.size());
            if (!entry->text().startsWith(number) || !path.startsWith(QChar(0x2066)) || !path.endsWith(QChar(0x2069)))
                return {"no " + number + "and isolated path in " + entry->text()};
            captions << path.mid(1).chopped(1);
        }
        return captions;
    }

    void openThroughMenu(const QString& path)
    {
        m_platform->expectOpenFileName(path);
        control<QAction>(m_window.get(), "mnuFileOpen")->trigger();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(modPassword::CipherProgramName).isEmpty(),
                 "the sqlcipher program is needed (Debian package sqlcipher)");
        modUpgrade::InstallUpgradeHandler();
    }
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        m_observer = RecordingObserver();
        modDatabase::SetObserver(&m_observer);
        modDatabase::SetPasswordHandler({});
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
        modDatabase::SetObserver(nullptr);
    }

    void newDatabaseIsOpenAndBecomesDefault()
    {
        const QString path = newDatabase();
        QVERIFY(!path.isEmpty() && modDatabase::IsDatabaseOpen());
        QCOMPARE((QStringList{m_observer.caption, m_observer.path, m_observer.writable ? "writable" : "read-only",
                              QString::number(m_observer.filled), m_observer.opened.join(", "),
                              TestSupport::readSetting("Default database")}),
                 (QStringList{"home.mdb - " + TestSupport::programTitle(), path, "writable", "1", path, path}));
        QCOMPARE(countRows("Person") + countRows("Phone") + countRows("Email"), 0);

        // A second database does not take the default over.
        const QString second = newDatabase("work.mdb");
        QCOMPARE((QStringList{TestSupport::readSetting("Default database"), m_observer.path}),
                 (QStringList{path, second}));
        // Opening the open file again reopens it.
        const int resets = m_observer.reset;
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(second)));
        QCOMPARE(m_observer.reset, resets + 1);
        QCOMPARE(m_observer.path, second);

        // Other SQLite tools read the file: the tables are plain SQLite tables, with the
        // program's own ones for the persons' UIDs and what the three tables have no column for.
        modDatabase::CloseDatabase(true);
        QString tables;
        Sqlite3(path, ".tables", &tables);
        QStringList names = tables.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        names.sort();
        QCOMPARE(names, QString("Email Person PersonDetail PersonGroup PersonUid Phone").split(' '));
    }

    void validation_data()
    {
        // contents: null when the statements make the file, "-" for no file at all, "no path" for
        // an empty path
        addColumns<QStringList, QByteArray, bool>("statements", "contents", "valid");
        const QStringList current = modDatabase::CreateTableStatements();
        const QString person = "CREATE TABLE Person (Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                               "Address MEMO%1)";
        auto with = [&](int index, const QString& statement) {
            QStringList statements = current;
            statements[index] = statement;
            return statements;
        };
        const QByteArray made; // by the statements
        addRow("current layout", current, made, true);
        addRow("old two-name layout", olderTables(true, false), made, true);
        addRow("person with 4 columns", with(0, person.arg("")), made, false);
        addRow("person with 7 columns", with(0, person.arg(", [Note] MEMO, Extra MEMO, More MEMO")), made, false);
        addRow("phone with 3 columns", with(1, "CREATE TABLE Phone (Contactnr SMALLINT, [Order] TINYINT, [Number])"),
               made, false);
        addRow("email with 5 columns", with(2, "CREATE TABLE Email (Contactnr, [Order], Email, Description, Extra)"),
               made, false);
        addRow("email table missing", current.mid(0, 2), made, false);
        addRow("no tables", QStringList{}, made, false);
        addRow("text file", QStringList(), QByteArray("Anna 0612345678\nBob 0201234567\n"), false);
        addRow("empty file", QStringList(), QByteArray(""), false);
        addRow("missing file", QStringList(), QByteArray("-"), false);
        addRow("no path", QStringList(), QByteArray("no path"), false);
        // Files that only look like protected ones at first sight get the plain answer.
        addRow("4096 zero bytes", QStringList(), QByteArray(4096, '\0'), false);
        addRow("1024 blanks", QStringList(), QByteArray(1024, ' '), false);
        addRow("text of whole kilobytes", QStringList(),
               QByteArray("Name;Phone\r\nAnna;0123\r\n").repeated(128).left(2048), false);
    }
    void validation()
    {
        auto [statements, contents, valid] = fetch<QStringList, QByteArray, bool>("statements", "contents", "valid");
        const QString path = contents == "no path" ? QString() : file("check.mdb");
        if (contents.isNull())
            makeFile(path, statements);
        else if (contents != "-" && !path.isEmpty())
            QVERIFY(TestSupport::writeFile(path, contents));
        const QByteArray before = TestSupport::readFile(path);
        const QString open = newDatabase();
        const int resets = m_observer.reset;
        if (!valid)
            m_platform->expectMessage();
        QCOMPARE(ShowOutcome(modDatabase::IsValidDatabase(path)), valid);
        if (!valid) {
            const auto message = m_platform->messages().first();
            QCOMPARE(message.title + '|' + message.text, "Error!|This is not a valid Addrion database:\n" + path);
            QCOMPARE(message.icon, Platform::Icon::Exclamation);
        }
        QCOMPARE(TestSupport::readFile(path), before);
        // Whatever the answer, the open database was closed first.
        QCOMPARE((QStringList{QString::number(m_observer.reset - resets), m_observer.caption,
                              modDatabase::DatabaseConnection().DataSource()}),
                 (QStringList{"1", TestSupport::programTitle(), open}));
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    // Without the program's dialogs a failing core operation shows nothing: what ends it
    // comes back as its outcome with the error's number and words, and what it goes on
    // from reaches the notice handler in the order it happened.
    void failuresComeBackWithoutDialogs_data()
    {
        // failure and each notice: "title|number|words"; a report's words are its first and
        // last lines; %1 is the file the operation was given, %2 the missing folder. failure ""
        // when none comes back.
        addColumns<QString, bool, QString, QStringList>("operation", "done", "failure", "notices");
        const QString notValid = "Error!|0|This is not a valid Addrion database:\n%1";
        const QString engineMissing = "The SQLite 3 database engine is missing or the database is not accessible!";
        addRow("validate a text file", "validate text", false, notValid, QStringList{});
        addRow("validate a missing file", "validate missing", false, notValid, QStringList{});
        addRow("validate a protected file, nobody to ask the password", "validate protected", false,
               QString("Error!|%1|%2 / JetError: %1 Not a valid password: the database '%3' is encrypted.")
                   .arg(Engine::PasswordProtectedError)
                   .arg(engineMissing, "%1"),
               QStringList{});
        addRow("validate a sound file", "validate sound", true, "", QStringList{});
        addRow("open a text file", "open text", false, "Error|26|Error 26: file is not a database: '%1'",
               QStringList{});
        addRow("open a file with a foreign trigger, nobody to ask", "open trigger", false, "", QStringList{});
        addRow("new database in a missing folder", "new missing", false,
               "Error!|14|" + engineMissing + " / JetError: 14 The folder '%2' does not exist.", QStringList{});
        addRow("stored default database gone", "default missing", false, "", QStringList{notValid});
        addRow("copy into a missing folder", "copy missing", false, "",
               QStringList{"Error|14|Error 14: unable to open database: %2/copy.mdb.part"});
        addRow("mail to what is no address", "mail", false, "Error|0|This is not a valid e-mail address:\n//bob",
               QStringList{});
        addRow("remove protection with a wrong password", "wrong password", false,
               QString("Error|%1|Error %1: Not a valid password.").arg(Engine::PasswordProtectedError), QStringList{});
    }
    void failuresComeBackWithoutDialogs()
    {
        auto [operation, done, failure, notices] =
            fetch<QString, bool, QString, QStringList>("operation", "done", "failure", "notices");
        const auto words = [](const Failure& told) {
            const QStringList lines = told.text.split('\n');
            const QString text = told.kind == Failure::Kind::Report ? lines.first() + " / " + lines.last() : told.text;
            return told.title + '|' + QString::number(told.number) + '|' + text;
        };
        QStringList heard;
        Failures::SetNoticeHandler([&](const Failure& told) { heard << words(told); });
        modDatabase::SetQuestionHandler({});
        auto restore = qScopeGuard([] { InstallFailureDialogs(); });

        const QString sound = newDatabase("sound.mdb");
        QString path = file("given.mdb");
        Outcome outcome;
        if (operation == "validate text") {
            QVERIFY(TestSupport::writeFile(path, "Anna 0612345678\n"));
            outcome = modDatabase::IsValidDatabase(path);
        } else if (operation == "validate missing") {
            outcome = modDatabase::IsValidDatabase(path);
        } else if (operation == "validate protected") {
            QVERIFY(EngineTest::makeProtectedFile(path, "secret", kContent));
            outcome = modDatabase::IsValidDatabase(path);
        } else if (operation == "validate sound") {
            path = sound;
            outcome = modDatabase::IsValidDatabase(path);
        } else if (operation == "open text") {
            QVERIFY(TestSupport::writeFile(path, "Anna 0612345678\n"));
            outcome = modDatabase::OpenDatabase(path);
        } else if (operation == "open trigger") {
            path = sound;
            modDatabase::CloseDatabase(false);
            Sqlite3(path, "CREATE TRIGGER Watch AFTER INSERT ON Person BEGIN SELECT 1; END;");
            outcome = modDatabase::OpenDatabase(path);
            QVERIFY(!modDatabase::IsDatabaseOpen());
            QString triggers;
            Sqlite3(path, "SELECT name FROM sqlite_master WHERE type = 'trigger' AND name = 'Watch';", &triggers);
            QCOMPARE(triggers, QString("Watch"));
        } else if (operation == "new missing") {
            path = file("no/such/folder/new.mdb");
            outcome = modDatabase::NewDatabase(path);
        } else if (operation == "default missing") {
            TestSupport::writeSetting("Default database", path);
            outcome = modDatabase::OpenDefaultDatabase();
            QCOMPARE(TestSupport::readSetting("Default database"), QString());
        } else if (operation == "copy missing") {
            outcome = modDatabase::CopyDatabase(file("no/such/folder/copy.mdb"));
            QCOMPARE(modDatabase::DatabaseConnection().DataSource(), sound);
            QVERIFY(modDatabase::IsDatabaseOpen());
        } else if (operation == "mail") {
            outcome = modEnvironment::OpenMailto("//bob");
        } else if (operation == "wrong password") {
            QVERIFY(EngineTest::makeProtectedFile(path, "secret", kContent));
            const modPassword::RemovalOutcome removal = modPassword::RemovePassword(path, "wrong");
            QCOMPARE(removal.removal, modPassword::Removal::Failed);
            if (removal.failure)
                outcome = *removal.failure;
        } else {
            QFAIL(qPrintable("no such operation: " + operation));
        }

        QCOMPARE(outcome.done(), done);
        const QString missingFolder = file("no/such/folder");
        QCOMPARE(outcome.failure() ? words(*outcome.failure()) : QString(),
                 failure.replace("%1", path).replace("%2", missingFolder));
        for (QString& notice : notices)
            notice.replace("%1", path).replace("%2", missingFolder);
        QCOMPARE(heard, notices);
        QCOMPARE(m_platform->calls().size(), 0);
    }

    void firstFreeNumber_data()
    {
        addColumns<QList<int>, int>("stored", "free");
        addRow("empty", QList<int>{}, 1);
        addRow("1 3", QList<int>{1, 3}, 2);
        addRow("1 2 3", QList<int>{1, 2, 3}, 4);
        addRow("2 3", QList<int>{2, 3}, 1);
        addRow("zero and negatives", QList<int>{-5, 0, 1, 2}, 3);
        addRow("only negatives", QList<int>{-2, -1}, 1);
        addRow("last free", QList<int>{1, 2, 32766}, 3);
        QList<int> taken(modSql::MaxContactnr - 1);
        std::iota(taken.begin(), taken.end(), 1);
        addRow("only the highest free", taken, 32767);
        addRow("all taken (0: none)", taken << modSql::MaxContactnr, 0);
    }
    void firstFreeNumber()
    {
        auto [stored, free] = fetch<QList<int>, int>("stored", "free");
        QCOMPARE(int(modSql::FirstFreeNumber(stored).value_or(0)), free);
    }

    void freeNumberOnTheFile()
    {
        QVERIFY(!newDatabase("full.mdb").isEmpty());
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(1));
        DatabaseFixture::addPersons(2, 1);
        DatabaseFixture::addPersons(modSql::MaxContactnr - 3, 4);
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::optional<qint16>(3));
        DatabaseFixture::addPersons(1, 3);
        QCOMPARE(modSql::GetFreeNumber("Person", "Contactnr"), std::nullopt);
    }

    void copyKeepsTheCurrentDatabaseOpen()
    {
        const QString path = newDatabase();
        DatabaseFixture::addPersons(3);
        const QStringList uids = UidRows();
        QCOMPARE(uids.size(), 3);
        const QString copy = file("home20261206.mdb");
        QVERIFY(TestSupport::writeFile(copy, "an older copy"));
        QVERIFY(ShowOutcome(modDatabase::CopyDatabase(copy)));
        QVERIFY(modDatabase::IsDatabaseOpen());
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
        QCOMPARE(m_observer.path, path);
        // The copy has the persons with their UIDs.
        QVERIFY(open(copy));
        QCOMPARE(UidRows(), uids);
        QVERIFY(!QFile::exists(copy + ".part"));

        // Nowhere to write a copy or a new file: the messages, and the database stays open.
        m_platform->expectMessage();
        QVERIFY(!ShowOutcome(modDatabase::CopyDatabase(file("no/such/folder/copy.mdb"))));
        m_platform->expectMessage(Platform::Answer::Cancel);
        QVERIFY(!ShowOutcome(modDatabase::NewDatabase(file("no/such/folder/new.mdb"))));
        QCOMPARE(m_platform->messages().size(), 2);
        QVERIFY(m_platform->messages().last().text.startsWith("The SQLite 3 database engine is missing"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), copy);
        QVERIFY(modDatabase::IsDatabaseOpen());
    }

    void closeCompactsTheFile()
    {
        const QString path = newDatabase();
        const QString note(400, 'n');
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        DatabaseFixture::addPersons(2000);
        modSql::ExecuteSql("UPDATE Person SET [Note] = '" + note + "'");
        transaction.Commit();
        modSql::ExecuteSql("DELETE FROM Person WHERE Contactnr > 10");
        const qint64 before = QFileInfo(path).size();
        modDatabase::CloseDatabase(true);
        const qint64 after = QFileInfo(path).size();
        QVERIFY2(after < before / 4, qPrintable(QString("%1 -> %2").arg(before).arg(after)));
        QVERIFY(!QFile::exists(path + "-journal"));
        QVERIFY(open(path));
        QCOMPARE(integrityCheck(modDatabase::DatabaseConnection()), QString("ok"));
        QCOMPARE(countSelected("SELECT * FROM Person WHERE [Note] = '" + note + "'"), 10);
    }

    void defaultDatabaseIsCreatedInDocuments()
    {
        const QString expected = modEnvironment::PersonalFolder() + "Addrion.mdb";
        QFile::remove(expected);
        ShowOutcome(modDatabase::OpenDefaultDatabase());
        QCOMPARE(
            (QStringList{modDatabase::DatabaseConnection().DataSource(), TestSupport::readSetting("Default database")}),
            (QStringList{expected, expected}));
        modDatabase::CloseDatabase(true);

        // With the setting cleared, the existing file is opened, not made anew.
        TestSupport::writeSetting("Default database", "");
        ShowOutcome(modDatabase::OpenDefaultDatabase());
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (1, 'Kept')");
        TestSupport::writeSetting("Default database", "");
        ShowOutcome(modDatabase::OpenDefaultDatabase());
        QCOMPARE(countSelected("SELECT * FROM Person"), 1);

        // A default that was deleted is forgotten.
        modDatabase::CloseDatabase(false);
        const QString gone = file("gone.mdb");
        TestSupport::writeSetting("Default database", gone);
        m_platform->expectMessage();
        ShowOutcome(modDatabase::OpenDefaultDatabase());
        QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + gone);
        QCOMPARE(TestSupport::readSetting("Default database"), QString());
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    void conversions_data()
    {
        addColumns<bool, bool, QString, bool, QStringList>("narrow", "old", "list", "uids", "names");
        const QStringList firstLast{"Fred Flint", "Solo", "Nulllast", "Firstonly", "Ann Lee"};
        const QStringList lastFirst{"Flint Fred", "Solo", "Nulllast", "Firstonly", "Lee Ann"};
        const QStringList current{"Person 1", "Person 2", "Person 3", "Person 4", "Person 5"};
        addRow("current layout", false, false, "", false, current);
        addRow("narrow", true, false, "", false, current);
        addRow("old, no list order", false, true, "", false, firstLast);
        addRow("old, surname first", false, true, "Last name First name", false, lastFirst);
        addRow("old, other list order", false, true, "First name Last name", false, firstLast);
        // The UIDs of an older file are converted around, and kept.
        addRow("narrow and old, with UIDs", true, true, "Last name First name", true, lastFirst);
    }
    void conversions()
    {
        auto [narrow, old, list, uids, names] =
            fetch<bool, bool, QString, bool, QStringList>("narrow", "old", "list", "uids", "names");
        const QString path = file("home.mdb");
        const QString backup = file("home_BeforeVersion140.mdb");
        MakeFile(path, narrow, old, 50, uids);
        if (!list.isEmpty())
            TestSupport::writeSetting("List", list);
        // A copy left by an earlier conversion is replaced.
        QVERIFY(TestSupport::writeFile(backup, "an older copy"));

        QVERIFY(open(path));
        Engine::Connection& connection = modDatabase::DatabaseConnection();
        QCOMPARE(QList<int>({connection.ColumnCount("Person"), connection.DefinedSize("Person", "Name")}) +
                     widths(connection),
                 QList<int>({5, 100}) + kWide);
        // Nothing else of a person is lost on the way.
        QStringList persons;
        for (int i = 0; i < 5; ++i)
            persons << QString("%1|1980-02-29|Street %2|note %2|555-%2|p%2@example.org").arg(names[i]).arg(i + 1);
        QCOMPARE(
            Column("SELECT Name || '|' || Dateofbirth || '|' || Address || '|' || [Note] || '|' || [Number] || '|' "
                   "|| Email FROM Person JOIN Phone USING (Contactnr) JOIN Email USING (Contactnr) ORDER BY Contactnr"),
            persons);
        // A file without UIDs gets one for every person the first time it is opened writable.
        const QStringList uidRows = UidRows();
        QCOMPARE(uidRows.size(), 5);
        if (uids)
            QCOMPARE(uidRows.first(), QString("1 kept-uid"));
        // The widened columns take what the current version writes.
        const QString long100(100, QLatin1Char('d'));
        modSql::ExecuteSql("UPDATE Phone SET Description = '" + long100 + "' WHERE Contactnr = 1");
        modSql::ExecuteSql("UPDATE Email SET Description = '" + long100 + "' WHERE Contactnr = 1");
        modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (9, '" + long100 + "')");

        if (old) {
            Engine::Connection copy;
            copy.Open(backup);
            QCOMPARE(firstColumn(copy, "SELECT Lastname FROM Person WHERE Contactnr = 1"), QStringList{"Flint"});
            // The copy is taken after the widening.
            QCOMPARE(QList<int>{copy.ColumnCount("Person")} + widths(copy), QList<int>{6} + kWide);
        } else {
            QCOMPARE(TestSupport::readFile(backup), QByteArray("an older copy"));
        }
        QVERIFY(QFile::remove(backup));

        // A second open, after compaction, finds nothing to convert, writes no backup and keeps the UIDs.
        modDatabase::CloseDatabase(true);
        QVERIFY(open(path));
        QCOMPARE(Column("SELECT Name FROM Person WHERE Contactnr < 9 ORDER BY Contactnr"), names);
        QCOMPARE(UidRows().mid(0, 5), uidRows);
        QVERIFY(!QFile::exists(backup));
    }

    // Names too long for the new column: the conversion fails as a whole.
    void failingConversionKeepsFileAndBackup()
    {
        const QString path = file("home.mdb");
        const QString backup = file("home_BeforeVersion140.mdb");
        MakeFile(path, true, true, 60);
        Sqlite3(path, "UPDATE Person SET Firstname = '" + QString(60, 'f') + "', Lastname = '" + QString(60, 'l') +
                          "' WHERE Contactnr = 2");
        QVERIFY(ShowOutcome(modDatabase::IsValidDatabase(path)));
        m_platform->expectMessage();
        QVERIFY(!ShowOutcome(modDatabase::OpenDatabase(path)));
        QVERIFY(!modDatabase::IsDatabaseOpen());
        const auto messages = m_platform->messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Error"));
        QVERIFY2(messages.first().text.startsWith("Error "), qPrintable(messages.first().text));

        Engine::Connection file;
        file.Open(path);
        QCOMPARE(firstColumn(file, "SELECT Firstname FROM Person WHERE Contactnr = 1"), QStringList{"Fred"});
        QCOMPARE(QList<int>{file.ColumnCount("Person")} + widths(file), QList<int>{6} + kWide);
        Engine::Connection copy;
        copy.Open(backup);
        QCOMPARE(firstColumn(copy, "SELECT Lastname FROM Person WHERE Contactnr = 2"), QStringList{QString(60, 'l')});
    }

    // A file that was not validated and lacks a table: the layout check is reported
    // and the file opens as it is.
    void unreadableLayoutIsReported()
    {
        const QString path = file("odd.mdb");
        makeFile(path, modDatabase::CreateTableStatements().mid(0, 1));
        m_platform->expectMessage(Platform::Answer::Cancel);
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
        QCOMPARE(m_platform->messages().size(), 1);
        QVERIFY(m_platform->messages().first().text.contains("JetError: "));
        QVERIFY(modDatabase::IsDatabaseOpen());
        QVERIFY(m_platform->callsOf("url").isEmpty());
    }

    void readOnlyFile_data()
    {
        addColumns<bool, bool>("narrow", "old");
        // A current or narrow file can be read as it is; one with the old name columns cannot.
        addRow("current", false, false);
        addRow("narrow", true, false);
        addRow("old names", true, true);
    }
    void readOnlyFile()
    {
        auto [narrow, old] = fetch<bool, bool>("narrow", "old");
        QDir().mkpath(file("readonly"));
        const QString path = file("readonly/home.mdb");
        MakeFile(path, narrow, old);
        const QByteArray before = TestSupport::readFile(path);
        {
            ReadOnlyFile readOnly(path);
            if (!readOnly.ok())
                QSKIP("this machine cannot make a read-only file");
            QVERIFY(ShowOutcome(modDatabase::IsValidDatabase(path)));
            m_platform->expectMessage();
            QCOMPARE(ShowOutcome(modDatabase::OpenDatabase(path)), !old);
            const auto message = m_platform->messages().last();
            if (old) {
                QVERIFY2(message.text.contains("read-only"), qPrintable(message.text));
                QVERIFY(!modDatabase::IsDatabaseOpen());
            } else {
                QCOMPARE(message.title + '|' + message.text, "Error|Addrion database " + path + " is read-only!");
                QCOMPARE((QList<int>{m_observer.writable, modDatabase::DatabaseConnection().Mode()}),
                         (QList<int>{false, Engine::ModeRead}));
                QCOMPARE(widths(modDatabase::DatabaseConnection()), narrow ? kNarrow : kWide);
                QVERIFY_THROWS_EXCEPTION(Engine::EngineError,
                                         modSql::ExecuteSql("INSERT INTO Person (Contactnr, Name) VALUES (9, 'x')"));
                // An import is refused with the same words, before its file is looked at.
                frmMain window{QString()};
                m_platform->expectMessage();
                ImportCommand::ImportFile(window, file("none.vcf"));
                QCOMPARE(m_platform->messages().last().text, message.text);
                // Its persons get UIDs derived from their numbers and the file's persons,
                // the same on every export.
                const QStringList uids = uidsOf(exportedVcards({1, 2, 5}));
                for (const QString& uid : uids)
                    QVERIFY2(IsUuid(uid, '5'), qPrintable(uid));
                QCOMPARE(QSet<QString>(uids.begin(), uids.end()).size(), 3);
                QCOMPARE(uidsOf(exportedVcards({1, 2, 5})), uids);
                QVERIFY(!modDatabase::DatabaseConnection().TableExists("PersonUid"));
            }
            modDatabase::CloseDatabase(true);
        }
        QCOMPARE(TestSupport::readFile(path), before);
        QVERIFY(!QFile::exists(file("readonly/home_BeforeVersion140.mdb")));
    }

    void uidMadeOnAddKeptOnEditGoneOnRemove()
    {
        QVERIFY(!newDatabase().isEmpty());
        const qint16 anna = AddPerson("Anna");
        const qint16 bob = AddPerson("Bob");
        const QStringList made = UidRows();
        QCOMPARE(made.size(), 2);
        for (const QString& row : made)
            QVERIFY2(IsUuid(row.section(' ', 1), '4'), qPrintable(row));
        QVERIFY(made[0].section(' ', 1) != made[1].section(' ', 1));
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ$").match(Revision(anna)).hasMatch());

        modSql::ExecuteSql("UPDATE PersonUid SET Revision = '2001-01-01T00:00:00Z'");
        modContact::SaveExistingPerson(
            anna, {"Anna Berg", "", "", "", {modContact::TypedEntry("0101", "Home")}, {}, {}, {}, {}, {}});
        QCOMPARE(UidRows(), made);
        QVERIFY(Revision(anna) > QString("2001-01-01T00:00:00Z"));
        QCOMPARE(Revision(bob), QString("2001-01-01T00:00:00Z"));

        // The program's removal: the row goes in the same transaction, nothing dangles.
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (const char* table : {"Phone", "Email", "Person"})
            modSql::ExecuteSql(QString("DELETE FROM %1 WHERE Contactnr = %2").arg(table).arg(anna));
        transaction.Commit();
        QCOMPARE(UidRows(), QStringList{made[1]});
        QVERIFY(modSql::OpenRecordset("PRAGMA foreign_key_check").Eof());
    }

    // What another tool writes straight into the file: the triggers keep the table in
    // step, and the next writable opening mends what they could not.
    void uidAfterOtherTools_data()
    {
        // uids: each number with a UID afterwards, and whose UID it has ("new" for a new one)
        addColumns<QString, QString>("script", "uids");
        addRow("insert", "INSERT INTO Person (Contactnr, Name) VALUES (7, 'Tool');", "1=1 2=2 7=new");
        addRow("insert without trigger",
               "DROP TRIGGER PersonUidAdd; INSERT INTO Person (Contactnr, Name) VALUES (7, 'Tool');", "1=1 2=2 7=new");
        addRow("delete without foreign keys", "DELETE FROM Person WHERE Contactnr = 1;", "2=2");
        addRow("delete without trigger", "DROP TRIGGER PersonUidRemove; DELETE FROM Person WHERE Contactnr = 1;",
               "2=2");
        addRow("renumber without foreign keys", "UPDATE Person SET Contactnr = 9 WHERE Contactnr = 1;", "2=2 9=1");
        addRow("table dropped", "DROP TABLE PersonUid;", "1=new 2=new");
    }
    void uidAfterOtherTools()
    {
        auto [script, uids] = fetch<QString, QString>("script", "uids");
        QVERIFY(!newDatabase().isEmpty());
        AddPerson("Anna");
        AddPerson("Bob");
        QHash<QString, QString> owner;
        for (const QString& row : UidRows())
            owner.insert(row.section(' ', 1), row.section(' ', 0, 0));
        modDatabase::CloseDatabase(false);
        Sqlite3(file("home.mdb"), script);
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(file("home.mdb"))));

        QStringList found;
        for (const QString& row : UidRows()) {
            QVERIFY2(IsUuid(row.section(' ', 1), '4'), qPrintable(row));
            found << row.section(' ', 0, 0) + "=" + owner.value(row.section(' ', 1), "new");
        }
        QCOMPARE(found.join(' '), uids);
        QCOMPARE(Column("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger'"), QStringList{"7"});
    }

    // Groups: kept in the person's order without repeats, counted, renamed and removed for
    // everybody, carried over a renumbering and gone with their person.
    void groupsOfPersons()
    {
        QVERIFY(!newDatabase().isEmpty());
        modContact::Contact anna{"Anna", "", "", "", {}, {}, {}, {}, {}, {}};
        anna.groups = modPersonDetail::ParseGroups(" Family ,friends,,  FAMILY, Chess   club ");
        QCOMPARE(anna.groups, (QStringList{"Family", "friends", "Chess club"}));
        const qint16 a = *modContact::SaveNewPerson(anna);
        modContact::Contact bob{"Bob", "", "", "", {}, {}, {}, {}, {}, {}};
        bob.groups = {"Friends", "Work"};
        const qint16 b = *modContact::SaveNewPerson(bob);
        const auto groupsOf = [](qint16 contactnr) {
            return modPersonDetail::Read(modDatabase::DatabaseConnection(), contactnr).groups;
        };
        const auto uses = [] {
            QStringList list;
            for (const modPersonDetail::GroupUse& use : modPersonDetail::Groups(modDatabase::DatabaseConnection()))
                list << use.name + "=" + QString::number(use.persons);
            return list;
        };
        QCOMPARE(groupsOf(a), (QStringList{"Family", "friends", "Chess club"}));
        // Group names are one group whatever their case, as they are for a person.
        QCOMPARE(uses().join(',').toLower(), QString("chess club=1,family=1,friends=2,work=1"));

        const auto run = [](const QStringList& statements) {
            for (const QString& statement : statements)
                modSql::ExecuteSql(statement);
        };
        // A rename onto a group the person is in already leaves one; a change of case alone is a rename.
        run(modPersonDetail::RenameGroupStatements("friends", "Friends"));
        QCOMPARE(groupsOf(a), (QStringList{"Family", "Friends", "Chess club"}));
        QCOMPARE(groupsOf(b), (QStringList{"Friends", "Work"}));
        run(modPersonDetail::RenameGroupStatements("Work", "Family"));
        QCOMPARE(groupsOf(b), (QStringList{"Friends", "Family"}));
        run(modPersonDetail::RenameGroupStatements("Family", "Chess club"));
        QCOMPARE(groupsOf(a), (QStringList{"Friends", "Chess club"}));
        QCOMPARE(uses(), (QStringList{"Chess club=2", "Friends=2"}));
        QCOMPARE(modPersonDetail::GroupMembers(modDatabase::DatabaseConnection(), "Friends"), (QSet<qint16>{a, b}));
        run(modPersonDetail::RemoveGroupStatements("Friends"));
        QCOMPARE(uses(), QStringList{"Chess club=2"});

        // Another tool renumbers and removes persons: the groups follow.
        modDatabase::CloseDatabase(false);
        Sqlite3(file("home.mdb"), QString("UPDATE Person SET Contactnr = 99 WHERE Contactnr = %1; "
                                          "DELETE FROM Person WHERE Contactnr = %2;")
                                      .arg(a)
                                      .arg(b));
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(file("home.mdb"))));
        QCOMPARE(Column("SELECT Contactnr || ' ' || Name FROM PersonGroup"), QStringList{"99 Chess club"});
    }

    // A file made before groups were kept: the groups its kept cards name become the
    // persons' groups when it is first opened writable, so that no write drops them.
    void groupsFromKeptCards()
    {
        QVERIFY(!newDatabase().isEmpty());
        const qint16 anna = AddPerson("Anna");
        const qint16 bob = AddPerson("Bob");
        for (const QString& statement :
             modPersonDetail::KeepCardStatements(anna, "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna\r\n"
                                                       "item1.CATEGORIES:Family,Chess\\, Go\r\n"
                                                       "categories;x-kind=\"a:b\":Fri\r\n ends\r\nEND:VCARD\r\n") +
                 modPersonDetail::KeepCardStatements(bob,
                                                     "BEGIN:VCARD\r\nFN:Bob\r\nNOTE:CATEGORIES:no\r\nEND:VCARD\r\n"))
            modSql::ExecuteSql(statement);
        modDatabase::CloseDatabase(false);
        Sqlite3(file("home.mdb"),
                "DROP TABLE PersonGroup; DROP TRIGGER PersonGroupChange; DROP TRIGGER PersonGroupRemove;");
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(file("home.mdb"))));
        QCOMPARE(modPersonDetail::Read(modDatabase::DatabaseConnection(), anna).groups,
                 (QStringList{"Family", "Chess, Go", "Friends"}));
        QVERIFY(modPersonDetail::Read(modDatabase::DatabaseConnection(), bob).groups.isEmpty());
        // Made once: a group removed here stays removed at the next opening.
        modSql::ExecuteSql("DELETE FROM PersonGroup");
        modDatabase::CloseDatabase(false);
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(file("home.mdb"))));
        QCOMPARE(Column("SELECT COUNT(*) FROM PersonGroup"), QStringList{"0"});
    }

    void okButtonAndEscape()
    {
        frmPassword window("/data/home.mdb");
        window.show();
        // The file is shown and the OK button waits for typing (PasswordAnswers), read-only and masked by stars.
        QCOMPARE((QList<int>{window.txtFile->isReadOnly(), window.txtPassword->echoMode(),
                             window.txtPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                                    window.txtPassword)}),
                 (QList<int>{true, QLineEdit::Password, '*'}));
        QTest::keyClick(window.txtPassword, Qt::Key_S);
        QVERIFY(window.cmdOK->isEnabled());
        QTest::keyClick(window.txtPassword, Qt::Key_Backspace);
        QVERIFY(!window.cmdOK->isEnabled());
        QTest::keyClicks(window.txtPassword, "pw");
        QTest::keyClick(window.txtPassword, Qt::Key_Escape);
        QVERIFY(!window.isVisible() && window.DatabasePassword().isEmpty());
    }

    void protectedFile_data()
    {
        // inTempFolder: the file lies where its unprotected copy is written
        addColumns<QString, bool, QStringList, bool, int>("password", "inTempFolder", "answers", "valid",
                                                          "wrongMessages");
        QTest::newRow("apostrophe and blanks")
            << "it's a  secret" << false << QStringList{"it's a  secret"} << true << 0;
        QTest::newRow("file in the TEMP folder") << "secret" << true << QStringList{"secret"} << true << 0;
        QTest::newRow("cancel") << "secret" << false << QStringList{""} << false << 0;
        QTest::newRow("wrong, then cancel") << "secret" << false << QStringList{"wrong", ""} << false << 1;
        QTest::newRow("wrong, then right") << "secret" << false << QStringList{"wrong", "secret"} << true << 1;
    }
    void protectedFile()
    {
        InstallPasswordHandler();
        auto [password, inTempFolder, answers, valid, wrongMessages] = fetch<QString, bool, QStringList, bool, int>(
            "password", "inTempFolder", "answers", "valid", "wrongMessages");
        const QString path =
            inTempFolder ? modEnvironment::TempFolder() + "protected-home.mdb" : file("protected-home.mdb");
        QFile::remove(path);
        // A file in the TEMP folder would be taken for a copy left behind by the next row.
        const auto removeFromTemp =
            qScopeGuard([path, temp = inTempFolder] { QFile::remove(temp ? path : QString()); });
        QVERIFY(EngineTest::makeProtectedFile(path, password, kContent));
        const QByteArray protectedBytes = TestSupport::readFile(path);
        const int logLines = CountLogLines("Error removing password: ");
        for (int i = 0; i < wrongMessages; ++i)
            m_platform->expectMessage();

        PasswordAnswers answering(answers);
        QCOMPARE(ShowOutcome(modDatabase::IsValidDatabase(path)), valid);
        QCOMPARE(answering.asked, answers.size());
        QVERIFY(answering.okDisabledUntilTyped);
        QCOMPARE(answering.files.first(), path);

        QCOMPARE(m_platform->messages().size(), wrongMessages);
        QCOMPARE(CountLogLines("Error removing password: "), logLines + wrongMessages);
        if (wrongMessages) {
            const auto message = m_platform->messages().first();
            QCOMPARE(message.icon, Platform::Icon::Exclamation);
            QCOMPARE(message.title + '|' + message.text,
                     "Error|Error " + QString::number(Engine::PasswordProtectedError) + ": Not a valid password.");
        }
        // No unprotected copy stays behind in the TEMP folder.
        QVERIFY(!QFile::exists(modEnvironment::TempFolder() + "protected-home.mdb") || inTempFolder);
        QVERIFY(!QFile::exists(modEnvironment::TempFolder() + "Unprotected_protected-home.mdb"));

        if (!valid) {
            QCOMPARE(TestSupport::readFile(path), protectedBytes);
            QVERIFY(!modDatabase::IsDatabaseOpen());
            return;
        }
        // From now on the file opens without a question, with everything in it.
        QVERIFY(!Engine::IsEncryptedDatabaseFile(path));
        PasswordAnswers none({});
        QVERIFY(ShowOutcome(modDatabase::IsValidDatabase(path)));
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
        QCOMPARE(Column("SELECT Name FROM Person ORDER BY Contactnr"), (QStringList{"Anna Secret", "Bob Hidden"}));
        QCOMPARE(countRows("Phone"), 1);
        QCOMPARE(none.asked, 0);
    }

    // Without a password procedure, or without the cipher program it needs, a protected file
    // is reported once and left as it is; no password is asked for, since none could be used.
    void protectedFileThatCannotBeOpened_data() { addTwoRows("cipherMissing", "no password procedure", "no cipher"); }
    void protectedFileThatCannotBeOpened()
    {
        QFETCH(bool, cipherMissing);
        const QString path = file("protected.mdb");
        QVERIFY(EngineTest::makeProtectedFile(path, "secret", kContent));
        const QByteArray protectedBytes = TestSupport::readFile(path);
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir emptyFolder;
        if (cipherMissing) {
            InstallPasswordHandler();
            qputenv("PATH", emptyFolder.path().toUtf8());
        }
        m_platform->expectMessage(Platform::Answer::Cancel);
        PasswordAnswers answering({"secret"});
        const bool valid = ShowOutcome(modDatabase::IsValidDatabase(path));
        qputenv("PATH", savedPath);
        QVERIFY(!valid);
        QCOMPARE(answering.asked, 0);
        QCOMPARE(m_platform->messages().size(), 1);
        const QString text = m_platform->messages().first().text;
        QVERIFY2(text.startsWith(cipherMissing ? "The sqlcipher program (Debian package sqlcipher) is missing!"
                                               : "The SQLite 3 database engine is missing"),
                 qPrintable(text));
        QVERIFY(text.contains(cipherMissing ? "MdacError: "
                                            : "JetError: " + QString::number(Engine::PasswordProtectedError)));
        QCOMPARE(TestSupport::readFile(path), protectedBytes);
    }

    // The caption of a recent database, and the name of the copy kept before an upgrade.
    void pathTexts_data()
    {
        addColumns<QString, QString, QString>("function", "path", "text");
        addRow("caption, documents", "caption", "/home/me/Documents/home.mdb", "/home/.../Documents/home.mdb");
        addRow("caption, drive form", "caption", "C:/Users/me/Documents/home.mdb", "C:/.../Documents/home.mdb");
        addRow("caption, deep", "caption", "/srv/x/y/z/Addrion/home.mdb", "/srv/.../Addrion/home.mdb");
        addRow("caption, one-letter first folder", "caption", "/a/b/c/d.mdb", "/a/.../c/d.mdb");
        addRow("caption, relative", "caption", "data/sub/x/home.mdb", "data/.../x/home.mdb");
        addRow("caption, two folders whole", "caption", "/home/me/home.mdb", "/home/me/home.mdb");
        addRow("caption, one folder whole", "caption", "/home/home.mdb", "/home/home.mdb");
        addRow("caption, drive and file whole", "caption", "C:/home.mdb", "C:/home.mdb");
        addRow("caption, root file whole", "caption", "/home.mdb", "/home.mdb");
        addRow("caption, file name whole", "caption", "home.mdb", "home.mdb");
        addRow("backup, extension", "backup", "/data/home.mdb", "/data/home_BeforeVersion140.mdb");
        addRow("backup, two dots", "backup", "/data/a.b.mdb", "/data/a.b_BeforeVersion140.mdb");
        addRow("backup, dotted folder, no extension", "backup", "/data/my.folder/home",
               "/data/my.folder/home_BeforeVersion140.mdb");
        addRow("backup, bare name", "backup", "home.mdb", "home_BeforeVersion140.mdb");
    }
    void pathTexts()
    {
        auto [function, path, text] = fetch<QString, QString, QString>("function", "path", "text");
        QCOMPARE(function == "backup" ? modUpgrade::BackupPath(path) : modRecent::ShortenPath(path), text);
    }

    // The copy kept before an upgrade is checked before anything is changed: a copy that
    // is no database, or holds another number of persons, is no copy.
    void copiesAreChecked_data()
    {
        // source: "three persons", "not a database" or "missing"; said: the start of the error,
        // the files named by their full paths
        addColumns<QString, QString, int, QString>("call", "source", "persons", "said");
        addRow("a true copy", "check", "three persons", 3, "");
        addRow("a person short", "check", "three persons", 4, "The copy 'copy.mdb' holds 3 persons instead of 4.");
        addRow("no database", "check", "not a database", 3, "The copy 'copy.mdb' cannot be read: ");
        addRow("saved and checked", "save", "three persons", 3, "");
        addRow("nothing to save", "save", "missing", 0, "Could not find the file 'original.mdb'.");
    }
    void copiesAreChecked()
    {
        auto [call, source, persons, said] = fetch<QString, QString, int, QString>("call", "source", "persons", "said");
        const QString original = file("original.mdb");
        if (source == "three persons") {
            newDatabase("original.mdb");
            DatabaseFixture::addPersons(3);
            modDatabase::CloseDatabase(false);
        } else if (source == "not a database") {
            QVERIFY(writeFile(original, QByteArray(8192, 'x')));
        }
        const QString copy = file("copy.mdb");
        QString error;
        if (call == "check") {
            if (source != "missing")
                QVERIFY(QFile::copy(original, copy));
            error = modUpgrade::CheckDatabaseCopy(copy, persons);
        } else {
            QCOMPARE(modUpgrade::SaveCopy(original, copy, &error), said.isEmpty());
            QCOMPARE(QFile::exists(copy), said.isEmpty());
            if (said.isEmpty())
                QCOMPARE(modUpgrade::CountPersons(copy), persons);
        }
        said.replace("'copy.mdb'", "'" + copy + "'").replace("'original.mdb'", "'" + original + "'");
        QVERIFY2(said.isEmpty() ? error.isEmpty() : error.startsWith(said), qPrintable(error));
    }

    void recentList_data()
    {
        // change: the path added, or "-n" for the entry n removed
        addColumns<QStringList, QString, QStringList>("before", "change", "after");
        const QStringList full{"/a.mdb", "/b.mdb", "/c.mdb"};
        addRow("first ever", QStringList{"", "", ""}, "/a.mdb", QStringList{"/a.mdb", "", ""});
        addRow("into a free place", QStringList{"/a.mdb", "", ""}, "/b.mdb", QStringList{"/b.mdb", "/a.mdb", ""});
        addRow("new pushes the oldest out", full, "/d.mdb", QStringList{"/d.mdb", "/a.mdb", "/b.mdb"});
        addRow("first again", full, "/a.mdb", full);
        addRow("second swaps", full, "/b.mdb", QStringList{"/b.mdb", "/a.mdb", "/c.mdb"});
        addRow("third moves up", full, "/c.mdb", QStringList{"/c.mdb", "/a.mdb", "/b.mdb"});
        addRow("comparison is exact", QStringList{"/x/a.mdb", "/b.mdb", ""}, "/x/A.mdb",
               QStringList{"/x/A.mdb", "/x/a.mdb", "/b.mdb"});
        // The next start may be made from another folder.
        addRow("relative path stored absolute", QStringList{"/a.mdb", "", ""}, "sub/../rel.mdb",
               QStringList{QDir::currentPath() + "/rel.mdb", "/a.mdb", ""});
        addRow("first removed", full, "-0", QStringList{"/b.mdb", "/c.mdb", ""});
        addRow("second removed", full, "-1", QStringList{"/a.mdb", "/c.mdb", ""});
        addRow("third removed", full, "-2", QStringList{"/a.mdb", "/b.mdb", ""});
    }
    void recentList()
    {
        auto [before, change, after] = fetch<QStringList, QString, QStringList>("before", "change", "after");
        StoreRecent(before);
        if (change.startsWith('-'))
            modRecent::RemoveRecent(change.mid(1).toInt());
        else
            modRecent::AddRecent(change);
        QCOMPARE(modRecent::RecentDatabases(), after);
        QCOMPARE(TestSupport::readSetting("Recent 1"), after.at(0));
    }

    void recentMenu()
    {
        // Deep enough to be shortened, and one file beside the folder of the others.
        const QStringList paths{makeDatabase("a/b/c/one.mdb"), makeDatabase("a/b/c/two.mdb"),
                                makeDatabase("a/b/c/three.mdb"), makeDatabase("a/four.mdb")};
        QVERIFY(!paths.contains(QString()));
        StoreRecent({"/srv/x/y/work.mdb", "/srv/x/y/z/R&D.mdb", ""});
        startWindow(paths[0]);
        // The database opened at start joins the top; an & in a name stays one.
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[0], "/srv/x/y/work.mdb", "/srv/x/y/z/R&D.mdb"}));
        QCOMPARE(menuCaptions().mid(1), (QStringList{"/srv/.../y/work.mdb", "/srv/.../z/R&&D.mdb"}));

        TestSupport::clearSettings();
        StoreRecent({});
        control<QAction>(m_window.get(), "mnuFileClose")->trigger();
        for (const QString& path : paths)
            openThroughMenu(path);

        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[3], paths[2], paths[1]}));
        const QString folder = m_dir->path();
        const QString head = folder.left(folder.indexOf('/', 2) + 1) + "...";
        QCOMPARE(menuCaptions(), (QStringList{head + "/a/four.mdb", head + "/c/three.mdb", head + "/c/two.mdb"}));
        QVERIFY(control<QAction>(m_window.get(), "mnuLine")->isVisible());

        // The second entry opens its file and swaps places with the first.
        controls<QAction>(m_window.get(), "mnuFileRecent").at(1)->trigger();
        QCOMPARE(m_window->windowTitle(), "three.mdb - " + TestSupport::programTitle());
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[2], paths[3], paths[1]}));
        QCOMPARE(menuCaptions().first(), head + "/c/three.mdb");

        // A deleted file: the message, the entry leaves, the validation closed the database.
        QVERIFY(QFile::remove(paths[3]));
        m_platform->expectMessage();
        controls<QAction>(m_window.get(), "mnuFileRecent").at(1)->trigger();
        QCOMPARE(m_platform->messages().last().text, "This is not a valid Addrion database:\n" + paths[3]);
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[2], paths[1], ""}));
        QCOMPARE(menuCaptions(), (QStringList{head + "/c/three.mdb", head + "/c/two.mdb"}));
        QCOMPARE(m_window->windowTitle(), TestSupport::programTitle());

        // Emptied one by one, the menu loses its separator too.
        for (const QString& path : {paths[2], paths[1]}) {
            QVERIFY(QFile::remove(path));
            m_platform->expectMessage();
            controls<QAction>(m_window.get(), "mnuFileRecent").at(0)->trigger();
        }
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{"", "", ""}));
        QVERIFY(menuCaptions().isEmpty() && !control<QAction>(m_window.get(), "mnuLine")->isVisible());
    }

    void defaultDatabaseWindow_data()
    {
        // typed: what replaces the text, "MISSING" a file that is not there, "BROWSE" the
        // file work.mdb chosen by browsing, "BROWSE-CANCEL" browsing cancelled.
        // stored: "HOME" and "WORK" are the files of those names.
        addColumns<QString, bool, QString, QString>("typed", "pressOK", "stored", "title");
        addRow("cleared and OK", "", true, "", "home.mdb - " + TestSupport::programTitle());
        addRow("missing file", "MISSING", true, "HOME", TestSupport::programTitle());
        addRow("cancel", "MISSING", false, "HOME", "home.mdb - " + TestSupport::programTitle());
        addRow("browse cancelled, OK", "BROWSE-CANCEL", true, "HOME", "home.mdb - " + TestSupport::programTitle());
        addRow("browse", "BROWSE", true, "WORK", "work.mdb - " + TestSupport::programTitle());
    }
    void defaultDatabaseWindow()
    {
        auto [typed, pressOK, stored, title] =
            fetch<QString, bool, QString, QString>("typed", "pressOK", "stored", "title");
        const QString home = makeDatabase("home.mdb");
        const QString work = makeDatabase("folder/work.mdb");
        const QString missing = file("gone/missing.mdb");
        const auto resolve = [&](const QString& text) {
            return text == "HOME"                       ? home
                   : text == "WORK" || text == "BROWSE" ? work
                   : text == "MISSING"                  ? missing
                                                        : text;
        };
        startWindow(home);
        const bool browse = typed.startsWith("BROWSE");
        if (browse)
            m_platform->expectOpenFileName(typed == "BROWSE" ? work : QString());
        const bool notValid = typed == "MISSING" && pressOK;
        if (notValid)
            m_platform->expectMessage();
        bool leftOpen = false;
        auto ran = TestSupport::onModal<frmOptionsDefaultdatabase>([&](frmOptionsDefaultdatabase* window) {
            QCOMPARE(window->txtDatabase->text(), home);
            if (browse) {
                QTest::mouseClick(window->cmdOpen, Qt::LeftButton);
            } else {
                window->txtDatabase->selectAll();
                QTest::keyClick(window->txtDatabase, Qt::Key_Delete);
                QTest::keyClicks(window->txtDatabase, resolve(typed));
            }
            QCOMPARE(window->txtDatabase->text(), typed == "BROWSE-CANCEL" ? home : resolve(typed));
            QTest::mouseClick(pressOK ? window->cmdOK : window->cmdCancel, Qt::LeftButton);
            leftOpen = window->isVisible();
            if (leftOpen)
                window->cmdCancel->click();
        });
        control<QAction>(m_window.get(), "mnuOptionsDefaultdatabase")->trigger();
        QVERIFY(*ran);
        QCOMPARE(leftOpen, notValid);
        QCOMPARE(m_platform->messages().size(), notValid ? 1 : 0);
        if (notValid)
            QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + missing);
        for (const ScriptedPlatform::Call& dialog : m_platform->callsOf("open"))
            QCOMPARE(dialog.title + '|' + dialog.text, QString("Open|Addrion database (*.mdb)|*.mdb"));
        QCOMPARE(m_platform->callsOf("open").size(), browse ? 1 : 0);
        if (typed == "BROWSE")
            QCOMPARE(
                (QStringList{TestSupport::readSetting("Database directory"), modRecent::RecentDatabases().first()}),
                (QStringList{QFileInfo(work).absolutePath() + "/", work}));
        QCOMPARE(TestSupport::readSetting("Default database"), resolve(stored));
        QCOMPARE(m_window->windowTitle(), title);
        QCOMPARE(modDatabase::IsDatabaseOpen(), title != TestSupport::programTitle());
    }
};

ADDRION_TEST_MAIN(TestModDatabase)
#include "tst_moddatabase.moc"
