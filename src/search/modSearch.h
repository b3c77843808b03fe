// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// The search in force, shared by the search dialog (which sets it), the contact list
// (which shows its result) and the export dialog.
namespace modSearch {

// Phone search operators.
constexpr int PhoneEqual = 0;
constexpr int PhoneContains = 1;
constexpr int PhoneBeginsWith = 2;
constexpr int PhoneEndsWith = 3;

// The condition on the person (and e-mail) columns, empty when there is none. It
// begins with "WHERE " when neither flag below is set, with "AND " otherwise.
extern QString SearchCondition;
// A condition on the phone numbers is in force; it is checked by the program on the
// digits of the numbers, not by the database.
extern bool PhoneSearchActive;
extern int PhoneSearchOperator;
extern QString PhoneSearchText;
// The condition refers to the e-mail addresses, so the Email table is joined.
extern bool EmailSearchActive;

// Ends any search: empty condition, no phone or e-mail criterion.
void ClearSearch();

} // namespace modSearch
