// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmSyncResult.h"
#include "widgets/WidgetRules.h"

#include "language/modLanguage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

frmSyncResult::frmSyncResult(const modSync::Result& result, QWidget* parent) : QDialog(parent), m_result(result)
{
    setObjectName(QStringLiteral("frmSyncResult"));
    txtDetails = new QTextBrowser(this);
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    txtDetails->setMinimumSize(em * 36, em * 26);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtDetails);
    layout->addLayout(buttons);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    LoadLanguage();
}

void frmSyncResult::LoadLanguage()
{
    setWindowTitle(T("Synchronisation"));
    cmdClose->setText(T("&Close"));
    // Each heading with its count, then the names; every block in the window's
    // direction, whatever script a name is written in.
    const QString dir = layoutDirection() == Qt::RightToLeft ? QStringLiteral(" dir=\"rtl\"") : QString();
    QString html;
    if (!m_result.ok && !m_result.error.isEmpty())
        html += QStringLiteral("<h3%1>%2</h3><p%1>%3</p>")
                    .arg(dir, T("Error").toHtmlEscaped(),
                         m_result.error.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    for (const auto& [heading, names] : modSync::Details(m_result)) {
        html += QStringLiteral("<h3%1>%2: %3</h3><ul%1>").arg(dir, heading.toHtmlEscaped()).arg(names.size());
        for (const QString& name : names)
            html += QStringLiteral("<li%1>%2</li>").arg(dir, name.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    if (html.isEmpty())
        html = QStringLiteral("<p%1>%2</p>").arg(dir, modSync::Summary(m_result).toHtmlEscaped());
    txtDetails->setHtml(html);
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}
