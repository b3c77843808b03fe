// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "MainWindowTest.h"
#include "RadicaleServer.h"

#include "editor/frmContact.h"
#include "editor/modContact.h"
#include "language/LanguageMenu.h"
#include "sync/modSync.h"
#include "sync/modSyncPassword.h"
#include "sync/modSyncState.h"
#include "widgets/FailureDialog.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>

using TestSupport::addRow;
using TestSupport::control;
using TestSupport::controls;

// Between the program and the server on loopback: passes every byte on, except that from
// the first request with the chosen verb on it holds what the program sends until released.
// A sync meeting it waits there with the main window alive, as it would for a slow server.
class GatedProxy : public QObject
{
    Q_OBJECT

public:
    bool listen(quint16 target)
    {
        m_target = target;
        connect(&m_server, &QTcpServer::newConnection, this, &GatedProxy::accept);
        return m_server.listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return m_server.serverPort(); }
    // "" holds from the first request of any kind on.
    void holdAt(const QByteArray& verb)
    {
        m_verb = verb;
        m_armed = true;
    }
    void release()
    {
        m_armed = false;
        m_holding = false;
        for (auto& [client, link] : m_links)
            forward(link);
    }

signals:
    void held();

private:
    struct Link
    {
        QTcpSocket* server = nullptr;
        QByteArray waiting; // from the program, not yet passed on
    };

    void accept()
    {
        while (QTcpSocket* client = m_server.nextPendingConnection()) {
            auto* server = new QTcpSocket(client);
            m_links[client].server = server;
            connect(server, &QTcpSocket::connected, this, [this, client] { forward(m_links[client]); });
            connect(server, &QTcpSocket::readyRead, client, [client, server] { client->write(server->readAll()); });
            connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::readyRead, this, [this, client] { take(client); });
            connect(client, &QTcpSocket::disconnected, this, [this, client] {
                m_links.erase(client);
                client->deleteLater();
            });
            server->connectToHost(QHostAddress::LocalHost, m_target);
        }
    }
    void take(QTcpSocket* client)
    {
        const QByteArray data = client->readAll();
        if (m_armed && !m_holding && (m_verb.isEmpty() || data.startsWith(m_verb + ' '))) {
            m_holding = true;
            m_armed = false;
            emit held();
        }
        const auto link = m_links.find(client);
        if (link == m_links.end())
            return;
        link->second.waiting += data;
        forward(link->second);
    }
    void forward(Link& link)
    {
        if (m_holding || link.server->state() != QAbstractSocket::ConnectedState)
            return;
        link.server->write(std::exchange(link.waiting, {}));
    }

    QTcpServer m_server;
    quint16 m_target = 0;
    QByteArray m_verb;
    bool m_armed = false;
    bool m_holding = false;
    std::map<QTcpSocket*, Link> m_links;
};

// The main window while a sync waits for the server: whatever the user does there meanwhile
// either waits for the sync, is refused until it has ended, or (closing the window) cancels
// it first. The sync and the database come out as if nothing had been tried.
class TestSyncWindow : public QObject, public MainWindowTest
{
    Q_OBJECT

    RadicaleServer m_server;
    GatedProxy m_proxy;
    QUrl m_book; // through the proxy
    int m_books = 0;

    int persons() const { return modSql::OpenRecordset("SELECT * FROM Person").RecordCount(); }
    QPushButton* resultLine() const
    {
        return control<QStatusBar>(w(), "staMain")->findChild<QPushButton*>("cmdSyncResult");
    }

