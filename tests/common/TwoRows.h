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
