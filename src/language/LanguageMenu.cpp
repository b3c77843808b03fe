// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "LanguageMenu.h"

#include "language/LanguageAware.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QTranslator>
#include <QWidget>

void RetranslateAllWindows()
{
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* window = dynamic_cast<LanguageAware*>(widget))
            window->LoadLanguage();
}

bool ApplyLanguageToQt(const QString& language)
{
    // One catalogue of Qt's own texts at a time: the one of the language last chosen.
    static QTranslator* translator = nullptr;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    const QLocale locale = modLanguage::LocaleOfLanguage(language);
    QGuiApplication::setLayoutDirection(locale.textDirection());
    if (locale.language() == QLocale::English)
        return true;
    auto* loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

LanguageMenu::LanguageMenu(QMenu* menu) : QObject(menu), m_menu(menu), m_group(new QActionGroup(this))
{
    m_group->setExclusive(true);
    addEntry(QStringLiteral("English"));
}

QAction* LanguageMenu::addEntry(const QString& caption)
{
    auto* entry = new QAction(caption, m_menu);
    entry->setObjectName(QStringLiteral("mnuOptionsLanguageLanguages"));
    entry->setCheckable(true);
    m_group->addAction(entry);
    m_menu->addAction(entry);
    const int index = m_entries.size();
    connect(entry, &QAction::triggered, this, [this, index] { SelectLanguage(index); });
    m_entries << entry;
    return entry;
}

void LanguageMenu::FillLanguageMenu()
{
    for (const QString& name : modLanguage::SortedByName(modLanguage::LanguageFileNames(), QLocale::system()))
        addEntry(name);
}

void LanguageMenu::InitLanguage()
{
    InitLanguage(modEnvironment::UserLanguageAbbreviation());
}

void LanguageMenu::InitLanguage(const QString& localeAbbreviation)
{
    FillLanguageMenu();
    const QString wanted = modLanguage::WantedLanguage(modSettings::Get(Setting::Language), localeAbbreviation);
    QStringList captions;
    for (const QAction* entry : m_entries)
        captions << entry->text();
    tick(modLanguage::CheckLanguage(captions, wanted));
}

void LanguageMenu::SelectLanguage(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    modSettings::Set(Setting::Language, m_entries.at(index)->text());
    tick(index);
    RetranslateAllWindows();
}

void LanguageMenu::tick(int index)
{
    for (int i = 0; i < m_entries.size(); ++i)
        m_entries.at(i)->setChecked(i == index);
    // A language not among Qt's catalogues keeps Qt's texts in English.
    ApplyLanguageToQt(m_entries.value(index) ? m_entries.at(index)->text() : QString());
}

int LanguageMenu::checkedIndex() const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries.at(i)->isChecked())
            return i;
    return -1;
}
