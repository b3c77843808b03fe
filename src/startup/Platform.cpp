// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Platform.h"

#include <QStringList>

namespace Platform {

namespace {
Interface* g_platform = nullptr;
QDate g_today; // fixed by SetToday; invalid: the system's
} // namespace

Show StartShow()
{
    static const Show show = [] {
        const bool minimised = qgetenv(ShowVariable) == "minimised";
        qunsetenv(ShowVariable);
        return minimised ? Show::Minimised : Show::Normal;
    }();
    return show;
}

Interface& current()
{
    Q_ASSERT_X(g_platform, "Platform::current", "no platform installed");
    return *g_platform;
}

Interface* installed()
{
    return g_platform;
}

void install(Interface* platform)
{
    g_platform = platform;
}

QDate Today()
{
    return g_today.isValid() ? g_today : QDate::currentDate();
}

void SetToday(const QDate& date)
{
    g_today = date;
}

void inform(const QString& title, const QString& text, Icon icon)
{
    current().message(title, text, icon, Buttons::Ok);
}

bool askYesNo(const QString& title, const QString& text)
{
    return current().message(title, text, Icon::Question, Buttons::YesNo) == Answer::Yes;
}

QString qtFilter(const QString& filter)
{
    // Pairs of description|pattern; Qt wants only the descriptions, which name their patterns.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts.at(i);
    return descriptions.join(QStringLiteral(";;"));
}

} // namespace Platform
