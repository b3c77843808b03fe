#include "DataRow.h"
#include "TestSupport.h"

#include "language/ContentDirection.h"
#include "language/LanguageMenu.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QMenu>
#include <QStandardItemModel>
#include <QStyle>
#include <QTemporaryDir>
#include <QTreeView>

using TestSupport::addRow;

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
        addRow("DEU with German file", QStringList{"German", "Dutch"}, "", "DEU", "German", "German");
        addRow("DEU without German file", QStringList{"Dutch"}, "", "DEU", "English", "");
        addRow("unknown locale", QStringList{"German"}, "", "ENU", "English", "");
        addRow("legacy Deutsch", QStringList{"German"}, "Deutsch", "FRA", "German", "German");
        addRow("stored wins over locale", QStringList{"German", "Dutch"}, "Dutch", "DEU", "Dutch", "Dutch");
        addRow("stored file gone", QStringList{"Dutch"}, "German", "NLD", "English", "German");
        addRow("Brazilian", QStringList{"Portuguese (Brazilian)", "Portuguese (Portugal)"}, "", "PTB",
               "Portuguese (Brazilian)", "Portuguese (Brazilian)");
        addRow("Klingon listed", QStringList{"Klingon"}, "Klingon", "", "Klingon", "Klingon");
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

    void sortedByShownName_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sorted");
        addRow("folder order", "en_GB", QStringList{"Finnish", "Turkish", "Indonesian", "Albanian"},
               QStringList{"Albanian", "Finnish", "Indonesian", "Turkish"});
        addRow("letter case", "en_GB", QStringList{"basque", "Chinese", "Arabic"},
               QStringList{"Arabic", "basque", "Chinese"});
        addRow("umlaut as its letter", "de_DE", QStringList{"Zulu", "Oz", "Ömer"}, QStringList{"Ömer", "Oz", "Zulu"});
        addRow("umlaut after z", "sv_SE", QStringList{"Zulu", "Oz", "Ömer"}, QStringList{"Oz", "Zulu", "Ömer"});
    }
    void sortedByShownName()
    {
        QFETCH(QString, locale);
        QFETCH(QStringList, names);
        QFETCH(QStringList, sorted);
        QCOMPARE(modLanguage::SortedByName(names, QLocale(locale)), sorted);
    }

    void menuSortedByShownName()
    {
        const QStringList files{"Turkish",  "Portuguese (Portugal)",  "Finnish",
                                "Albanian", "Portuguese (Brazilian)", "Indonesian"};
        for (const QString& file : files)
            addLanguage(file);
        QMenu menu;
        LanguageMenu languages(&menu);
        languages.InitLanguage("ENU");
        QCOMPARE(captions(languages), (QStringList{"English", "Albanian", "Finnish", "Indonesian",
                                                   "Portuguese (Brazilian)", "Portuguese (Portugal)", "Turkish"}));
    }

    // A language changes Qt's own texts and, for the languages written from right to
    // left, the direction of the whole window: list on the right, details on the left.
    void languageReachesQtAndTheLayout_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("rightToLeft");
        QTest::addColumn<QString>("cancel"); // Qt's own Cancel button
        addRow("German", "German", false, "Abbrechen");
        addRow("Arabic", "Arabic", true, QString::fromUtf8("ألغِ"));
        addRow("Hebrew", "Hebrew", true, QString::fromUtf8("ביטול"));
        addRow("Persian", "Persian", true, QString::fromUtf8("انصراف"));
        addRow("Urdu, no catalogue of Qt's", "Urdu", true, "Cancel");
        addRow("Klingon", "Klingon", false, "Cancel");
    }
    void languageReachesQtAndTheLayout()
    {
        QFETCH(QString, language);
        QFETCH(bool, rightToLeft);
        QFETCH(QString, cancel);
        QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qt_de.qm"),
                 "Qt's translations are needed (Debian package qt6-translations-l10n)");
        addLanguage(language);
        frmMain window("");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        LanguageMenu* languages = window.languageMenu();
        languages->InitLanguage("ENU");
        const QWidget* client = window.centralWidget();
        auto listOnTheRight = [&] { return window.fraList->geometry().center().x() > client->width() / 2; };
        auto detailsOnTheRight = [&] { return window.fraInfo->geometry().center().x() > client->width() / 2; };
        QVERIFY(!listOnTheRight() && detailsOnTheRight());

        languages->entries().at(captions(*languages).indexOf(language))->trigger();
        const Qt::LayoutDirection direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        QCOMPARE(QGuiApplication::layoutDirection(), direction);
        QCOMPARE(window.layoutDirection(), direction);
        QCOMPARE(window.lvwMain->layoutDirection(), direction);
        QCOMPARE(listOnTheRight(), rightToLeft);
        QCOMPARE(detailsOnTheRight(), !rightToLeft);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), cancel);

        languages->entries().at(0)->trigger();
        QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
        QVERIFY(!listOnTheRight() && detailsOnTheRight());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Cancel"));
    }

    // Entries keep the order of their own characters and stand on the window's side.
    void listEntriesKeepTheirDirection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rightToLeftWindow");
        QTest::addColumn<bool>("rightToLeftText");
        QTest::addColumn<bool>("onTheRight");
        addRow("number, right-to-left window", "+31 20 555 (home)", true, false, true);
        addRow("Arabic name, right-to-left window", QString::fromUtf8("أحمد (عمل)"), true, true, true);
        addRow("number, left-to-right window", "+31 20 555 (home)", false, false, false);
        addRow("Hebrew name, left-to-right window", QString::fromUtf8("דוד"), false, true, false);
    }
    void listEntriesKeepTheirDirection()
    {
        QFETCH(QString, text);
        QFETCH(bool, rightToLeftWindow);
        QFETCH(bool, rightToLeftText);
        QFETCH(bool, onTheRight);
        QStandardItemModel model;
        model.appendRow(new QStandardItem(text));
        ProbedDelegate delegate;
        const QStyleOptionViewItem option =
            delegate.probe(model.index(0, 0), rightToLeftWindow ? Qt::RightToLeft : Qt::LeftToRight);
        QCOMPARE(option.direction, rightToLeftText ? Qt::RightToLeft : Qt::LeftToRight);
        const Qt::Alignment side = QStyle::visualAlignment(option.direction, option.displayAlignment);
        QCOMPARE(bool(side & Qt::AlignRight), onTheRight);
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
