// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// Every person's stable identity: a UID that never changes on edit, and the time of its
// last change (the revision, UTC). Both live in a table of our own beside Person, Phone
// and Email, which keep their layout; triggers on Person keep the table in step with
// whatever writes the file, this program or another SQLite tool.
namespace modPersonUid {

// The table: one row per person.
constexpr const char* TableName = "PersonUid";

struct Identity
{
    QString uid;
    QString revision; // "yyyy-mm-ddThh:mm:ssZ"; empty for a UID derived from a read-only file
};

// The statements that make the table and its triggers (each does nothing when already there).
QStringList CreateStatements();

// Makes the table and triggers where they are missing, gives every person without a row
// a new UID and drops rows of persons that are gone, all in one transaction. Reads only
// and writes nothing when everything is in place. True when it changed the file.
// Throws Engine::EngineError, and then the file is as it was.
bool EnsureTable(Engine::Connection& connection);

// The identity of every person. Persons without a row get one first when the file is
// writable; in a read-only file they get a UID derived from their number and the
// fingerprint of the file's persons, the same on every call for the same file. Throws
// Engine::EngineError. With only given, the identities of those persons alone.
QHash<qint16, Identity> Identities(Engine::Connection& connection, const std::vector<qint16>& only = {});

// The contact number of every stored UID (none when the table is missing).
QHash<QString, qint16> ContactnrsByUid(Engine::Connection& connection);

// A name-based (SHA-1) UUID from a fingerprint of the file's persons and a contact number.
QString DerivedUid(const QByteArray& fingerprint, qint16 contactnr);
// SHA-1 over the number, name and date of birth of every person, in number order.
QByteArray Fingerprint(Engine::Connection& connection);

// Gives the person the UID, with the current time as revision; replaces any row it had.
QString SetUidSql(qint16 contactnr, const QString& uid);
// The UID row of a person just added: the UID given, or a random one when it is empty
// and the person has none yet; the current time as revision.
QString NewPersonUidSql(qint16 contactnr, const QString& uid);

// For a transaction that adds many persons, each with NewPersonUidSql: the trigger that
// gives every new person a random UID is taken away until Resume. A UID made by the
// trigger and replaced at once by the card's cost a fifth of an import. Made in a
// transaction, as part of it: however the transaction ends, the file keeps the trigger.
class AddedWithUids
{
public:
    explicit AddedWithUids(Engine::Connection& connection);
    // Makes the trigger again when Resume did not, for a transaction that goes on after it.
    ~AddedWithUids();
    AddedWithUids(const AddedWithUids&) = delete;
    AddedWithUids& operator=(const AddedWithUids&) = delete;
    // Makes the trigger again; throws Engine::EngineError.
    void Resume();

private:
    Engine::Connection& m_connection;
    bool m_resumed = false;
};

} // namespace modPersonUid
