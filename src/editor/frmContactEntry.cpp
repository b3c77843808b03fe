// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "editor/frmContactEntry.h"

#include "language/modLanguage.h"
#include "startup/modText.h"
#include "widgets/WidgetRules.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

// The widths of the columns the texts are stored in, so that saving never fails on a
// text too long.
constexpr int kNumberWidth = 50;
constexpr int kEmailWidth = 100;
constexpr int kDescriptionWidth = 100;

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

namespace EditorList {

QTreeWidgetItem* CurrentItem(const QTreeWidget* list)
{
    QTreeWidgetItem* item = list->currentItem();
    if (!item && list->topLevelItemCount() > 0)
        item = list->topLevelItem(0);
    return item;
}

modContact::Entry EntryOf(const QTreeWidgetItem* item)
{
    if (!item)
        return {};
    return {item->text(0), item->data(0, Qt::UserRole).toString()};
}

void SetEntry(QTreeWidgetItem* item, const modContact::Entry& entry)
{
    item->setText(0, entry.text);
    item->setToolTip(0, entry.text);
    item->setData(0, Qt::UserRole, entry.tag);
}

QTreeWidgetItem* AppendEntry(QTreeWidget* list, const modContact::Entry& entry)
{
    auto* item = new QTreeWidgetItem(list);
    SetEntry(item, entry);
    return item;
}

} // namespace EditorList

frmContactEntry::frmContactEntry(const QString& editorName, Kind kind, Mode mode, QTreeWidget* list, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_mode(mode), m_list(list)
{
    setObjectName(editorName + (kind == Kind::Phone ? QStringLiteral("Phone") : QStringLiteral("Email")) +
                  (mode == Mode::Add ? QStringLiteral("Add") : QStringLiteral("Edit")));
    setModal(true);

    QLabel* valueLabel = nullptr;
    QLineEdit* value = nullptr;
    if (kind == Kind::Phone) {
        valueLabel = lblNumber = Named(new QLabel(this), "lblNumber");
        value = txtNumber = Named(new QLineEdit(this), "txtNumber");
        value->setMaxLength(kNumberWidth);
    } else {
        valueLabel = lblEmail = Named(new QLabel(this), "lblEmail");
        value = txtEmail = Named(new QLineEdit(this), "txtEmail");
        value->setMaxLength(kEmailWidth);
    }
    lblDescription = Named(new QLabel(this), "lblDescription");
    txtDescription = Named(new QLineEdit(this), "txtDescription");
    txtDescription->setMaxLength(kDescriptionWidth);
    valueLabel->setBuddy(value);
    lblDescription->setBuddy(txtDescription);

    auto* grid = new QGridLayout(this);
    grid->addWidget(valueLabel, 0, 0);
    grid->addWidget(value, 0, 1);
    grid->addWidget(lblDescription, 1, 0);
    grid->addWidget(txtDescription, 1, 1);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { okClicked(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    grid->addLayout(buttons, 2, 0, 1, 2);
    value->setMinimumWidth(fontMetrics().averageCharWidth() * 36);

    connect(value, &QLineEdit::textChanged, this, &frmContactEntry::valueChanged);

    LoadLanguage();
    if (mode == Mode::Edit) {
        const modContact::Entry entry = EditorList::EntryOf(EditorList::CurrentItem(m_list));
        value->setText(modText::TrimBlanks(entry.tag));
        txtDescription->setText(modContact::DescriptionOf(entry.text, entry.tag));
    }
    valueChanged();
}

QLineEdit* frmContactEntry::valueBox() const
{
    return m_kind == Kind::Phone ? txtNumber : txtEmail;
}

void frmContactEntry::LoadLanguage()
{
    setWindowTitle(m_mode == Mode::Add ? T(QStringLiteral("Add")) : T(QStringLiteral("Edit")));
    if (lblNumber)
        lblNumber->setText(T(QStringLiteral("Number")));
    if (lblEmail)
        lblEmail->setText(T(QStringLiteral("E-mail")));
    lblDescription->setText(T(QStringLiteral("Description")));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
}

void frmContactEntry::valueChanged()
{
    const QString typed = valueBox()->text();
    cmdOK->setEnabled(m_kind == Kind::Phone ? modContact::NumberAcceptable(typed) : modContact::EmailAcceptable(typed));
}

void frmContactEntry::okClicked()
{
    if (!cmdOK->isEnabled())
        return;
    const modContact::Entry entry = modContact::TypedEntry(valueBox()->text(), txtDescription->text());
    QTreeWidgetItem* item = nullptr;
    if (m_mode == Mode::Add) {
        item = EditorList::AppendEntry(m_list, entry);
    } else {
        item = EditorList::CurrentItem(m_list);
        if (!item)
            item = EditorList::AppendEntry(m_list, entry);
        EditorList::SetEntry(item, entry);
    }
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    hide();
    m_list->setFocus();
    accept();
}
