// Every SQL statement the program sends to the engine, built from the same pieces the
// program joins (each ending in a blank), run unchanged against a sample database, with
// the rows it must give.

#include "DatabaseFixture.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modPersonUid.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

struct SampleEntry
{
    QString value; // number or address
    QString description;
};

struct SamplePerson
{
    int number;
    QString name;
    QString date; // as written into the statement: #m/d/yyyy# or Null
    QString address;
    QString note;
    QList<SampleEntry> phones;
    QList<SampleEntry> emails;
};

// The sample address book: accents, an apostrophe, names in lower case, no date of birth,
// a leap-day birthday and two birthdays on the same day.
const QList<SamplePerson>& Sample()
{
    static const QList<SamplePerson> persons{
        {1,
         "Anna Schmidt",
         "#3/14/1980#",
         "Hauptstraße 1\nBerlin",
         "Likes jazz & blues",
         {{"0471 12 34 56", "Mobile"}, {"+32 471 99 88", "Work"}},
         {{"anna@mail.example", "Private"}, {"anna.schmidt@mail.example", ""}}},
        {2, "Patrick O'Brien", "Null", "", "", {{"(0471) 555-000", ""}}, {{"pob@mail.example", ""}}},
        {3, "Émile Zola", "#4/2/1840#", "Paris", "writer", {{"01 23 45", "Home"}}, {}},
        {4, "Ärger Max", "#12/31/1979#", "", "", {}, {}},
        {5, "bob Jones", "#1/1/1990#", "", "", {}, {{"BOB@example.org", "Home"}}},
        {6,
         "José García",
         "#12/24/1975#",
         "Calle Mayor 5",
         "see http://example.org",
         {{"0912", ""}},
         {{"jose@mail.example", ""}}},
        {7, "Zoë Quinn", "Null", "", "", {}, {}},
        {8, "Lea Leap", "#2/29/1996#", "", "", {}, {}},
        {9, "Adam Day", "#12/24/1990#", "", "", {}, {}},
    };
    return persons;
}

QString Quote(const QString& text)
{
    QString quoted = text;
    return quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
}

// The statements of a save, as the contact editor builds them.
QString PersonInsert(const SamplePerson& p)
{
    return QStringLiteral("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) ") + "VALUES(" +
           QString::number(p.number) + ", '" + Quote(p.name) + "', " + p.date + ", '" + Quote(p.address) + "', '" +
           Quote(p.note) + "') ";
}

QString PhoneInsert(int number, int order, const SampleEntry& entry)
{
    return QStringLiteral("INSERT INTO Phone(ContactNr, [Order], [Number], Description) ") + "VALUES(" +
           QString::number(number) + ", " + QString::number(order) + ", '" + Quote(entry.value) + "', '" +
           Quote(entry.description) + "') ";
}

QString EmailInsert(int number, int order, const SampleEntry& entry)
{
    return QStringLiteral("INSERT INTO Email(ContactNr, [Order], Email, Description) ") + "VALUES(" +
           QString::number(number) + ", " + QString::number(order) + ", '" + Quote(entry.value) + "', '" +
           Quote(entry.description) + "') ";
}

// The quick search's condition for its words (already folded, widened to accent classes
// and quoted, as the contact list does before it builds the text).
QString QuickSearch(const QStringList& words)
{
    QString sql;
    for (const QString& word : words)
        sql += "AND TRIM(Name) LIKE '%" + word + "%' ";
    return sql;
}

// The rows of a result, each as its fields' trimmed texts joined by "|".
QStringList Rows(Engine::Recordset rs, const QStringList& fields)
{
    QStringList rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        for (const QString& field : fields)
            values << rs.Fields(field).toString().trimmed();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

const QStringList Everybody{"Adam Day",    "Anna Schmidt", "Ärger Max",       "bob Jones", "Émile Zola",
                            "José García", "Lea Leap",     "Patrick O'Brien", "Zoë Quinn"};

} // namespace

class TestStatements : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void schema();
    void savedValues();
    void freeNumber();
    void personCount();
    void nameLists_data();
    void nameLists();
    void rows_data();
    void rows();
    void personDetails();
    void saveExistingPerson();
    void saveExistingPersonWithEmptyLists();
    void removePerson();
    void reminder_data();
    void reminder();
    void upgrade_data();
    void upgrade();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Engine::Connection> m_db;
};

