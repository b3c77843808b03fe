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

ReadOnlyFile::ReadOnlyFile(const QString& path, Lock lock) : m_file(path), m_folder(QFileInfo(path).absolutePath())
{
    const auto readOnly =
        QFileDevice::ReadOwner | QFileDevice::ReadUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const bool lockFile = lock == Lock::FileAndFolder && QFileInfo::exists(m_file);
    if (lockFile) {
        QFile::setPermissions(m_file, readOnly);
        m_locked << m_file;
    }
    QFile::setPermissions(m_folder, readOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                                        QFileDevice::ExeOther);
    m_locked << m_folder;
    if (geteuid() == 0)
        m_immutable = Chattr(QStringLiteral("+i"), m_locked);
    m_ok = !(lockFile && QFileInfo(m_file).isWritable()) && !QFileInfo(m_folder).isWritable();
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_immutable)
        Chattr(QStringLiteral("-i"), m_locked);
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    if (m_locked.contains(m_file))
        QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                          QFileDevice::WriteUser);
}
