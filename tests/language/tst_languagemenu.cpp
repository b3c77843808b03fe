#include "TestSupport.h"

#include "language/LanguageMenu.h"
#include "mainwindow/frmMain.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QTemporaryDir>

class TestLanguageMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_programFolder;

    void addLanguage(const QString& name, const QByteArray& translations = {})
    {
        QVERIFY(TestSupport::writeFile(m_programFolder->filePath("Language/" + name + ".ini"),
                                       "[Translation]\n" + translations));
    }

    static QStringList captions(const LanguageMenu& menu)
    {
        QStringList result;
        for (const QAction* entry : menu.entries())
            result << entry->text();
        return result;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_programFolder = std::make_unique<QTemporaryDir>();
        modEnvironment::SetProgramFolder(m_programFolder->path());
    }

    void firstStartChoosesFromTheLocale_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("abbreviation");
        QTest::addColumn<QString>("ticked");
        QTest::addColumn<QString>("setting");
        QTest::newRow("DEU with German file") << QStringList{"German", "Dutch"} << ""
                                              << "DEU"
                                              << "German"
                                              << "German";
        QTest::newRow("DEU without German file") << QStringList{"Dutch"} << ""
                                                 << "DEU"
                                                 << "English"
                                                 << "";
        QTest::newRow("unknown locale") << QStringList{"German"} << ""
                                        << "ENU"
                                        << "English"
                                        << "";
        QTest::newRow("legacy Deutsch") << QStringList{"German"} << "Deutsch"
                                        << "FRA"
                                        << "German"
                                        << "German";
        QTest::newRow("stored wins over locale") << QStringList{"German", "Dutch"} << "Dutch"
                                                 << "DEU"
                                                 << "Dutch"
                                                 << "Dutch";
        QTest::newRow("stored file gone") << QStringList{"Dutch"} << "German"
                                          << "NLD"
                                          << "English"
                                          << "German";
        QTest::newRow("Brazilian") << QStringList{"Portuguese (Brazilian)", "Portuguese (Portugal)"} << ""
                                   << "PTB"
                                   << "Portuguese (Brazilian)"
                                   << "Portuguese (Brazilian)";
        QTest::newRow("Klingon listed") << QStringList{"Klingon"} << "Klingon"
                                        << ""
                                        << "Klingon"
                                        << "Klingon";
    }
    void firstStartChoosesFromTheLocale()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, stored);
        QFETCH(QString, abbreviation);
        QFETCH(QString, ticked);
        QFETCH(QString, setting);
        for (const QString& file : files)
            addLanguage(file);
        if (!stored.isEmpty())
            modSettings::WriteSetting("Language", stored);

        QMenu menu;
        LanguageMenu languages(&menu);
        languages.InitLanguage(abbreviation);

        QStringList expected = files;
        expected.sort();
        QStringList listed = captions(languages).mid(1);
        listed.sort();
        QCOMPARE(captions(languages).first(), QString("English"));
        QCOMPARE(listed, expected);
        QCOMPARE(languages.entries().at(languages.checkedIndex())->text(), ticked);
        int tickedCount = 0;
        for (const QAction* entry : languages.entries())
            tickedCount += entry->isChecked() ? 1 : 0;
        QCOMPARE(tickedCount, 1);
        QCOMPARE(modSettings::ReadSetting("Language"), setting);
    }

    void selectLanguageTranslatesOpenWindows()
    {
        addLanguage("German", "&Database=&Datenbank\nQuick search=Schnellsuche\nSize=Größe\n&New=&Neu\nNew=Neu\n");
        frmMain window(QStringLiteral("/Reminder"));
        LanguageMenu* languages = window.languageMenu();
        languages->InitLanguage("ENU");
        window.LoadLanguage();
        QCOMPARE(window.mnuFile->title(), QString("&Database"));

        const int german = captions(*languages).indexOf("German");
        QVERIFY(german > 0);
        languages->entries().at(german)->trigger();
        QCOMPARE(modSettings::ReadSetting("Language"), QString("German"));
        QCOMPARE(languages->checkedIndex(), german);
        QCOMPARE(window.mnuFile->title(), QString("&Datenbank"));
        QCOMPARE(window.fraQuickSearch->title(), QString("Schnellsuche"));
        QCOMPARE(window.mnuOptionsFontSize10->text(), QString("Größe &10"));
        QCOMPARE(window.mnuFileNew->text(), QString("&Neu..."));
        QCOMPARE(window.toolbarButton("New")->text(), QString("Neu"));

        languages->entries().at(0)->trigger();
        QCOMPARE(modSettings::ReadSetting("Language"), QString("English"));
        QCOMPARE(window.mnuFile->title(), QString("&Database"));
    }
};

ADDRION_TEST_MAIN(TestLanguageMenu)
#include "tst_languagemenu.moc"