void TestStatements::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString file = m_dir->filePath("Addrion.mdb");
    m_db = std::make_unique<Engine::Connection>();
    EngineTest::createDatabase(*m_db, file);
    // The program's own table beside them, as every file it opens writable has it.
    for (const QString& statement : modPersonUid::CreateStatements())
        m_db->Execute(statement);
    // Saving new persons: the person, then its phones, then its e-mails.
    for (const SamplePerson& person : Sample()) {
        m_db->Execute(PersonInsert(person));
        for (int i = 0; i < person.phones.size(); ++i)
            m_db->Execute(PhoneInsert(person.number, i + 1, person.phones[i]));
        for (int i = 0; i < person.emails.size(); ++i)
            m_db->Execute(EmailInsert(person.number, i + 1, person.emails[i]));
    }
}

void TestStatements::cleanup()
{
    // Whatever the statements did, every person still has exactly one identity.
    if (m_db && m_db->IsOpen()) {
        Engine::Recordset check = m_db->OpenRecordset(
            "SELECT (SELECT COUNT(*) FROM Person), (SELECT COUNT(*) FROM PersonUid JOIN Person USING (Contactnr)), "
            "(SELECT COUNT(*) FROM PersonUid)");
        QCOMPARE(check.Fields(1).toInt(), check.Fields(0).toInt());
        QCOMPARE(check.Fields(2).toInt(), check.Fields(0).toInt());
    }
    m_db.reset();
    m_dir.reset();
}

void TestStatements::schema()
{
    // What the validation of a file looks at.
    for (const char* table : {"Person", "Phone", "Email"})
        QVERIFY(m_db->TableExists(table));
    QCOMPARE(m_db->ColumnCount("Person"), 5);
    QCOMPARE(m_db->ColumnCount("Phone"), 4);
    QCOMPARE(m_db->ColumnCount("Email"), 4);
    QCOMPARE(m_db->DefinedSize("Phone", "Description"), 100);
    QCOMPARE(m_db->DefinedSize("Person", "Name"), 100);
}

void TestStatements::savedValues()
{
    Engine::Recordset rs = m_db->OpenRecordset("SELECT * FROM Person ORDER BY Contactnr");
    QCOMPARE(rs.RecordCount(), Sample().size());
    for (const SamplePerson& person : Sample()) {
        QCOMPARE(rs.Fields("Contactnr").toInt(), person.number);
        QCOMPARE(rs.Fields("Name").toString().trimmed(), person.name);
        QCOMPARE(rs.Fields("Dateofbirth").isNull(), person.date == "Null");
        QCOMPARE(rs.Fields("Address").toString(), person.address);
        QVERIFY(!rs.Fields("Note").isNull());
        QCOMPARE(rs.Fields("Note").toString(), person.note);
        rs.MoveNext();
    }
    // An entry without description is stored as empty text, not as nothing.
    Engine::Recordset phone = m_db->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 2");
    QVERIFY(!phone.Fields("Description").isNull());
    QCOMPARE(phone.Fields("Description").toString(), QString());
}

