// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "IniFile.h"

#include <QFile>
#include <QStringDecoder>

IniFile IniFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

namespace {

QString decode(const QByteArray& contents)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(contents);
    if (utf8.hasError())
        text = QString::fromLatin1(contents);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

} // namespace

IniFile IniFile::parse(const QByteArray& contents)
{
    IniFile ini;
    const QString text = decode(contents);
    QHash<QString, QString>* section = nullptr;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = &ini.m_sections[line.mid(1, line.size() - 2).trimmed().toString()];
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!section || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        QStringView value = line.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        // The first entry of a key wins, as with the classic INI reader.
        if (!section->contains(key))
            section->insert(key, value.toString());
    }
    return ini;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    const auto found = m_sections.constFind(section);
    if (found == m_sections.constEnd())
        return {};
    return found->value(key);
}

bool IniFile::contains(const QString& section, const QString& key) const
{
    const auto found = m_sections.constFind(section);
    return found != m_sections.constEnd() && found->contains(key);
}

QStringList IniFile::keys(const QString& section) const
{
    return m_sections.value(section).keys();
}
