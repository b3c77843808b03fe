// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// Draws the logo into the icon theme's fixed sizes at build time:
//   addrion-icons <folder>  writes <folder>/<n>x<n>/apps/addrion.png for every size.
#include "widgets/Logo.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: addrion-icons <folder>\n", stderr);
        return 2;
    }
    for (const int size : LogoSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(arguments.at(1)).arg(size);
        const QString file = folder + QStringLiteral("/addrion.png");
        if (!QDir().mkpath(folder) || !AddrionLogo(size).save(file, "PNG")) {
            std::fprintf(stderr, "addrion-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
