// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSync.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "interchange/modDuplicates.h"
#include "interchange/modMerge.h"
#include "interchange/modVcard.h"
#include "interchange/modVcardImport.h"
#include "language/modLanguage.h"
#include "startup/modSettings.h"
#include "sync/modSyncCard.h"
#include "sync/modSyncPlan.h"
#include "sync/modSyncState.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUuid>

#include <optional>
#include <set>
#include <utility>

namespace modSync {

namespace {

using modSyncPlan::Action;

// "Sent: 2, Merged: 1" in the user's language: the counts that are not 0, so that the
// line stays short, or the first two when all are.
QString Counts(std::initializer_list<std::pair<QString, int>> counts)
{
    QStringList parts;
    for (const auto& [label, count] : counts)
        if (count != 0)
            parts << T(label) + QStringLiteral(": ") + QString::number(count);
    if (parts.isEmpty())
        for (auto it = counts.begin(); it != counts.end() && parts.size() < 2; ++it)
            parts << T(it->first) + QStringLiteral(": 0");
    return parts.join(QStringLiteral(", "));
}
using modSyncState::Entry;

// A card that is no person (a group, a resource, a place) is left alone on both sides.
bool IsPerson(const modVcard::Card& card)
{
    for (const modVcard::Property& property : card.properties)
        if (property.name == QLatin1String("KIND") || property.name == QLatin1String("X-ADDRESSBOOKSERVER-KIND"))
            return property.value.trimmed().compare(QLatin1String("individual"), Qt::CaseInsensitive) == 0;
    return true;
}

// Counts one person and keeps its name for the details.
void Note(int& count, QStringList& names, const QString& name)
{
    ++count;
    names << name;
}

std::vector<qint16> Numbers(const QHash<qint16, Entry>& byNumber)
{
    std::vector<qint16> numbers;
    numbers.reserve(byNumber.size());
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        numbers.push_back(it.key());
    return numbers;
}

struct Fetched
{
    QByteArray etag;
    QByteArray card;
};

class Run
{
public:
    Run(CardDav::Session& session, const Options& options, const modSyncState::Link& link)
        : m_session(session), m_options(options), m_book(QUrl(link.addressBook)), m_link(link)
    {
        m_limits = modMerge::CurrentLimits();
        m_dateFormat = modSettings::Get(Setting::DateFormat);
    }

    Result Go()
    {
        Compare();
        Commit();
        return m_result;
    }

private:
    void Compare();
    bool Fail(const CardDav::Response& response)
    {
        m_result.unauthorised = response.status == 401;
        m_result.error = CardDav::Describe(response);
        return false;
    }
    QUrl UrlOf(const QString& href) const { return m_book.resolved(QUrl(href)); }
    // A card's href as this sync keeps it: resolved against the address book, its path
    // fully encoded (so an encoded "#", "?" or "/" in a name stays part of the name).
    // Nothing for an href outside the address book: another origin or scheme, another
    // path, the book itself.
    std::optional<QString> Inside(const QString& href) const
    {
        const QUrl url = m_book.resolved(QUrl(href.trimmed()));
        if (!url.isValid() || CardDav::OriginOf(url) != CardDav::OriginOf(m_book) || url.hasQuery() ||
            url.hasFragment())
            return std::nullopt;
        QString book = m_book.path(QUrl::FullyEncoded);
        if (!book.endsWith(QLatin1Char('/')))
            book += QLatin1Char('/');
        const QString path = url.path(QUrl::FullyEncoded);
        if (!path.startsWith(book) || path.size() == book.size() || path.indexOf(QLatin1Char('/'), book.size()) >= 0)
            return std::nullopt;
        return path;
    }
    bool IsBook(const QString& href) const
    {
        const QUrl url = m_book.resolved(QUrl(href.trimmed()));
        const auto bare = [](QString path) {
            while (path.endsWith(QLatin1Char('/')))
                path.chop(1);
            return path;
        };
        return bare(url.path(QUrl::FullyEncoded)) == bare(m_book.path(QUrl::FullyEncoded));
    }
    // An href the server listed outside the address book: never asked for, never stored.
    void Refuse(const QString& href)
    {
        if (!m_result.refused.contains(href))
            m_result.refused << href;
    }
    // A UID that is no plain file name gets a cleaned name with a piece of its hash, so
    // that two UIDs never share a card.
    QString HrefFor(const QString& uid) const
    {
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._@-]"));
        QString name = uid;
        name.replace(unsafe, QStringLiteral("-"));
        if (name != uid || name.isEmpty())
            name +=
                QLatin1Char('-') +
                QString::fromLatin1(QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
        QString book = m_book.path(QUrl::FullyEncoded);
        if (!book.endsWith(QLatin1Char('/')))
            book += QLatin1Char('/');
        return book + name + QStringLiteral(".vcf");
    }

