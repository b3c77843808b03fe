#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "version/VersionCheck.h"
#include "version/frmNewVersion.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

// A web server on 127.0.0.1, or a proxy in front of one: it records every request and
// answers each with the scripted text.
class VersionServer
{
public:
    enum Ending
    {
        KeepOpen, // the connection stays open after the answer, as HTTP/1.1 allows
        Close,    // the server closes after the answer
        Split,    // the header goes first; the body waits for sendRest()
        Silent,   // no answer at all
    };

    explicit VersionServer(QByteArray answer = {}, Ending ending = KeepOpen) : m_answer(answer), m_ending(ending)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection()) {
                m_clients << client;
                QObject::connect(client, &QTcpSocket::readyRead, client, [this, client] { read(client); });
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }
    void setAnswer(const QByteArray& answer, Ending ending = KeepOpen)
    {
        m_answer = answer;
        m_ending = ending;
    }
    const QList<QByteArray>& requests() const { return m_requests; }
    int connections() const { return int(m_clients.size()); }
    bool clientGone(int index) const
    {
        return !m_clients.at(index) || m_clients.at(index)->state() == QAbstractSocket::UnconnectedState;
    }
    void sendRest()
    {
        m_clients.constLast()->write(m_rest);
        m_clients.constLast()->flush();
    }

    static QByteArray ok(const QByteArray& body)
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n" + body;
    }

private:
    void read(QTcpSocket* client)
    {
        QByteArray& received = m_received[client];
        received += client->readAll();
        if (!received.contains("\r\n\r\n"))
            return;
        m_requests << std::exchange(received, {});
        QByteArray answer = m_answer;
        if (m_ending == Silent)
            return;
        if (m_ending == Split) {
            const int headerEnd = int(answer.indexOf("\r\n\r\n")) + 4;
            m_rest = answer.mid(headerEnd);
            answer.truncate(headerEnd);
        }
        client->write(answer);
        client->flush();
        if (m_ending == Close)
            client->disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_answer;
    Ending m_ending;
    QList<QPointer<QTcpSocket>> m_clients;
    QHash<QTcpSocket*, QByteArray> m_received;
    QList<QByteArray> m_requests;
    QByteArray m_rest;
};

QByteArray Request(const QByteArray& target, const QByteArray& host)
{
    return "GET " + target + " HTTP/1.1\r\nUser-Agent: Addrion 1.4.3\r\nHost: " + host + "\r\n\r\n";
}

frmNewVersion* OpenNotice()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* notice = qobject_cast<frmNewVersion*>(widget); notice && notice->isVisible())
            return notice;
    return nullptr;
}

int OpenNotices()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmNewVersion*>(widget) && widget->isVisible())
            ++count;
    return count;
}

void UseProxy(quint16 port)
{
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(port) + "/");
}

} // namespace

// The version check against a real server on 127.0.0.1, directly and through a proxy,
// with the notice window it opens.
class TestVersionCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QString logFile() const { return modError::LogFilePath(); }

    // One check against the server; true when it ended.
    static bool runCheck(VersionCheck& checker)
    {
        QSignalSpy finished(&checker, &VersionCheck::finished);
        checker.Start();
        return finished.count() == 1 || finished.wait(10000);
    }

    // Closes the notice with OK (or Website), ticking the box first when asked.
    static void closeNotice(frmNewVersion* notice, bool remind, QPushButton* frmNewVersion::*button)
    {
        QPointer<frmNewVersion> open(notice);
        if (remind)
            notice->chkRemind->click();
        QTest::mouseClick(notice->*button, Qt::LeftButton);
        QTRY_VERIFY(!open || !open->isVisible());
    }

