// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>
#include <QTemporaryDir>

// The built Debian package, unpacked with "dpkg -x" into a scratch root as the package
// manager would install it below "/".
class DebianPackage
{
public:
    DebianPackage();
    // Empty when all went well, else what failed.
    QString error() const { return m_error; }
    QString debFile() const { return m_deb; }
    QString root() const { return m_root.path(); }
    // A path of the package ("usr/bin/addrion") in the scratch root.
    QString installed(const QString& path) const { return m_root.filePath(path); }

    struct Result
    {
        bool ran = false;
        int exitCode = -1;
        QString output; // standard output and error together
    };
    // Runs a program to its end; a program that is not there did not run.
    static Result run(const QString& program, const QStringList& arguments);

private:
    QTemporaryDir m_root;
    QString m_deb;
    QString m_error;
};
