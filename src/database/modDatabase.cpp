// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modDatabase.h"

#include "database/JetDialect.h"
#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace modDatabase {

namespace {

// SQLite's "file is not a database" result code.
constexpr int NotADatabaseError = 26;

Observer* g_observer = nullptr;
PasswordHandler g_passwordHandler;
UpgradeHandler g_upgradeHandler;
modEnvironment::YesNoQuestion g_questionHandler;

std::unique_ptr<Engine::Connection>& ConnectionHolder()
{
    static std::unique_ptr<Engine::Connection> connection = std::make_unique<Engine::Connection>();
    return connection;
}

Failure NotValid(const QString& path)
{
    return Failure{T("Error") + QLatin1Char('!'),
                   T("This is not a valid Addrion database:") + QLatin1Char('\n') + path};
}

Failure JetFailure(const Engine::EngineError& error)
{
    return modError::JetError(error.number(), error.description());
}

// The column counts of the current layout, or of the older one that is upgraded.
bool HasExpectedColumns(Engine::Connection& catalogue)
{
    const int personColumns = catalogue.ColumnCount(QStringLiteral("Person"));
    return personColumns >= 5 && personColumns <= 6 && catalogue.ColumnCount(QStringLiteral("Phone")) == 4 &&
           catalogue.ColumnCount(QStringLiteral("Email")) == 4;
}

Outcome CheckFile(const QString& path)
{
    for (;;) {
        Engine::Connection catalogue;
        try {
            catalogue.Open(path);
        } catch (const Engine::EngineError& error) {
            if (error.number() == Engine::PasswordProtectedError) {
                // After a removal the file is tried again: it passes now, or the
                // password is asked for once more.
                if (g_passwordHandler && g_passwordHandler(path))
                    continue;
                // The password window has said what there was to say, or the user gave up.
                if (g_passwordHandler)
                    return Outcome::Ended();
                return JetFailure(error);
            }
            if (error.number() == NotADatabaseError)
                return NotValid(path);
            return JetFailure(error);
        }
        try {
            for (const QString& table : {QStringLiteral("Person"), QStringLiteral("Phone"), QStringLiteral("Email")})
                if (!catalogue.TableExists(table))
                    return NotValid(path);
            return HasExpectedColumns(catalogue) ? Outcome() : Outcome(NotValid(path));
        } catch (const Engine::EngineError& error) {
            return JetFailure(error);
        }
    }
}

// Copies the database at source into a new file at target (which must not exist) as
// one consistent snapshot, even while another process writes to the source.
void SnapshotInto(const QString& source, const QString& target)
{
    Engine::Connection connection;
    connection.Open(source);
    connection.Execute(QStringLiteral("VACUUM INTO '") + modSql::QuoteSql(target) + QStringLiteral("'"));
}

// One of the identity table's triggers, exactly as the program makes it: the library
// keeps the statement's text, without its IF NOT EXISTS.
bool IsOwnTrigger(const Engine::SchemaObject& object)
{
    static const QString conditional = QStringLiteral("CREATE TRIGGER IF NOT EXISTS ");
    if (object.type != QLatin1String("trigger"))
        return false;
    for (const QString& statement : modPersonUid::CreateStatements() + modPersonDetail::CreateStatements()) {
        const std::optional<JetDialect::Statement> translated = JetDialect::Translate(statement);
        if (translated && translated->sql.startsWith(conditional) &&
            QStringLiteral("CREATE TRIGGER ") + translated->sql.mid(conditional.size()) == object.sql)
            return true;
    }
    return false;
}

// Triggers and views of anyone else would run unseen inside our statements. True when
// a file has none, or the user had them removed; false when it must not be opened.
bool AcceptSchema(Engine::Connection& connection)
{
    std::vector<Engine::SchemaObject> foreign = connection.TriggersAndViews();
    foreign.erase(std::remove_if(foreign.begin(), foreign.end(), IsOwnTrigger), foreign.end());
    if (foreign.empty())
        return true;
    QStringList names;
    for (const Engine::SchemaObject& object : foreign)
        names << object.type + QLatin1Char(' ') + object.name;
    const QString question = T("Triggers or views not made by Addrion were found. Remove them and open the database?");
    if (!g_questionHandler ||
        !g_questionHandler(T("Addrion database"), question + QStringLiteral("\n\n") + connection.DataSource() +
                                                      QStringLiteral("\n") + names.join(QLatin1Char('\n'))))
        return false;
    connection.Drop(foreign);
    modError::WriteLog(QStringLiteral("Removed from ") + connection.DataSource() + QStringLiteral(": ") +
                       names.join(QStringLiteral(", ")));
    return true;
}

// A file opened writable gets the identity table the first time; a file that cannot
// get it (busy, damaged) is still opened and works as a read-only file would.
void GiveEveryPersonAUid()
{
    Engine::Connection& connection = DatabaseConnection();
    if (connection.Mode() != Engine::ModeShareDenyNone)
        return;
    try {
        modPersonUid::EnsureTable(connection);
        modPersonDetail::EnsureTable(connection);
    } catch (const Engine::EngineError& error) {
        Failures::Notice(JetFailure(error));
    }
}

} // namespace

