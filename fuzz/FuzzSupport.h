// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The input as the program meets it: bytes read as UTF-8 (invalid sequences become
// replacement characters, as they do when a file or a typed text is decoded).
inline QString FuzzText(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

inline QByteArray FuzzBytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Splits the input at its first zero byte into two parts (the second empty when there
// is none), for the targets that take two texts.
inline void FuzzSplit(const std::uint8_t* data, std::size_t size, QByteArray* first, QByteArray* second)
{
    const QByteArray all = FuzzBytes(data, size);
    const qsizetype zero = all.indexOf('\0');
    *first = zero < 0 ? all : all.left(zero);
    *second = zero < 0 ? QByteArray() : all.mid(zero + 1);
}
