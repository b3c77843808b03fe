// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmProgress.h"

#include "language/modLanguage.h"
#include "startup/Version.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmProgress::frmProgress(QWidget* caller)
    : QWidget(caller ? caller->window() : nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_caller(caller)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowModality(Qt::NonModal);
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pbProgress);
    setMinimumWidth(320);
    LoadLanguage();
}

frmProgress::~frmProgress()
{
    End();
}

void frmProgress::LoadLanguage()
{
    setWindowTitle(QString::fromLatin1(Version::AppName));
    if (cmdCancel)
        cmdCancel->setText(T("Cancel"));
}

void frmProgress::AllowCancel()
{
    if (cmdCancel)
        return;
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    layout()->addWidget(cmdCancel);
    layout()->setAlignment(cmdCancel, Qt::AlignRight);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    setWindowModality(Qt::ApplicationModal);
    LoadLanguage();
}

// Repaints; a window with Cancel also takes the user's clicks, the others wait.
void frmProgress::processEvents()
{
    QCoreApplication::processEvents(cmdCancel ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

void frmProgress::Begin(int maximum)
{
    if (!m_running) {
        m_override = !m_caller;
        if (m_override)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            m_caller->setCursor(Qt::WaitCursor);
    }
    m_running = true;
    m_cancelled = false;
    pbProgress->setMaximum(maximum);
    pbProgress->setValue(0);
    show();
    // Let the window appear before the work begins.
    processEvents();
}

void frmProgress::Step()
{
    Reach(pbProgress->value() + 1);
}

void frmProgress::Reach(int value)
{
    // Work with many small steps between two values of the bar pays for no repaint.
    const int reached = qMin(value, pbProgress->maximum());
    if (reached == pbProgress->value())
        return;
    pbProgress->setValue(reached);
    processEvents();
}

void frmProgress::End()
{
    if (!m_running)
        return;
    m_running = false;
    close();
    if (m_override)
        QApplication::restoreOverrideCursor();
    else if (m_caller)
        m_caller->unsetCursor();
}
