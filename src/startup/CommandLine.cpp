// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "CommandLine.h"

#include "startup/Version.h"
#include "startup/modEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace CommandLine {

QString FromArguments(const QStringList& argumentsWithoutProgram)
{
    return argumentsWithoutProgram.join(QLatin1Char(' ')).trimmed();
}

QString Current()
{
    return FromArguments(AfterOptionEnd(QCoreApplication::arguments().mid(1)));
}

QStringList AfterOptionEnd(const QStringList& argumentsWithoutProgram)
{
    QStringList arguments = argumentsWithoutProgram;
    while (!arguments.isEmpty() && arguments.first().trimmed().isEmpty())
        arguments.removeFirst();
    if (!arguments.isEmpty() && arguments.first().trimmed() == QLatin1String("--"))
        arguments.removeFirst();
    return arguments;
}

Option OptionOf(const QStringList& argumentsWithoutProgram)
{
    QString first;
    for (const QString& argument : argumentsWithoutProgram)
        if (first.isEmpty())
            first = argument.trimmed();
    if (first == QLatin1String("-h") || first == QLatin1String("--help"))
        return Option::Help;
    if (first == QLatin1String("-v") || first == QLatin1String("-V") || first == QLatin1String("--version"))
        return Option::Version;
    if (!first.startsWith(QLatin1Char('-')) || first == QLatin1String("--") || first == QLatin1String("--new-person"))
        return Option::None;
    // A database whose name begins with "-" still opens as it always did.
    return QFileInfo::exists(FromArguments(argumentsWithoutProgram)) ? Option::None : Option::Unknown;
}

Kind Classify(const QString& commandLine)
{
    const QString line = commandLine.trimmed();
    if (line == QLatin1String("/Reminder"))
        return Kind::Reminder;
    if (line == QLatin1String("/Sync"))
        return Kind::Sync;
    if (line.isEmpty())
        return Kind::Default;
    // Only the first seven characters count, so "/Personx" is a person form too.
    if (line.startsWith(QLatin1String("/Person")))
        return Kind::Person;
    // Whole-line switches only: a file named like one is a most unlikely database.
    if (line == QLatin1String("--help"))
        return Kind::Help;
    if (line == QLatin1String("--version"))
        return Kind::Version;
    if (line == QLatin1String("--new-person"))
        return Kind::NewPerson;
    if (line.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive))
        return Kind::CardFile;
    return Kind::DatabasePath;
}

QString WithAbsolutePath(const QString& commandLine)
{
    if (Classify(commandLine) != Kind::DatabasePath)
        return commandLine;
    return modEnvironment::AbsolutePath(commandLine.trimmed());
}

QString PersonKey(const QString& commandLine)
{
    return commandLine.trimmed().mid(1);
}

QString Usage()
{
    return QStringLiteral("Usage: addrion [DATABASE | FILE.vcf | /Reminder | /Sync | /Person N | --new-person]\n"
                          "       addrion -- DATABASE\n"
                          "       addrion -h | --help | -v | -V | --version\n"
                          "\n"
                          "Personal address book with birthday calendar and reminder.\n"
                          "\n"
                          "  DATABASE       open this database file instead of the default one\n"
                          "  FILE.vcf       open the default database and offer to import the cards\n"
                          "  /Reminder      show only the coming birthdays, then end\n"
                          "  /Sync          synchronise the default database with its server, no window\n"
                          "  /Person N      open the default database and show person number N\n"
                          "  --new-person   open the default database and start a new person\n"
                          "  --             take what follows as a file, even when it begins with -\n"
                          "  -h, --help     print this text and end\n"
                          "  -v, -V, --version\n"
                          "                 print the name and version and end\n");
}

QString VersionText()
{
    return QString::fromLatin1(Version::AppName) + QLatin1Char(' ') + QString::fromLatin1(Version::AppVersion) +
           QLatin1Char('\n');
}

} // namespace CommandLine
