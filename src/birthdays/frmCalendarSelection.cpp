// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmCalendarSelection.h"

#include "birthdays/frmProgress.h"
#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "widgets/WidgetRules.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

frmCalendarSelection::frmCalendarSelection(QWidget* parent, int currentYear) : QDialog(parent), m_year(currentYear)
{
    setObjectName(QStringLiteral("frmCalendarSelection"));
    setModal(true);

    fraPrevious = createYear("fraPrevious", "chkPrevious", chkPrevious);
    fraCurrent = createYear("fraCurrent", "chkCurrent", chkCurrent);
    fraNext = createYear("fraNext", "chkNext", chkNext);

    auto* years = new QHBoxLayout;
    years->addWidget(fraPrevious);
    years->addWidget(fraCurrent);
    years->addWidget(fraNext);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { SaveCalendar(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(years);
    layout->addLayout(buttons);

    LoadLanguage();
    // This year's months are chosen at first; the other years are not.
    for (int month = 1; month <= 12; ++month)
        chkCurrent.at(month)->setChecked(true);
}

QGroupBox* frmCalendarSelection::createYear(const char* frameName, const char* boxName, QList<QCheckBox*>& boxes)
{
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QString::fromLatin1(frameName));
    auto* column = new QVBoxLayout(frame);
    for (int index = 0; index <= 12; ++index) {
        auto* box = new QCheckBox(frame);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setProperty("index", index);
        column->addWidget(box, 0, Qt::AlignLeft);
        boxes << box;
    }
    // Box 0 ticks or clears the whole year; the month boxes do nothing more.
    QCheckBox* year = boxes.constFirst();
    connect(year, &QCheckBox::clicked, this, [&boxes](bool ticked) {
        for (int month = 1; month <= 12; ++month)
            boxes.at(month)->setChecked(ticked);
    });
    return frame;
}

void frmCalendarSelection::LoadLanguage()
{
    setWindowTitle(T(QStringLiteral("Save")));
    const QLocale locale = QLocale::system();
    const QList<QGroupBox*> frames{fraPrevious, fraCurrent, fraNext};
    const QList<QList<QCheckBox*>*> boxes{&chkPrevious, &chkCurrent, &chkNext};
    for (int index = 0; index < 3; ++index) {
        frames.at(index)->setTitle(QString::number(m_year - 1 + index));
        for (int month = 1; month <= 12; ++month)
            boxes.at(index)->at(month)->setText(modCalendar::MonthName(month, locale));
    }
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
}

modCalendar::MonthSelection frmCalendarSelection::Selection() const
{
    modCalendar::MonthSelection selection{};
    const QList<const QList<QCheckBox*>*> boxes{&chkPrevious, &chkCurrent, &chkNext};
    for (int index = 0; index < 3; ++index)
        for (int month = 1; month <= 12; ++month)
            selection[index][month - 1] = boxes.at(index)->at(month)->isChecked();
    return selection;
}

void frmCalendarSelection::SaveCalendar()
{
    const modCalendar::MonthSelection months = Selection();
    hide();
    const QString folder = Platform::current().directory(QString(), modEnvironment::PersonalFolder());
    if (folder.isEmpty()) {
        reject();
        return;
    }
    QString error;
    {
        frmProgress progress(parentWidget());
        const auto askReplace = [](const QString& path) {
            return Platform::askYesNo(T(QStringLiteral("Error")),
                                      T(QStringLiteral("File already exists:")) + QLatin1Char('\n') + path +
                                          QStringLiteral("\n\n") + T(QStringLiteral("Replace")) + QLatin1Char('?'));
        };
        error = modCalendar::SaveCalendar(folder, months, askReplace, &progress, m_year);
    }
    if (!error.isEmpty())
        Platform::inform(T(QStringLiteral("Error")), error, Platform::Icon::Exclamation);
    accept();
}

void frmCalendarSelection::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cmdOK->setFocus();
}
