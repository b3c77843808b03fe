#include "DatabaseFixture.h"
#include "TestSupport.h"

#include "database/Engine.h"
#include "database/modDatabase.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVersionNumber>

#include <functional>
#include <memory>
#include <optional>

using Engine::EngineError;
using namespace EngineTest;

namespace {

// Result codes of the database library that the tests expect.
constexpr int GenericError = 1;
constexpr int Busy = 5;
constexpr int ReadOnly = 8;
constexpr int CantOpen = 14;
constexpr int Constraint = 19;
constexpr int NotADatabase = 26;
constexpr int ForeignKeyConstraint = 787;
constexpr int PrimaryKeyConstraint = 1555;

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createDatabaseFile();
    void createDatabaseFileFails();
    void schemaCatalogue_data();
    void schemaCatalogue();
    void catalogueErrors();
    void dateLiterals_data();
    void dateLiterals();
    void dateComparisons_data();
    void dateComparisons();
    void invalidDates();
    void orderByName();
    void equalsIgnoresCase_data();
    void equalsIgnoresCase();
    void like_data();
    void like();
    void likeErrors_data();
    void likeErrors();
    void widthsEnforced_data();
    void widthsEnforced();
    void keysEnforced();
    void alterColumnWidens();
    void alterColumnFailsCleanly();
    void dropColumns();
    void recordset();
    void transactions();
    void oneStatementAtATime();
    void closedConnection();
    void readOnlyFile();
    void readOnlyFolder();
    void notADatabase_data();
    void notADatabase();
    void encryptedBySqlcipher();
    void missingFile();
    void compactShrinks();
    void compactWhileReading();
    void compactWhileAnotherProcessWrites();
    void libraryVersion();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    // A new database file with the three tables, opened on m_connection.
    QString openNewDatabase(const QString& name = QStringLiteral("test.mdb"));

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Engine::Connection> m_connection;
};

void TestEngine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_connection = std::make_unique<Engine::Connection>();
}

void TestEngine::cleanup()
{
    m_connection.reset();
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_dir.reset();
}

QString TestEngine::openNewDatabase(const QString& name)
{
    createDatabase(*m_connection, path(name));
    return path(name);
}

void TestEngine::createDatabaseFile()
{
    const QString file = path("new.mdb");
    Engine::CreateDatabaseFile(file);
    QVERIFY(QFile::exists(file));
    QVERIFY(TestSupport::readFile(file).startsWith(QByteArray("SQLite format 3\0", 16)));
    QVERIFY(!Engine::IsEncryptedDatabaseFile(file));

    Engine::Connection connection;
    QCOMPARE(connection.State(), 0);
    connection.Open(file);
    QCOMPARE(connection.State(), 1);
    QVERIFY(connection.IsOpen());
    QCOMPARE(connection.Mode(), Engine::ModeShareDenyNone);
    QCOMPARE(connection.DataSource(), file);
    QVERIFY(!connection.TableExists("Person"));
    // The rollback journal keeps the database one file.
    QCOMPARE(column(connection.OpenRecordset("PRAGMA journal_mode"), "journal_mode"), QStringList{"delete"});
    QCOMPARE(connection.OpenRecordset("PRAGMA foreign_keys").Fields(0).toInt(), 1);

    connection.Close();
    QCOMPARE(connection.State(), 0);
    QVERIFY(!connection.IsOpen());
    QCOMPARE(connection.DataSource(), file);
}

void TestEngine::createDatabaseFileFails()
{
    const QString file = openNewDatabase("exists.mdb");
    m_connection->Close();
    const QByteArray before = fingerprint(file);
    QVERIFY(failureOf([&] { Engine::CreateDatabaseFile(file); }));
    QCOMPARE(fingerprint(file), before);

    const QString inMissingFolder = path("missing/new.mdb");
    QVERIFY(failureOf([&] { Engine::CreateDatabaseFile(inMissingFolder); }));
    QVERIFY(!QFile::exists(inMissingFolder));
    QVERIFY(failureOf([&] { Engine::CreateDatabaseFile(QString()); }));

    QDir(m_dir->path()).mkdir("locked");
    const QString lockedFolder = path("locked");
    QFile::setPermissions(lockedFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const std::optional<EngineError> locked = failureOf([&] { Engine::CreateDatabaseFile(lockedFolder + "/new.mdb"); });
    QFile::setPermissions(lockedFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(locked);
    QVERIFY(!QFile::exists(lockedFolder + "/new.mdb"));
}

void TestEngine::schemaCatalogue_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("definedSize");
    QTest::addColumn<QString>("declaredType");

    QTest::newRow("Person.Contactnr") << "Person"
                                      << "Contactnr" << 0 << "SMALLINT";
    QTest::newRow("Person.Name") << "Person"
                                 << "Name" << 100 << "CHAR(100)";
    QTest::newRow("Person.Dateofbirth") << "Person"
                                        << "Dateofbirth" << 0 << "DATE";
    QTest::newRow("Person.Address") << "Person"
                                    << "Address" << 0 << "MEMO";
    QTest::newRow("Person.Note") << "Person"
                                 << "Note" << 0 << "MEMO";
    QTest::newRow("Phone.Order") << "Phone"
                                 << "Order" << 0 << "TINYINT";
    QTest::newRow("Phone.Number") << "Phone"
                                  << "Number" << 50 << "CHAR(50)";
    QTest::newRow("Phone.Description") << "Phone"
                                       << "Description" << 100 << "CHAR(100)";
    QTest::newRow("Email.Email") << "Email"
                                 << "Email" << 100 << "CHAR(100)";
    QTest::newRow("Email.Description, other case") << "email"
                                                   << "DESCRIPTION" << 100 << "CHAR(100)";
}

void TestEngine::schemaCatalogue()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(int, definedSize);
    QFETCH(QString, declaredType);
    openNewDatabase();
    QVERIFY(m_connection->TableExists(table));
    QVERIFY(m_connection->TableExists(table.toUpper()));
    QCOMPARE(m_connection->ColumnCount(table), table.compare("Person", Qt::CaseInsensitive) == 0 ? 5 : 4);
    QCOMPARE(m_connection->DefinedSize(table, column), definedSize);

    Engine::Recordset info = m_connection->OpenRecordset("PRAGMA table_info(" + table + ")");
    QString type;
    for (; !info.Eof(); info.MoveNext())
        if (info.Fields("name").toString().compare(column, Qt::CaseInsensitive) == 0)
            type = info.Fields("type").toString();
    QCOMPARE(type, declaredType);
}

