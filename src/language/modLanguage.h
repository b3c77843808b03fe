// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The translation lookup: the key is the English text itself, the language files map
// it to another language. A missing file, section or entry gives the English key.
namespace modLanguage {

// The longest translation handed out; longer entries are cut.
constexpr int MaxTranslationLength = 254;

QString Translate(const QString& key);

// While one lives, Translate keeps to the language and file it found first instead of
// checking the settings and the file again for every text: a sync or an export that
// labels thousands of numbers asks for the same few texts each time.
class Snapshot
{
public:
    Snapshot();
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
};
// An entry of the "Info" section of the current language file, "" when absent.
QString LanguageInfo(const QString& key);

// The folder of the language files, ending in "/".
QString LanguageFolder();
// The base names of the language files in the order the file system lists them.
QStringList LanguageFileNames();

// Names that older versions stored for a language, mapped to today's file names.
QString MapLegacyName(const QString& stored);
// The language for a three-letter locale abbreviation, "" when there is none.
QString LanguageForAbbreviation(const QString& abbreviation);
// The language to look for at start: the stored one (with its legacy name mapped), or on
// a first start the one of the user's locale.
QString WantedLanguage(const QString& stored, const QString& localeAbbreviation);

// The locale of a language file's language ("German" gives de, "Portuguese (Brazilian)"
// pt_BR); English, for "English" and any name the program does not know.
QLocale LocaleOfLanguage(const QString& name);
// The language names in the order of the menu: by name as the user's locale sorts
// them.
QStringList SortedByName(QStringList names, const QLocale& userLocale);

// Which of the menu captions (entry 0 is "English") gets the tick for the wanted language:
// the entry whose caption equals it, else 0. Stores the language when an entry matched.
int CheckLanguage(const QStringList& captions, const QString& name);

} // namespace modLanguage

// Marks an English text as a translation key where it is looked up later (for example
// the entries of a list), so that the check of the language files finds it too.
#define TRANSLATABLE(text) QStringLiteral(text)

// The short form every window uses.
inline QString T(const QString& key)
{
    return modLanguage::Translate(key);
}
