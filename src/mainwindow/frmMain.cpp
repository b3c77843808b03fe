#include "frmMain.h"

#include "birthdays/modAutostart.h"
#include "database/modRecent.h"
#include "language/LanguageMenu.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/Logo.h"
#include "mainwindow/modList.h"
#include "startup/CommandLine.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>

using WindowLayout::Rect;

namespace {

struct ToolbarButton
{
    const char* key;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
};

const ToolbarButton kToolbarButtons[] = {
    {"New", "document-new", QStyle::SP_FileIcon},
    {"Open", "document-open", QStyle::SP_DialogOpenButton},
    {"Add", "list-add", QStyle::SP_FileDialogNewFolder},
    {"Edit", "document-edit", QStyle::SP_FileDialogDetailedView},
    {"Remove", "list-remove", QStyle::SP_TrashIcon},
    {"Export", "document-export", QStyle::SP_DialogSaveButton},
    {"Search", "edit-find", QStyle::SP_FileDialogContentsView},
    {"Email", "mail-send", QStyle::SP_ArrowForward},
    {"Calendar", "x-office-calendar", QStyle::SP_FileDialogInfoView},
};

template <typename Widget> Widget* Named(Widget* widget, const char* name, QWidget* parent)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setParent(parent);
    return widget;
}

} // namespace

frmMain::frmMain(const QString& commandLine, QWidget* parent)
    : QMainWindow(parent), m_commandLine(commandLine), m_layout(WindowLayout::DesignedLayout())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(modDatabase::Caption(QString()));
    setWindowIcon(QIcon(AddrionLogo(64)));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_client);
    createMenus();
    createPopups();
    createToolbar();
    createStatusBar();
    createPanels();
    connectCommands();
    setDatabaseCommandsEnabled(false);
    setPersonCommandsEnabled(false);
    SetDetailsVisible(false);
    modDatabase::SetObserver(this);
    m_client->installEventFilter(this);
    const int dpi = logicalDpiX();
    resize(WindowLayout::TwipsToPixels(WindowLayout::DesignedWidth, dpi),
           WindowLayout::TwipsToPixels(WindowLayout::DesignedHeight, dpi) + menuBar()->sizeHint().height());
    placeControls();
}

frmMain::~frmMain()
{
    modDatabase::SetObserver(nullptr);
}

bool frmMain::isReminderRun() const
{
    return CommandLine::Classify(m_commandLine) == CommandLine::Kind::Reminder;
}

bool frmMain::isWritable() const
{
    const Engine::Connection& connection = modDatabase::DatabaseConnection();
    return connection.IsOpen() && connection.Mode() == Engine::ModeShareDenyNone;
}

