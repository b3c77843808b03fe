// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "sync/CardDav.h"

#include <QString>

#include <functional>
#include <utility>
#include <vector>

// One two-way sync of the current database with the address book it is linked to.
namespace modSync {

struct Options
{
    // Use sync-collection with the stored token; without it every ETag is listed by
    // PROPFIND (also the way taken when the server does not offer sync-collection).
    bool useSyncCollection = true;
    int batchSize = 100; // cards per addressbook-multiget
    // Asked before a sync that would remove more than half of a side; false refuses.
    std::function<bool(const QString& reason)> confirm;
    // Called after every person.
    std::function<void(int done, int total)> progress;
    // How long the whole sync may take.
    qint64 deadlineMs = qint64(CardDav::SyncDeadlineMinutes) * 60 * 1000;
};

struct Result
{
    bool ok = false;
    QString error; // in words, when not ok
    bool unauthorised = false;
    int receivedNew = 0;
    int receivedChanged = 0;
    int sent = 0;
    int merged = 0;
    int removedHere = 0;
    int removedThere = 0;
    int skipped = 0; // cards of the server that are no vCard of a person
    int fetched = 0; // cards that came from the server
    bool listedBySyncCollection = false;
    // The persons counted above, by name, for the details.
    QStringList namesReceivedNew;
    QStringList namesReceivedChanged;
    QStringList namesSent;
    QStringList namesMerged;
    QStringList namesRemovedHere;
    QStringList namesRemovedThere;
    // The server's cards left alone, by href: unreadable ones, ones with the UID of
    // another card (the newer of them is the person's), and hrefs the server listed
    // outside the address book.
    QStringList unreadable;
    QStringList duplicates;
    QStringList refused;
};

// Needs a linked database open for writing. Everything applied here is applied in
// batches, each person in the same transaction as its sync state, so that an
// interrupted sync is completed by the next one.
Result Synchronise(CardDav::Session& session, const Options& options = Options());

// "Received new: 3, Received changed: 1, Sent: 2, ..." in the user's language.
QString Summary(const Result& result);
// The names of the persons under their headings in the user's language, for the
// headings that have any.
std::vector<std::pair<QString, QStringList>> Details(const Result& result);
// The cards of the server left alone, under their headings (part of the details).
std::vector<std::pair<QString, QStringList>> Problems(const Result& result);

} // namespace modSync
