// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/PersonListModel.h"

#include <QObject>

class QAbstractButton;
class QListView;

// The behaviour the export and e-mail windows share: two person lists, buttons that
// move the selected or all persons between them, and a button that takes over the
// main window's search result.
class PersonMover : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QListView* source = nullptr; // all persons not chosen yet
        QListView* target = nullptr; // the chosen persons
        QAbstractButton* addOne = nullptr;
        QAbstractButton* addAll = nullptr;
        QAbstractButton* removeOne = nullptr;
        QAbstractButton* removeAll = nullptr;
        QAbstractButton* ok = nullptr;
    };

    PersonMover(const Controls& controls, QObject* parent);

    PersonListModel* source() const { return m_source; }
    PersonListModel* target() const { return m_target; }

    // Moves the persons named, in that order; those not in the other list are skipped.
    void MoveToTarget(const std::vector<qint16>& contactnrs);
    void MoveToSource(const std::vector<qint16>& contactnrs);
    void UpdateButtons();

signals:
    // The chosen persons changed.
    void moved();

private:
    void move(PersonListModel* from, QListView* fromView, PersonListModel* to, QListView* toView,
              std::vector<PersonListModel::Entry> entries, bool byRank);
    std::vector<qint16> currentOf(QListView* view) const;

    Controls m_controls;
    PersonListModel* m_source;
    PersonListModel* m_target;
};

class QGroupBox;
class QPushButton;
class QToolButton;

// The person frame both windows show: the two lists side by side with the move
// buttons between them and the search-result button.
struct PersonPicker
{
    QGroupBox* fraPerson = nullptr;
    QListView* lvwList = nullptr;
    QListView* lvwChosen = nullptr;
    QToolButton* cmdAddOne = nullptr;
    QToolButton* cmdAddAll = nullptr;
    QToolButton* cmdRemoveOne = nullptr;
    QToolButton* cmdRemoveAll = nullptr;
    QPushButton* cmdSearchResult = nullptr;
    QPushButton* cmdAddGroup = nullptr; // "Add a group...": every person of a group chosen

    // chosenName is the object name of the list of chosen persons.
    static PersonPicker Create(const char* chosenName);
    // The mover between the two lists, owned by window, with the button that acts on the
    // chosen persons (usable only while there are some). The search-result button takes
    // over the main window's list and is usable only while that list shows a search
    // result; the group button adds the persons of a group the user chooses. The picker
    // must stay where it is while window lives: the group button asks it.
    PersonMover* CreateMover(QObject* window, QAbstractButton* ok, const class frmMain& mainWindow) const;
    void LoadLanguage() const;
    // The main window's list in its order, for the search-result button.
    static std::vector<qint16> MainListContacts(const class frmMain& mainWindow);
    // Every person of the database in name order, not chosen yet; the one the main
    // window shows is the current row.
    void FillSource(PersonMover& mover, const class frmMain& mainWindow) const;
    // The persons of a group the user chooses, in the order of the list of persons not
    // chosen yet; nothing when there is no group or the user cancels.
    std::vector<qint16> ChosenGroupContacts(const PersonListModel& notChosen) const;
};
