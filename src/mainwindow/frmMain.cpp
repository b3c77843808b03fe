// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmMain.h"

#include "birthdays/modAutostart.h"
#include "database/modPersonView.h"
#include "database/modRecent.h"
#include "language/ContentDirection.h"
#include "language/LanguageMenu.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "startup/CommandLine.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"
#include "widgets/Logo.h"
#include "widgets/ToolbarIcon.h"
#include "widgets/WidgetRules.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>

using WindowLayout::Rect;

namespace {

// The information panel: a frame around what it offers, its title alone while it is flat
// (the style would draw an empty box).
class InfoPanel : public QGroupBox
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        if (isFlat())
            option.subControls &= ~QStyle::SC_GroupBoxFrame;
        painter.drawComplexControl(QStyle::CC_GroupBox, option);
    }
};

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
    {"Synchronise", "view-refresh", QStyle::SP_BrowserReload},
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
    tmrSync = new QTimer(this);
    tmrSync->setObjectName(QStringLiteral("tmrSync"));
    connect(tmrSync, &QTimer::timeout, this, [this] { openWindow(QStringLiteral("frmAutoSync")); });
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
    // Not while a long task works on the database.
    const Engine::Connection& connection = modDatabase::DatabaseConnection();
    return !LongTaskRunning() && connection.IsOpen() && connection.Mode() == Engine::ModeShareDenyNone;
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
    mnuFile = addMenu("mnuFile", QStringLiteral("&Database"));
    mnuFileNew = addMenuAction(mnuFile, "mnuFileNew", QStringLiteral("&New..."));
    mnuFileOpen = addMenuAction(mnuFile, "mnuFileOpen", QStringLiteral("&Open..."));
    mnuFileClose = addMenuAction(mnuFile, "mnuFileClose", QStringLiteral("&Close"));
    mnuFile->addSeparator();
    mnuFileCopy = addMenuAction(mnuFile, "mnuFileCopy", QStringLiteral("Co&py..."));
    mnuFileEmail = addMenuAction(mnuFile, "mnuFileEmail", QStringLiteral("E-&mail..."));
    mnuFileImport = addMenuAction(mnuFile, "mnuFileImport", QStringLiteral("&Import..."));
    mnuFileSync = addMenuAction(mnuFile, "mnuFileSync", QStringLiteral("&Synchronisation..."));
    mnuFileSynchronise = addMenuAction(mnuFile, "mnuFileSynchronise", QStringLiteral("S&ynchronise"));
    mnuFile->addSeparator();
    mnuFileGroupRename = addMenuAction(mnuFile, "mnuFileGroupRename", QStringLiteral("Rename &group..."));
    mnuFileGroupRemove = addMenuAction(mnuFile, "mnuFileGroupRemove", QStringLiteral("Remove g&roup..."));
    mnuFile->addSeparator();
    for (int i = 1; i <= 3; ++i) {
        QAction* recent = addMenuAction(mnuFile, "mnuFileRecent", QStringLiteral("Recent %1").arg(i));
        recent->setVisible(false);
        mnuFileRecent << recent;
    }
    mnuLine = mnuFile->addSeparator();
    mnuLine->setObjectName(QStringLiteral("mnuLine"));
    mnuLine->setVisible(false);
    mnuFileExit = addMenuAction(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));

    mnuPerson = addMenu("mnuPerson", QStringLiteral("&Person"));
    mnuPersonAdd = addMenuAction(mnuPerson, "mnuPersonAdd", QStringLiteral("&Add..."));
    mnuPersonEdit = addMenuAction(mnuPerson, "mnuPersonEdit", QStringLiteral("&Edit..."));
    mnuPersonRemove = addMenuAction(mnuPerson, "mnuPersonRemove", QStringLiteral("&Remove"));
    mnuPerson->addSeparator();
    mnuPersonDuplicates = addMenuAction(mnuPerson, "mnuPersonDuplicates", QStringLiteral("Find &duplicates..."));

    mnuAction = addMenu("mnuAction", QStringLiteral("&Action"));
    mnuActionExport = addMenuAction(mnuAction, "mnuActionExport", QStringLiteral("&Export..."));
    mnuActionLabels = addMenuAction(mnuAction, "mnuActionLabels", QStringLiteral("&Labels and envelopes..."));
    mnuActionSearch = addMenuAction(mnuAction, "mnuActionSearch", QStringLiteral("&Search..."));
    mnuActionSearch->setCheckable(true);
    mnuActionEmail = addMenuAction(mnuAction, "mnuActionEmail", QStringLiteral("E-&mail..."));
    mnuAction->addSeparator();
    mnuActionCalendar = addMenuAction(mnuAction, "mnuActionCalendar", QStringLiteral("&Birthday calendar"));

    mnuOptions = addMenu("mnuOptions", QStringLiteral("&Options"));
    mnuOptionsLanguage = mnuOptions->addMenu(QStringLiteral("&Language"));
    mnuOptionsLanguage->setObjectName(QStringLiteral("mnuOptionsLanguage"));
    m_languageMenu = new LanguageMenu(mnuOptionsLanguage);
    mnuOptionsDefaultdatabase =
        addMenuAction(mnuOptions, "mnuOptionsDefaultdatabase", QStringLiteral("&Default database..."));
    mnuOptionsCheck = addMenuAction(mnuOptions, "mnuOptionsCheck", QStringLiteral("Check &version"));
    mnuOptionsCheck->setCheckable(true);
    // A build without an update address has no version to check.
    mnuOptionsCheck->setVisible(!Version::UpdateUrl().isEmpty());
    mnuOptionsBirthdayreminder =
        addMenuAction(mnuOptions, "mnuOptionsBirthdayreminder", QStringLiteral("Birthday &reminder..."));
    mnuOptionsDate = mnuOptions->addMenu(QStringLiteral("Da&te"));
    mnuOptionsDate->setObjectName(QStringLiteral("mnuOptionsDate"));
    // One of each group is chosen, shown as radio items.
    auto* dateFormats = new QActionGroup(this);
    for (const char* format : {"dd/mm/yyyy", "mm/dd/yyyy", "yyyy/mm/dd"}) {
        QAction* entry =
            addMenuAction(mnuOptionsDate, "mnuOptionsDateFormat", QLatin1Char('&') + QString::fromLatin1(format));
        entry->setCheckable(true);
        entry->setData(QString::fromLatin1(format));
        dateFormats->addAction(entry);
        mnuOptionsDateFormat << entry;
    }
    mnuOptionsFont = mnuOptions->addMenu(QStringLiteral("&Font"));
    mnuOptionsFont->setObjectName(QStringLiteral("mnuOptionsFont"));
    mnuOptionsFontSize8 = addMenuAction(mnuOptionsFont, "mnuOptionsFontSize8", QStringLiteral("Size &8"));
    mnuOptionsFontSize10 = addMenuAction(mnuOptionsFont, "mnuOptionsFontSize10", QStringLiteral("Size &10"));
    auto* fontSizes = new QActionGroup(this);
    for (QAction* size : {mnuOptionsFontSize8, mnuOptionsFontSize10}) {
        size->setCheckable(true);
        fontSizes->addAction(size);
    }

    mnuHelp = addMenu("mnuHelp", QStringLiteral("&Help"));
    mnuHelpWebsite = addMenuAction(mnuHelp, "mnuHelpWebsite", QStringLiteral("We&bsite"));
    mnuHelpWebsite->setVisible(!Version::Website().isEmpty());
    mnuHelpAbout = addMenuAction(mnuHelp, "mnuHelpAbout", QStringLiteral("&About"));
}

