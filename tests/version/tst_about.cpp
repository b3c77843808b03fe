#include "DataRow.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "language/IniFile.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "version/frmAbout.h"

#include <QAction>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <memory>

using TestSupport::addRow;

// The About box: version, web-site link and the translation frame of the language file.
class TestAbout : public QObject
{
    Q_OBJECT

    QTemporaryDir m_programFolder;
    std::unique_ptr<ScriptedPlatform> m_platform;

    bool writeLanguage(const QString& name, const QByteArray& contents)
    {
        return TestSupport::writeFile(m_programFolder.filePath("Language/" + name + ".ini"), contents);
    }

private slots:
    void initTestCase()
    {
        modEnvironment::SetProgramFolder(m_programFolder.path());
        TestSupport::useTestAddresses();
    }
    void init()
    {
        TestSupport::clearSettings();
        m_platform = std::make_unique<ScriptedPlatform>();
    }
    void cleanup()
    {
        QVERIFY(m_platform->scriptDone());
        m_platform.reset();
    }

    void noTranslationFrame_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QByteArray>("file");
        addRow("built-in English", "", QByteArray());
        addRow("file without information", "Plain", QByteArray("[Translation]\nAbout=Info\n"));
        addRow("information without a language", "Nameless",
               QByteArray("[Info]\nVersion=1.4.3\nTranslator=Someone\n[Translation]\nAbout=Info\n"));
        addRow("language file missing", "Missing", QByteArray());
    }
    void noTranslationFrame()
    {
        QFETCH(QString, language);
        QFETCH(QByteArray, file);
        if (!file.isEmpty())
            QVERIFY(writeLanguage(language, file));
        modSettings::WriteSetting("Language", language);

        frmAbout about;
        QVERIFY(about.fraTranslation->isHidden());
        QCOMPARE(about.fraInfo->title(), QString("Addrion 1.4.3"));
        QCOMPARE(about.lblWebsite2->text(), QString(TestSupport::TestWebsite));
        QVERIFY(!about.imgLogo->pixmap().isNull());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(!about.fraTranslation->isVisible());
        QVERIFY(about.fraInfo->isVisible());
    }

    void translationFrame_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QStringList>("labels"); // website, language, translator
        addRow("translated words",
               QByteArray("[Info]\nLanguage=Deutsch\nVersion=1.4.2\nTranslator=Anna Beispiel\n"
                          "[Translation]\nAbout=Über\nTranslation=Übersetzung\nVersion=Fassung\n"
                          "Website=Webseite\nLanguage=Sprache\nTranslator=Übersetzer\n"),
               "Über", "Übersetzung (Fassung 1.4.2)", QStringList{"Webseite:", "Sprache:", "Übersetzer:"});
        addRow("words left in English",
               QByteArray("[Info]\nLanguage=Dansk\nVersion=1.4.3\nTranslator=Ole\n[Translation]\nCopy=Kopier\n"),
               "About", "Translation (Version 1.4.3)", QStringList{"Website:", "Language:", "Translator:"});
    }
    void translationFrame()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, caption);
        QFETCH(QString, frame);
        QFETCH(QStringList, labels);
        QVERIFY(writeLanguage("Test", file));
        modSettings::WriteSetting("Language", "Test");
        const IniFile ini = IniFile::parse(file);

        frmAbout about;
        QVERIFY(!about.fraTranslation->isHidden());
        QCOMPARE(about.windowTitle(), caption);
        QCOMPARE(about.fraTranslation->title(), frame);
        QCOMPARE(about.lblWebsite->text(), labels.at(0));
        QCOMPARE(about.lblLanguage->text(), labels.at(1));
        QCOMPARE(about.lblTranslator->text(), labels.at(2));
        QCOMPARE(about.lblLanguage2->text(), ini.value("Info", "Language"));
        QCOMPARE(about.lblTranslator2->text(), ini.value("Info", "Translator"));
        // The version line never changes with the language.
        QCOMPARE(about.fraInfo->title(), QString("Addrion 1.4.3"));

        // Back to English: the frame goes away again.
        modSettings::WriteSetting("Language", "");
        about.LoadLanguage();
        QVERIFY(about.fraTranslation->isHidden());
        QCOMPARE(about.windowTitle(), QString("About"));
    }

    void websiteLinkOpens_data()
    {
        QTest::addColumn<bool>("byKey");
        addRow("click", false);
        addRow("enter key", true);
    }
    void websiteLinkOpens()
    {
        QFETCH(bool, byKey);
        frmAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        if (byKey) {
            about.lblWebsite2->setFocus();
            QTest::keyClick(about.lblWebsite2, Qt::Key_Return);
        } else {
            QTest::mouseClick(about.lblWebsite2, Qt::LeftButton);
        }
        const auto urls = m_platform->callsOf("url");
        QCOMPARE(urls.size(), 1);
        QCOMPARE(urls.constFirst().text, QString(TestSupport::TestWebsite));
        // The link keeps the box open; only OK closes it.
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.lblWebsite, Qt::LeftButton);
        QCOMPARE(m_platform->callsOf("url").size(), 1);
    }

    void noWebsiteNoLink()
    {
        TestSupport::useNoAddresses();
        frmAbout about;
        TestSupport::useTestAddresses();
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(!about.lblWebsite->isVisible());
        QVERIFY(!about.lblWebsite2->isVisible());
        QVERIFY(about.cmdOK->isVisible());
    }

    // Neither the program nor the folders shipped beside it send a user to a
    // placeholder address.
    void nothingShippedNamesAPlaceholderSite()
    {
        const QFileInfo program(TestSupport::executable());
        QVERIFY2(program.isFile(), "ADDRION_EXECUTABLE names no program");
        QStringList files{program.filePath()};
        QDirIterator shipped(program.absolutePath(), QDir::Files, QDirIterator::Subdirectories);
        while (shipped.hasNext()) {
            const QString file = shipped.next();
            if (file.contains("/Language/") || file.contains("/Calendar/") || file.contains("/Css/"))
                files << file;
        }
        QVERIFY(files.size() > 30);
        static const QRegularExpression placeholder("example\\.(org|net|com)");
        for (const QString& file : files) {
            const QString contents = QString::fromLatin1(TestSupport::readFile(file));
            QVERIFY2(!placeholder.match(contents).hasMatch(),
                     qPrintable(file + ": " + placeholder.match(contents).captured()));
        }
    }

    void helpAboutOpensTheBoxModally()
    {
        frmMain window("");
        RegisterWindows(window);
        bool seen = false;
        QTimer::singleShot(0, this, [&seen] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* about = qobject_cast<frmAbout*>(modal);
            seen = about && about->isVisible();
            if (!seen) {
                if (modal)
                    modal->close();
                return;
            }
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        });
        window.mnuHelpAbout->trigger();
        QVERIFY(seen);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

ADDRION_TEST_MAIN(TestAbout)
#include "tst_about.moc"
