// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A real CardDAV server for the tests: Radicale on a free loopback port, with a private
// storage folder and one user with a plain password, stopped when this goes.
class RadicaleServer
{
public:
    static constexpr const char* User = "anna";
    static constexpr const char* Password = "secret";

    RadicaleServer() = default;
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // False with the reason (naming the Debian package when Radicale is missing). With tls: https
    // with a self-signed certificate made for it; without fsync: no waiting for the disk after
    // each card it writes (only for figures that show what that waiting costs).
    bool start(QString& error, bool tls = false, bool fsync = true);
    bool started() const { return m_port != 0; }
    QUrl url() const;
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    // The SHA-256 fingerprint of that certificate as the program shows it ("AB:CD:...").
    QString certificateFingerprint() const;
    // How many cards the server keeps in the address book of that name.
    int storedCards(const QString& book) const;
    // The folder in which the server keeps that address book's cards, one file each: cards
    // written there are the server's as if they had been sent.
    QString addressBookFolder(const QString& book) const;
    // The processor time the server has used so far, in milliseconds (Linux only).
    double cpuMs() const;
    // Makes a new, empty address book of the user and gives its URL ("" on failure).
    QUrl makeAddressBook(const QString& name, QString& error);

private:
    static int FreePort();
    // Whether the process pid listens on the loopback port.
    static bool ListensOn(qint64 pid, int port);
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    bool m_tls = false;
};
