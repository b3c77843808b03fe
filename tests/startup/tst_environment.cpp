#include "DataRow.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/LineWriter.h"
#include "startup/modEnvironment.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

using TestSupport::addRow;
using namespace modEnvironment;

class TestEnvironment : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::clearSettings(); }

    void pathFunctions_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("withoutExtension");
        QTest::addColumn<QString>("folder");
        addRow("full path", "/home/me/Documents/home.mdb", "home.mdb", "/home/me/Documents/home",
               "/home/me/Documents/");
        addRow("no folder", "home.mdb", "home.mdb", "home", "");
        addRow("two dots", "/d/my.home.mdb", "my.home.mdb", "/d/my.home", "/d/");
        addRow("dot in folder", "/d.x/home", "home", "/d", "/d.x/");
        addRow("no dot", "/d/home", "home", "/d/home", "/d/");
        addRow("folder only", "/d/", "", "/d/", "/d/");
        addRow("root file", "/home.mdb", "home.mdb", "/home", "/");
    }
    void pathFunctions()
    {
        QFETCH(QString, path);
        QFETCH(QString, fileName);
        QFETCH(QString, withoutExtension);
        QFETCH(QString, folder);
        QCOMPARE(FileNameOf(path), fileName);
        QCOMPARE(StripExtension(path), withoutExtension);
        QCOMPARE(FolderOf(path), folder);
    }

    void digitsOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("digits");
        addRow("phone", "+31 (0)20 / 555-12 34", "310205551234");
        addRow("none", "abc", "");
        addRow("empty", "", "");
        addRow("arabic-indic digits dropped", QString::fromUtf8("١٢3"), "3");
    }
    void digitsOnly()
    {
        QFETCH(QString, text);
        QFETCH(QString, digits);
        QCOMPARE(DigitsOnly(text), digits);
    }

    void textInBrackets_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("inner");
        addRow("description", "0612345678 (mobile)", "0612345678", "mobile");
        addRow("brackets inside", "a@b.c (work (old))", "a@b.c", "work (old)");
        addRow("no description", "0612345678", "0612345678", "");
        addRow("shorter", "061", "0612345678", "");
        addRow("empty description", "x ()", "x", "");
    }
    void textInBrackets()
    {
        QFETCH(QString, display);
        QFETCH(QString, head);
        QFETCH(QString, inner);
        QCOMPARE(TextInBrackets(display, head), inner);
    }

    void fileExists()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("home.mdb");
        QVERIFY(TestSupport::writeFile(file, "x"));
        QVERIFY(FileExists(file));
        QVERIFY(FileExists(dir.filePath(".hidden.mdb")) == false);
        QVERIFY(TestSupport::writeFile(dir.filePath(".hidden.mdb"), "x"));
        QVERIFY(FileExists(dir.filePath(".hidden.mdb")));
        QVERIFY(!FileExists(""));
        QVERIFY(!FileExists(dir.path()));
        QVERIFY(!FileExists(dir.path() + "/"));
        QVERIFY(!FileExists(dir.filePath("missing.mdb")));
    }

    void personalFolderIsDocumentsWithSlash()
    {
        const QString folder = PersonalFolder();
        QVERIFY(folder.endsWith('/'));
        QVERIFY(!folder.endsWith("//"));
        QVERIFY2(folder.startsWith(TestSupport::environment().home()), qPrintable(folder));
        QCOMPARE(WithTrailingSlash(""), QString("/"));
        QCOMPARE(WithTrailingSlash("/x/"), QString("/x/"));
    }

    void rememberedFolders()
    {
        QCOMPARE(DatabaseDirectory(), PersonalFolder());
        QCOMPARE(ExportDirectory(), PersonalFolder());
        SaveDatabaseDirectory("/data/contacts/home.mdb");
        SaveExportDirectory("/data/out/list.htm");
        QCOMPARE(DatabaseDirectory(), QString("/data/contacts/"));
        QCOMPARE(ExportDirectory(), QString("/data/out/"));
        QCOMPARE(modSettings::ReadSetting("Database directory"), QString("/data/contacts/"));
    }

    void tempFolderFromEnvironment()
    {
        const QString temp = TestSupport::environment().temp();
        QCOMPARE(TempFolder(), temp + "/");
    }

    // Without TEMP the folder is this user's own, closed to others, and a name taken by
    // someone else (here: a link planted in the shared folder) is never used.
    void privateTempFolder()
    {
        const QByteArray savedTemp = qgetenv("TEMP");
        const QByteArray savedTmpdir = qgetenv("TMPDIR");
        QTemporaryDir shared;
        qunsetenv("TEMP");
        qputenv("TMPDIR", shared.path().toUtf8());

        const QString expected = shared.path() + "/addrion-" + QString::number(geteuid()) + "/";
        QCOMPARE(TempFolder(), expected);
        const QFileInfo info(expected);
        QCOMPARE(int(info.permissions() & 0x0077), 0);
        QVERIFY(info.permissions().testFlag(QFileDevice::WriteOwner));

        QVERIFY(QDir(expected).removeRecursively());
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), shared.path() + "/addrion-" + QString::number(geteuid())));
        const QString fallback = TempFolder();
        QVERIFY2(fallback != expected, qPrintable(fallback));
        QVERIFY(QFileInfo(fallback).isDir());
        // As closed as the shared one would have been, whatever the umask says.
        QCOMPARE(int(QFileInfo(fallback).permissions() & 0x0077), 0);

        qputenv("TEMP", savedTemp);
        if (savedTmpdir.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", savedTmpdir);
    }

    // Pages, exports and copies hold personal data: only their owner may read them,
    // whichever folder they are written to.
    void generatedFilesArePrivate()
    {
        QTemporaryDir folder;
        LineWriter writer;
        QVERIFY(writer.Start(folder.filePath("page.htm")));
        writer.WriteLine("Anna");
        QVERIFY(writer.Finish());
        QString error;
        QVERIFY2(modSafeFile::CopyFile(folder.filePath("page.htm"), folder.filePath("copy.htm"), &error),
                 qPrintable(error));
        for (const char* name : {"page.htm", "copy.htm"})
            QCOMPARE(int(QFileInfo(folder.filePath(name)).permissions() & 0x7077),
                     int(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    void openWithShell_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url");
        addRow("web", "https://example.org/a?b=c", "https://example.org/a?b=c");
        addRow("mail", "mailto:anna@example.org", "mailto:anna@example.org");
        addRow("file", "/tmp/a b.htm", "file:///tmp/a b.htm");
    }
    void openWithShell()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        ScriptedPlatform platform;
        OpenWithShell(target);
        QCOMPARE(platform.callsOf("url").size(), 1);
        QCOMPARE(platform.callsOf("url").first().text, url);
    }

    void countPrintersAsksThePlatform()
    {
        ScriptedPlatform platform;
        platform.setPrinterCount(3);
        QCOMPARE(CountPrinters(), 3);
    }

    void localeAbbreviations_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("abbreviation");
        QTest::addColumn<int>("localeId");
        addRow("German", "de_DE", "DEU", 0x0407);
        addRow("Austrian German", "de_AT", "DEA", 0x0C07);
        addRow("US English", "en_US", "ENU", 0x0409);
        addRow("Brazilian", "pt_BR", "PTB", 0x0416);
        addRow("Portuguese", "pt_PT", "PTG", 0x0816);
        addRow("Taiwan", "zh_TW", "CHT", 0x0404);
        addRow("Indonesian", "id_ID", "BAH", 0x0421);
        addRow("Bokmal", "nb_NO", "NOR", 0x0414);
        addRow("Serbian", "sr_RS", "SHQ", 0x0C1A);
        addRow("Basque", "eu_ES", "EUQ", 0x042D);
        addRow("C locale", "C", "", 0x0409);
    }
    void localeAbbreviations()
    {
        QFETCH(QString, locale);
        QFETCH(QString, abbreviation);
        QFETCH(int, localeId);
        QCOMPARE(LanguageAbbreviationOf(QLocale(locale)), abbreviation);
        QCOMPARE(LocaleIdOf(QLocale(locale)), localeId);
    }

    void userNameIsKnown()
    {
        QVERIFY(!UserName().isEmpty());
        QVERIFY(UserName() != "Unknown");
    }
};

ADDRION_TEST_MAIN(TestEnvironment)
#include "tst_environment.moc"