void TestStatements::freeNumber()
{
    // The query the lowest free contact number is found with: ascending, whatever the
    // order the persons were saved in.
    const auto numbers = [&] {
        return Rows(m_db->OpenRecordset(QStringLiteral("SELECT ") + "Contactnr" + " " + "FROM " + "Person" + " " +
                                        "ORDER BY " + "Contactnr" + " "),
                    {"Contactnr"});
    };
    QCOMPARE(numbers(), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    m_db->Execute(PersonInsert({12, "Later", "Null", "", "", {}, {}}));
    m_db->Execute(PersonInsert({10, "Earlier", "Null", "", "", {}, {}}));
    m_db->Execute("DELETE FROM Person " + QStringLiteral("WHERE Contactnr = ") + "4");
    QCOMPARE(numbers(), (QStringList{"1", "2", "3", "5", "6", "7", "8", "9", "10", "12"}));
}

void TestStatements::personCount()
{
    Engine::Recordset rs = m_db->OpenRecordset(QStringLiteral("SELECT COUNT(1) AS NumberOfPersons ") + "FROM Person ");
    QCOMPARE(rs.Fields("NumberOfPersons").toInt(), Sample().size());
}

void TestStatements::nameLists_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("names");

    const QString list = QStringLiteral("SELECT Contactnr, Name ") + "FROM Person ";
    const QString search = QStringLiteral("SELECT * ") + "FROM Person ";
    const QString emailSearch = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr, Name ") +
                                "FROM Person, Email " + "WHERE Person.Contactnr = Email.Contactnr ";
    const QString order = QStringLiteral("ORDER BY Name ");

    QTest::newRow("main list fill") << list + order << Everybody;

    // Quick search: the typed words folded and widened to accent classes.
    QTest::newRow("quick search: jose finds José")
        << list + "WHERE 1 = 1 " + QuickSearch({"j[oðòóôõöø]s[eèéêë]"}) + order << QStringList{"José García"};
    QTest::newRow("quick search: é finds e and é")
        << list + "WHERE 1 = 1 " + QuickSearch({"[eèéêë]"}) + order
        << QStringList{"Ärger Max", "bob Jones",       "Émile Zola", "José García",
                       "Lea Leap",  "Patrick O'Brien", "Zoë Quinn"};
    QTest::newRow("quick search: arg finds Ärger")
        << list + "WHERE 1 = 1 " + QuickSearch({"[aàáâãäå]rg"}) + order << QStringList{"Ärger Max"};
    QTest::newRow("quick search: two words")
        << list + "WHERE 1 = 1 " + QuickSearch({"[oðòóôõöø]", "br[iìíîï]"}) + order << QStringList{"Patrick O'Brien"};
    QTest::newRow("quick search: apostrophe")
        << list + "WHERE 1 = 1 " + QuickSearch({"[oðòóôõöø]''b"}) + order << QStringList{"Patrick O'Brien"};
    QTest::newRow("quick search: doubled blank gives an empty word")
        << list + "WHERE 1 = 1 " + QuickSearch({"z[oðòóôõöø]", "", "q[uùúûü]"}) + order << QStringList{"Zoë Quinn"};
    QTest::newRow("quick search: nobody")
        << list + "WHERE 1 = 1 " + QuickSearch({"[x×][yýÿ]z"}) + order << QStringList{};

    // Search conditions, as the search dialog adds them.
    QTest::newRow("name is equal to, apostrophe")
        << search + "WHERE Name = 'patrick o''brien' " + order << QStringList{"Patrick O'Brien"};
    QTest::newRow("name contains") << search + "WHERE Name LIKE '%an%' " + order << QStringList{"Anna Schmidt"};
    QTest::newRow("name begins with") << search + "WHERE Name LIKE 'jo%' " + order << QStringList{"José García"};
    QTest::newRow("name ends with") << search + "WHERE TRIM(Name) LIKE '%n' " + order
                                    << QStringList{"Patrick O'Brien", "Zoë Quinn"};
    QTest::newRow("name is equal to blanks") << search + "WHERE Name = '' " + order << QStringList{};
    QTest::newRow("name contains blanks") << search + "WHERE Name LIKE '%%' " + order << Everybody;
    QTest::newRow("date is equal to") << search + "WHERE Dateofbirth = #3/14/1980# " + order
                                      << QStringList{"Anna Schmidt"};
    QTest::newRow("date between, bounds excluded")
        << search + "WHERE Dateofbirth > #12/31/1979# " + "AND Dateofbirth < #1/1/1990# " + order
        << QStringList{"Anna Schmidt"};
    QTest::newRow("date before") << search + "WHERE Dateofbirth < #1/1/1900# " + order << QStringList{"Émile Zola"};
    QTest::newRow("date after") << search + "WHERE Dateofbirth > #12/31/1979# " + order
                                << QStringList{"Adam Day", "Anna Schmidt", "bob Jones", "Lea Leap"};
    QTest::newRow("date is filled in") << search + "WHERE Dateofbirth IS NOT NULL " + order
                                       << QStringList{"Adam Day",   "Anna Schmidt", "Ärger Max", "bob Jones",
                                                      "Émile Zola", "José García",  "Lea Leap"};
    QTest::newRow("address is equal to") << search + "WHERE Address = 'paris' " + order << QStringList{"Émile Zola"};
    QTest::newRow("address contains") << search + "WHERE Address LIKE '%straße%' " + order
                                      << QStringList{"Anna Schmidt"};
    QTest::newRow("address begins with") << search + "WHERE Address LIKE 'calle%' " + order
                                         << QStringList{"José García"};
    QTest::newRow("address ends with") << search + "WHERE TRIM(Address) LIKE '%berlin' " + order
                                       << QStringList{"Anna Schmidt"};
    QTest::newRow("address is filled in")
        << search + "WHERE Address <> '' " + order << QStringList{"Anna Schmidt", "Émile Zola", "José García"};
    QTest::newRow("note contains") << search + "WHERE Note LIKE '%jazz%' " + order << QStringList{"Anna Schmidt"};
    QTest::newRow("note is filled in") << search + "WHERE Note <> '' " + order
                                       << QStringList{"Anna Schmidt", "Émile Zola", "José García"};
    const QString phoneFilled = "EXISTS (SELECT Phone.Contactnr FROM Phone WHERE Phone.Contactnr = Person.Contactnr "
                                "AND Number <> '')";
    QTest::newRow("phone is filled in") << search + "WHERE " + phoneFilled + " " + order
                                        << QStringList{"Anna Schmidt", "Émile Zola", "José García", "Patrick O'Brien"};
    QTest::newRow("e-mail is filled in")
        << search +
               "WHERE EXISTS (SELECT Email.Contactnr FROM Email WHERE Email.Contactnr = Person.Contactnr "
               "AND Email <> '') " +
               order
        << QStringList{"Anna Schmidt", "bob Jones", "José García", "Patrick O'Brien"};
    QTest::newRow("name contains, date after")
        << search + "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# " + order << QStringList{"Anna Schmidt"};
    QTest::newRow("phone is filled in, note contains")
        << search + "WHERE " + phoneFilled + " AND Note LIKE '%x%' " + order << QStringList{"José García"};
    QTest::newRow("search narrowed by the quick search")
        << search + "WHERE Dateofbirth IS NOT NULL " + QuickSearch({"[aàáâãäå]"}) + order
        << QStringList{"Adam Day", "Anna Schmidt", "Ärger Max", "Émile Zola", "José García", "Lea Leap"};

    // E-mail searches select from persons joined with their e-mails.
    QTest::newRow("e-mail contains, name begins with")
        << emailSearch + "AND TRIM(Email) LIKE '%mail%' AND Name LIKE 'Jo%' " + order << QStringList{"José García"};
    QTest::newRow("e-mail contains, each person once") << emailSearch + "AND TRIM(Email) LIKE '%mail%' " + order
                                                       << QStringList{"Anna Schmidt", "José García", "Patrick O'Brien"};
    QTest::newRow("e-mail is equal to, other case")
        << emailSearch + "AND Email = 'bob@EXAMPLE.org' " + order << QStringList{"bob Jones"};
    QTest::newRow("e-mail begins with") << emailSearch + "AND TRIM(Email) LIKE 'jose%' " + order
                                        << QStringList{"José García"};
    QTest::newRow("e-mail ends with") << emailSearch + "AND TRIM(Email) LIKE '%.org' " + order
                                      << QStringList{"bob Jones"};

    // Phone searches: the matching numbers come back as a list.
    QTest::newRow("phone search result") << search + "WHERE Contactnr IN(2,1) " + order
                                         << QStringList{"Anna Schmidt", "Patrick O'Brien"};
    QTest::newRow("phone search result, numbers listed twice, quick search")
        << search + "WHERE Contactnr IN(1,2,6,1) " + QuickSearch({"[oðòóôõöø]"}) + order
        << QStringList{"José García", "Patrick O'Brien"};
    QTest::newRow("phone search without result") << search + "WHERE 1 = 2 " + order << QStringList{};

    // Export: the choice list and the persons of a text or XHTML export.
    QTest::newRow("export choice list") << QStringLiteral("SELECT * ") + "FROM Person " + order << Everybody;
    QTest::newRow("export persons") << QStringLiteral("SELECT * ") + "FROM Person " +
                                           "WHERE Person.Contactnr IN(6, 1, 5) " + "ORDER BY Name, Person.Contactnr"
                                    << QStringList{"Anna Schmidt", "bob Jones", "José García"};

    // Birthday calendar: one month, by day and then by name.
    const QString calendar =
        QStringLiteral("SELECT Name, Dateofbirth ") + "FROM Person " + "WHERE Month(Dateofbirth) = ";
    const QString calendarOrder = QStringLiteral("ORDER BY Day(Dateofbirth), Name ");
    QTest::newRow("calendar, December") << calendar + "12" + " " + calendarOrder
                                        << QStringList{"Adam Day", "José García", "Ärger Max"};
    QTest::newRow("calendar, February") << calendar + "2" + " " + calendarOrder << QStringList{"Lea Leap"};
    QTest::newRow("calendar, July") << calendar + "7" + " " + calendarOrder << QStringList{};
}

