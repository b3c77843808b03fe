// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "birthdays/modCalendar.h"
#include "language/LanguageAware.h"

#include <QHash>
#include <QWidget>

class HtmlViewer;
class QAction;
class QMenu;
class QRadioButton;
class QToolBar;
class QToolButton;

// The birthday calendar window: the month pages in the viewer, the week start and the
// style, printing, and saving chosen months. It owns the generated pages: they are made
// when it opens and on each week-start change, and removed when it closes.
class frmCalendar : public QWidget, public LanguageAware
{
    Q_OBJECT

public:
    // Opening the window generates the calendar and shows this month's page.
    explicit frmCalendar(QWidget* parent = nullptr);
    ~frmCalendar() override;

    // The main window's Calendar command: one calendar window at a time, not modal.
    static frmCalendar* ShowCalendar(QWidget* owner);

    void LoadLanguage() override;

    // The toolbar button with this key: "Save", "Print", "Setup" or "Css".
    QAction* toolbarButton(const QString& key) const { return m_buttons.value(key); }
    QMenu* styleMenu() const { return m_styleMenu; }
    // What a click on a style in the "Css" menu does.
    void SelectStyle(const QString& name);

    QToolBar* tlbHtml = nullptr;
    QRadioButton* optMonday = nullptr;
    QRadioButton* optSunday = nullptr;
    HtmlViewer* wbrCalendar = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fillStyleMenu();
    void setWeekStartCaptions();
    void weekStartSelected(modCalendar::WeekStart weekStart);
    void generate();
    void documentLoaded();
    void toolbarClicked(const QString& key);

    QHash<QString, QAction*> m_buttons;
    QMenu* m_styleMenu = nullptr;
    QToolButton* m_styleButton = nullptr;
    int m_year = 0;
};
