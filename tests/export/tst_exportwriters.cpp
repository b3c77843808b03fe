// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DataRow.h"
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/modExport.h"
#include "export/modExportFiles.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QProcess>

using modExport::Details;
using modExportFiles::Kind;

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
    return {false, false, false, false, false, false, false, false, false};
}

} // namespace

// The export writers, line by line, and the files they make on disk: written through the
// buffered writer, restyled and saved.
class TestExportWriters : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_program;
    ScriptedPlatform m_platform;

    // What xmllint finds wrong with the page; nothing when it is valid XHTML.
    static QByteArray xhtmlFaults(const QString& file)
    {
        if (const QString missing = TestSupport::missingTool("xmllint"); !missing.isEmpty())
            return missing.toUtf8();
        QProcess xmllint;
        xmllint.start("xmllint", {"--valid", "--nonet", "--noout", file});
        if (!xmllint.waitForFinished(60000))
            return "xmllint did not finish";
        return xmllint.exitCode() == 0
                   ? QByteArray()
                   : "exit " + QByteArray::number(xmllint.exitCode()) + ": " + xmllint.readAllStandardError();
    }

    static modExport::Selection all(int count)
    {
        modExport::Selection selection;
        for (int number = 1; number <= count; ++number)
            selection.contactnrs.push_back(qint16(number));
        return selection;
    }

