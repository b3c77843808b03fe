// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "LabelPainter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace LabelPainter {

namespace {

constexpr double Inch = 25.4;
// Text is measured at this resolution, whatever it is printed at: the same sizes on
// screen, paper and in a file.
constexpr int MeasuringDpi = 1200;

const QPaintDevice& MeasuringDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(static_cast<int>(MeasuringDpi / Inch * 1000));
        image.setDotsPerMeterY(static_cast<int>(MeasuringDpi / Inch * 1000));
        return image;
    }();
    return device;
}

double Millimetres(double pixels)
{
    return pixels * Inch / MeasuringDpi;
}

QSizeF PageSize(const Layout& layout)
{
    return layout.envelopes ? layout.envelope.size : layout.sheet.page;
}

QRectF Inner(const QRectF& rect)
{
    return rect.adjusted(modLabels::LabelPadding, modLabels::LabelPadding, -modLabels::LabelPadding,
                         -modLabels::LabelPadding);
}

QFont Sized(QFont font, double pointSize)
{
    font.setPointSizeF(pointSize);
    return font;
}

// Draws the block in the rectangle (millimetres) on a device of that many dots an inch:
// from the top, or in the middle of the height.
void Draw(QPainter& painter, double dpi, const QRectF& rect, const Fitted& block, const QFont& font, bool middle)
{
    const double scale = dpi / Inch;
    const QRectF area(rect.left() * scale, rect.top() * scale, rect.width() * scale, rect.height() * scale);
    const QFont sized = Sized(font, block.pointSize);
    painter.setFont(sized);
    const QFontMetricsF metrics(sized, painter.device());
    const double height = metrics.lineSpacing() * static_cast<double>(block.lines.size());
    double top = area.top() + (middle ? std::max(0.0, (area.height() - height) / 2) : 0.0);
    QTextOption option(Qt::AlignTop | Qt::AlignAbsolute | (block.rightToLeft ? Qt::AlignRight : Qt::AlignLeft));
    option.setTextDirection(block.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    option.setWrapMode(QTextOption::NoWrap);
    painter.save();
    // An address too long even in the smallest size stays inside its label.
    painter.setClipRect(area);
    for (const QString& line : block.lines) {
        painter.drawText(QRectF(area.left(), top, area.width(), metrics.lineSpacing()), line, option);
        top += metrics.lineSpacing();
    }
    painter.restore();
}

QSizeF AddressSpace(const Layout& layout)
{
    return layout.envelopes ? modLabels::EnvelopeAddressRect(layout.envelope.size).size()
                            : Inner(QRectF(QPointF(), layout.sheet.label)).size();
}

} // namespace

Fitted Fit(const QStringList& lines, const QFont& font, const QSizeF& space)
{
    Fitted fitted;
    fitted.lines = lines;
    // As its first letter reads, whichever line holds it.
    fitted.rightToLeft = lines.join(QLatin1Char('\n')).isRightToLeft();
    const double largest = std::max(font.pointSizeF(), modLabels::MinimumPointSize);
    for (double size = largest; size >= modLabels::MinimumPointSize - 0.01; size -= 0.5) {
        const QFontMetricsF metrics(Sized(font, size), &MeasuringDevice());
        double widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const double height = metrics.lineSpacing() * static_cast<double>(lines.size());
        fitted.pointSize = size;
        if (Millimetres(widest) <= space.width() && Millimetres(height) <= space.height())
            return fitted;
    }
    fitted.overflow = true;
    return fitted;
}

void SetUpPage(QPagedPaintDevice& device, const Layout& layout)
{
    const QSizeF size = PageSize(layout);
    const bool landscape = size.width() > size.height();
    const QPageSize page(landscape ? size.transposed() : size, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    device.setPageLayout(QPageLayout(page, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

int PageCount(const Layout& layout, int blocks)
{
    return layout.envelopes ? blocks : modLabels::PageCount(layout.sheet, blocks, layout.firstPosition);
}

QStringList Overflowing(const Layout& layout, const std::vector<Block>& blocks)
{
    QStringList names;
    const QSizeF space = AddressSpace(layout);
    for (const Block& block : blocks)
        if (Fit(block.lines, layout.font, space).overflow)
            names << block.name;
    return names;
}

bool Paint(QPagedPaintDevice& device, const Layout& layout, const std::vector<Block>& blocks)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double dpi = device.logicalDpiX();
    const QSizeF space = AddressSpace(layout);
    if (layout.envelopes) {
        const QStringList senderLines = layout.sender.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QFont small = layout.font;
        small.setPointSizeF(std::max(modLabels::MinimumPointSize, layout.font.pointSizeF() * 0.75));
        const Fitted sender = Fit(senderLines, small, modLabels::EnvelopeSenderRect(layout.envelope.size).size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            if (i > 0 && !device.newPage())
                return false;
            if (!senderLines.isEmpty())
                Draw(painter, dpi, modLabels::EnvelopeSenderRect(layout.envelope.size), sender, small, false);
            Draw(painter, dpi, modLabels::EnvelopeAddressRect(layout.envelope.size),
                 Fit(blocks[i].lines, layout.font, space), layout.font, false);
        }
        return painter.end();
    }
    const std::vector<modLabels::Placement> places =
        modLabels::Place(layout.sheet, static_cast<int>(blocks.size()), layout.firstPosition);
    int page = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        for (; page < places[i].page; ++page)
            if (!device.newPage())
                return false;
        Draw(painter, dpi, Inner(places[i].rect), Fit(blocks[i].lines, layout.font, space), layout.font, true);
    }
    return painter.end();
}

} // namespace LabelPainter
