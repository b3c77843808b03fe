// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "search/modSearch.h"

namespace modSearch {

QString SearchCondition;
bool PhoneSearchActive = false;
int PhoneSearchOperator = PhoneEqual;
QString PhoneSearchText;
bool EmailSearchActive = false;

void ClearSearch()
{
    SearchCondition.clear();
    PhoneSearchActive = false;
    PhoneSearchOperator = PhoneEqual;
    PhoneSearchText.clear();
    EmailSearchActive = false;
}

} // namespace modSearch
