// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSyncPlan.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace modSyncPlan {

namespace {

// The order in which the operations run: what comes from the server first, so that a
// card new on both sides is met as a download before it would be uploaded twice.
int Rank(Action action)
{
    switch (action) {
    case Action::DownloadNew:
        return 0;
    case Action::Download:
        return 1;
    case Action::Merge:
        return 2;
    case Action::Upload:
        return 3;
    case Action::UploadNew:
        return 4;
    case Action::DeleteLocal:
        return 5;
    case Action::DeleteRemote:
        return 6;
    case Action::Forget:
        return 7;
    }
    return 8;
}

// More than half of a side removed; a side emptied (the whole file or address book
// wiped since the last sync) is always more than half.
bool Drastic(int removed, int present)
{
    return removed > 0 && removed * 2 > present;
}

} // namespace

bool NeedsConfirmation(int deleteLocal, int local, int deleteRemote, int remote)
{
    return Drastic(deleteLocal, local) || Drastic(deleteRemote, remote);
}

Plan MakePlan(const std::vector<LocalCard>& local, const std::vector<RemoteCard>& remote,
              const std::vector<Known>& known)
{
    QHash<QString, QString> localHash;
    for (const LocalCard& card : local)
        localHash.insert(card.uid, card.hash);
    QHash<QString, QString> remoteEtag;
    for (const RemoteCard& card : remote)
        remoteEtag.insert(card.href, card.etag);

    Plan plan;
    QSet<QString> knownUids;
    QSet<QString> knownHrefs;
    for (const Known& entry : known) {
        knownUids.insert(entry.uid);
        knownHrefs.insert(entry.href);
        const bool here = localHash.contains(entry.uid);
        const bool there = remoteEtag.contains(entry.href);
        const bool changedHere = here && localHash.value(entry.uid) != entry.hash;
        const QString etag = remoteEtag.value(entry.href);
        const bool changedThere = there && etag != entry.etag;
        auto add = [&](Action action, const QString& href, const QString& sendEtag) {
            plan.operations.push_back({action, entry.uid, href, sendEtag});
        };
        if (here && there) {
            if (changedHere && changedThere)
                add(Action::Merge, entry.href, etag);
            else if (changedHere)
                add(Action::Upload, entry.href, entry.etag);
            else if (changedThere)
                add(Action::Download, entry.href, etag);
        } else if (here) {
            // Removed there: an edit made here since is never lost.
            if (changedHere) {
                add(Action::UploadNew, entry.href, QString());
            } else {
                add(Action::DeleteLocal, entry.href, QString());
                ++plan.deleteLocal;
            }
        } else if (there) {
            if (changedThere) {
                add(Action::Download, entry.href, etag);
            } else {
                add(Action::DeleteRemote, entry.href, entry.etag);
                ++plan.deleteRemote;
            }
        } else {
            add(Action::Forget, entry.href, QString());
        }
    }
    for (const LocalCard& card : local)
        if (!knownUids.contains(card.uid))
            plan.operations.push_back({Action::UploadNew, card.uid, QString(), QString()});
    for (const RemoteCard& card : remote)
        if (!knownHrefs.contains(card.href))
            plan.operations.push_back({Action::DownloadNew, QString(), card.href, card.etag});

    std::stable_sort(plan.operations.begin(), plan.operations.end(),
                     [](const Operation& a, const Operation& b) { return Rank(a.action) < Rank(b.action); });
    plan.needsConfirmation = NeedsConfirmation(plan.deleteLocal, static_cast<int>(local.size()), plan.deleteRemote,
                                               static_cast<int>(remote.size()));
    return plan;
}

QString ActionName(Action action)
{
    switch (action) {
    case Action::Upload:
        return QStringLiteral("Upload");
    case Action::UploadNew:
        return QStringLiteral("UploadNew");
    case Action::Download:
        return QStringLiteral("Download");
    case Action::DownloadNew:
        return QStringLiteral("DownloadNew");
    case Action::Merge:
        return QStringLiteral("Merge");
    case Action::DeleteRemote:
        return QStringLiteral("DeleteRemote");
    case Action::DeleteLocal:
        return QStringLiteral("DeleteLocal");
    case Action::Forget:
        return QStringLiteral("Forget");
    }
    return QString();
}

} // namespace modSyncPlan
