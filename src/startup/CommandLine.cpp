#include "CommandLine.h"

#include <QCoreApplication>

namespace CommandLine {

QString FromArguments(const QStringList& argumentsWithoutProgram)
{
    return argumentsWithoutProgram.join(QLatin1Char(' ')).trimmed();
}

QString Current()
{
    return FromArguments(QCoreApplication::arguments().mid(1));
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
    return Kind::DatabasePath;
}

QString PersonKey(const QString& commandLine)
{
    return commandLine.trimmed().mid(1);
}

} // namespace CommandLine