void frmMain::createPopups()
{
    auto popup = [this](const char* name) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    mnuPopupMain = popup("mnuPopupMain");
    mnuPopupMainAdd = addMenuAction(mnuPopupMain, "mnuPopupMainAdd", QStringLiteral("&Add..."));
    mnuPopupMainEdit = addMenuAction(mnuPopupMain, "mnuPopupMainEdit", QStringLiteral("&Edit..."));
    mnuPopupMainRemove = addMenuAction(mnuPopupMain, "mnuPopupMainRemove", QStringLiteral("&Remove"));
    mnuPopupMain->addSeparator();
    mnuPopupMainCopy = addMenuAction(mnuPopupMain, "mnuPopupMainCopy", QStringLiteral("&Copy"));
    mnuPopupDateofbirth = popup("mnuPopupDateofbirth");
    mnuPopupDateofbirthCopy = addMenuAction(mnuPopupDateofbirth, "mnuPopupDateofbirthCopy", QStringLiteral("&Copy"));
    mnuPopupAddress = popup("mnuPopupAddress");
    mnuPopupAddressCopy = addMenuAction(mnuPopupAddress, "mnuPopupAddressCopy", QStringLiteral("&Copy"));
    mnuPopupPhone = popup("mnuPopupPhone");
    mnuPopupPhoneCopy = addMenuAction(mnuPopupPhone, "mnuPopupPhoneCopy", QStringLiteral("Copy: &Number"));
    mnuPopupPhoneCopy2 =
        addMenuAction(mnuPopupPhone, "mnuPopupPhoneCopy2", QStringLiteral("Copy: Number + &Description"));
    mnuPopupEmail = popup("mnuPopupEmail");
    mnuPopupEmailCopy = addMenuAction(mnuPopupEmail, "mnuPopupEmailCopy", QStringLiteral("Copy: E-&mail"));
    mnuPopupEmailCopy2 =
        addMenuAction(mnuPopupEmail, "mnuPopupEmailCopy2", QStringLiteral("Copy: E-mail + &Description"));
    mnuPopupEmail->addSeparator();
    mnuPopupEmailSend = addMenuAction(mnuPopupEmail, "mnuPopupEmailSend", QStringLiteral("&Send e-mail"));
    mnuPopupEmailWebsite = addMenuAction(mnuPopupEmail, "mnuPopupEmailWebsite", QStringLiteral("We&bsite"));
    mnuPopupNote = popup("mnuPopupNote");
    mnuPopupNoteCopy = addMenuAction(mnuPopupNote, "mnuPopupNoteCopy", QStringLiteral("&Copy"));
}

