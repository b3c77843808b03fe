// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmAbout.h"

#include "language/modLanguage.h"
#include "widgets/Logo.h"
#include "startup/Version.h"
#include "startup/modEnvironment.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    fraInfo = Named(new QGroupBox(this), "fraInfo");
    imgLogo = Named(new QLabel(fraInfo), "imgLogo");
    imgLogo->setPixmap(AddrionLogo(64));
    lblWebsite = Named(new QLabel(fraInfo), "lblWebsite");
    lblWebsite2 = Named(new QLabel(Version::Website(), fraInfo), "lblWebsite2");
    // Drawn as a link; a click or Enter opens it.
    QFont linkFont = lblWebsite2->font();
    linkFont.setUnderline(true);
    lblWebsite2->setFont(linkFont);
    lblWebsite2->setForegroundRole(QPalette::Link);
    lblWebsite2->setCursor(Qt::PointingHandCursor);
    lblWebsite2->setFocusPolicy(Qt::StrongFocus);
    lblWebsite2->installEventFilter(this);
    // No web site, no line for it.
    for (QLabel* label : {lblWebsite, lblWebsite2})
        label->setVisible(!Version::Website().isEmpty());

    fraTranslation = Named(new QGroupBox(this), "fraTranslation");
    lblLanguage = Named(new QLabel(fraTranslation), "lblLanguage");
    lblLanguage2 = Named(new QLabel(fraTranslation), "lblLanguage2");
    lblTranslator = Named(new QLabel(fraTranslation), "lblTranslator");
    lblTranslator2 = Named(new QLabel(fraTranslation), "lblTranslator2");
    cmdOK = Named(new QPushButton(this), "cmdOK");
    cmdOK->setDefault(true);

    auto* site = new QGridLayout;
    site->addWidget(lblWebsite, 0, 0);
    site->addWidget(lblWebsite2, 0, 1);
    auto* info = new QHBoxLayout(fraInfo);
    info->addWidget(imgLogo);
    info->addLayout(site, 1);

    auto* translation = new QGridLayout(fraTranslation);
    translation->addWidget(lblLanguage, 0, 0);
    translation->addWidget(lblLanguage2, 0, 1);
    translation->addWidget(lblTranslator, 1, 0);
    translation->addWidget(lblTranslator2, 1, 1);
    translation->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraInfo);
    layout->addWidget(fraTranslation);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    LoadLanguage();
}

void frmAbout::LoadLanguage()
{
    const QString colon = QStringLiteral(":");
    setWindowTitle(T(QStringLiteral("About")));
    lblWebsite->setText(T(QStringLiteral("Website")) + colon);
    lblLanguage->setText(T(QStringLiteral("Language")) + colon);
    lblTranslator->setText(T(QStringLiteral("Translator")) + colon);
    cmdOK->setText(T(QStringLiteral("OK")));

    const QString language = modLanguage::LanguageInfo(QStringLiteral("Language"));
    fraTranslation->setHidden(language.isEmpty());
    if (!language.isEmpty()) {
        fraTranslation->setTitle(T(QStringLiteral("Translation")) + QStringLiteral(" (") +
                                 T(QStringLiteral("Version")) + QLatin1Char(' ') +
                                 modLanguage::LanguageInfo(QStringLiteral("Version")) + QLatin1Char(')'));
        lblLanguage2->setText(language);
        lblTranslator2->setText(modLanguage::LanguageInfo(QStringLiteral("Translator")));
    }
    fraInfo->setTitle(QString::fromLatin1(Version::AppName) + QLatin1Char(' ') +
                      QString::fromLatin1(Version::AppVersion));
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblWebsite2) {
        const bool clicked =
            event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        const bool entered =
            event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                                  static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter ||
                                                  static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
        if (clicked || entered) {
            modEnvironment::OpenWithShell(lblWebsite2->text());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
