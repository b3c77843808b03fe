// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modPersonUid.h"

#include "database/modSql.h"

#include <QCryptographicHash>
#include <QUuid>

#include <optional>
#include <vector>

namespace modPersonUid {

namespace {

// The namespace of the UIDs derived for read-only files.
const QUuid DerivedNamespace(QStringLiteral("4e83f4e4-99a2-4493-8193-ad9428283a72"));

// A random (version 4) UUID in lower case, made by SQL so that the triggers need no
// function of this program and work in any SQLite tool.
QString RandomUuidSql()
{
    return QStringLiteral("lower(hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-4' || "
                          "substr(hex(randomblob(2)), 2) || '-' || substr('89ab', 1 + (abs(random()) % 4), 1) || "
                          "substr(hex(randomblob(2)), 2) || '-' || hex(randomblob(6)))");
}

QString NowSql()
{
    return QStringLiteral("strftime('%Y-%m-%dT%H:%M:%SZ', 'now')");
}

// The trigger that gives a person added by anyone a UID.
QString AddTriggerSql()
{
    return QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonUidAdd AFTER INSERT ON Person BEGIN "
                          "INSERT OR IGNORE INTO PersonUid (Contactnr, Uid, Revision) VALUES (new.Contactnr, %1, %2); "
                          "END")
        .arg(RandomUuidSql(), NowSql());
}

const char* const TriggerNames[] = {"PersonUidAdd", "PersonUidChange", "PersonUidRemove"};

// The contact numbers of a table in ascending order, read from its key's index; a missing
// number (possible in Person, whose key is not the row id) reads as nothing.
std::vector<std::optional<qint16>> NumbersInOrder(Engine::Connection& connection, const QString& table)
{
    std::vector<std::optional<qint16>> numbers;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr FROM %1 ORDER BY Contactnr").arg(table),
                          [&numbers](const Engine::Connection::Row& row) {
                              numbers.push_back(row.IsNull(0) ? std::nullopt
                                                              : std::optional(static_cast<qint16>(row.Int(0))));
                          });
    return numbers;
}

// True when the table, its triggers and a row for exactly every person are there. Every
// writable opening asks, so the two lists of numbers are read in key order and compared
// here: looking up every person's row in the other table took a quarter of an opening.
bool IsComplete(Engine::Connection& connection)
{
    if (!connection.TableExists(QString::fromLatin1(TableName)))
        return false;
    Engine::Recordset triggers =
        connection.OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name IN "
                                                "('PersonUidAdd', 'PersonUidChange', 'PersonUidRemove')"));
    return triggers.Fields(0).toInt() == static_cast<int>(std::size(TriggerNames)) &&
           NumbersInOrder(connection, QStringLiteral("Person")) ==
               NumbersInOrder(connection, QString::fromLatin1(TableName));
}

} // namespace

QStringList CreateStatements()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS PersonUid ( "
                       "Contactnr SMALLINT NOT NULL PRIMARY KEY "
                       "REFERENCES Person(Contactnr) ON DELETE CASCADE ON UPDATE CASCADE, "
                       "Uid TEXT COLLATE BINARY NOT NULL UNIQUE, "
                       "Revision TEXT COLLATE BINARY NOT NULL )"),
        AddTriggerSql(),
        // Without foreign keys (another tool) a changed number is carried over here.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonUidChange AFTER UPDATE ON Person BEGIN "
                       "UPDATE PersonUid SET Contactnr = new.Contactnr "
                       "WHERE Contactnr = old.Contactnr AND old.Contactnr <> new.Contactnr; "
                       "UPDATE PersonUid SET Revision = %1 WHERE Contactnr = new.Contactnr; "
                       "END")
            .arg(NowSql()),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS PersonUidRemove AFTER DELETE ON Person BEGIN "
                       "DELETE FROM PersonUid WHERE Contactnr = old.Contactnr; "
                       "END"),
    };
}

