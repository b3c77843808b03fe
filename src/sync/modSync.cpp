#include "modSync.h"

#include "database/modDatabase.h"
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
        m_dateFormat = modSettings::ReadSetting(QStringLiteral("Date"));
    }

    Result Go();

private:
    bool Fail(const CardDav::Response& response)
    {
        m_result.unauthorised = response.status == 401;
        m_result.error = CardDav::Describe(response);
        return false;
    }
    QUrl UrlOf(const QString& href) const { return m_book.resolved(QUrl(href)); }
    // Hrefs are kept decoded. A UID that is no plain file name gets a cleaned name with
    // a piece of its hash, so that two UIDs never share a card.
    QString HrefFor(const QString& uid) const
    {
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._@-]"));
        QString name = uid;
        name.replace(unsafe, QStringLiteral("-"));
        if (name != uid || name.isEmpty())
            name +=
                QLatin1Char('-') +
                QString::fromLatin1(QCryptographicHash::hash(uid.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
        return m_book.path() + name + QStringLiteral(".vcf");
    }

    // The multistatus answer of a Depth 1 request to the address book; nothing (with the
    // failure noted) for any other answer.
    std::optional<CardDav::Multistatus> Ask(const QByteArray& verb, const QByteArray& body);
    bool List(std::vector<modSyncPlan::RemoteCard>& remote);
    bool ListByPropfind(std::vector<modSyncPlan::RemoteCard>& remote);
    bool Fetch(const QStringList& hrefs);
    bool Get(const QString& href);
    bool Execute(const modSyncPlan::Operation& operation);
    // Stores the server's card here (replacing or merging), with its state.
    bool StoreHere(const QString& uid, const QString& href, bool merge, bool* wasNew = nullptr);
    bool Upload(const QString& uid, const QString& href, const QByteArray& etag, bool isNew, int attempt = 0);
    bool RemoveHere(const QString& uid);
    // A card of a person merged into another here, met on the server with no state:
    // removed there unless it changed meanwhile (then it comes back here).
    bool RemoveMergedThere(const QString& href, const QString& etag);
    // The person a card of the server stands for; nothing for a card that is none.
    std::optional<modVcard::Person> PersonOf(const QByteArray& card) const;
    QString UidOf(const QString& href) const;
    QString NameOf(const QByteArray& card) const;
    void Forget(const QString& uid);
    std::optional<modSyncState::LocalPerson> Person(const QString& uid);

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
    // The numbers by UID, read once rather than for every person sent; a person removed
    // here meanwhile is found missing when its card is read.
    QHash<QString, qint16> m_numbers;
    QSet<QString> m_merged; // UIDs of persons merged into others here since the last sync
};

bool Run::List(std::vector<modSyncPlan::RemoteCard>& remote)
{
    if (!m_options.useSyncCollection)
        return ListByPropfind(remote);
    QString token = m_link.syncToken;
    CardDav::Response response = m_session.Send("REPORT", m_book, CardDav::SyncCollectionBody(token), {{"Depth", "0"}});
    if (!token.isEmpty() && (response.status == 403 || response.status == 409 || response.status == 400)) {
        // The token is no longer valid: everything is listed afresh.
        token.clear();
        response = m_session.Send("REPORT", m_book, CardDav::SyncCollectionBody(token), {{"Depth", "0"}});
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
        const QString href = QUrl::fromPercentEncoding(item.href.toUtf8());
        if (href == m_book.path())
            continue;
        const auto etag = item.texts.find(QStringLiteral("getetag"));
        if (item.status == 404 || etag == item.texts.end())
            etags.remove(href);
        else
            etags.insert(href, etag->second);
    }
    for (auto it = etags.cbegin(); it != etags.cend(); ++it)
        remote.push_back({it.key(), it.value()});
    m_newToken = answer.syncToken;
    m_result.listedBySyncCollection = true;
    return true;
}

std::optional<CardDav::Multistatus> Run::Ask(const QByteArray& verb, const QByteArray& body)
{
    const CardDav::Response response = m_session.Send(verb, m_book, body, {{"Depth", "1"}});
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
        const QString href = QUrl::fromPercentEncoding(item.href.toUtf8());
        const auto etag = item.texts.find(QStringLiteral("getetag"));
        if (href != m_book.path() && etag != item.texts.end() &&
            !item.resourceTypes.contains(QStringLiteral("collection")))
            remote.push_back({href, etag->second});
    }
    return true;
}

