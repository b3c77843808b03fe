#pragma once

#include <QTest>

namespace TestSupport {

// One row of a data-driven test, written as a call: the same as
// QTest::newRow(name) << values..., with the values' types checked against the columns.
template <typename... Values> void addRow(const char* name, const Values&... values)
{
    (QTest::newRow(name) << ... << values);
}

} // namespace TestSupport