QMenu* frmMain::addMenu(const char* name, const QString& caption)
{
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* frmMain::addMenuAction(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void frmMain::createMenus()
{
    mnuFile = addMenu("mnuFile", QStringLiteral("Database"));
    mnuFileNew = addMenuAction(mnuFile, "mnuFileNew", QStringLiteral("New..."));
    mnuFileOpen = addMenuAction(mnuFile, "mnuFileOpen", QStringLiteral("Open..."));
    mnuFileClose = addMenuAction(mnuFile, "mnuFileClose", QStringLiteral("Close"));
    mnuFile->addSeparator();
    mnuFileCopy = addMenuAction(mnuFile, "mnuFileCopy", QStringLiteral("Copy..."));
    mnuFileEmail = addMenuAction(mnuFile, "mnuFileEmail", QStringLiteral("E-mail..."));
    mnuFileImport = addMenuAction(mnuFile, "mnuFileImport", QStringLiteral("Import..."));
    mnuFileSync = addMenuAction(mnuFile, "mnuFileSync", QStringLiteral("Synchronisation..."));
    mnuFileSynchronise = addMenuAction(mnuFile, "mnuFileSynchronise", QStringLiteral("Synchronise"));
    mnuFile->addSeparator();
    for (int i = 1; i <= 3; ++i) {
        QAction* recent = addMenuAction(mnuFile, "mnuFileRecent", QStringLiteral("Recent %1").arg(i));
        recent->setVisible(false);
        mnuFileRecent << recent;
    }
    mnuLine = mnuFile->addSeparator();
    mnuLine->setObjectName(QStringLiteral("mnuLine"));
    mnuLine->setVisible(false);
    mnuFileExit = addMenuAction(mnuFile, "mnuFileExit", QStringLiteral("Exit"));

    mnuPerson = addMenu("mnuPerson", QStringLiteral("Person"));
    mnuPersonAdd = addMenuAction(mnuPerson, "mnuPersonAdd", QStringLiteral("Add..."));
    mnuPersonEdit = addMenuAction(mnuPerson, "mnuPersonEdit", QStringLiteral("Edit..."));
    mnuPersonRemove = addMenuAction(mnuPerson, "mnuPersonRemove", QStringLiteral("Remove"));

    mnuAction = addMenu("mnuAction", QStringLiteral("Action"));
    mnuActionExport = addMenuAction(mnuAction, "mnuActionExport", QStringLiteral("Export..."));
    mnuActionSearch = addMenuAction(mnuAction, "mnuActionSearch", QStringLiteral("Search..."));
    mnuActionSearch->setCheckable(true);
    mnuActionEmail = addMenuAction(mnuAction, "mnuActionEmail", QStringLiteral("E-mail..."));
    mnuAction->addSeparator();
    mnuActionCalendar = addMenuAction(mnuAction, "mnuActionCalendar", QStringLiteral("Birthday calendar"));

    mnuOptions = addMenu("mnuOptions", QStringLiteral("Options"));
    mnuOptionsLanguage = mnuOptions->addMenu(QStringLiteral("Language"));
    mnuOptionsLanguage->setObjectName(QStringLiteral("mnuOptionsLanguage"));
    m_languageMenu = new LanguageMenu(mnuOptionsLanguage);
    mnuOptionsDefaultdatabase =
        addMenuAction(mnuOptions, "mnuOptionsDefaultdatabase", QStringLiteral("Default database..."));
    mnuOptionsCheck = addMenuAction(mnuOptions, "mnuOptionsCheck", QStringLiteral("Check version"));
    mnuOptionsCheck->setCheckable(true);
    mnuOptionsBirthdayreminder =
        addMenuAction(mnuOptions, "mnuOptionsBirthdayreminder", QStringLiteral("Birthday reminder..."));
    mnuOptionsDate = mnuOptions->addMenu(QStringLiteral("Date"));
    mnuOptionsDate->setObjectName(QStringLiteral("mnuOptionsDate"));
    for (const char* format : {"dd/mm/yyyy", "mm/dd/yyyy", "yyyy/mm/dd"}) {
        QAction* entry = addMenuAction(mnuOptionsDate, "mnuOptionsDateFormat", QString::fromLatin1(format));
        entry->setCheckable(true);
        mnuOptionsDateFormat << entry;
    }
    mnuOptionsFont = mnuOptions->addMenu(QStringLiteral("Font"));
    mnuOptionsFont->setObjectName(QStringLiteral("mnuOptionsFont"));
    mnuOptionsFontSize8 = addMenuAction(mnuOptionsFont, "mnuOptionsFontSize8", QStringLiteral("Size 8"));
    mnuOptionsFontSize10 = addMenuAction(mnuOptionsFont, "mnuOptionsFontSize10", QStringLiteral("Size 10"));
    mnuOptionsFontSize8->setCheckable(true);
    mnuOptionsFontSize10->setCheckable(true);

    mnuHelp = addMenu("mnuHelp", QStringLiteral("Help"));
    mnuHelpWebsite = addMenuAction(mnuHelp, "mnuHelpWebsite", QStringLiteral("Website"));
    mnuHelpAbout = addMenuAction(mnuHelp, "mnuHelpAbout", QStringLiteral("About"));
}

void frmMain::createPopups()
{
    auto popup = [this](const char* name) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    mnuPopupMain = popup("mnuPopupMain");
    mnuPopupMainAdd = addMenuAction(mnuPopupMain, "mnuPopupMainAdd", QStringLiteral("Add..."));
    mnuPopupMainEdit = addMenuAction(mnuPopupMain, "mnuPopupMainEdit", QStringLiteral("Edit..."));
    mnuPopupMainRemove = addMenuAction(mnuPopupMain, "mnuPopupMainRemove", QStringLiteral("Remove"));
    mnuPopupMain->addSeparator();
    mnuPopupMainCopy = addMenuAction(mnuPopupMain, "mnuPopupMainCopy", QStringLiteral("Copy"));
    mnuPopupDateofbirth = popup("mnuPopupDateofbirth");
    mnuPopupDateofbirthCopy = addMenuAction(mnuPopupDateofbirth, "mnuPopupDateofbirthCopy", QStringLiteral("Copy"));
    mnuPopupAddress = popup("mnuPopupAddress");
    mnuPopupAddressCopy = addMenuAction(mnuPopupAddress, "mnuPopupAddressCopy", QStringLiteral("Copy"));
    mnuPopupPhone = popup("mnuPopupPhone");
    mnuPopupPhoneCopy = addMenuAction(mnuPopupPhone, "mnuPopupPhoneCopy", QStringLiteral("Copy: Number"));
    mnuPopupPhoneCopy2 =
        addMenuAction(mnuPopupPhone, "mnuPopupPhoneCopy2", QStringLiteral("Copy: Number + Description"));
    mnuPopupEmail = popup("mnuPopupEmail");
    mnuPopupEmailCopy = addMenuAction(mnuPopupEmail, "mnuPopupEmailCopy", QStringLiteral("Copy: E-mail"));
    mnuPopupEmailCopy2 =
        addMenuAction(mnuPopupEmail, "mnuPopupEmailCopy2", QStringLiteral("Copy: E-mail + Description"));
    mnuPopupEmail->addSeparator();
    mnuPopupEmailSend = addMenuAction(mnuPopupEmail, "mnuPopupEmailSend", QStringLiteral("Send email"));
    mnuPopupEmailWebsite = addMenuAction(mnuPopupEmail, "mnuPopupEmailWebsite", QStringLiteral("Website"));
    mnuPopupNote = popup("mnuPopupNote");
    mnuPopupNoteCopy = addMenuAction(mnuPopupNote, "mnuPopupNoteCopy", QStringLiteral("Copy"));
}

void frmMain::createToolbar()
{
    tlbMain = Named(new QToolBar, "tlbMain", m_client);
    tlbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain->setIconSize(QSize(16, 16));
    for (const ToolbarButton& definition : kToolbarButtons) {
        const QString key = QString::fromLatin1(definition.key);
        const QIcon icon =
            QIcon::fromTheme(QString::fromLatin1(definition.themeIcon), style()->standardIcon(definition.fallback));
        QAction* button = tlbMain->addAction(icon, key);
        button->setObjectName(QStringLiteral("tlbMain") + key);
        m_toolbarButtons.insert(key, button);
    }
    toolbarButton(QStringLiteral("Search"))->setCheckable(true);
}

void frmMain::createStatusBar()
{
    staMain = Named(new QStatusBar, "staMain", m_client);
    staMain->setSizeGripEnabled(false);
    staMainPath = Named(new QLabel, "staMainPath", nullptr);
    staMainCount = Named(new QLabel, "staMainCount", nullptr);
    staMain->addWidget(staMainPath, 1);
    staMain->addPermanentWidget(staMainCount);
}

void frmMain::createPanels()
{
    fraQuickSearch = Named(new QGroupBox, "fraQuickSearch", m_client);
    txtQuickSearch = Named(new QLineEdit, "txtQuickSearch", fraQuickSearch);
    txtQuickSearch->setClearButtonEnabled(false);

    fraList = Named(new QGroupBox, "fraList", m_client);
    lvwMain = Named(new QTreeView, "lvwMain", fraList);
    m_contacts = new ContactListModel(this);
    lvwMain->setModel(m_contacts);
    lvwMain->setRootIsDecorated(false);
    lvwMain->setUniformRowHeights(true);
    lvwMain->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwMain->setAllColumnsShowFocus(true);

    fraDetails = Named(new QGroupBox, "fraDetails", m_client);
    fraDateofbirth = Named(new QGroupBox, "fraDateofbirth", m_client);
    txtDateofbirth = Named(new QLineEdit, "txtDateofbirth", fraDateofbirth);
    txtDateofbirth->setReadOnly(true);
    lblDateFormat = Named(new QLabel, "lblDateFormat", fraDateofbirth);
    lblAge = Named(new QLabel, "lblAge", fraDateofbirth);
    fraAddress = Named(new QGroupBox, "fraAddress", m_client);
    txtAddress = Named(new QPlainTextEdit, "txtAddress", fraAddress);
    txtAddress->setReadOnly(true);
    fraNumber = Named(new QGroupBox, "fraNumber", m_client);
    lvwPhone = Named(new QTreeWidget, "lvwPhone", fraNumber);
    fraEmail = Named(new QGroupBox, "fraEmail", m_client);
    lvwEmail = Named(new QTreeWidget, "lvwEmail", fraEmail);
    for (QTreeWidget* list : {lvwPhone, lvwEmail}) {
        list->setRootIsDecorated(false);
        list->setHeaderHidden(true);
        list->setColumnCount(1);
    }
    fraNote = Named(new QGroupBox, "fraNote", m_client);
    rtbNote = Named(new QTextBrowser, "rtbNote", fraNote);
    rtbNote->setOpenLinks(false);
    rtbNote->setOpenExternalLinks(false);

    fraInfo = Named(new QGroupBox, "fraInfo", m_client);
    lblWebsite = Named(new QLabel, "lblWebsite", fraInfo);
    lblWebsite2 = Named(new QLabel, "lblWebsite2", fraInfo);
    lblWebsite2->setText(QString::fromLatin1(Version::WebsiteUrl));
    lblWebsite2->setCursor(Qt::PointingHandCursor);
    lblWebsite2->setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline;"));
    imgLogo = Named(new QLabel, "imgLogo", m_client);
    imgLogo->setAlignment(Qt::AlignCenter);

    for (QWidget* widget :
         std::initializer_list<QWidget*>{lvwMain, lvwPhone, lvwEmail, txtDateofbirth, txtAddress, rtbNote})
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
    for (QObject* watched : std::initializer_list<QObject*>{txtQuickSearch, lvwMain, lvwPhone, lvwEmail, txtDateofbirth,
                                                            txtAddress, rtbNote->viewport(), lblWebsite2})
        watched->installEventFilter(this);
}

void frmMain::placeControls()
{
    const int dpi = logicalDpiX();
    auto place = [dpi](QWidget* widget, const Rect& r) {
        widget->setGeometry(WindowLayout::TwipsToPixels(r.left, dpi), WindowLayout::TwipsToPixels(r.top, dpi),
                            WindowLayout::TwipsToPixels(r.width, dpi), WindowLayout::TwipsToPixels(r.height, dpi));
    };
    const WindowLayout::MainWindowLayout& l = m_layout;
    place(tlbMain, l.tlbMain);
    place(staMain, l.staMain);
    place(fraQuickSearch, l.fraQuickSearch);
    place(txtQuickSearch, l.txtQuickSearch);
    place(fraList, l.fraList);
    place(lvwMain, l.lvwMain);
    lvwMain->setColumnWidth(0, WindowLayout::TwipsToPixels(l.lvwMainColumn1, dpi));
    place(fraDetails, l.fraDetails);
    place(fraDateofbirth, l.fraDateofbirth);
    place(txtDateofbirth, l.txtDateofbirth);
    place(lblDateFormat, l.lblDateFormat);
    place(lblAge, l.lblAge);
    fitLabels();
    place(fraAddress, l.fraAddress);
    place(txtAddress, l.txtAddress);
    place(fraNumber, l.fraNumber);
    place(lvwPhone, l.lvwPhone);
    lvwPhone->setColumnWidth(0, WindowLayout::TwipsToPixels(l.lvwPhoneColumn1, dpi));
    place(fraEmail, l.fraEmail);
    place(lvwEmail, l.lvwEmail);
    lvwEmail->setColumnWidth(0, WindowLayout::TwipsToPixels(l.lvwEmailColumn1, dpi));
    place(fraNote, l.fraNote);
    place(rtbNote, l.rtbNote);
    place(fraInfo, l.fraInfo);
    place(imgLogo, l.imgLogo);
    const int infoHeight = WindowLayout::TwipsToPixels(l.fraInfo.height, dpi);
    const int infoWidth = WindowLayout::TwipsToPixels(l.fraInfo.width, dpi);
    lblWebsite->setGeometry(8, infoHeight / 2 - 8, infoWidth / 4, 20);
    lblWebsite2->setGeometry(8 + infoWidth / 4, infoHeight / 2 - 8, infoWidth - infoWidth / 4 - 16, 20);
    const int logo = qMin(imgLogo->width(), imgLogo->height());
    if (logo > 0)
        imgLogo->setPixmap(AddrionLogo(logo * 2 / 3));
    // Frames hold their controls on top of them.
    for (QWidget* frame :
         std::initializer_list<QWidget*>{fraDateofbirth, fraAddress, fraNumber, fraEmail, fraNote, fraInfo, imgLogo})
        frame->raise();
}

void frmMain::fitLabels()
{
    // Labels take the room their text needs in this font, which the measures of the
    // design may not give.
    const int dpi = logicalDpiX();
    const WindowLayout::MainWindowLayout& l = m_layout;
    lblDateFormat->resize(
        qMax(WindowLayout::TwipsToPixels(l.lblDateFormat.width, dpi), lblDateFormat->sizeHint().width()),
        lblDateFormat->height());
    lblAge->resize(qMax(WindowLayout::TwipsToPixels(l.lblAge.width, dpi), lblAge->sizeHint().width()),
                   lblAge->height());
}

void frmMain::applyLayout()
{
    if (windowState() & Qt::WindowMinimized)
        return;
    const int dpi = logicalDpiX();
    m_layout = WindowLayout::Resize(WindowLayout::PixelsToTwips(m_client->width(), dpi),
                                    WindowLayout::PixelsToTwips(m_client->height(), dpi), m_layout);
    placeControls();
}

void frmMain::LoadLanguage()
{
    const QString dots = QStringLiteral("...");
    mnuFile->setTitle(T("Database"));
    mnuPerson->setTitle(T("Person"));
    mnuAction->setTitle(T("Action"));
    mnuOptions->setTitle(T("Options"));
    mnuHelp->setTitle(T("Help"));
    mnuFileNew->setText(T("New") + dots);
    mnuFileOpen->setText(T("Open") + dots);
    mnuFileCopy->setText(T("Copy") + dots);
    mnuFileEmail->setText(T("E-mail") + dots);
    mnuFileImport->setText(T("Import") + dots);
    mnuFileSync->setText(T("Synchronisation") + dots);
    mnuFileSynchronise->setText(T("Synchronise"));
    mnuFileClose->setText(T("Close"));
    mnuFileExit->setText(T("Exit"));
    for (QAction* add : {mnuPersonAdd, mnuPopupMainAdd})
        add->setText(T("Add") + dots);
    for (QAction* edit : {mnuPersonEdit, mnuPopupMainEdit})
        edit->setText(T("Edit") + dots);
    for (QAction* remove : {mnuPersonRemove, mnuPopupMainRemove})
        remove->setText(T("Remove"));
    mnuActionExport->setText(T("Export") + dots);
    mnuActionSearch->setText(T("Search") + dots);
    mnuActionEmail->setText(T("E-mail") + dots);
    mnuActionCalendar->setText(T("Birthday calendar"));
    mnuOptionsLanguage->setTitle(T("Language"));
    mnuOptionsDefaultdatabase->setText(T("Default database") + dots);
    mnuOptionsCheck->setText(T("Check version"));
    mnuOptionsBirthdayreminder->setText(T("Birthday reminder") + dots);
    mnuOptionsDate->setTitle(T("Date"));
    mnuOptionsFont->setTitle(T("Font"));
    mnuOptionsFontSize8->setText(T("Size") + QStringLiteral(" 8"));
    mnuOptionsFontSize10->setText(T("Size") + QStringLiteral(" 10"));
    mnuHelpWebsite->setText(T("Website"));
    mnuHelpAbout->setText(T("About"));
    mnuPopupEmailWebsite->setText(T("Website"));
    for (QAction* copy : {mnuPopupMainCopy, mnuPopupDateofbirthCopy, mnuPopupAddressCopy, mnuPopupNoteCopy})
        copy->setText(T("Copy"));
    const QString copyNumber = T("Copy") + QStringLiteral(": ") + T("Number");
    mnuPopupPhoneCopy->setText(copyNumber);
    mnuPopupPhoneCopy2->setText(copyNumber + QStringLiteral(" + ") + T("Description"));
    const QString copyEmail = T("Copy") + QStringLiteral(": ") + T("E-mail");
    mnuPopupEmailCopy->setText(copyEmail);
    mnuPopupEmailCopy2->setText(copyEmail + QStringLiteral(" + ") + T("Description"));
    mnuPopupEmailSend->setText(T("Send e-mail"));

    const std::pair<const char*, QString> buttonCaptions[] = {
        {"New", T("New")},       {"Open", T("Open")},     {"Add", T("Add")},
        {"Edit", T("Edit")},     {"Remove", T("Remove")}, {"Export", T("Export")},
        {"Search", T("Search")}, {"Email", T("E-mail")},  {"Calendar", T("Calendar")},
    };
    for (const auto& [key, caption] : buttonCaptions)
        toolbarButton(QString::fromLatin1(key))->setText(caption);

    fraQuickSearch->setTitle(T("Quick search"));
    // While a person is shown the frame carries the name.
    if (fraDetails->isHidden())
        fraDetails->setTitle(T("Details"));
    fraDateofbirth->setTitle(T("Date of birth"));
    fraAddress->setTitle(T("Address"));
    fraNumber->setTitle(T("Numbers"));
    fraEmail->setTitle(T("E-mail"));
    fraNote->setTitle(T("Note"));
    lblWebsite->setText(T("Website") + QLatin1Char(':'));
    if (!lblAge->isHidden())
        lblAge->setText(modList::RetranslateAgeCaption(lblAge->text()));
    fitLabels();
    fraInfo->setTitle(QString::fromLatin1(Version::AppName) + QLatin1Char(' ') +
                      QString::fromLatin1(Version::AppVersion));
}

void frmMain::Load()
{
    if (isReminderRun())
        return;
    m_languageMenu->InitLanguage(); // N1
    LoadLanguage();                 // N2
    SetUpOptions();                 // N3
    RefreshRecentMenu();            // N4
    ChooseDatabase();               // N5
    SetNoteLinkDetection(true);     // N6
    ShowPersonArgument();           // N7
}

void frmMain::RefreshRecentMenu()
{
    const QStringList recent = modRecent::RecentDatabases();
    mnuLine->setVisible(false);
    for (int i = 0; i < mnuFileRecent.size(); ++i) {
        QAction* entry = mnuFileRecent.at(i);
        const QString path = recent.value(i);
        entry->setVisible(!path.isEmpty());
        if (path.isEmpty())
            continue;
        // "&" in a path is text, not a shortcut marker.
        entry->setText(modRecent::ShortenPath(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        if (i == 0)
            mnuLine->setVisible(true);
    }
}

void frmMain::ChooseDatabase()
{
    if (CommandLine::Classify(m_commandLine) == CommandLine::Kind::DatabasePath &&
        modDatabase::IsValidDatabase(m_commandLine)) {
        modDatabase::OpenDatabase(m_commandLine);
        return;
    }
    modDatabase::OpenDefaultDatabase();
}

void frmMain::ShowPersonArgument()
{
    if (CommandLine::Classify(m_commandLine) != CommandLine::Kind::Person)
        return;
    const QString key = CommandLine::PersonKey(m_commandLine);
    // A person removed since the reminder listed it has no row: nothing is selected.
    if (!SelectRowByKey(key))
        return;
    if (const auto contactnr = CurrentContactnr())
        ShowPerson(*contactnr);
}

QString frmMain::windowStateSetting() const
{
    if (windowState() & Qt::WindowMinimized)
        return QStringLiteral("1");
    if (windowState() & Qt::WindowMaximized)
        return QStringLiteral("2");
    return QStringLiteral("0");
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (isReminderRun()) {
        event->accept();
        return;
    }
    modSettings::WriteSetting(QStringLiteral("WindowState"), windowStateSetting());
    SetNoteLinkDetection(false);
    modDatabase::CloseDatabase(true);
    // Every other window goes with the main window; then the program ends.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    event->accept();
}
