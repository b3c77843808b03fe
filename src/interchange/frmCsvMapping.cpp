// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmCsvMapping.h"
#include "language/ContentDirection.h"
#include "widgets/WidgetRules.h"

#include "language/modLanguage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The roles offered, in the order of the list.
const modCsv::Role Roles[] = {
    modCsv::Role::Ignore,      modCsv::Role::Name,         modCsv::Role::FirstName, modCsv::Role::LastName,
    modCsv::Role::DateOfBirth, modCsv::Role::Phone,        modCsv::Role::Email,     modCsv::Role::Address,
    modCsv::Role::Note,        modCsv::Role::Organisation, modCsv::Role::Title,     modCsv::Role::Nickname,
};

QString RoleText(modCsv::Role role)
{
    switch (role) {
    case modCsv::Role::Name:
        return T("Name");
    case modCsv::Role::FirstName:
        return T("First name");
    case modCsv::Role::LastName:
        return T("Last name");
    case modCsv::Role::DateOfBirth:
        return T("Date of birth");
    case modCsv::Role::Phone:
        return T("Number");
    case modCsv::Role::Email:
        return T("E-mail");
    case modCsv::Role::Address:
        return T("Address line");
    case modCsv::Role::Note:
        return T("Note");
    case modCsv::Role::Organisation:
        return T("Organisation");
    case modCsv::Role::Title:
        return T("Title");
    case modCsv::Role::Nickname:
        return T("Nickname");
    default:
        break;
    }
    return T("Ignore");
}

bool Described(modCsv::Role role)
{
    return role == modCsv::Role::Phone || role == modCsv::Role::Email;
}

} // namespace

frmCsvMapping::frmCsvMapping(const modCsv::Table& table, QWidget* parent)
    : QDialog(parent), m_guess(modCsv::GuessMapping(table.header))
{
    setObjectName(QStringLiteral("frmCsvMapping"));
    lblHint = new QLabel;
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setWordWrap(true);

    // Two rows of choices above the first rows of the file, column under column.
    const int columns = static_cast<int>(table.header.size());
    const int shown = qMin(PreviewRows, static_cast<int>(table.rows.size()));
    grdColumns = new QTableWidget(2 + shown, columns);
    grdColumns->setObjectName(QStringLiteral("grdColumns"));
    grdColumns->setHorizontalHeaderLabels(table.header);
    grdColumns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < columns; ++c) {
        auto* role = new QComboBox;
        role->setObjectName(QStringLiteral("cboRole%1").arg(c));
        for (const modCsv::Role r : Roles)
            role->addItem(QString(), static_cast<int>(r));
        role->setCurrentIndex(role->findData(static_cast<int>(m_guess[static_cast<size_t>(c)].role)));
        auto* description = new QLineEdit;
        description->setObjectName(QStringLiteral("txtDescription%1").arg(c));
        grdColumns->setCellWidget(0, c, role);
        grdColumns->setCellWidget(1, c, description);
        cboRole.push_back(role);
        txtDescription.push_back(description);
        connect(role, &QComboBox::currentIndexChanged, this, [this, c] { roleChanged(static_cast<size_t>(c)); });
        for (int r = 0; r < shown; ++r) {
            const QStringList& fields = table.rows[static_cast<size_t>(r)].fields;
            auto* item = new QTableWidgetItem(c < fields.size() ? fields.at(c).simplified() : QString());
            item->setToolTip(c < fields.size() ? fields.at(c) : QString());
            grdColumns->setItem(2 + r, c, item);
        }
    }
    for (int r = 0; r < shown; ++r)
        grdColumns->setVerticalHeaderItem(2 + r, new QTableWidgetItem(QString::number(table.rows[size_t(r)].line)));
    grdColumns->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    grdColumns->horizontalHeader()->setMinimumSectionSize(140);

    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { accept(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addWidget(grdColumns, 1);
    layout->addLayout(buttons);
    resize(760, 380);

    for (size_t c = 0; c < cboRole.size(); ++c)
        roleChanged(c);
    LoadLanguage();
    // Numbers, addresses and Latin names read in their own direction in a right-to-left window.
    ContentDirection::InstallOnViews(this);
}

void frmCsvMapping::LoadLanguage()
{
    setWindowTitle(T("Import"));
    lblHint->setText(T("Choose what each column holds") + QLatin1Char(':'));
    grdColumns->setVerticalHeaderItem(0, new QTableWidgetItem(T("Column")));
    grdColumns->setVerticalHeaderItem(1, new QTableWidgetItem(T("Description")));
    for (QComboBox* role : cboRole)
        for (int i = 0; i < role->count(); ++i)
            role->setItemText(i, RoleText(static_cast<modCsv::Role>(role->itemData(i).toInt())));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

void frmCsvMapping::roleChanged(size_t column)
{
    const auto role = static_cast<modCsv::Role>(cboRole[column]->currentData().toInt());
    txtDescription[column]->setEnabled(Described(role));
    updateOK();
}

void frmCsvMapping::updateOK()
{
    // Without a name no row could become a person.
    bool named = false;
    for (QComboBox* role : cboRole) {
        const auto r = static_cast<modCsv::Role>(role->currentData().toInt());
        // A company's row is named by its organisation.
        named = named || r == modCsv::Role::Name || r == modCsv::Role::FirstName || r == modCsv::Role::LastName ||
                r == modCsv::Role::Organisation;
    }
    cmdOK->setEnabled(named);
}

modCsv::Mapping frmCsvMapping::Mapping() const
{
    modCsv::Mapping mapping = m_guess;
    for (size_t c = 0; c < mapping.size(); ++c) {
        modCsv::Column& column = mapping[c];
        column.role = static_cast<modCsv::Role>(cboRole[c]->currentData().toInt());
        column.slot = column.role == modCsv::Role::Address ? 1 : 2000 + static_cast<int>(c);
        column.description = Described(column.role) ? txtDescription[c]->text().trimmed() : QString();
    }
    return mapping;
}
