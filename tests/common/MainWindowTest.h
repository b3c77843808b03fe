// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "DataRow.h"
#include "MainWindowFixture.h"
#include "TwoRows.h"

#include "mainwindow/ContactListModel.h"
#include "search/modSearch.h"

#include <QTextBrowser>

// The part of a test class that drives the main window: start() shows a new window on a new
// database file with the persons that persons adds, as at a first run, offscreen; stop() closes both.
class MainWindowTest
{
protected:
    void start(const std::function<void()>& persons, bool registerWindows = false)
    {
        start(MainWindowFixture::Options{{}, 8, {}, registerWindows, false, persons, true});
    }
    // The same on the fixture's own persons, with settings.
    void start(const QString& language = {}, int fontSize = 8, const QString& dateFormat = "dd/mm/yyyy",
               bool registerWindows = false, bool empty = false)
    {
        start({language, fontSize, dateFormat, registerWindows, empty, {}, false});
    }
    void start(const MainWindowFixture::Options& options)
    {
        m_fixture.reset();
        m_fixture = std::make_unique<MainWindowFixture>(options);
        QVERIFY(m_fixture->exposed());
    }
    void stop() { m_fixture.reset(); }

    frmMain* w() const { return &m_fixture->window(); }
    ScriptedPlatform* platform() const { return &m_fixture->platform(); }
    // The names the person list shows, top to bottom.
    QStringList listedNames() const { return TestSupport::itemTexts(w()->contactList()); }
    // What the details show, one entry each: title, date, age ("-" when hidden), address,
    // numbers, e-mail addresses and note.
    QStringList shownDetails() const
    {
        using TestSupport::control;
        const auto* age = control<QLabel>(w(), "lblAge");
        return {control<QGroupBox>(w(), "fraDetails")->title(),
                control<QLineEdit>(w(), "txtDateofbirth")->text(),
                age->isVisible() ? age->text() : "-",
                control<QPlainTextEdit>(w(), "txtAddress")->toPlainText(),
                TestSupport::itemTexts(control<QTreeWidget>(w(), "lvwPhone")).join(", "),
                TestSupport::itemTexts(control<QTreeWidget>(w(), "lvwEmail")).join(", "),
                control<QTextBrowser>(w(), "rtbNote")->toPlainText()};
    }
    // The person list in one line: the count shown, the rows listed, the current row and
    // the name the details show ("-" when hidden), e.g. "5/5 (5 rows), row -1, -".
    QString listState() const
    {
        using TestSupport::control;
        const auto* details = control<QGroupBox>(w(), "fraDetails");
        return QString("%1 (%2 rows), row %3, %4")
            .arg(control<QLabel>(w(), "staMainCount")->text())
            .arg(w()->ListRowCount())
            .arg(control<QTreeView>(w(), "lvwMain")->currentIndex().row())
            .arg(details->isVisible() ? details->title() : "-");
    }
    // Presses Search, with a search window that asks for this condition.
    void searchFor(const QString& condition) const
    {
        w()->SetWindowOpener("frmSearch", [condition](frmMain& window) {
            modSearch::SearchCondition = condition;
            window.FillContactList();
        });
        w()->toolbarButton("Search")->trigger();
    }
    // "key=value" of each stored setting named.
    static QStringList settings(const QStringList& keys)
    {
        QStringList values;
        for (const QString& key : keys)
            values << key + "=" + TestSupport::readSetting(key);
        return values;
    }
    // Clicks a row of the person list, as a user does.
    void clickRow(int row) const { TestSupport::clickItem(TestSupport::control<QTreeView>(w(), "lvwMain"), row); }

    std::unique_ptr<MainWindowFixture> m_fixture;
};
