// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Sends the open database file to an e-mail address.
class frmSendEmail : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    // databasePath is the file that is attached.
    explicit frmSendEmail(const QString& databasePath, QWidget* parent = nullptr);
    void LoadLanguage() override;
    static void Open(class frmMain& mainWindow);

    QLabel* lblEmail = nullptr;
    QLineEdit* txtEmail = nullptr;
    QLabel* lblDescription = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLabel* lblFile = nullptr;
    QLineEdit* txtFile = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    // Refused while the mail program has not answered: the database is closed until then.
    void reject() override;

private:
    void send();

    bool m_sending = false; // handed over, the answer not yet come
};
