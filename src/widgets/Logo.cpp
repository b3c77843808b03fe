// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Logo.h"

#include <QPainter>
#include <QPainterPath>

QPixmap AddrionLogo(int size)
{
    QPixmap logo(size, size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 100.0, size / 100.0);

    // The book: a cover with a darker spine and rings.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0x99));
    painter.drawRoundedRect(QRectF(18, 8, 70, 84), 8, 8);
    painter.setBrush(QColor(0x16, 0x45, 0x70));
    painter.drawRoundedRect(QRectF(18, 8, 14, 84), 6, 6);
    painter.setBrush(QColor(0xe8, 0x8a, 0x1a));
    for (int ring = 0; ring < 4; ++ring)
        painter.drawRoundedRect(QRectF(12, 18 + ring * 19, 14, 6), 3, 3);

    // The person on the cover.
    painter.setBrush(QColor(0xf4, 0xf1, 0xea));
    painter.drawEllipse(QPointF(60, 38), 12, 12);
    QPainterPath shoulders;
    shoulders.moveTo(38, 78);
    shoulders.cubicTo(38, 58, 82, 58, 82, 78);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    return logo;
}

QIcon AddrionIcon()
{
    QIcon icon;
    for (const int size : LogoSizes)
        icon.addPixmap(AddrionLogo(size));
    return icon;
}

QPixmap AddrionPersonPlaceholder(const QSize& size)
{
    QPixmap placeholder(size);
    placeholder.fill(Qt::transparent);
    QPainter painter(&placeholder);
    painter.setRenderHint(QPainter::Antialiasing);
    // The person of the logo in grey, as tall as the place allows.
    const double scale = qMin(size.width(), size.height()) / 100.0;
    painter.translate((size.width() - 100 * scale) / 2, (size.height() - 100 * scale) / 2);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xb0, 0xb4, 0xba));
    painter.drawEllipse(QPointF(50, 34), 17, 17);
    QPainterPath shoulders;
    shoulders.moveTo(18, 92);
    shoulders.cubicTo(18, 58, 82, 58, 82, 92);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    return placeholder;
}
