// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modLanguage.h"

#include "language/IniFile.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace modLanguage {

namespace {

// Each language file is parsed once and kept until it changes on disk.
struct CachedFile
{
    QDateTime modified;
    qint64 size = -1;
    IniFile ini;
};

// The file a living Snapshot found; set while depth > 0.
struct SnapshotState
{
    int depth = 0;
    bool taken = false;
    quint64 settingsWrites = 0; // a language chosen meanwhile in this process counts
    const IniFile* file = nullptr;
};
SnapshotState& CurrentSnapshot()
{
    static SnapshotState state;
    return state;
}

const IniFile* CheckedLanguageFile();

const IniFile* CurrentLanguageFile()
{
    SnapshotState& snapshot = CurrentSnapshot();
    if (snapshot.depth == 0)
        return CheckedLanguageFile();
    if (!snapshot.taken || snapshot.settingsWrites != modSettings::WriteCount()) {
        snapshot.file = CheckedLanguageFile();
        snapshot.settingsWrites = modSettings::WriteCount();
        snapshot.taken = true;
    }
    return snapshot.file;
}

const IniFile* CheckedLanguageFile()
{
    const QString language = modSettings::Get(Setting::Language);
    if (language.isEmpty())
        return nullptr;
    static QHash<QString, CachedFile> cache;
    const QString path = LanguageFolder() + language + QStringLiteral(".ini");
    const QFileInfo info(path);
    if (!info.isFile())
        return nullptr;
    CachedFile& cached = cache[path];
    const QDateTime modified = info.lastModified();
    if (cached.size != info.size() || cached.modified != modified) {
        cached.ini = IniFile::load(path);
        cached.modified = modified;
        cached.size = info.size();
    }
    return &cached.ini;
}

QString CutToMaximum(const QString& text)
{
    if (text.size() <= MaxTranslationLength)
        return text;
    int length = MaxTranslationLength;
    // Never leave half of a character made of two UTF-16 units.
    if (text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

QString Lookup(const QString& section, const QString& key)
{
    const IniFile* file = CurrentLanguageFile();
    return file ? CutToMaximum(file->value(section, key)) : QString();
}

} // namespace

Snapshot::Snapshot()
{
    ++CurrentSnapshot().depth;
}

Snapshot::~Snapshot()
{
    SnapshotState& snapshot = CurrentSnapshot();
    if (--snapshot.depth == 0)
        snapshot = SnapshotState();
}

QString Translate(const QString& key)
{
    const QString translated = Lookup(QStringLiteral("Translation"), key);
    return translated.isEmpty() ? key : translated;
}

QString LanguageInfo(const QString& key)
{
    return Lookup(QStringLiteral("Info"), key);
}

QString LanguageFolder()
{
    return modEnvironment::ProgramFolder() + QStringLiteral("Language/");
}

QStringList LanguageFileNames()
{
    const QDir folder(LanguageFolder());
    QStringList names;
    for (const QString& file : folder.entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Unsorted))
        names << file.chopped(4);
    return names;
}

QString MapLegacyName(const QString& stored)
{
    static const QHash<QString, QString> legacy = {
        {QStringLiteral("Dansk"), QStringLiteral("Danish")},
        {QStringLiteral("Deutsch"), QStringLiteral("German")},
        {QStringLiteral("Eesti"), QStringLiteral("Estonian")},
        {QStringLiteral("Español"), QStringLiteral("Spanish")},
        {QStringLiteral("français"), QStringLiteral("French")},
        {QStringLiteral("Italiano"), QStringLiteral("Italian")},
        {QStringLiteral("Nederlands"), QStringLiteral("Dutch")},
        {QStringLiteral("Norsk (bokmål)"), QStringLiteral("Norwegian (Bokmål)")},
        {QStringLiteral("Polski"), QStringLiteral("Polish")},
        {QStringLiteral("Suomi"), QStringLiteral("Finnish")},
    };
    return legacy.value(stored, stored);
}

QString LanguageForAbbreviation(const QString& abbreviation)
{
    struct Row
    {
        const char* abbreviation;
        const char* language;
    };
    static const Row exact[] = {
        {"EUQ", "Basque"},
        {"CHT", "Chinese (Taiwan)"},
        {"HRV", "Croatian"},
        {"DAN", "Danish"},
        {"ETI", "Estonian"},
        {"FIN", "Finnish"},
        {"ELL", "Greek"},
        {"HEB", "Hebrew"},
        {"HUN", "Hungarian"},
        {"ISL", "Icelandic"},
        {"BAH", "Indonesian"},
        {"JPN", "Japanese"},
        {"LVI", "Latvian"},
        {"MKD", "Macedonian"},
        {"FAR", "Persian"},
        {"PLK", "Polish"},
        {"PTB", "Portuguese (Brazilian)"},
        {"PTG", "Portuguese (Portugal)"},
        {"SHQ", "Serbian (Cyrillic)"},
        {"SKY", "Slovak"},
        {"SLV", "Slovenian"},
        {"SVE", "Swedish"},
        {"TRK", "Turkish"},
        {"UKR", "Ukrainian"},
        {"URD", "Urdu"},
    };
    static const Row byTwoLetters[] = {
        {"SQ", "Albanian"},
        {"AR", "Arabic"},
        {"NL", "Dutch"},
        {"FR", "French"},
        {"DE", "German"},
        {"IT", "Italian"},
        {"NO", "Norwegian (Bokmål)"},
        {"RO", "Romanian"},
        {"ES", "Spanish"},
        {"RU", "Russian"},
    };
    for (const Row& row : exact)
        if (abbreviation == QLatin1String(row.abbreviation))
            return QString::fromUtf8(row.language);
    for (const Row& row : byTwoLetters)
        if (abbreviation.startsWith(QLatin1String(row.abbreviation)))
            return QString::fromUtf8(row.language);
    return {};
}

QString WantedLanguage(const QString& stored, const QString& localeAbbreviation)
{
    if (!stored.isEmpty())
        return MapLegacyName(stored);
    return LanguageForAbbreviation(localeAbbreviation);
}

QLocale LocaleOfLanguage(const QString& name)
{
    static const QHash<QString, QString> locales = {
        {QStringLiteral("Albanian"), QStringLiteral("sq")},
        {QStringLiteral("Arabic"), QStringLiteral("ar")},
        {QStringLiteral("Basque"), QStringLiteral("eu")},
        {QStringLiteral("Chinese (Taiwan)"), QStringLiteral("zh_TW")},
        {QStringLiteral("Croatian"), QStringLiteral("hr")},
        {QStringLiteral("Danish"), QStringLiteral("da")},
        {QStringLiteral("Dutch"), QStringLiteral("nl")},
        {QStringLiteral("Estonian"), QStringLiteral("et")},
        {QStringLiteral("Finnish"), QStringLiteral("fi")},
        {QStringLiteral("French"), QStringLiteral("fr")},
        {QStringLiteral("German"), QStringLiteral("de")},
        {QStringLiteral("Greek"), QStringLiteral("el")},
        {QStringLiteral("Hebrew"), QStringLiteral("he")},
        {QStringLiteral("Hungarian"), QStringLiteral("hu")},
        {QStringLiteral("Icelandic"), QStringLiteral("is")},
        {QStringLiteral("Indonesian"), QStringLiteral("id")},
        {QStringLiteral("Italian"), QStringLiteral("it")},
        {QStringLiteral("Japanese"), QStringLiteral("ja")},
        {QStringLiteral("Latvian"), QStringLiteral("lv")},
        {QStringLiteral("Macedonian"), QStringLiteral("mk")},
        {QStringLiteral("Norwegian (Bokmål)"), QStringLiteral("nb")},
        {QStringLiteral("Persian"), QStringLiteral("fa")},
        {QStringLiteral("Polish"), QStringLiteral("pl")},
        {QStringLiteral("Portuguese (Brazilian)"), QStringLiteral("pt_BR")},
        {QStringLiteral("Portuguese (Portugal)"), QStringLiteral("pt_PT")},
        {QStringLiteral("Romanian"), QStringLiteral("ro")},
        {QStringLiteral("Russian"), QStringLiteral("ru")},
        {QStringLiteral("Serbian (Cyrillic)"), QStringLiteral("sr_Cyrl_RS")},
        {QStringLiteral("Slovak"), QStringLiteral("sk")},
        {QStringLiteral("Slovenian"), QStringLiteral("sl")},
        {QStringLiteral("Spanish"), QStringLiteral("es")},
        {QStringLiteral("Swedish"), QStringLiteral("sv")},
        {QStringLiteral("Turkish"), QStringLiteral("tr")},
        {QStringLiteral("Ukrainian"), QStringLiteral("uk")},
        {QStringLiteral("Urdu"), QStringLiteral("ur")},
    };
    const auto found = locales.constFind(name);
    return found == locales.constEnd() ? QLocale(QLocale::English) : QLocale(*found);
}

QStringList SortedByName(QStringList names, const QLocale& userLocale)
{
    QCollator collator(userLocale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return names;
}

int CheckLanguage(const QStringList& captions, const QString& name)
{
    const int index = captions.indexOf(name);
    if (index < 0)
        return 0;
    modSettings::Set(Setting::Language, name);
    return index;
}

} // namespace modLanguage
