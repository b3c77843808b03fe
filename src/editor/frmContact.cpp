// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "editor/frmContact.h"
#include "database/modPersonView.h"
#include "language/ContentDirection.h"
#include "widgets/FailureDialog.h"

#include "editor/modPhoto.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/modOptions.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "startup/modText.h"
#include "widgets/Logo.h"
#include "widgets/WidgetRules.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The width of the Name column, so that saving never fails on a name too long.
constexpr int kNameWidth = 100;

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QString Joined(const char* prefix, const char* suffix)
{
    return QString::fromLatin1(prefix) + QString::fromLatin1(suffix);
}

QAction* AddAction(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QToolButton* ListButton(QWidget* parent, const QString& name, const char* themeIcon, const QString& fallbackText)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(fallbackText);
    button->setIcon(QIcon::fromTheme(QString::fromLatin1(themeIcon)));
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QString SelectedText(const QWidget* box)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return line->selectedText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(box))
        return plain->textCursor().selection().toPlainText();
    return QString();
}

QString WholeText(const QWidget* box)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(box))
        return line->text();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(box))
        return plain->toPlainText();
    return QString();
}

bool IsEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Completes the last of the groups typed, parted by commas, from the groups in use.
class GroupCompleter : public QCompleter
{
public:
    GroupCompleter(const QStringList& groups, QLineEdit* box) : QCompleter(groups, box)
    {
        setCaseSensitivity(Qt::CaseInsensitive);
        setFilterMode(Qt::MatchStartsWith);
        setWidget(box);
        // Replaces only the word being typed; the groups before it stay.
        connect(this, qOverload<const QString&>(&QCompleter::activated), box, [box](const QString& group) {
            const QString text = box->text().left(box->cursorPosition());
            const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
            const QString before = comma < 0 ? QString() : text.left(comma + 1) + QLatin1Char(' ');
            box->setText(before + group + QStringLiteral(", ") + box->text().mid(box->cursorPosition()).trimmed());
            box->setCursorPosition(static_cast<int>(before.size() + group.size() + 2));
        });
        connect(box, &QLineEdit::textEdited, this, [this, box] {
            const QString text = box->text().left(box->cursorPosition());
            const QString word = text.mid(text.lastIndexOf(QLatin1Char(',')) + 1).trimmed();
            if (word.isEmpty()) {
                popup()->hide();
                return;
            }
            setCompletionPrefix(word);
            complete();
        });
    }
};

} // namespace

frmContact::frmContact(Mode mode, frmMain& mainWindow) : QDialog(&mainWindow), m_mode(mode), m_main(mainWindow)
{
    setObjectName(mode == Mode::Add ? QStringLiteral("frmContactAdd") : QStringLiteral("frmContactEdit"));
    setModal(true);
    createControls();
    createPopups();
    connectCommands();
    // Numbers, addresses and Latin names read in their own direction in a right-to-left window.
    ContentDirection::InstallOnViews(this);
}

void frmContact::Open(frmMain& mainWindow, Mode mode)
{
    frmContact editor(mode, mainWindow);
    if (!editor.Load()) {
        // The person was removed meanwhile (by another run of the program): the list
        // shows what is there now.
        mainWindow.FillContactList();
        return;
    }
    editor.exec();
}

// ---- Building the window ----

