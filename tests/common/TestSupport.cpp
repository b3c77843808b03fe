#include "TestSupport.h"

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
    qunsetenv("http_proxy");
    qunsetenv("HTTP_PROXY");
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

QString executable()
{
    return QString::fromLocal8Bit(qgetenv("ADDRION_EXECUTABLE"));
}

QString reminderEcho()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/birthdays_reminderecho");
}

QString sourceDir()
{
    return QString::fromLocal8Bit(qgetenv("ADDRION_SOURCE_DIR"));
}

} // namespace TestSupport
