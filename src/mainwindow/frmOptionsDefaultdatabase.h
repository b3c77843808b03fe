// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

// Options > Default database: the database that opens at start.
class frmOptionsDefaultdatabase : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmOptionsDefaultdatabase(QWidget* parent = nullptr);
    void LoadLanguage() override;

    QGroupBox* fraDatabase = nullptr;
    QLineEdit* txtDatabase = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void browse();
    void confirm();
};
