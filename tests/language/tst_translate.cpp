#include "TestSupport.h"

#include "language/IniFile.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QTemporaryDir>

using modSettings::WriteSetting;

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
        QTest::newRow("plain") << QByteArray("[Translation]\nDatabase=Datenbank\n") << "Translation"
                               << "Database"
                               << "Datenbank";
        QTest::newRow("key with blanks and colon")
            << QByteArray("[Translation]\nThis is not a valid Addrion database: = Keine gültige Datenbank:\n")
            << "Translation"
            << "This is not a valid Addrion database:"
            << "Keine gültige Datenbank:";
        QTest::newRow("crlf and bom") << QByteArray("\xEF\xBB\xBF[Info]\r\nLanguage=Deutsch\r\n") << "Info"
                                      << "Language"
                                      << "Deutsch";
        QTest::newRow("quoted value") << QByteArray("[Translation]\nCopy=\" Kopieren \"\n") << "Translation"
                                      << "Copy"
                                      << " Kopieren ";
        QTest::newRow("equals in value") << QByteArray("[Translation]\nA=b=c\n") << "Translation"
                                         << "A"
                                         << "b=c";
        QTest::newRow("comment skipped") << QByteArray("[Translation]\n;Copy=x\nCopy=y\n") << "Translation"
                                         << "Copy"
                                         << "y";
        QTest::newRow("first entry wins") << QByteArray("[Translation]\nCopy=x\nCopy=y\n") << "Translation"
                                          << "Copy"
                                          << "x";
        QTest::newRow("other section") << QByteArray("[Info]\nCopy=x\n") << "Translation"
                                       << "Copy"
                                       << "";
        QTest::newRow("before any section") << QByteArray("Copy=x\n[Translation]\n") << "Translation"
                                            << "Copy"
                                            << "";
        QTest::newRow("case matters") << QByteArray("[Translation]\ncopy=x\n") << "Translation"
                                      << "Copy"
                                      << "";
        QTest::newRow("latin-1") << QByteArray("[Translation]\nDatabase=Base de donn\xe9"
                                               "es\n")
                                 << "Translation"
                                 << "Database" << QString::fromUtf8("Base de données");
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
        QTest::newRow("no language") << ""
                                     << "Database"
                                     << "Database";
        QTest::newRow("English") << "English"
                                 << "Database"
                                 << "Database";
        QTest::newRow("translated") << "German"
                                    << "Database"
                                    << "Datenbank";
        QTest::newRow("missing entry") << "German"
                                       << "Birthday calendar"
                                       << "Birthday calendar";
        QTest::newRow("empty entry") << "German"
                                     << "Empty"
                                     << "Empty";
        QTest::newRow("missing file") << "Klingon"
                                      << "Database"
                                      << "Database";
        QTest::newRow("long entry cut") << "German"
                                        << "Long" << QString(254, QChar(0x00E4));
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

    void translationSurrogatesAreNotSplit()
    {
        QString value = QString(253, 'a') + QString::fromUtf8("😀") + "tail";
        QVERIFY(writeLanguage("Emoji", "[Translation]\nX=" + value.toUtf8() + "\n"));
        WriteSetting("Language", "Emoji");
        QCOMPARE(T("X"), QString(253, 'a'));
    }

    void legacyNames_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("mapped");
        QTest::newRow("Dansk") << "Dansk"
                               << "Danish";
        QTest::newRow("Deutsch") << "Deutsch"
                                 << "German";
        QTest::newRow("Eesti") << "Eesti"
                               << "Estonian";
        QTest::newRow("Español") << "Español"
                                 << "Spanish";
        QTest::newRow("français") << "français"
                                  << "French";
        QTest::newRow("Italiano") << "Italiano"
                                  << "Italian";
        QTest::newRow("Nederlands") << "Nederlands"
                                    << "Dutch";
        QTest::newRow("Norsk") << "Norsk (bokmål)"
                               << "Norwegian (Bokmål)";
        QTest::newRow("Polski") << "Polski"
                                << "Polish";
        QTest::newRow("Suomi") << "Suomi"
                               << "Finnish";
        QTest::newRow("Français capital unchanged") << "Français"
                                                    << "Français";
        QTest::newRow("deutsch lower unchanged") << "deutsch"
                                                 << "deutsch";
        QTest::newRow("German unchanged") << "German"
                                          << "German";
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
        QTest::newRow("DEU") << "DEU"
                             << "German";
        QTest::newRow("DES") << "DES"
                             << "German";
        QTest::newRow("CHT") << "CHT"
                             << "Chinese (Taiwan)";
        QTest::newRow("CHS") << "CHS"
                             << "";
        QTest::newRow("BAH") << "BAH"
                             << "Indonesian";
        QTest::newRow("PTB") << "PTB"
                             << "Portuguese (Brazilian)";
        QTest::newRow("PTG") << "PTG"
                             << "Portuguese (Portugal)";
        QTest::newRow("SHQ") << "SHQ"
                             << "Serbian (Cyrillic)";
        QTest::newRow("SQI") << "SQI"
                             << "Albanian";
        QTest::newRow("ARE") << "ARE"
                             << "Arabic";
        QTest::newRow("NOR") << "NOR"
                             << "Norwegian (Bokmål)";
        QTest::newRow("NON") << "NON"
                             << "Norwegian (Bokmål)";
        QTest::newRow("ESN") << "ESN"
                             << "Spanish";
        QTest::newRow("ENU") << "ENU"
                             << "";
        QTest::newRow("lower case") << "deu"
                                    << "";
        QTest::newRow("empty") << ""
                               << "";
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
        QTest::newRow("present") << "German" << 2 << "German";
        QTest::newRow("absent keeps setting") << "Greek" << 0 << "";
        QTest::newRow("empty") << "" << 0 << "";
        QTest::newRow("English") << "English" << 0 << "English";
        QTest::newRow("exact case") << "german" << 0 << "";
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
