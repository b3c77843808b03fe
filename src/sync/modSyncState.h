// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"
#include "interchange/modVcard.h"
#include "sync/modSyncPlan.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The link of a database file to one address book on a CardDAV server, and what the
// last sync left for every person, in tables of our own inside the file: a copied or
// moved file keeps its link, a new database has none. The password is never stored here.
namespace modSyncState {

struct Link
{
    QString server; // as the user typed it
    QString user;
    QString addressBook; // the chosen address book's URL
    QString syncToken;   // of the last sync-collection, empty when none
};

// One person as the last sync left it: the hash of our card, where the server keeps it,
// its ETag then, and the server's card as it was fetched or sent.
struct Entry
{
    QString uid;
    QString hash;
    QString href;
    QString etag;
    QByteArray serverCard;
};

// A person here as a sync sees it: its UID, its number, and its card.
struct LocalPerson
{
    QString uid;
    qint16 contactnr = 0;
    QByteArray card;
    QString hash;
    modVcard::Person person; // what the card was made of
};

// The statements that make the tables (each does nothing when already there): the link,
// the state of every person, and the server's cards that were left alone (unreadable,
// or sharing a UID with another) with the ETag they had then.
QStringList CreateStatements();
// Makes them where missing; true when it wrote. Throws Engine::EngineError.
bool EnsureTables(Engine::Connection& connection);

std::optional<Link> ReadLink(Engine::Connection& connection);
// Whether the server the link shows is the address book's host (and, typed as https,
// the book is https too): a file someone sent may pair a trusted name with another host.
bool Agrees(const Link& link);
// Replaces the link; a link to another address book starts afresh (the state goes).
void SaveLink(Engine::Connection& connection, const Link& link);
void SaveSyncToken(Engine::Connection& connection, const QString& token);
void RemoveLink(Engine::Connection& connection);

std::vector<Entry> ReadEntries(Engine::Connection& connection);
// The statements that store or drop one person's state, to run in the transaction that
// changes the person.
QString SaveEntrySql(const Entry& entry);
QString ForgetEntrySql(const QString& uid);

// A card of the server left alone, fetched again only when its ETag changes.
struct Skipped
{
    QString etag;
    QString reason; // "unreadable", "duplicate" (the UID of another card), "other" (no person)
};
// By href.
QHash<QString, Skipped> ReadSkipped(Engine::Connection& connection);
QString SaveSkippedSql(const QString& href, const Skipped& skipped);
QString ForgetSkippedSql(const QString& href);

// The persons of the current database (all, or those numbered) with the cards a sync
// sends for them.
std::vector<LocalPerson> LocalPersons(const std::vector<qint16>& only = {});

// Plain values for the plan.
std::vector<modSyncPlan::LocalCard> LocalCards(const std::vector<LocalPerson>& persons);
std::vector<modSyncPlan::Known> KnownCards(const std::vector<Entry>& entries);

} // namespace modSyncState
