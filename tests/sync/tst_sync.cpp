#include "RadicaleServer.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modPersonUid.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "mainwindow/RegisterWindows.h"
#include "mainwindow/frmMain.h"
#include "startup/modSettings.h"
#include "startup/modText.h"
#include "sync/CardDav.h"
#include "sync/frmSync.h"
#include "sync/modSync.h"
#include "sync/modSyncState.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

// Two database files kept in step through a real Radicale server.
class TestSync : public QObject
{
    Q_OBJECT

    RadicaleServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPlatform> m_platform;
    QUrl m_book;
    int m_books = 0;

    QString file(const char* name) const { return m_dir->filePath(name); }

    void open(const QString& path) { QVERIFY(modDatabase::OpenDatabase(path)); }

    modSync::Result sync(const QString& path, modSync::Options options = modSync::Options(),
                         const QString& password = RadicaleServer::Password)
    {
        open(path);
        CardDav::Session session(RadicaleServer::User, password);
        return modSync::Synchronise(session, options);
    }

    static qint16 add(const QString& name, const QString& phone)
    {
        modContact::Contact contact;
        contact.name = name;
        contact.phones = {modContact::TypedEntry(phone, "")};
        return *modContact::SaveNewPerson(contact);
    }

    static qint16 numberOf(const QString& name)
    {
        Engine::Recordset row = modSql::OpenRecordset("SELECT Contactnr FROM Person WHERE Name = '" + name + "'");
        return row.Eof() ? 0 : static_cast<qint16>(row.Fields(0).toInt());
    }

    static void edit(const QString& name, const QString& newName, const QStringList& phones)
    {
        modContact::Contact contact;
        contact.name = newName;
        for (const QString& phone : phones)
            contact.phones.push_back(modContact::TypedEntry(phone, ""));
        modContact::SaveExistingPerson(numberOf(name), contact);
    }

    static void remove(const QString& name)
    {
        const qint16 number = numberOf(name);
        Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
        for (const char* table : {"Phone", "Email", "Person"})
            modSql::ExecuteSql(QString("DELETE FROM %1 WHERE Contactnr = %2").arg(table).arg(number));
        transaction.Commit();
    }

