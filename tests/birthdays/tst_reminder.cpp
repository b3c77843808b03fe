// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DataRow.h"
#include "MainWindowFixture.h"
#include "ReadOnlyFile.h"

#include "birthdays/ReminderRun.h"
#include "birthdays/frmOptionsReminder.h"
#include "birthdays/frmReminder.h"
#include "birthdays/modAutostart.h"
#include "birthdays/modReminder.h"
#include "mainwindow/RegisterWindows.h"
#include "startup/modEnvironment.h"
#include "widgets/FailureDialog.h"

#include <QContextMenuEvent>
#include <QSettings>
#include <QSignalSpy>

using TestSupport::addRow;
using TestSupport::control;

namespace {

// Also notes what the settings said when the reminder process was started.
class RecordingPlatform : public ScriptedPlatform
{
public:
    bool startDetached(const QString& program, const QStringList& arguments, Platform::Show show) override
    {
        sinceAtStart = TestSupport::readSetting("Reminder Since");
        return ScriptedPlatform::startDetached(program, arguments, show);
    }
    QString sinceAtStart;
};

// Each "key=value" stored, each "key" alone removed.
void Store(const QStringList& settings)
{
    for (const QString& setting : settings)
        if (setting.contains('='))
            TestSupport::writeSetting(setting.section('=', 0, 0), setting.section('=', 1));
        else
            TestSupport::removeSetting(setting);
}

// "key=value" for each key stored, "key" alone for one that is not.
QString Stored(const QStringList& keys)
{
    const QSettings store(modSettings::StoreFile(), QSettings::IniFormat);
    QStringList result;
    for (const QString& key : keys)
        result << (store.contains(key) ? key + '=' + TestSupport::readSetting(key) : key);
    return result.join(", ");
}

} // namespace