void SetObserver(Observer* observer)
{
    g_observer = observer;
}

void SetPasswordHandler(PasswordHandler handler)
{
    g_passwordHandler = std::move(handler);
}

void SetUpgradeHandler(UpgradeHandler handler)
{
    g_upgradeHandler = std::move(handler);
}

void SetQuestionHandler(modEnvironment::YesNoQuestion handler)
{
    g_questionHandler = std::move(handler);
}

Engine::Connection& DatabaseConnection()
{
    return *ConnectionHolder();
}

bool IsDatabaseOpen()
{
    return DatabaseConnection().IsOpen();
}

QString Caption(const QString& dataSource)
{
    const QString program =
        QString::fromLatin1(Version::AppName) + QLatin1Char(' ') + QString::fromLatin1(Version::AppVersion);
    if (dataSource.isEmpty())
        return program;
    return modEnvironment::FileNameOf(dataSource) + QStringLiteral(" - ") + program;
}

Outcome OpenDatabase(const QString& path)
{
    CloseDatabase(true);
    ConnectionHolder() = std::make_unique<Engine::Connection>();
    try {
        DatabaseConnection().Open(path);
        if (!AcceptSchema(DatabaseConnection())) {
            DatabaseConnection().Close();
            return Outcome::Ended();
        }
    } catch (const Engine::EngineError& error) {
        DatabaseConnection().Close();
        return modSql::EngineFailure(error);
    }
    if (g_upgradeHandler) {
        Outcome upgraded = g_upgradeHandler();
        if (!upgraded) {
            // A file left in an older layout would fail every query of the program.
            DatabaseConnection().Close();
            return upgraded;
        }
    }
    GiveEveryPersonAUid();
    ShowDatabaseState();
    if (g_observer)
        g_observer->FillContactList();
    if (modSettings::Get(Setting::DefaultDatabase).isEmpty())
        modSettings::Set(Setting::DefaultDatabase, modEnvironment::AbsolutePath(path));
    if (g_observer)
        g_observer->DatabaseOpened(path);
    return {};
}

void CloseDatabase(bool compact)
{
    Engine::Connection& connection = DatabaseConnection();
    if (!connection.IsOpen())
        return;
    ResetDatabaseState();
    connection.Close();
    if (compact)
        CompactDatabase(connection.DataSource());
}

bool CompactDatabase(const QString& path)
{
    try {
        Engine::Compact(path);
        return true;
    } catch (const Engine::EngineError&) {
        // Compaction is a nicety: the file simply stays as it was.
        return false;
    }
}

QStringList CreateTableStatements()
{
    return {
        QStringLiteral("CREATE TABLE Person ( Contactnr SMALLINT, [Name] CHAR(100), Dateofbirth DATE, "
                       "Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) "),
        QStringLiteral("CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(50), "
                       "Description CHAR(100), CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                       "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) "),
        QStringLiteral("CREATE TABLE Email ( Contactnr SMALLINT, [Order] TINYINT, Email CHAR(100), "
                       "Description CHAR(100), CONSTRAINT EmailPK PRIMARY KEY(Contactnr, [Order]), "
                       "CONSTRAINT EmailFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) "),
    };
}

