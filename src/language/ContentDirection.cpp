// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ContentDirection.h"

#include <QAbstractItemView>
#include <QStyle>

void ContentDirectionDelegate::install(QAbstractItemView* view)
{
    view->setItemDelegate(new ContentDirectionDelegate(view));
}

void ContentDirectionDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const Qt::LayoutDirection own = option->text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    if (own == option->direction)
        return;
    // The side stays the window's; only the order of the characters is the text's own.
    option->displayAlignment = QStyle::visualAlignment(option->direction, option->displayAlignment) | Qt::AlignAbsolute;
    option->direction = own;
}
