// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "PersonDump.h"
#include "TestSupport.h"

#include "interchange/modCsv.h"
#include "interchange/modCsvParts.h"
#include "interchange/modDuplicates.h"
#include "interchange/modVcard.h"
#include "startup/modEnvironment.h"

#include <QStringEncoder>

using TestSupport::addRow;

// vCards, CSV files and the duplicate finder's groups as plain functions; the sample files
// follow the vCard RFCs and what phones, web address books and desktop programs export.
class TestFormats : public QObject
{
    Q_OBJECT

    static QByteArray sample(const QString& name)
    {
        return TestSupport::readFile(TestSupport::sourceDir() + "/tests/interchange/samples/" + name);
    }

    // One line per person, so a whole file's result compares in one QCOMPARE.
    static QString describe(const modVcard::Person& person)
    {
        auto entries = [](const std::vector<modExport::Entry>& list) {
            QStringList texts;
            for (const modExport::Entry& entry : list)
                texts << (entry.description.isEmpty() ? entry.value : entry.value + " (" + entry.description + ")");
            return texts.join(" | ");
        };
        return QStringList{person.name,
                           person.dateOfBirth ? person.dateOfBirth->toString(Qt::ISODate) : "-",
                           person.address,
                           entries(person.phones),
                           entries(person.emails),
                           person.note}
                   .join(" # ") +
               detailsText(person.birthday, person.organisation, person.title, person.photo);
    }

    // The persons made of the file's cards; a card skipped shows as "skipped".
    static QStringList import(const QByteArray& file, const modVcard::Limits& limits = {},
                              modVcard::Keeping keeping = modVcard::Keeping::InCard)
    {
        QStringList persons;
        for (const modVcard::Card& card : modVcard::ParseCards(file)) {
            modVcard::Problem problem = modVcard::Problem::None;
            const auto person = modVcard::ToPerson(card, limits, "dd/mm/yyyy", problem, keeping);
            persons << (person ? describe(*person) : "skipped");
        }
        return persons;
    }

private slots:
    void samples_data()
    {
        TestSupport::addColumns<QByteArray, QStringList>("file", "persons");

        // A phone's 2.1 export: CR LF, bare type words, quoted-printable UTF-8, soft line
        // breaks, a photo with unindented data lines, cards in the phone's own code pages.
        addRow("2.1 quoted-printable", sample("phone21.vcf"),
               QStringList{"Jürgen Müller # 1979-04-12 # Hauptstraße 5\nHinterhaus\n10115 Berlin\nDeutschland # "
                           "+49 171 5550100 (Mobile) | 030 5550199 (Home) | 030 5550198 (Work Fax) # "
                           "juergen@example.org # Met at the fair\nLikes = signs",
                           "René François # - #  # +33 1 55 55 01 23 (Work) #  # ",
                           "Zoë # - #  #  #  # Café € 5, C:\\Users\\zoe"});

        // A web address book's 3.0 export: byte order mark, bare LF, any case, repeated
        // TYPE, grouped labels, folding with a tab, every escape.
        addRow(
            "3.0 labels and escapes", sample("web30.vcf"),
            QStringList{"Anna van der Berg # 1980-02-29 # Keizersgracht 1\nApt 2\n1015 CJ Amsterdam\nNH\nNetherlands # "
                        "+31 6 5550 1234 (Mobile) | +31 20 555 0000 (Gym) | +31 20 555 1111 (Work) # "
                        "anna@example.net (Home) | a.berg@work.example (Work) # "
                        "Line one\nLine two, with comma; semicolon \\ backslash : colon and a long word"
                        " # [- | Example Corp, Research | Chief Tester | -]",
                        "Bob Stone # - #  #  #  #  # [--12-24 |  |  | -]"});

        // 4.0: PREF parameters, quoted type lists, tel: addresses, a birthday without
        // year, two addresses (the preferred one shows), and properties this program has no
        // place for (they stay in the kept card, as does a birthday given as text).
        addRow("4.0 pref and no-year birthday", sample("rfc40.vcf"),
               QStringList{"Dr. Chen Wei # - # 100 Waters Edge\n30314 Baytown\nLA\nUSA # "
                           "+1-555-555-5555 (Home) | +1-555-555-4444 (Work Mobile) # chen@work.example (Work) #  # "
                           "[--04-12 |  |  | -]",
                           "Smith, John # - #  #  #  # "});

        // Cards that only name an organisation, and a 2.1 LABEL where there is no ADR;
        // a date of birth in basic form with a time.
        addRow(
            "organisation and label", sample("organisation.vcf"),
            QStringList{"Plumbing Ltd. # 1999-12-31 # Pipe Lane 4\n1234 Town #  #  #  # [- | Plumbing Ltd. |  | -]"});

        addRow("UTF-16 with byte order mark", sample("utf16.vcf"), QStringList{"Ørjan Åsen # - #  #  #  # "});
    }
    void samples()
    {
        QFETCH(QByteArray, file);
        QTEST(import(file), "persons");
    }

