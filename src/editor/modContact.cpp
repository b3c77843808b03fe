// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "editor/modContact.h"

#include "database/modDatabase.h"
#include "database/modPersonView.h"
#include "database/modSql.h"
#include "startup/modText.h"

namespace modContact {

namespace {

const QLatin1Char kSlash('/');

// The profile pages of the mail services the Website command knows of; the same pages
// the main window opens. None is known that still exists: until one is given, the
// command stays disabled rather than leading to an address that answers nothing.
struct ProfileBases
{
    QString first;
    QString second;
};

ProfileBases& Bases()
{
    static ProfileBases bases;
    return bases;
}

bool IsFirstService(const QString& lower)
{
    return lower.contains(QLatin1String("hotmail")) || lower.contains(QLatin1String("msn"));
}

// A one-line field's text as the statement carries it.
QString Quoted(const QString& text)
{
    return modSql::QuoteSql(modText::CleanText(text, false));
}

// The address or the note, which keep their line breaks.
QString QuotedLines(const QString& text)
{
    return modSql::QuoteSql(modText::CleanText(text, true));
}

QString Number(qint16 contactnr)
{
    return QString::number(contactnr);
}

} // namespace

// ---- Date of birth ----

QString DateMask(const QString& dateFormat)
{
    // Digits only, none of them required, so a date can be typed in part and checked
    // on OK.
    if (dateFormat == QLatin1String("yyyy/mm/dd"))
        return QStringLiteral("0000/00/00;_");
    return QStringLiteral("00/00/0000;_");
}

TypedDate ReadTypedDate(const QString& boxText, const QString& dateFormat)
{
    QString typed = boxText;
    typed.remove(QLatin1Char('_'));
    TypedDate result;
    if (typed == QLatin1String("//"))
        return result;

    const qsizetype first = typed.indexOf(kSlash);
    const qsizetype second = first < 0 ? -1 : typed.indexOf(kSlash, first + 1);
    const QString part1 = first < 0 ? typed : typed.left(first);
    const QString part2 = first < 0 ? QString() : typed.mid(first + 1, second < 0 ? -1 : second - first - 1);
    const QString part3 = second < 0 ? QString() : typed.mid(second + 1);
    if (dateFormat == QLatin1String("dd/mm/yyyy"))
        result.monthDayYear = part2 + kSlash + part1 + kSlash + part3;
    else if (dateFormat == QLatin1String("mm/dd/yyyy"))
        result.monthDayYear = part1 + kSlash + part2 + kSlash + part3;
    else if (dateFormat == QLatin1String("yyyy/mm/dd"))
        result.monthDayYear = part2 + kSlash + part3 + kSlash + part1;
    else
        result.monthDayYear = typed;
    result.state = modPersonView::ParseMonthDayYear(result.monthDayYear) ? DateState::Valid : DateState::Invalid;
    return result;
}

QString MonthDayMask()
{
    return QStringLiteral("00/00;_");
}

QString MonthDayFormat(const QString& dateFormat)
{
    return dateFormat == QLatin1String("dd/mm/yyyy") ? QStringLiteral("dd/mm") : QStringLiteral("mm/dd");
}

QString MonthDayText(const modPersonDetail::MonthDay& birthday, const QString& dateFormat)
{
    const QString day = QStringLiteral("%1").arg(birthday.day, 2, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(birthday.month, 2, 10, QLatin1Char('0'));
    return dateFormat == QLatin1String("dd/mm/yyyy") ? day + kSlash + month : month + kSlash + day;
}

TypedMonthDay ReadTypedMonthDay(const QString& boxText, const QString& dateFormat)
{
    QString typed = boxText;
    typed.remove(QLatin1Char('_'));
    TypedMonthDay result;
    if (typed.remove(kSlash).trimmed().isEmpty())
        return result;
    const QStringList parts = boxText.split(kSlash);
    const bool dayFirst = dateFormat == QLatin1String("dd/mm/yyyy");
    bool dayRead = false;
    bool monthRead = false;
    const int day = QString(parts.value(dayFirst ? 0 : 1)).remove(QLatin1Char('_')).toInt(&dayRead);
    const int month = QString(parts.value(dayFirst ? 1 : 0)).remove(QLatin1Char('_')).toInt(&monthRead);
    // 2000 is a leap year: 29 February is a birthday like any other.
    if (dayRead && monthRead && QDate::isValid(2000, month, day)) {
        result.state = DateState::Valid;
        result.birthday = modPersonDetail::MonthDay{month, day};
    } else {
        result.state = DateState::Invalid;
    }
    return result;
}

QString DayAndMonthOf(const QString& boxText, const QString& dateFormat, bool withYear)
{
    const QStringList parts = boxText.split(kSlash);
    if (withYear) {
        // From "dd/mm" (or "mm/dd") to the full mask, the year empty.
        const QString first = parts.value(0);
        const QString second = parts.value(1);
        if (dateFormat == QLatin1String("yyyy/mm/dd"))
            return QStringLiteral("____/") + first + kSlash + second;
        return first + kSlash + second + QStringLiteral("/____");
    }
    if (dateFormat == QLatin1String("yyyy/mm/dd"))
        return parts.value(1) + kSlash + parts.value(2);
    return parts.value(0) + kSlash + parts.value(1);
}

// ---- Phone and e-mail entries ----

Entry TypedEntry(const QString& value, const QString& description)
{
    Entry entry;
    entry.tag = modText::TrimBlanks(value);
    const QString trimmedDescription = modText::TrimBlanks(description);
    if (trimmedDescription.isEmpty())
        entry.text = value;
    else
        entry.text = entry.tag + QStringLiteral(" (") + trimmedDescription + QLatin1Char(')');
    return entry;
}

QString DescriptionOf(const QString& text, const QString& tag)
{
    const QString t = modText::TrimBlanks(text);
    const QString n = modText::TrimBlanks(tag);
    if (t.size() <= n.size())
        return QString();
    // Skips the number and " (", drops the closing ")"; no searching for brackets, so a
    // description may hold brackets of its own.
    return t.mid(n.size() + 2, qMax<qsizetype>(0, t.size() - n.size() - 3));
}

bool HasDescription(const QString& text, const QString& tag)
{
    return modText::TrimBlanks(text).size() > modText::TrimBlanks(tag).size();
}

bool NumberAcceptable(const QString& typed)
{
    return !modText::TrimBlanks(typed).isEmpty();
}

bool EmailAcceptable(const QString& typed)
{
    return !typed.isEmpty();
}

void SetProfileBases(const QString& first, const QString& second)
{
    Bases() = ProfileBases{first, second};
}

bool HasProfilePage(const QString& text)
{
    const QString lower = modText::TrimBlanks(text).toLower();
    if (IsFirstService(lower))
        return !Bases().first.isEmpty();
    return lower.contains(QLatin1String("yahoo")) && !Bases().second.isEmpty();
}

QString ProfilePage(const QString& text, const QString& tag)
{
    const QString lower = modText::TrimBlanks(text).toLower();
    const QString address = modText::TrimBlanks(tag);
    if (IsFirstService(lower))
        return Bases().first + address;
    return Bases().second + modText::PartBeforeAt(address);
}

// ---- Saving ----

QString DateSql(const QString& monthDayYear)
{
    if (monthDayYear.isEmpty())
        return QStringLiteral("Null");
    return QLatin1Char('#') + monthDayYear + QLatin1Char('#');
}

QString InsertPersonSql(qint16 contactnr, const Contact& contact)
{
    return QStringLiteral("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(") +
           Number(contactnr) + QStringLiteral(", '") + Quoted(modText::TrimBlanks(contact.name)) +
           QStringLiteral("', ") + DateSql(contact.dateOfBirth) + QStringLiteral(", '") +
           QuotedLines(modText::TrimBlanks(contact.address)) + QStringLiteral("', '") +
           QuotedLines(modText::TrimBlanks(contact.note)) + QStringLiteral("') ");
}

QString UpdatePersonSql(qint16 contactnr, const Contact& contact)
{
    return QStringLiteral("UPDATE Person SET Name = '") + Quoted(modText::TrimBlanks(contact.name)) +
           QStringLiteral("', Dateofbirth = ") + DateSql(contact.dateOfBirth) + QStringLiteral(", Address = '") +
           QuotedLines(modText::TrimBlanks(contact.address)) + QStringLiteral("', [Note] = '") +
           QuotedLines(modText::TrimBlanks(contact.note)) + QStringLiteral("' WHERE Contactnr = ") + Number(contactnr) +
           QStringLiteral(" ");
}

QString InsertPhoneSql(qint16 contactnr, int order, const Entry& entry)
{
    return QStringLiteral("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(") + Number(contactnr) +
           QStringLiteral(", ") + QString::number(order) + QStringLiteral(", '") +
           Quoted(modText::TrimBlanks(entry.tag)) + QStringLiteral("', '") +
           Quoted(DescriptionOf(entry.text, entry.tag)) + QStringLiteral("') ");
}

QString InsertEmailSql(qint16 contactnr, int order, const Entry& entry)
{
    return QStringLiteral("INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(") + Number(contactnr) +
           QStringLiteral(", ") + QString::number(order) + QStringLiteral(", '") +
           Quoted(modText::TrimBlanks(entry.tag)) + QStringLiteral("', '") +
           Quoted(DescriptionOf(entry.text, entry.tag)) + QStringLiteral("') ");
}

QString DeletePhonesSql(qint16 contactnr)
{
    return QStringLiteral("DELETE FROM Phone WHERE Contactnr = ") + Number(contactnr) + QStringLiteral(" ");
}

QString DeleteEmailsSql(qint16 contactnr)
{
    return QStringLiteral("DELETE FROM Email WHERE Contactnr = ") + Number(contactnr) + QStringLiteral(" ");
}

namespace {

void AppendPhones(QStringList& statements, qint16 contactnr, const Contact& contact)
{
    int order = 1;
    for (const Entry& phone : contact.phones)
        statements << InsertPhoneSql(contactnr, order++, phone);
}

void AppendEmails(QStringList& statements, qint16 contactnr, const Contact& contact)
{
    int order = 1;
    for (const Entry& email : contact.emails)
        statements << InsertEmailSql(contactnr, order++, email);
}

// A person new or saved with none of the fields beyond the spec's tables writes no row of its own.
void AppendDetail(QStringList& statements, qint16 contactnr, const Contact& contact, bool newPerson)
{
    statements << modPersonDetail::WriteStatements(
        contactnr, contact.birthday, modText::CleanText(contact.organisation, false),
        modText::CleanText(contact.title, false), contact.photo, contact.groups, newPerson);
}

} // namespace

QStringList NewPersonStatements(qint16 contactnr, const Contact& contact)
{
    QStringList statements{InsertPersonSql(contactnr, contact)};
    AppendPhones(statements, contactnr, contact);
    AppendEmails(statements, contactnr, contact);
    AppendDetail(statements, contactnr, contact, true);
    return statements;
}

QStringList ExistingPersonStatements(qint16 contactnr, const Contact& contact)
{
    QStringList statements{UpdatePersonSql(contactnr, contact), DeletePhonesSql(contactnr)};
    AppendPhones(statements, contactnr, contact);
    statements << DeleteEmailsSql(contactnr);
    AppendEmails(statements, contactnr, contact);
    AppendDetail(statements, contactnr, contact, false);
    return statements;
}

QStringList RemovePersonStatements(qint16 contactnr)
{
    return {DeletePhonesSql(contactnr), DeleteEmailsSql(contactnr),
            QStringLiteral("DELETE FROM Person WHERE Contactnr = ") + QString::number(contactnr)};
}

std::optional<qint16> SaveNewPerson(const Contact& contact)
{
    // The number is found inside the transaction, so no other writer can take it
    // between finding and using it.
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    const std::optional<qint16> contactnr =
        modSql::GetFreeNumber(QStringLiteral("Person"), QStringLiteral("Contactnr"));
    if (!contactnr)
        return std::nullopt;
    modSql::ExecuteSql(NewPersonStatements(*contactnr, contact));
    transaction.Commit();
    return contactnr;
}

void SaveExistingPerson(qint16 contactnr, const Contact& contact)
{
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    modSql::ExecuteSql(ExistingPersonStatements(contactnr, contact));
    transaction.Commit();
}

} // namespace modContact
