// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "CardDav.h"

#include "language/modLanguage.h"
#include "startup/modSettings.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace CardDav {

namespace {

const QString DavNs = QStringLiteral("DAV:");
const QString CardNs = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// "d:getetag" -> the namespace and local name.
QPair<QString, QString> Qualified(const QString& property)
{
    const QString prefix = property.section(QLatin1Char(':'), 0, 0);
    return {prefix == QLatin1String("c") ? CardNs : DavNs, property.section(QLatin1Char(':'), 1)};
}

void StartDocument(QXmlStreamWriter& xml, const QString& root, const QString& rootNs)
{
    xml.writeStartDocument();
    xml.writeNamespace(DavNs, QStringLiteral("d"));
    xml.writeNamespace(CardNs, QStringLiteral("c"));
    xml.writeStartElement(rootNs, root);
}

void WriteProperties(QXmlStreamWriter& xml, const QStringList& properties)
{
    xml.writeStartElement(DavNs, QStringLiteral("prop"));
    for (const QString& property : properties) {
        const auto [ns, name] = Qualified(property);
        xml.writeEmptyElement(ns, name);
    }
    xml.writeEndElement();
}

int StatusOf(const QString& line)
{
    // "HTTP/1.1 200 OK"
    return line.simplified().section(QLatin1Char(' '), 1, 1).toInt();
}

// Reads one found property element (the reader is on its start) into the item.
void ReadProperty(QXmlStreamReader& xml, Item& item)
{
    const QString name = xml.name().toString();
    QString text;
    QStringList hrefs;
    QStringList children;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (++depth == 2)
                children << xml.name().toString();
            if (xml.name() == QLatin1String("href") && xml.namespaceUri() == DavNs) {
                hrefs << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        } else if (xml.isCharacters()) {
            text += xml.text();
        }
    }
    item.texts[name] = text;
    item.hrefs[name] = hrefs;
    if (name == QLatin1String("resourcetype"))
        item.resourceTypes = children;
}

void ReadPropstat(QXmlStreamReader& xml, Item& item)
{
    Item found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("status")) {
            status = StatusOf(xml.readElementText());
        } else if (xml.name() == QLatin1String("prop")) {
            while (xml.readNextStartElement())
                ReadProperty(xml, found);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status / 100 != 2)
        return;
    for (auto& [name, text] : found.texts)
        item.texts[name] = text;
    for (auto& [name, hrefs] : found.hrefs)
        item.hrefs[name] = hrefs;
    if (!found.resourceTypes.isEmpty())
        item.resourceTypes = found.resourceTypes;
    if (item.status == 0)
        item.status = status;
}

Item ReadResponse(QXmlStreamReader& xml)
{
    Item item;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("href"))
            item.href = xml.readElementText().trimmed();
        else if (xml.name() == QLatin1String("status"))
            item.status = StatusOf(xml.readElementText());
        else if (xml.name() == QLatin1String("propstat"))
            ReadPropstat(xml, item);
        else
            xml.skipCurrentElement();
    }
    return item;
}

QUrl Resolve(const QUrl& base, const QString& href)
{
    return base.resolved(QUrl(href));
}

// The first href of a property of the one response of a Depth 0 PROPFIND.
QUrl FindHref(Session& session, const QUrl& url, const QString& property, Response& response)
{
    response = session.Send("PROPFIND", url, PropfindBody({property}), {{"Depth", "0"}});
    if (response.status != 207)
        return QUrl();
    const Multistatus answer = ParseMultistatus(response.body);
    const QString name = Qualified(property).second;
    for (const Item& item : answer.items) {
        const auto found = item.hrefs.find(name);
        if (found != item.hrefs.end() && !found->second.isEmpty())
            return Resolve(response.url, found->second.first());
    }
    return QUrl();
}

std::vector<AddressBook> ListAddressBooks(Session& session, const QUrl& url, Response& response)
{
    std::vector<AddressBook> books;
    response =
        session.Send("PROPFIND", url, PropfindBody({QStringLiteral("d:resourcetype"), QStringLiteral("d:displayname")}),
                     {{"Depth", "1"}});
    if (response.status != 207)
        return books;
    for (const Item& item : ParseMultistatus(response.body).items) {
        if (!item.resourceTypes.contains(QStringLiteral("addressbook")))
            continue;
        const auto name = item.texts.find(QStringLiteral("displayname"));
        const QUrl bookUrl = Resolve(response.url, item.href);
        books.push_back({bookUrl, name != item.texts.end() && !name->second.trimmed().isEmpty()
                                      ? name->second.trimmed()
                                      : bookUrl.path().section(QLatin1Char('/'), -2, -2)});
    }
    return books;
}

