// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// database_writer <database> <stop file>: a second process for the engine test. Writes
// persons and their phones into the database, as a second run of the program would, until
// the stop file appears. Prints "ready" once the database is open and "rows <n>" at the
// end; exits with 0 when every write succeeded, 2 on the first engine error (on stderr).

#include "database/Engine.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.size() != 3)
        return 1;
    int written = 0;
    int status = 0;
    try {
        Engine::Connection connection;
        connection.Open(arguments.at(1));
        out << "ready\n";
        out.flush();
        // Numbers from 1000 on, so that they never meet the test's own persons.
        for (int number = 1000; number < 32767; ++number) {
            const QString person = QString::number(number);
            if (number % 2 == 0) {
                // A lone statement in its own automatic transaction.
                connection.Execute("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(" +
                                   person + ", 'Writer " + person + "', #1/15/1990#, 'Street " + person + "', '" +
                                   QString(200, QLatin1Char('n')) + "') ");
            } else {
                // A person with phones, all or nothing.
                Engine::Connection::Transaction transaction(connection);
                connection.Execute("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(" +
                                   person + ", 'Writer " + person + "', Null, '', '') ");
                for (int order = 1; order <= 3; ++order)
                    connection.Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(" + person +
                                       ", " + QString::number(order) + ", '0" + person + "', 'Line " +
                                       QString::number(order) + "') ");
                transaction.Commit();
            }
            ++written;
            if (QFile::exists(arguments.at(2)))
                break;
        }
    } catch (const Engine::EngineError& error) {
        err << "engine error " << error.number() << ": " << error.description() << "\n";
        status = 2;
    }
    out << "rows " << written << "\n";
    return status;
}
