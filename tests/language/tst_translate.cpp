// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "TestSupport.h"

#include "language/ContentDirection.h"
#include "language/IniFile.h"
#include "language/LanguageMenu.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "version/modVersion.h"

#include <QAction>
#include <QDirIterator>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QStandardItemModel>
#include <QStringDecoder>
#include <QStyle>
#include <QTreeView>

using namespace TestSupport;

// Shows what the delegate makes of an entry before it is drawn.
class ProbedDelegate : public ContentDirectionDelegate
{
public:
    using ContentDirectionDelegate::ContentDirectionDelegate;
    QStyleOptionViewItem probe(const QModelIndex& index, Qt::LayoutDirection window) const
    {
        QStyleOptionViewItem option;
        option.direction = window;
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        initStyleOption(&option, index);
        return option;
    }
};

// Language files: how they are read and looked up, the menu, what a language changes, what ships.
class TestTranslate : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_programFolder;
    QSet<QString> m_keys;

    bool writeLanguage(const QString& name, const QByteArray& contents)
    {
        return TestSupport::writeFile(m_programFolder->filePath("Language/" + name + ".ini"), contents);
    }
    void addLanguage(const QString& name, const QByteArray& translations = {})
    {
        QVERIFY(writeLanguage(name, "[Translation]\n" + translations));
    }
    static QStringList captions(const LanguageMenu& menu)
    {
        QStringList result;
        for (const QAction* entry : menu.entries())
            result << entry->text();
        return result;
    }
    static QString languageFolder() { return TestSupport::sourceDir() + "/resources/Language"; }
    static QStringList sourceFiles()
    {
        QStringList files;
        QDirIterator it(TestSupport::sourceDir() + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }
    // The English texts the program looks up, written where it looks them up or marked to keep for later.
    const QSet<QString>& programKeys()
    {
        if (!m_keys.isEmpty())
            return m_keys;
        const QRegularExpression key(QStringLiteral(
            "\\b(?:T|Translate|TRANSLATABLE)\\(\\s*(?:QStringLiteral\\(\\s*)?\"((?:[^\"\\\\]|\\\\.)*)\""));
        for (const QString& file : sourceFiles()) {
            const QString text = QString::fromUtf8(TestSupport::readFile(file));
            for (auto match = key.globalMatch(text); match.hasNext();)
                m_keys.insert(match.next().captured(1).replace("\\\"", "\"").replace("\\\\", "\\"));
        }
        return m_keys;
    }

private slots:
    void init()
    {
        TestSupport::clearSettings();
        m_programFolder = std::make_unique<QTemporaryDir>();
        modEnvironment::SetProgramFolder(m_programFolder->path());
    }

    void iniParsing_data()
    {
        addColumns<QByteArray, QString, QString, QString>("contents", "section", "key", "value");
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
        auto [contents, section, key, value] =
            fetch<QByteArray, QString, QString, QString>("contents", "section", "key", "value");
        QCOMPARE(IniFile::parse(contents).value(section, key), value);
    }

    void translateFallsBackToTheKey_data()
    {
        addColumns<QString, QString, QString>("language", "key", "expected");
        addRow("no language", "", "Database", "Database");
        addRow("English", "English", "Database", "Database");
        addRow("translated", "German", "Database", "Datenbank");
        addRow("missing entry", "German", "Birthday calendar", "Birthday calendar");
        addRow("empty entry", "German", "Empty", "Empty");
        addRow("missing file", "Klingon", "Database", "Database");
        addRow("long entry cut", "German", "Long", QString(254, QChar(0x00E4)));
        addRow("cut before a surrogate pair", "German", "Emoji", QString(253, 'a'));
    }
    void translateFallsBackToTheKey()
    {
        auto [language, key, expected] = fetch<QString, QString, QString>("language", "key", "expected");
        QVERIFY(writeLanguage(
            "German", "[Translation]\nDatabase=Datenbank\nEmpty=\nLong=" + QString(300, QChar(0x00E4)).toUtf8() +
                          "\nEmoji=" + QByteArray(253, 'a') + "😀tail\n[Info]\nLanguage=Deutsch\n"));
        writeSetting("Language", language);
        QCOMPARE(T(key), expected);
    }

    // A file read once is reused, but an edit on disk is seen at the next lookup; while a
    // snapshot lives an edit waits, but a language chosen in this process is used at once.
    void changedFileIsReadAgain()
    {
        QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Databank\n"));
        QVERIFY(writeLanguage("German", "[Translation]\nDatabase=Datenbank\n"));
        writeSetting("Language", "Dutch");
        QCOMPARE(T("Database"), QString("Databank"));
        QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Gegevensbestand\n"));
        QCOMPARE(T("Database"), QString("Gegevensbestand"));
        {
            const modLanguage::Snapshot snapshot;
            QCOMPARE(T("Database"), QString("Gegevensbestand"));
            QVERIFY(writeLanguage("Dutch", "[Translation]\nDatabase=Databank\n"));
            QCOMPARE(T("Database"), QString("Gegevensbestand"));
            writeSetting("Language", "German");
            QCOMPARE(T("Database"), QString("Datenbank"));
        }
        writeSetting("Language", "Dutch");
        QCOMPARE(T("Database"), QString("Databank"));
        QFile::remove(m_programFolder->filePath("Language/Dutch.ini"));
        QCOMPARE(T("Database"), QString("Database"));
    }

    // One row for each rule, not for each entry of the program's table.
    void wantedLanguage_data()
    {
        addColumns<QString, QString, QString>("stored", "abbreviation", "wanted");
        addRow("Deutsch", "Deutsch", "FRA", "German");
        addRow("français", "français", "FRA", "French");
        addRow("Norsk", "Norsk (bokmål)", "FRA", "Norwegian (Bokmål)");
        addRow("Français capital unchanged", "Français", "FRA", "Français");
        addRow("deutsch lower unchanged", "deutsch", "FRA", "deutsch");
        addRow("German unchanged", "German", "FRA", "German");
        addRow("DEU", "", "DEU", "German");
        addRow("CHT", "", "CHT", "Chinese (Taiwan)");
        addRow("CHS", "", "CHS", "");
        addRow("PTB", "", "PTB", "Portuguese (Brazilian)");
        addRow("NON", "", "NON", "Norwegian (Bokmål)");
        addRow("ENU", "", "ENU", "");
        addRow("lower case", "", "deu", "");
        addRow("empty", "", "", "");
    }
    void wantedLanguage()
    {
        auto [stored, abbreviation, wanted] = fetch<QString, QString, QString>("stored", "abbreviation", "wanted");
        QCOMPARE(modLanguage::WantedLanguage(stored, abbreviation), wanted);
        if (stored.isEmpty())
            QCOMPARE(modLanguage::LanguageForAbbreviation(abbreviation), wanted);
        else
            QCOMPARE(modLanguage::MapLegacyName(stored), wanted);
    }

    void firstStartChoosesFromTheLocale_data()
    {
        addColumns<QStringList, QString, QString, QString, QString>("files", "stored", "abbreviation", "ticked",
                                                                    "setting");
        addRow("DEU with German file", QStringList{"Dutch", "German"}, "", "DEU", "German", "German");
        addRow("DEU without German file", QStringList{"Dutch"}, "", "DEU", "English", "");
        addRow("unknown locale", QStringList{"German"}, "", "ENU", "English", "");
        addRow("legacy Deutsch", QStringList{"German"}, "Deutsch", "FRA", "German", "German");
        addRow("stored wins over locale", QStringList{"Dutch", "German"}, "Dutch", "DEU", "Dutch", "Dutch");
        addRow("stored file gone", QStringList{"Dutch"}, "German", "NLD", "English", "German");
        addRow("Brazilian", QStringList{"Portuguese (Brazilian)", "Portuguese (Portugal)"}, "", "PTB",
               "Portuguese (Brazilian)", "Portuguese (Brazilian)");
        addRow("Klingon listed", QStringList{"Klingon"}, "Klingon", "", "Klingon", "Klingon");
        addRow("English stored", QStringList{"German"}, "English", "DEU", "English", "English");
        addRow("stored in other case", QStringList{"German"}, "german", "DEU", "English", "german");
    }
    void firstStartChoosesFromTheLocale()
    {
        auto [files, stored, abbreviation, ticked, setting] = fetch<QStringList, QString, QString, QString, QString>(
            "files", "stored", "abbreviation", "ticked", "setting");
        for (const QString& file : files)
            addLanguage(file);
        if (!stored.isEmpty())
            TestSupport::writeSetting("Language", stored);

        QMenu menu;
        LanguageMenu languages(&menu);
        languages.InitLanguage(abbreviation);

        // English first, then the files by the names shown.
        QCOMPARE(captions(languages), QStringList{"English"} + files);
        QStringList checked;
        for (const QAction* entry : languages.entries())
            if (entry->isChecked())
                checked << entry->text();
        QCOMPARE(checked, QStringList{ticked});
        QCOMPARE(TestSupport::readSetting("Language"), setting);
    }

    void sortedByShownName_data()
    {
        addColumns<QString, QStringList, QStringList>("locale", "names", "sorted");
        addRow("folder order", "en_GB", QStringList{"Finnish", "Turkish", "Indonesian", "Albanian"},
               QStringList{"Albanian", "Finnish", "Indonesian", "Turkish"});
        addRow("letter case", "en_GB", QStringList{"basque", "Chinese", "Arabic"},
               QStringList{"Arabic", "basque", "Chinese"});
        addRow("umlaut as its letter", "de_DE", QStringList{"Zulu", "Oz", "Ömer"}, QStringList{"Ömer", "Oz", "Zulu"});
        addRow("umlaut after z", "sv_SE", QStringList{"Zulu", "Oz", "Ömer"}, QStringList{"Oz", "Zulu", "Ömer"});
    }
    void sortedByShownName()
    {
        auto [locale, names, sorted] = fetch<QString, QStringList, QStringList>("locale", "names", "sorted");
        QCOMPARE(modLanguage::SortedByName(names, QLocale(locale)), sorted);
    }

    // A language chosen in the menu translates the open windows and Qt's own texts; a
    // right-to-left one mirrors the window: list on the right, details on the left.
    void languageReachesQtAndTheLayout_data()
    {
        // cancel: Qt's own Cancel button
        addColumns<QString, bool, QString>("language", "rightToLeft", "cancel");
        addRow("German", "German", false, "Abbrechen");
        addRow("Arabic", "Arabic", true, QString::fromUtf8("ألغِ"));
        addRow("Hebrew", "Hebrew", true, QString::fromUtf8("ביטול"));
        addRow("Persian", "Persian", true, QString::fromUtf8("انصراف"));
        addRow("Urdu, no catalogue of Qt's", "Urdu", true, "Cancel");
        addRow("Klingon", "Klingon", false, "Cancel");
    }
    void languageReachesQtAndTheLayout()
    {
        auto [language, rightToLeft, cancel] = fetch<QString, bool, QString>("language", "rightToLeft", "cancel");
        QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qt_de.qm"),
                 "Qt's translations are needed (Debian package qt6-translations-l10n)");
        addLanguage(language, "&Database=&Datenbank\nQuick search=Schnellsuche\nSize=Größe\n&New=&Neu\nNew=Neu\n");
        frmMain window("");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        LanguageMenu* languages = window.languageMenu();
        languages->InitLanguage("ENU");
        const QWidget* client = window.centralWidget();
        auto listOnTheRight = [&] {
            return control<QGroupBox>(&window, "fraList")->geometry().center().x() > client->width() / 2;
        };
        auto detailsOnTheRight = [&] {
            return control<QGroupBox>(&window, "fraInfo")->geometry().center().x() > client->width() / 2;
        };
        QVERIFY(!listOnTheRight() && detailsOnTheRight());

        QCOMPARE(control<QMenu>(&window, "mnuFile")->title(), QString("&Database"));
        const int chosen = captions(*languages).indexOf(language);
        QVERIFY(chosen > 0);
        languages->entries().at(chosen)->trigger();
        QCOMPARE(TestSupport::readSetting("Language"), language);
        QCOMPARE(languages->checkedIndex(), chosen);
        // The open window is translated at once.
        QCOMPARE((QStringList{control<QMenu>(&window, "mnuFile")->title(),
                              control<QGroupBox>(&window, "fraQuickSearch")->title(),
                              control<QAction>(&window, "mnuOptionsFontSize10")->text(),
                              control<QAction>(&window, "mnuFileNew")->text(), window.toolbarButton("New")->text()}),
                 (QStringList{"&Datenbank", "Schnellsuche", "Größe &10", "&Neu...", "Neu"}));
        const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        QCOMPARE((QList<Qt::LayoutDirection>{QGuiApplication::layoutDirection(), window.layoutDirection(),
                                             control<QTreeView>(&window, "lvwMain")->layoutDirection()}),
                 QList<Qt::LayoutDirection>(3, direction));
        QCOMPARE(listOnTheRight(), rightToLeft);
        QCOMPARE(detailsOnTheRight(), !rightToLeft);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);

        languages->entries().at(0)->trigger();
        QCOMPARE(TestSupport::readSetting("Language"), QString("English"));
        QCOMPARE(control<QMenu>(&window, "mnuFile")->title(), QString("&Database"));
        QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        QVERIFY(!listOnTheRight() && detailsOnTheRight());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }

    // Entries keep the order of their own characters and stand on the window's side.
    void listEntriesKeepTheirDirection_data()
    {
        addColumns<QString, bool, bool, bool, QString>("text", "rightToLeftWindow", "rightToLeftText", "onTheRight",
                                                       "shown");
        const QString lri(QChar(0x2066)), rli(QChar(0x2067)), pdi(QChar(0x2069)), home = QString::fromUtf8("منزل");
        addRow("number, right-to-left window", "+31 20 555 (home)", true, false, true, "+31 20 555 (home)");
        addRow("Arabic name, right-to-left window", QString::fromUtf8("أحمد (عمل)"), true, true, true,
               QString::fromUtf8("أحمد (عمل)"));
        addRow("number, left-to-right window", "+31 20 555 (home)", false, false, false, "+31 20 555 (home)");
        addRow("Hebrew name, left-to-right window", QString::fromUtf8("דוד"), false, true, false,
               QString::fromUtf8("דוד"));
        // A number reads left to right whatever its description's language.
        addRow("number with an Arabic description", "+49 30 1234567 (" + home + ")", true, false, true,
               "+49 30 1234567 (" + home + ")");
        // An Arabic name's entry is right to left; the number on a later line stays in order.
        addRow("lines of a cell", QString::fromUtf8("أحمد (عمل)") + "\n+49 171 55 (Home)\nanna@mail.test", true, true,
               true,
               QString::fromUtf8("أحمد (عمل)") + QChar::LineSeparator + lri + "+49 171 55" + pdi + " (" + lri + "Home" +
                   pdi + ")" + QChar::LineSeparator + lri + "anna@mail.test" + pdi);
        // Left to right, an Arabic description would make the next line's digits Arabic numbers.
        addRow("lines after an Arabic description", "+49 30 1 (" + home + ")\n+49 171 55 (Home)", false, false, false,
               lri + "+49 30 1" + pdi + " (" + rli + home + pdi + ")" + QChar::LineSeparator + lri + "+49 171 55" +
                   pdi + " (" + lri + "Home" + pdi + ")");
    }
    void listEntriesKeepTheirDirection()
    {
        auto [text, rightToLeftWindow, rightToLeftText, onTheRight, shown] = fetch<QString, bool, bool, bool, QString>(
            "text", "rightToLeftWindow", "rightToLeftText", "onTheRight", "shown");
        QStandardItemModel model;
        model.appendRow(new QStandardItem(text));
        ProbedDelegate delegate;
        const QStyleOptionViewItem option =
            delegate.probe(model.index(0, 0), rightToLeftWindow ? Qt::RightToLeft : Qt::LeftToRight);
        QCOMPARE(option.direction, rightToLeftText ? Qt::RightToLeft : Qt::LeftToRight);
        const Qt::Alignment side = QStyle::visualAlignment(option.direction, option.displayAlignment);
        QCOMPARE(bool(side & Qt::AlignRight), onTheRight);
        QCOMPARE(option.text, shown);
    }

    // A computed key would escape the check: allowed only where the texts it can see are marked.
    void lookupsUseWrittenKeys()
    {
        const QRegularExpression computed(
            QStringLiteral("\\bT\\((?!\\s*(?:QStringLiteral\\(\\s*)?\")(?!const QString)"));
        QStringList offenders;
        for (const QString& file : sourceFiles()) {
            const QString text = QString::fromUtf8(TestSupport::readFile(file));
            if (text.contains("TRANSLATABLE(") || file.endsWith("language/modLanguage.h"))
                continue;
            if (computed.match(text).hasMatch())
                offenders << file;
        }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join('\n')));
    }

    void everyFileTranslatesEveryKey_data()
    {
        QTest::addColumn<QString>("file");
        const QDir folder(languageFolder());
        const QStringList files = folder.entryList({"*.ini"}, QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << folder.filePath(file);
    }
    void everyFileTranslatesEveryKey()
    {
        QFETCH(QString, file);
        const QByteArray bytes = TestSupport::readFile(file);
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(bytes);
        QVERIFY2(!utf8.hasError(), "the file is not UTF-8");
        QVERIFY(!decoded.contains(QChar::ReplacementCharacter));

        const IniFile ini = IniFile::parse(bytes);
        QVERIFY2(!ini.value("Info", "Language").isEmpty(), "no [Info] Language");
        // The version a file was written for: a version, and none the program has not reached.
        const QString written = ini.value("Info", "Version");
        QVERIFY2(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(written).hasMatch(), qPrintable(written));
        QVERIFY2(!modVersion::IsNewerVersion(written, Version::AppVersion), qPrintable(written));
        QCOMPARE(ini.value("Info", "Translator"), QString("Addrion team"));

        const QStringList listed = ini.keys("Translation");
        const QSet<QString> translated(listed.begin(), listed.end());
        QVERIFY2(programKeys().size() > 50, qPrintable(QString::number(programKeys().size())));
        QStringList missing = (programKeys() - translated).values();
        QStringList unused = (translated - programKeys()).values();
        QStringList empty;
        for (const QString& key : listed)
            if (programKeys().contains(key) && ini.value("Translation", key).trimmed().isEmpty())
                empty << key;
        missing.sort();
        unused.sort();
        QVERIFY2(missing.isEmpty(), qPrintable("missing: " + missing.join(" | ")));
        QVERIFY2(empty.isEmpty(), qPrintable("empty: " + empty.join(" | ")));
        QVERIFY2(unused.isEmpty(), qPrintable("never asked for: " + unused.join(" | ")));
    }

    // The menu lists the languages by file name; each file names its language itself.
    void everyDetectedLanguageShips()
    {
        QCOMPARE(QDir(languageFolder()).entryList({"*.ini"}, QDir::Files, QDir::Name).join('|').remove(".ini"),
                 QString("Albanian|Arabic|Basque|Chinese (Taiwan)|Croatian|Danish|Dutch|Estonian|Finnish|French|German|"
                         "Greek|Hebrew|Hungarian|Icelandic|Indonesian|Italian|Japanese|Latvian|Macedonian|"
                         "Norwegian (Bokmål)|Persian|Polish|Portuguese (Brazilian)|Portuguese (Portugal)|Romanian|"
                         "Russian|Serbian (Cyrillic)|Slovak|Slovenian|Spanish|Swedish|Turkish|Ukrainian|Urdu"));
    }
};

ADDRION_TEST_MAIN(TestTranslate)
#include "tst_translate.moc"
