#include "TestSupport.h"

#include "sync/CardDav.h"
#include "sync/modSyncCard.h"
#include "sync/modSyncPlan.h"

// The sync plan over plain values, every case of the table, and the cards a sync sends.
class TestSyncPlan : public QObject
{
    Q_OBJECT

    // "a:1" -> uid a (href a.vcf), hash or etag 1; "a:1:2" for a known entry: hash 1, etag 2.
    static std::vector<modSyncPlan::LocalCard> local(const QStringList& items)
    {
        std::vector<modSyncPlan::LocalCard> cards;
        for (const QString& item : items)
            cards.push_back({item.section(':', 0, 0), item.section(':', 1, 1)});
        return cards;
    }
    static std::vector<modSyncPlan::RemoteCard> remote(const QStringList& items)
    {
        std::vector<modSyncPlan::RemoteCard> cards;
        for (const QString& item : items)
            cards.push_back({item.section(':', 0, 0) + ".vcf", item.section(':', 1, 1)});
        return cards;
    }
    static std::vector<modSyncPlan::Known> known(const QStringList& items)
    {
        std::vector<modSyncPlan::Known> entries;
        for (const QString& item : items)
            entries.push_back({item.section(':', 0, 0), item.section(':', 1, 1), item.section(':', 0, 0) + ".vcf",
                               item.section(':', 2, 2)});
        return entries;
    }

private slots:
    void plan_data()
    {
        QTest::addColumn<QStringList>("here");
        QTest::addColumn<QStringList>("there");
        QTest::addColumn<QStringList>("last");
        QTest::addColumn<QStringList>("operations"); // "Action uid href etag"
        QTest::addColumn<bool>("ask");

        const QStringList three{"b:1", "c:1", "d:1"};
        const QStringList threeThere{"b:1", "c:1", "d:1"};
        const QStringList threeKnown{"b:1:1", "c:1:1", "d:1:1"};
        QTest::newRow("first sync, both empty")
            << QStringList{} << QStringList{} << QStringList{} << QStringList{} << false;
        QTest::newRow("first sync, new on both sides") << QStringList{"a:1"} << QStringList{"x:7"} << QStringList{}
                                                       << QStringList{"DownloadNew  x.vcf 7", "UploadNew a  "} << false;
        QTest::newRow("nothing changed") << QStringList{"a:1"} << QStringList{"a:2"} << QStringList{"a:1:2"}
                                         << QStringList{} << false;
        QTest::newRow("changed here") << QStringList{"a:9"} << QStringList{"a:2"} << QStringList{"a:1:2"}
                                      << QStringList{"Upload a a.vcf 2"} << false;
        QTest::newRow("changed there") << QStringList{"a:1"} << QStringList{"a:3"} << QStringList{"a:1:2"}
                                       << QStringList{"Download a a.vcf 3"} << false;
        QTest::newRow("changed on both sides") << QStringList{"a:9"} << QStringList{"a:3"} << QStringList{"a:1:2"}
                                               << QStringList{"Merge a a.vcf 3"} << false;
        QTest::newRow("removed here, unchanged there")
            << three << QStringList{"a:2"} + threeThere << QStringList{"a:1:2"} + threeKnown
            << QStringList{"DeleteRemote a a.vcf 2"} << false;
        QTest::newRow("removed there, unchanged here")
            << QStringList{"a:1"} + three << threeThere << QStringList{"a:1:2"} + threeKnown
            << QStringList{"DeleteLocal a a.vcf "} << false;
        QTest::newRow("removed here, changed there: restored here")
            << three << QStringList{"a:3"} + threeThere << QStringList{"a:1:2"} + threeKnown
            << QStringList{"Download a a.vcf 3"} << false;
        QTest::newRow("removed there, changed here: restored there")
            << QStringList{"a:9"} + three << threeThere << QStringList{"a:1:2"} + threeKnown
            << QStringList{"UploadNew a a.vcf "} << false;
        QTest::newRow("removed on both sides")
            << three << threeThere << QStringList{"a:1:2"} + threeKnown << QStringList{"Forget a a.vcf "} << false;
        QTest::newRow("downloads run before uploads")
            << QStringList{"a:9", "n:1"} << QStringList{"a:2", "m:5"} << QStringList{"a:1:2"}
            << QStringList{"DownloadNew  m.vcf 5", "Upload a a.vcf 2", "UploadNew n  "} << false;
        QTest::newRow("more than half removed here: ask")
            << QStringList{"c:1"} << QStringList{"a:2", "b:2", "c:2"} << QStringList{"a:1:2", "b:1:2", "c:1:2"}
            << QStringList{"DeleteRemote a a.vcf 2", "DeleteRemote b b.vcf 2"} << true;
        QTest::newRow("half removed there: no question")
            << QStringList{"a:1", "b:1"} << QStringList{"b:2"} << QStringList{"a:1:2", "b:1:2"}
            << QStringList{"DeleteLocal a a.vcf "} << false;
        QTest::newRow("last person removed here, changed there: restored, no question")
            << QStringList{} << QStringList{"a:3"} << QStringList{"a:1:2"} << QStringList{"Download a a.vcf 3"}
            << false;
        QTest::newRow("server emptied: ask") << QStringList{"a:1"} << QStringList{} << QStringList{"a:1:2"}
                                             << QStringList{"DeleteLocal a a.vcf "} << true;
    }
    void plan()
    {
        QFETCH(QStringList, here);
        QFETCH(QStringList, there);
        QFETCH(QStringList, last);
        QFETCH(QStringList, operations);
        QFETCH(bool, ask);
        const modSyncPlan::Plan plan = modSyncPlan::MakePlan(local(here), remote(there), known(last));
        QStringList found;
        for (const modSyncPlan::Operation& operation : plan.operations)
            found << QStringList{modSyncPlan::ActionName(operation.action), operation.uid, operation.href,
                                 operation.etag}
                         .join(' ');
        QCOMPARE(found, operations);
        QCOMPARE(plan.needsConfirmation, ask);
    }

