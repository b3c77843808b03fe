// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modAutostart.h"

#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace modAutostart {

namespace {

QString Executable()
{
    return QCoreApplication::applicationFilePath();
}

QString QuotedPath(const QString& path)
{
    // An Exec argument in double quotes, with \ " ` $ inside it escaped by a backslash.
    QString quoted(QLatin1Char('"'));
    for (const QChar c : path) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    // The line is then stored as a desktop-entry string, whose own escapes come first
    // when it is read, and "%" would start a field code.
    QString stored;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\'))
            stored += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            stored += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            stored += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            stored += QStringLiteral("\\r");
        else if (c == QLatin1Char('%'))
            stored += QStringLiteral("%%");
        else
            stored += c;
    }
    return stored;
}

QString StoredExecLine()
{
    QFile entry(EntryFile());
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return {};
}

} // namespace

QString EntryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/addrion-birthday-reminder.desktop");
}

QString ExecLine(const QString& executable)
{
    return QuotedPath(executable) + QStringLiteral(" /Reminder");
}

QByteArray EntryText(const QString& executable)
{
    // TryExec lets a desktop skip the entry once the program is removed.
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Addrion Birthday reminder\n"
                          "Icon=addrion\n"
                          "Exec=%1\n"
                          "TryExec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(ExecLine(executable), QString(executable).replace(QLatin1Char('\\'), QStringLiteral("\\\\")))
        .toUtf8();
}

bool EnableReminder(QString* error)
{
    QSaveFile entry(EntryFile());
    QDir().mkpath(QFileInfo(entry.fileName()).absolutePath());
    QString reason;
    if (!entry.open(QIODevice::WriteOnly) || !modSafeFile::WriteAll(entry, EntryText(Executable()), &reason) ||
        !entry.flush() || !entry.commit()) {
        if (reason.isEmpty())
            reason = entry.errorString();
        entry.cancelWriting(); // a half-written entry would start nothing, or something else
        *error =
            T("The file could not be written:") + QLatin1Char('\n') + entry.fileName() + QLatin1Char('\n') + reason;
        // Without the entry nothing starts the reminder at log-on: it is off, whatever was stored.
        if (modSettings::Get(Setting::BirthdayReminder) != QLatin1String("0"))
            modSettings::SetOn(Setting::BirthdayReminder, false);
        return false;
    }
    if (!modSettings::IsOn(Setting::BirthdayReminder)) {
        if (modEnvironment::FileExists(modSettings::Get(Setting::DefaultDatabase)))
            Platform::current().startDetached(Executable(), {QStringLiteral("/Reminder")}, Platform::Show::Minimised);
        modSettings::SetOn(Setting::BirthdayReminder, true);
    }
    return true;
}

bool DisableReminder(QString* error)
{
    QFile entry(EntryFile());
    // An entry left behind would still start the reminder at log-on: then it stays on.
    if (entry.exists() && !entry.remove()) {
        *error = T("The file could not be removed:") + QLatin1Char('\n') + entry.fileName() + QLatin1Char('\n') +
                 entry.errorString();
        return false;
    }
    modSettings::SetOn(Setting::BirthdayReminder, false);
    return true;
}

bool ReminderEntryOutdated()
{
    return StoredExecLine() != ExecLine(Executable());
}

bool CheckReminderAtStart(QString* error)
{
    const QString reminder = modSettings::Get(Setting::BirthdayReminder);
    if (reminder.isEmpty()) {
        const bool enabled = EnableReminder(error);
        for (const SettingKey& key : {SettingKey(Setting::ReminderSound), SettingKey(Setting::ReminderSoundPath),
                                      SettingKey(Setting::ReminderSince), SettingKey(Setting::ReminderOnce, 1)})
            modSettings::SetDefault(key);
        return enabled;
    }
    if (reminder == QLatin1String("1") && ReminderEntryOutdated())
        return EnableReminder(error);
    return true;
}

} // namespace modAutostart
