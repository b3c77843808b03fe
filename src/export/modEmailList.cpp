#include "modEmailList.h"

#include "database/modSql.h"
#include "startup/modText.h"

#include <QStringList>

namespace modEmailList {

QString PersonsSql()
{
    return QStringLiteral("SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email ") +
           QStringLiteral("FROM Person, Email ") + QStringLiteral("WHERE Person.Contactnr = Email.Contactnr ") +
           QStringLiteral("AND Email.Order = 1 ") + QStringLiteral("ORDER BY Name ");
}

std::vector<PersonListModel::Entry> LoadPersons()
{
    Engine::Recordset rows = modSql::OpenRecordset(PersonsSql());
    std::vector<PersonListModel::Entry> entries;
    entries.reserve(static_cast<size_t>(rows.RecordCount()));
    for (int rank = 0; !rows.Eof(); rows.MoveNext(), ++rank) {
        const QString text = modMain::TrimBlanks(rows.Fields(QStringLiteral("Name")).toString()) +
                             QStringLiteral(" (") +
                             modMain::TrimBlanks(rows.Fields(QStringLiteral("Email")).toString()) + QLatin1Char(')');
        entries.push_back({static_cast<qint16>(rows.Fields(0).toInt()), text, rank});
    }
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
    return QStringLiteral("SELECT Email ") + QStringLiteral("FROM Person, Email ") +
           QStringLiteral("WHERE Email.Contactnr IN(") + numbers.join(QStringLiteral(", ")) + QStringLiteral(") ") +
           QStringLiteral("AND Person.Contactnr = Email.Contactnr ") + QStringLiteral("AND Email.Order = 1 ") +
           QStringLiteral("ORDER BY Name, Person.Contactnr");
}

QString BuildAddressList(const std::vector<qint16>& contactnrs, bool semicolon)
{
    if (contactnrs.empty())
        return {};
    Engine::Recordset rows = modSql::OpenRecordset(AddressListSql(contactnrs));
    QStringList addresses;
    for (; !rows.Eof(); rows.MoveNext())
        addresses << modMain::TrimBlanks(rows.Fields(QStringLiteral("Email")).toString());
    return addresses.join(SeparatorText(semicolon));
}

} // namespace modEmailList
