// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "PersonMover.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "database/modSql.h"
#include "language/ContentDirection.h"
#include "language/modLanguage.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/frmMain.h"
#include "startup/modText.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

PersonMover::PersonMover(const Controls& controls, QObject* parent)
    : QObject(parent), m_controls(controls), m_source(new PersonListModel(this)), m_target(new PersonListModel(this))
{
    for (QListView* view : {controls.source, controls.target}) {
        view->setUniformItemSizes(true);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    controls.source->setModel(m_source);
    controls.target->setModel(m_target);

    connect(controls.addOne, &QAbstractButton::clicked, this, [this] { MoveToTarget(currentOf(m_controls.source)); });
    connect(controls.addAll, &QAbstractButton::clicked, this,
            [this] { move(m_source, m_controls.source, m_target, m_controls.target, m_source->takeAll(), false); });
    connect(controls.removeOne, &QAbstractButton::clicked, this,
            [this] { MoveToSource(currentOf(m_controls.target)); });
    connect(controls.removeAll, &QAbstractButton::clicked, this,
            [this] { move(m_target, m_controls.target, m_source, m_controls.source, m_target->takeAll(), true); });
    connect(controls.source, &QListView::doubleClicked, this, [this] { MoveToTarget(currentOf(m_controls.source)); });
    connect(controls.target, &QListView::doubleClicked, this, [this] { MoveToSource(currentOf(m_controls.target)); });
    // Keyboard moves change the current row as clicks do.
    for (QListView* view : {controls.source, controls.target})
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PersonMover::UpdateButtons);
}

std::vector<qint16> PersonMover::currentOf(QListView* view) const
{
    const QModelIndex current = view->currentIndex();
    if (!current.isValid())
        return {};
    return {static_cast<qint16>(current.data(PersonListModel::ContactnrRole).toInt())};
}

void PersonMover::MoveToTarget(const std::vector<qint16>& contactnrs)
{
    move(m_source, m_controls.source, m_target, m_controls.target, m_source->take(contactnrs), false);
}

void PersonMover::MoveToSource(const std::vector<qint16>& contactnrs)
{
    move(m_target, m_controls.target, m_source, m_controls.source, m_target->take(contactnrs), true);
}

void PersonMover::move(PersonListModel* from, QListView* fromView, PersonListModel* to, QListView* toView,
                       std::vector<PersonListModel::Entry> entries, bool byRank)
{
    if (entries.empty())
        return;
    const int fromRow = fromView->currentIndex().row();
    const qint16 last = entries.back().contactnr;
    if (byRank)
        to->insertByRank(std::move(entries));
    else
        to->append(std::move(entries));

    // The person moved last is selected where it arrived; the other list keeps a
    // selected current row where the moved ones were.
    const QModelIndex arrived = to->index(to->rowOf(last));
    toView->setCurrentIndex(arrived);
    toView->selectionModel()->select(arrived, QItemSelectionModel::ClearAndSelect);
    toView->scrollTo(arrived);
    if (from->rowCount() > 0) {
        const QModelIndex stay = from->index(qBound(0, fromRow, from->rowCount() - 1));
        fromView->setCurrentIndex(stay);
        fromView->selectionModel()->select(stay, QItemSelectionModel::ClearAndSelect);
    }
    UpdateButtons();
    emit moved();
}

void PersonMover::UpdateButtons()
{
    auto currentSelected = [](QListView* view) {
        const QModelIndex current = view->currentIndex();
        return current.isValid() && view->selectionModel()->isSelected(current);
    };
    const bool sourceEmpty = m_source->rowCount() == 0;
    m_controls.addAll->setEnabled(!sourceEmpty);
    m_controls.addOne->setEnabled(!sourceEmpty && currentSelected(m_controls.source));
    const bool targetEmpty = m_target->rowCount() == 0;
    m_controls.removeAll->setEnabled(!targetEmpty);
    m_controls.ok->setEnabled(!targetEmpty);
    m_controls.removeOne->setEnabled(!targetEmpty && currentSelected(m_controls.target));
}

// ---- The person frame ----

namespace {

QToolButton* MoveButton(const char* name, Qt::ArrowType arrow, bool all)
{
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    if (all)
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setText(all ? QStringLiteral("*") : QString());
    button->setAutoRaise(false);
    return button;
}

} // namespace

