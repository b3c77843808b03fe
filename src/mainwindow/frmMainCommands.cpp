// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The main window's behaviour: the contact list, the details panel, the options and
// every command of the menus, toolbar, popups, keys and mouse.
#include "frmMain.h"

#include "birthdays/modAutostart.h"
#include "database/modPersonView.h"
#include "database/modRecent.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "editor/modHyperlink.h"
#include "language/ContentDirection.h"
#include "language/LanguageMenu.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/modList.h"
#include "mainwindow/modOptions.h"
#include "search/modSearch.h"
#include "startup/Platform.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <utility>

namespace {

QString DatabaseFilter()
{
    return T("Addrion database") + QStringLiteral(" (*.mdb)|*.mdb");
}

bool IsCopyKey(const QKeyEvent* key)
{
    return key->matches(QKeySequence::Copy);
}

bool IsEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QTreeWidgetItem* CurrentEntry(QTreeWidget* list)
{
    QTreeWidgetItem* item = list->currentItem();
    if (!item && list->topLevelItemCount() > 0)
        item = list->topLevelItem(0);
    return item;
}

QString EntryTag(const QTreeWidgetItem* item)
{
    return item ? modText::TrimBlanks(item->data(0, Qt::UserRole).toString()) : QString();
}

QString EntryText(const QTreeWidgetItem* item)
{
    return item ? modText::TrimBlanks(item->text(0)) : QString();
}

void FillEntries(QTreeWidget* list, const std::vector<modPersonView::ListEntry>& entries)
{
    list->clear();
    for (const modPersonView::ListEntry& entry : entries) {
        auto* item = new QTreeWidgetItem(list, QStringList{entry.text});
        item->setToolTip(0, entry.text);
        item->setData(0, Qt::UserRole, entry.tag);
    }
}

} // namespace