void frmContact::createControls()
{
    fraFullname = Named(new QGroupBox(this), "fraFullname");
    txtFullname = Named(new QLineEdit(fraFullname), "txtFullname");
    txtFullname->setMaxLength(kNameWidth);
    (new QVBoxLayout(fraFullname))->addWidget(txtFullname);

    fraDateofbirth = Named(new QGroupBox(this), "fraDateofbirth");
    txtDateofbirth = Named(new QLineEdit(fraDateofbirth), "txtDateofbirth");
    lblDateFormat = Named(new QLabel(fraDateofbirth), "lblDateFormat");
    chkNoYear = Named(new QCheckBox(fraDateofbirth), "chkNoYear");
    auto* dateRow = new QHBoxLayout(fraDateofbirth);
    dateRow->addWidget(txtDateofbirth, 1);
    dateRow->addWidget(lblDateFormat);
    dateRow->addWidget(chkNoYear);

    fraWork = Named(new QGroupBox(this), "fraWork");
    lblOrganisation = Named(new QLabel(fraWork), "lblOrganisation");
    txtOrganisation = Named(new QLineEdit(fraWork), "txtOrganisation");
    lblTitle = Named(new QLabel(fraWork), "lblTitle");
    txtTitle = Named(new QLineEdit(fraWork), "txtTitle");
    lblOrganisation->setBuddy(txtOrganisation);
    lblTitle->setBuddy(txtTitle);
    auto* work = new QFormLayout(fraWork);
    work->addRow(lblOrganisation, txtOrganisation);
    work->addRow(lblTitle, txtTitle);

    fraGroups = Named(new QGroupBox(this), "fraGroups");
    txtGroups = Named(new QLineEdit(fraGroups), "txtGroups");
    (new QVBoxLayout(fraGroups))->addWidget(txtGroups);

    fraPhoto = Named(new QGroupBox(this), "fraPhoto");
    imgPhoto = Named(new QLabel(fraPhoto), "imgPhoto");
    imgPhoto->setAlignment(Qt::AlignCenter);
    imgPhoto->setFrameShape(QFrame::StyledPanel);
    imgPhoto->setFixedSize(72, 96);
    cmdPhotoChoose = Named(new QPushButton(fraPhoto), "cmdPhotoChoose");
    cmdPhotoRemove = Named(new QPushButton(fraPhoto), "cmdPhotoRemove");
    for (QPushButton* button : {cmdPhotoChoose, cmdPhotoRemove})
        button->setAutoDefault(false);
    auto* photoButtons = new QVBoxLayout;
    photoButtons->addWidget(cmdPhotoChoose);
    photoButtons->addWidget(cmdPhotoRemove);
    photoButtons->addStretch(1);
    auto* photoRow = new QHBoxLayout(fraPhoto);
    photoRow->addWidget(imgPhoto);
    photoRow->addLayout(photoButtons, 1);

    fraAddress = Named(new QGroupBox(this), "fraAddress");
    txtAddress = Named(new QPlainTextEdit(fraAddress), "txtAddress");
    (new QVBoxLayout(fraAddress))->addWidget(txtAddress);

    fraNote = Named(new QGroupBox(this), "fraNote");
    txtNote = Named(new QPlainTextEdit(fraNote), "txtNote");
    (new QVBoxLayout(fraNote))->addWidget(txtNote);

    for (QPlainTextEdit* box : {txtAddress, txtNote})
        box->setTabChangesFocus(true);

    fraNumber = createListFrame(m_phone, "fraNumber", "lvwPhone", "cmdPhone");
    lvwPhone = m_phone.list;
    cmdPhoneAdd = m_phone.add;
    cmdPhoneEdit = m_phone.edit;
    cmdPhoneRemove = m_phone.remove;
    cmdPhoneUp = m_phone.up;
    cmdPhoneDown = m_phone.down;
    fraEmail = createListFrame(m_email, "fraEmail", "lvwEmail", "cmdEmail");
    lvwEmail = m_email.list;
    cmdEmailAdd = m_email.add;
    cmdEmailEdit = m_email.edit;
    cmdEmailRemove = m_email.remove;
    cmdEmailUp = m_email.up;
    cmdEmailDown = m_email.down;

    auto* grid = new QGridLayout(this);
    grid->addWidget(fraFullname, 0, 0);
    grid->addWidget(fraDateofbirth, 0, 1);
    auto* workAndGroups = new QVBoxLayout;
    workAndGroups->addWidget(fraWork);
    workAndGroups->addWidget(fraGroups);
    grid->addLayout(workAndGroups, 1, 0);
    grid->addWidget(fraPhoto, 1, 1);
    grid->addWidget(fraAddress, 2, 0);
    grid->addWidget(fraNumber, 2, 1);
    grid->addWidget(fraNote, 3, 0);
    grid->addWidget(fraEmail, 3, 1);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { okClicked(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    // Enter in the name or date box saves, as in the other windows; in the address and
    // note it starts a new line.
    for (QPushButton* button : {cmdOK, cmdCancel})
        button->setAutoDefault(false);
    grid->addLayout(buttons, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    grid->setRowStretch(3, 1);

    for (QWidget* box : std::initializer_list<QWidget*>{txtFullname, txtAddress, txtNote})
        box->setContextMenuPolicy(Qt::CustomContextMenu);
    setTabOrder();
}

void frmContact::setTabOrder()
{
    // Tab reads the left column top to bottom, then the right one, then the buttons.
    const QList<QWidget*> order{txtFullname,  txtOrganisation, txtTitle,     txtGroups,      txtAddress,
                                txtNote,      txtDateofbirth,  chkNoYear,    cmdPhotoChoose, cmdPhotoRemove,
                                lvwPhone,     cmdPhoneAdd,     cmdPhoneEdit, cmdPhoneRemove, cmdPhoneUp,
                                cmdPhoneDown, lvwEmail,        cmdEmailAdd,  cmdEmailEdit,   cmdEmailRemove,
                                cmdEmailUp,   cmdEmailDown,    cmdOK,        cmdCancel};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

QGroupBox* frmContact::createListFrame(ListControls& controls, const char* frameName, const char* listName,
                                       const char* buttonPrefix)
{
    auto* frame = Named(new QGroupBox(this), frameName);
    controls.list = Named(new QTreeWidget(frame), listName);
    controls.list->setRootIsDecorated(false);
    controls.list->setHeaderHidden(true);
    controls.list->setColumnCount(1);
    controls.list->setSelectionMode(QAbstractItemView::SingleSelection);
    controls.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    controls.list->setContextMenuPolicy(Qt::CustomContextMenu);

    controls.add = ListButton(frame, Joined(buttonPrefix, "Add"), "list-add", QStringLiteral("+"));
    controls.edit = ListButton(frame, Joined(buttonPrefix, "Edit"), "document-edit", QStringLiteral("..."));
    controls.remove = ListButton(frame, Joined(buttonPrefix, "Remove"), "list-remove", QStringLiteral("-"));
    controls.up = ListButton(frame, Joined(buttonPrefix, "Up"), "go-up", QString());
    controls.down = ListButton(frame, Joined(buttonPrefix, "Down"), "go-down", QString());
    controls.up->setArrowType(Qt::UpArrow);
    controls.down->setArrowType(Qt::DownArrow);

    auto* column = new QVBoxLayout;
    // One size for all, whatever their sign: "-" as wide as "+".
    QSize size;
    for (QToolButton* button : {controls.add, controls.edit, controls.remove, controls.up, controls.down})
        size = size.expandedTo(button->sizeHint());
    for (QToolButton* button : {controls.add, controls.edit, controls.remove, controls.up, controls.down}) {
        button->setMinimumSize(size);
        column->addWidget(button);
    }
    column->addStretch(1);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(controls.list, 1);
    row->addLayout(column);
    return frame;
}

void frmContact::createPopups()
{
    auto popup = [this](const char* name) { return Named(new QMenu(this), name); };
    mnuPopupFullname = popup("mnuPopupFullname");
    mnuPopupFullnameCopy = AddAction(mnuPopupFullname, QStringLiteral("mnuPopupFullnameCopy"), QStringLiteral("&Copy"));
    mnuPopupFullnamePaste =
        AddAction(mnuPopupFullname, QStringLiteral("mnuPopupFullnamePaste"), QStringLiteral("&Paste"));
    mnuPopupAddress = popup("mnuPopupAddress");
    mnuPopupAddressCopy = AddAction(mnuPopupAddress, QStringLiteral("mnuPopupAddressCopy"), QStringLiteral("&Copy"));
    mnuPopupAddressPaste = AddAction(mnuPopupAddress, QStringLiteral("mnuPopupAddressPaste"), QStringLiteral("&Paste"));
    mnuPopupNote = popup("mnuPopupNote");
    mnuPopupNoteCopy = AddAction(mnuPopupNote, QStringLiteral("mnuPopupNoteCopy"), QStringLiteral("&Copy"));
    mnuPopupNotePaste = AddAction(mnuPopupNote, QStringLiteral("mnuPopupNotePaste"), QStringLiteral("&Paste"));

    m_phone.popup = mnuPopupPhone = popup("mnuPopupPhone");
    createListPopup(m_phone, "mnuPopupPhone", "Number");
    mnuPopupPhoneAdd = m_phone.popupAdd;
    mnuPopupPhoneEdit = m_phone.popupEdit;
    mnuPopupPhoneRemove = m_phone.popupRemove;
    mnuPopupPhoneUp = m_phone.popupUp;
    mnuPopupPhoneDown = m_phone.popupDown;
    mnuPopupPhoneCopy = m_phone.popupCopy;
    mnuPopupPhoneCopy2 = m_phone.popupCopy2;

    m_email.popup = mnuPopupEmail = popup("mnuPopupEmail");
    createListPopup(m_email, "mnuPopupEmail", "E-mail");
    mnuPopupEmailAdd = m_email.popupAdd;
    mnuPopupEmailEdit = m_email.popupEdit;
    mnuPopupEmailRemove = m_email.popupRemove;
    mnuPopupEmailUp = m_email.popupUp;
    mnuPopupEmailDown = m_email.popupDown;
    mnuPopupEmailCopy = m_email.popupCopy;
    mnuPopupEmailCopy2 = m_email.popupCopy2;
    m_email.popup->addSeparator();
    mnuPopupEmailSend = m_email.popupSend =
        AddAction(m_email.popup, QStringLiteral("mnuPopupEmailSend"), QStringLiteral("&Send e-mail"));
    mnuPopupEmailWebsite = m_email.popupWebsite =
        AddAction(m_email.popup, QStringLiteral("mnuPopupEmailWebsite"), QStringLiteral("We&bsite"));
}

void frmContact::createListPopup(ListControls& controls, const char* popupName, const char* valueCaption)
{
    QMenu* menu = controls.popup;
    const QString value = QString::fromLatin1(valueCaption);
    controls.popupAdd = AddAction(menu, Joined(popupName, "Add"), QStringLiteral("&Add..."));
    controls.popupEdit = AddAction(menu, Joined(popupName, "Edit"), QStringLiteral("&Edit..."));
    controls.popupRemove = AddAction(menu, Joined(popupName, "Remove"), QStringLiteral("&Remove"));
    menu->addSeparator();
    controls.popupUp = AddAction(menu, Joined(popupName, "Up"), QStringLiteral("Move &up"));
    controls.popupDown = AddAction(menu, Joined(popupName, "Down"), QStringLiteral("Move do&wn"));
    menu->addSeparator();
    controls.popupCopy = AddAction(menu, Joined(popupName, "Copy"), QStringLiteral("Copy: ") + value);
    controls.popupCopy2 = AddAction(menu, Joined(popupName, "Copy2"),
                                    QStringLiteral("Copy: ") + value + QStringLiteral(" + Description"));
}

void frmContact::connectCommands()
{
    connect(chkNoYear, &QCheckBox::toggled, this, &frmContact::setNoYear);
    connect(cmdPhotoChoose, &QPushButton::clicked, this, &frmContact::choosePhoto);
    connect(cmdPhotoRemove, &QPushButton::clicked, this, [this] {
        m_photo.clear();
        showPhoto();
    });

    connect(mnuPopupFullnameCopy, &QAction::triggered, this, [this] { copyText(txtFullname); });
    connect(mnuPopupFullnamePaste, &QAction::triggered, this, [this] { pasteText(txtFullname); });
    connect(mnuPopupAddressCopy, &QAction::triggered, this, [this] { copyText(txtAddress); });
    connect(mnuPopupAddressPaste, &QAction::triggered, this, [this] { pasteText(txtAddress); });
    connect(mnuPopupNoteCopy, &QAction::triggered, this, [this] { copyText(txtNote); });
    connect(mnuPopupNotePaste, &QAction::triggered, this, [this] { pasteText(txtNote); });
    for (QWidget* box : std::initializer_list<QWidget*>{txtFullname, txtAddress, txtNote})
        connect(box, &QWidget::customContextMenuRequested, this,
                [this, box](const QPoint& position) { showTextPopup(box, position); });

    connectList(m_phone);
    connectList(m_email);
    connect(mnuPopupEmailSend, &QAction::triggered, this, &frmContact::sendEmail);
    connect(mnuPopupEmailWebsite, &QAction::triggered, this, &frmContact::openWebsite);
}

void frmContact::connectList(ListControls& controls)
{
    ListControls* c = &controls;
    using EntryMode = frmContactEntry::Mode;
    connect(c->add, &QToolButton::clicked, this, [this, c] { openEntryDialog(*c, EntryMode::Add); });
    connect(c->popupAdd, &QAction::triggered, this, [this, c] { openEntryDialog(*c, EntryMode::Add); });
    connect(c->edit, &QToolButton::clicked, this, [this, c] { openEntryDialog(*c, EntryMode::Edit); });
    connect(c->popupEdit, &QAction::triggered, this, [this, c] { openEntryDialog(*c, EntryMode::Edit); });
    connect(c->remove, &QToolButton::clicked, this, [this, c] { removeEntry(*c); });
    connect(c->popupRemove, &QAction::triggered, this, [this, c] { removeEntry(*c); });
    connect(c->up, &QToolButton::clicked, this, [this, c] { moveEntry(*c, -1); });
    connect(c->popupUp, &QAction::triggered, this, [this, c] { moveEntry(*c, -1); });
    connect(c->down, &QToolButton::clicked, this, [this, c] { moveEntry(*c, 1); });
    connect(c->popupDown, &QAction::triggered, this, [this, c] { moveEntry(*c, 1); });
    connect(c->popupCopy, &QAction::triggered, this, [this, c] { copyEntry(*c, false); });
    connect(c->popupCopy2, &QAction::triggered, this, [this, c] { copyEntry(*c, true); });
    connect(c->list, &QTreeWidget::currentItemChanged, this, [this, c] { setListControls(*c); });
    connect(c->list, &QTreeWidget::itemClicked, this, [this, c] { setListControls(*c); });
    // Keys, double-clicks and focus reach the list through the filter once every
    // control they act on exists.
    c->list->installEventFilter(this);
    c->list->viewport()->installEventFilter(this);
    connect(c->list, &QWidget::customContextMenuRequested, this, [this, c](const QPoint& position) {
        if (QTreeWidgetItem* at = c->list->itemAt(position))
            c->list->setCurrentItem(at);
        setListControls(*c);
        c->popup->popup(WidgetRules::PopupPosition(c->list, position));
    });
}

void frmContact::LoadLanguage()
{
    const QString dots = QStringLiteral("...");
    setWindowTitle(m_mode == Mode::Add ? T(QStringLiteral("Add")) : T(QStringLiteral("Edit")));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    fraFullname->setTitle(T(QStringLiteral("Name")));
    fraDateofbirth->setTitle(T(QStringLiteral("Date of birth")));
    chkNoYear->setText(T(QStringLiteral("Year unknown")));
    fraWork->setTitle(T(QStringLiteral("Work")));
    lblOrganisation->setText(T(QStringLiteral("Organisation")) + QLatin1Char(':'));
    lblTitle->setText(T(QStringLiteral("Title")) + QLatin1Char(':'));
    fraGroups->setTitle(T(QStringLiteral("Groups")));
    txtGroups->setPlaceholderText(T(QStringLiteral("Parted by commas")));
    fraPhoto->setTitle(T(QStringLiteral("Photo")));
    cmdPhotoChoose->setText(T(QStringLiteral("Choose")) + QStringLiteral("..."));
    cmdPhotoRemove->setText(T(QStringLiteral("Remove")));
    fraAddress->setTitle(T(QStringLiteral("Address")));
    fraNumber->setTitle(T(QStringLiteral("Numbers")));
    fraEmail->setTitle(T(QStringLiteral("E-mail")));
    fraNote->setTitle(T(QStringLiteral("Note")));
    // Popup texts carry their access key ("&") in the translation itself.
    for (QAction* copy : {mnuPopupFullnameCopy, mnuPopupAddressCopy, mnuPopupNoteCopy})
        copy->setText(T(QStringLiteral("&Copy")));
    for (QAction* paste : {mnuPopupFullnamePaste, mnuPopupAddressPaste, mnuPopupNotePaste})
        paste->setText(T(QStringLiteral("&Paste")));
    for (ListControls* c : {&m_phone, &m_email}) {
        c->add->setToolTip(T(QStringLiteral("Add")));
        c->edit->setToolTip(T(QStringLiteral("Edit")));
        c->remove->setToolTip(T(QStringLiteral("Remove")));
        c->up->setToolTip(T(QStringLiteral("Move up")));
        c->down->setToolTip(T(QStringLiteral("Move down")));
        c->popupAdd->setText(T(QStringLiteral("&Add")) + dots);
        c->popupEdit->setText(T(QStringLiteral("&Edit")) + dots);
        c->popupRemove->setText(T(QStringLiteral("&Remove")));
        c->popupUp->setText(T(QStringLiteral("Move &up")));
        c->popupDown->setText(T(QStringLiteral("Move do&wn")));
    }
    const QString copyPrefix = T(QStringLiteral("Copy")) + QStringLiteral(": ");
    mnuPopupPhoneCopy->setText(copyPrefix + T(QStringLiteral("&Number")));
    mnuPopupPhoneCopy2->setText(copyPrefix + T(QStringLiteral("Number")) + QStringLiteral(" + ") +
                                T(QStringLiteral("&Description")));
    mnuPopupEmailCopy->setText(copyPrefix + T(QStringLiteral("E-&mail")));
    mnuPopupEmailCopy2->setText(copyPrefix + T(QStringLiteral("E-mail")) + QStringLiteral(" + ") +
                                T(QStringLiteral("&Description")));
    mnuPopupEmailSend->setText(T(QStringLiteral("&Send e-mail")));
    mnuPopupEmailWebsite->setText(T(QStringLiteral("We&bsite")));
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

// ---- Loading ----

bool frmContact::Load()
{
    LoadLanguage();
    m_dateFormat = modSettings::Get(Setting::DateFormat);
    lblDateFormat->setText(QLatin1Char('(') + m_dateFormat + QLatin1Char(')'));
    WidgetRules::PrepareDateBox(txtDateofbirth, modContact::DateMask(m_dateFormat));
    QStringList groups;
    for (const modPersonDetail::GroupUse& group : modPersonDetail::Groups(modDatabase::DatabaseConnection()))
        groups << group.name;
    new GroupCompleter(groups, txtGroups);
    if (m_mode == Mode::Edit) {
        m_contactnr = m_main.CurrentContactnr();
        if (!m_contactnr)
            return false;
        const std::optional<modPersonView::PersonDetails> person = modPersonView::LoadPerson(*m_contactnr);
        if (!person)
            return false;
        loadPerson(*person);
    }
    applyFontSize();
    // Sized for a whole date in the font just applied.
    WidgetRules::FitDateBox(txtDateofbirth);
    SetPhoneControls();
    SetEmailControls();
    showPhoto();
    return true;
}

void frmContact::loadPerson(const modPersonView::PersonDetails& person)
{
    txtFullname->setText(person.name);
    if (person.dateOfBirth) {
        txtDateofbirth->setText(modPersonView::FormatDate(*person.dateOfBirth, m_dateFormat));
    } else if (person.birthday) {
        chkNoYear->setChecked(true);
        txtDateofbirth->setText(modContact::MonthDayText(*person.birthday, m_dateFormat));
    }
    txtOrganisation->setText(person.organisation);
    txtTitle->setText(person.title);
    txtGroups->setText(modPersonDetail::GroupsText(person.groups));
    m_photo = person.photo;
    txtAddress->setPlainText(person.address);
    for (const modPersonView::ListEntry& phone : person.phones)
        EditorList::AppendEntry(lvwPhone, {phone.text, phone.tag});
    for (const modPersonView::ListEntry& email : person.emails)
        EditorList::AppendEntry(lvwEmail, {email.text, email.tag});
    // A list with entries always has a current one for its commands to act on.
    for (QTreeWidget* list : {lvwPhone, lvwEmail})
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0));
    txtNote->setPlainText(person.note);
}

void frmContact::applyFontSize()
{
    QFont windowFont = font();
    windowFont.setPointSize(modOptions::StoredFontSize());
    setFont(windowFont);
}

// ---- The phone and e-mail lists ----

void frmContact::SetPhoneControls()
{
    setListControls(m_phone);
}

void frmContact::SetEmailControls()
{
    setListControls(m_email);
}

void frmContact::setListControls(ListControls& c)
{
    const int count = c.list->topLevelItemCount();
    const bool any = count > 0;
    QTreeWidgetItem* item = EditorList::CurrentItem(c.list);
    const int row = item ? c.list->indexOfTopLevelItem(item) : -1;
    const modContact::Entry entry = EditorList::EntryOf(item);

    c.add->setEnabled(true);
    c.popupAdd->setEnabled(true);
    for (QWidget* button : std::initializer_list<QWidget*>{c.edit, c.remove})
        button->setEnabled(any);
    for (QAction* action : {c.popupEdit, c.popupRemove, c.popupCopy})
        action->setEnabled(any);
    const bool up = any && row > 0;
    const bool down = any && row < count - 1;
    c.up->setEnabled(up);
    c.popupUp->setEnabled(up);
    c.down->setEnabled(down);
    c.popupDown->setEnabled(down);
    c.popupCopy2->setEnabled(any && modContact::HasDescription(entry.text, entry.tag));
    if (c.popupSend)
        c.popupSend->setEnabled(any);
    if (c.popupWebsite)
        c.popupWebsite->setEnabled(any && modContact::HasProfilePage(entry.text));
}

void frmContact::openEntryDialog(ListControls& c, frmContactEntry::Mode mode)
{
    if (mode == frmContactEntry::Mode::Edit && c.list->topLevelItemCount() == 0)
        return;
    frmContactEntry dialog(objectName(), c.kind, mode, c.list, this);
    dialog.exec();
    setListControls(c);
}

void frmContact::removeEntry(ListControls& c)
{
    QTreeWidgetItem* item = EditorList::CurrentItem(c.list);
    if (!item)
        return;
    const int row = c.list->indexOfTopLevelItem(item);
    delete item;
    // The entry now in its place, or the new last one, becomes current.
    const int count = c.list->topLevelItemCount();
    if (count > 0)
        c.list->setCurrentItem(c.list->topLevelItem(qMin(row, count - 1)));
    setListControls(c);
}

void frmContact::moveEntry(ListControls& c, int step)
{
    QTreeWidgetItem* item = EditorList::CurrentItem(c.list);
    if (!item)
        return;
    const int other = c.list->indexOfTopLevelItem(item) + step;
    if (other < 0 || other >= c.list->topLevelItemCount())
        return;
    QTreeWidgetItem* neighbour = c.list->topLevelItem(other);
    const modContact::Entry moved = EditorList::EntryOf(item);
    const modContact::Entry displaced = EditorList::EntryOf(neighbour);
    EditorList::SetEntry(item, {modText::TrimBlanks(displaced.text), modText::TrimBlanks(displaced.tag)});
    EditorList::SetEntry(neighbour, {modText::TrimBlanks(moved.text), modText::TrimBlanks(moved.tag)});
    c.list->setCurrentItem(neighbour);
    c.list->scrollToItem(neighbour);
    c.list->setFocus();
    setListControls(c);
}

void frmContact::copyEntry(ListControls& c, bool withDescription)
{
    const QTreeWidgetItem* item = EditorList::CurrentItem(c.list);
    if (!item)
        return;
    const modContact::Entry entry = EditorList::EntryOf(item);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(modText::TrimBlanks(withDescription ? entry.text : entry.tag));
}

void frmContact::sendEmail()
{
    const QTreeWidgetItem* item = EditorList::CurrentItem(lvwEmail);
    if (!item)
        return;
    // The whole shown text goes to the mail program, a description in brackets being a
    // comment to the address there.
    ShowOutcome(modEnvironment::OpenMailto(modText::TrimBlanks(EditorList::EntryOf(item).text)));
}

void frmContact::openWebsite()
{
    const QTreeWidgetItem* item = EditorList::CurrentItem(lvwEmail);
    if (!item)
        return;
    const modContact::Entry entry = EditorList::EntryOf(item);
    modEnvironment::OpenWithShell(modContact::ProfilePage(entry.text, entry.tag));
}

bool frmContact::eventFilter(QObject* watched, QEvent* event)
{
    ListControls* owner = nullptr;
    bool onList = false;
    for (ListControls* candidate : {&m_phone, &m_email}) {
        if (watched == candidate->list || watched == candidate->list->viewport()) {
            owner = candidate;
            onList = watched == candidate->list;
        }
    }
    if (!owner)
        return QDialog::eventFilter(watched, event);
    ListControls& c = *owner;
    const bool onViewport = !onList;
    const bool any = c.list->topLevelItemCount() > 0;
    switch (event->type()) {
    case QEvent::KeyPress: {
        if (!onList)
            break;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnterKey(key)) {
            if (any)
                openEntryDialog(c, frmContactEntry::Mode::Edit);
            // Consumed also in an empty list: Enter there is no command at all.
            return true;
        }
        if (key->matches(QKeySequence::Copy)) {
            if (any)
                copyEntry(c, false);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (onViewport) {
            openEntryDialog(c, any ? frmContactEntry::Mode::Edit : frmContactEntry::Mode::Add);
            return true;
        }
        break;
    case QEvent::FocusIn:
    case QEvent::MouseButtonRelease:
        setListControls(c);
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- Text boxes ----

void frmContact::showTextPopup(QWidget* box, const QPoint& position)
{
    QMenu* popup = mnuPopupFullname;
    QAction* copy = mnuPopupFullnameCopy;
    QAction* paste = mnuPopupFullnamePaste;
    if (box == txtAddress) {
        popup = mnuPopupAddress;
        copy = mnuPopupAddressCopy;
        paste = mnuPopupAddressPaste;
    } else if (box == txtNote) {
        popup = mnuPopupNote;
        copy = mnuPopupNoteCopy;
        paste = mnuPopupNotePaste;
    }
    copy->setEnabled(!SelectedText(box).isEmpty());
    paste->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    box->setFocus();
    // A multi-line box reports the position on its viewport.
    popup->popup(WidgetRules::PopupPosition(box, position));
}

void frmContact::copyText(QWidget* box)
{
    const QString selected = SelectedText(box);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(selected.isEmpty() ? WholeText(box) : selected);
}

void frmContact::pasteText(QWidget* box)
{
    const QString clipboard = QGuiApplication::clipboard()->text();
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        const QString pasted = modText::CleanText(clipboard, false);
        const QString text = line->text();
        const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        const int length = static_cast<int>(line->selectedText().size());
        line->setText(text.left(start) + pasted + text.mid(start + length));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        const QString pasted = modText::CleanText(clipboard, true);
        const QString text = plain->toPlainText();
        const QTextCursor cursor = plain->textCursor();
        plain->setPlainText(text.left(cursor.selectionStart()) + pasted + text.mid(cursor.selectionEnd()));
    }
}

// ---- OK and Cancel ----

// ---- Birthday without a year and photo ----

void frmContact::setNoYear(bool noYear)
{
    // What was typed of day and month stays; the year goes, or gets its place back.
    const QString kept = modContact::DayAndMonthOf(txtDateofbirth->displayText(), m_dateFormat, !noYear);
    WidgetRules::PrepareDateBox(txtDateofbirth,
                                noYear ? modContact::MonthDayMask() : modContact::DateMask(m_dateFormat));
    txtDateofbirth->setText(QString(kept).remove(QLatin1Char('_')).isEmpty() ? QString() : kept);
    lblDateFormat->setText(QLatin1Char('(') + (noYear ? modContact::MonthDayFormat(m_dateFormat) : m_dateFormat) +
                           QLatin1Char(')'));
    WidgetRules::FitDateBox(txtDateofbirth);
}

void frmContact::choosePhoto()
{
    const QString path = Platform::current().openFileName(
        T(QStringLiteral("Photo")), T(QStringLiteral("Pictures")) + QStringLiteral(" (*.jpg *.jpeg *.png)"),
        modEnvironment::PersonalFolder());
    if (path.isEmpty())
        return;
    modPhoto::PhotoProblem problem = modPhoto::PhotoProblem::None;
    const QByteArray photo = modPhoto::PhotoFromFile(path, problem);
    if (problem != modPhoto::PhotoProblem::None) {
        // The photo the person had stays.
        const QString why = problem == modPhoto::PhotoProblem::TooLarge
                                ? T(QStringLiteral("The picture is too large"))
                                : T(QStringLiteral("The file is no picture that can be read"));
        Platform::inform(T(QStringLiteral("Photo")), why + QStringLiteral(":\n") + path);
        return;
    }
    m_photo = photo;
    showPhoto();
}

void frmContact::showPhoto()
{
    const QImage image = m_photo.isEmpty() ? QImage() : QImage::fromData(m_photo);
    if (image.isNull()) {
        // The placeholder: the outline of a person.
        imgPhoto->setPixmap(AddrionPersonPlaceholder(imgPhoto->size()));
    } else {
        imgPhoto->setPixmap(QPixmap::fromImage(
            image.scaled(imgPhoto->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    cmdPhotoRemove->setEnabled(!m_photo.isEmpty());
}

modContact::Contact frmContact::contents(const QString& monthDayYear,
                                         const std::optional<modPersonDetail::MonthDay>& birthday) const
{
    modContact::Contact contact;
    contact.name = txtFullname->text();
    contact.dateOfBirth = monthDayYear;
    contact.birthday = birthday;
    contact.organisation = txtOrganisation->text();
    contact.title = txtTitle->text();
    contact.groups = modPersonDetail::ParseGroups(txtGroups->text());
    contact.photo = m_photo;
    contact.address = txtAddress->toPlainText();
    contact.note = txtNote->toPlainText();
    for (int i = 0; i < lvwPhone->topLevelItemCount(); ++i)
        contact.phones.push_back(EditorList::EntryOf(lvwPhone->topLevelItem(i)));
    for (int i = 0; i < lvwEmail->topLevelItemCount(); ++i)
        contact.emails.push_back(EditorList::EntryOf(lvwEmail->topLevelItem(i)));
    return contact;
}

void frmContact::okClicked()
{
    // A name of blanks passes; it is saved as an empty name.
    if (txtFullname->text().isEmpty()) {
        Platform::inform(T(QStringLiteral("Error")) + QLatin1Char('!'),
                         T(QStringLiteral("Either first name or last name has to be filled in!")));
        return;
    }
    modContact::TypedDate date;
    modContact::TypedMonthDay dayOnly;
    if (chkNoYear->isChecked())
        dayOnly = modContact::ReadTypedMonthDay(txtDateofbirth->displayText(), m_dateFormat);
    else
        date = modContact::ReadTypedDate(txtDateofbirth->displayText(), m_dateFormat);
    if (date.state == modContact::DateState::Invalid || dayOnly.state == modContact::DateState::Invalid) {
        Platform::inform(T(QStringLiteral("Error")), T(QStringLiteral("Date of birth")) + QLatin1Char(' ') +
                                                         T(QStringLiteral("is invalid")) + QLatin1Char('!'));
        return;
    }
    const modContact::Contact contact = contents(date.monthDayYear, dayOnly.birthday);
    qint16 saved = 0;
    try {
        if (m_mode == Mode::Add) {
            const std::optional<qint16> contactnr = modContact::SaveNewPerson(contact);
            if (!contactnr) {
                // Every number from 1 to 32767 is taken; nothing has been written.
                Platform::inform(T(QStringLiteral("Error")),
                                 T(QStringLiteral("No further person can be added to this database")) +
                                     QLatin1Char('!'));
                return;
            }
            saved = *contactnr;
        } else {
            saved = *m_contactnr;
            modContact::SaveExistingPerson(saved, contact);
        }
    } catch (const Engine::EngineError& error) {
        // Nothing was written; the editor stays open with everything typed.
        ShowFailure(modSql::EngineFailure(error));
        return;
    }
    handBack(saved);
}

void frmContact::handBack(qint16 contactnr)
{
    // Ends any search and refills the list, so the saved person can be found in it.
    m_main.SetSearchPressed(false);
    hide();
    m_main.SelectRowByKey(modText::ContactKey(contactnr));
    m_main.ShowPerson(contactnr);
    accept();
}
