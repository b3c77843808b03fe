// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "mainwindow/frmMain.h"
#include "startup/CommandLine.h"
#include "startup/Platform.h"
#include "startup/QtPlatform.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QTimer>

#include <unistd.h>

using CommandLine::Kind;
using namespace TestSupport;
using namespace modEnvironment;
Q_DECLARE_METATYPE(CommandLine::Kind)
Q_DECLARE_METATYPE(CommandLine::Option)

// A start of the program and what it needs: command line, settings, the user's folders, log and error
// reports; the main window's loading and closing, and the real program started as a session would.
class TestEnvironment : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString defaultDatabase() const { return PersonalFolder() + "Addrion.mdb"; }

    QStringList logLines() const
    {
        return QString::fromUtf8(TestSupport::readFile(modError::LogFilePath())).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() { SetProgramFolder(m_programFolder.path()); }
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(modError::LogFilePath());
        QFile::remove(defaultDatabase());
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    void commandLine_data()
    {
        addColumns<QStringList, QString, Kind, QString>("arguments", "commandLine", "kind", "personKey");
        // The arguments are joined by one blank and trimmed.
        addRow("none", QStringList{}, "", Kind::Default, "");
        addRow("empty arguments", QStringList{"", ""}, "", Kind::Default, "");
        addRow("blanks only", QStringList{"   "}, "", Kind::Default, "");
        addRow("reminder", QStringList{"/Reminder"}, "/Reminder", Kind::Reminder, "");
        addRow("reminder with blanks", QStringList{"  /Reminder  "}, "/Reminder", Kind::Reminder, "");
        addRow("reminder lower case is a path", QStringList{"/reminder"}, "/reminder", Kind::DatabasePath, "");
        addRow("reminder with more is a path", QStringList{"/Reminder", "x"}, "/Reminder x", Kind::DatabasePath, "");
        addRow("person", QStringList{"/Person  7"}, "/Person  7", Kind::Person, "Person  7");
        addRow("person in two arguments", QStringList{" /Person", "12 "}, "/Person 12", Kind::Person, "Person 12");
        addRow("personx", QStringList{"/Personx"}, "/Personx", Kind::Person, "Personx");
        addRow("person lower case is a path", QStringList{"/person  7"}, "/person  7", Kind::DatabasePath, "");
        addRow("path in two arguments", QStringList{"/home/me/My", "Contacts.mdb"}, "/home/me/My Contacts.mdb",
               Kind::DatabasePath, "");
        addRow("quoted path kept", QStringList{"\"/home/me/home.mdb\""}, "\"/home/me/home.mdb\"", Kind::DatabasePath,
               "");
        addRow("help", QStringList{"--help"}, "--help", Kind::Help, "");
        addRow("version", QStringList{" --version "}, "--version", Kind::Version, "");
        addRow("new person", QStringList{"--new-person"}, "--new-person", Kind::NewPerson, "");
        addRow("card file", QStringList{"/home/me/Anna Berg.vcf"}, "/home/me/Anna Berg.vcf", Kind::CardFile, "");
        addRow("card file upper case", QStringList{"CONTACTS.VCF"}, "CONTACTS.VCF", Kind::CardFile, "");
        addRow("vcf inside a name is a path", QStringList{"/home/me/old.vcf.mdb"}, "/home/me/old.vcf.mdb",
               Kind::DatabasePath, "");
    }
    void commandLine()
    {
        auto [arguments, commandLine, kind, personKey] =
            fetch<QStringList, QString, Kind, QString>("arguments", "commandLine", "kind", "personKey");
        QCOMPARE(CommandLine::FromArguments(arguments), commandLine);
        QCOMPARE(CommandLine::Classify(arguments.join(' ')), kind);
        if (kind == Kind::Person)
            QCOMPARE(CommandLine::PersonKey(arguments.join(' ')), personKey);
    }

    void paths_data()
    {
        addColumns<QString, QString, QString, QString>("path", "fileName", "withoutExtension", "folder");
        addRow("full path", "/home/me/Documents/home.mdb", "home.mdb", "/home/me/Documents/home",
               "/home/me/Documents/");
        addRow("no folder", "home.mdb", "home.mdb", "home", "");
        addRow("two dots", "/d/my.home.mdb", "my.home.mdb", "/d/my.home", "/d/");
        addRow("dot in folder", "/d.x/home", "home", "/d", "/d.x/");
        addRow("no dot", "/d/home", "home", "/d/home", "/d/");
        addRow("folder only", "/d/", "", "/d/", "/d/");
        addRow("root file", "/home.mdb", "home.mdb", "/home", "/");
    }
    void paths()
    {
        auto [path, fileName, withoutExtension, folder] =
            fetch<QString, QString, QString, QString>("path", "fileName", "withoutExtension", "folder");
        QCOMPARE(FileNameOf(path), fileName);
        QCOMPARE(StripExtension(path), withoutExtension);
        QCOMPARE(FolderOf(path), folder);
    }

    // Where an executable finds its resources, and whether it runs as an installed program.
    void programFolderOfAnExecutable_data()
    {
        addColumns<QStringList, QString, bool>("folders", "programFolder", "installed");
        addRow("build tree", QStringList{"bin/Language"}, "bin/", false);
        addRow("installed", QStringList{"bin", "share/addrion/Language"}, "share/addrion/", true);
        addRow("build tree inside a prefix", QStringList{"bin/Language", "share/addrion"}, "bin/", false);
        addRow("neither", QStringList{"bin"}, "bin/", false);
    }
    void programFolderOfAnExecutable()
    {
        auto [folders, programFolder, installed] =
            fetch<QStringList, QString, bool>("folders", "programFolder", "installed");
        QTemporaryDir prefix;
        for (const QString& folder : folders)
            QVERIFY(QDir(prefix.path()).mkpath(folder));
        const QString executableFolder = prefix.filePath("bin");
        QCOMPARE(ProgramFolderOf(executableFolder), prefix.filePath(programFolder));
        QCOMPARE(IsInstalledLayout(executableFolder), installed);
    }

    void textInBrackets_data()
    {
        addColumns<QString, QString, QString>("display", "head", "inner");
        addRow("description", "0612345678 (mobile)", "0612345678", "mobile");
        addRow("brackets inside", "a@b.c (work (old))", "a@b.c", "work (old)");
        addRow("no description", "0612345678", "0612345678", "");
        addRow("shorter", "061", "0612345678", "");
        addRow("empty description", "x ()", "x", "");
    }
    void textInBrackets()
    {
        auto [display, head, inner] = fetch<QString, QString, QString>("display", "head", "inner");
        QCOMPARE(TextInBrackets(display, head), inner);
    }

    void localeAbbreviations_data()
    {
        addColumns<QString, QString, int>("locale", "abbreviation", "localeId");
        addRow("German", "de_DE", "DEU", 0x0407);
        addRow("Austrian German", "de_AT", "DEA", 0x0C07);
        addRow("Brazilian", "pt_BR", "PTB", 0x0416);
        addRow("Portuguese", "pt_PT", "PTG", 0x0816);
        addRow("Taiwan", "zh_TW", "CHT", 0x0404);
        addRow("Indonesian", "id_ID", "BAH", 0x0421);
        addRow("Bokmal", "nb_NO", "NOR", 0x0414);
        addRow("Serbian", "sr_RS", "SHQ", 0x0C1A);
        addRow("Basque", "eu_ES", "EUQ", 0x042D);
        addRow("C locale", "C", "", 0x0409);
    }
    void localeAbbreviations()
    {
        auto [locale, abbreviation, localeId] = fetch<QString, QString, int>("locale", "abbreviation", "localeId");
        QCOMPARE(LanguageAbbreviationOf(QLocale(locale)), abbreviation);
        QCOMPARE(LocaleIdOf(QLocale(locale)), localeId);
    }

    void textRules_data()
    {
        addColumns<QString, QString, QString>("rule", "text", "result");
        addRow("slash added", "slash", "/data", "/data/");
        addRow("slash for nothing", "slash", "", "/");
        addRow("slash kept", "slash", "/x/", "/x/");
        addRow("digits of a number", "digits", "+31 (0)20 / 555-12 34", "310205551234");
        addRow("other scripts' digits dropped", "digits", "abc ١٢3", "3");
    }
    void textRules()
    {
        auto [rule, text, result] = fetch<QString, QString, QString>("rule", "text", "result");
        QCOMPARE(rule == "slash" ? WithTrailingSlash(text) : DigitsOnly(text), result);
    }

    void foldersAndFiles()
    {
        QVERIFY(!UserName().isEmpty() && UserName() != "Unknown");
        const QString personal = PersonalFolder();
        QCOMPARE(personal, TestSupport::environment().home() + "/Documents/");
        QCOMPARE(TempFolder(), TestSupport::environment().temp() + "/");

        QCOMPARE(DatabaseDirectory(), personal);
        QCOMPARE(ExportDirectory(), personal);
        SaveDatabaseDirectory("/data/contacts/home.mdb");
        SaveExportDirectory("/data/out/list.htm");
        QCOMPARE(DatabaseDirectory(), QString("/data/contacts/"));
        QCOMPARE(ExportDirectory(), QString("/data/out/"));
        QCOMPARE(readSetting("Database directory"), QString("/data/contacts/"));

        QTemporaryDir dir;
        const QString hidden = dir.filePath(".hidden.mdb");
        QVERIFY(!FileExists(hidden));
        QVERIFY(TestSupport::writeFile(hidden, "x"));
        QVERIFY(FileExists(hidden));
        for (const QString& noFile : {QString(), dir.path(), dir.path() + "/", dir.filePath("missing.mdb")})
            QVERIFY2(!FileExists(noFile), qPrintable(noFile));
    }

    // Without TEMP: this user's own folder, closed to others; a name someone else took (a link) is never used.
    void privateTempFolder()
    {
        const QByteArray savedTemp = qgetenv("TEMP");
        const QByteArray savedTmpdir = qgetenv("TMPDIR");
        QTemporaryDir shared;
        qunsetenv("TEMP");
        qputenv("TMPDIR", shared.path().toUtf8());

        const QString expected = shared.path() + "/addrion-" + QString::number(geteuid()) + "/";
        QCOMPARE(TempFolder(), expected);
        const int ownerOnly = 0x7700; // read, write and enter for this user, nothing for others
        QCOMPARE(int(QFileInfo(expected).permissions()), ownerOnly);

        QVERIFY(QDir(expected).removeRecursively());
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), shared.path() + "/addrion-" + QString::number(geteuid())));
        const QString fallback = TempFolder();
        QVERIFY2(fallback != expected, qPrintable(fallback));
        QVERIFY(QFileInfo(fallback).isDir());
        QCOMPARE(int(QFileInfo(fallback).permissions()), ownerOnly); // whatever the umask says
        // That one taken too: a folder of this run, never the link.
        QVERIFY(QDir(fallback).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), fallback.chopped(1)));
        const QString ofThisRun = TempFolder();
        QVERIFY2(ofThisRun.startsWith(shared.path() + "/addrion-") && ofThisRun != expected, qPrintable(ofThisRun));
        QVERIFY(!QFileInfo(ofThisRun.chopped(1)).isSymLink());
        QCOMPARE(int(QFileInfo(ofThisRun).permissions()), ownerOnly);
        QVERIFY(QDir(ofThisRun).removeRecursively());

        qputenv("TEMP", savedTemp);
        if (savedTmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmpdir);
    }

    // Copies hold personal data: only their owner may read them, whatever the original allowed.
    void copiesArePrivate()
    {
        QVERIFY(TestSupport::writeFile(m_dir->filePath("page.htm"), "Anna"));
        QString error;
        QVERIFY2(modSafeFile::CopyFile(m_dir->filePath("page.htm"), m_dir->filePath("copy.htm"), &error),
                 qPrintable(error));
        QCOMPARE(int(QFileInfo(m_dir->filePath("copy.htm")).permissions() & 0x7077),
                 int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    void platformCalls()
    {
        m_platform->setPrinterCount(3);
        QCOMPARE(CountPrinters(), 3);
        for (const char* target : {"https://example.org/a?b=c", "mailto:anna@example.org", "/tmp/a b.htm"})
            OpenWithShell(target);
        QStringList urls;
        for (const auto& call : m_platform->callsOf("url"))
            urls << call.text;
        QCOMPARE(urls, (QStringList{"https://example.org/a?b=c", "mailto:anna@example.org", "file:///tmp/a b.htm"}));
    }

    void settingsStore()
    {
        QCOMPARE(modSettings::StoreFile(), TestSupport::settingsFile());
        QVERIFY(!modSettings::StoreExists());
        QCOMPARE(readSetting("Default database"), QString());
        writeSetting("Recent 1", "  /home/me/a b.mdb  ");
        writeSetting("Recent 2", " Norwegian (Bokmål) ");
        writeSetting("Recent 3", "   ");
        QVERIFY(modSettings::StoreExists());
        QCOMPARE(QStringList({readSetting("Recent 1"), readSetting("Recent 2"), readSetting("Recent 3")}),
                 QStringList({"/home/me/a b.mdb", "Norwegian (Bokmål)", ""}));
        QCOMPARE(readSetting("Default database"), QString());
        TestSupport::removeSetting("Recent 1");
        TestSupport::removeSetting("Labels Font"); // never written
        QCOMPARE(readSetting("Recent 1"), QString());
        QCOMPARE(readSetting("Recent 2"), QString("Norwegian (Bokmål)"));

        // Another process sees each write at once, and this one the other's: both go through the file.
        writeSetting("Default database", "/data/home.mdb");
        {
            QSettings other(TestSupport::settingsFile(), QSettings::IniFormat);
            QCOMPARE(other.value("Default database").toString(), QString("/data/home.mdb"));
            other.setValue("Default database", "/data/a, b; c.mdb");
            other.sync();
        }
        QCOMPARE(readSetting("Default database"), QString("/data/a, b; c.mdb"));
    }

    void legacyFileIsTakenOverOnce_data()
    {
        addColumns<QByteArray, QString, QString, QString>("contents", "language", "checkVersion", "database");
        addRow("espanol", QByteArray("[Settings]\nLanguage=español\nCheck version=Yes\n"), "Español", "1", "");
        addRow("other keys dropped",
               QByteArray("[Settings]\nDate=mm/dd/yyyy\nDefault database=/d/home.mdb\nLanguage=Deutsch\n"), "Deutsch",
               "", "/d/home.mdb");
        addRow("Espanol capital unchanged", QByteArray("[Settings]\nLanguage=Español\n"), "Español", "", "");
        addRow("latin-1 file", QByteArray("[Settings]\nLanguage=espa\xf1ol\n"), "Español", "", "");
        addRow("long value cut", QByteArray("[Settings]\nDefault database=") + QByteArray(300, 'x'), "", "",
               QString(254, 'x'));
        addRow("empty section", QByteArray("[Other]\nLanguage=German\n"), "", "", "");
    }
    void legacyFileIsTakenOverOnce()
    {
        auto [contents, language, checkVersion, database] =
            fetch<QByteArray, QString, QString, QString>("contents", "language", "checkVersion", "database");
        const QString legacy = modSettings::LegacySettingsFile();
        QVERIFY(TestSupport::writeFile(legacy, contents));
        modSettings::PrepareSettings();
        QCOMPARE(readSetting("Language"), language);
        QCOMPARE(readSetting("Check version"), checkVersion);
        QCOMPARE(readSetting("Default database"), database);
        QCOMPARE(readSetting("Date"), QString());
        QVERIFY(!QFile::exists(legacy));

        // Ignored when settings exist.
        writeSetting("Language", "French");
        QVERIFY(TestSupport::writeFile(legacy, contents));
        modSettings::PrepareSettings();
        QCOMPARE(readSetting("Language"), QString("French"));
        QVERIFY(QFile::remove(legacy));
    }

    void yesNoFlagsBecomeDigits_data()
    {
        addColumns<QString, QString, QString>("key", "stored", "after");
        for (const char* key : {"Birthday reminder", "Check version", "Reminder Sound"}) {
            for (const QString pair : {"Yes 1", "No 0", "yes yes", "NO NO", "1 1"})
                QTest::addRow("%s %s", key, qPrintable(pair))
                    << QString(key) << pair.section(' ', 0, 0) << pair.section(' ', 1);
        }
        addRow("other key untouched", "Css", "Yes", "Yes");
    }
    void yesNoFlagsBecomeDigits()
    {
        auto [key, stored, after] = fetch<QString, QString, QString>("key", "stored", "after");
        writeSetting(key, stored);
        modSettings::PrepareSettings();
        QCOMPARE(readSetting(key), after);
    }

    void log()
    {
        QCOMPARE(modError::LogFilePath(), m_programFolder.filePath("Addrion.log"));
        const QDateTime moment(QDate(2026, 3, 4), QTime(13, 5, 9));
        const QString line = modError::LogLine(moment, "Version check failed");
        QCOMPARE(line,
                 QLocale::system().toString(moment.date(), QLocale::ShortFormat) + " 13:05:09 - Version check failed");

        modError::WriteLog("first");
        modError::WriteLog("second");
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).endsWith(" - first") && lines.at(1).endsWith(" - second"));

        // Beside the program when it can be written there, else in the user's data folder.
        SetProgramFolder(m_programFolder.filePath("missing/folder"));
        const QString path = modError::LogFilePath();
        QCOMPARE(path, TestSupport::environment().dataHome() + "/Addrion/Addrion.log");
        modError::WriteLog("elsewhere");
        QVERIFY(TestSupport::readFile(path).contains(" - elsewhere"));
        SetProgramFolder(m_programFolder.path());
    }

    void errorReports_data()
    {
        // website: the build names a web site
        addColumns<bool, QString, QString, QString, bool, bool>("engine", "component", "prefix", "firstLine", "pressOk",
                                                                "website");
        const QString library = modError::DatabaseLibraryName() + " is missing!";
        const QString engine = "The SQLite 3 database engine is missing or the database is not accessible!";
        addRow("library, OK", false, "", "MdacError: ", library, true, true);
        addRow("library, Cancel", false, "", "MdacError: ", library, false, true);
        addRow("encryption tool", false, "The encryption tool sqlcipher",
               "MdacError: ", "The encryption tool sqlcipher is missing!", false, true);
        addRow("engine, OK", true, "", "JetError: ", engine, true, true);
        addRow("library, no web site, OK", false, "", "MdacError: ", library, true, false);
        addRow("engine, no web site, OK", true, "", "JetError: ", engine, true, false);
    }
    void errorReports()
    {
        auto [engine, component, prefix, firstLine, pressOk, website] =
            fetch<bool, QString, QString, QString, bool, bool>("engine", "component", "prefix", "firstLine", "pressOk",
                                                               "website");
        if (website)
            TestSupport::useTestAddresses();
        else
            TestSupport::useNoAddresses();
        m_platform->expectMessage(pressOk ? Platform::Answer::Ok : Platform::Answer::Cancel);
        ShowFailure(engine ? modError::JetError(14, "unable to open database file")
                           : modError::MdacError(14, "unable to open database file", component));

        const auto messages = m_platform->messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Error!"));
        QCOMPARE(messages.first().icon, Platform::Icon::Stop);
        QCOMPARE(messages.first().buttons, Platform::Buttons::OkCancel);
        // Without a web site the address lines are left out, and OK only closes.
        QStringList expected{firstLine, QString()};
        if (website)
            expected << "You need to download it from the website of Addrion:" << TestSupport::TestWebsite << QString();
        expected << prefix + "14 unable to open database file";
        QCOMPARE(messages.first().text.split('\n'), expected);

        const auto urls = m_platform->callsOf("url");
        QCOMPARE(urls.size(), pressOk && website ? 1 : 0);
        if (!urls.isEmpty())
            QCOMPARE(urls.first().text, QString(TestSupport::TestWebsite));
        QCOMPARE(logLines().size(), 1);
        QVERIFY(logLines().first().endsWith(" - " + prefix + "14 unable to open database file"));
    }

    // Without an argument a first run opens a new default database; a database named on the command
    // line is opened, one that is not there reported and the default database opened instead.
    void startOpensADatabase_data()
    {
        addColumns<QString, QString>("argument", "opened");
        addRow("first run", "", "Addrion.mdb");
        addRow("named database", "work.mdb", "work.mdb");
        addRow("missing database", "missing.mdb", "Addrion.mdb");
    }
    void startOpensADatabase()
    {
        auto [argument, opened] = fetch<QString, QString>("argument", "opened");
        const QString path = argument.isEmpty() ? argument : m_dir->filePath(argument);
        const QString openedPath = argument == opened ? path : defaultDatabase();
        if (argument == opened) {
            QVERIFY(ShowOutcome(modDatabase::NewDatabase(path)));
            modDatabase::CloseDatabase(true);
            TestSupport::writeSetting("Default database", "");
        } else if (!argument.isEmpty()) {
            m_platform->expectMessage();
        }
        frmMain window(path);
        QCOMPARE(window.windowTitle(), TestSupport::programTitle());
        QVERIFY(!control<QAction>(&window, "mnuFileClose")->isEnabled());
        window.Load();
        QVERIFY(QFile::exists(openedPath));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), openedPath);
        QCOMPARE(window.windowTitle(), opened + " - " + TestSupport::programTitle());
        // The path isolated, to read whole in a right-to-left window too.
        QCOMPARE(control<QLabel>(&window, "staMainPath")->text(), QChar(0x2066) + openedPath + QChar(0x2069));
        if (!argument.isEmpty() && argument != opened)
            QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + path);
        QVERIFY(control<QAction>(&window, "mnuFileClose")->isEnabled());
        QVERIFY(control<QMenu>(&window, "mnuPerson")->menuAction()->isEnabled());
        QVERIFY(window.toolbarButton("Add")->isEnabled());
        // A command whose window this run has not registered does nothing.
        window.toolbarButton("Add")->trigger();
        QVERIFY(!QApplication::activeModalWidget());

        control<QAction>(&window, "mnuFileClose")->trigger();
        QCOMPARE(window.windowTitle(), TestSupport::programTitle());
        QVERIFY(control<QLabel>(&window, "staMainPath")->text().isEmpty());
        QVERIFY(!control<QMenu>(&window, "mnuPerson")->menuAction()->isEnabled());
        QVERIFY(!window.toolbarButton("Add")->isEnabled());
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    // A reminder run neither loads a database nor stores the window state.
    void closingStoresTheWindowState_data()
    {
        addColumns<QString, int, QString>("argument", "state", "stored");
        addRow("normal", "", int(Qt::WindowNoState), "0");
        addRow("maximised", "", int(Qt::WindowMaximized), "2");
        addRow("minimised", "", int(Qt::WindowMinimized), "1");
        addRow("reminder run", "/Reminder", int(Qt::WindowNoState), "9");
    }
    void closingStoresTheWindowState()
    {
        auto [argument, state, stored] = fetch<QString, int, QString>("argument", "state", "stored");
        TestSupport::writeSetting("WindowState", "9");
        frmMain window(argument);
        window.Load();
        QCOMPARE(QFile::exists(defaultDatabase()), argument.isEmpty());
        window.show();
        window.setWindowState(Qt::WindowStates(state));
        QVERIFY(window.close());
        QCOMPARE(TestSupport::readSetting("WindowState"), stored);
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    // Options as other programs take them; what is no option is left to the forms above.
    void options_data()
    {
        addColumns<QStringList, CommandLine::Option, QString>("arguments", "option", "commandLine");
        using CommandLine::Option;
        addRow("-h", QStringList{"-h"}, Option::Help, "-h");
        addRow("--help with more", QStringList{"--help", "me.mdb"}, Option::Help, "--help me.mdb");
        addRow("-v", QStringList{"-v"}, Option::Version, "-v");
        addRow("-V", QStringList{"", "-V"}, Option::Version, "-V");
        addRow("the first of two decides", QStringList{"--version", "--help"}, Option::Version, "--version --help");
        addRow("unknown", QStringList{"--bogus"}, Option::Unknown, "--bogus");
        addRow("single dash word", QStringList{"-version"}, Option::Unknown, "-version");
        addRow("a file named like an option", QStringList{"-x.mdb"}, Option::None, "-x.mdb");
        addRow("-- ends the options", QStringList{"--", "-y.mdb"}, Option::None, "-y.mdb");
        addRow("new person", QStringList{"--new-person"}, Option::None, "--new-person");
        addRow("reminder", QStringList{"/Reminder"}, Option::None, "/Reminder");
        addRow("a path", QStringList{"/home/me/home.mdb"}, Option::None, "/home/me/home.mdb");
    }
    void options()
    {
        auto [arguments, option, commandLine] =
            fetch<QStringList, CommandLine::Option, QString>("arguments", "option", "commandLine");
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        QVERIFY(TestSupport::writeFile("-x.mdb", "x"));
        QCOMPARE(CommandLine::OptionOf(arguments), option);
        QCOMPARE(CommandLine::FromArguments(CommandLine::AfterOptionEnd(arguments)), commandLine);
        QDir::setCurrent(saved);
    }

    void reminderRunEndsByItself()
    {
        QCOMPARE(TestSupport::runChild(TestSupport::executable(), {"", " /Reminder "}).exitCode, 0);
    }

    // Answered without a window system, which a window or database would need; no default database made.
    void questionsAnsweredWithoutAWindow_data()
    {
        // exitCode 2: the first line is on standard error, and nothing on standard output
        addColumns<QString, int, QString>("argument", "exitCode", "firstLine");
        const QString usage = "Usage: addrion [DATABASE | FILE.vcf | /Reminder | /Sync | /Person N | --new-person]";
        addRow("version", "--version", 0, TestSupport::programTitle());
        addRow("-V", "-V", 0, TestSupport::programTitle());
        addRow("help", "--help", 0, usage);
        addRow("-h", "-h", 0, usage);
        addRow("unknown option", "--bogus", 2, "addrion: unknown option --bogus");
    }
    void questionsAnsweredWithoutAWindow()
    {
        auto [argument, exitCode, firstLine] = fetch<QString, int, QString>("argument", "exitCode", "firstLine");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        const TestSupport::ChildRun run = TestSupport::runChild(TestSupport::executable(), {argument}, env);
        QCOMPARE(run.exitCode, exitCode);
        const QByteArray said = exitCode == 0 ? run.output : run.errors;
        QCOMPARE(QString::fromLocal8Bit(said).section('\n', 0, 0), firstLine);
        QVERIFY((exitCode == 0 ? run.errors : run.output).isEmpty());
        if (exitCode == 2)
            QVERIFY(QString::fromLocal8Bit(said).contains("\nUsage: addrion"));
        QVERIFY(!QFile::exists(defaultDatabase()));
        QVERIFY(!QFile::exists(TestSupport::settingsFile()));
    }

    // "cd folder && addrion home.mdb": the settings name the file wherever the next start is made from.
    void relativeDatabasePathIsStoredAbsolute()
    {
        QTemporaryDir user;
        QTemporaryDir work;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TEMP"}) {
            QVERIFY(QDir().mkpath(user.filePath(name)));
            env.insert(name, user.filePath(name));
        }
        const QString database = QDir(work.path()).canonicalPath() + "/home.mdb";
        QVERIFY(QDir().mkpath(work.filePath("sub")));
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(database)));
        modDatabase::CloseDatabase(false);

        // The program shows its window, then ends as a user's closing would end it.
        env.insert("ADDRION_QUIT_WHEN_SHOWN", "1");
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work.path());
        program.start(TestSupport::executable(), {"./sub/../home.mdb"});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("shown\n"));
        const QString settingsFile = user.filePath("XDG_CONFIG_HOME") + "/Addrion/Addrion.conf";
        auto stored = [&settingsFile](const char* key) {
            return QSettings(settingsFile, QSettings::IniFormat).value(key).toString();
        };
        QCOMPARE(stored("Recent 1"), database);
        QCOMPARE(stored("Default database"), database);
    }

    // The real platform's dialogs: what the user sees (title, text, icon) and what each key
    // gives back to the caller.
    void realDialogsAnswer_data()
    {
        addColumns<QString, int, int, QString, int, QString, int>("call", "buttons", "icon", "typed", "key", "answer",
                                                                  "shown icon");
        using B = Platform::Buttons;
        using I = Platform::Icon;
        const int none = QMessageBox::NoIcon;
        const auto row = [](const char* tag, const char* call, B buttons, I icon, const char* typed, Qt::Key key,
                            const QString& answer, int shown) {
            QTest::newRow(tag) << call << int(buttons) << int(icon) << typed << int(key) << answer << shown;
        };
        row("ok, Enter", "message", B::Ok, I::Information, "", Qt::Key_Return, "Ok", QMessageBox::Information);
        row("ok, Escape", "message", B::Ok, I::None, "", Qt::Key_Escape, "Ok", none);
        row("ok/cancel, Enter", "message", B::OkCancel, I::Exclamation, "", Qt::Key_Return, "Ok", QMessageBox::Warning);
        row("ok/cancel, Escape", "message", B::OkCancel, I::Stop, "", Qt::Key_Escape, "Cancel", QMessageBox::Critical);
        row("yes/no, Enter", "message", B::YesNo, I::Question, "", Qt::Key_Return, "Yes", QMessageBox::Question);
        row("yes/no, Escape", "message", B::YesNo, I::Question, "", Qt::Key_Escape, "No", QMessageBox::Question);
        row("password typed", "password", B::Ok, I::None, "s3cret word", Qt::Key_Return, "s3cret word", none);
        row("password cancelled", "password", B::Ok, I::None, "typed", Qt::Key_Escape, "<none>", none);
        row("item, the current one", "item", B::Ok, I::None, "", Qt::Key_Return, "second", none);
        row("item cancelled", "item", B::Ok, I::None, "", Qt::Key_Escape, "<none>", none);
        row("text after the initial", "text", B::Ok, I::None, " and more", Qt::Key_Return, "initial and more", none);
        row("text cancelled", "text", B::Ok, I::None, "x", Qt::Key_Escape, "<none>", none);
        // The proposed name is chosen as it stands, and an existing file is no question here:
        // the caller asks about replacing it.
        row("save the proposed name", "save", B::Ok, I::None, "", Qt::Key_Return, "/folder/existing.txt", none);
        row("save cancelled", "save", B::Ok, I::None, "", Qt::Key_Escape, "", none);
        row("open a typed name", "open", B::Ok, I::None, "existing.txt", Qt::Key_Return, "/folder/existing.txt", none);
        row("the start folder", "folder", B::Ok, I::None, "", Qt::Key_Return, "/folder", none);
    }
    void realDialogsAnswer()
    {
        auto [call, buttons, icon, typed, key, answer, shownIcon] =
            fetch<QString, int, int, QString, int, QString, int>("call", "buttons", "icon", "typed", "key", "answer",
                                                                 "shown icon");
        const QString folder = QDir(m_dir->path()).absoluteFilePath("dialogs");
        QVERIFY(QDir().mkpath(folder));
        writeFile(folder + "/existing.txt", "kept");
        answer.replace("/folder", folder);

        // The dialog is answered from the event loop it runs, once it is the active modal window.
        QString title, text;
        int iconShown = -1;
        bool echoHidden = false;
        std::function<void()> answerDialog = [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || !dialog->isVisible()) {
                QTimer::singleShot(10, answerDialog);
                return;
            }
            title = dialog->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                text = box->text();
                iconShown = box->icon();
            } else {
                iconShown = QMessageBox::NoIcon;
                if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
                    text = input->labelText();
                    echoHidden = input->textEchoMode() == QLineEdit::Password;
                }
            }
            // Keys go where the dialog puts the focus; the window itself may not hold the
            // application's focus offscreen.
            QWidget* focus = dialog->focusWidget() ? dialog->focusWidget() : dialog;
            if (!typed.isEmpty()) {
                auto* edit = qobject_cast<QLineEdit*>(focus);
                if (!edit) {
                    QTest::keyClick(dialog, Qt::Key_Escape);
                    QFAIL("the dialog does not start in its text box");
                }
                edit->end(false);
                QTest::keyClicks(edit, typed);
            }
            QTest::keyClick(focus, Qt::Key(key));
        };
        QTimer::singleShot(0, answerDialog);

        QtPlatform platform;
        const auto optional = [](const std::optional<QString>& given) { return given ? *given : QString("<none>"); };
        const QString heading = "Heading of " + QString(QTest::currentDataTag());
        QString given;
        if (call == "message") {
            const Platform::Answer result =
                platform.message(heading, "What the box says", Platform::Icon(icon), Platform::Buttons(buttons));
            given = QStringList{"Ok", "Cancel", "Yes", "No"}.value(int(result));
            QCOMPARE(text, QString("What the box says"));
        } else if (call == "password") {
            given = optional(platform.password(heading, "Password:"));
            QVERIFY2(echoHidden, "the password is shown as typed");
        } else if (call == "item") {
            given = optional(platform.chooseItem(heading, "Choose:", {"first", "second", "third"}, 1));
        } else if (call == "text") {
            given = optional(platform.inputText(heading, "Name:", "initial"));
        } else if (call == "save") {
            given = platform.saveFileName(heading, "Text (*.txt)|*.txt", folder, "existing.txt");
        } else if (call == "open") {
            given = platform.openFileName(heading, "Text (*.txt)|*.txt", folder);
        } else {
            given = platform.directory(heading, folder);
        }
        QCOMPARE(title, heading);
        QCOMPARE(iconShown, shownIcon);
        QCOMPARE(given, answer);
        QCOMPARE(readFile(folder + "/existing.txt"), QByteArray("kept"));
    }

    // A second process hears through its environment how to show its window; others hear nothing.
    void secondProcessHearsHowToShow_data()
    {
        addColumns<int, QByteArray>("show", "heard");
        QTest::newRow("minimised") << int(Platform::Show::Minimised) << QByteArray("minimised.");
        QTest::newRow("normal") << int(Platform::Show::Normal) << QByteArray(".");
    }
    void secondProcessHearsHowToShow()
    {
        auto [show, heard] = fetch<int, QByteArray>("show", "heard");
        const QString file = TestSupport::environment().root() + "/heard" + QTest::currentDataTag();
        QtPlatform platform;
        QVERIFY(platform.startDetached(
            "/bin/sh", {"-c", "printf '%s.' \"$ADDRION_SHOW\" > \"$0.part\" && mv \"$0.part\" \"$0\"", file},
            Platform::Show(show)));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 30000);
        QCOMPARE(TestSupport::readFile(file), heard);
    }

    // The program started to show its window minimised (as the reminder's Details starts it)
    // maps its main window iconic, under a real X server with a window manager that honours
    // the initial state: the window does not cover the reminder.
    void startsMinimisedUnderAWindowManager()
    {
        // Xvfb picks a free display itself and names it on its standard output, so that two
        // servers starting at once never share one. Without -noreset the server starts anew
        // when its last client leaves (the check below that it answers), and refuses the
        // next one for that moment.
        QProcess server;
        server.start("Xvfb", {"-noreset", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY2(server.waitForStarted(), "Xvfb is missing: install the Debian package xvfb");
        const auto stop = qScopeGuard([&server] {
            server.kill();
            server.waitForFinished();
        });
        QByteArray displayLine;
        QTRY_VERIFY_WITH_TIMEOUT((displayLine += server.readAllStandardOutput()).endsWith('\n'), 20000);
        const QString name = ":" + QString::fromLatin1(displayLine.trimmed());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", name);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        QTRY_VERIFY_WITH_TIMEOUT(TestSupport::runChild("xdpyinfo", {}, environment).exitCode == 0, 20000);
        QProcess manager;
        manager.setProcessEnvironment(environment);
        manager.start("openbox", {});
        QVERIFY2(manager.waitForStarted(), "openbox is missing: install the Debian package openbox");
        const auto stopManager = qScopeGuard([&manager] {
            manager.kill();
            manager.waitForFinished();
        });
        // On a loaded machine the manager may take long to claim the screen; if it ended
        // instead, what it said is the reason.
        QTRY_VERIFY2_WITH_TIMEOUT(TestSupport::runChild("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}, environment)
                                          .output.contains("window id") ||
                                      manager.state() == QProcess::NotRunning,
                                  "the window manager did not take the screen", 60000);
        QVERIFY2(manager.state() == QProcess::Running,
                 qPrintable("openbox ended: " +
                            QString::fromLocal8Bit(manager.readAllStandardOutput() + manager.readAllStandardError())));

        QProcess program;
        environment.insert(Platform::ShowVariable, "minimised");
        program.setProcessEnvironment(environment);
        program.start(TestSupport::executable(), {});
        QVERIFY(program.waitForStarted());
        const auto stopProgram = qScopeGuard([&program] {
            program.kill();
            program.waitForFinished();
        });
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window = QString(TestSupport::runChild("xdotool",
                                                     {
                                                         "search",
                                                         "--name",
                                                         QRegularExpression::escape(TestSupport::programTitle()),
                                                     },
                                                     environment)
                                   .output)
                           .section('\n', 0, 0)
                           .trimmed())
                 .isEmpty(),
            30000);
        QString state;
        QTRY_VERIFY_WITH_TIMEOUT(
            (state = TestSupport::runChild("xprop", {"-id", window, "WM_STATE", "WM_HINTS"}, environment).output)
                .contains("window state:"),
            20000);
        QVERIFY2(state.contains("window state: Iconic") && state.contains("Initial state is Iconic State"),
                 qPrintable(state));
    }
};

ADDRION_TEST_MAIN(TestEnvironment)
#include "tst_environment.moc"
