// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ReadOnlyFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace {

bool Chattr(const QString& flag, const QStringList& paths)
{
    QProcess chattr;
    chattr.start(QStringLiteral("chattr"), QStringList{flag} + paths);
    return chattr.waitForFinished(10000) && chattr.exitStatus() == QProcess::NormalExit && chattr.exitCode() == 0;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const QString& path) : m_file(path), m_folder(QFileInfo(path).absolutePath())
{
    const auto readOnly =
        QFileDevice::ReadOwner | QFileDevice::ReadUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(m_file, readOnly);
    QFile::setPermissions(m_folder, readOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                                        QFileDevice::ExeOther);
    if (geteuid() == 0)
        m_immutable = Chattr(QStringLiteral("+i"), {m_file, m_folder});
    m_ok = !QFileInfo(m_file).isWritable() && !QFileInfo(m_folder).isWritable();
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_immutable)
        Chattr(QStringLiteral("-i"), {m_file, m_folder});
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                      QFileDevice::WriteUser);
}
