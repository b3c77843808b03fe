// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "SearchBuilder.h"

#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "database/modPersonView.h"

#include <QDate>
#include <QStringList>

namespace SearchBuilder {

namespace {

// The conditions of one OK, joined as the contact list expects them: the first with
// "WHERE ", later ones (and all once a phone or e-mail flag is set, because the list
// puts its own join condition first) with "AND ".
class ConditionText
{
public:
    explicit ConditionText(Search& search) : m_search(search) {}

    void Add(const QString& condition)
    {
        if (m_search.phoneActive || m_search.emailActive)
            m_first = false;
        m_search.condition +=
            (m_first ? QStringLiteral("WHERE ") : QStringLiteral("AND ")) + condition + QLatin1Char(' ');
        m_first = false;
    }

private:
    Search& m_search;
    bool m_first = true;
};

// The value of a text criterion: trimmed of blanks, apostrophes doubled.
QString Value(const Criterion& criterion)
{
    return modSql::QuoteSql(criterion.text.trimmed());
}

// "Is equal to", "Contains", "Begins with", "Ends with" on a text column; the ends-with
// form compares the column trimmed, since fixed-width columns may carry trailing blanks.
QString TextCondition(const QString& column, int op, const QString& value, bool trimAlways)
{
    const QString trimmed = QStringLiteral("TRIM(") + column + QLatin1Char(')');
    switch (op) {
    case 0:
        return column + QStringLiteral(" = '") + value + QLatin1Char('\'');
    case 1:
        return (trimAlways ? trimmed : column) + QStringLiteral(" LIKE '%") + value + QStringLiteral("%'");
    case 2:
        return (trimAlways ? trimmed : column) + QStringLiteral(" LIKE '") + value + QStringLiteral("%'");
    case 3:
        return trimmed + QStringLiteral(" LIKE '%") + value + QLatin1Char('\'');
    default:
        return {};
    }
}

// The persons whose row of our own meets the condition.
QString DetailCondition(const QString& condition)
{
    return QStringLiteral("Person.Contactnr IN (SELECT Contactnr FROM PersonDetail WHERE ") + condition +
           QLatin1Char(')');
}

// An organisation or title criterion: the text operators, or 4 "is filled in".
QString DetailTextCondition(const QString& column, const Criterion& criterion)
{
    if (criterion.op == 4)
        return DetailCondition(column + QStringLiteral(" <> ''"));
    if (criterion.text.trimmed().isEmpty() || criterion.op < 0 || criterion.op > 3)
        return QString();
    return DetailCondition(TextCondition(column, criterion.op, Value(criterion), true));
}

QString DateLiteral(const QString& monthDayYear)
{
    return QLatin1Char('#') + monthDayYear + QLatin1Char('#');
}

} // namespace

QString DateBoxText(const QString& shown)
{
    QString text = shown;
    text.remove(QLatin1Char('_'));
    return text == QLatin1String("//") ? QString() : text;
}

QString ToMonthDayYear(const QString& typed, const QString& dateFormat)
{
    const int first = typed.indexOf(QLatin1Char('/'));
    const int second = first < 0 ? -1 : typed.indexOf(QLatin1Char('/'), first + 1);
    if (second < 0)
        return typed;
    const QString head = typed.left(first);
    const QString middle = typed.mid(first + 1, second - first - 1);
    const QString tail = typed.mid(second + 1);
    const QChar slash = QLatin1Char('/');
    if (dateFormat == QLatin1String("mm/dd/yyyy"))
        return head + slash + middle + slash + tail;
    if (dateFormat == QLatin1String("yyyy/mm/dd"))
        return middle + slash + tail + slash + head;
    return middle + slash + head + slash + tail;
}

QStringList MonthDaysBetween(const QDate& after, const QDate& before)
{
    QStringList days;
    const qint64 span = after.daysTo(before);
    if (span <= 1)
        return days;
    // A leap year holds every day a birthday can fall on.
    const int count = span > 366 ? 366 : static_cast<int>(span) - 1;
    QDate day = span > 366 ? QDate(2000, 1, 1) : after.addDays(1);
    for (int i = 0; i < count; ++i, day = day.addDays(1)) {
        const QString text = modPersonDetail::MonthDay{day.month(), day.day()}.Stored();
        if (!days.contains(text))
            days << text;
    }
    return days;
}

bool IsValidMonthDayYear(const QString& monthDayYear)
{
    return modPersonView::ParseMonthDayYear(monthDayYear).has_value();
}

Search Build(const Criteria& criteria)
{
    Search search;
    const QString date1 = DateBoxText(criteria.date1);
    const QString date2 = DateBoxText(criteria.date2);
    const QString monthDayYear1 = date1.isEmpty() ? QString() : ToMonthDayYear(date1, criteria.dateFormat);
    const QString monthDayYear2 = date2.isEmpty() ? QString() : ToMonthDayYear(date2, criteria.dateFormat);
    // Both boxes count, also one hidden by the operator that still holds text.
    if ((!date1.isEmpty() && !IsValidMonthDayYear(monthDayYear1)) ||
        (!date2.isEmpty() && !IsValidMonthDayYear(monthDayYear2))) {
        search.datesValid = false;
        return search;
    }
    // A range with one end is as unfinished as a half-typed date.
    if (criteria.dateOp == 1 && date1.isEmpty() != date2.isEmpty()) {
        search.datesValid = false;
        return search;
    }

    ConditionText conditions(search);
    if (criteria.phone.op == 4) {
        conditions.Add(QStringLiteral("EXISTS (SELECT Phone.Contactnr FROM Phone WHERE Phone.Contactnr = "
                                      "Person.Contactnr AND Number <> '')"));
    } else if (!criteria.phone.text.isEmpty() && criteria.phone.op >= 0 && criteria.phone.op <= 3) {
        search.phoneActive = true;
        search.phoneOperator = criteria.phone.op;
        search.phoneText = criteria.phone.text.trimmed();
    }

    if (criteria.email.op == 4) {
        conditions.Add(QStringLiteral("EXISTS (SELECT Email.Contactnr FROM Email WHERE Email.Contactnr = "
                                      "Person.Contactnr AND Email <> '')"));
    } else if (!criteria.email.text.isEmpty() && criteria.email.op >= 0 && criteria.email.op <= 3) {
        search.emailActive = true;
        conditions.Add(TextCondition(QStringLiteral("Email"), criteria.email.op, Value(criteria.email), true));
    }

    if (!criteria.name.text.isEmpty() && criteria.name.op >= 0 && criteria.name.op <= 3)
        conditions.Add(TextCondition(QStringLiteral("Name"), criteria.name.op, Value(criteria.name), false));

    const QString d1 = DateLiteral(monthDayYear1);
    const QString d2 = DateLiteral(monthDayYear2);
    switch (criteria.dateOp) {
    case 0:
        if (!date1.isEmpty())
            conditions.Add(QStringLiteral("Dateofbirth = ") + d1);
        break;
    case 1:
        if (!date1.isEmpty() && !date2.isEmpty()) {
            const QStringList days = criteria.birthdaysWithoutYear
                                         ? MonthDaysBetween(*modPersonView::ParseMonthDayYear(monthDayYear1),
                                                            *modPersonView::ParseMonthDayYear(monthDayYear2))
                                         : QStringList();
            if (days.isEmpty()) {
                conditions.Add(QStringLiteral("Dateofbirth > ") + d1);
                conditions.Add(QStringLiteral("Dateofbirth < ") + d2);
            } else {
                // A birthday without a year is between two dates when its day is.
                const QString found = days.size() >= 366 ? QStringLiteral("Birthday IS NOT NULL")
                                                         : QStringLiteral("Birthday IN ('") +
                                                               days.join(QStringLiteral("', '")) + QStringLiteral("')");
                conditions.Add(QStringLiteral("(Dateofbirth > ") + d1 + QStringLiteral(" AND Dateofbirth < ") + d2 +
                               QStringLiteral(" OR ") + DetailCondition(found) + QLatin1Char(')'));
            }
        }
        break;
    case 2:
        if (!date1.isEmpty())
            conditions.Add(QStringLiteral("Dateofbirth < ") + d1);
        break;
    case 3:
        if (!date1.isEmpty())
            conditions.Add(QStringLiteral("Dateofbirth > ") + d1);
        break;
    case 4:
        conditions.Add(criteria.birthdaysWithoutYear
                           ? QStringLiteral("(Dateofbirth IS NOT NULL OR ") +
                                 DetailCondition(QStringLiteral("Birthday IS NOT NULL")) + QLatin1Char(')')
                           : QStringLiteral("Dateofbirth IS NOT NULL"));
        break;
    default:
        break;
    }

    if (criteria.address.op == 4)
        conditions.Add(QStringLiteral("Address <> ''"));
    else if (!criteria.address.text.isEmpty())
        conditions.Add(TextCondition(QStringLiteral("Address"), criteria.address.op, Value(criteria.address), false));

    if (criteria.note.op == 1)
        conditions.Add(QStringLiteral("Note <> ''"));
    else if (criteria.note.op == 0 && !criteria.note.text.isEmpty())
        conditions.Add(QStringLiteral("Note LIKE '%") + Value(criteria.note) + QStringLiteral("%'"));

    for (const auto& [column, criterion] : {std::pair{QStringLiteral("Organisation"), criteria.organisation},
                                            std::pair{QStringLiteral("Title"), criteria.title}}) {
        const QString condition = DetailTextCondition(column, criterion);
        // A file without the table has no organisation or title: nobody meets such a criterion.
        if (!condition.isEmpty())
            conditions.Add(criteria.details ? condition : QStringLiteral("1 = 2"));
    }
    return search;
}

} // namespace SearchBuilder
