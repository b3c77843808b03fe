// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QString>

// The version check without the socket: comparing version texts, finding the proxy,
// the request text and the reading of the server's answer.
namespace modVersion {

// Where the latest version number is published below the update host.
constexpr const char* VersionPath = "/addrion/info/latestversion.txt";

// True when version a is strictly newer than b. Both are three groups separated by
// ".", each group compared by the number its digits form ("3b" counts as 3); a missing
// or digitless group counts as 0.
bool IsNewerVersion(const QString& a, const QString& b);

// Whether the notice is due for the latest published version, given the version the
// user asked not to be reminded of ("" when never) and the running version.
bool NoticeWanted(const QString& latest, const QString& since, const QString& running);

// The proxy for plain HTTP from a browser-style setting: "host:port" for every
// protocol, or the "http=" entry of a per-protocol list such as
// "ftp=a:21;http=b:8080;https=c:443". "" when disabled or when the list has no entry.
QString ProxyFromSettings(bool enabled, const QString& proxyServer);
// An http_proxy value ("http://host:port/", "host:port", "user@host:port") reduced to
// "host:port"; "" for an empty value.
QString ProxyFromEnvironment(const QString& value);
// The proxy this user has configured: http_proxy, else HTTP_PROXY; "" for none.
QString GetProxy();

// The hosts to reach without the proxy: no_proxy, else NO_PROXY; "" for none.
QString GetNoProxy();
// Whether host:port is to be reached directly by a no_proxy list, read as the common
// command-line downloaders read it: entries separated by commas or blanks; "*" alone
// for every host; a name for itself and every host below it ("home.lan" and
// ".home.lan" both cover "nas.home.lan"); an address only itself; any entry
// with ":port" only for that port.
bool BypassesProxy(const QString& host, quint16 port, const QString& noProxy);

// A failure as the log records it: number and description.
struct Failure
{
    int number = 0;
    QString description;
};

// The text before the first ":".
QString ProxyHost(const QString& proxy);
// The port after the first ":"; 0 with failure filled in when there is no valid port.
quint16 ProxyPort(const QString& proxy, Failure* failure);

// The request for path sent once the socket is connected. Through a proxy the request
// line carries the full address. The port joins the host only when it is not 80.
QByteArray VersionRequest(const QString& updateHost, quint16 updatePort, bool viaProxy,
                          const QString& path = QString::fromLatin1(VersionPath));

// The status code from the status line ("HTTP/1.1 200 OK" gives 200); 0 when absent.
int AnswerStatus(const QByteArray& answer);
// Everything after the end of the header, without surrounding blanks and line ends;
// "" when the header has not ended.
QString AnswerBody(const QByteArray& answer);
// True when the header has ended with a Content-Length and the body is that long: the
// answer needs no further reading. Without a length only the end of the connection
// (or the last reading) tells.
bool AnswerComplete(const QByteArray& answer);

// The log line for a failure inside the check.
QString CheckVersionLogText(const QString& source, const Failure& failure);

} // namespace modVersion
