// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modLabels.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

// Address labels and envelopes on pages: for the preview, the printer and a PDF file alike.
namespace LabelPainter {

// What is printed on: a sheet of labels, or envelopes with an optional sender.
struct Layout
{
    bool envelopes = false;
    modLabels::Sheet sheet;
    modLabels::Envelope envelope;
    int firstPosition = 1; // on a sheet: the first free label, from 1
    QString sender;        // on an envelope: lines, printed small at the top left
    QFont font;            // the address's family and largest size
};

// The address lines of one person, with the name for messages.
struct Block
{
    QString name;
    QStringList lines;
};

// A block in the largest size from the layout's font down to modLabels::MinimumPointSize
// at which it fits the space; too long (overflow) when it does not fit even then.
struct Fitted
{
    QStringList lines;
    double pointSize = 0;
    bool overflow = false;
    bool rightToLeft = false; // laid out from the right, as its name reads
};
Fitted Fit(const QStringList& lines, const QFont& font, const QSizeF& space);

// The page the layout prints on, for the device.
void SetUpPage(QPagedPaintDevice& device, const Layout& layout);
int PageCount(const Layout& layout, int blocks);

// The names of the persons whose address does not fit even in the smallest size.
QStringList Overflowing(const Layout& layout, const std::vector<Block>& blocks);

// Prints every block on the device (made ready with SetUpPage), a label or an envelope
// each, in order; false when the device could not be painted on.
bool Paint(QPagedPaintDevice& device, const Layout& layout, const std::vector<Block>& blocks);

} // namespace LabelPainter