private slots:
    void initTestCase()
    {
        modEnvironment::SetProgramFolder(m_programFolder.path());
        TestSupport::useTestAddresses();
    }
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(logFile());
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        qunsetenv("http_proxy");
        while (frmNewVersion* notice = OpenNotice())
            notice->close();
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
        m_platform.reset();
    }

    void exchange_data()
    {
        QTest::addColumn<bool>("viaProxy");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("ending");
        QTest::addColumn<bool>("notice");
        QTest::addColumn<QString>("latest");
        const QByteArray notFound("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nNot found");
        for (bool viaProxy : {false, true}) {
            const char* how = viaProxy ? "proxy" : "direct";
            auto row = [&](const char* name) -> QTestData& { return QTest::addRow("%s, %s", how, name) << viaProxy; };
            row("newer") << VersionServer::ok("1.5.0") << int(VersionServer::KeepOpen) << true << "1.5.0";
            row("older") << VersionServer::ok("1.4.2") << int(VersionServer::KeepOpen) << false << "1.4.2";
            row("same") << VersionServer::ok("1.4.3") << int(VersionServer::KeepOpen) << false << "1.4.3";
            row("404") << notFound << int(VersionServer::KeepOpen) << false << "";
            row("empty body") << VersionServer::ok("") << int(VersionServer::KeepOpen) << false << "";
        }
        auto row = [](const char* name) -> QTestData& { return QTest::newRow(name) << false; };
        row("numeric comparison") << VersionServer::ok("1.10.0") << int(VersionServer::KeepOpen) << true << "1.10.0";
        row("line end after the number") << VersionServer::ok("1.5.0\r\n") << int(VersionServer::KeepOpen) << true
                                         << "1.5.0";
        row("404 and closed") << notFound << int(VersionServer::Close) << false << "";
        row("header and body apart") << VersionServer::ok("1.5.0") << int(VersionServer::Split) << true << "1.5.0";
        row("no length, server closes") << QByteArray("HTTP/1.1 200 OK\r\n\r\n1.5.0") << int(VersionServer::Close)
                                        << true << "1.5.0";
        row("no length, left open") << QByteArray("HTTP/1.1 200 OK\r\n\r\n1.5.0") << int(VersionServer::KeepOpen)
                                    << true << "1.5.0";
    }
    void exchange()
    {
        QFETCH(bool, viaProxy);
        QFETCH(QByteArray, answer);
        QFETCH(int, ending);
        QFETCH(bool, notice);
        QFETCH(QString, latest);

        VersionServer server(answer, VersionServer::Ending(ending));
        QVERIFY(server.listen());
        QWidget window;
        std::unique_ptr<VersionCheck> checker;
        if (viaProxy) {
            UseProxy(server.port());
            checker = std::make_unique<VersionCheck>("updates.addrion.test", 80, &window);
        } else {
            checker = std::make_unique<VersionCheck>("127.0.0.1", server.port(), &window);
        }
        QSignalSpy arrived(checker->wskMain, &QTcpSocket::readyRead);
        QSignalSpy finished(checker.get(), &VersionCheck::finished);
        checker->Start();
        QTRY_COMPARE(server.requests().size(), 1);
        const QByteArray expected =
            viaProxy ? Request("http://updates.addrion.test/addrion/info/latestversion.txt", "updates.addrion.test")
                     : Request("/addrion/info/latestversion.txt", "127.0.0.1:" + QByteArray::number(server.port()));
        QCOMPARE(server.requests().constFirst(), expected);
        if (ending == VersionServer::Split) {
            QTRY_VERIFY(!arrived.isEmpty());
            QVERIFY(finished.isEmpty());
            server.sendRest();
        }

        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(OpenNotices(), notice ? 1 : 0);
        QCOMPARE(checker->LatestVersion(), latest);
        QVERIFY(!checker->IsRunning());
        QCOMPARE(checker->wskMain->state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(server.clientGone(0));
        QCOMPARE(server.connections(), 1);
        QVERIFY(m_platform->messages().isEmpty());
    }

    void noticeOnceForEachVersion()
    {
        VersionServer server(VersionServer::ok("1.5.0"));
        QVERIFY(server.listen());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);

        // Shown, and shown again while the box is not ticked.
        for (int round = 0; round < 2; ++round) {
            QVERIFY(runCheck(checker));
            frmNewVersion* notice = OpenNotice();
            QVERIFY(notice);
            QVERIFY(notice->isModal());
            QCOMPARE(notice->windowTitle(), QString("Addrion 1.5.0"));
            QCOMPARE(notice->lblNewVersion->text(), QString("Addrion 1.5.0 is available!"));
            QCOMPARE(notice->chkRemind->text(), QString("Do not remind me again for this version."));
            closeNotice(notice, false, &frmNewVersion::cmdOK);
            QCOMPARE(modSettings::ReadSetting("Check version Since"), QString());
        }

        QVERIFY(runCheck(checker));
        QVERIFY(OpenNotice());
        closeNotice(OpenNotice(), true, &frmNewVersion::cmdOK);
        QCOMPARE(modSettings::ReadSetting("Check version Since"), QString("1.5.0"));

        QVERIFY(runCheck(checker));
        QCOMPARE(OpenNotices(), 0);
        QCOMPARE(checker.LatestVersion(), QString("1.5.0"));

        server.setAnswer(VersionServer::ok("1.5.1"));
        QVERIFY(runCheck(checker));
        QVERIFY(OpenNotice());
        QCOMPARE(OpenNotice()->windowTitle(), QString("Addrion 1.5.1"));
        QCOMPARE(server.requests().size(), 5);
    }

    void noticePlaysTheSoundWhenActivated()
    {
        VersionServer server(VersionServer::ok("1.5.0"));
        QVERIFY(server.listen());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        QVERIFY(runCheck(checker));
        frmNewVersion* notice = OpenNotice();
        QVERIFY(notice);
        QTRY_COMPARE(m_platform->callsOf("sound").size(), 1);
        QCOMPARE(m_platform->callsOf("sound").constFirst().text, modEnvironment::ProgramFolder() + "Sound/default.wav");

        // Becoming the active window again plays it again.
        window.show();
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY(!notice->isActiveWindow());
        notice->activateWindow();
        QTRY_COMPARE(m_platform->callsOf("sound").size(), 2);
    }

    void websiteButtonOpensTheSiteAndCloses_data()
    {
        QTest::addColumn<bool>("remind");
        QTest::addColumn<QString>("since");
        QTest::newRow("box not ticked") << false << "";
        QTest::newRow("box ticked") << true << "1.6.0";
    }
    void websiteButtonOpensTheSiteAndCloses()
    {
        QFETCH(bool, remind);
        QFETCH(QString, since);
        VersionServer server(VersionServer::ok("1.6.0"));
        QVERIFY(server.listen());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        QVERIFY(runCheck(checker));
        QVERIFY(OpenNotice());
        closeNotice(OpenNotice(), remind, &frmNewVersion::cmdWebsite);
        const auto urls = m_platform->callsOf("url");
        QCOMPARE(urls.size(), 1);
        QCOMPARE(urls.constFirst().text, QString(TestSupport::TestWebsite));
        QCOMPARE(modSettings::ReadSetting("Check version Since"), since);
    }

    void failedConnectionShowsNothing_data()
    {
        QTest::addColumn<bool>("viaProxy");
        QTest::newRow("direct") << false;
        QTest::newRow("proxy") << true;
    }
    void failedConnectionShowsNothing()
    {
        QFETCH(bool, viaProxy);
        quint16 port = 0;
        {
            // A port that was just free: nobody listens there now.
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        QWidget window;
        if (viaProxy)
            UseProxy(port);
        VersionCheck checker("127.0.0.1", viaProxy ? 80 : port, &window);
        QVERIFY(runCheck(checker));
        QVERIFY(!checker.IsRunning());
        QCOMPARE(OpenNotices(), 0);
        QVERIFY(checker.LatestVersion().isEmpty());
        QVERIFY(m_platform->calls().isEmpty());
        QVERIFY(!QFile::exists(logFile()));
    }

    void unusableProxyIsLogged_data()
    {
        QTest::addColumn<QByteArray>("proxy");
        QTest::addColumn<QString>("error");
        QTest::newRow("no port") << QByteArray("http://127.0.0.1/") << "13 - Type mismatch";
        QTest::newRow("port not a number") << QByteArray("127.0.0.1:http") << "13 - Type mismatch";
        QTest::newRow("port too large") << QByteArray("127.0.0.1:99999") << "6 - Overflow";
    }
    void unusableProxyIsLogged()
    {
        QFETCH(QByteArray, proxy);
        QFETCH(QString, error);
        VersionServer server(VersionServer::ok("1.5.0"));
        QVERIFY(server.listen());
        qputenv("http_proxy", proxy);
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        QVERIFY(runCheck(checker));
        QCOMPARE(checker.wskMain->state(), QAbstractSocket::UnconnectedState);
        const QString log = QString::fromUtf8(TestSupport::readFile(logFile())).trimmed();
        QCOMPARE(log.count('\n'), 0);
        QVERIFY2(log.endsWith(" - The following error occured in the function \"Check Version\" withAddrion: " + error),
                 qPrintable(log));
        // Nothing went to the server directly instead.
        QCOMPARE(server.connections(), 0);
        QVERIFY(m_platform->calls().isEmpty());
    }

    void newCheckAbandonsTheOneInProgress()
    {
        VersionServer server({}, VersionServer::Silent);
        QVERIFY(server.listen());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        QSignalSpy finished(&checker, &VersionCheck::finished);
        checker.Start();
        QTRY_COMPARE(server.requests().size(), 1);
        QVERIFY(checker.IsRunning());

        server.setAnswer(VersionServer::ok("1.5.0"));
        checker.Start();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(server.connections(), 2);
        QTRY_VERIFY(server.clientGone(0));
        QCOMPARE(OpenNotices(), 1);
    }

    void checkFollowsTheSetting_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("asks");
        QTest::newRow("on") << "1" << true;
        QTest::newRow("off") << "0" << false;
        QTest::newRow("other text") << "yes" << false;
    }
    void checkFollowsTheSetting()
    {
        QFETCH(QString, setting);
        QFETCH(bool, asks);
        VersionServer server(VersionServer::ok("1.4.0"));
        QVERIFY(server.listen());
        frmMain window("");
        window.Load();
        modSettings::WriteSetting("Check version", setting);
        window.mnuOptionsCheck->setChecked(!asks);
        VersionCheck* checker = modVersion::InstallVersionCheck(window, "127.0.0.1", server.port());
        QSignalSpy finished(checker, &VersionCheck::finished);
        modVersion::CheckVersion(window);
        QCOMPARE(window.mnuOptionsCheck->isChecked(), asks);
        QCOMPARE(checker->IsRunning(), asks);
        if (asks)
            QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(server.requests().size(), asks ? 1 : 0);
        QCOMPARE(modSettings::ReadSetting("Check version"), setting);
    }

    void menuEntrySwitchesTheCheck()
    {
        VersionServer server(VersionServer::ok("1.5.0"));
        QVERIFY(server.listen());
        frmMain window("");
        RegisterWindows(window);
        window.Load();
        VersionCheck* checker = modVersion::InstallVersionCheck(window, "127.0.0.1", server.port());
        QSignalSpy finished(checker, &VersionCheck::finished);
        QVERIFY(window.mnuOptionsCheck->isCheckable());
        QVERIFY(window.mnuOptionsCheck->isChecked());

        window.mnuOptionsCheck->trigger();
        QVERIFY(!window.mnuOptionsCheck->isChecked());
        QCOMPARE(modSettings::ReadSetting("Check version"), QString("0"));
        QVERIFY(!checker->IsRunning());

        window.mnuOptionsCheck->trigger();
        QVERIFY(window.mnuOptionsCheck->isChecked());
        QCOMPARE(modSettings::ReadSetting("Check version"), QString("1"));
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(server.requests().size(), 1);
        QVERIFY(OpenNotice());
    }

    // A start of the program as the user sees it: the main window, then the check
    // through the proxy to the program's own update server.
    void startShowsTheNoticeOnce()
    {
        VersionServer server(VersionServer::ok("1.5.0"));
        QVERIFY(server.listen());
        UseProxy(server.port());
        auto start = [](bool& noticeShown, bool remind) {
            frmMain window("");
            RegisterWindows(window);
            window.Load();
            window.show();
            QSignalSpy finished(modVersion::Checker(window), &VersionCheck::finished);
            modVersion::CheckVersion(window);
            QTRY_COMPARE(finished.count(), 1);
            noticeShown = OpenNotice() != nullptr;
            if (noticeShown)
                closeNotice(OpenNotice(), remind, &frmNewVersion::cmdOK);
            window.close();
        };
        bool shown = false;
        start(shown, true);
        QVERIFY(!QTest::currentTestFailed() && shown);
        start(shown, false);
        QVERIFY(!QTest::currentTestFailed() && !shown);
        server.setAnswer(VersionServer::ok("1.5.1"));
        start(shown, false);
        QVERIFY(!QTest::currentTestFailed() && shown);

        const QByteArray expected = Request(TestSupport::TestUpdateUrl, TestSupport::TestUpdateHost);
        QCOMPARE(server.requests(), QList<QByteArray>(3, expected));
    }

    // A build without an update address asks nobody and offers no check.
    void noUpdateAddressNoCheck()
    {
        VersionServer proxy(VersionServer::ok("1.5.0"));
        QVERIFY(proxy.listen());
        UseProxy(proxy.port());
        TestSupport::useNoAddresses();
        frmMain window("");
        RegisterWindows(window);
        window.Load();
        modVersion::CheckVersion(window);
        TestSupport::useTestAddresses();
        QCOMPARE(modSettings::ReadSetting("Check version"), QString("1"));
        QVERIFY(!window.mnuOptionsCheck->isVisible());
        QVERIFY(!window.findChild<VersionCheck*>());
        QCOMPARE(proxy.connections(), 0);
    }

    void noWebsiteNoWebsiteButton()
    {
        TestSupport::useNoAddresses();
        frmNewVersion notice("1.5.0");
        TestSupport::useTestAddresses();
        notice.show();
        QVERIFY(QTest::qWaitForWindowExposed(&notice));
        QVERIFY(!notice.cmdWebsite->isVisible());
        QVERIFY(notice.cmdOK->isVisible());
    }

    // Hosts named by no_proxy are asked directly, whatever http_proxy says.
    void noProxyGoesDirect_data()
    {
        QTest::addColumn<QString>("noProxy"); // %1: the server's port
        QTest::addColumn<bool>("direct");
        QTest::newRow("not set") << "" << false;
        QTest::newRow("the address") << "localhost, 127.0.0.1" << true;
        QTest::newRow("every host") << "*" << true;
        QTest::newRow("the address and its port") << "127.0.0.1:%1" << true;
        QTest::newRow("another port") << "127.0.0.1:1" << false;
        QTest::newRow("another host") << "updates.addrion.test" << false;
    }
    void noProxyGoesDirect()
    {
        QFETCH(QString, noProxy);
        QFETCH(bool, direct);
        VersionServer server(VersionServer::ok("1.4.3"));
        VersionServer proxy(VersionServer::ok("1.4.3"));
        QVERIFY(server.listen() && proxy.listen());
        UseProxy(proxy.port());
        qputenv("no_proxy", noProxy.arg(server.port()).toUtf8());
        QWidget window;
        VersionCheck checker("127.0.0.1", server.port(), &window);
        const bool ended = runCheck(checker);
        qunsetenv("no_proxy");
        QVERIFY(ended);
        QCOMPARE(server.requests().size(), direct ? 1 : 0);
        QCOMPARE(proxy.requests().size(), direct ? 0 : 1);
    }
};

ADDRION_TEST_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