void CreateTables()
{
    Engine::Connection& connection = DatabaseConnection();
    Engine::Connection::Transaction transaction(connection);
    for (const QString& statement : CreateTableStatements())
        modSql::ExecuteSql(statement);
    transaction.Commit();
}

Outcome NewDatabase(const QString& path)
{
    try {
        Engine::CreateDatabaseFile(path);
    } catch (const Engine::EngineError& error) {
        return JetFailure(error);
    }
    CloseDatabase(true);
    ConnectionHolder() = std::make_unique<Engine::Connection>();
    try {
        DatabaseConnection().Open(path);
        CreateTables();
    } catch (const Engine::EngineError& error) {
        DatabaseConnection().Close();
        // The file is ours and unusable without its tables.
        QFile::remove(path);
        return modSql::EngineFailure(error);
    }
    return OpenDatabase(path);
}

Outcome IsValidDatabase(const QString& path)
{
    CloseDatabase(true);
    if (path.isEmpty() || !modEnvironment::FileExists(path))
        return NotValid(path);
    return CheckFile(path);
}

Outcome OpenDefaultDatabase()
{
    const QString stored = modSettings::Get(Setting::DefaultDatabase);
    if (!stored.isEmpty()) {
        const Outcome valid = IsValidDatabase(stored);
        if (valid)
            return OpenDatabase(stored);
        // Told before the default is forgotten: forgetting writes the settings, which may
        // have something to say of its own.
        if (valid.failure())
            Failures::Notice(*valid.failure());
        modSettings::Set(Setting::DefaultDatabase, QString());
        return Outcome::Ended();
    }
    const QString path = modEnvironment::PersonalFolder() + QString::fromLatin1(DefaultFileName);
    if (modEnvironment::FileExists(path))
        return OpenDatabase(path);
    QDir().mkpath(modEnvironment::PersonalFolder());
    return NewDatabase(path);
}

Outcome CopyDatabase(const QString& destination)
{
    const QString current = DatabaseConnection().DataSource();
    CloseDatabase(true);
    const QString partial = destination + QStringLiteral(".part");
    // The copy's journal goes with it: a write that fails (a full disk) can leave it, and
    // a journal left from before would be played back into the next copy.
    const auto removePartial = [&partial] {
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
    };
    removePartial();
    std::optional<Failure> failure;
    try {
        SnapshotInto(current, partial);
        modSafeFile::MakePrivate(partial);
        // The rename replaces an old copy in one step; a failed copy leaves it alone.
        if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(destination).constData()) != 0) {
            const int number = errno;
            failure = Failure{T("Error"),
                              T("Error") + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(number)) +
                                  QLatin1Char('\n') + destination,
                              number};
        }
    } catch (const Engine::EngineError& error) {
        failure = modSql::EngineFailure(error);
    }
    if (failure) {
        removePartial();
        // Told before the database opens again, which may have things to tell of its own.
        Failures::Notice(*failure);
    }
    // The outcome is the copy's: a database that does not open again is told as well.
    const Outcome reopened = OpenDatabase(current);
    if (reopened.failure())
        Failures::Notice(*reopened.failure());
    return failure ? Outcome::Ended() : Outcome();
}

void ShowDatabaseState()
{
    Engine::Connection& connection = DatabaseConnection();
    const QString path = connection.DataSource();
    const bool writable = connection.Mode() == Engine::ModeShareDenyNone;
    if (g_observer)
        g_observer->ShowDatabaseState(Caption(path), path, writable);
    if (!writable)
        Failures::Notice(Failure{T("Error"), T("Addrion database") + QLatin1Char(' ') + path + QLatin1Char(' ') +
                                                 T("is read-only") + QLatin1Char('!')});
}

void ResetDatabaseState()
{
    if (g_observer)
        g_observer->ResetDatabaseState(Caption(QString()));
}

} // namespace modDatabase
