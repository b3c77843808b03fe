// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modSyncCard.h"

#include "database/modPersonDetail.h"
#include "interchange/modMerge.h"
#include "startup/modSettings.h"

#include <QCryptographicHash>
#include <QSet>

#include <map>

namespace modSyncCard {

namespace {

using modVcard::Property;

// The physical lines of a card as sent, whatever ends them.
QStringList PhysicalLines(const QByteArray& card)
{
    QStringList lines;
    const QString text = QString::fromUtf8(card);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('\r') && text.at(i) != QLatin1Char('\n'))
            continue;
        lines << text.mid(start, i - start);
        if (text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

// The position of the colon that ends a content line's name and parameters.
qsizetype HeaderEnd(const QString& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('"'))
            quoted = !quoted;
        else if (line.at(i) == QLatin1Char(':') && !quoted)
            return i;
    }
    return line.indexOf(QLatin1Char(':'));
}

// One server card being written into: its properties with the lines they came in, and
// what replaces or follows them.
class Work
{
public:
    Work(const QByteArray& serverCard, const modVcard::Card& card) : m_card(card)
    {
        m_lines = PhysicalLines(serverCard);
        const auto count = static_cast<int>(card.properties.size());
        m_slots.resize(card.properties.size());
        for (int i = 0; i < count; ++i) {
            const int first = card.properties[i].line - 1;
            int end = i + 1 < count ? card.properties[i + 1].line - 1 : first + 1;
            if (i + 1 == count)
                while (end < m_lines.size() && !m_lines.at(end).isEmpty() &&
                       (m_lines.at(end).front() == QLatin1Char(' ') || m_lines.at(end).front() == QLatin1Char('\t')))
                    ++end;
            m_slots[i].first = first;
            m_slots[i].end = end;
            const QString group = card.properties[i].group.toLower();
            if (!group.isEmpty())
                m_groups.insert(group);
        }
        for (const Property& property : card.properties)
            if (property.name == QLatin1String("VERSION"))
                m_version4 = property.value.trimmed().startsWith(QLatin1Char('4'));
    }

    const modVcard::Card& Card() const { return m_card; }
    const Property& At(int index) const { return m_card.properties[static_cast<size_t>(index)]; }
    int Count() const { return static_cast<int>(m_card.properties.size()); }
    bool Version4() const { return m_version4; }
    bool Changed() const { return m_changed; }

    // The first property of that name (upper case) whose text is not empty; -1 when none.
    int First(const char* name) const
    {
        for (int i = 0; i < Count(); ++i)
            if (At(i).name == QLatin1String(name) && !modVcard::PropertyText(At(i)).isEmpty() && !IsGone(i))
                return i;
        return -1;
    }
    // The property's line as one text, folds joined.
    QString Logical(int index) const
    {
        const Slot& slot = m_slots[static_cast<size_t>(index)];
        QString text;
        for (int line = slot.first; line < slot.end && line < m_lines.size(); ++line) {
            const QString& part = m_lines.at(line);
            if (line == slot.first)
                text = part;
            else if (!part.isEmpty() && (part.front() == QLatin1Char(' ') || part.front() == QLatin1Char('\t')))
                text += part.mid(1);
            else if (!part.trimmed().isEmpty()) {
                // A quoted-printable soft break, or the data lines of an old photo.
                if (text.endsWith(QLatin1Char('=')))
                    text.chop(1);
                text += part.trimmed();
            }
        }
        return text;
    }
    // "item1.TEL;TYPE=HOME" of the property as written.
    QString Header(int index) const
    {
        const QString text = Logical(index);
        return text.left(HeaderEnd(text));
    }
    QString RawValue(int index) const
    {
        const QString text = Logical(index);
        return text.mid(HeaderEnd(text) + 1);
    }
    // The property's name with its group and the parameters not named in drop, as
    // parsed: for a line written anew.
    QString HeaderWithout(int index, const QStringList& drop, const QString& group) const
    {
        const Property& property = At(index);
        QString header = (group.isEmpty() ? QString() : group + QLatin1Char('.')) + property.name;
        for (const modVcard::Parameter& parameter : property.parameters)
            if (!drop.contains(parameter.name) && !parameter.values.isEmpty())
                header += QLatin1Char(';') + modVcard::ParameterText(parameter);
        return header;
    }

