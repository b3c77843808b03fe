// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modLabels.h"

#include "database/modPersonView.h"

#include <cmath>

namespace modLabels {

namespace {

constexpr double Inch = 25.4;
const QSizeF A4(210, 297);
const QSizeF Letter(8.5 * Inch, 11 * Inch);

QString Number(double millimetres)
{
    return QString::number(millimetres, 'g', 4);
}

Sheet Make(const char* key, const char* pageName, QSizeF page, int columns, int rows, QSizeF label, double left,
           double top, double horizontalPitch, double verticalPitch, const QString& size)
{
    Sheet sheet;
    sheet.key = QString::fromLatin1(key);
    sheet.name = QString::fromLatin1(pageName) + QStringLiteral(", %1 × %2, ").arg(columns).arg(rows) + size;
    sheet.page = page;
    sheet.columns = columns;
    sheet.rows = rows;
    sheet.label = label;
    sheet.left = left;
    sheet.top = top;
    sheet.horizontalPitch = horizontalPitch;
    sheet.verticalPitch = verticalPitch;
    return sheet;
}

QString Millimetres(QSizeF size)
{
    return Number(size.width()) + QStringLiteral(" × ") + Number(size.height()) + QStringLiteral(" mm");
}

} // namespace

bool Sheet::Fits() const
{
    constexpr double Slack = 0.01;
    return columns >= 1 && rows >= 1 && label.width() > 0 && label.height() > 0 && left >= 0 && top >= 0 &&
           (columns == 1 || horizontalPitch + Slack >= label.width()) &&
           (rows == 1 || verticalPitch + Slack >= label.height()) &&
           left + (columns - 1) * horizontalPitch + label.width() <= page.width() + Slack &&
           top + (rows - 1) * verticalPitch + label.height() <= page.height() + Slack;
}

const std::vector<Sheet>& Sheets()
{
    static const std::vector<Sheet> sheets{
        Make("a4-3x7", "A4", A4, 3, 7, {63.5, 38.1}, 7.2, 15.15, 66.04, 38.1, Millimetres({63.5, 38.1})),
        Make("a4-3x8", "A4", A4, 3, 8, {64, 33.9}, 6.5, 12.9, 66.5, 33.9, Millimetres({64, 33.9})),
        Make("a4-2x7", "A4", A4, 2, 7, {99.1, 38.1}, 4.65, 15.15, 101.6, 38.1, Millimetres({99.1, 38.1})),
        Make("letter-3x10", "US Letter", Letter, 3, 10, {2.625 * Inch, 1 * Inch}, 0.1875 * Inch, 0.5 * Inch,
             2.75 * Inch, 1 * Inch, QStringLiteral("2.625 × 1 in")),
    };
    return sheets;
}

namespace {

// The entry of a table with that key; the first for an unknown key.
template <typename Entry> Entry ByKey(const std::vector<Entry>& table, const QString& key)
{
    for (const Entry& entry : table)
        if (entry.key == key)
            return entry;
    return table.front();
}

} // namespace

Sheet SheetOf(const QString& key)
{
    return ByKey(Sheets(), key);
}

const std::vector<Envelope>& Envelopes()
{
    static const std::vector<Envelope> envelopes = [] {
        std::vector<Envelope> list;
        const std::tuple<const char*, const char*, QSizeF> sizes[] = {
            {"dl", "DL", {220, 110}},
            {"c5", "C5", {229, 162}},
            {"c6", "C6", {162, 114}},
            {"us10", "US #10", {9.5 * Inch, 4.125 * Inch}},
        };
        for (const auto& [key, name, size] : sizes)
            list.push_back(
                {QString::fromLatin1(key), QString::fromLatin1(name) + QStringLiteral(", ") + Millimetres(size), size});
        return list;
    }();
    return envelopes;
}

Envelope EnvelopeOf(const QString& key)
{
    return ByKey(Envelopes(), key);
}

QRectF LabelRect(const Sheet& sheet, int position)
{
    const int column = position % sheet.columns;
    const int row = position / sheet.columns;
    return {sheet.left + column * sheet.horizontalPitch, sheet.top + row * sheet.verticalPitch, sheet.label.width(),
            sheet.label.height()};
}

std::vector<Placement> Place(const Sheet& sheet, int count, int firstPosition)
{
    std::vector<Placement> placements;
    const int perPage = sheet.LabelsPerPage();
    if (perPage <= 0)
        return placements;
    const int first = std::clamp(firstPosition, 1, perPage) - 1;
    placements.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const int slot = first + i;
        placements.push_back({slot / perPage, LabelRect(sheet, slot % perPage)});
    }
    return placements;
}

int PageCount(const Sheet& sheet, int count, int firstPosition)
{
    const std::vector<Placement> placements = Place(sheet, count, firstPosition);
    return placements.empty() ? 0 : placements.back().page + 1;
}

QRectF EnvelopeAddressRect(const QSizeF& envelope)
{
    const double left = envelope.width() * 0.42;
    const double top = envelope.height() * 0.42;
    return {left, top, envelope.width() - 15 - left, envelope.height() - 10 - top};
}

QRectF EnvelopeSenderRect(const QSizeF& envelope)
{
    return {10, 8, envelope.width() * 0.45 - 10, envelope.height() * 0.35 - 8};
}

QStringList AddressBlock(const modExport::ExportedPerson& person)
{
    QStringList lines;
    for (const QString& line : person.address.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    if (lines.isEmpty())
        return {};
    QStringList block{person.name};
    const QString work = modPersonView::WorkText(person.title.trimmed(), person.organisation.trimmed());
    if (!work.isEmpty())
        block << work;
    return block + lines;
}

} // namespace modLabels
