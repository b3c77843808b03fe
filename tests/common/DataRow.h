// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QTest>

#include <tuple>

namespace TestSupport {

// One row of a data-driven test, written as a call: the same as
// QTest::newRow(name) << values..., with the values' types checked against the columns.
template <typename... Values> void addRow(const char* name, const Values&... values)
{
    (QTest::newRow(name) << ... << values);
}

// The columns of a data-driven test in one call: addColumns<QString, bool>("name", "valid").
template <typename... Types, typename... Names> void addColumns(const Names&... names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one name for each type");
    (QTest::addColumn<Types>(names), ...);
}

// The current row's values of these columns, as QFETCH reads them one by one:
// auto [name, valid] = fetch<QString, bool>("name", "valid").
template <typename... Types, typename... Names> std::tuple<Types...> fetch(const Names&... names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one name for each type");
    return std::tuple<Types...>(*static_cast<Types*>(QTest::qData(names, qMetaTypeId<Types>()))...);
}

} // namespace TestSupport
