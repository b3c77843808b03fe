#include "TestSupport.h"

#include "editor/modContact.h"
#include "startup/Version.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

IsolatedEnvironment::IsolatedEnvironment()
{
    m_dir.setAutoRemove(true);
    for (const QString& sub : {home(), configHome(), dataHome(), temp()})
        QDir().mkpath(sub);
    qputenv("HOME", home().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("TEMP", temp().toUtf8());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}

QString IsolatedEnvironment::home() const
{
    return m_dir.path() + QStringLiteral("/home");
}

QString IsolatedEnvironment::configHome() const
{
    return m_dir.path() + QStringLiteral("/config");
}

QString IsolatedEnvironment::dataHome() const
{
    return m_dir.path() + QStringLiteral("/data");
}

QString IsolatedEnvironment::temp() const
{
    return m_dir.path() + QStringLiteral("/temp");
}

namespace TestSupport {

IsolatedEnvironment& environment()
{
    static IsolatedEnvironment env;
    return env;
}

void clearSettings()
{
    QFile::remove(settingsFile());
    modSettings::Reload();
}

QString settingsFile()
{
    return environment().configHome() + QStringLiteral("/Addrion/Addrion.conf");
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(contents) == contents.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void useTestAddresses()
{
    Version::SetAddresses(QString::fromLatin1(TestWebsite), QString::fromLatin1(TestUpdateUrl));
    modContact::SetProfileBases(QString::fromLatin1(TestProfileFirst), QString::fromLatin1(TestProfileSecond));
}

void useNoAddresses()
{
    Version::SetAddresses(QString(), QString());
    modContact::SetProfileBases(QString(), QString());
}

QString executable()
{
    return QString::fromLocal8Bit(qgetenv("ADDRION_EXECUTABLE"));
}

QString sourceDir()
{
    return QString::fromLocal8Bit(qgetenv("ADDRION_SOURCE_DIR"));
}

} // namespace TestSupport
