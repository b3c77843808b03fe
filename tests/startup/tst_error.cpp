#include "DataRow.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"

#include <QTemporaryDir>

using TestSupport::addRow;

class TestError : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;

    QStringList logLines() const
    {
        return QString::fromUtf8(TestSupport::readFile(modError::LogFilePath())).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() { modEnvironment::SetProgramFolder(m_programFolder.path()); }
    void init() { QFile::remove(modError::LogFilePath()); }

    void logBesideTheProgram() { QCOMPARE(modError::LogFilePath(), m_programFolder.filePath("Addrion.log")); }

    void logLineIsDateTimeDashText()
    {
        const QDateTime moment(QDate(2026, 3, 4), QTime(13, 5, 9));
        const QString line = modError::LogLine(moment, "Version check failed");
        const QLocale locale = QLocale::system();
        QVERIFY2(line.startsWith(locale.toString(moment.date(), QLocale::ShortFormat) + " "), qPrintable(line));
        QVERIFY2(line.endsWith(" - Version check failed"), qPrintable(line));
        QVERIFY2(line.contains("13:05:09"), qPrintable(line));
    }

    void linesAreAppended()
    {
        modError::WriteLog("first");
        modError::WriteLog("second");
        QStringList lines = logLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).endsWith(" - first"));
        QVERIFY(lines.at(1).endsWith(" - second"));
        modError::WriteLog("third");
        QCOMPARE(logLines().size(), 3);
    }

    void logFallsBackToDataFolder()
    {
        modEnvironment::SetProgramFolder(m_programFolder.filePath("missing/folder"));
        const QString path = modError::LogFilePath();
        QCOMPARE(path, TestSupport::environment().dataHome() + "/Addrion/Addrion.log");
        modError::WriteLog("elsewhere");
        QVERIFY(TestSupport::readFile(path).contains(" - elsewhere"));
        modEnvironment::SetProgramFolder(m_programFolder.path());
    }

    void reports_data()
    {
        QTest::addColumn<bool>("engine");
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<bool>("website"); // the build names a web site
        const QString library = modError::DatabaseLibraryName() + " is missing!";
        const QString engine = "The SQLite 3 database engine is missing or the database is not accessible!";
        addRow("library, OK", false, "", "MdacError: ", library, true, true);
        addRow("library, Cancel", false, "", "MdacError: ", library, false, true);
        addRow("encryption tool", false, "The encryption tool sqlcipher",
               "MdacError: ", "The encryption tool sqlcipher is missing!", false, true);
        addRow("engine, OK", true, "", "JetError: ", engine, true, true);
        addRow("library, no web site, OK", false, "", "MdacError: ", library, true, false);
        addRow("engine, no web site, OK", true, "", "JetError: ", engine, true, false);
    }
    void reports()
    {
        QFETCH(bool, engine);
        QFETCH(QString, component);
        QFETCH(QString, prefix);
        QFETCH(QString, firstLine);
        QFETCH(bool, pressOk);
        QFETCH(bool, website);
        if (website)
            TestSupport::useTestAddresses();
        else
            TestSupport::useNoAddresses();
        ScriptedPlatform platform;
        platform.expectMessage(pressOk ? Platform::Answer::Ok : Platform::Answer::Cancel);
        if (engine)
            modError::ReportJetError(14, "unable to open database file");
        else
            modError::ReportMdacError(14, "unable to open database file", component);

        const auto messages = platform.messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first().title, QString("Error!"));
        QCOMPARE(messages.first().icon, Platform::Icon::Stop);
        QCOMPARE(messages.first().buttons, Platform::Buttons::OkCancel);
        // Without a web site the address lines are left out, and OK only closes.
        QStringList expected{firstLine, QString()};
        if (website)
            expected << "You need to download it from the website of Addrion:" << TestSupport::TestWebsite << QString();
        expected << prefix + "14 unable to open database file";
        QCOMPARE(messages.first().text.split('\n'), expected);

        const auto urls = platform.callsOf("url");
        QCOMPARE(urls.size(), pressOk && website ? 1 : 0);
        if (!urls.isEmpty())
            QCOMPARE(urls.first().text, QString(TestSupport::TestWebsite));
        QCOMPARE(logLines().size(), 1);
        QVERIFY(logLines().first().endsWith(" - " + prefix + "14 unable to open database file"));
    }
};

ADDRION_TEST_MAIN(TestError)
#include "tst_error.moc"
