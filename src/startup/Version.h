// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/VersionNumber.h"

#include <QString>
#include <QUrl>

// The program's own fixed texts and the addresses the build gives it.
namespace Version {

constexpr const char* AppName = "Addrion";

// The publisher's web site (build setting ADDRION_WEBSITE); "" when the build names
// none, and then nothing offers to open it: no Website menu entry, link or button, and
// the error reports leave out their address line.
QString Website();
// Where the latest version number is published, an http:// address (build setting
// ADDRION_UPDATE_URL); empty when the build names none, and then there is no version
// check at all.
QUrl UpdateUrl();
// The host of the web site, "" without one.
QString WebsiteHost();
// words preceded by the web site's host and ", " when there is a web site.
QString WithWebsiteHost(const QString& words);

// Other addresses than the build's, for tests; until called again.
void SetAddresses(const QString& website, const QString& updateUrl);

} // namespace Version
