#pragma once

#include <QString>
#include <QStringList>

// The kinds of run and the forms of the command line a normal run understands.
namespace CommandLine {

enum class Kind
{
    Reminder,     // "/Reminder": only the birthday reminder, no main window
    Sync,         // "/Sync": one sync of the default database, no window at all
    Default,      // empty: the default database
    Person,       // "/Person...": the default database, then show that person
    DatabasePath, // anything else: a database file path, taken unchanged
};

// The arguments after the program name joined by one blank, then trimmed; an argument
// that itself holds blanks ("/Person  12") keeps them.
QString FromArguments(const QStringList& argumentsWithoutProgram);
// The command line of this process, read afresh at each call.
QString Current();

Kind Classify(const QString& commandLine);
// The contact-list key of a "/Person" command line: everything after the "/".
QString PersonKey(const QString& commandLine);

} // namespace CommandLine