void frmMain::createToolbar()
{
    tlbMain = Named(new QToolBar, "tlbMain", m_client);
    tlbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain->setIconSize(QSize(16, 16));
    for (const ToolbarButton& definition : kToolbarButtons) {
        const QString key = QString::fromLatin1(definition.key);
        const QIcon icon = ToolbarIcon::ThemeOrStandard(definition.themeIcon, definition.fallback, style());
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
    staMainCount->setContentsMargins(0, 0, 4, 0);
    // Room for the longest count: every number a database can hold, of as many.
    staMainCount->setMinimumWidth(staMainCount->fontMetrics().horizontalAdvance(QStringLiteral("32767/32767")) +
                                  staMainCount->contentsMargins().left() + staMainCount->contentsMargins().right());
    staMainCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void frmMain::createPanels()
{
    fraQuickSearch = Named(new QGroupBox, "fraQuickSearch", m_client);
    txtQuickSearch = Named(new QLineEdit, "txtQuickSearch", fraQuickSearch);
    cboGroup = Named(new QComboBox, "cboGroup", fraQuickSearch);
    cboGroup->hide();
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
    fraWork = Named(new QGroupBox, "fraWork", m_client);
    txtWork = Named(new QLineEdit, "txtWork", fraWork);
    txtWork->setReadOnly(true);
    imgPhoto = Named(new QLabel, "imgPhoto", m_client);
    imgPhoto->setAlignment(Qt::AlignCenter);
    imgPhoto->setFrameShape(QFrame::StyledPanel);
    fraGroups = Named(new QGroupBox, "fraGroups", m_client);
    txtGroups = Named(new QLineEdit, "txtGroups", fraGroups);
    txtGroups->setReadOnly(true);
    fraWork->hide();
    fraGroups->hide();
    imgPhoto->hide();
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

    fraInfo = Named(new InfoPanel, "fraInfo", m_client);
    lblWebsite = Named(new QLabel, "lblWebsite", fraInfo);
    lblWebsite2 = Named(new QLabel, "lblWebsite2", fraInfo);
    lblWebsite2->setText(Version::Website());
    // Without a web site the panel shows only the program's name and version.
    for (QLabel* label : {lblWebsite, lblWebsite2})
        label->setVisible(!Version::Website().isEmpty());
    lblWebsite2->setCursor(Qt::PointingHandCursor);
    lblWebsite2->setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline;"));
    cmdFirstAdd = Named(new QPushButton, "cmdFirstAdd", fraInfo);
    cmdFirstImport = Named(new QPushButton, "cmdFirstImport", fraInfo);
    cmdFirstConnect = Named(new QPushButton, "cmdFirstConnect", fraInfo);
    for (QPushButton* button : {cmdFirstAdd, cmdFirstImport, cmdFirstConnect})
        button->hide();
    imgLogo = Named(new QLabel, "imgLogo", m_client);
    imgLogo->setAlignment(Qt::AlignCenter);

    for (QWidget* widget :
         std::initializer_list<QWidget*>{lvwMain, lvwPhone, lvwEmail, txtDateofbirth, txtAddress, rtbNote})
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
    for (QAbstractItemView* list : std::initializer_list<QAbstractItemView*>{lvwMain, lvwPhone, lvwEmail})
        ContentDirectionDelegate::install(list);
    for (QObject* watched : std::initializer_list<QObject*>{txtQuickSearch, lvwMain, lvwPhone, lvwEmail, txtDateofbirth,
                                                            txtAddress, rtbNote->viewport(), lblWebsite2})
        watched->installEventFilter(this);
}

namespace {

// Where the controls inside a frame may start: below the frame's title in its font.
int InnerTop(const QGroupBox* frame, int designed)
{
    return qMax(designed, frame->contentsMargins().top());
}

} // namespace

void frmMain::placeControls()
{
    // The design in twips, then grown where the current fonts need more room than the
    // design gives: a taller toolbar and status bar, frame titles taller than the gap
    // above their controls, boxes taller than their row. What grows pushes the frames
    // below it down; the frames that reach the status bar give up that height.
    const int dpi = logicalDpiX();
    auto px = [dpi](int twips) { return WindowLayout::TwipsToPixels(twips, dpi); };
    auto rect = [&px](const Rect& r) { return QRect(px(r.left), px(r.top), px(r.width), px(r.height)); };
    const WindowLayout::MainWindowLayout& l = m_layout;

    QRect toolbar = rect(l.tlbMain);
    toolbar.setHeight(qMax(toolbar.height(), tlbMain->sizeHint().height()));
    const int belowToolbar = toolbar.height() - px(l.tlbMain.height);
    QRect status = rect(l.staMain);
    const int statusGrowth = qMax(0, staMain->sizeHint().height() - status.height());
    status.setTop(status.top() - statusGrowth);
    placeMirrored(tlbMain, toolbar);
    placeMirrored(staMain, status);
    const int bottomLoss = belowToolbar + statusGrowth;

    // A frame holding one box: the box below the title, at least as tall as it needs.
    // Returns how much taller the frame became.
    auto placeRow = [&](QGroupBox* frame, Rect frameRect, QWidget* box, Rect boxRect, int shift) {
        QRect f = rect(frameRect).translated(0, shift);
        const int top = InnerTop(frame, px(boxRect.top));
        const int height = qMax(px(boxRect.height), box->sizeHint().height());
        const int bottomGap = px(frameRect.height - boxRect.top - boxRect.height);
        const int growth = qMax(0, top + height + bottomGap - f.height());
        f.setHeight(f.height() + growth);
        placeMirrored(frame, f);
        placeMirrored(box, QRect(px(boxRect.left), top, px(boxRect.width), height));
        return growth;
    };
    // A frame whose box fills it: the box starts below the title and keeps the
    // designed gap to the frame's bottom.
    auto placeFilled = [&](QGroupBox* frame, Rect frameRect, QWidget* box, Rect boxRect, int shift, int loss) {
        QRect f = rect(frameRect).translated(0, shift);
        f.setHeight(qMax(0, f.height() - loss));
        placeMirrored(frame, f);
        const int top = InnerTop(frame, px(boxRect.top));
        const int bottomGap = px(frameRect.height - boxRect.top - boxRect.height);
        placeMirrored(box, QRect(px(boxRect.left), top, px(boxRect.width), qMax(0, f.height() - top - bottomGap)));
    };

    const int quickGrowth = placeRow(fraQuickSearch, l.fraQuickSearch, txtQuickSearch, l.txtQuickSearch, belowToolbar);
    if (!cboGroup->isHidden()) {
        // The group filter shares the row with the quick search, at its end.
        const QRect box = leftToRightGeometry(txtQuickSearch);
        const int filter = qMin(box.width() / 2, cboGroup->sizeHint().width());
        placeMirrored(txtQuickSearch, QRect(box.left(), box.top(), box.width() - filter - px(60), box.height()));
        placeMirrored(cboGroup, QRect(box.right() + 1 - filter, box.top(), filter, box.height()));
    }
    placeFilled(fraList, l.fraList, lvwMain, l.lvwMain, belowToolbar + quickGrowth, bottomLoss + quickGrowth);
    lvwMain->setColumnWidth(0, px(l.lvwMainColumn1));

    QRect details = rect(l.fraDetails).translated(0, belowToolbar);
    details.setHeight(qMax(0, details.height() - bottomLoss));
    placeMirrored(fraDetails, details);
    // The details' own title (the person's name) sits above the first frame.
    const int belowName = qMax(0, fraDetails->contentsMargins().top() - px(l.fraDateofbirth.top - l.fraDetails.top));
    const int detailsShift = belowToolbar + belowName;
    // A person with an organisation, a title or a photo has a row for them below the date;
    // the photo stands at the right of both rows, and the rows below move down.
    const int rowStep = l.fraAddress.top - l.fraDateofbirth.top;
    const int photoWidth = m_workShown && !m_photo.isNull() ? (2 * rowStep - 120) * 3 / 4 : 0;
    Rect dateRow = l.fraDateofbirth;
    if (photoWidth > 0)
        dateRow.width -= photoWidth + 120;
    const int dateGrowth = placeRow(fraDateofbirth, dateRow, txtDateofbirth, l.txtDateofbirth, detailsShift);
    placeDateRow();

    int shift = detailsShift + dateGrowth;
    if (m_workShown) {
        Rect work = dateRow;
        work.top += rowStep;
        Rect box = l.txtDateofbirth;
        box.width = work.width - 2 * box.left;
        const int workGrowth = placeRow(fraWork, work, txtWork, box, shift);
        const QRect workFrame = leftToRightGeometry(fraWork);
        const QRect dateFrame = leftToRightGeometry(fraDateofbirth);
        const QRect photo(workFrame.right() + 1 + px(120), dateFrame.top() + px(60), px(photoWidth),
                          workFrame.bottom() - dateFrame.top() - px(60));
        placeMirrored(imgPhoto, photo);
        imgPhoto->setPixmap(m_photo.isNull()
                                ? QPixmap()
                                : QPixmap::fromImage(m_photo.scaled(photo.size() - QSize(4, 4), Qt::KeepAspectRatio,
                                                                    Qt::SmoothTransformation)));
        shift += px(rowStep) + workGrowth;
    }
    if (m_groupsShown) {
        // Below the date (and the organisation), the whole width of the details.
        Rect groups = l.fraDateofbirth;
        groups.top += rowStep;
        Rect box = l.txtDateofbirth;
        box.width = groups.width - 2 * box.left;
        const int groupsGrowth = placeRow(fraGroups, groups, txtGroups, box, shift);
        shift += px(rowStep) + groupsGrowth;
    }
    placeFilled(fraAddress, l.fraAddress, txtAddress, l.txtAddress, shift, 0);
    placeFilled(fraNumber, l.fraNumber, lvwPhone, l.lvwPhone, shift, 0);
    lvwPhone->setColumnWidth(0, px(l.lvwPhoneColumn1));
    placeFilled(fraEmail, l.fraEmail, lvwEmail, l.lvwEmail, shift, 0);
    lvwEmail->setColumnWidth(0, px(l.lvwEmailColumn1));
    placeFilled(fraNote, l.fraNote, rtbNote, l.rtbNote, shift, shift - belowToolbar + bottomLoss);
    fraWork->raise();
    fraGroups->raise();
    placeInfo(rect(l.fraInfo).translated(0, detailsShift), details.right() - px(l.fraInfo.left) + 1 - px(120));
    placeMirrored(imgLogo, rect(l.imgLogo).translated(0, detailsShift));
    const int logo = qMin(imgLogo->width(), imgLogo->height());
    if (logo > 0)
        imgLogo->setPixmap(AddrionLogo(logo * 2 / 3));
    // Frames hold their controls on top of them.
    for (QWidget* frame :
         std::initializer_list<QWidget*>{fraDateofbirth, fraAddress, fraNumber, fraEmail, fraNote, fraInfo, imgLogo})
        frame->raise();

    // The smallest client area at which this still holds: the designed size plus what
    // the fonts added, and wide enough for the date row.
    // Wide enough for every toolbar button with its caption: long captions (Greek,
    // Russian) would otherwise push the last buttons into the toolbar's overflow menu.
    m_client->setMinimumSize(std::max({px(WindowLayout::DesignedWidth), minimumDetailsWidth() + px(l.fraList.width),
                                       tlbMain->sizeHint().width()}),
                             px(WindowLayout::DesignedHeight) + shift + statusGrowth);
}

void frmMain::placeInfo(QRect info, int maximumWidth)
{
    // The web site's line sits in the designed height; the first steps stack below it
    // (below the title when there is no web site), the panel as wide as the widest
    // caption needs, up to the details' width, and as tall as the buttons need.
    const QList<QPushButton*> buttons{cmdFirstAdd, cmdFirstImport, cmdFirstConnect};
    const int designedHeight = info.height();
    const int lineHeight = qMax(20, lblWebsite->sizeHint().height());
    const int lineTop = (designedHeight - lineHeight) / 2 + 2;
    const int gap = 6;
    int buttonWidth = 0;
    int buttonHeight = 0;
    for (QPushButton* button : buttons) {
        buttonWidth = qMax(buttonWidth, button->sizeHint().width());
        buttonHeight = qMax(buttonHeight, button->sizeHint().height());
    }
    const int buttonsTop =
        Version::Website().isEmpty() ? fraInfo->contentsMargins().top() + gap : lineTop + lineHeight + gap;
    if (m_firstSteps) {
        info.setWidth(qMin(qMax(info.width(), buttonWidth + 2 * 8), maximumWidth));
        info.setHeight(qMax(designedHeight, buttonsTop + 3 * (buttonHeight + gap) + gap));
    }
    placeMirrored(fraInfo, info);
    // With neither the web site nor the first steps in it, the panel is its title alone:
    // no empty box below it.
    fraInfo->setFlat(!m_firstSteps && Version::Website().isEmpty());

    const int labelWidth = qMax(info.width() / 4, lblWebsite->sizeHint().width() + 8);
    placeMirrored(lblWebsite, QRect(8, lineTop, labelWidth, lineHeight));
    placeMirrored(lblWebsite2, QRect(8 + labelWidth, lineTop, info.width() - labelWidth - 16, lineHeight));
    for (int i = 0; i < buttons.size(); ++i)
        placeMirrored(buttons.at(i),
                      QRect(8, buttonsTop + i * (buttonHeight + gap), info.width() - 2 * 8, buttonHeight));
}

void frmMain::offerFirstSteps(bool offered)
{
    if (offered == m_firstSteps)
        return;
    m_firstSteps = offered;
    for (QPushButton* button : {cmdFirstAdd, cmdFirstImport, cmdFirstConnect})
        button->setVisible(offered);
    placeControls();
}

void frmMain::placeDateRow()
{
    // The date box shows a whole date in its font; the format label follows it and the
    // age stays at the frame's right end unless it would run past the frame.
    const int dpi = logicalDpiX();
    auto px = [dpi](int twips) { return WindowLayout::TwipsToPixels(twips, dpi); };
    const WindowLayout::MainWindowLayout& l = m_layout;
    QRect box = leftToRightGeometry(txtDateofbirth);
    // A birthday without a year shows as words ("September 30"), which may need more room.
    box.setWidth(std::max({px(l.txtDateofbirth.width),
                           WidgetRules::BoxWidthFor(txtDateofbirth, WidgetRules::WidestDate(txtDateofbirth)),
                           WidgetRules::BoxWidthFor(txtDateofbirth, txtDateofbirth->text())}));
    placeMirrored(txtDateofbirth, box);
    const int gap = px(l.lblDateFormat.left - l.txtDateofbirth.left - l.txtDateofbirth.width);
    const int formatLeft = qMax(px(l.lblDateFormat.left), box.right() + 1 + gap);
    placeMirrored(
        lblDateFormat,
        QRect(formatLeft, box.top(), qMax(px(l.lblDateFormat.width), lblDateFormat->sizeHint().width()), box.height()));
    const int ageWidth = qMax(px(l.lblAge.width), lblAge->sizeHint().width());
    const int ageLeft = qMin(px(l.lblAge.left), fraDateofbirth->width() - ageWidth - px(l.txtDateofbirth.left));
    placeMirrored(lblAge, QRect(ageLeft, box.top(), ageWidth, box.height()));
}

int frmMain::minimumDetailsWidth() const
{
    // From the list's right edge: the gap to the date frame, the date box, the format
    // label and the longest age label, each with the design's gaps.
    const int dpi = logicalDpiX();
    auto px = [dpi](int twips) { return WindowLayout::TwipsToPixels(twips, dpi); };
    const WindowLayout::MainWindowLayout& l = m_layout;
    const int longestAge = lblAge->fontMetrics().horizontalAdvance(modPersonView::AgeCaption(8888)) + 4;
    const int ageWidth = std::max({px(l.lblAge.width), lblAge->sizeHint().width(), longestAge});
    const int gap = px(l.lblDateFormat.left - l.txtDateofbirth.left - l.txtDateofbirth.width);
    return px(570) + leftToRightGeometry(lblDateFormat).right() + 1 + gap + ageWidth + px(l.txtDateofbirth.left);
}

void frmMain::placeMirrored(QWidget* widget, const QRect& leftToRight)
{
    // The measures are those of a left-to-right window; a right-to-left language sees
    // them mirrored inside each parent, as it sees the menus and every laid-out window.
    widget->setGeometry(QStyle::visualRect(layoutDirection(), widget->parentWidget()->rect(), leftToRight));
}

QRect frmMain::leftToRightGeometry(const QWidget* widget) const
{
    // Mirroring is its own inverse.
    return QStyle::visualRect(layoutDirection(), widget->parentWidget()->rect(), widget->geometry());
}

void frmMain::fitLabels()
{
    // Labels take the room their text needs in this font, which the measures of the
    // design may not give.
    placeDateRow();
    const int width = minimumDetailsWidth() + WindowLayout::TwipsToPixels(m_layout.fraList.width, logicalDpiX());
    if (width > m_client->minimumWidth())
        m_client->setMinimumWidth(width);
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
    // Menu texts carry their access key ("&") in the translation itself, so that every
    // language chooses keys that differ within each menu.
    const QString dots = QStringLiteral("...");
    mnuFile->setTitle(T("&Database"));
    mnuPerson->setTitle(T("&Person"));
    mnuAction->setTitle(T("&Action"));
    mnuOptions->setTitle(T("&Options"));
    mnuHelp->setTitle(T("&Help"));
    mnuFileNew->setText(T("&New") + dots);
    mnuFileOpen->setText(T("&Open") + dots);
    mnuFileCopy->setText(T("Co&py") + dots);
    mnuFileEmail->setText(T("E-&mail") + dots);
    mnuFileImport->setText(T("&Import") + dots);
    mnuFileSync->setText(T("&Synchronisation") + dots);
    mnuFileSynchronise->setText(T("S&ynchronise"));
    mnuFileClose->setText(T("&Close"));
    mnuFileExit->setText(T("E&xit"));
    for (QAction* add : {mnuPersonAdd, mnuPopupMainAdd})
        add->setText(T("&Add") + dots);
    for (QAction* edit : {mnuPersonEdit, mnuPopupMainEdit})
        edit->setText(T("&Edit") + dots);
    for (QAction* remove : {mnuPersonRemove, mnuPopupMainRemove})
        remove->setText(T("&Remove"));
    mnuPersonDuplicates->setText(T("Find &duplicates") + dots);
    mnuActionExport->setText(T("&Export") + dots);
    mnuActionLabels->setText(T("&Labels and envelopes") + dots);
    mnuActionSearch->setText(T("&Search") + dots);
    mnuActionEmail->setText(T("E-&mail") + dots);
    mnuActionCalendar->setText(T("&Birthday calendar"));
    mnuOptionsLanguage->setTitle(T("&Language"));
    mnuOptionsDefaultdatabase->setText(T("&Default database") + dots);
    mnuOptionsCheck->setText(T("Check &version"));
    mnuOptionsBirthdayreminder->setText(T("Birthday &reminder") + dots);
    mnuOptionsDate->setTitle(T("Da&te"));
    mnuOptionsFont->setTitle(T("&Font"));
    mnuOptionsFontSize8->setText(T("Size") + QStringLiteral(" &8"));
    mnuOptionsFontSize10->setText(T("Size") + QStringLiteral(" &10"));
    mnuHelpWebsite->setText(T("We&bsite"));
    mnuHelpAbout->setText(T("&About"));
    mnuPopupEmailWebsite->setText(T("We&bsite"));
    for (QAction* copy : {mnuPopupMainCopy, mnuPopupDateofbirthCopy, mnuPopupAddressCopy, mnuPopupNoteCopy})
        copy->setText(T("&Copy"));
    const QString copyPrefix = T("Copy") + QStringLiteral(": ");
    mnuPopupPhoneCopy->setText(copyPrefix + T("&Number"));
    mnuPopupPhoneCopy2->setText(copyPrefix + T("Number") + QStringLiteral(" + ") + T("&Description"));
    mnuPopupEmailCopy->setText(copyPrefix + T("E-&mail"));
    mnuPopupEmailCopy2->setText(copyPrefix + T("E-mail") + QStringLiteral(" + ") + T("&Description"));
    mnuPopupEmailSend->setText(T("&Send e-mail"));

    const std::pair<const char*, QString> buttonCaptions[] = {
        {"New", T("New")},           {"Open", T("Open")},
        {"Add", T("Add")},           {"Edit", T("Edit")},
        {"Remove", T("Remove")},     {"Export", T("Export")},
        {"Search", T("Search")},     {"Email", T("E-mail")},
        {"Calendar", T("Calendar")}, {"Synchronise", T("Synchronise")},
    };
    for (const auto& [key, caption] : buttonCaptions)
        toolbarButton(QString::fromLatin1(key))->setText(caption);

    fraQuickSearch->setTitle(T("Quick search"));
    // The path starts where the window's lines start.
    staMainPath->setAlignment(Qt::AlignAbsolute | Qt::AlignVCenter |
                              (QGuiApplication::isRightToLeft() ? Qt::AlignRight : Qt::AlignLeft));
    emit m_contacts->headerDataChanged(Qt::Horizontal, 0, 0);
    // While a person is shown the frame carries the name.
    if (fraDetails->isHidden())
        fraDetails->setTitle(T("Details"));
    fraDateofbirth->setTitle(T("Date of birth"));
    fraWork->setTitle(T("Organisation"));
    fraGroups->setTitle(T("Groups"));
    mnuFileGroupRename->setText(T("Rename &group") + dots);
    mnuFileGroupRemove->setText(T("Remove g&roup") + dots);
    if (cboGroup->count() > 0)
        cboGroup->setItemText(0, T("All"));
    fraAddress->setTitle(T("Address"));
    fraNumber->setTitle(T("Numbers"));
    fraEmail->setTitle(T("E-mail"));
    fraNote->setTitle(T("Note"));
    lblWebsite->setText(T("Website") + QLatin1Char(':'));
    cmdFirstAdd->setText(T("Add a person"));
    cmdFirstImport->setText(T("Import contacts") + dots);
    cmdFirstConnect->setText(T("Connect to a server") + dots);
    if (!lblAge->isHidden())
        lblAge->setText(modPersonView::RetranslateAgeCaption(lblAge->text()));
    // Titles and labels of another length and height.
    placeControls();
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
        // The entry's number is its access key; "&" in a path is text.
        entry->setText(
            QStringLiteral("&%1 ").arg(i + 1) +
            ContentDirection::Isolated(modRecent::ShortenPath(path).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        if (i == 0)
            mnuLine->setVisible(true);
    }
}

void frmMain::ChooseDatabase()
{
    if (CommandLine::Classify(m_commandLine) == CommandLine::Kind::DatabasePath &&
        ShowOutcome(modDatabase::IsValidDatabase(m_commandLine))) {
        ShowOutcome(modDatabase::OpenDatabase(m_commandLine));
        return;
    }
    ShowOutcome(modDatabase::OpenDefaultDatabase());
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

void frmMain::ActOnCommandLine()
{
    switch (CommandLine::Classify(m_commandLine)) {
    case CommandLine::Kind::NewPerson:
        // Enabled only while a database is open for writing.
        if (toolbarButton(QStringLiteral("Add"))->isEnabled())
            openWindow(QStringLiteral("frmContactAdd"));
        break;
    case CommandLine::Kind::CardFile:
        openWindow(QStringLiteral("frmImportOffer"));
        break;
    default:
        break;
    }
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
    // The task still uses the database and this window: it ends first, then the window
    // closes as asked.
    if (LongTaskRunning()) {
        m_closeAfterTask = true;
        m_cancelTask();
        event->ignore();
        return;
    }
    modSettings::Set(Setting::WindowState, windowStateSetting());
    SetNoteLinkDetection(false);
    modDatabase::CloseDatabase(true);
    // Every other window goes with the main window; then the program ends.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible())
            window->close();
    event->accept();
}

void frmMain::ShowInStatusBar(QWidget* widget, int position)
{
    staMain->insertPermanentWidget(position, widget);
    widget->show();
}

void frmMain::RemoveFromStatusBar(QWidget* widget)
{
    staMain->removeWidget(widget);
    // Qt 6.4's removeWidget also hides the widget that followed the removed one: the
    // count of persons, which stays.
    staMainCount->show();
}

void frmMain::ScheduleSync(std::optional<int> intervalMs)
{
    if (!intervalMs) {
        tmrSync->stop();
        return;
    }
    if (!tmrSync->isActive() || tmrSync->interval() != *intervalMs)
        tmrSync->start(*intervalMs);
}

bool frmMain::DetailsShown() const
{
    return fraDetails->isVisible();
}

void frmMain::OfferVersionCheck()
{
    mnuOptionsCheck->setVisible(true);
}

void frmMain::SetVersionCheckTicked(bool ticked)
{
    mnuOptionsCheck->setChecked(ticked);
}

bool frmMain::VersionCheckTicked() const
{
    return mnuOptionsCheck->isChecked();
}
