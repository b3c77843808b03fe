// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/Engine.h"
#include "mainwindow/modListOrder.h"

#include "database/modPersonDetail.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <unordered_map>
#include <vector>

// The contact list and the person details of the main window, without the window:
// the queries, what they return, and the rules for what is shown.
namespace modList {

// ---- Contact list ----

// Everything the list fill depends on besides the database.
struct ListQuery
{
    QString quickSearch;        // the text of the quick-search box
    bool searchPressed = false; // the toolbar's two-state Search button
    // The search in force (see modSearch).
    QString searchCondition;
    bool phoneSearchActive = false;
    int phoneSearchOperator = 0;
    QString phoneSearchText;
    bool emailSearchActive = false;
    // The file keeps organisations (modPersonDetail): the quick search looks at them too.
    bool organisations = false;
    // The group the list is narrowed to, on top of the quick search and the search; "" for all.
    QString group{};

    // The box text and button state together with the search in force.
    static ListQuery WithCurrentSearch(const QString& quickSearch, bool searchPressed);
    // The list shows a search result: the button is pressed and a condition exists.
    bool SearchMode() const;
};

// One row of the list: the person's number and trimmed name.
struct ContactRow
{
    qint16 contactnr = 0;
    QString name;
};

struct ContactList
{
    std::vector<ContactRow> rows;
    int numberOfPersons = 0; // all persons of the database, whatever the list shows
};

// Every person of the database in list order, kept between fills while the database
// does not change, with the names folded once: the quick search filters these rows in
// memory with the matcher the list query's LIKE uses, instead of a query per key stroke.
class PersonNames
{
public:
    // Every person, read again only when the database changed since the last call.
    // Throws Engine::EngineError.
    const std::vector<ContactRow>& All(Engine::Connection& connection);
    // Of the rows All returned last, those whose name holds every word of the box text,
    // exactly as the list query's conditions select them (QuickSearchPatterns). A word
    // that is no valid pattern throws the engine's error, as the query does.
    std::vector<ContactRow> Matching(const QString& boxText) const;

private:
    // Fills the rows with the names in list order, found from the hint; keeps the order
    // for the next opening when the hint was not it.
    void placeInOrder(const std::vector<modListOrder::Name>& names, std::vector<qint16>& hint,
                      const QString& databasePath);
    void readSorted(Engine::Connection& connection);
    void append(ContactRow row, bool nullName);

    std::optional<Engine::Connection::ChangeStamp> m_stamp;
    std::vector<ContactRow> m_rows;
    std::u32string m_folded;         // every trimmed name, folded, one after another
    std::vector<std::size_t> m_ends; // where each row's name ends in m_folded
    std::vector<bool> m_nullName;    // a missing name matches no pattern
    // The organisations, folded, of the rows that have one: a quick-search word found in
    // the organisation counts as found in the name.
    std::unordered_map<std::size_t, std::u32string> m_organisations;
};

// The phone criterion, on the digits of both texts: 0 equal, 1 contains, 2 begins
// with, 3 ends with; any other operator matches nothing.
bool PhoneMatches(const QString& number, const QString& searchText, int op);

// The quick-search text as LIKE pattern words: accents folded, letters widened to
// their accented forms, trimmed, apostrophes doubled, split at every single blank (two
// blanks in a row give an empty word). An empty text gives no words.
QStringList QuickSearchWords(const QString& boxText);
// The quick search's conditions of a list query: every word in the name, or (with
// organisations) in the organisation.
QString QuickSearchSql(const QString& boxText, bool organisations);
// The LIKE patterns of the quick search as the engine reads them: "%word%" for every
// word, before quoting.
QStringList QuickSearchPatterns(const QString& boxText);

// The query that lists the phone numbers of the persons meeting the search condition;
// only used while a phone criterion is in force.
QString PhoneSearchSql(const ListQuery& query);
// The list query. phoneMatches are the persons the phone criterion kept, in the order
// found (repeats allowed); they are used only in search mode with a phone criterion.
QString ContactListSql(const ListQuery& query, const std::vector<qint16>& phoneMatches = {});
// Counts every person of the database.
QString CountSql();

// Runs the phone query and keeps the persons whose numbers match, in row order; a person
// with several matching numbers is listed once per number. Throws Engine::EngineError.
std::vector<qint16> PhoneSearchMatches(const ListQuery& query);
// Runs the whole list fill on the current database: the phone query when needed, the
// list query and the count. Throws Engine::EngineError (a pattern the engine rejects,
// such as a lone "[", is one).
ContactList QueryContactList(const ListQuery& query);
// The same list, with the quick search outside search mode answered from names.
ContactList QueryContactList(const ListQuery& query, PersonNames& names);
// The rows of persons in the group; all rows for no group.
void KeepGroup(std::vector<ContactRow>& rows, const QString& group);
// The status-bar count: list rows "/" persons in the database ("12/40").
QString CountText(const ContactList& list);

// What the list fill enables and selects, from the number of rows it got.
struct ListCommands
{
    bool exportAndEmail = false; // Export and E-mail commands
    bool search = false;         // the Search command (button and menu entry)
    bool selectFirst = false;    // select and show the first row
};
ListCommands CommandsAfterFill(int rowCount, bool searchPressed);

} // namespace modList
