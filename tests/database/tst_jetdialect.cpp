#include "TestSupport.h"

#include "database/JetDialect.h"

#include <QTest>

using JetDialect::Kind;

Q_DECLARE_METATYPE(JetDialect::Kind)

class TestJetDialect : public QObject
{
    Q_OBJECT

private slots:
    void translate_data();
    void translate();
    void translateFails_data();
    void translateFails();
    void classify_data();
    void classify();
    void rebuildTable_data();
    void rebuildTable();
    void rebuildTableWithoutColumn();
    void columnConstraints_data();
    void columnConstraints();
    void like_data();
    void like();
    void likeWithEscape();
    void likeFails_data();
    void likeFails();
    void isoDate_data();
    void isoDate();
};

// The three tables of a database, exactly as the program creates them.
static const QString CreatePerson = QStringLiteral("CREATE TABLE Person ") + "( " + "Contactnr SMALLINT, " +
                                    "[Name] CHAR(100), " + "Dateofbirth DATE, " + "Address MEMO, " + "[Note] MEMO, " +
                                    "CONSTRAINT ContactPK PRIMARY KEY(Contactnr) " + ") ";
static const QString CreatePhone =
    QStringLiteral("CREATE TABLE Phone ") + "( " + "Contactnr SMALLINT, " + "[Order] TINYINT, " +
    "[Number] CHAR(50), " + "Description CHAR(100), " + "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), " +
    "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) " + "REFERENCES Person(Contactnr) " + ") ";

