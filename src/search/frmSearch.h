// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"
#include "search/SearchBuilder.h"
#include "startup/SettingsKeys.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmMain;

// The search window: a criterion per field, each an operator list and a value box.
// OK puts the search in force in the main window's list.
class frmSearch : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmSearch(frmMain& mainWindow);

    void LoadLanguage() override;
    // The criteria as the controls hold them now.
    SearchBuilder::Criteria Criteria() const;
    bool SearchApplied() const { return m_applied; }

    // Opens the window modally over the main window.
    static void Open(frmMain& mainWindow);

    QGroupBox* fraFullname = nullptr;
    QLineEdit* txtFullname = nullptr;
    QComboBox* cboFullname = nullptr;
    QGroupBox* fraDateofbirth = nullptr;
    QLineEdit* txtDate = nullptr;
    QLabel* lblSplit = nullptr;
    QLineEdit* txtDate2 = nullptr;
    QLabel* lblDateFormat = nullptr;
    QComboBox* cboDate = nullptr;
    QGroupBox* fraPhone = nullptr;
    QLineEdit* txtPhone = nullptr;
    QComboBox* cboPhone = nullptr;
    QGroupBox* fraEmail = nullptr;
    QLineEdit* txtEmail = nullptr;
    QComboBox* cboEmail = nullptr;
    QGroupBox* fraAddress = nullptr;
    QLineEdit* txtAddress = nullptr;
    QComboBox* cboAddress = nullptr;
    QGroupBox* fraNote = nullptr;
    QLineEdit* txtNote = nullptr;
    QComboBox* cboNote = nullptr;
    QGroupBox* fraOrganisation = nullptr;
    QLineEdit* txtOrganisation = nullptr;
    QComboBox* cboOrganisation = nullptr;
    QGroupBox* fraTitle = nullptr;
    QLineEdit* txtTitle = nullptr;
    QComboBox* cboTitle = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void done(int result) override;

private:
    struct OperatorList
    {
        QComboBox* list;
        Setting setting;     // keeps the chosen index
        QStringList entries; // the English texts, translated when filled
    };
    QList<OperatorList> operatorLists() const;
    void fillOperatorLists();
    void updateValueControls();
    void ok();

    frmMain& m_mainWindow;
    QString m_dateFormat;
    bool m_applied = false;
};
