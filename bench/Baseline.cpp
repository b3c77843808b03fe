// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Baseline.h"

#include "database/Engine.h"

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

} // namespace Baseline
