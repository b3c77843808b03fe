// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "mainwindow/modList.h"
#include "search/SearchBuilder.h"

namespace {

// Criteria written as "name|1|an;date|3|31/12/1979": each box's operator and text (two
// texts for the dates), and "format|yyyy/mm/dd" when the dates are not day first. A date
// box left out shows only its prompts.
SearchBuilder::Criteria Make(const QString& written)
{
    SearchBuilder::Criteria c;
    c.dateFormat = "dd/mm/yyyy";
    for (const QString& part : written.split(';', Qt::SkipEmptyParts))
        if (part.startsWith("format|"))
            c.dateFormat = part.section('|', 1);
    c.date1 = c.date2 = c.dateFormat == "yyyy/mm/dd" ? "____/__/__" : "__/__/____";
    for (const QString& part : written.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = part.split('|');
        const SearchBuilder::Criterion criterion{f.value(1).toInt(), f.value(2)};
        if (f[0] == "date") {
            c.dateOp = criterion.op;
            c.date1 = f.value(2).isEmpty() ? c.date1 : f.value(2);
            c.date2 = f.value(3).isEmpty() ? c.date2 : f.value(3);
        }
        SearchBuilder::Criterion* box = f[0] == "name"           ? &c.name
                                        : f[0] == "phone"        ? &c.phone
                                        : f[0] == "email"        ? &c.email
                                        : f[0] == "address"      ? &c.address
                                        : f[0] == "note"         ? &c.note
                                        : f[0] == "organisation" ? &c.organisation
                                        : f[0] == "title"        ? &c.title
                                                                 : nullptr;
        if (f[0] == "details") {
            c.details = true;
            c.birthdaysWithoutYear = f.value(1) == "birthdays";
        }
        if (box)
            *box = criterion;
    }
    return c;
}

} // namespace

class TestSearchBuilder : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<DatabaseFixture> m_database;

    static QStringList namesFound(const SearchBuilder::Search& search)
    {
        const modList::ListQuery query{
            {}, true, search.condition, search.phoneActive, search.phoneOperator, search.phoneText, search.emailActive};
        QStringList names;
        for (const modList::ContactRow& row : modList::QueryContactList(query).rows)
            names << row.name;
        return names;
    }