    // What the user does, by its name in the rows.
    void act(const QString& what)
    {
        frmMain& window = *w();
        const auto key = [&window](int key, Qt::KeyboardModifiers modifiers = {}) {
            QTest::keyClick(&window, key, modifiers);
        };
        const std::map<QString, std::function<void()>> actions{
            {"close the window", [&window] { window.close(); }},
            {"quit (Ctrl+Q)", [&key] { key(Qt::Key_Q, Qt::ControlModifier); }},
            {"File > New", [&window] { control<QAction>(&window, "mnuFileNew")->trigger(); }},
            {"toolbar New", [&window] { window.toolbarButton("New")->trigger(); }},
            {"File > Open (Ctrl+O)", [&key] { key(Qt::Key_O, Qt::ControlModifier); }},
            {"toolbar Open", [&window] { window.toolbarButton("Open")->trigger(); }},
            {"File > Close", [&window] { control<QAction>(&window, "mnuFileClose")->trigger(); }},
            {"recent file", [&window] { controls<QAction>(&window, "mnuFileRecent").first()->trigger(); }},
            {"File > Copy", [&window] { control<QAction>(&window, "mnuFileCopy")->trigger(); }},
            {"File > Send by e-mail", [&window] { control<QAction>(&window, "mnuFileEmail")->trigger(); }},
            {"import", [&window] { control<QAction>(&window, "mnuFileImport")->trigger(); }},
            {"first step import",
             [&window] { QTest::mouseClick(control<QPushButton>(&window, "cmdFirstImport"), Qt::LeftButton); }},
            {"add (Ctrl+N)", [&key] { key(Qt::Key_N, Qt::ControlModifier); }},
            {"edit (Enter on the list)",
             [&window] {
                 control<QTreeView>(&window, "lvwMain")->setFocus();
                 QTest::keyClick(control<QTreeView>(&window, "lvwMain"), Qt::Key_Return);
             }},
            {"edit (double click)",
             [&window] {
                 auto* list = control<QTreeView>(&window, "lvwMain");
                 const QRect row = list->visualRect(list->model()->index(0, 0));
                 QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
             }},
            {"edit (toolbar)", [&window] { window.toolbarButton("Edit")->trigger(); }},
            {"remove (Delete on the list)",
             [&window] {
                 control<QTreeView>(&window, "lvwMain")->setFocus();
                 QTest::keyClick(control<QTreeView>(&window, "lvwMain"), Qt::Key_Delete);
             }},
            {"duplicates", [&window] { control<QAction>(&window, "mnuPersonDuplicates")->trigger(); }},
            {"rename group", [&window] { control<QAction>(&window, "mnuFileGroupRename")->trigger(); }},
            {"default database option",
             [&window] { control<QAction>(&window, "mnuOptionsDefaultdatabase")->trigger(); }},
            {"language", [&window] { window.languageMenu()->entries().last()->trigger(); }},
            {"second sync (F5)", [&key] { key(Qt::Key_F5); }},
            {"sync settings", [&window] { control<QAction>(&window, "mnuFileSync")->trigger(); }},
            {"sync timer",
             [&window] {
                 TestSupport::writeSetting("Synchronise every", "0.0002"); // 12 ms
                 auto* timer = control<QTimer>(&window, "tmrSync");
                 QSignalSpy ticks(timer, &QTimer::timeout);
                 timer->start(12);
                 QTRY_VERIFY(ticks.count() >= 3);
                 timer->stop();
                 TestSupport::writeSetting("Synchronise every", "0");
             }},
        };
        const auto action = actions.find(what);
        QVERIFY2(action != actions.end(), qPrintable(what));
        action->second();
    }

private slots:
    void initTestCase()
    {
        TestSupport::prepareSyncTests();
        QString error;
        QVERIFY2(m_server.start(error), qPrintable(error));
        QVERIFY(m_proxy.listen(quint16(m_server.url().port())));
    }

