// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "version/modVersion.h"

class QTcpSocket;
class QTimer;
class QWidget;
class frmMain;

// One question to the update server per Start(): connect (directly or through the
// user's proxy), send the request, read the answer and announce a newer version with
// the notice window. Lives as a child of the main window, whose socket and timer it
// holds (wskMain, tmrVersion).
class VersionCheck : public QObject
{
    Q_OBJECT

public:
    // updateHost and updatePort name the server that publishes the version number at
    // path; the notice opens over window.
    VersionCheck(const QString& updateHost, quint16 updatePort, QWidget* window,
                 const QString& path = QString::fromLatin1(modVersion::VersionPath));

    // Gives up a check in progress and starts a new one. A proxy that cannot be used is
    // written to the log and no connection is made.
    void Start();
    // The version the server named last; "" before any answer.
    QString LatestVersion() const { return m_latest; }
    bool IsRunning() const { return m_reading; }

    QTcpSocket* wskMain = nullptr;
    QTimer* tmrVersion = nullptr;

signals:
    // The check is over: answered (the notice, if due, is open), failed or not begun.
    void finished();

private:
    void connected();
    void dataArrived();
    void timerFired();
    void connectionEnded();
    // Reads what has arrived. Unless last, an answer that is not complete yet is left
    // to a later reading. True when a version number was read.
    bool ReadAnswer(bool last);
    void ShowNotice();

    QString m_host;
    quint16 m_port;
    QString m_path;
    QWidget* m_window;
    bool m_viaProxy = false;
    bool m_reading = false;
    QByteArray m_received;
    QString m_latest;
};

namespace modVersion {

// Gives the main window a checker for this update server, replacing an earlier one,
// and the menu entry that switches it.
VersionCheck* InstallVersionCheck(frmMain& window, const QString& updateHost, quint16 updatePort,
                                  const QString& path = QString::fromLatin1(VersionPath));
// The main window's checker; one for the program's update address when none is
// installed; nullptr when the program has no update address.
VersionCheck* Checker(frmMain& window);
// At start and when switched on: follows Setting::CheckVersion with the menu's check mark and
// asks the server when the check is on.
void CheckVersion(frmMain& window);
// Options > Check version, after the menu entry has changed its check mark.
void ToggleCheckVersion(frmMain& window);
// Help > About.
void ShowAbout(frmMain& window);
// Connects Options > Check version and Help > About.
void RegisterVersionWindows(frmMain& window);

} // namespace modVersion
