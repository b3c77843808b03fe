// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// The About box: the program's name and version, its web site, and who translated the
// current language file.
class frmAbout : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Captions, and the translation frame from the current language file.
    void LoadLanguage() override;

    QGroupBox* fraInfo = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblWebsite = nullptr;
    QLabel* lblWebsite2 = nullptr;
    QGroupBox* fraTranslation = nullptr;
    QLabel* lblLanguage = nullptr;
    QLabel* lblLanguage2 = nullptr;
    QLabel* lblTranslator = nullptr;
    QLabel* lblTranslator2 = nullptr;
    QPushButton* cmdOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
