#include "DataRow.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modRecent.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmOptionsDefaultdatabase.h"
#include "search/modSearch.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using TestSupport::addRow;

namespace {

void StoreRecent(const QStringList& entries)
{
    for (int i = 0; i < 3; ++i)
        modSettings::WriteSetting(QString("Recent %1").arg(i + 1), entries.value(i));
}

} // namespace

// The recent-databases list and menu, and the default-database window, on the real
// main window with real database files.
class TestRecent : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_window;

    QString file(const QString& name) const { return m_dir->filePath(name); }

    QString makeDatabase(const QString& name)
    {
        const QString path = file(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!modDatabase::NewDatabase(path))
            return {};
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
    // number that leads each as its access key ("&1 ").
    QStringList menuCaptions() const
    {
        QStringList captions;
        for (QAction* entry : m_window->mnuFileRecent) {
            if (!entry->isVisible())
                continue;
            const QString number = QString("&%1 ").arg(captions.size() + 1);
            if (!entry->text().startsWith(number))
                return {"no " + number + "in " + entry->text()};
            captions << entry->text().mid(number.size());
        }
        return captions;
    }

    void openThroughMenu(const QString& path)
    {
        m_platform->expectOpenFileName(path);
        m_window->mnuFileOpen->trigger();
    }

    // Runs steps on the default-database window once Options > Default database has
    // opened it; a window the steps leave open is closed with Cancel afterwards.
    bool runDefaultDatabaseWindow(const std::function<void(frmOptionsDefaultdatabase*)>& steps, bool* leftOpen)
    {
        bool found = false;
        QTimer::singleShot(0, this, [&] {
            auto* window = qobject_cast<frmOptionsDefaultdatabase*>(QApplication::activeModalWidget());
            if (!window)
                return;
            found = true;
            steps(window);
            *leftOpen = window->isVisible();
            if (window->isVisible())
                window->cmdCancel->click();
        });
        m_window->mnuOptionsDefaultdatabase->trigger();
        return found;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        modSearch::ClearSearch();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        QVERIFY2(m_platform->scriptDone(), "a scripted answer was not used");
        m_platform.reset();
    }

    void shortenPath_data()
    {
        TestSupport::addColumns<QString, QString>("path", "caption");
        addRow("documents", "/home/me/Documents/home.mdb", "/home/.../Documents/home.mdb");
        addRow("drive form", "C:/Users/me/Documents/home.mdb", "C:/.../Documents/home.mdb");
        addRow("three folders", "/home/me/db/home.mdb", "/home/.../db/home.mdb");
        addRow("deep", "/srv/x/y/z/Addrion/home.mdb", "/srv/.../Addrion/home.mdb");
        addRow("one-letter first folder", "/a/b/c/d.mdb", "/a/.../c/d.mdb");
        addRow("relative", "data/sub/x/home.mdb", "data/.../x/home.mdb");
        addRow("two folders whole", "/home/me/home.mdb", "/home/me/home.mdb");
        addRow("one folder whole", "/home/home.mdb", "/home/home.mdb");
        addRow("drive and file whole", "C:/home.mdb", "C:/home.mdb");
        addRow("root file whole", "/home.mdb", "/home.mdb");
        addRow("file name whole", "home.mdb", "home.mdb");
    }
    void shortenPath()
    {
        auto [path, caption] = TestSupport::fetch<QString, QString>("path", "caption");
        QCOMPARE(modRecent::ShortenPath(path), caption);
    }

    void addRecent_data()
    {
        TestSupport::addColumns<QStringList, QString, QStringList>("before", "path", "after");
        addRow("first ever", QStringList{"", "", ""}, "/a.mdb", QStringList{"/a.mdb", "", ""});
        addRow("into a free place", QStringList{"/a.mdb", "", ""}, "/b.mdb", QStringList{"/b.mdb", "/a.mdb", ""});
        addRow("new pushes the oldest out", QStringList{"/a.mdb", "/b.mdb", "/c.mdb"}, "/d.mdb",
               QStringList{"/d.mdb", "/a.mdb", "/b.mdb"});
        addRow("first again", QStringList{"/a.mdb", "/b.mdb", "/c.mdb"}, "/a.mdb",
               QStringList{"/a.mdb", "/b.mdb", "/c.mdb"});
        addRow("second swaps", QStringList{"/a.mdb", "/b.mdb", "/c.mdb"}, "/b.mdb",
               QStringList{"/b.mdb", "/a.mdb", "/c.mdb"});
        addRow("third moves up", QStringList{"/a.mdb", "/b.mdb", "/c.mdb"}, "/c.mdb",
               QStringList{"/c.mdb", "/a.mdb", "/b.mdb"});
        addRow("comparison is exact", QStringList{"/x/a.mdb", "/b.mdb", ""}, "/x/A.mdb",
               QStringList{"/x/A.mdb", "/x/a.mdb", "/b.mdb"});
        // The next start may be made from another folder.
        addRow("relative path stored absolute", QStringList{"/a.mdb", "", ""}, "sub/../rel.mdb",
               QStringList{QDir::currentPath() + "/rel.mdb", "/a.mdb", ""});
    }
    void addRecent()
    {
        auto [before, path, after] = TestSupport::fetch<QStringList, QString, QStringList>("before", "path", "after");
        StoreRecent(before);
        modRecent::AddRecent(path);
        QCOMPARE(modRecent::RecentDatabases(), after);
        QCOMPARE(modSettings::ReadSetting("Recent 1"), after.at(0));
    }

    void removeRecent_data()
    {
        TestSupport::addColumns<int, QStringList>("index", "after");
        addRow("first", 0, QStringList{"/b.mdb", "/c.mdb", ""});
        addRow("second", 1, QStringList{"/a.mdb", "/c.mdb", ""});
        addRow("third", 2, QStringList{"/a.mdb", "/b.mdb", ""});
    }
    void removeRecent()
    {
        auto [index, after] = TestSupport::fetch<int, QStringList>("index", "after");
        StoreRecent({"/a.mdb", "/b.mdb", "/c.mdb"});
        modRecent::RemoveRecent(index);
        QCOMPARE(modRecent::RecentDatabases(), after);
    }

    void menuAtStartShowsTheStoredList()
    {
        const QString home = makeDatabase("home.mdb");
        StoreRecent({"/srv/x/y/work.mdb", "/srv/x/y/z/R&D.mdb", ""});
        startWindow(home);
        // The database opened at start joins the top.
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{home, "/srv/x/y/work.mdb", "/srv/x/y/z/R&D.mdb"}));
        const QStringList captions = menuCaptions();
        QCOMPARE(captions.size(), 3);
        QCOMPARE(captions.at(1), QString("/srv/.../y/work.mdb"));
        QCOMPARE(captions.at(2), QString("/srv/.../z/R&&D.mdb"));
        QVERIFY(m_window->mnuLine->isVisible());
    }

    void fourOpensReopenAndDeletedFiles()
    {
        // Deep enough to be shortened, and one file beside the folder of the others.
        const QStringList paths{makeDatabase("a/b/c/one.mdb"), makeDatabase("a/b/c/two.mdb"),
                                makeDatabase("a/b/c/three.mdb"), makeDatabase("a/four.mdb")};
        for (const QString& path : paths)
            QVERIFY(!path.isEmpty());
        startWindow(QString());
        TestSupport::clearSettings();
        StoreRecent({});
        m_window->mnuFileClose->trigger();
        for (const QString& path : paths)
            openThroughMenu(path);

        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[3], paths[2], paths[1]}));
        const QString folder = m_dir->path();
        const QString head = folder.left(folder.indexOf('/', 2) + 1) + "...";
        QCOMPARE(menuCaptions(), (QStringList{head + "/a/four.mdb", head + "/c/three.mdb", head + "/c/two.mdb"}));
        QVERIFY(m_window->mnuLine->isVisible());

        // The second entry opens its file and swaps places with the first.
        m_window->mnuFileRecent.at(1)->trigger();
        QCOMPARE(m_window->windowTitle(), QString("three.mdb - Addrion 1.4.3"));
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[2], paths[3], paths[1]}));
        QCOMPARE(menuCaptions().first(), head + "/c/three.mdb");

        // A deleted file: the message, the entry leaves, the validation closed the database.
        QVERIFY(QFile::remove(paths[3]));
        m_platform->expectMessage();
        m_window->mnuFileRecent.at(1)->trigger();
        QCOMPARE(m_platform->messages().last().text, "This is not a valid Addrion database:\n" + paths[3]);
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{paths[2], paths[1], ""}));
        QCOMPARE(menuCaptions(), (QStringList{head + "/c/three.mdb", head + "/c/two.mdb"}));
        QVERIFY(!m_window->mnuFileRecent.at(2)->isVisible());
        QCOMPARE(m_window->windowTitle(), QString("Addrion 1.4.3"));

        // Emptied one by one, the menu loses its separator too.
        for (const QString& path : {paths[2], paths[1]}) {
            QVERIFY(QFile::remove(path));
            m_platform->expectMessage();
            m_window->mnuFileRecent.at(0)->trigger();
        }
        QCOMPARE(modRecent::RecentDatabases(), (QStringList{"", "", ""}));
        QVERIFY(menuCaptions().isEmpty());
        QVERIFY(!m_window->mnuLine->isVisible());
    }

    void defaultDatabaseChosenByBrowsing()
    {
        const QString home = makeDatabase("home.mdb");
        const QString work = makeDatabase("folder/work.mdb");
        startWindow(home);
        QCOMPARE(modSettings::ReadSetting("Default database"), home);
        m_platform->expectOpenFileName(work);
        bool leftOpen = true;
        QVERIFY(runDefaultDatabaseWindow(
            [&](frmOptionsDefaultdatabase* window) {
                QCOMPARE(window->windowTitle(), QString("Default database"));
                QCOMPARE(window->fraDatabase->title(), QString("Default database"));
                QCOMPARE(window->cmdOpen->text(), QString("Browse..."));
                QCOMPARE(window->txtDatabase->text(), home);
                QTest::mouseClick(window->cmdOpen, Qt::LeftButton);
                QCOMPARE(window->txtDatabase->text(), work);
                QTest::mouseClick(window->cmdOK, Qt::LeftButton);
            },
            &leftOpen));
        QVERIFY(!leftOpen);
        const auto dialogs = m_platform->callsOf("open");
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs.first().title, QString("Open"));
        QCOMPARE(dialogs.first().text, QString("Addrion database (*.mdb)|*.mdb"));
        QCOMPARE(modSettings::ReadSetting("Database directory"), QFileInfo(work).absolutePath() + "/");
        QCOMPARE(modSettings::ReadSetting("Default database"), work);
        QCOMPARE(m_window->windowTitle(), QString("work.mdb - Addrion 1.4.3"));
        QCOMPARE(modRecent::RecentDatabases().first(), work);
    }

    void defaultDatabaseWindow_data()
    {
        // what replaces the text; "MISSING" is a file that is not there
        // "HOME" is the database opened at start
        TestSupport::addColumns<QString, bool, bool, bool, QString, bool>("typed", "pressOK", "leftOpen",
                                                                          "notValidMessage", "stored", "homeStaysOpen");
        addRow("cleared and OK", "", true, false, false, "", true);
        addRow("missing file", "MISSING", true, true, true, "HOME", false);
        addRow("cancel", "MISSING", false, false, false, "HOME", true);
        addRow("browse cancelled, OK", "HOME", true, false, false, "HOME", true);
    }
    void defaultDatabaseWindow()
    {
        QFETCH(QString, typed);
        QFETCH(bool, pressOK);
        auto [leftOpen, notValidMessage, stored, homeStaysOpen] =
            TestSupport::fetch<bool, bool, QString, bool>("leftOpen", "notValidMessage", "stored", "homeStaysOpen");
        const QString home = makeDatabase("home.mdb");
        const QString missing = file("gone/missing.mdb");
        startWindow(home);
        const auto resolve = [&](const QString& text) {
            return text == "HOME" ? home : text == "MISSING" ? missing : text;
        };
        if (typed == "HOME")
            m_platform->expectOpenFileName(QString());
        if (notValidMessage)
            m_platform->expectMessage();
        bool stillOpen = false;
        QVERIFY(runDefaultDatabaseWindow(
            [&](frmOptionsDefaultdatabase* window) {
                if (typed == "HOME") {
                    QTest::mouseClick(window->cmdOpen, Qt::LeftButton);
                } else {
                    window->txtDatabase->selectAll();
                    QTest::keyClick(window->txtDatabase, Qt::Key_Delete);
                    QTest::keyClicks(window->txtDatabase, resolve(typed));
                }
                QCOMPARE(window->txtDatabase->text(), resolve(typed));
                QTest::mouseClick(pressOK ? window->cmdOK : window->cmdCancel, Qt::LeftButton);
            },
            &stillOpen));
        QCOMPARE(stillOpen, leftOpen);
        QCOMPARE(m_platform->messages().size(), notValidMessage ? 1 : 0);
        if (notValidMessage)
            QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + missing);
        QCOMPARE(modSettings::ReadSetting("Default database"), resolve(stored));
        QCOMPARE(modDatabase::IsDatabaseOpen(), homeStaysOpen);
        QCOMPARE(m_window->windowTitle(), homeStaysOpen ? QString("home.mdb - Addrion 1.4.3") : "Addrion 1.4.3");
    }
};

ADDRION_TEST_MAIN(TestRecent)
#include "tst_recent.moc"
