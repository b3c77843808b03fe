// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSyncState.h"

#include "database/modDatabase.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "export/modExport.h"
#include "interchange/modVcard.h"
#include "sync/modSyncCard.h"

#include <QUrl>

namespace modSyncState {

namespace {

QString Quoted(const QString& text)
{
    return QLatin1Char('\'') + modSql::QuoteSql(text) + QLatin1Char('\'');
}

} // namespace

QStringList CreateStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS SyncLink ( "
                       "Id INTEGER NOT NULL PRIMARY KEY CHECK (Id = 1), "
                       "Server TEXT COLLATE BINARY NOT NULL, UserName TEXT COLLATE BINARY NOT NULL, "
                       "AddressBook TEXT COLLATE BINARY NOT NULL, SyncToken TEXT COLLATE BINARY NOT NULL )"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS SyncState ( "
                       "Uid TEXT COLLATE BINARY NOT NULL PRIMARY KEY, Hash TEXT COLLATE BINARY NOT NULL, "
                       "Href TEXT COLLATE BINARY NOT NULL, Etag TEXT COLLATE BINARY NOT NULL, "
                       "ServerCard TEXT COLLATE BINARY NOT NULL )"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS SyncSkipped ( "
                       "Href TEXT COLLATE BINARY NOT NULL PRIMARY KEY, Etag TEXT COLLATE BINARY NOT NULL, "
                       "Reason TEXT COLLATE BINARY NOT NULL )"),
    };
}

bool EnsureTables(Engine::Connection& connection)
{
    if (connection.TableExists(QStringLiteral("SyncLink")) && connection.TableExists(QStringLiteral("SyncState")) &&
        connection.TableExists(QStringLiteral("SyncSkipped")))
        return false;
    Engine::Connection::Transaction transaction(connection);
    for (const QString& statement : CreateStatements())
        connection.Execute(statement);
    transaction.Commit();
    return true;
}

std::optional<Link> ReadLink(Engine::Connection& connection)
{
    if (!connection.TableExists(QStringLiteral("SyncLink")))
        return std::nullopt;
    Engine::Recordset row =
        connection.OpenRecordset(QStringLiteral("SELECT Server, UserName, AddressBook, SyncToken FROM SyncLink"));
    if (row.Eof())
        return std::nullopt;
    return Link{row.Fields(0).toString(), row.Fields(1).toString(), row.Fields(2).toString(), row.Fields(3).toString()};
}

bool Agrees(const Link& link)
{
    const QUrl server = QUrl::fromUserInput(link.server.trimmed());
    const QUrl book(link.addressBook);
    if (server.host().compare(book.host(), Qt::CaseInsensitive) != 0)
        return false;
    return server.scheme() != QLatin1String("https") || book.scheme() == QLatin1String("https");
}

void SaveLink(Engine::Connection& connection, const Link& link)
{
    EnsureTables(connection);
    const std::optional<Link> old = ReadLink(connection);
    Engine::Connection::Transaction transaction(connection);
    if (!old || old->addressBook != link.addressBook) {
        connection.Execute(QStringLiteral("DELETE FROM SyncState"));
        connection.Execute(QStringLiteral("DELETE FROM SyncSkipped"));
    }
    connection.Execute(QStringLiteral("INSERT OR REPLACE INTO SyncLink (Id, Server, UserName, AddressBook, SyncToken) "
                                      "VALUES (1, %1, %2, %3, %4)")
                           .arg(Quoted(link.server), Quoted(link.user), Quoted(link.addressBook),
                                Quoted(old && old->addressBook == link.addressBook ? old->syncToken : QString())));
    transaction.Commit();
}

void SaveSyncToken(Engine::Connection& connection, const QString& token)
{
    connection.Execute(QStringLiteral("UPDATE SyncLink SET SyncToken = %1").arg(Quoted(token)));
}

void RemoveLink(Engine::Connection& connection)
{
    if (!connection.TableExists(QStringLiteral("SyncLink")))
        return;
    Engine::Connection::Transaction transaction(connection);
    connection.Execute(QStringLiteral("DELETE FROM SyncLink"));
    connection.Execute(QStringLiteral("DELETE FROM SyncState"));
    if (connection.TableExists(QStringLiteral("SyncSkipped")))
        connection.Execute(QStringLiteral("DELETE FROM SyncSkipped"));
    transaction.Commit();
}

std::vector<Entry> ReadEntries(Engine::Connection& connection)
{
    std::vector<Entry> entries;
    if (!connection.TableExists(QStringLiteral("SyncState")))
        return entries;
    connection.ForEachRow(
        QStringLiteral("SELECT Uid, Hash, Href, Etag, ServerCard FROM SyncState ORDER BY Uid"),
        [&entries](const Engine::Connection::Row& row) {
            entries.push_back({row.Text(0), row.Text(1), row.Text(2), row.Text(3), row.Text(4).toUtf8()});
        });
    return entries;
}

QString SaveEntrySql(const Entry& entry)
{
    return QStringLiteral("INSERT OR REPLACE INTO SyncState (Uid, Hash, Href, Etag, ServerCard) "
                          "VALUES (%1, %2, %3, %4, %5)")
        .arg(Quoted(entry.uid), Quoted(entry.hash), Quoted(entry.href), Quoted(entry.etag),
             Quoted(QString::fromUtf8(entry.serverCard)));
}

QString ForgetEntrySql(const QString& uid)
{
    return QStringLiteral("DELETE FROM SyncState WHERE Uid = %1").arg(Quoted(uid));
}

QHash<QString, Skipped> ReadSkipped(Engine::Connection& connection)
{
    QHash<QString, Skipped> skipped;
    if (connection.TableExists(QStringLiteral("SyncSkipped")))
        connection.ForEachRow(QStringLiteral("SELECT Href, Etag, Reason FROM SyncSkipped"),
                              [&skipped](const Engine::Connection::Row& row) {
                                  skipped.insert(row.Text(0), {row.Text(1), row.Text(2)});
                              });
    return skipped;
}

QString SaveSkippedSql(const QString& href, const Skipped& skipped)
{
    return QStringLiteral("INSERT OR REPLACE INTO SyncSkipped (Href, Etag, Reason) VALUES (%1, %2, %3)")
        .arg(Quoted(href), Quoted(skipped.etag), Quoted(skipped.reason));
}

QString ForgetSkippedSql(const QString& href)
{
    return QStringLiteral("DELETE FROM SyncSkipped WHERE Href = %1").arg(Quoted(href));
}

std::vector<LocalPerson> LocalPersons(const std::vector<qint16>& only)
{
    const QHash<qint16, modPersonUid::Identity> identities =
        modPersonUid::Identities(modDatabase::DatabaseConnection(), only);
    modExport::Selection selection;
    selection.contactnrs = only;
    selection.photos = true;
    if (only.empty())
        for (auto it = identities.cbegin(); it != identities.cend(); ++it)
            selection.contactnrs.push_back(it.key());
    std::vector<LocalPerson> persons;
    modExport::ForEachPerson(
        selection, [](int) {},
        [&](const modExport::ExportedPerson& exported) {
            modExport::ExportedPerson person = exported;
            const modPersonUid::Identity identity = identities.value(person.contactnr);
            person.uid = identity.uid;
            person.revision = identity.revision;
            QByteArray card;
            modVcard::WriteCard(person, selection.details,
                                [&card](const QString& line) { card += line.toUtf8() + "\r\n"; });
            modVcard::Person shown = modVcard::FromExported(person);
            persons.push_back({identity.uid, person.contactnr, card, modSyncCard::Hash(card), std::move(shown)});
        });
    return persons;
}

std::vector<modSyncPlan::LocalCard> LocalCards(const std::vector<LocalPerson>& persons)
{
    std::vector<modSyncPlan::LocalCard> cards;
    cards.reserve(persons.size());
    for (const LocalPerson& person : persons)
        cards.push_back({person.uid, person.hash});
    return cards;
}

std::vector<modSyncPlan::Known> KnownCards(const std::vector<Entry>& entries)
{
    std::vector<modSyncPlan::Known> known;
    known.reserve(entries.size());
    for (const Entry& entry : entries)
        known.push_back({entry.uid, entry.hash, entry.href, entry.etag});
    return known;
}

} // namespace modSyncState
