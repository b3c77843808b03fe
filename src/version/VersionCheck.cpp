// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "VersionCheck.h"

#include "mainwindow/frmMain.h"
#include "startup/Version.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "version/frmAbout.h"
#include "version/frmNewVersion.h"
#include "version/modVersion.h"

#include <QAction>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace {

const char* const CheckerName = "VersionCheck";

} // namespace

VersionCheck::VersionCheck(const QString& updateHost, quint16 updatePort, QWidget* window, const QString& path)
    : QObject(window), m_host(updateHost), m_port(updatePort), m_path(path), m_window(window)
{
    setObjectName(QString::fromLatin1(CheckerName));
    wskMain = new QTcpSocket(this);
    wskMain->setObjectName(QStringLiteral("wskMain"));
    // The proxy is chosen here from the user's setting; Qt must not add its own.
    wskMain->setProxy(QNetworkProxy::NoProxy);
    tmrVersion = new QTimer(this);
    tmrVersion->setObjectName(QStringLiteral("tmrVersion"));
    tmrVersion->setInterval(500);
    tmrVersion->setSingleShot(true);

    connect(wskMain, &QTcpSocket::connected, this, &VersionCheck::connected);
    connect(wskMain, &QTcpSocket::readyRead, this, &VersionCheck::dataArrived);
    connect(wskMain, &QTcpSocket::disconnected, this, &VersionCheck::connectionEnded);
    connect(wskMain, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The server closing after its answer is followed by disconnected().
        if (error != QAbstractSocket::RemoteHostClosedError)
            connectionEnded();
    });
    connect(tmrVersion, &QTimer::timeout, this, &VersionCheck::timerFired);
}

void VersionCheck::Start()
{
    tmrVersion->stop();
    m_reading = false;
    m_received.clear();
    if (wskMain->state() != QAbstractSocket::UnconnectedState)
        wskMain->abort();

    QString host = m_host;
    quint16 port = m_port;
    const QString proxy = modVersion::GetProxy();
    m_viaProxy = !proxy.isEmpty() && !modVersion::BypassesProxy(m_host, m_port, modVersion::GetNoProxy());
    if (m_viaProxy) {
        modVersion::Failure failure;
        port = modVersion::ProxyPort(proxy, &failure);
        if (port == 0) {
            modError::WriteLog(modVersion::CheckVersionLogText(QString::fromLatin1(Version::AppName), failure));
            emit finished();
            return;
        }
        host = modVersion::ProxyHost(proxy);
    }
    m_reading = true;
    wskMain->connectToHost(host, port);
}

void VersionCheck::connected()
{
    wskMain->write(modVersion::VersionRequest(m_host, m_port, m_viaProxy, m_path));
}

void VersionCheck::dataArrived()
{
    // The first incomplete piece starts the timer for one last reading.
    if (!ReadAnswer(false) && m_reading && !tmrVersion->isActive())
        tmrVersion->start();
}

void VersionCheck::timerFired()
{
    ReadAnswer(true);
}

void VersionCheck::connectionEnded()
{
    // Refused, unreachable or closed by the server: what arrived is all there is.
    ReadAnswer(true);
}

bool VersionCheck::ReadAnswer(bool last)
{
    if (!m_reading)
        return false;
    if (wskMain->isReadable())
        m_received += wskMain->readAll();
    // A version answer is a few bytes; a server that sends more than this is not
    // reading from the same page, and what it sends is not kept in memory.
    constexpr qsizetype MaxAnswerSize = 64 * 1024;
    if (!last && !modVersion::AnswerComplete(m_received) && m_received.size() <= MaxAnswerSize)
        return false;
    m_reading = false;
    tmrVersion->stop();
    wskMain->abort();
    const QByteArray answer = std::exchange(m_received, {});

    bool read = false;
    if (modVersion::AnswerStatus(answer) == 200) {
        const QString body = modVersion::AnswerBody(answer);
        // Three numbers and two dots; anything much longer is no version number.
        if (!body.isEmpty() && answer.size() <= MaxAnswerSize && body.size() <= 64) {
            read = true;
            m_latest = body;
            const QString since = modSettings::Get(Setting::CheckVersionSince);
            if (modVersion::NoticeWanted(m_latest, since, QString::fromLatin1(Version::AppVersion)))
                ShowNotice();
        }
    }
    emit finished();
    return read;
}

void VersionCheck::ShowNotice()
{
    // Modal, but shown without a nested event loop: the answer is read inside a socket
    // signal.
    auto* notice = new frmNewVersion(m_latest, m_window);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::ApplicationModal);
    notice->show();
}

namespace modVersion {

VersionCheck* InstallVersionCheck(frmMain& window, const QString& updateHost, quint16 updatePort, const QString& path)
{
    delete window.findChild<VersionCheck*>(QString::fromLatin1(CheckerName), Qt::FindDirectChildrenOnly);
    window.OfferVersionCheck();
    return new VersionCheck(updateHost, updatePort, &window, path);
}

VersionCheck* Checker(frmMain& window)
{
    if (auto* checker = window.findChild<VersionCheck*>(QString::fromLatin1(CheckerName), Qt::FindDirectChildrenOnly))
        return checker;
    const QUrl address = Version::UpdateUrl();
    if (address.isEmpty())
        return nullptr;
    const QString path = address.path().isEmpty() || address.path() == QLatin1String("/")
                             ? QString::fromLatin1(VersionPath)
                             : address.path(QUrl::FullyEncoded);
    return InstallVersionCheck(window, address.host(), static_cast<quint16>(address.port(80)), path);
}

void CheckVersion(frmMain& window)
{
    const bool on = modSettings::IsOn(Setting::CheckVersion);
    window.SetVersionCheckTicked(on);
    if (!on)
        return;
    // A build without an update address has nowhere to ask.
    if (VersionCheck* checker = Checker(window))
        checker->Start();
}

void ToggleCheckVersion(frmMain& window)
{
    // Qt has already moved the check mark: it shows the wanted state.
    if (!window.VersionCheckTicked()) {
        modSettings::SetOn(Setting::CheckVersion, false);
        return;
    }
    modSettings::SetOn(Setting::CheckVersion, true);
    CheckVersion(window);
}

void ShowAbout(frmMain& window)
{
    frmAbout about(&window);
    about.exec();
}

void RegisterVersionWindows(frmMain& window)
{
    window.SetWindowOpener(QStringLiteral("CheckVersion"), &ToggleCheckVersion);
    window.SetWindowOpener(QStringLiteral("frmAbout"), &ShowAbout);
}

} // namespace modVersion
