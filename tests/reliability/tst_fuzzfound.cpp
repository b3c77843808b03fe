#include "TestSupport.h"

#include "editor/modHyperlink.h"
#include "version/modVersion.h"

#include <climits>

// What the fuzz targets in fuzz/ found, kept so that it stays fixed.
class TestFuzzFound : public QObject
{
    Q_OBJECT

private slots:
    // A click position far beyond the text walked back one character at a time.
    void hyperlinkWordFarBeyondTheText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("start");
        QTest::newRow("largest position") << "see www.a.b" << INT_MAX << "www.a.b" << 5;
        QTest::newRow("just past the end") << "see www.a.b" << 12 << "www.a.b" << 5;
        QTest::newRow("past a closing blank") << "mailto:x@y.z " << 1000000 << "" << 14;
        QTest::newRow("past a line end") << "a\r\nwww.b.c\n" << INT_MAX - 1 << "" << 12;
    }
    void hyperlinkWordFarBeyondTheText()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QString, word);
        QFETCH(int, start);
        int at = position;
        QCOMPARE(modHyperlink::GetHyperlinkWord(text, at), word);
        QCOMPARE(at, start);
    }

    // A signed or blank-padded number where the status code belongs read as a status.
    void answerStatusIsThreeDigits_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("status");
        QTest::newRow("found by the fuzzer") << QByteArray(":\r\nd1\0:\n0-5\r\n\r\n1@.5.0", 21) << 0;
        QTest::newRow("negative") << QByteArray("HTTP/1.1 -5 Odd") << 0;
        QTest::newRow("plus sign") << QByteArray("HTTP/1.1 +20 Odd") << 0;
        QTest::newRow("blank inside") << QByteArray("HTTP/1.1  20 Odd") << 0;
        QTest::newRow("cut short") << QByteArray("HTTP/1.1 20") << 0;
        QTest::newRow("ordinary") << QByteArray("HTTP/1.1 200 OK\r\n") << 200;
        QTest::newRow("not found") << QByteArray("HTTP/1.0 404 Not Found") << 404;
    }
    void answerStatusIsThreeDigits()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, status);
        QCOMPARE(modVersion::AnswerStatus(answer), status);
    }
};

ADDRION_TEST_MAIN(TestFuzzFound)
#include "tst_fuzzfound.moc"
