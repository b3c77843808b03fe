#include "TestSupport.h"

#include "startup/modText.h"

#include <functional>

using namespace modMain;

namespace {

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
    // Reading a key takes the number after its first seven characters; written marks the
    // keys that ContactKey writes for that number.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("contactnr");
        QTest::addColumn<bool>("written");
        TestSupport::addRow("sign blank", "Person  7", 7, true);
        TestSupport::addRow("zero", "Person  0", 0, true);
        TestSupport::addRow("largest", "Person  32767", 32767, true);
        TestSupport::addRow("negative", "Person -12", -12, true);
        TestSupport::addRow("smallest", "Person -32768", -32768, true);
        TestSupport::addRow("no sign blank", "Person 7", 7, false);
        TestSupport::addRow("several blanks", "Person     45", 45, false);
        TestSupport::addRow("prefix not read", "Persxx 9", 9, false);
        TestSupport::addRow("trailing text ignored", "Person  12 ", 12, false);
        TestSupport::addRow("no number", "Person ", 0, false);
        TestSupport::addRow("short", "Pers", 0, false);
        TestSupport::addRow("too large", "Person  40000", 0, false);
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, contactnr);
        QFETCH(bool, written);
        QCOMPARE(int(KeyToContactnr(key)), contactnr);
        if (written)
            QCOMPARE(ContactKey(static_cast<qint16>(contactnr)), key);
    }

    // The text functions, each named in the first column, on one input.
    void transforms_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        // Every character from 192 to 255 in code order: all but Æ, æ and ÷ fold to ASCII.
        TestSupport::addRow("fold: 192-255", "fold", Range(192, 255),
                            QString::fromUtf8("AAAAAAÆCEEEEIIIIDNOOOOOxOUUUUYpBaaaaaaæceeeeiiiionooooo÷ouuuuypy"));
        TestSupport::addRow("fold: outside the table", "fold", QString::fromUtf8("Łódź œ ŷ 191¿"),
                            QString::fromUtf8("Łodź œ ŷ 191¿"));
        TestSupport::addRow("fold: name", "fold", QString::fromUtf8("José Müller-Ångström"), "Jose Muller-Angstrom");
        TestSupport::addRow("fold: empty", "fold", "", "");
        TestSupport::addRow("pattern: no class", "pattern", "bdXzZP1 %_'", "bdXzZP1 %_'");
        TestSupport::addRow("pattern: accented letters are not widened", "pattern", QString::fromUtf8("éÆæ÷"),
                            QString::fromUtf8("éÆæ÷"));
        TestSupport::addRow("pattern: word", "pattern", "Bob", QString::fromUtf8("[Bß][oðòóôõöø]b"));
        TestSupport::addRow("before @: address", "before @", "jane.doe@example.org", "jane.doe");
        TestSupport::addRow("before @: first @", "before @", "a@b@c", "a");
        TestSupport::addRow("before @: leading @", "before @", "@host", "");
        TestSupport::addRow("before @: no @", "before @", "nobody", "nobody");
        TestSupport::addRow("trim: padded", "trim", "  Anna Bell   ", "Anna Bell");
        TestSupport::addRow("trim: inner blanks kept", "trim", "a  b", "a  b");
        TestSupport::addRow("trim: line breaks kept", "trim", " \r\nnote\n ", "\r\nnote\n");
        TestSupport::addRow("trim: only blanks", "trim", "    ", "");
        TestSupport::addRow("clean: NUL and bell", "clean line", QString("An") + QChar(0) + "na\a", "Anna");
        TestSupport::addRow("clean: tabs stay", "clean line", "a\tb", "a\tb");
        TestSupport::addRow("clean: line breaks go from a line", "clean line", "a\r\nb\x1f", "ab");
        TestSupport::addRow("clean: line breaks stay in a note", "clean note", "a\r\nb\x1b\n", "a\r\nb\n");
        TestSupport::addRow("clean: others untouched", "clean line", "Ärger \u00a0\u200b\x7f",
                            "Ärger \u00a0\u200b\x7f");
    }
    void transforms()
    {
        QFETCH(QString, function);
        QFETCH(QString, text);
        const QHash<QString, std::function<QString(const QString&)>> functions{
            {"fold", [](const QString& t) { return FoldAccents(t); }},
            {"pattern", [](const QString& t) { return AccentPattern(t); }},
            {"before @", [](const QString& t) { return PartBeforeAt(t); }},
            {"trim", [](const QString& t) { return TrimBlanks(t); }},
            {"clean line", [](const QString& t) { return CleanText(t, false); }},
            {"clean note", [](const QString& t) { return CleanText(t, true); }}};
        QTEST(functions.value(function)(text), "result");
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
};

ADDRION_TEST_MAIN(TestText)
#include "tst_text.moc"