void TestEngine::catalogueErrors()
{
    openNewDatabase();
    QVERIFY(!m_connection->TableExists("Missing"));
    QVERIFY(failureOf([&] { m_connection->ColumnCount("Missing"); }));
    QVERIFY(failureOf([&] { m_connection->DefinedSize("Missing", "Name"); }));
    QVERIFY(failureOf([&] { m_connection->DefinedSize("Person", "Missing"); }));
}

void TestEngine::dateLiterals_data()
{
    QTest::addColumn<QString>("literal");
    QTest::addColumn<QDate>("date");
    QTest::newRow("one-digit month and day") << "#1/2/2020#" << QDate(2020, 1, 2);
    QTest::newRow("two-digit month and day") << "#12/31/1979#" << QDate(1979, 12, 31);
    QTest::newRow("one-digit month, two-digit day") << "#3/14/1980#" << QDate(1980, 3, 14);
    QTest::newRow("leap day") << "#2/29/2000#" << QDate(2000, 2, 29);
    QTest::newRow("long ago") << "#7/4/1776#" << QDate(1776, 7, 4);
}

void TestEngine::dateLiterals()
{
    QFETCH(QString, literal);
    QFETCH(QDate, date);
    openNewDatabase();
    insertPerson(*m_connection, 1, "Dated", literal);
    insertPerson(*m_connection, 2, "Undated");

    Engine::Recordset rs = m_connection->OpenRecordset(
        "SELECT Dateofbirth, Month(Dateofbirth) AS m, Day(Dateofbirth) AS d, Year(Dateofbirth) AS y FROM Person "
        "WHERE Contactnr = 1");
    QCOMPARE(rs.Fields("Dateofbirth").metaType(), QMetaType::fromType<QDate>());
    QCOMPARE(rs.Fields("Dateofbirth").toDate(), date);
    QCOMPARE(rs.Fields("m").toInt(), date.month());
    QCOMPARE(rs.Fields("d").toInt(), date.day());
    QCOMPARE(rs.Fields("y").toInt(), date.year());
    // A person without a date has no parts of one.
    rs = m_connection->OpenRecordset("SELECT Month(Dateofbirth) AS m, Day(Dateofbirth) AS d, Year(Dateofbirth) AS y "
                                     "FROM Person WHERE Contactnr = 2");
    QVERIFY(rs.Fields("m").isNull() && rs.Fields("d").isNull() && rs.Fields("y").isNull());
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person WHERE Dateofbirth = " + literal)),
             QStringList{"Dated"});
}

void TestEngine::dateComparisons_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QStringList>("names");
    // Dates of birth: A 10/1/1979, B 12/31/1979, C 2/1/1980, D 11/30/1989, E 1/1/1990, F none.
    QTest::newRow("after") << "Dateofbirth > #12/31/1979#" << QStringList{"C", "D", "E"};
    QTest::newRow("before") << "Dateofbirth < #2/1/1980#" << QStringList{"A", "B"};
    QTest::newRow("between, both bounds excluded")
        << "Dateofbirth > #12/31/1979# AND Dateofbirth < #1/1/1990#" << QStringList{"C", "D"};
    QTest::newRow("BETWEEN") << "Dateofbirth BETWEEN #10/2/1979# AND #2/1/1980#" << QStringList{"B", "C"};
    QTest::newRow("equal") << "Dateofbirth = #11/30/1989#" << QStringList{"D"};
    QTest::newRow("filled in") << "Dateofbirth IS NOT NULL" << QStringList{"A", "B", "C", "D", "E"};
    QTest::newRow("empty") << "Dateofbirth IS NULL" << QStringList{"F"};
}

void TestEngine::dateComparisons()
{
    QFETCH(QString, condition);
    QFETCH(QStringList, names);
    openNewDatabase();
    insertPerson(*m_connection, 1, "A", "#10/1/1979#");
    insertPerson(*m_connection, 2, "B", "#12/31/1979#");
    insertPerson(*m_connection, 3, "C", "#2/1/1980#");
    insertPerson(*m_connection, 4, "D", "#11/30/1989#");
    insertPerson(*m_connection, 5, "E", "#1/1/1990#");
    insertPerson(*m_connection, 6, "F");
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person WHERE " + condition + " ORDER BY Name ")),
             names);
}

