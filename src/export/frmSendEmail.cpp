// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmSendEmail.h"

#include "database/modDatabase.h"
#include "export/modSendEmail.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

frmSendEmail::frmSendEmail(const QString& databasePath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSendEmail"));
    auto named = [](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    lblEmail = named(new QLabel, "lblEmail");
    txtEmail = named(new QLineEdit, "txtEmail");
    lblDescription = named(new QLabel, "lblDescription");
    txtDescription = named(new QPlainTextEdit, "txtDescription");
    lblFile = named(new QLabel, "lblFile");
    txtFile = named(new QLineEdit, "txtFile");
    // Read-only on purpose: OK closes the open database, attaches this file and opens
    // the database again from it, so another path typed here would leave the program
    // working on that file instead. The path can still be selected and copied.
    txtFile->setReadOnly(true);

    auto* form = new QFormLayout;
    form->addRow(lblEmail, txtEmail);
    form->addRow(lblDescription, txtDescription);
    form->addRow(lblFile, txtFile);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { send(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(520, 320);

    LoadLanguage();
    connect(txtEmail, &QLineEdit::textChanged, this, [this] { cmdOK->setEnabled(!txtEmail->text().isEmpty()); });
    txtEmail->setText(modSettings::Get(Setting::EmailRecipient));
    cmdOK->setEnabled(!txtEmail->text().isEmpty());
    txtFile->setText(databasePath);
    txtDescription->setPlainText(modSendEmail::DefaultDescription(databasePath));
}

void frmSendEmail::LoadLanguage()
{
    setWindowTitle(T("Send e-mail"));
    lblEmail->setText(T("E-mail") + QLatin1Char(':'));
    lblDescription->setText(T("Description") + QLatin1Char(':'));
    lblFile->setText(T("File") + QLatin1Char(':'));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
}

void frmSendEmail::send()
{
    if (m_sending)
        return;
    m_sending = true;
    // The window stays drawn while the mail program takes its time, but offers nothing
    // until it has answered: one hand-off at a time.
    for (QWidget* control : std::initializer_list<QWidget*>{txtEmail, txtDescription, cmdOK, cmdCancel})
        control->setEnabled(false);
    QPointer<frmSendEmail> window(this);
    modSendEmail::SendDatabase(txtEmail->text(), txtDescription->toPlainText(), txtFile->text(),
                               [window](bool, const Outcome& reopened) {
                                   ShowOutcome(reopened);
                                   if (!window)
                                       return;
                                   window->m_sending = false;
                                   window->accept();
                               });
}

void frmSendEmail::reject()
{
    if (!m_sending)
        QDialog::reject();
}

void frmSendEmail::Open(frmMain& mainWindow)
{
    frmSendEmail window(modDatabase::DatabaseConnection().DataSource(), &mainWindow);
    window.exec();
}
