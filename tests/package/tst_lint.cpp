#include "DataRow.h"
#include "DebianPackage.h"
#include "TestSupport.h"

#include <QStandardPaths>

using TestSupport::addRow;

// The package and the desktop files in it, as the desktop's own checkers see them.
class TestLint : public QObject
{
    Q_OBJECT

    std::unique_ptr<DebianPackage> m_package;

private slots:
    void initTestCase()
    {
        m_package = std::make_unique<DebianPackage>();
        QVERIFY2(m_package->error().isEmpty(), qPrintable(m_package->error()));
    }

    void checkerAccepts_data()
    {
        TestSupport::addColumns<QString, QString, QStringList>("tool", "debianPackage", "arguments");
        // Paths are relative to the scratch root; "<deb>" stands for the package file.
        addRow("desktop entry", "desktop-file-validate", "desktop-file-utils",
               QStringList{"usr/share/applications/io.github.addrion.Addrion.desktop"});
        addRow("AppStream metainfo", "appstreamcli", "appstream",
               QStringList{"validate", "--no-net", "usr/share/metainfo/io.github.addrion.Addrion.metainfo.xml"});
        addRow("icon is well-formed XML", "xmllint", "libxml2-utils",
               QStringList{"--noout", "usr/share/icons/hicolor/scalable/apps/addrion.svg"});
        // Errors fail lintian; the warnings kept are explained in the README.
        addRow("package", "lintian", "lintian", QStringList{"--fail-on", "error", "--tag-display-limit", "0", "<deb>"});
    }
    void checkerAccepts()
    {
        auto [tool, debianPackage, arguments] =
            TestSupport::fetch<QString, QString, QStringList>("tool", "debianPackage", "arguments");
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QFAIL(qPrintable(DebianPackage::missingTool(tool, debianPackage)));
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
};

ADDRION_TEST_MAIN(TestLint)
#include "tst_lint.moc"
