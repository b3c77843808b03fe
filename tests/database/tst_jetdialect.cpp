#include "DataRow.h"
#include "TestSupport.h"

#include "database/JetDialect.h"
#include "database/modDatabase.h"

#include <QTest>

using JetDialect::Kind;
using TestSupport::addRow;

Q_DECLARE_METATYPE(JetDialect::Kind)

// The program's SQL dialect turned into the engine's: dates, joins, the column named
// Order, column types, and the LIKE patterns with their character classes.
class TestJetDialect : public QObject
{
    Q_OBJECT

private slots:
    void translate_data()
    {
        TestSupport::addColumns<QString, QString>("sql", "expected");

        // Date literals.
        addRow("date, one-digit month and day", "SELECT * FROM Person WHERE Dateofbirth = #1/2/2020# ",
               "SELECT * FROM Person WHERE Dateofbirth = '2020-01-02' ");
        addRow("date, two-digit month and day", "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# ",
               "WHERE Name LIKE '%an%' AND Dateofbirth > '1979-12-31' ");
        addRow("date, leap day", "SELECT #2/29/2000#", "SELECT '2000-02-29'");
        addRow("date, ISO order", "SELECT #1999-12-31#", "SELECT '1999-12-31'");
        addRow("date-like text inside a literal", "SELECT 'Meeting #1/2/2020# & more' FROM Person",
               "SELECT 'Meeting #1/2/2020# & more' FROM Person");
        addRow("doubled apostrophes keep the literal open",
               "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < #1/1/2000#",
               "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < '2000-01-01'");
        addRow("date-like text inside brackets", "SELECT [a#1/2#b] FROM t", "SELECT [a#1/2#b] FROM t");

        // & joins.
        addRow("join of the name upgrade", "UPDATE Person SET Name = TRIM(TRIM(Firstname) & ' ' & TRIM(Lastname)) ",
               "UPDATE Person SET Name = TRIM(addrion_join(TRIM(Firstname), ' ', TRIM(Lastname))) ");
        addRow("join before a comparison", "SELECT * FROM t WHERE a & b = 'xy' AND c = 1",
               "SELECT * FROM t WHERE addrion_join(a, b) = 'xy' AND c = 1");
        addRow("join binds more loosely than +", "SELECT 1 + 2 & 'x' AS v", "SELECT addrion_join(1 + 2, 'x') AS v");
        addRow("join inside brackets first", "SELECT (a & b) & c", "SELECT addrion_join((addrion_join(a, b)), c)");

        // The column named Order.
        addRow("bare Order in the e-mail list",
               "SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, Email "
               "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 ORDER BY Name ",
               "SELECT Person.Contactnr, Name, Email.Contactnr, [Order], Email FROM Person, Email "
               "WHERE Person.Contactnr = Email.Contactnr AND Email.[Order] = 1 ORDER BY Name ");
        addRow("ORDER BY over a line break", "SELECT * FROM Phone order\n  by Contactnr",
               "SELECT * FROM Phone order\n  by Contactnr");
        addRow("bracketed Order stays", "SELECT Number FROM Phone, Person ORDER BY Name, Person.Contactnr, [Order] ",
               "SELECT Number FROM Phone, Person ORDER BY Name, Person.Contactnr, [Order] ");
        addRow("Order inside a literal", "SELECT 'Order' AS x", "SELECT 'Order' AS x");
        addRow("Order as part of a longer name", "SELECT Orders, OrderNo FROM t", "SELECT Orders, OrderNo FROM t");

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
        addRow("create with unknown type", "CREATE TABLE t (a BLOB, b REAL)", "CREATE TABLE t (a BLOB, b REAL)");
        addRow("add column", "ALTER TABLE Person ADD COLUMN Name CHAR(100) ",
               "ALTER TABLE Person ADD COLUMN Name CHAR(100) COLLATE NOCASE CHECK(length(Name) <= 100) ");
        addRow("add column without the word COLUMN", "ALTER TABLE Person ADD Nick MEMO;",
               "ALTER TABLE Person ADD Nick MEMO COLLATE NOCASE;");

        // Everything else passes unchanged.
        addRow("copy into a file with # in its name", "VACUUM INTO '/home/me/db #1/2/2020#.mdb'",
               "VACUUM INTO '/home/me/db #1/2/2020#.mdb'");
        addRow("double-quoted name", "SELECT \"a&b\" FROM t", "SELECT \"a&b\" FROM t");
    }

    void translate()
    {
        auto [sql, expected] = TestSupport::fetch<QString, QString>("sql", "expected");
        QString error;
        const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
        QVERIFY2(statement, qPrintable(error));
        QCOMPARE(statement->kind, Kind::Plain);
        QCOMPARE(statement->sql, expected);
    }

