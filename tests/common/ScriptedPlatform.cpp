// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ScriptedPlatform.h"

#include <QTest>

ScriptedPlatform::ScriptedPlatform()
{
    Platform::install(this);
}

ScriptedPlatform::~ScriptedPlatform()
{
    // An answer announced for a dialog that never came is a fault as much as a dialog
    // nobody announced.
    if (!m_script.isEmpty() && QTest::currentTestFunction() && !QTest::currentTestFailed())
        QTest::qFail("a scripted answer was not used", __FILE__, __LINE__);
    // So is a mail the program still waits for.
    if (!m_waitingMails.isEmpty() && QTest::currentTestFunction() && !QTest::currentTestFailed())
        QTest::qFail("a mail handed over was never answered", __FILE__, __LINE__);
    // A newer script may have taken over already; leave it in place.
    if (Platform::installed() == this)
        Platform::install(nullptr);
}

void ScriptedPlatform::expectPassword(const std::optional<QString>& password)
{
    m_script.enqueue({QStringLiteral("password"), password ? Platform::Answer::Ok : Platform::Answer::Cancel,
                      password.value_or(QString())});
}

std::optional<QString> ScriptedPlatform::password(const QString& title, const QString& text)
{
    m_calls << Call{"password", title, text, {}, Platform::Icon::None, Platform::Buttons::OkCancel};
    const Answer answer = take(QStringLiteral("password"), title + QStringLiteral(": ") + text);
    return answer.answer == Platform::Answer::Ok ? std::optional<QString>(answer.value) : std::nullopt;
}

void ScriptedPlatform::expectAnswer(const QString& kind, const std::optional<QString>& value)
{
    m_script.enqueue({kind, value ? Platform::Answer::Ok : Platform::Answer::Cancel, value.value_or(QString())});
}

std::optional<QString> ScriptedPlatform::answered(const Call& call)
{
    m_calls << call;
    const Answer answer = take(call.kind, call.title + QStringLiteral(": ") + call.text);
    return answer.answer == Platform::Answer::Ok ? std::optional<QString>(answer.value) : std::nullopt;
}

std::optional<QString> ScriptedPlatform::chooseItem(const QString& title, const QString& text, const QStringList& items,
                                                    int /*current*/)
{
    return answered({"item", title, text, items, Platform::Icon::None, Platform::Buttons::OkCancel});
}

std::optional<QString> ScriptedPlatform::inputText(const QString& title, const QString& text, const QString& initial)
{
    return answered({"text", title, text, {initial}, Platform::Icon::None, Platform::Buttons::OkCancel});
}

QList<ScriptedPlatform::Call> ScriptedPlatform::callsOf(const QString& kind) const
{
    QList<Call> result;
    for (const Call& call : m_calls)
        if (call.kind == kind)
            result << call;
    return result;
}

void ScriptedPlatform::clear()
{
    m_script.clear();
    m_calls.clear();
}

ScriptedPlatform::Answer ScriptedPlatform::take(const QString& kind, const QString& what)
{
    if (m_script.isEmpty() || m_script.head().kind != kind) {
        const QString expected = m_script.isEmpty() ? QStringLiteral("nothing") : m_script.head().kind;
        QTest::qFail(qPrintable(QStringLiteral("unexpected %1 dialog (expected %2): %3").arg(kind, expected, what)),
                     __FILE__, __LINE__);
        // Answer like a user who cancels, so the program under test stops cleanly.
        return {kind, Platform::Answer::Cancel, {}};
    }
    return m_script.dequeue();
}

Platform::Answer ScriptedPlatform::message(const QString& title, const QString& text, Platform::Icon icon,
                                           Platform::Buttons buttons)
{
    m_calls << Call{"message", title, text, {}, icon, buttons};
    Answer answer = take(QStringLiteral("message"), title + QStringLiteral(": ") + text);
    if (answer.answer == Platform::Answer::Cancel && buttons == Platform::Buttons::YesNo)
        return Platform::Answer::No;
    return answer.answer;
}

QString ScriptedPlatform::openFileName(const QString& title, const QString& filter, const QString& directory)
{
    m_calls << Call{"open", title, filter, {directory}};
    return take(QStringLiteral("open"), title).value;
}

QString ScriptedPlatform::saveFileName(const QString& title, const QString& filter, const QString& directory,
                                       const QString& proposedName)
{
    m_calls << Call{"save", title, filter, {directory, proposedName}};
    return take(QStringLiteral("save"), title).value;
}

QString ScriptedPlatform::directory(const QString& title, const QString& startDirectory)
{
    m_calls << Call{"directory", title, {}, {startDirectory}};
    return take(QStringLiteral("directory"), title).value;
}

bool ScriptedPlatform::openUrl(const QUrl& url)
{
    m_calls << Call{"url", {}, url.toString(), {}};
    return true;
}

bool ScriptedPlatform::startDetached(const QString& program, const QStringList& arguments, Platform::Show show)
{
    const QString how = show == Platform::Show::Minimised ? QStringLiteral("minimised") : QStringLiteral("normal");
    m_calls << Call{"start", how, program, arguments};
    return true;
}

void ScriptedPlatform::playSound(const QString& path)
{
    m_calls << Call{"sound", {}, path, {}};
}

void ScriptedPlatform::sendMail(const Platform::Mail& mail, Platform::MailDone done)
{
    m_calls << Call{"mail", mail.subject, mail.body, {mail.attachment, mail.recipient}};
    if (m_holdMails)
        m_waitingMails.enqueue(std::move(done));
    else
        done({});
}

bool ScriptedPlatform::answerMail(const Platform::MailResult& result)
{
    if (m_waitingMails.isEmpty())
        return false;
    m_waitingMails.dequeue()(result);
    return true;
}
