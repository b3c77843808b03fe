#pragma once

class frmMain;

// Connects the main window's commands to the windows of the other parts of the
// program (editor, search, export, birthdays, options, About, ...).
void RegisterWindows(frmMain& mainWindow);