void TestJetDialect::translate_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");

    // Date literals.
    QTest::newRow("date, one-digit month and day") << "SELECT * FROM Person WHERE Dateofbirth = #1/2/2020# "
                                                   << "SELECT * FROM Person WHERE Dateofbirth = '2020-01-02' ";
    QTest::newRow("date, two-digit month and day") << "WHERE Name LIKE '%an%' AND Dateofbirth > #12/31/1979# "
                                                   << "WHERE Name LIKE '%an%' AND Dateofbirth > '1979-12-31' ";
    QTest::newRow("date, mixed digits") << "SELECT #12/5/1999#, #3/14/2001#"
                                        << "SELECT '1999-12-05', '2001-03-14'";
    QTest::newRow("date, leap day") << "SELECT #2/29/2000#"
                                    << "SELECT '2000-02-29'";
    QTest::newRow("date, ISO order") << "SELECT #1999-12-31#"
                                     << "SELECT '1999-12-31'";
    QTest::newRow("date in an INSERT")
        << "INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(3, 'X', #7/4/1976#, '', '') "
        << "INSERT INTO Person(Contactnr, Name, Dateofbirth, Address, [Note]) VALUES(3, 'X', '1976-07-04', '', '') ";
    QTest::newRow("date-like text inside a literal") << "SELECT 'Meeting #1/2/2020# & more' FROM Person"
                                                     << "SELECT 'Meeting #1/2/2020# & more' FROM Person";
    QTest::newRow("doubled apostrophes keep the literal open")
        << "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < #1/1/2000#"
        << "SELECT * FROM Person WHERE Name = 'O''Brien #2/30/2020#' AND Dateofbirth < '2000-01-01'";
    QTest::newRow("date-like text inside brackets") << "SELECT [a#1/2#b] FROM t"
                                                    << "SELECT [a#1/2#b] FROM t";

    // & joins.
    QTest::newRow("join of the name upgrade")
        << "UPDATE Person SET Name = TRIM(TRIM(Firstname) & ' ' & TRIM(Lastname)) "
        << "UPDATE Person SET Name = TRIM(addrion_join(TRIM(Firstname), ' ', TRIM(Lastname))) ";
    QTest::newRow("join before a comparison") << "SELECT * FROM t WHERE a & b = 'xy' AND c = 1"
                                              << "SELECT * FROM t WHERE addrion_join(a, b) = 'xy' AND c = 1";
    QTest::newRow("join binds more loosely than +") << "SELECT 1 + 2 & 'x' AS v"
                                                    << "SELECT addrion_join(1 + 2, 'x') AS v";
    QTest::newRow("join inside brackets first") << "SELECT (a & b) & c"
                                                << "SELECT addrion_join((addrion_join(a, b)), c)";
    QTest::newRow("join of qualified names") << "SELECT Person.Name & Email.Email FROM Person, Email"
                                             << "SELECT addrion_join(Person.Name, Email.Email) FROM Person, Email";
    QTest::newRow("join in a function argument list") << "SELECT substr(a & b, 1, 2)"
                                                      << "SELECT substr(addrion_join(a, b), 1, 2)";

    // The column named Order.
    QTest::newRow("bare Order in the e-mail list")
        << "SELECT Person.Contactnr, Name, Email.Contactnr, Order, Email FROM Person, Email "
           "WHERE Person.Contactnr = Email.Contactnr AND Email.Order = 1 ORDER BY Name "
        << "SELECT Person.Contactnr, Name, Email.Contactnr, [Order], Email FROM Person, Email "
           "WHERE Person.Contactnr = Email.Contactnr AND Email.[Order] = 1 ORDER BY Name ";
    QTest::newRow("ORDER BY over a line break") << "SELECT * FROM Phone order\n  by Contactnr"
                                                << "SELECT * FROM Phone order\n  by Contactnr";
    QTest::newRow("bracketed Order stays")
        << "SELECT Number FROM Phone, Person ORDER BY Name, Person.Contactnr, [Order] "
        << "SELECT Number FROM Phone, Person ORDER BY Name, Person.Contactnr, [Order] ";
    QTest::newRow("Order inside a literal") << "SELECT 'Order' AS x"
                                            << "SELECT 'Order' AS x";
    QTest::newRow("Order as part of a longer name") << "SELECT Orders, OrderNo FROM t"
                                                    << "SELECT Orders, OrderNo FROM t";

    // Table definitions get what enforces their declared types.
    QTest::newRow("create Person")
        << CreatePerson
        << "CREATE TABLE Person ( Contactnr SMALLINT CHECK(Contactnr BETWEEN -32768 AND 32767), "
           "[Name] CHAR(100) COLLATE NOCASE CHECK(length([Name]) <= 100), "
           "Dateofbirth DATE CHECK(Dateofbirth IS NULL OR Dateofbirth IS date(Dateofbirth)), "
           "Address MEMO COLLATE NOCASE, [Note] MEMO COLLATE NOCASE, CONSTRAINT ContactPK PRIMARY KEY(Contactnr) ) ";
    QTest::newRow("create Phone")
        << CreatePhone
        << "CREATE TABLE Phone ( Contactnr SMALLINT CHECK(Contactnr BETWEEN -32768 AND 32767), "
           "[Order] TINYINT CHECK([Order] BETWEEN 0 AND 255), "
           "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50), "
           "Description CHAR(100) COLLATE NOCASE CHECK(length(Description) <= 100), "
           "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) "
           "REFERENCES Person(Contactnr) ) ";
    QTest::newRow("create with a bare Order column")
        << "CREATE TABLE t (Order TINYINT, PRIMARY KEY(Order))"
        << "CREATE TABLE t ([Order] TINYINT CHECK([Order] BETWEEN 0 AND 255), PRIMARY KEY([Order]))";
    QTest::newRow("create keeps an explicit collation")
        << "CREATE TABLE t (a CHAR(5) COLLATE BINARY)"
        << "CREATE TABLE t (a CHAR(5) COLLATE BINARY CHECK(length(a) <= 5))";
    QTest::newRow("create with unknown type") << "CREATE TABLE t (a BLOB, b REAL)"
                                              << "CREATE TABLE t (a BLOB, b REAL)";
    QTest::newRow("add column")
        << "ALTER TABLE Person ADD COLUMN Name CHAR(100) "
        << "ALTER TABLE Person ADD COLUMN Name CHAR(100) COLLATE NOCASE CHECK(length(Name) <= 100) ";
    QTest::newRow("add column without the word COLUMN") << "ALTER TABLE Person ADD Nick MEMO;"
                                                        << "ALTER TABLE Person ADD Nick MEMO COLLATE NOCASE;";

    // Everything else passes unchanged.
    QTest::newRow("count") << "SELECT COUNT(1) AS NumberOfPersons FROM Person "
                           << "SELECT COUNT(1) AS NumberOfPersons FROM Person ";
    QTest::newRow("copy into a file with # in its name") << "VACUUM INTO '/home/me/db #1/2/2020#.mdb'"
                                                         << "VACUUM INTO '/home/me/db #1/2/2020#.mdb'";
    QTest::newRow("rename") << "ALTER TABLE Person RENAME TO People"
                            << "ALTER TABLE Person RENAME TO People";
    QTest::newRow("double-quoted name") << "SELECT \"a&b\" FROM t"
                                        << "SELECT \"a&b\" FROM t";
}

