#include "DatabaseFixture.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"

#include <QCryptographicHash>

DatabaseFixture::DatabaseFixture(Content content, const QString& name) : m_path(m_dir.filePath(name))
{
    m_ok = modDatabase::NewDatabase(m_path);
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
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    for (int number = first; number < first + count; ++number)
        modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'Person %1')").arg(number));
    transaction.Commit();
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

int scalar(Engine::Connection& connection, const QString& sql)
{
    return connection.OpenRecordset(sql).Fields(0).toInt();
}

QString integrityCheck(Engine::Connection& connection)
{
    return column(connection.OpenRecordset(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("integrity_check"))
        .join(QLatin1Char('\n'));
}

QByteArray fingerprint(const QString& path)
{
    return QCryptographicHash::hash(TestSupport::readFile(path), QCryptographicHash::Sha256);
}

void createDatabase(Engine::Connection& connection, const QString& path)
{
    Engine::CreateDatabaseFile(path);
    connection.Open(path);
    for (const QString& statement : modDatabase::CreateTableStatements())
        connection.Execute(statement);
}

void insertPerson(Engine::Connection& connection, int number, const QString& name, const QString& date)
{
    connection.Execute("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(" +
                       QString::number(number) + ", '" + modSql::QuoteSql(name) + "', " + date + ", '', '') ");
}

} // namespace EngineTest
