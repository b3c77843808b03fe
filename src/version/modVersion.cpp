// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modVersion.h"

#include "startup/Version.h"
#include "startup/modEnvironment.h"

#include <QRegularExpression>

#include <array>

namespace modVersion {

namespace {

const QByteArray HeaderEnd("\r\n\r\n");

// The three groups of a version text as digit strings without leading zeros, so that
// groups of any length compare as numbers.
std::array<QString, 3> VersionGroups(const QString& version)
{
    const int first = version.indexOf(QLatin1Char('.'));
    const int second = first < 0 ? -1 : version.indexOf(QLatin1Char('.'), first + 1);
    std::array<QString, 3> groups;
    if (first < 0) {
        groups[0] = version;
    } else if (second < 0) {
        groups[0] = version.left(first);
        groups[1] = version.mid(first + 1);
    } else {
        groups[0] = version.left(first);
        groups[1] = version.mid(first + 1, second - first - 1);
        groups[2] = version.mid(second + 1);
    }
    for (QString& group : groups) {
        group = modEnvironment::DigitsOnly(group);
        int zeros = 0;
        while (zeros < group.size() && group.at(zeros) == QLatin1Char('0'))
            ++zeros;
        group.remove(0, zeros);
    }
    return groups;
}

int CompareNumbers(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return QString::compare(a, b);
}

} // namespace

bool IsNewerVersion(const QString& a, const QString& b)
{
    const auto groupsA = VersionGroups(a);
    const auto groupsB = VersionGroups(b);
    for (std::size_t i = 0; i < groupsA.size(); ++i) {
        const int order = CompareNumbers(groupsA[i], groupsB[i]);
        if (order != 0)
            return order > 0;
    }
    return false;
}

bool NoticeWanted(const QString& latest, const QString& since, const QString& running)
{
    // The reference is whichever is newer: the running version or the one the user
    // asked not to be reminded of.
    if (!since.isEmpty() && IsNewerVersion(since, running))
        return IsNewerVersion(latest, since);
    return IsNewerVersion(latest, running);
}

QString ProxyFromSettings(bool enabled, const QString& proxyServer)
{
    if (!enabled)
        return {};
    if (!proxyServer.contains(QLatin1Char('=')))
        return proxyServer;
    const QString marker = QStringLiteral("http=");
    const int at = proxyServer.indexOf(marker);
    if (at < 0)
        return {};
    const int start = at + marker.size();
    const int end = proxyServer.indexOf(QLatin1Char(';'), start);
    return end < 0 ? proxyServer.mid(start) : proxyServer.mid(start, end - start);
}

QString ProxyFromEnvironment(const QString& value)
{
    QString proxy = value.trimmed();
    const int scheme = proxy.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        proxy.remove(0, scheme + 3);
    const int path = proxy.indexOf(QLatin1Char('/'));
    if (path >= 0)
        proxy.truncate(path);
    // Credentials are not sent; the host and port follow the last "@".
    const int credentials = proxy.lastIndexOf(QLatin1Char('@'));
    if (credentials >= 0)
        proxy.remove(0, credentials + 1);
    return proxy;
}

QString GetProxy()
{
    for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty())
            return ProxyFromEnvironment(value);
    }
    return {};
}

