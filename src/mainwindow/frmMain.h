// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modDatabase.h"
#include "language/LanguageAware.h"
#include "mainwindow/WindowLayout.h"
#include "mainwindow/modList.h"

#include <QHash>
#include <QImage>
#include <QMainWindow>

#include <functional>
#include <optional>

class ContactListModel;
class LanguageMenu;
class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTextBrowser;
class QTimer;
class QToolBar;
class QComboBox;
class QTreeView;
class QTreeWidget;

// The main window: contact list on the left, the selected person's details on the
// right, menus, toolbar and status bar around them.
class frmMain : public QMainWindow, public LanguageAware, public modDatabase::Observer
{
    Q_OBJECT

public:
    // commandLine is this run's trimmed command line; a "/Reminder" run keeps the
    // window hidden and skips loading and the exit sequence.
    explicit frmMain(const QString& commandLine, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up steps that run while the window loads, in order.
    void Load();
    void LoadLanguage() override;

    // modDatabase::Observer
    void ShowDatabaseState(const QString& caption, const QString& path, bool writable) override;
    void ResetDatabaseState(const QString& caption) override;
    void FillContactList() override;
    void DatabaseOpened(const QString& path) override;

    // The contact list and the details panel.
    void ShowPerson(qint16 contactnr);
    void SetDetailsVisible(bool visible);
    // Selects the row with this key, scrolls to it and gives the list the focus; false
    // when no row has the key.
    bool SelectRowByKey(const QString& key);
    // The contact number of the list's current row, if there is one.
    std::optional<qint16> CurrentContactnr() const;
    int ListRowCount() const;
    // The search toggle of the menu and toolbar, after the change of state.
    void SetSearchPressed(bool pressed);
    bool SearchPressed() const;
    // Releases the Search button and its menu check without touching the list.
    void ReleaseSearchButton();
    // The Edit and Remove commands of the menu and toolbar.
    void setPersonCommandsEnabled(bool enabled);

    // A task that keeps this window alive while it waits for the network (a sync). While
    // it runs, every command that would close, replace or write the database, start
    // another such task or change the language is refused, as are editing and removing
    // from the list; closing the window asks the task to end through cancel and closes
    // once it has ended.
    void BeginLongTask(std::function<void()> cancel);
    void EndLongTask();
    bool LongTaskRunning() const { return static_cast<bool>(m_cancelTask); }

    // Display options.
    void SetUpOptions();
    void SelectDateFormat(int index);
    void SelectFontSize(int size);
    void ApplyFontSize(int size);

    // Commands.
    void NewDatabaseCommand();
    void OpenDatabaseCommand();
    void CopyDatabaseCommand();
    void RemovePersonCommand();
    void SendEmailCommand();
    void EmailWebsiteCommand();

    // Where a window of another part of the program plugs in, by name: every menu
    // command, toolbar button and timer of this window that opens one goes through it.
    // RegisterWindows adds them all.
    using WindowOpener = std::function<void(frmMain&)>;
    void SetWindowOpener(const QString& name, WindowOpener opener);

    // What the command line asks for beyond opening a database: the editor for a new
    // person, or the offer to import a card file. Called once the window shows.
    void ActOnCommandLine();
    const QString& commandLine() const { return m_commandLine; }

    // A group in use, chosen by the user from the list of them (with each one's number of
    // persons where asked, the current one first chosen); nothing when there is no group,
    // which is told, or the user cancels.
    static std::optional<QString> ChooseGroup(const QString& title, bool withSizes, const QString& current = {});

    // The toolbar button with this key ("New", "Open", "Add", ...).
    QAction* toolbarButton(const QString& key) const { return m_toolbarButtons.value(key); }
    LanguageMenu* languageMenu() const { return m_languageMenu; }
    ContactListModel* contactList() const { return m_contacts; }
    // The layout in twips last applied.
    const WindowLayout::MainWindowLayout& currentLayout() const { return m_layout; }

    // What other parts of the program ask of the main window.
    // Shows a widget in the status bar at position among the permanent ones (0 is the
    // count of persons at the edge, 1 before it, ...); the window does not own it.
    void ShowInStatusBar(QWidget* widget, int position);
    // Takes such a widget out again; the count of persons stays shown.
    void RemoveFromStatusBar(QWidget* widget);
    // Automatic syncs every intervalMs from now (kept when already so), or none.
    void ScheduleSync(std::optional<int> intervalMs);
    // Whether the person's details are shown beside the list.
    bool DetailsShown() const;
    // The version check's option in the Options menu: shown once a check can be made,
    // and ticked or not.
    void OfferVersionCheck();
    void SetVersionCheckTicked(bool ticked);
    bool VersionCheckTicked() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isReminderRun() const;
    bool isWritable() const;
    void createMenus();
    void createPopups();
    void createToolbar();
    void createStatusBar();
    void createPanels();
    void connectCommands();
    void connectShortcuts();
    QAction* addMenuAction(QMenu* menu, const char* name, const QString& caption);
    QMenu* addMenu(const char* name, const QString& caption);
    void setDatabaseCommandsEnabled(bool enabled);
    // The commands refused while a long task runs.
    QList<QAction*> commandsHeldDuringTask() const;
    // Enables or disables a command, or while a long task holds it, the state it gets back.
    void setCommandEnabled(QAction* action, bool enabled);
    void applyLayout();
    void fitLabels();
    void placeDateRow();
    int minimumDetailsWidth() const;
    void placeControls();
    void placeMirrored(QWidget* widget, const QRect& leftToRight);
    // The information panel, grown to hold the first steps while they are offered.
    void placeInfo(QRect info, int maximumWidth);
    // The first steps are offered while the open database holds no person.
    void offerFirstSteps(bool offered);
    QRect leftToRightGeometry(const QWidget* widget) const;
    // The main window state as stored in Setting::WindowState: 0 normal, 1 minimised, 2 maximised.
    QString windowStateSetting() const;
    void openWindow(const QString& name);

    void RefreshRecentMenu();
    void ChooseDatabase();
    void SetNoteLinkDetection(bool on);
    void ShowPersonArgument();

    void quickSearchChanged();
    // The group list of the filter, read again after every change of the persons; the
    // group chosen stays chosen while it is there.
    void refreshGroups();
    QString chosenGroup() const;
    // Database > Rename group, Remove group: for everybody in the group, after a question
    // that says how many persons change.
    void renameGroupCommand();
    void removeGroupCommand();

    void contactClicked();
    void editCurrentPerson();
    void copyToClipboard(const QString& text);
    void copyListRow();
    void copyEntry(QTreeWidget* list, bool withDescription);
    void copyBoxText(QWidget* box);
    void noteClicked();
    void highlightNoteLinks();
    bool askReplace(const QString& path, const QString& lineBreaksBeforeReplace);
    void showContextMenu(QWidget* widget, const QPoint& position);

    QString m_commandLine;
    LanguageMenu* m_languageMenu = nullptr;
    QHash<QString, QAction*> m_toolbarButtons;
    QHash<QString, WindowOpener> m_openers;
    ContactListModel* m_contacts = nullptr;
    modList::PersonNames m_personNames; // every person, for the quick search
    QWidget* m_client = nullptr;
    WindowLayout::MainWindowLayout m_layout;
    bool m_noteLinks = false;
    bool m_firstSteps = false;
    // The shown person's organisation and title row, and photo, when it has them.
    bool m_workShown = false;
    bool m_groupsShown = false;
    QImage m_photo;
    std::function<void()> m_cancelTask;   // of the long task running
    QHash<QAction*, bool> m_heldCommands; // with the states they get back when it ends
    bool m_closeAfterTask = false;

    // The controls, named as the program names them. Other parts ask the window through its
    // intents above; each control carries its name as objectName, which is how tests find it.
    QMenu* mnuFile = nullptr;
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileCopy = nullptr;
    QAction* mnuFileEmail = nullptr;
    QAction* mnuFileImport = nullptr;
    QAction* mnuFileSync = nullptr;        // Synchronisation...: the link to an address book
    QAction* mnuFileSynchronise = nullptr; // one sync now
    QTimer* tmrSync = nullptr;             // automatic syncs; the sync part sets its interval
    QList<QAction*> mnuFileRecent;
    QAction* mnuLine = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuPerson = nullptr;
    QAction* mnuPersonAdd = nullptr;
    QAction* mnuPersonEdit = nullptr;
    QAction* mnuPersonRemove = nullptr;
    QAction* mnuPersonDuplicates = nullptr;
    QAction* mnuFileGroupRename = nullptr;
    QAction* mnuActionLabels = nullptr;
    QAction* mnuFileGroupRemove = nullptr;
    QMenu* mnuAction = nullptr;
    QAction* mnuActionExport = nullptr;
    QAction* mnuActionSearch = nullptr;
    QAction* mnuActionEmail = nullptr;
    QAction* mnuActionCalendar = nullptr;
    QMenu* mnuOptions = nullptr;
    QMenu* mnuOptionsLanguage = nullptr;
    QAction* mnuOptionsDefaultdatabase = nullptr;
    QAction* mnuOptionsCheck = nullptr;
    QAction* mnuOptionsBirthdayreminder = nullptr;
    QMenu* mnuOptionsDate = nullptr;
    QList<QAction*> mnuOptionsDateFormat;
    QMenu* mnuOptionsFont = nullptr;
    QAction* mnuOptionsFontSize8 = nullptr;
    QAction* mnuOptionsFontSize10 = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpWebsite = nullptr;
    QAction* mnuHelpAbout = nullptr;

    QMenu* mnuPopupMain = nullptr;
    QAction* mnuPopupMainAdd = nullptr;
    QAction* mnuPopupMainEdit = nullptr;
    QAction* mnuPopupMainRemove = nullptr;
    QAction* mnuPopupMainCopy = nullptr;
    QMenu* mnuPopupDateofbirth = nullptr;
    QAction* mnuPopupDateofbirthCopy = nullptr;
    QMenu* mnuPopupAddress = nullptr;
    QAction* mnuPopupAddressCopy = nullptr;
    QMenu* mnuPopupPhone = nullptr;
    QAction* mnuPopupPhoneCopy = nullptr;
    QAction* mnuPopupPhoneCopy2 = nullptr;
    QMenu* mnuPopupEmail = nullptr;
    QAction* mnuPopupEmailCopy = nullptr;
    QAction* mnuPopupEmailCopy2 = nullptr;
    QAction* mnuPopupEmailSend = nullptr;
    QAction* mnuPopupEmailWebsite = nullptr;
    QMenu* mnuPopupNote = nullptr;
    QAction* mnuPopupNoteCopy = nullptr;

    QToolBar* tlbMain = nullptr;
    QStatusBar* staMain = nullptr;
    QLabel* staMainPath = nullptr;
    QLabel* staMainCount = nullptr;

    QGroupBox* fraQuickSearch = nullptr;
    QLineEdit* txtQuickSearch = nullptr;
    QComboBox* cboGroup = nullptr; // "All", then every group in use; shown while there are groups
    QGroupBox* fraList = nullptr;
    QTreeView* lvwMain = nullptr;
    QGroupBox* fraDetails = nullptr;
    QGroupBox* fraDateofbirth = nullptr;
    QLineEdit* txtDateofbirth = nullptr;
    QLabel* lblDateFormat = nullptr;
    QLabel* lblAge = nullptr;
    QGroupBox* fraWork = nullptr; // the organisation and job title
    QLineEdit* txtWork = nullptr;
    QLabel* imgPhoto = nullptr;
    QGroupBox* fraGroups = nullptr; // the person's groups, shown while it has any
    QLineEdit* txtGroups = nullptr;
    QGroupBox* fraAddress = nullptr;
    QPlainTextEdit* txtAddress = nullptr;
    QGroupBox* fraNumber = nullptr;
    QTreeWidget* lvwPhone = nullptr;
    QGroupBox* fraEmail = nullptr;
    QTreeWidget* lvwEmail = nullptr;
    QGroupBox* fraNote = nullptr;
    QTextBrowser* rtbNote = nullptr;
    QGroupBox* fraInfo = nullptr;
    QLabel* lblWebsite = nullptr;
    QLabel* lblWebsite2 = nullptr;
    // The first steps in an empty database: add a person, import, connect to a server.
    QPushButton* cmdFirstAdd = nullptr;
    QPushButton* cmdFirstImport = nullptr;
    QPushButton* cmdFirstConnect = nullptr;
    QLabel* imgLogo = nullptr;
};
