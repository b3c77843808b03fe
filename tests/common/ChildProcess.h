// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QHash>
#include <QProcess>
#include <QStandardPaths>

namespace TestSupport {

// What a program run as a child process printed, and its exit code: -1 unless it ended
// normally and by itself in time (one that did not is killed).
struct ChildRun
{
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// "xmllint is missing: install the Debian package libxml2-utils" when the tool is not on
// PATH (test.sh installs them all), else "".
inline QString missingTool(const QString& tool)
{
    static const QHash<QString, QString> packages{{"appstreamcli", "appstream"},
                                                  {"desktop-file-validate", "desktop-file-utils"},
                                                  {"dpkg", "dpkg"},
                                                  {"licensecheck", "licensecheck"},
                                                  {"lintian", "lintian"},
                                                  {"openbox", "openbox"},
                                                  {"openssl", "openssl"},
                                                  {"pdftotext", "poppler-utils"},
                                                  {"sqlcipher", "sqlcipher"},
                                                  {"sqlite3", "sqlite3"},
                                                  {"vdirsyncer", "vdirsyncer"},
                                                  {"xdotool", "xdotool"},
                                                  {"xdpyinfo", "x11-utils"},
                                                  {"xmllint", "libxml2-utils"},
                                                  {"xprop", "x11-utils"},
                                                  {"Xvfb", "xvfb"}};
    if (!QStandardPaths::findExecutable(tool).isEmpty() || tool.contains('/'))
        return {};
    return tool + " is missing: install the Debian package " + packages.value(tool, tool);
}

// A tool that is not there fails with the package that brings it in errors.
inline ChildRun runChild(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                         int timeout = 60000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    // Nobody answers a question: a child that asks gets the end of its input at once.
    process.setStandardInputFile(QProcess::nullDevice());
    ChildRun run;
    if (const QString missing = missingTool(program); !missing.isEmpty()) {
        run.errors = missing.toUtf8();
        return run;
    }
    process.start(program, arguments);
    if (process.waitForStarted() && process.waitForFinished(timeout) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    return run;
}

} // namespace TestSupport
