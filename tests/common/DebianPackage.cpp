// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DebianPackage.h"

#include "ChildProcess.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

DebianPackage::DebianPackage()
{
    // ctest makes the package first (the package_deb test) in this folder.
    const QDir folder(qEnvironmentVariable("ADDRION_PACKAGE_DIR"));
    const QStringList debs = folder.entryList({QStringLiteral("addrion_*.deb")}, QDir::Files);
    if (debs.size() != 1) {
        m_error = QStringLiteral("expected one addrion_*.deb in ") + folder.path() + QStringLiteral(", found ") +
                  QString::number(debs.size());
        return;
    }
    m_deb = folder.filePath(debs.first());
    if (!QStandardPaths::findExecutable(QStringLiteral("dpkg")).isEmpty()) {
        const Result unpacked = run(QStringLiteral("dpkg"), {QStringLiteral("-x"), m_deb, root()});
        if (unpacked.exitCode != 0)
            m_error = QStringLiteral("dpkg -x failed: ") + unpacked.output;
    } else {
        m_error = TestSupport::missingTool(QStringLiteral("dpkg"));
    }
}

DebianPackage::Result DebianPackage::run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted() || !process.waitForFinished(240000))
        return result;
    result.ran = true;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromLocal8Bit(process.readAll());
    return result;
}
