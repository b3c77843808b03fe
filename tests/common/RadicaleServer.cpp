// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "RadicaleServer.h"

#include "sync/CardDav.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <QTcpServer>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

RadicaleServer::~RadicaleServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
}

bool RadicaleServer::start(QString& error, bool tls, bool fsync)
{
    // The Debian package's program, or its module for the system's interpreter.
    const QString program = QStringLiteral("/usr/bin/radicale");
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFileInfo(program).isExecutable()) {
        error = QStringLiteral("Radicale is missing: install the Debian package radicale");
        return false;
    }
    QFile users(m_dir.filePath(QStringLiteral("users")));
    if (!users.open(QIODevice::WriteOnly) || users.write(QByteArray(User) + ':' + Password + '\n') < 0) {
        error = users.errorString();
        return false;
    }
    users.close();
    m_tls = tls;
    QStringList arguments =
        QString("-m radicale --auth-type htpasswd --auth-htpasswd-encryption plain --logging-level warning").split(' ');
    arguments << "--storage-filesystem-folder" << m_dir.filePath("storage") << "--auth-htpasswd-filename"
              << users.fileName();
    // That option is read only from the server's built-in defaults.
    if (!fsync) {
        arguments[0] = QStringLiteral("-c");
        arguments[1] = QStringLiteral("import radicale.config as c, radicale.__main__ as m; "
                                      "c.DEFAULT_CONFIG_SCHEMA['storage']['_filesystem_fsync']['value'] = 'False'; "
                                      "m.run()");
    }
    if (tls) {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        QStringList request =
            QString("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj").split(' ');
        openssl.start("openssl", request << "/CN=Addrion test server"
                                         << "-keyout" << key << "-out" << certificatePath());
        if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode()) {
            error = QStringLiteral("openssl made no certificate (Debian package openssl): ") +
                    QString::fromLocal8Bit(openssl.readAllStandardError()) + openssl.errorString();
            return false;
        }
        arguments << "--server-ssl"
                  << "True"
                  << "--server-certificate" << certificatePath() << "--server-key" << key;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // It ends with the test process: one outliving a killed test would keep its inherited files open.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // A port free a moment ago may be taken by the time the server binds it (tests run in
    // parallel): then the server ends, and another port is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreePort();
        m_process.start(QFileInfo(python).isExecutable() ? python : program,
                        QStringList(arguments) << "--server-hosts" << QString("127.0.0.1:%1").arg(m_port));
        if (!m_process.waitForStarted()) {
            error = QStringLiteral("Radicale did not start: ") + m_process.errorString();
            return false;
        }
        // Ready once this process, and no other, listens on the port.
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            if (ListensOn(m_process.processId(), m_port))
                return true;
            m_process.waitForFinished(100);
        }
        if (m_process.state() == QProcess::Running)
            break;
    }
    error = QStringLiteral("Radicale did not listen on port %1").arg(m_port);
    m_port = 0;
    return false;
}

int RadicaleServer::FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool RadicaleServer::ListensOn(qint64 pid, int port)
{
    // The kernel's table of TCP sockets names the listening one's inode; the process owns it
    // when one of its descriptors is that socket.
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    QByteArray inode;
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 9 && fields.at(1) == local && fields.at(3) == "0A")
            inode = fields.at(9);
    }
    if (inode.isEmpty())
        return false;
    const QString socket = QStringLiteral("socket:[%1]").arg(QString::fromLatin1(inode));
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& descriptor : descriptors.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(descriptor.filePath()).endsWith(socket))
            return true;
    return false;
}

int RadicaleServer::storedCards(const QString& book) const
{
    return static_cast<int>(QDir(addressBookFolder(book)).entryList({QStringLiteral("*.vcf")}, QDir::Files).size());
}

QString RadicaleServer::addressBookFolder(const QString& book) const
{
    return m_dir.filePath(QStringLiteral("storage/collection-root/%1/%2").arg(QLatin1String(User), book));
}

double RadicaleServer::cpuMs() const
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // After the command in parentheses: state is field 3, user and system time 14 and 15.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

QUrl RadicaleServer::url() const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/").arg(QLatin1String(m_tls ? "https" : "http")).arg(m_port));
}

QUrl RadicaleServer::makeAddressBook(const QString& name, QString& error)
{
    const QUrl book = url().resolved(QUrl(QStringLiteral("/%1/%2/").arg(QLatin1String(User), name)));
    CardDav::Session session(QString::fromLatin1(User), QString::fromLatin1(Password));
    const QByteArray body = "<?xml version=\"1.0\"?><d:mkcol xmlns:d=\"DAV:\" "
                            "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop><d:resourcetype>"
                            "<d:collection/><c:addressbook/></d:resourcetype><d:displayname>" +
                            name.toUtf8() + "</d:displayname></d:prop></d:set></d:mkcol>";
    const CardDav::Response response = session.Send("MKCOL", book, body);
    if (response.status != 201) {
        error = CardDav::Describe(response);
        return QUrl();
    }
    return book;
}

QString RadicaleServer::certificateFingerprint() const
{
    const auto certificates = QSslCertificate::fromPath(certificatePath());
    return certificates.isEmpty() ? QString()
                                  : certificates.first().digest(QCryptographicHash::Sha256).toHex(':').toUpper();
}
