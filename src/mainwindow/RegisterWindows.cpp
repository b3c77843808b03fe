#include "RegisterWindows.h"

#include "mainwindow/frmMain.h"

void RegisterWindows(frmMain& mainWindow)
{
    // Each part adds its windows here with mainWindow.SetWindowOpener(name, opener).
    (void)mainWindow;
}