QString DeadlineText()
{
    return T("The synchronisation took longer than %1 minutes and was stopped.").arg(SyncDeadlineMinutes);
}

// The server's certificate is kept per "dav.example.net:443".
SettingKey CertificateSetting(const QUrl& url)
{
    return {Setting::Certificate,
            QStringLiteral("%1:%2").arg(url.host()).arg(url.port(url.scheme() == QLatin1String("http") ? 80 : 443))};
}

} // namespace

QString OriginOf(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
    return scheme + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') + QString::number(port);
}

Session::Session(QString user, QString password, int timeoutMs)
    : m_user(std::move(user)), m_password(std::move(password)), m_timeoutMs(timeoutMs)
{
    m_manager.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
}

void Session::KeepTo(const QUrl& origin)
{
    m_origin = OriginOf(origin);
}

void Session::SetDeadline(qint64 ms)
{
    m_deadline = QDeadlineTimer(ms);
    m_deadlinePassed = false;
}

Response Session::Send(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers,
                       qint64 limit)
{
    return SendAll({{verb, url, body, headers, limit}}, 1).front();
}

Response Session::SendListing(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers)
{
    return SendAll({{verb, url, body, headers, MaxAnswerBytes, true}}, 1).front();
}

std::vector<Response> Session::SendAll(const std::vector<Request>& requests, int inFlight)
{
    std::vector<Response> responses(requests.size());
    QEventLoop loop;
    // Past the deadline every request under way ends.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [this] {
        m_deadlinePassed = true;
        for (QNetworkReply* reply : QList<QNetworkReply*>(m_running))
            reply->abort();
    });
    if (!m_deadline.isForever())
        deadline.start(std::chrono::milliseconds(std::max<qint64>(0, m_deadline.remainingTime())));
    size_t next = 0;
    std::function<void()> startMore = [&] {
        while (m_running.size() < inFlight && next < requests.size()) {
            const size_t index = next++;
            QNetworkReply* reply = Start(requests[index], responses[index]);
            if (!reply)
                continue;
            QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, index] {
                m_running.removeOne(reply);
                Finish(reply, responses[index]);
                startMore();
                if (m_running.isEmpty() && next == requests.size())
                    loop.quit();
            });
        }
    };
    startMore();
    if (!m_running.isEmpty())
        loop.exec();
    return responses;
}

QNetworkReply* Session::Start(const Request& request, Response& response)
{
    response.url = request.url;
    if (m_cancelled) {
        response.error = QStringLiteral("Cancelled");
        return nullptr;
    }
    if (m_deadlinePassed || m_deadline.hasExpired()) {
        m_deadlinePassed = true;
        response.refusal = DeadlineText();
        return nullptr;
    }
    if (m_origin.isEmpty())
        m_origin = OriginOf(request.url);
    if (OriginOf(request.url) != m_origin) {
        response.refusal = T("A request to %1 was refused: it is not on the address book's server.")
                               .arg(request.url.toDisplayString());
        return nullptr;
    }
    QNetworkRequest out(request.url);
    // A PUT or DELETE sent on elsewhere is not done: the server said so with its answer.
    if (request.verb == "PUT" || request.verb == "DELETE")
        out.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    out.setRawHeader("Authorization", "Basic " + (m_user + QLatin1Char(':') + m_password).toUtf8().toBase64());
    if (!request.body.isEmpty())
        out.setHeader(QNetworkRequest::ContentTypeHeader, request.verb == "PUT"
                                                              ? QByteArray("text/vcard; charset=utf-8")
                                                              : QByteArray("application/xml; charset=utf-8"));
    for (const auto& [name, value] : request.headers)
        out.setRawHeader(name, value);
    out.setTransferTimeout(request.wholeBook ? ListingPatience * m_timeoutMs : m_timeoutMs);

    QNetworkReply* reply = m_manager.sendCustomRequest(out, request.verb, request.body);
    m_running << reply;
    // A certificate that fails the checks passes only when the user accepted it for
    // this server.
    QObject::connect(reply, &QNetworkReply::sslErrors, reply, [this, reply, &response](const QList<QSslError>&) {
        const QSslCertificate certificate = reply->sslConfiguration().peerCertificate();
        const QString fingerprint =
            QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
        if (!certificate.isNull() && fingerprint == AcceptedCertificate(reply->url())) {
            reply->ignoreSslErrors();
            return;
        }
        response.untrustedCertificate = true;
        response.certificateSubject = certificate.subjectDisplayName();
        response.certificateFingerprint = fingerprint;
        m_refusedCertificate = fingerprint;
    });
    // The body is taken as it comes, so that an answer over its limit is cut off at the
    // limit instead of being held whole.
    const qint64 limit = request.limit;
    response.limit = limit;
    reply->setReadBufferSize(qint64(1) << 18);
    const auto refuse = [reply, &response, limit] {
        response.refusal = T("The server's answer is larger than %1 MiB and was refused.").arg(limit >> 20);
        response.tooLarge = true;
        response.body.clear();
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, limit, refuse] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > limit)
            refuse();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, &response, limit, refuse] {
        if (!response.refusal.isEmpty())
            return;
        const QByteArray chunk = reply->readAll();
        if (response.body.size() + chunk.size() > limit) {
            refuse();
            return;
        }
        // Grown by doubling, but never past the limit: an answer near it needs no more.
        if (response.body.size() + chunk.size() > response.body.capacity())
            response.body.reserve(std::min<qint64>(
                limit, std::max<qint64>(2 * response.body.capacity(), response.body.size() + chunk.size())));
        response.body += chunk;
    });
    return reply;
}