void TestEngine::invalidDates()
{
    openNewDatabase();
    const std::optional<EngineError> literal = failureOf([&] { insertPerson(*m_connection, 1, "X", "#2/30/2020#"); });
    QVERIFY(literal);
    QVERIFY2(literal->description().contains("#2/30/2020#"), qPrintable(literal->description()));
    // Text that is no date is refused by the column itself.
    const std::optional<EngineError> text = failureOf([&] { insertPerson(*m_connection, 1, "X", "'hello'"); });
    QVERIFY(text);
    QCOMPARE(text->number() & 0xFF, Constraint);
    QVERIFY(text->description().contains("Dateofbirth"));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 0);
}

void TestEngine::orderByName()
{
    openNewDatabase();
    const QStringList scrambled{"zack", "Émile Zola", "bob", "Zoë", "Öl", "anna", "Ärger", "Anton"};
    for (int i = 0; i < scrambled.size(); ++i)
        insertPerson(*m_connection, i + 1, scrambled[i]);
    const QStringList expected{"anna", "Anton", "Ärger", "bob", "Émile Zola", "Öl", "zack", "Zoë"};
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Contactnr, Name FROM Person ORDER BY Name ")), expected);
    QStringList reversed = expected;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person ORDER BY Name DESC")), reversed);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person WHERE Name > 'b' ORDER BY Name")),
             expected.mid(3));
}

void TestEngine::equalsIgnoresCase_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<bool>("equal");
    QTest::newRow("apostrophe, other case") << "O'Brien"
                                            << "o''brien" << true;
    QTest::newRow("capital umlaut") << "ÄRGER"
                                    << "ärger" << true;
    QTest::newRow("capital accent") << "JOSÉ"
                                    << "josé" << true;
    QTest::newRow("accent is not ignored") << "José"
                                           << "Jose" << false;
    QTest::newRow("umlaut is not ignored") << "Ärger"
                                           << "Arger" << false;
    QTest::newRow("different text") << "Anna"
                                    << "Anne" << false;
}

void TestEngine::equalsIgnoresCase()
{
    QFETCH(QString, stored);
    QFETCH(QString, literal);
    QFETCH(bool, equal);
    openNewDatabase();
    insertPerson(*m_connection, 1, stored);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Name = '" + literal + "'"), equal ? 1 : 0);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Name <> '" + literal + "'"), equal ? 0 : 1);
}

void TestEngine::like_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QStringList>("names");
    // Names: 100% Cotton, Anna, Ärger, Bob, Henne, Hanna, Johanna Berg, José, O'Brien, under_score.
    QTest::newRow("% both sides") << "TRIM(Name) LIKE '%ann%'" << QStringList{"Anna", "Hanna", "Johanna Berg"};
    QTest::newRow("% at the end") << "Name LIKE 'jo%'" << QStringList{"Johanna Berg", "José"};
    QTest::newRow("% at the start") << "TRIM(Name) LIKE '%e'" << QStringList{"Henne", "under_score"};
    QTest::newRow("_") << "Name LIKE '_ob'" << QStringList{"Bob"};
    QTest::newRow("class") << "Name LIKE '[bh]%'" << QStringList{"Bob", "Hanna", "Henne"};
    QTest::newRow("range") << "Name LIKE '[a-c]%'" << QStringList{"Anna", "Bob"};
    QTest::newRow("negated class") << "Name LIKE '[!abh]%'" << QStringList{"100% Cotton", "Ärger",   "Johanna Berg",
                                                                           "José",        "O'Brien", "under_score"};
    QTest::newRow("accent classes of the quick search")
        << "TRIM(Name) LIKE '%[aàáâãäå]nn[aàáâãäå]%'" << QStringList{"Anna", "Hanna", "Johanna Berg"};
    QTest::newRow("accent class finds a capital umlaut") << "Name LIKE '[aàáâãäå]rg%'" << QStringList{"Ärger"};
    QTest::newRow("accent class finds an accent") << "Name LIKE 'jos[eèéêë]'" << QStringList{"José"};
    QTest::newRow("no accent folding without a class") << "Name LIKE 'jose'" << QStringList{};
    QTest::newRow("apostrophe") << "Name LIKE 'o''b%'" << QStringList{"O'Brien"};
    QTest::newRow("literal %") << "Name LIKE '%[%]%'" << QStringList{"100% Cotton"};
    QTest::newRow("literal _") << "Name LIKE '%[_]%'" << QStringList{"under_score"};
    QTest::newRow("ESCAPE") << "Name LIKE '%!_%' ESCAPE '!'" << QStringList{"under_score"};
    QTest::newRow("NOT LIKE") << "Name NOT LIKE '%n%'" << QStringList{"Ärger", "Bob", "José"};
    QTest::newRow("two words") << "TRIM(Name) LIKE '%[oðòóôõöø]%' AND TRIM(Name) LIKE '%br[iìíîï]%'"
                               << QStringList{"O'Brien"};
}

void TestEngine::like()
{
    QFETCH(QString, condition);
    QFETCH(QStringList, names);
    openNewDatabase();
    const QStringList all{"100% Cotton", "Anna",         "Ärger", "Bob",     "Henne",
                          "Hanna",       "Johanna Berg", "José",  "O'Brien", "under_score"};
    for (int i = 0; i < all.size(); ++i)
        insertPerson(*m_connection, i + 1, all[i]);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person WHERE " + condition + " ORDER BY Name ")),
             names);
}