QString GetNoProxy()
{
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

namespace {

// A host name without the letter case and the final dot that a name may carry, or an
// address without the brackets around IPv6.
QString PlainHost(QString host)
{
    host = host.trimmed().toLower();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host;
}

struct NoProxyEntry
{
    QString host;
    int port = -1; // -1: every port
};

// "name", "name:port", "1.2.3.4:port", "[::1]:port", "::1" (a bare IPv6 address has no port).
NoProxyEntry ParseNoProxyEntry(const QString& entry)
{
    NoProxyEntry parsed{entry, -1};
    const int close = entry.indexOf(QLatin1Char(']'));
    const int colon = entry.lastIndexOf(QLatin1Char(':'));
    const bool bracketed = entry.startsWith(QLatin1Char('['));
    const bool hasPort = bracketed ? colon > close && close > 0 : colon > 0 && entry.count(QLatin1Char(':')) == 1;
    if (hasPort) {
        bool isNumber = false;
        const int port = entry.mid(colon + 1).toInt(&isNumber);
        if (isNumber) {
            parsed.host = entry.left(colon);
            parsed.port = port;
        }
    }
    parsed.host = PlainHost(parsed.host);
    // "*.example.com" and ".example.com" both stand for the domain.
    if (parsed.host.startsWith(QLatin1String("*.")))
        parsed.host.remove(0, 1);
    while (parsed.host.startsWith(QLatin1Char('.')))
        parsed.host.remove(0, 1);
    return parsed;
}

bool IsAddress(const QString& host)
{
    static const QRegularExpression ipv4(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
    return host.contains(QLatin1Char(':')) || ipv4.match(host).hasMatch();
}

bool HostMatches(const QString& host, const QString& entry)
{
    // An address stands only for itself: "0.0.1" does not cover "127.0.0.1".
    if (IsAddress(host) || IsAddress(entry))
        return host == entry;
    return host == entry || host.endsWith(QLatin1Char('.') + entry);
}

} // namespace

bool BypassesProxy(const QString& host, quint16 port, const QString& noProxy)
{
    const QString target = PlainHost(host);
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (const QString& item : noProxy.split(separators, Qt::SkipEmptyParts)) {
        if (item == QLatin1String("*"))
            return true;
        const NoProxyEntry entry = ParseNoProxyEntry(item);
        if (entry.host.isEmpty() || (entry.port >= 0 && entry.port != port))
            continue;
        if (HostMatches(target, entry.host))
            return true;
    }
    return false;
}

QString ProxyHost(const QString& proxy)
{
    const int colon = proxy.indexOf(QLatin1Char(':'));
    return colon < 0 ? proxy : proxy.left(colon);
}

quint16 ProxyPort(const QString& proxy, Failure* failure)
{
    const int colon = proxy.indexOf(QLatin1Char(':'));
    const QString text = proxy.mid(colon + 1).trimmed();
    bool isNumber = false;
    const qlonglong port = text.toLongLong(&isNumber);
    Failure found;
    if (colon < 0 || !isNumber)
        found = {13, QStringLiteral("Type mismatch")};
    else if (port < 0 || port > 65535)
        found = {6, QStringLiteral("Overflow")};
    else if (port == 0)
        found = {5, QStringLiteral("Invalid procedure call or argument")};
    else
        return static_cast<quint16>(port);
    if (failure)
        *failure = found;
    return 0;
}

QByteArray VersionRequest(const QString& updateHost, quint16 updatePort, bool viaProxy, const QString& path)
{
    const QString authority =
        updatePort == 80 ? updateHost : updateHost + QLatin1Char(':') + QString::number(updatePort);
    const QString target = viaProxy ? QStringLiteral("http://") + authority + path : path;
    const QString request = QStringLiteral("GET ") + target + QStringLiteral(" HTTP/1.1\r\nUser-Agent: Addrion ") +
                            QString::fromLatin1(Version::AppVersion) + QStringLiteral("\r\nHost: ") + authority +
                            QStringLiteral("\r\n\r\n");
    return request.toLatin1();
}

int AnswerStatus(const QByteArray& answer)
{
    // Characters 10 to 12 of "HTTP/1.1 200 OK", three digits and nothing else (no sign,
    // no blanks), so that a garbled answer never reads as some other status.
    const QByteArray code = answer.mid(9, 3);
    if (code.size() != 3)
        return 0;
    for (const char c : code)
        if (c < '0' || c > '9')
            return 0;
    return code.toInt();
}

QString AnswerBody(const QByteArray& answer)
{
    const int end = answer.indexOf(HeaderEnd);
    if (end < 0)
        return {};
    // A published file often ends in a line break; it is not part of the version.
    return QString::fromUtf8(answer.mid(end + HeaderEnd.size())).trimmed();
}

bool AnswerComplete(const QByteArray& answer)
{
    const int end = answer.indexOf(HeaderEnd);
    if (end < 0)
        return false;
    const QList<QByteArray> lines = answer.left(end).split('\n');
    for (const QByteArray& line : lines) {
        const int colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed().toLower() != "content-length")
            continue;
        bool isNumber = false;
        const qlonglong length = line.mid(colon + 1).trimmed().toLongLong(&isNumber);
        return !isNumber || answer.size() - (end + HeaderEnd.size()) >= length;
    }
    // Without a length the end of the answer is unknown: the server's closing or the
    // last reading decides.
    return false;
}

QString CheckVersionLogText(const QString& source, const Failure& failure)
{
    return QStringLiteral("The following error occured in the function \"Check Version\" with") + source +
           QStringLiteral(": ") + QString::number(failure.number) + QStringLiteral(" - ") + failure.description;
}

} // namespace modVersion
