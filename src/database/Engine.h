// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "JetDialect.h"

#include <QByteArrayView>
#include <QCollatorSortKey>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The database engine: one SQLite file per database, spoken to in the SQL dialect the
// rest of the program writes (bracketed names, #m/d/yyyy# dates, & joins, LIKE with
// [...] classes). This is the only place that knows about SQLite.
namespace Engine {

// Error number raised when a file is an encrypted (password-protected) database.
constexpr int PasswordProtectedError = -2147217843;

// Access modes of an open connection.
constexpr int ModeShareDenyNone = 16; // read and write
constexpr int ModeRead = 1;           // read-only

class EngineError : public std::runtime_error
{
public:
    EngineError(int number, const QString& description);
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// A read-only snapshot of a query's rows, walked forward like a static cursor.
class Recordset
{
public:
    Recordset() = default;
    Recordset(QStringList columns, std::vector<std::vector<QVariant>> rows);

    bool Eof() const { return m_position >= static_cast<int>(m_rows.size()); }
    bool Bof() const { return m_rows.empty() || m_position < 0; }
    void MoveNext();
    void MoveFirst();
    int RecordCount() const { return static_cast<int>(m_rows.size()); }

    // The value of a column of the current row, by name (case-insensitive) or index.
    // NULL comes back as a null QVariant; DATE columns as QDate. Unknown names throw.
    QVariant Fields(const QString& column) const;
    QVariant Fields(int index) const;
    int FieldCount() const { return static_cast<int>(m_columns.size()); }
    const QStringList& ColumnNames() const { return m_columns; }

private:
    friend class Connection;
    int columnIndex(const QString& column) const;

    QStringList m_columns;
    QStringList m_origins; // "Table.Column" each column comes from, where it comes from one
    std::vector<std::vector<QVariant>> m_rows;
    int m_position = 0;
};

// A trigger or view of a file's schema: type ("trigger" or "view"), name and the
// statement that made it.
struct SchemaObject
{
    QString type;
    QString name;
    QString sql;
};

class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens an existing database file, read and write where the file and its folder
    // allow it, read-only otherwise. Throws EngineError; an encrypted file raises
    // PasswordProtectedError.
    void Open(const QString& path);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }
    int State() const { return IsOpen() ? 1 : 0; }
    int Mode() const { return m_mode; }
    // True inside a transaction that has not ended (by commit, rollback or a failure).
    bool InTransaction() const;
    // Differs from an earlier stamp whenever the data may have changed since: a row
    // written through this connection, a commit by any other connection or process, or
    // another file opened. Lists read from the file are kept while it stays the same.
    struct ChangeStamp
    {
        quint64 opening = 0;
        qint64 ownChanges = 0;
        qint64 dataVersion = 0;
        bool operator==(const ChangeStamp& other) const
        {
            return opening == other.opening && ownChanges == other.ownChanges && dataVersion == other.dataVersion;
        }
        bool operator!=(const ChangeStamp& other) const { return !(*this == other); }
    };
    ChangeStamp Stamp();
    // The path of the database, still readable after Close().
    QString DataSource() const { return m_dataSource; }

    // Runs one statement written in the program's dialect; no rows come back.
    void Execute(const QString& sql);
    Recordset OpenRecordset(const QString& sql);
    // The rows of a statement run by the library alone on the file: no dialect, and its
    // own collation and LIKE. The benchmark measures the program against this.
    static Recordset OpenPlainRecordset(const QString& path, const QString& sql);
    // Hands the rows of a query one at a time, for long lists read once: no snapshot is
    // kept. A row's values are valid only during the call.
    class Row
    {
    public:
        explicit Row(sqlite3_stmt* statement) : m_statement(statement) {}
        int Int(int column) const;
        QString Text(int column) const;
        // The text as the database holds it, UTF-8; valid until the next row.
        QByteArrayView Utf8(int column) const;
        bool IsNull(int column) const;
        bool IsText(int column) const;
        // The value as a Recordset's field holds it.
        QVariant Value(int column) const;
        // The position of a column by name (case-insensitive); throws when there is none.
        int Column(const QString& name) const;