void TestEngine::likeErrors_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("lone [") << "%[%";
    QTest::newRow("unclosed class") << "%[aàá%";
    QTest::newRow("unclosed negated class") << "[!ab";
}

void TestEngine::likeErrors()
{
    QFETCH(QString, pattern);
    openNewDatabase();
    insertPerson(*m_connection, 1, "Anna");
    const std::optional<EngineError> error = failureOf([&] {
        m_connection->OpenRecordset("SELECT Contactnr, Name FROM Person WHERE 1 = 1 AND TRIM(Name) LIKE '" + pattern +
                                    "' ORDER BY Name ");
    });
    QVERIFY(error);
    QCOMPARE(error->number(), GenericError);
    QVERIFY2(error->description().contains("pattern"), qPrintable(error->description()));
    // The connection goes on working.
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Name LIKE 'a%'"), 1);
}

void TestEngine::widthsEnforced_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("refusal"); // the error description, empty: accepted

    const QString person = "INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(";
    const QString phone = "INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(";
    auto tooLong = [](const char* field, int width) {
        return QString("The text is too long for the field %1, which holds at most %2 characters.")
            .arg(field)
            .arg(width);
    };
    auto outOfRange = [](const char* field, const char* range) {
        return QString("The value is out of range for the field %1 (%2).").arg(field, range);
    };
    QTest::newRow("name of 100 characters") << person + "2, '" + QString("n").repeated(100) + "', Null, '', '') "
                                            << "";
    QTest::newRow("name of 101 characters")
        << person + "2, '" + QString("n").repeated(101) + "', Null, '', '') " << tooLong("Name", 100);
    QTest::newRow("100 accented characters") << person + "2, '" + QString("é").repeated(100) + "', Null, '', '') "
                                             << "";
    QTest::newRow("101 accented characters")
        << person + "2, '" + QString("é").repeated(101) + "', Null, '', '') " << tooLong("Name", 100);
    QTest::newRow("long address") << person + "2, 'A', Null, '" + QString("street ").repeated(2000) + "', '') "
                                  << "";
    QTest::newRow("highest contact number") << person + "32767, 'A', Null, '', '') "
                                            << "";
    QTest::newRow("contact number too high")
        << person + "32768, 'A', Null, '', '') " << outOfRange("Contactnr", "-32768 to 32767");
    QTest::newRow("number of 50 characters") << phone + "1, 1, '" + QString("1").repeated(50) + "', '') "
                                             << "";
    QTest::newRow("number of 51 characters")
        << phone + "1, 1, '" + QString("1").repeated(51) + "', '') " << tooLong("Number", 50);
    QTest::newRow("description of 101 characters")
        << phone + "1, 1, '1', '" + QString("d").repeated(101) + "') " << tooLong("Description", 100);
    QTest::newRow("order 255") << phone + "1, 255, '1', '') "
                               << "";
    QTest::newRow("order 256") << phone + "1, 256, '1', '') " << outOfRange("Order", "0 to 255");
    QTest::newRow("order -1") << phone + "1, -1, '1', '') " << outOfRange("Order", "0 to 255");
    QTest::newRow("e-mail of 101 characters")
        << "INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(1, 1, '" + QString("e").repeated(101) +
               "', '') "
        << tooLong("Email", 100);
    QTest::newRow("widening update") << "UPDATE Person SET Name = Name & '" + QString("x").repeated(96) +
                                            "' WHERE Contactnr = 1 "
                                     << tooLong("Name", 100);
}

void TestEngine::widthsEnforced()
{
    QFETCH(QString, statement);
    QFETCH(QString, refusal);
    openNewDatabase();
    insertPerson(*m_connection, 1, "Owner");
    const std::optional<EngineError> error = failureOf([&] { m_connection->Execute(statement); });
    if (refusal.isEmpty()) {
        QVERIFY2(!error, error ? qPrintable(error->description()) : "");
        return;
    }
    QVERIFY(error);
    QCOMPARE(error->number() & 0xFF, Constraint);
    QCOMPARE(error->description(), refusal);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 1);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone"), 0);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Owner"});
}

void TestEngine::keysEnforced()
{
    openNewDatabase();
    insertPerson(*m_connection, 1, "Owner");
    m_connection->Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(1, 1, '123', '') ");
    auto phone = [&](int person, int order) {
        return failureOf([&] {
            m_connection->Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(" +
                                  QString::number(person) + ", " + QString::number(order) + ", '9', '') ");
        });
    };
    const std::optional<EngineError> orphan = phone(2, 1);
    QVERIFY(orphan);
    QCOMPARE(orphan->number(), ForeignKeyConstraint);
    const std::optional<EngineError> twice = phone(1, 1);
    QVERIFY(twice);
    QCOMPARE(twice->number(), PrimaryKeyConstraint);
    const std::optional<EngineError> samePerson = failureOf([&] { insertPerson(*m_connection, 1, "Again"); });
    QVERIFY(samePerson);
    QCOMPARE(samePerson->number(), PrimaryKeyConstraint);
    // A person with phones cannot go before its phones.
    QVERIFY(failureOf([&] { m_connection->Execute("DELETE FROM Person WHERE Contactnr = 1"); }));
    m_connection->Execute("DELETE FROM Phone WHERE Contactnr = 1");
    m_connection->Execute("DELETE FROM Person WHERE Contactnr = 1");
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 0);
}

