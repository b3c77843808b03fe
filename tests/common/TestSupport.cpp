// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "TestSupport.h"

#include "ChildProcess.h"
#include "birthdays/HtmlViewer.h"
#include "editor/modContact.h"
#include "startup/Platform.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>

IsolatedEnvironment::IsolatedEnvironment()
{
    for (const QString& sub : {home(), configHome(), dataHome(), cacheHome(), temp()})
        QDir().mkpath(sub);
    qputenv("HOME", home().toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
    qputenv("TEMP", temp().toUtf8());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    Platform::SetToday(TestSupport::FixedToday());
    qputenv(TestSupport::TodayVariable, TestSupport::FixedToday().toString(Qt::ISODate).toLatin1());
    // The program's own folder is private too: what the program writes beside itself (its
    // error log) stays out of the build tree.
    QDir().mkpath(programFolder());
    modEnvironment::SetProgramFolder(programFolder());
    qputenv(TestSupport::ProgramFolderVariable, programFolder().toUtf8());
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

namespace {

SettingKey KeyNamed(const QString& name)
{
    for (const SettingEntry& entry : SettingsTable)
        if (QLatin1String(entry.name) == name)
            return entry.setting;
    // A member of a family: the stored name with its number or part.
    for (const SettingEntry& entry : SettingsTable) {
        const QString prefix = QString::fromLatin1(entry.name).section(QStringLiteral("%1"), 0, 0);
        if (prefix != QLatin1String(entry.name) && name.startsWith(prefix) && name.size() > prefix.size())
            return {entry.setting, name.mid(prefix.size())};
    }
    qFatal("the program stores no setting as \"%s\"", qPrintable(name));
}

} // namespace

QString readSetting(const QString& name)
{
    return modSettings::Get(KeyNamed(name));
}

void writeSetting(const QString& name, const QString& value)
{
    modSettings::Set(KeyNamed(name), value);
}

void removeSetting(const QString& name)
{
    modSettings::Remove(KeyNamed(name));
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

QString reminderEcho()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/birthdays_reminderecho");
}

QString sourceDir()
{
    return QString::fromLocal8Bit(qgetenv("ADDRION_SOURCE_DIR"));
}

void prepareSyncTests()
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    modEnvironment::SetProgramFolder(sourceDir() + QStringLiteral("/resources"));
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    return QString::fromLatin1(status.readAll())
        .section(QStringLiteral("VmRSS:"), 1)
        .section(QStringLiteral("kB"), 0, 0)
        .trimmed()
        .toLongLong();
}

PrintedText printedText(HtmlViewer& viewer, const QStringList& options)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    viewer.PrintOn(&printer);
    const ChildRun run = runChild("pdftotext", options + QStringList{dir.filePath("printed.pdf"), "-"});
    return {run.exitCode, QString::fromUtf8(run.output)};
}

bool readWithVobject(const QByteArray& cards, QStringList& lines, QString& error)
{
    const QString script =
        QStringLiteral("import sys\n"
                       "try:\n"
                       "    import vobject\n"
                       "except ImportError:\n"
                       "    sys.exit(3)\n"
                       "text = sys.stdin.buffer.read().decode('utf-8')\n"
                       "for card in vobject.readComponents(text, validate=True):\n"
                       "    uid = card.uid.value if hasattr(card, 'uid') else ''\n"
                       "    sys.stdout.buffer.write((uid + '\\t' + card.fn.value + '\\n').encode('utf-8'))\n");
    // The Debian package installs the module for the system's interpreter, which may
    // not be the first python3 on PATH.
    const QString system = QStringLiteral("/usr/bin/python3");
    QProcess python;
    python.start(QFileInfo::exists(system) ? system : QStringLiteral("python3"), {QStringLiteral("-c"), script});
    if (!python.waitForStarted()) {
        error = QStringLiteral("python3 is missing: install the Debian package python3-vobject");
        return false;
    }
    python.write(cards);
    python.closeWriteChannel();
    python.waitForFinished(-1);
    if (python.exitCode() == 3) {
        error = QStringLiteral("the vobject module is missing: install the Debian package python3-vobject");
        return false;
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        error = QString::fromUtf8(python.readAllStandardError());
        return false;
    }
    lines = QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return true;
}

QRandomGenerator& random()
{
    static QRandomGenerator generator = [] {
        bool given = false;
        quint32 seed = qEnvironmentVariable(SeedVariable).toUInt(&given);
        if (!given)
            seed = QRandomGenerator::system()->generate();
        qInfo("random cases from seed %u (replay: %s=%u)", seed, SeedVariable, seed);
        return QRandomGenerator(seed);
    }();
    return generator;
}

QString programTitle()
{
    return QString::fromLatin1(Version::AppName) + QLatin1Char(' ') + QString::fromLatin1(Version::AppVersion);
}

} // namespace TestSupport
