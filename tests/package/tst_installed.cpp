// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DebianPackage.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "birthdays/modAutostart.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "language/IniFile.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

using namespace TestSupport;

// The package unpacked into a scratch root, checked by the desktop's tools, and the program run from
// there as an installed one: it finds its folders below the prefix and writes nothing there.
class TestInstalled : public QObject
{
    Q_OBJECT

    std::unique_ptr<DebianPackage> m_package;
    QStringList m_contents;

    QStringList contents() const
    {
        QStringList files;
        QDirIterator it(m_package->root(), QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            files << QStringList{info.filePath(), QString::number(info.size()),
                                 info.lastModified().toString(Qt::ISODateWithMs)}
                         .join(' ');
        }
        files.sort();
        return files;
    }

    QString program() const { return m_package->installed("usr/bin/addrion"); }

    // A new, empty database file, made here and closed for the program to open.
    static bool newClosedDatabase(const QString& path)
    {
        ScriptedPlatform platform;
        const bool made = ShowOutcome(modDatabase::NewDatabase(path));
        modDatabase::CloseDatabase(false);
        return made;
    }

    // Settings as a user's first start finds them, except that nobody asks the network.
    static void firstStartSettings()
    {
        TestSupport::clearSettings();
        TestSupport::writeSetting("Check version", "0");
    }

private slots:
    void initTestCase()
    {
        m_package = std::make_unique<DebianPackage>();
        QVERIFY2(m_package->error().isEmpty(), qPrintable(m_package->error()));
        m_contents = contents();
    }

    void installsItsFiles_data()
    {
        addColumns<QString, int>("path", "pixels");
        QTest::newRow("program") << "usr/bin/addrion" << 0;
        QTest::newRow("language") << "usr/share/addrion/Language/German.ini" << 0;
        QTest::newRow("calendar style") << "usr/share/addrion/Calendar/Orange.css" << 0;
        QTest::newRow("export style") << "usr/share/addrion/Css/Normal.css" << 0;
        QTest::newRow("sound") << "usr/share/addrion/Sound/default.wav" << 0;
        QTest::newRow("manual page") << "usr/share/man/man1/addrion.1.gz" << 0;
        QTest::newRow("copyright") << "usr/share/doc/addrion/copyright" << 0;
        QTest::newRow("screenshot of the main window") << "usr/share/doc/addrion/screenshots/main-window.png" << 0;
        QTest::newRow("screenshot of the reminder") << "usr/share/doc/addrion/screenshots/birthday-reminder.png" << 0;
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("icon %d", size)
                << QString("usr/share/icons/hicolor/%1x%1/apps/addrion.png").arg(size) << size;
    }
    void installsItsFiles()
    {
        auto [path, pixels] = fetch<QString, int>("path", "pixels");
        const QFileInfo file(m_package->installed(path));
        QVERIFY2(file.isFile() && file.size() > 0, qPrintable(path + " is not in the package"));
        if (pixels == 0)
            return;
        const QImage icon(file.filePath());
        QCOMPARE(icon.size(), QSize(pixels, pixels));
        QVERIFY(icon.hasAlphaChannel());
        // The cover's blue shows in the middle of the book.
        QCOMPARE(icon.pixelColor(pixels * 50 / 100, pixels * 85 / 100), QColor(0x1f, 0x5f, 0x99));
    }

    void dependsOnWhatItCalls()
    {
        const DebianPackage::Result fields =
            DebianPackage::run("dpkg-deb", {"--field", m_package->debFile(), "Package", "Version", "Depends"});
        QVERIFY2(fields.exitCode == 0, qPrintable(fields.output));
        QVERIFY2(fields.output.startsWith(QString("Package: addrion\nVersion: ") + Version::AppVersion + "\nDepends: "),
                 qPrintable(fields.output));
        const QString depends = fields.output.section("Depends: ", 1);
        // Worked out from the program's libraries, plus the programs it starts.
        for (const char* dependency : {"libqt6widgets6", "libsqlite3-0", "libc6", "sqlcipher", "xdg-utils"})
            QVERIFY2(depends.contains(QString(dependency)), qPrintable(depends));
    }

