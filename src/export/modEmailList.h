// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/PersonListModel.h"

#include <QString>

#include <vector>

// The e-mail address list: persons with a first e-mail address, and their addresses
// joined into one line.
namespace modEmailList {

QString PersonsSql();
// Every person with a first e-mail address, in name order: "Name (address)".
// Throws Engine::EngineError.
std::vector<PersonListModel::Entry> LoadPersons();

// ", " for the setting ",", "; " for ";".
QString SeparatorText(bool semicolon);
QString AddressListSql(const std::vector<qint16>& contactnrs);
// The first addresses of the persons in name order (ties by number), joined by the
// separator; "" for no persons. Throws Engine::EngineError.
QString BuildAddressList(const std::vector<qint16>& contactnrs, bool semicolon);

} // namespace modEmailList
