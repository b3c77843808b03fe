// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmReminder.h"
#include "language/ContentDirection.h"

#include "database/modDatabase.h"
#include "language/modLanguage.h"
#include "widgets/Logo.h"
#include "mainwindow/modOptions.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QColor TodayColour(255, 0, 0);

} // namespace

frmReminder::frmReminder(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmReminder"));
    setWindowIcon(QIcon(AddrionLogo(64)));

    fraReminder = new QGroupBox(this);
    fraReminder->setObjectName(QStringLiteral("fraReminder"));
    lvwReminder = new QTreeWidget(fraReminder);
    lvwReminder->setObjectName(QStringLiteral("lvwReminder"));
    lvwReminder->setColumnCount(3);
    lvwReminder->setRootIsDecorated(false);
    lvwReminder->setUniformRowHeights(true);
    lvwReminder->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwReminder->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwReminder->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwReminder->setContextMenuPolicy(Qt::CustomContextMenu);
    // Date and age always keep their room; a long name is shortened with "..." and
    // shown whole in its tool tip.
    lvwReminder->header()->setStretchLastSection(false);
    lvwReminder->header()->setSectionResizeMode(DateColumn, QHeaderView::ResizeToContents);
    lvwReminder->header()->setSectionResizeMode(PersonColumn, QHeaderView::Stretch);
    lvwReminder->header()->setSectionResizeMode(AgeColumn, QHeaderView::ResizeToContents);
    lvwReminder->setTextElideMode(Qt::ElideRight);
    lvwReminder->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lvwReminder->installEventFilter(this);
    auto* listLayout = new QVBoxLayout(fraReminder);
    listLayout->addWidget(lvwReminder);

    picLogo = new QLabel(this);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setPixmap(AddrionLogo(48));
    picLogo->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdDetails = new QPushButton(this);
    cmdDetails->setObjectName(QStringLiteral("cmdDetails"));
    // Details needs a chosen row.
    cmdDetails->setEnabled(false);

    mnuPopupReminder = new QMenu(this);
    mnuPopupReminder->setObjectName(QStringLiteral("mnuPopupReminder"));
    mnuPopupDetails = mnuPopupReminder->addAction(QString());
    mnuPopupDetails->setObjectName(QStringLiteral("mnuPopupDetails"));

    auto* top = new QHBoxLayout;
    top->addWidget(picLogo);
    top->addWidget(fraReminder, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdDetails);
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdDetails, &QPushButton::clicked, this, &frmReminder::ShowDetails);
    connect(mnuPopupDetails, &QAction::triggered, this, &frmReminder::ShowDetails);
    connect(lvwReminder, &QTreeWidget::itemDoubleClicked, this, &frmReminder::ShowDetails);
    connect(lvwReminder, &QTreeWidget::itemSelectionChanged, this,
            [this] { cmdDetails->setEnabled(!lvwReminder->selectedItems().isEmpty()); });
    connect(lvwReminder, &QWidget::customContextMenuRequested, this, &frmReminder::showPopup);

    LoadLanguage();
    QFont sized = font();
    sized.setPointSize(modOptions::StoredFontSize());
    setFont(sized);
    resize(520, 280);
    // Numbers, addresses and Latin names read in their own direction in a right-to-left window.
    ContentDirection::InstallOnViews(this);
}

void frmReminder::LoadLanguage()
{
    setWindowTitle(T("Birthday reminder"));
    cmdOK->setText(T("OK"));
    cmdDetails->setText(T("Details"));
    lvwReminder->setHeaderLabels({T("Date"), T("Person"), T("Age")});
    mnuPopupDetails->setText(T("&Details"));
}

void frmReminder::AddRows(const std::vector<modReminder::ReminderRow>& rows)
{
    for (const modReminder::ReminderRow& row : rows) {
        auto* item = new QTreeWidgetItem(lvwReminder);
        item->setText(DateColumn, modReminder::DateText(row.date));
        item->setText(PersonColumn, row.name);
        item->setToolTip(PersonColumn, row.name);
        if (row.ageKnown)
            item->setText(AgeColumn, QString::number(row.age));
        item->setData(DateColumn, KeyRole, row.key);
        if (row.today)
            for (int column = DateColumn; column <= AgeColumn; ++column)
                item->setForeground(column, TodayColour);
    }
}

int frmReminder::RowCount() const
{
    return lvwReminder->topLevelItemCount();
}

QString frmReminder::SelectedKey() const
{
    const QList<QTreeWidgetItem*> selected = lvwReminder->selectedItems();
    if (selected.isEmpty())
        return {};
    return selected.constFirst()->data(DateColumn, KeyRole).toString();
}

void frmReminder::ShowDetails()
{
    const QString key = SelectedKey();
    if (key.isEmpty())
        return;
    // One argument, so the two blanks of "Person  12" reach the new process intact.
    Platform::current().startDetached(QCoreApplication::applicationFilePath(), {QLatin1Char('/') + key},
                                      Platform::Show::Minimised);
}

bool frmReminder::event(QEvent* event)
{
    // The chime belongs to the window's appearance, not to every return to it.
    if (event->type() == QEvent::WindowActivate && !m_soundPlayed) {
        m_soundPlayed = true;
        if (modSettings::IsOn(Setting::ReminderSound))
            Platform::current().playSound(modSettings::Get(Setting::ReminderSoundPath));
    }
    return QWidget::event(event);
}

void frmReminder::closeEvent(QCloseEvent* event)
{
    modDatabase::CloseDatabase(true);
    event->accept();
}

void frmReminder::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmReminder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lvwReminder && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ShowDetails();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmReminder::showPopup(const QPoint& position)
{
    mnuPopupReminder->popup(lvwReminder->viewport()->mapToGlobal(position));
}