    // The reminder at log-on reads its language file from below the prefix.
    void reminderRunFindsItsLanguage()
    {
        firstStartSettings();
        TestSupport::writeSetting("Language", "German");
        TestSupport::writeSetting("Birthday reminder", "1");
        TestSupport::writeSetting("Reminder Since", "2");
        const QString database = modEnvironment::PersonalFolder() + modDatabase::DefaultFileName;
        {
            ScriptedPlatform platform;
            QVERIFY(QDir().mkpath(modEnvironment::PersonalFolder()));
            QVERIFY(ShowOutcome(modDatabase::NewDatabase(database)));
            const QDate born = TestSupport::FixedToday().addYears(-30);
            modSql::ExecuteSql(QString("INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (1, 'Anna', #%1#)")
                                   .arg(born.toString("M/d/yyyy")));
            modDatabase::CloseDatabase(false);
        }
        // The program's entry with the seam that prints the reminder's rows, its resources from the prefix.
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ADDRION_EXECUTABLE", program());
        run.setProcessEnvironment(environment);
        run.start(TestSupport::reminderEcho(), {"/Reminder"});
        QVERIFY2(run.waitForFinished(60000), "the reminder did not close");
        QCOMPARE(run.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(run.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        const QString german = IniFile::load(m_package->installed("usr/share/addrion/Language/German.ini"))
                                   .value("Translation", "Birthday reminder");
        QVERIFY(!german.isEmpty() && german != "Birthday reminder");
        QCOMPARE(lines.value(0), german);
        QVERIFY2(lines.value(1).contains("\tAnna\t"), qPrintable(lines.join('\n')));
        QVERIFY(QFile::remove(database));
    }

    // A first start on a given database stores defaults below the prefix, a log-on entry for the program.
    void mainWindowRunOpensTheDatabase()
    {
        firstStartSettings();
        QTemporaryDir folder;
        const QString database = folder.filePath("work.mdb");
        QVERIFY(newClosedDatabase(database));
        TestSupport::writeSetting("Default database", "");
        QProcess run;
        run.start(program(), {database});
        QVERIFY2(run.waitForStarted(), qPrintable(run.errorString()));
        auto stored = [](const char* key) {
            modSettings::Reload();
            return TestSupport::readSetting(key);
        };
        // The main window stays until it is closed: wait for what its start stores.
        QTRY_VERIFY_WITH_TIMEOUT(!stored("Default database").isEmpty() && !stored("Reminder Sound Path").isEmpty(),
                                 60000);
        run.terminate();
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(stored("Default database"), database);
        QCOMPARE(stored("Reminder Sound Path"), m_package->installed("usr/share/addrion/Sound/default.wav"));
        const IniFile entry = IniFile::load(modAutostart::EntryFile());
        QCOMPARE(entry.value("Desktop Entry", "Exec"), modAutostart::ExecLine(program()));
    }

    // The package and the desktop files in it, as the desktop's own checkers see them.
    void checkerAccepts_data()
    {
        addColumns<QString, QStringList>("tool", "arguments");
        // Paths are relative to the scratch root; "<deb>" stands for the package file.
        addRow("desktop entry", "desktop-file-validate",
               QStringList{"usr/share/applications/io.github.addrion.Addrion.desktop"});
        addRow("AppStream metainfo", "appstreamcli",
               QStringList{"validate", "--no-net", "usr/share/metainfo/io.github.addrion.Addrion.metainfo.xml"});
        addRow("icon is well-formed XML", "xmllint",
               QStringList{"--noout", "usr/share/icons/hicolor/scalable/apps/addrion.svg"});
        // Errors fail lintian; the warnings kept are explained in the README.
        addRow("package", "lintian", QStringList{"--fail-on", "error", "--tag-display-limit", "0", "<deb>"});
    }
    void checkerAccepts()
    {
        auto [tool, arguments] = fetch<QString, QStringList>("tool", "arguments");
        if (const QString missing = TestSupport::missingTool(tool); !missing.isEmpty())
            QFAIL(qPrintable(missing));
        for (QString& argument : arguments) {
            if (argument == "<deb>")
                argument = m_package->debFile();
            else if (argument.startsWith("usr/"))
                argument = m_package->installed(argument);
        }
        const DebianPackage::Result result = DebianPackage::run(tool, arguments);
        QVERIFY2(result.ran, qPrintable(tool + " did not run to its end"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.output));
        QVERIFY2(!result.output.contains(QRegularExpression("^E: ", QRegularExpression::MultilineOption)),
                 qPrintable(result.output));
    }

    // Even where the program folder could be written (root could), an installed program logs into the user's
    // data folder. A database whose first page is damaged is reported, and logged before the report shows.
    void logGoesToTheUserDataFolder()
    {
        firstStartSettings();
        QTemporaryDir folder;
        const QString database = folder.filePath("damaged.mdb");
        QVERIFY(newClosedDatabase(database));
        QFile damaged(database);
        QVERIFY(damaged.open(QIODevice::ReadWrite) && damaged.seek(100));
        QVERIFY(damaged.write(QByteArray(200, '\xff')) == 200);
        damaged.close();
        const QString log = environment().dataHome() + "/Addrion/Addrion.log";
        QFile::remove(log);
        QVERIFY(QFileInfo(m_package->installed("usr/share/addrion")).isWritable());
        QProcess run;
        run.start(program(), {database});
        QVERIFY2(run.waitForStarted(), qPrintable(run.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("malformed"), 60000);
        run.terminate();
        QVERIFY(run.waitForFinished(30000));
        QVERIFY(!QFile::exists(m_package->installed("usr/share/addrion/Addrion.log")));
        QVERIFY(!QFile::exists(m_package->installed("usr/bin/Addrion.log")));
    }

    // The AppStream data made for a build with a web site names the home page and the screenshots below it;
    // without a site it names neither. Either way appstreamcli accepts it.
    void metainfoForASite_data()
    {
        addColumns<QString, QString>("website", "site");
        addRow("no site", "", "");
        addRow("site", "https://addrion.example.org", "https://addrion.example.org/");
        addRow("folder with slashes", "https://example.org/addrion//", "https://example.org/addrion/");
    }
    void metainfoForASite()
    {
        auto [website, site] = fetch<QString, QString>("website", "site");
        QTemporaryDir folder;
        const QString output = folder.filePath("metainfo.xml");
        const DebianPackage::Result made = DebianPackage::run(
            "cmake", {"-DTEMPLATE=" + sourceDir() + "/resources/io.github.addrion.Addrion.metainfo.xml",
                      "-DOUTPUT=" + output, "-DWEBSITE=" + website, QString("-DPROJECT_VERSION=") + Version::AppVersion,
                      "-P", sourceDir() + "/cmake/Metainfo.cmake"});
        QVERIFY2(made.ran && made.exitCode == 0, qPrintable(made.output));
        const DebianPackage::Result valid = DebianPackage::run("appstreamcli", {"validate", "--no-net", output});
        QVERIFY2(valid.ran && valid.exitCode == 0, qPrintable(valid.output));

        QStringList homepages, images;
        QXmlStreamReader xml(readFile(output));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("url"))
                homepages << xml.readElementText();
            else if (xml.name() == QLatin1String("image"))
                images << xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        if (site.isEmpty()) {
            QCOMPARE(homepages, QStringList());
            QCOMPARE(images, QStringList());
            return;
        }
        QCOMPARE(homepages, QStringList{site});
        QCOMPARE(images,
                 (QStringList{site + "screenshots/main-window.png", site + "screenshots/birthday-reminder.png"}));
        for (const QString& image : images)
            QVERIFY2(QFile::exists(sourceDir() + "/resources/" + image.mid(site.size())), qPrintable(image));
    }

    void writesNothingBelowThePrefix() { QCOMPARE(contents(), m_contents); }

    // Every source file names the licence as licensecheck reads it; the copyright file is machine-readable and
    // points to the licence's text; no tracked name at the top could pass for an option or split in two.
    void sourcesCarryTheLicence()
    {
        const DebianPackage::Result listed = DebianPackage::run("git", {"-C", sourceDir(), "ls-files"});
        QVERIFY2(listed.ran && listed.exitCode == 0, qPrintable(listed.output));
        QStringList sources;
        for (const QString& name : listed.output.split('\n', Qt::SkipEmptyParts)) {
            QVERIFY2(name.contains('/') || (!name.startsWith('-') && !name.contains(' ')), qPrintable(name));
            if (name.contains(QRegularExpression("(\\.(cpp|h|cmake|sh|py)|CMakeLists\\.txt|^\\.ci/run)$")) &&
                !name.contains("/samples/") && !name.startsWith("fuzz/seeds/"))
                sources << sourceDir() + '/' + name;
        }
        QVERIFY(sources.size() > 200);
        if (const QString missing = TestSupport::missingTool("licensecheck"); !missing.isEmpty())
            QFAIL(qPrintable(missing));
        const DebianPackage::Result found =
            DebianPackage::run("licensecheck", QStringList{"--shortname-scheme=spdx", "--check", ".*"} + sources);
        QVERIFY2(found.ran && found.exitCode == 0, qPrintable(found.output));
        const QStringList lines = found.output.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), sources.size());
        for (const QString& line : lines)
            QVERIFY2(line.endsWith(": GPL-3.0-or-later") || line.endsWith("* GPL-3.0-or-later"), qPrintable(line));
        const QByteArray copyright = readFile(m_package->installed("usr/share/doc/addrion/copyright"));
        QVERIFY(copyright.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(copyright.contains("\nLicense: GPL-3+\n") && copyright.contains("/usr/share/common-licenses/GPL-3"));
    }
};

ADDRION_TEST_MAIN(TestInstalled)
#include "tst_installed.moc"
