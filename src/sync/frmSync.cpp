// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmSync.h"
#include "widgets/WidgetRules.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"
#include "sync/CardDav.h"
#include "sync/frmSyncResult.h"
#include "sync/modSync.h"
#include "sync/modSyncPassword.h"
#include "sync/modSyncState.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

// One sync at a time, whoever starts it.
bool s_running = false;
// The last outcome, for its details window.
modSync::Result s_lastResult;

// The one-line outcome in the status bar; a click opens the details.
void ShowResult(frmMain& mainWindow, const modSync::Result& result)
{
    s_lastResult = result;
    auto* line = mainWindow.findChild<QPushButton*>(QStringLiteral("cmdSyncResult"));
    if (!line) {
        line = new QPushButton(&mainWindow);
        line->setObjectName(QStringLiteral("cmdSyncResult"));
        line->setFlat(true);
        QObject::connect(line, &QPushButton::clicked, &mainWindow, [&mainWindow] {
            frmSyncResult details(s_lastResult, &mainWindow);
            details.exec();
        });
        // Before the count of persons, which stays at the edge.
        mainWindow.ShowInStatusBar(line, 1);
    }
    line->setText(result.ok ? modSync::Summary(result)
                            : T("Error") + QStringLiteral(": ") + result.error.section(QLatin1Char('\n'), 0, 0));
    line->show();
}

// Sets the main window's timer to the interval chosen (or stops it); the link when
// automatic syncs are wanted for the open database.
std::optional<modSyncState::Link> ScheduleAutoSync(frmMain& mainWindow)
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    const double minutes = modSettings::Get(Setting::AutoSyncMinutes).toDouble();
    const std::optional<modSyncState::Link> link = connection.IsOpen() && connection.Mode() == Engine::ModeShareDenyNone
                                                       ? modSyncState::ReadLink(connection)
                                                       : std::nullopt;
    if (minutes <= 0 || !link) {
        mainWindow.ScheduleSync(std::nullopt);
        return std::nullopt;
    }
    mainWindow.ScheduleSync(std::max(1, static_cast<int>(minutes * 60000)));
    return link;
}

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

// After a refused certificate: asks whether to accept it for this server, and
// remembers it when the user does. True when the request may be tried again.
bool AcceptRefusedCertificate(const CardDav::Session& session, const QString& error, const QUrl& server)
{
    if (session.RefusedCertificate().isEmpty() ||
        !Platform::askYesNo(T("Synchronisation"),
                            error + QStringLiteral("\n\n") + T("Accept this certificate for this server?")))
        return false;
    CardDav::AcceptCertificate(server, session.RefusedCertificate());
    return true;
}

