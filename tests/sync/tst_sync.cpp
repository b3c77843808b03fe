// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "CannedTcpServer.h"
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "MainWindowFixture.h"
#include "RadicaleServer.h"
#include "SecondClient.h"
#include "TwoRows.h"

#include "database/modPersonDetail.h"
#include "database/modPersonUid.h"
#include "editor/modContact.h"
#include "interchange/modDuplicates.h"
#include "interchange/modMerge.h"
#include "interchange/modVcardImport.h"
#include "mainwindow/RegisterWindows.h"
#include "sync/CardDav.h"
#include "sync/frmSync.h"
#include "sync/frmSyncResult.h"
#include "sync/modSync.h"
#include "sync/modSyncCard.h"
#include "sync/modSyncPassword.h"
#include "sync/modSyncPlan.h"
#include "sync/modSyncState.h"
#include "widgets/FailureDialog.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTcpServer>
#include <QTextBrowser>

using TestSupport::addRow;
using TestSupport::control;

// tests/sync/hostile_server.py in one of its modes, on a free loopback port, with a second listener on 127.0.0.2
// (another origin) that only records what reaches it; stopped when this goes.
struct HostileServer
{
    QProcess process;
    QString logPath;
    quint16 port = 0;
    quint16 otherPort = 0;

    ~HostileServer()
    {
        process.kill();
        process.waitForFinished();
    }
    bool start(const QString& mode, const QString& log)
    {
        const auto freePort = [](const QHostAddress& address) {
            QTcpServer probe;
            probe.listen(address);
            return probe.serverPort();
        };
        port = freePort(QHostAddress::LocalHost);
        otherPort = freePort(QHostAddress("127.0.0.2"));
        logPath = log;
        process.start("python3", {TestSupport::sourceDir() + "/tests/sync/hostile_server.py", QString::number(port),
                                  QString::number(otherPort), mode, log});
        if (!process.waitForStarted()) {
            qWarning("python3 is missing (Debian package python3)");
            return false;
        }
        const QDeadlineTimer deadline(10000);
        while (!this->log().startsWith("ready") && !deadline.hasExpired())
            QTest::qWait(20);
        return this->log().startsWith("ready");
    }
    // Every request so far, one line each.
    QString log() const
    {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QUrl book() const { return QUrl(QString("http://127.0.0.1:%1/book/").arg(port)); }
};

// The sync plan and the cards sent as plain values; two files kept in step through a real Radicale server.
class TestSync : public QObject
{
    Q_OBJECT

    RadicaleServer m_server;
    RadicaleServer m_tlsServer; // started by the first test that needs it
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    QUrl m_book;
    int m_books = 0;

    QString file(const char* name) const { return m_dir->filePath(name); }

    void open(const QString& path) { QVERIFY(ShowOutcome(modDatabase::OpenDatabase(path))); }

    modSync::Result sync(const QString& path, modSync::Options options = modSync::Options(),
                         const QString& password = RadicaleServer::Password)
    {
        open(path);
        CardDav::Session session(RadicaleServer::User, password);
        return modSync::Synchronise(session, options);
    }
    static void add(const QString& name, const QString& phone)
    {
        QVERIFY(modContact::SaveNewPerson({name, "", "", "", {modContact::TypedEntry(phone, "")}, {}, {}, {}, {}, {}}));
    }
    static qint16 numberOf(const QString& name)
    {
        return qint16(
            modSql::OpenRecordset("SELECT Contactnr FROM Person WHERE Name = '" + name + "'").Fields(0).toInt());
    }
    static void edit(const QString& name, const QString& newName, const QStringList& phones)
    {
        // As the editor saves: the fields it does not touch here stay as they are.
        modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(numberOf(name)));
        contact.name = newName;
        contact.dateOfBirth.clear();
        contact.address.clear();
        contact.note.clear();
        contact.phones.clear();
        contact.emails.clear();
        for (const QString& phone : phones)
            contact.phones.push_back(modContact::TypedEntry(phone, ""));
        modContact::SaveExistingPerson(numberOf(name), contact);
    }
    static void remove(const QString& name)
    {
        const qint16 number = numberOf(name);
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (const char* table : {"Phone", "Email", "Person"})
            runSql(QString("DELETE FROM %1 WHERE Contactnr = %2").arg(table).arg(number));
        transaction.Commit();
    }

    // "name: phone, phone" of every person of the file, by name.
    QStringList persons(const QString& path)
    {
        open(path);
        QStringList result;
        for (const QString& person : dumpPersons())
            result << person.section(" # ", 0, 0) + ": " + person.section(" # ", 3, 3).replace(" | ", ", ");
        return result;
    }

    // The cards on the server, as another client reads them.
    QList<QByteArray> serverCards()
    {
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
        const CardDav::Response listing =
            session.Send("PROPFIND", m_book, CardDav::PropfindBody({"d:getetag"}), {{"Depth", "1"}});
        QList<QByteArray> cards;
        for (const CardDav::Item& item : CardDav::ParseMultistatus(listing.body).items)
            if (item.href.endsWith(".vcf"))
                cards << session.Send("GET", m_book.resolved(QUrl(item.href))).body;
        return cards;
    }
    // Another client stores the card under the name.
    int put(const QString& name, const QByteArray& card)
    {
        CardDav::Session other(RadicaleServer::User, RadicaleServer::Password);
        return other.Send("PUT", m_book.resolved(QUrl(name)), card).status;
    }

    // A vCard 3.0 of these lines.
    static QByteArray card(const QStringList& lines)
    {
        return ("BEGIN:VCARD\r\nVERSION:3.0\r\n" + lines.join("\r\n") + "\r\nEND:VCARD\r\n").toUtf8();
    }
    // A card as a phone keeps it: structured name, a birthday without a year, typed
    // addresses, numbers and e-mail with PREF, an organisation, a photo, a field of its own.
    static QStringList richCard()
    {
        return {"UID:rich-1",
                "N:García López;José;;Dr.;Jr.",
                "FN:Dr. José García López Jr.",
                "BDAY:--0414",
                "ADR;TYPE=WORK:;;Calle Mayor 1;Madrid;;28013;Spain",
                "ADR;TYPE=HOME:;;Hauptstr. 5;München;;80331;Germany",
                "TEL;TYPE=WORK,FAX:+34 91 555 0101",
                "TEL;TYPE=CELL,PREF:+34 600 000 001",
                "EMAIL;TYPE=INTERNET,PREF:jose@example.org",
                "ORG:Acme;Sales",
                "PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB",
                "X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Pepe",
                "NOTE:Met at the fair",
                "REV:20250101T000000Z"};
    }

    // A main window on a.mdb linked to the book, the password known for this session.
    void openWindow(frmMain& window, const QUrl& book, const QString& password)
    {
        RegisterWindows(window);
        window.show();
        link(file("a.mdb"), book, false);
        modSyncPassword::Write(modSyncPassword::Key(RadicaleServer::User, book.toString()), password);
        add("Anna", "0101");
    }

