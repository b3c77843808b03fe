// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "app/Program.h"

#include "birthdays/ReminderRun.h"
#include "database/Engine.h"
#include "database/modUpgrade.h"
#include "language/LanguageAware.h"
#include "language/modLanguage.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmPassword.h"
#include "startup/CommandLine.h"
#include "startup/QtPlatform.h"
#include "startup/SettingsFailureNotice.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "sync/SyncCommand.h"
#include "version/VersionCheck.h"
#include "widgets/FailureDialog.h"
#include "widgets/Logo.h"

#include <QApplication>
#include <QTimer>
#include <QVersionNumber>

#include <cstdio>
#include <optional>

namespace Program {

namespace {

bool DatabaseLibraryUsable()
{
    // The oldest library that has every statement the program needs (DROP COLUMN).
    const QVersionNumber minimum(3, 35);
    const QVersionNumber version = QVersionNumber::fromString(Engine::LibraryVersion());
    if (version >= minimum)
        return true;
    ShowFailure(modError::MdacError(1, QStringLiteral("SQLite ") + Engine::LibraryVersion() +
                                           QStringLiteral(" is too old; 3.35 or newer is needed.")));
    return false;
}

// The options answer before any window or database exists: help and version on
// standard output (exit code 0), a mistaken option with the usage on standard error
// (exit code 2, as other programs do). Nothing for the other forms.
std::optional<int> AnswerOption(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    switch (CommandLine::OptionOf(arguments)) {
    case CommandLine::Option::Help:
        std::fputs(CommandLine::Usage().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Option::Version:
        std::fputs(CommandLine::VersionText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Option::Unknown:
        std::fputs(("addrion: unknown option " + arguments.first().trimmed() + "\n\n" + CommandLine::Usage())
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    case CommandLine::Option::None:
        break;
    }
    return std::nullopt;
}

int RunReminder(frmMain&)
{
    // The hidden main window only hears about the database; the reminder shows itself.
    return ReminderRun::RunReminder();
}

} // namespace

int Main(int argc, char* argv[])
{
    if (const std::optional<int> answered = AnswerOption(argc, argv))
        return *answered;
    // A sync from a timer runs where no display may be.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::Classify(CommandLine::FromArguments(arguments)) == CommandLine::Kind::Sync)
        return SyncCommand::Run(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Addrion"));
    QApplication::setOrganizationName(QStringLiteral("Addrion"));
    // The desktop matches the windows to the installed entry and its icon.
    QApplication::setDesktopFileName(QStringLiteral("io.github.addrion.Addrion"));
    QApplication::setWindowIcon(AddrionIcon());
    QtPlatform platform;
    Platform::install(&platform);
    Platform::StartShow();
    InstallFailureDialogs();
    // From the first write on: the taking over of old settings writes too.
    SettingsFailureNotice settingsNotice;

    modSettings::PrepareSettings();
    // Messages before the main window shows (a settings file that cannot be written, a
    // database that cannot be opened) already read in the stored language's direction,
    // with Qt's own button texts in it.
    ApplyLanguageToQt(modSettings::Get(Setting::Language));
    if (!DatabaseLibraryUsable())
        return 1;
    // Every database opened from here on is brought up to date and freed of a password.
    modUpgrade::InstallUpgradeHandler();
    InstallPasswordHandler();

    const QString commandLine = CommandLine::WithAbsolutePath(CommandLine::Current());
    // Until the window shows, its many texts are looked up with the settings and the
    // language file checked once, not once a text.
    std::optional<modLanguage::Snapshot> startLanguage(std::in_place);
    // The main window exists in both runs: the database operations report to it.
    frmMain mainWindow(commandLine);
    RegisterWindows(mainWindow);
    if (CommandLine::Classify(commandLine) == CommandLine::Kind::Reminder) {
        // No language menu in this run: the stored language, applied above, alone decides.
        startLanguage.reset();
        return RunReminder(mainWindow);
    }

    if (modSettings::Get(Setting::WindowState) == QLatin1String("2"))
        mainWindow.setWindowState(Qt::WindowMaximized);
    mainWindow.Load();
    QtPlatform::ShowFirstWindow(mainWindow);
    startLanguage.reset();
    modVersion::CheckVersion(mainWindow);
    // Once the window shows, so that a question or the editor has it behind them.
    QTimer::singleShot(0, &mainWindow, &frmMain::ActOnCommandLine);
    // For timing a start (the benchmark): once the window has been drawn the program says
    // so on its output and ends.
    if (qEnvironmentVariableIsSet("ADDRION_QUIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [&mainWindow] {
            mainWindow.repaint();
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QCoreApplication::quit();
        });
    const int result = app.exec();
    Platform::install(nullptr);
    return result;
}

} // namespace Program
