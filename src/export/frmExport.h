// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/PersonMover.h"
#include "export/modExport.h"
#include "language/LanguageAware.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QRadioButton;
class frmMain;

// Choose persons, details and format for an export; OK writes it and shows its preview.
class frmExport : public QDialog, public LanguageAware, public PersonPicker
{
    Q_OBJECT

public:
    explicit frmExport(frmMain& mainWindow);
    void LoadLanguage() override;
    static void Open(frmMain& mainWindow);

    // The persons of the export list in its order, and the ticked details.
    modExport::Selection Selection() const;
    PersonMover* mover() const { return m_mover; }

    // The picker's controls (fraPerson, lvwList, cmdAddOne, ...) are inherited; the list
    // of chosen persons under its own name:
    QListView* lvwExport = nullptr;
    QGroupBox* fraDetails = nullptr;
    QCheckBox* chkName = nullptr;
    QCheckBox* chkDateofbirth = nullptr;
    QCheckBox* chkAddress = nullptr;
    QCheckBox* chkPhone = nullptr;
    QCheckBox* chkPhoneDescription = nullptr;
    QCheckBox* chkEmail = nullptr;
    QCheckBox* chkEmailDescription = nullptr;
    QCheckBox* chkNote = nullptr;
    QCheckBox* chkOrganisation = nullptr; // the organisation and job title
    QGroupBox* fraFormat = nullptr;
    QRadioButton* OptTxt = nullptr;
    QRadioButton* optHtml = nullptr;
    QRadioButton* optVcard = nullptr;
    QRadioButton* optCsv = nullptr;
    QComboBox* cboCsvLayout = nullptr; // Google, Outlook
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void fillList();
    void ok();

    frmMain& m_mainWindow;
    PersonMover* m_mover = nullptr;
};
