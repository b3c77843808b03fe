// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modError.h"

#include "language/modLanguage.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace modError {

namespace {

Failure Report(const QString& prefix, const QString& firstLine, int number, const QString& description)
{
    const QString detail = prefix + QString::number(number) + QLatin1Char(' ') + description;
    WriteLog(detail);
    const QString website = Version::Website();
    // Without a web site there is nowhere to send the user: OK only closes the report.
    const QString download = website.isEmpty()
                                 ? QString()
                                 : QStringLiteral("You need to download it from the website of Addrion:\n") + website +
                                       QStringLiteral("\n\n");
    const QString text = firstLine + QStringLiteral("\n\n") + download + detail;
    return Failure{T("Error") + QLatin1Char('!'), text, number, Failure::Kind::Report, website};
}

} // namespace

QString DatabaseLibraryName()
{
    return QStringLiteral("The SQLite 3 database library (Debian package libsqlite3-0)");
}

Failure MdacError(int number, const QString& description, const QString& missingComponent)
{
    const QString component = missingComponent.isEmpty() ? DatabaseLibraryName() : missingComponent;
    return Report(QStringLiteral("MdacError: "), component + QStringLiteral(" is missing!"), number, description);
}

Failure JetError(int number, const QString& description)
{
    return Report(QStringLiteral("JetError: "),
                  QStringLiteral("The SQLite 3 database engine is missing or the database is not accessible!"), number,
                  description);
}

QString LogFilePath()
{
    const QString besideProgram = modEnvironment::ProgramFolder();
    const QFileInfo folder(besideProgram);
    const QString logName = QStringLiteral("Addrion.log");
    // An installed program's folder belongs to the package manager, even when root could write there.
    if (!modEnvironment::RunsInstalled() && folder.isDir() && folder.isWritable()) {
        const QFileInfo existing(besideProgram + logName);
        if (!existing.exists() || existing.isWritable())
            return besideProgram + logName;
    }
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Addrion/");
    return dataFolder + logName;
}

QString LogLine(const QDateTime& moment, const QString& text)
{
    const QLocale locale = QLocale::system();
    // The locale's long time form without the time zone.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    timeFormat = timeFormat.trimmed();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(moment.time(), timeFormat) + QStringLiteral(" - ") + text;
}

void WriteLog(const QString& text)
{
    const QString path = LogFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile log(path);
    // A log that cannot be written loses the line; the program carries on.
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    log.write((LogLine(QDateTime::currentDateTime(), text) + QLatin1Char('\n')).toUtf8());
}

} // namespace modError
