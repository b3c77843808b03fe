// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ContentDirection.h"

#include <QAbstractItemView>
#include <QStringList>
#include <QStyle>
#include <QWidget>

#include <algorithm>

void ContentDirectionDelegate::install(QAbstractItemView* view)
{
    view->setItemDelegate(new ContentDirectionDelegate(view));
}

void ContentDirectionDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const Qt::LayoutDirection own =
        ContentDirection::LeadingValue(option->text).isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    if (own == Qt::RightToLeft || option->text.contains(QLatin1Char('\n')) ||
        option->text.contains(QChar::LineSeparator))
        option->text = ContentDirection::IsolatedLines(option->text, own);
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

namespace {

// Where the description in brackets at the end of an entry's line begins (its " ("), or
// -1 when the line has none.
qsizetype DescriptionStart(const QString& line)
{
    const qsizetype open = line.lastIndexOf(QStringLiteral(" ("));
    return open > 0 && line.endsWith(QLatin1Char(')')) ? open : -1;
}

} // namespace

QString LeadingValue(const QString& text)
{
    const auto lineEnd = std::find_if(text.cbegin(), text.cend(),
                                      [](QChar c) { return c == QLatin1Char('\n') || c == QChar::LineSeparator; });
    const QString line = text.left(lineEnd - text.cbegin());
    const qsizetype open = DescriptionStart(line);
    return open < 0 ? line : line.left(open);
}

QString IsolatedLines(const QString& text, Qt::LayoutDirection own)
{
    // An item's lines reach the delegate parted by line separators; the style draws either.
    QStringList lines = QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator).split(QChar::LineSeparator);
    for (QString& line : lines) {
        const qsizetype open = DescriptionStart(line);
        const bool described = open >= 0;
        const QString value = described ? line.left(open) : line;
        if (value.isEmpty() || (own == Qt::RightToLeft && value.isRightToLeft()))
            continue;
        line = described
                   ? Isolated(value) + QStringLiteral(" (") + Isolated(line.mid(open + 2).chopped(1)) + QLatin1Char(')')
                   : Isolated(value);
    }
    return lines.join(QChar::LineSeparator);
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