void TestJetDialect::translate()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    QVERIFY2(statement, qPrintable(error));
    QCOMPARE(statement->kind, Kind::Plain);
    QCOMPARE(statement->sql, expected);
}

void TestJetDialect::translateFails_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");

    QTest::newRow("30 February") << "SELECT * FROM Person WHERE Dateofbirth = #2/30/2020# "
                                 << "#2/30/2020#";
    QTest::newRow("29 February of a common year") << "SELECT #2/29/2019#"
                                                  << "#2/29/2019#";
    QTest::newRow("month 13") << "SELECT #13/1/2020#"
                              << "#13/1/2020#";
    QTest::newRow("month 0") << "SELECT #0/1/2020#"
                             << "#0/1/2020#";
    QTest::newRow("two-digit year") << "SELECT #1/1/20#"
                                    << "#1/1/20#";
    QTest::newRow("no date at all") << "SELECT #hello#"
                                    << "#hello#";
    QTest::newRow("unclosed date") << "SELECT * FROM t WHERE d = #1/1/2020"
                                   << "#";
    QTest::newRow("unclosed text") << "SELECT * FROM t WHERE a = 'abc"
                                   << "'abc";
    QTest::newRow("unclosed bracket") << "SELECT [Name FROM Person"
                                      << "[Name";
    QTest::newRow("& without left side") << "SELECT & 'x'"
                                         << "&";
    QTest::newRow("& without right side") << "SELECT 'x' & FROM t"
                                          << "&";
    QTest::newRow("ALTER COLUMN without type") << "ALTER TABLE Phone ALTER COLUMN [Number] "
                                               << "ALTER COLUMN";
    QTest::newRow("DROP COLUMN with a dangling comma") << "ALTER TABLE Person DROP COLUMN Firstname, "
                                                       << "DROP COLUMN";
}

void TestJetDialect::translateFails()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    QString error;
    QVERIFY(!JetDialect::Translate(sql, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestJetDialect::classify_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("widen the phone number")
        << "ALTER TABLE Phone ALTER COLUMN [Number] CHAR(50) " << Kind::AlterColumn << "Phone" << QStringList{"Number"}
        << "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)" << QStringList();
    QTest::newRow("widen the e-mail description")
        << "ALTER TABLE Email ALTER COLUMN Description CHAR(100) " << Kind::AlterColumn << "Email"
        << QStringList{"Description"} << "Description CHAR(100) COLLATE NOCASE CHECK(length(Description) <= 100)"
        << QStringList();
    QTest::newRow("lower case, bare Order")
        << "alter table Phone alter column Order smallint" << Kind::AlterColumn << "Phone" << QStringList{"Order"}
        << "[Order] smallint CHECK([Order] BETWEEN -32768 AND 32767)" << QStringList();
    QTest::newRow("ALTER without the word COLUMN")
        << "ALTER TABLE Person ALTER Address MEMO;" << Kind::AlterColumn << "Person" << QStringList{"Address"}
        << "Address MEMO COLLATE NOCASE" << QStringList();
    QTest::newRow("drop the old name columns")
        << "ALTER TABLE Person DROP COLUMN Firstname, Lastname " << Kind::DropColumns << "Person"
        << QStringList{"Firstname", "Lastname"} << QString()
        << QStringList{"ALTER TABLE Person DROP COLUMN Firstname", "ALTER TABLE Person DROP COLUMN Lastname"};
    QTest::newRow("drop one bracketed column")
        << "ALTER TABLE [Person] DROP COLUMN [Note]" << Kind::DropColumns << "Person" << QStringList{"Note"}
        << QString() << QStringList{"ALTER TABLE [Person] DROP COLUMN [Note]"};
    QTest::newRow("drop three columns") << "ALTER TABLE t DROP COLUMN a,b ,  c;" << Kind::DropColumns << "t"
                                        << QStringList{"a", "b", "c"} << QString()
                                        << QStringList{"ALTER TABLE t DROP COLUMN a", "ALTER TABLE t DROP COLUMN b",
                                                       "ALTER TABLE t DROP COLUMN c"};
}

void TestJetDialect::classify()
{
    QFETCH(QString, sql);
    QFETCH(Kind, kind);
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QString, definition);
    QFETCH(QStringList, steps);
    QString error;
    const std::optional<JetDialect::Statement> statement = JetDialect::Translate(sql, &error);
    QVERIFY2(statement, qPrintable(error));
    QCOMPARE(statement->kind, kind);
    QCOMPARE(statement->table, table);
    QCOMPARE(statement->columns, columns);
    QCOMPARE(statement->definition, definition);
    QCOMPARE(statement->steps, steps);
}

