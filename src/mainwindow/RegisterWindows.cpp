// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "RegisterWindows.h"

#include "birthdays/frmCalendar.h"
#include "birthdays/frmOptionsReminder.h"
#include "editor/frmContact.h"
#include "export/frmEmail.h"
#include "export/frmExport.h"
#include "export/frmLabels.h"
#include "export/frmSendEmail.h"
#include "interchange/ImportCommand.h"
#include "interchange/frmDuplicates.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmOptionsDefaultdatabase.h"
#include "search/frmSearch.h"
#include "sync/frmSync.h"
#include "version/VersionCheck.h"

void RegisterWindows(frmMain& mainWindow)
{
    // Each part adds its windows here with mainWindow.SetWindowOpener(name, opener).
    mainWindow.SetWindowOpener(QStringLiteral("frmContactAdd"),
                               [](frmMain& window) { frmContact::Open(window, frmContact::Mode::Add); });
    mainWindow.SetWindowOpener(QStringLiteral("frmContactEdit"),
                               [](frmMain& window) { frmContact::Open(window, frmContact::Mode::Edit); });
    mainWindow.SetWindowOpener(QStringLiteral("frmOptionsReminder"), [](frmMain& window) {
        frmOptionsReminder dialog(&window);
        dialog.exec();
    });
    mainWindow.SetWindowOpener(QStringLiteral("frmSearch"), &frmSearch::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmCalendar"),
                               [](frmMain& window) { frmCalendar::ShowCalendar(&window); });
    mainWindow.SetWindowOpener(QStringLiteral("frmEmail"), &frmEmail::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmExport"), &frmExport::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmLabels"), &frmLabels::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmSendDatabase"), &frmSendEmail::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmImport"), &ImportCommand::Run);
    mainWindow.SetWindowOpener(QStringLiteral("frmImportOffer"),
                               [](frmMain& window) { ImportCommand::OfferFile(window, window.commandLine()); });
    mainWindow.SetWindowOpener(QStringLiteral("frmDuplicates"), &frmDuplicates::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmSync"), &frmSync::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmSynchronise"), &frmSync::Synchronise);
    mainWindow.SetWindowOpener(QStringLiteral("frmAutoSync"), &frmSync::AutoSync);
    mainWindow.SetWindowOpener(QStringLiteral("frmOptionsDefaultdatabase"), [](frmMain& window) {
        frmOptionsDefaultdatabase dialog(&window);
        dialog.exec();
    });
    modVersion::RegisterVersionWindows(mainWindow);
}
