// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Platform.h"

#include <QList>
#include <QQueue>

// A Platform that answers from a script. Every dialog must have been announced with an
// expect...() call; one that was not fails the running test, and so does an announced
// answer still unused when the platform goes. Everything that leaves the
// process (URLs, processes, sounds, mail) is recorded instead of done.
class ScriptedPlatform : public Platform::Interface
{
public:
    struct Call
    {
        // "message", "open", "save", "directory", "password", "item", "text", "url", "start", "sound", "mail"
        QString kind;
        QString title; // for "start": "minimised" or "normal"
        QString text;
        QStringList arguments;
        Platform::Icon icon = Platform::Icon::None;
        Platform::Buttons buttons = Platform::Buttons::Ok;
    };

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    void expectMessage(Platform::Answer answer = Platform::Answer::Ok) { m_script.enqueue({"message", answer, {}}); }
    void expectOpenFileName(const QString& path) { m_script.enqueue({"open", Platform::Answer::Ok, path}); }
    void expectSaveFileName(const QString& path) { m_script.enqueue({"save", Platform::Answer::Ok, path}); }
    void expectDirectory(const QString& path) { m_script.enqueue({"directory", Platform::Answer::Ok, path}); }
    // Nothing: the user cancels.
    void expectPassword(const std::optional<QString>& password);
    // The item chosen, the text typed; nothing: the user cancels. The items offered are
    // kept as the call's arguments.
    void expectItem(const std::optional<QString>& item) { expectAnswer(QStringLiteral("item"), item); }
    void expectText(const std::optional<QString>& text) { expectAnswer(QStringLiteral("text"), text); }
    void setPrinterCount(int count) { m_printers = count; }
    // Mails are answered at once with success, or kept waiting until answerMail() once held.
    void holdMails(bool hold) { m_holdMails = hold; }
    // Answers the mail that has waited longest; false when none waits.
    bool answerMail(const Platform::MailResult& result = {});
    qsizetype mailsWaiting() const { return m_waitingMails.size(); }

    // True when every scripted answer has been used.
    bool scriptDone() const { return m_script.isEmpty(); }
    const QList<Call>& calls() const { return m_calls; }
    QList<Call> callsOf(const QString& kind) const;
    QList<Call> messages() const { return callsOf(QStringLiteral("message")); }
    void clear();

    Platform::Answer message(const QString& title, const QString& text, Platform::Icon icon,
                             Platform::Buttons buttons) override;
    QString openFileName(const QString& title, const QString& filter, const QString& directory) override;
    QString saveFileName(const QString& title, const QString& filter, const QString& directory,
                         const QString& proposedName) override;
    QString directory(const QString& title, const QString& startDirectory) override;
    bool openUrl(const QUrl& url) override;
    bool startDetached(const QString& program, const QStringList& arguments, Platform::Show show) override;
    void playSound(const QString& path) override;
    void sendMail(const Platform::Mail& mail, Platform::MailDone done) override;
    int countPrinters() override { return m_printers; }
    std::optional<QString> password(const QString& title, const QString& text) override;
    std::optional<QString> chooseItem(const QString& title, const QString& text, const QStringList& items,
                                      int current) override;
    std::optional<QString> inputText(const QString& title, const QString& text, const QString& initial) override;

private:
    void expectAnswer(const QString& kind, const std::optional<QString>& value);
    std::optional<QString> answered(const Call& call);
    struct Answer
    {
        QString kind;
        Platform::Answer answer = Platform::Answer::Ok;
        QString value;
    };
    Answer take(const QString& kind, const QString& what);

    QQueue<Answer> m_script;
    QList<Call> m_calls;
    int m_printers = 0;
    bool m_holdMails = false;
    QQueue<Platform::MailDone> m_waitingMails;
};
