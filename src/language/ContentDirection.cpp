// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ContentDirection.h"

#include <QAbstractItemView>
#include <QStyle>
#include <QWidget>

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

namespace ContentDirection {

QString Isolated(const QString& text)
{
    // The direction is chosen here rather than left to the first-strong isolate, which the
    // text engine does not resolve the same way everywhere.
    return QChar(text.isRightToLeft() ? 0x2067 : 0x2066) + text + QChar(0x2069);
}

QString LeftToRight(const QString& text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}

void InstallOnViews(QWidget* window)
{
    for (QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
        QAbstractItemDelegate* delegate = view->itemDelegate();
        if (!dynamic_cast<ContentDirectionDelegate*>(delegate) &&
            (!delegate || delegate->metaObject() == &QStyledItemDelegate::staticMetaObject))
            ContentDirectionDelegate::install(view);
    }
}

} // namespace ContentDirection