// One sync with progress and a Cancel in the status bar; the result on one line there.
modSync::Result RunOnce(frmMain& mainWindow, CardDav::Session& session, bool automatic)
{
    s_running = true;
    const QString running = T("Synchronise") + QStringLiteral("...");
    // The progress sits beside the database's path instead of over it.
    QLabel progress(running); // before the count of persons, like Cancel
    progress.setObjectName(QStringLiteral("lblSyncProgress"));
    mainWindow.ShowInStatusBar(&progress, 1);
    QPushButton cancel(T("Cancel"));
    cancel.setObjectName(QStringLiteral("cmdSyncCancel"));
    QObject::connect(&cancel, &QPushButton::clicked, [&session] { session.Cancel(); });
    mainWindow.ShowInStatusBar(&cancel, 2);
    modSync::Options options;
    // Nobody is asked during an automatic sync: a drastic one waits for a person.
    if (!automatic)
        options.confirm = [](const QString& reason) { return Platform::askYesNo(T("Synchronise"), reason); };
    options.progress = [&progress, &running](int done, int total) {
        progress.setText(running + QStringLiteral(" %1/%2").arg(done).arg(total));
    };
    // The window stays alive while the network is waited for: one sync at a time, the
    // database stays open and unchanged by the window meanwhile, and closing the window
    // cancels the sync before it closes.
    mainWindow.BeginLongTask([&session] { session.Cancel(); });
    const modSync::Result result = modSync::Synchronise(session, options);
    mainWindow.RemoveFromStatusBar(&cancel);
    mainWindow.RemoveFromStatusBar(&progress);
    mainWindow.EndLongTask();
    mainWindow.FillContactList();
    if (!session.Cancelled())
        ShowResult(mainWindow, result);
    s_running = false;
    return result;
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
    make(lblAutoSync, "lblAutoSync");
    make(spnAutoSync, "spnAutoSync");
    txtPassword->setEchoMode(QLineEdit::Password);
    txtServer->setMinimumWidth(txtServer->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    // A hint at the form only: the user names their own server.
    txtServer->setPlaceholderText(QStringLiteral("https://"));
    lblServer->setBuddy(txtServer);
    lblUser->setBuddy(txtUser);
    lblPassword->setBuddy(txtPassword);
    lblAddressBook->setBuddy(cboAddressBook);
    lblAutoSync->setBuddy(spnAutoSync);
    lblAutoSync->setWordWrap(true);
    spnAutoSync->setRange(0, 24 * 60);
    spnAutoSync->setValue(static_cast<int>(std::ceil(modSettings::Get(Setting::AutoSyncMinutes).toDouble())));
    cmdFind->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(lblServer, txtServer);
    form->addRow(lblUser, txtUser);
    form->addRow(lblPassword, txtPassword);
    auto* findRow = new QHBoxLayout;
    findRow->addStretch();
    findRow->addWidget(cmdFind);
    form->addRow(findRow);
    form->addRow(lblAddressBook, cboAddressBook);
    form->addRow(lblAutoSync, spnAutoSync);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { confirm(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    cmdCancel->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(cmdFind, &QPushButton::clicked, this, &frmSync::find);
    LoadLanguage();

    if (const auto link = modSyncState::ReadLink(modDatabase::DatabaseConnection())) {
        // The host the password goes to, whatever the link's server says.
        txtServer->setText(modSyncState::Agrees(*link)
                               ? link->server
                               : QUrl(link->addressBook).adjusted(QUrl::RemovePath).toDisplayString());
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
    lblAutoSync->setText(T("Synchronise on opening and every (minutes)") + QLatin1Char(':'));
    spnAutoSync->setSpecialValueText(T("Never"));
    lblAddressBook->setText(T("Address book") + QLatin1Char(':'));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

void frmSync::find()
{
    if (txtServer->text().trimmed().isEmpty()) {
        Platform::inform(T("Error"), T("Type the address of the server first."));
        txtServer->setFocus();
        return;
    }
    QUrl server = QUrl::fromUserInput(txtServer->text().trimmed());
    std::vector<CardDav::AddressBook> books;
    QString error;
    for (bool again = true; again;) {
        CardDav::Session session(txtUser->text(), txtPassword->text());
        error.clear();
        QUrl redirected;
        books = CardDav::Discover(session, server, error, &redirected);
        if (books.empty() && !redirected.isEmpty()) {
            // Another host gets the password only when the user says so; the window then
            // shows that host.
            if (!Platform::askYesNo(T("Synchronisation"),
                                    T("The server sends you on to %1. Look for address books there?")
                                        .arg(redirected.toDisplayString())))
                return;
            server = redirected;
            txtServer->setText(redirected.toDisplayString());
            continue;
        }
        again = books.empty() && AcceptRefusedCertificate(session, error, server);
        if (books.empty() && !again && !session.RefusedCertificate().isEmpty())
            return; // the user refused the certificate: nothing more to say
    }
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
    modSettings::Set(Setting::AutoSyncMinutes, QString::number(spnAutoSync->value()));
    accept();
}

void frmSync::Open(frmMain& mainWindow)
{
    if (!Writable())
        return;
    frmSync dialog(&mainWindow);
    if (dialog.exec() == QDialog::Accepted)
        ScheduleAutoSync(mainWindow);
}

void frmSync::Synchronise(frmMain& mainWindow)
{
    if (s_running || !Writable())
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
    const QString key = modSyncPassword::Key(link->user, link->addressBook);
    for (;;) {
        CardDav::Session session(link->user, password.value_or(QString()));
        const modSync::Result result = RunOnce(mainWindow, session, false);
        // A cancelled sync is no error: the next one completes it.
        if (result.ok || session.Cancelled())
            return;
        if (result.unauthorised) {
            modSyncPassword::Forget(key);
            password = Platform::current().password(T("Synchronisation"), result.error + QLatin1Char('\n') +
                                                                              T("Password") + QLatin1Char(':'));
            if (!password)
                return;
            modSyncPassword::Write(key, *password);
            continue;
        }
        if (AcceptRefusedCertificate(session, result.error, QUrl(link->addressBook)))
            continue;
        if (session.RefusedCertificate().isEmpty())
            Platform::inform(T("Error"), result.error);
        return;
    }
}

void frmSync::AutoSync(frmMain& mainWindow)
{
    const std::optional<modSyncState::Link> link = ScheduleAutoSync(mainWindow);
    // Nor while a window over the main window is open (an editor, a question): the sync
    // would run inside it and its changes would meet the sync's. The next tick tries again.
    if (!link || s_running || QApplication::activeModalWidget())
        return;
    // Only with a password known already: an automatic sync asks nothing.
    const std::optional<QString> password = modSyncPassword::Read(modSyncPassword::Key(link->user, link->addressBook));
    if (!password)
        return;
    CardDav::Session session(link->user, *password);
    RunOnce(mainWindow, session, true);
}
