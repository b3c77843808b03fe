// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <utility>

// Why an operation could not do what it was asked, in the words the user is shown. Core
// functions hand it back; only the window that started the operation shows it.
struct Failure
{
    enum class Kind
    {
        Message, // a message box with OK
        Report,  // a part the program needs is missing or unusable: OK leads to the web site, Cancel does not
    };
    Failure() = default;
    Failure(QString title, QString text, int number = 0, Kind kind = Kind::Message, QString website = {})
        : title(std::move(title)), text(std::move(text)), number(number), kind(kind), website(std::move(website))
    {
    }

    QString title;
    QString text;
    int number = 0; // the error's own number; 0 when it has none
    Kind kind = Kind::Message;
    QString website; // for a report: where OK leads; empty when nowhere
};

// What an operation came to: done, or ended. An ended one carries the failure to show,
// or nothing when there is nothing more to say (the user gave up, or was told on the way).
class Outcome
{
public:
    Outcome() = default;
    // Ended by the failure; a function returns its failure as its outcome.
    Outcome(Failure failure) : m_done(false), m_failure(std::move(failure)) {}
    static Outcome Ended()
    {
        Outcome ended;
        ended.m_done = false;
        return ended;
    }

    bool done() const { return m_done; }
    explicit operator bool() const { return m_done; }
    const std::optional<Failure>& failure() const { return m_failure; }

private:
    bool m_done = true;
    std::optional<Failure> m_failure;
};

// Failures an operation tells of and then goes on from (a table it could not add to a
// file it still opens, a copy that failed before the database is opened again). They
// reach whoever installed the handler at the moment they happen, so that they keep
// their place among the operation's other dialogs; without a handler nobody hears them.
namespace Failures {

using NoticeHandler = std::function<void(const Failure& failure)>;
void SetNoticeHandler(NoticeHandler handler);
void Notice(const Failure& failure);

} // namespace Failures
