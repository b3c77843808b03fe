// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "MainWindowFixture.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QAbstractItemModel>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

const QStringList& MainWindowFixture::names()
{
    static const QStringList list{"Anna Ärger",    "Bob Builder", "Carla Diaz",
                                  "Dirk Dijkstra", "Eva Eriksen", "Finn Fischer"};
    return list;
}

MainWindowFixture::MainWindowFixture(const Options& options)
{
    TestSupport::clearSettings();
    modSearch::ClearSearch();
    if (!options.language.isEmpty())
        modSettings::Set(Setting::Language, options.language);
    if (!options.firstRun) {
        modSettings::Set(Setting::FontSize, QString::number(options.fontSize));
        modSettings::Set(Setting::DateFormat, options.dateFormat);
    }
    m_platform = std::make_unique<ScriptedPlatform>();
    m_path = m_dir.filePath(QStringLiteral("home.mdb"));
    ShowOutcome(modDatabase::NewDatabase(m_path));
    if (options.persons)
        options.persons();
    else if (!options.empty)
        addPersons();
    modDatabase::CloseDatabase(false);
    m_registerWindows = options.registerWindows;
    open();
}

void MainWindowFixture::close()
{
    m_window.reset();
    modDatabase::CloseDatabase(false);
}

void MainWindowFixture::open(const QString& argument)
{
    m_window = std::make_unique<frmMain>(argument.isEmpty() ? m_path : argument);
    if (m_registerWindows)
        RegisterWindows(*m_window);
    m_window->Load();
    m_window->show();
    m_exposed = QTest::qWaitForWindowExposed(m_window.get());
}

void MainWindowFixture::addPersons()
{
    QList<SamplePerson> persons{{1,
                                 "Anna Ärger",
                                 QDate(1985, 6, 15),
                                 {"+31 20 555|home"},
                                 {"anna@example.org|work"},
                                 "Main Street 1",
                                 "a note"}};
    for (int i = 1; i < names().size(); ++i)
        persons.append({i + 1, names().at(i), QDate(1960 + i, 1, i + 1)});
    ::addPersons(persons);
}

MainWindowFixture::~MainWindowFixture()
{
    close();
    modSearch::ClearSearch();
}

void TestSupport::typeNearRightEnd(QWidget* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2));
    QTest::keyClicks(box, text);
}

QStringList TestSupport::itemTexts(const QAbstractItemModel* model)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, 0).data().toString();
    return texts;
}

void TestSupport::clickItem(QAbstractItemView* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
}

void TestSupport::clickLink(QTextBrowser* viewer, const QString& href)
{
    QTextDocument* document = viewer->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            if (fragment.fragment().charFormat().anchorHref() != href)
                continue;
            QTextCursor cursor(document);
            cursor.setPosition(fragment.fragment().position() + 1);
            viewer->ensureCursorVisible();
            QTest::mouseClick(viewer->viewport(), Qt::LeftButton, {}, viewer->cursorRect(cursor).center());
            return;
        }
    }
    QFAIL(qPrintable("no link to " + href));
}
