// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QAbstractListModel>
#include <QHash>

#include <vector>

// One of the two person lists of the export and e-mail windows. Rows keep the rank
// they had in the full, name-ordered list, so a person moved back returns to its
// place. Moves work on many persons at once in one pass, so moving all of a full
// database is one model reset, not thousands of row removals.
class PersonListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    struct Entry
    {
        qint16 contactnr = 0;
        QString text;
        int rank = 0; // position in the full list
    };

    enum Role
    {
        KeyRole = Qt::UserRole + 1, // "Person  7"
        ContactnrRole,
    };

    using QAbstractListModel::QAbstractListModel;

    void setEntries(std::vector<Entry> entries);
    const std::vector<Entry>& entries() const { return m_entries; }
    bool contains(qint16 contactnr) const { return m_rows.contains(contactnr); }
    int rowOf(qint16 contactnr) const { return m_rows.value(contactnr, -1); }
    std::vector<qint16> contactnrs() const;

    // Removes the persons named (those present, each once) and hands them back in the
    // order asked for.
    std::vector<Entry> take(const std::vector<qint16>& contactnrs);
    std::vector<Entry> takeAll();
    // Adds persons after the last row, in the order given.
    void append(std::vector<Entry> entries);
    // Adds persons at the places their ranks give them.
    void insertByRank(std::vector<Entry> entries);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void reindex();

    std::vector<Entry> m_entries;
    QHash<qint16, int> m_rows;
};
