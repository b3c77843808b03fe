#pragma once

#include "MainWindowFixture.h"

#include "mainwindow/ContactListModel.h"

#include <QTextBrowser>

#include <functional>
#include <memory>

// The part of a test class that drives the main window: start() shows a new window on
// a new database file with the persons that persons adds, as at a first run (no
// settings), offscreen; stop() closes both again.
class MainWindowTest
{
protected:
    void start(const std::function<void()>& persons, bool registerWindows = false)
    {
        m_fixture = std::make_unique<MainWindowFixture>(
            MainWindowFixture::Options{{}, 8, {}, registerWindows, false, persons, true});
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
        return {w()->fraDetails->title(),
                w()->txtDateofbirth->text(),
                w()->lblAge->isVisible() ? w()->lblAge->text() : "-",
                w()->txtAddress->toPlainText(),
                TestSupport::itemTexts(w()->lvwPhone).join(", "),
                TestSupport::itemTexts(w()->lvwEmail).join(", "),
                w()->rtbNote->toPlainText()};
    }
    // "key=value" of each stored setting named.
    static QStringList settings(const QStringList& keys)
    {
        QStringList values;
        for (const QString& key : keys)
            values << key + "=" + modSettings::ReadSetting(key);
        return values;
    }
    // Clicks a row of the person list, as a user does.
    void clickRow(int row) const
    {
        const QModelIndex index = w()->contactList()->index(row, 0);
        QTest::mouseClick(w()->lvwMain->viewport(), Qt::LeftButton, {}, w()->lvwMain->visualRect(index).center());
    }

    std::unique_ptr<MainWindowFixture> m_fixture;
};