private slots:
    // 400 persons alike, then four that try the writers: markup, line breaks, links, no date.
    void initTestCase()
    {
        modEnvironment::SetProgramFolder(m_program.path());
        QVERIFY(TestSupport::writeFile(m_program.filePath("Css/Normal.css"), "body { color: black; }\n"));
        QVERIFY(
            TestSupport::writeFile(m_program.filePath("Css/Blue.css"), "body { color: blue; }\ndiv { margin: 0; }\n"));
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_dir.filePath("export.mdb"))));
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (int number = 1; number <= 400; ++number) {
            runSql(QString("INSERT INTO Person (Contactnr, Name, Address, [Note]) VALUES (%1, 'Person %2 & Co', "
                           "'Street %1', 'see www.example.org/%1 today')")
                       .arg(number)
                       .arg(number, 3, 10, QLatin1Char('0')));
            runSql(QString("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (%1, 1, '06-%1', "
                           "'mobile')")
                       .arg(number));
        }
        addPersons({{401,
                     "Anna Berg",
                     QDate(1979, 12, 31),
                     {"0612|mobile", "020 555|"},
                     {},
                     "Main Street 1",
                     "Call after six"},
                    {402, "Bob & <Co>", {}, {}, {}, "Line one\r\nLine two"},
                    {403, "Carla Dam", {}, {"0471|home"}, {"carla@example.org|work"}, {}, "see www.example.org now"},
                    {404, "Dirk Zand"},
                    {405, "Eva Ek"}});
        // A birthday without a year, an organisation and a title.
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday, Organisation, Title) "
               "VALUES (405, '--04-14', 'Ek & Sons', 'Chief <Tester>')");
        transaction.Commit();
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    void textBlocks_data()
    {
        TestSupport::addColumns<QList<int>, Details, QString, QStringList>("persons", "details", "dateFormat", "lines");
        const QString sep = "-----------";
        TestSupport::addRow("everything", QList<int>{401}, Details(), "dd/mm/yyyy",
                            QStringList{sep, "Anna Berg", "31/12/1979", "Main Street 1", "0612 (mobile)", "020 555",
                                        "Call after six", sep, "", ""});
        Details noDescriptions;
        noDescriptions.phoneDescription = false;
        TestSupport::addRow("numbers without descriptions, year first", QList<int>{401}, noDescriptions, "yyyy/mm/dd",
                            QStringList{sep, "Anna Berg", "1979/12/31", "Main Street 1", "0612", "020 555",
                                        "Call after six", sep, "", ""});
        QTest::newRow("nothing ticked") << QList<int>{401} << Nothing() << "dd/mm/yyyy"
                                        << QStringList{sep, sep, "", ""};
        TestSupport::addRow("no date, two-line address, written as stored", QList<int>{402}, Details(), "mm/dd/yyyy",
                            QStringList{sep, "Bob & <Co>", "Line one", "Line two", sep, "", ""});
        Details nameOnly = Nothing();
        nameOnly.name = true;
        TestSupport::addRow("name order, not list order", QList<int>{404, 401}, nameOnly, "dd/mm/yyyy",
                            QStringList{sep, "Anna Berg", sep, "", "", sep, "Dirk Zand", sep, "", ""});
        TestSupport::addRow("organisation, title and a birthday without a year, day first", QList<int>{405}, Details(),
                            "dd/mm/yyyy",
                            QStringList{sep, "Eva Ek", "Chief <Tester>, Ek & Sons", "14/04", sep, "", ""});
        TestSupport::addRow("a birthday without a year, month first", QList<int>{405}, Details(), "yyyy/mm/dd",
                            QStringList{sep, "Eva Ek", "Chief <Tester>, Ek & Sons", "04/14", sep, "", ""});
        Details noOrganisation;
        noOrganisation.organisation = false;
        TestSupport::addRow("organisation not ticked", QList<int>{405}, noOrganisation, "dd/mm/yyyy",
                            QStringList{sep, "Eva Ek", "14/04", sep, "", ""});
    }
    void textBlocks()
    {
        auto [persons, details, dateFormat] =
            TestSupport::fetch<QList<int>, Details, QString>("persons", "details", "dateFormat");
        std::vector<qint16> numbers(persons.begin(), persons.end());
        QTEST(Lines(numbers, details, false, dateFormat), "lines");
    }

    // A person without numbers gets an empty-value line while numbers of later persons
    // follow, and an empty block once all numbers have been written; texts are escaped.
    void htmlBlocks()
    {
        Details phones = Nothing();
        phones.phone = true;
        phones.phoneDescription = true;
        const QString numbers = Lines({401, 402, 403, 404}, phones, true).join('\n');
        const QString bob = "\t<div class=\"person\">\n\t\t<div class=\"phone\">\n\t\t\t<div class=\"phonenumber\">\n"
                            "\t\t\t\t&nbsp;\n\t\t\t</div>\n\t\t</div>\n\t</div>";
        QVERIFY2(numbers.contains(bob), qPrintable(numbers));
        QVERIFY(numbers.endsWith("\t<div class=\"person\">\n\t\t<div class=\"phone\">\n\t\t</div>\n\t</div>"));
        QVERIFY(numbers.contains("\t\t\t\t0612 (mobile)\n") && numbers.contains("\t\t\t\t0471 (home)\n"));

        const QString joined = Lines({402, 403}, Details(), true).join('\n');
        QVERIFY2(joined.contains("\t\t\tBob &amp; &lt;Co&gt;\n"), qPrintable(joined));
        QVERIFY(joined.contains("\t\t\tLine&nbsp;one<br />\n\t\t\tLine&nbsp;two\n"));
        QVERIFY(joined.contains("<div class=\"dateofbirth\">\n\t\t\t&nbsp;\n"));
        QVERIFY(joined.contains("\t\t\tsee&nbsp;<a href=\"http://www.example.org\">www.example.org</a>&nbsp;now\n"));
        QVERIFY(joined.contains("carla@example.org (work)"));
        // Only a person with an organisation or a title has that block, after the name.
        QVERIFY(!joined.contains("organisation"));
        const QString eva = Lines({405}, Details(), true).join('\n');
        QVERIFY2(
            eva.contains("\t\t</div>\n\t\t<div class=\"organisation\">\n\t\t\tChief &lt;Tester&gt;, Ek &amp; Sons\n"
                         "\t\t</div>\n\t\t<div class=\"dateofbirth\">\n\t\t\t14/04\n"),
            qPrintable(eva));
    }

    void linkify_data()
    {
        TestSupport::addColumns<QString, QString>("line", "html");
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

    // A long export reaches the file in several appends and ends up exactly as the
    // blocks a short export writes, one after the other.
    void longTextExportEqualsItsBlocks()
    {
        QString error;
        QVERIFY2(modExportFiles::ExportText(all(400), nullptr, error), qPrintable(error));
        const QByteArray whole = TestSupport::readFile(modExportFiles::ExportFilePath(Kind::Text));
        QVERIFY(whole.size() > 25000);
        QByteArray blocks;
        for (int number = 1; number <= 400; ++number) {
            QVERIFY(modExportFiles::ExportText(modExport::Selection{{qint16(number)}, {}}, nullptr, error));
            blocks += TestSupport::readFile(modExportFiles::ExportFilePath(Kind::Text));
        }
        QCOMPARE(whole, blocks);
        QVERIFY(whole.startsWith("-----------\r\nPerson 001 & Co\r\nStreet 1\r\n06-1 (mobile)\r\n"));
        QVERIFY(whole.endsWith("-----------\r\n\r\n\r\n"));
    }

    void htmlPageRestyledAndSaved()
    {
        TestSupport::writeSetting("Css", "Gone");
        QString error;
        QVERIFY2(modExportFiles::ExportHtml(all(404), nullptr, error), qPrintable(error));
        const QString page = modExportFiles::ExportFilePath(Kind::Html);
        QCOMPARE(xhtmlFaults(page), QByteArray());
        // A style whose file is gone falls back to Normal.
        QCOMPARE(TestSupport::readSetting("Css"), QString("Normal"));
        QVERIFY(TestSupport::readFile(page).contains("Css/Normal.css\" rel=\"stylesheet\""));
        QVERIFY(TestSupport::readFile(page).contains("Person 001 &amp; Co"));

        TestSupport::writeSetting("Css", "Blue");
        QVERIFY2(modExportFiles::RestyleExportFile(nullptr, error), qPrintable(error));
        const QByteArray restyled = TestSupport::readFile(page);
        QVERIFY(restyled.contains("Css/Blue.css\" rel=\"stylesheet\"") && !restyled.contains("Normal.css"));

        const QString saved = m_dir.filePath("out/Addrion.htm");
        QDir().mkpath(m_dir.filePath("out"));
        QVERIFY2(modExportFiles::SaveHtmlWithStyle(saved, nullptr, error), qPrintable(error));
        const QByteArray standalone = TestSupport::readFile(saved);
        QVERIFY(standalone.contains("\t<style type=\"text/css\">\r\n\t\tbody { color: blue; }\r\n\t\tdiv { margin: 0; "
                                    "}\r\n\t</style>\r\n"));
        QVERIFY(!standalone.contains("<link"));
        QCOMPARE(xhtmlFaults(saved), QByteArray());
        // The preview keeps its link to the style sheet.
        QVERIFY(TestSupport::readFile(page).contains("<link"));
    }

    void unwritableTargetIsReported()
    {
        QString error;
        QVERIFY(modExportFiles::ExportText(all(3), nullptr, error));
        const QString target = m_dir.filePath("no/such/folder/list.txt");
        QVERIFY(!modExportFiles::CopyExportFile(target, error));
        QVERIFY2(error.contains(target), qPrintable(error));
        QVERIFY(!QFile::exists(target));
    }
};

ADDRION_TEST_MAIN(TestExportWriters)
#include "tst_exportwriters.moc"
