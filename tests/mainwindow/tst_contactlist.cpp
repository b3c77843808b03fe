#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/modList.h"
#include "search/modSearch.h"

using modList::ListQuery;

Q_DECLARE_METATYPE(ListQuery)

namespace {

// The classes the quick search widens letters into.
const QString kA = QString::fromUtf8("[aàáâãäå]");
const QString kE = QString::fromUtf8("[eèéêë]");
const QString kI = QString::fromUtf8("[iìíîï]");
const QString kN = QString::fromUtf8("[nñ]");
const QString kO = QString::fromUtf8("[oðòóôõöø]");
const QString kU = QString::fromUtf8("[uùúûü]");

ListQuery Query(const QString& quickSearch, bool pressed = false, const QString& condition = QString())
{
    ListQuery query;
    query.quickSearch = quickSearch;
    query.searchPressed = pressed;
    query.searchCondition = condition;
    return query;
}

ListQuery EmailQuery(const QString& quickSearch, const QString& condition)
{
    ListQuery query = Query(quickSearch, true, condition);
    query.emailSearchActive = true;
    return query;
}

ListQuery PhoneQuery(const QString& quickSearch, int op, const QString& text, const QString& condition = QString(),
                     bool email = false)
{
    ListQuery query = Query(quickSearch, true, condition);
    query.phoneSearchActive = true;
    query.phoneSearchOperator = op;
    query.phoneSearchText = text;
    query.emailSearchActive = email;
    return query;
}

QStringList Names(const modList::ContactList& list)
{
    QStringList names;
    for (const modList::ContactRow& row : list.rows)
        names << row.name;
    return names;
}

QStringList Sorted(QStringList names)
{
    names.sort();
    return names;
}

} // namespace

