// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSyncPassword.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QHash>

namespace modSyncPassword {

namespace {

const QString Service = QStringLiteral("Addrion");

QHash<QString, QString>& Memory()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

// Runs a keychain job to its end without blocking the event loop.
bool RunJob(QKeychain::Job& job, QString* error)
{
    job.setAutoDelete(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() != QKeychain::NoError && error)
        *error = job.errorString();
    return job.error() == QKeychain::NoError;
}

} // namespace

QString Key(const QString& user, const QString& addressBook)
{
    return user + QLatin1Char('@') + addressBook;
}

std::optional<QString> Read(const QString& key, QString* error)
{
    if (const auto known = Memory().constFind(key); known != Memory().constEnd())
        return *known;
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(key);
    if (!RunJob(job, error))
        return std::nullopt;
    Memory().insert(key, job.textData());
    return job.textData();
}

bool Write(const QString& key, const QString& password, QString* error)
{
    Memory().insert(key, password);
    QKeychain::WritePasswordJob job(Service);
    job.setKey(key);
    job.setTextData(password);
    return RunJob(job, error);
}

void Forget(const QString& key)
{
    Memory().remove(key);
    QKeychain::DeletePasswordJob job(Service);
    job.setKey(key);
    RunJob(job, nullptr);
}

} // namespace modSyncPassword