void TestStatements::nameLists()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, names);
    QCOMPARE(Rows(m_db->OpenRecordset(sql), {"Name"}), names);
}

void TestStatements::rows_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("ordered");

    // Phone search: the numbers the program compares digit by digit.
    const QString phoneQuery =
        QStringLiteral("SELECT Contactnr, Number ") + "FROM Phone " + "WHERE Contactnr IN " + "( ";
    const QString inner = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr ") + "FROM Person, Phone " +
                          "WHERE Person.Contactnr = Phone.Contactnr ";
    const QString innerWithEmail = QStringLiteral("SELECT DISTINCT Person.Contactnr AS Contactnr ") +
                                   "FROM Person, Email, Phone " + "WHERE Person.Contactnr = Email.Contactnr " +
                                   "AND Person.Contactnr = Phone.Contactnr ";
    const QStringList allPhones{"1|0471 12 34 56", "1|+32 471 99 88", "2|(0471) 555-000", "3|01 23 45", "6|0912"};
    QTest::newRow("phone search numbers")
        << phoneQuery + inner + ") " << QStringList{"Contactnr", "Number"} << allPhones << false;
    QTest::newRow("phone search numbers with a condition")
        << phoneQuery + inner + "AND Dateofbirth IS NOT NULL " + ") " << QStringList{"Contactnr", "Number"}
        << QStringList{"1|0471 12 34 56", "1|+32 471 99 88", "3|01 23 45", "6|0912"} << false;
    QTest::newRow("phone search numbers with an e-mail condition")
        << phoneQuery + innerWithEmail + "AND TRIM(Email) LIKE '%mail%' " + ") " << QStringList{"Contactnr", "Number"}
        << QStringList{"1|0471 12 34 56", "1|+32 471 99 88", "2|(0471) 555-000", "6|0912"} << false;

    // Export of phones and e-mails, in step with the persons.
    const QString where = QStringLiteral("WHERE Person.Contactnr IN(6, 1, 5) ");
    const QString order = QStringLiteral("ORDER BY Name, Person.Contactnr");
    QTest::newRow("export phones") << QStringLiteral("SELECT Phone.Contactnr, Number, Description ") +
                                          "FROM Phone, Person " + where + "AND Phone.Contactnr = Person.Contactnr " +
                                          order + ", [Order] "
                                   << QStringList{"Contactnr", "Number", "Description"}
                                   << QStringList{"1|0471 12 34 56|Mobile", "1|+32 471 99 88|Work", "6|0912|"} << true;
    QTest::newRow("export e-mails") << QStringLiteral("SELECT Email.Contactnr, Email, Description ") +
                                           "FROM Email, Person " + where + "AND Email.Contactnr = Person.Contactnr " +
                                           order + ", [Order] "
                                    << QStringList{"Contactnr", "Email", "Description"}
                                    << QStringList{"1|anna@mail.example|Private", "1|anna.schmidt@mail.example|",
                                                   "5|BOB@example.org|Home", "6|jose@mail.example|"}
                                    << true;

    // E-mail list window: persons with their first address, and the built address list.
    QTest::newRow("e-mail list persons")
        << QStringLiteral("SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email ") + "FROM Person, Email " +
               "WHERE Person.Contactnr = Email.Contactnr " + "AND Email.Order = 1 " + "ORDER BY Name "
        << QStringList{"Person.Contactnr", "Name", "Order", "Email"}
        << QStringList{"1|Anna Schmidt|1|anna@mail.example", "5|bob Jones|1|BOB@example.org",
                       "6|José García|1|jose@mail.example", "2|Patrick O'Brien|1|pob@mail.example"}
        << true;
    QTest::newRow("e-mail address list") << QStringLiteral("SELECT Email ") + "FROM Person, Email " +
                                                "WHERE Email.Contactnr IN(6, 2, 1) " +
                                                "AND Person.Contactnr = Email.Contactnr " + "AND Email.Order = 1 " +
                                                "ORDER BY Name, Person.Contactnr"
                                         << QStringList{"Email"}
                                         << QStringList{"anna@mail.example", "jose@mail.example", "pob@mail.example"}
                                         << true;

    // Removing a person: the name for the question.
    QTest::newRow("name of the person to remove")
        << QStringLiteral("SELECT Name ") + "FROM Person " + "WHERE Contactnr = " + "2" << QStringList{"Name"}
        << QStringList{"Patrick O'Brien"} << true;
}

