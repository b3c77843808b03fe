#pragma once

#include <QProcess>

namespace TestSupport {

// How a program run as a child process ended. One that did not end by itself in time
// was killed and counts as not ended; exitCode is -1 unless it ended normally.
struct ChildRun
{
    bool ended = false;
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
    process.start(program, arguments);
    ChildRun run;
    run.ended = process.waitForStarted() && process.waitForFinished(timeout);
    if (!run.ended) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    return run;
}

} // namespace TestSupport
