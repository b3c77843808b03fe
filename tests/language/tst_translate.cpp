#include "DataRow.h"
#include "TestSupport.h"

#include "language/IniFile.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QTemporaryDir>

using modSettings::WriteSetting;
using TestSupport::addRow;

class TestTranslate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;

    bool writeLanguage(const QString& name, const QByteArray& contents)
    {
        return TestSupport::writeFile(m_programFolder.filePath("Language/" + name + ".ini"), contents);
    }

private slots:
    void initTestCase() { modEnvironment::SetProgramFolder(m_programFolder.path()); }
    void init() { TestSupport::clearSettings(); }

    void iniParsing_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        addRow("plain", QByteArray("[Translation]\nDatabase=Datenbank\n"), "Translation", "Database", "Datenbank");
        addRow("key with blanks and colon",
               QByteArray("[Translation]\nThis is not a valid Addrion database: = Keine gültige Datenbank:\n"),
               "Translation", "This is not a valid Addrion database:", "Keine gültige Datenbank:");
        addRow("crlf and bom", QByteArray("\xEF\xBB\xBF[Info]\r\nLanguage=Deutsch\r\n"), "Info", "Language", "Deutsch");
        addRow("quoted value", QByteArray("[Translation]\nCopy=\" Kopieren \"\n"), "Translation", "Copy", " Kopieren ");
        addRow("equals in value", QByteArray("[Translation]\nA=b=c\n"), "Translation", "A", "b=c");
        addRow("comment skipped", QByteArray("[Translation]\n;Copy=x\nCopy=y\n"), "Translation", "Copy", "y");
        addRow("first entry wins", QByteArray("[Translation]\nCopy=x\nCopy=y\n"), "Translation", "Copy", "x");
        addRow("other section", QByteArray("[Info]\nCopy=x\n"), "Translation", "Copy", "");
        addRow("before any section", QByteArray("Copy=x\n[Translation]\n"), "Translation", "Copy", "");
        addRow("case matters", QByteArray("[Translation]\ncopy=x\n"), "Translation", "Copy", "");
        addRow("latin-1",
               QByteArray("[Translation]\nDatabase=Base de donn\xe9"
                          "es\n"),
               "Translation", "Database", QString::fromUtf8("Base de données"));
    }
    void iniParsing()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QCOMPARE(IniFile::parse(contents).value(section, key), value);
    }

    void translateFallsBackToTheKey_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        addRow("no language", "", "Database", "Database");
        addRow("English", "English", "Database", "Database");
        addRow("translated", "German", "Database", "Datenbank");
        addRow("missing entry", "German", "Birthday calendar", "Birthday calendar");
        addRow("empty entry", "German", "Empty", "Empty");
        addRow("missing file", "Klingon", "Database", "Database");
        addRow("long entry cut", "German", "Long", QString(254, QChar(0x00E4)));
    }
    void translateFallsBackToTheKey()
    {
        QFETCH(QString, language);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(writeLanguage("German", "[Translation]\nDatabase=Datenbank\nEmpty=\nLong=" +
                                            QString(300, QChar(0x00E4)).toUtf8() + "\n[Info]\nLanguage=Deutsch\n"));
        WriteSetting("Language", language);
        QCOMPARE(T(key), expected);
    }

    void languageInfo()
    {
        QVERIFY(writeLanguage("German", "[Info]\nLanguage=Deutsch\nVersion=1.4.3\n"));
        WriteSetting("Language", "German");
        QCOMPARE(modLanguage::LanguageInfo("Language"), QString("Deutsch"));
        QCOMPARE(modLanguage::LanguageInfo("Translator"), QString());
        WriteSetting("Language", "");
        QCOMPARE(modLanguage::LanguageInfo("Language"), QString());
    }

    // A file read once is reused, but an edit on disk is seen at the next lookup.
    void changedFileIsReadAgain()
    {
        QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Databank\n"));
        WriteSetting("Language", "Dutch");
        QCOMPARE(T("Database"), QString("Databank"));
        QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Gegevensbestand\n"));
        QCOMPARE(T("Database"), QString("Gegevensbestand"));
        QFile::remove(m_programFolder.filePath("Language/Dutch.ini"));
        QCOMPARE(T("Database"), QString("Database"));
    }

    // While a snapshot lives an edit on disk waits, but a language chosen in this
    // process is used at once.
    void snapshotKeepsTheFileButNotAChosenLanguage()
    {
        QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Databank\n"));
        QVERIFY(writeLanguage("German", "[Translation]\nDatabase=Datenbank\n"));
        WriteSetting("Language", "Dutch");
        {
            const modLanguage::Snapshot snapshot;
            QCOMPARE(T("Database"), QString("Databank"));
            QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Gegevensbestand\n"));
            QCOMPARE(T("Database"), QString("Databank"));
            WriteSetting("Language", "German");
            QCOMPARE(T("Database"), QString("Datenbank"));
        }
        WriteSetting("Language", "Dutch");
        QCOMPARE(T("Database"), QString("Gegevensbestand"));
    }

    void translationSurrogatesAreNotSplit()
    {
        QString value = QString(253, 'a') + QString::fromUtf8("😀") + "tail";
        QVERIFY(writeLanguage("Emoji", "[Translation]\nX=" + value.toUtf8() + "\n"));
        WriteSetting("Language", "Emoji");
        QCOMPARE(T("X"), QString(253, 'a'));
    }

    // One row for each rule, not for each entry of the program's table.
    void legacyNames_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("mapped");
        addRow("Deutsch", "Deutsch", "German");
        addRow("français", "français", "French");
        addRow("Norsk", "Norsk (bokmål)", "Norwegian (Bokmål)");
        addRow("Français capital unchanged", "Français", "Français");
        addRow("deutsch lower unchanged", "deutsch", "deutsch");
        addRow("German unchanged", "German", "German");
    }
    void legacyNames()
    {
        QFETCH(QString, stored);
        QFETCH(QString, mapped);
        QCOMPARE(modLanguage::MapLegacyName(stored), mapped);
        QCOMPARE(modLanguage::WantedLanguage(stored, "FRA"), mapped);
    }

    void languageFromLocale_data()
    {
        QTest::addColumn<QString>("abbreviation");
        QTest::addColumn<QString>("language");
        addRow("DEU", "DEU", "German");
        addRow("CHT", "CHT", "Chinese (Taiwan)");
        addRow("CHS", "CHS", "");
        addRow("PTB", "PTB", "Portuguese (Brazilian)");
        addRow("NON", "NON", "Norwegian (Bokmål)");
        addRow("ENU", "ENU", "");
        addRow("lower case", "deu", "");
        addRow("empty", "", "");
    }
    void languageFromLocale()
    {
        QFETCH(QString, abbreviation);
        QFETCH(QString, language);
        QCOMPARE(modLanguage::LanguageForAbbreviation(abbreviation), language);
        QCOMPARE(modLanguage::WantedLanguage("", abbreviation), language);
    }

    void checkLanguageTicksAndStores_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<int>("ticked");
        QTest::addColumn<QString>("stored");
        addRow("present", "German", 2, "German");
        addRow("absent keeps setting", "Greek", 0, "");
        addRow("empty", "", 0, "");
        addRow("English", "English", 0, "English");
        addRow("exact case", "german", 0, "");
    }
    void checkLanguageTicksAndStores()
    {
        QFETCH(QString, wanted);
        QFETCH(int, ticked);
        QFETCH(QString, stored);
        const QStringList captions{"English", "Dutch", "German"};
        QCOMPARE(modLanguage::CheckLanguage(captions, wanted), ticked);
        QCOMPARE(modSettings::ReadSetting("Language"), stored);
    }
};

ADDRION_TEST_MAIN(TestTranslate)
#include "tst_translate.moc"
