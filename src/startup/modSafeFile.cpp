// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace modSafeFile {

namespace {

constexpr qint64 ChunkSize = 1 << 20;

QString ErrnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool CopyInto(QFile& in, QFile& out, QString* error)
{
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(ChunkSize);
        if (chunk.isEmpty()) {
            *error = in.fileName() + QStringLiteral(": ") + in.errorString();
            return false;
        }
        if (!WriteAll(out, chunk, error))
            return false;
    }
    // Everything written must be on the disk before the copy may replace anything.
    if (!out.flush() || ::fsync(out.handle()) != 0) {
        *error = out.error() != QFileDevice::NoError ? out.errorString() : ErrnoText();
        return false;
    }
    return true;
}

} // namespace

bool WriteAll(QIODevice& device, const QByteArray& bytes, QString* error)
{
    const qint64 written = device.write(bytes);
    if (written == bytes.size())
        return true;
    const QString reason = device.errorString();
    *error = written < 0 || reason.isEmpty() || reason == QLatin1String("Unknown error")
                 ? QStringLiteral("Only %1 of %2 bytes could be written (the disk may be full).")
                       .arg(qMax<qint64>(written, 0))
                       .arg(bytes.size())
                 : reason;
    return false;
}

bool CopyFile(const QString& source, const QString& target, QString* error, const Verify& verify)
{
    QString reason;
    const bool copied = [&] {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            reason = source + QStringLiteral(": ") + in.errorString();
            return false;
        }
        const QFileInfo targetInfo(target);
        // Unbuffered, so that a write the disk refuses is seen at that write.
        QTemporaryFile out(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName() +
                           QStringLiteral(".XXXXXX"));
        if (!out.open()) {
            reason = target + QStringLiteral(": ") + out.errorString();
            return false;
        }
        if (!CopyInto(in, out, &reason)) {
            reason = target + QStringLiteral(": ") + reason;
            return false;
        }
        out.close();
        if (verify) {
            reason = verify(out.fileName());
            if (!reason.isEmpty())
                return false;
        }
        const QFileDevice::Permissions permissions =
            targetInfo.exists() ? QFile::permissions(target) : PrivatePermissions;
        QFile::setPermissions(out.fileName(), permissions);
        // One step: the target is either the old file or the whole new one.
        if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
            reason = target + QStringLiteral(": ") + ErrnoText();
            return false;
        }
        out.setAutoRemove(false);
        return true;
    }();
    if (!copied && error)
        *error = reason;
    return copied;
}

bool MakePrivate(const QString& path)
{
    return QFile::setPermissions(path, PrivatePermissions);
}

} // namespace modSafeFile
