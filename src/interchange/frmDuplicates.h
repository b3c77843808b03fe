// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "interchange/modDuplicates.h"
#include "language/LanguageAware.h"

#include <QDialog>
#include <QHash>

#include <vector>

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class frmMain;

// Person > Find duplicates...: the groups of persons that are probably one, each shown
// side by side with its reason; ticked groups are merged into the person chosen to be
// kept. The last merge can be undone until the window closes.
class frmDuplicates : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmDuplicates(frmMain& mainWindow);
    void LoadLanguage() override;
    static void Open(frmMain& mainWindow);

    // The groups shown, in the list's order.
    const std::vector<modDuplicates::Group>& groups() const { return m_groups; }
    // Makes the person at position index of the current group the one kept.
    void SetKept(int index);

    QLabel* lblGroups = nullptr;
    QListWidget* lstGroups = nullptr;
    QLabel* lblReason = nullptr;
    QTableWidget* grdPersons = nullptr;
    QPushButton* cmdMerge = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    void find();
    void showGroup();
    void merge();
    void undo();
    void updateButtons();

    frmMain& m_mainWindow;
    std::vector<modDuplicates::Group> m_groups;
    QHash<qint16, QString> m_names;
    std::vector<int> m_kept; // per group, the position of the kept person
    // Per group, the persons the user left out of the merge, by position.
    std::vector<std::vector<bool>> m_leftOut;
    QButtonGroup* m_keep = nullptr;
    modDuplicates::Undo m_undo;
};
