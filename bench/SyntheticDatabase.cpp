// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "SyntheticDatabase.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"

#include <QDate>
#include <QRandomGenerator>
#include <QStringList>

namespace SyntheticDatabase {

namespace {

const QStringList kFirstNames{
    QStringLiteral("Anna"),       QStringLiteral("José"),      QStringLiteral("Émile"),  QStringLiteral("Zoë"),
    QStringLiteral("Björn"),      QStringLiteral("Ñuria"),     QStringLiteral("Søren"),  QStringLiteral("Łukasz"),
    QStringLiteral("Ærøskøbing"), QStringLiteral("Ngozi"),     QStringLiteral("Αλέξης"), QStringLiteral("Дмитрий"),
    QStringLiteral("Sean"),       QStringLiteral("Mary-Kate"), QStringLiteral("李"),     QStringLiteral("Yūko"),
    QStringLiteral("François"),   QStringLiteral("Ingrid"),    QStringLiteral("Çağla"),  QStringLiteral("Mohammed"),
};
const QStringList kLastNames{
    QStringLiteral("O'Brien"),      QStringLiteral("Müller"),      QStringLiteral("de la Fuente"),
    QStringLiteral("Ångström"),     QStringLiteral("Smith"),       QStringLiteral("van der Berg"),
    QStringLiteral("Dvořák"),       QStringLiteral("Ólafsdóttir"), QStringLiteral("Nguyễn"),
    QStringLiteral("Papadopoulos"), QStringLiteral("Иванов"),      QStringLiteral("D'Angelo"),
    QStringLiteral("García"),       QStringLiteral("Kowalski"),    QStringLiteral("Østergaard"),
    QStringLiteral("Jansen"),       QStringLiteral("Şahin"),       QStringLiteral("Tanaka"),
    QStringLiteral("Øberg"),        QStringLiteral("Zoltán"),
};
const QStringList kStreets{QStringLiteral("Main Street"), QStringLiteral("Rue de l'Église"),
                           QStringLiteral("Königsallee"), QStringLiteral("Calle Mayor"), QStringLiteral("Ringvej")};
const QStringList kDescriptions{QStringLiteral("home"), QStringLiteral("work"), QStringLiteral("mobile"), QString(),
                                QStringLiteral("holiday (summer)")};

QString Quote(const QString& text)
{
    return QLatin1Char('\'') + modSql::QuoteSql(text) + QLatin1Char('\'');
}

} // namespace

void Create(const QString& path, int count, int skipped)
{
    modDatabase::CloseDatabase(false);
    Engine::CreateDatabaseFile(path);
    Engine::Connection connection;
    connection.Open(path);
    for (const QString& statement : modDatabase::CreateTableStatements())
        connection.Execute(statement);
    QRandomGenerator random(20261206);
    Engine::Connection::Transaction transaction(connection);
    for (int number = 1; number <= count; ++number) {
        if (number == skipped)
            continue;
        const QString name = kFirstNames.at(random.bounded(kFirstNames.size())) + QLatin1Char(' ') +
                             kLastNames.at(random.bounded(kLastNames.size())) + QLatin1Char(' ') +
                             QString::number(number);
        const QDate born = QDate(1930, 1, 1).addDays(random.bounded(30000));
        const QString date = random.bounded(10) == 0
                                 ? QStringLiteral("Null")
                                 : QStringLiteral("#%1/%2/%3#").arg(born.month()).arg(born.day()).arg(born.year());
        const QString address = kStreets.at(random.bounded(kStreets.size())) + QLatin1Char(' ') +
                                QString::number(random.bounded(1, 200)) + QStringLiteral("\r\n") +
                                QString::number(random.bounded(1000, 9999)) + QStringLiteral(" Town\r\nCountry");
        const QString note = random.bounded(3) == 0 ? QString()
                                                    : QStringLiteral("Met at the conference, see www.example.org/") +
                                                          QString::number(number) + QStringLiteral(" for photos.");
        connection.Execute(QStringLiteral("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) "
                                          "VALUES (%1, %2, %3, %4, %5)")
                               .arg(number)
                               .arg(Quote(name), date, Quote(address), Quote(note)));
        const int phones = random.bounded(5);
        for (int order = 1; order <= phones; ++order)
            connection.Execute(QStringLiteral("INSERT INTO Phone (Contactnr, [Order], [Number], Description) "
                                              "VALUES (%1, %2, %3, %4)")
                                   .arg(number)
                                   .arg(order)
                                   .arg(Quote(QStringLiteral("+%1 (0)%2-%3")
                                                  .arg(random.bounded(1, 99))
                                                  .arg(random.bounded(10, 99))
                                                  .arg(random.bounded(100000, 999999))),
                                        Quote(kDescriptions.at(random.bounded(kDescriptions.size())))));
        const int emails = random.bounded(5);
        for (int order = 1; order <= emails; ++order)
            connection.Execute(QStringLiteral("INSERT INTO Email (Contactnr, [Order], Email, Description) "
                                              "VALUES (%1, %2, %3, %4)")
                                   .arg(number)
                                   .arg(order)
                                   .arg(Quote(QStringLiteral("person%1.%2@example.org").arg(number).arg(order)),
                                        Quote(kDescriptions.at(random.bounded(kDescriptions.size())))));
    }
    transaction.Commit();
}

} // namespace SyntheticDatabase