    void translateFails_data()
    {
        TestSupport::addColumns<QString, QString>("sql", "message");

        addRow("30 February", "SELECT * FROM Person WHERE Dateofbirth = #2/30/2020# ", "#2/30/2020#");
        addRow("29 February of a common year", "SELECT #2/29/2019#", "#2/29/2019#");
        addRow("month 13", "SELECT #13/1/2020#", "#13/1/2020#");
        addRow("two-digit year", "SELECT #1/1/20#", "#1/1/20#");
        addRow("no date at all", "SELECT #hello#", "#hello#");
        addRow("unclosed date", "SELECT * FROM t WHERE d = #1/1/2020", "#");
        addRow("unclosed text", "SELECT * FROM t WHERE a = 'abc", "'abc");
        addRow("unclosed bracket", "SELECT [Name FROM Person", "[Name");
        addRow("& without left side", "SELECT & 'x'", "&");
        addRow("& without right side", "SELECT 'x' & FROM t", "&");
        addRow("ALTER COLUMN without type", "ALTER TABLE Phone ALTER COLUMN [Number] ", "ALTER COLUMN");
        addRow("DROP COLUMN with a dangling comma", "ALTER TABLE Person DROP COLUMN Firstname, ", "DROP COLUMN");
    }

    void translateFails()
    {
        auto [sql, message] = TestSupport::fetch<QString, QString>("sql", "message");
        QString error;
        QVERIFY(!JetDialect::Translate(sql, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void classify_data()
    {
        TestSupport::addColumns<QString, Kind, QString, QStringList, QString, QStringList>(
            "sql", "kind", "table", "columns", "definition", "steps");

        addRow("widen the phone number", "ALTER TABLE Phone ALTER COLUMN [Number] CHAR(50) ", Kind::AlterColumn,
               "Phone", QStringList{"Number"}, "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)",
               QStringList());
        addRow("widen the e-mail description", "ALTER TABLE Email ALTER COLUMN Description CHAR(100) ",
               Kind::AlterColumn, "Email", QStringList{"Description"},
               "Description CHAR(100) COLLATE NOCASE CHECK(length(Description) <= 100)", QStringList());
        addRow("lower case, bare Order", "alter table Phone alter column Order smallint", Kind::AlterColumn, "Phone",
               QStringList{"Order"}, "[Order] smallint CHECK([Order] BETWEEN -32768 AND 32767)", QStringList());
        addRow("ALTER without the word COLUMN", "ALTER TABLE Person ALTER Address MEMO;", Kind::AlterColumn, "Person",
               QStringList{"Address"}, "Address MEMO COLLATE NOCASE", QStringList());
        addRow("drop the old name columns", "ALTER TABLE Person DROP COLUMN Firstname, Lastname ", Kind::DropColumns,
               "Person", QStringList{"Firstname", "Lastname"}, QString(),
               QStringList{"ALTER TABLE Person DROP COLUMN Firstname", "ALTER TABLE Person DROP COLUMN Lastname"});
        addRow("drop one bracketed column", "ALTER TABLE [Person] DROP COLUMN [Note]", Kind::DropColumns, "Person",
               QStringList{"Note"}, QString(), QStringList{"ALTER TABLE [Person] DROP COLUMN [Note]"});
        addRow(
            "drop three columns", "ALTER TABLE t DROP COLUMN a,b ,  c;", Kind::DropColumns, "t",
            QStringList{"a", "b", "c"}, QString(),
            QStringList{"ALTER TABLE t DROP COLUMN a", "ALTER TABLE t DROP COLUMN b", "ALTER TABLE t DROP COLUMN c"});
    }

    void classify()
    {
        auto [sql, kind, table, columns, definition, steps] =
            TestSupport::fetch<QString, Kind, QString, QStringList, QString, QStringList>(
                "sql", "kind", "table", "columns", "definition", "steps");
        QString error;
        const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
        QVERIFY2(statement, qPrintable(error));
        QCOMPARE(statement->kind, kind);
        QCOMPARE(statement->table, table);
        QCOMPARE(statement->columns, columns);
        QCOMPARE(statement->definition, definition);
        QCOMPARE(statement->steps, steps);
    }

    void rebuildTable_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString>("createSql", "column", "definition", "expected");

        const QString narrowPhone = "CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, "
                                    "[Number] CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20), "
                                    "Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10), "
                                    "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                                    "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ";
        addRow("bracketed column", narrowPhone, "Number",
               "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)",
               "CREATE TABLE \"addrion_rebuild_Phone\" ( Contactnr SMALLINT, [Order] TINYINT, "
               "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50), "
               "Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10), "
               "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
               "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
        addRow("last column, other case", narrowPhone, "description", "Description CHAR(100)",
               "CREATE TABLE \"addrion_rebuild_Phone\" ( Contactnr SMALLINT, [Order] TINYINT, "
               "[Number] CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20), "
               "Description CHAR(100), "
               "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
               "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ");
        addRow("table renamed before (quoted name)", "CREATE TABLE \"Email\" (Contactnr SMALLINT, Email CHAR(50))",
               "Email", "Email CHAR(100)",
               "CREATE TABLE \"addrion_rebuild_Phone\" (Contactnr SMALLINT, Email CHAR(100))");
    }

    void rebuildTable()
    {
        auto [createSql, column, definition, expected] =
            TestSupport::fetch<QString, QString, QString, QString>("createSql", "column", "definition", "expected");
        QString error;
        const std::optional<QString> rebuilt =
            JetDialect::RebuildTableSql(createSql, "addrion_rebuild_Phone", column, definition, &error);
        QVERIFY2(rebuilt, qPrintable(error));
        QCOMPARE(*rebuilt, expected);
    }

    void rebuildTableWithoutColumn()
    {
        QString error;
        // A table constraint that names the column is not the column.
        QVERIFY(!JetDialect::RebuildTableSql("CREATE TABLE t (a CHAR(5), CONSTRAINT PK PRIMARY KEY(b))", "n",
                                             "CONSTRAINT", "x CHAR(9)", &error));
        QVERIFY(error.contains("CONSTRAINT"));
        QVERIFY(!JetDialect::RebuildTableSql("CREATE TABLE t (a CHAR(5))", "n", "b", "b CHAR(9)", &error));
        QVERIFY(!JetDialect::RebuildTableSql("SELECT 1", "n", "a", "a CHAR(9)", &error));
    }

    void columnConstraints_data()
    {
        TestSupport::addColumns<QString, QString>("type", "expected");
        addRow("CHAR(n)", "CHAR(100)", " COLLATE NOCASE CHECK(length([Name]) <= 100)");
        addRow("char (n), spaced", "char ( 7 )", " COLLATE NOCASE CHECK(length([Name]) <= 7)");
        addRow("VARCHAR(n)", "VARCHAR(30)", " COLLATE NOCASE CHECK(length([Name]) <= 30)");
        addRow("TEXT(n)", "TEXT(12)", " COLLATE NOCASE CHECK(length([Name]) <= 12)");
        addRow("CHAR without width", "CHAR", " COLLATE NOCASE CHECK(length([Name]) <= 255)");
        addRow("MEMO", "MEMO", " COLLATE NOCASE");
        addRow("TEXT", "TEXT", " COLLATE NOCASE");
        addRow("BYTE", "BYTE", " CHECK([Name] BETWEEN 0 AND 255)");
        addRow("LONG", "LONG", " CHECK([Name] BETWEEN -2147483648 AND 2147483647)");
        addRow("DOUBLE", "DOUBLE", "");
        addRow("SMALLINT", "SMALLINT", " CHECK([Name] BETWEEN -32768 AND 32767)");
        addRow("DATE", "DATE", " CHECK([Name] IS NULL OR [Name] IS date([Name]))");
    }

    void columnConstraints()
    {
        auto [type, expected] = TestSupport::fetch<QString, QString>("type", "expected");
        QCOMPARE(JetDialect::ColumnConstraints("[Name]", type), expected);
    }

    void like_data()
    {
        TestSupport::addColumns<QString, QString, bool>("pattern", "text", "matches");

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
    }

    void like()
    {
        auto [pattern, text, matches] = TestSupport::fetch<QString, QString, bool>("pattern", "text", "matches");
        QString error;
        const QByteArray utf8Pattern = pattern.toUtf8();
        const QByteArray utf8Text = text.toUtf8();
        const std::optional<JetDialect::LikePattern> compiled =
            JetDialect::LikePattern::Compile(std::string_view(utf8Pattern.constData(), utf8Pattern.size()), 0, &error);
        QVERIFY2(compiled, qPrintable(error));
        QCOMPARE(compiled->Matches(std::string_view(utf8Text.constData(), utf8Text.size())), matches);
    }

    void likeWithEscape()
    {
        const std::optional<JetDialect::LikePattern> pattern = JetDialect::LikePattern::Compile("100!%%", U'!');
        QVERIFY(pattern);
        QVERIFY(pattern->Matches("100% sure"));
        QVERIFY(!pattern->Matches("1000 sure"));
        QString error;
        QVERIFY(!JetDialect::LikePattern::Compile("abc!", U'!', &error));
        QVERIFY(!error.isEmpty());
    }

    void likeFails_data()
    {
        QTest::addColumn<QString>("pattern");
        addRow("lone [", "%[%");
        addRow("[ without ] at the end", "ab[c");
        addRow("negated class without ]", "[!abc");
        addRow("reversed range", "[z-a]");
    }

    void likeFails()
    {
        QFETCH(QString, pattern);
        QString error;
        const QByteArray utf8 = pattern.toUtf8();
        QVERIFY(!JetDialect::LikePattern::Compile(std::string_view(utf8.constData(), utf8.size()), 0, &error));
        QVERIFY(error.startsWith("Invalid pattern"));
    }

    void isoDate_data()
    {
        TestSupport::addColumns<QString, bool, QDate>("text", "valid", "date");
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
        auto [text, valid, date] = TestSupport::fetch<QString, bool, QDate>("text", "valid", "date");
        const QByteArray utf8 = text.toUtf8();
        int year = 0, month = 0, day = 0;
        QCOMPARE(JetDialect::ParseIsoDate(std::string_view(utf8.constData(), utf8.size()), &year, &month, &day), valid);
        if (valid)
            QCOMPARE(QDate(year, month, day), date);
    }
};

ADDRION_TEST_MAIN(TestJetDialect)
#include "tst_jetdialect.moc"
