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

std::unique_ptr<QSettings> NewStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Addrion"),
                                       QStringLiteral("Addrion"));
}

QSettings& store()
{
    auto& holder = storeHolder();
    if (!holder)
        holder = NewStore();
    return *holder;
}

// The store, ready to tell whether the next write reaches the file. QSettings keeps the
// first error it met for good, so after a failure a new one takes over; it is made while
// the old one still holds Qt's copy of the file, and with it the values not yet written.
QSettings& storeForWriting()
{
    auto& holder = storeHolder();
    if (holder && holder->status() != QSettings::NoError) {
        std::unique_ptr<QSettings> fresh = NewStore();
        holder = std::move(fresh);
    }
    return store();
}

quint64& writes()
{
    static quint64 count = 0;
    return count;
}

FailureHandler& failureHandler()
{
    static FailureHandler handler;
    return handler;
}

// Writes what was changed in the store to the file. A file that cannot be written is a
// failure, told to the handler; the value stays in this process until it ends.
bool Commit(QSettings& settings)
{
    settings.sync();
    ++writes();
    if (settings.status() == QSettings::NoError)
        return true;
    if (failureHandler())
        failureHandler()(settings.fileName());
    return false;
}

} // namespace

quint64 WriteCount()
{
    return writes();
}

void SetFailureHandler(FailureHandler handler)
{
    failureHandler() = std::move(handler);
}

QString KeyName(const SettingKey& key)
{
    const QString name = QString::fromLatin1(EntryOf(key.setting()).name);
    // A family's member needs its number or part, a single setting none.
    Q_ASSERT(name.contains(QLatin1String("%1")) != key.part().isEmpty());
    return key.part().isEmpty() ? name : name.arg(key.part());
}

QString Get(const SettingKey& key)
{
    QSettings& settings = store();
    // Pick up what another process wrote since the last look.
    settings.sync();
    const QVariant value = settings.value(KeyName(key));
    if (!value.isValid())
        return {};
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool Set(const SettingKey& key, const QString& value)
{
    QSettings& settings = storeForWriting();
    settings.setValue(KeyName(key), value.trimmed());
    return Commit(settings);
}

bool Remove(const SettingKey& key)
{
    QSettings& settings = storeForWriting();
    settings.sync();
    const QString name = KeyName(key);
    if (!settings.contains(name))
        return true;
    settings.remove(name);
    return Commit(settings);
}

bool IsOn(Setting flag)
{
    Q_ASSERT(EntryOf(flag).type == SettingType::Flag);
    return Get(flag) == QLatin1String("1");
}

bool SetOn(Setting flag, bool on)
{
    Q_ASSERT(EntryOf(flag).type == SettingType::Flag);
    return Set(flag, on ? QStringLiteral("1") : QStringLiteral("0"));
}

QString Default(Setting setting)
{
    const SettingEntry& entry = EntryOf(setting);
    const QString value = QString::fromUtf8(entry.defaultValue);
    switch (entry.root) {
    case SettingRoot::ProgramFolder:
        return modEnvironment::ProgramFolder() + value;
    case SettingRoot::PersonalFolder:
        return modEnvironment::PersonalFolder() + value;
    case SettingRoot::None:
        break;
    }
    return value;
}

bool SetDefault(const SettingKey& key)
{
    return Set(key, Default(key.setting()));
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
    // The old file kept these three under the names they still have.
    for (const Setting setting : {Setting::CheckVersion, Setting::DefaultDatabase, Setting::Language}) {
        // The old reader returned at most 254 characters.
        QString value = ini.value(QStringLiteral("Settings"), KeyName(setting)).left(254);
        if (value.isEmpty())
            continue;
        if (value == QStringLiteral("español"))
            value = QStringLiteral("Español");
        Set(setting, value);
    }
    QFile::remove(legacy);
}

void NormaliseFlags()
{
    for (const SettingEntry& entry : SettingsTable) {
        if (entry.type != SettingType::Flag)
            continue;
        const QString value = Get(entry.setting);
        if (value == QLatin1String("Yes"))
            SetOn(entry.setting, true);
        else if (value == QLatin1String("No"))
            SetOn(entry.setting, false);
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
