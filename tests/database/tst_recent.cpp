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

    void recentList_data()
    {
        // change: the path added, or "-n" for the entry n removed
        TestSupport::addColumns<QStringList, QString, QStringList>("before", "change", "after");
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
        auto [before, change, after] =
            TestSupport::fetch<QStringList, QString, QStringList>("before", "change", "after");
        StoreRecent(before);
        if (change.startsWith('-'))
            modRecent::RemoveRecent(change.mid(1).toInt());
        else
            modRecent::AddRecent(change);
        QCOMPARE(modRecent::RecentDatabases(), after);
        QCOMPARE(modSettings::ReadSetting("Recent 1"), after.at(0));
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

    void defaultDatabaseWindow_data()
    {
        // typed: what replaces the text, "MISSING" a file that is not there, "BROWSE" the
        // file work.mdb chosen by browsing, "BROWSE-CANCEL" browsing cancelled.
        // stored: "HOME" and "WORK" are the files of those names.
        TestSupport::addColumns<QString, bool, QString, QString>("typed", "pressOK", "stored", "title");
        addRow("cleared and OK", "", true, "", "home.mdb - Addrion 1.4.3");
        addRow("missing file", "MISSING", true, "HOME", "Addrion 1.4.3");
        addRow("cancel", "MISSING", false, "HOME", "home.mdb - Addrion 1.4.3");
        addRow("browse cancelled, OK", "BROWSE-CANCEL", true, "HOME", "home.mdb - Addrion 1.4.3");
        addRow("browse", "BROWSE", true, "WORK", "work.mdb - Addrion 1.4.3");
    }
    void defaultDatabaseWindow()
    {
        QFETCH(QString, typed);
        QFETCH(bool, pressOK);
        auto [stored, title] = TestSupport::fetch<QString, QString>("stored", "title");
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
        m_window->mnuOptionsDefaultdatabase->trigger();
        QVERIFY(*ran);
        QCOMPARE(leftOpen, notValid);
        QCOMPARE(m_platform->messages().size(), notValid ? 1 : 0);
        if (notValid)
            QCOMPARE(m_platform->messages().first().text, "This is not a valid Addrion database:\n" + missing);
        if (browse) {
            const auto dialogs = m_platform->callsOf("open");
            QCOMPARE(dialogs.size(), 1);
            QCOMPARE(dialogs.first().title, QString("Open"));
            QCOMPARE(dialogs.first().text, QString("Addrion database (*.mdb)|*.mdb"));
        }
        if (typed == "BROWSE") {
            QCOMPARE(modSettings::ReadSetting("Database directory"), QFileInfo(work).absolutePath() + "/");
            QCOMPARE(modRecent::RecentDatabases().first(), work);
        }
        QCOMPARE(modSettings::ReadSetting("Default database"), resolve(stored));
        QCOMPARE(m_window->windowTitle(), title);
        QCOMPARE(modDatabase::IsDatabaseOpen(), title != "Addrion 1.4.3");
    }
};

ADDRION_TEST_MAIN(TestRecent)
#include "tst_recent.moc"