void TestStatements::rows()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, rows);
    QFETCH(bool, ordered);
    QStringList actual = Rows(m_db->OpenRecordset(sql), fields);
    if (!ordered) {
        actual.sort();
        rows.sort();
    }
    QCOMPARE(actual, rows);
}

void TestStatements::personDetails()
{
    // The details panel and the editor load a person, its phones and its e-mails.
    const QString person = QStringLiteral("SELECT * ") + "FROM Person " + "WHERE Contactnr = ";
    Engine::Recordset anna = m_db->OpenRecordset(person + "1");
    QCOMPARE(anna.RecordCount(), 1);
    QCOMPARE(anna.Fields("Name").toString().trimmed(), QString("Anna Schmidt"));
    QCOMPARE(anna.Fields("Dateofbirth").toDate(), QDate(1980, 3, 14));
    QCOMPARE(anna.Fields("Address").toString(), QString("Hauptstraße 1\nBerlin"));
    QCOMPARE(anna.Fields("Note").toString(), QString("Likes jazz & blues"));
    const QString number = anna.Fields("Contactnr").toString();

    QCOMPARE(Rows(m_db->OpenRecordset(QStringLiteral("SELECT * ") + "FROM Phone " + "WHERE Contactnr = " + number),
                  {"Order", "Number", "Description"}),
             (QStringList{"1|0471 12 34 56|Mobile", "2|+32 471 99 88|Work"}));
    QCOMPARE(Rows(m_db->OpenRecordset(QStringLiteral("SELECT * ") + "FROM Email " + "WHERE Contactnr = " + number),
                  {"Order", "Email", "Description"}),
             (QStringList{"1|anna@mail.example|Private", "2|anna.schmidt@mail.example|"}));

    Engine::Recordset patrick = m_db->OpenRecordset(person + "2");
    QVERIFY(patrick.Fields("Dateofbirth").isNull());
    QCOMPARE(patrick.Fields("Name").toString().trimmed(), QString("Patrick O'Brien"));
    QCOMPARE(
        m_db->OpenRecordset(QStringLiteral("SELECT * ") + "FROM Phone " + "WHERE Contactnr = " + "7").RecordCount(), 0);

    // The lists carry no ORDER BY: a person's entries come back in their order even when
    // they were written in another one.
    m_db->Execute(PhoneInsert(9, 2, {"222", "second"}));
    m_db->Execute(PhoneInsert(9, 1, {"111", "first"}));
    QCOMPARE(
        Rows(m_db->OpenRecordset(QStringLiteral("SELECT * ") + "FROM Phone " + "WHERE Contactnr = " + "9"), {"Number"}),
        (QStringList{"111", "222"}));
}

