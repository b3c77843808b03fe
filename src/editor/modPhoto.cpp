// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "editor/modPhoto.h"

#include "database/modPersonDetail.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace modPhoto {

QByteArray PhotoFromFile(const QString& path, PhotoProblem& problem)
{
    problem = PhotoProblem::None;
    const QFileInfo file(path);
    if (file.size() > MaxPictureFileBytes) {
        problem = PhotoProblem::TooLarge;
        return {};
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        problem = PhotoProblem::Unreadable;
        return {};
    }
    const int side = modPersonDetail::PhotoSide;
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // JPEG has no transparency: a transparent picture stands on white.
    if (image.hasAlphaChannel()) {
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
        painter.end();
        image = opaque;
    }
    for (int quality = 90; quality >= 30; quality -= 10) {
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "JPEG", quality)) {
            problem = PhotoProblem::Unreadable;
            return {};
        }
        if (jpeg.size() <= modPersonDetail::MaxPhotoBytes)
            return jpeg;
    }
    problem = PhotoProblem::TooLarge;
    return {};
}

} // namespace modPhoto
