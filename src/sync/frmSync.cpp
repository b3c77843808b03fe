#include "frmSync.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "sync/CardDav.h"
#include "sync/modSync.h"
#include "sync/modSyncPassword.h"
#include "sync/modSyncState.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

bool Writable()
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    if (connection.IsOpen() && connection.Mode() == Engine::ModeShareDenyNone)
        return true;
    if (connection.IsOpen())
        Platform::inform(T("Error"), T("Addrion database") + QLatin1Char(' ') + connection.DataSource() +
                                         QLatin1Char(' ') + T("is read-only") + QLatin1Char('!'));
    return false;
}

} // namespace

frmSync::frmSync(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSync"));
    setModal(true);
    auto make = [this](auto*& widget, const char* name) {
        widget = new std::remove_reference_t<decltype(*widget)>(this);
        widget->setObjectName(QString::fromLatin1(name));
    };
    make(lblServer, "lblServer");
    make(txtServer, "txtServer");
    make(lblUser, "lblUser");
    make(txtUser, "txtUser");
    make(lblPassword, "lblPassword");
    make(txtPassword, "txtPassword");
    make(cmdFind, "cmdFind");
    make(lblAddressBook, "lblAddressBook");
    make(cboAddressBook, "cboAddressBook");
    make(cmdOK, "cmdOK");
    make(cmdCancel, "cmdCancel");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtServer->setMinimumWidth(txtServer->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    // A hint at the form only: the user names their own server.
    txtServer->setPlaceholderText(QStringLiteral("https://"));
    lblServer->setBuddy(txtServer);
    lblUser->setBuddy(txtUser);
    lblPassword->setBuddy(txtPassword);
    lblAddressBook->setBuddy(cboAddressBook);
    cmdFind->setAutoDefault(false);
    cmdOK->setDefault(true);
    cmdCancel->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(lblServer, txtServer);
    form->addRow(lblUser, txtUser);
    form->addRow(lblPassword, txtPassword);
    auto* findRow = new QHBoxLayout;
    findRow->addStretch();
    findRow->addWidget(cmdFind);
    form->addRow(findRow);
    form->addRow(lblAddressBook, cboAddressBook);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cmdFind, &QPushButton::clicked, this, &frmSync::find);
    connect(cmdOK, &QPushButton::clicked, this, &frmSync::confirm);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    LoadLanguage();

    if (const auto link = modSyncState::ReadLink(modDatabase::DatabaseConnection())) {
        txtServer->setText(link->server);
        txtUser->setText(link->user);
        cboAddressBook->addItem(link->addressBook, link->addressBook);
        txtPassword->setText(
            modSyncPassword::Read(modSyncPassword::Key(link->user, link->addressBook)).value_or(QString()));
    }
}

void frmSync::LoadLanguage()
{
    setWindowTitle(T("Synchronisation"));
    lblServer->setText(T("Server") + QLatin1Char(':'));
    lblUser->setText(T("User name") + QLatin1Char(':'));
    lblPassword->setText(T("Password") + QLatin1Char(':'));
    cmdFind->setText(T("Find address books"));
    lblAddressBook->setText(T("Address book") + QLatin1Char(':'));
    cmdOK->setText(T("OK"));
    cmdCancel->setText(T("Cancel"));
}

void frmSync::find()
{
    CardDav::Session session(txtUser->text(), txtPassword->text());
    QString error;
    const std::vector<CardDav::AddressBook> books =
        CardDav::Discover(session, QUrl::fromUserInput(txtServer->text().trimmed()), error);
    cboAddressBook->clear();
    for (const CardDav::AddressBook& book : books)
        cboAddressBook->addItem(book.name.isEmpty() ? book.url.toDisplayString() : book.name, book.url.toString());
    if (books.empty())
        Platform::inform(T("Error"), error);
}

void frmSync::confirm()
{
    const QString book = cboAddressBook->currentData().toString();
    if (book.isEmpty()) {
        Platform::inform(T("Error"), T("Find address books") + QLatin1Char('!'));
        return;
    }
    try {
        modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                               {txtServer->text().trimmed(), txtUser->text(), book, QString()});
    } catch (const Engine::EngineError& error) {
        Platform::inform(T("Error"), error.description());
        return;
    }
    // Without a secret store the password is still kept for this session.
    modSyncPassword::Write(modSyncPassword::Key(txtUser->text(), book), txtPassword->text());
    accept();
}

void frmSync::Open(frmMain& mainWindow)
{
    if (!Writable())
        return;
    frmSync dialog(&mainWindow);
    dialog.exec();
}

void frmSync::Synchronise(frmMain& mainWindow)
{
    if (!Writable())
        return;
    std::optional<modSyncState::Link> link = modSyncState::ReadLink(modDatabase::DatabaseConnection());
    std::optional<QString> password;
    if (link)
        password = modSyncPassword::Read(modSyncPassword::Key(link->user, link->addressBook));
    if (!link || !password) {
        frmSync dialog(&mainWindow);
        if (dialog.exec() != QDialog::Accepted)
            return;
        link = modSyncState::ReadLink(modDatabase::DatabaseConnection());
        password = modSyncPassword::Read(modSyncPassword::Key(link->user, link->addressBook));
    }
    const QString running = T("Synchronise") + QStringLiteral("...");
    mainWindow.staMain->showMessage(running);
    CardDav::Session session(link->user, password.value_or(QString()));
    // Progress and a Cancel in the status bar while it runs.
    QPushButton cancel(T("Cancel"));
    cancel.setObjectName(QStringLiteral("cmdSyncCancel"));
    QObject::connect(&cancel, &QPushButton::clicked, [&session] { session.Cancel(); });
    mainWindow.staMain->addPermanentWidget(&cancel);
    cancel.show();
    modSync::Options options;
    options.confirm = [](const QString& reason) { return Platform::askYesNo(T("Synchronise"), reason); };
    options.progress = [&mainWindow, &running](int done, int total) {
        mainWindow.staMain->showMessage(running + QStringLiteral(" %1/%2").arg(done).arg(total));
    };
    // The window stays alive while the network is waited for: one sync at a time, and
    // the database stays open meanwhile.
    auto enable = [&mainWindow](bool enabled) {
        for (QAction* action : {mainWindow.mnuFileSync, mainWindow.mnuFileSynchronise, mainWindow.mnuFileClose,
                                mainWindow.mnuFileOpen, mainWindow.mnuFileNew})
            action->setEnabled(enabled);
    };
    enable(false);
    const modSync::Result result = modSync::Synchronise(session, options);
    mainWindow.staMain->removeWidget(&cancel);
    enable(true);
    mainWindow.FillContactList();
    mainWindow.staMain->showMessage(result.ok ? modSync::Summary(result) : QString());
    // A cancelled sync is no error: the next one completes it.
    if (!result.ok && !session.Cancelled())
        Platform::inform(T("Error"), result.error);
    if (result.unauthorised)
        modSyncPassword::Forget(modSyncPassword::Key(link->user, link->addressBook));
}
