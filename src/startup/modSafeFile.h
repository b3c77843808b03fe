// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>

class QIODevice;

// Writing files so that a full disk, a quota or a file size limit never leaves a
// truncated file where a good one was: every write must take all its bytes, the copy
// is flushed to the disk and checked before it replaces the target in one step.
namespace modSafeFile {

// The permissions of every file the program makes: readable by its owner only.
constexpr QFileDevice::Permissions PrivatePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Writes all of bytes to device. A short count is a failure like an error: false, with
// the reason in error (the device's own text, or the counts when it has none).
bool WriteAll(QIODevice& device, const QByteArray& bytes, QString* error);

// Checks the finished copy at copyPath before it takes the target's place: the reason
// why it must not, or "" when it may.
using Verify = std::function<QString(const QString& copyPath)>;

// Copies source to target. The copy is written beside the target, flushed to the disk,
// checked by verify (when given) and renamed over the target; on any failure the target
// is left as it was and the reason is in error. A new target is made private; a
// replaced one keeps its permissions.
bool CopyFile(const QString& source, const QString& target, QString* error, const Verify& verify = {});

// Makes path readable and writable by its owner only.
bool MakePrivate(const QString& path);

} // namespace modSafeFile
