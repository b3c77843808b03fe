#include "MainWindowFixture.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/modSettings.h"

#include <QTest>

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
        modSettings::WriteSetting(QStringLiteral("Language"), options.language);
    modSettings::WriteSetting(QStringLiteral("Font Size"), QString::number(options.fontSize));
    modSettings::WriteSetting(QStringLiteral("Date"), options.dateFormat);
    m_platform = std::make_unique<ScriptedPlatform>();
    m_path = m_dir.filePath(QStringLiteral("home.mdb"));
    modDatabase::NewDatabase(m_path);
    if (!options.empty)
        addPersons();
    modDatabase::CloseDatabase(false);
    m_window = std::make_unique<frmMain>(m_path);
    if (options.registerWindows)
        RegisterWindows(*m_window);
    m_window->Load();
    m_window->show();
    m_exposed = QTest::qWaitForWindowExposed(m_window.get());
}

void MainWindowFixture::addPersons()
{
    modSql::ExecuteSql(QStringLiteral("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES "
                                      "(1, 'Anna Ärger', #6/15/1985#, 'Main Street 1', 'a note')"));
    for (int i = 1; i < names().size(); ++i)
        modSql::ExecuteSql(
            QStringLiteral("INSERT INTO Person (Contactnr, Name, Dateofbirth) VALUES (%1, '%2', #1/%1/%3#)")
                .arg(i + 1)
                .arg(names().at(i))
                .arg(1960 + i));
    for (const char* statement :
         {"INSERT INTO Phone (Contactnr, [Order], [Number], Description) VALUES (1, 1, '+31 20 555', 'home')",
          "INSERT INTO Email (Contactnr, [Order], Email, Description) VALUES (1, 1, 'anna@example.org', 'work')"})
        modSql::ExecuteSql(QString::fromLatin1(statement));
}

MainWindowFixture::~MainWindowFixture()
{
    m_window.reset();
    modDatabase::CloseDatabase(false);
    modSearch::ClearSearch();
}

void TestSupport::clickNearRightEnd(QWidget* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2));
}
