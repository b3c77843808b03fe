#include "PersonDump.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"

using modContact::Contact;
using modContact::DateState;
using modContact::Entry;

Q_DECLARE_METATYPE(modContact::DateState)

// The editor's rules without its windows, and saving on a real database file.
class TestContact : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    QString m_path;

    // A person with two numbers and two addresses, stored as the editor stores them.
    static void addAnna()
    {
        Contact anna;
        anna.name = "Anna";
        anna.dateOfBirth = "5/6/1980";
        anna.address = "Main Street 1";
        anna.note = "note";
        anna.phones = {{"0612 (mobile)", "0612"}, {"020 555", "020 555"}};
        anna.emails = {{"anna@example.org (work)", "anna@example.org"}, {"a@b.c", "a@b.c"}};
        QCOMPARE(modContact::SaveNewPerson(anna), std::optional<qint16>(1));
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        m_path = m_dir->filePath("contacts.mdb");
        QVERIFY(modDatabase::NewDatabase(m_path));
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        m_platform.reset();
        m_dir.reset();
    }

    void readTypedDate_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("format");
        QTest::addColumn<DateState>("state");
        QTest::addColumn<QString>("monthDayYear");
        TestSupport::row("day first", "31/12/1999", "dd/mm/yyyy", DateState::Valid, "12/31/1999");
        TestSupport::row("month first", "12/31/1999", "mm/dd/yyyy", DateState::Valid, "12/31/1999");
        TestSupport::row("year first", "1999/12/31", "yyyy/mm/dd", DateState::Valid, "12/31/1999");
        TestSupport::row("nothing typed", "__/__/____", "dd/mm/yyyy", DateState::Empty, "");
        TestSupport::row("nothing typed, year first", "____/__/__", "yyyy/mm/dd", DateState::Empty, "");
        TestSupport::row("31 February", "31/02/2000", "dd/mm/yyyy", DateState::Invalid, "02/31/2000");
        TestSupport::row("leap day", "29/02/2000", "dd/mm/yyyy", DateState::Valid, "02/29/2000");
        TestSupport::row("no leap day in 1900", "29/02/1900", "dd/mm/yyyy", DateState::Invalid, "02/29/1900");
        TestSupport::row("month 13", "13/13/2000", "mm/dd/yyyy", DateState::Invalid, "13/13/2000");
        TestSupport::row("single digits", "1_/2_/2000", "dd/mm/yyyy", DateState::Valid, "2/1/2000");
        TestSupport::row("two-digit year", "31/12/99__", "dd/mm/yyyy", DateState::Invalid, "12/31/99");
        TestSupport::row("day missing", "__/12/1999", "dd/mm/yyyy", DateState::Invalid, "12//1999");
        TestSupport::row("before year 100", "01/01/0099", "dd/mm/yyyy", DateState::Invalid, "01/01/0099");
        TestSupport::row("unknown format keeps the order", "12/31/1999", "d.m.yy", DateState::Valid, "12/31/1999");
        TestSupport::row("unknown format, day first", "31/12/1999", "d.m.yy", DateState::Invalid, "31/12/1999");
    }
    void readTypedDate()
    {
        QFETCH(QString, box);
        QFETCH(QString, format);
        QFETCH(DateState, state);
        QFETCH(QString, monthDayYear);
        const modContact::TypedDate date = modContact::ReadTypedDate(box, format);
        QCOMPARE(date.state, state);
        QCOMPARE(date.monthDayYear, monthDayYear);
    }

    void entryRules_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("recovered");
        TestSupport::row("blanks kept when shown alone", "  012 345 ", "", "  012 345 ", "012 345", "");
        TestSupport::row("with description", "0123", "Home", "0123 (Home)", "0123", "Home");
        TestSupport::row("both trimmed", " 0123 ", "  Home ", "0123 (Home)", "0123", "Home");
        TestSupport::row("description of blanks", "0123", "   ", "0123", "0123", "");
        TestSupport::row("brackets in description", "0123", "Home (old)", "0123 (Home (old))", "0123", "Home (old)");
        TestSupport::row("description of brackets only", "0123", "()", "0123 (())", "0123", "()");
        TestSupport::row("address of blanks", "   ", "", "   ", "", "");
        TestSupport::row("apostrophes", "o'brien@example.org", "Mr O'Brien", "o'brien@example.org (Mr O'Brien)",
                         "o'brien@example.org", "Mr O'Brien");
    }
    void entryRules()
    {
        QFETCH(QString, value);
        QFETCH(QString, description);
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QFETCH(QString, recovered);
        const Entry entry = modContact::TypedEntry(value, description);
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.tag, tag);
        QCOMPARE(modContact::DescriptionOf(entry.text, entry.tag), recovered);
        QCOMPARE(modContact::HasDescription(entry.text, entry.tag), !recovered.isEmpty());
    }

    void profilePage_data()
    {
        QTest::addColumn<bool>("known"); // the build names the services' profile addresses
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("has");
        QTest::addColumn<QString>("page");
        TestSupport::row("first service", true, "Ann@Hotmail.example (home)", "Ann@Hotmail.example", true,
                         "https://first.test/member/Ann@Hotmail.example");
        TestSupport::row("second name of first service", true, "ann@msn.example", "ann@msn.example", true,
                         "https://first.test/member/ann@msn.example");
        TestSupport::row("third service", true, "ann.b@yahoo.example", "ann.b@yahoo.example", true,
                         "https://second.test/ann.b");
        TestSupport::row("named in the description", true, "ann@example.org (yahoo)", "ann@example.org", true,
                         "https://second.test/ann");
        TestSupport::row("no service", true, "ann@example.org", "ann@example.org", false, "https://second.test/ann");
        TestSupport::row("first service, address unknown", false, "ann@hotmail.example", "ann@hotmail.example", false,
                         "ann@hotmail.example");
        TestSupport::row("third service, address unknown", false, "ann@yahoo.example", "ann@yahoo.example", false,
                         "ann");
    }
    void profilePage()
    {
        QFETCH(bool, known);
        QFETCH(QString, text);
        QFETCH(QString, tag);
        QFETCH(bool, has);
        QFETCH(QString, page);
        if (known)
            TestSupport::useTestAddresses();
        else
            TestSupport::useNoAddresses();
        QCOMPARE(modContact::HasProfilePage(text), has);
        QCOMPARE(modContact::ProfilePage(text, tag), page);
    }

    void newPersonGetsTheLowestFreeNumber_data()
    {
        QTest::addColumn<QList<int>>("existing");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty table") << QList<int>{} << 1;
        QTest::newRow("gap filled") << QList<int>{1, 2, 4} << 3;
        QTest::newRow("one free below") << QList<int>{2, 3} << 1;
        QTest::newRow("unbroken run") << QList<int>{1, 2, 3} << 4;
    }
    void newPersonGetsTheLowestFreeNumber()
    {
        QFETCH(QList<int>, existing);
        QFETCH(int, expected);
        for (int number : existing)
            modSql::ExecuteSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P%1')").arg(number));
        Contact contact;
        contact.name = "New";
        QCOMPARE(modContact::SaveNewPerson(contact), std::optional<qint16>(expected));
        Engine::Recordset rs =
            modSql::OpenRecordset(QString("SELECT * FROM Person WHERE Contactnr = %1").arg(expected));
        QVERIFY(!rs.Eof());
        QCOMPARE(rs.Fields("Name").toString(), QString("New"));
        QVERIFY(rs.Fields("Dateofbirth").isNull());
        QCOMPARE(countRows("Person"), existing.size() + 1);
    }

    void savedAsTyped()
    {
        Contact contact;
        contact.name = " Sean O'Brien  ";
        contact.dateOfBirth = "12/31/1999";
        contact.address = "O'Brien's Lane 1\nDublin ";
        contact.note = "  ";
        contact.phones = {modContact::TypedEntry("012 345", "Home (old)"), modContact::TypedEntry("  0612 ", "")};
        contact.emails = {modContact::TypedEntry("sean@example.org", "it's me")};
        const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
        QVERIFY(contactnr);
        Engine::Recordset person =
            modSql::OpenRecordset(QString("SELECT * FROM Person WHERE Contactnr = %1").arg(*contactnr));
        QCOMPARE(person.Fields("Name").toString(), QString("Sean O'Brien"));
        QCOMPARE(person.Fields("Dateofbirth").toDate(), QDate(1999, 12, 31));
        QCOMPARE(person.Fields("Address").toString(), QString("O'Brien's Lane 1\nDublin"));
        QCOMPARE(person.Fields("Note").toString(), QString(""));
        QCOMPARE(storedEntries("Phone", *contactnr), (QStringList{"1:012 345|Home (old)", "2:0612|"}));
        QCOMPARE(storedEntries("Email", *contactnr), (QStringList{"1:sean@example.org|it's me"}));
    }

    // The 256th entry breaks the one-byte Order column: the save fails after the person
    // and many entries have been written, and every one of them must be undone.
    void failureMidwayLeavesTheDatabaseAsItWas_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("phones");
        QTest::newRow("new person, phones") << false << true;
        QTest::newRow("new person, addresses") << false << false;
        QTest::newRow("edited person, phones") << true << true;
        QTest::newRow("edited person, addresses") << true << false;
    }
    void failureMidwayLeavesTheDatabaseAsItWas()
    {
        QFETCH(bool, existing);
        QFETCH(bool, phones);
        addAnna();
        Contact contact;
        contact.name = "Changed";
        std::vector<Entry>& list = phones ? contact.phones : contact.emails;
        for (int i = 1; i <= 256; ++i)
            list.push_back(modContact::TypedEntry(QString::number(i), ""));
        try {
            if (existing)
                modContact::SaveExistingPerson(1, contact);
            else
                modContact::SaveNewPerson(contact);
            QFAIL("the 256th entry was accepted");
        } catch (const Engine::EngineError&) {
        }
        QCOMPARE(countRows("Person"), 1);
        Engine::Recordset anna = modSql::OpenRecordset("SELECT * FROM Person WHERE Contactnr = 1");
        QCOMPARE(anna.Fields("Name").toString(), QString("Anna"));
        QCOMPARE(anna.Fields("Dateofbirth").toDate(), QDate(1980, 5, 6));
        QCOMPARE(storedEntries("Phone", 1), (QStringList{"1:0612|mobile", "2:020 555|"}));
        QCOMPARE(storedEntries("Email", 1), (QStringList{"1:anna@example.org|work", "2:a@b.c|"}));
        QCOMPARE(countSelected("SELECT * FROM Phone"), 2);
        QCOMPARE(countSelected("SELECT * FROM Email"), 2);
        // The connection is usable again at once.
        Contact next;
        next.name = "Next";
        QCOMPARE(modContact::SaveNewPerson(next), std::optional<qint16>(2));
    }

    void readOnlyFileWritesNothing()
    {
        addAnna();
        modDatabase::CloseDatabase(false);
        ReadOnlyFile readOnly(m_path);
        if (!readOnly.ok())
            QSKIP("this machine cannot make a file read-only");
        const QByteArray before = TestSupport::readFile(m_path);
        m_platform->expectMessage(); // the database says it is read-only
        QVERIFY(modDatabase::OpenDatabase(m_path));
        QCOMPARE(modDatabase::DatabaseConnection().Mode(), Engine::ModeRead);
        Contact contact;
        contact.name = "Nobody";
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveNewPerson(contact));
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveExistingPerson(1, contact));
        QCOMPARE(countRows("Person"), 1);
        modDatabase::CloseDatabase(false);
        QCOMPARE(TestSupport::readFile(m_path), before);
    }
};

ADDRION_TEST_MAIN(TestContact)
#include "tst_contact.moc"
