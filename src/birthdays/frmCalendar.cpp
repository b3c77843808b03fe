// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmCalendar.h"
#include "language/ContentDirection.h"
#include "widgets/FailureDialog.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/frmCalendarSelection.h"
#include "birthdays/frmProgress.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/ToolbarIcon.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QStyle>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using modCalendar::WeekStart;

namespace {

struct ToolbarButton
{
    const char* key;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
};

const ToolbarButton kToolbarButtons[] = {
    {"Save", "document-save", QStyle::SP_DialogSaveButton},
    {"Print", "document-print", QStyle::SP_FileDialogDetailedView},
    {"Setup", "document-page-setup", QStyle::SP_FileDialogListView},
    {"Css", "preferences-desktop-color", QStyle::SP_DesktopIcon},
};

// A style name as a caption: "&" would otherwise mark a shortcut letter.
QString Caption(const QString& name)
{
    return QString(name).replace(QLatin1Char('&'), QLatin1String("&&"));
}

// The viewer takes no column widths from style sheets: the month grid (the table of
// seven columns) gets seven equal columns across the whole width here, as the sheets
// give it in a browser, so that a long name wraps inside its day.
void EqualiseMonthGrid(QTextDocument* document)
{
    const QList<QTextFrame*> frames = document->rootFrame()->childFrames();
    for (QTextFrame* frame : frames) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table || table->columns() != 7)
            continue;
        QTextTableFormat format = table->format();
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setColumnWidthConstraints(QList<QTextLength>(7, QTextLength(QTextLength::PercentageLength, 100.0 / 7)));
        table->setFormat(format);
    }
}

} // namespace

frmCalendar::frmCalendar(QWidget* parent) : QWidget(parent, Qt::Window), m_year(Platform::Today().year())
{
    setObjectName(QStringLiteral("frmCalendar"));

    tlbHtml = new QToolBar(this);
    tlbHtml->setObjectName(QStringLiteral("tlbHtml"));
    tlbHtml->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbHtml->setIconSize(QSize(16, 16));
    for (const ToolbarButton& definition : kToolbarButtons) {
        const QString key = QString::fromLatin1(definition.key);
        const QIcon icon = ToolbarIcon::ThemeOrStandard(definition.themeIcon, definition.fallback, style());
        QAction* button = tlbHtml->addAction(icon, key);
        button->setObjectName(QStringLiteral("tlbHtml") + key);
        button->setEnabled(false);
        m_buttons.insert(key, button);
        if (key != QLatin1String("Css"))
            connect(button, &QAction::triggered, this, [this, key] { toolbarClicked(key); });
    }
    m_styleMenu = new QMenu(this);
    m_styleMenu->setObjectName(QStringLiteral("mnuCss"));
    toolbarButton(QStringLiteral("Css"))->setMenu(m_styleMenu);
    m_styleButton = qobject_cast<QToolButton*>(tlbHtml->widgetForAction(toolbarButton(QStringLiteral("Css"))));
    if (m_styleButton)
        m_styleButton->setPopupMode(QToolButton::InstantPopup);
    connect(m_styleMenu, &QMenu::triggered, this, [this](QAction* entry) { SelectStyle(entry->data().toString()); });

    tlbHtml->addSeparator();
    auto* weekStart = new QWidget(tlbHtml);
    auto* weekStartLayout = new QHBoxLayout(weekStart);
    weekStartLayout->setContentsMargins(6, 0, 6, 0);
    optMonday = new QRadioButton(weekStart);
    optMonday->setObjectName(QStringLiteral("optMonday"));
    optSunday = new QRadioButton(weekStart);
    optSunday->setObjectName(QStringLiteral("optSunday"));
    weekStartLayout->addWidget(optMonday);
    weekStartLayout->addWidget(optSunday);
    tlbHtml->addWidget(weekStart);
    connect(optMonday, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            weekStartSelected(WeekStart::Monday);
    });
    connect(optSunday, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            weekStartSelected(WeekStart::Sunday);
    });

    wbrCalendar = new HtmlViewer(this);
    wbrCalendar->setObjectName(QStringLiteral("wbrCalendar"));
    connect(wbrCalendar, &HtmlViewer::documentLoaded, this, &frmCalendar::documentLoaded);

    // The viewer fills the window below the toolbar.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tlbHtml);
    layout->addWidget(wbrCalendar, 1);
    resize(900, 680);

    LoadLanguage();
    fillStyleMenu();
    if (modEnvironment::CountPrinters() >= 1)
        toolbarButton(QStringLiteral("Setup"))->setEnabled(true);
    setWeekStartCaptions();
    // Selecting the stored week start generates the calendar.
    if (modCalendar::WeekStartFromSetting(modSettings::Get(Setting::WeekStart)) == WeekStart::Sunday)
        optSunday->setChecked(true);
    else
        optMonday->setChecked(true);
    wbrCalendar->Navigate(modCalendar::PagePath(m_year, Platform::Today().month()));
}