bool EnsureTable(Engine::Connection& connection)
{
    if (IsComplete(connection))
        return false;
    Engine::Connection::Transaction transaction(connection);
    for (const QString& statement : CreateStatements())
        connection.Execute(statement);
    connection.Execute(QStringLiteral("DELETE FROM PersonUid WHERE Contactnr NOT IN (SELECT Contactnr FROM Person)"));
    connection.Execute(QStringLiteral("INSERT INTO PersonUid (Contactnr, Uid, Revision) SELECT Contactnr, %1, %2 "
                                      "FROM Person WHERE Contactnr NOT IN (SELECT Contactnr FROM PersonUid)")
                           .arg(RandomUuidSql(), NowSql()));
    transaction.Commit();
    return true;
}

QHash<qint16, Identity> Identities(Engine::Connection& connection, const std::vector<qint16>& only)
{
    if (connection.Mode() == Engine::ModeShareDenyNone)
        EnsureTable(connection);
    QString where;
    if (!only.empty()) {
        QStringList numbers;
        for (const qint16 contactnr : only)
            numbers << QString::number(contactnr);
        where = QStringLiteral(" WHERE Contactnr IN(") + numbers.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    QHash<qint16, Identity> identities;
    if (connection.TableExists(QString::fromLatin1(TableName)))
        connection.ForEachRow(QStringLiteral("SELECT Contactnr, Uid, Revision FROM PersonUid") + where,
                              [&identities](const Engine::Connection::Row& row) {
                                  identities.insert(static_cast<qint16>(row.Int(0)), {row.Text(1), row.Text(2)});
                              });
    QByteArray fingerprint;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr FROM Person") + where,
                          [&](const Engine::Connection::Row& row) {
                              const auto contactnr = static_cast<qint16>(row.Int(0));
                              if (identities.contains(contactnr))
                                  return;
                              if (fingerprint.isEmpty())
                                  fingerprint = Fingerprint(connection);
                              identities.insert(contactnr, {DerivedUid(fingerprint, contactnr), QString()});
                          });
    return identities;
}

QHash<QString, qint16> ContactnrsByUid(Engine::Connection& connection)
{
    QHash<QString, qint16> contactnrs;
    if (connection.TableExists(QString::fromLatin1(TableName)))
        connection.ForEachRow(QStringLiteral("SELECT Uid, Contactnr FROM PersonUid"),
                              [&contactnrs](const Engine::Connection::Row& row) {
                                  contactnrs.insert(row.Text(0), static_cast<qint16>(row.Int(1)));
                              });
    return contactnrs;
}

QString DerivedUid(const QByteArray& fingerprint, qint16 contactnr)
{
    return QUuid::createUuidV5(DerivedNamespace, fingerprint.toHex() + '/' + QByteArray::number(contactnr))
        .toString(QUuid::WithoutBraces);
}

QByteArray Fingerprint(Engine::Connection& connection)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Name, Dateofbirth FROM Person ORDER BY Contactnr"),
                          [&hash](const Engine::Connection::Row& row) {
                              hash.addData(QString(QString::number(row.Int(0)) + QChar(0x1F) + row.Text(1) +
                                                   QChar(0x1F) + row.Text(2) + QLatin1Char('\n'))
                                               .toUtf8());
                          });
    return hash.result();
}

QString SetUidSql(qint16 contactnr, const QString& uid)
{
    return QStringLiteral("INSERT OR REPLACE INTO PersonUid (Contactnr, Uid, Revision) VALUES (%1, '%2', %3)")
        .arg(QString::number(contactnr), modSql::QuoteSql(uid), NowSql());
}

QString NewPersonUidSql(qint16 contactnr, const QString& uid)
{
    if (!uid.isEmpty())
        return SetUidSql(contactnr, uid);
    return QStringLiteral("INSERT OR IGNORE INTO PersonUid (Contactnr, Uid, Revision) VALUES (%1, %2, %3)")
        .arg(QString::number(contactnr), RandomUuidSql(), NowSql());
}

AddedWithUids::AddedWithUids(Engine::Connection& connection) : m_connection(connection)
{
    m_connection.Execute(QStringLiteral("DROP TRIGGER IF EXISTS PersonUidAdd"));
}

AddedWithUids::~AddedWithUids()
{
    if (m_resumed || !m_connection.InTransaction())
        return;
    try {
        Resume();
    } catch (const Engine::EngineError&) {
        // The transaction has failed and is rolled back with the trigger's removal.
    }
}

void AddedWithUids::Resume()
{
    m_connection.Execute(AddTriggerSql());
    m_resumed = true;
}

} // namespace modPersonUid