    void init()
    {
        start(QString(), 8, "dd/mm/yyyy", true);
        // Keys reach the window's shortcuts as the user's would.
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        QString error;
        const QUrl book = m_server.makeAddressBook(QString("window%1").arg(++m_books), error);
        QVERIFY2(book.isValid(), qPrintable(error));
        m_book = book;
        m_book.setPort(m_proxy.port());
        modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                               {m_book.toString(), RadicaleServer::User, m_book.toString(), QString()});
        modSyncPassword::Write(modSyncPassword::Key(RadicaleServer::User, m_book.toString()), RadicaleServer::Password);
    }
    void cleanup()
    {
        m_proxy.release();
        stop();
    }

    // Rows: what the user does, at which request the server keeps the sync waiting (the
    // first of all, or the first card sent), and whether that closes the window.
    void reentry_data()
    {
        TestSupport::addColumns<QString, QByteArray, bool>("what", "heldAt", "closes");
        for (const char* what : {"close the window", "quit (Ctrl+Q)"}) {
            addRow(qPrintable(QString(what) + ", listing"), QString(what), QByteArray(), true);
            addRow(qPrintable(QString(what) + ", sending"), QString(what), QByteArray("PUT"), true);
        }
        for (const char* what : {"File > New",
                                 "toolbar New",
                                 "File > Open (Ctrl+O)",
                                 "toolbar Open",
                                 "File > Close",
                                 "recent file",
                                 "File > Copy",
                                 "File > Send by e-mail",
                                 "import",
                                 "add (Ctrl+N)",
                                 "edit (Enter on the list)",
                                 "edit (double click)",
                                 "edit (toolbar)",
                                 "remove (Delete on the list)",
                                 "duplicates",
                                 "rename group",
                                 "default database option",
                                 "language",
                                 "second sync (F5)",
                                 "sync settings",
                                 "sync timer"})
            addRow(qPrintable(QString(what) + ", sending"), QString(what), QByteArray("PUT"), false);
        addRow("first step import, listing", QString("first step import"), QByteArray(), false);
        addRow("remove (Delete on the list), listing", QString("remove (Delete on the list)"), QByteArray(), false);
    }
    void reentry()
    {
        auto [what, heldAt, closes] = TestSupport::fetch<QString, QByteArray, bool>("what", "heldAt", "closes");
        const QString path = m_fixture->databasePath();
        const QString language = TestSupport::readSetting("Language");
        // The first step import is offered only in an empty database.
        if (what == "first step import") {
            for (qint16 contactnr = 1; contactnr <= qint16(MainWindowFixture::names().size()); ++contactnr)
                for (const QString& statement : modContact::RemovePersonStatements(contactnr))
                    modSql::ExecuteSql(statement);
            w()->FillContactList();
            QVERIFY(control<QPushButton>(w(), "cmdFirstImport")->isVisible() &&
                    control<QPushButton>(w(), "cmdFirstImport")->isEnabled());
        }
        const int here = persons();
        clickRow(0);
        // From here on nothing is to be asked, opened, played or sent.
        platform()->clear();

        m_proxy.holdAt(heldAt);
        bool acted = false;
        int syncsMeanwhile = 0;
        connect(
            &m_proxy, &GatedProxy::held, this,
            [&] {
                // As the user's events come: from the event loop the sync waits in.
                QTimer::singleShot(0, this, [&] {
                    act(what);
                    syncsMeanwhile =
                        int(control<QStatusBar>(w(), "staMain")->findChildren<QPushButton*>("cmdSyncCancel").size());
                    acted = true;
                    m_proxy.release();
                });
            },
            Qt::SingleShotConnection);
        control<QAction>(w(), "mnuFileSynchronise")->trigger();
        QVERIFY(acted);
        // No second sync began meanwhile.
        QCOMPARE(syncsMeanwhile, 1);

        if (closes) {
            // The sync was cancelled, and then the window closed with the database.
            QTRY_VERIFY(!w()->isVisible());
            QVERIFY(!modDatabase::IsDatabaseOpen());
            QVERIFY(!resultLine() || !resultLine()->isVisible());
            // The next sync completes what the cancelled one began.
            QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path)));
            CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
            const modSync::Result result = modSync::Synchronise(session);
            QVERIFY2(result.ok, qPrintable(result.error));
        } else {
            // Nothing was done meanwhile: the sync went to its end on the same database.
            QVERIFY(w()->isVisible());
            QCOMPARE(modDatabase::DatabaseConnection().DataSource(), path);
            QVERIFY(resultLine() && resultLine()->isVisible());
            const QString done = here > 0 ? QString("Sent: %1").arg(here) : QString("Received new: 0");
            QVERIFY2(resultLine()->text().contains(done), qPrintable(resultLine()->text()));
            QCOMPARE(TestSupport::readSetting("Language"), language);
            // And the commands are there again.
            QVERIFY(control<QAction>(w(), "mnuFileOpen")->isEnabled() && w()->toolbarButton("Open")->isEnabled());
            QVERIFY(control<QAction>(w(), "mnuFileSynchronise")->isEnabled() &&
                    control<QAction>(w(), "mnuFileEmail")->isEnabled());
            QVERIFY(w()->languageMenu()->entries().last()->isEnabled());
            QCOMPARE(control<QAction>(w(), "mnuPersonRemove")->isEnabled(), here > 0);
        }
        QCOMPARE(persons(), here);
        QCOMPARE(m_server.storedCards(m_book.path().section('/', -2, -2)), here);
        QStringList calls;
        for (const ScriptedPlatform::Call& call : platform()->calls())
            calls << call.kind + ": " + call.title + ": " + call.text;
        QCOMPARE(calls, QStringList());
    }

    // The other way round: the sync timer fires while a window is open over the main window.
    // The sync would run inside that window and meet its changes; it waits until the window has
    // gone, and the next tick then syncs.
    void timerWaitsForOpenWindows()
    {
        const QString book = m_book.path().section('/', -2, -2);
        TestSupport::writeSetting("Synchronise every", "0.0002"); // 12 ms
        QSignalSpy ticks(control<QTimer>(w(), "tmrSync"), &QTimer::timeout);
        int syncsMeanwhile = -1;
        int cardsMeanwhile = -1;
        const auto shown = TestSupport::onModal<frmContact>([&](frmContact* editor) {
            control<QTimer>(w(), "tmrSync")->start(12);
            QTRY_VERIFY(ticks.count() >= 3);
            syncsMeanwhile =
                int(control<QStatusBar>(w(), "staMain")->findChildren<QPushButton*>("cmdSyncCancel").size());
            cardsMeanwhile = m_server.storedCards(book);
            QTest::mouseClick(editor->cmdCancel, Qt::LeftButton);
        });
        clickRow(0);
        w()->toolbarButton("Edit")->trigger();
        QVERIFY(*shown);
        QCOMPARE(syncsMeanwhile, 0);
        QCOMPARE(cardsMeanwhile, 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.storedCards(book), persons(), 60000);
        control<QTimer>(w(), "tmrSync")->stop();
        TestSupport::writeSetting("Synchronise every", "0");
    }
};

ADDRION_TEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
