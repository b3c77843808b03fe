// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ContactListModel.h"

#include "language/modLanguage.h"

#include "startup/modText.h"

void ContactListModel::setRows(std::vector<modList::ContactRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int ContactListModel::rowOfKey(const QString& key) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (modText::ContactKey(m_rows[i].contactnr) == key)
            return static_cast<int>(i);
    return -1;
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ContactListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const modList::ContactRow& row = contact(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.name;
    case KeyRole:
        return modText::ContactKey(row.contactnr);
    case ContactnrRole:
        return int(row.contactnr);
    default:
        return {};
    }
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == 0)
        return T("Name");
    return {};
}