void TestEngine::alterColumnWidens()
{
    // A file of an older version: narrower phone and e-mail texts.
    const QString file = path("narrow.mdb");
    Engine::CreateDatabaseFile(file);
    m_connection->Open(file);
    m_connection->Execute(modDatabase::CreateTableStatements().at(0));
    m_connection->Execute("CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, [Number] CHAR(20), "
                          "Description CHAR(10), CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                          "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
    m_connection->Execute("CREATE TABLE Email ( Contactnr SMALLINT, [Order] TINYINT, Email CHAR(50), "
                          "Description CHAR(10), CONSTRAINT EmailPK PRIMARY KEY(Contactnr, [Order]), "
                          "CONSTRAINT EmailFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
    insertPerson(*m_connection, 1, "Anna");
    insertPerson(*m_connection, 2, "Bob");
    const QString phone = "INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(";
    m_connection->Execute(phone + "1, 2, '0456', 'Mobile') ");
    m_connection->Execute(phone + "1, 1, '0123', 'Home') ");
    m_connection->Execute(phone + "2, 1, '0789', '') ");
    m_connection->Execute(
        "INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(1, 1, 'a@b.example', 'x') ");
    QCOMPARE(m_connection->DefinedSize("Phone", "Description"), 10);
    QVERIFY(failureOf([&] { m_connection->Execute(phone + "2, 2, '" + QString("1").repeated(21) + "', '') "); }));

    m_connection->Execute(QStringLiteral("ALTER TABLE Phone ") + "ALTER COLUMN [Number] CHAR(50) ");
    m_connection->Execute(QStringLiteral("ALTER TABLE Phone ") + "ALTER COLUMN Description CHAR(100) ");
    m_connection->Execute(QStringLiteral("ALTER TABLE Email ") + "ALTER COLUMN Email CHAR(100) ");
    m_connection->Execute(QStringLiteral("ALTER TABLE Email ") + "ALTER COLUMN Description CHAR(100) ");

    QCOMPARE(m_connection->DefinedSize("Phone", "Number"), 50);
    QCOMPARE(m_connection->DefinedSize("Phone", "Description"), 100);
    QCOMPARE(m_connection->DefinedSize("Email", "Email"), 100);
    QCOMPARE(m_connection->DefinedSize("Email", "Description"), 100);
    QCOMPARE(m_connection->ColumnCount("Phone"), 4);
    QCOMPARE(m_connection->ColumnCount("Email"), 4);

    // The rows are all there, and a person's phones still come in their order.
    QCOMPARE(column(m_connection->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 1"), "Number"),
             (QStringList{"0123", "0456"}));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone"), 3);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Email FROM Email"), "Email"), QStringList{"a@b.example"});

    // The new widths hold, and so do the keys, the relationship and the collation.
    m_connection->Execute(phone + "2, 2, '" + QString("1").repeated(50) + "', '" + QString("d").repeated(100) + "') ");
    const std::optional<EngineError> tooLong =
        failureOf([&] { m_connection->Execute(phone + "2, 3, '" + QString("1").repeated(51) + "', '') "); });
    QVERIFY(tooLong);
    QCOMPARE(tooLong->number() & 0xFF, Constraint);
    const std::optional<EngineError> twice = failureOf([&] { m_connection->Execute(phone + "1, 1, '9', '') "); });
    QVERIFY(twice);
    QCOMPARE(twice->number(), PrimaryKeyConstraint);
    const std::optional<EngineError> orphan = failureOf([&] { m_connection->Execute(phone + "9, 1, '9', '') "); });
    QVERIFY(orphan);
    QCOMPARE(orphan->number(), ForeignKeyConstraint);
    QVERIFY(failureOf([&] { m_connection->Execute("DELETE FROM Person WHERE Contactnr = 1"); }));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone WHERE Description = 'HOME'"), 1);
    QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_keys").Fields(0).toInt(), 1);
    QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_key_check").RecordCount(), 0);
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    QVERIFY(!m_connection->TableExists("addrion_rebuild_Phone"));

    // The change is in the file, not only in this connection.
    m_connection->Close();
    m_connection->Open(file);
    QCOMPARE(m_connection->DefinedSize("Phone", "Number"), 50);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone"), 4);
}

void TestEngine::alterColumnFailsCleanly()
{
    openNewDatabase();
    insertPerson(*m_connection, 1, "Anna");
    m_connection->Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(1, 1, '0123456', '') ");

    // Narrower than the data: refused, nothing changed.
    QVERIFY(failureOf([&] { m_connection->Execute("ALTER TABLE Phone ALTER COLUMN [Number] CHAR(3) "); }));
    QCOMPARE(m_connection->DefinedSize("Phone", "Number"), 50);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT [Number] FROM Phone"), "Number"), QStringList{"0123456"});
    QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_keys").Fields(0).toInt(), 1);

    QVERIFY(failureOf([&] { m_connection->Execute("ALTER TABLE Phone ALTER COLUMN Missing CHAR(3) "); }));
    QVERIFY(failureOf([&] { m_connection->Execute("ALTER TABLE Missing ALTER COLUMN Description CHAR(3) "); }));
    {
        Engine::Connection::Transaction transaction(*m_connection);
        QVERIFY(failureOf([&] { m_connection->Execute("ALTER TABLE Phone ALTER COLUMN Description CHAR(200) "); }));
    }
    QCOMPARE(m_connection->DefinedSize("Phone", "Description"), 100);
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
}

