#include "DataRow.h"
#include "TestSupport.h"

#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QSettings>
#include <QTemporaryDir>

using modSettings::ReadSetting;
using modSettings::WriteSetting;
using TestSupport::addRow;

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;

    QString legacyFile() const { return modSettings::LegacySettingsFile(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_programFolder.isValid());
        modEnvironment::SetProgramFolder(m_programFolder.path());
    }
    void init() { TestSupport::clearSettings(); }

    void storeIsTheConfigFileOfTheUser()
    {
        QCOMPARE(modSettings::StoreFile(), TestSupport::settingsFile());
        QVERIFY(!modSettings::StoreExists());
        WriteSetting("Date", "dd/mm/yyyy");
        QVERIFY(modSettings::StoreExists());
    }

    void absentValueReadsEmpty()
    {
        QCOMPARE(ReadSetting("Default database"), QString());
        WriteSetting("Language", "German");
        QCOMPARE(ReadSetting("Default database"), QString());
    }

    void writeTrimsBlanks_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        addRow("around", "  /home/me/a b.mdb  ", "/home/me/a b.mdb");
        addRow("blanks only", "   ", "");
        addRow("comma and semicolon", " a, b; c ", "a, b; c");
        addRow("accents", " Norwegian (Bokmål) ", "Norwegian (Bokmål)");
    }
    void writeTrimsBlanks()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        WriteSetting("Recent 1", written);
        QCOMPARE(ReadSetting("Recent 1"), read);
    }

    void deleteRemovesOnlyThatValue()
    {
        WriteSetting("Recent 1", "a");
        WriteSetting("Recent 2", "b");
        modSettings::DeleteSetting("Recent 1");
        modSettings::DeleteSetting("Never written");
        QCOMPARE(ReadSetting("Recent 1"), QString());
        QCOMPARE(ReadSetting("Recent 2"), QString("b"));
    }

    // Another process of the program reads what this one wrote at once, and this one
    // sees what the other wrote: both go straight through the file.
    void writesAreSharedThroughTheFileAtOnce()
    {
        WriteSetting("Default database", "/data/home.mdb");
        {
            QSettings other(TestSupport::settingsFile(), QSettings::IniFormat);
            QCOMPARE(other.value("Default database").toString(), QString("/data/home.mdb"));
            other.setValue("Default database", "/data/work.mdb");
            other.sync();
        }
        QCOMPARE(ReadSetting("Default database"), QString("/data/work.mdb"));
    }

    void legacyFileIsTakenOverOnce_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("checkVersion");
        QTest::addColumn<QString>("database");
        addRow("espanol", QByteArray("[Settings]\nLanguage=español\nCheck version=Yes\n"), "Español", "1", "");
        addRow("other keys dropped",
               QByteArray("[Settings]\nDate=mm/dd/yyyy\nDefault database=/d/home.mdb\nLanguage=Deutsch\n"), "Deutsch",
               "", "/d/home.mdb");
        addRow("Espanol capital unchanged", QByteArray("[Settings]\nLanguage=Español\n"), "Español", "", "");
        addRow("latin-1 file", QByteArray("[Settings]\nLanguage=espa\xf1ol\n"), "Español", "", "");
        addRow("long value cut", QByteArray("[Settings]\nDefault database=") + QByteArray(300, 'x'), "", "",
               QString(254, 'x'));
        addRow("empty section", QByteArray("[Other]\nLanguage=German\n"), "", "", "");
    }
    void legacyFileIsTakenOverOnce()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, language);
        QFETCH(QString, checkVersion);
        QFETCH(QString, database);
        QVERIFY(TestSupport::writeFile(legacyFile(), contents));
        modSettings::PrepareSettings();
        QCOMPARE(ReadSetting("Language"), language);
        QCOMPARE(ReadSetting("Check version"), checkVersion);
        QCOMPARE(ReadSetting("Default database"), database);
        QCOMPARE(ReadSetting("Date"), QString());
        QVERIFY(!QFile::exists(legacyFile()));
    }

    void legacyFileIgnoredWhenSettingsExist()
    {
        WriteSetting("Language", "French");
        QVERIFY(TestSupport::writeFile(legacyFile(), "[Settings]\nLanguage=Deutsch\n"));
        modSettings::PrepareSettings();
        QCOMPARE(ReadSetting("Language"), QString("French"));
        QVERIFY(QFile::exists(legacyFile()));
        QFile::remove(legacyFile());
    }

    void yesNoFlagsBecomeDigits_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("after");
        for (const char* key : {"Birthday reminder", "Check version", "Reminder Sound"}) {
            QTest::addRow("%s Yes", key) << key << "Yes"
                                         << "1";
            QTest::addRow("%s No", key) << key << "No"
                                        << "0";
            QTest::addRow("%s yes", key) << key << "yes"
                                         << "yes";
            QTest::addRow("%s NO", key) << key << "NO"
                                        << "NO";
            QTest::addRow("%s 1", key) << key << "1"
                                       << "1";
        }
        addRow("other key untouched", "Css", "Yes", "Yes");
    }
    void yesNoFlagsBecomeDigits()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, after);
        WriteSetting(key, stored);
        modSettings::PrepareSettings();
        QCOMPARE(ReadSetting(key), after);
    }
};

ADDRION_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
