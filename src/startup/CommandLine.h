// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QStringList>

// The kinds of run and the forms of the command line the program understands. Every
// form is told apart here and only here.
namespace CommandLine {

enum class Kind
{
    Reminder,     // "/Reminder": only the birthday reminder, no main window
    Sync,         // "/Sync": one sync of the default database, no window at all
    Default,      // empty: the default database
    Person,       // "/Person...": the default database, then show that person
    DatabasePath, // anything else: a database file path, taken unchanged
    Help,         // "--help": the usage on standard output, nothing else
    Version,      // "--version": the name and version on standard output, nothing else
    NewPerson,    // "--new-person": the default database, then the editor for a new person
    CardFile,     // a path ending in ".vcf": the default database, then an offer to import it
};

// The arguments after the program name joined by one blank, then trimmed; an argument
// that itself holds blanks ("/Person  12") keeps them.
QString FromArguments(const QStringList& argumentsWithoutProgram);
// The command line of this process, read afresh at each call; a leading "--" left out.
QString Current();

// What the first argument asks as an option, as other programs take them: "-h" and
// "--help", "-v", "-V" and "--version" (the first of several decides); "--" ends the
// options, so a database named "-x.mdb" opens with "-- -x.mdb". Any other argument
// beginning with "-" that names no existing file is a mistake (Unknown). None for the
// other forms (a path, "/Reminder", "--new-person", ...).
enum class Option
{
    None,
    Help,
    Version,
    Unknown,
};
Option OptionOf(const QStringList& argumentsWithoutProgram);
// The arguments with a leading "--" left out.
QStringList AfterOptionEnd(const QStringList& argumentsWithoutProgram);

Kind Classify(const QString& commandLine);
// The command line with a database path made absolute against the working folder,
// so that the path stored for it names the same file at the next start from another
// folder; the other forms unchanged.
QString WithAbsolutePath(const QString& commandLine);
// The contact-list key of a "/Person" command line: everything after the "/".
QString PersonKey(const QString& commandLine);

// What "--help" and "--version" print.
QString Usage();
QString VersionText();

} // namespace CommandLine
