// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "database/modPersonView.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QRegularExpression>

namespace modPersonView {

namespace {

QString TrimmedText(const QVariant& value)
{
    return value.isNull() ? QString() : modText::TrimBlanks(value.toString());
}

std::vector<ListEntry> LoadEntries(const QString& sql, const QString& valueColumn)
{
    Engine::Recordset rs = modSql::OpenRecordset(sql);
    std::vector<ListEntry> entries;
    entries.reserve(rs.RecordCount());
    for (; !rs.Eof(); rs.MoveNext())
        entries.push_back(
            MakeListEntry(TrimmedText(rs.Fields(valueColumn)), TrimmedText(rs.Fields(QStringLiteral("Description")))));
    return entries;
}

} // namespace

ListEntry MakeListEntry(const QString& value, const QString& description)
{
    ListEntry entry;
    entry.tag = modText::TrimBlanks(value);
    const QString trimmedDescription = modText::TrimBlanks(description);
    if (trimmedDescription.isEmpty())
        entry.text = entry.tag;
    else
        entry.text = modText::TrimBlanks(entry.tag + QStringLiteral(" (") + trimmedDescription) + QLatin1Char(')');
    return entry;
}

QString PersonSql(qint16 contactnr)
{
    return QStringLiteral("SELECT * FROM Person WHERE Contactnr = ") + QString::number(contactnr);
}

QString PhoneSql(qint16 contactnr)
{
    return QStringLiteral("SELECT * FROM Phone WHERE Contactnr = ") + QString::number(contactnr) +
           QStringLiteral(" ORDER BY [Order] ");
}

QString EmailSql(qint16 contactnr)
{
    return QStringLiteral("SELECT * FROM Email WHERE Contactnr = ") + QString::number(contactnr) +
           QStringLiteral(" ORDER BY [Order] ");
}

std::optional<PersonDetails> LoadPerson(qint16 contactnr)
{
    Engine::Recordset person = modSql::OpenRecordset(PersonSql(contactnr));
    if (person.Eof())
        return std::nullopt;

    PersonDetails details;
    details.contactnr = static_cast<qint16>(person.Fields(QStringLiteral("Contactnr")).toInt());
    details.name = TrimmedText(person.Fields(QStringLiteral("Name")));
    details.caption = details.name;
    details.caption.replace(QLatin1Char('&'), QStringLiteral("&&"));

    const QVariant dateOfBirth = person.Fields(QStringLiteral("Dateofbirth"));
    if (!dateOfBirth.isNull() && dateOfBirth.toDate().isValid())
        details.dateOfBirth = dateOfBirth.toDate();
    details.address = TrimmedText(person.Fields(QStringLiteral("Address")));

    details.phones = LoadEntries(PhoneSql(details.contactnr), QStringLiteral("Number"));
    details.emails = LoadEntries(EmailSql(details.contactnr), QStringLiteral("Email"));

    details.note = TrimmedText(person.Fields(QStringLiteral("Note")));
    const modPersonDetail::Detail detail = modPersonDetail::Read(modDatabase::DatabaseConnection(), details.contactnr);
    if (!details.dateOfBirth)
        details.birthday = detail.birthday;
    details.organisation = detail.organisation.trimmed();
    details.title = detail.title.trimmed();
    details.photo = detail.photo;
    details.groups = detail.groups;
    return details;
}

QString BirthdayText(const modPersonDetail::MonthDay& birthday)
{
    return modPersonDetail::LongText(birthday, modLanguage::LocaleOfLanguage(modSettings::Get(Setting::Language)));
}

QString WorkText(const QString& title, const QString& organisation)
{
    if (title.isEmpty() || organisation.isEmpty())
        return title + organisation;
    return title + QStringLiteral(", ") + organisation;
}

int GetAge(const QDate& dateOfBirth, const QDate& today)
{
    int age = today.year() - dateOfBirth.year() - 1;
    if (age < 0)
        return 0;
    if (today.month() > dateOfBirth.month() ||
        (today.month() == dateOfBirth.month() && today.day() >= dateOfBirth.day()))
        ++age;
    return age;
}

int GetAge(const QDate& dateOfBirth)
{
    return GetAge(dateOfBirth, Platform::Today());
}

QString FormatDate(const QDate& date, const QString& format)
{
    if (!date.isValid())
        return QString();
    // The exports format a date for every person: digits written straight into place.
    if (date.year() >= 0 && date.year() <= 9999) {
        const auto digits = [](char16_t* at, int value, int width) {
            for (int i = width - 1; i >= 0; --i, value /= 10)
                at[i] = static_cast<char16_t>(u'0' + value % 10);
        };
        char16_t text[10] = {0, 0, u'/', 0, 0, u'/', 0, 0, 0, 0};
        if (format == QLatin1String("yyyy/mm/dd")) {
            text[4] = text[7] = u'/';
            digits(text, date.year(), 4);
            digits(text + 5, date.month(), 2);
            digits(text + 8, date.day(), 2);
            return QString(reinterpret_cast<const QChar*>(text), 10);
        }
        const bool dayFirst = format == QLatin1String("dd/mm/yyyy");
        if (!dayFirst && format != QLatin1String("mm/dd/yyyy"))
            return QString();
        digits(text, dayFirst ? date.day() : date.month(), 2);
        digits(text + 3, dayFirst ? date.month() : date.day(), 2);
        digits(text + 6, date.year(), 4);
        return QString(reinterpret_cast<const QChar*>(text), 10);
    }
    const QString day = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    const QString month = QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    const QString year = QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    const QLatin1Char slash('/');
    if (format == QLatin1String("dd/mm/yyyy"))
        return day + slash + month + slash + year;
    if (format == QLatin1String("mm/dd/yyyy"))
        return month + slash + day + slash + year;
    if (format == QLatin1String("yyyy/mm/dd"))
        return year + slash + month + slash + day;
    return QString();
}

QString DateOfBirthText(const QDate& date)
{
    return FormatDate(date, modSettings::Get(Setting::DateFormat));
}

QString AgeCaption(int age)
{
    return T(QStringLiteral("Age")) + QStringLiteral(": ") + QString::number(age);
}

QString RetranslateAgeCaption(const QString& caption)
{
    const qsizetype blank = caption.indexOf(QLatin1Char(' '));
    return T(QStringLiteral("Age")) + QLatin1Char(':') + (blank < 0 ? QString() : caption.mid(blank));
}

std::optional<QDate> ParseMonthDayYear(const QString& monthDayYear)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
    const QRegularExpressionMatch match = pattern.match(monthDayYear);
    if (!match.hasMatch())
        return std::nullopt;
    const int month = match.captured(1).toInt();
    const int day = match.captured(2).toInt();
    const int year = match.captured(3).toInt();
    if (year < EarliestYear || !QDate::isValid(year, month, day))
        return std::nullopt;
    return QDate(year, month, day);
}

} // namespace modPersonView
