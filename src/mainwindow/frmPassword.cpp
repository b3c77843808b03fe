// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmPassword.h"

#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "language/modLanguage.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Typed characters show as "*" whatever the desktop style would use.
class AsteriskStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return QLatin1Char('*').unicode();
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

frmPassword::frmPassword(const QString& path, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPassword"));
    setModal(true);

    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    txtFile = new QLineEdit(path, this);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setReadOnly(true);
    txtFile->setFocusPolicy(Qt::NoFocus);
    txtFile->setMinimumWidth(txtFile->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    lblPassword = new QLabel(this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    auto* style = new AsteriskStyle;
    style->setParent(txtPassword);
    txtPassword->setStyle(style);
    txtPassword->setEchoMode(QLineEdit::Password);
    lblFile->setBuddy(txtFile);
    lblPassword->setBuddy(txtPassword);

    auto* fields = new QGridLayout;
    fields->addWidget(lblFile, 0, 0);
    fields->addWidget(txtFile, 0, 1);
    fields->addWidget(lblPassword, 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] {
        m_password = txtPassword->text();
        accept();
    });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    cmdOK->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    connect(txtPassword, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdOK->setEnabled(!text.isEmpty()); });
    // Cancel, Escape and closing the window all answer "".
    connect(this, &QDialog::rejected, this, [this] { m_password.clear(); });

    LoadLanguage();
    txtPassword->setFocus();
}

void frmPassword::LoadLanguage()
{
    setWindowTitle(T("Password"));
    lblFile->setText(T("File") + QLatin1Char(':'));
    lblPassword->setText(T("Password") + QLatin1Char(':'));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
}

QString frmPassword::AskPassword(const QString& path, QWidget* parent)
{
    frmPassword window(path, parent ? parent : QApplication::activeWindow());
    window.exec();
    return window.DatabasePassword();
}

void InstallPasswordHandler()
{
    modDatabase::SetPasswordHandler([](const QString& path) {
        // Without the cipher program no password can help: that is said once, and
        // nothing is asked.
        if (const std::optional<Failure> missing = modPassword::CipherProgramMissing()) {
            ShowFailure(*missing);
            return false;
        }
        const QString password = frmPassword::AskPassword(path);
        if (password.isEmpty())
            return false;
        // After a removal or a wrong password the file is tried again: it passes now, or
        // the password is asked for once more.
        const modPassword::RemovalOutcome removal = modPassword::RemovePassword(path, password);
        if (removal.failure)
            ShowFailure(*removal.failure);
        return removal.removal != modPassword::Removal::ProgramMissing;
    });
}
