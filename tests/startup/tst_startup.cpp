#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "mainwindow/frmMain.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>

// The main window's loading and closing in a normal run.
class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString defaultDatabase() const { return modEnvironment::PersonalFolder() + "Addrion.mdb"; }

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
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("stored");
        QTest::newRow("normal") << int(Qt::WindowNoState) << "0";
        QTest::newRow("maximised") << int(Qt::WindowMaximized) << "2";
        QTest::newRow("minimised") << int(Qt::WindowMinimized) << "1";
    }
    void closingStoresTheWindowState()
    {
        QFETCH(int, state);
        QFETCH(QString, stored);
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
};

ADDRION_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
