// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modEnvironment.h"

#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace modEnvironment {

namespace {

struct LocaleRow
{
    QLocale::Language language;
    QLocale::Territory territory; // AnyTerritory matches every territory of the language
    const char* abbreviation;
    qint32 localeId;
};

// The first row that matches wins, so the specific territories come before the
// language's general row. The abbreviations are the ones the language choice expects.
const LocaleRow kLocaleTable[] = {
    {QLocale::Albanian, QLocale::AnyTerritory, "SQI", 0x041C},
    {QLocale::Arabic, QLocale::AnyTerritory, "ARA", 0x0401},
    {QLocale::Basque, QLocale::AnyTerritory, "EUQ", 0x042D},
    {QLocale::Chinese, QLocale::Taiwan, "CHT", 0x0404},
    {QLocale::Chinese, QLocale::HongKong, "ZHH", 0x0C04},
    {QLocale::Chinese, QLocale::AnyTerritory, "CHS", 0x0804},
    {QLocale::Croatian, QLocale::AnyTerritory, "HRV", 0x041A},
    {QLocale::Czech, QLocale::AnyTerritory, "CSY", 0x0405},
    {QLocale::Danish, QLocale::AnyTerritory, "DAN", 0x0406},
    {QLocale::Dutch, QLocale::Belgium, "NLB", 0x0813},
    {QLocale::Dutch, QLocale::AnyTerritory, "NLD", 0x0413},
    {QLocale::English, QLocale::UnitedKingdom, "ENG", 0x0809},
    {QLocale::English, QLocale::AnyTerritory, "ENU", 0x0409},
    {QLocale::Estonian, QLocale::AnyTerritory, "ETI", 0x0425},
    {QLocale::Finnish, QLocale::AnyTerritory, "FIN", 0x040B},
    {QLocale::French, QLocale::Belgium, "FRB", 0x080C},
    {QLocale::French, QLocale::Canada, "FRC", 0x0C0C},
    {QLocale::French, QLocale::Switzerland, "FRS", 0x100C},
    {QLocale::French, QLocale::AnyTerritory, "FRA", 0x040C},
    {QLocale::German, QLocale::Austria, "DEA", 0x0C07},
    {QLocale::German, QLocale::Switzerland, "DES", 0x0807},
    {QLocale::German, QLocale::AnyTerritory, "DEU", 0x0407},
    {QLocale::Greek, QLocale::AnyTerritory, "ELL", 0x0408},
    {QLocale::Hebrew, QLocale::AnyTerritory, "HEB", 0x040D},
    {QLocale::Hungarian, QLocale::AnyTerritory, "HUN", 0x040E},
    {QLocale::Icelandic, QLocale::AnyTerritory, "ISL", 0x040F},
    {QLocale::Indonesian, QLocale::AnyTerritory, "BAH", 0x0421},
    {QLocale::Italian, QLocale::Switzerland, "ITS", 0x0810},
    {QLocale::Italian, QLocale::AnyTerritory, "ITA", 0x0410},
    {QLocale::Japanese, QLocale::AnyTerritory, "JPN", 0x0411},
    {QLocale::Korean, QLocale::AnyTerritory, "KOR", 0x0412},
    {QLocale::Latvian, QLocale::AnyTerritory, "LVI", 0x0426},
    {QLocale::Lithuanian, QLocale::AnyTerritory, "LTH", 0x0427},
    {QLocale::Macedonian, QLocale::AnyTerritory, "MKD", 0x042F},
    {QLocale::NorwegianBokmal, QLocale::AnyTerritory, "NOR", 0x0414},
    {QLocale::NorwegianNynorsk, QLocale::AnyTerritory, "NON", 0x0814},
    {QLocale::Persian, QLocale::AnyTerritory, "FAR", 0x0429},
    {QLocale::Polish, QLocale::AnyTerritory, "PLK", 0x0415},
    {QLocale::Portuguese, QLocale::Brazil, "PTB", 0x0416},
    {QLocale::Portuguese, QLocale::AnyTerritory, "PTG", 0x0816},
    {QLocale::Romanian, QLocale::AnyTerritory, "ROM", 0x0418},
    {QLocale::Russian, QLocale::AnyTerritory, "RUS", 0x0419},
    {QLocale::Serbian, QLocale::AnyTerritory, "SHQ", 0x0C1A},
    {QLocale::Slovak, QLocale::AnyTerritory, "SKY", 0x041B},
    {QLocale::Slovenian, QLocale::AnyTerritory, "SLV", 0x0424},
    {QLocale::Spanish, QLocale::Mexico, "ESM", 0x080A},
    {QLocale::Spanish, QLocale::AnyTerritory, "ESN", 0x0C0A},
    {QLocale::Swedish, QLocale::AnyTerritory, "SVE", 0x041D},
    {QLocale::Thai, QLocale::AnyTerritory, "THA", 0x041E},
    {QLocale::Turkish, QLocale::AnyTerritory, "TRK", 0x041F},
    {QLocale::Ukrainian, QLocale::AnyTerritory, "UKR", 0x0422},
    {QLocale::Urdu, QLocale::AnyTerritory, "URD", 0x0420},
    {QLocale::Vietnamese, QLocale::AnyTerritory, "VIT", 0x042A},
};

const LocaleRow* findLocale(const QLocale& locale)
{
    for (const LocaleRow& row : kLocaleTable) {
        if (row.language != locale.language())
            continue;
        if (row.territory == QLocale::AnyTerritory || row.territory == locale.territory())
            return &row;
    }
    return nullptr;
}

QString g_programFolderOverride;

// A real folder (not a link) that belongs to this user and that nobody else may enter;
// it is made so when it is ours but too open.
bool IsPrivateFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink() || info.ownerId() != geteuid())
        return false;
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if ((info.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser)) !=
        0)
        return QFile::setPermissions(folder, ownerOnly);
    return true;
}

