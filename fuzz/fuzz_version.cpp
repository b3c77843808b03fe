// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The version server's answer and the comparison of version texts.
#include "FuzzSupport.h"
#include "startup/Version.h"
#include "version/modVersion.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray answer = FuzzBytes(data, size);
    const int status = modVersion::AnswerStatus(answer);
    if (status < 0)
        std::abort();
    const QString body = modVersion::AnswerBody(answer);
    modVersion::AnswerComplete(answer);
    // Strict ordering: never newer than itself, never both ways.
    const QString other = QString::fromLatin1(Version::AppVersion);
    if (modVersion::IsNewerVersion(body, body))
        std::abort();
    if (modVersion::IsNewerVersion(body, other) && modVersion::IsNewerVersion(other, body))
        std::abort();
    modVersion::NoticeWanted(body, other, other);
    modVersion::ProxyFromEnvironment(body);
    modVersion::ProxyFromSettings(true, body);
    modVersion::Failure failure;
    modVersion::ProxyPort(body, &failure);
    return 0;
}
