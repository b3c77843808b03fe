// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "widgets/WidgetRules.h"

#include "language/modLanguage.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVariant>

#include <functional>
#include <numeric>
#include <vector>

namespace WidgetRules {

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

OkCancel AddOkCancel(QDialog* dialog, QBoxLayout* line, const std::function<void()>& accepted, EnterKey enter)
{
    OkCancel buttons;
    buttons.ok = new QPushButton;
    buttons.ok->setObjectName(QStringLiteral("cmdOK"));
    buttons.ok->setDefault(enter == EnterKey::PressesOk);
    buttons.cancel = new QPushButton;
    buttons.cancel->setObjectName(QStringLiteral("cmdCancel"));
    line->addStretch();
    line->addWidget(buttons.ok);
    line->addWidget(buttons.cancel);
    QObject::connect(buttons.ok, &QPushButton::clicked, dialog, accepted);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}

void TranslateOkCancel(const OkCancel& buttons)
{
    buttons.ok->setText(T("OK"));
    buttons.cancel->setText(T("Cancel"));
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

namespace {

// The position of a text's access key, -1 without one.
qsizetype KeyAt(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return i + 1;
        ++i;
    }
    return -1;
}

} // namespace

namespace {

// The places of a text that can take its key, in the order preferred: word starts, then
// any other letter or digit.
std::vector<qsizetype> Candidates(const QString& text)
{
    std::vector<qsizetype> places;
    for (int pass = 0; pass < 2; ++pass)
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
            if (text.at(i).isLetterOrNumber() && (pass == 0) == wordStart)
                places.push_back(i);
        }
    return places;
}

QString Folded(QChar c)
{
    return QString(c).toCaseFolded();
}

// Gives text `index` a key, taking it from another text that can move to one of its
// other letters when all of its own are taken (a path of such moves, as far as needed).
bool Assign(qsizetype index, const QStringList& texts, std::vector<qsizetype>& place, QHash<QString, qsizetype>& owner,
            QSet<qsizetype>& visited)
{
    for (const qsizetype at : Candidates(texts.at(index))) {
        const QString key = Folded(texts.at(index).at(at));
        const qsizetype holder = owner.value(key, -1);
        if (holder == -2 || visited.contains(holder))
            continue;
        if (holder >= 0) {
            visited.insert(holder);
            if (!Assign(holder, texts, place, owner, visited))
                continue;
        }
        owner.insert(key, index);
        place[static_cast<size_t>(index)] = at;
        return true;
    }
    return false;
}

} // namespace

QStringList WithAccessKeys(const QStringList& texts)
{
    // -2: a key a text has already; else the text holding it.
    QHash<QString, qsizetype> owner;
    for (const QString& text : texts)
        if (const qsizetype at = KeyAt(text); at >= 0)
            owner.insert(Folded(text.at(at)), -2);
    // The texts with fewest letters choose first: "CSV" has three, "Description" many more.
    std::vector<qsizetype> order;
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (KeyAt(texts.at(i)) < 0)
            order.push_back(i);
    const auto letters = [&texts](qsizetype i) {
        QSet<QString> distinct;
        for (const QChar c : texts.at(i))
            if (c.isLetterOrNumber())
                distinct.insert(Folded(c));
        return distinct.size();
    };
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) { return letters(a) < letters(b); });
    std::vector<qsizetype> place(static_cast<size_t>(texts.size()), -1);
    for (const qsizetype index : order) {
        // First without moving anyone, then as the last resort by moving others along.
        bool placed = false;
        for (const qsizetype at : Candidates(texts.at(index)))
            if (!owner.contains(Folded(texts.at(index).at(at)))) {
                owner.insert(Folded(texts.at(index).at(at)), index);
                place[static_cast<size_t>(index)] = at;
                placed = true;
                break;
            }
        QSet<qsizetype> visited{index};
        if (!placed)
            Assign(index, texts, place, owner, visited);
    }
    QStringList keyed = texts;
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (place[static_cast<size_t>(i)] >= 0)
            keyed[i].insert(place[static_cast<size_t>(i)], QLatin1Char('&'));
    return keyed;
}

void GiveAccessKeys(QWidget* window)
{
    // Each control with a text of its own, and how to read and set it.
    struct Control
    {
        std::function<QString()> get;
        std::function<void(const QString&)> set;
    };
    std::vector<Control> controls;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (!qobject_cast<QToolButton*>(button) && !button->text().isEmpty())
            controls.push_back(
                {[button] { return button->text(); }, [button](const QString& text) { button->setText(text); }});
    for (QGroupBox* frame : window->findChildren<QGroupBox*>())
        if (!frame->title().isEmpty())
            controls.push_back(
                {[frame] { return frame->title(); }, [frame](const QString& text) { frame->setTitle(text); }});
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy() && !label->text().isEmpty())
            controls.push_back(
                {[label] { return label->text(); }, [label](const QString& text) { label->setText(text); }});
    QStringList texts;
    for (const Control& control : controls)
        texts << control.get();
    const QStringList keyed = WithAccessKeys(texts);
    for (size_t i = 0; i < controls.size(); ++i)
        if (keyed.at(static_cast<qsizetype>(i)) != texts.at(static_cast<qsizetype>(i)))
            controls[i].set(keyed.at(static_cast<qsizetype>(i)));
}

} // namespace WidgetRules
