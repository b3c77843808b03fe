#include "RegisterWindows.h"

#include "mainwindow/frmMain.h"
#include "export/frmEmail.h"
#include "export/frmExport.h"
#include "export/frmSendEmail.h"
#include "search/frmSearch.h"

void RegisterWindows(frmMain& mainWindow)
{
    // Each part adds its windows here with mainWindow.SetWindowOpener(name, opener).
    mainWindow.SetWindowOpener(QStringLiteral("frmSearch"), &frmSearch::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmEmail"), &frmEmail::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmExport"), &frmExport::Open);
    mainWindow.SetWindowOpener(QStringLiteral("frmSendDatabase"), &frmSendEmail::Open);
}
