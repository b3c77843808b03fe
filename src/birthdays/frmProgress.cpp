#include "frmProgress.h"

#include "startup/Version.h"

#include <QApplication>
#include <QProgressBar>
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
    pbProgress->setMaximum(maximum);
    pbProgress->setValue(0);
    show();
    // Let the window appear before the work begins; user input waits until the end.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void frmProgress::Step()
{
    pbProgress->setValue(qMin(pbProgress->value() + 1, pbProgress->maximum()));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
