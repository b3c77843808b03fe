// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modReminder.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "startup/modSettings.h"
#include "startup/modText.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

namespace modReminder {

namespace {

// Orders two once values and drops the second of an equal pair; values that are not
// numbers stay where they are.
void OrderPair(std::optional<int>& low, std::optional<int>& high)
{
    if (!low || !high)
        return;
    if (*low > *high)
        std::swap(low, high);
    else if (*low == *high)
        high.reset();
}

// A birthday's month and day, for telling whether a day of the window repeats one
// already looked at.
int MonthDay(const QDate& date)
{
    return date.month() * 100 + date.day();
}

// 366 month and day pairs, 29 February included.
constexpr int AllMonthDays = 366;

} // namespace

std::optional<int> DayNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    const QString trimmed = text.trimmed();
    if (!whole.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = trimmed.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::vector<int> ReminderDays(const QString& since, const QString& once1, const QString& once2, const QString& once3)
{
    const std::optional<int> s = DayNumber(since);
    std::optional<int> o1 = DayNumber(once1);
    std::optional<int> o2 = DayNumber(once2);
    std::optional<int> o3 = DayNumber(once3);
    OrderPair(o1, o3);
    OrderPair(o2, o3);
    OrderPair(o1, o2);

    std::vector<int> days;
    if (s) {
        // Any nine years hold a 29 February, so by then every birthday of the calendar
        // has come round and later days find nobody new: a huge window stays short.
        const int last = std::min(*s, 9 * AllMonthDays);
        for (int d = 0; d <= last; ++d)
            days.push_back(d);
    }
    for (const std::optional<int>& once : {o1, o2, o3})
        if (once && (!s || *once > *s))
            days.push_back(*once);
    return days;
}

std::vector<int> ReminderDaysFromSettings()
{
    using modSettings::Get;
    return ReminderDays(Get(Setting::ReminderSince), Get({Setting::ReminderOnce, 1}), Get({Setting::ReminderOnce, 2}),
                        Get({Setting::ReminderOnce, 3}));
}

QString BirthdaySql(const QDate& day)
{
    return QStringLiteral("SELECT Contactnr, Name, Dateofbirth FROM Person WHERE Month(Dateofbirth) = ") +
           QString::number(day.month()) + QStringLiteral(" AND Day(Dateofbirth) = ") + QString::number(day.day()) +
           QStringLiteral(" ORDER BY Month(Dateofbirth), Day(Dateofbirth) ");
}

QString DateText(const QDate& date)
{
    return QLocale::system().toString(date, QStringLiteral("dddd d MMMM"));
}

std::vector<ReminderRow> CollectBirthdays(const std::vector<int>& days, const QDate& today)
{
    std::vector<ReminderRow> rows;
    QSet<qint16> listed;
    QSet<int> looked;
    const std::vector<modPersonDetail::NamedBirthday> withoutYear =
        modPersonDetail::BirthdaysWithoutYear(modDatabase::DatabaseConnection());
    for (const int offset : days) {
        const QDate day = today.addDays(offset);
        // Everyone born on a day already looked at is listed already.
        if (looked.contains(MonthDay(day)))
            continue;
        looked.insert(MonthDay(day));
        Engine::Recordset rs = modSql::OpenRecordset(BirthdaySql(day));
        for (; !rs.Eof(); rs.MoveNext()) {
            const qint16 contactnr = static_cast<qint16>(rs.Fields(QStringLiteral("Contactnr")).toInt());
            if (listed.contains(contactnr))
                continue;
            listed.insert(contactnr);
            ReminderRow row;
            row.contactnr = contactnr;
            row.key = modText::ContactKey(contactnr);
            row.date = day;
            row.name = modText::TrimBlanks(rs.Fields(QStringLiteral("Name")).toString());
            row.age = day.year() - rs.Fields(QStringLiteral("Dateofbirth")).toDate().year();
            row.today = offset == 0;
            rows.push_back(row);
        }
        // Birthdays without a year fall on the same day and month, with no age.
        for (const modPersonDetail::NamedBirthday& birthday : withoutYear) {
            if (birthday.birthday.month != day.month() || birthday.birthday.day != day.day() ||
                listed.contains(birthday.contactnr))
                continue;
            listed.insert(birthday.contactnr);
            ReminderRow row;
            row.contactnr = birthday.contactnr;
            row.key = modText::ContactKey(birthday.contactnr);
            row.date = day;
            row.name = modText::TrimBlanks(birthday.name);
            row.ageKnown = false;
            row.today = offset == 0;
            rows.push_back(row);
        }
    }
    return rows;
}

} // namespace modReminder
