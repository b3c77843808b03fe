#include "TestSupport.h"

#include "language/IniFile.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

// Every language file that ships must translate exactly the texts the program looks up.
class TestLanguageFiles : public QObject
{
    Q_OBJECT

    QSet<QString> m_keys;

    static QString languageFolder() { return TestSupport::sourceDir() + "/resources/Language"; }

    static QStringList sourceFiles()
    {
        QStringList files;
        QDirIterator it(TestSupport::sourceDir() + "/src", {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    static QString unescape(const QString& literal)
    {
        QString text = literal;
        text.replace("\\\"", "\"");
        text.replace("\\\\", "\\");
        return text;
    }

private slots:
    // The keys are the English texts the program passes to the lookup, written where
    // it looks them up or marked where it keeps them for later.
    void initTestCase()
    {
        const QRegularExpression key(QStringLiteral(
            "\\b(?:T|Translate|TRANSLATABLE)\\(\\s*(?:QStringLiteral\\(\\s*)?\"((?:[^\"\\\\]|\\\\.)*)\""));
        for (const QString& file : sourceFiles()) {
            const QString text = QString::fromUtf8(TestSupport::readFile(file));
            for (auto match = key.globalMatch(text); match.hasNext();)
                m_keys.insert(unescape(match.next().captured(1)));
        }
        QVERIFY2(m_keys.size() > 50, qPrintable(QString::number(m_keys.size())));
    }

    // A lookup whose key is computed would escape the check; it is allowed only where
    // the texts it can see are marked.
    void lookupsUseWrittenKeys()
    {
        const QRegularExpression computed(
            QStringLiteral("\\bT\\((?!\\s*(?:QStringLiteral\\(\\s*)?\")(?!const QString)"));
        QStringList offenders;
        for (const QString& file : sourceFiles()) {
            const QString text = QString::fromUtf8(TestSupport::readFile(file));
            if (text.contains("TRANSLATABLE(") || file.endsWith("language/modLanguage.h"))
                continue;
            if (computed.match(text).hasMatch())
                offenders << file;
        }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join('\n')));
    }

    void everyFileTranslatesEveryKey_data()
    {
        QTest::addColumn<QString>("file");
        const QDir folder(languageFolder());
        const QStringList files = folder.entryList({"*.ini"}, QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << folder.filePath(file);
    }
    void everyFileTranslatesEveryKey()
    {
        QFETCH(QString, file);
        const QByteArray bytes = TestSupport::readFile(file);
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(bytes);
        QVERIFY2(!utf8.hasError(), "the file is not UTF-8");
        QVERIFY(!decoded.contains(QChar::ReplacementCharacter));

        const IniFile ini = IniFile::parse(bytes);
        QVERIFY2(!ini.value("Info", "Language").isEmpty(), "no [Info] Language");
        QCOMPARE(ini.value("Info", "Version"), QString("1.4.3"));
        QCOMPARE(ini.value("Info", "Translator"), QString("Addrion team"));

        const QStringList keys = ini.keys("Translation");
        const QSet<QString> translated(keys.begin(), keys.end());
        QStringList missing;
        QStringList empty;
        for (const QString& key : m_keys) {
            if (!translated.contains(key))
                missing << key;
            else if (ini.value("Translation", key).trimmed().isEmpty())
                empty << key;
        }
        QStringList unused;
        for (const QString& key : translated)
            if (!m_keys.contains(key))
                unused << key;
        missing.sort();
        unused.sort();
        QVERIFY2(missing.isEmpty(), qPrintable("missing: " + missing.join(" | ")));
        QVERIFY2(empty.isEmpty(), qPrintable("empty: " + empty.join(" | ")));
        QVERIFY2(unused.isEmpty(), qPrintable("never asked for: " + unused.join(" | ")));
    }

    // The menu lists the languages by file name; each file names its language itself.
    void everyDetectedLanguageShips()
    {
        const QStringList expected{"Albanian",
                                   "Arabic",
                                   "Basque",
                                   "Chinese (Taiwan)",
                                   "Croatian",
                                   "Danish",
                                   "Dutch",
                                   "Estonian",
                                   "Finnish",
                                   "French",
                                   "German",
                                   "Greek",
                                   "Hebrew",
                                   "Hungarian",
                                   "Icelandic",
                                   "Indonesian",
                                   "Italian",
                                   "Japanese",
                                   "Latvian",
                                   "Macedonian",
                                   "Norwegian (Bokmål)",
                                   "Persian",
                                   "Polish",
                                   "Portuguese (Brazilian)",
                                   "Portuguese (Portugal)",
                                   "Romanian",
                                   "Russian",
                                   "Serbian (Cyrillic)",
                                   "Slovak",
                                   "Slovenian",
                                   "Spanish",
                                   "Swedish",
                                   "Turkish",
                                   "Ukrainian",
                                   "Urdu"};
        QStringList missing;
        for (const QString& language : expected)
            if (!QFile::exists(languageFolder() + "/" + language + ".ini"))
                missing << language;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }
};

ADDRION_TEST_MAIN(TestLanguageFiles)
#include "tst_languagefiles.moc"