    // The multistatus answer of a Depth 1 listing of the address book; nothing (with the
    // failure noted) for any other answer.
    std::optional<CardDav::Multistatus> Ask(const QByteArray& verb, const QByteArray& body);
    std::optional<CardDav::Multistatus> Answer(const CardDav::Response& response);
    bool List(std::vector<modSyncPlan::RemoteCard>& remote);
    bool ListByPropfind(std::vector<modSyncPlan::RemoteCard>& remote);
    bool Fetch(const QStringList& hrefs);
    bool Get(const QString& href);
    bool Execute(const modSyncPlan::Operation& operation);
    // False, with the reason, for a plan that would remove most persons of a side and
    // was not agreed to. A card that only moved on the server removes nobody.
    bool Confirmed(const modSyncPlan::Plan& plan, int local, int remote);
    // Stores the server's card here (replacing or merging), with its state.
    bool StoreHere(const QString& uid, const QString& href, bool merge, bool* wasNew = nullptr);
    bool Upload(const QString& uid, const QString& href, const QByteArray& etag, bool isNew, int attempt = 0);
    // A card going up: the request, and what is recorded when it arrived.
    struct Sending
    {
        CardDav::Request request;
        Entry entry;
        bool unchanged = false; // the server's card already says it all: nothing goes up
        modVcard::Person person;
        qint16 contactnr = 0;
    };
    // Nothing for a person removed here meanwhile (the next sync sees it).
    std::optional<Sending> Prepare(const QString& uid, const QString& href, const QByteArray& etag, bool isNew);
    bool Sent(const Sending& sending, const CardDav::Response& response, int attempt);
    // Sends the cards of a run of plain uploads side by side, as many at a time as the
    // connection allows; each answer is then taken as if it had been sent alone.
    bool UploadAll(const std::vector<const modSyncPlan::Operation*>& operations);
    bool IsPlainUpload(const modSyncPlan::Operation& operation) const;
    bool RemoveHere(const QString& uid);
    // A card of a person merged into another here, met on the server with no state:
    // removed there unless it changed meanwhile (then it comes back here).
    bool RemoveMergedThere(const QString& href, const QString& etag);
    // The person a card of the server stands for; nothing for a card that is none.
    std::optional<modVcard::Person> PersonOf(const QByteArray& card) const;
    QString UidOf(const QString& href) const;
    // A card that is a vCard but of no person (a group, a resource, a place).
    static bool IsOtherKind(const QByteArray& card)
    {
        const std::vector<modVcard::Card> cards = modVcard::ParseCards(card);
        return cards.size() == 1 && cards.front().problem == modVcard::Problem::None && !IsPerson(cards.front());
    }
    // A card of the server this sync does not take, fetched again only when it changes:
    // a linked person keeps its link (with the new ETag), any other card is recorded.
    void LeaveAlone(const QString& uid, const QString& href, const QString& reason);
    void Report(const QString& href, const QString& reason);
    // Two cards of the server with one UID: the newer is the person's, the other is left alone.
    bool Duplicate(const QString& uid, const QString& href);
    // Whether the card of that UID, linked under another href that the server no longer
    // lists, has moved.
    bool IsMove(const QString& uid) const
    {
        const auto linked = m_entries.constFind(uid);
        return !uid.isEmpty() && linked != m_entries.cend() && !m_remote.contains(linked->href);
    }
    QString NameOf(const QByteArray& card) const;
    void Forget(const QString& uid);
    // Records the server's card as agreeing with the person here: nothing to merge or send.
    void Record(const QString& uid, const QString& href, const QString& hash);
    // The card of a linked person found under a new href: the link moves with it.
    bool Moved(const QString& uid, const QString& href);
    // Whether the server's card shows exactly the person here (our own upload met again).
    bool Agrees(const QString& uid, const QString& href);
    std::optional<modSyncState::LocalPerson> Person(const QString& uid);
    // Every request goes out with what was applied here committed first: a transaction
    // never waits for the network, and what the server was told is on record.
    CardDav::Response Send(const QByteArray& verb, const QUrl& url, const QByteArray& body = QByteArray(),
                           const CardDav::Headers& headers = CardDav::Headers());
    // A listing of the whole address book, sent as Send sends: the server may take long
    // before it says anything.
    CardDav::Response SendListing(const QByteArray& verb, const QByteArray& body, const CardDav::Headers& headers);
    // Changes here are applied in batches, each person in the same transaction as its
    // sync state, so that an interrupted sync leaves both consistent and the next one
    // completes it. One transaction per person would wait for the disk every time.
    void Begin();
    void Commit();
    qint16 FreeNumber();