class TestContactList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPlatform m_platform;
    QString m_people;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_people = m_dir.filePath("people.mdb");
        QVERIFY(modDatabase::NewDatabase(m_people));
        addPersons({{1, "José Álvarez", QDate(1980, 3, 15), {}, {"jose@mail.test|"}},
                    {2, "Jose Ruiz", {}, {"+32 471 12 34 56|"}},
                    {3,
                     "Anna Bell  ",
                     {},
                     {"0471 12 34 56|Mobile", "(0471) 99-88-77|"},
                     {"anna@example.org|", "a.bell@example.org|"},
                     "Main Street 1"},
                    {4, "Bob O'Brien", QDate(1970, 12, 31), {"0471/555|", "012 345|Home"}},
                    {5, "Kim Ahn"},
                    {6, "René Roux"},
                    {7, "Zoltan Kiss"}});
        modDatabase::CloseDatabase(false);
    }
    void init()
    {
        modSearch::ClearSearch();
        if (!modDatabase::IsDatabaseOpen() || modDatabase::DatabaseConnection().DataSource() != m_people)
            QVERIFY(modDatabase::OpenDatabase(m_people));
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    void phoneMatches_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("op");
        QTest::addColumn<bool>("matches");
        TestSupport::addRow("equal, formatting ignored", "(0471) 12-34 56", "0471123456", 0, true);
        TestSupport::addRow("equal, longer number", "0471 12 34 567", "0471 12 34 56", 0, false);
        TestSupport::addRow("contains", "+32 471 12 34 56", "12 34", 1, true);
        TestSupport::addRow("contains not", "+32 471 12 34 56", "4321", 1, false);
        TestSupport::addRow("begins with", "0471/12.34.56", "0471", 2, true);
        TestSupport::addRow("begins with, prefix differs", "+32 471 12 34 56", "0471", 2, false);
        TestSupport::addRow("begins with, number shorter", "04", "0471", 2, false);
        TestSupport::addRow("ends with", "+32 471 12 34 56", "3456", 3, true);
        TestSupport::addRow("ends with not", "+32 471 12 34 56", "3455", 3, false);
        TestSupport::addRow("ends with, number shorter", "56", "3456", 3, false);
        TestSupport::addRow("operator 4", "0471", "0471", 4, false);
        TestSupport::addRow("operator -1", "0471", "0471", -1, false);
    }
    void phoneMatches()
    {
        QFETCH(QString, number);
        QFETCH(QString, search);
        QFETCH(int, op);
        QTEST(modList::PhoneMatches(number, search, op), "matches");
    }

    void quickSearchWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("accent folded and widened") << QString::fromUtf8("José") << QStringList{"J" + kO + "s" + kE};
        QTest::newRow("plain letters widened") << "jose" << QStringList{"j" + kO + "s" + kE};
        QTest::newRow("two words") << "kim ahn" << QStringList{"k" + kI + "m", kA + "h" + kN};
        QTest::newRow("doubled blank") << "b  x" << QStringList{"b", "", "[x×]"};
        QTest::newRow("outer blanks trimmed") << "  b  " << QStringList{"b"};
        QTest::newRow("apostrophe doubled") << "d'b" << QStringList{"d''b"};
        QTest::newRow("only blanks") << "   " << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void quickSearchWords()
    {
        QFETCH(QString, text);
        QTEST(modList::QuickSearchWords(text), "words");
    }

    // A file converted from the old two-name layout has its name column last; the list
    // finds it by name, also from the "SELECT *" of a search.
    void nameColumnAnywhere_data()
    {
        QTest::addColumn<bool>("searchMode");
        QTest::newRow("normal") << false;
        QTest::newRow("search") << true;
    }
    void nameColumnAnywhere()
    {
        QFETCH(bool, searchMode);
        const QString converted = m_dir.filePath("converted.mdb");
        QFile::remove(converted);
        Engine::CreateDatabaseFile(converted);
        {
            Engine::Connection connection;
            connection.Open(converted);
            connection.Execute("CREATE TABLE Person (Contactnr SMALLINT, Dateofbirth DATE, Address MEMO, [Note] MEMO, "
                               "Name CHAR(100), CONSTRAINT ContactPK PRIMARY KEY(Contactnr))");
            connection.Execute("INSERT INTO Person (Contactnr, Name) VALUES (3, 'Zoe')");
            connection.Execute("INSERT INTO Person (Contactnr, Name) VALUES (8, 'Adam')");
        }
        QVERIFY(modDatabase::OpenDatabase(converted));
        const modList::ContactList list =
            modList::QueryContactList(searchMode ? Query("", true, "WHERE Name LIKE '%a%' ") : Query(""));
        modDatabase::CloseDatabase(false);
        QCOMPARE(list.rows.size(), searchMode ? size_t(1) : size_t(2));
        QCOMPARE(list.rows.front().name, QString("Adam"));
        QCOMPARE(list.rows.front().contactnr, qint16(8));
    }

    // Þ and þ fold to p; p's class finds them again, whichever form is typed.
    void thornFindsItself_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("capital thorn") << QString::fromUtf8("Þór");
        QTest::newRow("small thorn") << QString::fromUtf8("þór");
        QTest::newRow("plain p") << "por";
    }
    void thornFindsItself()
    {
        QFETCH(QString, typed);
        runSql(QString::fromUtf8("INSERT INTO Person (Contactnr, Name) VALUES (99, 'Þórunn Jónsdóttir')"));
        const QStringList names = Names(modList::QueryContactList(Query(typed)));
        runSql("DELETE FROM Person WHERE Contactnr = 99");
        QCOMPARE(names, QStringList{QString::fromUtf8("Þórunn Jónsdóttir")});
    }

    void fill_data()
    {
        QTest::addColumn<ListQuery>("query");
        QTest::addColumn<QStringList>("names");

        const QStringList everybody{"Anna Bell", "Bob O'Brien", "José Álvarez", "Jose Ruiz",
                                    "Kim Ahn",   "René Roux",   "Zoltan Kiss"};
        QTest::newRow("everybody") << Query("") << everybody;
        QTest::newRow("jose finds José") << Query("jose") << QStringList{"José Álvarez", "Jose Ruiz"};
        QTest::newRow("capital accent") << Query(QString::fromUtf8("JOSÉ")) << QStringList{"José Álvarez", "Jose Ruiz"};
        TestSupport::addRow("é finds e and é", Query(QString::fromUtf8("é")),
                            QStringList{"Anna Bell", "Bob O'Brien", "José Álvarez", "Jose Ruiz", "René Roux"});
        QTest::newRow("e finds é") << Query("rene") << QStringList{"René Roux"};
        QTest::newRow("two words") << Query("bell ann") << QStringList{"Anna Bell"};
        QTest::newRow("two words, other order") << Query("ahn kim") << QStringList{"Kim Ahn"};
        QTest::newRow("two words, not both") << Query("kim bell") << QStringList{};
        QTest::newRow("doubled blank") << Query("jose  ruiz") << QStringList{"Jose Ruiz"};
        QTest::newRow("apostrophe") << Query("o'b") << QStringList{"Bob O'Brien"};
        QTest::newRow("outer blanks") << Query("  bob ") << QStringList{"Bob O'Brien"};
        QTest::newRow("padded name") << Query("bell ") << QStringList{"Anna Bell"};
        QTest::newRow("nobody") << Query("xyz") << QStringList{};

        TestSupport::addRow("search", Query("", true, "WHERE Name LIKE '%o%' "),
                            QStringList{"Bob O'Brien", "José Álvarez", "Jose Ruiz", "René Roux", "Zoltan Kiss"});
        QTest::newRow("search narrowed") << Query("ru", true, "WHERE Name LIKE '%o%' ") << QStringList{"Jose Ruiz"};
        QTest::newRow("search released") << Query("", false, "WHERE Name LIKE '%o%' ") << everybody;
        QTest::newRow("search pressed without criteria") << Query("", true) << everybody;
        ListQuery released = PhoneQuery("", 0, "1");
        released.searchPressed = false;
        QTest::newRow("phone search released") << released << everybody;
        TestSupport::addRow("search by date", Query("", true, "WHERE Dateofbirth > #1/1/1975# "),
                            QStringList{"José Álvarez"});
        TestSupport::addRow("search by email, each person once", EmailQuery("", "AND TRIM(Email) LIKE '%example%' "),
                            QStringList{"Anna Bell"});
        QTest::newRow("search by email, narrowed") << EmailQuery("kim", "AND TRIM(Email) LIKE '%e%' ") << QStringList{};

        TestSupport::addRow("phone begins with 0471", PhoneQuery("", modSearch::PhoneBeginsWith, "0471"),
                            QStringList{"Anna Bell", "Bob O'Brien"});
        TestSupport::addRow("phone equal with prefix", PhoneQuery("", modSearch::PhoneEqual, "+32 (471) 123456"),
                            QStringList{"Jose Ruiz"});
        TestSupport::addRow("phone contains", PhoneQuery("", modSearch::PhoneContains, "34-56"),
                            QStringList{"Anna Bell", "Jose Ruiz"});
        TestSupport::addRow("phone ends with", PhoneQuery("", modSearch::PhoneEndsWith, "345"),
                            QStringList{"Bob O'Brien"});
        QTest::newRow("phone, unknown operator") << PhoneQuery("", 9, "0471") << QStringList{};
        QTest::newRow("phone, nobody") << PhoneQuery("", modSearch::PhoneEqual, "999") << QStringList{};
        TestSupport::addRow("phone and condition",
                            PhoneQuery("", modSearch::PhoneBeginsWith, "0471", "AND Name LIKE 'Bob%' "),
                            QStringList{"Bob O'Brien"});
        TestSupport::addRow(
            "phone and email",
            PhoneQuery("", modSearch::PhoneBeginsWith, "0471", "AND TRIM(Email) LIKE '%example%' ", true),
            QStringList{"Anna Bell"});
        TestSupport::addRow("phone and quick search", PhoneQuery("bob", modSearch::PhoneBeginsWith, "0471"),
                            QStringList{"Bob O'Brien"});
    }
    void fill()
    {
        QFETCH(ListQuery, query);
        QFETCH(QStringList, names);
        const modList::ContactList list = modList::QueryContactList(query);
        // The engine's collation decides the order; here only who is listed matters.
        QCOMPARE(Sorted(Names(list)), Sorted(names));
        QCOMPARE(list.numberOfPersons, 7);
        QCOMPARE(modList::CountText(list), QString::number(names.size()) + "/7");
        for (const modList::ContactRow& row : list.rows) {
            const QString key = QString("SELECT Name FROM Person WHERE Contactnr = %1").arg(row.contactnr);
            QCOMPARE(modSql::OpenRecordset(key).Fields("Name").toString().trimmed(), row.name);
        }
    }

    void rowsComeInNameOrder()
    {
        const QStringList names = Names(modList::QueryContactList(Query("i")));
        QCOMPARE(names.first(), QStringLiteral("Bob O'Brien"));
        QCOMPARE(names.last(), QStringLiteral("Zoltan Kiss"));
        const QStringList search = Names(modList::QueryContactList(Query("", true, "WHERE Name LIKE '%a%' ")));
        QCOMPARE(search.first(), QStringLiteral("Anna Bell"));
        QCOMPARE(search.last(), QStringLiteral("Zoltan Kiss"));
    }
};

ADDRION_TEST_MAIN(TestContactList)
#include "tst_contactlist.moc"
