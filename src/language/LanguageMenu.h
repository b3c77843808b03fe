// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QList>
#include <QObject>

class QAction;
class QActionGroup;
class QMenu;

// The language entries of the Options menu: "English" first, then one entry per
// language file, exactly one of them ticked.
class LanguageMenu : public QObject
{
    Q_OBJECT

public:
    // Entries are added to menu; each is named mnuOptionsLanguageLanguages.
    explicit LanguageMenu(QMenu* menu);

    // Lists the language files and picks the saved language, or at the first start the
    // one of the locale abbreviation (the user's locale when none is given).
    void InitLanguage();
    void InitLanguage(const QString& localeAbbreviation);
    // The user chose entry index: store it, tick it, translate every open window.
    void SelectLanguage(int index);

    const QList<QAction*>& entries() const { return m_entries; }
    int checkedIndex() const;

private:
    void FillLanguageMenu();
    QAction* addEntry(const QString& caption);
    void tick(int index);

    QMenu* m_menu;
    QActionGroup* m_group;
    QList<QAction*> m_entries;
};
