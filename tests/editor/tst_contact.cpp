#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "editor/modHyperlink.h"

using modContact::Contact;
using modContact::DateState;
using modContact::Entry;

Q_DECLARE_METATYPE(modContact::DateState)

// The editor's rules without its windows, saving on a real database file, and the
// links in a note.
class TestContact : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<DatabaseFixture> m_database;

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
        m_platform = std::make_unique<ScriptedPlatform>();
        m_database = std::make_unique<DatabaseFixture>();
        QVERIFY(m_database->ok());
    }
    void cleanup()
    {
        m_database.reset();
        m_platform.reset();
    }

    void readTypedDate_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("format");
        QTest::addColumn<DateState>("state");
        QTest::addColumn<QString>("monthDayYear");
        TestSupport::addRow("day first", "31/12/1999", "dd/mm/yyyy", DateState::Valid, "12/31/1999");
        TestSupport::addRow("month first", "12/31/1999", "mm/dd/yyyy", DateState::Valid, "12/31/1999");
        TestSupport::addRow("year first", "1999/12/31", "yyyy/mm/dd", DateState::Valid, "12/31/1999");
        TestSupport::addRow("nothing typed", "__/__/____", "dd/mm/yyyy", DateState::Empty, "");
        TestSupport::addRow("nothing typed, year first", "____/__/__", "yyyy/mm/dd", DateState::Empty, "");
        TestSupport::addRow("31 February", "31/02/2000", "dd/mm/yyyy", DateState::Invalid, "02/31/2000");
        TestSupport::addRow("leap day", "29/02/2000", "dd/mm/yyyy", DateState::Valid, "02/29/2000");
        TestSupport::addRow("no leap day in 1900", "29/02/1900", "dd/mm/yyyy", DateState::Invalid, "02/29/1900");
        TestSupport::addRow("month 13", "13/13/2000", "mm/dd/yyyy", DateState::Invalid, "13/13/2000");
        TestSupport::addRow("single digits", "1_/2_/2000", "dd/mm/yyyy", DateState::Valid, "2/1/2000");
        TestSupport::addRow("two-digit year", "31/12/99__", "dd/mm/yyyy", DateState::Invalid, "12/31/99");
        TestSupport::addRow("day missing", "__/12/1999", "dd/mm/yyyy", DateState::Invalid, "12//1999");
        TestSupport::addRow("before year 100", "01/01/0099", "dd/mm/yyyy", DateState::Invalid, "01/01/0099");
        TestSupport::addRow("unknown format keeps the order", "12/31/1999", "d.m.yy", DateState::Valid, "12/31/1999");
        TestSupport::addRow("unknown format, day first", "31/12/1999", "d.m.yy", DateState::Invalid, "31/12/1999");
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
        TestSupport::addRow("blanks kept when shown alone", "  012 345 ", "", "  012 345 ", "012 345", "");
        TestSupport::addRow("with description", "0123", "Home", "0123 (Home)", "0123", "Home");
        TestSupport::addRow("both trimmed", " 0123 ", "  Home ", "0123 (Home)", "0123", "Home");
        TestSupport::addRow("description of blanks", "0123", "   ", "0123", "0123", "");
        TestSupport::addRow("brackets in description", "0123", "Home (old)", "0123 (Home (old))", "0123", "Home (old)");
        TestSupport::addRow("description of brackets only", "0123", "()", "0123 (())", "0123", "()");
        TestSupport::addRow("address of blanks", "   ", "", "   ", "", "");
        TestSupport::addRow("apostrophes", "o'brien@example.org", "Mr O'Brien", "o'brien@example.org (Mr O'Brien)",
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
        TestSupport::addRow("first service", true, "Ann@Hotmail.example (home)", "Ann@Hotmail.example", true,
                            "https://first.test/member/Ann@Hotmail.example");
        TestSupport::addRow("second name of first service", true, "ann@msn.example", "ann@msn.example", true,
                            "https://first.test/member/ann@msn.example");
        TestSupport::addRow("third service", true, "ann.b@yahoo.example", "ann.b@yahoo.example", true,
                            "https://second.test/ann.b");
        TestSupport::addRow("named in the description", true, "ann@example.org (yahoo)", "ann@example.org", true,
                            "https://second.test/ann");
        TestSupport::addRow("no service", true, "ann@example.org", "ann@example.org", false, "https://second.test/ann");
        TestSupport::addRow("first service, address unknown", false, "ann@hotmail.example", "ann@hotmail.example",
                            false, "ann@hotmail.example");
        TestSupport::addRow("third service, address unknown", false, "ann@yahoo.example", "ann@yahoo.example", false,
                            "ann");
    }
    void profilePage()
    {
        QFETCH(bool, known);
        QFETCH(QString, text);
        QFETCH(QString, tag);
        if (known)
            TestSupport::useTestAddresses();
        else
            TestSupport::useNoAddresses();
        QTEST(modContact::HasProfilePage(text), "has");
        QTEST(modContact::ProfilePage(text, tag), "page");
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
        ReadOnlyFile readOnly(m_database->path());
        if (!readOnly.ok())
            QSKIP("this machine cannot make a file read-only");
        const QByteArray before = TestSupport::readFile(m_database->path());
        m_platform->expectMessage(); // the database says it is read-only
        QVERIFY(modDatabase::OpenDatabase(m_database->path()));
        QCOMPARE(modDatabase::DatabaseConnection().Mode(), Engine::ModeRead);
        Contact contact;
        contact.name = "Nobody";
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveNewPerson(contact));
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveExistingPerson(1, contact));
        QCOMPARE(countRows("Person"), 1);
        modDatabase::CloseDatabase(false);
        QCOMPARE(TestSupport::readFile(m_database->path()), before);
    }

    // ---- links in a note ----

    void getHyperlinkWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("start");
        const QString line = "see www.example.org today";
        QTest::newRow("middle of a line") << line << 10 << "www.example.org" << 5;
        QTest::newRow("on the first letter") << line << 5 << "www.example.org" << 5;
        QTest::newRow("on the last letter") << line << 19 << "www.example.org" << 5;
        QTest::newRow("last word") << line << 24 << "today" << 21;
        QTest::newRow("caret after a blank") << "ab cd" << 3 << "cd" << 4;
        QTest::newRow("caret at the end") << "ab cd" << 5 << "cd" << 4;
        QTest::newRow("beyond the end") << "ab cd" << 9 << "cd" << 4;
        QTest::newRow("second of two blanks") << "a  b" << 3 << "b" << 4;
        QTest::newRow("start of note") << "www.a.be rest" << 3 << "www.a.be" << 1;
        QTest::newRow("position 1") << "www.a.be rest" << 1 << "www.a.be" << 1;
        QTest::newRow("position 0") << "www.a.be rest" << 0 << "www.a.be" << 1;
        QTest::newRow("after a line break") << "Hello\r\nhttp://x.org end" << 10 << "http://x.org" << 8;
        QTest::newRow("after a line feed") << "Hello\nhttp://x.org" << 9 << "http://x.org" << 7;
        QTest::newRow("before a line break, CRLF removed") << "mailto:a@b.c\r\nnext" << 3 << "mailto:a@b.c" << 1;
        QTest::newRow("before a line feed") << "www.x.org\nnext" << 2 << "www.x.org" << 1;
        QTest::newRow("carriage return is no separator") << "x\ry z" << 2 << "x\ry" << 1;
        QTest::newRow("leading blank at position 1") << " ab" << 1 << "" << 1;
        QTest::newRow("single word") << "word" << 4 << "word" << 1;
    }
    void getHyperlinkWord()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        int p = position;
        QTEST(modHyperlink::GetHyperlinkWord(text, p), "word");
        QTEST(p, "start");
    }

    void emptyTextGivesNoWord()
    {
        int position = 5;
        QCOMPARE(modHyperlink::GetHyperlinkWord(QString(), position), QString());
        QCOMPARE(position, 5);
        QVERIFY(!modHyperlink::IsHyperlink(modHyperlink::GetHyperlinkWord(QString(), position)));
    }

    void isHyperlink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("www") << "www.example.org" << true;
        QTest::newRow("http") << "http://example.org" << true;
        QTest::newRow("https") << "https://example.org" << true;
        QTest::newRow("mailto") << "mailto:ann@example.org" << true;
        QTest::newRow("file") << "file:///home/ann/notes.txt" << true;
        QTest::newRow("marker in the middle") << "abchttp:def" << true;
        QTest::newRow("capital scheme") << "HTTP://EXAMPLE.ORG" << false;
        QTest::newRow("capital scheme with www") << "HTTP://www.example.org" << true;
        QTest::newRow("capital www") << "WWW.EXAMPLE.ORG" << false;
        QTest::newRow("plain domain") << "example.org" << false;
        QTest::newRow("scheme without colon") << "http" << false;
        QTest::newRow("e-mail address") << "ann@example.org" << false;
        QTest::newRow("empty") << "" << false;
    }
    void isHyperlink()
    {
        QFETCH(QString, text);
        QTEST(modHyperlink::IsHyperlink(text), "link");
    }
};

ADDRION_TEST_MAIN(TestContact)
#include "tst_contact.moc"
