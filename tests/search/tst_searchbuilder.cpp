#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/modList.h"
#include "search/SearchBuilder.h"

using SearchBuilder::Criteria;

Q_DECLARE_METATYPE(SearchBuilder::Criteria)

namespace {

Criteria Blank(const QString& dateFormat = QStringLiteral("dd/mm/yyyy"))
{
    Criteria criteria;
    criteria.dateFormat = dateFormat;
    criteria.date1 = dateFormat == QLatin1String("yyyy/mm/dd") ? "____/__/__" : "__/__/____";
    criteria.date2 = criteria.date1;
    return criteria;
}

} // namespace

class TestSearchBuilder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

    QStringList namesFound(const SearchBuilder::Search& search)
    {
        modList::ListQuery query;
        query.searchPressed = true;
        query.searchCondition = search.condition;
        query.phoneSearchActive = search.phoneActive;
        query.phoneSearchOperator = search.phoneOperator;
        query.phoneSearchText = search.phoneText;
        query.emailSearchActive = search.emailActive;
        QStringList names;
        for (const modList::ContactRow& row : modList::QueryContactList(query).rows)
            names << row.name;
        return names;
    }

private slots:
    void initTestCase()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("search.mdb")));
        const QStringList statements{
            "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES (1, 'Anna Jansen', "
            "#12/31/1979#, 'Main Street 1', 'likes x-rays')",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth, Address) VALUES (2, 'Johan Bakker', #1/1/1980#, "
            "'Harbour 2')",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (3, 'Jo Smith', #6/15/1985#)",
            "INSERT INTO Person (Contactnr, Name) VALUES (4, 'Sean O''Brien')",
            "INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (5, 'Dan Jansen', #12/30/1979#)",
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 1, '0471 12 34', '')",
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 2, '(0471) 99-88', '')",
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (2, 1, '+32 471 55 66', '')",
            "INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (3, 1, '020-555', '')",
            "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 1, 'anna@mail.example', '')",
            "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 1, 'jo@mail.example', '')",
            "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (3, 2, 'jo@work.example', '')",
        };
        for (const QString& statement : statements)
            modSql::ExecuteSql(statement);
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    void conditions_data()
    {
        QTest::addColumn<Criteria>("criteria");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QStringList>("found");

        Criteria c = Blank();
        c.name = {1, "an"};
        c.dateOp = 3;
        c.date1 = "31/12/1979";
        TestSupport::addRow("name contains, born after", c, "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# ",
                            QStringList{"Johan Bakker"});

        c = Blank();
        c.email = {1, "mail"};
        c.name = {2, "Jo"};
        TestSupport::addRow("e-mail contains, name begins", c, "AND TRIM(Email) LIKE '%mail%' AND Name LIKE 'Jo%' ",
                            QStringList{"Jo Smith"});

        c = Blank();
        c.phone = {4, ""};
        c.note = {0, "x"};
        TestSupport::addRow(
            "phone filled in, note contains", c,
            "WHERE EXISTS (SELECT Phone.Contactnr FROM Phone WHERE Phone.Contactnr = Person.Contactnr AND Number "
            "<> '') AND Note LIKE '%x%' ",
            QStringList{"Anna Jansen"});

        c = Blank();
        c.name = {0, "   "};
        QTest::newRow("blanks equal") << c << "WHERE Name = '' " << QStringList{};
        c.name = {1, "   "};
        TestSupport::addRow("blanks contain", c, "WHERE Name LIKE '%%' ",
                            QStringList{"Anna Jansen", "Dan Jansen", "Jo Smith", "Johan Bakker", "Sean O'Brien"});
        c.name = {0, "sean o'brien"};
        QTest::newRow("apostrophe, any case") << c << "WHERE Name = 'sean o''brien' " << QStringList{"Sean O'Brien"};
        c.name = {3, "brien"};
        QTest::newRow("ends with trims") << c << "WHERE TRIM(Name) LIKE '%brien' " << QStringList{"Sean O'Brien"};

        c = Blank();
        c.dateOp = 1;
        c.date1 = "30/12/1979";
        c.date2 = "01/01/1980";
        TestSupport::addRow("between is exclusive", c,
                            "WHERE Dateofbirth > #12/30/1979# AND Dateofbirth < #01/01/1980# ",
                            QStringList{"Anna Jansen"});

        c = Blank("yyyy/mm/dd");
        c.dateOp = 0;
        c.date1 = "1979/12/31";
        QTest::newRow("year first") << c << "WHERE Dateofbirth = #12/31/1979# " << QStringList{"Anna Jansen"};
        c = Blank("mm/dd/yyyy");
        c.dateOp = 2;
        c.date1 = "01/01/1980";
        TestSupport::addRow("month first, before", c, "WHERE Dateofbirth < #01/01/1980# ",
                            QStringList{"Anna Jansen", "Dan Jansen"});

        c = Blank();
        c.dateOp = 4;
        c.address = {4, ""};
        TestSupport::addRow("filled in", c, "WHERE Dateofbirth IS NOT NULL AND Address <> '' ",
                            QStringList{"Anna Jansen", "Johan Bakker"});
        c = Blank();
        c.email = {4, ""};
        TestSupport::addRow(
            "e-mail filled in", c,
            "WHERE EXISTS (SELECT Email.Contactnr FROM Email WHERE Email.Contactnr = Person.Contactnr AND Email "
            "<> '') ",
            QStringList{"Anna Jansen", "Jo Smith"});
        c = Blank();
        c.email = {3, ".example"};
        TestSupport::addRow("e-mail joined once per person", c, "AND TRIM(Email) LIKE '%.example' ",
                            QStringList{"Anna Jansen", "Jo Smith"});
        c = Blank();
        c.address = {2, "Harb"};
        QTest::newRow("address begins") << c << "WHERE Address LIKE 'Harb%' " << QStringList{"Johan Bakker"};
    }
    void conditions()
    {
        QFETCH(Criteria, criteria);
        QFETCH(QString, condition);
        const SearchBuilder::Search search = SearchBuilder::Build(criteria);
        QVERIFY(search.datesValid);
        QCOMPARE(search.condition, condition);
        if (search.InForce())
            QTEST(namesFound(search), "found");
    }

    void phoneCriterion_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        // Two matching numbers still list the person once.
        QTest::newRow("begins with ignores punctuation") << 2 << "0471" << QStringList{"Anna Jansen"};
        QTest::newRow("international prefix differs") << 2 << "32471" << QStringList{"Johan Bakker"};
        QTest::newRow("contains") << 1 << "471" << QStringList{"Anna Jansen", "Johan Bakker"};
        QTest::newRow("ends with") << 3 << "555" << QStringList{"Jo Smith"};
        QTest::newRow("equal") << 0 << "020 555" << QStringList{"Jo Smith"};
        QTest::newRow("nobody") << 0 << "999" << QStringList{};
    }
    void phoneCriterion()
    {
        QFETCH(int, op);
        QFETCH(QString, text);
        Criteria c = Blank();
        c.phone = {op, " " + text + " "};
        const SearchBuilder::Search search = SearchBuilder::Build(c);
        QVERIFY(search.condition.isEmpty());
        QVERIFY(search.phoneActive);
        QCOMPARE(search.phoneOperator, op);
        QCOMPARE(search.phoneText, text);
        QTEST(namesFound(search), "found");
    }

    void phoneWithOtherCriteria()
    {
        Criteria c = Blank();
        c.phone = {2, "0471"};
        c.email = {1, "anna"};
        c.name = {1, "Jan"};
        const SearchBuilder::Search search = SearchBuilder::Build(c);
        QCOMPARE(search.condition, QString("AND TRIM(Email) LIKE '%anna%' AND Name LIKE '%Jan%' "));
        QCOMPARE(namesFound(search), QStringList{"Anna Jansen"});
    }

    void invalidDates_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("dateOp");
        QTest::addColumn<QString>("date1");
        QTest::addColumn<QString>("date2");
        TestSupport::addRow("31 February", "dd/mm/yyyy", 0, "31/02/2000", "__/__/____");
        TestSupport::addRow("partly typed, filled in", "dd/mm/yyyy", 4, "12/__/____", "__/__/____");
        TestSupport::addRow("short year", "dd/mm/yyyy", 0, "12/10/19__", "__/__/____");
        TestSupport::addRow("hidden second box", "dd/mm/yyyy", 0, "__/__/____", "99/99/9999");
        TestSupport::addRow("month 13 year first", "yyyy/mm/dd", 0, "2000/13/01", "____/__/__");
        // The editor refuses these years too: one rule for both.
        TestSupport::addRow("year 99", "dd/mm/yyyy", 2, "31/12/0099", "__/__/____");
        TestSupport::addRow("year 1", "dd/mm/yyyy", 3, "01/01/0001", "__/__/____");
        TestSupport::addRow("between without its end", "dd/mm/yyyy", 1, "31/12/1979", "__/__/____");
        TestSupport::addRow("between without its start", "dd/mm/yyyy", 1, "__/__/____", "31/12/1979");
    }
    void invalidDates()
    {
        QFETCH(QString, format);
        QFETCH(int, dateOp);
        QFETCH(QString, date1);
        QFETCH(QString, date2);
        Criteria c = Blank(format);
        c.name = {1, "an"};
        c.dateOp = dateOp;
        c.date1 = date1;
        c.date2 = date2;
        const SearchBuilder::Search search = SearchBuilder::Build(c);
        QVERIFY(!search.datesValid);
        QVERIFY(search.condition.isEmpty());
    }

    void nothingTyped()
    {
        const SearchBuilder::Search search = SearchBuilder::Build(Blank());
        QVERIFY(search.datesValid);
        QVERIFY(!search.InForce());
    }

    void reordering_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("monthDayYear");
        TestSupport::addRow("day first", "31/12/1979", "dd/mm/yyyy", "12/31/1979");
        TestSupport::addRow("month first", "12/31/1979", "mm/dd/yyyy", "12/31/1979");
        TestSupport::addRow("year first", "1979/12/31", "yyyy/mm/dd", "12/31/1979");
        TestSupport::addRow("partial", "12//", "dd/mm/yyyy", "/12/");
    }
    void reordering()
    {
        QFETCH(QString, typed);
        QFETCH(QString, format);
        QTEST(SearchBuilder::ToMonthDayYear(typed, format), "monthDayYear");
    }
};

ADDRION_TEST_MAIN(TestSearchBuilder)
#include "tst_searchbuilder.moc"
