#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "mainwindow/frmMain.h"
#include "startup/QtPlatform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

// A start of the program: the main window's loading and closing in this process, and
// the real program started as a user's session would.
class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString defaultDatabase() const { return modEnvironment::PersonalFolder() + "Addrion.mdb"; }

    static QProcessEnvironment environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(defaultDatabase());
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    void firstRunOpensANewDefaultDatabase()
    {
        frmMain window("");
        QCOMPARE(window.windowTitle(), QString("Addrion 1.4.3"));
        QVERIFY(!window.mnuFileClose->isEnabled());
        window.Load();
        QVERIFY(QFile::exists(defaultDatabase()));
        QCOMPARE(window.windowTitle(), QString("Addrion.mdb - Addrion 1.4.3"));
        QCOMPARE(window.staMainPath->text(), defaultDatabase());
        QVERIFY(window.mnuFileClose->isEnabled());
        QVERIFY(window.mnuPerson->menuAction()->isEnabled());
        QVERIFY(window.toolbarButton("Add")->isEnabled());

        window.mnuFileClose->trigger();
        QCOMPARE(window.windowTitle(), QString("Addrion 1.4.3"));
        QVERIFY(window.staMainPath->text().isEmpty());
        QVERIFY(!window.mnuPerson->menuAction()->isEnabled());
        QVERIFY(!window.toolbarButton("Add")->isEnabled());
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    void commandLinePathIsOpened()
    {
        const QString path = m_dir->filePath("work.mdb");
        QVERIFY(modDatabase::NewDatabase(path));
        modDatabase::CloseDatabase(true);
        modSettings::WriteSetting("Default database", "");

        frmMain window(path);
        window.Load();
        QCOMPARE(window.windowTitle(), QString("work.mdb - Addrion 1.4.3"));
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
    }

    void invalidCommandLinePathFallsBackToTheDefault()
    {
        const QString path = m_dir->filePath("missing.mdb");
        m_platform->expectMessage();
        frmMain window(path);
        window.Load();
        QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + path);
        QCOMPARE(modDatabase::DatabaseConnection().DataSource(), defaultDatabase());
    }

    void closingStoresTheWindowState_data()
    {
        TestSupport::addColumns<int, QString>("state", "stored");
        QTest::newRow("normal") << int(Qt::WindowNoState) << "0";
        QTest::newRow("maximised") << int(Qt::WindowMaximized) << "2";
        QTest::newRow("minimised") << int(Qt::WindowMinimized) << "1";
    }
    void closingStoresTheWindowState()
    {
        auto [state, stored] = TestSupport::fetch<int, QString>("state", "stored");
        frmMain window("");
        window.Load();
        window.show();
        window.setWindowState(Qt::WindowStates(state));
        QVERIFY(window.close());
        QCOMPARE(modSettings::ReadSetting("WindowState"), stored);
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    void reminderRunSkipsLoadingAndClosing()
    {
        modSettings::WriteSetting("WindowState", "2");
        frmMain window("/Reminder");
        window.Load();
        QVERIFY(!modDatabase::IsDatabaseOpen());
        QVERIFY(!QFile::exists(defaultDatabase()));
        QVERIFY(window.close());
        QCOMPARE(modSettings::ReadSetting("WindowState"), QString("2"));
    }

    void reminderRunEndsByItself_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("plain") << QStringList{"/Reminder"};
        QTest::newRow("blanks around") << QStringList{"  /Reminder  "};
        QTest::newRow("separate blank argument") << QStringList{"", "/Reminder"};
    }
    void reminderRunEndsByItself()
    {
        QFETCH(QStringList, arguments);
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(TestSupport::executable(), arguments);
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        QVERIFY2(program.waitForFinished(60000), "the reminder run did not end by itself");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // Answered without a window system: a window or a database would need one and the
    // run would fail; the documents folder stays without a default database.
    void questionsAnsweredWithoutAWindow_data()
    {
        TestSupport::addColumns<QString, QString>("argument", "firstLine");
        QTest::newRow("version") << "--version"
                                 << "Addrion " ADDRION_VERSION;
        QTest::newRow("help") << "--help"
                              << "Usage: addrion [DATABASE | FILE.vcf | /Reminder | /Sync | /Person N | --new-person]";
    }
    void questionsAnsweredWithoutAWindow()
    {
        auto [argument, firstLine] = TestSupport::fetch<QString, QString>("argument", "firstLine");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(name);
        const QString database = modEnvironment::PersonalFolder() + "Addrion.mdb";
        QFile::remove(database);
        QFile::remove(TestSupport::settingsFile());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(TestSupport::executable(), {argument});
        QVERIFY2(program.waitForFinished(60000), "the run did not end by itself");
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()).section('\n', 0, 0), firstLine);
        QVERIFY(program.readAllStandardError().isEmpty());
        QVERIFY(!QFile::exists(database));
        QVERIFY(!QFile::exists(TestSupport::settingsFile()));
    }

    // "cd folder && addrion home.mdb": the settings name the file wherever the next
    // start is made from.
    void relativeDatabasePathIsStoredAbsolute_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::newRow("name") << "home.mdb";
        QTest::newRow("dot and folders") << "./sub/../home.mdb";
    }
    void relativeDatabasePathIsStoredAbsolute()
    {
        QFETCH(QString, argument);
        QTemporaryDir user;
        QTemporaryDir work;
        QProcessEnvironment env = environment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "TEMP"}) {
            QVERIFY(QDir().mkpath(user.filePath(name)));
            env.insert(name, user.filePath(name));
        }
        const QString database = QDir(work.path()).canonicalPath() + "/home.mdb";
        QVERIFY(QDir().mkpath(work.filePath("sub")));
        QVERIFY(modDatabase::NewDatabase(database));
        modDatabase::CloseDatabase(false);

        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work.path());
        program.start(TestSupport::executable(), {argument});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        const QString settingsFile = user.filePath("XDG_CONFIG_HOME") + "/Addrion/Addrion.conf";
        auto stored = [&settingsFile](const char* key) {
            return QSettings(settingsFile, QSettings::IniFormat).value(key).toString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!stored("Recent 1").isEmpty(), 60000);
        program.kill();
        program.waitForFinished();
        QCOMPARE(stored("Recent 1"), database);
        QCOMPARE(stored("Default database"), database);
    }

    // The process a second one is started by tells it through its environment how to
    // show its window; programs started otherwise hear nothing of it.
    void secondProcessHearsHowToShow_data()
    {
        TestSupport::addColumns<int, QByteArray>("show", "heard");
        QTest::newRow("minimised") << int(Platform::Show::Minimised) << QByteArray("minimised.");
        QTest::newRow("normal") << int(Platform::Show::Normal) << QByteArray(".");
    }
    void secondProcessHearsHowToShow()
    {
        auto [show, heard] = TestSupport::fetch<int, QByteArray>("show", "heard");
        const QString file = TestSupport::environment().root() + "/heard" + QTest::currentDataTag();
        QtPlatform platform;
        QVERIFY(platform.startDetached(
            "/bin/sh", {"-c", "printf '%s.' \"$ADDRION_SHOW\" > \"$0.part\" && mv \"$0.part\" \"$0\"", file},
            Platform::Show(show)));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 30000);
        QCOMPARE(TestSupport::readFile(file), heard);
    }
};

ADDRION_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
