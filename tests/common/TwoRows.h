// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QTest>

namespace TestSupport {

// The two rows of a test that runs once with a flag off and once with it on.
inline void addTwoRows(const char* column, const char* whenFalse, const char* whenTrue)
{
    QTest::addColumn<bool>(column);
    QTest::newRow(whenFalse) << false;
    QTest::newRow(whenTrue) << true;
}

} // namespace TestSupport
