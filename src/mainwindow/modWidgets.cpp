// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "mainwindow/modWidgets.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVariant>

namespace modWidgets {

namespace {

// Puts the cursor of an empty masked box on its first place after a click; a box that
// holds something keeps the place clicked.
class FirstPlaceOnClick : public QObject
{
public:
    explicit FirstPlaceOnClick(QLineEdit* box) : QObject(box), m_box(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_box && (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::FocusIn) &&
            IsEmpty(m_box) && !m_box->hasSelectedText())
            m_box->setCursorPosition(0);
        return false;
    }

private:
    // Nothing typed: the box shows only its separators and blanks.
    static bool IsEmpty(const QLineEdit* box)
    {
        for (const QChar c : box->text())
            if (c.isLetterOrNumber())
                return false;
        return true;
    }

    QLineEdit* m_box;
};

} // namespace

QPoint PopupPosition(const QWidget* widget, const QPoint& position)
{
    if (const auto* area = qobject_cast<const QAbstractScrollArea*>(widget))
        return area->viewport()->mapToGlobal(position);
    return widget->mapToGlobal(position);
}

int BoxWidthFor(const QLineEdit* box, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = box->rect();
    option.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QMargins margins = box->textMargins() + box->contentsMargins();
    // The box keeps a small inner margin on each side (two pixels in Qt's line edit), plus
    // one for the cursor.
    const int textWidth = box->fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + 2 * 2 + 1;
    const QSize size = box->style()->sizeFromContents(QStyle::CT_LineEdit, &option,
                                                      QSize(textWidth, box->fontMetrics().height()), box);
    return size.width();
}

QString WidestDate(const QLineEdit* box)
{
    QChar widest = QLatin1Char('0');
    for (char digit = '0'; digit <= '9'; ++digit)
        if (box->fontMetrics().horizontalAdvance(QLatin1Char(digit)) > box->fontMetrics().horizontalAdvance(widest))
            widest = QLatin1Char(digit);
    const QString two(2, widest);
    return two + QLatin1Char('/') + two + QLatin1Char('/') + QString(4, widest);
}

void FitDateBox(QLineEdit* box)
{
    box->setMinimumWidth(BoxWidthFor(box, WidestDate(box)));
}

void PrepareDateBox(QLineEdit* box, const QString& inputMask)
{
    box->setInputMask(inputMask);
    FitDateBox(box);
    // Once per box, however often the window prepares it.
    const char* const prepared = "addrionDateBox";
    if (box->property(prepared).toBool())
        return;
    box->setProperty(prepared, true);
    box->installEventFilter(new FirstPlaceOnClick(box));
}

} // namespace modWidgets