void TestEngine::dropColumns()
{
    const QString file = path("old.mdb");
    Engine::CreateDatabaseFile(file);
    m_connection->Open(file);
    m_connection->Execute(
        "CREATE TABLE Person ( Contactnr SMALLINT, Firstname CHAR(50), Lastname CHAR(50), "
        "Dateofbirth DATE, Address MEMO, [Note] MEMO, CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) ");
    m_connection->Execute(modDatabase::CreateTableStatements().at(1));
    m_connection->Execute("INSERT INTO Person(Contactnr, Firstname, Lastname, Dateofbirth, Address, [Note]) "
                          "VALUES(1, 'Anna', 'Berg', #5/6/1970#, 'Street 1', 'n') ");
    m_connection->Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(1, 1, '0123', '') ");
    QCOMPARE(m_connection->ColumnCount("Person"), 6);

    // All or nothing: the second name is wrong, so the first stays too.
    QVERIFY(failureOf([&] { m_connection->Execute("ALTER TABLE Person DROP COLUMN Address, Missing "); }));
    QCOMPARE(m_connection->ColumnCount("Person"), 6);

    m_connection->Execute(QStringLiteral("ALTER TABLE Person ") + "DROP COLUMN Firstname, Lastname ");
    QCOMPARE(m_connection->ColumnCount("Person"), 4);
    Engine::Recordset rs = m_connection->OpenRecordset("SELECT * FROM Person");
    QCOMPARE(rs.ColumnNames(), (QStringList{"Contactnr", "Dateofbirth", "Address", "Note"}));
    QCOMPARE(rs.Fields("Dateofbirth").toDate(), QDate(1970, 5, 6));
    QVERIFY(failureOf([&] { m_connection->Execute("DELETE FROM Person WHERE Contactnr = 1"); }));
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
}

void TestEngine::recordset()
{
    openNewDatabase();
    insertPerson(*m_connection, 1, "Anna", "#3/14/1980#");
    insertPerson(*m_connection, 2, "Bob");
    insertPerson(*m_connection, 3, "Cleo", "#1/1/2001#");
    m_connection->Execute("INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(2, 1, 'b@x.example', '') ");

    Engine::Recordset rs =
        m_connection->OpenRecordset("SELECT Contactnr, Name, Dateofbirth, Address FROM Person ORDER BY Contactnr");
    QCOMPARE(rs.RecordCount(), 3);
    QCOMPARE(rs.FieldCount(), 4);
    QCOMPARE(rs.ColumnNames(), (QStringList{"Contactnr", "Name", "Dateofbirth", "Address"}));
    QVERIFY(!rs.Bof());
    QVERIFY(!rs.Eof());
    QCOMPARE(rs.Fields("CONTACTNR").metaType(), QMetaType::fromType<int>());
    QCOMPARE(rs.Fields("contactnr").toInt(), 1);
    QCOMPARE(rs.Fields("name").toString(), QString("Anna"));
    QCOMPARE(rs.Fields(1).toString(), QString("Anna"));
    QCOMPARE(rs.Fields("Dateofbirth").metaType(), QMetaType::fromType<QDate>());
    QCOMPARE(rs.Fields("Address").toString(), QString());
    QVERIFY(!rs.Fields("Address").isNull());
    QVERIFY(failureOf([&] { rs.Fields("Missing"); }));
    QVERIFY(failureOf([&] { rs.Fields(4); }));
    rs.MoveNext();
    QCOMPARE(rs.Fields("Name").toString(), QString("Bob"));
    QVERIFY(rs.Fields("Dateofbirth").isNull());
    rs.MoveNext();
    rs.MoveNext();
    QVERIFY(rs.Eof());
    QVERIFY(failureOf([&] { rs.Fields("Name"); }));
    QVERIFY(failureOf([&] { rs.MoveNext(); }));
    rs.MoveFirst();
    QVERIFY(!rs.Eof());
    QCOMPARE(rs.Fields("Contactnr").toInt(), 1);

    Engine::Recordset empty = m_connection->OpenRecordset("SELECT * FROM Person WHERE 1 = 2 ");
    QCOMPARE(empty.RecordCount(), 0);
    QVERIFY(empty.Eof());
    QVERIFY(empty.Bof());
    QCOMPARE(empty.FieldCount(), 5);

    // Columns of the same name from two tables, and a bare Order.
    Engine::Recordset joined =
        m_connection->OpenRecordset("SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, Email "
                                    "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 ORDER BY Name ");
    QCOMPARE(joined.RecordCount(), 1);
    QCOMPARE(joined.Fields("Person.Contactnr").toInt(), 2);
    QCOMPARE(joined.Fields("Email.Contactnr").toInt(), 2);
    QCOMPARE(joined.Fields("Order").toInt(), 1);
    QCOMPARE(joined.Fields("Email").toString(), QString("b@x.example"));

    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) AS NumberOfPersons FROM Person "), 3);
}