// The birthday reminder on real databases: its rows, its window, its run at log-on, that entry, its options.
class TestReminder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    QString m_today; // a database with birthdays from today on
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<frmOptionsReminder> m_window;

    // "key|date|name|age|red" for each row, the way the tests below expect them.
    static QStringList describe(const std::vector<modReminder::ReminderRow>& rows)
    {
        QStringList result;
        for (const modReminder::ReminderRow& row : rows)
            result << QStringList{row.key, modReminder::DateText(row.date), row.name,
                                  row.ageKnown ? QString::number(row.age) : QString(), row.today ? "red" : ""}
                          .join('|');
        return result;
    }

    // The reminder on the default database, birthdays.mdb unless another is set.
    std::unique_ptr<frmReminder> prepare(const QDate& today)
    {
        if (TestSupport::readSetting("Default database").isEmpty())
            TestSupport::writeSetting("Default database", m_path);
        return ReminderRun::PrepareReminder(today);
    }
    std::unique_ptr<frmReminder> shownReminder(const QDate& today)
    {
        std::unique_ptr<frmReminder> window = prepare(today);
        if (!window)
            return window;
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        return window;
    }

    // The program with its echo seam (ReminderEcho.cpp), on the database of today's birthdays.
    TestSupport::ChildRun runReminder(const QString& show = QString())
    {
        TestSupport::writeSetting("Default database", m_today);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!show.isEmpty())
            environment.insert(Platform::ShowVariable, show);
        return TestSupport::runChild(TestSupport::reminderEcho(), {"/Reminder"}, environment);
    }

    // How each program started shows its window, and its arguments; this program is the only one started.
    QList<QStringList> startedArguments() const
    {
        QList<QStringList> result;
        for (const ScriptedPlatform::Call& call : m_platform->callsOf("start"))
            result << (call.text == QCoreApplication::applicationFilePath() ? QStringList{call.title} + call.arguments
                                                                            : QStringList{"other: " + call.text});
        return result;
    }

    void open()
    {
        m_window = std::make_unique<frmOptionsReminder>();
        m_window->show();
    }
    // The names of the enabled controls, in the window's order.
    QString enabledControls() const
    {
        QStringList names;
        for (const QWidget* widget : m_window->findChildren<QWidget*>())
            if (widget->isEnabled() && !widget->objectName().isEmpty())
                names << widget->objectName();
        return names.join(' ');
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(TestSupport::executable()).isExecutable(), "the program is not built");
        TestSupport::clearSettings();
        ScriptedPlatform platform;
        m_path = m_dir.filePath("birthdays.mdb");
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_path)));
        addPersons({{1, "Anna Ärger", QDate(1990, 12, 31)},
                    {2, "Bert", QDate(2000, 1, 1)},
                    {3, "Carl   ", QDate(1985, 1, 2)},
                    {4, "Dora", QDate(1970, 1, 3)},
                    {5, "Lea Leap", QDate(1992, 2, 29)},
                    {6, "Mia", QDate(1980, 3, 7)},
                    {7, "Nils", QDate(1995, 3, 10)},
                    {8, "Noah without a date", QDate()},
                    {9, "Baby", QDate(2024, 1, 1)},
                    {12, "Zoe", QDate(1988, 3, 7)},
                    {10, "Ida without a year"},
                    {11, "Rita without a year"},
                    {13, "Tom with both"}});
        // Birthdays without a year, and one that a full date overrides.
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday) VALUES (10, '--03-07')");
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday) VALUES (11, '--02-29')");
        runSql("UPDATE Person SET Dateofbirth = #3/10/1960# WHERE Contactnr = 13");
        runSql("INSERT INTO PersonDetail (Contactnr, Birthday) VALUES (13, '--03-07')");
        m_today = m_dir.filePath("today.mdb");
        const QDate today = TestSupport::FixedToday();
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(m_today)));
        addPersons({{1, "Anna & <Ärger>", today.addYears(-28)},
                    {2, "Bert", today.addDays(1).addYears(-40)},
                    {3, "Carl", today.addDays(20).addYears(-4)}});
        modDatabase::CloseDatabase(false);
    }
    void init()
    {
        TestSupport::clearSettings();
        QFile::remove(modAutostart::EntryFile());
        // A test may have put a file where the autostart folder goes.
        if (const QFileInfo folder(QFileInfo(modAutostart::EntryFile()).absolutePath()); folder.isFile())
            QFile::remove(folder.filePath());
        m_platform = std::make_unique<RecordingPlatform>();
    }
    void cleanup()
    {
        m_window.reset();
        modDatabase::CloseDatabase(false);
        m_platform.reset();
    }

    void reminderDays_data()
    {
        // The settings as "Since,Once 1,Once 2,Once 3".
        TestSupport::addColumns<QString, QList<int>>("settings", "days");
        addRow("nothing set", ",,,", QList<int>{});
        addRow("S = 2, O1 = 7", "2,7,,", QList<int>{0, 1, 2, 7});
        addRow("S = 2, O1 = 10: numbers, not texts", "2,10,,", QList<int>{0, 1, 2, 10});
        addRow("O1 = O2 = 5", ",5,5,", QList<int>{5});
        addRow("S absent, O1 = 0", ",0,,", QList<int>{0});
        addRow("S = 0", "0,,,", QList<int>{0});
        addRow("once values sorted", ",9,3,5", QList<int>{3, 5, 9});
        addRow("once values reversed", ",30,20,10", QList<int>{10, 20, 30});
        addRow("first and last equal", ",5,3,5", QList<int>{3, 5});
        addRow("all three equal", ",4,4,4", QList<int>{4});
        addRow("gap in the middle", ",8,,2", QList<int>{2, 8});
        addRow("inside the window not twice", "3,2,3,4", QList<int>{0, 1, 2, 3, 4});
        addRow("texts that are not numbers", "two,7 days,2.5, 6 ", QList<int>{6});
        addRow("S not a number, once still used", "x,1,,", QList<int>{1});
        addRow("negative S lists no window", "-1,,,", QList<int>{});
    }
    void reminderDays()
    {
        QFETCH(QString, settings);
        const QStringList days = settings.split(',');
        const std::vector<int> result = modReminder::ReminderDays(days[0], days[1], days[2], days[3]);
        QTEST(QList<int>(result.begin(), result.end()), "days");
    }

    void birthdayRows_data()
    {
        TestSupport::addColumns<QDate, QString, QStringList>("today", "settings", "rows"); // Since,Once 1,Once 2
        addRow("31 December, S = 2: January ages use next year", QDate(2023, 12, 31), "2,,",
               QStringList{"Person  1|Sunday 31 December|Anna Ärger|33|red", "Person  2|Monday 1 January|Bert|24|",
                           "Person  9|Monday 1 January|Baby|0|", "Person  3|Tuesday 2 January|Carl|39|"});
        addRow("S = 2, O1 = 7", QDate(2023, 2, 28), "2,7,",
               QStringList{"Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|",
                           "Person  10|Tuesday 7 March|Ida without a year||"});
        addRow("S = 2, O1 = 10", QDate(2023, 2, 28), "2,10,",
               QStringList{"Person  7|Friday 10 March|Nils|28|", "Person  13|Friday 10 March|Tom with both|63|"});
        addRow("29 February in a leap year", QDate(2024, 2, 28), "1,,",
               QStringList{"Person  5|Thursday 29 February|Lea Leap|32|",
                           "Person  11|Thursday 29 February|Rita without a year||"});
        addRow("no 29 February in other years", QDate(2023, 2, 27), "3,,", QStringList{});
        addRow("O1 = O2 = 5 lists the day once", QDate(2023, 3, 2), ",5,5",
               QStringList{"Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|",
                           "Person  10|Tuesday 7 March|Ida without a year||"});
        addRow("S absent, O1 = 0: today in red", QDate(2023, 3, 7), ",0,",
               QStringList{"Person  6|Tuesday 7 March|Mia|43|red", "Person  12|Tuesday 7 March|Zoe|35|red",
                           "Person  10|Tuesday 7 March|Ida without a year||red"});
        addRow("a year and more: everyone once, on the first day found", QDate(2023, 1, 1), "400,,",
               QStringList{"Person  2|Sunday 1 January|Bert|23|red", "Person  9|Sunday 1 January|Baby|-1|red",
                           "Person  3|Monday 2 January|Carl|38|", "Person  4|Tuesday 3 January|Dora|53|",
                           "Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|",
                           "Person  10|Tuesday 7 March|Ida without a year||", "Person  7|Friday 10 March|Nils|28|",
                           "Person  13|Friday 10 March|Tom with both|63|",
                           "Person  1|Sunday 31 December|Anna Ärger|33|"});
        addRow("once value a year on repeats nobody", QDate(2023, 3, 7), "0,366,",
               QStringList{"Person  6|Tuesday 7 March|Mia|43|red", "Person  12|Tuesday 7 March|Zoe|35|red",
                           "Person  10|Tuesday 7 March|Ida without a year||red"});
        addRow("nobody due", QDate(2023, 6, 1), "5,30,", QStringList{});
        // Ends, and still finds the 29 February that only the coming years hold.
        addRow("longer than anyone would choose", QDate(2023, 3, 1), "2147483647,,",
               QStringList{"Person  6|Tuesday 7 March|Mia|43|", "Person  12|Tuesday 7 March|Zoe|35|",
                           "Person  10|Tuesday 7 March|Ida without a year||", "Person  7|Friday 10 March|Nils|28|",
                           "Person  13|Friday 10 March|Tom with both|63|",
                           "Person  1|Sunday 31 December|Anna Ärger|33|", "Person  2|Monday 1 January|Bert|24|",
                           "Person  9|Monday 1 January|Baby|0|", "Person  3|Tuesday 2 January|Carl|39|",
                           "Person  4|Wednesday 3 January|Dora|54|", "Person  5|Thursday 29 February|Lea Leap|32|",
                           "Person  11|Thursday 29 February|Rita without a year||"});
    }
    void birthdayRows()
    {
        auto [today, settings] = TestSupport::fetch<QDate, QString>("today", "settings");
        const QStringList days = settings.split(',');
        // Without a database there are no rows.
        QVERIFY_THROWS_EXCEPTION(Engine::EngineError, modReminder::CollectBirthdays({0, 1, 2}, today));
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(m_path)));
        QTEST(describe(modReminder::CollectBirthdays(modReminder::ReminderDays(days[0], days[1], days[2], ""), today)),
              "rows");
    }

    // However long a name, date and age stay in view; the name says itself whole in its tool tip.
    void longNamesLeaveDateAndAgeInView_data()
    {
        QTest::addColumn<int>("fontSize");
        addRow("font 8", 8);
        addRow("font 10", 10);
    }
    void longNamesLeaveDateAndAgeInView()
    {
        QFETCH(int, fontSize);
        const QString database = m_dir.filePath(QString("long%1.mdb").arg(fontSize));
        QVERIFY(ShowOutcome(modDatabase::NewDatabase(database)));
        addPersons({{1, QString(100, QChar(0x5B57)), QDate(1960, 6, 15)},
                    {2, "Maximiliane " + QString(88, 'W'), QDate(1961, 6, 15)}});
        modDatabase::CloseDatabase(false);
        Store({"Font Size=" + QString::number(fontSize), "Reminder Since=0", "Default database=" + database});
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 6, 15));
        QVERIFY(window);
        QCOMPARE(window->RowCount(), 2);
        QTreeWidget* list = window->lvwReminder;
        QCOMPARE(list->font().pointSize(), fontSize);
        const int visible = list->viewport()->width();
        for (int row = 0; row < window->RowCount(); ++row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            QCOMPARE(item->toolTip(frmReminder::PersonColumn), item->text(frmReminder::PersonColumn));
            for (int column : {int(frmReminder::DateColumn), int(frmReminder::AgeColumn)}) {
                const QRect cell = list->visualRect(list->indexFromItem(item, column));
                QVERIFY2(cell.left() >= 0 && cell.right() < visible, qPrintable(QString("column %1").arg(column)));
                QVERIFY(cell.width() >= list->fontMetrics().horizontalAdvance(item->text(column)));
            }
        }
    }

    // No window when nobody is due, nor (after a message) without the default database; none left open.
    void nothingToShowEndsAtOnce()
    {
        Store({"Reminder Since=5", "Reminder Once 1=30"});
        QVERIFY(!prepare(QDate(2023, 6, 1)));
        QVERIFY(!modDatabase::IsDatabaseOpen());
        Store({"Reminder Since", "Reminder Once 1"});
        QVERIFY(!prepare(QDate(2023, 12, 31)));
        Store({"Reminder Since=2"});
        TestSupport::writeSetting("Default database", m_dir.filePath("gone.mdb"));
        m_platform->expectMessage();
        QVERIFY(!prepare(QDate(2023, 12, 31)));
        QCOMPARE(m_platform->messages().size(), 1);
        QVERIFY(m_platform->messages().constFirst().text.contains("gone.mdb"));
        QVERIFY(!modDatabase::IsDatabaseOpen());
    }

    // Every way to ask for details starts the program for the chosen row's person; none without a row.
    void detailsStartsTheProgram_data()
    {
        QTest::addColumn<QString>("how");
        for (const char* how : {"button", "double click", "Enter", "popup menu", "no row chosen"})
            QTest::newRow(how) << QString(how);
    }
    void detailsStartsTheProgram()
    {
        QFETCH(QString, how);
        Store({"Reminder Since=2"});
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        QTreeWidget* list = window->lvwReminder;
        const QPoint row = list->visualItemRect(list->topLevelItem(3)).center();
        if (how == "no row chosen") {
            QVERIFY(list->selectedItems().isEmpty());
            QVERIFY(!window->cmdDetails->isEnabled());
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Return);
            window->mnuPopupDetails->trigger();
            QVERIFY(m_platform->callsOf("start").isEmpty());
            QVERIFY(window->isVisible());
            return;
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
        QVERIFY(window->cmdDetails->isEnabled());
        if (how == "button") {
            QTest::mouseClick(window->cmdDetails, Qt::LeftButton);
        } else if (how == "double click") {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        } else if (how == "Enter") {
            QTest::keyClick(list, Qt::Key_Return);
        } else {
            QContextMenuEvent event(QContextMenuEvent::Mouse, row, list->viewport()->mapToGlobal(row));
            QCoreApplication::sendEvent(list->viewport(), &event);
            QTRY_VERIFY(window->mnuPopupReminder->isVisible());
            window->mnuPopupDetails->trigger();
            window->mnuPopupReminder->close();
        }
        QCOMPARE(startedArguments(), (QList<QStringList>{{"minimised", "/Person  3"}}));
        QVERIFY(window->isVisible());
        QVERIFY(modDatabase::IsDatabaseOpen());
    }

    // The chime plays once; however the window closes, the database closes with it, whole.
    void soundAndClosing_data()
    {
        TestSupport::addColumns<QString, int, QString>("sound", "played", "closing");
        addRow("sound on, OK", "1", 1, "OK");
        addRow("sound off, Escape", "0", 0, "Escape");
        addRow("sound never set, window closed", "", 0, "close");
    }
    void soundAndClosing()
    {
        auto [sound, played, closing] = TestSupport::fetch<QString, int, QString>("sound", "played", "closing");
        Store({"Reminder Since=2", "Reminder Sound=" + sound, "Reminder Sound Path=" + m_dir.filePath("chime.wav")});
        std::unique_ptr<frmReminder> window = shownReminder(QDate(2023, 12, 31));
        QVERIFY(window);
        // Away to another window and back: the chime is not repeated.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QList<ScriptedPlatform::Call> sounds = m_platform->callsOf("sound");
        QCOMPARE(sounds.size(), played);
        if (played)
            QCOMPARE(sounds.constFirst().text, m_dir.filePath("chime.wav"));

        if (closing == "OK")
            QTest::mouseClick(window->cmdOK, Qt::LeftButton);
        else if (closing == "Escape")
            QTest::keyClick(window.get(), Qt::Key_Escape);
        else
            QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QVERIFY(!modDatabase::IsDatabaseOpen());
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(m_path)));
        QCOMPARE(countRows("Person"), 13);
    }

    // The shipped chime is PCM, which every player takes. A reminder started by another process of
    // the program shows its window as that process asked; with nobody due it shows none and ends.
    void reminderRun_data()
    {
        TestSupport::addColumns<QString, QString>("days", "show");
        addRow("unasked", "Reminder Since=2", QString());
        addRow("asked minimised", "Reminder Since=2", "minimised");
        addRow("nobody due", "Reminder Once 1=3", QString());
    }
    void reminderRun()
    {
        auto [days, show] = TestSupport::fetch<QString, QString>("days", "show");
        const QString chime = QFileInfo(TestSupport::executable()).absolutePath() + "/Sound/default.wav";
        const QByteArray wave = TestSupport::readFile(chime);
        QVERIFY2(wave.size() > 44, "no Sound/default.wav beside the program");
        QVERIFY(wave.startsWith("RIFF") && wave.mid(8, 8) == "WAVEfmt " && wave.at(20) == 1);
        Store({"Reminder Sound=1", "Reminder Sound Path=" + chime, days});
        const TestSupport::ChildRun run = runReminder(show);
        QCOMPARE(run.exitCode, 0);
        // Today is Wednesday 17 June in every test program and the programs it starts.
        const QString due = "Birthday reminder\nPerson  1\tWednesday 17 June\tAnna & <Ärger>\t28\tred\n"
                            "Person  2\tThursday 18 June\tBert\t40\t\nwindow " +
                            (show.isEmpty() ? "normal" : show) + "\n";
        QCOMPARE(QString::fromUtf8(run.output), days.contains("Since") ? due : QString());
        // Closing compacted the file, which stays a database with its persons.
        QVERIFY(ShowOutcome(modDatabase::OpenDatabase(m_today)));
        QCOMPARE(countRows("Person"), 3);
    }

    // A sound still loading at exit could keep the process forever; a long chime keeps it loading.
    void closedWhileTheChimeLoads()
    {
        // PCM, two channels of 16 bits at 44100 Hz, then 8 MiB of silence.
        const QByteArray header = QByteArray::fromHex("524946462400800057415645666d74201000000001000200"
                                                      "44ac000010b10200040010006461746100008000");
        const QString chime = TestSupport::environment().temp() + "/long.wav";
        QVERIFY(TestSupport::writeFile(chime, header + QByteArray(8 * 1024 * 1024, '\0')));
        Store({"Reminder Sound=1", "Reminder Sound Path=" + chime, "Reminder Since=2"});
        for (int run = 1; run <= 50; ++run) {
            const TestSupport::ChildRun reminder = runReminder();
            QCOMPARE(reminder.exitCode, 0);
            QVERIFY(!reminder.output.isEmpty()); // the window was shown, so the chime played
        }
    }

    // Desktop entries unescape the string first ("\\" to "\"), then the quoted argument
    // ("\"" to """ and so on); "%" alone would start a field code.
    // TryExec is a plain string: only the backslash is escaped. A desktop skips the entry once the program is gone.
    void execLineQuotesThePath_data()
    {
        TestSupport::addColumns<QString, QString, QString>("executable", "exec", "tryExec");
        addRow("plain", "/opt/addrion/addrion", "\"/opt/addrion/addrion\" /Reminder", "/opt/addrion/addrion");
        addRow("blanks", "/home/u/My Programs/addrion", "\"/home/u/My Programs/addrion\" /Reminder",
               "/home/u/My Programs/addrion");
        addRow("double quote", "/home/u/a\"b/addrion", "\"/home/u/a\\\\\"b/addrion\" /Reminder",
               "/home/u/a\"b/addrion");
        addRow("dollar and backtick", "/home/u/$x`y/addrion", "\"/home/u/\\\\$x\\\\`y/addrion\" /Reminder",
               "/home/u/$x`y/addrion");
        addRow("backslash", "/home/u/a\\b/addrion", "\"/home/u/a\\\\\\\\b/addrion\" /Reminder",
               "/home/u/a\\\\b/addrion");
        addRow("percent", "/home/u/100%/addrion", "\"/home/u/100%%/addrion\" /Reminder", "/home/u/100%/addrion");
        addRow("non-ASCII", "/home/jürgen/Programme/addrion", "\"/home/jürgen/Programme/addrion\" /Reminder",
               "/home/jürgen/Programme/addrion");
    }
    void execLineQuotesThePath()
    {
        auto [executable, exec, tryExec] =
            TestSupport::fetch<QString, QString, QString>("executable", "exec", "tryExec");
        QCOMPARE(modAutostart::ExecLine(executable), exec);
        QCOMPARE(QString::fromUtf8(modAutostart::EntryText(executable)),
                 "[Desktop Entry]\nType=Application\nName=Addrion Birthday reminder\nIcon=addrion\nExec=" + exec +
                     "\nTryExec=" + tryExec + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    }

    // Only a switch from off to on shows the reminder at once, and only with a default database to open.
    void enableWritesTheEntry_data()
    {
        TestSupport::addColumns<QString, bool, bool>("stored", "defaultDatabaseExists", "startsReminder");
        addRow("first run, no default database", "", false, false);
        addRow("first run, default database", "", true, true);
        addRow("off, default database", "0", true, true);
        addRow("off, default database gone", "0", false, false);
        addRow("already on", "1", true, false);
    }
    void enableWritesTheEntry()
    {
        auto [stored, defaultDatabaseExists, startsReminder] =
            TestSupport::fetch<QString, bool, bool>("stored", "defaultDatabaseExists", "startsReminder");
        if (!stored.isEmpty())
            TestSupport::writeSetting("Birthday reminder", stored);
        TestSupport::writeSetting("Default database",
                                  defaultDatabaseExists ? m_path : TestSupport::environment().root() + "/gone.mdb");
        QString error;
        QVERIFY2(modAutostart::EnableReminder(&error), qPrintable(error));
        QCOMPARE(TestSupport::readSetting("Birthday reminder"), QString("1"));
        QCOMPARE(TestSupport::readFile(modAutostart::EntryFile()),
                 modAutostart::EntryText(QCoreApplication::applicationFilePath()));
        QVERIFY(!modAutostart::ReminderEntryOutdated());
        QCOMPARE(startedArguments(),
                 (startsReminder ? QList<QStringList>{{"minimised", "/Reminder"}} : QList<QStringList>{}));
    }

    // At every start of the main window: a first run switches on with the defaults; while on, an entry
    // that is missing or points elsewhere is written again, with no reminder popping up.
    void startCheck_data()
    {
        TestSupport::addColumns<QString, QByteArray, bool>("stored", "entry", "entryAfterwards");
        addRow("first run", QString(), QByteArray(), true);
        addRow("moved program is repaired", "1", modAutostart::EntryText("/old/place/addrion"), true);
        addRow("missing entry is written again", "1", QByteArray(), true);
        addRow("entry without the argument is repaired", "1",
               "[Desktop Entry]\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n", true);
        addRow("entry without Exec is repaired", "1", QByteArray("[Desktop Entry]\nName=Addrion Birthday reminder\n"),
               true);
        addRow("switched off stays off", "0", QByteArray(), false);
    }
    void startCheck()
    {
        auto [stored, entry, entryAfterwards] =
            TestSupport::fetch<QString, QByteArray, bool>("stored", "entry", "entryAfterwards");
        if (!stored.isNull()) // a first run with a default database would switch on
            Store({"Birthday reminder=" + stored, "Default database=" + m_path});
        if (!entry.isNull())
            QVERIFY(TestSupport::writeFile(modAutostart::EntryFile(), entry));
        QString error;
        QVERIFY2(modAutostart::CheckReminderAtStart(&error), qPrintable(error));
        QCOMPARE(QFile::exists(modAutostart::EntryFile()), entryAfterwards);
        QCOMPARE(TestSupport::readFile(modAutostart::EntryFile()),
                 entryAfterwards ? modAutostart::EntryText(QCoreApplication::applicationFilePath()) : QByteArray());
        QVERIFY(startedArguments().isEmpty());
        if (!stored.isNull()) {
            QCOMPARE(Stored({"Birthday reminder", "Reminder Since"}),
                     "Birthday reminder=" + stored + ", Reminder Since");
            return;
        }
        QCOMPARE(Stored({"Birthday reminder", "Reminder Sound", "Reminder Sound Path", "Reminder Since",
                         "Reminder Once 1", "Reminder Once 2"}),
                 "Birthday reminder=1, Reminder Sound=1, Reminder Sound Path=" + modEnvironment::ProgramFolder() +
                     "Sound/default.wav, Reminder Since=2, Reminder Once 1=7, Reminder Once 2");
        // The user's later choices survive the next start.
        TestSupport::writeSetting("Reminder Since", "5");
        QVERIFY2(modAutostart::CheckReminderAtStart(&error), qPrintable(error));
        QCOMPARE(TestSupport::readSetting("Reminder Since"), QString("5"));
    }

    // An entry that cannot be written leaves the reminder stored as off, however it was to be switched
    // on; one that cannot be removed leaves it on. Nothing is started, and the message names the entry.
    void reminderFollowsItsEntry_data()
    {
        // blocked: "folder" read-only, or "file" where the autostart folder goes; how: "start" of the
        // main window or the options "window"; entry: what the autostart folder held before
        TestSupport::addColumns<QString, QString, QString, QString, QString>("blocked", "how", "stored", "entry",
                                                                             "storedAfterwards");
        addRow("first run, read-only folder", "folder", "start", "", "", "0");
        addRow("first run, file for a folder", "file", "start", "", "", "0");
        addRow("repair while on, read-only entry", "folder", "start", "1", "outdated", "0");
        addRow("switched on, read-only folder", "folder", "window", "0", "", "0");
        addRow("switched on, file for a folder", "file", "window", "0", "", "0");
        addRow("switched off, read-only entry", "folder", "window", "1", "current", "1");
    }
    void reminderFollowsItsEntry()
    {
        auto [blocked, how, stored, entry, storedAfterwards] =
            TestSupport::fetch<QString, QString, QString, QString, QString>("blocked", "how", "stored", "entry",
                                                                            "storedAfterwards");
        Store({"Default database=" + m_path});
        if (!stored.isEmpty())
            Store({"Birthday reminder=" + stored});
        const QString file = modAutostart::EntryFile();
        const QString folder = QFileInfo(file).absolutePath();
        if (!entry.isEmpty())
            QVERIFY(TestSupport::writeFile(file, modAutostart::EntryText(entry == "current"
                                                                             ? QCoreApplication::applicationFilePath()
                                                                             : "/old/place/addrion")));
        if (blocked == "file")
            QVERIFY(QDir(folder).removeRecursively() && TestSupport::writeFile(folder, "not a folder"));
        else
            QVERIFY(QDir().mkpath(folder));
        const QByteArray before = TestSupport::readFile(file);
        std::unique_ptr<ReadOnlyFile> readOnly;
        if (blocked == "folder") {
            readOnly = std::make_unique<ReadOnlyFile>(file);
            if (!readOnly->ok())
                QSKIP("this machine cannot make a folder read-only");
        }
        QString message;
        if (how == "start") {
            QVERIFY(!modAutostart::CheckReminderAtStart(&message));
        } else {
            open();
            QTest::keyClick(m_window->chkBirthdayreminder, Qt::Key_Space);
            m_platform->expectMessage();
            QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
            QCOMPARE(m_platform->messages().size(), 1);
            QCOMPARE(m_platform->messages().first().title, QString("Error"));
            message = m_platform->messages().first().text;
        }
        QCOMPARE(message.section('\n', 0, 1),
                 (stored == "1" && storedAfterwards == "1" ? "The file could not be removed:\n"
                                                           : "The file could not be written:\n") +
                     file);
        QCOMPARE(TestSupport::readSetting("Birthday reminder"), storedAfterwards);
        QCOMPARE(TestSupport::readFile(file), before);
        QVERIFY(startedArguments().isEmpty());
    }

    // The window shows what is stored: "x" for a ticked box, "-" for one unticked, then its text.
    void loadsTheSettings_data()
    {
        TestSupport::addColumns<QStringList, QString>("settings", "shown");
        addRow("first-run defaults", QStringList{"Birthday reminder=1", "Reminder Since=2", "Reminder Sound=1"},
               "x, x 2, - , - , x /somewhere/chime.wav");
        addRow("switched off",
               QStringList{"Birthday reminder=0", "Reminder Since=3", "Reminder Once 2=14", "Reminder Sound=0"},
               "-, x 3, - , x 14, - /somewhere/chime.wav");
        addRow("not numbers are unticked",
               QStringList{"Birthday reminder=1", "Reminder Since=soon", "Reminder Once 2=", "Reminder Sound=1"},
               "x, - , - , - , x /somewhere/chime.wav");
    }
    void loadsTheSettings()
    {
        QFETCH(QStringList, settings);
        Store(settings << "Reminder Sound Path=/somewhere/chime.wav");
        open();
        const auto shown = [](const QCheckBox* box, const QLineEdit* text = nullptr) {
            return QString(box->isChecked() ? "x" : "-") + (text ? " " + text->text() : QString());
        };
        QTEST(QStringList({shown(m_window->chkBirthdayreminder), shown(m_window->chkSince, m_window->txtSince),
                           shown(m_window->chkOnce.at(0), m_window->txtOnce.at(0)),
                           shown(m_window->chkOnce.at(1), m_window->txtOnce.at(1)),
                           shown(m_window->chkSound, m_window->txtSound)})
                  .join(", "),
              "shown");
    }

    void checkBoxesEnableTheirControls_data()
    {
        // ticks: check boxes toggled after loading with everything unticked
        TestSupport::addColumns<QStringList, QString>("ticks", "enabled");
        const QString off = "chkBirthdayreminder fraSound cmdOK cmdCancel";
        addRow("reminder off", QStringList{}, off);
        addRow(
            "reminder on", QStringList{"chkBirthdayreminder"},
            "chkBirthdayreminder fraSince chkSince fraOnce chkOnce chkOnce chkOnce fraSound chkSound cmdOK cmdCancel");
        addRow(
            "since", QStringList{"chkBirthdayreminder", "chkSince"},
            "chkBirthdayreminder fraSince chkSince udSince txtSince lblDays fraOnce chkOnce chkOnce chkOnce fraSound "
            "chkSound cmdOK cmdCancel");
        addRow("second once and sound", QStringList{"chkBirthdayreminder", "chkOnce1", "chkSound"},
               "chkBirthdayreminder fraSince chkSince fraOnce chkOnce chkOnce udOnce txtOnce lblDays chkOnce fraSound "
               "chkSound txtSound cmdBrowse cmdOK cmdCancel");
        addRow("ticks kept but reminder off again",
               QStringList{"chkBirthdayreminder", "chkSince", "chkOnce2", "chkSound", "chkBirthdayreminder"}, off);
    }
    void checkBoxesEnableTheirControls()
    {
        QFETCH(QStringList, ticks);
        Store({"Birthday reminder=0", "Reminder Sound=0"});
        open();
        // Space on a check box, as a user without a mouse ticks it.
        for (const QString& name : ticks)
            QTest::keyClick(name.startsWith("chkOnce") ? m_window->chkOnce.at(name.right(1).toInt())
                                                       : m_window->findChild<QCheckBox*>(name),
                            Qt::Key_Space);
        QTEST(enabledControls(), "enabled");
    }

    void dayBoxesTakeDigitsOnly_data()
    {
        TestSupport::addColumns<QString, QString, int>("typed", "text", "refused");
        addRow("digits", "14", "14", 0);
        addRow("letters", "1a4b", "14", 2);
        addRow("minus and point", "-1.5", "15", 2);
        addRow("blank", "3 0", "30", 1);
    }
    void dayBoxesTakeDigitsOnly()
    {
        auto [typed, text, refused] = TestSupport::fetch<QString, QString, int>("typed", "text", "refused");
        Store({"Birthday reminder=1", "Reminder Once 3=12"});
        open();
        DaySpinBox* box = m_window->udOnce.at(2);
        QSignalSpy refusals(m_window.get(), &frmOptionsReminder::typingRefused);
        // Typed where the keyboard focus sends it: the up-down control with its box.
        box->setFocus();
        m_window->txtOnce.at(2)->end(false);
        for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(box, key);
        QCOMPARE(m_window->txtOnce.at(2)->text(), QString("2"));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, typed);
        QCOMPARE(m_window->txtOnce.at(2)->text(), text);
        QCOMPARE(refusals.count(), refused);
        // Typed straight into the text box, the same rule holds.
        QTest::keyClicks(m_window->txtOnce.at(2), "x");
        QCOMPARE(m_window->txtOnce.at(2)->text(), text);
        QCOMPARE(refusals.count(), refused + 1);
        QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
        QCOMPARE(TestSupport::readSetting("Reminder Once 3"), text);
    }

    // Cancel stores nothing; OK stores the choices, an unticked day by removing its key.
    void cancelOrOkStoresTheChoices()
    {
        Store({"Birthday reminder=1", "Reminder Since=2", "Reminder Once 1=7", "Reminder Once 3=30", "Reminder Sound=1",
               "Reminder Sound Path=/old/chime.wav"});
        const QByteArray before = TestSupport::readFile(TestSupport::settingsFile());
        for (const bool ok : {false, true}) {
            open();
            QTest::keyClick(m_window->chkSince, Qt::Key_Space);      // untick: the key goes
            QTest::keyClick(m_window->chkOnce.at(2), Qt::Key_Space); // untick
            QTest::keyClick(m_window->chkOnce.at(1), Qt::Key_Space); // tick with a typed day
            QTest::keyClicks(m_window->udOnce.at(1), "21");
            QTest::keyClick(m_window->chkSound, Qt::Key_Space);
            m_window->txtSound->setText("/new/chime.wav");
            QTest::mouseClick(ok ? m_window->cmdOK : m_window->cmdCancel, Qt::LeftButton);
            QVERIFY(!m_window->isVisible());
            QCOMPARE(m_window->result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
            QCOMPARE(TestSupport::readFile(TestSupport::settingsFile()) == before, !ok);
        }
        QCOMPARE(Stored({"Birthday reminder", "Reminder Since", "Reminder Once 1", "Reminder Once 2", "Reminder Once 3",
                         "Reminder Sound", "Reminder Sound Path"}),
                 QString("Birthday reminder=1, Reminder Since, Reminder Once 1=7, Reminder Once 2=21, Reminder Once 3, "
                         "Reminder Sound=0, Reminder Sound Path=/new/chime.wav"));
        QVERIFY(startedArguments().isEmpty());
    }

    // Switching off removes the entry; switching on writes it and shows the reminder at once, which
    // already sees the days chosen in the same go.
    void switching()
    {
        QString error;
        QVERIFY2(modAutostart::EnableReminder(&error), qPrintable(error));
        Store({"Default database=" + m_path, "Reminder Since=2"});
        for (const bool on : {false, true}) {
            open();
            QCOMPARE(m_window->chkBirthdayreminder->isChecked(), !on);
            QTest::keyClick(m_window->chkBirthdayreminder, Qt::Key_Space);
            m_window->udSince->setFocus();
            QTest::keyClick(m_window->udSince, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(m_window->udSince, "5");
            QTest::mouseClick(m_window->cmdOK, Qt::LeftButton);
            QCOMPARE(TestSupport::readSetting("Birthday reminder"), QString(on ? "1" : "0"));
            QCOMPARE(QFile::exists(modAutostart::EntryFile()), on);
            QCOMPARE(modAutostart::ReminderEntryOutdated(), !on);
            QCOMPARE(startedArguments(), (on ? QList<QStringList>{{"minimised", "/Reminder"}} : QList<QStringList>{}));
        }
        QCOMPARE(m_platform->sinceAtStart, QString("5"));
    }

    void browseChoosesAndPlaysASound()
    {
        Store({"Birthday reminder=1", "Reminder Sound=1", "Reminder Sound Path=/old/chime.wav"});
        open();
        m_platform->expectOpenFileName("/music/bell.wav");
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        QStringList calls; // the file dialog, then the chosen sound played
        for (const ScriptedPlatform::Call& call : m_platform->calls())
            calls << call.kind + ": " + call.title + " | " + call.text + " | " + call.arguments.join(',');
        QCOMPARE(calls, (QStringList{"open: Open | Sound (*.wav)|*.wav | " + modEnvironment::ProgramFolder() + "Sound/",
                                     "sound:  | /music/bell.wav | "}));

        // Cancelled: nothing changes and nothing plays.
        m_platform->expectOpenFileName(QString());
        QTest::mouseClick(m_window->cmdBrowse, Qt::LeftButton);
        QCOMPARE(m_window->txtSound->text(), QString("/music/bell.wav"));
        QCOMPARE(m_platform->callsOf("sound").size(), 1);
        QCOMPARE(TestSupport::readSetting("Reminder Sound Path"), QString("/old/chime.wav"));
    }

    void openedFromTheMainWindow()
    {
        Store({"Birthday reminder=1", "Reminder Once 1=7"});
        frmMain mainWindow("/Reminder");
        RegisterWindows(mainWindow);
        const auto seen = TestSupport::onModal<frmOptionsReminder>([](frmOptionsReminder* dialog) {
            QTest::keyClick(dialog->chkOnce.at(0), Qt::Key_Space);
            QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        });
        control<QAction>(&mainWindow, "mnuOptionsBirthdayreminder")->trigger();
        QVERIFY(*seen);
        QCOMPARE(Stored({"Reminder Once 1"}), QString("Reminder Once 1"));
    }
};

ADDRION_TEST_MAIN(TestReminder)
#include "tst_reminder.moc"
