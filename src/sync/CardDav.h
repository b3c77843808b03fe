// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <vector>

// Speaking CardDAV (WebDAV with address books) to a server: requests waited for without blocking the event loop, and
// the multistatus answers read into plain values.
namespace CardDav {

using Headers = QList<QPair<QByteArray, QByteArray>>;

// What a server may send, at most: an answer of 64 MiB (a listing or a batch of cards),
// one card of 1 MiB, XML nested 64 elements deep; and a sync may take 15 minutes. What
// is larger is refused unread, with a reason, so memory stays bounded whatever a
// server sends, and a server that answers without end cannot hold a sync forever.
constexpr qint64 MaxAnswerBytes = qint64(64) << 20;
constexpr qint64 MaxCardBytes = qint64(1) << 20;
constexpr int MaxDepth = 64;
constexpr int SyncDeadlineMinutes = 15;

struct Response
{
    int status = 0; // HTTP status; 0 when no answer came
    QString error;  // in words, when no answer came (network, TLS, timeout, cancelled)
    QByteArray body;
    QByteArray etag; // the ETag header, quotes kept
    QUrl url;        // where the answer came from after redirects
    QNetworkReply::NetworkError networkError = QNetworkReply::NoError;
    // A certificate the server showed that is neither valid nor accepted for it: its
    // subject and SHA-256 fingerprint, for the question whether to accept it.
    bool untrustedCertificate = false;
    QString certificateSubject;
    QString certificateFingerprint;
    // Where the server sent the request on to, when that was not followed (another
    // origin, or a request that changes something).
    QUrl redirectedTo;
    // Why the request was refused or cut off here, in words: another origin, an answer
    // over its limit, the deadline. Empty otherwise.
    QString refusal;
    bool tooLarge = false;         // refused for its size
    qint64 limit = MaxAnswerBytes; // the body was held to
};

struct Request
{
    QByteArray verb;
    QUrl url;
    QByteArray body;
    Headers headers;
    qint64 limit = MaxAnswerBytes; // of the answer's body
    // A listing of the whole address book: the server may say nothing until it has gone
    // through every card (half a minute for 30000 cards is no fault), so the silence it
    // is allowed is ListingPatience times that of any other request.
    bool wholeBook = false;
};

constexpr int ListingPatience = 10;

// The scheme, host and port of a URL as one text, the port filled in from the scheme.
QString OriginOf(const QUrl& url);

class Session
{
public:
    // Every request of a session goes to one origin: the one given here, or else the one
    // of its first request. A request to another is refused unsent, redirects are
    // followed only within the origin (never for PUT and DELETE), so the password and
    // the cards go nowhere else.
    Session(QString user, QString password, int timeoutMs = 30000);
    void KeepTo(const QUrl& origin);
    // Ends the session's requests that have not finished in ms from now.
    void SetDeadline(qint64 ms);
    Response Send(const QByteArray& verb, const QUrl& url, const QByteArray& body = QByteArray(),
                  const Headers& headers = Headers(), qint64 limit = MaxAnswerBytes);
    // A listing of the whole address book (Request::wholeBook).
    Response SendListing(const QByteArray& verb, const QUrl& url, const QByteArray& body, const Headers& headers);
    // Sends them all, up to inFlight at a time (the network access manager opens up to
    // six connections to a host), and returns the answers in the same order.
    std::vector<Response> SendAll(const std::vector<Request>& requests, int inFlight = 6);
    // Ends the request under way and every later one with an error.
    void Cancel();
    bool Cancelled() const { return m_cancelled; }
    // The fingerprint of the last certificate refused, empty when none was.
    QString RefusedCertificate() const { return m_refusedCertificate; }
    // Where the server last sent a request on to without it being followed; empty when it never did.
    QUrl LastRedirect() const { return m_lastRedirect; }

private:
    QNetworkAccessManager m_manager;
    QString m_user;
    QString m_password;
    int m_timeoutMs;
    bool m_cancelled = false;
    QString m_refusedCertificate;
    QList<QNetworkReply*> m_running;
    QString m_origin;
    QDeadlineTimer m_deadline = QDeadlineTimer(QDeadlineTimer::Forever);
    bool m_deadlinePassed = false;
    QUrl m_lastRedirect;

    QNetworkReply* Start(const Request& request, Response& response);
    void Finish(QNetworkReply* reply, Response& response);
};

// One <response> of a multistatus answer.
struct Item
{
    QString href;                     // as the server wrote it, percent-encoded
    int status = 0;                   // of the response itself (404 for a removed member) or of its found properties
    std::map<QString, QString> texts; // found property (local name) -> its text
    std::map<QString, QStringList> hrefs; // found property -> the hrefs inside it
    QStringList resourceTypes;            // local names inside resourcetype
};

struct Multistatus
{
    bool valid = false; // well-formed and a multistatus; when not, nothing else is filled
    std::vector<Item> items;
    QString syncToken;
};

Multistatus ParseMultistatus(const QByteArray& xml);

// A PROPFIND body asking for the properties, given as "d:getetag", "c:addressbook-home-set", ...
QByteArray PropfindBody(const QStringList& properties);
QByteArray SyncCollectionBody(const QString& token);
QByteArray MultigetBody(const QStringList& hrefs);

struct AddressBook
{
    QUrl url;
    QString name;
};

// Finds the address books from a bare host or any URL on the server: the URL itself
// when it is one, else through /.well-known/carddav, the user's principal and its
// address-book home. Empty with the reason in error when none is found.
// Only books on the origin of start are taken. A server that sends a request on to
// another origin ends the search: redirected then holds where to, for the user to decide.
std::vector<AddressBook> Discover(Session& session, const QUrl& start, QString& error, QUrl* redirected = nullptr);

// What went wrong in words of the user's language, for the messages.
QString Describe(const Response& response);

// The certificate the user accepted for the server of this URL (its host and port),
// kept in the settings: trusting it is the user's decision, not the database file's.
QString AcceptedCertificate(const QUrl& url);
void AcceptCertificate(const QUrl& url, const QString& fingerprint);

} // namespace CardDav
