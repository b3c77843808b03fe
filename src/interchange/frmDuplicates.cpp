// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmDuplicates.h"
#include "language/ContentDirection.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include "database/modPersonView.h"
#include "database/modSql.h"
#include "interchange/modMerge.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/modSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Row
{
    KeepRow,
    MergeRow,  // whether the person is merged with the others, or left out
    ReasonRow, // why the person matches the group's first
    NameRow,
    BornRow,
    PhonesRow,
    EmailsRow,
    AddressRow,
    NoteRow,
    RowCount,
};

QString Entries(const std::vector<modExport::Entry>& entries)
{
    QStringList lines;
    for (const modExport::Entry& entry : entries)
        lines << modExport::EntryText(entry, true);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

frmDuplicates::frmDuplicates(frmMain& mainWindow) : QDialog(&mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmDuplicates"));
    lblGroups = new QLabel;
    lblGroups->setObjectName(QStringLiteral("lblGroups"));
    lstGroups = new QListWidget;
    lstGroups->setObjectName(QStringLiteral("lstGroups"));
    // A long pair of names wraps instead of being cut off.
    lstGroups->setWordWrap(true);
    lstGroups->setTextElideMode(Qt::ElideNone);
    lblReason = new QLabel;
    lblReason->setObjectName(QStringLiteral("lblReason"));
    lblReason->setWordWrap(true);
    grdPersons = new QTableWidget(RowCount, 0);
    grdPersons->setObjectName(QStringLiteral("grdPersons"));
    grdPersons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPersons->setWordWrap(true);
    grdPersons->horizontalHeader()->hide();
    grdPersons->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdPersons->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_keep = new QButtonGroup(this);
    cmdMerge = new QPushButton;
    cmdMerge->setObjectName(QStringLiteral("cmdMerge"));
    cmdUndo = new QPushButton;
    cmdUndo->setObjectName(QStringLiteral("cmdUndo"));
    cmdClose = new QPushButton;
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* left = new QVBoxLayout;
    left->addWidget(lblGroups);
    left->addWidget(lstGroups, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(lblReason);
    right->addWidget(grdPersons, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdMerge);
    buttons->addWidget(cmdUndo);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(900, 520);

    connect(lstGroups, &QListWidget::currentRowChanged, this, &frmDuplicates::showGroup);
    connect(lstGroups, &QListWidget::itemChanged, this, &frmDuplicates::updateButtons);
    connect(m_keep, &QButtonGroup::idClicked, this, &frmDuplicates::SetKept);
    connect(cmdMerge, &QPushButton::clicked, this, &frmDuplicates::merge);
    connect(cmdUndo, &QPushButton::clicked, this, &frmDuplicates::undo);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    LoadLanguage();
    find();
    // Numbers, addresses and Latin names read in their own direction in a right-to-left window.
    ContentDirection::InstallOnViews(this);
}

void frmDuplicates::LoadLanguage()
{
    setWindowTitle(T("Find duplicates"));
    lblGroups->setText(T("Persons that are probably one") + QLatin1Char(':'));
    grdPersons->setVerticalHeaderLabels({T("Keep"), T("Merge"), T("Reason"), T("Name"), T("Date of birth"),
                                         T("Numbers"), T("E-mail"), T("Address"), T("Note")});
    for (QAbstractButton* keep : m_keep->buttons())
        keep->setText(T("Keep"));
    cmdMerge->setText(T("Merge"));
    cmdUndo->setText(T("Undo"));
    cmdClose->setText(T("&Close"));
    // The list's texts and the reason are in the language too.
    const int current = lstGroups->currentRow();
    for (int i = 0; i < lstGroups->count(); ++i) {
        const modDuplicates::Group& group = m_groups[static_cast<size_t>(i)];
        QStringList names;
        for (const qint16 contactnr : group.contactnrs)
            names << m_names.value(contactnr);
        lstGroups->item(i)->setText(names.join(QStringLiteral(" / ")));
        lstGroups->item(i)->setToolTip(modDuplicates::ReasonText(group.reasons));
    }
    if (current >= 0)
        showGroup();
    else
        lblReason->setText(m_groups.empty() ? T("No duplicates found") : QString());
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

void frmDuplicates::find()
{
    m_groups.clear();
    m_names.clear();
    try {
        modDuplicates::Found found = modDuplicates::FindInDatabase();
        m_groups = std::move(found.groups);
        m_names = std::move(found.names);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
    m_kept.assign(m_groups.size(), 0);
    m_leftOut.clear();
    for (const modDuplicates::Group& group : m_groups)
        m_leftOut.emplace_back(group.contactnrs.size(), false);
    const QSignalBlocker blocker(lstGroups);
    lstGroups->clear();
    for (size_t i = 0; i < m_groups.size(); ++i) {
        auto* item = new QListWidgetItem(lstGroups);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    LoadLanguage();
    lstGroups->setCurrentRow(m_groups.empty() ? -1 : 0);
    showGroup();
    updateButtons();
}

void frmDuplicates::showGroup()
{
    for (QAbstractButton* keep : m_keep->buttons())
        m_keep->removeButton(keep);
    const int row = lstGroups->currentRow();
    if (row < 0 || row >= static_cast<int>(m_groups.size())) {
        grdPersons->setColumnCount(0);
        lblReason->setText(m_groups.empty() ? T("No duplicates found") : QString());
        return;
    }
    const modDuplicates::Group& group = m_groups[static_cast<size_t>(row)];
    lblReason->setText(modDuplicates::ReasonText(group.reasons));
    grdPersons->clearContents();
    grdPersons->setColumnCount(static_cast<int>(group.contactnrs.size()));
    const QString dateFormat = modSettings::Get(Setting::DateFormat);
    for (int column = 0; column < grdPersons->columnCount(); ++column) {
        const modVcard::Person person = modMerge::ReadPerson(group.contactnrs[static_cast<size_t>(column)]);
        auto* keep = new QRadioButton(T("Keep"));
        keep->setObjectName(QStringLiteral("optKeep%1").arg(column));
        m_keep->addButton(keep, column);
        keep->setChecked(column == m_kept[static_cast<size_t>(row)]);
        grdPersons->setCellWidget(KeepRow, column, keep);
        // Any person can be left out; the kept one is always merged into.
        auto* join = new QCheckBox(T("Merge"));
        join->setObjectName(QStringLiteral("chkMerge%1").arg(column));
        join->setChecked(!m_leftOut[static_cast<size_t>(row)][static_cast<size_t>(column)]);
        join->setEnabled(column != m_kept[static_cast<size_t>(row)]);
        connect(join, &QCheckBox::toggled, this, [this, row, column](bool merged) {
            m_leftOut[static_cast<size_t>(row)][static_cast<size_t>(column)] = !merged;
        });
        grdPersons->setCellWidget(MergeRow, column, join);
        const int reasons = group.memberReasons[static_cast<size_t>(column)];
        grdPersons->setItem(
            ReasonRow, column,
            new QTableWidgetItem(column == 0 ? T("Compared with") : modDuplicates::ReasonText(reasons)));
        const QString texts[] = {person.name,
                                 person.dateOfBirth ? modPersonView::FormatDate(*person.dateOfBirth, dateFormat)
                                                    : QString(),
                                 Entries(person.phones),
                                 Entries(person.emails),
                                 person.address.trimmed(),
                                 person.note.trimmed()};
        for (int r = NameRow; r < RowCount; ++r)
            grdPersons->setItem(r, column, new QTableWidgetItem(texts[r - NameRow]));
    }
}

void frmDuplicates::SetKept(int index)
{
    const int row = lstGroups->currentRow();
    if (row < 0 || index < 0 || index >= grdPersons->columnCount())
        return;
    m_kept[static_cast<size_t>(row)] = index;
    // The kept person is merged into, whatever was ticked for it.
    m_leftOut[static_cast<size_t>(row)][static_cast<size_t>(index)] = false;
    if (QAbstractButton* keep = m_keep->button(index))
        keep->setChecked(true);
    for (int column = 0; column < grdPersons->columnCount(); ++column)
        if (auto* join = qobject_cast<QCheckBox*>(grdPersons->cellWidget(MergeRow, column))) {
            join->setEnabled(column != index);
            if (column == index)
                join->setChecked(true);
        }
}

void frmDuplicates::updateButtons()
{
    bool ticked = false;
    for (int i = 0; i < lstGroups->count(); ++i)
        ticked = ticked || lstGroups->item(i)->checkState() == Qt::Checked;
    cmdMerge->setEnabled(ticked);
    cmdUndo->setEnabled(!m_undo.empty());
}

void frmDuplicates::merge()
{
    std::vector<modDuplicates::Merge> merges;
    for (int i = 0; i < lstGroups->count(); ++i) {
        if (lstGroups->item(i)->checkState() != Qt::Checked)
            continue;
        const modDuplicates::Group& group = m_groups[static_cast<size_t>(i)];
        const size_t kept = static_cast<size_t>(m_kept[static_cast<size_t>(i)]);
        modDuplicates::Merge merge;
        merge.kept = group.contactnrs[kept];
        for (size_t p = 0; p < group.contactnrs.size(); ++p)
            if (p != kept && !m_leftOut[static_cast<size_t>(i)][p])
                merge.others.push_back(group.contactnrs[p]);
        if (!merge.others.empty())
            merges.push_back(merge);
    }
    if (merges.empty())
        return;
    try {
        m_undo = modDuplicates::MergeGroups(merges, modSettings::Get(Setting::DateFormat));
    } catch (const Engine::EngineError& error) {
        // Rolled back: the database is as it was.
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    m_mainWindow.FillContactList();
    find();
}

void frmDuplicates::undo()
{
    if (m_undo.empty())
        return;
    try {
        modDuplicates::UndoMerge(m_undo);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    m_undo = {};
    m_mainWindow.FillContactList();
    find();
}

void frmDuplicates::Open(frmMain& mainWindow)
{
    frmDuplicates window(mainWindow);
    window.exec();
}
