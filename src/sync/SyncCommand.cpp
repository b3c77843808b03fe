// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "SyncCommand.h"

#include "database/modDatabase.h"
#include "database/modUpgrade.h"
#include "startup/Failure.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "sync/modSync.h"
#include "sync/modSyncPassword.h"
#include "sync/modSyncState.h"

#include <QCoreApplication>

#include <cstdio>

namespace SyncCommand {

namespace {

void Say(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Without a window every message goes to stderr, and every question is answered no.
class ConsolePlatform : public Platform::Interface
{
public:
    Platform::Answer message(const QString& title, const QString& text, Platform::Icon,
                             Platform::Buttons buttons) override
    {
        Say(stderr, title + QStringLiteral(": ") + text);
        return buttons == Platform::Buttons::YesNo      ? Platform::Answer::No
               : buttons == Platform::Buttons::OkCancel ? Platform::Answer::Cancel
                                                        : Platform::Answer::Ok;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return QString(); }
    QString directory(const QString&, const QString&) override { return QString(); }
    bool openUrl(const QUrl&) override { return false; }
    bool startDetached(const QString&, const QStringList&, Platform::Show) override { return false; }
    void playSound(const QString&) override {}
    void sendMail(const Platform::Mail&, Platform::MailDone done) override { done({1, QStringLiteral("no window")}); }
    int countPrinters() override { return 0; }
};

// Failures are said as the platform says its messages; a report's web site is not offered.
void SayFailure(const Failure& failure)
{
    Say(stderr, failure.title + QStringLiteral(": ") + failure.text);
}

bool Said(const Outcome& outcome)
{
    if (outcome.failure())
        SayFailure(*outcome.failure());
    return outcome.done();
}

int Fail(const QString& reason)
{
    Say(stderr, QStringLiteral("addrion /Sync: ") + reason);
    return 1;
}

int Synchronise()
{
    QString path = modSettings::Get(Setting::DefaultDatabase);
    if (path.isEmpty())
        path = modEnvironment::PersonalFolder() + QString::fromLatin1(modDatabase::DefaultFileName);
    if (!modEnvironment::FileExists(path))
        return Fail(QStringLiteral("there is no default database (%1).").arg(path));
    if (!Said(modDatabase::IsValidDatabase(path)) || !Said(modDatabase::OpenDatabase(path)))
        return Fail(QStringLiteral("the database %1 cannot be opened.").arg(path));
    const std::optional<modSyncState::Link> link = modSyncState::ReadLink(modDatabase::DatabaseConnection());
    if (!link)
        return Fail(QStringLiteral("the database %1 is not linked to an address book.").arg(path));

    // The secret store, else (for timers on machines without one) the environment.
    QString storeError;
    std::optional<QString> password =
        modSyncPassword::Read(modSyncPassword::Key(link->user, link->addressBook), &storeError);
    if (!password && qEnvironmentVariableIsSet("ADDRION_SYNC_PASSWORD"))
        password = qEnvironmentVariable("ADDRION_SYNC_PASSWORD");
    if (!password)
        return Fail(QStringLiteral("no password for %1 is known (%2); set ADDRION_SYNC_PASSWORD, or synchronise once "
                                   "in the window with a secret store running.")
                        .arg(link->user, storeError));

    CardDav::Session session(link->user, *password);
    // A sync that would remove most persons needs a person to agree: it is refused here.
    const modSync::Result result = modSync::Synchronise(session);
    modDatabase::CloseDatabase(false);
    if (!result.ok)
        return Fail(result.error);
    Say(stdout, modSync::Summary(result));
    // Cards left alone are named, so that a timer's log tells which.
    for (const auto& [heading, hrefs] : modSync::Problems(result))
        Say(stderr, heading + QStringLiteral(": ") + hrefs.join(QStringLiteral(", ")));
    return 0;
}

} // namespace

int Run(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Addrion"));
    QCoreApplication::setOrganizationName(QStringLiteral("Addrion"));
    ConsolePlatform platform;
    Platform::install(&platform);
    modSettings::PrepareSettings();
    modUpgrade::InstallUpgradeHandler();
    // No question handler: a file with foreign triggers or views is not opened.
    Failures::SetNoticeHandler(&SayFailure);
    const int code = Synchronise();
    Failures::SetNoticeHandler({});
    Platform::install(nullptr);
    return code;
}

} // namespace SyncCommand