    // Content lines, folded here.
    void Replace(int index, const QStringList& lines)
    {
        m_slots[static_cast<size_t>(index)].replacement = Folded(lines);
        m_slots[static_cast<size_t>(index)].replaced = true;
        m_changed = true;
    }
    void Remove(int index) { Replace(index, {}); }
    // The physical lines the property is written as now.
    QStringList Written(int index) const
    {
        const Slot& slot = m_slots[static_cast<size_t>(index)];
        return slot.replaced ? slot.replacement : m_lines.mid(slot.first, slot.end - slot.first);
    }
    bool IsGone(int index) const
    {
        const Slot& slot = m_slots[static_cast<size_t>(index)];
        return slot.replaced && slot.replacement.isEmpty();
    }
    // Content lines after the property (-1: at the end of the card); folded here unless
    // they are physical lines already.
    void InsertAfter(int index, const QStringList& lines, bool physical = false)
    {
        if (lines.isEmpty())
            return;
        (index < 0 ? m_atEnd : m_slots[static_cast<size_t>(index)].after) << (physical ? lines : Folded(lines));
        m_changed = true;
    }
    // The group's label line (X-ABLabel), -1 when it has none.
    int LabelOf(const QString& group) const
    {
        if (group.isEmpty())
            return -1;
        for (int i = 0; i < Count(); ++i)
            if (At(i).name == QLatin1String("X-ABLABEL") && At(i).group.compare(group, Qt::CaseInsensitive) == 0 &&
                !IsGone(i))
                return i;
        return -1;
    }
    // Removes the property, and its group's label when nothing else of the group stays.
    void RemoveWithLabel(int index)
    {
        Remove(index);
        const QString group = At(index).group;
        const int label = LabelOf(group);
        if (label < 0)
            return;
        for (int i = 0; i < Count(); ++i)
            if (i != label && !IsGone(i) && At(i).group.compare(group, Qt::CaseInsensitive) == 0)
                return;
        Remove(label);
    }
    QString NewGroup()
    {
        for (int next = 1;; ++next) {
            const QString group = QStringLiteral("item%1").arg(next);
            if (!m_groups.contains(group)) {
                m_groups.insert(group);
                return group;
            }
        }
    }

    QByteArray Result() const
    {
        QStringList out;
        const int firstProperty = m_slots.empty() ? 0 : m_slots.front().first;
        for (int line = 0; line < firstProperty && line < m_lines.size(); ++line)
            out << m_lines.at(line);
        int next = firstProperty;
        for (const Slot& slot : m_slots) {
            for (int line = next; line < slot.first && line < m_lines.size(); ++line)
                out << m_lines.at(line); // blank lines between properties
            if (slot.replaced) {
                out << slot.replacement;
            } else {
                for (int line = slot.first; line < slot.end && line < m_lines.size(); ++line)
                    out << m_lines.at(line);
            }
            out << slot.after;
            next = std::max(next, slot.end);
        }
        out << m_atEnd;
        for (int line = next; line < m_lines.size(); ++line)
            out << m_lines.at(line);
        QByteArray result;
        for (const QString& line : out)
            result += line.toUtf8() + "\r\n";
        return result;
    }

private:
    static QStringList Folded(const QStringList& lines)
    {
        QStringList folded;
        for (const QString& line : lines)
            folded << modVcard::Fold(line);
        return folded;
    }