void TestJetDialect::rebuildTable_data()
{
    QTest::addColumn<QString>("createSql");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("expected");

    const QString narrowPhone = "CREATE TABLE Phone ( Contactnr SMALLINT, [Order] TINYINT, "
                                "[Number] CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20), "
                                "Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10), "
                                "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
                                "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ";
    QTest::newRow("bracketed column")
        << narrowPhone << "Number"
        << "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50)"
        << "CREATE TABLE \"addrion_rebuild_Phone\" ( Contactnr SMALLINT, [Order] TINYINT, "
           "[Number] CHAR(50) COLLATE NOCASE CHECK(length([Number]) <= 50), "
           "Description CHAR(10) COLLATE NOCASE CHECK(length(Description) <= 10), "
           "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
           "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ";
    QTest::newRow("last column, other case")
        << narrowPhone << "description"
        << "Description CHAR(100)"
        << "CREATE TABLE \"addrion_rebuild_Phone\" ( Contactnr SMALLINT, [Order] TINYINT, "
           "[Number] CHAR(20) COLLATE NOCASE CHECK(length([Number]) <= 20), "
           "Description CHAR(100), "
           "CONSTRAINT PhonePK PRIMARY KEY(Contactnr, [Order]), "
           "CONSTRAINT PhoneFK FOREIGN KEY(Contactnr) REFERENCES Person(Contactnr) ) ";
    QTest::newRow("table renamed before (quoted name)")
        << "CREATE TABLE \"Email\" (Contactnr SMALLINT, Email CHAR(50))"
        << "Email"
        << "Email CHAR(100)"
        << "CREATE TABLE \"addrion_rebuild_Phone\" (Contactnr SMALLINT, Email CHAR(100))";
}

void TestJetDialect::rebuildTable()
{
    QFETCH(QString, createSql);
    QFETCH(QString, column);
    QFETCH(QString, definition);
    QFETCH(QString, expected);
    QString error;
    const std::optional<QString> rebuilt =
        JetDialect::RebuildTableSql(createSql, "addrion_rebuild_Phone", column, definition, &error);
    QVERIFY2(rebuilt, qPrintable(error));
    QCOMPARE(*rebuilt, expected);
}

void TestJetDialect::rebuildTableWithoutColumn()
{
    QString error;
    // A table constraint that names the column is not the column.
    QVERIFY(!JetDialect::RebuildTableSql("CREATE TABLE t (a CHAR(5), CONSTRAINT PK PRIMARY KEY(b))", "n", "CONSTRAINT",
                                         "x CHAR(9)", &error));
    QVERIFY(error.contains("CONSTRAINT"));
    QVERIFY(!JetDialect::RebuildTableSql("CREATE TABLE t (a CHAR(5))", "n", "b", "b CHAR(9)", &error));
    QVERIFY(!JetDialect::RebuildTableSql("SELECT 1", "n", "a", "a CHAR(9)", &error));
}

