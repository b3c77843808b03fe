#include "SyncBenchmark.h"

#include "RadicaleServer.h"
#include "SyntheticDatabase.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "sync/CardDav.h"
#include "sync/modSync.h"
#include "sync/modSyncState.h"

#include <QElapsedTimer>

#include <cstdio>

namespace SyncBenchmark {

namespace {

struct Figure
{
    const char* what;
    double targetMs; // 0: none
    double ms = 0;
    modSync::Result result;
};

bool Link(const QString& path, const QUrl& server, const QUrl& book)
{
    if (!modDatabase::OpenDatabase(path))
        return false;
    modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                           {server.toString(), QString::fromLatin1(RadicaleServer::User), book.toString(), QString()});
    return true;
}

// One timed sync of the file.
bool Time(const QString& path, Figure& figure)
{
    if (!modDatabase::OpenDatabase(path))
        return false;
    CardDav::Session session(QString::fromLatin1(RadicaleServer::User), QString::fromLatin1(RadicaleServer::Password));
    QElapsedTimer timer;
    timer.start();
    figure.result = modSync::Synchronise(session);
    figure.ms = timer.nsecsElapsed() / 1e6;
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

void Print(const std::vector<Figure>& figures, int persons)
{
    std::printf("Sync against a local Radicale, %d persons\n", persons);
    std::printf("%-52s %10s %8s %8s %8s %8s\n", "sync", "ms", "target", "fetched", "sent", "stored");
    for (const Figure& figure : figures) {
        const modSync::Result& r = figure.result;
        const QString target = figure.targetMs > 0 ? QString::number(figure.targetMs, 'f', 0) : QStringLiteral("-");
        std::printf("%-52s %10.1f %8s %8d %8d %8d%s\n", figure.what, figure.ms, qPrintable(target), r.fetched, r.sent,
                    r.receivedNew + r.receivedChanged + r.merged,
                    figure.targetMs > 0 && figure.ms > figure.targetMs ? "  MISSED" : "");
    }
}

} // namespace

int Run(const QString& folder, int persons)
{
    RadicaleServer server;
    QString error;
    if (!server.start(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QUrl book = server.makeAddressBook(QStringLiteral("bench"), error);
    if (!book.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString here = folder + QStringLiteral("/sync-here.mdb");
    const QString there = folder + QStringLiteral("/sync-there.mdb");
    SyntheticDatabase::Create(here, persons);
    modDatabase::NewDatabase(there);
    if (!Link(here, server.url(), book) || !Link(there, server.url(), book))
        return 1;

    std::vector<Figure> figures{
        {"first sync: all persons sent to an empty address book", 60000, 0, {}},
        {"first sync: all persons received into an empty file", 60000, 0, {}},
        {"no change on either side", 1000, 0, {}},
        {"10 changed on each side (the other side's 10 first)", 0, 0, {}},
        {"10 changed on each side", 2000, 0, {}},
    };
    bool ok = Time(here, figures[0]) && Time(there, figures[1]) && Time(here, figures[2]);
    if (ok) {
        Change(there, 1, 10);
        ok = Time(there, figures[3]);
        Change(here, 11, 10);
        ok = ok && Time(here, figures[4]);
    }
    modDatabase::CloseDatabase(false);
    Print(figures, persons);
    return ok ? 0 : 1;
}

} // namespace SyncBenchmark
