// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmNewVersion.h"

#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmNewVersion::frmNewVersion(const QString& latestVersion, QWidget* parent) : QDialog(parent), m_latest(latestVersion)
{
    setObjectName(QStringLiteral("frmNewVersion"));
    lblNewVersion = new QLabel(this);
    lblNewVersion->setObjectName(QStringLiteral("lblNewVersion"));
    chkRemind = new QCheckBox(this);
    chkRemind->setObjectName(QStringLiteral("chkRemind"));
    cmdWebsite = new QPushButton(this);
    cmdWebsite->setObjectName(QStringLiteral("cmdWebsite"));
    cmdWebsite->setVisible(!Version::Website().isEmpty());
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdWebsite);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblNewVersion);
    layout->addWidget(chkRemind);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdWebsite, &QPushButton::clicked, this, [this] {
        modEnvironment::OpenWithShell(Version::Website());
        accept();
    });
    LoadLanguage();
}

void frmNewVersion::LoadLanguage()
{
    const QString name = QString::fromLatin1(Version::AppName) + QLatin1Char(' ') + m_latest;
    setWindowTitle(name);
    lblNewVersion->setText(name + QLatin1Char(' ') + T(QStringLiteral("is available")) + QLatin1Char('!'));
    chkRemind->setText(T(QStringLiteral("Do not remind me again for this version.")));
    cmdWebsite->setText(T(QStringLiteral("Website")));
    cmdOK->setText(T(QStringLiteral("OK")));
}

void frmNewVersion::done(int result)
{
    if (chkRemind->isChecked())
        modSettings::Set(Setting::CheckVersionSince, m_latest);
    QDialog::done(result);
}

bool frmNewVersion::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Platform::current().playSound(modEnvironment::ProgramFolder() + QStringLiteral("Sound/default.wav"));
    return QDialog::event(event);
}
