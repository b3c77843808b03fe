// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "DataRow.h"
#include "DatabaseFixture.h"
#include "PersonDump.h"
#include "ScriptedPlatform.h"
#include "TestSupport.h"
#include "TwoRows.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modPersonView.h"
#include "database/modSql.h"
#include "mainwindow/WindowLayout.h"
#include "mainwindow/modList.h"
#include "mainwindow/modListOrder.h"
#include "search/modSearch.h"
#include "startup/modText.h"
#include "widgets/FailureDialog.h"

#include <QRandomGenerator>

#include <climits>
#include <functional>

#include <sys/stat.h>

using namespace modText;
using namespace WindowLayout;
using modList::ListQuery;
using modPersonView::ListEntry;

Q_DECLARE_METATYPE(ListQuery)

namespace {

// Every control of the layout by name, with the column widths as width-only entries.
QList<QPair<QString, Rect>> Controls(const MainWindowLayout& l)
{
#define ADDRION_CONTROL(name) qMakePair(QStringLiteral(#name), l.name)
#define ADDRION_COLUMN(name) qMakePair(QStringLiteral(#name), Rect{0, 0, l.name, 0})
    return {ADDRION_CONTROL(tlbMain),        ADDRION_CONTROL(staMain),        ADDRION_CONTROL(fraQuickSearch),
            ADDRION_CONTROL(txtQuickSearch), ADDRION_CONTROL(fraList),        ADDRION_CONTROL(lvwMain),
            ADDRION_COLUMN(lvwMainColumn1),  ADDRION_CONTROL(fraDetails),     ADDRION_CONTROL(fraDateofbirth),
            ADDRION_CONTROL(txtDateofbirth), ADDRION_CONTROL(lblDateFormat),  ADDRION_CONTROL(lblAge),
            ADDRION_CONTROL(fraAddress),     ADDRION_CONTROL(txtAddress),     ADDRION_CONTROL(fraNumber),
            ADDRION_CONTROL(lvwPhone),       ADDRION_COLUMN(lvwPhoneColumn1), ADDRION_CONTROL(fraEmail),
            ADDRION_CONTROL(lvwEmail),       ADDRION_COLUMN(lvwEmailColumn1), ADDRION_CONTROL(fraNote),
            ADDRION_CONTROL(rtbNote),        ADDRION_CONTROL(fraInfo),        ADDRION_CONTROL(imgLogo)};
#undef ADDRION_CONTROL
#undef ADDRION_COLUMN
}

// One part of a control, named "control.part": left, top, width or height.
int Value(const MainWindowLayout& l, const QString& field)
{
    const QString part = field.section('.', 1);
    for (const auto& [name, r] : Controls(l))
        if (name == field.section('.', 0, 0))
            return part == "left" ? r.left : part == "top" ? r.top : part == "width" ? r.width : r.height;
    return INT_MIN;
}

// The classes the quick search widens letters into.
const QString kA = QString::fromUtf8("[aàáâãäå]");
const QString kE = QString::fromUtf8("[eèéêë]");
const QString kI = QString::fromUtf8("[iìíîï]");
const QString kN = QString::fromUtf8("[nñ]");
const QString kO = QString::fromUtf8("[oðòóôõöø]");

// The quick search; Search pressed with a condition; the e-mail join; a phone criterion (-1: none).
ListQuery Query(const QString& quickSearch, bool pressed = false, const QString& condition = QString(),
                bool email = false, int phoneOp = -1, const QString& phoneText = QString())
{
    return {quickSearch, pressed, condition, phoneOp >= 0, std::max(phoneOp, 0), phoneText, email};
}

QStringList Names(const modList::ContactList& list)
{
    QStringList names;
    for (const modList::ContactRow& row : list.rows)
        names << row.name;
    return names;
}

// Letters of several scripts, accented Latin ones and the characters a pattern treats specially.
const QString kLetters = QString::fromUtf8("aAàÀáâäåeéèëEÉiïíoöøÖuüÜnñÑcçyÿbdkrsßzZ"
                                           "αβΓδΑάΩ"
                                           "жЖдёЁ"
                                           "李王"
                                           "محمد"
                                           "'[]_%!-&");

QString RandomText(QRandomGenerator& random, int minLength, int maxLength)
{
    QString text;
    const int length = random.bounded(minLength, maxLength + 1);
    for (int i = 0; i < length; ++i)
        text += random.bounded(6) == 0 ? QChar(' ') : kLetters.at(random.bounded(kLetters.size()));
    return text;
}

// What a search gives, as text: the persons counted and each row, or the engine's error.
template <typename Query> QString ListOutcome(Query query)
{
    try {
        const modList::ContactList list = query();
        QStringList rows{QString::number(list.numberOfPersons)};
        for (const modList::ContactRow& row : list.rows)
            rows << QString::number(row.contactnr) + QLatin1Char('=') + row.name;
        return rows.join(QStringLiteral(", "));
    } catch (const Engine::EngineError& error) {
        return QStringLiteral("error ") + QString::number(error.number()) + QLatin1Char(' ') + error.description();
    }
}

} // namespace