void TestJetDialect::columnConstraints_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CHAR(n)") << "CHAR(100)"
                             << " COLLATE NOCASE CHECK(length([Name]) <= 100)";
    QTest::newRow("char (n), spaced") << "char ( 7 )"
                                      << " COLLATE NOCASE CHECK(length([Name]) <= 7)";
    QTest::newRow("VARCHAR(n)") << "VARCHAR(30)"
                                << " COLLATE NOCASE CHECK(length([Name]) <= 30)";
    QTest::newRow("TEXT(n)") << "TEXT(12)"
                             << " COLLATE NOCASE CHECK(length([Name]) <= 12)";
    QTest::newRow("CHAR without width") << "CHAR"
                                        << " COLLATE NOCASE CHECK(length([Name]) <= 255)";
    QTest::newRow("MEMO") << "MEMO"
                          << " COLLATE NOCASE";
    QTest::newRow("TEXT") << "TEXT"
                          << " COLLATE NOCASE";
    QTest::newRow("BYTE") << "BYTE"
                          << " CHECK([Name] BETWEEN 0 AND 255)";
    QTest::newRow("LONG") << "LONG"
                          << " CHECK([Name] BETWEEN -2147483648 AND 2147483647)";
    QTest::newRow("DOUBLE") << "DOUBLE"
                            << "";
}

void TestJetDialect::columnConstraints()
{
    QFETCH(QString, type);
    QFETCH(QString, expected);
    QCOMPARE(JetDialect::ColumnConstraints("[Name]", type), expected);
}

void TestJetDialect::like_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    QTest::newRow("% inside") << "%ann%"
                              << "Johanna Berg" << true;
    QTest::newRow("% at the end only") << "ann%"
                                       << "Johanna" << false;
    QTest::newRow("% alone, empty text") << "%"
                                         << "" << true;
    QTest::newRow("empty pattern, empty text") << ""
                                               << "" << true;
    QTest::newRow("empty pattern, some text") << ""
                                              << "x" << false;
    QTest::newRow("_ needs one character") << "_"
                                           << "" << false;
    QTest::newRow("_ takes any one") << "_ob"
                                     << "Bob" << true;
    QTest::newRow("_ takes exactly one") << "_ob"
                                         << "Bobb" << false;
    QTest::newRow("_ takes a non-ASCII letter") << "Jos_"
                                                << "José" << true;
    QTest::newRow("case ignored") << "o'brien"
                                  << "O'BRIEN" << true;
    QTest::newRow("case ignored beyond ASCII") << "ärger%"
                                               << "ÄRGER Max" << true;
    QTest::newRow("Greek case") << "οδυσσευσ"
                                << "ΟΔΥΣΣΕΥΣ" << true;
    QTest::newRow("accents not folded") << "e%"
                                        << "Émile" << false;
    QTest::newRow("accent matches its capital") << "é%"
                                                << "Émile" << true;
    QTest::newRow("class") << "[bc]ob"
                           << "Cob" << true;
    QTest::newRow("class, no member") << "[bc]ob"
                                      << "Rob" << false;
    QTest::newRow("negated class") << "[!bc]ob"
                                   << "Rob" << true;
    QTest::newRow("negated class, member") << "[!bc]ob"
                                           << "bob" << false;
    QTest::newRow("range") << "[a-c]x"
                           << "Bx" << true;
    QTest::newRow("range, outside") << "[a-c]x"
                                    << "dx" << false;
    QTest::newRow("negated range") << "[!0-9]%"
                                   << "a1" << true;
    QTest::newRow("negated range, inside") << "[!0-9]%"
                                           << "1a" << false;
    QTest::newRow("accent class of the quick search") << "%[aàáâãäå]nn[aàáâãäå]%"
                                                      << "Jóhànna" << true;
    QTest::newRow("accent class, capital accented letter") << "[aàáâãäå]rg%"
                                                           << "Ärger" << true;
    QTest::newRow("accent class, no match") << "%[aàáâãäå]nn[aàáâãäå]%"
                                            << "Henne" << false;
    QTest::newRow("wildcards inside a class are literal") << "a[%]b"
                                                          << "a%b" << true;
    QTest::newRow("wildcards inside a class, other character") << "a[%]b"
                                                               << "axb" << false;
    QTest::newRow("underscore in a class") << "a[_]b"
                                           << "a_b" << true;
    QTest::newRow("hyphen first in a class") << "[-a]x"
                                             << "-x" << true;
    QTest::newRow("hyphen last in a class") << "[a-]x"
                                            << "-x" << true;
    QTest::newRow("empty class stands for nothing") << "[]abc"
                                                    << "abc" << true;
    QTest::newRow("closing bracket alone is literal") << "a]"
                                                      << "a]" << true;
    QTest::newRow("back-tracking over several %") << "%a%b%c%"
                                                  << "xaybzc" << true;
    QTest::newRow("several % in the wrong order") << "%a%b%c%"
                                                  << "xcybza" << false;
    QTest::newRow("% between fixed ends") << "a%z"
                                          << "abcz" << true;
    QTest::newRow("% between fixed ends, wrong end") << "a%z"
                                                     << "abcza" << false;
    QTest::newRow("character outside the basic plane") << "%😀%"
                                                       << "a😀b" << true;
    QTest::newRow("two words, blank between") << "% %"
                                              << "Anna Berg" << true;
}

