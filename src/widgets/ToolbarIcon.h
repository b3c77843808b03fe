// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QIcon>
#include <QStyle>

namespace ToolbarIcon {

// The desktop theme's icon of this name, or else the style's standard icon. The standard
// icon decodes its larger pictures only when a size beyond the style's small one is drawn:
// the style decodes every size it has (up to 128 pixels) for each standard icon it is asked
// for, a tenth of the program's start, while a toolbar draws 16 pixels.
QIcon ThemeOrStandard(const char* themeIcon, QStyle::StandardPixmap fallback, const QStyle* style);

} // namespace ToolbarIcon
