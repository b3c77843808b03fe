#include "TestSupport.h"

#include "interchange/modCsv.h"

// Reading and writing comma-separated files as plain functions: encodings, separators,
// quoting, broken files, layouts and dates.
class TestCsv : public QObject
{
    Q_OBJECT

    static QString fieldsText(const std::vector<modCsv::Record>& records)
    {
        QStringList lines;
        for (const modCsv::Record& record : records)
            lines << QString::number(record.line) + ":" + record.fields.join("|");
        return lines.join("\n");
    }

private slots:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const QString name = QString::fromUtf8("Müller €");
        QTest::newRow("UTF-8") << name.toUtf8() << name;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + name.toUtf8() << name;
        QByteArray le("\xFF\xFE");
        QByteArray be("\xFE\xFF");
        for (const QChar c : name) {
            le += char(c.unicode() & 0xFF), le += char(c.unicode() >> 8);
            be += char(c.unicode() >> 8), be += char(c.unicode() & 0xFF);
        }
        QTest::newRow("UTF-16 LE with BOM") << le << name;
        QTest::newRow("UTF-16 BE with BOM") << be << name;
        TestSupport::addRow("Windows-1252", QByteArray("M\xFCller \x80 \x93q\x94 \x81"),
                            QString::fromUtf8("Müller € “q” \u0081"));
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QTEST(modCsv::Decode(bytes), "text");
    }

    void separator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        TestSupport::addRow("comma", "Name,Phone\nA;B,1", ",");
        TestSupport::addRow("semicolon", "Name;Phone;Note\nA,B;1;x", ";");
        TestSupport::addRow("tab", "Name\tPhone\n", "\t");
        TestSupport::addRow("quoted separators do not count", "\"a;b;c\",Phone\n", ",");
        TestSupport::addRow("one column", "Name\nAnna", ",");
    }
    void separator()
    {
        QFETCH(QString, text);
        QTEST(QString(modCsv::DetectSeparator(text)), "separator");
    }

    // Records with their starting lines; quoted fields keep separators, quotes and
    // line breaks, as spreadsheets write notes.
    void records_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("records");
        TestSupport::addRow("plain, CR LF", "a,b\r\nc,d\r\n", "1:a|b\n2:c|d");
        TestSupport::addRow("quoted comma and quotes", "\"x, y\",\"say \"\"hi\"\"\"\n", "1:x, y|say \"hi\"");
        TestSupport::addRow("line breaks in a note", "Name,Notes\r\nAnna,\"first\r\nsecond\nthird\"\r\nBob,x\r\n",
                            "1:Name|Notes\n2:Anna|first\r\nsecond\nthird\n5:Bob|x");
        TestSupport::addRow("blank lines left out, no final break", "a\n\n\nb", "1:a\n4:b");
        TestSupport::addRow("empty fields", ",,\n\"\",x,", "1:||\n2:|x|");
        TestSupport::addRow("CR alone", "a\rb\r", "1:a\n2:b");
    }
    void records()
    {
        QFETCH(QString, text);
        std::vector<modCsv::FileProblem> problems;
        QTEST(fieldsText(modCsv::SplitRecords(text, ',', problems)), "records");
        QVERIFY(problems.empty());
    }

    // A broken file is reported line by line; the import writes nothing of it.
    void brokenFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("report");
        TestSupport::addRow("unterminated quote", QByteArray("Name,Notes\nAnna,ok\nBob,\"never\nclosed\n"),
                            "Nothing was imported.\n"
                            "- Line 3: The quotation mark opened here is not closed");
        TestSupport::addRow("ragged rows", QByteArray("Name;Phone;Notes\nA;1;x\nB;2\nC;3;x;y\n"),
                            "Nothing was imported.\n- Line 3: 2 fields instead of 3\n"
                            "- Line 4: 4 fields instead of 3");
    }
    void brokenFiles()
    {
        QFETCH(QByteArray, file);
        const modCsv::Table table = modCsv::ReadTable(file);
        QVERIFY(!table.problems.empty());
        QTEST(modCsv::ProblemsText(table.problems), "report");
    }

    void recognise_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("layout");
        TestSupport::addRow("Google, older", "Name,Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value",
                            int(modCsv::Layout::Google));
        TestSupport::addRow("Google, current",
                            "First Name,Middle Name,Last Name,Labels,E-mail 1 - Label,E-mail 1 - Value",
                            int(modCsv::Layout::GoogleLabel));
        TestSupport::addRow("Outlook", "Title,First Name,Middle Name,Last Name,E-mail Address,Home Phone",
                            int(modCsv::Layout::Outlook));
        QTest::newRow("unknown") << "Vorname,Nachname,Telefon" << int(modCsv::Layout::Unknown);
    }
    void recognise()
    {
        QFETCH(QString, header);
        QTEST(int(modCsv::Recognise(header.split(','))), "layout");
    }

    void birthday_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("value");
        const int google = int(modCsv::Layout::Google);
        const int outlook = int(modCsv::Layout::Outlook);
        TestSupport::addRow("ISO", "1980-02-29", "dd/mm/yyyy", google, "1980-02-29");
        TestSupport::addRow("no year", "--02-29", "dd/mm/yyyy", google, "--02-29");
        TestSupport::addRow("user's setting, dots", "29.02.1980", "dd/mm/yyyy", google, "1980-02-29");
        TestSupport::addRow("user's setting, year first", "1980/02/29", "yyyy/mm/dd", google, "1980-02-29");
        TestSupport::addRow("Outlook's own", "2/29/1980", "dd/mm/yyyy", outlook, "1980-02-29");
        TestSupport::addRow("Outlook's empty", "0/0/00", "dd/mm/yyyy", outlook, "");
        TestSupport::addRow("user's before layout", "3/4/1980", "dd/mm/yyyy", outlook, "1980-04-03");
        TestSupport::addRow("not a date", "spring 1980", "dd/mm/yyyy", google, "spring 1980");
        TestSupport::addRow("not a day", "31/02/1980", "dd/mm/yyyy", google, "31/02/1980");
    }
    void birthday()
    {
        QFETCH(QString, cell);
        QFETCH(QString, dateFormat);
        QFETCH(int, layout);
        QTEST(modCsv::BirthdayValue(cell, dateFormat, modCsv::Layout(layout)), "value");
    }

    void quote_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        TestSupport::addRow("plain", "Anna", "Anna");
        TestSupport::addRow("comma", "Berg, Anna", "\"Berg, Anna\"");
        TestSupport::addRow("quotes", "say \"hi\"", "\"say \"\"hi\"\"\"");
        TestSupport::addRow("line break", "a\nb", "\"a\nb\"");
        TestSupport::addRow("semicolon", "a;b", "\"a;b\"");
        TestSupport::addRow("outer blank", " a", "\" a\"");
    }
    void quote()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(modCsv::Quote(field), written);
        // What is written reads back as it was.
        std::vector<modCsv::FileProblem> problems;
        const auto records = modCsv::SplitRecords(modCsv::RecordText({field, "x"}) + "\r\n", ',', problems);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records.front().fields, (QStringList{field, "x"}));
    }

    // Each layout's columns become the card's properties, labels paired with values.
    void rowAsCard_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("card");
        TestSupport::addRow(
            "Google, older",
            "Name,Given Name,Family Name,Birthday,E-mail 1 - Type,E-mail 1 - Value,Phone 1 - Type,"
            "Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Formatted",
            "Anna Berg,Anna,Berg,1980-02-29,* Work,a@x.org ::: b@x.org,Mobile,0612,,0101,Home,\"Lane 1\nCork\"",
            "BDAY:1980-02-29|item1.EMAIL:a@x.org|item1.X-ABLABEL:Work|item2.EMAIL:b@x.org|item2.X-ABLABEL:Work|"
            "item3.TEL:0612|item3.X-ABLABEL:Mobile|TEL:0101|FN:Anna Berg|item4.LABEL:Lane 1\\nCork|"
            "item4.X-ABLABEL:Home");
        TestSupport::addRow("Google, current",
                            "First Name,Middle Name,Last Name,Labels,E-mail 1 - Label,E-mail 1 - Value,Notes",
                            "José,,Müller,* myContacts,Home,j@x.org,\"a, b\"",
                            "item1.EMAIL:j@x.org|item1.X-ABLABEL:Home|"
                            "NOTE:a\\, b|FN:José Müller");
        TestSupport::addRow("Outlook",
                            "First Name,Last Name,E-mail Address,E-mail 2 Address,Home Phone,Business Phone,Car Phone,"
                            "Home Street,Home City,Birthday",
                            "Sean,O'Brien,s@x.ie,,021,022,023,Harbour Rd 7,Cork,3/9/1975",
                            "EMAIL:s@x.ie|item1.TEL:021|item1.X-ABLABEL:Home|item2.TEL:022|item2.X-ABLABEL:Work|"
                            "item3.TEL:023|item3.X-ABLABEL:Car Phone|BDAY:1975-03-09|FN:Sean O'Brien|"
                            "item4.LABEL:Harbour Rd 7\\nCork|item4.X-ABLABEL:Home");
    }
    void rowAsCard()
    {
        QFETCH(QString, header);
        QFETCH(QString, row);
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
};

ADDRION_TEST_MAIN(TestCsv)
#include "tst_csv.moc"
