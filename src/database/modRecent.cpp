// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modRecent.h"

#include "database/modDatabase.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

namespace modRecent {

namespace {

// The entries count from 0 here, the stored names from 1.
SettingKey Key(int index)
{
    return {Setting::RecentDatabase, index + 1};
}

void Store(const QStringList& entries)
{
    for (int i = 0; i < RecentCount; ++i)
        modSettings::Set(Key(i), entries.value(i));
}

} // namespace

QStringList RecentDatabases()
{
    QStringList entries;
    for (int i = 0; i < RecentCount; ++i)
        entries << modSettings::Get(Key(i));
    return entries;
}

void AddRecent(const QString& given)
{
    if (given.isEmpty())
        return;
    const QString path = modEnvironment::AbsolutePath(given);
    QStringList entries = RecentDatabases();
    const int found = entries.indexOf(path);
    if (found == 0)
        return;
    // A new path pushes the oldest entry out; a known one moves up from its place.
    entries.removeAt(found < 0 ? RecentCount - 1 : found);
    entries.prepend(path);
    Store(entries);
}

void RemoveRecent(int index)
{
    if (index < 0 || index >= RecentCount)
        return;
    QStringList entries = RecentDatabases();
    entries.removeAt(index);
    entries.append(QString());
    Store(entries);
}

Outcome ChooseRecent(int index)
{
    if (index < 0 || index >= RecentCount)
        return Outcome::Ended();
    const QString path = RecentDatabases().at(index);
    const Outcome valid = modDatabase::IsValidDatabase(path);
    if (valid)
        return modDatabase::OpenDatabase(path);
    // Told before the entry goes: removing it writes the settings, which may have
    // something to say of its own.
    if (valid.failure())
        Failures::Notice(*valid.failure());
    RemoveRecent(index);
    return Outcome::Ended();
}

QString ShortenPath(const QString& path)
{
    const QChar separator = QLatin1Char('/');
    // Positions count from 0 here; the search for the first separator starts at the
    // third character, past a drive or a one-letter root folder's leading "/".
    const int first = path.indexOf(separator, 2);
    const int last = path.lastIndexOf(separator);
    if (first < 0 || first == last)
        return path;
    const int previous = path.lastIndexOf(separator, last - 1);
    if (first == previous)
        return path;
    return path.left(first + 1) + QStringLiteral("...") + path.mid(previous);
}

} // namespace modRecent
