// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "interchange/modCsv.h"
#include "language/LanguageAware.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// For a CSV file whose layout is not known: the first rows, and for each column what
// it holds (and, for numbers and e-mail addresses, their description).
class frmCsvMapping : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    // Rows shown of the file.
    static constexpr int PreviewRows = 5;

    frmCsvMapping(const modCsv::Table& table, QWidget* parent = nullptr);
    void LoadLanguage() override;
    // What the user chose, column by column.
    modCsv::Mapping Mapping() const;

    QLabel* lblHint = nullptr;
    QTableWidget* grdColumns = nullptr;
    std::vector<QComboBox*> cboRole; // one per column
    std::vector<QLineEdit*> txtDescription;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void roleChanged(size_t column);
    void updateOK();

    modCsv::Mapping m_guess;
};
