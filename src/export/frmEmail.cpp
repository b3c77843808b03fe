// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmEmail.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include "database/modSql.h"
#include "export/modEmailList.h"
#include "language/ContentDirection.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

frmEmail::frmEmail(frmMain& mainWindow) : QDialog(&mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmEmail"));
    static_cast<PersonPicker&>(*this) = PersonPicker::Create("lvwEmail");
    lvwEmail = lvwChosen;

    fraFormat = new QGroupBox;
    fraFormat->setObjectName(QStringLiteral("fraFormat"));
    // The captions show what each separator gives; they are examples, not translated,
    // and name no domain that a user might take for a real one.
    // Examples of addresses: written left to right in every window.
    optColon = new QRadioButton(
        ContentDirection::LeftToRight(QStringLiteral("anna@mail.test, bob@mail.test, carla@mail.test, ...")));
    optColon->setObjectName(QStringLiteral("optColon"));
    optSemicolon = new QRadioButton(
        ContentDirection::LeftToRight(QStringLiteral("anna@mail.test; bob@mail.test; carla@mail.test; ...")));
    optSemicolon->setObjectName(QStringLiteral("optSemicolon"));
    auto* format = new QVBoxLayout(fraFormat);
    format->addWidget(optColon);
    format->addWidget(optSemicolon);

    fraList = new QGroupBox;
    fraList->setObjectName(QStringLiteral("fraList"));
    txtList = new QLineEdit;
    txtList->setObjectName(QStringLiteral("txtList"));
    txtList->setReadOnly(true);
    txtList->setContextMenuPolicy(Qt::CustomContextMenu);
    (new QVBoxLayout(fraList))->addWidget(txtList);
    mnuPopupList = new QMenu(this);
    mnuPopupList->setObjectName(QStringLiteral("mnuPopupList"));
    mnuPopupListCopy = mnuPopupList->addAction(QStringLiteral("Copy"));
    mnuPopupListCopy->setObjectName(QStringLiteral("mnuPopupListCopy"));

    cmdCopy = new QPushButton;
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdCopy);
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(
        this, buttons, [this] { ok(); }, WidgetRules::EnterKey::PressesFocusedButton);
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraPerson, 1);
    layout->addWidget(fraFormat);
    layout->addWidget(fraList);
    layout->addLayout(buttons);
    resize(620, 480);

    m_mover = PersonPicker::CreateMover(this, cmdOK, m_mainWindow);
    connect(m_mover, &PersonMover::moved, this, &frmEmail::rebuildList);
    connect(optColon, &QRadioButton::clicked, this, &frmEmail::separatorChosen);
    connect(optSemicolon, &QRadioButton::clicked, this, &frmEmail::separatorChosen);
    connect(cmdCopy, &QPushButton::clicked, this, &frmEmail::copy);
    connect(mnuPopupListCopy, &QAction::triggered, this, &frmEmail::copy);
    connect(txtList, &QLineEdit::customContextMenuRequested, this, [this](const QPoint& position) {
        mnuPopupListCopy->setEnabled(!txtList->text().isEmpty());
        mnuPopupList->popup(txtList->mapToGlobal(position));
    });

    LoadLanguage();
    m_mover->source()->setEntries(modEmailList::LoadPersons());
    m_mover->UpdateButtons();
    (modSettings::Get(Setting::EmailSeparator) == QLatin1String(";") ? optSemicolon : optColon)->setChecked(true);
    rebuildList();
}

void frmEmail::LoadLanguage()
{
    setWindowTitle(T("E-mail"));
    PersonPicker::LoadLanguage();
    fraFormat->setTitle(T("Format"));
    fraList->setTitle(T("List"));
    cmdCopy->setText(T("Copy"));
    mnuPopupListCopy->setText(T("&Copy"));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

QString frmEmail::AddressList() const
{
    return modEmailList::BuildAddressList(m_mover->target()->contactnrs(), optSemicolon->isChecked());
}

void frmEmail::rebuildList()
{
    try {
        txtList->setText(AddressList());
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
    cmdCopy->setEnabled(m_mover->target()->rowCount() > 0);
}

void frmEmail::separatorChosen()
{
    rebuildList();
    modSettings::Set(Setting::EmailSeparator, optSemicolon->isChecked() ? QStringLiteral(";") : QStringLiteral(","));
}

void frmEmail::copy()
{
    rebuildList();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(txtList->text());
}

void frmEmail::ok()
{
    rebuildList();
    hide();
    ShowOutcome(modEnvironment::OpenMailto(txtList->text()));
    accept();
}

void frmEmail::Open(frmMain& mainWindow)
{
    frmEmail window(mainWindow);
    window.exec();
}
