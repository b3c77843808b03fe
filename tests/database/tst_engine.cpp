// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DatabaseFixture.h"
#include "TestSupport.h"
#include "TwoRows.h"

#include "database/JetDialect.h"
#include "database/modDatabase.h"

#include <QCollator>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QVersionNumber>

#include <memory>

using Engine::EngineError;
using JetDialect::Kind;
using namespace TestSupport;
using namespace EngineTest;

Q_DECLARE_METATYPE(JetDialect::Kind)

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

const QString PhoneInsert = "INSERT INTO Phone(ContactNr, [Order], [Number], Description) VALUES(";

// The engine error number a statement ends with, 0 when it succeeds.
int errorOf(Engine::Connection& connection, const QString& sql)
{
    const std::optional<EngineError> error = failureOf([&] { connection.Execute(sql); });
    return error ? error->number() : 0;
}

} // namespace

// The database engine: the program's SQL dialect turned into the engine's (dates, joins,
// the column named Order, column types, LIKE patterns with their character classes), and
// on real files its types and keys, files that are no database, and compaction beside
// another process.
class TestEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Engine::Connection> m_connection;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString openNewDatabase(const QString& name = QStringLiteral("test.mdb"))
    {
        createDatabase(*m_connection, path(name));
        return path(name);
    }
    void insertNames(const QStringList& names)
    {
        for (int i = 0; i < names.size(); ++i)
            insertPerson(*m_connection, i + 1, names[i]);
    }
    int count(const QString& table) { return scalar(*m_connection, "SELECT COUNT(1) FROM " + table); }