void TestJetDialect::like()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QString error;
    const QByteArray utf8Pattern = pattern.toUtf8();
    const QByteArray utf8Text = text.toUtf8();
    const std::optional<JetDialect::LikePattern> compiled =
        JetDialect::LikePattern::Compile(std::string_view(utf8Pattern.constData(), utf8Pattern.size()), 0, &error);
    QVERIFY2(compiled, qPrintable(error));
    QCOMPARE(compiled->Matches(std::string_view(utf8Text.constData(), utf8Text.size())), matches);
}

void TestJetDialect::likeWithEscape()
{
    const std::optional<JetDialect::LikePattern> pattern = JetDialect::LikePattern::Compile("100!%%", U'!');
    QVERIFY(pattern);
    QVERIFY(pattern->Matches("100% sure"));
    QVERIFY(!pattern->Matches("1000 sure"));
    QString error;
    QVERIFY(!JetDialect::LikePattern::Compile("abc!", U'!', &error));
    QVERIFY(!error.isEmpty());
}

void TestJetDialect::likeFails_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("lone [") << "%[%";
    QTest::newRow("[ without ] at the end") << "ab[c";
    QTest::newRow("negated class without ]") << "[!abc";
    QTest::newRow("reversed range") << "[z-a]";
}

void TestJetDialect::likeFails()
{
    QFETCH(QString, pattern);
    QString error;
    const QByteArray utf8 = pattern.toUtf8();
    QVERIFY(!JetDialect::LikePattern::Compile(std::string_view(utf8.constData(), utf8.size()), 0, &error));
    QVERIFY(error.startsWith("Invalid pattern"));
}

void TestJetDialect::isoDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QDate>("date");
    QTest::newRow("date") << "1979-12-31" << true << QDate(1979, 12, 31);
    QTest::newRow("date and time") << "2000-02-29 10:00:00" << true << QDate(2000, 2, 29);
    QTest::newRow("ISO date and time") << "2000-02-29T10:00" << true << QDate(2000, 2, 29);
    QTest::newRow("impossible day") << "2019-02-29" << false << QDate();
    QTest::newRow("short") << "2019-2-1" << false << QDate();
    QTest::newRow("trailing text") << "2019-02-01x" << false << QDate();
    QTest::newRow("letters") << "abcd-ef-gh" << false << QDate();
    QTest::newRow("empty") << "" << false << QDate();
}

void TestJetDialect::isoDate()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QDate, date);
    const QByteArray utf8 = text.toUtf8();
    int year = 0, month = 0, day = 0;
    QCOMPARE(JetDialect::ParseIsoDate(std::string_view(utf8.constData(), utf8.size()), &year, &month, &day), valid);
    if (valid)
        QCOMPARE(QDate(year, month, day), date);
}

ADDRION_TEST_MAIN(TestJetDialect)
#include "tst_jetdialect.moc"
