// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modEmailList.h"

#include "database/modSql.h"
#include "startup/modText.h"

#include <QStringList>

namespace modEmailList {

QString PersonsSql()
{
    return QStringLiteral("SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, Email "
                          "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 ORDER BY Name ");
}

std::vector<PersonListModel::Entry> LoadPersons()
{
    // Read row by row: a snapshot of every row would be held beside the entries made of it.
    std::vector<PersonListModel::Entry> entries;
    int name = -1;
    int email = -1;
    modSql::ForEachRow(PersonsSql(), [&](const Engine::Connection::Row& row) {
        if (name < 0) {
            name = row.Column(QStringLiteral("Name"));
            email = row.Column(QStringLiteral("Email"));
        }
        const QString text = modText::TrimBlanks(row.Text(name)) + QStringLiteral(" (") +
                             modText::TrimBlanks(row.Text(email)) + QLatin1Char(')');
        entries.push_back({static_cast<qint16>(row.Int(0)), text, static_cast<int>(entries.size())});
    });
    return entries;
}

QString SeparatorText(bool semicolon)
{
    return semicolon ? QStringLiteral("; ") : QStringLiteral(", ");
}

QString AddressListSql(const std::vector<qint16>& contactnrs)
{
    QStringList numbers;
    for (const qint16 contactnr : contactnrs)
        numbers << QString::number(contactnr);
    return QStringLiteral("SELECT Email FROM Person, Email WHERE Email.Contactnr IN(") +
           numbers.join(QStringLiteral(", ")) +
           QStringLiteral(") "
                          "AND Person.Contactnr = Email.Contactnr "
                          "AND Email.Order = 1 "
                          "ORDER BY Name, Person.Contactnr");
}

namespace {

// True when every person with a first address is chosen: the condition on the numbers
// then leaves nobody out, and for a full database the list of numbers alone costs the
// database more than the rest of the statement.
bool EveryoneWithAddress(const std::vector<qint16>& contactnrs)
{
    std::vector<bool> chosen(1 << 16, false);
    for (const qint16 contactnr : contactnrs)
        chosen[static_cast<std::size_t>(contactnr + 32768)] = true;
    bool everyone = true;
    modSql::ForEachRow(QStringLiteral("SELECT Email.Contactnr FROM Person, Email "
                                      "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 "),
                       [&](const Engine::Connection::Row& row) {
                           everyone = everyone && chosen[static_cast<std::size_t>(row.Int(0) + 32768)];
                       });
    return everyone;
}

QString EveryAddressSql()
{
    return QStringLiteral("SELECT Email FROM Person, Email WHERE Person.Contactnr = Email.Contactnr "
                          "AND Email.Order = 1 ORDER BY Name, Person.Contactnr");
}

} // namespace

QString BuildAddressList(const std::vector<qint16>& contactnrs, bool semicolon)
{
    if (contactnrs.empty())
        return {};
    QStringList addresses;
    modSql::ForEachRow(EveryoneWithAddress(contactnrs) ? EveryAddressSql() : AddressListSql(contactnrs),
                       [&](const Engine::Connection::Row& row) { addresses << modText::TrimBlanks(row.Text(0)); });
    return addresses.join(SeparatorText(semicolon));
}

} // namespace modEmailList