void TestEngine::transactions()
{
    openNewDatabase();
    {
        Engine::Connection::Transaction transaction(*m_connection);
        insertPerson(*m_connection, 1, "Undone");
        m_connection->Execute("INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(1, 1, '1', '') ");
    }
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 0);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone"), 0);
    {
        Engine::Connection::Transaction transaction(*m_connection);
        insertPerson(*m_connection, 1, "Kept");
        transaction.Commit();
    }
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Kept"});

    // An error inside leaves the transaction to be rolled back as a whole.
    try {
        Engine::Connection::Transaction transaction(*m_connection);
        insertPerson(*m_connection, 2, "Half");
        insertPerson(*m_connection, 1, "Duplicate");
        transaction.Commit();
        QFAIL("the duplicate was accepted");
    } catch (const EngineError& error) {
        QCOMPARE(error.number(), PrimaryKeyConstraint);
    }
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Kept"});

    // Another connection sees nothing of an open transaction.
    Engine::Connection other;
    other.Open(m_connection->DataSource());
    {
        Engine::Connection::Transaction transaction(*m_connection);
        insertPerson(*m_connection, 3, "Pending");
        QCOMPARE(scalar(other, "SELECT COUNT(1) FROM Person"), 1);
        transaction.Commit();
    }
    QCOMPARE(scalar(other, "SELECT COUNT(1) FROM Person"), 2);
}

void TestEngine::oneStatementAtATime()
{
    openNewDatabase();
    QVERIFY(failureOf([&] {
        m_connection->Execute("INSERT INTO Person(Contactnr, Name) VALUES(1, 'a'); "
                              "INSERT INTO Person(Contactnr, Name) VALUES(2, 'b')");
    }));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 0);
    QVERIFY(failureOf([&] { m_connection->Execute(""); }));
    QVERIFY(failureOf([&] { m_connection->Execute("   "); }));
    QVERIFY(failureOf([&] { m_connection->Execute("SELEKT 1"); }));
    m_connection->Execute("INSERT INTO Person(Contactnr, Name) VALUES(1, 'a');");
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person;"), 1);
}

void TestEngine::closedConnection()
{
    Engine::Connection connection;
    QVERIFY(failureOf([&] { connection.Execute("SELECT 1"); }));
    QVERIFY(failureOf([&] { connection.OpenRecordset("SELECT 1"); }));
    QVERIFY(failureOf([&] { connection.TableExists("Person"); }));
    QVERIFY(failureOf([&] { Engine::Connection::Transaction transaction(connection); }));
    connection.Close();
    QCOMPARE(connection.State(), 0);
}

void TestEngine::readOnlyFile()
{
    const QString file = openNewDatabase();
    insertPerson(*m_connection, 1, "Anna");
    m_connection->Close();
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QByteArray before = fingerprint(file);

    m_connection->Open(file);
    QCOMPARE(m_connection->Mode(), Engine::ModeRead);
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Anna"});
    const std::optional<EngineError> write = failureOf([&] { insertPerson(*m_connection, 2, "Bob"); });
    QVERIFY(write);
    QCOMPARE(write->number() & 0xFF, ReadOnly);
    const std::optional<EngineError> compact = failureOf([&] { Engine::Compact(file); });
    QVERIFY(compact);
    QCOMPARE(compact->number() & 0xFF, ReadOnly);
    m_connection->Close();
    QCOMPARE(fingerprint(file), before);
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestEngine::readOnlyFolder()
{
    // The rollback journal needs the folder: a writable file in a locked folder is read-only.
    const QString file = openNewDatabase();
    m_connection->Close();
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    m_connection->Open(file);
    const int mode = m_connection->Mode();
    const std::optional<EngineError> write = failureOf([&] { insertPerson(*m_connection, 1, "Anna"); });
    m_connection->Close();
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(mode, Engine::ModeRead);
    QVERIFY(write);
}

void TestEngine::notADatabase_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("encrypted");

    QByteArray random(4096, '\0');
    QRandomGenerator generator(7);
    for (char& byte : random)
        byte = static_cast<char>(generator.bounded(256));
    QTest::newRow("text file named .mdb") << QByteArray("Name;Phone\r\nAnna;0123\r\n") << NotADatabase << false;
    QTest::newRow("random bytes, not whole pages") << random.left(1000) << NotADatabase << false;
    QTest::newRow("random bytes, 1024 exactly") << random.left(1024) << Engine::PasswordProtectedError << true;
    QTest::newRow("random bytes, whole pages") << random << Engine::PasswordProtectedError << true;
    QTest::newRow("zero bytes, whole pages") << QByteArray(4096, '\0') << NotADatabase << false;
    QTest::newRow("text, whole pages") << QByteArray("Anna;0123\r\n").repeated(400).left(4096) << NotADatabase << false;
    QByteArray pagesOfText = random;
    pagesOfText.replace(0, 1024, QByteArray(1024, 'a'));
    QTest::newRow("random bytes after a page of text") << pagesOfText << NotADatabase << false;
}

void TestEngine::notADatabase()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, number);
    QFETCH(bool, encrypted);
    const QString file = path("other.mdb");
    QVERIFY(TestSupport::writeFile(file, contents));
    QCOMPARE(Engine::IsEncryptedDatabaseFile(file), encrypted);

    const std::optional<EngineError> error = failureOf([&] { m_connection->Open(file); });
    QVERIFY(error);
    QCOMPARE(error->number(), number);
    QVERIFY(!error->description().isEmpty());
    QVERIFY(!m_connection->IsOpen());
    QCOMPARE(m_connection->DataSource(), file);
    QVERIFY(failureOf([&] { Engine::Compact(file); }));
    QCOMPARE(TestSupport::readFile(file), contents);
}

