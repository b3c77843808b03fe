#include "modSyncCard.h"

#include "interchange/modVcard.h"

#include <QCryptographicHash>
#include <QSet>

namespace modSyncCard {

namespace {

struct Line
{
    QString group; // "item1" of "item1.TEL", as written
    QString name;  // upper case
    QString text;  // the whole line
};

Line Split(const QString& text)
{
    qsizetype end = 0;
    while (end < text.size() && text.at(end) != QLatin1Char(':') && text.at(end) != QLatin1Char(';'))
        ++end;
    const QString head = text.left(end);
    const qsizetype dot = head.indexOf(QLatin1Char('.'));
    return {dot < 0 ? QString() : head.left(dot), (dot < 0 ? head : head.mid(dot + 1)).toUpper(), text};
}

QString WithGroup(const Line& line, const QString& group)
{
    return line.group.isEmpty() ? line.text : group + QLatin1Char('.') + line.text.mid(line.group.size() + 1);
}

} // namespace

QStringList Unfold(const QByteArray& card)
{
    QStringList lines;
    for (QString raw : QString::fromUtf8(card).split(QLatin1Char('\n'))) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (!raw.isEmpty() && (raw.front() == QLatin1Char(' ') || raw.front() == QLatin1Char('\t')) && !lines.isEmpty())
            lines.last() += raw.mid(1);
        else if (!raw.isEmpty())
            lines << raw;
    }
    return lines;
}

bool IsOwned(const QString& propertyName)
{
    static const QSet<QString> owned{QStringLiteral("FN"),    QStringLiteral("N"),     QStringLiteral("BDAY"),
                                     QStringLiteral("ADR"),   QStringLiteral("LABEL"), QStringLiteral("TEL"),
                                     QStringLiteral("EMAIL"), QStringLiteral("NOTE")};
    return owned.contains(propertyName);
}

QByteArray Updated(const QByteArray& serverCard, const QByteArray& ourCard)
{
    if (serverCard.isEmpty())
        return ourCard;
    std::vector<Line> server;
    for (const QString& text : Unfold(serverCard))
        server.push_back(Split(text));
    std::vector<Line> ours;
    for (const QString& text : Unfold(ourCard))
        ours.push_back(Split(text));

    // Groups of owned properties go with them (their labels); the others stay.
    QSet<QString> ownedGroups;
    for (const Line& line : server)
        if (!line.group.isEmpty() && IsOwned(line.name))
            ownedGroups.insert(line.group.toLower());
    QStringList kept;
    QSet<QString> usedGroups;
    QString revision;
    for (const Line& line : ours)
        if (line.name == QLatin1String("REV"))
            revision = line.text;
    for (const Line& line : server) {
        if (IsOwned(line.name) || ownedGroups.contains(line.group.toLower()) || line.name == QLatin1String("REV") ||
            line.name == QLatin1String("END"))
            continue;
        if (!line.group.isEmpty())
            usedGroups.insert(line.group.toLower());
        kept << line.text;
    }
    // Our groups are renamed where the server's card already uses the name.
    QHash<QString, QString> renamed;
    int next = 1;
    QStringList added;
    for (const Line& line : ours) {
        if (!IsOwned(line.name) && line.group.isEmpty())
            continue;
        if (line.group.isEmpty()) {
            added << line.text;
            continue;
        }
        QString& group = renamed[line.group.toLower()];
        if (group.isEmpty()) {
            while (usedGroups.contains(QStringLiteral("item%1").arg(next)))
                ++next;
            group = QStringLiteral("item%1").arg(next);
            usedGroups.insert(group);
        }
        added << WithGroup(line, group);
    }
    if (!revision.isEmpty())
        added << revision;
    added << QStringLiteral("END:VCARD");

    QByteArray result;
    for (const QString& line : kept + added)
        for (const QString& folded : modVcard::Fold(line))
            result += folded.toUtf8() + "\r\n";
    return result;
}

QString Hash(const QByteArray& ourCard)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& line : Unfold(ourCard))
        if (Split(line).name != QLatin1String("REV"))
            hash.addData(line.toUtf8() + '\n');
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace modSyncCard
