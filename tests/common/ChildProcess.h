// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QProcess>

namespace TestSupport {

// What a program run as a child process printed, and its exit code: -1 unless it ended
// normally and by itself in time (one that did not is killed).
struct ChildRun
{
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

inline ChildRun runChild(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                         int timeout = 60000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    // Nobody answers a question: a child that asks gets the end of its input at once.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    ChildRun run;
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