QString DirectorySetting(Setting setting)
{
    const QString stored = modSettings::Get(setting);
    return stored.isEmpty() ? modSettings::Default(setting) : stored;
}

} // namespace

QString UserName()
{
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    const QString fromEnvironment = qEnvironmentVariable("USER");
    return fromEnvironment.isEmpty() ? QStringLiteral("Unknown") : fromEnvironment;
}

qint32 LocaleIdOf(const QLocale& locale)
{
    const LocaleRow* row = findLocale(locale);
    return row ? row->localeId : 0x0409;
}

QString LanguageAbbreviationOf(const QLocale& locale)
{
    const LocaleRow* row = findLocale(locale);
    return row ? QString::fromLatin1(row->abbreviation) : QString();
}

qint32 UserLocaleId()
{
    return LocaleIdOf(QLocale::system());
}

QString UserLanguageAbbreviation()
{
    return LanguageAbbreviationOf(QLocale::system());
}

QString WithTrailingSlash(const QString& folder)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}

QString PersonalFolder()
{
    return WithTrailingSlash(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QString FolderOf(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString DatabaseDirectory()
{
    return DirectorySetting(Setting::DatabaseDirectory);
}

void SaveDatabaseDirectory(const QString& filePath)
{
    modSettings::Set(Setting::DatabaseDirectory, FolderOf(filePath));
}

QString ExportDirectory()
{
    return DirectorySetting(Setting::ExportDirectory);
}

void SaveExportDirectory(const QString& filePath)
{
    modSettings::Set(Setting::ExportDirectory, FolderOf(filePath));
}

bool MayReplace(const QString& path, const YesNoQuestion& ask)
{
    return !FileExists(path) || ask(T("Error"), T("File already exists:") + QLatin1Char('\n') + path +
                                                    QStringLiteral("\n\n") + T("Replace") + QLatin1Char('?'));
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString FileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString StripExtension(const QString& path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? path : path.left(dot);
}

QString DigitsOnly(const QString& text)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    return digits;
}

QString TextInBrackets(const QString& display, const QString& head)
{
    if (display.size() <= head.size())
        return {};
    return display.mid(head.size() + 2, display.size() - head.size() - 3);
}

QString AbsolutePath(const QString& path)
{
    return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

void OpenWithShell(const QString& target)
{
    // Web and mail addresses carry a scheme, or begin with "www" as people write them;
    // anything else is a local file.
    if (target.startsWith(QLatin1String("www"), Qt::CaseInsensitive)) {
        Platform::current().openUrl(QUrl(QStringLiteral("http://") + target, QUrl::TolerantMode));
        return;
    }
    const QUrl url = QUrl(target, QUrl::StrictMode);
    const bool isAddress = url.isValid() && url.scheme().size() > 1;
    Platform::current().openUrl(isAddress ? url : QUrl::fromLocalFile(target));
}

QUrl MailtoUrl(const QString& addresses)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    // Decoded: a "%" or a blank in the address is a character of it, escaped as such.
    // No address at all is a mail still to be addressed.
    url.setPath(addresses.trimmed(), QUrl::DecodedMode);
    return url.isValid() ? url : QUrl();
}

Outcome OpenMailto(const QString& addresses)
{
    const QUrl url = MailtoUrl(addresses);
    if (url.isEmpty())
        return Failure{T("Error"), T("This is not a valid e-mail address:") + QLatin1Char('\n') + addresses};
    Platform::current().openUrl(url);
    return {};
}

int CountPrinters()
{
    return Platform::current().countPrinters();
}

void SetProgramFolder(const QString& folder)
{
    g_programFolderOverride = folder.isEmpty() ? QString() : WithTrailingSlash(folder);
}

QString ProgramFolder()
{
    if (!g_programFolderOverride.isEmpty())
        return g_programFolderOverride;
    return ProgramFolderOf(QCoreApplication::applicationDirPath());
}

QString ProgramFolderOf(const QString& executableFolder)
{
    if (QFileInfo(executableFolder + QStringLiteral("/Language")).isDir())
        return WithTrailingSlash(executableFolder);
    // Installed: <prefix>/bin/addrion with the resources in <prefix>/share/addrion.
    const QString installed = QDir::cleanPath(executableFolder + QStringLiteral("/../share/addrion"));
    if (QFileInfo(installed).isDir())
        return WithTrailingSlash(installed);
    return WithTrailingSlash(executableFolder);
}

bool IsInstalledLayout(const QString& executableFolder)
{
    return ProgramFolderOf(executableFolder) != WithTrailingSlash(executableFolder);
}

bool RunsInstalled()
{
    return g_programFolderOverride.isEmpty() && IsInstalledLayout(QCoreApplication::applicationDirPath());
}

QString TempFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("TEMP");
    if (!fromEnvironment.isEmpty()) {
        QDir().mkpath(fromEnvironment);
        return WithTrailingSlash(fromEnvironment);
    }
    const QString shared = QDir::tempPath() + QStringLiteral("/addrion-") + QString::number(geteuid());
    if (IsPrivateFolder(shared) || (QDir().mkdir(shared) && IsPrivateFolder(shared)))
        return WithTrailingSlash(shared);
    // Someone else holds that name in the shared folder: use the cache folder instead.
    const QString cache =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Addrion/tmp");
    // Private as the shared one would have been, whatever the umask made of it.
    QDir().mkpath(cache);
    if (IsPrivateFolder(cache))
        return WithTrailingSlash(cache);
    // That one is not ours alone either (a link, another owner): a folder of this run
    // only, closed to others from the moment it exists.
    static const QString ofThisRun = [] {
        QByteArray pattern = QFile::encodeName(QDir::tempPath() + QStringLiteral("/addrion-XXXXXX"));
        const char* made = mkdtemp(pattern.data());
        return made ? QFile::decodeName(made) : QString();
    }();
    return ofThisRun.isEmpty() ? QString() : WithTrailingSlash(ofThisRun);
}

QString CacheFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Addrion");
    if (!QDir().mkpath(folder) || !IsPrivateFolder(folder))
        return QString();
    return WithTrailingSlash(folder);
}

} // namespace modEnvironment
