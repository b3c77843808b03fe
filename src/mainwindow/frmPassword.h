// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks once for the password of a protected database file.
class frmPassword : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmPassword(const QString& path, QWidget* parent = nullptr);
    void LoadLanguage() override;

    // The typed password after OK, "" after Cancel.
    QString DatabasePassword() const { return m_password; }

    // Shows the window for path modally and returns its answer.
    static QString AskPassword(const QString& path, QWidget* parent = nullptr);

    QLabel* lblFile = nullptr;
    QLineEdit* txtFile = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    QString m_password;
};

// Makes the validation of a protected file ask for its password and remove the
// protection; after a failed removal it asks again, Cancel gives up.
void InstallPasswordHandler();