private slots:
    void init()
    {
        m_connection = std::make_unique<Engine::Connection>(); // closes the previous test's file
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void createDatabaseFile()
    {
        QVERIFY2(QVersionNumber::fromString(Engine::LibraryVersion()) >= QVersionNumber(3, 35),
                 qPrintable(Engine::LibraryVersion()));
        const QString file = path("new.mdb");
        Engine::CreateDatabaseFile(file);
        QVERIFY(TestSupport::readFile(file).startsWith(QByteArray("SQLite format 3\0", 16)));
        QVERIFY(!Engine::IsEncryptedDatabaseFile(file));

        Engine::Connection connection;
        QCOMPARE(connection.State(), 0);
        connection.Open(file);
        // The rollback journal keeps the database one file.
        QCOMPARE((QVariantList{connection.State(), connection.Mode(), connection.DataSource(),
                               connection.TableExists("Person"), firstColumn(connection, "PRAGMA journal_mode"),
                               scalar(connection, "PRAGMA foreign_keys")}),
                 (QVariantList{1, Engine::ModeShareDenyNone, file, false, QStringList{"delete"}, 1}));
        connection.Close();
        QCOMPARE((QVariantList{connection.IsOpen(), connection.DataSource()}), (QVariantList{false, file}));

        // Never over an existing file, nor where no file can be made.
        const QByteArray before = fingerprint(file);
        QVERIFY(failureOf([&] { Engine::CreateDatabaseFile(file); }));
        QCOMPARE(fingerprint(file), before);
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        for (const QString& where : {path("missing/new.mdb"), QString(), path("locked.mdb")})
            QVERIFY2(failureOf([&] { Engine::CreateDatabaseFile(where); }) && !QFile::exists(where), qPrintable(where));
    }

    void schemaCatalogue()
    {
        openNewDatabase();
        for (const char* table : {"Person", "PHONE", "email"})
            QVERIFY(m_connection->TableExists(table));
        QCOMPARE(
            (QList<int>{m_connection->ColumnCount("Person"), m_connection->ColumnCount("phone"),
                        m_connection->DefinedSize("Person", "Contactnr"), m_connection->DefinedSize("Person", "Name"),
                        m_connection->DefinedSize("email", "DESCRIPTION")}),
            (QList<int>{5, 4, 0, 100, 100}));
        QCOMPARE(widths(*m_connection), (QList<int>{50, 100, 100, 100}));
        QVERIFY(!m_connection->TableExists("Missing") && failureOf([&] { m_connection->ColumnCount("Missing"); }) &&
                failureOf([&] { m_connection->DefinedSize("Missing", "Name"); }) &&
                failureOf([&] { m_connection->DefinedSize("Person", "Missing"); }));
        // A table made or dropped here or by another connection is seen at once.
        m_connection->Execute("CREATE TABLE Missing (a INTEGER)");
        QVERIFY(m_connection->TableExists("missing"));
        Engine::Connection other;
        other.Open(m_connection->DataSource());
        QVERIFY(other.TableExists("Missing"));
        other.Execute("DROP TABLE Missing");
        other.Execute("CREATE TABLE Later (a INTEGER)");
        QVERIFY(!m_connection->TableExists("Missing") && m_connection->TableExists("Later"));
    }

    void orderByName()
    {
        openNewDatabase();
        insertNames({"zack", "Émile Zola", "bob", "Zoë", "Öl", "anna", "Ärger", "Anton"});
        const QStringList expected{"anna", "Anton", "Ärger", "bob", "Émile Zola", "Öl", "zack", "Zoë"};
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Contactnr, Name FROM Person ORDER BY Name ")), expected);
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person ORDER BY Name DESC")),
                 QStringList(expected.rbegin(), expected.rend()));
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person WHERE Name > 'b' ORDER BY Name")),
                 expected.mid(3));
    }

    // The name order decides most pairs by a fast table and the rest by the user's
    // collation; whichever decides, the order must be the collation's.
    void orderAgreesWithTheCollator_data()
    {
        QTest::addColumn<QString>("alphabet");
        QTest::newRow("ascii") << "aAbBcCzZ 09-'.,&";
        QTest::newRow("latin accents") << QString::fromUtf8("aAeEoOuUzZ àÀéÉèêëÈöÖøØåÅäÄñÑçÇßæÆœŒłŁšŠžŽ'");
        QTest::newRow("combining accents") << QString::fromUtf8("aeoz\u0301\u0300\u0308 -");
        QTest::newRow("scripts") << QString::fromUtf8("aZé ΑαΒβДдЖж李王ÿ'");
    }
    void orderAgreesWithTheCollator()
    {
        QFETCH(QString, alphabet);
        openNewDatabase();
        QRandomGenerator random(1206);
        Engine::Connection::Transaction transaction(*m_connection);
        for (int number = 1; number <= 3000; ++number) {
            QString name;
            for (int i = random.bounded(1, 8); i > 0; --i)
                name += alphabet.at(random.bounded(alphabet.size()));
            insertPerson(*m_connection, number, name);
        }
        transaction.Commit();
        QStringList names;
        for (auto rows = m_connection->OpenRecordset("SELECT Name FROM Person ORDER BY Name"); !rows.Eof();
             rows.MoveNext())
            names << rows.Fields(0).toString();
        QCOMPARE(names.size(), 3000);
        QLocale locale = QLocale::system();
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator collator(locale);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (int i = 0; i + 1 < names.size(); ++i)
            QVERIFY2(collator.compare(names.at(i), names.at(i + 1)) <= 0,
                     qPrintable(QString("\"%1\" before \"%2\"").arg(names.at(i), names.at(i + 1))));
    }

    // The patterns themselves are the dialect test's; here they meet the engine.
    void like_data()
    {
        addColumns<QString, QStringList>("condition", "names");
        addRow("% both sides", "TRIM(Name) LIKE '%ann%'", QStringList{"Anna", "Hanna", "Johanna Berg"});
        addRow("apostrophe", "Name LIKE 'o''b%'", QStringList{"O'Brien"});
        addRow("literal %", "Name LIKE '%[%]%'", QStringList{"100% Cotton"});
        addRow("ESCAPE", "Name LIKE '%!_%' ESCAPE '!'", QStringList{"under_score"});
        addRow("NOT LIKE", "Name NOT LIKE '%n%'", QStringList{"Ärger", "Bob", "José"});
        // Equal texts ignore the case, also of accented letters, but not the accents.
        addRow("equal, apostrophe, other case", "Name = 'o''brien'", QStringList{"O'Brien"});
        addRow("equal, capital umlaut", "Name = 'äRGER'", QStringList{"Ärger"});
        addRow("equal, capital accent", "Name = 'JOSÉ'", QStringList{"José"});
        addRow("accent is not ignored", "Name = 'Jose' OR Name = 'Arger'", QStringList{});
        // A pattern the engine refuses; the connection goes on working.
        addRow("lone [", "TRIM(Name) LIKE '%[%'", QStringList{"error"});
        addRow("escape character at the end", "Name LIKE 'abc!' ESCAPE '!'", QStringList{"error"});
    }
    void like()
    {
        auto [condition, names] = fetch<QString, QStringList>("condition", "names");
        openNewDatabase();
        insertNames({"100% Cotton", "Anna", "Ärger", "Bob", "Henne", "Hanna", "Johanna Berg", "José", "O'Brien",
                     "under_score"});
        const QString sql = "SELECT Name FROM Person WHERE 1 = 1 AND " + condition + " ORDER BY Name ";
        const std::optional<EngineError> error = failureOf([&] { m_connection->OpenRecordset(sql); });
        if (names == QStringList{"error"}) {
            QCOMPARE(error ? error->number() : 0, GenericError);
            QVERIFY2(error->description().contains("pattern"), qPrintable(error->description()));
            QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Name LIKE 'a%'"), 1);
            return;
        }
        QVERIFY2(!error, error ? qPrintable(error->description()) : "");
        QCOMPARE(column(m_connection->OpenRecordset(sql)), names);
    }

    void constraintsEnforced_data()
    {
        // refusal: the error description, empty when the statement is accepted
        addColumns<QString, QString>("statement", "refusal");

        const QString person = "INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(";
        auto tooLong = [](const char* field, int width) {
            return QString("The text is too long for the field %1, which holds at most %2 characters.")
                .arg(field)
                .arg(width);
        };
        auto outOfRange = [](const char* field, const char* range) {
            return QString("The value is out of range for the field %1 (%2).").arg(field, range);
        };
        auto name = [&](const char* character, int length) {
            return person + "2, '" + QString(character).repeated(length) + "', Null, '', '') ";
        };
        addRow("name of 100 characters", name("n", 100), "");
        addRow("name of 101 characters", name("n", 101), tooLong("Name", 100));
        addRow("100 accented characters", name("é", 100), "");
        addRow("101 accented characters", name("é", 101), tooLong("Name", 100));
        addRow("text for a date", person + "2, 'A', 'hello', '', '') ", "The field Dateofbirth holds no valid date.");
        addRow("contact number too high", person + "32768, 'A', Null, '', '') ",
               outOfRange("Contactnr", "-32768 to 32767"));
        addRow("number of 51 characters", PhoneInsert + "1, 2, '" + QString(51, '1') + "', '') ",
               tooLong("Number", 50));
        addRow("order 255", PhoneInsert + "1, 255, '1', '') ", "");
        addRow("order 256", PhoneInsert + "1, 256, '1', '') ", outOfRange("Order", "0 to 255"));
        addRow("e-mail of 101 characters",
               "INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(1, 1, '" + QString(101, 'e') +
                   "', '') ",
               tooLong("Email", 100));
        // The keys and the relationship: the engine's own words.
        addRow("phone of nobody", PhoneInsert + "2, 1, '9', '') ", "FOREIGN KEY constraint failed");
        addRow("second phone in one place", PhoneInsert + "1, 1, '9', '') ",
               "UNIQUE constraint failed: Phone.Contactnr, Phone.Order");
        addRow("person number twice", "INSERT INTO Person(Contactnr, Name) VALUES(1, 'Again')",
               "UNIQUE constraint failed: Person.Contactnr");
        addRow("person before its phones", "DELETE FROM Person WHERE Contactnr = 1", "FOREIGN KEY constraint failed");
        addRow("widening update", "UPDATE Person SET Name = Name & '" + QString(96, 'x') + "' WHERE Contactnr = 1 ",
               tooLong("Name", 100));
    }
    void constraintsEnforced()
    {
        auto [statement, refusal] = fetch<QString, QString>("statement", "refusal");
        openNewDatabase();
        insertPerson(*m_connection, 1, "Owner");
        m_connection->Execute(PhoneInsert + "1, 1, '123', '') ");
        const std::optional<EngineError> error = failureOf([&] { m_connection->Execute(statement); });
        if (refusal.isEmpty()) {
            QVERIFY2(!error, error ? qPrintable(error->description()) : "");
            return;
        }
        QVERIFY(error);
        QCOMPARE((QVariantList{error->number() & 0xFF, error->description()}), (QVariantList{Constraint, refusal}));
        QCOMPARE(firstColumn(*m_connection, "SELECT [Number] FROM Phone"), QStringList{"123"});
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Owner"});
    }

    void alterColumnWidens()
    {
        // A file of an older version: narrower phone and e-mail texts.
        const QString file = path("narrow.mdb");
        makeFile(file, olderTables(false, true));
        m_connection->Open(file);
        insertNames({"Anna", "Bob"});
        for (const char* values : {"1, 2, '0456', 'Mobile'", "1, 1, '0123', 'Home'", "2, 1, '0789', ''"})
            m_connection->Execute(PhoneInsert + values + ") ");
        m_connection->Execute("INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(1, 1, 'a@b.example', "
                              "'x') ");
        QCOMPARE(m_connection->DefinedSize("Phone", "Description"), 10);
        QVERIFY(errorOf(*m_connection, PhoneInsert + "2, 2, '" + QString(21, '1') + "', '') "));

        for (const char* column : {"Phone ALTER COLUMN [Number] CHAR(50)", "Phone ALTER COLUMN Description CHAR(100)",
                                   "Email ALTER COLUMN Email CHAR(100)", "Email ALTER COLUMN Description CHAR(100)"})
            m_connection->Execute(QString("ALTER TABLE %1 ").arg(column));
        QCOMPARE(widths(*m_connection), (QList<int>{50, 100, 100, 100}));
        // The rows are all there, and a person's phones still come in their order.
        QCOMPARE(column(m_connection->OpenRecordset("SELECT * FROM Phone WHERE Contactnr = 1"), "Number"),
                 (QStringList{"0123", "0456"}));
        QCOMPARE(count("Phone") + count("Email"), 4);

        // The new widths hold, and so do the keys, the relationship and the collation.
        m_connection->Execute(PhoneInsert + "2, 2, '" + QString(50, '1') + "', '" + QString(100, 'd') + "') ");
        QCOMPARE(errorOf(*m_connection, PhoneInsert + "2, 3, '" + QString(51, '1') + "', '') ") & 0xFF, Constraint);
        QCOMPARE(errorOf(*m_connection, PhoneInsert + "1, 1, '9', '') "), PrimaryKeyConstraint);
        QCOMPARE(errorOf(*m_connection, PhoneInsert + "9, 1, '9', '') "), ForeignKeyConstraint);
        QVERIFY(errorOf(*m_connection, "DELETE FROM Person WHERE Contactnr = 1"));
        QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Phone WHERE Description = 'HOME'"), 1);
        QCOMPARE(scalar(*m_connection, "PRAGMA foreign_keys"), 1);
        QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_key_check").RecordCount(), 0);
        QCOMPARE(integrityCheck(*m_connection), QString("ok"));
        QVERIFY(!m_connection->TableExists("addrion_rebuild_Phone"));

        // The change is in the file, not only in this connection.
        m_connection->Close();
        m_connection->Open(file);
        QCOMPARE((QList<int>{m_connection->DefinedSize("Phone", "Number"), count("Phone")}), (QList<int>{50, 4}));
    }

    void alterColumnFailsCleanly()
    {
        openNewDatabase();
        insertPerson(*m_connection, 1, "Anna");
        m_connection->Execute(PhoneInsert + "1, 1, '0123456', '') ");
        // Narrower than the data: refused, nothing changed.
        QVERIFY(errorOf(*m_connection, "ALTER TABLE Phone ALTER COLUMN [Number] CHAR(3) "));
        QCOMPARE(m_connection->DefinedSize("Phone", "Number"), 50);
        QCOMPARE(firstColumn(*m_connection, "SELECT [Number] FROM Phone"), QStringList{"0123456"});
        QCOMPARE(scalar(*m_connection, "PRAGMA foreign_keys"), 1);
        QVERIFY(errorOf(*m_connection, "ALTER TABLE Phone ALTER COLUMN Missing CHAR(3) "));
        QVERIFY(errorOf(*m_connection, "ALTER TABLE Missing ALTER COLUMN Description CHAR(3) "));
        {
            Engine::Connection::Transaction transaction(*m_connection);
            QVERIFY(errorOf(*m_connection, "ALTER TABLE Phone ALTER COLUMN Description CHAR(200) "));
        }
        QCOMPARE(m_connection->DefinedSize("Phone", "Description"), 100);
        QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    }

    void dropColumns()
    {
        const QString file = path("old.mdb");
        makeFile(file, olderTables(true, false).mid(0, 2));
        m_connection->Open(file);
        m_connection->Execute("INSERT INTO Person(Contactnr, Firstname, Lastname, Dateofbirth, Address, [Note]) "
                              "VALUES(1, 'Anna', 'Berg', #5/6/1970#, 'Street 1', 'n') ");
        m_connection->Execute(PhoneInsert + "1, 1, '0123', '') ");
        QCOMPARE(m_connection->ColumnCount("Person"), 6);
        // All or nothing: the second name is wrong, so the first stays too.
        QVERIFY(errorOf(*m_connection, "ALTER TABLE Person DROP COLUMN Address, Missing "));
        QCOMPARE(m_connection->ColumnCount("Person"), 6);

        m_connection->Execute("ALTER TABLE Person DROP COLUMN Firstname, Lastname ");
        Engine::Recordset rs = m_connection->OpenRecordset("SELECT * FROM Person");
        QCOMPARE(rs.ColumnNames(), (QStringList{"Contactnr", "Dateofbirth", "Address", "Note"}));
        QCOMPARE(rs.Fields("Dateofbirth").toDate(), QDate(1970, 5, 6));
        QVERIFY(errorOf(*m_connection, "DELETE FROM Person WHERE Contactnr = 1"));
        QCOMPARE(integrityCheck(*m_connection), QString("ok"));
    }

    void recordset()
    {
        openNewDatabase();
        insertPerson(*m_connection, 1, "Anna", "#3/14/1980#");
        insertPerson(*m_connection, 2, "Bob");
        insertPerson(*m_connection, 3, "Cleo", "#1/1/2001#");
        Engine::Recordset rs =
            m_connection->OpenRecordset("SELECT Contactnr, Name, Dateofbirth, Address FROM Person ORDER BY Contactnr");
        QCOMPARE((QList<int>{rs.RecordCount(), rs.FieldCount(), rs.Bof(), rs.Eof()}), (QList<int>{3, 4, 0, 0}));
        QCOMPARE(rs.ColumnNames(), (QStringList{"Contactnr", "Name", "Dateofbirth", "Address"}));
        QCOMPARE(rs.Fields("CONTACTNR").metaType(), QMetaType::fromType<int>());
        // A variant of another type than QDate never equals the date.
        QCOMPARE((QVariantList{rs.Fields("contactnr"), rs.Fields(1), rs.Fields("Dateofbirth"),
                               rs.Fields("Address").isNull(), rs.Fields("Address").toString()}),
                 (QVariantList{1, "Anna", QDate(1980, 3, 14), false, QString()}));
        QVERIFY(failureOf([&] { rs.Fields("Missing"); }) && failureOf([&] { rs.Fields(4); }));
        rs.MoveNext();
        QCOMPARE(rs.Fields("Name").toString(), QString("Bob"));
        QVERIFY(rs.Fields("Dateofbirth").isNull());
        rs.MoveNext();
        rs.MoveNext();
        QVERIFY(rs.Eof());
        QVERIFY(failureOf([&] { rs.Fields("Name"); }) && failureOf([&] { rs.MoveNext(); }));
        rs.MoveFirst();
        QCOMPARE(rs.Fields("Contactnr").toInt(), 1);

        Engine::Recordset empty = m_connection->OpenRecordset("SELECT * FROM Person WHERE 1 = 2 ");
        QCOMPARE((QList<int>{empty.RecordCount(), empty.FieldCount(), empty.Bof(), empty.Eof()}),
                 (QList<int>{0, 5, 1, 1}));

        // Columns of the same name from two tables, and a bare Order.
        m_connection->Execute(
            "INSERT INTO Email(ContactNr, [Order], Email, Description) VALUES(2, 1, 'b@x.example', '') ");
        rs = m_connection->OpenRecordset("SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, "
                                         "Email WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1");
        QCOMPARE((QStringList{rs.Fields("Person.Contactnr").toString(), rs.Fields("Email.Contactnr").toString(),
                              rs.Fields("Order").toString(), rs.Fields("Email").toString()}),
                 (QStringList{"2", "2", "1", "b@x.example"}));

        // The engine's date functions, and a date literal in a condition; no date has no parts.
        rs = m_connection->OpenRecordset("SELECT Year(Dateofbirth), Month(Dateofbirth), Day(Dateofbirth) FROM Person "
                                         "WHERE Dateofbirth = #3/14/1980# OR Dateofbirth IS NULL ORDER BY Contactnr");
        QCOMPARE((QVariantList{rs.RecordCount(), rs.Fields(0), rs.Fields(1), rs.Fields(2)}),
                 (QVariantList{2, 1980, 3, 14}));
        rs.MoveNext();
        QVERIFY(rs.Fields(0).isNull() && rs.Fields(1).isNull() && rs.Fields(2).isNull());
    }

    void transactions()
    {
        openNewDatabase();
        {
            Engine::Connection::Transaction transaction(*m_connection);
            insertPerson(*m_connection, 1, "Undone");
            m_connection->Execute(PhoneInsert + "1, 1, '1', '') ");
        }
        QCOMPARE(count("Person") + count("Phone"), 0);
        {
            Engine::Connection::Transaction transaction(*m_connection);
            insertPerson(*m_connection, 1, "Kept");
            transaction.Commit();
        }
        // An error inside leaves the transaction to be rolled back as a whole.
        const std::optional<EngineError> duplicate = failureOf([&] {
            Engine::Connection::Transaction transaction(*m_connection);
            insertPerson(*m_connection, 2, "Half");
            insertPerson(*m_connection, 1, "Duplicate");
            transaction.Commit();
        });
        QCOMPARE(duplicate ? duplicate->number() : 0, PrimaryKeyConstraint);
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

    void misuse()
    {
        Engine::Connection closed;
        QVERIFY(failureOf([&] { closed.Execute("SELECT 1"); }) &&
                failureOf([&] { closed.OpenRecordset("SELECT 1"); }) &&
                failureOf([&] { closed.TableExists("Person"); }) &&
                failureOf([&] { Engine::Connection::Transaction transaction(closed); }) &&
                failureOf([&] { closed.Open(m_dir->path()); }));
        closed.Close();
        QCOMPARE(closed.State(), 0);

        // One statement at a time.
        openNewDatabase();
        QVERIFY(errorOf(*m_connection, "INSERT INTO Person(Contactnr, Name) VALUES(1, 'a'); "
                                       "INSERT INTO Person(Contactnr, Name) VALUES(2, 'b')"));
        QCOMPARE(count("Person"), 0);
        for (const char* statement : {"", "   ", "SELEKT 1"})
            QVERIFY(errorOf(*m_connection, statement));
        // What the dialect refuses never reaches the file, and the error names the place.
        const std::optional<EngineError> date = failureOf([&] { insertPerson(*m_connection, 1, "X", "#2/30/2020#"); });
        QVERIFY2(date && date->description().contains("#2/30/2020#"), date ? qPrintable(date->description()) : "");
        m_connection->Execute("INSERT INTO Person(Contactnr, Name) VALUES(1, 'a');");
        QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person;"), 1);
    }

    void readOnly_data()
    {
        // The rollback journal needs the folder: a writable file in a locked folder is read-only.
        addTwoRows("folder", "file", "folder");
    }
    void readOnly()
    {
        QFETCH(bool, folder);
        const QString file = openNewDatabase();
        insertPerson(*m_connection, 1, "Anna");
        m_connection->Close();
        const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        QFile::setPermissions(folder ? m_dir->path() : file, readOnly);
        const QByteArray before = fingerprint(file);

        m_connection->Open(file);
        QCOMPARE(m_connection->Mode(), Engine::ModeRead);
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Anna"});
        const std::optional<EngineError> write = failureOf([&] { insertPerson(*m_connection, 2, "Bob"); });
        const std::optional<EngineError> compact = failureOf([&] { Engine::Compact(file); });
        QVERIFY(write && compact);
        if (!folder)
            QCOMPARE((QList<int>{write->number() & 0xFF, compact->number() & 0xFF}), (QList<int>{ReadOnly, ReadOnly}));
        m_connection->Close();
        QCOMPARE(fingerprint(file), before);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void notADatabase_data()
    {
        // contents: empty for a file the cipher program protected, "<missing>" for no file
        addColumns<QByteArray, int, bool>("contents", "number", "encrypted");
        QByteArray random(4096, '\0');
        QRandomGenerator generator(7);
        for (char& byte : random)
            byte = static_cast<char>(generator.bounded(256));
        addRow("text file named .mdb", QByteArray("Name;Phone\r\nAnna;0123\r\n"), NotADatabase, false);
        addRow("random bytes, not whole pages", random.left(1000), NotADatabase, false);
        addRow("random bytes, 1024 exactly", random.left(1024), Engine::PasswordProtectedError, true);
        addRow("random bytes, whole pages", random, Engine::PasswordProtectedError, true);
        addRow("zero bytes, whole pages", QByteArray(4096, '\0'), NotADatabase, false);
        addRow("text, whole pages", QByteArray("Anna;0123\r\n").repeated(400).left(4096), NotADatabase, false);
        addRow("random bytes after a page of text", QByteArray(1024, 'a') + random.mid(1024), NotADatabase, false);
        addRow("protected by the cipher program", QByteArray(), Engine::PasswordProtectedError, true);
        addRow("missing file", QByteArray("<missing>"), CantOpen, false);
    }
    void notADatabase()
    {
        auto [contents, number, encrypted] = fetch<QByteArray, int, bool>("contents", "number", "encrypted");
        const QString file = path("other.mdb");
        if (contents.isEmpty())
            QVERIFY(makeProtectedFile(file, "secret", "INSERT INTO Person (Contactnr, Name) VALUES (1, 'Anna');\n"));
        else if (contents != "<missing>")
            QVERIFY(TestSupport::writeFile(file, contents));
        contents = TestSupport::readFile(file);
        QCOMPARE(Engine::IsEncryptedDatabaseFile(file), encrypted);

        const std::optional<EngineError> error = failureOf([&] { m_connection->Open(file); });
        QVERIFY(error);
        QVERIFY2(!error->description().isEmpty() &&
                     error->description().contains(number == CantOpen ? "other.mdb" : ""),
                 qPrintable(error->description()));
        QCOMPARE((QVariantList{error->number(), m_connection->IsOpen(), m_connection->DataSource()}),
                 (QVariantList{number, false, file}));
        QVERIFY(failureOf([&] { Engine::Compact(file); }));
        QCOMPARE(TestSupport::readFile(file), contents);
        QCOMPARE(QFile::exists(file), number != CantOpen);
    }

    void compactWhileReading()
    {
        const QString file = openNewDatabase();
        insertNames({"Anna", "Bob"});
        m_connection->Execute("DELETE FROM Person WHERE Contactnr = 2");
        // A read transaction on another connection keeps the file busy.
        m_connection->Execute("BEGIN");
        QCOMPARE(count("Person"), 1);
        const QByteArray before = fingerprint(file);
        const std::optional<EngineError> busy = failureOf([&] { Engine::Compact(file, 100); });
        QCOMPARE(busy ? busy->number() & 0xFF : 0, Busy);
        QCOMPARE(fingerprint(file), before);
        m_connection->Execute("COMMIT");

        Engine::Compact(file, 100);
        QCOMPARE(integrityCheck(*m_connection), QString("ok"));
        QCOMPARE(column(m_connection->OpenRecordset("SELECT Name FROM Person")), QStringList{"Anna"});
    }

    void compactWhileAnotherProcessWrites()
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
        QVERIFY2(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0 && errors.isEmpty(),
                 errors.constData());
        const QByteArray report = writer.readAll().trimmed();
        QVERIFY2(report.startsWith("rows "), report.constData());
        const int written = report.mid(5).toInt();
        QVERIFY(written > 0 && written >= lastCount - 1);

        m_connection->Open(file);
        QCOMPARE(integrityCheck(*m_connection), QString("ok"));
        QCOMPARE(m_connection->OpenRecordset("PRAGMA foreign_key_check").RecordCount(), 0);
        QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Contactnr >= 1000"), written);
        // Every other person came with three phones, all or nothing.
        QCOMPARE(count("Phone"), 3 * (written / 2));
        QCOMPARE(scalar(*m_connection, "SELECT COUNT(1) FROM Person WHERE Contactnr < 1000"), 1);
    }

    void translate_data()
    {
        // expected: "" when the statement passes unchanged, "!" and a text the error names
        // when it is refused
        addColumns<QString, QString>("sql", "expected");

        addRow("date, one-digit month and day", "SELECT * FROM Person WHERE Dateofbirth = #1/2/2020# ",
               "SELECT * FROM Person WHERE Dateofbirth = '2020-01-02' ");
        addRow("date, two-digit month and day", "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# ",
               "WHERE Name LIKE '%an%' AND Dateofbirth > '1979-12-31' ");
        addRow("date, leap day", "SELECT #2/29/2000#", "SELECT '2000-02-29'");
        addRow("date, ISO order", "SELECT #1999-12-31#", "SELECT '1999-12-31'");
        addRow("date, ISO order, one-digit month and day", "SELECT #2020-1-2#", "SELECT '2020-01-02'");
        addRow("date with blanks inside the marks", "SELECT # 1/2/2020\t#", "SELECT '2020-01-02'");
        addRow("date-like text inside a literal", "SELECT 'Meeting #1/2/2020# & more' FROM Person", "");
        addRow("doubled apostrophes keep the literal open",
               "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < #1/1/2000#",
               "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < '2000-01-01'");
        addRow("date-like text inside brackets", "SELECT [a#1/2#b] FROM t", "");

        addRow("join of the name upgrade", "UPDATE Person SET Name = TRIM(TRIM(Firstname) & ' ' & TRIM(Lastname)) ",
               "UPDATE Person SET Name = TRIM(addrion_join(TRIM(Firstname), ' ', TRIM(Lastname))) ");
        addRow("join before a comparison", "SELECT * FROM t WHERE a & b = 'xy' AND c = 1",
               "SELECT * FROM t WHERE addrion_join(a, b) = 'xy' AND c = 1");
        addRow("join binds more loosely than +", "SELECT 1 + 2 & 'x' AS v", "SELECT addrion_join(1 + 2, 'x') AS v");
        addRow("join inside brackets first", "SELECT (a & b) & c", "SELECT addrion_join((addrion_join(a, b)), c)");

        addRow("bare Order in the e-mail list",
               "SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, Email "
               "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 ORDER BY Name ",
               "SELECT Person.Contactnr, Name, Email.Contactnr, [Order], Email FROM Person, Email "
               "WHERE Person.Contactnr = Email.Contactnr AND Email.[Order] = 1 ORDER BY Name ");
        addRow("ORDER BY over a line break", "SELECT * FROM Phone order\n  by Contactnr", "");
        addRow("bracketed Order stays", "SELECT Number FROM Phone, Person ORDER BY Name, Person.Contactnr, [Order] ",
               "");
        addRow("Order inside a literal", "SELECT 'Order' AS x", "");
        addRow("Order as part of a longer name", "SELECT Orders, OrderNo FROM t", "");

        // Table definitions get what enforces their declared types.
        addRow("create Phone", modDatabase::CreateTableStatements().at(1),
               "CREATE TABLE Phone ( Contactnr SMALLINT CHECK(Contactnr BETWEEN -32768 AND 32767), "
               "[Order] TINYINT CHECK([Order] BETWEEN 0 AND 255), "
               "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50), "
               "Description CHAR(100) COLLATE NOCASE CHECK(length(Description) <= 100), "
               "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) "
               "REFERENCES Person(Contactnr) ) ");
        addRow("create with a bare Order column", "CREATE TABLE t (Order TINYINT, PRIMARY KEY(Order))",
               "CREATE TABLE t ([Order] TINYINT CHECK([Order] BETWEEN 0 AND 255), PRIMARY KEY([Order]))");
        addRow("create keeps an explicit collation", "CREATE TABLE t (a CHAR(5) COLLATE BINARY)",
               "CREATE TABLE t (a CHAR(5) COLLATE BINARY CHECK(length(a) <= 5))");
        addRow("create with unknown type", "CREATE TABLE t (a BLOB, b REAL)", "");
        addRow("add column", "ALTER TABLE Person ADD COLUMN Name CHAR(100) ",
               "ALTER TABLE Person ADD COLUMN Name CHAR(100) COLLATE NOCASE CHECK(length(Name) <= 100) ");
        addRow("add column without the word COLUMN", "ALTER TABLE Person ADD Nick MEMO;",
               "ALTER TABLE Person ADD Nick MEMO COLLATE NOCASE;");
        addRow("other change of a table", "ALTER TABLE Person RENAME TO People", "");

        // Each declared type, and the checks that enforce it ("" when it needs none).
        for (const auto& [type, added] : std::initializer_list<std::pair<const char*, const char*>>{
                 {"CHAR(100)", " COLLATE NOCASE CHECK(length(a) <= 100)"},
                 {"char ( 7 )", " COLLATE NOCASE CHECK(length(a) <= 7)"},
                 {"VARCHAR(30)", " COLLATE NOCASE CHECK(length(a) <= 30)"},
                 {"TEXT(12)", " COLLATE NOCASE CHECK(length(a) <= 12)"},
                 {"CHAR", " COLLATE NOCASE CHECK(length(a) <= 255)"},
                 {"MEMO", " COLLATE NOCASE"},
                 {"TEXT", " COLLATE NOCASE"},
                 {"BYTE", " CHECK(a BETWEEN 0 AND 255)"},
                 {"LONG", " CHECK(a BETWEEN -2147483648 AND 2147483647)"},
                 {"DOUBLE", ""},
                 {"SMALLINT", " CHECK(a BETWEEN -32768 AND 32767)"},
                 {"DATE", " CHECK(a IS NULL OR a IS date(a))"}})
            QTest::addRow("column %s", type) << QString("CREATE TABLE t (a %1)").arg(type)
                                             << (*added ? QString("CREATE TABLE t (a %1%2)").arg(type, added) : "");

        // Everything else passes unchanged.
        addRow("copy into a file with # in its name", "VACUUM INTO '/home/me/db #1/2/2020#.mdb'", "");
        addRow("double-quoted name", "SELECT \"a&b\" FROM t", "");

        // Columns altered or dropped: "alter" or "drop", the table, (the columns), then the new
        // definition of an altered column or the steps of a drop, one after another.
        addRow("widen the phone number", "ALTER TABLE Phone ALTER COLUMN [Number] CHAR(50) ",
               "alter Phone (Number) [Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)");
        addRow("widen the e-mail description", "ALTER TABLE Email ALTER COLUMN Description CHAR(100) ",
               "alter Email (Description) Description CHAR(100) COLLATE NOCASE CHECK(length(Description) <= 100)");
        addRow("lower case, bare Order", "alter table Phone alter column Order smallint",
               "alter Phone (Order) [Order] smallint CHECK([Order] BETWEEN -32768 AND 32767)");
        addRow("ALTER without the word COLUMN", "ALTER TABLE Person ALTER Address MEMO;",
               "alter Person (Address) Address MEMO COLLATE NOCASE");
        addRow("drop the old name columns", "ALTER TABLE Person DROP COLUMN Firstname, Lastname ",
               "drop Person (Firstname, Lastname) ALTER TABLE Person DROP COLUMN Firstname; "
               "ALTER TABLE Person DROP COLUMN Lastname");
        addRow("drop one bracketed column", "ALTER TABLE [Person] DROP COLUMN [Note]",
               "drop Person (Note) ALTER TABLE [Person] DROP COLUMN [Note]");
        addRow(
            "drop three columns", "ALTER TABLE t DROP COLUMN a,b ,  c;",
            "drop t (a, b, c) ALTER TABLE t DROP COLUMN a; ALTER TABLE t DROP COLUMN b; ALTER TABLE t DROP COLUMN c");

        // Refused, with the error naming the place.
        addRow("30 February", "SELECT * FROM Person WHERE Dateofbirth = #2/30/2020# ", "!#2/30/2020#");
        addRow("29 February of a common year", "SELECT #2/29/2019#", "!#2/29/2019#");
        addRow("month 13", "SELECT #13/1/2020#", "!#13/1/2020#");
        addRow("two-digit year", "SELECT #1/1/20#", "!#1/1/20#");
        addRow("no date at all", "SELECT #hello#", "!#hello#");
        addRow("five-digit year", "SELECT #1/2/20201#", "!#1/2/20201#");
        addRow("three-digit month", "SELECT #001/2/2020#", "!#001/2/2020#");
        addRow("a part missing", "SELECT #1//2020#", "!#1//2020#");
        addRow("a letter after the year", "SELECT #1/2/2020x#", "!#1/2/2020x#");
        addRow("four parts", "SELECT #2020-01-02-03#", "!#2020-01-02-03#");
        addRow("digits of another script", "SELECT #\u0661/2/2020#", "!/2/2020#");
        addRow("a blank inside a part", "SELECT #1 /2/2020#", "!#1 /2/2020#");
        addRow("unclosed date", "SELECT * FROM t WHERE d = #1/1/2020", "!#");
        addRow("unclosed text", "SELECT * FROM t WHERE a = 'abc", "!'abc");
        addRow("unclosed bracket", "SELECT [Name FROM Person", "![Name");
        addRow("& without left side", "SELECT & 'x'", "!&");
        addRow("& without right side", "SELECT 'x' & FROM t", "!&");
        addRow("ALTER COLUMN without type", "ALTER TABLE Phone ALTER COLUMN [Number] ", "!ALTER COLUMN");
        addRow("DROP COLUMN with a dangling comma", "ALTER TABLE Person DROP COLUMN Firstname, ", "!DROP COLUMN");
    }

    void translate()
    {
        auto [sql, expected] = fetch<QString, QString>("sql", "expected");
        QString error;
        const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
        if (expected.startsWith('!')) {
            QVERIFY(!statement);
            QVERIFY2(error.contains(expected.mid(1)), qPrintable(error));
            return;
        }
        QVERIFY2(statement, qPrintable(error));
        const QString kind = statement->kind == Kind::AlterColumn   ? "alter"
                             : statement->kind == Kind::DropColumns ? "drop"
                                                                    : "";
        QCOMPARE(kind.isEmpty() ? statement->sql
                                : QString("%1 %2 (%3) %4")
                                      .arg(kind, statement->table, statement->columns.join(", "),
                                           statement->definition + statement->steps.join("; ")),
                 expected.isEmpty() ? sql : expected);
    }

    // Statements of one shape are translated and prepared once, then run with their values.
    void parameterize_data()
    {
        addColumns<QString, QString, QStringList>("sql", "shape", "values");
        addRow("a person's row", "INSERT INTO Person(Contactnr, Name, Dateofbirth) VALUES(7, 'O''Brien', #3/14/1980#)",
               "INSERT INTO Person(Contactnr, Name, Dateofbirth) VALUES(?, ?, ?)",
               QStringList{"7", "'O'Brien'", "'1980-03-14'"});
        addRow("numbers naming columns stay", "SELECT Name FROM Person WHERE Contactnr > 2 GROUP BY Name ORDER BY 1",
               "SELECT Name FROM Person WHERE Contactnr > ? GROUP BY Name ORDER BY 1", QStringList{"2"});
        addRow("a count stays", "SELECT Name FROM Person LIMIT 5", "SELECT Name FROM Person LIMIT 5", QStringList{});
        addRow("names are no values", "UPDATE [Table 1] SET item1 = \"x\", Order = 3 WHERE a = 'b'",
               "UPDATE [Table 1] SET item1 = \"x\", Order = ? WHERE a = ?", QStringList{"3", "'b'"});
        addRow("a fraction stays", "SELECT 1.5 + 2 FROM Person", "SELECT 1.5 + ? FROM Person", QStringList{"2"});
        addRow("table definitions are left alone", "CREATE TABLE t (a CHAR(5) DEFAULT 'x')", "", QStringList{});
        addRow("a comment", "SELECT Name FROM Person -- 'x'", "", QStringList{});
        addRow("parameters of its own", "SELECT Name FROM Person WHERE Name = ?", "", QStringList{});
        addRow("an impossible date", "SELECT Name FROM Person WHERE Dateofbirth = #2/30/2020#", "", QStringList{});
        addRow("an unclosed text", "SELECT Name FROM Person WHERE Name = 'x", "", QStringList{});
    }
    void parameterize()
    {
        auto [sql, shape, values] = fetch<QString, QString, QStringList>("sql", "shape", "values");
        const std::optional<JetDialect::Parameterized> result = JetDialect::Parameterize(sql);
        QCOMPARE(result ? result->shape : QString(), shape);
        QStringList found;
        if (result)
            for (const JetDialect::Literal& value : result->values)
                found << (value.integer ? QString::number(value.number) : "'" + value.text + "'");
        QCOMPARE(found, values);
    }

    // Kept statements give what a statement prepared anew gives: other values, a failure
    // and the same shape again, a shape run from inside the rows of another.
    void statementsOfOneShape()
    {
        openNewDatabase();
        insertNames({"Anna", "O'Brien", "Cleo"});
        const auto nameOf = [this](int contactnr) {
            Engine::Recordset rs =
                m_connection->OpenRecordset(QString("SELECT Name FROM Person WHERE Contactnr = %1").arg(contactnr));
            return rs.Eof() ? QString() : rs.Fields(0).toString();
        };
        QCOMPARE((QStringList{nameOf(1), nameOf(2), nameOf(3), nameOf(4)}),
                 (QStringList{"Anna", "O'Brien", "Cleo", ""}));
        QCOMPARE(errorOf(*m_connection, "INSERT INTO Person (Contactnr, Name) VALUES (2, 'Twice')"),
                 PrimaryKeyConstraint);
        QCOMPARE(errorOf(*m_connection, "INSERT INTO Person (Contactnr, Name) VALUES (4, 'Dora')"), 0);
        QCOMPARE(nameOf(4), QString("Dora"));
        QStringList inner;
        m_connection->ForEachRow(
            "SELECT Contactnr FROM Person WHERE Contactnr < 3 ORDER BY Contactnr",
            [&](const Engine::Connection::Row& row) {
                inner << nameOf(row.Int(0));
                m_connection->ForEachRow(
                    QString("SELECT Contactnr FROM Person WHERE Contactnr < %1 ORDER BY Contactnr").arg(row.Int(0)),
                    [&](const Engine::Connection::Row& before) { inner << QString::number(before.Int(0)); });
            });
        QCOMPARE(inner, (QStringList{"Anna", "O'Brien", "1"}));
        // A kept statement holds nothing open: the file can be compacted, closed and opened.
        const QString file = m_connection->DataSource();
        m_connection->Close();
        Engine::Compact(file);
        m_connection->Open(file);
        QCOMPARE(nameOf(2), QString("O'Brien"));
    }

    void rebuildTable_data()
    {
        addColumns<QString, QString, QString, QString>("createSql", "column", "definition", "expected");

        const QString narrowPhone = "CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, "
                                    "[Number] CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20), "
                                    "Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10), "
                                    "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                                    "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ";
        auto rebuilt = [&](const QString& from, const QString& to) {
            return QString(narrowPhone).replace("TABLE Phone", "TABLE \"addrion_rebuild_Phone\"").replace(from, to);
        };
        addRow("bracketed column", narrowPhone, "Number",
               "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)",
               rebuilt("CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20)",
                       "CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)"));
        addRow(
            "last column, other case", narrowPhone, "description", "Description CHAR(100)",
            rebuilt("Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10)", "Description CHAR(100)"));
        addRow("table renamed before (quoted name)", "CREATE TABLE \"Email\" (Contactnr SMALLINT, Email CHAR(50))",
               "Email", "Email CHAR(100)",
               "CREATE TABLE \"addrion_rebuild_Phone\" (Contactnr SMALLINT, Email CHAR(100))");
        // Refused: "!" and the error. A table constraint that names the column is not the column.
        addRow("constraint, not a column", "CREATE TABLE t (a CHAR(5), CONSTRAINT PK PRIMARY KEY(b))", "CONSTRAINT",
               "x CHAR(9)", "!The table has no column named CONSTRAINT");
        addRow("no such column", "CREATE TABLE t (a CHAR(5))", "b", "b CHAR(9)", "!The table has no column named b");
        addRow("not a table", "SELECT 1", "a", "a CHAR(9)", "!The table definition cannot be read: SELECT 1");
    }

    void rebuildTable()
    {
        auto [createSql, column, definition, expected] =
            fetch<QString, QString, QString, QString>("createSql", "column", "definition", "expected");
        QString error;
        const std::optional<QString> rebuilt =
            JetDialect::RebuildTableSql(createSql, "addrion_rebuild_Phone", column, definition, &error);
        QCOMPARE(rebuilt.value_or("!" + error), expected);
    }

    // What a column of a declared type gets, on its own.
    void columnConstraints()
    {
        QCOMPARE(JetDialect::ColumnConstraints("[Name]", "char ( 7 )"),
                 QString(" COLLATE NOCASE CHECK(length([Name]) <= 7)"));
    }

    void likePattern_data()
    {
        addColumns<QString, QString, bool>("pattern", "text", "matches");

        addRow("% inside", "%ann%", "Johanna Berg", true);
        addRow("% at the end only", "ann%", "Johanna", false);
        addRow("empty pattern, empty text", "", "", true);
        addRow("empty pattern, some text", "", "x", false);
        addRow("_ needs one character", "_", "", false);
        addRow("_ takes any one", "_ob", "Bob", true);
        addRow("_ takes exactly one", "_ob", "Bobb", false);
        addRow("_ takes a non-ASCII letter", "Jos_", "José", true);
        addRow("case ignored", "o'brien", "O'BRIEN", true);
        addRow("case ignored beyond ASCII", "ärger%", "ÄRGER Max", true);
        addRow("Greek case", "οδυσσευσ", "ΟΔΥΣΣΕΥΣ", true);
        addRow("accents not folded", "e%", "Émile", false);
        addRow("accent matches its capital", "é%", "Émile", true);
        addRow("class", "[bc]ob", "Cob", true);
        addRow("class, no member", "[bc]ob", "Rob", false);
        addRow("negated class", "[!bc]ob", "Rob", true);
        addRow("negated class, member", "[!bc]ob", "bob", false);
        addRow("range", "[a-c]x", "Bx", true);
        addRow("range, outside", "[a-c]x", "dx", false);
        addRow("negated range", "[!0-9]%", "a1", true);
        addRow("negated range, inside", "[!0-9]%", "1a", false);
        addRow("accent class of the quick search", "%[aàáâãäå]nn[aàáâãäå]%", "Jóhànna", true);
        addRow("accent class, no match", "%[aàáâãäå]nn[aàáâãäå]%", "Henne", false);
        addRow("wildcards inside a class are literal", "a[%]b", "a%b", true);
        addRow("wildcards inside a class, other character", "a[%]b", "axb", false);
        addRow("hyphen first in a class", "[-a]x", "-x", true);
        addRow("empty class stands for nothing", "[]abc", "abc", true);
        addRow("closing bracket alone is literal", "a]", "a]", true);
        addRow("back-tracking over several %", "%a%b%c%", "xaybzc", true);
        addRow("several % in the wrong order", "%a%b%c%", "xcybza", false);
        addRow("% between fixed ends, wrong end", "a%z", "abcza", false);
        addRow("character outside the basic plane", "%😀%", "a😀b", true);
        // Patterns that are refused ("!" for the text).
        addRow("lone [", "%[%", "!", false);
        addRow("[ without ] at the end", "ab[c", "!", false);
        addRow("negated class without ]", "[!abc", "!", false);
        addRow("reversed range", "[z-a]", "!", false);
    }

    void likePattern()
    {
        auto [pattern, text, matches] = fetch<QString, QString, bool>("pattern", "text", "matches");
        QString error;
        const QByteArray utf8Pattern = pattern.toUtf8();
        const QByteArray utf8Text = text.toUtf8();
        const std::optional<JetDialect::LikePattern> compiled =
            JetDialect::LikePattern::Compile(std::string_view(utf8Pattern.constData(), utf8Pattern.size()), 0, &error);
        if (text == "!") {
            QVERIFY(!compiled);
            QVERIFY2(error.startsWith("Invalid pattern"), qPrintable(error));
            return;
        }
        QVERIFY2(compiled, qPrintable(error));
        QCOMPARE(compiled->Matches(std::string_view(utf8Text.constData(), utf8Text.size())), matches);
    }

    void isoDate_data()
    {
        addColumns<QString, bool, QDate>("text", "valid", "date");
        addRow("date", "1979-12-31", true, QDate(1979, 12, 31));
        addRow("date and time", "2000-02-29 10:00:00", true, QDate(2000, 2, 29));
        addRow("ISO date and time", "2000-02-29T10:00", true, QDate(2000, 2, 29));
        addRow("impossible day", "2019-02-29", false, QDate());
        addRow("short", "2019-2-1", false, QDate());
        addRow("trailing text", "2019-02-01x", false, QDate());
        addRow("letters", "abcd-ef-gh", false, QDate());
        addRow("empty", "", false, QDate());
    }

    void isoDate()
    {
        auto [text, valid, date] = fetch<QString, bool, QDate>("text", "valid", "date");
        const QByteArray utf8 = text.toUtf8();
        int year = 0, month = 0, day = 0;
        QCOMPARE(JetDialect::ParseIsoDate(std::string_view(utf8.constData(), utf8.size()), &year, &month, &day), valid);
        if (valid)
            QCOMPARE(QDate(year, month, day), date);
    }
};

ADDRION_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
