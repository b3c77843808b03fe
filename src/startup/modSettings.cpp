// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSettings.h"

#include "language/IniFile.h"
#include "startup/modEnvironment.h"

#include <QFile>
#include <QSettings>

#include <memory>

namespace modSettings {

namespace {

std::unique_ptr<QSettings>& storeHolder()
{
    static std::unique_ptr<QSettings> store;
    return store;
}

QSettings& store()
{
    auto& holder = storeHolder();
    if (!holder)
        holder = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Addrion"),
                                             QStringLiteral("Addrion"));
    return *holder;
}

quint64& writes()
{
    static quint64 count = 0;
    return count;
}

} // namespace

quint64 WriteCount()
{
    return writes();
}

QString ReadSetting(const QString& key)
{
    QSettings& settings = store();
    // Pick up what another process wrote since the last look.
    settings.sync();
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return {};
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void WriteSetting(const QString& key, const QString& value)
{
    QSettings& settings = store();
    settings.setValue(key, value.trimmed());
    settings.sync();
    ++writes();
}

void DeleteSetting(const QString& key)
{
    QSettings& settings = store();
    settings.sync();
    if (!settings.contains(key))
        return;
    settings.remove(key);
    settings.sync();
    ++writes();
}

bool StoreExists()
{
    return QFile::exists(StoreFile());
}

QString StoreFile()
{
    return store().fileName();
}

QString LegacySettingsFile()
{
    return modEnvironment::ProgramFolder() + QStringLiteral("Settings/") + modEnvironment::UserName() +
           QStringLiteral(".ini");
}

namespace {

void MigrateLegacyFile()
{
    const QString legacy = LegacySettingsFile();
    if (!modEnvironment::FileExists(legacy))
        return;
    const IniFile ini = IniFile::load(legacy);
    for (const QString& key :
         {QStringLiteral("Check version"), QStringLiteral("Default database"), QStringLiteral("Language")}) {
        // The old reader returned at most 254 characters.
        QString value = ini.value(QStringLiteral("Settings"), key).left(254);
        if (value.isEmpty())
            continue;
        if (value == QStringLiteral("español"))
            value = QStringLiteral("Español");
        WriteSetting(key, value);
    }
    QFile::remove(legacy);
}

void NormaliseFlags()
{
    for (const QString& key :
         {QStringLiteral("Birthday reminder"), QStringLiteral("Check version"), QStringLiteral("Reminder Sound")}) {
        const QString value = ReadSetting(key);
        if (value == QLatin1String("Yes"))
            WriteSetting(key, QStringLiteral("1"));
        else if (value == QLatin1String("No"))
            WriteSetting(key, QStringLiteral("0"));
    }
}

} // namespace

void PrepareSettings()
{
    if (!StoreExists())
        MigrateLegacyFile();
    NormaliseFlags();
}

void Reload()
{
    storeHolder().reset();
}

} // namespace modSettings
