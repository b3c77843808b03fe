// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Version.h"

namespace Version {

namespace {

struct Addresses
{
    QString website = QStringLiteral(ADDRION_WEBSITE);
    QString updateUrl = QStringLiteral(ADDRION_UPDATE_URL);
};

Addresses& Current()
{
    static Addresses addresses;
    return addresses;
}

} // namespace

QString Website()
{
    return Current().website;
}

QUrl UpdateUrl()
{
    const QUrl url(Current().updateUrl, QUrl::StrictMode);
    // Only plain HTTP is spoken; anything else counts as no address.
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty())
        return {};
    return url;
}

QString WebsiteHost()
{
    return QUrl(Website()).host();
}

QString WithWebsiteHost(const QString& words)
{
    const QString host = WebsiteHost();
    return host.isEmpty() ? words : host + QStringLiteral(", ") + words;
}

void SetAddresses(const QString& website, const QString& updateUrl)
{
    Current() = Addresses{website, updateUrl};
}

} // namespace Version
