#include "TestSupport.h"

#include "editor/modHyperlink.h"

class TestHyperlink : public QObject
{
    Q_OBJECT

private slots:
    void getHyperlinkWord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("start");
        const QString line = "see www.example.org today";
        QTest::newRow("middle of a line") << line << 10 << "www.example.org" << 5;
        QTest::newRow("on the first letter") << line << 5 << "www.example.org" << 5;
        QTest::newRow("on the last letter") << line << 19 << "www.example.org" << 5;
        QTest::newRow("last word") << line << 24 << "today" << 21;
        QTest::newRow("caret after a blank") << "ab cd" << 3 << "cd" << 4;
        QTest::newRow("caret at the end") << "ab cd" << 5 << "cd" << 4;
        QTest::newRow("beyond the end") << "ab cd" << 9 << "cd" << 4;
        QTest::newRow("second of two blanks") << "a  b" << 3 << "b" << 4;
        QTest::newRow("start of note") << "www.a.be rest" << 3 << "www.a.be" << 1;
        QTest::newRow("position 1") << "www.a.be rest" << 1 << "www.a.be" << 1;
        QTest::newRow("position 0") << "www.a.be rest" << 0 << "www.a.be" << 1;
        QTest::newRow("after a line break") << "Hello\r\nhttp://x.org end" << 10 << "http://x.org" << 8;
        QTest::newRow("after a line feed") << "Hello\nhttp://x.org" << 9 << "http://x.org" << 7;
        QTest::newRow("before a line break, CRLF removed") << "mailto:a@b.c\r\nnext" << 3 << "mailto:a@b.c" << 1;
        QTest::newRow("before a line feed") << "www.x.org\nnext" << 2 << "www.x.org" << 1;
        QTest::newRow("carriage return is no separator") << "x\ry z" << 2 << "x\ry" << 1;
        QTest::newRow("leading blank at position 1") << " ab" << 1 << "" << 1;
        QTest::newRow("single word") << "word" << 4 << "word" << 1;
    }
    void getHyperlinkWord()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QString, word);
        QFETCH(int, start);
        int p = position;
        QCOMPARE(modHyperlink::GetHyperlinkWord(text, p), word);
        QCOMPARE(p, start);
    }

    void emptyTextGivesNoWord()
    {
        int position = 5;
        QCOMPARE(modHyperlink::GetHyperlinkWord(QString(), position), QString());
        QCOMPARE(position, 5);
        QVERIFY(!modHyperlink::IsHyperlink(modHyperlink::GetHyperlinkWord(QString(), position)));
    }

    void isHyperlink_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("www") << "www.example.org" << true;
        QTest::newRow("http") << "http://example.org" << true;
        QTest::newRow("https") << "https://example.org" << true;
        QTest::newRow("ftp") << "ftp://files.example.org" << true;
        QTest::newRow("mailto") << "mailto:ann@example.org" << true;
        QTest::newRow("file") << "file:///home/ann/notes.txt" << true;
        QTest::newRow("news") << "news:comp.lang" << true;
        QTest::newRow("nntp") << "nntp://host/group" << true;
        QTest::newRow("telnet") << "telnet:host" << true;
        QTest::newRow("gopher") << "gopher://host" << true;
        QTest::newRow("wais") << "wais://host" << true;
        QTest::newRow("prospero") << "prospero://host" << true;
        QTest::newRow("marker in the middle") << "abchttp:def" << true;
        QTest::newRow("capital scheme") << "HTTP://EXAMPLE.ORG" << false;
        QTest::newRow("capital scheme with www") << "HTTP://www.example.org" << true;
        QTest::newRow("capital www") << "WWW.EXAMPLE.ORG" << false;
        QTest::newRow("plain domain") << "example.org" << false;
        QTest::newRow("scheme without colon") << "http" << false;
        QTest::newRow("e-mail address") << "ann@example.org" << false;
        QTest::newRow("empty") << "" << false;
    }
    void isHyperlink()
    {
        QFETCH(QString, text);
        QFETCH(bool, link);
        QCOMPARE(modHyperlink::IsHyperlink(text), link);
    }
};

ADDRION_TEST_MAIN(TestHyperlink)
#include "tst_hyperlink.moc"