    // An edit here changes only the properties we own in the server's card.
    void updatedCard_data()
    {
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<QByteArray>("ours");
        QTest::addColumn<QByteArray>("sent");

        const QByteArray ours = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\nUID:u1\r\n"
                                "REV:20260102T030405Z\r\nTEL;TYPE=CELL:0202\r\nitem1.TEL:0303\r\n"
                                "item1.X-ABLabel:Boat\r\nEND:VCARD\r\n";
        QTest::newRow("no server card yet") << QByteArray() << ours << ours;
        QTest::newRow("photo, organisation and labels of others survive")
            << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nFN:Anna\r\nN:;Anna;;;\r\nORG:Acme\r\n"
                          "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\n BBBB\r\nTEL:0101\r\nitem1.URL:http://a.example\r\n"
                          "item1.X-ABLabel:blog\r\nitem2.EMAIL:a@example.org\r\nitem2.X-ABLabel:old\r\n"
                          "REV:2020\r\nEND:VCARD\r\n")
            << ours
            << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u1\r\nORG:Acme\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAABBBB\r\n"
                          "item1.URL:http://a.example\r\nitem1.X-ABLabel:blog\r\nN:Berg;Anna;;;\r\nFN:Anna Berg\r\n"
                          "TEL;TYPE=CELL:0202\r\nitem2.TEL:0303\r\nitem2.X-ABLabel:Boat\r\n"
                          "REV:20260102T030405Z\r\nEND:VCARD\r\n");
    }
    void updatedCard()
    {
        QFETCH(QByteArray, server);
        QFETCH(QByteArray, ours);
        QFETCH(QByteArray, sent);
        QCOMPARE(modSyncCard::Updated(server, ours), sent);
    }

    // A server's answer cut short (found by fuzzing) lists nothing, rather than the part
    // that arrived.
    void brokenAnswerListsNothing_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("items");
        const QByteArray whole = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\"><d:response>"
                                 "<d:href>/book/a.vcf</d:href><d:propstat><d:prop><d:getetag>\"1\"</d:getetag>"
                                 "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
                                 "<d:sync-token>t1</d:sync-token></d:multistatus>";
        QTest::newRow("whole") << whole << true << 1;
        QTest::newRow("cut after a response") << whole.left(whole.indexOf("<d:sync-token>")) << false << 0;
        QTest::newRow("not a multistatus") << QByteArray("<d:error xmlns:d=\"DAV:\"/>") << false << 0;
    }
    void brokenAnswerListsNothing()
    {
        QFETCH(QByteArray, xml);
        QFETCH(bool, valid);
        QFETCH(int, items);
        const CardDav::Multistatus answer = CardDav::ParseMultistatus(xml);
        QCOMPARE(answer.valid, valid);
        QCOMPARE(int(answer.items.size()), items);
        QCOMPARE(answer.syncToken.isEmpty(), !valid);
    }

    void hashIgnoresRevisionOnly()
    {
        const QByteArray card = "BEGIN:VCARD\r\nFN:Anna\r\nREV:20260102T030405Z\r\nEND:VCARD\r\n";
        QCOMPARE(modSyncCard::Hash(card), modSyncCard::Hash(QByteArray(card).replace("0304", "9999")));
        QVERIFY(modSyncCard::Hash(card) != modSyncCard::Hash(QByteArray(card).replace("Anna", "Anne")));
    }
};

ADDRION_TEST_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
