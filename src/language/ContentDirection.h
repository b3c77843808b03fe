// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QStyledItemDelegate>

#include <QString>

class QAbstractItemView;
class QWidget;

// Draws each entry of a list in the writing direction of its own text, on the side the
// window's direction gives it. A phone number or a Latin address in a right-to-left
// window stays legible ("+31 20 555 (home)", not "(home) 555 20 31+") and still stands
// on the right.
class ContentDirectionDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Gives view a delegate of this kind, owned by the view.
    static void install(QAbstractItemView* view);

    // What an entry is drawn with: its own direction, the window's side.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// Texts of their own direction inside a line of another: a phone number, an e-mail
// address, a path or a Latin name in a right-to-left window.
namespace ContentDirection {

// The text as a unit that takes the direction of its own first letter (LRI or RLI ... PDI): "/tmp/a.mdb"
// stays whole and in order among Arabic words, and the line around it keeps its own direction.
QString Isolated(const QString& text);
// What an entry's direction follows: its first line without a description in brackets at
// its end, so that "+49 30 1234567 (منزل)" reads as a number does.
QString LeadingValue(const QString& text);
// An entry's lines with each value and description isolated, for an entry drawn right
// to left (own) or of several lines: a number, address or Latin name on any line stays
// whole and in order, "(Home) +49 30 1234567", not "(Home) 1234567 30 49+", and an Arabic
// description on one line does not turn the numbers of the next into Arabic numbers. In
// an entry drawn right to left, values of that direction are left as they are.
QString IsolatedLines(const QString& text, Qt::LayoutDirection own);
// The text as a unit written left to right whatever it holds (LRI ... PDI): "< Search result <".
QString LeftToRight(const QString& text);
// Gives every list, tree and table of the window the delegate of its entries' own direction;
// a view with a delegate of another kind keeps it.
void InstallOnViews(QWidget* window);

} // namespace ContentDirection
