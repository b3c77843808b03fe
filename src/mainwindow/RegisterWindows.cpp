#include "RegisterWindows.h"

#include "mainwindow/frmMain.h"
#include "search/frmSearch.h"

void RegisterWindows(frmMain& mainWindow)
{
    // Each part adds its windows here with mainWindow.SetWindowOpener(name, opener).
    mainWindow.SetWindowOpener(QStringLiteral("frmSearch"), &frmSearch::Open);
}