void TestStatements::saveExistingPerson()
{
    const QString number = "1";
    m_db->Execute(QStringLiteral("UPDATE Person ") + "SET Name = '" + Quote("Anna Schmidt-O'Neill") + "', " +
                  "Dateofbirth = " + "#6/30/1981#" + ", " + "Address = '" + Quote("Neue Straße 2") + "', " +
                  "[Note] = '" + Quote("it's fine") + "' " + "WHERE Contactnr = " + number + " ");
    m_db->Execute(QStringLiteral("DELETE FROM Phone ") + "WHERE Contactnr = " + number + " ");
    // The entries moved: the work number is first now.
    m_db->Execute(PhoneInsert(1, 1, {"+32 471 99 88", "Work"}));
    m_db->Execute(PhoneInsert(1, 2, {"0471 12 34 56", "Mobile"}));
    m_db->Execute(QStringLiteral("DELETE FROM Email ") + "WHERE Contactnr = " + number + " ");
    m_db->Execute(EmailInsert(1, 1, {"anna@new.example", ""}));

    Engine::Recordset rs = m_db->OpenRecordset("SELECT * FROM Person WHERE Contactnr = 1");
    QCOMPARE(rs.Fields("Name").toString(), QString("Anna Schmidt-O'Neill"));
    QCOMPARE(rs.Fields("Dateofbirth").toDate(), QDate(1981, 6, 30));
    QCOMPARE(rs.Fields("Address").toString(), QString("Neue Straße 2"));
    QCOMPARE(rs.Fields("Note").toString(), QString("it's fine"));
    QCOMPARE(Rows(m_db->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 1"), {"Order", "Number"}),
             (QStringList{"1|+32 471 99 88", "2|0471 12 34 56"}));
    QCOMPARE(Rows(m_db->OpenRecordset("SELECT * FROM Email WHERE Contactnr = 1"), {"Email"}),
             QStringList{"anna@new.example"});

    // Without a date the keyword Null takes the date's place.
    m_db->Execute(QStringLiteral("UPDATE Person ") + "SET Name = 'Anna', " + "Dateofbirth = " + "Null" + ", " +
                  "Address = '', " + "[Note] = '' " + "WHERE Contactnr = 1 ");
    QVERIFY(m_db->OpenRecordset("SELECT * FROM Person WHERE Contactnr = 1").Fields("Dateofbirth").isNull());
}

void TestStatements::saveExistingPersonWithEmptyLists()
{
    m_db->Execute(QStringLiteral("UPDATE Person ") + "SET Name = 'José García', " + "Dateofbirth = #12/24/1975#, " +
                  "Address = 'Calle Mayor 5', " + "[Note] = '' " + "WHERE Contactnr = 6 ");
    m_db->Execute(QStringLiteral("DELETE FROM Phone ") + "WHERE Contactnr = " + "6" + " ");
    m_db->Execute(QStringLiteral("DELETE FROM Email ") + "WHERE Contactnr = " + "6" + " ");
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 6").RecordCount(), 0);
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Email WHERE Contactnr = 6").RecordCount(), 0);
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Phone").RecordCount(), 4);
}

void TestStatements::removePerson()
{
    const QString number = "6";
    // The person goes after its entries; the other way round the relationship refuses it.
    QVERIFY(EngineTest::failureOf(
        [&] { m_db->Execute(QStringLiteral("DELETE FROM Person ") + "WHERE Contactnr = " + number); }));
    m_db->Execute(QStringLiteral("DELETE FROM Phone ") + "WHERE Contactnr = " + number);
    m_db->Execute(QStringLiteral("DELETE FROM Email ") + "WHERE Contactnr = " + number);
    m_db->Execute(QStringLiteral("DELETE FROM Person ") + "WHERE Contactnr = " + number);

    QCOMPARE(m_db->OpenRecordset("SELECT Name FROM Person WHERE Contactnr = 6").RecordCount(), 0);
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 6").RecordCount(), 0);
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Email WHERE Contactnr = 6").RecordCount(), 0);
    QStringList rest = Everybody;
    rest.removeOne("José García");
    QCOMPARE(Rows(m_db->OpenRecordset("SELECT Contactnr, Name FROM Person ORDER BY Name "), {"Name"}), rest);
    QCOMPARE(m_db->OpenRecordset("SELECT * FROM Phone").RecordCount(), 4);
}

void TestStatements::reminder_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("two on Christmas Eve")
        << 12 << 24 << QStringList{"6|José García|1975-12-24", "9|Adam Day|1990-12-24"};
    QTest::newRow("New Year's Eve") << 12 << 31 << QStringList{"4|Ärger Max|1979-12-31"};
    QTest::newRow("leap day") << 2 << 29 << QStringList{"8|Lea Leap|1996-02-29"};
    QTest::newRow("the day before the leap day") << 2 << 28 << QStringList{};
    QTest::newRow("nobody") << 7 << 1 << QStringList{};
}

