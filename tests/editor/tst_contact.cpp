// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ReadOnlyFile.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "editor/modHyperlink.h"
#include "widgets/FailureDialog.h"

using modContact::Contact;
using modContact::DateState;
using modContact::Entry;

Q_DECLARE_METATYPE(modContact::DateState)

// The editor's rules without its windows, saving on a real database file, and the
// links in a note.
class TestContact : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;

private slots:
    void readTypedDate_data()
    {
        TestSupport::addColumns<QString, QString, DateState, QString>("box", "format", "state", "monthDayYear");
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
        TestSupport::addRow("year 100", "31/12/0100", "dd/mm/yyyy", DateState::Valid, "12/31/0100");
        TestSupport::addRow("unknown format keeps the order", "12/31/1999", "d.m.yy", DateState::Valid, "12/31/1999");
        TestSupport::addRow("unknown format, day first", "31/12/1999", "d.m.yy", DateState::Invalid, "31/12/1999");
    }
    void readTypedDate()
    {
        auto [box, format] = TestSupport::fetch<QString, QString>("box", "format");
        const modContact::TypedDate date = modContact::ReadTypedDate(box, format);
        QTEST(date.state, "state");
        QTEST(date.monthDayYear, "monthDayYear");
    }

    void entryRules_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString, QString>("value", "description", "text", "tag",
                                                                             "recovered");
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
        auto [value, description, recovered] =
            TestSupport::fetch<QString, QString, QString>("value", "description", "recovered");
        const Entry entry = modContact::TypedEntry(value, description);
        QTEST(entry.text, "text");
        QTEST(entry.tag, "tag");
        QCOMPARE(modContact::DescriptionOf(entry.text, entry.tag), recovered);
        QCOMPARE(modContact::HasDescription(entry.text, entry.tag), !recovered.isEmpty());
    }

    void profilePage_data()
    {
        // known: the build names the services' profile addresses
        TestSupport::addColumns<bool, QString, QString, bool, QString>("known", "text", "tag", "has", "page");
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
        auto [known, text, tag] = TestSupport::fetch<bool, QString, QString>("known", "text", "tag");
        if (known)
            TestSupport::useTestAddresses();
        else
            TestSupport::useNoAddresses();
        QTEST(modContact::HasProfilePage(text), "has");
        QTEST(modContact::ProfilePage(text, tag), "page");
    }

    // Trimmed and under the lowest free number (the numbering rule: see the database tests).
    void savedAsTyped()
    {
        DatabaseFixture database;
        QVERIFY(database.ok());
        for (int number : {1, 2, 4})
            runSql(QString("INSERT INTO Person (Contactnr, Name) VALUES (%1, 'P%1')").arg(number));
        Contact contact;
        contact.name = " Sean O'Brien  ";
        contact.dateOfBirth = "12/31/1999";
        contact.address = "O'Brien's Lane 1\nDublin ";
        contact.note = "  ";
        contact.phones = {modContact::TypedEntry("012 345", "Home (old)"), modContact::TypedEntry("  0612 ", "")};
        contact.emails = {modContact::TypedEntry("sean@example.org", "it's me")};
        const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
        QCOMPARE(contactnr, std::optional<qint16>(3));
        QCOMPARE(personField(*contactnr, "Name").toString(), QString("Sean O'Brien"));
        QCOMPARE(personField(*contactnr, "Dateofbirth").toDate(), QDate(1999, 12, 31));
        QCOMPARE(personField(*contactnr, "Address").toString(), QString("O'Brien's Lane 1\nDublin"));
        QCOMPARE(personField(*contactnr, "Note").toString(), QString(""));
        QCOMPARE(storedEntries("Phone", *contactnr), (QStringList{"1:012 345|Home (old)", "2:0612|"}));
        QCOMPARE(storedEntries("Email", *contactnr), (QStringList{"1:sean@example.org|it's me"}));
    }

    void readOnlyFileWritesNothing()
    {
        DatabaseFixture database;
        QVERIFY(database.ok());
        addPersons({{1, "Anna"}});
        modDatabase::CloseDatabase(false);
        ReadOnlyFile readOnly(database.path());
        if (!readOnly.ok())
            QSKIP("this machine cannot make a file read-only");
        const QByteArray before = TestSupport::readFile(database.path());
        m_platform.expectMessage(); // the database says it is read-only
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(database.path())));
        QCOMPARE(modDatabase::DatabaseConnection().Mode(), Engine::ModeRead);
        Contact contact;
        contact.name = "Nobody";
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveNewPerson(contact));
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modContact::SaveExistingPerson(1, contact));
        QCOMPARE(countRows("Person"), 1);
        modDatabase::CloseDatabase(false);
        QCOMPARE(TestSupport::readFile(database.path()), before);
    }

    // The word around a position of a note (counted from 1), where it starts, and whether
    // it is a link.
    void hyperlinks_data()
    {
        TestSupport::addColumns<QString, int, QString, int, bool>("text", "position", "word", "start", "link");
        const QString line = "see www.example.org today";
        TestSupport::addRow("middle of a line", line, 10, "www.example.org", 5, true);
        TestSupport::addRow("on the first letter", line, 5, "www.example.org", 5, true);
        TestSupport::addRow("on the last letter", line, 19, "www.example.org", 5, true);
        TestSupport::addRow("last word", line, 24, "today", 21, false);
        TestSupport::addRow("caret after a blank", "ab cd", 3, "cd", 4, false);
        TestSupport::addRow("caret at the end", "ab cd", 5, "cd", 4, false);
        TestSupport::addRow("beyond the end", "ab cd", 9, "cd", 4, false);
        TestSupport::addRow("second of two blanks", "a  b", 3, "b", 4, false);
        TestSupport::addRow("start of note", "www.a.be rest", 3, "www.a.be", 1, true);
        TestSupport::addRow("position 0", "www.a.be rest", 0, "www.a.be", 1, true);
        TestSupport::addRow("after a line break", "Hello\r\nhttp://x.org end", 10, "http://x.org", 8, true);
        TestSupport::addRow("after a line feed", "Hello\nhttp://x.org", 9, "http://x.org", 7, true);
        TestSupport::addRow("before a line break, CRLF removed", "mailto:a@b.c\r\nnext", 3, "mailto:a@b.c", 1, true);
        TestSupport::addRow("before a line feed", "www.x.org\nnext", 2, "www.x.org", 1, true);
        TestSupport::addRow("carriage return is no separator", "x\ry z", 2, "x\ry", 1, false);
        TestSupport::addRow("leading blank at position 1", " ab", 1, "", 1, false);
        TestSupport::addRow("empty text", "", 5, "", 5, false);
        TestSupport::addRow("https", "https://example.org", 1, "https://example.org", 1, true);
        TestSupport::addRow("file", "file:///home/ann/notes.txt", 1, "file:///home/ann/notes.txt", 1, true);
        TestSupport::addRow("marker in the middle", "abchttp:def", 1, "abchttp:def", 1, true);
        TestSupport::addRow("capital scheme", "HTTP://EXAMPLE.ORG", 1, "HTTP://EXAMPLE.ORG", 1, false);
        TestSupport::addRow("capital scheme with www", "HTTP://www.example.org", 1, "HTTP://www.example.org", 1, true);
        TestSupport::addRow("capital www", "WWW.EXAMPLE.ORG", 1, "WWW.EXAMPLE.ORG", 1, false);
        TestSupport::addRow("scheme without colon", "http", 1, "http", 1, false);
        TestSupport::addRow("e-mail address", "ann@example.org", 1, "ann@example.org", 1, false);
    }
    void hyperlinks()
    {
        auto [text, position] = TestSupport::fetch<QString, int>("text", "position");
        const QString word = modHyperlink::GetHyperlinkWord(text, position);
        QTEST(word, "word");
        QTEST(position, "start");
        QTEST(modHyperlink::IsHyperlink(word), "link");
    }
};

ADDRION_TEST_MAIN(TestContact)
#include "tst_contact.moc"