    CardDav::Session& m_session;
    Options m_options;
    QUrl m_book;
    modSyncState::Link m_link;
    modVcard::Limits m_limits;
    QString m_dateFormat;
    Result m_result;
    QHash<QString, Entry> m_entries;   // by UID
    QHash<QString, Fetched> m_fetched; // by href
    QString m_newToken;
    QString m_storedName; // of the person StoreHere stored last
    // The numbers by UID and the numbers in use, read again whenever a batch begins, as
    // another program may have written between batches.
    QHash<QString, qint16> m_numbers;
    std::set<int> m_used;
    int m_freeFrom = 1; // no number below it is free
    // The file as the last batch left it: while it is the same, the three above still hold.
    std::optional<Engine::Connection::ChangeStamp> m_committed;
    // The persons here as the plan saw them, by UID; a person stored in this sync is
    // read again when it is sent.
    QHash<QString, modSyncState::LocalPerson> m_local;
    std::optional<Engine::Connection::Transaction> m_batch;
    // Stored here in this batch, waiting for the hash of the card we make of them: read
    // for the whole batch at once when it is committed.
    QHash<qint16, Entry> m_unhashed;
    int m_batched = 0;
    QSet<QString> m_merged;           // UIDs of persons merged into others here since the last sync
    QHash<QString, QString> m_remote; // the hrefs the server listed, with their ETags
    bool m_stored = false;            // whether StoreHere stored the card it was given
    // UIDs whose card the server now keeps under another href: the operations planned
    // for the old href are void.
    QSet<QString> m_moved;
};

bool Run::List(std::vector<modSyncPlan::RemoteCard>& remote)
{
    if (!m_options.useSyncCollection)
        return ListByPropfind(remote);
    QString token = m_link.syncToken;
    CardDav::Response response = SendListing("REPORT", CardDav::SyncCollectionBody(token), {{"Depth", "0"}});
    if (!token.isEmpty() && (response.status == 403 || response.status == 409 || response.status == 400)) {
        // The token is no longer valid: everything is listed afresh.
        token.clear();
        response = SendListing("REPORT", CardDav::SyncCollectionBody(token), {{"Depth", "0"}});
    }
    if (response.status == 401 || response.status == 0)
        return Fail(response);
    if (response.status != 207)
        return ListByPropfind(remote);
    const CardDav::Multistatus answer = CardDav::ParseMultistatus(response.body);
    if (!answer.valid)
        return Fail(response);
    // A token lists the changes since: the rest is as the last sync left it.
    QHash<QString, QString> etags;
    if (!token.isEmpty())
        for (const Entry& entry : m_entries)
            etags.insert(entry.href, entry.etag);
    for (const CardDav::Item& item : answer.items) {
        if (IsBook(item.href))
            continue;
        const std::optional<QString> href = Inside(item.href);
        if (!href) {
            Refuse(item.href);
            continue;
        }
        const auto etag = item.texts.find(QStringLiteral("getetag"));
        if (item.status == 404 || etag == item.texts.end())
            etags.remove(*href);
        else
            etags.insert(*href, etag->second);
    }
    for (auto it = etags.cbegin(); it != etags.cend(); ++it)
        remote.push_back({it.key(), it.value()});
    m_newToken = answer.syncToken;
    m_result.listedBySyncCollection = true;
    return true;
}

std::optional<CardDav::Multistatus> Run::Ask(const QByteArray& verb, const QByteArray& body)
{
    return Answer(SendListing(verb, body, {{"Depth", "1"}}));
}

std::optional<CardDav::Multistatus> Run::Answer(const CardDav::Response& response)
{
    CardDav::Multistatus answer = CardDav::ParseMultistatus(response.body);
    if (response.status != 207 || !answer.valid) {
        Fail(response);
        return std::nullopt;
    }
    return answer;
}

bool Run::ListByPropfind(std::vector<modSyncPlan::RemoteCard>& remote)
{
    const std::optional<CardDav::Multistatus> answer =
        Ask("PROPFIND", CardDav::PropfindBody({QStringLiteral("d:getetag")}));
    if (!answer)
        return false;
    for (const CardDav::Item& item : answer->items) {
        const auto etag = item.texts.find(QStringLiteral("getetag"));
        if (IsBook(item.href) || etag == item.texts.end() || item.resourceTypes.contains(QStringLiteral("collection")))
            continue;
        if (const std::optional<QString> href = Inside(item.href))
            remote.push_back({*href, etag->second});
        else
            Refuse(item.href);
    }
    return true;
}

bool Run::Fetch(const QStringList& hrefs)
{
    // The batches are asked for side by side.
    std::vector<CardDav::Request> requests;
    for (qsizetype first = 0; first < hrefs.size(); first += m_options.batchSize) {
        QStringList batch;
        for (const QString& href : hrefs.mid(first, m_options.batchSize))
            batch << QString::fromLatin1(QUrl(href).toEncoded());
        requests.push_back({"REPORT", m_book, CardDav::MultigetBody(batch), {{"Depth", "1"}}});
    }
    Commit();
    const std::vector<CardDav::Response> responses = m_session.SendAll(requests);
    for (size_t batch = 0; batch < responses.size(); ++batch) {
        const CardDav::Response& response = responses[batch];
        // A batch too large as a whole is asked for card by card, so that only a card
        // over its own limit is left out.
        if (response.tooLarge) {
            for (const QString& href :
                 hrefs.mid(static_cast<qsizetype>(batch) * m_options.batchSize, m_options.batchSize))
                if (!Get(href))
                    return false;
            continue;
        }
        const std::optional<CardDav::Multistatus> answer = Answer(response);
        if (!answer)
            return false;
        for (const CardDav::Item& item : answer->items) {
            const auto data = item.texts.find(QStringLiteral("address-data"));
            const auto etag = item.texts.find(QStringLiteral("getetag"));
            const std::optional<QString> href = Inside(item.href);
            if (data == item.texts.end() || !href)
                continue;
            ++m_result.fetched;
            const QByteArray card = data->second.toUtf8();
            m_fetched.insert(*href, {etag == item.texts.end() ? QByteArray() : etag->second.toUtf8(),
                                     card.size() > CardDav::MaxCardBytes ? QByteArray() : card});
        }
    }
    return true;
}

bool Run::Get(const QString& href)
{
    Commit();
    const CardDav::Response response = m_session.Send("GET", UrlOf(href), QByteArray(), {}, CardDav::MaxCardBytes);
    // A card over its limit is left out as unreadable; the rest of the sync goes on.
    if (response.status != 200 && !response.tooLarge)
        return Fail(response);
    m_fetched.insert(href, {response.tooLarge ? m_remote.value(href).toUtf8() : response.etag, response.body});
    ++m_result.fetched;
    return true;
}

CardDav::Response Run::Send(const QByteArray& verb, const QUrl& url, const QByteArray& body,
                            const CardDav::Headers& headers)
{
    Commit();
    return m_session.Send(verb, url, body, headers);
}

CardDav::Response Run::SendListing(const QByteArray& verb, const QByteArray& body, const CardDav::Headers& headers)
{
    Commit();
    return m_session.SendListing(verb, m_book, body, headers);
}

void Run::Begin()
{
    if (m_batch)
        return;
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    m_batch.emplace(connection);
    // Another program may have written between batches; the numbers and UIDs kept since
    // the last batch are read again unless nothing at all was written since it ended.
    const std::optional<Engine::Connection::ChangeStamp> committed = std::exchange(m_committed, std::nullopt);
    if (committed && *committed == connection.Stamp())
        return;
    m_numbers = modPersonUid::ContactnrsByUid(connection);
    m_used.clear();
    m_freeFrom = 1;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr FROM Person"),
                          [this](const Engine::Connection::Row& row) { m_used.insert(row.Int(0)); });
}

void Run::Commit()
{
    if (!m_batch)
        return;
    if (!m_unhashed.isEmpty()) {
        for (const modSyncState::LocalPerson& person : modSyncState::LocalPersons(Numbers(m_unhashed))) {
            Entry& entry = m_unhashed[person.contactnr];
            entry.hash = person.hash;
            modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
            m_entries.insert(entry.uid, entry);
            m_local.insert(person.uid, person);
        }
        m_unhashed.clear();
    }
    m_batch->Commit();
    m_batch.reset();
    m_batched = 0;
    m_committed = modDatabase::DatabaseConnection().Stamp();
}

qint16 Run::FreeNumber()
{
    // The lowest free number, searched from where the last search ended: receiving a full
    // address book would otherwise walk every number taken for every card.
    int candidate = m_freeFrom;
    while (m_used.count(candidate) != 0)
        ++candidate;
    m_freeFrom = candidate;
    return candidate > modSql::MaxContactnr ? 0 : static_cast<qint16>(candidate);
}

std::optional<modSyncState::LocalPerson> Run::Person(const QString& uid)
{
    const auto found = m_local.constFind(uid);
    if (found != m_local.cend())
        return *found;
    const auto contactnr = m_numbers.value(uid, 0);
    if (contactnr == 0)
        return std::nullopt;
    const std::vector<modSyncState::LocalPerson> persons = modSyncState::LocalPersons({contactnr});
    if (persons.empty())
        return std::nullopt;
    return persons.front();
}

bool Run::StoreHere(const QString& knownUid, const QString& href, bool merge, bool* wasNew)
{
    const Fetched fetched = m_fetched.value(href);
    std::optional<modVcard::Person> person = PersonOf(fetched.card);
    m_stored = person.has_value();
    if (!person) {
        LeaveAlone(knownUid, href, IsOtherKind(fetched.card) ? QStringLiteral("other") : QStringLiteral("unreadable"));
        return true;
    }
    if (person->uid.isEmpty())
        person->uid = knownUid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : knownUid;
    const QString uid = person->uid;
    m_storedName = person->name;

    Begin();
    qint16 contactnr = m_numbers.value(uid, 0);
    const bool isNew = contactnr == 0;
    if (isNew) {
        contactnr = FreeNumber();
        if (contactnr == 0) {
            m_result.error = T("No further person can be added to this database") + QLatin1Char('.');
            return false;
        }
        modVcardImport::StorePerson(contactnr, *person);
        m_used.insert(contactnr);
    } else if (merge) {
        // Both sides' changes since the card both last agreed on, where there is one.
        const QByteArray agreed = m_entries.value(uid).serverCard;
        const std::optional<modVcard::Person> base =
            agreed.isEmpty() ? std::nullopt : modSyncCard::PersonOf(agreed, m_limits);
        if (base)
            modVcardImport::MergeSince(contactnr, *base, *person, m_limits, m_dateFormat);
        else
            modVcardImport::MergeIntoPerson(contactnr, *person, m_limits, m_dateFormat);
    } else {
        modVcardImport::ReplacePerson(contactnr, *person);
    }
    modVcardImport::KeepCard(contactnr, fetched.card, true);
    if (!knownUid.isEmpty() && knownUid != uid)
        modSql::ExecuteSql(modSyncState::ForgetEntrySql(knownUid));
    // After a merge the result still has to go up: an empty hash says "changed here".
    // Otherwise the hash of our card is taken when the batch is committed.
    Entry entry{uid, QString(), href, QString::fromUtf8(fetched.etag), fetched.card};
    m_unhashed.remove(contactnr);
    if (merge)
        modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
    else
        m_unhashed.insert(contactnr, entry);
    m_entries.insert(uid, entry);
    m_numbers.insert(uid, contactnr);
    m_local.remove(uid);
    constexpr int BatchSize = 200;
    if (++m_batched >= BatchSize)
        Commit();
    if (wasNew)
        *wasNew = isNew;
    return true;
}

std::optional<Run::Sending> Run::Prepare(const QString& uid, const QString& href, const QByteArray& etag, bool isNew)
{
    const std::optional<modSyncState::LocalPerson> person = Person(uid);
    if (!person)
        return std::nullopt;
    const Entry old = m_entries.value(uid);
    // Only the fields changed here are written into the server's card; a card restored
    // on the server keeps what the server had of it too.
    // A person never sent has at least the card it came from, whose other properties go up with it.
    // Read here, for the persons that go up: a sync holds no card of every person at once.
    const QByteArray base = !old.serverCard.isEmpty() ? old.serverCard
                            : person->contactnr == 0
                                ? QByteArray()
                                : modPersonDetail::KeptCard(modDatabase::DatabaseConnection(), person->contactnr);
    const QByteArray card = modSyncCard::Updated(base, person->person, person->card, m_limits);
    const QString target = href.isEmpty() ? HrefFor(uid) : href;
    return Sending{
        {"PUT",
         UrlOf(target),
         card,
         {isNew ? qMakePair(QByteArray("If-None-Match"), QByteArray("*")) : qMakePair(QByteArray("If-Match"), etag)}},
        {uid, person->hash, target, QString(), card},
        !isNew && !old.serverCard.isEmpty() && card == old.serverCard && etag == old.etag.toUtf8(),
        person->person,
        person->contactnr};
}

bool Run::Sent(const Sending& sending, const CardDav::Response& response, int attempt)
{
    const QString& uid = sending.entry.uid;
    const QString& target = sending.entry.href;
    // Changed (or made) on the server meanwhile: merge with what is there now. A server
    // that keeps changing it is left to the next sync.
    constexpr int Attempts = 3;
    if (response.status == 412 && attempt < Attempts)
        return Get(target) && StoreHere(uid, target, true) &&
               Upload(uid, target, m_fetched.value(target).etag, false, attempt + 1);
    if (response.status / 100 != 2)
        return Fail(response);
    Entry entry = sending.entry;
    entry.etag = QString::fromUtf8(response.etag);
    Begin();
    // Where the card shows the address or the lists otherwise (an address removed here
    // uncovers the next one), the person takes them from the card, so that both agree
    // and a later edit does not take the difference for a change.
    const std::optional<modVcard::Person> shown = PersonOf(entry.serverCard);
    modVcard::Person agreed = sending.person;
    if (shown) {
        agreed.address = shown->address;
        agreed.phones = shown->phones;
        agreed.emails = shown->emails;
    }
    if (sending.contactnr != 0)
        modVcardImport::KeepCard(sending.contactnr, entry.serverCard, true);
    if (!modMerge::Same(agreed, sending.person) && sending.contactnr != 0) {
        modVcardImport::ReplacePerson(sending.contactnr, agreed);
        m_unhashed.insert(sending.contactnr, entry);
    } else {
        modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
    }
    m_entries.insert(uid, entry);
    Note(m_result.sent, m_result.namesSent, NameOf(entry.serverCard));
    return true;
}

bool Run::Upload(const QString& uid, const QString& href, const QByteArray& etag, bool isNew, int attempt)
{
    const std::optional<Sending> sending = Prepare(uid, href, etag, isNew);
    if (!sending)
        return true;
    if (sending->unchanged) {
        Record(uid, href, sending->entry.hash);
        return true;
    }
    const CardDav::Request& request = sending->request;
    return Sent(*sending, Send(request.verb, request.url, request.body, request.headers), attempt);
}

bool Run::IsPlainUpload(const modSyncPlan::Operation& operation) const
{
    if (m_moved.contains(operation.uid))
        return false;
    return operation.action == Action::Upload ||
           (operation.action == Action::UploadNew && !(operation.href.isEmpty() && m_entries.contains(operation.uid)));
}

bool Run::UploadAll(const std::vector<const modSyncPlan::Operation*>& operations)
{
    std::vector<Sending> sendings;
    std::vector<CardDav::Request> requests;
    for (const modSyncPlan::Operation* operation : operations) {
        const bool isNew = operation->action == Action::UploadNew;
        std::optional<Sending> sending =
            Prepare(operation->uid, operation->href, isNew ? QByteArray() : operation->etag.toUtf8(), isNew);
        if (!sending)
            continue;
        if (sending->unchanged) {
            Record(operation->uid, operation->href, sending->entry.hash);
            continue;
        }
        requests.push_back(sending->request);
        sendings.push_back(std::move(*sending));
    }
    Commit();
    const std::vector<CardDav::Response> responses = m_session.SendAll(requests);
    // Past a failure, the cards that did arrive are still recorded.
    bool ok = true;
    for (size_t i = 0; i < sendings.size(); ++i)
        if (ok || responses[i].status / 100 == 2)
            ok = Sent(sendings[i], responses[i], 0) && ok;
    return ok;
}

bool Run::RemoveHere(const QString& uid)
{
    const QString name = NameOf(m_entries.value(uid).serverCard);
    Begin();
    const qint16 contactnr = m_numbers.value(uid, 0);
    if (contactnr != 0)
        for (const char* table : {"Phone", "Email", "Person"})
            modSql::ExecuteSql(
                QStringLiteral("DELETE FROM %1 WHERE Contactnr = %2").arg(QLatin1String(table)).arg(contactnr));
    modSql::ExecuteSql(modSyncState::ForgetEntrySql(uid));
    m_unhashed.remove(contactnr);
    m_used.erase(contactnr);
    if (contactnr > 0)
        m_freeFrom = qMin<int>(m_freeFrom, contactnr);
    m_entries.remove(uid);
    m_numbers.remove(uid);
    m_local.remove(uid);
    Note(m_result.removedHere, m_result.namesRemovedHere, name);
    return true;
}

std::optional<modVcard::Person> Run::PersonOf(const QByteArray& card) const
{
    const std::vector<modVcard::Card> cards = modVcard::ParseCards(card);
    if (cards.size() != 1 || !IsPerson(cards.front()))
        return std::nullopt;
    return modSyncCard::PersonOf(cards.front(), m_limits);
}

QString Run::UidOf(const QString& href) const
{
    const auto person = PersonOf(m_fetched.value(href).card);
    return person ? person->uid : QString();
}

QString Run::NameOf(const QByteArray& card) const
{
    const auto person = PersonOf(card);
    return person ? person->name : QString();
}

bool Run::RemoveMergedThere(const QString& href, const QString& etag)
{
    const CardDav::Response response = Send("DELETE", UrlOf(href), QByteArray(), {{"If-Match", etag.toUtf8()}});
    if (response.status == 412) { // changed there meanwhile: the changed one wins
        bool wasNew = false;
        if (!Get(href) || !StoreHere(QString(), href, false, &wasNew))
            return false;
        Note(m_result.receivedNew, m_result.namesReceivedNew, m_storedName);
        return true;
    }
    if (response.status / 100 != 2 && response.status != 404)
        return Fail(response);
    Note(m_result.removedThere, m_result.namesRemovedThere, NameOf(m_fetched.value(href).card));
    return true;
}

void Run::Forget(const QString& uid)
{
    Begin();
    modSql::ExecuteSql(modSyncState::ForgetEntrySql(uid));
    m_entries.remove(uid);
}

void Run::Report(const QString& href, const QString& reason)
{
    if (reason == QLatin1String("unreadable"))
        m_result.unreadable << href;
    else if (reason == QLatin1String("duplicate"))
        m_result.duplicates << href;
    else
        ++m_result.skipped;
}

void Run::LeaveAlone(const QString& uid, const QString& href, const QString& reason)
{
    Report(href, reason);
    const QString etag = m_remote.value(href, QString::fromUtf8(m_fetched.value(href).etag));
    Begin();
    if (!uid.isEmpty() && m_entries.contains(uid)) {
        Entry entry = m_entries.value(uid);
        entry.etag = etag;
        modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
        m_entries.insert(uid, entry);
        return;
    }
    modSql::ExecuteSql(modSyncState::SaveSkippedSql(href, {etag, reason}));
}

// REV without its separators, to compare: "" when the card has none.
QString Revision(const QByteArray& card)
{
    for (const QString& line : modPersonDetail::CardLines(card))
        if (line.startsWith(QLatin1String("REV:"), Qt::CaseInsensitive))
            return line.mid(4).remove(QLatin1Char('-')).remove(QLatin1Char(':')).trimmed();
    return QString();
}

bool Run::Duplicate(const QString& uid, const QString& href)
{
    const Entry linked = m_entries.value(uid);
    const QByteArray kept = m_fetched.contains(linked.href) ? m_fetched.value(linked.href).card : linked.serverCard;
    if (Revision(m_fetched.value(href).card) > Revision(kept)) {
        Begin();
        Report(linked.href, QStringLiteral("duplicate"));
        modSql::ExecuteSql(
            modSyncState::SaveSkippedSql(linked.href, {m_remote.value(linked.href), QStringLiteral("duplicate")}));
        return Moved(uid, href);
    }
    LeaveAlone(QString(), href, QStringLiteral("duplicate"));
    return true;
}

void Run::Record(const QString& uid, const QString& href, const QString& hash)
{
    const Fetched fetched = m_fetched.value(href);
    Entry entry = m_entries.value(uid);
    entry.uid = uid;
    entry.hash = hash;
    entry.href = href;
    if (!fetched.card.isEmpty()) {
        entry.etag = QString::fromUtf8(fetched.etag);
        entry.serverCard = fetched.card;
    }
    Begin();
    modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
    m_entries.insert(uid, entry);
}

bool Run::Agrees(const QString& uid, const QString& href)
{
    const std::optional<modVcard::Person> there = PersonOf(m_fetched.value(href).card);
    const std::optional<modSyncState::LocalPerson> here = Person(uid);
    if (!there || !here || !modMerge::Same(*there, here->person))
        return false;
    Record(uid, href, here->hash);
    return true;
}

bool Run::Moved(const QString& uid, const QString& href)
{
    const Entry old = m_entries.value(uid);
    m_moved.insert(uid);
    const std::optional<modVcard::Person> before = PersonOf(old.serverCard);
    const std::optional<modVcard::Person> there = PersonOf(m_fetched.value(href).card);
    if (!there) {
        // Moved and unreadable: the link follows it, the person stays as it is.
        Entry entry = old;
        entry.href = href;
        entry.etag = QString::fromUtf8(m_fetched.value(href).etag);
        Begin();
        modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
        m_entries.insert(uid, entry);
        Report(href, IsOtherKind(m_fetched.value(href).card) ? QStringLiteral("other") : QStringLiteral("unreadable"));
        return true;
    }
    const bool changedThere = !before || !modMerge::Same(*before, *there);
    const std::optional<modSyncState::LocalPerson> here = Person(uid);
    if (!here) {
        // Removed here meanwhile: removed there too, unless it changed there.
        Forget(uid);
        if (!changedThere)
            return RemoveMergedThere(href, QString::fromUtf8(m_fetched.value(href).etag));
        bool wasNew = false;
        if (!StoreHere(uid, href, false, &wasNew))
            return false;
        Note(m_result.receivedNew, m_result.namesReceivedNew, m_storedName);
        return true;
    }
    const bool changedHere = here->hash != old.hash;
    if (!changedThere) {
        Record(uid, href, old.hash);
        return !changedHere || Upload(uid, href, m_fetched.value(href).etag, false);
    }
    if (!StoreHere(uid, href, changedHere))
        return false;
    if (!changedHere) {
        Note(m_result.receivedChanged, m_result.namesReceivedChanged, m_storedName);
        return true;
    }
    Note(m_result.merged, m_result.namesMerged, m_storedName);
    return Upload(uid, href, m_fetched.value(href).etag, false);
}

bool Run::Execute(const modSyncPlan::Operation& operation)
{
    // Planned for the old href of a card that moved on the server: done by the move.
    if (m_moved.contains(operation.uid) && operation.href != m_entries.value(operation.uid).href)
        return true;
    switch (operation.action) {
    case Action::DownloadNew: {
        bool wasNew = false;
        const QString uid = UidOf(operation.href);
        if (IsMove(uid))
            return Moved(uid, operation.href);
        if (!uid.isEmpty() && m_entries.contains(uid) && m_entries.value(uid).href != operation.href)
            return Duplicate(uid, operation.href);
        // A card whose UID a person here has (new on both sides) is merged and sent back,
        // unless it is the one sent from here before an interruption.
        const bool both = !uid.isEmpty() && m_numbers.contains(uid);
        if (both && !m_entries.contains(uid) && Agrees(uid, operation.href))
            return true;
        if (!both && m_merged.contains(uid))
            return RemoveMergedThere(operation.href, operation.etag);
        if (!StoreHere(QString(), operation.href, both, &wasNew))
            return false;
        if (!m_stored)
            return true;
        if (both) {
            Note(m_result.merged, m_result.namesMerged, m_storedName);
            return Upload(uid, operation.href, m_fetched.value(operation.href).etag, false);
        }
        if (wasNew)
            Note(m_result.receivedNew, m_result.namesReceivedNew, m_storedName);
        return true;
    }
    case Action::Download:
        if (!StoreHere(operation.uid, operation.href, false))
            return false;
        if (m_stored)
            Note(m_result.receivedChanged, m_result.namesReceivedChanged, m_storedName);
        return true;
    case Action::Merge:
        // Our own upload, whose answer an interruption lost: nothing to merge.
        if (Agrees(operation.uid, operation.href))
            return true;
        if (!StoreHere(operation.uid, operation.href, true))
            return false;
        // An unreadable card is not written over: the edit here waits for a readable one.
        if (!m_stored)
            return true;
        Note(m_result.merged, m_result.namesMerged, m_storedName);
        return Upload(operation.uid, operation.href, m_fetched.value(operation.href).etag, false);
    case Action::Upload:
        return Upload(operation.uid, operation.href, operation.etag.toUtf8(), false);
    case Action::UploadNew:
        // Met on the server already in this sync (new on both sides): sent then.
        if (operation.href.isEmpty() && m_entries.contains(operation.uid))
            return true;
        return Upload(operation.uid, operation.href, QByteArray(), true);
    case Action::DeleteRemote: {
        const CardDav::Response response =
            Send("DELETE", UrlOf(operation.href), QByteArray(), {{"If-Match", operation.etag.toUtf8()}});
        if (response.status == 412) // changed there meanwhile: it comes back here
            return Get(operation.href) && StoreHere(operation.uid, operation.href, false);
        if (response.status / 100 != 2 && response.status != 404)
            return Fail(response);
        Note(m_result.removedThere, m_result.namesRemovedThere, NameOf(m_entries.value(operation.uid).serverCard));
        Forget(operation.uid);
        return true;
    }
    case Action::DeleteLocal:
        return RemoveHere(operation.uid);
    case Action::Forget:
        Forget(operation.uid);
        return true;
    }
    return true;
}

bool Run::Confirmed(const modSyncPlan::Plan& plan, int local, int remote)
{
    QSet<QString> moving;
    for (const modSyncPlan::Operation& operation : plan.operations)
        if (operation.action == Action::DownloadNew && IsMove(UidOf(operation.href)))
            moving.insert(UidOf(operation.href));
    int deleteLocal = 0;
    for (const modSyncPlan::Operation& operation : plan.operations)
        if (operation.action == Action::DeleteLocal && !moving.contains(operation.uid))
            ++deleteLocal;
    if (!modSyncPlan::NeedsConfirmation(deleteLocal, local, plan.deleteRemote, remote))
        return true;
    QStringList removals;
    if (deleteLocal > 0)
        removals << T("%1 of %2 persons here").arg(deleteLocal).arg(local);
    if (plan.deleteRemote > 0)
        removals << T("%1 of %2 persons on the server").arg(plan.deleteRemote).arg(remote);
    const QString removing = removals.join(QStringLiteral(", "));
    if (m_options.confirm &&
        m_options.confirm(T("This synchronisation would remove %1. Do you want to go on?").arg(removing)))
        return true;
    m_result.error = T("This synchronisation would remove %1; nothing was removed.").arg(removing);
    // Without anybody to ask (a timer's sync), what to do instead.
    if (!m_options.confirm)
        m_result.error += QLatin1Char(' ') + T("Run Synchronise in the window to confirm.");
    return false;
}

void Run::Compare()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    modPersonUid::EnsureTable(connection);
    modPersonDetail::EnsureTable(connection);
    modSyncState::EnsureTables(connection);
    for (Entry entry : modSyncState::ReadEntries(connection)) {
        // Hrefs kept by older versions (decoded), or stored from a server that listed them
        // elsewhere: the first are written as this sync keeps them, the others forgotten
        // (the person is sent anew, into the address book).
        const std::optional<QString> href = Inside(entry.href);
        if (href && *href == entry.href) {
            m_entries.insert(entry.uid, entry);
            continue;
        }
        Begin();
        if (href) {
            entry.href = *href;
            modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
            m_entries.insert(entry.uid, entry);
        } else {
            modSql::ExecuteSql(modSyncState::ForgetEntrySql(entry.uid));
        }
    }
    m_numbers = modPersonUid::ContactnrsByUid(modDatabase::DatabaseConnection());
    const QStringList merged = modDuplicates::MergedUids();
    m_merged = QSet<QString>(merged.begin(), merged.end());
    std::vector<modSyncPlan::RemoteCard> listed;
    if (!List(listed))
        return;
    // Cards left alone before are not asked for again until they change.
    const QHash<QString, modSyncState::Skipped> skipped = modSyncState::ReadSkipped(connection);
    std::vector<modSyncPlan::RemoteCard> remote;
    QSet<QString> stillSkipped;
    for (const modSyncPlan::RemoteCard& card : listed) {
        const auto found = skipped.constFind(card.href);
        if (found == skipped.cend() || found->etag != card.etag) {
            remote.push_back(card);
            continue;
        }
        stillSkipped.insert(card.href);
        Report(card.href, found->reason);
    }
    for (auto it = skipped.cbegin(); it != skipped.cend(); ++it)
        if (!stillSkipped.contains(it.key())) {
            Begin();
            modSql::ExecuteSql(modSyncState::ForgetSkippedSql(it.key()));
        }
    std::vector<modSyncPlan::Known> known;
    for (const Entry& entry : m_entries)
        known.push_back({entry.uid, entry.hash, entry.href, entry.etag});
    const std::vector<modSyncState::LocalPerson> local = modSyncState::LocalPersons();
    for (const modSyncState::LocalPerson& person : local)
        m_local.insert(person.uid, person);
    for (const modSyncPlan::RemoteCard& card : remote)
        m_remote.insert(card.href, card.etag);
    const modSyncPlan::Plan plan = modSyncPlan::MakePlan(modSyncState::LocalCards(local), remote, known);
    QStringList wanted;
    for (const modSyncPlan::Operation& operation : plan.operations)
        if (operation.action == Action::DownloadNew || operation.action == Action::Download ||
            operation.action == Action::Merge)
            wanted << operation.href;
    if (!Fetch(wanted))
        return;
    if (!Confirmed(plan, static_cast<int>(local.size()), static_cast<int>(remote.size())))
        return;
    const auto total = static_cast<int>(plan.operations.size());
    for (int done = 0; done < total;) {
        if (m_session.Cancelled()) {
            m_result.error = QStringLiteral("Cancelled");
            return;
        }
        // Plain uploads that follow each other go up together.
        std::vector<const modSyncPlan::Operation*> uploads;
        constexpr size_t UploadBatch = 24;
        for (int next = done; next < total && uploads.size() < UploadBatch && IsPlainUpload(plan.operations[next]);
             ++next)
            uploads.push_back(&plan.operations[next]);
        if (uploads.size() > 1 ? !UploadAll(uploads) : !Execute(plan.operations[done]))
            return;
        done += std::max<int>(1, static_cast<int>(uploads.size()));
        if (m_options.progress)
            m_options.progress(done, total);
    }
    Commit();
    // Only a sync that completed moves the token on.
    if (m_result.listedBySyncCollection)
        modSyncState::SaveSyncToken(modDatabase::DatabaseConnection(), m_newToken);
    // Every merge recorded when this sync began has now reached the server (or was
    // overruled by a change there): the record has served.
    for (const QString& uid : merged)
        modSql::ExecuteSql(QStringLiteral("DELETE FROM %1 WHERE Uid = '%2'")
                               .arg(QLatin1String(modDuplicates::MergedTableName), modSql::QuoteSql(uid)));
    m_result.ok = true;
    return;
}

} // namespace

