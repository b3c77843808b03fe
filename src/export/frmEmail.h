// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/PersonMover.h"
#include "language/LanguageAware.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QMenu;
class QAction;
class QRadioButton;
class frmMain;

// The e-mail address list: choose persons, get their first addresses as one line to
// copy or hand to the mail program.
class frmEmail : public QDialog, public LanguageAware, public PersonPicker
{
    Q_OBJECT

public:
    explicit frmEmail(frmMain& mainWindow);
    void LoadLanguage() override;
    static void Open(frmMain& mainWindow);

    // The address list as it is now.
    QString AddressList() const;
    PersonMover* mover() const { return m_mover; }

    // The picker's controls (fraPerson, lvwList, cmdAddOne, ...) are inherited; the list
    // of chosen persons under its own name:
    QListView* lvwEmail = nullptr;
    QGroupBox* fraFormat = nullptr;
    QRadioButton* optColon = nullptr;
    QRadioButton* optSemicolon = nullptr;
    QGroupBox* fraList = nullptr;
    QLineEdit* txtList = nullptr;
    QMenu* mnuPopupList = nullptr;
    QAction* mnuPopupListCopy = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void rebuildList();
    void separatorChosen();
    void copy();
    void ok();

    frmMain& m_mainWindow;
    PersonMover* m_mover = nullptr;
};
