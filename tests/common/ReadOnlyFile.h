// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QStringList>

// Makes a file and its folder read-only for this process, also for root (who may write whatever the
// permission bits forbid): then both are marked immutable. A file that does not exist stays
// missing, and with FolderOnly the file itself stays writable but cannot be replaced or removed.
// Undone on destruction; ok() is false when the machine does not allow it.
class ReadOnlyFile
{
public:
    enum class Lock
    {
        FileAndFolder,
        FolderOnly,
    };
    explicit ReadOnlyFile(const QString& path, Lock lock = Lock::FileAndFolder);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool ok() const { return m_ok; }

private:
    QString m_file;
    QString m_folder;
    QStringList m_locked;
    bool m_immutable = false;
    bool m_ok = false;
};