    void link(const QString& path, const QUrl& book, bool create = true)
    {
        if (create)
            QVERIFY(ShowOutcome(modDatabase::NewDatabase(path)));
        else
            open(path);
        modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                               {book.toString(), RadicaleServer::User, book.toString(), QString()});
    }

    // Runs "addrion /Sync" on a.mdb as the default database, to its end or until stop()
    // says so (then it is killed). The exit code, -1 when killed.
    int runSyncCommand(const QString& password, QString* out, QString* err, const std::function<bool()>& stop = nullptr)
    {
        modDatabase::CloseDatabase(false);
        TestSupport::writeSetting("Default database", file("a.mdb"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!password.isNull())
            environment.insert("ADDRION_SYNC_PASSWORD", password);
        else
            environment.remove("ADDRION_SYNC_PASSWORD");
        environment.remove("DBUS_SESSION_BUS_ADDRESS"); // the secret store is not asked in tests
        process.setProcessEnvironment(environment);
        process.start(TestSupport::executable(), {"/Sync"});
        if (!process.waitForStarted())
            return -2;
        const QDeadlineTimer deadline(120000);
        while (stop && !stop() && !deadline.hasExpired() && !process.waitForFinished(20)) {
        }
        if (stop && process.state() == QProcess::Running) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        process.waitForFinished(120000);
        *out = QString::fromLocal8Bit(process.readAllStandardOutput());
        *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void initTestCase()
    {
        TestSupport::prepareSyncTests();
        QString error;
        QVERIFY2(m_server.start(error), qPrintable(error));
    }

    void init()
    {
        TestSupport::clearSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<ScriptedPlatform>();
        QString error;
        m_book = m_server.makeAddressBook(QString("book%1").arg(++m_books), error);
        QVERIFY2(m_book.isValid(), qPrintable(error));
        link(file("a.mdb"), m_book);
        link(file("b.mdb"), m_book);
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    // Cards as "a:1": uid a (href a.vcf), hash or etag 1; "a:1:2" for an entry of the last
    // sync: hash 1, etag 2. Operations as "Action uid href etag", "?" after them when the
    // user is asked first.
    void plan_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString>("here", "there", "last", "operations");
        addRow("first sync, both empty", "", "", "", "");
        addRow("first sync, new on both sides", "a:1", "x:7", "", "DownloadNew  x.vcf 7;UploadNew a  ");
        addRow("nothing changed", "a:1", "a:2", "a:1:2", "");
        addRow("changed here", "a:9", "a:2", "a:1:2", "Upload a a.vcf 2");
        addRow("changed there", "a:1", "a:3", "a:1:2", "Download a a.vcf 3");
        addRow("changed on both sides", "a:9", "a:3", "a:1:2", "Merge a a.vcf 3");
        addRow("removed here, unchanged there", "b:1 c:1 d:1", "a:2 b:1 c:1 d:1", "a:1:2 b:1:1 c:1:1 d:1:1",
               "DeleteRemote a a.vcf 2");
        addRow("removed there, unchanged here", "a:1 b:1 c:1 d:1", "b:1 c:1 d:1", "a:1:2 b:1:1 c:1:1 d:1:1",
               "DeleteLocal a a.vcf ");
        addRow("removed here, changed there: restored here", "b:1 c:1 d:1", "a:3 b:1 c:1 d:1",
               "a:1:2 b:1:1 c:1:1 d:1:1", "Download a a.vcf 3");
        addRow("removed there, changed here: restored there", "a:9 b:1 c:1 d:1", "b:1 c:1 d:1",
               "a:1:2 b:1:1 c:1:1 d:1:1", "UploadNew a a.vcf ");
        addRow("removed on both sides", "b:1 c:1 d:1", "b:1 c:1 d:1", "a:1:2 b:1:1 c:1:1 d:1:1", "Forget a a.vcf ");
        addRow("downloads run before uploads", "a:9 n:1", "a:2 m:5", "a:1:2",
               "DownloadNew  m.vcf 5;Upload a a.vcf 2;UploadNew n  ");
        addRow("more than half removed here: ask", "c:1", "a:2 b:2 c:2", "a:1:2 b:1:2 c:1:2",
               "DeleteRemote a a.vcf 2;DeleteRemote b b.vcf 2?");
        addRow("half removed there: no question", "a:1 b:1", "b:2", "a:1:2 b:1:2", "DeleteLocal a a.vcf ");
        addRow("last person removed here, changed there: restored, no question", "", "a:3", "a:1:2",
               "Download a a.vcf 3");
        addRow("server emptied: ask", "a:1", "", "a:1:2", "DeleteLocal a a.vcf ?");
    }
    void plan()
    {
        auto [here, there, last] = TestSupport::fetch<QString, QString, QString>("here", "there", "last");
        std::vector<modSyncPlan::LocalCard> local;
        for (const QString& item : here.split(' ', Qt::SkipEmptyParts))
            local.push_back({item.section(':', 0, 0), item.section(':', 1, 1)});
        std::vector<modSyncPlan::RemoteCard> remote;
        for (const QString& item : there.split(' ', Qt::SkipEmptyParts))
            remote.push_back({item.section(':', 0, 0) + ".vcf", item.section(':', 1, 1)});
        std::vector<modSyncPlan::Known> known;
        for (const QString& item : last.split(' ', Qt::SkipEmptyParts))
            known.push_back({item.section(':', 0, 0), item.section(':', 1, 1), item.section(':', 0, 0) + ".vcf",
                             item.section(':', 2, 2)});
        const modSyncPlan::Plan plan = modSyncPlan::MakePlan(local, remote, known);
        QStringList found;
        for (const modSyncPlan::Operation& operation : plan.operations)
            found << QStringList{modSyncPlan::ActionName(operation.action), operation.uid, operation.href,
                                 operation.etag}
                         .join(' ');
        QTEST(found.join(';') + (plan.needsConfirmation ? "?" : ""), "operations");
    }

    // A person edited here is written into the server's last card field by field: card in, one edit, card out.
    void writeBack_data()
    {
        TestSupport::addColumns<QStringList, QString, QString, QStringList>("in", "field", "value", "out");
        const QStringList rich = richCard();
        // The rich card with lines replaced ("" removes one).
        const auto with = [&rich](const QStringList& from, const QStringList& to) {
            QStringList lines;
            for (const QString& line : rich) {
                const qsizetype at = from.indexOf(line);
                if (at < 0 || !to.at(at).isEmpty())
                    lines << (at < 0 ? line : to.at(at));
            }
            return lines;
        };
        const QString rev = "REV:20261207T100000Z";
        const QString oldRev = "REV:20250101T000000Z";
        addRow("nothing edited: the same bytes", rich, "none", "", rich);
        addRow("note", rich, "note", "Met at the fair in May",
               with({"NOTE:Met at the fair", oldRev}, {"NOTE:Met at the fair in May", rev}));
        addRow("name: FN follows, the phone's own N stays", rich, "name", "José García",
               with({"FN:Dr. José García López Jr.", oldRev}, {"FN:José García", rev}));
        addRow("name: an N made from the old name follows", QStringList{"N:Berg;Anna;;;", "FN:Anna Berg"}, "name",
               "Anna Lind", QStringList{"N:Lind;Anna;;;", "FN:Anna Lind"});
        addRow("date of birth set over a year-less one", rich, "dob", "1965-04-14",
               with({"BDAY:--0414", oldRev}, {"BDAY:1965-04-14", rev}));
        addRow("a description in other words of another language: nothing changes", rich, "phones",
               "+34 91 555 0101/Geschäftlich Fax;+34 600 000 001/Mobil", rich);
        addRow("a description changed: only the type, PREF stays", rich, "phones",
               "+34 91 555 0101/Work Fax;+34 600 000 001/Work",
               with({"TEL;TYPE=CELL,PREF:+34 600 000 001", oldRev}, {"TEL;TYPE=PREF,WORK:+34 600 000 001", rev}));
        addRow("a description that is no type: a label", rich, "phones",
               "+34 91 555 0101/Work Fax;+34 600 000 001/Boat",
               with({"TEL;TYPE=CELL,PREF:+34 600 000 001", oldRev},
                    {"item1.TEL;TYPE=PREF:+34 600 000 001\r\nitem1.X-ABLabel:Boat", rev}));
        addRow("a number removed, one added after the others", rich, "phones",
               "+34 600 000 001/Mobile;0171 2345678/Mobile",
               with({"TEL;TYPE=WORK,FAX:+34 91 555 0101", "TEL;TYPE=CELL,PREF:+34 600 000 001", oldRev},
                    {"", "TEL;TYPE=CELL,PREF:+34 600 000 001\r\nTEL;TYPE=CELL:0171 2345678", rev}));
        addRow("numbers reordered: the lines as they were, in the new order", rich, "phones",
               "+34 600 000 001/Mobile;+34 91 555 0101/Work Fax",
               with({"TEL;TYPE=WORK,FAX:+34 91 555 0101", "TEL;TYPE=CELL,PREF:+34 600 000 001", oldRev},
                    {"TEL;TYPE=CELL,PREF:+34 600 000 001", "TEL;TYPE=WORK,FAX:+34 91 555 0101", rev}));
        addRow("an e-mail address described in German: its type", rich, "emails", "jose@example.org/Privat",
               with({"EMAIL;TYPE=INTERNET,PREF:jose@example.org", oldRev},
                    {"EMAIL;TYPE=INTERNET,PREF,HOME:jose@example.org", rev}));
        addRow("the shown address edited: structured, its type kept, the other untouched", rich, "address",
               "Calle Mayor 2\n28013 Madrid\nSpain",
               with({"ADR;TYPE=WORK:;;Calle Mayor 1;Madrid;;28013;Spain", oldRev},
                    {"ADR;TYPE=WORK:;;Calle Mayor 2;Madrid;;28013;Spain", rev}));
        addRow("the preferred address is the one shown",
               QStringList{"FN:Anna", "ADR;TYPE=HOME:;;Home 1;Town;;;", "ADR;TYPE=WORK,PREF:;;Work 1;Town;;;"},
               "address", "Work 2\n1234 AB Town",
               QStringList{"FN:Anna", "ADR;TYPE=HOME:;;Home 1;Town;;;", "ADR;TYPE=WORK,PREF:;;Work 2;AB Town;;1234;"});
        addRow("an address of lines of no known shape: all of it as the street", QStringList{"FN:Anna"}, "address",
               "12 Main St\nSpringfield, IL 62704",
               QStringList{"FN:Anna", "ADR:;;12 Main St\\nSpringfield\\, IL 62704;;;;"});
        addRow("a birthday without a year moved", rich, "birthday", "--12-24",
               with({"BDAY:--0414", oldRev}, {"BDAY:--1224", rev}));
        addRow("a birthday without a year removed", rich, "birthday", "", with({"BDAY:--0414", oldRev}, {"", rev}));
        addRow("the organisation edited: one line", rich, "organisation", "Acme",
               with({"ORG:Acme;Sales", oldRev}, {"ORG:Acme", rev}));
        addRow("a title added after the organisation", rich, "title", "Engineer, Sales",
               with({"ORG:Acme;Sales", oldRev}, {"ORG:Acme;Sales\r\nTITLE:Engineer\\, Sales", rev}));
        addRow("the photo replaced", rich, "photo", "/9j/4AAQ",
               with({"PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB", oldRev}, {"PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ", rev}));
        addRow("the photo removed", rich, "photo", "",
               with({"PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB", oldRev}, {"", rev}));
        addRow("a person stored before those fields were known leaves them to the card", rich, "unknown", "", rich);
        addRow("an older version's reading (addresses joined, extras in the note) changed nothing", rich, "older",
               "Work:\nCalle Mayor 1\n28013 Madrid\nSpain\n\nHome:\nHauptstr. 5\n80331 München\nGermany|"
               "Met at the fair\n\nDate of birth: 14/04\nOrganisation: Acme, Sales",
               rich);
        addRow("a card of old phones: bare types, a quoted-printable note kept as it is",
               QStringList{"FN:Anna", "TEL;CELL:0101", "NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9=", "au lait"},
               "phones", "0101/Work",
               QStringList{"FN:Anna", "TEL;TYPE=WORK:0101", "NOTE;ENCODING=QUOTED-PRINTABLE:caf=C3=A9=", "au lait"});
        const QStringList grouped{"FN:Anna", "ORG:Acme", "CATEGORIES:Family,Friends", "NOTE:a"};
        addRow("groups changed: their one line", grouped, "groups", "Family;Chess club",
               QStringList{"FN:Anna", "ORG:Acme", "CATEGORIES:Family,Chess club", "NOTE:a"});
        addRow("the same groups in another order and case: nothing changes", grouped, "groups", "friends;FAMILY",
               grouped);
        addRow("groups on two lines: one stays, written anew",
               QStringList{"FN:Anna", "CATEGORIES:Family", "NOTE:a", "item2.CATEGORIES:Friends"}, "groups",
               "Family;Work\\, old", QStringList{"FN:Anna", "CATEGORIES:Family,Work\\, old", "NOTE:a"});
        addRow("groups added after the organisation", QStringList{"FN:Anna", "ORG:Acme", "NOTE:a"}, "groups", "Family",
               QStringList{"FN:Anna", "ORG:Acme", "CATEGORIES:Family", "NOTE:a"});
        addRow("every group taken away", grouped, "groups", "", QStringList{"FN:Anna", "ORG:Acme", "NOTE:a"});
        const QString longName = "Dr. " + QString(110, QChar('x'));
        addRow("a name longer than its column stays whole", QStringList{"FN:" + longName, "NOTE:a"}, "note", "b",
               QStringList{"FN:" + longName, "NOTE:b"});
    }
    void writeBack()
    {
        auto [in, field, value, out] =
            TestSupport::fetch<QStringList, QString, QString, QStringList>("in", "field", "value", "out");
        const QByteArray server = card(in);
        const modVcard::Limits limits;
        std::optional<modVcard::Person> person = modSyncCard::PersonOf(server, limits);
        QVERIFY(person);
        const auto entries = [&value] {
            std::vector<modExport::Entry> list;
            for (const QString& item : value.split(';'))
                list.push_back({item.section('/', 0, 0), item.section('/', 1)});
            return list;
        };
        if (field == "note")
            person->note = value;
        else if (field == "name")
            person->name = value;
        else if (field == "dob")
            person->dateOfBirth = QDate::fromString(value, Qt::ISODate);
        else if (field == "address")
            person->address = value;
        else if (field == "phones")
            person->phones = entries();
        else if (field == "emails")
            person->emails = entries();
        else if (field == "birthday")
            person->birthday = modPersonDetail::ParseMonthDay(value);
        else if (field == "organisation")
            person->organisation = value;
        else if (field == "title")
            person->title = value;
        else if (field == "photo")
            person->photo = QByteArray::fromBase64(value.toLatin1());
        else if (field == "groups")
            person->groups = value.isEmpty() ? QStringList() : value.replace("\\,", ",").split(';');
        if (field == "older" || field == "unknown") {
            // What an older version stored: none of the fields beyond the spec's tables.
            person->detailsKnown = false;
            person->birthday.reset();
            person->organisation.clear();
            person->title.clear();
            person->photo.clear();
        }
        if (field == "older")
            std::tie(person->address, person->note) = std::pair(value.section('|', 0, 0), value.section('|', 1));
        const QByteArray ours = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:x\r\nREV:20261207T100000Z\r\nEND:VCARD\r\n";
        QCOMPARE(QString(modSyncCard::Updated(server, *person, ours, limits)).split("\r\n"),
                 QString(card(out)).split("\r\n"));
        // Without a card of the server, ours goes as it is.
        QCOMPARE(modSyncCard::Updated(QByteArray(), *person, ours, limits), ours);
    }

    // Both sides' changes since the card they last agreed on: "name: numbers | note".
    void mergedSince_data()
    {
        TestSupport::addColumns<QString, QString, QString, QString>("base", "here", "there", "merged");
        addRow("a description changed there wins over an unchanged one", "Anna: 0101 Home", "Anna: 0101 Home, 0303",
               "Anna: 0101 Work", "Anna: 0101 (Work), 0303 | ");
        addRow("removed there, unchanged here: gone", "Anna: 0101, 0202", "Anna: 0101, 0202, 0303", "Anna: 0101",
               "Anna: 0101, 0303 | ");
        addRow("removed here, unchanged there: gone", "Anna: 0101, 0202", "Anna: 0101", "Anna: 0101, 0202, 0404",
               "Anna: 0101, 0404 | ");
        addRow("removed there, described anew here: kept", "Anna: 0101, 0202 Home", "Anna: 0101, 0202 Work",
               "Anna: 0101", "Anna: 0101, 0202 (Work) | ");
        addRow("described differently on both sides: the other one in the note", "Anna: 0101 Home", "Anna: 0101 Work",
               "Anna: 0101 Mobile", "Anna: 0101 (Work) | Number: 0101 (Mobile)");
        addRow("the same type in two languages is no change", "Anna: 0101 Home", "Anna: 0101 Privat", "Anna: 0101 Home",
               "Anna: 0101 (Home) | ");
        addRow("a name changed there, a number here", "Anna: 0101", "Anna: 0101, 0202", "Anna Berg: 0101",
               "Anna Berg: 0101, 0202 | ");
        addRow("names changed on both sides: ours, theirs noted", "Anna: 0101", "Anna B: 0101", "Anna Berg: 0101",
               "Anna B: 0101 | Name: Anna Berg");
    }
    void mergedSince()
    {
        auto [base, here, there, merged] =
            TestSupport::fetch<QString, QString, QString, QString>("base", "here", "there", "merged");
        const auto person = [](const QString& text) {
            modVcard::Person person;
            person.name = text.section(": ", 0, 0);
            for (const QString& item : text.section(": ", 1).split(", "))
                person.phones.push_back({item.section(' ', 0, 0), item.section(' ', 1)});
            return person;
        };
        const modContact::Contact contact =
            modMerge::MergedSince(person(base), person(here), person(there), modVcard::Limits(), "dd/mm/yyyy");
        QStringList phones;
        for (const modContact::Entry& entry : contact.phones)
            phones << entry.text;
        QCOMPARE(contact.name + ": " + phones.join(", ") + " | " + contact.note, merged);
    }
    // A server's answer cut short (found by fuzzing) lists nothing, not the part that arrived.
    void brokenAnswerListsNothing()
    {
        const QByteArray whole = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\"><d:response>"
                                 "<d:href>/book/a.vcf</d:href><d:propstat><d:prop><d:getetag>\"1\"</d:getetag>"
                                 "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
                                 "<d:sync-token>t1</d:sync-token></d:multistatus>";
        for (const QByteArray& xml :
             {whole, whole.left(whole.indexOf("<d:sync-token>")), QByteArray("<d:error xmlns:d=\"DAV:\"/>")}) {
            const CardDav::Multistatus answer = CardDav::ParseMultistatus(xml);
            QCOMPARE(answer.valid, xml == whole);
            QCOMPARE(int(answer.items.size()), xml == whole ? 1 : 0);
            QCOMPARE(answer.syncToken.isEmpty(), xml != whole);
        }
    }

    // Adding, editing and removing on each side reaches the other, listed either way, also
    // after the server forgot the sync token; a card that is no person is left alone.
    void bothWays_data() { TestSupport::addTwoRows("syncCollection", "PROPFIND listing", "sync-collection"); }
    void bothWays()
    {
        QFETCH(bool, syncCollection);
        modSync::Options options;
        options.useSyncCollection = syncCollection;
        // What a sync of the file moved, and how the server's cards were listed.
        const auto synced = [&](const char* name) {
            const modSync::Result r = sync(file(name), options);
            return r.ok ? QString::asprintf("sent %d, new %d, changed %d, merged %d, removed here %d, there %d, %s",
                                            r.sent, r.receivedNew, r.receivedChanged, r.merged, r.removedHere,
                                            r.removedThere, r.listedBySyncCollection ? "sync-collection" : "PROPFIND")
                        : r.error;
        };
        const QString listed = syncCollection ? "sync-collection" : "PROPFIND";
        open(file("a.mdb"));
        add("Anna", "0101");
        add("Bob", "0202");
        QCOMPARE(synced("a.mdb"), "sent 2, new 0, changed 0, merged 0, removed here 0, there 0, " + listed);
        // Another client adds a card that is no person.
        QCOMPARE(put("group-1.vcf", "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:group-1\r\nKIND:group\r\nFN:Friends\r\n"
                                    "MEMBER:urn:uuid:x\r\nEND:VCARD\r\n"),
                 201);
        QCOMPARE(synced("b.mdb"), "sent 0, new 2, changed 0, merged 0, removed here 0, there 0, " + listed);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));

        edit("Anna", "Anna Berg", {"0101", "0303"}); // in b
        remove("Bob");
        QVERIFY(sync(file("b.mdb"), options).ok);
        QCOMPARE(synced("a.mdb"), "sent 0, new 0, changed 1, merged 0, removed here 1, there 0, " + listed);
        QCOMPARE(persons(file("a.mdb")), QStringList{"Anna Berg: 0101, 0303"});

        // A sync token the server no longer knows: everything is listed afresh, nothing twice.
        open(file("b.mdb"));
        add("Cleo", "0404");
        QVERIFY(sync(file("b.mdb"), options).ok);
        open(file("a.mdb"));
        modSyncState::SaveSyncToken(modDatabase::DatabaseConnection(),
                                    "http://radicale.org/ns/sync/" + QString(64, QChar('e')));
        QCOMPARE(synced("a.mdb"), "sent 0, new 1, changed 0, merged 0, removed here 0, there 0, " + listed);
        QCOMPARE(persons(file("a.mdb")), (QStringList{"Anna Berg: 0101, 0303", "Cleo: 0404"}));
        QCOMPARE(synced("a.mdb"), "sent 0, new 0, changed 0, merged 0, removed here 0, there 0, " + listed);
        // The card that is no person is left alone on both sides.
        const QList<QByteArray> cards = serverCards();
        QCOMPARE(cards.size(), 3);
        QCOMPARE(std::count_if(cards.begin(), cards.end(),
                               [](const QByteArray& card) { return card.contains("KIND:group"); }),
                 1);
    }

    // A database whose numbers are all used reports it when a new person arrives and stores nothing.
    void numbersExhausted()
    {
        open(file("b.mdb"));
        add("Bob", "0202");
        QVERIFY(sync(file("b.mdb")).ok);
        open(file("a.mdb"));
        DatabaseFixture::addPersons(32767);
        // What comes from the server is stored before anything is sent.
        const modSync::Result result = sync(file("a.mdb"));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("No further person can be added"), qPrintable(result.error));
        QCOMPARE(countRows("Person"), 32767);
        QCOMPARE(countSelected("SELECT * FROM Person WHERE Name = 'Bob'"), 0);
    }

    // A person changed on both sides is merged; one removed here but changed there comes
    // back. One merged into another here leaves the server too, unless it was changed there:
    // then the change wins and it comes back. The record of the merge is used up.
    void conflicts_data()
    {
        // there: "name: phones" as another device saves them; here: what this file does;
        // merged: how many persons the sync merged
        TestSupport::addColumns<QString, QString, int, QStringList>("there", "here", "merged", "expected");
        addRow("changed on both sides", "Anna: 0101, 0202", "edit", 1,
               QStringList{"Anna: 0101, 0303, 0202", "Anna B: 0202"});
        addRow("removed there, added here: both sides' changes", "Anna: 0202", "edit", 1,
               QStringList{"Anna: 0303, 0202", "Anna B: 0202"});
        addRow("removed here, changed there", "Anna: 0202", "remove", 0, QStringList{"Anna: 0202", "Anna B: 0202"});
        addRow("merged away, unchanged there", "", "merge", 0, QStringList{"Anna: 0101, 0202"});
        addRow("merged away, changed there", "Anna B: 0909", "merge", 0,
               QStringList{"Anna: 0101, 0202", "Anna B: 0909"});
        addRow("merged away, no sync state", "", "merge, state lost", 1, QStringList{"Anna: 0101, 0202"});
    }
    void conflicts()
    {
        auto [there, here, merged, expected] =
            TestSupport::fetch<QString, QString, int, QStringList>("there", "here", "merged", "expected");
        open(file("a.mdb"));
        add("Anna", "0101");
        add("Anna B", "0202");
        QVERIFY(sync(file("a.mdb")).ok);
        QVERIFY(sync(file("b.mdb")).ok);
        if (!there.isEmpty()) {
            const QString name = there.section(": ", 0, 0);
            edit(name, name, there.section(": ", 1).split(", "));
            QVERIFY(sync(file("b.mdb")).ok);
        }
        open(file("a.mdb"));
        if (here == "edit") {
            edit("Anna", "Anna", {"0101", "0303"});
        } else if (here == "remove") {
            remove("Anna");
        } else {
            if (here.endsWith("state lost"))
                runSql("DELETE FROM SyncState");
            modDuplicates::MergeGroups({{numberOf("Anna"), {numberOf("Anna B")}}}, QString());
            QCOMPARE(modDuplicates::MergedUids().size(), 1);
        }
        const modSync::Result result = sync(file("a.mdb"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.merged, merged);
        QCOMPARE(persons(file("a.mdb")), expected);
        QVERIFY(modDuplicates::MergedUids().isEmpty());
        QCOMPARE(serverCards().size(), expected.size());
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), expected);
    }

    // Another client's photo and organisation survive an edit here; what we send reads in another parser.
    void foreignPropertiesSurvive()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        const QString uid = modPersonUid::Identities(modDatabase::DatabaseConnection()).begin()->uid;
        QCOMPARE(put(uid + ".vcf", serverCards().value(0).replace(
                                       "END:VCARD", "ORG:Acme\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB\r\nEND:VCARD")) /
                     100,
                 2);
        QVERIFY(sync(file("a.mdb")).ok);
        edit("Anna", "Anna", {"0202"});
        QVERIFY(sync(file("a.mdb")).ok);
        const QByteArray card = serverCards().value(0);
        QVERIFY2(card.contains("PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB") && card.contains("ORG:Acme"), card.constData());
        QVERIFY2(card.contains("TEL:0202") && !card.contains("TEL:0101"), card.constData());
        QStringList parsed;
        QString error;
        QVERIFY2(TestSupport::readWithVobject(card, parsed, error), qPrintable(error));
        QCOMPARE(parsed, QStringList{uid + "\tAnna"});
    }

    // A person imported from a vCard file goes up with everything its card held, on the first sync.
    void importedCardGoesUpWhole()
    {
        open(file("a.mdb"));
        QByteArray vcf =
            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:imported-1\r\nFN:Pepe Ruiz\r\nNICKNAME:Pepe\r\n"
            "X-CUSTOM-FIELD;X-KIND=test:kept\r\nURL:https://pepe.example.org/\r\n"
            "ADR;TYPE=HOME:;;Home 1;Town;;;\r\nADR;TYPE=WORK:;;Work 2;City;;;\r\nTEL:0101\r\nEND:VCARD\r\n";
        QBuffer buffer(&vcf);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(modVcardImport::ImportCards(buffer).added, 1);
        QVERIFY(sync(file("a.mdb")).ok);
        const QByteArray card = serverCards().value(0);
        for (const char* line : {"UID:imported-1", "NICKNAME:Pepe", "X-CUSTOM-FIELD;X-KIND=test:kept",
                                 "URL:https://pepe.example.org/", "ADR;TYPE=WORK:;;Work 2;City;;;", "TEL:0101"})
            QVERIFY2(card.contains(line), card.constData());
    }

    // What persons hold beyond the three tables goes both ways: set here, it reaches the server's card;
    // changed there (a new photo on the phone), it arrives here; a second client sees it all.
    void detailsBothWays()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        const qint16 anna = numberOf("Anna");
        modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(anna));
        contact.organisation = "Acme";
        contact.title = "Engineer";
        contact.birthday = modPersonDetail::MonthDay{4, 14};
        contact.photo = QByteArray("\xFF\xD8\xFF\xE0 first photo");
        modContact::SaveExistingPerson(anna, contact);
        QVERIFY(sync(file("a.mdb")).ok);
        QByteArray card = serverCards().value(0);
        for (const QByteArray& line : {QByteArray("ORG:Acme"), QByteArray("TITLE:Engineer"), QByteArray("BDAY:--0414"),
                                       "PHOTO;ENCODING=b;TYPE=JPEG:" + contact.photo.toBase64()})
            QVERIFY2(card.contains(line), card.constData());

        const QByteArray second("\xFF\xD8\xFF\xE0 taken on the phone");
        const QString uid = modPersonUid::Identities(modDatabase::DatabaseConnection()).value(anna).uid;
        card.replace("PHOTO;ENCODING=b;TYPE=JPEG:" + contact.photo.toBase64(),
                     "PHOTO;ENCODING=b;TYPE=JPEG:" + second.toBase64());
        card.replace("TITLE:Engineer", "TITLE:Chief Engineer");
        QCOMPARE(put(uid + ".vcf", card) / 100, 2);
        QVERIFY(sync(file("a.mdb")).ok);
        const QString expected = "Anna # - #  # 0101 #  #  # [--04-14 | Acme | Chief Engineer | photo " +
                                 QString::number(second.size()) + " bytes]";
        QCOMPARE(dumpPersons(), QStringList{expected});
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(dumpPersons(), QStringList{expected});
    }

    // Groups travel both ways with another client: an edit here changes the CATEGORIES line
    // alone, a change there comes back here and to the second database.
    void groupsBothWays()
    {
        SecondClient other;
        QString error;
        QVERIFY2(other.start(file("other"), m_book, RadicaleServer::User, RadicaleServer::Password, error),
                 qPrintable(error));
        const QStringList lines{"UID:group-1", "FN:Gina", "TEL;TYPE=CELL:0101", "CATEGORIES:Family,Chess\\, Go",
                                "X-OTHER-FIELD:kept"};
        QVERIFY(other.write(card(lines)));
        QCOMPARE(other.sync(), QString());
        // The card as the server keeps it (it orders the properties its own way).
        const auto onServer = [this] { return QString(serverCards().value(0)).split(QRegularExpression("\r?\n")); };
        const QStringList kept = onServer();
        QVERIFY(sync(file("a.mdb")).ok);
        const qint16 gina = numberOf("Gina");
        QCOMPARE(modPersonDetail::Read(modDatabase::DatabaseConnection(), gina).groups,
                 (QStringList{"Family", "Chess, Go"}));

        modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(gina));
        contact.groups = {"Family", "Friends"};
        modContact::SaveExistingPerson(gina, contact);
        QCOMPARE(sync(file("a.mdb")).sent, 1);
        QStringList expected = kept;
        expected.replaceInStrings(QRegularExpression("^CATEGORIES:.*"), "CATEGORIES:Family,Friends");
        QVERIFY(expected != kept);
        QCOMPARE(onServer(), expected);
        // The other client reads it as it is.
        QCOMPARE(other.sync(), QString());
        QCOMPARE(QString(other.cards().value("group-1")).split(QRegularExpression("\r?\n")), expected);

        QStringList there = expected;
        there.removeAll(QString());
        there.replaceInStrings(QRegularExpression("^CATEGORIES:.*"), "CATEGORIES:Friends,Work");
        QVERIFY(other.write(there.join("\r\n").toUtf8()));
        QCOMPARE(other.sync(), QString());
        for (const char* database : {"a.mdb", "b.mdb"}) {
            QVERIFY(sync(file(database)).ok);
            QCOMPARE(modPersonDetail::Read(modDatabase::DatabaseConnection(), numberOf("Gina")).groups,
                     (QStringList{"Friends", "Work"}));
        }
        // Nothing changed since: nothing is sent.
        const modSync::Result again = sync(file("a.mdb"));
        QCOMPARE(again.sent + again.receivedChanged, 0);
    }

    // A phone's card with a photo and a field of its own: one word of its note edited here changes only NOTE on the
    // server, and later syncs change nothing; the person here holds nothing but what it shows.
    void richCardSurvivesEdit()
    {
        QStringList lines = richCard();
        lines.removeLast(); // no REV: the edit then shows as the NOTE alone
        QCOMPARE(put("rich-1.vcf", card(lines)), 201);
        open(file("a.mdb"));
        QVERIFY(sync(file("a.mdb")).ok);
        QCOMPARE(dumpPersons(),
                 QStringList{"Dr. José García López Jr. # - # Calle Mayor 1\n28013 Madrid\nSpain # "
                             "+34 91 555 0101 (Work Fax) | +34 600 000 001 (Mobile) # "
                             "jose@example.org # Met at the fair # [--04-14 | Acme, Sales |  | photo 6 bytes]"});
        const QStringList before = QString(serverCards().value(0)).split("\r\n");
        modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(numberOf("Dr. José García López Jr.")));
        contact.note = "Met at the fair in May";
        modContact::SaveExistingPerson(numberOf("Dr. José García López Jr."), contact);
        const modSync::Result sent = sync(file("a.mdb"));
        QCOMPARE(sent.sent, 1);
        QStringList after = QString(serverCards().value(0)).split("\r\n");
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before.at(i) != after.at(i))
                QCOMPARE(after.at(i), before.at(i).startsWith("NOTE:") ? "NOTE:Met at the fair in May" : before.at(i));
        QVERIFY(after.contains("NOTE:Met at the fair in May"));
        for (int round = 0; round < 2; ++round) {
            const modSync::Result again = sync(file("a.mdb"));
            QCOMPARE(again.sent + again.receivedChanged + again.merged, 0);
            QCOMPARE(QString(serverCards().value(0)).split("\r\n"), after);
        }
        // The address removed here: the work address goes, the home address it uncovers is shown here too.
        contact = modMerge::ToContact(modMerge::ReadPerson(numberOf("Dr. José García López Jr.")));
        contact.address.clear();
        modContact::SaveExistingPerson(numberOf("Dr. José García López Jr."), contact);
        QCOMPARE(sync(file("a.mdb")).sent, 1);
        after.removeOne("ADR;TYPE=WORK:;;Calle Mayor 1;Madrid;;28013;Spain");
        QCOMPARE(QString(serverCards().value(0)).split("\r\n"), after);
        QCOMPARE(modMerge::ReadPerson(numberOf("Dr. José García López Jr.")).address,
                 "Hauptstr. 5\n80331 München\nGermany");
        QCOMPARE(sync(file("a.mdb")).sent, 0);
    }

    // Choosing another language changes no card and sends nothing.
    void languageChangeSendsNothing()
    {
        open(file("a.mdb"));
        for (const char* description : {"Mobile", "Work", "Home", "Work Fax", "Boat"})
            QVERIFY(modContact::SaveNewPerson({QString("Person %1").arg(description),
                                               "",
                                               "",
                                               "",
                                               {modContact::TypedEntry("0101", description)},
                                               {},
                                               {},
                                               {},
                                               {},
                                               {}}));
        QCOMPARE(sync(file("a.mdb")).sent, 5);
        const QList<QByteArray> cards = serverCards();
        QCOMPARE(std::count_if(cards.begin(), cards.end(),
                               [](const QByteArray& card) { return card.contains("TYPE=CELL"); }),
                 1);
        for (const char* language : {"German", "Arabic", ""}) {
            TestSupport::writeSetting("Language", language);
            const modSync::Result result = sync(file("a.mdb"));
            QVERIFY2(result.ok && result.sent == 0, qPrintable(modSync::Summary(result)));
        }
        QCOMPARE(serverCards(), cards);
    }

    // A card the server keeps under a new href (another client restored or imported it again) moves the link: the
    // person stays, an edit made here meanwhile goes to the new href, nothing is left twice.
    void movedCardStays_data()
    {
        TestSupport::addColumns<bool, bool>("receivedFirst", "editedHere");
        addRow("sent from here", false, false);
        addRow("sent from here, edited here", false, true);
        addRow("received", true, false);
        addRow("received, edited here", true, true);
    }
    void movedCardStays()
    {
        auto [receivedFirst, editedHere] = TestSupport::fetch<bool, bool>("receivedFirst", "editedHere");
        open(file("a.mdb"));
        if (receivedFirst)
            QCOMPARE(put("other.vcf", card({"UID:moving-1", "FN:Anna", "TEL:0101"})), 201);
        else
            add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        const modSyncState::Entry entry = modSyncState::ReadEntries(modDatabase::DatabaseConnection()).front();
        CardDav::Session other(RadicaleServer::User, RadicaleServer::Password);
        QCOMPARE(other.Send("DELETE", m_book.resolved(QUrl(entry.href))).status / 100, 2);
        QCOMPARE(put("moved-" + entry.uid + ".vcf", entry.serverCard), 201);
        if (editedHere)
            edit("Anna", "Anna", {"0101", "0909"});
        const modSync::Result result = sync(file("a.mdb"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.removedHere + result.removedThere + result.receivedNew, 0);
        QCOMPARE(result.sent, editedHere ? 1 : 0);
        const QStringList expected{editedHere ? "Anna: 0101, 0909" : "Anna: 0101"};
        QCOMPARE(persons(file("a.mdb")), expected);
        const QList<QByteArray> cards = serverCards();
        QCOMPARE(cards.size(), 1);
        QCOMPARE(cards.front().contains("TEL:0909"), editedHere);
        QCOMPARE(modSyncState::ReadEntries(modDatabase::DatabaseConnection()).front().href,
                 m_book.path() + "moved-" + entry.uid + ".vcf");
        const modSync::Result again = sync(file("a.mdb"));
        QVERIFY(again.ok && again.sent + again.receivedChanged + again.removedHere + again.merged == 0);
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), expected);
    }

    // Twenty rounds of random edits on both sides, with vdirsyncer as the other device: every card on the server ends
    // as the other device last wrote it, property for property, but for the fields edited here; no card twice.
    void secondClientConverges()
    {
        SecondClient other;
        QString error;
        QVERIFY2(other.start(file("other"), m_book, RadicaleServer::User, RadicaleServer::Password, error),
                 qPrintable(error));
        const uint seed = qEnvironmentVariableIsSet("ADDRION_TEST_SEED")
                              ? qEnvironmentVariableIntValue("ADDRION_TEST_SEED")
                              : QRandomGenerator::global()->generate() % 100000;
        qInfo("seed %u (ADDRION_TEST_SEED replays it)", seed);
        QRandomGenerator random(seed);
        constexpr int Cards = 6;
        for (int i = 1; i <= Cards; ++i) {
            QStringList lines = richCard();
            lines.replaceInStrings("rich-1", QString("other-%1").arg(i));
            lines.replaceInStrings("José", QString("José %1").arg(i));
            QVERIFY(other.write(card(lines)));
        }
        QCOMPARE(other.sync(), QString());
        // What the other device last wrote, as the server keeps it; the fields edited here, by UID.
        QMap<QString, QByteArray> written;
        for (const QByteArray& card : serverCards())
            written.insert(SecondClient::uidOf(card), card);
        QMap<QString, QSet<QString>> editedHere;
        QVERIFY(sync(file("a.mdb")).ok);
        QCOMPARE(persons(file("a.mdb")).size(), Cards);

        for (int round = 1; round <= 20; ++round) {
            // There: one property of one card.
            const QString uid = QString("other-%1").arg(random.bounded(Cards) + 1);
            QStringList lines = QString(other.cards().value(uid)).split(QRegularExpression("\r?\n"));
            QVERIFY2(lines.contains("END:VCARD"), qPrintable(uid + ": " + lines.join('|')));
            const QString mark = QString("r%1").arg(round);
            switch (random.bounded(5)) {
            case 0:
                lines.replaceInStrings(QRegularExpression("^NOTE:.*"), "NOTE:Other note " + mark);
                break;
            case 1:
                lines.replaceInStrings(QRegularExpression("^BDAY:.*"),
                                       QString("BDAY:--%1%2").arg(random.bounded(1, 13), 2, 10, QChar('0')).arg(14));
                break;
            case 2:
                lines.replaceInStrings(QRegularExpression("^ORG:.*"), "ORG:Org " + mark);
                break;
            case 3:
                lines.replaceInStrings(QRegularExpression("^TEL;TYPE=CELL(.*):"), "TEL;TYPE=HOME\\1:");
                break;
            default:
                lines.insert(lines.indexOf("END:VCARD"), "X-OTHER-ROUND:" + mark);
            }
            QVERIFY(other.write(lines.join("\r\n").toUtf8()));
            // Here: the note or a new number of one person.
            open(file("a.mdb"));
            const QString name = QString("Dr. José %1 García López Jr.").arg(random.bounded(Cards) + 1);
            const qint16 number = numberOf(name);
            modContact::Contact contact = modMerge::ToContact(modMerge::ReadPerson(number));
            const QString here = SecondClient::uidOf(modSyncState::LocalPersons({number}).front().card);
            if (random.bounded(2) == 0) {
                contact.note = "Note here " + mark;
                editedHere[here] << "NOTE";
            } else {
                contact.phones.push_back(modContact::TypedEntry("0170 555 " + mark.mid(1), "Mobile"));
                editedHere[here] << "TEL";
            }
            modContact::SaveExistingPerson(number, contact);

            QCOMPARE(other.sync(), QString());
            for (const QByteArray& card : serverCards())
                if (SecondClient::uidOf(card) == uid)
                    written.insert(uid, card);
            const modSync::Result result = sync(file("a.mdb"));
            QVERIFY2(result.ok, qPrintable(result.error));
            QCOMPARE(other.sync(), QString());
        }
        // Compared as the sets of their unfolded lines, less REV and the properties of the fields edited here.
        const auto properties = [](const QByteArray& card, const QSet<QString>& skipped) {
            QStringList lines;
            for (const QString& line : modPersonDetail::CardLines(card)) {
                const QString name = line.section(QRegularExpression("[;:]"), 0, 0).section('.', -1).toUpper();
                if (name != "REV" && !skipped.contains(name))
                    lines << line;
            }
            lines.sort();
            return lines;
        };
        const QList<QByteArray> cards = serverCards();
        QCOMPARE(cards.size(), Cards);
        for (const QByteArray& card : cards) {
            const QString uid = SecondClient::uidOf(card);
            QCOMPARE(properties(card, editedHere.value(uid)), properties(written.value(uid), editedHere.value(uid)));
        }
        QCOMPARE(persons(file("a.mdb")).size(), Cards);
        QCOMPARE(other.cards().size(), Cards);
    }

    // The server changes a card between listing and upload: that upload is refused (412), the rest
    // of its batch arrives, and the card is fetched again and merged.
    void changedOnServerDuringSync()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        add("Bob", "0202");
        add("Carl", "0303");
        QVERIFY(sync(file("a.mdb")).ok);
        QVERIFY(sync(file("b.mdb")).ok);
        edit("Carl", "Carl", {"0313"}); // in b: comes down to a before a's uploads
        QVERIFY(sync(file("b.mdb")).ok);
        open(file("a.mdb"));
        edit("Anna", "Anna", {"0111"});
        edit("Bob", "Bob", {"0222"});
        // After Carl's card came down, another device edits Anna before she is sent.
        modSync::Options options;
        bool edited = false;
        options.progress = [&](int, int) {
            for (QByteArray card : serverCards())
                if (!edited && card.contains("TEL:0101"))
                    edited = put(QString(card).section("UID:", 1).section('\r', 0, 0) + ".vcf",
                                 card.replace("TEL:0101", "TEL:0333")) /
                                 100 ==
                             2;
        };
        const modSync::Result result = sync(file("a.mdb"), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(edited);
        QCOMPARE(persons(file("a.mdb")), (QStringList{"Anna: 0111, 0333", "Bob: 0222", "Carl: 0313"}));
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));
    }

    // The server refuses the password: it is asked for again and the sync retried.
    void wrongPasswordAsksAgain_data()
    {
        QTest::addColumn<QString>("answer"); // empty: the user cancels
        addRow("right password", QString(RadicaleServer::Password));
        addRow("cancelled", QString());
    }
    void wrongPasswordAsksAgain()
    {
        QFETCH(QString, answer);
        frmMain window{QString()};
        openWindow(window, m_book, "wrong");
        m_platform->expectPassword(answer.isEmpty() ? std::nullopt : std::optional<QString>(answer));
        control<QAction>(&window, "mnuFileSynchronise")->trigger();
        QVERIFY(m_platform->callsOf("password").value(0).text.contains("(401)"));
        QCOMPARE(serverCards().size(), answer.isEmpty() ? 0 : 1);
        if (!answer.isEmpty())
            QCOMPARE(modSyncPassword::Read(modSyncPassword::Key(RadicaleServer::User, m_book.toString())), answer);
    }

    // A self-signed certificate is shown with its subject and fingerprint; accepted, it
    // is remembered for the server; refused, nothing is sent, and /Sync refuses it too.
    void untrustedCertificateAsks_data() { TestSupport::addTwoRows("accept", "refused", "accepted"); }
    void untrustedCertificateAsks()
    {
        QFETCH(bool, accept);
        QString error;
        QVERIFY2(m_tlsServer.started() || m_tlsServer.start(error, true), qPrintable(error));
        // A new book, made while the certificate is accepted; afterwards nothing is.
        const QString fingerprint = m_tlsServer.certificateFingerprint();
        CardDav::AcceptCertificate(m_tlsServer.url(), fingerprint);
        const QUrl book = m_tlsServer.makeAddressBook(QString("tls%1").arg(m_books), error);
        CardDav::AcceptCertificate(m_tlsServer.url(), QString());
        QVERIFY2(book.isValid(), qPrintable(error));
        const QString name = book.path().section('/', -2, -2);
        frmMain window{QString()};
        openWindow(window, book, RadicaleServer::Password);
        m_platform->expectMessage(accept ? Platform::Answer::Yes : Platform::Answer::No);
        control<QAction>(&window, "mnuFileSynchronise")->trigger();
        const QString question = m_platform->messages().value(0).text;
        QVERIFY2(question.contains(fingerprint) && question.contains("Addrion test server"), qPrintable(question));
        QCOMPARE(CardDav::AcceptedCertificate(book), accept ? fingerprint : QString());
        QCOMPARE(m_tlsServer.storedCards(name), accept ? 1 : 0);
        if (accept) { // no second question
            add("Bob", "0202");
            control<QAction>(&window, "mnuFileSynchronise")->trigger();
            QCOMPARE(m_tlsServer.storedCards(name), 2);
        } else {
            QString out, err;
            QCOMPARE(runSyncCommand(RadicaleServer::Password, &out, &err), 1);
            QVERIFY2(err.contains(fingerprint), qPrintable(err));
            QCOMPARE(m_tlsServer.storedCards(name), 0);
        }
    }

    // A server that cannot be reached or answers nonsense is explained in words; nothing changes here.
    void errorsInWords_data()
    {
        // answer: to every request; "closed": nobody listens, "": no answer
        TestSupport::addColumns<QByteArray, QString>("answer", "words");
        addRow("closed port", QByteArray("closed"), "The server refused the connection.");
        addRow("server error", QByteArray("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"),
               "The server reported an error. (500)");
        addRow("malformed XML", QByteArray("HTTP/1.1 207 Multi-Status\r\nContent-Length: 11\r\n\r\n<multistat>"),
               "The server's answer could not be understood.");
        addRow("not HTTP", QByteArray("\x01\x02 garbage\r\n\r\n"), "No connection to the server.");
        addRow("no answer", QByteArray(), "The server did not answer in time.");
    }
    void errorsInWords()
    {
        auto [answer, words] = TestSupport::fetch<QByteArray, QString>("answer", "words");
        CannedTcpServer server(answer);
        QVERIFY(server.isListening());
        const QUrl url(QString("http://127.0.0.1:%1/anna/book/").arg(server.port()));
        if (answer == "closed")
            server.close();
        link(file("a.mdb"), url, false);
        add("Anna", "0101");
        const QStringList before = persons(file("a.mdb"));
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password, 500);
        const modSync::Result result = modSync::Synchronise(session);
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(words), qPrintable(result.error));
        QCOMPARE(persons(file("a.mdb")), before);
        QVERIFY(modSyncState::ReadEntries(modDatabase::DatabaseConnection()).empty());
    }

    // A hostile or broken server, one mode a row: no request reaches another origin, nothing outside the book is
    // written, encoded names arrive, memory stays bounded, and a failure says why.
    void hostileServer_data()
    {
        // persons: names here after the syncs; problems: what the result names, "kind: hrefs"
        TestSupport::addColumns<QString, QString, QStringList, QString>("mode", "error", "persons", "problems");
        addRow("redirect to another host", "redirect-host",
               "The server sent the request on to http://127.0.0.2:", QStringList{"Anna"}, "");
        addRow("a PUT sent on elsewhere is not sent", "redirect-put",
               "The server sent the request on to http://127.0.0.2:", QStringList{"Anna"}, "");
        addRow("redirect to a file", "redirect-file",
               "The server sent the request on to file:///etc/passwd; it was not followed.", QStringList{"Anna"}, "");
        addRow("hrefs elsewhere", "foreign-hrefs", "", QStringList{"Anna", "Good"},
               "refused: /book/../other/stolen.vcf, /elsewhere/x.vcf, file:///etc/passwd, "
               "http://127.0.0.2:*/third/x.vcf");
        addRow("encoded hrefs", "encoded-hrefs", "",
               QStringList{"Anna", "Hash", "Percent", "Plain", "Question", "Slash", "Space"}, "");
        addRow("2 GB answer", "huge-answer", "The server's answer is larger than 64 MiB and was refused.",
               QStringList{"Anna"}, "");
        addRow("100 MB card", "huge-card", "", QStringList{"Anna", "Good"}, "unreadable: /book/big.vcf");
        addRow("nested 2,000,000 deep", "deep", "The server's answer could not be understood.", QStringList{"Anna"},
               "");
        addRow("trickle", "trickle", "The synchronisation took longer than 15 minutes and was stopped.",
               QStringList{"Anna"}, "");
        addRow("malformed cards", "malformed", "", QStringList{"Anna", "Good"},
               "unreadable: /book/bad1.vcf, /book/bad2.vcf");
        addRow("two cards with one UID", "duplicate-uid", "", QStringList{"Anna", "Newer"},
               "duplicates: /book/dup-a.vcf");
    }
    void hostileServer()
    {
        auto [mode, error, expected, problems] =
            TestSupport::fetch<QString, QString, QStringList, QString>("mode", "error", "persons", "problems");
        HostileServer server;
        QVERIFY(server.start(mode, file("server.log")));
        const quint16 otherPort = server.otherPort;
        const auto logged = [&server] { return server.log(); };
        link(file("a.mdb"), server.book(), false);
        add("Anna", "0101");

        // The resident memory, sampled while the sync runs.
        const qint64 before = TestSupport::residentKb();
        qint64 peak = before;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] { peak = std::max(peak, TestSupport::residentKb()); });
        sampler.start(5);
        modSync::Options options;
        options.deadlineMs = 4000;
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password, 3000);
        modSync::Result result = modSync::Synchronise(session, options);
        QCOMPARE(result.error.left(error.size()), error);
        QCOMPARE(result.ok, error.isEmpty());
        if (result.ok) {
            // Everybody edited here and sent again.
            for (const QString& name : expected)
                edit(name, name, {"0101", "0909"});
            CardDav::Session again(RadicaleServer::User, RadicaleServer::Password, 3000);
            result = modSync::Synchronise(again, options);
            QVERIFY2(result.ok, qPrintable(result.error));
        }
        sampler.stop();
        qInfo("%s: resident memory grew by %lld MB during the syncs", qPrintable(mode), (peak - before) / 1024);
        QVERIFY2(peak - before < 200 * 1024 || !TestSupport::memoryMeasured(),
                 qPrintable(QString::number(peak - before)));
        QStringList names;
        for (const QString& person : persons(file("a.mdb")))
            names << person.section(':', 0, 0);
        QCOMPARE(names, expected);
        QStringList found;
        for (auto [kind, hrefs] : {std::pair{"refused", result.refused},
                                   {"unreadable", result.unreadable},
                                   {"duplicates", result.duplicates}}) {
            hrefs.sort();
            if (!hrefs.isEmpty())
                found << QString(kind) + ": " + hrefs.join(", ");
        }
        QCOMPARE(found.join("; ").replace(QString::number(otherPort), "*"), problems);
        // Nothing reached the other origin; nothing was written outside the book; what is kept is inside it.
        const QStringList lines = logged().split('\n');
        for (const QString& line : lines) {
            QVERIFY2(!line.startsWith("127.0.0.2"), qPrintable(line));
            if (line.contains(" PUT ") || line.contains(" DELETE "))
                QVERIFY2(line.section(' ', 2, 2).startsWith("/book/") && !line.contains(".."), qPrintable(line));
        }
        const std::vector<modSyncState::Entry> entries = modSyncState::ReadEntries(modDatabase::DatabaseConnection());
        for (const modSyncState::Entry& entry : entries)
            QVERIFY2(entry.href.startsWith("/book/") && !entry.href.contains(".."), qPrintable(entry.href));
        // What did not arrive is not recorded as sent.
        if (!result.ok)
            QVERIFY(entries.empty() && result.sent == 0);
        // Cards left alone are not asked for again while they stay as they are.
        if (mode == "malformed")
            QCOMPARE(lines.filter(QRegularExpression("^\\t.*multiget.*bad1")).size(), 1);
    }

    // A server goes through the whole book before it lists it, and may be silent for long;
    // every other answer keeps the session's own bound.
    void listingMayBeSlow_data()
    {
        TestSupport::addColumns<QString, QString, QStringList>("mode", "error", "persons");
        addRow("the listing after a long silence", "slow-listing", "", QStringList{"Anna: 0101", "Good: "});
        addRow("the cards after a long silence", "slow-cards", "The server did not answer in time.",
               QStringList{"Anna: 0101"});
    }
    void listingMayBeSlow()
    {
        auto [mode, error, expected] = TestSupport::fetch<QString, QString, QStringList>("mode", "error", "persons");
        HostileServer server;
        QVERIFY(server.start(mode, file("server.log")));
        link(file("a.mdb"), server.book(), false);
        add("Anna", "0101");
        // Silent for 2 s: over the session's second, within ListingPatience of them.
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password, 1000);
        const modSync::Result result = modSync::Synchronise(session);
        QVERIFY2(result.ok == error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.error, error);
        QCOMPARE(persons(file("a.mdb")), expected);
    }

    // Another program adds a person between two batches of received cards: the sync takes
    // the next free number, and nobody is lost on either side.
    void writtenElsewhereBetweenBatches()
    {
        HostileServer server;
        QVERIFY(server.start("many", file("server.log")));
        link(file("a.mdb"), server.book(), false);
        add("Anna", "0101");
        modSync::Options options;
        bool written = false;
        options.progress = [&](int done, int) {
            if (written || done == 0 || modDatabase::DatabaseConnection().InTransaction())
                return;
            Engine::Connection other;
            other.Open(file("a.mdb"));
            other.Execute("INSERT INTO Person (Contactnr, Name) SELECT MAX(Contactnr) + 1, 'Elsewhere' FROM Person");
            other.Close();
            written = true;
        };
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
        const modSync::Result result = modSync::Synchronise(session, options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(written);
        QCOMPARE(result.receivedNew, 450);
        const QStringList here = persons(file("a.mdb"));
        QCOMPARE(here.size(), 452);
        QVERIFY(here.contains("Elsewhere: "));
        QVERIFY(here.contains("Person 449: "));
    }

    // A file someone sent pairs a trusted server's name with another host: nothing is sent, and the window shows the
    // host the password would go to.
    void linkToAnotherHostRefused()
    {
        CannedTcpServer server(CannedTcpServer::ok("x"));
        const QString book = QString("http://127.0.0.1:%1/book/").arg(server.port());
        open(file("a.mdb"));
        modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                               {"https://dav.your-company.test/", RadicaleServer::User, book, QString()});
        add("Anna", "0101");
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
        const modSync::Result result = modSync::Synchronise(session);
        QCOMPARE(result.error, "The link's server https://dav.your-company.test/ and its address book " + book +
                                   " are not on the same host. Nothing was sent; link the database again in "
                                   "Database > Synchronisation.");
        QVERIFY(server.requests().isEmpty());
        frmSync dialog;
        QCOMPARE(dialog.txtServer->text(), QString("http://127.0.0.1:%1").arg(server.port()));
    }

    // Discovery sent on to another host asks first; refused, nothing goes there; agreed, the window shows that host.
    void discoveryAsksBeforeAnotherHost()
    {
        HostileServer server;
        QVERIFY(server.start("redirect-host", file("server.log")));
        open(file("a.mdb"));
        modSyncState::RemoveLink(modDatabase::DatabaseConnection());
        frmSync dialog;
        QTest::keyClicks(dialog.txtServer, server.book().toString());
        QTest::keyClicks(dialog.txtUser, RadicaleServer::User);
        QTest::keyClicks(dialog.txtPassword, RadicaleServer::Password);
        m_platform->expectMessage(Platform::Answer::No);
        QTest::mouseClick(dialog.cmdFind, Qt::LeftButton);
        const QString other = QString("http://127.0.0.2:%1").arg(server.otherPort);
        QVERIFY2(m_platform->messages().value(0).text.contains(other),
                 qPrintable(m_platform->messages().value(0).text));
        QVERIFY(!server.log().contains("127.0.0.2"));
        QCOMPARE(dialog.cboAddressBook->count(), 0);
        // Agreed: asked there, with the password the user chose to send there; it has no address book.
        m_platform->expectMessage(Platform::Answer::Yes);
        m_platform->expectMessage();
        QTest::mouseClick(dialog.cmdFind, Qt::LeftButton);
        QVERIFY(server.log().contains("127.0.0.2"));
        QVERIFY(dialog.txtServer->text().startsWith(other));
        QCOMPARE(dialog.cboAddressBook->count(), 0);
    }

    // Removing most persons asks first; without a yes nothing happens, until the next yes.
    // Without anybody to ask (/Sync), the refusal says what to do.
    void drasticRemovalAsks()
    {
        open(file("a.mdb"));
        for (const char* name : {"Anna", "Bob", "Cleo"})
            add(name, "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        remove("Anna");
        remove("Bob");
        const QString removing = "This synchronisation would remove 2 of 3 persons on the server";
        QCOMPARE(sync(file("a.mdb")).error,
                 removing + "; nothing was removed. Run Synchronise in the window to confirm.");
        for (const bool answer : {false, true}) {
            modSync::Options options;
            QString asked;
            options.confirm = [&](const QString& reason) {
                asked = reason;
                return answer;
            };
            const modSync::Result result = sync(file("a.mdb"), options);
            QCOMPARE(asked, removing + ". Do you want to go on?");
            QCOMPARE(result.error, answer ? QString() : removing + "; nothing was removed.");
            QCOMPARE(serverCards().size(), answer ? 1 : 3);
        }
    }

    // The books are found from one of them, and by the window from the bare host, which links the
    // database; Database > Synchronise then syncs with the password kept for the session.
    void windowLinksAndSynchronises()
    {
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
        QString error;
        const auto books = CardDav::Discover(session, m_book, error);
        QVERIFY2(std::any_of(books.begin(), books.end(),
                             [this](const CardDav::AddressBook& book) {
                                 return book.url == m_book && book.name == QString("book%1").arg(m_books);
                             }),
                 qPrintable(error));

        frmMain window{QString()};
        RegisterWindows(window);
        window.show();
        open(file("a.mdb"));
        modSyncState::RemoveLink(modDatabase::DatabaseConnection());
        add("Anna", "0101");
        frmSync dialog(&window);
        QTest::keyClicks(dialog.txtServer, m_server.url().toString());
        QTest::keyClicks(dialog.txtUser, RadicaleServer::User);
        QTest::keyClicks(dialog.txtPassword, RadicaleServer::Password);
        QTest::mouseClick(dialog.cmdFind, Qt::LeftButton);
        const int index = dialog.cboAddressBook->findText(m_book.path().section('/', -2, -2));
        QVERIFY(index >= 0);
        dialog.cboAddressBook->setCurrentIndex(index);
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(modSyncState::ReadLink(modDatabase::DatabaseConnection())->addressBook, m_book.toString());

        QVERIFY(control<QAction>(&window, "mnuFileSynchronise")->isEnabled());
        control<QAction>(&window, "mnuFileSynchronise")->trigger();
        QCOMPARE(serverCards().size(), 1);
        // The one-line result opens the details: who was sent.
        auto* line = control<QStatusBar>(&window, "staMain")->findChild<QPushButton*>("cmdSyncResult");
        QVERIFY(line && line->isVisible());
        QVERIFY2(line->text().contains("Sent: 1"), qPrintable(line->text()));
        // The count of persons stays beside it.
        QVERIFY(control<QLabel>(&window, "staMainCount")->isVisible() &&
                control<QLabel>(&window, "staMainPath")->isVisible());
        QCOMPARE(control<QLabel>(&window, "staMainCount")->text(), "1/1");
        QVERIFY2(control<QStatusBar>(&window, "staMain")
                     ->rect()
                     .contains(control<QLabel>(&window, "staMainCount")->geometry()),
                 qPrintable(QString("%1 %2")
                                .arg(control<QStatusBar>(&window, "staMain")->width())
                                .arg(control<QLabel>(&window, "staMainCount")->geometry().x())));
        QString details;
        const auto shown = TestSupport::onModal<frmSyncResult>([&details](frmSyncResult* dialog) {
            details = dialog->txtDetails->toPlainText();
            QTest::mouseClick(dialog->cmdClose, Qt::LeftButton);
        });
        QTest::mouseClick(line, Qt::LeftButton);
        QVERIFY(*shown);
        QVERIFY2(details.contains("Sent: 1") && details.contains("Anna"), qPrintable(details));

        // Cancel in the status bar ends a sync at once; the next one does the rest.
        add("Bob", "0202");
        QTimer::singleShot(0, &window, [&window] {
            auto* cancel = control<QStatusBar>(&window, "staMain")->findChild<QPushButton*>("cmdSyncCancel");
            QVERIFY(cancel && cancel->isVisible());
            // The progress goes beside the database's path, not over it.
            auto* progress = control<QStatusBar>(&window, "staMain")->findChild<QLabel*>("lblSyncProgress");
            QVERIFY(progress && progress->isVisible() && control<QLabel>(&window, "staMainPath")->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        control<QAction>(&window, "mnuFileSynchronise")->trigger();
        QCOMPARE(serverCards().size(), 1);
        QVERIFY(!control<QStatusBar>(&window, "staMain")->findChild<QPushButton*>("cmdSyncCancel"));
        control<QAction>(&window, "mnuFileSynchronise")->trigger();
        QCOMPARE(serverCards().size(), 2);
    }

    // With the option set, a sync runs when the database opens, then on the timer, never two at once.
    void automaticSync()
    {
        frmMain window{QString()};
        {
            frmSync dialog(&window); // the option is chosen in the window
            dialog.spnAutoSync->setValue(5);
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        }
        QCOMPARE(TestSupport::readSetting("Synchronise every"), QString("5"));
        TestSupport::writeSetting("Synchronise every", "0.0002"); // 12 ms, to see it here
        int most = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            most = std::max(
                most, int(control<QStatusBar>(&window, "staMain")->findChildren<QPushButton*>("cmdSyncCancel").size()));
        });
        watch.start(0);
        openWindow(window, m_book, RadicaleServer::Password);
        for (int i = 1; i <= 20; ++i)
            add(QString("Person %1").arg(i), "0101");
        const QString name = m_book.path().section('/', -2, -2);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.storedCards(name), 21, 60000);
        QVERIFY(control<QTimer>(&window, "tmrSync")->isActive());
        add("Bob", "0202");
        QTRY_COMPARE_WITH_TIMEOUT(m_server.storedCards(name), 22, 60000);
        QCOMPARE(most, 1);
    }

    // The command run by a timer: a line on stdout when done, else the reason on stderr
    // (after what the opening said of a damaged file, two lines with its path) and exit code 1.
    void syncCommand_data()
    {
        TestSupport::addColumns<QString, QString, int, QString, int>("password", "database", "exitCode", "said",
                                                                     "lines");
        const QString password(RadicaleServer::Password);
        addRow("synchronised", password, "linked", 0, "Sent: 1", 0);
        addRow("wrong password", "wrong", "linked", 1, "(401)", 1);
        addRow("not linked", password, "not linked", 1, "is not linked to an address book", 1);
        addRow("no password known", QString(), "linked", 1, "set ADDRION_SYNC_PASSWORD", 1);
        addRow("no default database", password, "missing", 1, "there is no default database", 1);
        addRow("not a database", password, "damaged", 1, "cannot be opened", 3);
    }
    void syncCommand()
    {
        auto [password, database, exitCode, said, lines] = TestSupport::fetch<QString, QString, int, QString, int>(
            "password", "database", "exitCode", "said", "lines");
        open(file("a.mdb"));
        add("Anna", "0101");
        if (database == "not linked")
            modSyncState::RemoveLink(modDatabase::DatabaseConnection());
        modDatabase::CloseDatabase(false);
        if (database == "missing")
            QVERIFY(QFile::remove(file("a.mdb")));
        if (database == "damaged")
            QVERIFY(TestSupport::writeFile(file("a.mdb"), QByteArray(4096, 'x')));
        QString out, err;
        QCOMPARE(runSyncCommand(password, &out, &err), exitCode);
        QVERIFY2((exitCode == 0 ? out : err.section('\n', -2)).contains(said), qPrintable(out + err));
        // (The refusal without a password names the secret store.)
        if (!password.isNull())
            QVERIFY2(!err.contains(RadicaleServer::Password), qPrintable(err));
        // Nothing else on stderr: a failure is its reason, a success nothing.
        QCOMPARE(err.count('\n'), lines);
        QCOMPARE(serverCards().size(), exitCode == 0 ? 1 : 0);
    }

    // A sync killed anywhere is completed by the next: the same persons on both sides, none twice.
    void interruptedSyncCompletes_data()
    {
        QTest::addColumn<int>("cards"); // on the server when the sync is killed
        addRow("at the first card", 1);
        addRow("after some cards", 10);
        addRow("near the end", 35);
    }
    void interruptedSyncCompletes()
    {
        QFETCH(int, cards);
        open(file("a.mdb"));
        for (int i = 1; i <= 40; ++i)
            add(QString("Person %1").arg(i, 2, 10, QChar('0')), QString::number(1000 + i));
        const QString book = m_book.path().section('/', -2, -2);
        QString out, err;
        QCOMPARE(
            runSyncCommand(RadicaleServer::Password, &out, &err, [&] { return m_server.storedCards(book) >= cards; }),
            -1);
        QCOMPARE(runSyncCommand(RadicaleServer::Password, &out, &err), 0);
        // Our own uploads met again are no merge.
        QVERIFY2(!out.contains("Merged"), qPrintable(out));
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));
        QCOMPARE(persons(file("a.mdb")).size(), 40);
        QCOMPARE(serverCards().size(), 40);
    }
};

ADDRION_TEST_MAIN(TestSync)
#include "tst_sync.moc"
