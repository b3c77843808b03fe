// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modExport.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

// Address labels and envelopes without a window: the sheets and envelopes on offer,
// where each label of a sheet lies, which page and place each person's label takes, and
// the lines of an address block. Every length is in millimetres, from the top left
// corner of the page.
namespace modLabels {

// A sheet of labels: the page, the grid, the first label's corner and the distance from
// one label to the next (the label's size and the gap between two).
struct Sheet
{
    QString key;  // the settings' name for it; "custom" for numbers of the user's
    QString name; // as listed: "A4, 3 × 7, 63.5 × 38.1 mm"
    QSizeF page;
    int columns = 1;
    int rows = 1;
    double top = 0;
    double left = 0;
    QSizeF label;
    double horizontalPitch = 0;
    double verticalPitch = 0;

    int LabelsPerPage() const { return columns * rows; }
    // Whether every label lies on the page and none overlaps the next.
    bool Fits() const;
};

// The common sheets: A4 3 × 7, A4 3 × 8, A4 2 × 7, US Letter 3 × 10.
const std::vector<Sheet>& Sheets();
// The sheet of that key; the first sheet for an unknown key.
Sheet SheetOf(const QString& key);

struct Envelope
{
    QString key;
    QString name; // "DL, 220 × 110 mm"
    QSizeF size;  // landscape: wider than high
};
// DL, C5, C6 and US #10.
const std::vector<Envelope>& Envelopes();
Envelope EnvelopeOf(const QString& key);

// Where the label at a position (from 0, row by row) of a page lies.
QRectF LabelRect(const Sheet& sheet, int position);

// The page and rectangle of every one of count labels, the first at firstPosition (from
// 1, to fill a sheet used in part) on the first page.
struct Placement
{
    int page = 0;
    QRectF rect;
};
std::vector<Placement> Place(const Sheet& sheet, int count, int firstPosition);
int PageCount(const Sheet& sheet, int count, int firstPosition);

// Where an envelope takes the address (the lower right part, clear of the edges) and
// the sender's lines (the top left corner).
QRectF EnvelopeAddressRect(const QSizeF& envelope);
QRectF EnvelopeSenderRect(const QSizeF& envelope);

// The lines of a person's address block: the name, the title and organisation when the
// person has them, then the address lines without empty ones. Empty for a person without
// an address: no label is made for it.
QStringList AddressBlock(const modExport::ExportedPerson& person);

// The text inside a label keeps this distance to its edges.
constexpr double LabelPadding = 2.5;
// The smallest type an address is shrunk to before it counts as too long, in points.
constexpr double MinimumPointSize = 6;

} // namespace modLabels
