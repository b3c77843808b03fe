#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/modExportFiles.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QProcess>

using modExportFiles::Kind;

// The export files on disk: written through the buffered writer, restyled, saved.
class TestExportFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QTemporaryDir m_program;
    std::unique_ptr<ScriptedPlatform> m_platform;

    static bool validXhtml(const QString& file, QByteArray& complaint)
    {
        QProcess xmllint;
        xmllint.start("xmllint", {"--valid", "--nonet", "--noout", file});
        if (!xmllint.waitForFinished(60000))
            return false;
        complaint = xmllint.readAllStandardError();
        return xmllint.exitCode() == 0;
    }

    static modExport::Selection all(int count)
    {
        modExport::Selection selection;
        for (int number = 1; number <= count; ++number)
            selection.contactnrs.push_back(qint16(number));
        return selection;
    }

private slots:
    void initTestCase()
    {
        m_platform = std::make_unique<ScriptedPlatform>();
        modEnvironment::SetProgramFolder(m_program.path());
        QVERIFY(TestSupport::writeFile(m_program.filePath("Css/Normal.css"), "body { color: black; }\n"));
        QVERIFY(
            TestSupport::writeFile(m_program.filePath("Css/Blue.css"), "body { color: blue; }\ndiv { margin: 0; }\n"));
        QVERIFY(modDatabase::NewDatabase(m_dir.filePath("export.mdb")));
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (int number = 1; number <= 400; ++number) {
            modSql::ExecuteSql(QString("INSERT INTO Person (Contactnr, Name, Address, [Note]) VALUES (%1, 'Person "
                                       "%2 & Co', 'Street %1', 'see www.example.org/%1 today')")
                                   .arg(number)
                                   .arg(number, 3, 10, QLatin1Char('0')));
            modSql::ExecuteSql(QString("INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (%1, 1, "
                                       "'06-%1', 'mobile')")
                                   .arg(number));
        }
        transaction.Commit();
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

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
        modSettings::WriteSetting("Css", "Gone");
        QString error;
        QVERIFY2(modExportFiles::ExportHtml(all(400), nullptr, error), qPrintable(error));
        const QString page = modExportFiles::ExportFilePath(Kind::Html);
        QByteArray complaint;
        QVERIFY2(validXhtml(page, complaint), complaint.constData());
        // A style whose file is gone falls back to Normal.
        QCOMPARE(modSettings::ReadSetting("Css"), QString("Normal"));
        QVERIFY(TestSupport::readFile(page).contains("Css/Normal.css\" rel=\"stylesheet\""));
        QVERIFY(TestSupport::readFile(page).contains("Person 001 &amp; Co"));

        modSettings::WriteSetting("Css", "Blue");
        QVERIFY2(modExportFiles::RestyleExportFile(nullptr, error), qPrintable(error));
        const QByteArray restyled = TestSupport::readFile(page);
        QVERIFY(restyled.contains("Css/Blue.css\" rel=\"stylesheet\""));
        QVERIFY(!restyled.contains("Normal.css"));

        const QString saved = m_dir.filePath("out/Addrion.htm");
        QDir().mkpath(m_dir.filePath("out"));
        QVERIFY2(modExportFiles::SaveHtmlWithStyle(saved, nullptr, error), qPrintable(error));
        const QByteArray standalone = TestSupport::readFile(saved);
        QVERIFY(standalone.contains("\t<style type=\"text/css\">\r\n\t\tbody { color: blue; }\r\n\t\tdiv { margin: 0; "
                                    "}\r\n\t</style>\r\n"));
        QVERIFY(!standalone.contains("<link"));
        QVERIFY2(validXhtml(saved, complaint), complaint.constData());
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

ADDRION_TEST_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"
