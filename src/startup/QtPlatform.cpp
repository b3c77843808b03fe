// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QSoundEffect>
#include <QTimer>

namespace {

QWidget* ActiveWindow()
{
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQt(Platform::Icon icon)
{
    switch (icon) {
    case Platform::Icon::Information:
        return QMessageBox::Information;
    case Platform::Icon::Exclamation:
        return QMessageBox::Warning;
    case Platform::Icon::Question:
        return QMessageBox::Question;
    case Platform::Icon::Stop:
        return QMessageBox::Critical;
    case Platform::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Platform::Answer QtPlatform::message(const QString& title, const QString& text, Platform::Icon icon,
                                     Platform::Buttons buttons)
{
    QMessageBox box(ToQt(icon), title, text, QMessageBox::NoButton, ActiveWindow());
    switch (buttons) {
    case Platform::Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Platform::Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Platform::Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Platform::Answer::Yes;
    case QMessageBox::No:
        return Platform::Answer::No;
    case QMessageBox::Cancel:
        return Platform::Answer::Cancel;
    default:
        return buttons == Platform::Buttons::YesNo ? Platform::Answer::No : Platform::Answer::Ok;
    }
}

std::optional<QString> QtPlatform::password(const QString& title, const QString& text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(ActiveWindow(), title, text, QLineEdit::Password, QString(), &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

std::optional<QString> QtPlatform::chooseItem(const QString& title, const QString& text, const QStringList& items,
                                              int current)
{
    bool ok = false;
    const QString answer = QInputDialog::getItem(ActiveWindow(), title, text, items, current, false, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

std::optional<QString> QtPlatform::inputText(const QString& title, const QString& text, const QString& initial)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(ActiveWindow(), title, text, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(answer) : std::nullopt;
}

QString QtPlatform::openFileName(const QString& title, const QString& filter, const QString& directory)
{
    return QFileDialog::getOpenFileName(ActiveWindow(), title, directory, Platform::qtFilter(filter));
}

QString QtPlatform::saveFileName(const QString& title, const QString& filter, const QString& directory,
                                 const QString& proposedName)
{
    QFileDialog dialog(ActiveWindow(), title, directory, Platform::qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The caller asks about replacing an existing file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString QtPlatform::directory(const QString& title, const QString& startDirectory)
{
    return QFileDialog::getExistingDirectory(ActiveWindow(), title, startDirectory);
}

bool QtPlatform::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool QtPlatform::startDetached(const QString& program, const QStringList& arguments, Platform::Show show)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (show == Platform::Show::Minimised)
        environment.insert(QString::fromLatin1(Platform::ShowVariable), QStringLiteral("minimised"));
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

void QtPlatform::ShowFirstWindow(QWidget& window)
{
    // A window manager may ignore the request; the window is then simply shown.
    if (Platform::StartShow() == Platform::Show::Minimised) {
        // A window that has to grow as it is shown (never sized, or smaller than its
        // layout needs) is shown anew at its new size, and that undoes the minimised state:
        // it would map as a normal window. At its size from the start, it maps iconic.
        window.resize(window.testAttribute(Qt::WA_Resized) ? window.size().expandedTo(window.minimumSizeHint())
                                                           : window.sizeHint().expandedTo(window.minimumSizeHint()));
        window.showMinimized();
        return;
    }
    window.show();
    window.raise();
    window.activateWindow();
}

QtPlatform::QtPlatform() : m_mailHandOffs(std::make_unique<QObject>()) {}

QtPlatform::~QtPlatform()
{
    finishSound();
    // A hand-off still under way answers nobody: the program that waited for it is ending.
    for (QProcess* process : m_mailHandOffs->findChildren<QProcess*>(Qt::FindDirectChildrenOnly))
        QObject::disconnect(process, nullptr, nullptr, nullptr);
    m_mailHandOffs.reset();
}

void QtPlatform::finishSound()
{
    if (!m_effect)
        return;
    m_effect->stop();
    if (m_effect->status() == QSoundEffect::Loading) {
        // The loading thread reports its end through the event loop. A loader that never
        // reports is given up on after a while rather than keeping the process forever.
        constexpr int LoadingLimitMs = 10000;
        QEventLoop loop;
        QObject::connect(m_effect.get(), &QSoundEffect::statusChanged, &loop, [this, &loop] {
            if (m_effect->status() != QSoundEffect::Loading)
                loop.quit();
        });
        QTimer::singleShot(LoadingLimitMs, &loop, &QEventLoop::quit);
        if (m_effect->status() == QSoundEffect::Loading)
            loop.exec();
    }
    m_effect.reset();
}

void QtPlatform::playSound(const QString& path)
{
    finishSound();
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}

void QtPlatform::sendMail(const Platform::Mail& mail, Platform::MailDone done)
{
    QStringList arguments{QStringLiteral("--subject"), mail.subject, QStringLiteral("--body"), mail.body};
    if (!mail.attachment.isEmpty())
        arguments << QStringLiteral("--attach") << mail.attachment;
    if (!mail.recipient.isEmpty())
        arguments << mail.recipient;
    // The hand-offs under way go with the platform; one still running then is ended.
    auto* process = new QProcess(m_mailHandOffs.get());
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    // Whichever comes first answers: the end of the process, its failure to start or the
    // limit. A process killed at the limit still reports its end, which is then ignored.
    auto answer = [limit, done = std::move(done), answered = false](const Platform::MailResult& result) mutable {
        if (answered)
            return;
        answered = true;
        limit->stop();
        done(result);
    };
    auto shared = std::make_shared<decltype(answer)>(std::move(answer));
    QObject::connect(process, &QProcess::errorOccurred, process, [process, shared](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        (*shared)({-1, process->errorString()});
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, shared](int exitCode, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit)
                             (*shared)({-1, process->errorString()});
                         else
                             (*shared)({exitCode, QString::fromLocal8Bit(process->readAllStandardError()).trimmed()});
                         process->deleteLater();
                     });
    // The mail program may stay open; xdg-email hands over and returns, or is given up on.
    QObject::connect(limit, &QTimer::timeout, process, [process, shared] {
        process->kill();
        (*shared)({-1, QStringLiteral("xdg-email did not answer")});
    });
    limit->start(m_mailLimitMs);
    process->start(QStringLiteral("xdg-email"), arguments);
}

void QtPlatform::SetMailTimeLimit(int ms)
{
    m_mailLimitMs = ms;
}

int QtPlatform::countPrinters()
{
    return QPrinterInfo::availablePrinterNames().size();
}