void TestStatements::reminder()
{
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QStringList, rows);
    Engine::Recordset rs = m_db->OpenRecordset(QStringLiteral("SELECT Contactnr, Name, Dateofbirth ") + "FROM Person " +
                                               "WHERE Month(Dateofbirth) = " + QString::number(month) + " " +
                                               "AND Day(Dateofbirth) = " + QString::number(day) + " " +
                                               "ORDER BY Month(Dateofbirth), Day(Dateofbirth) ");
    QStringList actual;
    for (; !rs.Eof(); rs.MoveNext())
        actual << rs.Fields("Contactnr").toString() + "|" + rs.Fields("Name").toString().trimmed() + "|" +
                      rs.Fields("Dateofbirth").toDate().toString(Qt::ISODate);
    actual.sort();
    QCOMPARE(actual, rows);
}

void TestStatements::upgrade_data()
{
    QTest::addColumn<QString>("update");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("first name first") << QStringLiteral("UPDATE Person ") +
                                             "SET Name = TRIM(TRIM(Firstname) & ' ' & TRIM(Lastname)) "
                                      << QStringList{"1|Anna Berg", "2|Solo", "3|Empty", "4|Mary Ann de la Cruz"};
    QTest::newRow("last name first") << QStringLiteral("UPDATE Person ") +
                                            "SET Name = TRIM(TRIM(Lastname) & ' ' & TRIM(Firstname)) "
                                     << QStringList{"1|Berg Anna", "2|Solo", "3|Empty", "4|de la Cruz Mary Ann"};
}

