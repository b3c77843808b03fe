// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QIcon>
#include <QPixmap>

// The program's logo, drawn at any size: an address book with a person on its cover.
QPixmap AddrionLogo(int size);

// The place of a person's photo when it has none: the logo's person in grey.
QPixmap AddrionPersonPlaceholder(const QSize& size);

// The sizes the installed icon theme carries, smallest first.
constexpr int LogoSizes[] = {16, 32, 48, 64, 128, 256};
// The logo at each of those sizes, for the windows' icon.
QIcon AddrionIcon();
