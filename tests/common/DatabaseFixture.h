// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

// A fresh database file in a folder of its own, made and opened by the program
// (modDatabase) and closed again at the end: empty, or with a few named persons.
class DatabaseFixture
{
public:
    enum class Content
    {
        Empty,
        Persons, // names(): numbers, e-mail addresses and addresses, see the .cpp
    };

    explicit DatabaseFixture(Content content = Content::Empty, const QString& name = QStringLiteral("home.mdb"));
    ~DatabaseFixture(); // not copied: the folder is its own

    // False when the file could not be made (the program has said why).
    bool ok() const { return m_ok; }
    QString path() const { return m_path; }
    // A file beside the database.
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // The persons of Content::Persons in name order.
    static const QStringList& names();
    // count persons "Person <n>" from number first on, in one transaction, into the open database.
    static void addPersons(int count, int first = 1);

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_ok = false;
};

// Plain helpers on an engine connection, for the tests that bypass the program.
namespace EngineTest {

// The engine error a call ends with, if any.
std::optional<Engine::EngineError> failureOf(const std::function<void()>& call);
// One column of every row, trimmed.
QStringList column(Engine::Recordset rows, const QString& name = QStringLiteral("Name"));
// The first column of every row a query gives, trimmed.
QStringList firstColumn(Engine::Connection& connection, const QString& sql);
// The first field of the first row as a number, e.g. of a COUNT.
int scalar(Engine::Connection& connection, const QString& sql);
QString integrityCheck(Engine::Connection& connection);
// The defined widths of Phone.Number, Phone.Description, Email.Email and Email.Description.
QList<int> widths(Engine::Connection& connection);
QByteArray fingerprint(const QString& path);
// A new file with the program's three tables, opened on connection.
void createDatabase(Engine::Connection& connection, const QString& path);
// The three tables as earlier versions made them: Person with Firstname and Lastname of
// nameWidth characters instead of Name (before 1.4.0), narrower phone and e-mail texts.
QStringList olderTables(bool twoNames, bool narrow, int nameWidth = 50);
// A new file made with these statements, bypassing the program.
void makeFile(const QString& path, const QStringList& statements);
// A file protected with password, written by the cipher program itself: the program's
// tables, then the statements (each ending in ";\n"). False when that program fails.
bool makeProtectedFile(const QString& path, const QString& password, const QString& statements);
// A person with no address and no note; date is a #m/d/yyyy# literal or Null.
void insertPerson(Engine::Connection& connection, int number, const QString& name,
                  const QString& date = QStringLiteral("Null"));

} // namespace EngineTest
