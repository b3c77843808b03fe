// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

// The notice that a newer version has been published, with the choice not to be
// reminded of this version again.
class frmNewVersion : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    frmNewVersion(const QString& latestVersion, QWidget* parent = nullptr);

    void LoadLanguage() override;

    QLabel* lblNewVersion = nullptr;
    QCheckBox* chkRemind = nullptr;
    QPushButton* cmdWebsite = nullptr;
    QPushButton* cmdOK = nullptr;

public slots:
    void done(int result) override;

protected:
    bool event(QEvent* event) override;

private:
    QString m_latest;
};