Result Synchronise(CardDav::Session& session, const Options& options)
{
    const modLanguage::Snapshot language;
    Result result;
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    try {
        const std::optional<modSyncState::Link> link = modSyncState::ReadLink(connection);
        if (!link) {
            result.error = QStringLiteral("The database is not linked to an address book.");
            return result;
        }
        if (connection.Mode() != Engine::ModeShareDenyNone) {
            result.error = QStringLiteral("The database is read-only.");
            return result;
        }
        if (!modSyncState::Agrees(*link)) {
            result.error = T("The link's server %1 and its address book %2 are not on the same host.")
                               .arg(link->server, link->addressBook) +
                           QLatin1Char(' ') +
                           T("Nothing was sent; link the database again in Database > Synchronisation.");
            return result;
        }
        // Every request goes to the address book's origin, and the whole sync has an end.
        session.KeepTo(QUrl(link->addressBook));
        session.SetDeadline(options.deadlineMs);
        return Run(session, options, *link).Go();
    } catch (const Engine::EngineError& error) {
        result.ok = false;
        result.error = error.description();
        return result;
    }
}

std::vector<std::pair<QString, QStringList>> Details(const Result& result)
{
    std::vector<std::pair<QString, QStringList>> details;
    for (const auto& [label, names] : {std::pair{TRANSLATABLE("Received new"), &result.namesReceivedNew},
                                       {TRANSLATABLE("Received changed"), &result.namesReceivedChanged},
                                       {TRANSLATABLE("Sent"), &result.namesSent},
                                       {TRANSLATABLE("Merged"), &result.namesMerged},
                                       {TRANSLATABLE("Removed here"), &result.namesRemovedHere},
                                       {TRANSLATABLE("Removed on the server"), &result.namesRemovedThere}})
        if (!names->isEmpty())
            details.emplace_back(T(label), *names);
    for (auto& problem : Problems(result))
        details.push_back(std::move(problem));
    return details;
}

std::vector<std::pair<QString, QStringList>> Problems(const Result& result)
{
    std::vector<std::pair<QString, QStringList>> problems;
    for (const auto& [label, hrefs] :
         {std::pair{TRANSLATABLE("Cards on the server that could not be read"), &result.unreadable},
          {TRANSLATABLE("Cards on the server with the UID of another, left alone"), &result.duplicates},
          {TRANSLATABLE("Cards listed outside the address book, left alone"), &result.refused}})
        if (!hrefs->isEmpty())
            problems.emplace_back(T(label), *hrefs);
    return problems;
}

QString Summary(const Result& result)
{
    return Counts({{TRANSLATABLE("Received new"), result.receivedNew},
                   {TRANSLATABLE("Received changed"), result.receivedChanged},
                   {TRANSLATABLE("Sent"), result.sent},
                   {TRANSLATABLE("Merged"), result.merged},
                   {TRANSLATABLE("Removed here"), result.removedHere},
                   {TRANSLATABLE("Removed on the server"), result.removedThere},
                   {TRANSLATABLE("Not read"),
                    static_cast<int>(result.unreadable.size() + result.duplicates.size() + result.refused.size())}});
}

} // namespace modSync