    // A birthday without a year, the organisation, the job title and an inline photo have
    // fields of their own; older versions read the first three into the note.
    void fieldsBeyondTheTables_data()
    {
        TestSupport::addColumns<QByteArray, QString, QString>("lines", "details", "olderNote");
        const QByteArray jpeg("\xFF\xD8\xFF\xE0 a photo");
        addRow("3.0 birthday without a year", QByteArray("BDAY:--0414"), " # [--04-14 |  |  | -]",
               "Date of birth: 14/04");
        addRow("4.0 birthday without a year", QByteArray("BDAY:--04-14"), " # [--04-14 |  |  | -]",
               "Date of birth: 14/04");
        addRow("year marked as omitted", QByteArray("BDAY;X-APPLE-OMIT-YEAR=1604:1604-02-29"), " # [--02-29 |  |  | -]",
               "Date of birth: 29/02");
        addRow("birthday with a year", QByteArray("BDAY:1970-04-14"), "", "");
        addRow("organisation and title", QByteArray("ORG:Example Corp;Research\nTITLE:Chief Tester"),
               " # [- | Example Corp, Research | Chief Tester | -]",
               "Organisation: Example Corp, Research\nTitle: Chief Tester");
        addRow("3.0 photo", "PHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64(), " # [- |  |  | photo 12 bytes]", "");
        addRow("2.1 photo with data lines",
               "PHOTO;ENCODING=BASE64;TYPE=JPEG:\n" + jpeg.toBase64().left(8) + "\n" + jpeg.toBase64().mid(8) + "\n",
               " # [- |  |  | photo 12 bytes]", "");
        addRow("4.0 photo as data", "PHOTO:data:image/jpeg;base64," + jpeg.toBase64(), " # [- |  |  | photo 12 bytes]",
               "");
        addRow("photo on the web, never fetched", QByteArray("PHOTO;VALUE=uri:https://example.org/a.jpg"), "", "");
        addRow("broken photo", QByteArray("PHOTO;ENCODING=b;TYPE=JPEG:not*base64"), "", "");
    }
    void fieldsBeyondTheTables()
    {
        auto [lines, details, olderNote] =
            TestSupport::fetch<QByteArray, QString, QString>("lines", "details", "olderNote");
        const QByteArray card = "BEGIN:VCARD\nVERSION:3.0\nFN:Anna\n" + lines + "\nEND:VCARD\n";
        const QString date = lines.contains("1970") ? "1970-04-14" : "-";
        for (const modVcard::Keeping keeping : {modVcard::Keeping::InCard, modVcard::Keeping::InNote})
            QCOMPARE(import(card, {}, keeping), QStringList{"Anna # " + date + " #  #  #  # " + details});
        QCOMPARE(import(card, {}, modVcard::Keeping::Older),
                 QStringList{"Anna # " + date + " #  #  #  # " + olderNote});
    }

    // Files without any card; broken cards among good ones are in the import test's report.
    void filesWithoutCards()
    {
        for (const QByteArray& file : {QByteArray(), QByteArray("Name: Anna\nPhone: 123\n"),
                                       QByteArray("END:VCARD\r\n"), QByteArray("\x00\x01\xff:\xfe\x00", 6)})
            QVERIFY(modVcard::ParseCards(file).empty());
    }

    // Texts that do not fit their column, and lists longer than a list can be, are kept
    // in the note rather than cut or dropped.
    void oversizedTextsGoToTheNote()
    {
        const modVcard::Limits limits{10, 8, 12, 6, 2}; // name, number, e-mail, description, entries
        QCOMPARE(import(sample("oversized.vcf"), limits, modVcard::Keeping::InNote),
                 QStringList{"Maximilian # - #  # 1 | 3 #  # typed note\n\nName: Maximilian Alexander\n"
                             "Number: 123456789 (Home)\nNumber: 2 (Holiday)\nNumber: 4\n"
                             "E-mail: max@example.org"});

        // A cut never leaves half of a character outside the Basic Multilingual Plane.
        QCOMPARE(import("BEGIN:VCARD\nFN:Abcdefghi\xF0\x9F\x8E\x82xyz\nEND:VCARD\n", limits, modVcard::Keeping::InNote),
                 QStringList{"Abcdefghi # - #  #  #  # Name: Abcdefghi\U0001F382xyz"});
    }

    // Cut short anywhere, or with any byte replaced by a meaningful one, a file still reads
    // into cards, and every person made of them fits the database's columns.
    void damagedFilesStillReadSafely()
    {
        const QByteArray file = sample("damaged.vcf");
        const modVcard::Limits limits{8, 6, 100, 100, 1};
        std::vector<QByteArray> variants;
        for (int length = 0; length <= file.size(); ++length)
            variants.push_back(file.left(length));
        for (int position = 0; position < file.size(); ++position)
            for (const char replacement : {'\n', '\r', ':', ';', '=', '\\', '"', ' ', ',', '\xC3', '\0'}) {
                QByteArray changed = file;
                changed[position] = replacement;
                variants.push_back(changed);
            }
        int persons = 0;
        for (const QByteArray& variant : variants) {
            for (const modVcard::Card& card : modVcard::ParseCards(variant)) {
                modVcard::Problem problem = modVcard::Problem::None;
                const auto person = modVcard::ToPerson(card, limits, "dd/mm/yyyy", problem);
                QCOMPARE(bool(person), problem == modVcard::Problem::None);
                if (!person)
                    continue;
                ++persons;
                QVERIFY(!person->name.isEmpty() && person->name.size() <= limits.name && !person->name.contains('\n'));
                QVERIFY(person->phones.size() <= 1 && person->emails.size() <= 1);
                for (const modExport::Entry& phone : person->phones)
                    QVERIFY(!phone.value.isEmpty() && phone.value.size() <= limits.number &&
                            phone.description.size() <= limits.description);
                if (person->dateOfBirth)
                    QVERIFY(person->dateOfBirth->isValid() && person->dateOfBirth->year() >= 100);
            }
        }
        QVERIFY(persons > int(variants.size()));
    }

    void escapes()
    {
        const std::pair<const char*, const char*> texts[] = {
            {"a\\, b\\; c", "a, b; c"}, {"one\\ntwo\\Nthree", "one\ntwo\nthree"},
            {"C:\\\\dir", "C:\\dir"},   {"10\\:30", "10:30"},
            {"C:\\Users", "C:\\Users"}, // unknown escape kept
            {"end\\", "end\\"}};
        for (const auto& [written, text] : texts)
            QCOMPARE(modVcard::Unescape(written), QString(text));
        QCOMPARE(modVcard::SplitValue(";;Main St\\; Back\\nDoor;Town\\\\;;", ';'),
                 (QStringList{"", "", "Main St; Back\nDoor", "Town\\", "", ""}));
        // What is written reads back, on one line.
        for (const QString text : {"Anna", "a,b;c\\d:e", "first\nsecond\n\nfourth", "first\r\nsecond", "dir\\new"}) {
            QCOMPARE(modVcard::Unescape(modVcard::Escape(text)), QString(text).replace("\r\n", "\n"));
            QVERIFY(!modVcard::Escape(text).contains('\n'));
        }
    }

    void folding_data()
    {
        QTest::addColumn<QString>("line");
        addRow("short", "FN:Anna");
        addRow("ascii", "NOTE:" + QString("0123456789").repeated(30));
        addRow("two-byte letters", "NOTE:" + QString("äöüß").repeated(40));
        addRow("three-byte signs", "NOTE:x" + QString("€").repeated(60));
        addRow("outside the BMP", "NOTE:" + QString::fromUtf8("\xF0\x9F\x8E\x82 ").repeated(40));
    }
    void folding()
    {
        QFETCH(QString, line);
        const QStringList folded = modVcard::Fold(line);
        QString unfolded;
        for (int i = 0; i < folded.size(); ++i) {
            // Lines are filled: only the last may be shorter than a character less than full.
            const int size = folded.at(i).toUtf8().size();
            QVERIFY2(size <= 75 && (size > 75 - 4 || i + 1 == folded.size()), qPrintable(folded.at(i)));
            QVERIFY(!folded.at(i).contains(QChar(0xFFFD)));
            QVERIFY(i == 0 || (folded.at(i).startsWith(' ') && folded.at(i).size() > 1));
            unfolded += i == 0 ? folded.at(i) : folded.at(i).mid(1);
        }
        QCOMPARE(unfolded, line);
    }

    void writtenCard()
    {
        modExport::ExportedPerson person;
        person.name = "Sean O'Brien";
        person.dateOfBirth = QDate(1975, 3, 9);
        person.address = "Harbour Road 7, Flat 2\nCork";
        person.note = "Owes me; a pint";
        person.phones = {{"021 555 0101", "Home"},
                         {"087 555 0202", "Mobile"},
                         {"021 555 0303", "Boat, summer"},
                         {"021 555 0404", ""},
                         {"021 555 0505", "Fax"}};
        person.emails = {{"sean@example.ie", "Work"}, {"s@example.org", "Club"}};
        QStringList lines;
        modVcard::WriteCard(person, modExport::Details(), [&lines](const QString& line) { lines << line; });
        QCOMPARE(lines,
                 (QStringList{"BEGIN:VCARD", "VERSION:3.0", "N:O'Brien;Sean;;;", "FN:Sean O'Brien", "BDAY:1975-03-09",
                              "ADR:;;Harbour Road 7\\, Flat 2\\nCork;;;;", "TEL;TYPE=HOME:021 555 0101",
                              "TEL;TYPE=CELL:087 555 0202", "item1.TEL:021 555 0303", "item1.X-ABLabel:Boat\\, summer",
                              "TEL:021 555 0404", "TEL;TYPE=FAX:021 555 0505",
                              "EMAIL;TYPE=INTERNET,WORK:sean@example.ie", "item2.EMAIL;TYPE=INTERNET:s@example.org",
                              "item2.X-ABLabel:Club", "NOTE:Owes me\\; a pint", "END:VCARD"}));

        // Unticked details stay out; the name is always there, "Family, Given" when it has a comma.
        person.name = "O'Brien, Sean";
        // Only the numbers and the e-mail descriptions ticked.
        const modExport::Details details{false, false, false, true, false, false, true, false};
        lines.clear();
        modVcard::WriteCard(person, details, [&lines](const QString& line) { lines << line; });
        QCOMPARE(lines, (QStringList{"BEGIN:VCARD", "VERSION:3.0", "N:O'Brien;Sean;;;", "FN:O'Brien\\, Sean",
                                     "TEL:021 555 0101", "TEL:087 555 0202", "TEL:021 555 0303", "TEL:021 555 0404",
                                     "TEL:021 555 0505", "END:VCARD"}));
    }

    void csvDecode()
    {
        const QString name = "Müller €";
        const QByteArray le = QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(name);
        const QByteArray be = QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom)(name);
        for (const QByteArray& bytes : {name.toUtf8(), "\xEF\xBB\xBF" + name.toUtf8(), le, be})
            QCOMPARE(modCsv::Decode(bytes), name);
        QCOMPARE(modCsv::Decode("M\xFCller \x80 \x93q\x94 \x81"), QString("Müller € “q” \u0081")); // Windows-1252
    }

