#include "modMain.h"

#include "birthdays/modReminderRun.h"
#include "database/Engine.h"
#include "database/modUpgrade.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmPassword.h"
#include "startup/CommandLine.h"
#include "startup/QtPlatform.h"
#include "startup/modError.h"
#include "startup/modSettings.h"
#include "sync/SyncCommand.h"
#include "version/VersionCheck.h"

#include <QApplication>
#include <QVersionNumber>

namespace modMain {

namespace {

bool DatabaseLibraryUsable()
{
    // The oldest library that has every statement the program needs (DROP COLUMN).
    const QVersionNumber minimum(3, 35);
    const QVersionNumber version = QVersionNumber::fromString(Engine::LibraryVersion());
    if (version >= minimum)
        return true;
    modError::ReportMdacError(1, QStringLiteral("SQLite ") + Engine::LibraryVersion() +
                                     QStringLiteral(" is too old; 3.35 or newer is needed."));
    return false;
}

int RunReminder(frmMain&)
{
    // The hidden main window only hears about the database; the reminder shows itself.
    return modReminder::RunReminder();
}

} // namespace

int Main(int argc, char* argv[])
{
    // A sync from a timer runs where no display may be.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandLine::Classify(CommandLine::FromArguments(arguments)) == CommandLine::Kind::Sync)
        return SyncCommand::Run(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Addrion"));
    QApplication::setOrganizationName(QStringLiteral("Addrion"));
    QtPlatform platform;
    Platform::install(&platform);

    modSettings::PrepareSettings();
    if (!DatabaseLibraryUsable())
        return 1;
    // Every database opened from here on is brought up to date and freed of a password.
    modUpgrade::InstallUpgradeHandler();
    InstallPasswordHandler();

    const QString commandLine = CommandLine::Current();
    // The main window exists in both runs: the database operations report to it.
    frmMain mainWindow(commandLine);
    RegisterWindows(mainWindow);
    if (CommandLine::Classify(commandLine) == CommandLine::Kind::Reminder)
        return RunReminder(mainWindow);

    if (modSettings::ReadSetting(QStringLiteral("WindowState")) == QLatin1String("2"))
        mainWindow.setWindowState(Qt::WindowMaximized);
    mainWindow.Load();
    mainWindow.show();
    modVersion::CheckVersion(mainWindow);
    const int result = app.exec();
    Platform::install(nullptr);
    return result;
}

} // namespace modMain