bool Run::Fetch(const QStringList& hrefs)
{
    for (qsizetype first = 0; first < hrefs.size(); first += m_options.batchSize) {
        QStringList batch;
        for (const QString& href : hrefs.mid(first, m_options.batchSize))
            batch << QString::fromLatin1(QUrl(href).toEncoded());
        const std::optional<CardDav::Multistatus> answer = Ask("REPORT", CardDav::MultigetBody(batch));
        if (!answer)
            return false;
        for (const CardDav::Item& item : answer->items) {
            const auto data = item.texts.find(QStringLiteral("address-data"));
            const auto etag = item.texts.find(QStringLiteral("getetag"));
            if (data == item.texts.end())
                continue;
            ++m_result.fetched;
            m_fetched.insert(QUrl::fromPercentEncoding(item.href.toUtf8()),
                             {etag == item.texts.end() ? QByteArray() : etag->second.toUtf8(), data->second.toUtf8()});
        }
    }
    return true;
}

bool Run::Get(const QString& href)
{
    const CardDav::Response response = m_session.Send("GET", UrlOf(href));
    if (response.status != 200)
        return Fail(response);
    m_fetched.insert(href, {response.etag, response.body});
    ++m_result.fetched;
    return true;
}

std::optional<modSyncState::LocalPerson> Run::Person(const QString& uid)
{
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
    if (!person) {
        ++m_result.skipped;
        return true;
    }
    if (person->uid.isEmpty())
        person->uid = knownUid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : knownUid;
    const QString uid = person->uid;
    m_storedName = person->name;

    Engine::Connection& connection = modDatabase::DatabaseConnection();
    Engine::Connection::Transaction transaction(connection);
    const QHash<QString, qint16> byUid = modPersonUid::ContactnrsByUid(connection);
    qint16 contactnr = byUid.value(uid, 0);
    const bool isNew = contactnr == 0;
    if (isNew) {
        const std::optional<qint16> free = modSql::GetFreeNumber(QStringLiteral("Person"), QStringLiteral("Contactnr"));
        if (!free) {
            m_result.error = T("No further person can be added to this database") + QLatin1Char('.');
            return false;
        }
        contactnr = *free;
        modVcardImport::StorePerson(contactnr, *person);
    } else if (merge) {
        modVcardImport::MergeIntoPerson(contactnr, *person, m_limits, m_dateFormat);
    } else {
        modVcardImport::ReplacePerson(contactnr, *person);
    }
    const modSyncState::LocalPerson stored = modSyncState::LocalPersons({contactnr}).front();
    // After a merge the result still has to go up: an empty hash says "changed here".
    Entry entry{uid, merge ? QString() : stored.hash, href, QString::fromUtf8(fetched.etag), fetched.card};
    modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
    if (!knownUid.isEmpty() && knownUid != uid)
        modSql::ExecuteSql(modSyncState::ForgetEntrySql(knownUid));
    transaction.Commit();
    m_entries.insert(uid, entry);
    m_numbers.insert(uid, contactnr);
    if (wasNew)
        *wasNew = isNew;
    return true;
}

bool Run::Upload(const QString& uid, const QString& href, const QByteArray& etag, bool isNew, int attempt)
{
    const std::optional<modSyncState::LocalPerson> person = Person(uid);
    if (!person)
        return true; // removed here meanwhile: the next sync sees it
    const Entry old = m_entries.value(uid);
    // A card restored on the server keeps what the server had of it too.
    const QByteArray card = modSyncCard::Updated(old.serverCard, person->card);
    const QString target = href.isEmpty() ? HrefFor(uid) : href;
    const CardDav::Response response = m_session.Send(
        "PUT", UrlOf(target), card,
        {isNew ? qMakePair(QByteArray("If-None-Match"), QByteArray("*")) : qMakePair(QByteArray("If-Match"), etag)});
    // Changed (or made) on the server meanwhile: merge with what is there now. A server
    // that keeps changing it is left to the next sync.
    constexpr int Attempts = 3;
    if (response.status == 412 && attempt < Attempts)
        return Get(target) && StoreHere(uid, target, true) &&
               Upload(uid, target, m_fetched.value(target).etag, false, attempt + 1);
    if (response.status / 100 != 2)
        return Fail(response);
    const Entry entry{uid, person->hash, target, QString::fromUtf8(response.etag), card};
    modSql::ExecuteSql(modSyncState::SaveEntrySql(entry));
    m_entries.insert(uid, entry);
    Note(m_result.sent, m_result.namesSent, NameOf(card));
    return true;
}

bool Run::RemoveHere(const QString& uid)
{
    const QString name = NameOf(m_entries.value(uid).serverCard);
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    Engine::Connection::Transaction transaction(connection);
    const qint16 contactnr = modPersonUid::ContactnrsByUid(connection).value(uid, 0);
    if (contactnr != 0)
        for (const char* table : {"Phone", "Email", "Person"})
            modSql::ExecuteSql(
                QStringLiteral("DELETE FROM %1 WHERE Contactnr = %2").arg(QLatin1String(table)).arg(contactnr));
    modSql::ExecuteSql(modSyncState::ForgetEntrySql(uid));
    transaction.Commit();
    m_entries.remove(uid);
    m_numbers.remove(uid);
    Note(m_result.removedHere, m_result.namesRemovedHere, name);
    return true;
}