    private:
        sqlite3_stmt* m_statement;
    };
    void ForEachRow(const QString& sql, const std::function<void(const Row&)>& visit);

    // Catalogue.
    bool TableExists(const QString& table);
    int ColumnCount(const QString& table); // throws when the table is missing
    std::vector<SchemaObject> TriggersAndViews();
    // Removes the triggers and views, all or none.
    void Drop(const std::vector<SchemaObject>& objects);
    int DefinedSize(const QString& table, const QString& column); // declared CHAR(n) width, 0 when none

    // A scoped transaction: rolled back on destruction unless committed.
    class Transaction
    {
    public:
        explicit Transaction(Connection& connection);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void Commit();

    private:
        Connection& m_connection;
        bool m_done = false;
    };

    // A scoped part of a transaction: undone on destruction unless released, leaving
    // the rest of the transaction as it was.
    class Savepoint
    {
    public:
        explicit Savepoint(Connection& connection);
        ~Savepoint();
        Savepoint(const Savepoint&) = delete;
        Savepoint& operator=(const Savepoint&) = delete;
        void Release();

    private:
        Connection& m_connection;
        bool m_done = false;
    };

private:
    static Recordset readRows(sqlite3* db, sqlite3_stmt* statement);
    void ensureOpen() const;
    void executeTranslated(const QString& sql);
    // Gives a column a new definition (name, type, constraints) by rebuilding its table.
    void alterColumn(const QString& table, const QString& column, const QString& definition);

    // The statement of the parameterized shape with its values bound, prepared once and
    // kept; nullptr when the shape cannot run this way or its statement is in use.
    sqlite3_stmt* bound(const JetDialect::Parameterized& statement);

    struct StatementCache;
    std::unique_ptr<StatementCache> m_statements;
    sqlite3* m_db = nullptr;
    int m_mode = 0;
    quint64 m_opening = 0; // which opening of any connection this is
    QString m_dataSource;
};

// Rows written by the library alone into a new file: statements run as they are (no
// dialect), inserts prepared once and run with their values bound in order. The benchmark
// measures the program's imports against this.
class PlainWriter
{
public:
    // Makes the file anew. Throws EngineError.
    explicit PlainWriter(const QString& path);
    ~PlainWriter();
    PlainWriter(const PlainWriter&) = delete;
    PlainWriter& operator=(const PlainWriter&) = delete;

    void Execute(const QString& sql);
    // The number of an insert prepared once, for Insert.
    int Prepare(const QString& sql);
    // Runs the insert with its values: integers as numbers, byte arrays as UTF-8 text.
    void Insert(int statement, std::initializer_list<QVariant> values);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A LIKE pattern compiled as a statement's LIKE compiles it; a pattern a statement would
// refuse throws the same EngineError.
JetDialect::LikePattern CompileLike(const QString& pattern);

// Creates a new, empty database file (fails when it cannot be written).
void CreateDatabaseFile(const QString& path);

// Rewrites the file compactly in place. Never leaves the file damaged: on any failure,
// including another process holding it busy, the file stays as it was and this throws.
void Compact(const QString& path);
// The same, waiting at most busyTimeoutMs for other connections to let go of the file.
void Compact(const QString& path, int busyTimeoutMs);

// True when the file can be a password-protected database: not a plain SQLite
// database, but whole pages of what reads as encrypted data. Whether it is one only
// the password tells.
bool IsEncryptedDatabaseFile(const QString& path);

// The library version text, for the error reports.
QString LibraryVersion();

// Sorts texts as the user's language orders names, ignoring case, like the NOCASE
// collation of the database.
void SortAsNames(QStringList& texts);
// Compares two UTF-8 texts exactly as the NOCASE collation of every connection does:
// negative, zero or positive.
int CollateNoCase(QByteArrayView a, QByteArrayView b);
// Keys that order UTF-8 texts as CollateNoCase does wherever they differ (equal keys leave
// the texts to CollateNoCase): a long list is sorted with one key a text instead of the
// collator deciding pair after pair.
QCollatorSortKey NoCaseSortKey(QByteArrayView text);

} // namespace Engine