private slots:
    void initTestCase()
    {
        m_database = std::make_unique<DatabaseFixture>();
        QVERIFY(m_database->ok());
        addPersons({{1,
                     "Anna Jansen",
                     QDate(1979, 12, 31),
                     {"0471 12 34|", "(0471) 99-88|"},
                     {"anna@mail.example|"},
                     "Main Street 1",
                     "likes x-rays"},
                    {2, "Johan Bakker", QDate(1980, 1, 1), {"+32 471 55 66|"}, {}, "Harbour 2"},
                    {3, "Jo Smith", QDate(1985, 6, 15), {"020-555|"}, {"jo@mail.example|", "jo@work.example|"}},
                    {4, "Sean O'Brien"},
                    {5, "Dan Jansen", QDate(1979, 12, 30)}});
    }
    void cleanupTestCase() { m_database.reset(); }

    // The condition the list reads and who it finds; "<invalid date>" where a date box
    // holds no valid date (and nothing else is set), "<nothing>" where nothing is searched.
    void build_data()
    {
        TestSupport::addColumns<QString, QString, QStringList>("criteria", "condition", "found");
        const QStringList nothing{"<nothing>"};
        TestSupport::addRow("nothing typed", "", "", nothing);
        TestSupport::addRow("name contains, born after", "name|1|an;date|3|31/12/1979",
                            "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# ", QStringList{"Johan Bakker"});
        TestSupport::addRow("e-mail contains, name begins", "email|1|mail;name|2|Jo",
                            "AND TRIM(Email) LIKE '%mail%' AND Name LIKE 'Jo%' ", QStringList{"Jo Smith"});
        TestSupport::addRow("phone filled in, note contains", "phone|4|;note|0|x",
                            "WHERE EXISTS (SELECT Phone.Contactnr FROM Phone WHERE Phone.Contactnr = "
                            "Person.Contactnr AND Number <> '') AND Note LIKE '%x%' ",
                            QStringList{"Anna Jansen"});
        TestSupport::addRow("blanks equal", "name|0|   ", "WHERE Name = '' ", QStringList{});
        TestSupport::addRow("blanks contain", "name|1|   ", "WHERE Name LIKE '%%' ",
                            QStringList{"Anna Jansen", "Dan Jansen", "Jo Smith", "Johan Bakker", "Sean O'Brien"});
        TestSupport::addRow("apostrophe, any case", "name|0|sean o'brien", "WHERE Name = 'sean o''brien' ",
                            QStringList{"Sean O'Brien"});
        TestSupport::addRow("ends with trims", "name|3|brien", "WHERE TRIM(Name) LIKE '%brien' ",
                            QStringList{"Sean O'Brien"});
        TestSupport::addRow("between is exclusive", "date|1|30/12/1979|01/01/1980",
                            "WHERE Dateofbirth > #12/30/1979# AND Dateofbirth < #01/01/1980# ",
                            QStringList{"Anna Jansen"});
        TestSupport::addRow("year first", "format|yyyy/mm/dd;date|0|1979/12/31", "WHERE Dateofbirth = #12/31/1979# ",
                            QStringList{"Anna Jansen"});
        TestSupport::addRow("month first, before", "format|mm/dd/yyyy;date|2|01/01/1980",
                            "WHERE Dateofbirth < #01/01/1980# ", QStringList{"Anna Jansen", "Dan Jansen"});
        TestSupport::addRow("filled in", "date|4;address|4|", "WHERE Dateofbirth IS NOT NULL AND Address <> '' ",
                            QStringList{"Anna Jansen", "Johan Bakker"});
        TestSupport::addRow("e-mail filled in", "email|4|",
                            "WHERE EXISTS (SELECT Email.Contactnr FROM Email WHERE Email.Contactnr = "
                            "Person.Contactnr AND Email <> '') ",
                            QStringList{"Anna Jansen", "Jo Smith"});
        TestSupport::addRow("e-mail joined once per person", "email|3|.example", "AND TRIM(Email) LIKE '%.example' ",
                            QStringList{"Anna Jansen", "Jo Smith"});
        TestSupport::addRow("address begins", "address|2|Harb", "WHERE Address LIKE 'Harb%' ",
                            QStringList{"Johan Bakker"});
        // The list itself checks a phone criterion (each operator: see the main window's list
        // rules); two matching numbers list the person once.
        TestSupport::addRow("phone begins, punctuation ignored", "phone|2| 0471 ", "", QStringList{"Anna Jansen"});
        TestSupport::addRow("phone with other criteria", "phone|2|0471;email|1|anna;name|1|Jan",
                            "AND TRIM(Email) LIKE '%anna%' AND Name LIKE '%Jan%' ", QStringList{"Anna Jansen"});
        const QString invalid = "<invalid date>";
        TestSupport::addRow("31 February", "name|1|an;date|0|31/02/2000", invalid, nothing);
        TestSupport::addRow("partly typed, filled in", "name|1|an;date|4|12/__/____", invalid, nothing);
        TestSupport::addRow("short year", "name|1|an;date|0|12/10/19__", invalid, nothing);
        TestSupport::addRow("hidden second box", "name|1|an;date|0||99/99/9999", invalid, nothing);
        TestSupport::addRow("month 13 year first", "format|yyyy/mm/dd;name|1|an;date|0|2000/13/01", invalid, nothing);
        // The editor refuses these years too: one rule for both.
        TestSupport::addRow("year 99", "name|1|an;date|2|31/12/0099", invalid, nothing);
        TestSupport::addRow("year 1", "name|1|an;date|3|01/01/0001", invalid, nothing);
        TestSupport::addRow("between without its end", "name|1|an;date|1|31/12/1979", invalid, nothing);
        TestSupport::addRow("between without its start", "name|1|an;date|1||31/12/1979", invalid, nothing);
    }
    void build()
    {
        auto [criteria, condition] = TestSupport::fetch<QString, QString>("criteria", "condition");
        const SearchBuilder::Criteria c = Make(criteria);
        const SearchBuilder::Search search = SearchBuilder::Build(c);
        QCOMPARE(search.datesValid ? search.condition : "<invalid date>", condition);
        QVERIFY(search.datesValid || search.condition.isEmpty());
        if (search.phoneActive) {
            QCOMPARE(search.phoneOperator, c.phone.op);
            QCOMPARE(search.phoneText, c.phone.text.trimmed());
        }
        QTEST(search.InForce() ? namesFound(search) : QStringList{"<nothing>"}, "found");
    }

    // Birthdays without a year are found by a range of days, never by a date with a year; the organisation
    // and title have criteria of their own, which a file without them meets for nobody.
    void beyondTheTables_data()
    {
        TestSupport::addColumns<QString, QStringList>("criteria", "found");
        TestSupport::addRow("between two days", "details|birthdays;date|1|31/03/1970|01/05/1970",
                            QStringList{"Eva Ek"});
        TestSupport::addRow("between across the new year", "details|birthdays;date|1|30/12/1979|02/01/1980",
                            QStringList{"Anna Jansen", "Finn Berg", "Johan Bakker"});
        TestSupport::addRow(
            "between for years", "details|birthdays;date|1|01/01/1900|01/01/2000",
            QStringList{"Anna Jansen", "Dan Jansen", "Eva Ek", "Finn Berg", "Jo Smith", "Johan Bakker"});
        TestSupport::addRow("a date with a year", "details|birthdays;date|0|14/04/1970", QStringList{});
        TestSupport::addRow(
            "filled in", "details|birthdays;date|4",
            QStringList{"Anna Jansen", "Dan Jansen", "Eva Ek", "Finn Berg", "Jo Smith", "Johan Bakker"});
        TestSupport::addRow("organisation contains", "details;organisation|1|sons", QStringList{"Eva Ek"});
        TestSupport::addRow("organisation filled in", "details;organisation|4|", QStringList{"Eva Ek", "Finn Berg"});
        TestSupport::addRow("title begins, name contains", "details;title|2|eng;name|1|e", QStringList{"Eva Ek"});
        TestSupport::addRow("a file without them", "organisation|1|sons", QStringList{});
    }
    void beyondTheTables()
    {
        auto [criteria] = TestSupport::fetch<QString>("criteria");
        runSql("DELETE FROM Person WHERE Contactnr IN (6, 7)"); // a row that failed leaves them
        addPersons({{6, "Eva Ek"}, {7, "Finn Berg"}});
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday, Organisation, Title) "
               "VALUES (6, '--04-14', 'Ek & Sons', 'Engineer'), (7, '--12-31', 'Berg AB', Null)");
        const SearchBuilder::Search search = SearchBuilder::Build(Make(criteria));
        QVERIFY(search.datesValid && search.InForce());
        QTEST(namesFound(search), "found");
        runSql("DELETE FROM Person WHERE Contactnr IN (6, 7)");
    }

    void monthDaysBetween_data()
    {
        TestSupport::addColumns<QDate, QDate, QStringList>("after", "before", "days");
        TestSupport::addRow("next day: none between", QDate(2023, 4, 13), QDate(2023, 4, 14), QStringList{});
        TestSupport::addRow("one day", QDate(2023, 4, 13), QDate(2023, 4, 15), QStringList{"--04-14"});
        TestSupport::addRow("over February of a leap year", QDate(2024, 2, 27), QDate(2024, 3, 2),
                            QStringList{"--02-28", "--02-29", "--03-01"});
        TestSupport::addRow("over the new year", QDate(2023, 12, 30), QDate(2024, 1, 2),
                            QStringList{"--12-31", "--01-01"});
        TestSupport::addRow("the wrong way round", QDate(2024, 1, 2), QDate(2023, 12, 30), QStringList{});
    }
    void monthDaysBetween()
    {
        auto [after, before] = TestSupport::fetch<QDate, QDate>("after", "before");
        QTEST(SearchBuilder::MonthDaysBetween(after, before), "days");
        // A range of a year or more holds every day a birthday can fall on.
        QCOMPARE(SearchBuilder::MonthDaysBetween(QDate(2001, 1, 1), QDate(2002, 6, 1)).size(), 366);
    }
};

ADDRION_TEST_MAIN(TestSearchBuilder)
#include "tst_searchbuilder.moc"
