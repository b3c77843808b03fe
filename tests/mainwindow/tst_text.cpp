#include "TestSupport.h"

#include "startup/modText.h"

using namespace modMain;

namespace {

QString Chars(std::initializer_list<char16_t> codes)
{
    QString text;
    for (const char16_t code : codes)
        text += QChar(code);
    return text;
}

QString Range(char16_t first, char16_t last)
{
    QString text;
    for (char16_t code = first; code <= last; ++code)
        text += QChar(code);
    return text;
}

} // namespace

class TestText : public QObject
{
    Q_OBJECT

private slots:
    void keyToContactnr_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("contactnr");
        QTest::newRow("sign blank") << "Person  7" << 7;
        QTest::newRow("no sign blank") << "Person 7" << 7;
        QTest::newRow("negative") << "Person -12" << -12;
        QTest::newRow("largest") << "Person  32767" << 32767;
        QTest::newRow("smallest") << "Person -32768" << -32768;
        QTest::newRow("several blanks") << "Person     45" << 45;
        QTest::newRow("prefix not read") << "Persxx 9" << 9;
        QTest::newRow("trailing text ignored") << "Person  12 " << 12;
        QTest::newRow("no number") << "Person " << 0;
        QTest::newRow("short") << "Pers" << 0;
        QTest::newRow("too large") << "Person  40000" << 0;
    }
    void keyToContactnr()
    {
        QFETCH(QString, key);
        QTEST(int(KeyToContactnr(key)), "contactnr");
    }

    void contactKey_data()
    {
        QTest::addColumn<int>("contactnr");
        QTest::addColumn<QString>("key");
        QTest::newRow("7") << 7 << "Person  7";
        QTest::newRow("zero") << 0 << "Person  0";
        QTest::newRow("largest") << 32767 << "Person  32767";
        QTest::newRow("negative") << -3 << "Person -3";
        QTest::newRow("smallest") << -32768 << "Person -32768";
    }
    void contactKey()
    {
        QFETCH(int, contactnr);
        const QString built = ContactKey(static_cast<qint16>(contactnr));
        QTEST(built, "key");
        QCOMPARE(int(KeyToContactnr(built)), contactnr);
    }

    void foldAccents_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("192-197") << Range(192, 197) << "AAAAAA";
        QTest::newRow("199") << Chars({199}) << "C";
        QTest::newRow("200-203") << Range(200, 203) << "EEEE";
        QTest::newRow("204-207") << Range(204, 207) << "IIII";
        QTest::newRow("208") << Chars({208}) << "D";
        QTest::newRow("209") << Chars({209}) << "N";
        QTest::newRow("210-214, 216") << Range(210, 214) + Chars({216}) << "OOOOOO";
        QTest::newRow("215") << Chars({215}) << "x";
        QTest::newRow("217-220") << Range(217, 220) << "UUUU";
        QTest::newRow("221") << Chars({221}) << "Y";
        QTest::newRow("222, 254") << Chars({222, 254}) << "pp";
        QTest::newRow("223") << Chars({223}) << "B";
        QTest::newRow("224-229") << Range(224, 229) << "aaaaaa";
        QTest::newRow("231") << Chars({231}) << "c";
        QTest::newRow("232-235") << Range(232, 235) << "eeee";
        QTest::newRow("236-239") << Range(236, 239) << "iiii";
        QTest::newRow("240, 242-246, 248") << Chars({240}) + Range(242, 246) + Chars({248}) << "ooooooo";
        QTest::newRow("241") << Chars({241}) << "n";
        QTest::newRow("249-252") << Range(249, 252) << "uuuu";
        QTest::newRow("253, 255") << Chars({253, 255}) << "yy";
        QTest::newRow("stay: AE, ae, division") << Chars({198, 230, 247}) << Chars({198, 230, 247});
        TestSupport::addRow("stay: outside the table", QString::fromUtf8("Łódź œ ŷ 191¿"),
                            QString::fromUtf8("Łodź œ ŷ 191¿"));
        QTest::newRow("name") << QString::fromUtf8("José Müller-Ångström") << "Jose Muller-Angstrom";
        TestSupport::addRow("empty", "", "");
    }
    void foldAccents()
    {
        QFETCH(QString, text);
        QTEST(FoldAccents(text), "folded");
    }

    // Every character from 192 to 255 either folds to a plain ASCII letter or is one of
    // the three that stay.
    void foldAccentsCoversTheWholeBlock()
    {
        const QString kept = Chars({198, 230, 247});
        for (char16_t code = 192; code <= 255; ++code) {
            const QString folded = FoldAccents(QString(QChar(code)));
            QCOMPARE(folded.size(), 1);
            if (kept.contains(QChar(code)))
                QCOMPARE(folded, QString(QChar(code)));
            else
                QVERIFY2(folded[0].unicode() < 128 && folded[0].isLetter(), qPrintable(QString(QChar(code))));
        }
    }

    void accentPattern_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        TestSupport::addRow("no class", "bdXzZP1 %_'", "bdXzZP1 %_'");
        QTest::newRow("accented letters are not widened") << QString::fromUtf8("éÆæ÷") << QString::fromUtf8("éÆæ÷");
        TestSupport::addRow("word", "Bob",
                            "[B" + Chars({223}) + "][o" + Chars({240}) + Range(242, 246) + Chars({248}) + "]b");
        TestSupport::addRow("empty", "", "");
    }
    void accentPattern()
    {
        QFETCH(QString, text);
        QTEST(AccentPattern(text), "pattern");
    }

    // A letter's class holds the letter and, in code order, every character from 192 to 255
    // that folds to it (so Þ, folded to p, is found again); a letter nothing folds to stays.
    void accentClassesAreTheInverseOfFolding()
    {
        for (char16_t letter = '0'; letter <= 'z'; ++letter) {
            const QString plain(QChar{letter});
            if (!plain.at(0).isLetterOrNumber())
                continue;
            QString members;
            for (char16_t code = 192; code <= 255; ++code)
                if (FoldAccents(QString(QChar(code))) == plain)
                    members += QChar(code);
            QCOMPARE(AccentPattern(plain), members.isEmpty() ? plain : "[" + plain + members + "]");
        }
    }

    void partBeforeAt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        TestSupport::addRow("address", "jane.doe@example.org", "jane.doe");
        TestSupport::addRow("first @", "a@b@c", "a");
        TestSupport::addRow("leading @", "@host", "");
        TestSupport::addRow("no @", "nobody", "nobody");
        TestSupport::addRow("empty", "", "");
    }
    void partBeforeAt()
    {
        QFETCH(QString, text);
        QTEST(PartBeforeAt(text), "part");
    }

    void trimBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        TestSupport::addRow("padded", "  Anna Bell   ", "Anna Bell");
        TestSupport::addRow("inner blanks kept", "a  b", "a  b");
        TestSupport::addRow("line breaks kept", " \r\nnote\n ", "\r\nnote\n");
        TestSupport::addRow("only blanks", "    ", "");
        TestSupport::addRow("empty", "", "");
    }
    void trimBlanks()
    {
        QFETCH(QString, text);
        QTEST(TrimBlanks(text), "trimmed");
    }

    void cleanText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("lineBreaks");
        QTest::addColumn<QString>("clean");
        QTest::newRow("NUL and bell") << QString("An") + QChar(0) + "na\a" << false << "Anna";
        QTest::newRow("tabs stay") << "a\tb" << false << "a\tb";
        QTest::newRow("line breaks go from a line") << "a\r\nb\x1f" << false << "ab";
        QTest::newRow("line breaks stay in a note") << "a\r\nb\x1b\n" << true << "a\r\nb\n";
        QTest::newRow("others untouched") << "Ärger \u00a0\u200b\x7f" << false << "Ärger \u00a0\u200b\x7f";
    }
    void cleanText()
    {
        QFETCH(QString, text);
        QFETCH(bool, lineBreaks);
        QTEST(CleanText(text, lineBreaks), "clean");
    }
};

ADDRION_TEST_MAIN(TestText)
#include "tst_text.moc"
