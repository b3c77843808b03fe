// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modUpgrade.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSettings.h"

#include "startup/modSafeFile.h"

namespace modUpgrade {

namespace {

// The width of Phone.Description in files of the narrow layout.
constexpr int NarrowWidth = 10;
// Person's column count before 1.4.0: Firstname and Lastname instead of Name.
constexpr int OldPersonColumns = 6;
// The engine's number for a write to a read-only database.
constexpr int ReadOnlyError = 8;

bool IsNarrow(Engine::Connection& connection)
{
    return connection.DefinedSize(QStringLiteral("Phone"), QStringLiteral("Description")) == NarrowWidth;
}

bool IsBeforeVersion140(Engine::Connection& connection)
{
    return connection.ColumnCount(QStringLiteral("Person")) == OldPersonColumns;
}

void Widen()
{
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Phone ALTER COLUMN [Number] CHAR(50) "));
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Phone ALTER COLUMN Description CHAR(100) "));
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Email ALTER COLUMN Email CHAR(100) "));
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Email ALTER COLUMN Description CHAR(100) "));
}

void ConvertNames(Engine::Connection& connection)
{
    const QString path = connection.DataSource();
    if (connection.Mode() != Engine::ModeShareDenyNone)
        throw Engine::EngineError(
            ReadOnlyError,
            QStringLiteral("The database '%1' is read-only, so it cannot be converted to the current layout.")
                .arg(path));

    // The copy is taken from the closed file, so that it holds everything written.
    connection.Close();
    const QString backup = BackupPath(path);
    QString copyError;
    const bool copied = SaveCopy(path, backup, &copyError);
    connection.Open(path);
    if (!copied)
        throw Engine::EngineError(
            QFileDevice::WriteError,
            QStringLiteral("The backup copy '%1' could not be written: %2").arg(backup, copyError));

    // All or nothing: a failure leaves the names as they were, beside the backup.
    Engine::Connection::Transaction transaction(connection);
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Person ADD COLUMN Name CHAR(100) "));
    if (modSettings::Get(Setting::NameOrder) == QLatin1String("Last name First name"))
        modSql::ExecuteSql(QStringLiteral("UPDATE Person SET Name = TRIM(TRIM(Lastname) & ' ' & TRIM(Firstname)) "));
    else
        modSql::ExecuteSql(QStringLiteral("UPDATE Person SET Name = TRIM(TRIM(Firstname) & ' ' & TRIM(Lastname)) "));
    modSql::ExecuteSql(QStringLiteral("ALTER TABLE Person DROP COLUMN Firstname, Lastname "));
    transaction.Commit();
}

} // namespace

QString BackupPath(const QString& path)
{
    // The extension is taken from the file name only, so that a dot in a folder name
    // cannot move the copy into another folder.
    return modEnvironment::FolderOf(path) + modEnvironment::StripExtension(modEnvironment::FileNameOf(path)) +
           QStringLiteral("_BeforeVersion140.mdb");
}

int CountPersons(const QString& path)
{
    Engine::Connection connection;
    connection.Open(path);
    Engine::Recordset rows = connection.OpenRecordset(QStringLiteral("SELECT COUNT(*) FROM Person"));
    return rows.Fields(0).toInt();
}

QString CheckDatabaseCopy(const QString& path, int persons)
{
    try {
        Engine::Connection copy;
        copy.Open(path);
        Engine::Recordset check = copy.OpenRecordset(QStringLiteral("PRAGMA integrity_check"));
        const QString verdict = check.Fields(0).toString();
        if (verdict != QLatin1String("ok"))
            return QStringLiteral("The copy '%1' is damaged: %2").arg(path, verdict);
        copy.Close();
        const int counted = CountPersons(path);
        if (counted != persons)
            return QStringLiteral("The copy '%1' holds %2 persons instead of %3.").arg(path).arg(counted).arg(persons);
    } catch (const Engine::EngineError& error) {
        return QStringLiteral("The copy '%1' cannot be read: %2").arg(path, error.description());
    }
    return QString();
}

bool SaveCopy(const QString& source, const QString& target, QString* error)
{
    int persons = 0;
    try {
        persons = CountPersons(source);
    } catch (const Engine::EngineError& failure) {
        *error = failure.description();
        return false;
    }
    return modSafeFile::CopyFile(source, target, error,
                                 [persons](const QString& copy) { return CheckDatabaseCopy(copy, persons); });
}

bool WidenColumns()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    // A read-only file stays narrow: nothing longer can be written into it anyway.
    if (!IsNarrow(connection) || connection.Mode() != Engine::ModeShareDenyNone)
        return false;
    Widen();
    return true;
}

bool UpgradeDatabase()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    if (!IsBeforeVersion140(connection))
        return false;
    ConvertNames(connection);
    return true;
}

Outcome RunUpgrades()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    // A file whose layout cannot be read is told of and opened as it is; a conversion
    // statement that fails ends the opening.
    bool narrow = false;
    try {
        narrow = IsNarrow(connection) && connection.Mode() == Engine::ModeShareDenyNone;
    } catch (const Engine::EngineError& error) {
        Failures::Notice(modError::JetError(error.number(), error.description()));
    }
    if (narrow) {
        try {
            Widen();
        } catch (const Engine::EngineError& error) {
            return modSql::EngineFailure(error);
        }
    }
    bool old = false;
    try {
        old = IsBeforeVersion140(connection);
    } catch (const Engine::EngineError& error) {
        Failures::Notice(modError::JetError(error.number(), error.description()));
    }
    if (old) {
        try {
            ConvertNames(connection);
        } catch (const Engine::EngineError& error) {
            return modSql::EngineFailure(error);
        }
    }
    return {};
}

void InstallUpgradeHandler()
{
    modDatabase::SetUpgradeHandler(&RunUpgrades);
}

} // namespace modUpgrade
