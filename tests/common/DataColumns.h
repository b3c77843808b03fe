#pragma once

#include <QTest>

#include <array>
#include <cstddef>

namespace TestSupport {

// The columns of a data-driven test in one call: addColumns<QString, int>({"text", "count"})
// is QTest::addColumn<QString>("text"); QTest::addColumn<int>("count").
template <typename... Types> void addColumns(const std::array<const char*, sizeof...(Types)>& names)
{
    std::size_t i = 0;
    (QTest::addColumn<Types>(names[i++]), ...);
}

} // namespace TestSupport