void Session::Finish(QNetworkReply* reply, Response& response)
{
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An aborted or timed-out reply is closed: reading it would only warn.
    if (reply->isOpen() && response.refusal.isEmpty())
        response.body += reply->readAll();
    if (response.body.size() > response.limit) {
        response.refusal = T("The server's answer is larger than %1 MiB and was refused.").arg(response.limit >> 20);
        response.tooLarge = true;
    }
    response.etag = reply->rawHeader("ETag");
    response.url = reply->url();
    response.networkError = reply->error();
    if (response.status / 100 == 3 || response.networkError == QNetworkReply::InsecureRedirectError) {
        QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (target.isEmpty())
            target = QUrl::fromEncoded(reply->rawHeader("Location"));
        response.redirectedTo = reply->url().resolved(target);
        m_lastRedirect = response.redirectedTo;
    }
    if (m_deadlinePassed && response.refusal.isEmpty() &&
        response.networkError == QNetworkReply::OperationCanceledError)
        response.refusal = DeadlineText();
    if (!response.refusal.isEmpty()) {
        response.status = 0;
        response.body.clear();
    }
    if (response.status == 0 && response.error.isEmpty())
        response.error = m_cancelled ? QStringLiteral("Cancelled") : reply->errorString();
    reply->deleteLater();
}

void Session::Cancel()
{
    m_cancelled = true;
    // Aborting finishes the reply, which takes it off the list.
    for (QNetworkReply* reply : QList<QNetworkReply*>(m_running))
        reply->abort();
}

namespace {

// Whether the XML nests elements deeper than MaxDepth anywhere; read with a stack of at
// most that depth.
bool TooDeep(const QByteArray& body)
{
    QXmlStreamReader xml(body);
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && ++depth > MaxDepth)
            return true;
        if (xml.isEndElement())
            --depth;
    }
    return false;
}

} // namespace

Multistatus ParseMultistatus(const QByteArray& body)
{
    Multistatus result;
    if (TooDeep(body))
        return result;
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("multistatus") || xml.namespaceUri() != DavNs)
        return result;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("response"))
            result.items.push_back(ReadResponse(xml));
        else if (xml.name() == QLatin1String("sync-token"))
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    // A broken answer tells nothing: half of a listing must not pass for all of it.
    if (xml.hasError())
        return Multistatus();
    result.valid = true;
    return result;
}

QByteArray PropfindBody(const QStringList& properties)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    StartDocument(xml, QStringLiteral("propfind"), DavNs);
    WriteProperties(xml, properties);
    xml.writeEndDocument();
    return body;
}

QByteArray SyncCollectionBody(const QString& token)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    StartDocument(xml, QStringLiteral("sync-collection"), DavNs);
    xml.writeTextElement(DavNs, QStringLiteral("sync-token"), token);
    xml.writeTextElement(DavNs, QStringLiteral("sync-level"), QStringLiteral("1"));
    WriteProperties(xml, {QStringLiteral("d:getetag")});
    xml.writeEndDocument();
    return body;
}

