// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class frmMain;

// Database > Synchronisation...: the server, the user and password, and the address
// book the database is linked to, found on the server.
class frmSync : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmSync(QWidget* parent = nullptr);
    void LoadLanguage() override;

    // Shows the window for the current database (writable only).
    static void Open(frmMain& mainWindow);
    // Database > Synchronise: one sync now; without a link or password the window first.
    static void Synchronise(frmMain& mainWindow);
    // When a database opens and on the main window's timer: a sync when the user asked
    // for them, never while one runs, and without any question (the outcome is shown
    // in the status bar). Sets the timer to the chosen interval.
    static void AutoSync(frmMain& mainWindow);

    QLabel* lblServer = nullptr;
    QLineEdit* txtServer = nullptr;
    QLabel* lblUser = nullptr;
    QLineEdit* txtUser = nullptr;
    QLabel* lblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdFind = nullptr;
    QLabel* lblAddressBook = nullptr;
    QComboBox* cboAddressBook = nullptr;
    QLabel* lblAutoSync = nullptr;
    QSpinBox* spnAutoSync = nullptr; // minutes, 0 for never
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void find();
    void confirm();
};
