// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "language/LanguageAware.h"
#include "sync/modSync.h"

#include <QDialog>

class QPushButton;
class QTextBrowser;

// The details of the last sync, opened from its one-line result in the status bar:
// which persons were received, sent, merged and removed, and what went wrong.
class frmSyncResult : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    frmSyncResult(const modSync::Result& result, QWidget* parent = nullptr);
    void LoadLanguage() override;

    QTextBrowser* txtDetails = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    modSync::Result m_result;
};
