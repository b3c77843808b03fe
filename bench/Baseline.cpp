// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Baseline.h"

#include "database/Engine.h"

#include <QFile>
#include <QSaveFile>

namespace Baseline {

void ReadPlain(const QString& database, const QStringList& statements)
{
    for (const QString& statement : statements)
        Engine::Connection::OpenPlainRecordset(database, statement);
}

void WriteBytes(const QString& path, qint64 size)
{
    static const QByteArray chunk(64 * 1024, 'x');
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    for (qint64 left = size; left > 0; left -= chunk.size())
        file.write(chunk.constData(), qMin<qint64>(left, chunk.size()));
    if (!file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

QStringList ExportStatements(const std::vector<qint16>& contactnrs)
{
    QStringList numbers;
    for (const qint16 contactnr : contactnrs)
        numbers << QString::number(contactnr);
    return {QStringLiteral("SELECT * FROM Person WHERE Contactnr IN(%1) ORDER BY Name, Contactnr")
                .arg(numbers.join(QLatin1Char(','))),
            QStringLiteral("SELECT Contactnr, Number, Description FROM Phone ORDER BY Contactnr, [Order]"),
            QStringLiteral("SELECT Contactnr, Email, Description FROM Email ORDER BY Contactnr, [Order]")};
}

QStringList CalendarStatements()
{
    QStringList statements;
    for (int month = 1; month <= 12; ++month)
        statements << QStringLiteral("SELECT Name, Dateofbirth FROM Person WHERE CAST(strftime('%m', Dateofbirth) AS "
                                     "INTEGER) = %1 ORDER BY CAST(strftime('%d', Dateofbirth) AS INTEGER), Name")
                          .arg(month);
    return statements;
}

namespace {

QByteArray ValueOf(const QByteArray& line)
{
    return line.mid(line.indexOf(':') + 1);
}

// The three tables of the plain imports, and their inserts prepared in a transaction begun.
struct PlainTables
{
    int person = 0;
    int phone = 0;
    int email = 0;
};

PlainTables CreatePlainTables(Engine::PlainWriter& db)
{
    db.Execute(QStringLiteral("CREATE TABLE Person (Contactnr SMALLINT PRIMARY KEY, Name TEXT, Dateofbirth DATETIME, "
                              "Address TEXT, Note TEXT)"));
    db.Execute(
        QStringLiteral("CREATE TABLE Phone (Contactnr SMALLINT, \"Order\" SMALLINT, Number TEXT, Description TEXT)"));
    db.Execute(
        QStringLiteral("CREATE TABLE Email (Contactnr SMALLINT, \"Order\" SMALLINT, Email TEXT, Description TEXT)"));
    db.Execute(QStringLiteral("BEGIN"));
    return {db.Prepare(QStringLiteral("INSERT INTO Person (Contactnr, Name, Address) VALUES (?, ?, ?)")),
            db.Prepare(QStringLiteral("INSERT INTO Phone VALUES (?, ?, ?, '')")),
            db.Prepare(QStringLiteral("INSERT INTO Email VALUES (?, ?, ?, '')"))};
}

// How much of a file the plain imports read at a time.
constexpr qint64 BlockSize = 1 << 20;

// A plain import under way: the file it reads, and the new database with its tables.
struct PlainImport
{
    PlainImport(const QString& source, const QString& database) : file(source), db(database)
    {
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(source));
        tables = CreatePlainTables(db);
    }
    QFile file;
    Engine::PlainWriter db;
    PlainTables tables;
};

} // namespace

int ImportPlain(const QString& cards, const QString& database)
{
    PlainImport import(cards, database);
    QFile& file = import.file;
    Engine::PlainWriter& db = import.db;
    const PlainTables& tables = import.tables;
    int persons = 0;
    QByteArray name;
    QByteArray address;
    QList<QByteArray> phones;
    QList<QByteArray> emails;
    QByteArray line;
    const auto take = [&](const QByteArray& whole) {
        if (whole.startsWith("FN:"))
            name = ValueOf(whole);
        else if (whole.startsWith("TEL"))
            phones << ValueOf(whole);
        else if (whole.startsWith("EMAIL"))
            emails << ValueOf(whole);
        else if (whole.startsWith("ADR"))
            address = ValueOf(whole);
        else if (whole.startsWith("END:VCARD")) {
            ++persons;
            db.Insert(tables.person, {persons, name, address});
            for (qsizetype i = 0; i < phones.size(); ++i)
                db.Insert(tables.phone, {persons, int(i + 1), phones[i]});
            for (qsizetype i = 0; i < emails.size(); ++i)
                db.Insert(tables.email, {persons, int(i + 1), emails[i]});
            name.clear();
            address.clear();
            phones.clear();
            emails.clear();
        }
    };
    // The file is read in blocks, as the program reads it: no import holds a whole file.
    QByteArray text;
    for (bool end = false; !end;) {
        const QByteArray block = file.read(BlockSize);
        end = block.isEmpty();
        text += block;
        qsizetype at = 0;
        for (;;) {
            qsizetype lineEnd = text.indexOf('\n', at);
            if (lineEnd < 0) {
                if (!end || at == text.size())
                    break;
                lineEnd = text.size();
            }
            QByteArray physical = text.mid(at, lineEnd - at);
            if (physical.endsWith('\r'))
                physical.chop(1);
            at = lineEnd + 1;
            if (!physical.isEmpty() && (physical.front() == ' ' || physical.front() == '\t')) {
                line += physical.mid(1);
                continue;
            }
            if (!line.isEmpty())
                take(line);
            line = physical;
        }
        text.remove(0, qMin(at, text.size()));
    }
    if (!line.isEmpty())
        take(line);
    db.Execute(QStringLiteral("COMMIT"));
    return persons;
}

int ImportCsvPlain(const QString& rows, const QString& database)
{
    PlainImport import(rows, database);
    QFile& file = import.file;
    Engine::PlainWriter& db = import.db;
    const PlainTables& tables = import.tables;
    std::vector<int> nameColumns;
    std::vector<int> phoneColumns;
    std::vector<int> emailColumns;
    int addressColumn = -1;
    bool header = true;
    int persons = 0;
    std::vector<QByteArray> fields;
    QByteArray field;
    const auto cell = [&fields](int column) {
        return column >= 0 && column < static_cast<int>(fields.size()) ? fields[static_cast<size_t>(column)]
                                                                       : QByteArray();
    };
    const auto endRow = [&] {
        fields.push_back(std::exchange(field, QByteArray()));
        if (header) {
            for (int column = 0; column < static_cast<int>(fields.size()); ++column) {
                const QByteArray& name = fields[static_cast<size_t>(column)];
                if (name.endsWith("First Name") || name == "Middle Name" || name == "Last Name")
                    nameColumns.push_back(column);
                else if (name.startsWith("Phone ") && name.endsWith(" - Value"))
                    phoneColumns.push_back(column);
                else if (name.startsWith("E-mail ") && name.endsWith(" - Value"))
                    emailColumns.push_back(column);
                else if (name == "Address 1 - Formatted")
                    addressColumn = column;
            }
            header = false;
        } else {
            ++persons;
            QByteArray name;
            for (const int column : nameColumns)
                if (!cell(column).isEmpty())
                    name += (name.isEmpty() ? QByteArray() : QByteArray(" ")) + cell(column);
            db.Insert(tables.person, {persons, name, cell(addressColumn)});
            int order = 0;
            for (const int column : phoneColumns)
                if (!cell(column).isEmpty())
                    db.Insert(tables.phone, {persons, ++order, cell(column)});
            order = 0;
            for (const int column : emailColumns)
                if (!cell(column).isEmpty())
                    db.Insert(tables.email, {persons, ++order, cell(column)});
        }
        fields.clear();
    };
    bool quoted = false;
    bool quoteSeen = false; // in a quoted field: closing, or the first of two
    for (QByteArray block; !(block = file.read(BlockSize)).isEmpty();) {
        for (const char c : block) {
            if (quoteSeen) {
                quoteSeen = false;
                if (c == '"') {
                    field += c;
                    continue;
                }
                quoted = false;
            } else if (quoted) {
                if (c == '"')
                    quoteSeen = true;
                else
                    field += c;
                continue;
            }
            if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                fields.push_back(std::exchange(field, QByteArray()));
            } else if (c == '\n') {
                endRow();
            } else if (c != '\r') {
                field += c;
            }
        }
    }
    if (!field.isEmpty() || !fields.empty())
        endRow();
    db.Execute(QStringLiteral("COMMIT"));
    return persons;
}

} // namespace Baseline