    struct Slot
    {
        int first = 0;
        int end = 0;
        bool replaced = false;
        QStringList replacement;
        QStringList after;
    };
    const modVcard::Card& m_card;
    QStringList m_lines;
    std::vector<Slot> m_slots;
    QStringList m_atEnd;
    QSet<QString> m_groups;
    bool m_version4 = false;
    bool m_changed = false;
};

// The property that the person's lists or fields follow when one is added: the last of
// those names, else the card's end.
int LastOf(const Work& work, const QStringList& names)
{
    for (int i = work.Count() - 1; i >= 0; --i)
        if (names.contains(work.At(i).name))
            return i;
    return -1;
}

void UpdateName(Work& work, const QString& before, const QString& now)
{
    if (modMerge::SameText(before, now))
        return;
    const QString escaped = modVcard::Escape(now);
    const int fn = work.First("FN");
    if (fn >= 0)
        work.Replace(
            fn, {work.HeaderWithout(fn, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")}, work.At(fn).group) +
                 QLatin1Char(':') + escaped});
    else
        work.InsertAfter(LastOf(work, {QStringLiteral("VERSION")}), {QStringLiteral("FN:") + escaped});
    // N follows the name only where it held nothing of its own.
    int n = -1;
    for (int i = 0; i < work.Count() && n < 0; ++i)
        if (work.At(i).name == QLatin1String("N"))
            n = i;
    if (n < 0) {
        if (!work.Version4())
            work.InsertAfter(LastOf(work, {QStringLiteral("VERSION")}),
                             {QStringLiteral("N:") + modVcard::NameValue(now)});
        return;
    }
    const auto parts = [](const QString& value) {
        QStringList list = modVcard::SplitValue(value, QLatin1Char(';'));
        for (QString& part : list)
            part = part.trimmed();
        while (!list.isEmpty() && list.last().isEmpty())
            list.removeLast();
        return list;
    };
    const QStringList written = parts(work.At(n).value);
    if (written.isEmpty() || written == parts(modVcard::NameValue(before)))
        work.Replace(n,
                     {work.HeaderWithout(n, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")}, work.At(n).group) +
                      QLatin1Char(':') + modVcard::NameValue(now)});
}

// The BDAY value of a person: a date, a day without a year, or none.
QString BirthdayValue(const std::optional<QDate>& date, const std::optional<modPersonDetail::MonthDay>& noYear)
{
    if (date)
        return date->toString(QStringLiteral("yyyy-MM-dd"));
    if (noYear)
        return modVcard::BirthdayLine(*noYear).mid(5);
    return QString();
}

void UpdateBirthday(Work& work, const QString& before, const QString& now)
{
    if (before == now)
        return;
    int bday = -1;
    for (int i = 0; i < work.Count() && bday < 0; ++i)
        if (work.At(i).name == QLatin1String("BDAY"))
            bday = i;
    if (now.isEmpty()) {
        if (bday >= 0)
            work.RemoveWithLabel(bday);
        return;
    }
    if (bday >= 0)
        work.Replace(bday, {work.HeaderWithout(bday,
                                               {QStringLiteral("VALUE"), QStringLiteral("X-APPLE-OMIT-YEAR"),
                                                QStringLiteral("CHARSET"), QStringLiteral("ENCODING")},
                                               work.At(bday).group) +
                            QLatin1Char(':') + now});
    else
        work.InsertAfter(LastOf(work, {QStringLiteral("FN"), QStringLiteral("N")}), {QStringLiteral("BDAY:") + now});
}

// A property of one text (ORG, TITLE) written anew, added after the name, or removed.
void UpdateText(Work& work, const char* name, const QString& before, const QString& now)
{
    if (modMerge::SameText(before, now))
        return;
    const int index = work.First(name);
    const QString value = modVcard::Escape(now.trimmed());
    if (now.trimmed().isEmpty()) {
        if (index >= 0)
            work.RemoveWithLabel(index);
        return;
    }
    if (index >= 0)
        work.Replace(index, {work.HeaderWithout(index, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")},
                                                work.At(index).group) +
                             QLatin1Char(':') + value});
    else
        work.InsertAfter(LastOf(work, {QStringLiteral("FN"), QStringLiteral("N"), QStringLiteral("ORG")}),
                         {QString::fromLatin1(name) + QLatin1Char(':') + value});
}

// Groups changed here replace the card's CATEGORIES lines with one; the same groups in
// another order or case leave them as they are.
void UpdateGroups(Work& work, const QStringList& before, const QStringList& now)
{
    if (modMerge::SameGroups(before, now))
        return;
    std::vector<int> lines;
    for (int i = 0; i < work.Count(); ++i)
        if (work.At(i).name == QLatin1String("CATEGORIES") && !work.IsGone(i))
            lines.push_back(i);
    const QString value = modVcard::CategoriesLine(now).section(QLatin1Char(':'), 1);
    if (!now.isEmpty() && lines.empty())
        work.InsertAfter(
            LastOf(work, {QStringLiteral("FN"), QStringLiteral("N"), QStringLiteral("ORG"), QStringLiteral("TITLE")}),
            {modVcard::CategoriesLine(now)});
    for (size_t n = 0; n < lines.size(); ++n) {
        const int index = lines[n];
        if (n == 0 && !now.isEmpty())
            work.Replace(index, {work.HeaderWithout(index, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")},
                                                    work.At(index).group) +
                                 QLatin1Char(':') + value});
        else
            work.RemoveWithLabel(index);
    }
}

// A photo set here replaces the card's photos; one removed here takes the card's inline
// photos with it, while a photo the card names by address (never fetched) stays.
void UpdatePhoto(Work& work, const QByteArray& before, const QByteArray& now)
{
    if (before == now)
        return;
    QString line;
    if (!now.isEmpty()) {
        line = modVcard::PhotoLine(now);
        if (work.Version4()) {
            const QString type = line.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('='), -1).toLower();
            line = QStringLiteral("PHOTO:data:image/") + type + QStringLiteral(";base64,") +
                   line.section(QLatin1Char(':'), 1);
        }
    }
    bool written = false;
    for (int i = 0; i < work.Count(); ++i) {
        if (work.At(i).name != QLatin1String("PHOTO"))
            continue;
        if (line.isEmpty()) {
            if (!modVcard::PhotoOf(work.At(i)).isEmpty())
                work.RemoveWithLabel(i);
        } else if (!written) {
            work.Replace(i, {line});
            written = true;
        } else {
            work.RemoveWithLabel(i);
        }
    }
    if (!written && !line.isEmpty())
        work.InsertAfter(LastOf(work, {QStringLiteral("NOTE"), QStringLiteral("EMAIL"), QStringLiteral("TEL")}),
                         {line});
}

// The ADR the person shows: the preferred one, else the first; -1 when none.
int ShownAddress(const Work& work)
{
    int first = -1;
    for (int i = 0; i < work.Count(); ++i) {
        if (work.At(i).name != QLatin1String("ADR") || modVcard::AddressOf(work.At(i)).isEmpty())
            continue;
        if (modVcard::IsPreferred(work.At(i)))
            return i;
        if (first < 0)
            first = i;
    }
    return first;
}

void UpdateAddress(Work& work, const QString& now)
{
    const int adr = ShownAddress(work);
    if (adr >= 0) {
        if (now.trimmed().isEmpty())
            work.RemoveWithLabel(adr);
        else
            work.Replace(adr,
                         {work.HeaderWithout(
                              adr, {QStringLiteral("LABEL"), QStringLiteral("CHARSET"), QStringLiteral("ENCODING")},
                              work.At(adr).group) +
                          QLatin1Char(':') + modVcard::AddressValue(now)});
        return;
    }
    const int label = work.First("LABEL");
    if (label >= 0) {
        if (now.trimmed().isEmpty())
            work.RemoveWithLabel(label);
        else
            work.Replace(label, {work.HeaderWithout(label, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")},
                                                    work.At(label).group) +
                                 QLatin1Char(':') + modVcard::Escape(now.trimmed())});
        return;
    }
    if (!now.trimmed().isEmpty())
        work.InsertAfter(LastOf(work, {QStringLiteral("FN"), QStringLiteral("N"), QStringLiteral("BDAY")}),
                         {QStringLiteral("ADR:") + modVcard::AddressValue(now)});
}

void UpdateNote(Work& work, const QString& now)
{
    const QString text = QString(now).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed();
    bool written = false;
    for (int i = 0; i < work.Count(); ++i) {
        if (work.At(i).name != QLatin1String("NOTE"))
            continue;
        if (written || text.isEmpty()) {
            work.RemoveWithLabel(i);
            continue;
        }
        work.Replace(i,
                     {work.HeaderWithout(i, {QStringLiteral("CHARSET"), QStringLiteral("ENCODING")}, work.At(i).group) +
                      QLatin1Char(':') + modVcard::Escape(text)});
        written = true;
    }
    if (!written && !text.isEmpty())
        work.InsertAfter(-1, {QStringLiteral("NOTE:") + modVcard::Escape(text)});
}

// The lines of a number or address added here.
QStringList NewEntryLines(Work& work, const char* name, const modExport::Entry& entry, bool phone)
{
    const QString property = QString::fromLatin1(name);
    QStringList types;
    if (!phone && !work.Version4())
        types << QStringLiteral("INTERNET");
    const QStringList described = modVcard::TypesOf(entry.description, phone);
    const QString value = modVcard::Escape(entry.value);
    const auto typed = [&types] {
        return types.isEmpty() ? QString() : QStringLiteral(";TYPE=") + types.join(QLatin1Char(','));
    };
    if (entry.description.trimmed().isEmpty() || !described.isEmpty()) {
        types << described;
        return {property + typed() + QLatin1Char(':') + value};
    }
    const QString group = work.NewGroup();
    return {group + QLatin1Char('.') + property + typed() + QLatin1Char(':') + value,
            group + QStringLiteral(".X-ABLabel:") + modVcard::Escape(entry.description.trimmed())};
}

// The property with a new value or description: only its value, or its type and label.
void Rewrite(Work& work, int index, const modExport::Entry& before, const modExport::Entry& now, bool phone)
{
    const Property& property = work.At(index);
    QString value = work.RawValue(index);
    // The value's encoding goes only with a value written anew.
    QStringList drop;
    if (before.value != now.value) {
        drop << QStringLiteral("CHARSET") << QStringLiteral("ENCODING");
        const QString scheme = phone ? QStringLiteral("tel:") : QStringLiteral("mailto:");
        value = (value.trimmed().startsWith(scheme, Qt::CaseInsensitive) ? scheme : QString()) +
                modVcard::Escape(now.value);
    }
    QString group = property.group;
    QStringList extra;
    QString header;
    if (modVcard::SameDescription(before.description, now.description, phone)) {
        header = before.value != now.value ? work.HeaderWithout(index, drop, group) : work.Header(index);
    } else {
        // The types that describe nothing (PREF, VOICE, INTERNET) stay; the others give way.
        drop << QStringLiteral("TYPE");
        QStringList kept;
        for (const QString& type : property.Values(QStringLiteral("TYPE")))
            for (const QString& part : type.split(QLatin1Char(',')))
                if (!part.trimmed().isEmpty() && !modVcard::IsDescriptiveType(part))
                    kept << part.trimmed();
        const QStringList described = modVcard::TypesOf(now.description, phone);
        const int label = work.LabelOf(group);
        if (!described.isEmpty() || now.description.trimmed().isEmpty()) {
            kept << described;
            if (label >= 0)
                work.Remove(label);
        } else if (label >= 0) {
            work.Replace(label, {work.Header(label) + QLatin1Char(':') + modVcard::Escape(now.description.trimmed())});
        } else {
            group = work.NewGroup();
            extra << group + QStringLiteral(".X-ABLabel:") + modVcard::Escape(now.description.trimmed());
        }
        header = work.HeaderWithout(index, drop, group);
        if (!kept.isEmpty())
            header += QStringLiteral(";TYPE=") + kept.join(QLatin1Char(','));
    }
    work.Replace(index, QStringList{header + QLatin1Char(':') + value} + extra);
}

// The numbers (phone) or addresses of the card written as now lists them: matched by
// value, unchanged ones untouched, removed ones gone, new ones after the last of them.
void UpdateEntries(Work& work, const char* name, const std::vector<modExport::Entry>& now, bool phone,
                   const modVcard::Limits& limits)
{
    struct Shown
    {
        int index;
        modExport::Entry entry;
    };
    // The entries as the person reads them; the ones it cannot show stay as they are.
    std::vector<Shown> before;
    const int width = phone ? limits.number : limits.email;
    for (int i = 0; i < work.Count(); ++i) {
        const Property& property = work.At(i);
        if (property.name != QLatin1String(name))
            continue;
        const modExport::Entry entry{modVcard::EntryValue(property), modVcard::DescriptionOf(work.Card(), property)};
        if (entry.value.isEmpty() || entry.value.size() > width || entry.description.size() > limits.description ||
            static_cast<int>(before.size()) >= limits.entries)
            continue;
        before.push_back({i, entry});
    }
    bool same = before.size() == now.size();
    for (size_t i = 0; same && i < now.size(); ++i)
        same = before[i].entry.value == now[i].value &&
               modVcard::SameDescription(before[i].entry.description, now[i].description, phone);
    if (same)
        return;

    std::vector<int> match(now.size(), -1);
    std::vector<bool> used(before.size(), false);
    for (size_t j = 0; j < now.size(); ++j)
        for (size_t i = 0; i < before.size(); ++i)
            if (!used[i] &&
                modMerge::EntryKey(before[i].entry.value, phone) == modMerge::EntryKey(now[j].value, phone)) {
                used[i] = true;
                match[j] = static_cast<int>(i);
                break;
            }
    // In place when the kept ones keep their order and the new ones come last.
    bool inPlace = true;
    int last = -1;
    bool added = false;
    for (size_t j = 0; j < now.size(); ++j) {
        if (match[j] < 0) {
            added = true;
        } else {
            inPlace = inPlace && !added && match[j] > last;
            last = match[j];
        }
    }
    for (size_t i = 0; i < before.size(); ++i)
        if (!used[i])
            work.RemoveWithLabel(before[i].index);
    const auto write = [&](size_t j) {
        const Shown& shown = before[static_cast<size_t>(match[j])];
        if (shown.entry.value != now[j].value ||
            !modVcard::SameDescription(shown.entry.description, now[j].description, phone))
            Rewrite(work, shown.index, shown.entry, now[j], phone);
    };
    if (inPlace) {
        QStringList lines;
        for (size_t j = 0; j < now.size(); ++j) {
            if (match[j] >= 0)
                write(j);
            else
                lines << NewEntryLines(work, name, now[j], phone);
        }
        const int after = before.empty() ? LastOf(work, {QStringLiteral("TEL"), QStringLiteral("EMAIL"),
                                                         QStringLiteral("ADR"), QStringLiteral("FN")})
                                         : before.back().index;
        work.InsertAfter(after, lines);
        return;
    }
    // Reordered here: every line goes where the first of them was, in the new order.
    QStringList lines;
    for (size_t j = 0; j < now.size(); ++j) {
        if (match[j] < 0) {
            for (const QString& line : NewEntryLines(work, name, now[j], phone))
                lines << modVcard::Fold(line);
            continue;
        }
        const int index = before[static_cast<size_t>(match[j])].index;
        write(j);
        lines << work.Written(index);
        work.Remove(index);
    }
    work.InsertAfter(before.front().index, lines, true);
}

} // namespace

std::optional<modVcard::Person> PersonOf(const QByteArray& card, const modVcard::Limits& limits)
{
    const std::vector<modVcard::Card> cards = modVcard::ParseCards(card);
    if (cards.size() != 1)
        return std::nullopt;
    return PersonOf(cards.front(), limits);
}

std::optional<modVcard::Person> PersonOf(const modVcard::Card& card, const modVcard::Limits& limits)
{
    modVcard::Problem problem = modVcard::Problem::None;
    return modVcard::ToPerson(card, limits, QString(), problem, modVcard::Keeping::InCard);
}

QByteArray Updated(const QByteArray& serverCard, const modVcard::Person& now, const QByteArray& ourCard,
                   const modVcard::Limits& limits)
{
    const std::vector<modVcard::Card> cards = modVcard::ParseCards(serverCard);
    const std::optional<modVcard::Person> before = cards.size() == 1 ? PersonOf(cards.front(), limits) : std::nullopt;
    if (!before)
        return ourCard;
    // Older versions read extras into the note and every address into one: a person
    // still holding that reading changed nothing there.
    modVcard::Problem problem = modVcard::Problem::None;
    const std::optional<modVcard::Person> older = modVcard::ToPerson(
        cards.front(), limits, modSettings::Get(Setting::DateFormat), problem, modVcard::Keeping::Older);

    Work work(serverCard, cards.front());
    UpdateName(work, before->name, now.name);
    // A person stored before this version knew the fields beyond the spec's tables has
    // none of them: the card's stay as they are.
    if (now.detailsKnown) {
        UpdateBirthday(work, BirthdayValue(before->dateOfBirth, before->birthday),
                       BirthdayValue(now.dateOfBirth, now.birthday));
        UpdateText(work, "ORG", before->organisation, now.organisation);
        UpdateText(work, "TITLE", before->title, now.title);
        UpdatePhoto(work, before->photo, now.photo);
        UpdateGroups(work, before->groups, now.groups);
    } else if (now.dateOfBirth != before->dateOfBirth && (now.dateOfBirth || !before->birthday)) {
        UpdateBirthday(work, BirthdayValue(before->dateOfBirth, before->birthday),
                       BirthdayValue(now.dateOfBirth, std::nullopt));
    }
    if (!modMerge::SameText(before->address, now.address) &&
        !(older && modMerge::SameText(older->address, now.address)))
        UpdateAddress(work, now.address);
    UpdateEntries(work, "TEL", now.phones, true, limits);
    UpdateEntries(work, "EMAIL", now.emails, false, limits);
    if (!modMerge::SameText(before->note, now.note) && !(older && modMerge::SameText(older->note, now.note)))
        UpdateNote(work, now.note);
    if (!work.Changed())
        return serverCard;
    const int rev = work.First("REV");
    if (rev >= 0)
        for (const QString& line : modPersonDetail::CardLines(ourCard))
            if (line.startsWith(QLatin1String("REV:")))
                work.Replace(rev, {work.Header(rev) + line.mid(3)});
    return work.Result();
}

QString Hash(const QByteArray& ourCard)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& line : modPersonDetail::CardLines(ourCard))
        if (!line.startsWith(QLatin1String("REV:")) && !line.startsWith(QLatin1String("REV;")))
            hash.addData(line.toUtf8() + '\n');
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace modSyncCard
