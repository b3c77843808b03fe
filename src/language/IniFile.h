// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QHash>
#include <QString>

// A parsed INI file: [Section] headers and key=value lines. Text is read as UTF-8
// (falling back to Latin-1 for files that are not valid UTF-8); blank lines and lines
// starting with ";" or "#" are skipped; keys and values are trimmed, and a value in
// double quotes loses them.
class IniFile
{
public:
    static IniFile load(const QString& path);
    static IniFile parse(const QByteArray& contents);

    // "" when the section or key is absent. Section and key names match exactly.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;
    QStringList keys(const QString& section) const;
    QStringList sections() const { return m_sections.keys(); }

private:
    QHash<QString, QHash<QString, QString>> m_sections;
};