PersonPicker PersonPicker::Create(const char* chosenName)
{
    PersonPicker picker;
    picker.fraPerson = new QGroupBox;
    picker.fraPerson->setObjectName(QStringLiteral("fraPerson"));
    picker.lvwList = new QListView;
    picker.lvwList->setObjectName(QStringLiteral("lvwList"));
    picker.lvwChosen = new QListView;
    picker.lvwChosen->setObjectName(QString::fromLatin1(chosenName));
    picker.cmdAddOne = MoveButton("cmdAddOne", Qt::RightArrow, false);
    picker.cmdAddAll = MoveButton("cmdAddAll", Qt::RightArrow, true);
    picker.cmdRemoveOne = MoveButton("cmdRemoveOne", Qt::LeftArrow, false);
    picker.cmdRemoveAll = MoveButton("cmdRemoveAll", Qt::LeftArrow, true);
    picker.cmdSearchResult = new QPushButton;
    picker.cmdSearchResult->setObjectName(QStringLiteral("cmdSearchResult"));
    picker.cmdAddGroup = new QPushButton;
    picker.cmdAddGroup->setObjectName(QStringLiteral("cmdAddGroup"));

    for (QListView* list : {picker.lvwList, picker.lvwChosen})
        ContentDirectionDelegate::install(list);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QToolButton* button : {picker.cmdAddOne, picker.cmdAddAll, picker.cmdRemoveOne, picker.cmdRemoveAll})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* grid = new QGridLayout(picker.fraPerson);
    grid->addWidget(picker.lvwList, 0, 0);
    grid->addLayout(buttons, 0, 1);
    grid->addWidget(picker.lvwChosen, 0, 2);
    grid->addWidget(picker.cmdAddGroup, 1, 0);
    grid->addWidget(picker.cmdSearchResult, 1, 2);
    return picker;
}

PersonMover* PersonPicker::CreateMover(QObject* window, QAbstractButton* ok, const frmMain& mainWindow) const
{
    auto* mover = new PersonMover({lvwList, lvwChosen, cmdAddOne, cmdAddAll, cmdRemoveOne, cmdRemoveAll, ok}, window);
    QObject::connect(cmdSearchResult, &QPushButton::clicked, window,
                     [mover, &mainWindow] { mover->MoveToTarget(MainListContacts(mainWindow)); });
    QObject::connect(cmdAddGroup, &QPushButton::clicked, window,
                     [this, mover] { mover->MoveToTarget(ChosenGroupContacts(*mover->source())); });
    cmdSearchResult->setEnabled(mainWindow.SearchPressed());
    return mover;
}

void PersonPicker::LoadLanguage() const
{
    fraPerson->setTitle(T("Person"));
    // The arrows point to the list of the chosen persons, on the left in a right-to-left window.
    const bool rightToLeft = QGuiApplication::isRightToLeft();
    const QString arrow = rightToLeft ? QStringLiteral("<") : QStringLiteral(">");
    cmdSearchResult->setText(ContentDirection::LeftToRight(
        arrow + QLatin1Char(' ') + ContentDirection::Isolated(T("Search result")) + QLatin1Char(' ') + arrow));
    for (QToolButton* add : {cmdAddOne, cmdAddAll})
        add->setArrowType(rightToLeft ? Qt::LeftArrow : Qt::RightArrow);
    for (QToolButton* remove : {cmdRemoveOne, cmdRemoveAll})
        remove->setArrowType(rightToLeft ? Qt::RightArrow : Qt::LeftArrow);
    cmdAddGroup->setText(T("Add a group") + QStringLiteral("..."));
    const QString dash = QStringLiteral(" - ");
    cmdAddOne->setToolTip(T("Add") + dash + T("Selected person"));
    cmdAddAll->setToolTip(T("Add") + dash + T("All persons"));
    cmdRemoveOne->setToolTip(T("Remove") + dash + T("Selected person"));
    cmdRemoveAll->setToolTip(T("Remove") + dash + T("All persons"));
}

std::vector<qint16> PersonPicker::ChosenGroupContacts(const PersonListModel& notChosen) const
{
    const std::optional<QString> group = frmMain::ChooseGroup(T("Add a group"), true);
    if (!group)
        return {};
    const QSet<qint16> members = modPersonDetail::GroupMembers(modDatabase::DatabaseConnection(), *group);
    std::vector<qint16> contactnrs;
    for (const qint16 contactnr : notChosen.contactnrs())
        if (members.contains(contactnr))
            contactnrs.push_back(contactnr);
    return contactnrs;
}

void PersonPicker::FillSource(PersonMover& mover, const frmMain& mainWindow) const
{
    // The same rows in the same order as every person of the database, without reading
    // the long texts the list does not show.
    Engine::Recordset rows = modSql::OpenRecordset(QStringLiteral("SELECT Contactnr, Name FROM Person ORDER BY Name "));
    std::vector<PersonListModel::Entry> entries;
    entries.reserve(static_cast<size_t>(rows.RecordCount()));
    for (int rank = 0; !rows.Eof(); rows.MoveNext(), ++rank)
        entries.push_back(
            {static_cast<qint16>(rows.Fields(0).toInt()), modText::TrimBlanks(rows.Fields(1).toString()), rank});
    mover.source()->setEntries(std::move(entries));
    if (mainWindow.DetailsShown()) {
        if (const auto shown = mainWindow.CurrentContactnr()) {
            const QModelIndex index = mover.source()->index(mover.source()->rowOf(*shown));
            lvwList->setCurrentIndex(index);
            lvwList->scrollTo(index);
        }
    }
    mover.UpdateButtons();
}

std::vector<qint16> PersonPicker::MainListContacts(const frmMain& mainWindow)
{
    std::vector<qint16> contactnrs;
    const ContactListModel* list = mainWindow.contactList();
    contactnrs.reserve(static_cast<size_t>(list->rowCount()));
    for (int row = 0; row < list->rowCount(); ++row)
        contactnrs.push_back(list->contact(row).contactnr);
    return contactnrs;
}