    // "name: phone, phone" of every person of the file, by name.
    QStringList persons(const QString& path)
    {
        open(path);
        QStringList result;
        modSql::ForEachRow("SELECT Contactnr, Name FROM Person ORDER BY Name", [&](const Engine::Connection::Row& row) {
            QStringList phones;
            modSql::ForEachRow(
                QString("SELECT [Number] FROM Phone WHERE Contactnr = %1 ORDER BY [Order]").arg(row.Int(0)),
                [&](const Engine::Connection::Row& phone) { phones << phone.Text(0); });
            result << row.Text(1) + ": " + phones.join(", ");
        });
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

    void link(const QString& path)
    {
        QVERIFY(modDatabase::NewDatabase(path));
        modSyncState::SaveLink(modDatabase::DatabaseConnection(),
                               {m_server.url().toString(), RadicaleServer::User, m_book.toString(), QString()});
    }

    // Runs "addrion /Sync" on a.mdb as the default database, to its end or until stop()
    // says so (then it is killed). The exit code, -1 when killed.
    int runSyncCommand(const QString& password, QString* out, QString* err, const std::function<bool()>& stop = nullptr)
    {
        modDatabase::CloseDatabase(false);
        modSettings::WriteSetting("Default database", file("a.mdb"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ADDRION_SYNC_PASSWORD", password);
        environment.remove("DBUS_SESSION_BUS_ADDRESS"); // the secret store is not asked in tests
        process.setProcessEnvironment(environment);
        process.start(TestSupport::executable(), {"/Sync"});
        if (!process.waitForStarted())
            return -2;
        if (stop) {
            const QDeadlineTimer deadline(120000);
            while (!stop() && !deadline.hasExpired() && !process.waitForFinished(20)) {
            }
            if (process.state() == QProcess::Running) {
                process.kill();
                process.waitForFinished();
                return -1;
            }
        }
        process.waitForFinished(120000);
        *out = QString::fromLocal8Bit(process.readAllStandardOutput());
        *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitCode();
    }

private slots:
    void initTestCase()
    {
        // Passwords stay in memory: the user's own secret store is never touched.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
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
        link(file("a.mdb"));
        link(file("b.mdb"));
    }
    void cleanup()
    {
        modDatabase::CloseDatabase(false);
        QVERIFY(m_platform->scriptDone());
    }

    void discovery_data()
    {
        QTest::addColumn<QString>("start");
        QTest::newRow("bare host") << "";
        QTest::newRow("address book") << "book";
    }
    void discovery()
    {
        QFETCH(QString, start);
        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
        QString error;
        const auto books = CardDav::Discover(session, start.isEmpty() ? m_server.url() : m_book, error);
        QVERIFY2(!books.empty(), qPrintable(error));
        bool found = false;
        for (const CardDav::AddressBook& book : books)
            found = found || (book.url == m_book && book.name == QString("book%1").arg(m_books));
        QVERIFY(found);
    }

    // Adding, editing and removing on each side reaches the other, listed either way.
    void bothWays_data()
    {
        QTest::addColumn<bool>("syncCollection");
        QTest::newRow("sync-collection") << true;
        QTest::newRow("PROPFIND listing") << false;
    }
    void bothWays()
    {
        QFETCH(bool, syncCollection);
        modSync::Options options;
        options.useSyncCollection = syncCollection;
        open(file("a.mdb"));
        add("Anna", "0101");
        add("Bob", "0202");
        modSync::Result result = sync(file("a.mdb"), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.sent, 2);
        QCOMPARE(result.listedBySyncCollection, syncCollection);
        result = sync(file("b.mdb"), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.receivedNew, 2);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));

        edit("Anna", "Anna Berg", {"0101", "0303"}); // in b
        remove("Bob");
        QVERIFY(sync(file("b.mdb"), options).ok);
        result = sync(file("a.mdb"), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.receivedChanged, 1);
        QCOMPARE(result.removedHere, 1);
        QCOMPARE(persons(file("a.mdb")), QStringList{"Anna Berg: 0101, 0303"});

        // Nothing changed: nothing moves.
        result = sync(file("a.mdb"), options);
        QVERIFY(result.ok);
        QCOMPARE(result.sent + result.receivedNew + result.receivedChanged + result.removedHere, 0);
        QCOMPARE(serverCards().size(), 1);
    }

    void changedOnBothSidesMerges()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        QVERIFY(sync(file("b.mdb")).ok);
        edit("Anna", "Anna", {"0101", "0202"}); // b
        QVERIFY(sync(file("b.mdb")).ok);
        open(file("a.mdb"));
        edit("Anna", "Anna", {"0101", "0303"});
        const modSync::Result result = sync(file("a.mdb"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.merged, 1);
        QCOMPARE(persons(file("a.mdb")), QStringList{"Anna: 0101, 0303, 0202"});
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));
    }

    void removedHereChangedThereComesBack()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        QVERIFY(sync(file("b.mdb")).ok);
        edit("Anna", "Anna", {"0909"}); // b
        QVERIFY(sync(file("b.mdb")).ok);
        open(file("a.mdb"));
        remove("Anna");
        QVERIFY(sync(file("a.mdb")).ok);
        QCOMPARE(persons(file("a.mdb")), QStringList{"Anna: 0909"});
    }

    // A photo and an organisation that another client stored stay through an edit here,
    // and what we send reads in an independent parser.
    void foreignPropertiesSurvive()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        QByteArray card = serverCards().value(0);
        card.replace("END:VCARD", "ORG:Acme\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB\r\nEND:VCARD");
        CardDav::Session other(RadicaleServer::User, RadicaleServer::Password);
        const QString uid = modPersonUid::Identities(modDatabase::DatabaseConnection()).begin()->uid;
        QCOMPARE(other.Send("PUT", m_book.resolved(QUrl(uid + ".vcf")), card).status / 100, 2);
        QVERIFY(sync(file("a.mdb")).ok);
        edit("Anna", "Anna", {"0202"});
        QVERIFY(sync(file("a.mdb")).ok);
        card = serverCards().value(0);
        QVERIFY2(card.contains("PHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB") && card.contains("ORG:Acme"), card.constData());
        QVERIFY2(card.contains("TEL:0202") && !card.contains("0101"), card.constData());
        QStringList parsed;
        QString error;
        QVERIFY2(TestSupport::readWithVobject(card, parsed, error), qPrintable(error));
        QCOMPARE(parsed, QStringList{uid + "\tAnna"});
    }

    // The server changes a card between the listing and the upload: the upload is
    // refused (412), the card fetched again and merged.
    void changedOnServerDuringSync()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        add("Bob", "0202");
        QVERIFY(sync(file("a.mdb")).ok);
        QVERIFY(sync(file("b.mdb")).ok);
        open(file("a.mdb"));
        edit("Anna", "Anna", {"0111"});
        edit("Bob", "Bob", {"0222"});
        // After the first upload, another device edits the person not yet sent.
        modSync::Options options;
        QString other;
        options.progress = [&](int, int) {
            if (!other.isEmpty())
                return;
            for (QByteArray card : serverCards())
                for (const char* old : {"TEL:0101", "TEL:0202"})
                    if (card.contains(old)) {
                        other = card.contains("FN:Anna") ? "Anna" : "Bob";
                        const QString uid = QString(card).section("UID:", 1).section('\r', 0, 0);
                        CardDav::Session session(RadicaleServer::User, RadicaleServer::Password);
                        session.Send("PUT", m_book.resolved(QUrl(uid + ".vcf")), card.replace(old, "TEL:0333"));
                    }
        };
        const modSync::Result result = sync(file("a.mdb"), options);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(!other.isEmpty());
        QCOMPARE(persons(file("a.mdb")), (QStringList{other == "Anna" ? "Anna: 0111, 0333" : "Anna: 0111",
                                                      other == "Bob" ? "Bob: 0222, 0333" : "Bob: 0222"}));
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));
    }

    void wrongPassword()
    {
        open(file("a.mdb"));
        add("Anna", "0101");
        const modSync::Result result = sync(file("a.mdb"), modSync::Options(), "wrong");
        QVERIFY(!result.ok);
        QVERIFY(result.unauthorised);
        QVERIFY(serverCards().isEmpty());
    }

    // Removing most persons asks first; without a yes nothing happens.
    void drasticRemovalAsks_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("refused") << false;
        QTest::newRow("accepted") << true;
    }
    void drasticRemovalAsks()
    {
        QFETCH(bool, answer);
        open(file("a.mdb"));
        for (const char* name : {"Anna", "Bob", "Cleo"})
            add(name, "0101");
        QVERIFY(sync(file("a.mdb")).ok);
        remove("Anna");
        remove("Bob");
        modSync::Options options;
        QString asked;
        options.confirm = [&](const QString& reason) {
            asked = reason;
            return answer;
        };
        const modSync::Result result = sync(file("a.mdb"), options);
        QVERIFY2(asked.contains("Removed on the server: 2"), qPrintable(asked));
        QCOMPARE(result.ok, answer);
        QCOMPARE(serverCards().size(), answer ? 1 : 3);
    }

    // The window finds the address books from the bare host and links the database;
    // Database > Synchronise then syncs with the password kept for the session.
    void windowLinksAndSynchronises()
    {
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

        QVERIFY(window.mnuFileSynchronise->isEnabled());
        window.mnuFileSynchronise->trigger();
        QCOMPARE(serverCards().size(), 1);
        QVERIFY2(window.staMain->currentMessage().contains("Sent: 1"), qPrintable(window.staMain->currentMessage()));

        // Cancel in the status bar ends a sync at once; the next one does the rest.
        add("Bob", "0202");
        QTimer::singleShot(0, &window, [&window] {
            auto* cancel = window.staMain->findChild<QPushButton*>("cmdSyncCancel");
            QVERIFY(cancel && cancel->isVisible());
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        window.mnuFileSynchronise->trigger();
        QCOMPARE(serverCards().size(), 1);
        QVERIFY(!window.staMain->findChild<QPushButton*>("cmdSyncCancel"));
        window.mnuFileSynchronise->trigger();
        QCOMPARE(serverCards().size(), 2);
    }

    void syncCommand_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("linked");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("synchronised") << RadicaleServer::Password << true << 0 << "Sent: 1";
        QTest::newRow("wrong password") << "wrong" << true << 1 << "(401)";
        QTest::newRow("not linked") << RadicaleServer::Password << false << 1 << "not linked";
    }
    void syncCommand()
    {
        QFETCH(QString, password);
        QFETCH(bool, linked);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        open(file("a.mdb"));
        add("Anna", "0101");
        if (!linked)
            modSyncState::RemoveLink(modDatabase::DatabaseConnection());
        QString out;
        QString err;
        QCOMPARE(runSyncCommand(password, &out, &err), exitCode);
        QVERIFY2((exitCode == 0 ? out : err).contains(said), qPrintable(out + err));
        QVERIFY2(!err.contains(RadicaleServer::Password), qPrintable(err));
        QCOMPARE(serverCards().size(), exitCode == 0 ? 1 : 0);
    }

    // A sync killed anywhere is completed by the next one: the same persons on both
    // sides, none twice.
    void interruptedSyncCompletes_data()
    {
        QTest::addColumn<int>("cards"); // on the server when the sync is killed
        QTest::newRow("at the first card") << 1;
        QTest::newRow("after some cards") << 10;
        QTest::newRow("near the end") << 35;
    }
    void interruptedSyncCompletes()
    {
        QFETCH(int, cards);
        open(file("a.mdb"));
        for (int i = 1; i <= 40; ++i)
            add(QString("Person %1").arg(i, 2, 10, QChar('0')), QString::number(1000 + i));
        const QString book = m_book.path().section('/', -2, -2);
        QString out;
        QString err;
        QCOMPARE(
            runSyncCommand(RadicaleServer::Password, &out, &err, [&] { return m_server.storedCards(book) >= cards; }),
            -1);
        QCOMPARE(runSyncCommand(RadicaleServer::Password, &out, &err), 0);
        QVERIFY(sync(file("b.mdb")).ok);
        QCOMPARE(persons(file("b.mdb")), persons(file("a.mdb")));
        QCOMPARE(persons(file("a.mdb")).size(), 40);
        QCOMPARE(serverCards().size(), 40);
    }
};

ADDRION_TEST_MAIN(TestSync)
#include "tst_sync.moc"
