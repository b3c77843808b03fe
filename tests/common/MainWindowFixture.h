// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// Also what a test of the program's windows needs to drive them: the main window, the
// database, the settings and the widgets the windows are made of.
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/frmMain.h"
#include "startup/SettingsFailureNotice.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QTextBrowser;

// A real database file with named persons and the real main window shown on it,
// offscreen, in a chosen language, font size and date format. As in a run of the program,
// a settings file that cannot be written is told once.
class MainWindowFixture
{
public:
    struct Options
    {
        QString language;                  // "" for English
        int fontSize = 8;                  // 8 or 10
        QString dateFormat = "dd/mm/yyyy"; // the "Date" setting
        bool registerWindows = false;      // the editor, search and other windows
        bool empty = false;                // a database without persons
        std::function<void()> persons;     // adds other persons than names()
        bool firstRun = false;             // no settings at all
    };

    // The persons in list order; the first has every detail, born 15 June 1985.
    static const QStringList& names();

    explicit MainWindowFixture(const Options& options);
    ~MainWindowFixture();

    frmMain& window() const { return *m_window; }
    ScriptedPlatform& platform() const { return *m_platform; }
    QString databasePath() const { return m_path; }
    bool exposed() const { return m_exposed; }
    // Closes the window and the database.
    void close();
    // Shows a new window on the database file or with the given command line argument, as
    // a start of the program does.
    void open(const QString& argument = {});
    void restart(const QString& argument = {})
    {
        close();
        open(argument);
    }

private:
    static void addPersons();

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScriptedPlatform> m_platform;
    SettingsFailureNotice m_settingsNotice;
    std::unique_ptr<frmMain> m_window;
    bool m_exposed = false;
    bool m_registerWindows = false;
};

namespace TestSupport {

// Types as a user does: a click into a one-line box near its right end (where a click into
// an empty masked box used to leave the cursor behind the mask), then the text.
void typeNearRightEnd(QWidget* box, const QString& text);
// The texts of a list's first column, top to bottom.
QStringList itemTexts(const QAbstractItemModel* model);
inline QStringList itemTexts(const QTreeWidget* list)
{
    return itemTexts(list->model());
}
// Clicks a row of a list, as a user does.
void clickItem(QAbstractItemView* list, int row);
// Clicks the link with this target where the viewer shows it; fails the test when the
// page has no such link.
void clickLink(QTextBrowser* viewer, const QString& href);

} // namespace TestSupport
