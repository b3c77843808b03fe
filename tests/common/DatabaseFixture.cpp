// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DatabaseFixture.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modSql.h"
#include "widgets/FailureDialog.h"

#include <QCryptographicHash>
#include <QProcess>

DatabaseFixture::DatabaseFixture(Content content, const QString& name) : m_path(m_dir.filePath(name))
{
    m_ok = ShowOutcome(modDatabase::NewDatabase(m_path));
    if (!m_ok || content == Content::Empty)
        return;
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    for (const char* statement :
         {"INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
          "VALUES (1, 'Anna Berg', #3/14/1980#, 'Main Street 1\nBerlin', 'likes jazz')",
          "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES (2, 'Bob Jones', Null, '', '')",
          "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
          "VALUES (3, 'Cleo Diaz', #12/24/1975#, 'Calle Mayor 5', '')",
          "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 1, '0471 12 34 56', 'Mobile')",
          "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 2, '+32 2 555 01', 'Work')",
          "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (2, 1, '0201 23', '')",
          "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 1, 'anna@mail.example', 'Private')",
          "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 1, 'cleo@mail.example', '')"})
        modSql::ExecuteSql(QString::fromUtf8(statement));
    transaction.Commit();
}

DatabaseFixture::~DatabaseFixture()
{
    if (modDatabase::DatabaseConnection().DataSource() == m_path)
        modDatabase::CloseDatabase(false);
}

const QStringList& DatabaseFixture::names()
{
    static const QStringList list{"Anna Berg", "Bob Jones", "Cleo Diaz"};
    return list;
}

void DatabaseFixture::addPersons(int count, int first)
{
    // One statement: a full database (32767 persons) is made in a moment.
    modSql::ExecuteSql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                                      "INSERT INTO Person (Contactnr, Name) SELECT i, 'Person ' || i FROM n")
                           .arg(first)
                           .arg(first + count - 1));
}

namespace EngineTest {

std::optional<Engine::EngineError> failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Engine::EngineError& error) {
        return error;
    }
    return std::nullopt;
}

QStringList column(Engine::Recordset rows, const QString& name)
{
    QStringList values;
    for (; !rows.Eof(); rows.MoveNext())
        values << rows.Fields(name).toString().trimmed();
    return values;
}

QStringList firstColumn(Engine::Connection& connection, const QString& sql)
{
    QStringList values;
    for (Engine::Recordset rows = connection.OpenRecordset(sql); !rows.Eof(); rows.MoveNext())
        values << rows.Fields(0).toString().trimmed();
    return values;
}

int scalar(Engine::Connection& connection, const QString& sql)
{
    return connection.OpenRecordset(sql).Fields(0).toInt();
}

QString integrityCheck(Engine::Connection& connection)
{
    return firstColumn(connection, QStringLiteral("PRAGMA integrity_check")).join(QLatin1Char('\n'));
}

QByteArray fingerprint(const QString& path)
{
    return QCryptographicHash::hash(TestSupport::readFile(path), QCryptographicHash::Sha256);
}

void createDatabase(Engine::Connection& connection, const QString& path)
{
    Engine::CreateDatabaseFile(path);
    connection.Open(path);
    Engine::Connection::Transaction transaction(connection);
    for (const QString& statement : modDatabase::CreateTableStatements())
        connection.Execute(statement);
    transaction.Commit();
}

QList<int> widths(Engine::Connection& connection)
{
    return {connection.DefinedSize("Phone", "Number"), connection.DefinedSize("Phone", "Description"),
            connection.DefinedSize("Email", "Email"), connection.DefinedSize("Email", "Description")};
}

QStringList olderTables(bool twoNames, bool narrow, int nameWidth)
{
    QStringList statements = modDatabase::CreateTableStatements();
    if (twoNames)
        statements[0] =
            QStringLiteral("CREATE TABLE Person ( Contactnr SMALLINT, Firstname CHAR(%1), Lastname CHAR(%1), "
                           "Dateofbirth DATE, Address MEMO, [Note] MEMO, "
                           "CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) ")
                .arg(nameWidth);
    if (narrow) {
        const QString list =
            QStringLiteral("CREATE TABLE %1 ( Contactnr SMALLINT, [Order] TINYINT, %2 CHAR(%3), Description CHAR(10), "
                           "CONSTRAINT %1PK PRIMARY KEY(Contactnr, [Order]), "
                           "CONSTRAINT %1FK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
        statements[1] = list.arg("Phone", "[Number]", "20");
        statements[2] = list.arg("Email", "Email", "50");
    }
    return statements;
}

void makeFile(const QString& path, const QStringList& statements)
{
    Engine::CreateDatabaseFile(path);
    Engine::Connection connection;
    connection.Open(path);
    for (const QString& statement : statements)
        connection.Execute(statement);
}

bool makeProtectedFile(const QString& path, const QString& password, const QString& statements)
{
    QProcess cipher;
    cipher.start(QString::fromLatin1(modPassword::CipherProgramName), {"-batch", "-bail", path});
    if (!cipher.waitForStarted())
        return false;
    cipher.write(("PRAGMA key = '" + modSql::QuoteSql(password) + "';\n" +
                  modDatabase::CreateTableStatements().join(";\n") + ";\n" + statements)
                     .toUtf8());
    cipher.closeWriteChannel();
    return cipher.waitForFinished() && cipher.exitCode() == 0 && Engine::IsEncryptedDatabaseFile(path);
}

void insertPerson(Engine::Connection& connection, int number, const QString& name, const QString& date)
{
    connection.Execute("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(" +
                       QString::number(number) + ", '" + modSql::QuoteSql(name) + "', " + date + ", '', '') ");
}

} // namespace EngineTest
