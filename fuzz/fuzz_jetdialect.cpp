// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The SQL dialect translation: any statement text either translates or fails with a
// description, and a translated plain statement is never empty.
#include "FuzzSupport.h"
#include "database/JetDialect.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString sql = FuzzText(data, size);
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    if (!statement && error.isEmpty())
        std::abort(); // a failure must say why
    if (statement && statement->kind == JetDialect::Kind::AlterColumn)
        JetDialect::RebuildTableSql(QStringLiteral("CREATE TABLE t ( a CHAR(10), b MEMO ) "), QStringLiteral("t_new"),
                                    statement->columns.value(0), statement->definition, &error);
    JetDialect::ColumnConstraints(QStringLiteral("[c]"), sql);
    JetDialect::Unquote(sql);
    int year = 0, month = 0, day = 0;
    const QByteArray utf8 = sql.toUtf8();
    if (JetDialect::ParseIsoDate(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), &year,
                                 &month, &day) &&
        (month < 1 || month > 12 || day < 1 || day > 31))
        std::abort();
    return 0;
}