    void csvSeparator()
    {
        const std::pair<const char*, char> texts[] = {{"Name,Phone\nA;B,1", ','},
                                                      {"Name;Phone;Note\nA,B;1;x", ';'},
                                                      {"Name\tPhone\n", '\t'},
                                                      {"\"a;b;c\",Phone\n", ','}, // quoted separators do not count
                                                      {"Name\nAnna", ','}};
        for (const auto& [text, separator] : texts)
            QCOMPARE(modCsv::DetectSeparator(text), QChar(separator));
    }

    // Records with their starting lines; quoted fields keep separators, quotes and
    // line breaks, as spreadsheets write notes.
    void csvRecords_data()
    {
        TestSupport::addColumns<QString, QString>("text", "records");
        addRow("plain, CR LF", "a,b\r\nc,d\r\n", "1:a|b\n2:c|d");
        addRow("quoted comma and quotes", "\"x, y\",\"say \"\"hi\"\"\"\n", "1:x, y|say \"hi\"");
        addRow("line breaks in a note", "Name,Notes\r\nAnna,\"first\r\nsecond\nthird\"\r\nBob,x\r\n",
               "1:Name|Notes\n2:Anna|first\r\nsecond\nthird\n5:Bob|x");
        addRow("blank lines left out, no final break", "a\n\n\nb", "1:a\n4:b");
        addRow("empty fields", ",,\n\"\",x,", "1:||\n2:|x|");
        addRow("CR alone", "a\rb\r", "1:a\n2:b");
        addRow("quoted CR LF and a doubled quote last", "\"a\r\n\"\r\n\"b\"\"\"", "1:a\r\n\n3:b\"");
    }
    // The same records whatever pieces the text comes in (a file read a block at a time).
    void csvRecords()
    {
        QFETCH(QString, text);
        for (const qsizetype piece : {text.size(), qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7)}) {
            modCsv::RecordSplitter splitter(',');
            QStringList lines;
            const auto take = [&lines](modCsv::Record&& record) {
                lines << QString::number(record.line) + ":" + record.fields.join("|");
            };
            for (qsizetype at = 0; at < text.size(); at += piece)
                splitter.Feed(QStringView(text).mid(at, piece), false, take);
            splitter.Feed(QStringView(), true, take);
            QTEST(lines.join("\n"), "records");
            QVERIFY(splitter.Problems().empty());
        }
    }

    void csvLayoutAndBirthday()
    {
        const std::pair<const char*, modCsv::Layout> headers[] = {
            {"Name,Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value", modCsv::Layout::Google},
            {"First Name,Middle Name,Last Name,Labels,E-mail 1 - Label,E-mail 1 - Value", modCsv::Layout::GoogleLabel},
            {"Title,First Name,Middle Name,Last Name,E-mail Address,Home Phone", modCsv::Layout::Outlook},
            {"Vorname,Nachname,Telefon", modCsv::Layout::Unknown}};
        for (const auto& [header, layout] : headers)
            QCOMPARE(modCsv::Recognise(QString(header).split(',')), layout);

        const auto google = modCsv::Layout::Google;
        const auto outlook = modCsv::Layout::Outlook;
        // cell, date format setting, layout, value
        const std::tuple<const char*, const char*, modCsv::Layout, const char*> birthdays[] = {
            {"1980-02-29", "dd/mm/yyyy", google, "1980-02-29"},
            {"--02-29", "dd/mm/yyyy", google, "--02-29"},
            {"29.02.1980", "dd/mm/yyyy", google, "1980-02-29"}, // the user's setting, dots
            {"1980/02/29", "yyyy/mm/dd", google, "1980-02-29"},
            {"2/29/1980", "dd/mm/yyyy", outlook, "1980-02-29"}, // Outlook's own
            {"0/0/00", "dd/mm/yyyy", outlook, ""},              // Outlook's empty
            {"3/4/1980", "dd/mm/yyyy", outlook, "1980-04-03"},  // the user's before the layout's
            {"spring 1980", "dd/mm/yyyy", google, "spring 1980"},
            {"31/02/1980", "dd/mm/yyyy", google, "31/02/1980"}};
        for (const auto& [cell, dateFormat, layout, value] : birthdays)
            QCOMPARE(modCsv::BirthdayValue(cell, dateFormat, layout), QString(value));
    }

    // A file of unknown layout: its columns guessed from the words of every shipped language, then English ones.
    void guessedColumns_data()
    {
        TestSupport::addColumns<QString, QList<int>>("header", "roles");
        const auto roles = [](std::initializer_list<modCsv::Role> list) {
            QList<int> numbers;
            for (const modCsv::Role role : list)
                numbers << int(role);
            return numbers;
        };
        using R = modCsv::Role;
        addRow("German", "Vorname;Nachname;Geburtstag;Telefon;Notiz;Organisation",
               roles({R::FirstName, R::LastName, R::DateOfBirth, R::Phone, R::Note, R::Organisation}));
        addRow("French", "Prénom;Nom de famille;Date de naissance;Adresse;Fonction",
               roles({R::FirstName, R::LastName, R::DateOfBirth, R::Address, R::Title}));
        addRow("English", "First name;Surname;Birthday;Mobile;E-mail address;Company;Job title;Nickname",
               roles({R::FirstName, R::LastName, R::DateOfBirth, R::Phone, R::Email, R::Organisation, R::Title,
                      R::Nickname}));
        addRow("nothing known", "Kundennummer;x", roles({R::Ignore, R::Ignore}));
    }
    void guessedColumns()
    {
        auto [header] = TestSupport::fetch<QString>("header");
        modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
        QList<int> found;
        for (const modCsv::Column& column : modCsv::GuessMapping(header.split(';')))
            found << int(column.role);
        QTEST(found, "roles");
    }

    // The order a birthday column is read in, from all of its dates.
    void columnDateOrder_data()
    {
        TestSupport::addColumns<QStringList, int, QString, bool>("cells", "layout", "format", "undecided");
        const int outlook = int(modCsv::Layout::Outlook);
        const int unknown = int(modCsv::Layout::Unknown);
        addRow("one date proves month first", QStringList{"5/7/1965", "5/17/1965", "12/1/1970"}, outlook, "mm/dd/yyyy",
               false);
        addRow("one date proves day first", QStringList{"5/7/1965", "17.5.1965"}, outlook, "dd/mm/yyyy", false);
        addRow("nothing proven: the layout's order, said", QStringList{"5/7/1965", "12/1/1970"}, outlook, "mm/dd/yyyy",
               true);
        addRow("nothing proven, unknown layout: the setting", QStringList{"5/7/1965"}, unknown, "dd/mm/yyyy", true);
        addRow("no date that depends on the order", QStringList{"5/5/1965", "1980-02-29", "1975/03/09", ""}, outlook,
               "", false);
        addRow("both proven: each date as it reads", QStringList{"17/5/1965", "5/17/1965"}, outlook, "", false);
    }
    void columnDateOrder()
    {
        auto [cells, layout] = TestSupport::fetch<QStringList, int>("cells", "layout");
        modCsv::DateEvidence evidence;
        for (const QString& cell : cells)
            modCsv::AddDateEvidence(evidence, cell);
        bool undecided = false;
        QTEST(modCsv::ColumnDateFormat(evidence, modCsv::Layout(layout), "dd/mm/yyyy", undecided), "format");
        QTEST(undecided, "undecided");
    }

    void csvQuote()
    {
        const std::pair<const char*, const char*> fields[] = {{"Anna", "Anna"},
                                                              {"Berg, Anna", "\"Berg, Anna\""},
                                                              {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                              {"a\nb", "\"a\nb\""},
                                                              {"a;b", "\"a;b\""},
                                                              {" a", "\" a\""}};
        for (const auto& [field, written] : fields) {
            QCOMPARE(modCsv::Quote(field), QString(written));
            // What is written reads back as it was.
            std::vector<modCsv::FileProblem> problems;
            const auto records = modCsv::SplitRecords(modCsv::RecordText({field, "x"}) + "\r\n", ',', problems);
            QCOMPARE(records.size(), size_t(1));
            QCOMPARE(records.front().fields, (QStringList{field, "x"}));
        }
    }

    // Each layout's columns become the card's properties, labels paired with values.
    void csvRowAsCard_data()
    {
        TestSupport::addColumns<QString, QString, QString>("header", "row", "card");
        addRow("Google, older",
               "Name,Given Name,Family Name,Birthday,E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,"
               "Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Formatted",
               "Anna Berg,Anna,Berg,1980-02-29,* Work,a@x.org ::: b@x.org,Mobile,0612,,0101,Home,\"Lane 1\nCork\"",
               "BDAY:1980-02-29|item1.EMAIL:a@x.org|item1.X-ABLABEL:Work|item2.EMAIL:b@x.org|item2.X-ABLABEL:Work|"
               "item3.TEL:0612|item3.X-ABLABEL:Mobile|TEL:0101|FN:Anna Berg|item4.LABEL:Lane 1\\nCork|"
               "item4.X-ABLABEL:Home");
        addRow("Google, current", "First Name,Middle Name,Last Name,Labels,E-mail 1 - Label,E-mail 1 - Value,Notes",
               "José,,Müller,* myContacts,Home,j@x.org,\"a, b\"",
               "item1.EMAIL:j@x.org|item1.X-ABLABEL:Home|NOTE:a\\, b|FN:José Müller");
        addRow("Outlook",
               "First Name,Last Name,E-mail Address,E-mail 2 Address,Home Phone,Business Phone,Car Phone,"
               "Home Street,Home City,Birthday",
               "Sean,O'Brien,s@x.ie,,021,022,023,Harbour Rd 7,Cork,3/9/1975",
               "EMAIL:s@x.ie|item1.TEL:021|item1.X-ABLABEL:Home|item2.TEL:022|item2.X-ABLABEL:Work|"
               "item3.TEL:023|item3.X-ABLABEL:Car Phone|BDAY:1975-03-09|FN:Sean O'Brien|"
               "item4.LABEL:Harbour Rd 7\\nCork|item4.X-ABLABEL:Home");
        // What Outlook's columns cannot hold comes back from the end of the note; the parts of
        // the address make its lines again.
        const QString outlookKept =
            "Title,First Name,Middle Name,Last Name,Suffix,Home Street,Home City,Home State,Home Postal Code,"
            "Home Phone,Mobile Phone,Other Phone,Birthday,E-mail Address,E-mail 2 Address,E-mail 3 Address,Notes";
        addRow("Outlook, kept in the note", outlookKept,
               ",Jan,,van der Berg,,1 Main St,Springfield,IL,62701,021,,023,,a@x.nl,,,"
               "\"Owes me\n\n[Addrion]\nName: van der Berg, Jan\nBirthday: --02-29\nPhone: 023 | Büro\n"
               "Phone: 021 | Home\nPhone: 024 | 手机\nE-mail: a@x.nl | Privat\"",
               "item2.TEL:023|item2.X-ABLABEL:Büro|item3.TEL:021|item3.X-ABLABEL:Home|item4.TEL:024|"
               "item4.X-ABLABEL:手机|item5.EMAIL:a@x.nl|item5.X-ABLABEL:Privat|BDAY:--02-29|NOTE:Owes me|"
               "FN:van der Berg\\, Jan|item6.LABEL:1 Main St\\nSpringfield\\, IL 62701|item6.X-ABLABEL:Home");
        // A number changed in a spreadsheet since: the columns hold, the note stays whole.
        addRow("Outlook, a number changed since", outlookKept,
               ",Jan,,Berg,,,,,,021,,099,,,,,\"[Addrion]\nPhone: 023 | Büro\nPhone: 021 | Home\"",
               "item1.TEL:021|item1.X-ABLABEL:Home|TEL:099|NOTE:[Addrion]\\nPhone: 023 | Büro\\nPhone: 021 | Home|"
               "FN:Jan Berg");
    }
    void csvRowAsCard()
    {
        auto [header, row] = TestSupport::fetch<QString, QString>("header", "row");
        const modCsv::Table table = modCsv::ReadTable((header + "\r\n" + row + "\r\n").toUtf8());
        QVERIFY(table.problems.empty());
        const modCsv::Layout layout = modCsv::Recognise(table.header);
        QVERIFY(layout != modCsv::Layout::Unknown);
        const modVcard::Card result =
            modCsv::ToCard(table.rows.front(), modCsv::LayoutMapping(table.header, layout), "mm/dd/yyyy", layout);
        QCOMPARE(result.line, 2);
        QStringList properties;
        for (const modVcard::Property& property : result.properties)
            properties << (property.group.isEmpty() ? "" : property.group + ".") + property.name + ":" + property.value;
        QTEST(properties.join("|"), "card");
    }

    // A name in the parts desktop address books keep; those a name is written in, joined
    // again, give the name back, so an import rebuilds it.
    void nameParts_data()
    {
        TestSupport::addColumns<QString, QString>("name", "parts"); // prefix|first|middle|last|suffix
        addRow("first and last", "Anna Schmidt", "|Anna||Schmidt|");
        addRow("a middle name and a title", "Dr. Anna Maria Schmidt", "Dr.|Anna|Maria|Schmidt|");
        addRow("particles begin the last name", "Jan van der Berg", "|Jan||van der Berg|");
        addRow("last name first", "van der Berg, Jan", "|Jan||van der Berg|");
        addRow("last name first, a nickname and a suffix", "Smith, \"Bob\" Jr.", "|\"Bob\"||Smith|Jr.");
        addRow("a suffix after a comma", "Bob Smith, Jr.", "|Bob||Smith|Jr.");
        addRow("one word", "Madonna", "|Madonna|||");
        addRow("a title alone is a name", "Dr.", "|Dr.|||");
    }
    void nameParts()
    {
        auto [name] = TestSupport::fetch<QString>("name");
        const modCsvParts::NameParts parts = modCsvParts::SplitName(name);
        QTEST(QStringList({parts.prefix, parts.first, parts.middle, parts.last, parts.suffix}).join("|"), "parts");
        if (!name.contains(','))
            QCOMPARE(modCsvParts::JoinName(parts), name);
    }

    // An address of lines in a desktop address book's parts where its lines have a known
    // shape, otherwise whole as the street; joined again it is the text it was.
    void addressParts_data()
    {
        TestSupport::addColumns<QString, QString>("address", "parts"); // streets/city/region/postal code/country
        addRow("American", "1 Main St\nApt 4\nSpringfield, IL 62701\nUSA", "1 Main St+Apt 4|Springfield|IL|62701|USA");
        addRow("German with the country", "Hauptstraße 5\n10115 Berlin\nDeutschland",
               "Hauptstraße 5|Berlin||10115|Deutschland");
        addRow("Dutch postal code", "Dorpsstraat 1\n1234 AB Ergens", "Dorpsstraat 1|Ergens||1234 AB|");
        addRow("a town without a postal code, a country", "Harbour Road 7, Flat 2\nCork\nIreland",
               "Harbour Road 7, Flat 2|Cork|||Ireland");
        addRow("a country's English name after the town", "Lange Reihe 3\n20099 Hamburg\nGermany",
               "Lange Reihe 3|Hamburg||20099|Germany");
        addRow("no town with a postal code: streets", "10 Downing St\nLondon\nSW1A 2AA",
               "10 Downing St+London+SW1A 2AA||||");
        addRow("a line with a blank after it: whole", "Hauptstraße 5 \n10115 Berlin",
               "Hauptstraße 5 \n10115 Berlin||||");
        addRow("four street lines: whole", "a\nb\nc\nd\n10115 Berlin", "a\nb\nc\nd\n10115 Berlin||||");
        addRow("a blank line: whole", "Hauptstraße 5\n\n10115 Berlin", "Hauptstraße 5\n\n10115 Berlin||||");
        addRow("one line", "Hauptstraße 5, 10115 Berlin", "Hauptstraße 5, 10115 Berlin||||");
        addRow("nothing", "", "||||");
    }
    void addressParts()
    {
        auto [address] = TestSupport::fetch<QString>("address");
        const modCsvParts::AddressParts parts = modCsvParts::SplitAddress(address);
        QTEST(
            QStringList({parts.streets.join("+"), parts.city, parts.region, parts.postalCode, parts.country}).join("|"),
            "parts");
        QCOMPARE(modCsvParts::JoinAddress(parts), address);
    }

    // The fields kept at the end of a note read back as they were written, whatever they
    // hold; a note that only looks like them is a note.
    void keptFields()
    {
        modCsvParts::KeptFields kept;
        kept.name = "Smith, \"Bob\" | Jr.";
        kept.birthday = "--02-29";
        kept.phones = {{"021 | 555", "Boat\\ \"x\" | y"}, {"0808", ""}, {"0909 ", " Büro"}};
        kept.emails = {{"a@x.org", "عمل"}, {"b@x.org\nc", "line\r\nbreak"}};
        for (const QString& note : {QString(), QString("Owes me\n\n[Addrion]"), QString("a | b \\n")}) {
            const QString written = modCsvParts::NoteWithKept(note, kept);
            QString readNote = "unset";
            modCsvParts::KeptFields read;
            QVERIFY2(modCsvParts::SplitKept(written, readNote, read), qPrintable(written));
            QCOMPARE(readNote, note);
            QCOMPARE(read.name, kept.name);
            QCOMPARE(read.birthday, kept.birthday);
            const auto texts = [](const std::vector<modExport::Entry>& entries) {
                QStringList list;
                for (const modExport::Entry& entry : entries)
                    list << entry.value + "\t" + entry.description;
                return list;
            };
            QCOMPARE(texts(read.phones), texts(kept.phones));
            QCOMPARE(texts(read.emails), texts(kept.emails));
        }
        QCOMPARE(modCsvParts::NoteWithKept("note", {}), QString("note"));
        for (const char* note : {"[Addrion]", "x\n\n[Addrion]\nAge: 3", "x\n[Addrion]\nName: y",
                                 "[Addrion]\nName: ", "x\n\n[Addrion]\nPhone: 1 |2"}) {
            QString readNote;
            modCsvParts::KeptFields read;
            QVERIFY2(!modCsvParts::SplitKept(note, readNote, read), note);
        }
    }

    // The files written in either layout are recognised as it, whichever details are ticked.
    void writtenLayoutRecognised_data()
    {
        TestSupport::addColumns<int, bool, bool, bool>("layout", "phone", "email", "address");
        for (const int layout : {int(modCsv::Layout::GoogleLabel), int(modCsv::Layout::Outlook)}) {
            const QString name = layout == int(modCsv::Layout::Outlook) ? "Outlook" : "Google";
            addRow(qPrintable(name + ", everything"), layout, true, true, true);
            addRow(qPrintable(name + ", numbers only"), layout, true, false, false);
            addRow(qPrintable(name + ", the name only"), layout, false, false, false);
        }
    }
    void writtenLayoutRecognised()
    {
        auto [layout, phone, email, address] =
            TestSupport::fetch<int, bool, bool, bool>("layout", "phone", "email", "address");
        modExport::Details details;
        details.phone = phone;
        details.email = email;
        details.address = address;
        details.dateofbirth = details.note = details.organisation = false;
        modCsv::RecordWriter writer(details, modCsv::Layout(layout));
        writer.WidenPhones({{"087 555 0202", "Mobile"}});
        QCOMPARE(modCsv::Recognise(writer.Header()), modCsv::Layout(layout));
    }

    // Each rule groups what it must and nothing else; a candidate is "name;phone,phone;email,email" and gets
    // the number of its position, from 1. A group shows as its first person, then "+N (why N matches it)".
    void duplicateGroups_data()
    {
        TestSupport::addColumns<QStringList, QString>("candidates", "groups");
        addRow("name: case, accents, word order", QStringList{"Müller José;;", "Anna Berg;;", "josé  MULLER;;"},
               "1 +3 (Same name)");
        addRow("name: other words are other persons", QStringList{"Anna Berg;;", "Anna Bergman;;", "Berg;;"}, "");
        addRow("e-mail ignoring case", QStringList{"A;;Ann@Example.org", "B;;x@y.z,ann@example.ORG "},
               "1 +2 (Same e-mail address)");
        addRow("a shared number alone is no duplicate",
               QStringList{"Ann Lee;+49 30 1234-5678;", "Bob Stone;030 12345678,0170 1;"}, "");
        addRow("a family's number beside a name: the husband stays out",
               QStringList{"Anna Schmidt;089 5551234;", "Peter Schmidt;+49 89 5551234;", "Schmidt, Anna;;"},
               "1 +3 (Same name)");
        addRow("the same number written nationally and with its country code",
               QStringList{"Anna Schmidt;089 5551234;", "anna schmidt;+49 89 5551234;"},
               "1 +2 (Same name, same number)");
        addRow("the same last digits in other countries are other numbers",
               QStringList{"Jan Berg;0171 2345678;", "jan berg;+33 6 12 34 56 78;"}, "1 +2 (Same name)");
        addRow("each matches the first directly",
               QStringList{"Ann Lee;;a@x.org", "Other;555 0101 77;a@x.org", "Third;555 0101 77;", "ann lee;;"},
               "1 +2 (Same e-mail address) +4 (Same name)");
        addRow("no chains: a match of a member is not the group's",
               QStringList{"Ann Lee;;", "ann lee;;b@x.org", "Bob Stone;;B@x.org"}, "1 +2 (Same name)");
        addRow("two groups in name order", QStringList{"Zed;;", "Amy;;q@x", "zed;;", "Bea;;Q@X"},
               "2 +4 (Same e-mail address) 1 +3 (Same name)");
    }
    void duplicateGroups()
    {
        QFETCH(QStringList, candidates);
        std::vector<modDuplicates::Candidate> list;
        for (const QString& text : candidates) {
            const QStringList parts = text.split(';');
            list.push_back({qint16(list.size() + 1), parts[0], parts[1].split(',', Qt::SkipEmptyParts),
                            parts[2].split(',', Qt::SkipEmptyParts)});
        }
        QStringList groups;
        for (const modDuplicates::Group& group : modDuplicates::FindGroups(list)) {
            QCOMPARE(group.memberReasons.size(), group.contactnrs.size());
            QString text = QString::number(group.contactnrs.front());
            int all = 0;
            for (std::size_t i = 1; i < group.contactnrs.size(); ++i) {
                text += QString(" +%1 (%2)")
                            .arg(group.contactnrs[i])
                            .arg(modDuplicates::ReasonText(group.memberReasons[i]));
                all |= group.memberReasons[i];
            }
            QCOMPARE(group.reasons, all);
            groups << text;
        }
        QTEST(groups.join(" "), "groups");
    }

    // A text a spreadsheet would run as a formula is written with a leading apostrophe, and read back without.
    void formulaGuard_data()
    {
        TestSupport::addColumns<QString, QString>("field", "written");
        addRow("formula", "=1+2", "'=1+2");
        addRow("a function after a sign", "+HYPERLINK(\"http://x.test\")", "'+HYPERLINK(\"http://x.test\")");
        addRow("minus and a word", "- call back", "'- call back");
        addRow("at sign", "@SUM(A1)", "'@SUM(A1)");
        addRow("tab", "\tx", "'\tx");
        addRow("a number with its country code", "+49 30 1234567", "+49 30 1234567");
        addRow("a dash alone", "-", "-");
        addRow("an apostrophe of the user's own", "'quoted'", "'quoted'");
        addRow("plain text", "Anna", "Anna");
        addRow("empty", "", "");
    }
    void formulaGuard()
    {
        auto [field, written] = TestSupport::fetch<QString, QString>("field", "written");
        QCOMPARE(modCsv::FormulaGuarded(field), written);
        QCOMPARE(modCsv::WithoutFormulaGuard(written), field);
    }

    void sameNumber_data()
    {
        TestSupport::addColumns<QString, QString, bool>("a", "b", "same");
        addRow("the same digits", "089 555 1234", "089/5551234", true);
        addRow("national and with the country code", "089 5551234", "+49 89 5551234", true);
        addRow("00 for the plus", "0049 89 5551234", "089 5551234", true);
        addRow("both with country codes", "+49 89 5551234", "0049 89 555 1234", true);
        addRow("other area", "089 5551234", "+49 30 5551234", false);
        addRow("other country, same last eight digits", "0171 2345678", "+33 6 12 34 56 78", false);
        addRow("a country code of four digits is none", "0123456", "+12345 123456", false);
        addRow("too short", "1234", "1234", false);
    }
    void sameNumber()
    {
        auto [a, b] = TestSupport::fetch<QString, QString>("a", "b");
        QTEST(modDuplicates::SameNumber(a, b), "same");
        QTEST(modDuplicates::SameNumber(b, a), "same");
    }
};

ADDRION_TEST_MAIN(TestFormats)
#include "tst_formats.moc"
