// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

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

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
