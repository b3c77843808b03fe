// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "birthdays/modCalendar.h"
#include "language/LanguageAware.h"
#include "startup/Platform.h"

#include <QDialog>
#include <QList>

class QCheckBox;
class QGroupBox;
class QPushButton;

// Chooses the months to save: three year frames of twelve month boxes, box 0 of each
// ticking or clearing its whole year. OK browses for a folder and saves there.
class frmCalendarSelection : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    // The years are the one before currentYear, currentYear and the one after.
    explicit frmCalendarSelection(QWidget* parent = nullptr, int currentYear = Platform::Today().year());

    void LoadLanguage() override;
    // The ticked months, as the save takes them.
    modCalendar::MonthSelection Selection() const;
    // OK: asks for a folder and copies the style sheet and the ticked months there.
    void SaveCalendar();

    QGroupBox* fraPrevious = nullptr;
    QGroupBox* fraCurrent = nullptr;
    QGroupBox* fraNext = nullptr;
    // Index 0 stands for the whole year, 1 to 12 for the months.
    QList<QCheckBox*> chkPrevious;
    QList<QCheckBox*> chkCurrent;
    QList<QCheckBox*> chkNext;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* createYear(const char* frameName, const char* boxName, QList<QCheckBox*>& boxes);

    int m_year;
};
