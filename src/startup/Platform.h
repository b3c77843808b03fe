// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

// Everything that blocks on the user or leaves the process goes through this seam,
// so that tests can answer it from a script instead of a real dialog.
namespace Platform {

enum class Icon
{
    None,
    Information,
    Exclamation,
    Question,
    Stop,
};

enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
};

enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No,
};

// A mail handed to the user's mail program; the result carries the program's
// exit status (0 for success) and what it said on stderr.
struct Mail
{
    QString subject;
    QString body;
    QString attachment;
    QString recipient;
};

struct MailResult
{
    int number = 0;
    QString description;
};

// Told the result of a hand-off, once.
using MailDone = std::function<void(const MailResult&)>;

// How a started process shows its first window.
enum class Show
{
    Normal,
    Minimised,
};

// The environment variable through which a process of the program tells the one it
// starts to show its window minimised (the desktop has no other channel for it).
constexpr const char* ShowVariable = "ADDRION_SHOW";

// How the process that started this one asked it to show its window. Read once at the
// start and removed from the environment, so that programs started later (a browser
// for a link, the mail program) do not inherit it.
Show StartShow();

class Interface
{
public:
    virtual ~Interface() = default;

    virtual Answer message(const QString& title, const QString& text, Icon icon, Buttons buttons) = 0;
    // Filters use the "Description (*.ext)|*.ext" form; an empty result means cancelled.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& directory) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter, const QString& directory,
                                 const QString& proposedName) = 0;
    virtual QString directory(const QString& title, const QString& startDirectory) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    virtual bool startDetached(const QString& program, const QStringList& arguments, Show show) = 0;
    virtual void playSound(const QString& path) = 0;
    // Hands the mail over without waiting for it: done is told the result once, when the
    // mail program has answered (possibly before this returns). Whatever done touches
    // must still be there then, or be checked by it.
    virtual void sendMail(const Mail& mail, MailDone done) = 0;
    virtual int countPrinters() = 0;
    // Asks for a password (shown masked); nothing when the user cancels. Where no one
    // can answer, nobody is asked.
    virtual std::optional<QString> password(const QString& /*title*/, const QString& /*text*/) { return std::nullopt; }
    // One of the items, chosen from a list (the one at current shown first); nothing when
    // the user cancels.
    virtual std::optional<QString> chooseItem(const QString& /*title*/, const QString& /*text*/,
                                              const QStringList& /*items*/, int /*current*/)
    {
        return std::nullopt;
    }
    // A line of text, starting from initial; nothing when the user cancels.
    virtual std::optional<QString> inputText(const QString& /*title*/, const QString& /*text*/,
                                             const QString& /*initial*/)
    {
        return std::nullopt;
    }
};

// The process-wide implementation; install() takes no ownership.
Interface& current();
// The installed implementation, or nullptr.
Interface* installed();
void install(Interface* platform);

// Today's date, the system's unless set: everything that asks for "today" asks here, so
// that tests fix the date and nothing they check moves at midnight.
QDate Today();
// Fixes today's date for this process; an invalid date gives the system's back.
void SetToday(const QDate& date);

// Shorthands for the common message forms.
void inform(const QString& title, const QString& text, Icon icon = Icon::Exclamation);
bool askYesNo(const QString& title, const QString& text);

// "Addrion database (*.mdb)|*.mdb" -> "Addrion database (*.mdb)"
QString qtFilter(const QString& filter);

} // namespace Platform