void TestEngine::encryptedBySqlcipher()
{
    const QString sqlcipher = QStandardPaths::findExecutable("sqlcipher");
    if (sqlcipher.isEmpty())
        QSKIP("the sqlcipher program is not installed");
    const QString file = path("protected.mdb");
    QProcess process;
    process.start(sqlcipher, {file});
    QVERIFY(process.waitForStarted());
    process.write("PRAGMA key = 'secret';\nCREATE TABLE Person (Contactnr SMALLINT);\n"
                  "INSERT INTO Person VALUES (1);\n.quit\n");
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);

    QVERIFY(Engine::IsEncryptedDatabaseFile(file));
    const std::optional<EngineError> error = failureOf([&] { m_connection->Open(file); });
    QVERIFY(error);
    QCOMPARE(error->number(), Engine::PasswordProtectedError);
    QVERIFY(!m_connection->IsOpen());
}

void TestEngine::missingFile()
{
    const QString file = path("missing.mdb");
    const std::optional<EngineError> error = failureOf([&] { m_connection->Open(file); });
    QVERIFY(error);
    QCOMPARE(error->number(), CantOpen);
    QVERIFY(error->description().contains("missing.mdb"));
    QVERIFY(!m_connection->IsOpen());
    QVERIFY(!QFile::exists(file));
    QVERIFY(failureOf([&] { m_connection->Open(m_dir->path()); }));
    QVERIFY(failureOf([&] { Engine::Compact(file); }));
    QVERIFY(!QFile::exists(file));
}

void TestEngine::compactShrinks()
{
    const QString file = openNewDatabase();
    {
        Engine::Connection::Transaction transaction(*m_connection);
        for (int number = 1; number <= 300; ++number)
            m_connection->Execute("INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(" +
                                  QString::number(number) + ", 'P" + QString::number(number) + "', Null, '', '" +
                                  QString("note ").repeated(400) + "') ");
        transaction.Commit();
    }
    m_connection->Execute("DELETE FROM Person WHERE Contactnr > 10");
    m_connection->Close();
    const qint64 before = QFileInfo(file).size();

    Engine::Compact(file);

    const qint64 after = QFileInfo(file).size();
    QVERIFY2(after * 4 < before, qPrintable(QString("%1 -> %2 bytes").arg(before).arg(after)));
    m_connection->Open(file);
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 10);
    QCOMPARE(
        scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE [Note] = '" + QString("note ").repeated(400) + "'"),
        10);
    QVERIFY(!QFile::exists(file + "-journal"));
}

void TestEngine::compactWhileReading()
{
    const QString file = openNewDatabase();
    insertPerson(*m_connection, 1, "Anna");
    insertPerson(*m_connection, 2, "Bob");
    m_connection->Execute("DELETE FROM Person WHERE Contactnr = 2");

    // A read transaction on another connection keeps the file busy.
    m_connection->Execute("BEGIN");
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 1);
    const QByteArray before = fingerprint(file);
    const std::optional<EngineError> busy = failureOf([&] { Engine::Compact(file, 100); });
    QVERIFY(busy);
    QCOMPARE(busy->number() & 0xFF, Busy);
    QCOMPARE(fingerprint(file), before);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person"), 1);
    m_connection->Execute("COMMIT");

    Engine::Compact(file, 100);
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Anna"});
}

void TestEngine::compactWhileAnotherProcessWrites()
{
    const QString file = openNewDatabase();
    insertPerson(*m_connection, 1, "Own");
    m_connection->Close();
    const QString stopFile = path("stop");
    const QString writerProgram = QCoreApplication::applicationDirPath() + "/database_writer";
    QVERIFY2(QFile::exists(writerProgram), qPrintable(writerProgram));

    QProcess writer;
    writer.start(writerProgram, {file, stopFile});
    QVERIFY(writer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(writer.canReadLine() || writer.state() == QProcess::NotRunning, 60000);
    QCOMPARE(writer.readLine().trimmed(), QByteArray("ready"));

    // Compact and read while the other process writes; waits for each other's locks are
    // the busy timeout's business, so nothing here may fail.
    int compactions = 0;
    int lastCount = 0;
    while (compactions < 5 && writer.state() == QProcess::Running) {
        Engine::Compact(file);
        ++compactions;
        Engine::Connection reader;
        reader.Open(file);
        const int count = scalar(reader, "SELECT COUNT(1) FROM Person");
        QVERIFY(count >= lastCount);
        lastCount = count;
        QCOMPARE(integrityCheck(reader), QString("ok"));
        QCoreApplication::processEvents();
    }
    QCOMPARE(compactions, 5);
    QVERIFY(TestSupport::writeFile(stopFile, "stop"));
    QTRY_VERIFY_WITH_TIMEOUT(writer.state() == QProcess::NotRunning, 120000);

    const QByteArray errors = writer.readAllStandardError();
    QVERIFY2(errors.isEmpty(), errors.constData());
    QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer.exitCode(), 0);
    const QByteArray report = writer.readAll().trimmed();
    QVERIFY2(report.startsWith("rows "), report.constData());
    const int written = report.mid(5).toInt();
    QVERIFY(written > 0);

    m_connection->Open(file);
    QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_key_check").RecordCount(), 0);
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Contactnr >= 1000"), written);
    // Every other person came with three phones, all or nothing.
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone"), 3 * (written / 2));
    QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Contactnr < 1000"), 1);
    QVERIFY(written >= lastCount - 1);
}

void TestEngine::libraryVersion()
{
    const QVersionNumber version = QVersionNumber::fromString(Engine::LibraryVersion());
    QVERIFY2(version >= QVersionNumber(3, 35), qPrintable(Engine::LibraryVersion()));
}

ADDRION_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
