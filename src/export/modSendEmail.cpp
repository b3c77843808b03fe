// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSendEmail.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSettings.h"

namespace modSendEmail {

QString Subject(const QString& databasePath)
{
    return T("Addrion database") + QStringLiteral(": ") + modEnvironment::FileNameOf(databasePath);
}

QString DefaultDescription(const QString& databasePath)
{
    const QString signature = QStringLiteral("Addrion ") + QString::fromLatin1(Version::AppVersion);
    const QString website = Version::Website();
    return Subject(databasePath) + QStringLiteral("\r\n\r\n---\r\n") + signature +
           (website.isEmpty() ? QString() : QStringLiteral("\r\n") + website);
}

void SendDatabase(const QString& recipient, const QString& description, const QString& databasePath,
                  std::function<void(bool sent, const Outcome& reopened)> done)
{
    modSettings::Set(Setting::EmailRecipient, recipient);
    modDatabase::CloseDatabase(true);
    Platform::Mail mail;
    mail.recipient = recipient;
    mail.subject = Subject(databasePath);
    mail.body = description;
    mail.attachment = databasePath;
    // Only values are kept for the answer: the window that asked may be gone by then.
    Platform::current().sendMail(mail, [databasePath, done = std::move(done)](const Platform::MailResult& result) {
        if (result.number != 0)
            modError::WriteLog(QStringLiteral("Send e-mail error: ") + QString::number(result.number) +
                               QStringLiteral(": ") + result.description);
        const Outcome reopened = modDatabase::OpenDatabase(databasePath);
        if (done)
            done(result.number == 0, reopened);
    });
}

} // namespace modSendEmail