// The rules behind the main window without the window, on database files.
class TestContactList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPlatform m_platform;
    QString m_people;
    QString m_details;
    QString m_names; // random names of many scripts, for the quick search
    modList::PersonNames m_memory;

    // Number, name, caption, date, address and note, then "text=tag" of each number and address.
    static QStringList describe(const std::optional<modPersonView::PersonDetails>& person)
    {
        if (!person)
            return {"<none>"};
        QStringList result{QString::number(person->contactnr),
                           person->name,
                           person->caption,
                           person->dateOfBirth ? person->dateOfBirth->toString(Qt::ISODate) : "-",
                           person->address,
                           person->note};
        for (const ListEntry& entry : person->phones)
            result << "phone " + entry.text + "=" + entry.tag;
        for (const ListEntry& entry : person->emails)
            result << "email " + entry.text + "=" + entry.tag;
        return result;
    }

    // The search as the window runs it, and as the list query runs it; and, when given, what both give.
    void Compare(const QString& typed, const QString& outcome = {})
    {
        const ListQuery query = Query(typed);
        const QString fromMemory = ListOutcome([&] { return modList::QueryContactList(query, m_memory); });
        QCOMPARE(fromMemory, ListOutcome([&] { return modList::QueryContactList(query); }));
        if (!outcome.isEmpty())
            QCOMPARE(fromMemory, outcome);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_details = m_dir.filePath("details.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_details)));
        // The lists are stored last first: they follow [Order], not the order of insertion.
        addPersons({{1,
                     "  Tom & Jerry Smith  ",
                     QDate(1996, 2, 29),
                     {"0471 12 34 56|", "  015 22 33 44  |  Home  ", "+32 2 555 00 00|Office"},
                     {"tom@example.org|", "tom@work.example|Work"},
                     "  Main Street 1\r\n1000 Town  ",
                     "  Likes tea.\r\nNo sugar.  "},
                    {2, "Jerry"},
                    {3, "Blank", {}, {"|Fax"}, {"b@example.org|    "}, "", ""}});
        m_names = m_dir.filePath("names.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_names)));
        {
            QRandomGenerator random(20261207);
            Engine::Connection& connection = modDatabase::DatabaseConnection();
            Engine::Connection::Transaction transaction(connection);
            for (int contactnr = 1; contactnr <= 3000; ++contactnr)
                EngineTest::insertPerson(connection, contactnr, RandomText(random, 0, 24));
            connection.Execute(QStringLiteral("INSERT INTO Person (Contactnr, Name) VALUES (3001, Null)"));
            // Organisations, which the quick search looks at too; one for the person without a name.
            for (int contactnr = 5; contactnr <= 3001; contactnr += 7)
                connection.Execute(
                    QStringLiteral("INSERT INTO PersonDetail (Contactnr, Organisation) VALUES (%1, '%2')")
                        .arg(contactnr)
                        .arg(modSql::QuoteSql(RandomText(random, 1, 16))));
            connection.Execute(QStringLiteral("UPDATE Person SET Name = 'Kimqx Ahn' WHERE Contactnr = 10"));
            connection.Execute(QStringLiteral("INSERT INTO PersonDetail (Contactnr, Organisation, Title) "
                                              "VALUES (10, 'Qxzörg & Co', 'Wvconsult')"));
            transaction.Commit();
        }
        m_people = m_dir.filePath("people.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_people)));
        addPersons({{1, "José Álvarez", QDate(1980, 3, 15), {}, {"jose@mail.test|"}},
                    {2, "Jose Ruiz", {}, {"+32 471 12 34 56|"}},
                    {3,
                     "Anna Bell  ",
                     {},
                     {"0471 12 34 56|Mobile", "(0471) 99-88-77|"},
                     {"anna@example.org|", "a.bell@example.org|"},
                     "Main Street 1"},
                    {4, "Bob O'Brien", QDate(1970, 12, 31), {"0471/555|", "012 345|Home"}},
                    {5, "Kim Ahn"},
                    {6, "René Roux"},
                    {7, "Zoltan Kiss"}});
        modDatabase::CloseDatabase(false);
    }
    void init()
    {
        modSearch::ClearSearch();
        const QByteArray test(QTest::currentTestFunction());
        const QString wanted =
            test.startsWith("quickSearchFromMemory") || test.startsWith("listOrder") ? m_names : m_people;
        if (!modDatabase::IsDatabaseOpen() || modDatabase::DatabaseConnection().DataSource() != wanted)
            QVERIFY(ShowOutcome(modDatabase::OpenDatabase(wanted)));
    }
    void cleanupTestCase() { modDatabase::CloseDatabase(false); }

    // A key's number follows its first seven characters; written: ContactKey writes that key.
    void keys_data()
    {
        TestSupport::addColumns<QString, int, bool>("key", "contactnr", "written");
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
        auto [key, contactnr, written] = TestSupport::fetch<QString, int, bool>("key", "contactnr", "written");
        QCOMPARE(int(KeyToContactnr(key)), contactnr);
        if (written)
            QCOMPARE(ContactKey(static_cast<qint16>(contactnr)), key);
    }

    // The text functions, each named in the first column, on one input.
    void transforms_data()
    {
        TestSupport::addColumns<QString, QString, QString>("function", "text", "result");
        // Every character from 192 to 255 in code order: all but Æ, æ and ÷ fold to ASCII.
        TestSupport::addRow("fold: 192-255", "fold",
                            QString::fromUtf8("ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ"),
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
        // The caption of another language turns back into English.
        TestSupport::addRow("age caption: German", "age caption", "Alter: 30", "Age: 30");
        TestSupport::addRow("age caption: Spanish", "age caption", "Edad:  7", "Age:  7");
        // The words of a quick search, "|" between them, as the patterns the list query takes.
        TestSupport::addRow("words: accent folded and widened", "words", QString::fromUtf8("José"),
                            "J" + kO + "s" + kE);
        TestSupport::addRow("words: plain letters widened", "words", "jose", "j" + kO + "s" + kE);
        TestSupport::addRow("words: two", "words", "kim ahn", "k" + kI + "m|" + kA + "h" + kN);
        TestSupport::addRow("words: doubled blank", "words", "b  x", QString::fromUtf8("b||[x×]"));
        TestSupport::addRow("words: outer blanks trimmed", "words", "  b  ", "b");
        TestSupport::addRow("words: apostrophe doubled", "words", "d'b", "d''b");
        TestSupport::addRow("words: only blanks", "words", "   ", "<none>");
        TestSupport::addRow("words: empty", "words", "", "<none>");
    }
    void transforms()
    {
        auto [function, text] = TestSupport::fetch<QString, QString>("function", "text");
        const QHash<QString, std::function<QString(const QString&)>> functions{
            {"fold", [](const QString& t) { return FoldAccents(t); }},
            {"pattern", [](const QString& t) { return AccentPattern(t); }},
            {"before @", [](const QString& t) { return PartBeforeAt(t); }},
            {"trim", [](const QString& t) { return TrimBlanks(t); }},
            {"clean line", [](const QString& t) { return CleanText(t, false); }},
            {"clean note", [](const QString& t) { return CleanText(t, true); }},
            {"age caption", [](const QString& t) { return modPersonView::RetranslateAgeCaption(t); }},
            {"words", [](const QString& t) {
                 const QStringList words = modList::QuickSearchWords(t);
                 return words.isEmpty() ? QString("<none>") : words.join('|');
             }}};
        QTEST(functions.value(function)(text), "result");
    }

    // A letter's class: the letter, then each character from 192 to 255 that folds to it (Þ to p).
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
    // Back at the designed size, only lblAge (W - L - 1700) and fraInfo follow the width rules.
    void resizeBackToTheDesignedSize()
    {
        MainWindowLayout expected = DesignedLayout();
        expected.lblAge.left = DesignedWidth - 4095 - 1700;
        expected.fraInfo.left = 4440;
        QCOMPARE(Controls(Resize(DesignedWidth, DesignedHeight, Resize(16000, 9500, DesignedLayout()))),
                 Controls(expected));
    }

    void widthBands_data()
    {
        TestSupport::addColumns<int, int, int, int, int, int, int, int, int>(
            "width", "listWidth", "innerWidth", "column", "detailsLeft", "detailLeft", "numberLeft", "detailsWidth",
            "emailWidth");
        QTest::newRow("11985") << 11985 << 4095 << 3855 << 3600 << 4320 << 4440 << 8040 << 7560 << 7080;
        QTest::newRow("12000") << 12000 << 4215 << 3975 << 3720 << 4440 << 4560 << 8160 << 7455 << 6975;
        QTest::newRow("12990") << 12990 << 4215 << 3975 << 3720 << 4440 << 4560 << 8160 << 8445 << 7965;
        QTest::newRow("12999") << 12999 << 4215 << 3975 << 3720 << 4440 << 4560 << 8160 << 8454 << 7974;
        QTest::newRow("13000") << 13000 << 5215 << 4975 << 4720 << 5440 << 5560 << 9160 << 7455 << 6975;
        QTest::newRow("13999") << 13999 << 5215 << 4975 << 4720 << 5440 << 5560 << 9160 << 8454 << 7974;
        QTest::newRow("14000") << 14000 << 4095 << 3855 << 3600 << 4320 << 4440 << 8040 << 9575 << 9095;
        QTest::newRow("14010") << 14010 << 6215 << 5975 << 5700 << 6440 << 6560 << 10160 << 7465 << 6985;
        QTest::newRow("20000") << 20000 << 6215 << 5975 << 5700 << 6440 << 6560 << 10160 << 13455 << 12975;
    }
    void widthBands()
    {
        auto [width, listWidth, innerWidth] = TestSupport::fetch<int, int, int>("width", "listWidth", "innerWidth");
        const MainWindowLayout l = Resize(width, DesignedHeight, DesignedLayout());
        // The list and quick search frames, the boxes inside them, the bars across the window.
        QCOMPARE((QList<int>{l.fraQuickSearch.width, l.fraList.width, l.txtQuickSearch.width, l.lvwMain.width,
                             l.tlbMain.width, l.staMain.width}),
                 (QList<int>{listWidth, listWidth, innerWidth, innerWidth, width, width}));
        QTEST(l.lvwMainColumn1, "column");
        QTEST(l.fraDetails.left, "detailsLeft");
        for (const Rect& frame : {l.fraDateofbirth, l.fraAddress, l.fraEmail, l.fraNote, l.fraInfo, l.imgLogo})
            QTEST(frame.left, "detailLeft");
        QTEST(l.fraNumber.left, "numberLeft");
        QTEST(l.fraDetails.width, "detailsWidth");
        QTEST(l.lvwEmail.width, "emailWidth");
    }

    // Sizes after a resize: "name.part=value", or "name.part=" where a negative size keeps the old one.
    void sizeRules_data()
    {
        // fromWide: the previous layout is 15000 x 9000, not the designed one
        TestSupport::addColumns<int, int, bool, QString>("width", "height", "fromWide", "sizes");
        // W - L = 15000 - 6215 = 8785; the status bar stays at the bottom edge.
        TestSupport::addRow("wide", 15000, 9000, false,
                            "fraDetails.width=8455 fraDateofbirth.width=8215 lblAge.left=7085 fraNumber.width=4615 "
                            "lvwPhone.width=4375 lvwPhoneColumn1.width=4125 fraEmail.width=8215 lvwEmail.width=7975 "
                            "lvwEmailColumn1.width=7725 fraNote.width=8215 rtbNote.width=7975 fraAddress.width=3495 "
                            "txtAddress.width=3255 fraInfo.width=4455 staMain.top=8685");
        // W - L = 8000 - 4095 = 3905: only the sizes that come out negative are kept.
        TestSupport::addRow("narrow", 8000, DesignedHeight, false,
                            "fraDetails.width=3575 fraDateofbirth.width=3335 fraEmail.width=3335 lvwEmail.width=3095 "
                            "lvwEmailColumn1.width=2845 fraNote.width=3335 rtbNote.width=3095 fraNumber.width= "
                            "lvwPhone.width= lvwPhoneColumn1.width=");
        // Every negative size is dropped while the band's values and positions still apply.
        TestSupport::addRow("tiny", 3000, 1000, true,
                            "fraList.width=4095 lvwMainColumn1.width=3600 fraDetails.left=4320 lblAge.left=-2795 "
                            "fraDetails.width= fraDateofbirth.width= fraNumber.width= lvwPhone.width= "
                            "lvwPhoneColumn1.width= fraEmail.width= lvwEmail.width= lvwEmailColumn1.width= "
                            "fraNote.width= rtbNote.width= fraList.height= lvwMain.height= fraDetails.height= "
                            "fraNote.height= rtbNote.height= tlbMain.width=3000 staMain.top=685");
        // Negative heights keep the designed ones; heights without a rule never change.
        const char* heights = "fraList.height=%1 lvwMain.height=%2 fraDetails.height=%3 fraNote.height=%4 "
                              "rtbNote.height=%5 fraAddress.height=1455 lvwEmail.height=1120";
        const QList<std::pair<int, QStringList>> rows{{DesignedHeight, {"6165", "5775", "6765", "2415", "2055"}},
                                                      {9000, {"7305", "6915", "7905", "3555", "3195"}},
                                                      {5805, {"4110", "3720", "4710", "360", "0"}},
                                                      {5800, {"4105", "3715", "4705", "355", ""}},
                                                      {5000, {"3305", "2915", "3905", "", ""}},
                                                      {2000, {"305", "", "905", "", ""}},
                                                      {1000, {"", "", "", "", ""}}};
        for (const auto& [height, values] : rows) {
            QString sizes = QString::fromLatin1(heights);
            for (const QString& value : values)
                sizes = sizes.arg(value);
            QTest::addRow("height %d", height) << int(DesignedWidth) << height << false << sizes;
        }
    }
    void sizeRules()
    {
        auto [width, height, fromWide, sizes] =
            TestSupport::fetch<int, int, bool, QString>("width", "height", "fromWide", "sizes");
        const MainWindowLayout previous = fromWide ? Resize(15000, 9000, DesignedLayout()) : DesignedLayout();
        const MainWindowLayout l = Resize(width, height, previous);
        for (const QString& size : sizes.split(' ')) {
            const QString field = size.section('=', 0, 0);
            const QString value = size.section('=', 1);
            const int actual = Value(l, field);
            QVERIFY2(actual != INT_MIN, qPrintable(field));
            QCOMPARE(actual, value.isEmpty() ? Value(previous, field) : value.toInt());
        }
        const auto before = Controls(DesignedLayout());
        const auto after = Controls(l);
        for (int i = 0; i < before.size(); ++i)
            if (before[i].first != "staMain")
                QCOMPARE(after[i].second.top, before[i].second.top);
    }

    // Twips to pixels (and back, where toPixels is false) at a resolution.
    void conversions_data()
    {
        TestSupport::addColumns<bool, int, int, int>("toPixels", "value", "dpi", "result");
        TestSupport::addRow("one pixel at 96", true, 15, 96, 1);
        TestSupport::addRow("designed width at 96", true, 11880, 96, 792);
        TestSupport::addRow("inch at 120", true, 1440, 120, 120);
        TestSupport::addRow("rounds down", true, 7, 96, 0);
        TestSupport::addRow("rounds up", true, 8, 96, 1);
        TestSupport::addRow("half rounds up", true, 1695, 144, 170);
        TestSupport::addRow("negative", true, -15, 96, -1);
        TestSupport::addRow("back at 96", false, 792, 96, 11880);
        TestSupport::addRow("back at 144", false, 1, 144, 10);
        TestSupport::addRow("back rounded", false, 1, 97, 15);
        TestSupport::addRow("back without resolution", false, 100, 0, 0);
    }
    void conversions()
    {
        auto [toPixels, value, dpi] = TestSupport::fetch<bool, int, int>("toPixels", "value", "dpi");
        QTEST(toPixels ? TwipsToPixels(value, dpi) : PixelsToTwips(value, dpi), "result");
    }
    void getAge_data()
    {
        TestSupport::addColumns<QDate, QDate, int>("birth", "today", "age");
        const QDate today(2023, 6, 15);
        QTest::newRow("birthday today") << QDate(1993, 6, 15) << today << 30;
        QTest::newRow("birthday tomorrow") << QDate(1993, 6, 16) << today << 29;
        QTest::newRow("earlier month") << QDate(1993, 1, 31) << today << 30;
        QTest::newRow("later month, earlier day") << QDate(1993, 7, 1) << today << 29;
        QTest::newRow("later this year") << QDate(2023, 12, 31) << today << 0;
        QTest::newRow("future year") << QDate(2030, 1, 1) << today << 0;
        QTest::newRow("last year, before birthday") << QDate(2022, 12, 31) << today << 0;
        QTest::newRow("last year, after birthday") << QDate(2022, 1, 1) << today << 1;
        QTest::newRow("29 Feb, non-leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2023, 2, 28) << 22;
        QTest::newRow("29 Feb, non-leap, 1 Mar") << QDate(2000, 2, 29) << QDate(2023, 3, 1) << 23;
        QTest::newRow("29 Feb, leap, 28 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 28) << 23;
        QTest::newRow("29 Feb, leap, 29 Feb") << QDate(2000, 2, 29) << QDate(2024, 2, 29) << 24;
        QTest::newRow("born 1 Mar, leap, 29 Feb") << QDate(2000, 3, 1) << QDate(2024, 2, 29) << 23;
    }
    void getAge()
    {
        auto [birth, today] = TestSupport::fetch<QDate, QDate>("birth", "today");
        QTEST(modPersonView::GetAge(birth, today), "age");
    }

    void formatDate_data()
    {
        TestSupport::addColumns<QDate, QString, QString>("date", "format", "text");
        const QDate date(2024, 3, 5);
        TestSupport::addRow("day first", date, "dd/mm/yyyy", "05/03/2024");
        TestSupport::addRow("month first", date, "mm/dd/yyyy", "03/05/2024");
        TestSupport::addRow("year first", date, "yyyy/mm/dd", "2024/03/05");
        TestSupport::addRow("two-digit parts", QDate(1999, 12, 31), "dd/mm/yyyy", "31/12/1999");
        TestSupport::addRow("short year padded", QDate(987, 1, 2), "yyyy/mm/dd", "0987/01/02");
        TestSupport::addRow("other separator", date, "dd-mm-yyyy", "");
        TestSupport::addRow("capitals", date, "DD/MM/YYYY", "");
        TestSupport::addRow("empty format", date, "", "");
    }
    void formatDate()
    {
        auto [date, format] = TestSupport::fetch<QDate, QString>("date", "format");
        QTEST(modPersonView::FormatDate(date, format), "text");
    }

    void loadPerson_data()
    {
        TestSupport::addColumns<int, QStringList>("contactnr", "details");
        TestSupport::addRow(
            "everything, trimmed, lists in stored order", 1,
            QStringList{"1", "Tom & Jerry Smith", "Tom && Jerry Smith", "1996-02-29", "Main Street 1\r\n1000 Town",
                        "Likes tea.\r\nNo sugar.", "phone 0471 12 34 56=0471 12 34 56",
                        "phone 015 22 33 44 (Home)=015 22 33 44", "phone +32 2 555 00 00 (Office)=+32 2 555 00 00",
                        "email tom@example.org=tom@example.org", "email tom@work.example (Work)=tom@work.example"});
        QTest::newRow("name only") << 2 << QStringList{"2", "Jerry", "Jerry", "-", "", ""};
        TestSupport::addRow(
            "empty texts, numberless entry, blank description", 3,
            QStringList{"3", "Blank", "Blank", "-", "", "", "phone (Fax)=", "email b@example.org=b@example.org"});
        QTest::newRow("missing") << 99 << QStringList{"<none>"};
        QTest::newRow("negative number") << -1 << QStringList{"<none>"};
    }
    void loadPerson()
    {
        QFETCH(int, contactnr);
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(m_details)));
        QTEST(describe(modPersonView::LoadPerson(static_cast<qint16>(contactnr))), "details");
    }
    void phoneMatches_data()
    {
        TestSupport::addColumns<QString, QString, int, bool>("number", "search", "op", "matches");
        TestSupport::addRow("equal, formatting ignored", "(0471) 12-34 56", "0471123456", 0, true);
        TestSupport::addRow("equal, longer number", "0471 12 34 567", "0471 12 34 56", 0, false);
        TestSupport::addRow("contains", "+32 471 12 34 56", "12 34", 1, true);
        TestSupport::addRow("contains not", "+32 471 12 34 56", "4321", 1, false);
        TestSupport::addRow("begins with", "0471/12.34.56", "0471", 2, true);
        TestSupport::addRow("begins with, prefix differs", "+32 471 12 34 56", "0471", 2, false);
        TestSupport::addRow("begins with, number shorter", "04", "0471", 2, false);
        TestSupport::addRow("ends with", "+32 471 12 34 56", "3456", 3, true);
        TestSupport::addRow("ends with not", "+32 471 12 34 56", "3455", 3, false);
        TestSupport::addRow("ends with, number shorter", "56", "3456", 3, false);
        TestSupport::addRow("operator 4", "0471", "0471", 4, false);
        TestSupport::addRow("operator -1", "0471", "0471", -1, false);
    }
    void phoneMatches()
    {
        auto [number, search, op] = TestSupport::fetch<QString, QString, int>("number", "search", "op");
        QTEST(modList::PhoneMatches(number, search, op), "matches");
    }

    // A file converted from the old two-name layout has its name column last; a search finds it too.
    void nameColumnAnywhere_data() { TestSupport::addTwoRows("searchMode", "normal", "search"); }
    void nameColumnAnywhere()
    {
        QFETCH(bool, searchMode);
        const QString converted = m_dir.filePath("converted.mdb");
        QFile::remove(converted);
        Engine::CreateDatabaseFile(converted);
        {
            Engine::Connection connection;
            connection.Open(converted);
            connection.Execute("CREATE TABLE Person (Contactnr SMALLINT, Dateofbirth DATE, Address MEMO, [Note] MEMO, "
                               "Name CHAR(100), CONSTRAINT ContactPK PRIMARY KEY(Contactnr))");
            connection.Execute("INSERT INTO Person (Contactnr, Name) VALUES (3, 'Zoe')");
            connection.Execute("INSERT INTO Person (Contactnr, Name) VALUES (8, 'Adam')");
        }
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(converted)));
        const QString outcome = ListOutcome([searchMode] {
            return modList::QueryContactList(searchMode ? Query("", true, "WHERE Name LIKE '%a%' ") : Query(""));
        });
        modDatabase::CloseDatabase(false);
        QCOMPARE(outcome, QString(searchMode ? "2, 8=Adam" : "2, 8=Adam, 3=Zoe"));
    }

    void fill_data()
    {
        TestSupport::addColumns<ListQuery, QStringList>("query", "names");

        const QStringList everybody{"Anna Bell", "Bob O'Brien", "José Álvarez", "Jose Ruiz",
                                    "Kim Ahn",   "René Roux",   "Zoltan Kiss"};
        QTest::newRow("everybody") << Query("") << everybody;
        QTest::newRow("jose finds José") << Query("jose") << QStringList{"José Álvarez", "Jose Ruiz"};
        QTest::newRow("capital accent") << Query(QString::fromUtf8("JOSÉ")) << QStringList{"José Álvarez", "Jose Ruiz"};
        TestSupport::addRow("é finds e and é", Query(QString::fromUtf8("é")),
                            QStringList{"Anna Bell", "Bob O'Brien", "José Álvarez", "Jose Ruiz", "René Roux"});
        QTest::newRow("e finds é") << Query("rene") << QStringList{"René Roux"};
        QTest::newRow("two words") << Query("bell ann") << QStringList{"Anna Bell"};
        QTest::newRow("two words, other order") << Query("ahn kim") << QStringList{"Kim Ahn"};
        QTest::newRow("two words, not both") << Query("kim bell") << QStringList{};
        QTest::newRow("doubled blank") << Query("jose  ruiz") << QStringList{"Jose Ruiz"};
        QTest::newRow("apostrophe") << Query("o'b") << QStringList{"Bob O'Brien"};
        QTest::newRow("outer blanks") << Query("  bob ") << QStringList{"Bob O'Brien"};
        QTest::newRow("padded name") << Query("bell ") << QStringList{"Anna Bell"};
        QTest::newRow("nobody") << Query("xyz") << QStringList{};

        TestSupport::addRow("search", Query("", true, "WHERE Name LIKE '%o%' "),
                            QStringList{"Bob O'Brien", "José Álvarez", "Jose Ruiz", "René Roux", "Zoltan Kiss"});
        QTest::newRow("search narrowed") << Query("ru", true, "WHERE Name LIKE '%o%' ") << QStringList{"Jose Ruiz"};
        QTest::newRow("search released") << Query("", false, "WHERE Name LIKE '%o%' ") << everybody;
        QTest::newRow("search pressed without criteria") << Query("", true) << everybody;
        QTest::newRow("phone search released") << Query("", false, "", false, 0, "1") << everybody;
        TestSupport::addRow("search by date", Query("", true, "WHERE Dateofbirth > #1/1/1975# "),
                            QStringList{"José Álvarez"});
        QTest::newRow("search by email, narrowed")
            << Query("kim", true, "AND TRIM(Email) LIKE '%e%' ", true) << QStringList{};

        TestSupport::addRow("phone begins with 0471", Query("", true, "", false, modSearch::PhoneBeginsWith, "0471"),
                            QStringList{"Anna Bell", "Bob O'Brien"});
        TestSupport::addRow("phone equal with prefix",
                            Query("", true, "", false, modSearch::PhoneEqual, "+32 (471) 123456"),
                            QStringList{"Jose Ruiz"});
        TestSupport::addRow("phone contains", Query("", true, "", false, modSearch::PhoneContains, "34-56"),
                            QStringList{"Anna Bell", "Jose Ruiz"});
        TestSupport::addRow("phone ends with", Query("", true, "", false, modSearch::PhoneEndsWith, "345"),
                            QStringList{"Bob O'Brien"});
        QTest::newRow("phone, unknown operator") << Query("", true, "", false, 9, "0471") << QStringList{};
        QTest::newRow("phone, nobody") << Query("", true, "", false, modSearch::PhoneEqual, "999") << QStringList{};
        TestSupport::addRow("phone and condition",
                            Query("", true, "AND Name LIKE 'Bob%' ", false, modSearch::PhoneBeginsWith, "0471"),
                            QStringList{"Bob O'Brien"});
        TestSupport::addRow("phone and quick search", Query("bob", true, "", false, modSearch::PhoneBeginsWith, "0471"),
                            QStringList{"Bob O'Brien"});
    }
    void fill()
    {
        auto [query, names] = TestSupport::fetch<ListQuery, QStringList>("query", "names");
        const modList::ContactList list = modList::QueryContactList(query);
        // The engine's collation decides the order; here only who is listed matters.
        QStringList listed = Names(list);
        listed.sort();
        names.sort();
        QCOMPARE(listed, names);
        QCOMPARE(list.numberOfPersons, 7);
        QCOMPARE(modList::CountText(list), QString::number(names.size()) + "/7");
        for (const modList::ContactRow& row : list.rows) {
            const QString key = QString("SELECT Name FROM Person WHERE Contactnr = %1").arg(row.contactnr);
            QCOMPARE(modSql::OpenRecordset(key).Fields("Name").toString().trimmed(), row.name);
        }
    }

    // A word of the quick search is found in the name or in the organisation (not the title), in and out
    // of search mode.
    void quickSearchFromMemoryFindsOrganisations_data()
    {
        TestSupport::addColumns<QString, bool, QStringList>("typed", "searchMode", "names");
        TestSupport::addRow("organisation, accents folded", "qxzorg", false, QStringList{"Kimqx Ahn"});
        TestSupport::addRow("name and organisation words together", "kimqx co", false, QStringList{"Kimqx Ahn"});
        TestSupport::addRow("the title is not looked at", "wvconsult", false, QStringList{});
        TestSupport::addRow("name as before", "kimqx", false, QStringList{"Kimqx Ahn"});
        TestSupport::addRow("in search mode", "qxzorg", true, QStringList{"Kimqx Ahn"});
    }
    void quickSearchFromMemoryFindsOrganisations()
    {
        auto [typed, searchMode] = TestSupport::fetch<QString, bool>("typed", "searchMode");
        const ListQuery query = searchMode ? Query(typed, true, "WHERE Name LIKE '%i%' ") : Query(typed);
        QTEST(Names(modList::QueryContactList(query)), "names");
        if (!searchMode)
            QTEST(Names(modList::QueryContactList(query, m_memory)), "names");
    }

    void rowsComeInNameOrder()
    {
        QCOMPARE(Names(modList::QueryContactList(Query("i"))),
                 (QStringList{"Bob O'Brien", "Jose Ruiz", "Kim Ahn", "Zoltan Kiss"}));
        QCOMPARE(Names(modList::QueryContactList(Query("", true, "WHERE Name LIKE '%a%' "))),
                 (QStringList{"Anna Bell", "José Álvarez", "Kim Ahn", "Zoltan Kiss"}));
    }

    // The quick search from the names kept in memory gives what the list query gives, errors too.
    void quickSearchFromMemoryIsTheQuery_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char* typed :
             {"",    "a",     "an", "AN", "e o", "é",  "ß",  "ñ",    "'", "o'", "[", "[a", "a]",    "[!a]",
              "[a-", "[z-a]", "_",  "%",  "a_b", "  ", " a", "a  b", "Ж", "李", "م", "α",  "zzzzzz"})
            QTest::newRow(typed) << QString::fromUtf8(typed);
        QRandomGenerator random(7);
        for (int i = 0; i < 400; ++i)
            QTest::addRow("random %d", i) << RandomText(random, 1, 6);
    }
    void quickSearchFromMemoryIsTheQuery()
    {
        QFETCH(QString, typed);
        Compare(typed);
    }

    // A change by this or another connection is seen at the next key stroke.
    void quickSearchFromMemorySeesChanges_data()
    {
        TestSupport::addTwoRows("otherConnection", "this connection", "another connection");
    }
    void quickSearchFromMemorySeesChanges()
    {
        QFETCH(bool, otherConnection);
        const QString typed = QStringLiteral("qqq");
        Compare(typed);
        Engine::Connection other;
        if (otherConnection)
            other.Open(modDatabase::DatabaseConnection().DataSource());
        Engine::Connection& writer = otherConnection ? other : modDatabase::DatabaseConnection();
        const int contactnr = otherConnection ? 3101 : 3100;
        EngineTest::insertPerson(writer, contactnr, QStringLiteral("Qqq Newcomer"));
        Compare(typed, QString("3002, %1=Qqq Newcomer").arg(contactnr));
        writer.Execute(QStringLiteral("DELETE FROM Person WHERE Contactnr = %1").arg(contactnr));
        Compare(typed, "3001");
    }

    // The list's order comes from the order found before, checked and mended; whatever
    // that hint says, the list is in the query's order (equal names as the table holds
    // them). The hints are made from the query's order of the random names.
    void listOrderWhateverTheHint_data()
    {
        QTest::addColumn<QString>("hint");
        for (const char* hint : {"none", "right", "reversed", "shuffled", "one moved forward", "one moved back",
                                 "every third left out", "unknown and repeated numbers"})
            QTest::newRow(hint) << hint;
    }
    void listOrderWhateverTheHint()
    {
        QFETCH(QString, hint);
        std::vector<qint16> expected;
        for (const modList::ContactRow& row : modList::QueryContactList(Query("")).rows)
            expected.push_back(row.contactnr);
        std::vector<qint16> given = expected;
        QRandomGenerator random(11);
        if (hint == "none")
            given.clear();
        else if (hint == "reversed")
            std::reverse(given.begin(), given.end());
        else if (hint == "shuffled")
            std::shuffle(given.begin(), given.end(), random);
        else if (hint == "one moved forward")
            std::rotate(given.begin() + 100, given.begin() + 101, given.begin() + 2500);
        else if (hint == "one moved back")
            std::rotate(given.begin() + 100, given.begin() + 2499, given.begin() + 2500);
        else if (hint == "every third left out")
            for (std::size_t i = 0; i < given.size(); i += 3)
                given.erase(given.begin() + static_cast<std::ptrdiff_t>(i));
        else if (hint == "unknown and repeated numbers")
            given.insert(given.begin() + 50, {-7, 9999, given[10], given[2000]});

        const modListOrder::StoredNames stored = modListOrder::ReadNames(modDatabase::DatabaseConnection());
        std::vector<qint16> ordered;
        for (const int i : modListOrder::Order(stored.names, given))
            ordered.push_back(stored.names[static_cast<std::size_t>(i)].contactnr);
        QCOMPARE(ordered, expected);
    }

    // The order is kept for the next opening of the file, which may have been changed
    // meanwhile by another program, or whose kept order may be damaged.
    void listOrderKeptBetweenOpenings_data() { TestSupport::addTwoRows("damaged", "file changed", "order damaged"); }
    void listOrderKeptBetweenOpenings()
    {
        QFETCH(bool, damaged);
        const QString database = modDatabase::DatabaseConnection().DataSource();
        Compare("");
        std::vector<qint16> shown;
        for (const modList::ContactRow& row : modList::QueryContactList(Query(""), m_memory).rows)
            shown.push_back(row.contactnr);
        QCOMPARE(modListOrder::ReadHint(database), shown);
        modDatabase::CloseDatabase(false);
        if (damaged) {
            const QDir folder(TestSupport::environment().cacheHome() + "/Addrion");
            const QStringList kept = folder.entryList({"list-order-*"}, QDir::Files);
            QCOMPARE(kept.size(), 1);
            QFile file(folder.filePath(kept.first()));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.resize(file.size() / 2 + 1));
        } else {
            // Renamed to the front and to the end, one gone, one new: as many persons as before.
            Engine::Connection other;
            other.Open(database);
            other.Execute(QString("UPDATE Person SET Name = 'aaa' WHERE Contactnr = %1").arg(shown[2000]));
            other.Execute(QString("UPDATE Person SET Name = 'zzzz' WHERE Contactnr = %1").arg(shown[10]));
            other.Execute(QString("DELETE FROM Person WHERE Contactnr = %1").arg(shown[500]));
            EngineTest::insertPerson(other, 3200, "Mm");
        }
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(database)));
        Compare("");
    }

    // The kept order's name held by a link or a pipe: the link's target stays as it was, the pipe holds nothing up,
    // and a file of ours takes the name.
    void listOrderNeverFollowsOthers_data() { TestSupport::addTwoRows("pipe", "link", "pipe"); }
    void listOrderNeverFollowsOthers()
    {
        QFETCH(bool, pipe);
        const QString database = modDatabase::DatabaseConnection().DataSource();
        Compare(""); // keeps the order
        modDatabase::CloseDatabase(false);
        const QDir folder(TestSupport::environment().cacheHome() + "/Addrion");
        const QStringList kept = folder.entryList({"list-order-*"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        const QString name = folder.filePath(kept.first());
        QVERIFY(QFile::remove(name));
        const QString target = m_dir.filePath("precious.txt");
        QVERIFY(TestSupport::writeFile(target, "precious"));
        QVERIFY(pipe ? mkfifo(QFile::encodeName(name).constData(), 0600) == 0 : QFile::link(target, name));
        QVERIFY(modListOrder::ReadHint(database).empty());
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(database)));
        Compare("");
        QCOMPARE(TestSupport::readFile(target), QByteArray("precious"));
        const QFileInfo written(name);
        QVERIFY(written.isFile() && !written.isSymLink());
        QVERIFY(!modListOrder::ReadHint(database).empty());
    }
};

ADDRION_TEST_MAIN(TestContactList)
#include "tst_contactlist.moc"
