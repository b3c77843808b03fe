// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "mainwindow/modListOrder.h"

#include "startup/modEnvironment.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace modListOrder {

namespace {

const QByteArray Magic("Addrion list order 1\n");

// One file per database, named by a hash of its absolute path.
QString HintPath(const QString& databasePath)
{
    const QString folder = modEnvironment::CacheFolder();
    if (folder.isEmpty() || databasePath.isEmpty())
        return QString();
    const QByteArray key =
        QCryptographicHash::hash(QFileInfo(databasePath).absoluteFilePath().toUtf8(), QCryptographicHash::Sha1);
    return folder + QStringLiteral("list-order-") + QString::fromLatin1(key.toHex().left(24));
}

} // namespace

StoredNames ReadNames(Engine::Connection& connection)
{
    StoredNames stored;
    std::vector<qsizetype> starts;
    int contactColumn = -1;
    int nameColumn = -1;
    connection.ForEachRow(QStringLiteral("SELECT Contactnr, Name FROM Person"),
                          [&](const Engine::Connection::Row& row) {
                              if (contactColumn < 0) {
                                  contactColumn = row.Column(QStringLiteral("Contactnr"));
                                  nameColumn = row.Column(QStringLiteral("Name"));
                              }
                              Name name;
                              name.contactnr = static_cast<qint16>(row.Int(contactColumn));
                              name.isNull = row.IsNull(nameColumn);
                              stored.onlyText = stored.onlyText && (name.isNull || row.IsText(nameColumn));
                              starts.push_back(stored.text.size());
                              stored.text += row.Utf8(nameColumn);
                              stored.names.push_back(name);
                          });
    // Pointed to only now: the text moved as it grew.
    starts.push_back(stored.text.size());
    for (std::size_t i = 0; i < stored.names.size(); ++i)
        stored.names[i].utf8 = QByteArrayView(stored.text.constData() + starts[i], starts[i + 1] - starts[i]);
    return stored;
}

std::vector<int> Order(const std::vector<Name>& names, const std::vector<qint16>& hint)
{
    const int count = static_cast<int>(names.size());
    // "ORDER BY" is a stable sort of the rows as read, so equal names keep that order.
    const auto before = [&names](int i, int j) {
        const Name& a = names[static_cast<std::size_t>(i)];
        const Name& b = names[static_cast<std::size_t>(j)];
        if (a.isNull != b.isNull)
            return a.isNull;
        if (!a.isNull) {
            const int compared = Engine::CollateNoCase(a.utf8, b.utf8);
            if (compared != 0)
                return compared < 0;
        }
        return i < j;
    };

    std::vector<int> position(1 << 16, -1); // where each contact number was read
    for (int i = count - 1; i >= 0; --i)
        position[static_cast<std::size_t>(names[static_cast<std::size_t>(i)].contactnr + 32768)] = i;
    std::vector<char> placed(names.size(), 0);
    std::vector<int> kept; // the hint's persons that are still in order
    kept.reserve(names.size());
    std::vector<int> stray; // the others, to be sorted in
    for (const qint16 contactnr : hint) {
        const int i = position[static_cast<std::size_t>(contactnr + 32768)];
        if (i < 0 || placed[static_cast<std::size_t>(i)])
            continue;
        placed[static_cast<std::size_t>(i)] = 1;
        if (kept.empty() || before(kept.back(), i)) {
            kept.push_back(i);
        } else if (kept.size() >= 2 && before(kept[kept.size() - 2], i)) {
            // The last one kept is out of place (a renamed person), not this one.
            stray.push_back(kept.back());
            kept.back() = i;
        } else {
            stray.push_back(i);
        }
    }
    for (int i = 0; i < count; ++i)
        if (!placed[static_cast<std::size_t>(i)])
            stray.push_back(i);
    // Many names out of place (a list never ordered before) are sorted by their keys, one
    // made per name, rather than by the collator deciding pair after pair.
    if (stray.size() > 64) {
        std::vector<std::optional<QCollatorSortKey>> keys(names.size());
        for (const int i : stray)
            if (!names[static_cast<std::size_t>(i)].isNull)
                keys[static_cast<std::size_t>(i)] = Engine::NoCaseSortKey(names[static_cast<std::size_t>(i)].utf8);
        std::stable_sort(stray.begin(), stray.end(), [&](int i, int j) {
            const auto& a = keys[static_cast<std::size_t>(i)];
            const auto& b = keys[static_cast<std::size_t>(j)];
            if (a && b) {
                if (const int compared = a->compare(*b); compared != 0)
                    return compared < 0;
            }
            return before(i, j);
        });
    } else {
        // A merge sort: it compares fewer times than a quick sort, and comparing is the cost.
        std::stable_sort(stray.begin(), stray.end(), before);
    }

    std::vector<int> order;
    order.reserve(names.size());
    auto from = kept.cbegin();
    for (const int i : stray) {
        const auto to = std::upper_bound(from, kept.cend(), i, before);
        order.insert(order.end(), from, to);
        order.push_back(i);
        from = to;
    }
    order.insert(order.end(), from, kept.cend());
    return order;
}

std::vector<qint16> ReadHint(const QString& databasePath)
{
    const QString path = HintPath(databasePath);
    if (path.isEmpty())
        return {};
    // Only a regular file of this user, never through a link, and never waiting for a
    // pipe's writer.
    const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return {};
    struct stat status = {};
    QFile file;
    if (fstat(handle, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid() ||
        !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return {};
    }
    // No database holds more than 65536 numbers: a larger file is not one of ours.
    constexpr qint64 Largest = 2 * 65536;
    if (file.size() > Magic.size() + Largest)
        return {};
    const QByteArray content = file.readAll();
    if (!content.startsWith(Magic) || (content.size() - Magic.size()) % 2 != 0)
        return {};
    std::vector<qint16> contactnrs(static_cast<std::size_t>(content.size() - Magic.size()) / 2);
    qFromLittleEndian<qint16>(content.constData() + Magic.size(), static_cast<qsizetype>(contactnrs.size()),
                              contactnrs.data());
    return contactnrs;
}

void WriteHint(const QString& databasePath, const std::vector<qint16>& contactnrs)
{
    const QString path = HintPath(databasePath);
    if (path.isEmpty())
        return;
    QByteArray content = Magic;
    const qsizetype start = content.size();
    content.resize(start + static_cast<qsizetype>(contactnrs.size()) * 2);
    qToLittleEndian<qint16>(contactnrs.data(), static_cast<qsizetype>(contactnrs.size()), content.data() + start);
    // Whatever else holds the name (a link, a pipe) goes first: the new file replaces
    // the name itself, never what it points to.
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && (existing.isSymLink() || !existing.isFile()))
        QFile::remove(path);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        file.commit();
}

} // namespace modListOrder
