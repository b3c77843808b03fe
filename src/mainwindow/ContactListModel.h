// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "mainwindow/modList.h"

#include <QAbstractTableModel>

// The rows of the contact list: one column with the person's name. Rebuilt whole on
// every fill, so a full database of 32767 persons costs one reset, not 32767 items.
class ContactListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role
    {
        KeyRole = Qt::UserRole + 1, // "Person  7"
        ContactnrRole,
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<modList::ContactRow> rows);
    void clear() { setRows({}); }
    const modList::ContactRow& contact(int row) const { return m_rows.at(static_cast<size_t>(row)); }
    // The row whose key is key, or -1.
    int rowOfKey(const QString& key) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<modList::ContactRow> m_rows;
};
