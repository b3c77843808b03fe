// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QByteArray>
#include <QString>

// A person's photo as it is kept: any picture file made into a small JPEG.
namespace modPhoto {

// Pictures larger than this are not read at all.
constexpr qint64 MaxPictureFileBytes = 20 * 1024 * 1024;
enum class PhotoProblem
{
    None,
    TooLarge,   // the file is larger than MaxPictureFileBytes
    Unreadable, // no picture, or one that cannot be read
};
// The picture of a file as it is kept: a JPEG of at most modPersonDetail::PhotoSide pixels
// on its longer side and at most modPersonDetail::MaxPhotoBytes. Empty with the problem
// when it cannot be made.
QByteArray PhotoFromFile(const QString& path, PhotoProblem& problem);

} // namespace modPhoto
