// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "SyncBenchmark.h"

#include "RadicaleServer.h"
#include "SyntheticDatabase.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/modExportFiles.h"
#include "sync/CardDav.h"
#include "sync/modSync.h"
#include "sync/modSyncState.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSaveFile>

#include <cstdio>

#include <sys/resource.h>

namespace SyncBenchmark {

namespace {

struct Figure
{
    const char* what;
    double targetMs; // 0: none
    double ms = 0;
    modSync::Result result;
    double ownCpuMs = 0;    // of this process
    double serverCpuMs = 0; // of Radicale
};

double OwnCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

bool Link(const QString& path, const QUrl& server, const QUrl& book)
{
    if (!modDatabase::OpenDatabase(path))
        return false;
    modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                           {server.toString(), QString::fromLatin1(RadicaleServer::User), book.toString(), QString()});
    return true;
}

// One timed sync of the file.
bool Time(const QString& path, Figure& figure, const RadicaleServer& server)
{
    if (!modDatabase::OpenDatabase(path))
        return false;
    CardDav::Session session(QString::fromLatin1(RadicaleServer::User), QString::fromLatin1(RadicaleServer::Password));
    QElapsedTimer timer;
    const double own = OwnCpuMs();
    const double radicale = server.cpuMs();
    timer.start();
    figure.result = modSync::Synchronise(session);
    figure.ms = timer.nsecsElapsed() / 1e6;
    figure.ownCpuMs = OwnCpuMs() - own;
    figure.serverCpuMs = server.cpuMs() - radicale;
    if (!figure.result.ok)
        std::fprintf(stderr, "%s: %s\n", figure.what, qPrintable(figure.result.error));
    return figure.result.ok;
}

// Another program writing the file counts as a change as much as the editor does.
void Change(const QString& path, int first, int count)
{
    modDatabase::OpenDatabase(path);
    modSql::ExecuteSql(QStringLiteral("UPDATE Person SET [Note] = 'changed' WHERE Contactnr BETWEEN %1 AND %2")
                           .arg(first)
                           .arg(first + count - 1));
}

void Print(const std::vector<Figure>& figures, int persons, const char* title)
{
    // The figures depend on what else the machine is doing.
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray average = load.open(QIODevice::ReadOnly) ? load.readLine().trimmed() : QByteArray("?");
    std::printf("%s, %d persons (load average %s)\n", title, persons, average.constData());
    std::printf("%-52s %10s %8s %9s %9s %8s %8s %8s\n", "sync", "ms", "target", "our cpu", "server", "fetched", "sent",
                "stored");
    for (const Figure& figure : figures) {
        const modSync::Result& r = figure.result;
        const QString target = figure.targetMs > 0 ? QString::number(figure.targetMs, 'f', 0) : QStringLiteral("-");
        std::printf("%-52s %10.1f %8s %9.0f %9.0f %8d %8d %8d%s\n", figure.what, figure.ms, qPrintable(target),
                    figure.ownCpuMs, figure.serverCpuMs, r.fetched, r.sent,
                    r.receivedNew + r.receivedChanged + r.merged,
                    figure.targetMs > 0 && figure.ms > figure.targetMs ? "  MISSED" : "");
    }
    std::fflush(stdout);
}

// The five syncs against a fresh server, its fsync on or off; false when one failed.
bool Measure(const QString& folder, int persons, bool fsync, std::vector<Figure>& figures)
{
    RadicaleServer server;
    QString error;
    if (!server.start(error, false, fsync)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    const QUrl book = server.makeAddressBook(QStringLiteral("bench"), error);
    if (!book.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    // Files of their own for each server.
    const QString files = folder + (fsync ? QStringLiteral("/fsync") : QStringLiteral("/no-fsync"));
    QDir().mkpath(files);
    const QString here = files + QStringLiteral("/sync-here.mdb");
    const QString there = files + QStringLiteral("/sync-there.mdb");
    SyntheticDatabase::Create(here, persons);
    modDatabase::NewDatabase(there);
    if (!Link(here, server.url(), book) || !Link(there, server.url(), book))
        return false;

    figures = {
        {"first sync: all persons sent to an empty address book", 60000, 0, {}},
        {"first sync: all persons received into an empty file", 60000, 0, {}},
        {"no change on either side", 1000, 0, {}},
        {"10 changed on each side (the other side's 10 first)", 0, 0, {}},
        {"10 changed on each side", 2000, 0, {}},
    };
    bool ok = Time(here, figures[0], server) && Time(there, figures[1], server) && Time(here, figures[2], server);
    if (ok) {
        Change(there, 1, 10);
        ok = Time(there, figures[3], server);
        Change(here, 11, 10);
        ok = ok && Time(here, figures[4], server);
    }
    modDatabase::CloseDatabase(false);
    return ok;
}

// The cards of count synthetic persons as the program exports them, one text each.
std::vector<QByteArray> SyntheticCards(const QString& folder, int count)
{
    const QString source = folder + QStringLiteral("/cards-source.mdb");
    SyntheticDatabase::Create(source, count);
    modDatabase::OpenDatabase(source);
    modExport::Selection everybody;
    modSql::ForEachRow(QStringLiteral("SELECT Contactnr FROM Person ORDER BY Contactnr"),
                       [&everybody](const Engine::Connection::Row& row) {
                           everybody.contactnrs.push_back(static_cast<qint16>(row.Int(0)));
                       });
    everybody.photos = everybody.cards = true;
    QString error;
    const QString file = folder + QStringLiteral("/cards.vcf");
    modExportFiles::ExportVcard(everybody, nullptr, error, file);
    modDatabase::CloseDatabase(false);
    QFile read(file);
    read.open(QIODevice::ReadOnly);
    const QByteArray all = read.readAll();
    std::vector<QByteArray> cards;
    static const QByteArray end("END:VCARD\r\n");
    for (qsizetype at = 0, next = 0; (next = all.indexOf(end, at)) >= 0; at = next + end.size())
        cards.push_back(all.mid(at, next + end.size() - at));
    return cards;
}

// Puts the cards into the server's folder of the address book, each under its UID, as
// the server keeps what it is sent: far quicker than sending them one by one.
bool FillAddressBook(const RadicaleServer& server, const QString& book, const std::vector<QByteArray>& cards)
{
    const QString folder = server.addressBookFolder(book);
    int number = 0;
    for (const QByteArray& card : cards) {
        const qsizetype uid = card.indexOf("\r\nUID:");
        const QByteArray name =
            uid < 0 ? QByteArray::number(++number) : card.mid(uid + 6, card.indexOf("\r\n", uid + 6) - uid - 6);
        QSaveFile file(folder + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".vcf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(card) != card.size() || !file.commit())
            return false;
    }
    return true;
}

// Another CardDAV client, vdirsyncer, syncing the address book into an empty folder of
// files; the milliseconds it took, or a negative number when it could not run.
double TimeVdirsyncer(const QString& folder, const QUrl& book)
{
    const QString base = folder + QStringLiteral("/vdirsyncer");
    QDir(base).removeRecursively();
    QDir().mkpath(base + QStringLiteral("/cards"));
    QDir().mkpath(base + QStringLiteral("/status"));
    const QString config = base + QStringLiteral("/config");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    file.write(
        QStringLiteral("[general]\nstatus_path = \"%1/status/\"\n\n"
                       "[pair bench]\na = \"bench_files\"\nb = \"bench_server\"\ncollections = null\n\n"
                       "[storage bench_files]\ntype = \"filesystem\"\npath = \"%1/cards/\"\nfileext = \".vcf\"\n\n"
                       "[storage bench_server]\ntype = \"carddav\"\nurl = \"%2\"\nusername = \"%3\"\n"
                       "password = \"%4\"\n")
            .arg(base, book.toString(), QLatin1String(RadicaleServer::User), QLatin1String(RadicaleServer::Password))
            .toUtf8());
    file.close();
    const auto run = [&config](const QString& command) {
        QProcess process;
        process.start(QStringLiteral("vdirsyncer"), {QStringLiteral("-c"), config, command});
        process.write("y\n");
        process.closeWriteChannel();
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "vdirsyncer %s: %s%s\n", qPrintable(command), qPrintable(process.errorString()),
                         process.readAllStandardError().constData());
            return false;
        }
        return true;
    };
    if (!run(QStringLiteral("discover")))
        return -1;
    QElapsedTimer timer;
    timer.start();
    if (!run(QStringLiteral("sync")))
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

// The first receive of a filled address book into an empty file, beside vdirsyncer doing
// the same, and a sync with nothing changed on either side.
bool MeasureFilled(const QString& folder, int persons, bool compare)
{
    RadicaleServer server;
    QString error;
    if (!server.start(error, false, true)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    const QString files = folder + QStringLiteral("/filled-%1").arg(persons);
    QDir().mkpath(files);
    const QUrl book = server.makeAddressBook(QStringLiteral("filled"), error);
    if (!book.isValid() || !FillAddressBook(server, QStringLiteral("filled"), SyntheticCards(files, persons))) {
        std::fprintf(stderr, "cannot fill the address book: %s\n", qPrintable(error));
        return false;
    }
    // The server reads every card once and keeps what it learnt; the timed syncs find it so.
    CardDav::Session warm(QString::fromLatin1(RadicaleServer::User), QString::fromLatin1(RadicaleServer::Password));
    warm.Send("PROPFIND", book, CardDav::PropfindBody({QStringLiteral("d:getetag")}), {{"Depth", "1"}},
              qint64(1) << 30);
    double vdirsyncer = 0;
    if (compare) {
        TimeVdirsyncer(files, book);
        vdirsyncer = TimeVdirsyncer(files, book);
    }
    const QString here = files + QStringLiteral("/received.mdb");
    modDatabase::NewDatabase(here);
    if (!Link(here, server.url(), book))
        return false;
    std::vector<Figure> figures = {
        {"first sync: all cards received into an empty file", 0, 0, {}},
        {"no change on either side", 1000, 0, {}},
    };
    // With the program's own time limits: a listing of the full address book may keep the
    // server silent for half a minute, which the program allows for.
    const bool ok = Time(here, figures[0], server) && Time(here, figures[1], server);
    modDatabase::CloseDatabase(false);
    Print(figures, persons, "A filled address book on a local Radicale");
    if (compare)
        std::printf("%-52s %10.1f  (%s)\n", "vdirsyncer: the same cards into an empty folder", vdirsyncer,
                    vdirsyncer < 0               ? "could not run"
                    : figures[0].ms < vdirsyncer ? "Addrion faster"
                                                 : "Addrion SLOWER");
    return ok && (!compare || vdirsyncer >= 0);
}

} // namespace

int RunFilled(const QString& folder, int persons, bool compare)
{
    return MeasureFilled(folder, persons, compare) ? 0 : 1;
}

int Run(const QString& folder, int persons)
{
    std::vector<Figure> figures;
    const bool ok = Measure(folder, persons, true, figures);
    Print(figures, persons, "Sync against a local Radicale in its default configuration");
    if (!ok)
        return 1;
    // The server waits for the disk after every card it writes; how much of the time
    // that is shows against a server that does not.
    const bool unsynced = Measure(folder, persons, false, figures);
    Print(figures, persons, "The same with Radicale's fsync after every card turned off (not the default)");
    return unsynced ? 0 : 1;
}

} // namespace SyncBenchmark
