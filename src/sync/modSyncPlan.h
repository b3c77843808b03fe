// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

#include <vector>

// What one two-way sync has to do, decided from plain values: the cards here (by UID,
// with the hash of their content), the cards on the server (by href, with their ETag)
// and what both were at the end of the last sync. Nothing here talks to the network or
// the database, so every case of the table can be tried on its own.
namespace modSyncPlan {

struct LocalCard
{
    QString uid;
    QString hash; // of the card as this program writes it
};

struct RemoteCard
{
    QString href;
    QString etag;
};

// One person as the last sync left it on both sides.
struct Known
{
    QString uid;
    QString hash;
    QString href;
    QString etag;
};

enum class Action
{
    Upload,       // changed here: PUT over href with If-Match etag
    UploadNew,    // new here, or changed here and removed there: PUT with If-None-Match *
    Download,     // changed there (or removed here and changed there): fetch href, store it here
    DownloadNew,  // new there: fetch href, then store it (its UID may match a person here)
    Merge,        // changed on both sides: fetch, merge, store here and PUT with If-Match
    DeleteRemote, // removed here, unchanged there: DELETE href with If-Match etag
    DeleteLocal,  // removed there, unchanged here
    Forget,       // removed on both sides: only the stored state goes
};

struct Operation
{
    Action action;
    QString uid;  // empty for DownloadNew
    QString href; // empty for UploadNew of a person never synchronised
    QString etag; // the ETag to send with If-Match (the server's current one for Merge)
};

struct Plan
{
    std::vector<Operation> operations; // downloads first, then merges, uploads and removals
    int deleteLocal = 0;
    int deleteRemote = 0;
    // Set when the plan removes more than half of the persons of a side (so also when it
    // would empty a side that had persons): the user is asked before it runs.
    bool needsConfirmation = false;
};

// Whether removing that many persons of each side (of those present) needs the user's
// yes: more than half of a side, or the whole of it.
bool NeedsConfirmation(int deleteLocal, int local, int deleteRemote, int remote);

Plan MakePlan(const std::vector<LocalCard>& local, const std::vector<RemoteCard>& remote,
              const std::vector<Known>& known);

// "DownloadNew", ... for messages and tests.
QString ActionName(Action action);

} // namespace modSyncPlan
