// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Platform.h"

#include <memory>

class QObject;
class QSoundEffect;
class QWidget;

// The real platform: Qt dialogs, the desktop's URL handler, detached processes,
// sound effects, the mail hand-off to xdg-email and the printer list.
class QtPlatform : public Platform::Interface
{
public:
    QtPlatform();
    // Stops the sound and waits until its loading has ended: a sound still loading when
    // the process exits can hang the exit for good. Ends a mail hand-off still under way.
    ~QtPlatform() override;

    Platform::Answer message(const QString& title, const QString& text, Platform::Icon icon,
                             Platform::Buttons buttons) override;
    QString openFileName(const QString& title, const QString& filter, const QString& directory) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& directory,
                         const QString& proposedName) override;
    QString directory(const QString& title, const QString& startDirectory) override;
    bool openUrl(const QUrl& url) override;
    bool startDetached(const QString& program, const QStringList& arguments, Platform::Show show) override;
    void playSound(const QString& path) override;
    // Runs xdg-email with the mail as its arguments and tells done what it answered; one
    // that has not ended within the time limit is killed.
    void sendMail(const Platform::Mail& mail, Platform::MailDone done) override;
    int countPrinters() override;
    std::optional<QString> password(const QString& title, const QString& text) override;
    std::optional<QString> chooseItem(const QString& title, const QString& text, const QStringList& items,
                                      int current) override;
    std::optional<QString> inputText(const QString& title, const QString& text, const QString& initial) override;

    // Shows a process's first window as the process that started it asked.
    static void ShowFirstWindow(QWidget& window);
    // How long xdg-email may take to hand a mail over (a minute unless set).
    void SetMailTimeLimit(int ms);

private:
    void finishSound();

    std::unique_ptr<QSoundEffect> m_effect;  // the one sound playing, kept until the next
    std::unique_ptr<QObject> m_mailHandOffs; // parent of the xdg-email processes under way
    int m_mailLimitMs = 60000;
};
