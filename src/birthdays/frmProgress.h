#pragma once

#include "birthdays/LineWriter.h"
#include "language/LanguageAware.h"

#include <QPointer>
#include <QWidget>

class QProgressBar;

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

    QProgressBar* pbProgress = nullptr;

private:
    QPointer<QWidget> m_caller;
    bool m_running = false;
    bool m_override = false;
};