void frmMain::connectCommands()
{
    connect(mnuFileNew, &QAction::triggered, this, &frmMain::NewDatabaseCommand);
    connect(toolbarButton(QStringLiteral("New")), &QAction::triggered, this, &frmMain::NewDatabaseCommand);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::OpenDatabaseCommand);
    connect(toolbarButton(QStringLiteral("Open")), &QAction::triggered, this, &frmMain::OpenDatabaseCommand);
    connect(mnuFileClose, &QAction::triggered, this, [] { modDatabase::CloseDatabase(true); });
    connect(mnuFileCopy, &QAction::triggered, this, &frmMain::CopyDatabaseCommand);
    connect(mnuFileEmail, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmSendDatabase")); });
    connect(mnuFileImport, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmImport")); });
    connect(mnuActionLabels, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmLabels")); });
    connect(mnuFileGroupRename, &QAction::triggered, this, &frmMain::renameGroupCommand);
    connect(mnuFileGroupRemove, &QAction::triggered, this, &frmMain::removeGroupCommand);
    connect(cboGroup, &QComboBox::currentIndexChanged, this, [this] { FillContactList(); });
    connect(mnuFileSync, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmSync")); });
    for (QAction* synchronise : {mnuFileSynchronise, toolbarButton(QStringLiteral("Synchronise"))})
        connect(synchronise, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmSynchronise")); });
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    for (int i = 0; i < mnuFileRecent.size(); ++i)
        connect(mnuFileRecent.at(i), &QAction::triggered, this, [this, i] {
            ShowOutcome(modRecent::ChooseRecent(i));
            // An invalid entry has left the list.
            RefreshRecentMenu();
        });

    for (QAction* add : {mnuPersonAdd, mnuPopupMainAdd, toolbarButton(QStringLiteral("Add"))})
        connect(add, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmContactAdd")); });
    for (QAction* edit : {mnuPersonEdit, mnuPopupMainEdit, toolbarButton(QStringLiteral("Edit"))})
        connect(edit, &QAction::triggered, this, &frmMain::editCurrentPerson);
    for (QAction* remove : {mnuPersonRemove, mnuPopupMainRemove, toolbarButton(QStringLiteral("Remove"))})
        connect(remove, &QAction::triggered, this, &frmMain::RemovePersonCommand);
    // The first steps do what their menu items do, and only when those may.
    const std::pair<QPushButton*, QAction*> firstSteps[] = {
        {cmdFirstAdd, mnuPersonAdd}, {cmdFirstImport, mnuFileImport}, {cmdFirstConnect, mnuFileSync}};
    for (const auto& [button, action] : firstSteps) {
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button = button, action = action] { button->setEnabled(action->isEnabled()); });
    }
    connect(mnuPersonDuplicates, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmDuplicates")); });

    for (QAction* exportCommand : {mnuActionExport, toolbarButton(QStringLiteral("Export"))})
        connect(exportCommand, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmExport")); });
    for (QAction* email : {mnuActionEmail, toolbarButton(QStringLiteral("Email"))})
        connect(email, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmEmail")); });
    for (QAction* calendar : {mnuActionCalendar, toolbarButton(QStringLiteral("Calendar"))})
        connect(calendar, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmCalendar")); });
    // The menu entry toggles against the button's state; the button has toggled itself.
    connect(mnuActionSearch, &QAction::triggered, this, [this] { SetSearchPressed(!SearchPressed()); });
    connect(toolbarButton(QStringLiteral("Search")), &QAction::triggered, this,
            [this](bool pressed) { SetSearchPressed(pressed); });

    connect(mnuOptionsDefaultdatabase, &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmOptionsDefaultdatabase")); });
    connect(mnuOptionsCheck, &QAction::triggered, this, [this] { openWindow(QStringLiteral("CheckVersion")); });
    connect(mnuOptionsBirthdayreminder, &QAction::triggered, this,
            [this] { openWindow(QStringLiteral("frmOptionsReminder")); });
    for (int i = 0; i < mnuOptionsDateFormat.size(); ++i)
        connect(mnuOptionsDateFormat.at(i), &QAction::triggered, this, [this, i] { SelectDateFormat(i); });
    connect(mnuOptionsFontSize8, &QAction::triggered, this, [this] { SelectFontSize(8); });
    connect(mnuOptionsFontSize10, &QAction::triggered, this, [this] { SelectFontSize(10); });
    connect(mnuHelpWebsite, &QAction::triggered, this, [] { modEnvironment::OpenWithShell(Version::Website()); });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { openWindow(QStringLiteral("frmAbout")); });

    connect(mnuPopupMainCopy, &QAction::triggered, this, &frmMain::copyListRow);
    connect(mnuPopupDateofbirthCopy, &QAction::triggered, this, [this] { copyBoxText(txtDateofbirth); });
    connect(mnuPopupAddressCopy, &QAction::triggered, this, [this] { copyBoxText(txtAddress); });
    connect(mnuPopupNoteCopy, &QAction::triggered, this, [this] { copyBoxText(rtbNote); });
    connect(mnuPopupPhoneCopy, &QAction::triggered, this, [this] { copyEntry(lvwPhone, false); });
    connect(mnuPopupPhoneCopy2, &QAction::triggered, this, [this] { copyEntry(lvwPhone, true); });
    connect(mnuPopupEmailCopy, &QAction::triggered, this, [this] { copyEntry(lvwEmail, false); });
    connect(mnuPopupEmailCopy2, &QAction::triggered, this, [this] { copyEntry(lvwEmail, true); });
    connect(mnuPopupEmailSend, &QAction::triggered, this, &frmMain::SendEmailCommand);
    connect(mnuPopupEmailWebsite, &QAction::triggered, this, &frmMain::EmailWebsiteCommand);

    connectShortcuts();

    connect(txtQuickSearch, &QLineEdit::textChanged, this, &frmMain::quickSearchChanged);
    connect(txtQuickSearch, &QLineEdit::returnPressed, lvwMain, [this] { lvwMain->setFocus(); });
    connect(lvwMain, &QTreeView::clicked, this, &frmMain::contactClicked);
    // The details follow the current row however it moves, by mouse or keys, so that
    // Edit and Remove act on the person shown.
    connect(lvwMain->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    contactClicked();
            });
    connect(lvwMain, &QTreeView::doubleClicked, this, &frmMain::editCurrentPerson);
    connect(lvwEmail, &QTreeWidget::itemDoubleClicked, this, &frmMain::SendEmailCommand);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{lvwMain, lvwPhone, lvwEmail, txtDateofbirth, txtAddress, rtbNote})
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, widget](const QPoint& position) { showContextMenu(widget, position); });
}

void frmMain::connectShortcuts()
{
    mnuPersonAdd->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuActionSearch->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuHelpAbout->setShortcut(QKeySequence(Qt::Key_F1));
    // F5 refreshes on most desktops; here it brings the address book up to date.
    mnuFileSynchronise->setShortcut(QKeySequence(Qt::Key_F5));
    // Delete removes only from the contact list (the list's key filter); the menu just
    // names the key, so Delete in a text box stays a text key.
    mnuPersonRemove->setShortcut(QKeySequence(Qt::Key_Delete));
    mnuPersonRemove->setShortcutContext(Qt::WidgetShortcut);
    // F10 opens the first menu, as on other desktops.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
    menuKey->setObjectName(QStringLiteral("shortcutMenuBar"));
    connect(menuKey, &QShortcut::activated, this, [this] { menuBar()->setActiveAction(mnuFile->menuAction()); });
}

void frmMain::SetWindowOpener(const QString& name, WindowOpener opener)
{
    m_openers.insert(name, std::move(opener));
}

void frmMain::openWindow(const QString& name)
{
    // Every window is registered by RegisterWindows; a main window made without it (as
    // tests of the main window alone make it) has no opener for a name, and the command
    // opens nothing.
    const auto opener = m_openers.constFind(name);
    if (opener == m_openers.constEnd())
        return;
    try {
        (*opener)(*this);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
}

// ---- Contact list ----

void frmMain::FillContactList()
{
    const bool pressed = SearchPressed();
    modList::ContactList list;
    try {
        refreshGroups();
        modList::ListQuery query = modList::ListQuery::WithCurrentSearch(txtQuickSearch->text(), pressed);
        query.group = chosenGroup();
        list = modList::QueryContactList(query, m_personNames);
    } catch (const Engine::EngineError& error) {
        m_contacts->clear();
        staMainCount->clear();
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    const int rows = static_cast<int>(list.rows.size());
    m_contacts->setRows(std::move(list.rows));
    const modList::ListCommands commands = modList::CommandsAfterFill(rows, pressed);
    for (QAction* action : {mnuActionExport, mnuActionLabels, mnuActionEmail, toolbarButton(QStringLiteral("Export")),
                            toolbarButton(QStringLiteral("Email"))})
        action->setEnabled(commands.exportAndEmail);
    for (QAction* action : {mnuActionSearch, toolbarButton(QStringLiteral("Search"))})
        action->setEnabled(commands.search);
    staMainCount->setText(QString::number(rows) + QLatin1Char('/') + QString::number(list.numberOfPersons));
    offerFirstSteps(list.numberOfPersons == 0);
    if (commands.selectFirst) {
        lvwMain->setCurrentIndex(m_contacts->index(0, 0));
        lvwMain->scrollTo(m_contacts->index(0, 0));
        ShowPerson(m_contacts->contact(0).contactnr);
    }
}

namespace {

void RunInTransaction(const QStringList& statements)
{
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    modSql::ExecuteSql(statements);
    transaction.Commit();
}

} // namespace

void frmMain::refreshGroups()
{
    const QString chosen = chosenGroup();
    const std::vector<modPersonDetail::GroupUse> groups =
        modDatabase::IsDatabaseOpen() ? modPersonDetail::Groups(modDatabase::DatabaseConnection())
                                      : std::vector<modPersonDetail::GroupUse>();
    QStringList names;
    for (const modPersonDetail::GroupUse& group : groups)
        names << group.name;
    QStringList shown;
    for (int i = 1; i < cboGroup->count(); ++i)
        shown << cboGroup->itemData(i).toString();
    const bool hadGroups = !cboGroup->isHidden();
    if (names != shown || cboGroup->count() == 0) {
        const QSignalBlocker quiet(cboGroup);
        cboGroup->clear();
        cboGroup->addItem(T("All"), QString());
        for (const QString& name : names)
            cboGroup->addItem(name, name);
        cboGroup->setCurrentIndex(qMax(0, cboGroup->findData(chosen)));
    }
    cboGroup->setHidden(names.isEmpty());
    if (hadGroups != names.isEmpty())
        return;
    placeControls();
}

QString frmMain::chosenGroup() const
{
    return cboGroup->currentIndex() > 0 ? cboGroup->currentData().toString() : QString();
}

std::optional<QString> frmMain::ChooseGroup(const QString& title, bool withSizes, const QString& current)
{
    const std::vector<modPersonDetail::GroupUse> groups = modPersonDetail::Groups(modDatabase::DatabaseConnection());
    if (groups.empty()) {
        Platform::inform(title, T("No person belongs to a group."), Platform::Icon::Information);
        return std::nullopt;
    }
    QStringList items;
    int first = 0;
    for (const modPersonDetail::GroupUse& group : groups) {
        if (group.name == current)
            first = static_cast<int>(items.size());
        items << (withSizes ? group.name + QStringLiteral(" (") + QString::number(group.persons) + QLatin1Char(')')
                            : group.name);
    }
    const std::optional<QString> chosen =
        Platform::current().chooseItem(title, T("Group") + QLatin1Char(':'), items, first);
    const qsizetype index = chosen ? items.indexOf(*chosen) : -1;
    if (index < 0)
        return std::nullopt;
    return groups[static_cast<size_t>(index)].name;
}

void frmMain::renameGroupCommand()
{
    const QString title = T("Rename group");
    const std::optional<QString> group = ChooseGroup(title, false, chosenGroup());
    if (!group)
        return;
    const std::optional<QString> typed = Platform::current().inputText(title, T("New name") + QLatin1Char(':'), *group);
    if (!typed)
        return;
    const QString name = typed->simplified();
    if (name.isEmpty() || name == *group)
        return;
    try {
        const int persons = modPersonDetail::GroupMembers(modDatabase::DatabaseConnection(), *group).size();
        if (!Platform::askYesNo(
                title,
                T("Rename the group \"%1\" to \"%2\" for %3 persons?").arg(*group, name, QString::number(persons))))
            return;
        RunInTransaction(modPersonDetail::RenameGroupStatements(*group, name));
        if (chosenGroup() == *group) {
            const QSignalBlocker quiet(cboGroup);
            cboGroup->addItem(name, name);
            cboGroup->setCurrentIndex(cboGroup->count() - 1);
        }
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
    FillContactList();
}

void frmMain::removeGroupCommand()
{
    const QString title = T("Remove group");
    const std::optional<QString> group = ChooseGroup(title, false, chosenGroup());
    if (!group)
        return;
    try {
        const int persons = modPersonDetail::GroupMembers(modDatabase::DatabaseConnection(), *group).size();
        if (!Platform::askYesNo(
                title,
                T("Take %1 persons out of the group \"%2\"? The persons stay.").arg(QString::number(persons), *group)))
            return;
        RunInTransaction(modPersonDetail::RemoveGroupStatements(*group));
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
    FillContactList();
}

int frmMain::ListRowCount() const
{
    return m_contacts->rowCount();
}

std::optional<qint16> frmMain::CurrentContactnr() const
{
    const QModelIndex current = lvwMain->currentIndex();
    if (!current.isValid() || current.row() >= m_contacts->rowCount())
        return std::nullopt;
    return modText::KeyToContactnr(current.data(ContactListModel::KeyRole).toString());
}

bool frmMain::SelectRowByKey(const QString& key)
{
    const int row = m_contacts->rowOfKey(key);
    if (row < 0)
        return false;
    const QModelIndex index = m_contacts->index(row, 0);
    lvwMain->setCurrentIndex(index);
    lvwMain->scrollTo(index);
    lvwMain->setFocus();
    return true;
}

void frmMain::quickSearchChanged()
{
    FillContactList();
    if (m_contacts->rowCount() == 0) {
        SetDetailsVisible(false);
        return;
    }
    if (txtQuickSearch->text().isEmpty()) {
        lvwMain->clearSelection();
        lvwMain->setCurrentIndex({});
        SetDetailsVisible(false);
        return;
    }
    lvwMain->setCurrentIndex(m_contacts->index(0, 0));
    ShowPerson(m_contacts->contact(0).contactnr);
}

void frmMain::contactClicked()
{
    if (const auto contactnr = CurrentContactnr())
        ShowPerson(*contactnr);
}

bool frmMain::SearchPressed() const
{
    return toolbarButton(QStringLiteral("Search"))->isChecked();
}

void frmMain::ReleaseSearchButton()
{
    toolbarButton(QStringLiteral("Search"))->setChecked(false);
    mnuActionSearch->setChecked(false);
}

void frmMain::SetSearchPressed(bool pressed)
{
    toolbarButton(QStringLiteral("Search"))->setChecked(pressed);
    mnuActionSearch->setChecked(pressed);
    if (pressed) {
        if (m_openers.contains(QStringLiteral("frmSearch"))) {
            openWindow(QStringLiteral("frmSearch"));
            return;
        }
        // Without a search window no search can be made: the toggle goes back.
        toolbarButton(QStringLiteral("Search"))->setChecked(false);
        mnuActionSearch->setChecked(false);
        return;
    }
    modSearch::ClearSearch();
    SetDetailsVisible(false);
    FillContactList();
}

// ---- Details ----

void frmMain::SetDetailsVisible(bool visible)
{
    for (QWidget* frame :
         std::initializer_list<QWidget*>{fraDetails, fraDateofbirth, fraAddress, fraNumber, fraEmail, fraNote})
        frame->setVisible(visible);
    fraWork->setVisible(visible && m_workShown);
    fraGroups->setVisible(visible && m_groupsShown);
    imgPhoto->setVisible(visible && m_workShown && !m_photo.isNull());
    fraInfo->setVisible(!visible);
    imgLogo->setVisible(!visible);
    if (!visible)
        fraDetails->setTitle(T("Details"));
}

void frmMain::ShowPerson(qint16 contactnr)
{
    txtDateofbirth->clear();
    txtAddress->clear();
    lvwPhone->clear();
    lvwEmail->clear();
    rtbNote->clear();
    lblDateFormat->hide();
    lblAge->hide();
    std::optional<modPersonView::PersonDetails> person;
    try {
        person = modPersonView::LoadPerson(contactnr);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    if (!person) {
        SetDetailsVisible(false);
        return;
    }
    fraDetails->setTitle(person->caption);
    if (person->dateOfBirth) {
        txtDateofbirth->setText(modPersonView::DateOfBirthText(*person->dateOfBirth));
        lblDateFormat->show();
        lblAge->setText(modPersonView::AgeCaption(modPersonView::GetAge(*person->dateOfBirth)));
        fitLabels();
        lblAge->show();
    } else if (person->birthday) {
        txtDateofbirth->setText(modPersonView::BirthdayText(*person->birthday));
    }
    txtWork->setText(modPersonView::WorkText(person->title, person->organisation));
    // A photo that cannot be read shows as none; the person keeps it all the same.
    m_photo = person->photo.isEmpty() ? QImage() : QImage::fromData(person->photo);
    m_workShown = !txtWork->text().isEmpty() || !m_photo.isNull();
    txtGroups->setText(modPersonDetail::GroupsText(person->groups));
    txtGroups->setCursorPosition(0);
    m_groupsShown = !person->groups.isEmpty();
    placeControls();
    txtAddress->setPlainText(person->address);
    FillEntries(lvwPhone, person->phones);
    FillEntries(lvwEmail, person->emails);
    rtbNote->setPlainText(person->note);
    highlightNoteLinks();
    SetDetailsVisible(true);
    if (isWritable())
        setPersonCommandsEnabled(true);
}

void frmMain::setPersonCommandsEnabled(bool enabled)
{
    for (QAction* action : {mnuPersonEdit, mnuPersonRemove, toolbarButton(QStringLiteral("Edit")),
                            toolbarButton(QStringLiteral("Remove"))})
        setCommandEnabled(action, enabled);
}

// ---- Long tasks ----

QList<QAction*> frmMain::commandsHeldDuringTask() const
{
    QList<QAction*> commands{
        mnuFileNew,    mnuFileOpen,   mnuFileClose,       mnuFileCopy,         mnuFileEmail,
        mnuFileImport, mnuFileSync,   mnuFileSynchronise, mnuFileGroupRename,  mnuFileGroupRemove,
        mnuPersonAdd,  mnuPersonEdit, mnuPersonRemove,    mnuPersonDuplicates, mnuOptionsDefaultdatabase};
    for (const char* key : {"New", "Open", "Add", "Edit", "Remove", "Synchronise"})
        commands << toolbarButton(QString::fromLatin1(key));
    commands << mnuFileRecent;
    // The sync's texts are those of the language it started in; a change now would leave
    // the windows in that language instead of the one chosen.
    commands << m_languageMenu->entries();
    return commands;
}

void frmMain::setCommandEnabled(QAction* action, bool enabled)
{
    const auto held = m_heldCommands.find(action);
    if (held != m_heldCommands.end())
        *held = enabled;
    else
        action->setEnabled(enabled);
}

void frmMain::BeginLongTask(std::function<void()> cancel)
{
    m_cancelTask = std::move(cancel);
    for (QAction* action : commandsHeldDuringTask()) {
        m_heldCommands.insert(action, action->isEnabled());
        action->setEnabled(false);
    }
}

void frmMain::EndLongTask()
{
    m_cancelTask = nullptr;
    const QHash<QAction*, bool> held = std::exchange(m_heldCommands, {});
    for (auto it = held.cbegin(); it != held.cend(); ++it)
        it.key()->setEnabled(it.value());
    if (std::exchange(m_closeAfterTask, false))
        QTimer::singleShot(0, this, &QWidget::close);
}

// ---- Note links ----

void frmMain::SetNoteLinkDetection(bool on)
{
    m_noteLinks = on;
    highlightNoteLinks();
}

void frmMain::highlightNoteLinks()
{
    QTextCursor all(rtbNote->document());
    all.select(QTextCursor::Document);
    all.setCharFormat(QTextCharFormat());
    if (!m_noteLinks)
        return;
    const QString text = rtbNote->toPlainText();
    QTextCharFormat link;
    link.setForeground(rtbNote->palette().link());
    link.setFontUnderline(true);
    int start = 0;
    while (start < text.size()) {
        int end = start;
        while (end < text.size() && text.at(end) != QLatin1Char(' ') && text.at(end) != QLatin1Char('\n'))
            ++end;
        if (end > start && modHyperlink::IsHyperlink(text.mid(start, end - start))) {
            QTextCursor word(rtbNote->document());
            word.setPosition(start);
            word.setPosition(end, QTextCursor::KeepAnchor);
            word.setCharFormat(link);
        }
        start = end + 1;
    }
}

void frmMain::noteClicked()
{
    const QString text = rtbNote->toPlainText();
    int position = rtbNote->textCursor().selectionStart();
    const QString word = modHyperlink::GetHyperlinkWord(text, position);
    if (modHyperlink::IsHyperlink(word))
        modEnvironment::OpenWithShell(word);
}

// ---- Clipboard ----

void frmMain::copyToClipboard(const QString& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}

void frmMain::copyListRow()
{
    const QModelIndex current = lvwMain->currentIndex();
    if (m_contacts->rowCount() == 0 || !current.isValid())
        return;
    copyToClipboard(modText::TrimBlanks(current.data(Qt::DisplayRole).toString()));
}

void frmMain::copyEntry(QTreeWidget* list, bool withDescription)
{
    if (list->topLevelItemCount() == 0)
        return;
    const QTreeWidgetItem* item = CurrentEntry(list);
    copyToClipboard(withDescription ? EntryText(item) : EntryTag(item));
}

void frmMain::copyBoxText(QWidget* box)
{
    QString all;
    QString selected;
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        all = line->text();
        selected = line->selectedText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        all = plain->toPlainText();
        selected = plain->textCursor().selection().toPlainText();
    } else if (auto* rich = qobject_cast<QTextBrowser*>(box)) {
        all = rich->toPlainText();
        selected = rich->textCursor().selection().toPlainText();
    }
    if (all.isEmpty())
        return;
    copyToClipboard(selected.isEmpty() ? all : selected);
}

// ---- E-mail ----

void frmMain::SendEmailCommand()
{
    if (lvwEmail->topLevelItemCount() == 0)
        return;
    ShowOutcome(modEnvironment::OpenMailto(EntryTag(CurrentEntry(lvwEmail))));
}

void frmMain::EmailWebsiteCommand()
{
    if (lvwEmail->topLevelItemCount() == 0)
        return;
    const QTreeWidgetItem* item = CurrentEntry(lvwEmail);
    modEnvironment::OpenWithShell(modContact::ProfilePage(EntryText(item), EntryTag(item)));
}

// ---- Popups, keys and mouse ----

void frmMain::showContextMenu(QWidget* widget, const QPoint& position)
{
    const QPoint global = WidgetRules::PopupPosition(widget, position);
    if (widget == lvwMain) {
        mnuPopupMainAdd->setEnabled(isWritable());
        const bool empty = m_contacts->rowCount() == 0;
        if (empty) {
            for (QAction* action : {mnuPopupMainEdit, mnuPopupMainRemove, mnuPopupMainCopy})
                action->setEnabled(false);
        } else {
            const QModelIndex at = lvwMain->indexAt(position);
            if (at.isValid())
                lvwMain->setCurrentIndex(at);
            contactClicked();
            mnuPopupMainEdit->setEnabled(isWritable());
            mnuPopupMainRemove->setEnabled(isWritable());
            mnuPopupMainCopy->setEnabled(lvwMain->currentIndex().isValid());
        }
        mnuPopupMain->popup(global);
    } else if (widget == lvwPhone || widget == lvwEmail) {
        auto* list = static_cast<QTreeWidget*>(widget);
        if (list->topLevelItemCount() == 0)
            return;
        if (QTreeWidgetItem* at = list->itemAt(position))
            list->setCurrentItem(at);
        const QTreeWidgetItem* item = CurrentEntry(list);
        const bool hasDescription = EntryText(item).size() > EntryTag(item).size();
        if (list == lvwPhone) {
            mnuPopupPhoneCopy2->setEnabled(hasDescription);
            mnuPopupPhone->popup(global);
        } else {
            mnuPopupEmailWebsite->setEnabled(modContact::HasProfilePage(EntryText(item)));
            mnuPopupEmailCopy2->setEnabled(hasDescription);
            mnuPopupEmail->popup(global);
        }
    } else if (widget == txtDateofbirth || widget == txtAddress) {
        const bool empty =
            widget == txtDateofbirth ? txtDateofbirth->text().isEmpty() : txtAddress->toPlainText().isEmpty();
        QMenu* popup = widget == txtDateofbirth ? mnuPopupDateofbirth : mnuPopupAddress;
        popup->actions().constFirst()->setEnabled(!empty);
        widget->setFocus();
        popup->popup(global);
    } else if (widget == rtbNote && !rtbNote->toPlainText().isEmpty()) {
        mnuPopupNote->popup(global);
    }
}

void frmMain::editCurrentPerson()
{
    if (m_contacts->rowCount() == 0 || !CurrentContactnr() || !isWritable())
        return;
    openWindow(QStringLiteral("frmContactEdit"));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        applyLayout();
        return false;
    }
    if (watched == m_client && event->type() == QEvent::LayoutDirectionChange) {
        placeControls();
        return false;
    }
    if (watched == txtQuickSearch && event->type() == QEvent::MouseButtonPress) {
        txtQuickSearch->clear();
        return false;
    }
    if (watched == lblWebsite2 && event->type() == QEvent::MouseButtonRelease) {
        modEnvironment::OpenWithShell(lblWebsite2->text());
        return true;
    }
    if (watched == rtbNote->viewport() && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            noteClicked();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == lvwMain) {
        if (IsCopyKey(key)) {
            copyListRow();
            return true;
        }
        if (IsEnterKey(key)) {
            editCurrentPerson();
            return true;
        }
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            RemovePersonCommand();
            return true;
        }
    } else if (watched == lvwPhone && IsCopyKey(key)) {
        copyEntry(lvwPhone, false);
        return true;
    } else if (watched == lvwEmail) {
        if (IsCopyKey(key)) {
            copyEntry(lvwEmail, false);
            return true;
        }
        if (IsEnterKey(key)) {
            SendEmailCommand();
            return true;
        }
    } else if ((watched == txtDateofbirth || watched == txtAddress) && IsCopyKey(key)) {
        copyBoxText(static_cast<QWidget*>(watched));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Options ----

void frmMain::SetUpOptions()
{
    const int dateIndex = modOptions::StoredDateFormatIndex();
    for (int i = 0; i < mnuOptionsDateFormat.size(); ++i)
        mnuOptionsDateFormat.at(i)->setChecked(i == dateIndex);
    lblDateFormat->setText(QLatin1Char('(') + mnuOptionsDateFormat.at(dateIndex)->data().toString() + QLatin1Char(')'));
    fitLabels();
    if (QString error; !modAutostart::CheckReminderAtStart(&error))
        Platform::inform(T("Error"), error);
    modOptions::WriteMissingDefaults();
    const int size = modOptions::StoredFontSize();
    mnuOptionsFontSize8->setChecked(size == 8);
    mnuOptionsFontSize10->setChecked(size == 10);
    ApplyFontSize(size);
    mnuOptionsCheck->setChecked(modSettings::IsOn(Setting::CheckVersion));
}

void frmMain::SelectDateFormat(int index)
{
    for (int i = 0; i < mnuOptionsDateFormat.size(); ++i)
        mnuOptionsDateFormat.at(i)->setChecked(i == index);
    lblDateFormat->setText(QLatin1Char('(') + mnuOptionsDateFormat.at(index)->data().toString() + QLatin1Char(')'));
    fitLabels();
    modOptions::StoreDateFormat(index);
    if (!fraList->isEnabled() || m_contacts->rowCount() == 0)
        return;
    if (const auto contactnr = CurrentContactnr())
        ShowPerson(*contactnr);
}

void frmMain::SelectFontSize(int size)
{
    mnuOptionsFontSize8->setChecked(size == 8);
    mnuOptionsFontSize10->setChecked(size == 10);
    ApplyFontSize(size);
    modOptions::StoreFontSize(size);
}

void frmMain::ApplyFontSize(int size)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{txtQuickSearch, lvwMain, txtDateofbirth, lblAge, txtAddress,
                                                           lvwPhone, lvwEmail, rtbNote}) {
        QFont font = widget->font();
        font.setPointSize(size);
        widget->setFont(font);
    }
    placeControls();
    if (!fraList->isEnabled() || !modDatabase::IsDatabaseOpen())
        return;
    const std::optional<qint16> shown = fraDetails->isHidden() ? std::nullopt : CurrentContactnr();
    FillContactList();
    if (shown && SelectRowByKey(modText::ContactKey(*shown)))
        ShowPerson(*shown);
}

// ---- Database files and persons ----

bool frmMain::askReplace(const QString& path, const QString& lineBreaksBeforeReplace)
{
    return Platform::askYesNo(T("Error"), T("File already exists:") + QLatin1Char('\n') + path +
                                              lineBreaksBeforeReplace + T("Replace") + QLatin1Char('?'));
}

void frmMain::NewDatabaseCommand()
{
    const QString path =
        Platform::current().saveFileName(T("New"), DatabaseFilter(), modEnvironment::DatabaseDirectory(),
                                         QString::fromLatin1(modDatabase::DefaultFileName));
    if (path.isEmpty())
        return;
    modEnvironment::SaveDatabaseDirectory(path);
    if (modEnvironment::FileExists(path)) {
        if (!askReplace(path, QStringLiteral("\n")))
            return;
        modDatabase::CloseDatabase(true);
        if (!QFile::remove(path)) {
            Platform::inform(T("Error"), T("Error") + QStringLiteral(": ") + path);
            return;
        }
    }
    ShowOutcome(modDatabase::NewDatabase(path));
}

void frmMain::OpenDatabaseCommand()
{
    const QString path =
        Platform::current().openFileName(T("Open"), DatabaseFilter(), modEnvironment::DatabaseDirectory());
    if (path.isEmpty())
        return;
    modEnvironment::SaveDatabaseDirectory(path);
    if (ShowOutcome(modDatabase::IsValidDatabase(path)))
        ShowOutcome(modDatabase::OpenDatabase(path));
}

void frmMain::CopyDatabaseCommand()
{
    const QString current = modDatabase::DatabaseConnection().DataSource();
    const QString proposed = modEnvironment::StripExtension(modEnvironment::FileNameOf(current)) +
                             Platform::Today().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".mdb");
    const QString path =
        Platform::current().saveFileName(T("Copy"), DatabaseFilter(), modEnvironment::DatabaseDirectory(), proposed);
    if (path.isEmpty())
        return;
    modEnvironment::SaveDatabaseDirectory(path);
    // A copy onto the open file itself would be a copy of nothing.
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(current).canonicalFilePath())
        return;
    if (modEnvironment::FileExists(path) && !askReplace(path, QStringLiteral("\n")))
        return;
    ShowOutcome(modDatabase::CopyDatabase(path));
}

void frmMain::RemovePersonCommand()
{
    const std::optional<qint16> contactnr = CurrentContactnr();
    if (m_contacts->rowCount() == 0 || !contactnr || !isWritable())
        return;
    const QString number = QString::number(*contactnr);
    try {
        Engine::Recordset person =
            modSql::OpenRecordset(QStringLiteral("SELECT Name FROM Person WHERE Contactnr = ") + number);
        if (person.Eof())
            return;
        const QString name = modText::TrimBlanks(person.Fields(QStringLiteral("Name")).toString());
        if (!Platform::askYesNo(T("Remove"),
                                T("Are you sure you want to remove the following Person:") + QLatin1Char('\n') + name))
            return;
        // The person goes with all their numbers and addresses, or not at all.
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (const QString& statement : modContact::RemovePersonStatements(*contactnr))
            modSql::ExecuteSql(statement);
        transaction.Commit();
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    setPersonCommandsEnabled(false);
    SetDetailsVisible(false);
    FillContactList();
}

// ---- Database state ----

void frmMain::setDatabaseCommandsEnabled(bool enabled)
{
    for (QAction* action :
         {mnuFileClose, mnuFileCopy, mnuFileEmail, mnuFileImport, mnuFileSync, mnuFileSynchronise, mnuFileGroupRename,
          mnuFileGroupRemove, toolbarButton(QStringLiteral("Synchronise")), mnuAction->menuAction()})
        setCommandEnabled(action, enabled);
    fraQuickSearch->setEnabled(enabled);
    fraList->setEnabled(enabled);
}

void frmMain::ShowDatabaseState(const QString& caption, const QString& path, bool writable)
{
    setWindowTitle(caption);
    // A path stays whole and in order, on the status bar's start, in a right-to-left window.
    staMainPath->setText(path.isEmpty() ? path : ContentDirection::Isolated(path));
    setDatabaseCommandsEnabled(true);
    mnuPerson->menuAction()->setEnabled(writable);
    for (QAction* action : {mnuPersonAdd, mnuPersonDuplicates, toolbarButton(QStringLiteral("Add"))})
        setCommandEnabled(action, writable);
}

void frmMain::ResetDatabaseState(const QString& caption)
{
    setWindowTitle(caption);
    tmrSync->stop();
    staMainPath->clear();
    staMainCount->clear();
    setDatabaseCommandsEnabled(false);
    for (QAction* action : {mnuPerson->menuAction(), mnuPersonEdit, mnuPersonRemove, mnuPersonDuplicates,
                            mnuActionExport, mnuActionSearch, mnuActionEmail})
        setCommandEnabled(action, false);
    for (const char* key : {"Email", "Add", "Edit", "Remove", "Export", "Search"})
        setCommandEnabled(toolbarButton(QString::fromLatin1(key)), false);
    // No rows of a closed database stay behind.
    m_contacts->clear();
    offerFirstSteps(false);
    SetDetailsVisible(false);
    toolbarButton(QStringLiteral("Search"))->setChecked(false);
    mnuActionSearch->setChecked(false);
    modSearch::ClearSearch();
}

void frmMain::DatabaseOpened(const QString& path)
{
    modRecent::AddRecent(path);
    RefreshRecentMenu();
    // A database linked to an address book may want a sync now and at intervals.
    QTimer::singleShot(0, this, [this] { openWindow(QStringLiteral("frmAutoSync")); });
}
