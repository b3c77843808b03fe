// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "birthdays/LineWriter.h"
#include "language/LanguageAware.h"

#include <QPointer>
#include <QWidget>

class QProgressBar;
class QPushButton;

// The progress window of the long writes (calendar, saving it, the exports): one bar,
// shown not modal while the work runs, with the hourglass on the calling window.
class frmProgress : public QWidget, public LanguageAware, public WriteProgress
{
    Q_OBJECT

public:
    // caller gets the hourglass; without one the whole program shows it.
    explicit frmProgress(QWidget* caller = nullptr);
    ~frmProgress() override;

    void LoadLanguage() override;

    // WriteProgress: show with the maximum and value 0, advance by one, close.
    void Begin(int maximum) override;
    void Step() override;
    void End() override;
    void Reach(int value) override;
    bool Cancelled() const override { return m_cancelled; }

    // Shows a Cancel button for work that can be undone; the window then takes all
    // input while the work runs.
    void AllowCancel();

    QProgressBar* pbProgress = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void processEvents();

    QPointer<QWidget> m_caller;
    bool m_running = false;
    bool m_override = false;
    bool m_cancelled = false;
};
