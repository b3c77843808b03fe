// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The vCard reader together with the import into a real database file: any bytes (NUL
// bytes and control characters included) are imported card by card or reported, never
// abort the import, and nothing stored carries a control character.
#include "FuzzSupport.h"
#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "interchange/modVcardImport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

int Count(const char* sql)
{
    return modSql::OpenRecordset(QString::fromLatin1(sql)).Fields(0).toInt();
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("fuzz.mdb"));
    Engine::CreateDatabaseFile(path);
    modDatabase::DatabaseConnection().Open(path);
    modDatabase::CreateTables();
    modSql::ExecuteSql(QStringLiteral("PRAGMA synchronous = OFF"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = FuzzBytes(data, size);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const modVcardImport::Report report = modVcardImport::ImportCards(file);
    Require(!report.full && !report.cancelled);
    Require(report.skipped.size() == static_cast<std::size_t>(qMin(report.skippedCards, 21)));
    Require(report.added + report.merged + report.updated + report.skippedCards == report.cards);
    Require(Count("SELECT COUNT(*) FROM Person") == report.added);
    // Tabs may stay; line breaks only in the address and the note.
    Require(Count("SELECT COUNT(*) FROM Person WHERE Name GLOB '*[' || char(1, 2, 3, 10, 13, 31) || ']*'") == 0);
    Require(Count("SELECT COUNT(*) FROM Phone WHERE [Number] GLOB '*[' || char(1, 10, 13, 31) || ']*' "
                  "OR Description GLOB '*[' || char(1, 10, 13, 31) || ']*'") == 0);
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Phone"));
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Email"));
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Person"));
    modVcardImport::ReportText(report);
    return 0;
}
