// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "Controls.h"
#include "DataRow.h"
#include "FixedToday.h"
#include "widgets/FailureDialog.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

class HtmlViewer;

// Gives the test program a private HOME, XDG folders and TEMP before Qt starts, so
// that settings, documents, logs and generated files never touch the real home.
class IsolatedEnvironment
{
public:
    IsolatedEnvironment();
    QString root() const { return m_dir.path(); }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString configHome() const { return root() + QStringLiteral("/config"); }
    QString dataHome() const { return root() + QStringLiteral("/data"); }
    QString cacheHome() const { return root() + QStringLiteral("/cache"); }
    QString temp() const { return root() + QStringLiteral("/temp"); }
    QString programFolder() const { return root() + QStringLiteral("/program/"); }

private:
    QTemporaryDir m_dir;
};

namespace TestSupport {

IsolatedEnvironment& environment();

// Removes every stored setting so that a test starts from a first run.
void clearSettings();
QString settingsFile();
// A setting by the name the program stores it under ("Reminder Once 2"), read, written
// and removed through the program's settings. A name the program does not store under
// ends the test program: the test and the program disagree about a name.
QString readSetting(const QString& name);
void writeSetting(const QString& name, const QString& value);
void removeSetting(const QString& name);
// Writes a file (creating its folder), failing the test on error.
bool writeFile(const QString& path, const QByteArray& contents);
QByteArray readFile(const QString& path);
// The addresses of a build that names a web site, an update address and the mail
// services' profile pages (the program's own build names none). Names under .test are
// never resolved; the update server is only reached through a loopback proxy.
const char* const TestWebsite = "https://addrion.test/";
const char* const TestUpdateHost = "updates.addrion.test";
const char* const TestUpdateUrl = "http://updates.addrion.test/addrion/info/latestversion.txt";
const char* const TestProfileFirst = "https://first.test/member/";
const char* const TestProfileSecond = "https://second.test/";
void useTestAddresses();
// No web site, no update address, no profile pages.
void useNoAddresses();

// Chance for tests that draw their cases: seeded from ADDRION_TEST_SEED when set, else at
// random, and the seed is printed once so that a failing run can be replayed.
QRandomGenerator& random();
constexpr const char* SeedVariable = "ADDRION_TEST_SEED";

// "Addrion 1.2.3": the program's name and the version the build gives it.
QString programTitle();
// The built program and the source tree, as ctest tells the test.
QString executable();
// The program's own entry with a seam that prints the reminder's rows and closes it
// (tests/birthdays/ReminderEcho.cpp).
QString reminderEcho();
QString sourceDir();
// What a sync test needs before its Radicale server starts: passwords kept in memory (the
// user's own secret store is never touched) and the shipped language files, whose words tell
// the descriptions apart.
void prepareSyncTests();
// This process's resident memory now, in kB (Linux).
qint64 residentKb();
// Whether resident memory tells what the program holds: not under AddressSanitizer,
// which keeps freed memory aside and shadows all of it.
constexpr bool memoryMeasured()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}
// Reads vCards with an independent parser (python3-vobject), validating each card.
// One line "UID<TAB>FN" per card; false with the parser's complaint in error, or a
// message naming the missing Debian package.
bool readWithVobject(const QByteArray& cards, QStringList& lines, QString& error);
// What a viewer prints on A4, as an independent reader (pdftotext, Debian poppler-utils)
// reads the PDF it makes: pages end in a form feed. Options go to the reader ("-layout");
// exitCode is the reader's.
struct PrintedText
{
    int exitCode = -1;
    QString text;
};
PrintedText printedText(HtmlViewer& viewer, const QStringList& options = {});

// Runs act on the modal window the next command opens, inside that window's own
// event loop; the flag tells afterwards that it ran.
// Another modal window may come first (a progress window while a file is checked): the
// expected one is waited for, five seconds at most.
template <typename Window> struct ModalWaiter
{
    std::function<void(Window*)> act;
    std::shared_ptr<bool> ran;
    QDeadlineTimer deadline;

    void operator()() const
    {
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = qobject_cast<Window*>(modal);
        if (!window && !deadline.hasExpired()) {
            QTimer::singleShot(10, qApp, *this);
            return;
        }
        *ran = true;
        if (!window) {
            if (modal)
                modal->close();
            QFAIL("the expected window did not open");
        }
        act(window);
    }
};

template <typename Window> std::shared_ptr<bool> onModal(std::function<void(Window*)> act)
{
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, qApp, ModalWaiter<Window>{std::move(act), ran, QDeadlineTimer(5000)});
    return ran;
}

} // namespace TestSupport

#define ADDRION_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        TestSupport::environment();                                                                                    \
        QApplication app(argc, argv);                                                                                  \
        InstallFailureDialogs();                                                                                       \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        TestClass tc;                                                                                                  \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
