#pragma once

#include "ScriptedPlatform.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class frmMain;
class QWidget;

// A real database file with named persons and the real main window shown on it,
// offscreen, in a chosen language, font size and date format.
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
    };

    // The persons in list order; the first has every detail, born 15 June 1985.
    static const QStringList& names();

    explicit MainWindowFixture(const Options& options);
    ~MainWindowFixture();

    frmMain& window() const { return *m_window; }
    ScriptedPlatform& platform() const { return *m_platform; }
    QString databasePath() const { return m_path; }
    bool exposed() const { return m_exposed; }

private:
    static void addPersons();

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<ScriptedPlatform> m_platform;
    std::unique_ptr<frmMain> m_window;
    bool m_exposed = false;
};

namespace TestSupport {

// Clicks into a one-line box near its right end, where a click into an empty masked box
// used to leave the cursor behind the mask.
void clickNearRightEnd(QWidget* box);

} // namespace TestSupport