void TestStatements::upgrade()
{
    QFETCH(QString, update);
    QFETCH(QStringList, names);

    // A file of an old version: two name columns and narrow phone and e-mail texts.
    const QString file = m_dir->filePath("old.mdb");
    Engine::CreateDatabaseFile(file);
    Engine::Connection db;
    db.Open(file);
    db.Execute("CREATE TABLE Person ( Contactnr SMALLINT, Firstname CHAR(50), Lastname CHAR(50), Dateofbirth DATE, "
               "Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) ");
    db.Execute("CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(20), Description CHAR(10), "
               "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
               "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
    db.Execute("CREATE TABLE Email ( Contactnr SMALLINT, [Order] TINYINT, Email CHAR(50), Description CHAR(10), "
               "CONSTRAINT EmailPK PRIMARY KEY(Contactnr, [Order]), "
               "CONSTRAINT EmailFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
    const QString insert = "INSERT INTO Person(Contactnr, Firstname, Lastname, Dateofbirth, Address, [Note]) VALUES(";
    db.Execute(insert + "1, 'Anna', 'Berg', #5/6/1970#, 'Street 1', 'n') ");
    db.Execute(insert + "2, Null, 'Solo', Null, '', '') ");
    db.Execute(insert + "3, '', 'Empty', Null, '', '') ");
    db.Execute(insert + "4, ' Mary Ann ', 'de la Cruz   ', Null, '', '') ");
    db.Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(1, 1, '0123', 'Home') ");
    db.Execute("INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(1, 1, 'a@b.example', 'Home') ");

    // Widening, when the phone description is 10 characters wide.
    QCOMPARE(db.DefinedSize("Phone", "Description"), 10);
    db.Execute(QStringLiteral("ALTER TABLE Phone ") + "ALTER COLUMN [Number] CHAR(50) ");
    db.Execute(QStringLiteral("ALTER TABLE Phone ") + "ALTER COLUMN Description CHAR(100) ");
    db.Execute(QStringLiteral("ALTER TABLE Email ") + "ALTER COLUMN Email CHAR(100) ");
    db.Execute(QStringLiteral("ALTER TABLE Email ") + "ALTER COLUMN Description CHAR(100) ");
    QCOMPARE(db.DefinedSize("Phone", "Description"), 100);
    QCOMPARE(db.DefinedSize("Phone", "Number"), 50);
    QCOMPARE(db.DefinedSize("Email", "Email"), 100);
    QCOMPARE(db.DefinedSize("Email", "Description"), 100);

    // The name conversion, when Person has six columns.
    QCOMPARE(db.ColumnCount("Person"), 6);
    db.Execute(QStringLiteral("ALTER TABLE Person ") + "ADD COLUMN Name CHAR(100) ");
    db.Execute(update);
    db.Execute(QStringLiteral("ALTER TABLE Person ") + "DROP COLUMN Firstname, Lastname ");

    QCOMPARE(db.ColumnCount("Person"), 5);
    QCOMPARE(db.DefinedSize("Person", "Name"), 100);
    QCOMPARE(Rows(db.OpenRecordset("SELECT * FROM Person ORDER BY Contactnr"), {"Contactnr", "Name"}), names);
    // The converted file works like a new one.
    QCOMPARE(Rows(db.OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 1"), {"Number", "Description"}),
             QStringList{"0123|Home"});
    QVERIFY(EngineTest::failureOf(
        [&] { db.Execute("UPDATE Person SET Name = '" + QString(101, 'x') + "' WHERE Contactnr = 1"); }));
    QVERIFY(EngineTest::failureOf([&] { db.Execute("DELETE FROM Person WHERE Contactnr = 1"); }));
    QCOMPARE(db.OpenRecordset("PRAGMA integrity_check").Fields(0).toString(), QString("ok"));
}

ADDRION_TEST_MAIN(TestStatements)
#include "tst_statements.moc"
