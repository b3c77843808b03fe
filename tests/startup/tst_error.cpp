#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"

#include <QTemporaryDir>

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
        QTest::newRow("library, OK") << false << ""
                                     << "MdacError: " << modError::DatabaseLibraryName() + " is missing!" << true;
        QTest::newRow("library, Cancel") << false << ""
                                         << "MdacError: " << modError::DatabaseLibraryName() + " is missing!" << false;
        QTest::newRow("encryption tool") << false << "The encryption tool sqlcipher"
                                         << "MdacError: "
                                         << "The encryption tool sqlcipher is missing!" << false;
        QTest::newRow("engine, OK") << true << ""
                                    << "JetError: "
                                    << "The SQLite 3 database engine is missing or the database is not accessible!"
                                    << true;
    }
    void reports()
    {
        QFETCH(bool, engine);
        QFETCH(QString, component);
        QFETCH(QString, prefix);
        QFETCH(QString, firstLine);
        QFETCH(bool, pressOk);
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
        const QStringList lines = messages.first().text.split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(0), firstLine);
        QCOMPARE(lines.at(1), QString());
        QCOMPARE(lines.at(3), QString::fromLatin1(Version::WebsiteUrl));
        QCOMPARE(lines.at(4), QString());
        QCOMPARE(lines.at(5), prefix + "14 unable to open database file");
        QVERIFY(!lines.at(0).contains("download", Qt::CaseInsensitive));

        const auto urls = platform.callsOf("url");
        QCOMPARE(urls.size(), pressOk ? 1 : 0);
        if (pressOk)
            QCOMPARE(urls.first().text, QString::fromLatin1(Version::WebsiteUrl));
        QCOMPARE(logLines().size(), 1);
        QVERIFY(logLines().first().endsWith(" - " + prefix + "14 unable to open database file"));
    }
};

ADDRION_TEST_MAIN(TestError)
#include "tst_error.moc"