std::optional<modVcard::Person> Run::PersonOf(const QByteArray& card) const
{
    const std::vector<modVcard::Card> cards = modVcard::ParseCards(card);
    modVcard::Problem problem = modVcard::Problem::None;
    if (cards.size() != 1 || !IsPerson(cards.front()))
        return std::nullopt;
    return modVcard::ToPerson(cards.front(), m_limits, m_dateFormat, problem);
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
    const CardDav::Response response =
        m_session.Send("DELETE", UrlOf(href), QByteArray(), {{"If-Match", etag.toUtf8()}});
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
    modSql::ExecuteSql(modSyncState::ForgetEntrySql(uid));
    m_entries.remove(uid);
}

bool Run::Execute(const modSyncPlan::Operation& operation)
{
    switch (operation.action) {
    case Action::DownloadNew: {
        bool wasNew = false;
        // A card whose UID a person here has (new on both sides) is merged and sent back.
        const QString uid = UidOf(operation.href);
        const bool both = !uid.isEmpty() && Person(uid).has_value();
        if (!both && m_merged.contains(uid))
            return RemoveMergedThere(operation.href, operation.etag);
        if (!StoreHere(QString(), operation.href, both, &wasNew))
            return false;
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
        Note(m_result.receivedChanged, m_result.namesReceivedChanged, m_storedName);
        return true;
    case Action::Merge:
        if (!StoreHere(operation.uid, operation.href, true))
            return false;
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
            m_session.Send("DELETE", UrlOf(operation.href), QByteArray(), {{"If-Match", operation.etag.toUtf8()}});
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

Result Run::Go()
{
    modPersonUid::EnsureTable(modDatabase::DatabaseConnection());
    for (const Entry& entry : modSyncState::ReadEntries(modDatabase::DatabaseConnection()))
        m_entries.insert(entry.uid, entry);
    m_numbers = modPersonUid::ContactnrsByUid(modDatabase::DatabaseConnection());
    const QStringList merged = modDuplicates::MergedUids();
    m_merged = QSet<QString>(merged.begin(), merged.end());
    std::vector<modSyncPlan::RemoteCard> remote;
    if (!List(remote))
        return m_result;
    std::vector<modSyncPlan::Known> known;
    for (const Entry& entry : m_entries)
        known.push_back({entry.uid, entry.hash, entry.href, entry.etag});
    const modSyncPlan::Plan plan =
        modSyncPlan::MakePlan(modSyncState::LocalCards(modSyncState::LocalPersons()), remote, known);
    if (plan.needsConfirmation) {
        const QString reason = Counts({{TRANSLATABLE("Removed here"), plan.deleteLocal},
                                       {TRANSLATABLE("Removed on the server"), plan.deleteRemote}});
        if (!m_options.confirm || !m_options.confirm(reason)) {
            m_result.error = reason;
            return m_result;
        }
    }
    QStringList wanted;
    for (const modSyncPlan::Operation& operation : plan.operations)
        if (operation.action == Action::DownloadNew || operation.action == Action::Download ||
            operation.action == Action::Merge)
            wanted << operation.href;
    if (!Fetch(wanted))
        return m_result;
    int done = 0;
    for (const modSyncPlan::Operation& operation : plan.operations) {
        if (m_session.Cancelled()) {
            m_result.error = QStringLiteral("Cancelled");
            return m_result;
        }
        if (!Execute(operation))
            return m_result;
        if (m_options.progress)
            m_options.progress(++done, static_cast<int>(plan.operations.size()));
    }
    // Only a sync that completed moves the token on.
    if (m_result.listedBySyncCollection)
        modSyncState::SaveSyncToken(modDatabase::DatabaseConnection(), m_newToken);
    // Every merge recorded when this sync began has now reached the server (or was
    // overruled by a change there): the record has served.
    for (const QString& uid : merged)
        modSql::ExecuteSql(QStringLiteral("DELETE FROM %1 WHERE Uid = '%2'")
                               .arg(QLatin1String(modDuplicates::MergedTableName), modSql::QuoteSql(uid)));
    m_result.ok = true;
    return m_result;
}

} // namespace

Result Synchronise(CardDav::Session& session, const Options& options)
{
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
    return details;
}

QString Summary(const Result& result)
{
    return Counts({{TRANSLATABLE("Received new"), result.receivedNew},
                   {TRANSLATABLE("Received changed"), result.receivedChanged},
                   {TRANSLATABLE("Sent"), result.sent},
                   {TRANSLATABLE("Merged"), result.merged},
                   {TRANSLATABLE("Removed here"), result.removedHere},
                   {TRANSLATABLE("Removed on the server"), result.removedThere}});
}

} // namespace modSync
