// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "PersonListModel.h"

#include "startup/modText.h"

#include <algorithm>

void PersonListModel::setEntries(std::vector<Entry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    reindex();
    endResetModel();
}

void PersonListModel::reindex()
{
    m_rows.clear();
    m_rows.reserve(static_cast<int>(m_entries.size()));
    for (size_t row = 0; row < m_entries.size(); ++row)
        m_rows.insert(m_entries[row].contactnr, static_cast<int>(row));
}

std::vector<qint16> PersonListModel::contactnrs() const
{
    std::vector<qint16> numbers;
    numbers.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        numbers.push_back(entry.contactnr);
    return numbers;
}

std::vector<PersonListModel::Entry> PersonListModel::take(const std::vector<qint16>& contactnrs)
{
    std::vector<Entry> taken;
    QHash<qint16, bool> wanted;
    for (const qint16 contactnr : contactnrs)
        if (m_rows.contains(contactnr) && !wanted.contains(contactnr)) {
            wanted.insert(contactnr, true);
            taken.push_back(m_entries[static_cast<size_t>(m_rows.value(contactnr))]);
        }
    if (taken.empty())
        return taken;
    beginResetModel();
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [&wanted](const Entry& entry) { return wanted.contains(entry.contactnr); }),
                    m_entries.end());
    reindex();
    endResetModel();
    return taken;
}

std::vector<PersonListModel::Entry> PersonListModel::takeAll()
{
    beginResetModel();
    std::vector<Entry> taken = std::move(m_entries);
    m_entries.clear();
    m_rows.clear();
    endResetModel();
    return taken;
}

void PersonListModel::append(std::vector<Entry> entries)
{
    if (entries.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    // Room made once: moving all of a full database in grows the lists only once.
    m_entries.reserve(m_entries.size() + entries.size());
    m_rows.reserve(static_cast<qsizetype>(m_entries.size() + entries.size()));
    for (Entry& entry : entries) {
        m_rows.insert(entry.contactnr, static_cast<int>(m_entries.size()));
        m_entries.push_back(std::move(entry));
    }
    endInsertRows();
}

void PersonListModel::insertByRank(std::vector<Entry> entries)
{
    if (entries.empty())
        return;
    auto byRank = [](const Entry& a, const Entry& b) { return a.rank < b.rank; };
    std::sort(entries.begin(), entries.end(), byRank);
    beginResetModel();
    std::vector<Entry> merged;
    merged.reserve(m_entries.size() + entries.size());
    std::merge(std::make_move_iterator(m_entries.begin()), std::make_move_iterator(m_entries.end()),
               std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()),
               std::back_inserter(merged), byRank);
    m_entries = std::move(merged);
    reindex();
    endResetModel();
}

int PersonListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant PersonListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Entry& entry = m_entries[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return entry.text;
    case KeyRole:
        return modText::ContactKey(entry.contactnr);
    case ContactnrRole:
        return int(entry.contactnr);
    default:
        return {};
    }
}
