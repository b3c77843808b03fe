// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "birthdays/modReminder.h"
#include "language/LanguageAware.h"

#include <QWidget>

#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

// The reminder's window: the coming birthdays, OK, and Details, which opens the
// chosen person in a full program window of its own.
class frmReminder : public QWidget, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmReminder(QWidget* parent = nullptr);

    void LoadLanguage() override;

    // Appends the rows to the list; today's are drawn in red.
    void AddRows(const std::vector<modReminder::ReminderRow>& rows);
    int RowCount() const;
    // The key of the selected row, "" when no row is selected.
    QString SelectedKey() const;
    // Starts the program again to show the selected person; nothing without a selection.
    void ShowDetails();

    // The columns of the list.
    enum Column
    {
        DateColumn,
        PersonColumn,
        AgeColumn,
    };
    // The role under which every row keeps its key.
    static constexpr int KeyRole = Qt::UserRole;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPopup(const QPoint& position);

    bool m_soundPlayed = false;

public:
    QGroupBox* fraReminder = nullptr;
    QTreeWidget* lvwReminder = nullptr;
    QLabel* picLogo = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdDetails = nullptr;
    QMenu* mnuPopupReminder = nullptr;
    QAction* mnuPopupDetails = nullptr;
};