frmCalendar::~frmCalendar()
{
    modCalendar::DeleteCalendarFiles(m_year);
}

frmCalendar* frmCalendar::ShowCalendar(QWidget* owner)
{
    static QPointer<frmCalendar> window;
    if (!window) {
        window = new frmCalendar(owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void frmCalendar::LoadLanguage()
{
    setWindowTitle(T(QStringLiteral("Birthday calendar")));
    toolbarButton(QStringLiteral("Save"))->setText(T(QStringLiteral("Save")));
    toolbarButton(QStringLiteral("Print"))->setText(T(QStringLiteral("Print")));
    toolbarButton(QStringLiteral("Setup"))->setText(T(QStringLiteral("Page setup")));
}

void frmCalendar::fillStyleMenu()
{
    m_styleMenu->clear();
    for (const QString& name : modCalendar::StyleNames()) {
        QAction* entry = m_styleMenu->addAction(Caption(name));
        entry->setData(name);
    }
    toolbarButton(QStringLiteral("Css"))->setText(Caption(modSettings::Get(Setting::CalendarStyle)));
}

void frmCalendar::setWeekStartCaptions()
{
    // Weekday names as the user's regional settings write them.
    const QLocale locale = QLocale::system();
    const auto caption = [&locale](WeekStart weekStart) {
        // The list ends in its own direction, whatever the window's.
        return ContentDirection::Isolated(
            modCalendar::WeekdayNames(weekStart, locale).mid(0, 3).join(QStringLiteral(", ")) +
            QStringLiteral(", ..."));
    };
    optMonday->setText(caption(WeekStart::Monday));
    optSunday->setText(caption(WeekStart::Sunday));
}

void frmCalendar::weekStartSelected(WeekStart weekStart)
{
    modSettings::Set(Setting::WeekStart, modCalendar::WeekStartSetting(weekStart));
    generate();
    wbrCalendar->Refresh();
}

void frmCalendar::generate()
{
    frmProgress progress;
    QString error;
    try {
        modCalendar::CalendarOptions options = modCalendar::StoredOptions();
        options.currentYear = m_year;
        error = modCalendar::GenerateCalendar(&progress, options);
    } catch (const Engine::EngineError& engineError) {
        progress.End();
        ShowFailure(modSql::EngineFailure(engineError));
        return;
    }
    if (!error.isEmpty())
        Platform::inform(T(QStringLiteral("Error")), error, Platform::Icon::Exclamation);
}

void frmCalendar::documentLoaded()
{
    EqualiseMonthGrid(wbrCalendar->document());
    toolbarButton(QStringLiteral("Save"))->setEnabled(true);
    if (modEnvironment::CountPrinters() >= 1)
        toolbarButton(QStringLiteral("Print"))->setEnabled(true);
    toolbarButton(QStringLiteral("Css"))->setEnabled(true);
}

void frmCalendar::toolbarClicked(const QString& key)
{
    if (key == QLatin1String("Save")) {
        frmCalendarSelection selection(this, m_year);
        selection.exec();
    } else if (key == QLatin1String("Print")) {
        wbrCalendar->Print(HtmlViewer::PrintOption::DoDefault);
    } else if (key == QLatin1String("Setup")) {
        wbrCalendar->PageSetup(HtmlViewer::PrintOption::DoDefault);
    }
}

void frmCalendar::SelectStyle(const QString& name)
{
    toolbarButton(QStringLiteral("Css"))->setText(Caption(name));
    modSettings::Set(Setting::CalendarStyle, name);
    // Only the style sheet changes; the pages stay as they are.
    QString error;
    if (!modCalendar::CopyFileReplacing(modCalendar::StyleFile(name), modCalendar::StyleSheetPath(), &error))
        Platform::inform(T(QStringLiteral("Error")), error, Platform::Icon::Exclamation);
    wbrCalendar->Refresh();
}

void frmCalendar::closeEvent(QCloseEvent* event)
{
    modCalendar::DeleteCalendarFiles(m_year);
    event->accept();
}
