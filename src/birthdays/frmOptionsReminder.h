// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>
#include <QList>
#include <QSpinBox>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// An up-down control whose text box the window reaches directly, as the day boxes
// txtSince and txtOnce.
class DaySpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit DaySpinBox(QWidget* parent = nullptr);
    using QSpinBox::lineEdit;
};

// Options > Birthday reminder: the reminder on or off, the days it looks ahead, and
// its sound.
class frmOptionsReminder : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmOptionsReminder(QWidget* parent = nullptr);

    void LoadLanguage() override;
    // Enables each control according to the check boxes.
    void UpdateControls();
    // The stored settings into the controls, and the controls back into the settings.
    void LoadSettings();
    void SaveSettings();
    void BrowseSound();

    // The highest day count the up-down controls offer.
    static constexpr int MaxDays = 999;

signals:
    // A key other than a digit or backspace was typed into a day box and refused.
    void typingRefused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    QCheckBox* chkBirthdayreminder = nullptr;
    QGroupBox* fraSince = nullptr;
    QCheckBox* chkSince = nullptr;
    QLineEdit* txtSince = nullptr;
    DaySpinBox* udSince = nullptr;
    QGroupBox* fraOnce = nullptr;
    QList<QCheckBox*> chkOnce;
    QList<QLineEdit*> txtOnce;
    QList<DaySpinBox*> udOnce;
    // 0 beside the since box, 1 to 3 beside the once boxes.
    QList<QLabel*> lblDays;
    QGroupBox* fraSound = nullptr;
    QCheckBox* chkSound = nullptr;
    QLineEdit* txtSound = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
