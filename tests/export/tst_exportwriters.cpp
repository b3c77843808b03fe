#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/modExport.h"

#include <QProcess>

using modExport::Details;

Q_DECLARE_METATYPE(modExport::Details)

namespace {

// Runs an export of the persons into a list of lines, one writer call per line.
QStringList Lines(const std::vector<qint16>& contactnrs, const Details& details, bool html,
                  const QString& dateFormat = QStringLiteral("dd/mm/yyyy"))
{
    QStringList lines;
    const modExport::LineSink sink = [&lines](const QString& line) { lines << line; };
    modExport::ForEachPerson(
        {contactnrs, details}, [](int) {},
        [&](const modExport::ExportedPerson& person) {
            if (html)
                modExport::WriteHtmlPerson(person, details, dateFormat, sink);
            else
                modExport::WriteTextBlock(person, details, dateFormat, sink);
        });
    return lines;
}

Details Nothing()
{
    return {false, false, false, false, false, false, false, false};
}

} // namespace

class TestExportWriters : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;

private slots:
    void initTestCase()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("export.mdb")));
        addPersons(
            {{1, "Anna Berg", QDate(1979, 12, 31), {"0612|mobile", "020 555|"}, {}, "Main Street 1", "Call after six"},
             {2, "Bob & <Co>", {}, {}, {}, "Line one\r\nLine two"},
             {3, "Carla Dam", {}, {"0471|home"}, {"carla@example.org|work"}, {}, "see www.example.org now"},
             {4, "Dirk Zand"}});
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    void textBlocks_data()
    {
        QTest::addColumn<QList<int>>("persons");
        QTest::addColumn<Details>("details");
        QTest::addColumn<QString>("dateFormat");
        QTest::addColumn<QStringList>("lines");
        const QString sep = "-----------";
        TestSupport::addRow("everything", QList<int>{1}, Details(), "dd/mm/yyyy",
                            QStringList{sep, "Anna Berg", "31/12/1979", "Main Street 1", "0612 (mobile)", "020 555",
                                        "Call after six", sep, "", ""});
        Details noDescriptions;
        noDescriptions.phoneDescription = false;
        TestSupport::addRow("numbers without descriptions, year first", QList<int>{1}, noDescriptions, "yyyy/mm/dd",
                            QStringList{sep, "Anna Berg", "1979/12/31", "Main Street 1", "0612", "020 555",
                                        "Call after six", sep, "", ""});
        QTest::newRow("nothing ticked") << QList<int>{1} << Nothing() << "dd/mm/yyyy" << QStringList{sep, sep, "", ""};
        TestSupport::addRow("no date, two-line address, written as stored", QList<int>{2}, Details(), "mm/dd/yyyy",
                            QStringList{sep, "Bob & <Co>", "Line one", "Line two", sep, "", ""});
        TestSupport::addRow("name order, not list order", QList<int>{4, 1}, Nothing(), "dd/mm/yyyy",
                            QStringList{sep, sep, "", "", sep, sep, "", ""});
    }
    void textBlocks()
    {
        QFETCH(QList<int>, persons);
        QFETCH(Details, details);
        QFETCH(QString, dateFormat);
        std::vector<qint16> numbers(persons.begin(), persons.end());
        QTEST(Lines(numbers, details, false, dateFormat), "lines");
    }

    void textOrderFollowsNames()
    {
        Details nameOnly = Nothing();
        nameOnly.name = true;
        const QStringList lines = Lines({4, 3, 1}, nameOnly, false);
        QCOMPARE(lines.at(1), QString("Anna Berg"));
        QCOMPARE(lines.at(6), QString("Carla Dam"));
        QCOMPARE(lines.at(11), QString("Dirk Zand"));
    }

    // A person without numbers gets an empty-value line while numbers of later persons
    // follow, and an empty block once all numbers have been written.
    void htmlPhoneBlocks()
    {
        Details phones = Nothing();
        phones.phone = true;
        phones.phoneDescription = true;
        const QStringList lines = Lines({1, 2, 3, 4}, phones, true);
        const QString joined = lines.join('\n');
        const QString bob = "\t<div class=\"person\">\n\t\t<div class=\"phone\">\n\t\t\t<div class=\"phonenumber\">\n"
                            "\t\t\t\t&nbsp;\n\t\t\t</div>\n\t\t</div>\n\t</div>";
        QVERIFY2(joined.contains(bob), qPrintable(joined));
        QVERIFY(joined.endsWith("\t<div class=\"person\">\n\t\t<div class=\"phone\">\n\t\t</div>\n\t</div>"));
        QVERIFY(joined.contains("\t\t\t\t0612 (mobile)\n"));
        QVERIFY(joined.contains("\t\t\t\t0471 (home)\n"));
    }

    void htmlTexts()
    {
        const QString joined = Lines({2, 3}, Details(), true).join('\n');
        QVERIFY2(joined.contains("\t\t\tBob &amp; &lt;Co&gt;\n"), qPrintable(joined));
        QVERIFY(joined.contains("\t\t\tLine&nbsp;one<br />\n\t\t\tLine&nbsp;two\n"));
        QVERIFY(joined.contains("<div class=\"dateofbirth\">\n\t\t\t&nbsp;\n"));
        QVERIFY(joined.contains("\t\t\tsee&nbsp;<a href=\"http://www.example.org\">www.example.org</a>&nbsp;now\n"));
        QVERIFY(joined.contains("carla@example.org (work)"));
    }

    void linkify_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("html");
        TestSupport::addRow("plain", "no link here", "no&nbsp;link&nbsp;here");
        TestSupport::addRow("alone", "https://example.org/a?b=1&c=2",
                            "<a href=\"https://example.org/a?b=1&amp;c=2\">https://example.org/a?b=1&amp;c=2</a>");
        TestSupport::addRow("twice", "www.a.org www.a.org",
                            "<a href=\"http://www.a.org\">www.a.org</a>&nbsp;<a href=\"http://www.a.org\">"
                            "www.a.org</a>");
        TestSupport::addRow("mail", "mail mailto:x@y.z", "mail&nbsp;<a href=\"mailto:x@y.z\">mailto:x@y.z</a>");
        TestSupport::addRow("capitals are no scheme", "HTTP://X", "HTTP://X");
        TestSupport::addRow("markup escaped", "<b>", "&lt;b&gt;");
    }
    void linkify()
    {
        QFETCH(QString, line);
        QTEST(modExport::LinkifyText(line), "html");
    }

    // The whole page, from header to footer, is valid XHTML 1.1.
    void pageIsValidXhtml()
    {
        const QString css = m_dir.filePath("Css/Normal.css");
        QVERIFY(TestSupport::writeFile(css, "body { color: black; }\n"));
        QStringList page;
        const modExport::LineSink sink = [&page](const QString& line) { page << line; };
        modExport::WriteHtmlHeader(css, sink);
        page << Lines({1, 2, 3, 4}, Details(), true);
        modExport::WriteHtmlFooter(sink);
        const QString file = m_dir.filePath("page.htm");
        QVERIFY(TestSupport::writeFile(file, page.join("\r\n").toUtf8()));
        QProcess xmllint;
        xmllint.start("xmllint", {"--valid", "--nonet", "--noout", file});
        QVERIFY2(xmllint.waitForFinished(60000), "xmllint did not finish");
        QVERIFY2(xmllint.exitCode() == 0, xmllint.readAllStandardError().constData());
        QVERIFY(modExport::IsStyleLinkLine(page.at(13)));
    }
};

ADDRION_TEST_MAIN(TestExportWriters)
#include "tst_exportwriters.moc"
