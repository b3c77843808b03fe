// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// A window whose visible texts come from the translation lookup. LoadLanguage sets
// them all again; a change of language calls it on every open window.
class LanguageAware
{
public:
    virtual ~LanguageAware() = default;
    virtual void LoadLanguage() = 0;
};

// Calls LoadLanguage on every window of the program that is loaded now.
void RetranslateAllWindows();

class QString;
// Gives Qt's own texts (standard buttons, file dialogs, the menus of text boxes) the
// language of this language file and the whole program its writing direction, right
// to left for Arabic, Hebrew, Persian and Urdu. False when Qt has no catalogue for it.
bool ApplyLanguageToQt(const QString& language);
