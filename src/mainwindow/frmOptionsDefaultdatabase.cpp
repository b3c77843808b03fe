// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmOptionsDefaultdatabase.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmOptionsDefaultdatabase::frmOptionsDefaultdatabase(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptionsDefaultdatabase"));
    setModal(true);

    fraDatabase = new QGroupBox(this);
    fraDatabase->setObjectName(QStringLiteral("fraDatabase"));
    txtDatabase = new QLineEdit(fraDatabase);
    txtDatabase->setObjectName(QStringLiteral("txtDatabase"));
    txtDatabase->setMinimumWidth(txtDatabase->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 50);
    cmdOpen = new QPushButton(fraDatabase);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdOpen->setAutoDefault(false);
    auto* row = new QHBoxLayout(fraDatabase);
    row->addWidget(txtDatabase, 1);
    row->addWidget(cmdOpen);

    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { confirm(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    cmdCancel->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraDatabase);
    layout->addLayout(buttons);

    connect(cmdOpen, &QPushButton::clicked, this, &frmOptionsDefaultdatabase::browse);

    LoadLanguage();
    txtDatabase->setText(modSettings::Get(Setting::DefaultDatabase));
}

void frmOptionsDefaultdatabase::LoadLanguage()
{
    setWindowTitle(T("Default database"));
    fraDatabase->setTitle(T("Default database"));
    cmdOpen->setText(T("Browse") + QStringLiteral("..."));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
}

void frmOptionsDefaultdatabase::browse()
{
    const QString path = Platform::current().openFileName(
        T("Open"), T("Addrion database") + QStringLiteral(" (*.mdb)|*.mdb"), modEnvironment::DatabaseDirectory());
    if (path.isEmpty())
        return;
    modEnvironment::SaveDatabaseDirectory(path);
    txtDatabase->setText(path);
}

void frmOptionsDefaultdatabase::confirm()
{
    const QString path = txtDatabase->text();
    if (path.isEmpty()) {
        // No default: the next start uses the documents folder's database.
        modSettings::Set(Setting::DefaultDatabase, QString());
        accept();
        return;
    }
    // An invalid file has been explained by the validation; the window stays open.
    if (!ShowOutcome(modDatabase::IsValidDatabase(path)))
        return;
    modSettings::Set(Setting::DefaultDatabase, modEnvironment::AbsolutePath(path));
    ShowOutcome(modDatabase::OpenDatabase(path));
    accept();
}