QByteArray MultigetBody(const QStringList& hrefs)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    StartDocument(xml, QStringLiteral("addressbook-multiget"), CardNs);
    WriteProperties(xml, {QStringLiteral("d:getetag"), QStringLiteral("c:address-data")});
    for (const QString& href : hrefs)
        xml.writeTextElement(DavNs, QStringLiteral("href"), href);
    xml.writeEndDocument();
    return body;
}

namespace {

std::vector<AddressBook> Search(Session& session, const QUrl& start, QString& error)
{
    Response response;
    // The URL may be an address book or a collection of them already.
    std::vector<AddressBook> books;
    if (!start.path().isEmpty() && start.path() != QLatin1String("/")) {
        response = session.Send("PROPFIND", start,
                                PropfindBody({QStringLiteral("d:resourcetype"), QStringLiteral("d:displayname")}),
                                {{"Depth", "0"}});
        if (response.status == 207) {
            for (const Item& item : ParseMultistatus(response.body).items)
                if (item.resourceTypes.contains(QStringLiteral("addressbook")))
                    books.push_back({response.url, item.texts.count(QStringLiteral("displayname"))
                                                       ? item.texts.at(QStringLiteral("displayname")).trimmed()
                                                       : QString()});
            if (!books.empty())
                return books;
        }
    }
    QUrl context = start;
    if (start.path().isEmpty() || start.path() == QLatin1String("/"))
        context = start.resolved(QUrl(QStringLiteral("/.well-known/carddav")));
    QUrl principal = FindHref(session, context, QStringLiteral("d:current-user-principal"), response);
    if (principal.isEmpty() && context != start)
        principal = FindHref(session, start, QStringLiteral("d:current-user-principal"), response);
    if (principal.isEmpty()) {
        error = Describe(response);
        return books;
    }
    const QUrl home = FindHref(session, principal, QStringLiteral("c:addressbook-home-set"), response);
    if (home.isEmpty()) {
        error = Describe(response);
        return books;
    }
    books = ListAddressBooks(session, home, response);
    if (books.empty())
        error = response.status == 207 ? QStringLiteral("The server has no address book for this user.")
                                       : Describe(response);
    return books;
}

} // namespace

std::vector<AddressBook> Discover(Session& session, const QUrl& start, QString& error, QUrl* redirected)
{
    session.KeepTo(start);
    std::vector<AddressBook> found = Search(session, start, error);
    const auto elsewhere = [&start](const AddressBook& book) { return OriginOf(book.url) != OriginOf(start); };
    found.erase(std::remove_if(found.begin(), found.end(), elsewhere), found.end());
    if (found.empty() && error.isEmpty())
        error = QStringLiteral("The server has no address book for this user.");
    if (redirected && found.empty() && OriginOf(session.LastRedirect()) != OriginOf(start))
        *redirected = session.LastRedirect();
    return found;
}

QString Describe(const Response& response)
{
    if (!response.refusal.isEmpty())
        return response.refusal;
    if (!response.redirectedTo.isEmpty())
        return T("The server sent the request on to %1; it was not followed.")
            .arg(response.redirectedTo.toDisplayString());
    if (response.untrustedCertificate)
        return T("The server's certificate is not trusted.") + QLatin1Char('\n') + response.certificateSubject +
               QStringLiteral("\nSHA-256: ") + response.certificateFingerprint;
    const QString detail =
        QStringLiteral(" (%1)").arg(response.status == 0 ? response.error : QString::number(response.status));
    if (response.status == 0) {
        switch (response.networkError) {
        case QNetworkReply::ConnectionRefusedError:
            return T("The server refused the connection.") + detail;
        case QNetworkReply::HostNotFoundError:
            return T("The server's name was not found.") + detail;
        case QNetworkReply::TimeoutError:
        case QNetworkReply::OperationCanceledError: // the transfer timeout ends a request this way
            return response.error == QLatin1String("Cancelled") ? response.error
                                                                : T("The server did not answer in time.");
        default:
            return T("No connection to the server.") + detail;
        }
    }
    if (response.status == 401)
        return T("The server did not accept the user name and password.") + detail;
    if (response.status / 100 == 2)
        return T("The server's answer could not be understood.");
    return T("The server reported an error.") + detail;
}

QString AcceptedCertificate(const QUrl& url)
{
    return modSettings::Get(CertificateSetting(url));
}

void AcceptCertificate(const QUrl& url, const QString& fingerprint)
{
    modSettings::Set(CertificateSetting(url), fingerprint);
}

} // namespace CardDav
