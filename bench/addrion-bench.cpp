// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// Times the program's operations on a full synthetic database and prints a table:
// operation, median, min, max, and the ratio to a baseline where there is one.
// Usage: addrion-bench [--persons N] [--runs N] [--only TEXT] [--scaling] [--sync] [--sync-filled N]
#include "Baseline.h"
#include "Controls.h"
#include "SyncBenchmark.h"
#include "SyntheticDatabase.h"

#include "birthdays/modCalendar.h"
#include "database/Engine.h"
#include "database/modDatabase.h"
#include "editor/modContact.h"
#include "export/LabelPainter.h"
#include "export/frmEmail.h"
#include "export/frmExport.h"
#include "export/modExportFiles.h"
#include "export/modLabels.h"
#include "interchange/modDuplicates.h"
#include "interchange/modVcardImport.h"
#include "mainwindow/ContactListModel.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

#include <sys/resource.h>

namespace {

// Answers every dialog like a user who cancels, and records nothing: the benchmark
// must never wait for a person.
class SilentPlatform : public Platform::Interface
{
public:
    Platform::Answer message(const QString&, const QString& text, Platform::Icon, Platform::Buttons) override
    {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
        return Platform::Answer::Cancel;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString directory(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return true; }
    bool startDetached(const QString&, const QStringList&, Platform::Show) override { return true; }
    void playSound(const QString&) override {}
    void sendMail(const Platform::Mail&, Platform::MailDone done) override { done({}); }
    int countPrinters() override { return 0; }
};

struct Timing
{
    double median = 0;
    double min = 0;
    double max = 0;
};

// Runs work `runs` times, each after prepare (not timed), and sums up the milliseconds.
Timing Measure(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {})
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (prepare)
            prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

struct Row
{
    QString operation;
    Timing timing;
    std::optional<Timing> baseline;
    double targetMs;
    double maxRatio; // 0: no baseline figure
};

bool Reached(const Row& row)
{
    if (row.timing.median > row.targetMs)
        return false;
    return !row.baseline || row.maxRatio <= 0 || row.timing.median <= row.maxRatio * row.baseline->median;
}

void Print(const std::vector<Row>& rows, long peakKb, int persons)
{
    QTextStream out(stdout);
    out << "Addrion benchmark, " << persons << " persons, times in ms\n\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8\n")
               .arg(QStringLiteral("operation"), -46)
               .arg(QStringLiteral("median"), 8)
               .arg(QStringLiteral("min"), 8)
               .arg(QStringLiteral("max"), 8)
               .arg(QStringLiteral("baseline"), 9)
               .arg(QStringLiteral("ratio"), 6)
               .arg(QStringLiteral("target"), 14)
               .arg(QStringLiteral("reached"));
    for (const Row& row : rows) {
        const QString baseline = row.baseline ? QString::number(row.baseline->median, 'f', 1) : QStringLiteral("-");
        const QString ratio =
            row.baseline ? QString::number(row.timing.median / row.baseline->median, 'f', 2) : QStringLiteral("-");
        QString target = QString::number(row.targetMs, 'f', 0);
        if (row.maxRatio > 0)
            target += QStringLiteral(", ") + QString::number(row.maxRatio, 'g', 2) + QLatin1Char('x');
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8\n")
                   .arg(row.operation, -46)
                   .arg(row.timing.median, 8, 'f', 1)
                   .arg(row.timing.min, 8, 'f', 1)
                   .arg(row.timing.max, 8, 'f', 1)
                   .arg(baseline, 9)
                   .arg(ratio, 6)
                   .arg(target, 14)
                   .arg(Reached(row) ? QStringLiteral("yes") : QStringLiteral("NO"));
    }
    constexpr double PeakTargetMb = 64;
    const double peakMb = peakKb / 1024.0;
    out << QStringLiteral("%1 %2 MB %3  %4\n")
               .arg(QStringLiteral("peak resident memory"), -46)
               .arg(peakMb, 8, 'f', 1)
               .arg(QStringLiteral("target %1 MB").arg(PeakTargetMb), 38)
               .arg(peakMb <= PeakTargetMb ? QStringLiteral("yes") : QStringLiteral("NO"));
}

long PeakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

modContact::Contact NewContact()
{
    modContact::Contact contact;
    contact.name = QStringLiteral("Zoë Benchmark-O'Neill");
    contact.dateOfBirth = QStringLiteral("2/29/1980");
    contact.address = QStringLiteral("Main Street 1\r\nTown");
    contact.note = QStringLiteral("Added by the benchmark");
    contact.phones = {modContact::TypedEntry(QStringLiteral("+31 20 555 0101"), QStringLiteral("home")),
                      modContact::TypedEntry(QStringLiteral("06 1234 5678"), QString())};
    contact.emails = {modContact::TypedEntry(QStringLiteral("zoe@example.org"), QStringLiteral("work"))};
    return contact;
}

struct Options
{
    int runs = 9;
    QString only;
};

// The size of a file, 0 when there is none.
qint64 FileSize(const QString& path)
{
    return QFileInfo(path).size();
}

// SHA-256 of the files one after another, so that a change can show its output stays the same.
QString Digest(const QStringList& paths)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            hash.addData(&file);
    }
    return QString::fromLatin1(hash.result().toHex().left(16));
}

QStringList CalendarPages()
{
    QStringList pages;
    const int year = QDate::currentDate().year();
    for (int y = year - 1; y <= year + 1; ++y)
        for (int month = 1; month <= 12; ++month)
            pages << modCalendar::PagePath(y, month);
    return pages;
}

// Times every operation on a database of the given size, in the folder given.
std::vector<Row> RunAll(const QString& folder, int persons, const Options& options, QStringList* digests)
{
    const QString full = folder + QStringLiteral("/full-%1.mdb").arg(persons);
    const QString almostFull = folder + QStringLiteral("/almost-%1.mdb").arg(persons);
    std::fprintf(stderr, "making the databases of %d persons ...\n", persons);
    SyntheticDatabase::Create(full, persons);
    SyntheticDatabase::Create(almostFull, persons, persons / 2 + 1);
    const int runs = options.runs;

    std::vector<Row> rows;
    // Times one operation, and its baseline when it has one, unless --only leaves it out.
    auto bench = [&](const QString& operation, double targetMs, double maxRatio, const std::function<void()>& work,
                     const std::function<void()>& prepare = {}, const std::function<void()>& baseline = {}) {
        if (!options.only.isEmpty() && !operation.contains(options.only))
            return;
        std::optional<Timing> base;
        if (baseline)
            base = Measure(runs, baseline);
        rows.push_back({operation, Measure(runs, work, prepare), base, targetMs, maxRatio});
    };

    frmMain window(full);
    window.Load();
    window.show();
    QCoreApplication::processEvents();

    // Opening and filling the list; the baseline is the library alone with its own
    // ASCII case folding. Every opening but a file's first finds the list's order kept
    // from the one before; the first has to sort every name.
    const auto baselineOpen = [&] {
        Baseline::ReadPlain(full, {QStringLiteral("SELECT Contactnr, Name FROM Person ORDER BY Name")});
    };
    bench(
        QStringLiteral("open database and fill the main list"), 60, 1.2, [&] { modDatabase::OpenDatabase(full); },
        [] { modDatabase::CloseDatabase(false); }, baselineOpen);
    bench(
        QStringLiteral("open a database for the first time"), 80, 1.2, [&] { modDatabase::OpenDatabase(full); },
        [] {
            modDatabase::CloseDatabase(false);
            QDir(modEnvironment::CacheFolder()).removeRecursively();
        },
        baselineOpen);
    if (!modDatabase::IsDatabaseOpen())
        modDatabase::OpenDatabase(full);

    // Start-up: the program started on the full database until its filled window has been
    // drawn, against a bare Qt program showing an empty main window plus the fill alone.
    const QString startUp = QStringLiteral("start-up to the filled main window");
    if (options.only.isEmpty() || startUp.contains(options.only)) {
        // From the process's start until it says its window is drawn; what it does on
        // closing (the program compacts its file) is not part of a start.
        const auto startUntilShown = [runs](const QString& program, const QStringList& arguments) {
            std::vector<double> times;
            for (int run = 0; run < runs; ++run) {
                QProcess process;
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                environment.insert(QStringLiteral("ADDRION_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
                process.setProcessEnvironment(environment);
                QElapsedTimer timer;
                timer.start();
                process.start(program, arguments);
                while (!process.canReadLine() && process.waitForReadyRead(60000)) {
                }
                times.push_back(timer.nsecsElapsed() / 1e6);
                if (process.readLine().trimmed() != "shown")
                    qFatal("%s did not show its window", qPrintable(program));
                process.waitForFinished(60000);
            }
            std::sort(times.begin(), times.end());
            return Timing{times[times.size() / 2], times.front(), times.back()};
        };
        modDatabase::CloseDatabase(false);
        const Timing program = startUntilShown(QStringLiteral(ADDRION_BENCH_PROGRAM), {full});
        const Timing bare = startUntilShown(QStringLiteral(ADDRION_BENCH_BARE), {});
        const Timing fill = Measure(
            runs, [&] { modDatabase::OpenDatabase(full); }, [] { modDatabase::CloseDatabase(false); });
        rows.push_back(
            {startUp, program, Timing{bare.median + fill.median, bare.min + fill.min, bare.max + fill.max}, 2000, 2});
        if (!modDatabase::IsDatabaseOpen())
            modDatabase::OpenDatabase(full);
    }

    // Typing into the quick search, against the library's own LIKE scan for the same words.
    QLineEdit* quickSearch = TestSupport::control<QLineEdit>(&window, "txtQuickSearch");
    const auto quiet = [&](const char* text) {
        return [quickSearch, text] {
            quickSearch->blockSignals(true);
            quickSearch->setText(QString::fromUtf8(text));
            quickSearch->blockSignals(false);
        };
    };
    const struct
    {
        const char* label;
        const char* before;
        const char* typed;
        double targetMs;
        const char* plain;
    } searches[] = {
        {"quick search, one word (\"an\")", "", "an", 5,
         "SELECT Contactnr, Name FROM Person WHERE TRIM(Name) LIKE '%an%' ORDER BY Name"},
        {"quick search, two words (\"an mu\")", "", "an mu", 4,
         "SELECT Contactnr, Name FROM Person WHERE TRIM(Name) LIKE '%an%' AND TRIM(Name) LIKE '%mu%' ORDER BY Name"},
        {"quick search, deleting a letter (\"an\" to \"a\")", "an", "a", 5,
         "SELECT Contactnr, Name FROM Person WHERE TRIM(Name) LIKE '%a%' ORDER BY Name"},
    };
    for (const auto& search : searches)
        bench(
            QString::fromUtf8(search.label), search.targetMs, 0.35,
            [&] { quickSearch->setText(QString::fromUtf8(search.typed)); }, quiet(search.before),
            [&] { Baseline::ReadPlain(full, {QString::fromUtf8(search.plain)}); });
    quickSearch->clear();

    const qint16 middle = window.contactList()->contact(window.ListRowCount() / 2).contactnr;
    bench(QStringLiteral("show one person"), 2, 0, [&] { window.ShowPerson(middle); });

    // Adding to a database with one number left.
    modDatabase::OpenDatabase(almostFull);
    std::optional<qint16> added;
    bench(
        QStringLiteral("add one person to a full-minus-one database"), 80, 0,
        [&] {
            added = modContact::SaveNewPerson(NewContact());
            window.FillContactList();
        },
        [&] {
            // The number is free again for the next run.
            if (added)
                for (const char* table : {"Phone", "Email", "Person"})
                    modDatabase::DatabaseConnection().Execute(
                        QStringLiteral("DELETE FROM %1 WHERE Contactnr = %2").arg(QLatin1String(table)).arg(*added));
            added.reset();
        });
    modDatabase::OpenDatabase(full);

    // The calendar, the text and the XHTML export against reading the same rows and
    // writing as many bytes beside their files.
    modCalendar::GenerateCalendar(nullptr);
    const QStringList pages = CalendarPages();
    bench(
        QStringLiteral("generate the 36 calendar pages"), 120, 1.5, [] { modCalendar::GenerateCalendar(nullptr); }, {},
        [&] {
            Baseline::ReadPlain(full, Baseline::CalendarStatements());
            for (const QString& page : pages)
                Baseline::WriteBytes(page + QStringLiteral(".baseline"), FileSize(page));
        });

    modExport::Selection everybody;
    for (int row = 0; row < window.ListRowCount(); ++row)
        everybody.contactnrs.push_back(window.contactList()->contact(row).contactnr);
    QString error;
    const QStringList exportStatements = Baseline::ExportStatements(everybody.contactnrs);
    const auto exportBaseline = [&](modExportFiles::Kind kind) {
        const QString file = modExportFiles::ExportFilePath(kind);
        const qint64 size = FileSize(file);
        return [&, file, size] {
            Baseline::ReadPlain(full, exportStatements);
            Baseline::WriteBytes(file + QStringLiteral(".baseline"), size);
        };
    };
    modExportFiles::ExportText(everybody, nullptr, error);
    bench(
        QStringLiteral("text export of all persons"), 150, 1.5,
        [&] { modExportFiles::ExportText(everybody, nullptr, error); }, {}, exportBaseline(modExportFiles::Kind::Text));
    modExportFiles::ExportHtml(everybody, nullptr, error);
    bench(
        QStringLiteral("XHTML export of all persons"), 250, 1.5,
        [&] { modExportFiles::ExportHtml(everybody, nullptr, error); }, {}, exportBaseline(modExportFiles::Kind::Html));
    if (digests)
        *digests << QStringLiteral("text export %1")
                        .arg(Digest({modExportFiles::ExportFilePath(modExportFiles::Kind::Text)}))
                 << QStringLiteral("XHTML export %1")
                        .arg(Digest({modExportFiles::ExportFilePath(modExportFiles::Kind::Html)}))
                 << QStringLiteral("calendar pages %1").arg(Digest(pages));

    // Labels for everybody as a PDF against reading the same rows and writing the same
    // lines into a PDF with the library alone, a label's lines where its label is.
    {
        LabelPainter::Layout layout;
        layout.sheet = modLabels::SheetOf(QStringLiteral("a4-3x7"));
        layout.font = QFont(QStringLiteral("DejaVu Sans"), 10);
        const auto blocksOf = [&everybody] {
            std::vector<LabelPainter::Block> blocks;
            modExport::Selection selection = everybody;
            selection.details.phone = selection.details.email = selection.details.note = false;
            modExport::ForEachPerson(
                selection, [](int) {},
                [&blocks](const modExport::ExportedPerson& person) {
                    QStringList lines = modLabels::AddressBlock(person);
                    if (!lines.isEmpty())
                        blocks.push_back({person.name, std::move(lines)});
                });
            return blocks;
        };
        // The baseline's lines, a label's in one text: no more memory than they need.
        std::vector<QString> texts;
        for (const LabelPainter::Block& block : blocksOf())
            texts.push_back(block.lines.join(QLatin1Char('\n')));
        texts.shrink_to_fit();
        const QString pdf = folder + QStringLiteral("/labels.pdf");
        bench(
            QStringLiteral("labels for all persons as PDF (A4 3 x 7)"), 30000, 3,
            [&] {
                QFile file(pdf);
                file.open(QIODevice::WriteOnly);
                QPdfWriter writer(&file);
                writer.setResolution(600);
                LabelPainter::SetUpPage(writer, layout);
                LabelPainter::Paint(writer, layout, blocksOf());
            },
            // The baseline has run by then: its lines are not held while the labels are made.
            [&texts] { std::vector<QString>().swap(texts); },
            [&] {
                Baseline::ReadPlain(full, exportStatements);
                QFile file(pdf + QStringLiteral(".baseline"));
                file.open(QIODevice::WriteOnly);
                QPdfWriter writer(&file);
                writer.setResolution(600);
                LabelPainter::SetUpPage(writer, layout);
                QPainter painter(&writer);
                painter.setFont(layout.font);
                const double scale = 600 / 25.4;
                const std::vector<modLabels::Placement> places =
                    modLabels::Place(layout.sheet, static_cast<int>(texts.size()), 1);
                int page = 0;
                for (size_t i = 0; i < texts.size(); ++i) {
                    for (; page < places[i].page; ++page)
                        writer.newPage();
                    QPointF at = places[i].rect.topLeft() * scale + QPointF(0, 100);
                    for (const QStringView line : QStringView(texts[i]).split(QLatin1Char('\n'))) {
                        painter.drawText(at, line.toString());
                        at.ry() += 100;
                    }
                }
            });
    }

    // The finder as the window runs it: read every person with numbers and addresses,
    // then group them.
    bench(QStringLiteral("find duplicates among all persons"), 1000, 0, [] { modDuplicates::FindInDatabase(); });
    bench(QStringLiteral("CSV export of all persons (Google)"), 700, 0,
          [&] { modExportFiles::ExportCsv(everybody, modCsv::Layout::Google, nullptr, error); });
    if (digests) {
        const QString outlook = modExportFiles::ExportFilePath(modExportFiles::Kind::Csv) + QStringLiteral(".outlook");
        modExportFiles::ExportCsv(everybody, modCsv::Layout::Outlook, nullptr, error, outlook);
        *digests << QStringLiteral("CSV export %1")
                        .arg(Digest({modExportFiles::ExportFilePath(modExportFiles::Kind::Csv), outlook}));
    }

    std::unique_ptr<frmEmail> list;
    bench(
        QStringLiteral("e-mail address list of all persons"), 200, 0, [&] { list->cmdAddAll->click(); },
        [&] {
            // The window before goes first: the program never holds two.
            list.reset();
            list = std::make_unique<frmEmail>(window);
        });
    list.reset();
    std::unique_ptr<frmExport> dialog;
    bench(
        QStringLiteral("export dialog \"add all\""), 200, 0, [&] { dialog->cmdAddAll->click(); },
        [&] {
            dialog.reset();
            dialog = std::make_unique<frmExport>(window);
        });
    dialog.reset();

    bench(
        QStringLiteral("close with compaction"), 300, 0, [] { modDatabase::CloseDatabase(true); },
        [&] {
            if (!modDatabase::IsDatabaseOpen())
                modDatabase::OpenDatabase(full);
        });
    if (!modDatabase::IsDatabaseOpen())
        modDatabase::OpenDatabase(full);

    modSettings::Set(Setting::Language, QStringLiteral("German"));
    bench(QStringLiteral("LoadLanguage of the main window (German)"), 2, 0, [&] { window.LoadLanguage(); });
    modSettings::Set(Setting::Language, QStringLiteral("English"));

    // Imports of every person's card, written by the program's own vCard export: into an
    // empty database, and again into the database that then holds them (every card
    // merged, nothing changes); against reading and splitting the same file and
    // inserting the same persons with the library alone.
    const QString cards = folder + QStringLiteral("/everybody.vcf");
    const QString imported = folder + QStringLiteral("/imported.mdb");
    const QString firstImport = QStringLiteral("vCard import of all persons into an empty database");
    const QString secondImport = QStringLiteral("the same vCard file imported again (all merged)");
    const QString csvImport = QStringLiteral("CSV import of all persons (Google) into an empty database");
    // The file is written only when a row needs it.
    if (!options.only.isEmpty() && !firstImport.contains(options.only) && !secondImport.contains(options.only) &&
        !csvImport.contains(options.only)) {
        modDatabase::CloseDatabase(false);
        return rows;
    }
    modExportFiles::ExportVcard(everybody, nullptr, error, cards);
    const auto importCards = [&cards] {
        QFile file(cards);
        file.open(QIODevice::ReadOnly);
        modVcardImport::ImportCards(file);
    };
    const auto baselineImport = [&] { Baseline::ImportPlain(cards, folder + QStringLiteral("/baseline.mdb")); };
    bench(
        firstImport, 1500, 3, importCards,
        [&] {
            modDatabase::CloseDatabase(false);
            QFile::remove(imported);
            modDatabase::NewDatabase(imported);
        },
        baselineImport);
    bench(secondImport, 1500, 3, importCards, {}, baselineImport);

    // The CSV file of the Google export read back into an empty database, against splitting
    // its rows and inserting the same persons with the library alone.
    modDatabase::OpenDatabase(full);
    modExportFiles::ExportCsv(everybody, modCsv::Layout::Google, nullptr, error);
    const QString csvRows = modExportFiles::ExportFilePath(modExportFiles::Kind::Csv);
    bench(
        csvImport, 1500, 3,
        [&csvRows] {
            QFile file(csvRows);
            file.open(QIODevice::ReadOnly);
            const modCsv::FileCheck check = modCsv::CheckFile(file);
            const modCsv::Layout layout = modCsv::Recognise(check.header);
            modVcardImport::ImportCsv(file, check, modCsv::LayoutMapping(check.header, layout), layout);
        },
        [&] {
            modDatabase::CloseDatabase(false);
            QFile::remove(imported);
            modDatabase::NewDatabase(imported);
        },
        [&] { Baseline::ImportCsvPlain(csvRows, folder + QStringLiteral("/baseline-csv.mdb")); });
    modDatabase::CloseDatabase(false);
    return rows;
}

// Every operation at growing sizes, with how its time grew against n log n.
void PrintScaling(const std::vector<int>& sizes, const std::vector<std::vector<Row>>& results)
{
    QTextStream out(stdout);
    out << "How cost grows: medians in ms; growth is the time at " << sizes.back() << " persons over the time at "
        << sizes.front() << ", against n log n growing by ";
    const auto nLogN = [](double n) { return n * std::log2(n); };
    const double limit = nLogN(sizes.back()) / nLogN(sizes.front());
    out << QString::number(limit, 'f', 1) << "\n\n";
    QString header = QStringLiteral("%1").arg(QStringLiteral("operation"), -46);
    for (const int size : sizes)
        header += QStringLiteral(" %1").arg(size, 8);
    out << header << QStringLiteral(" %1  %2\n").arg(QStringLiteral("growth"), 8).arg(QStringLiteral("within n log n"));
    for (std::size_t op = 0; op < results.front().size(); ++op) {
        QString line = QStringLiteral("%1").arg(results.front()[op].operation, -46);
        for (const std::vector<Row>& rows : results)
            line += QStringLiteral(" %1").arg(rows[op].timing.median, 8, 'f', 1);
        const double growth = results.back()[op].timing.median / std::max(results.front()[op].timing.median, 0.001);
        out << line
            << QStringLiteral(" %1  %2\n")
                   .arg(growth, 8, 'f', 1)
                   .arg(growth <= limit ? QStringLiteral("yes") : QStringLiteral("NO"));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // A private home, so the benchmark never touches the user's settings or files.
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "TEMP"})
        qputenv(variable, home.path().toUtf8() + "/" + variable);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("persons"), QStringLiteral("Persons in the database."), QStringLiteral("N"),
                      QStringLiteral("32767")});
    parser.addOption(
        {QStringLiteral("runs"), QStringLiteral("Runs of each operation."), QStringLiteral("N"), QStringLiteral("9")});
    parser.addOption({QStringLiteral("only"), QStringLiteral("Time only the operations whose name holds TEXT."),
                      QStringLiteral("TEXT")});
    parser.addOption({QStringLiteral("scaling"),
                      QStringLiteral("Time every operation at 1000, 4000, 16000 and 32767 persons and show how "
                                     "its cost grows.")});
    parser.addOption({QStringLiteral("sync"),
                      QStringLiteral("Time the syncs with a local Radicale instead (2000 persons unless --persons).")});
    parser.addOption({QStringLiteral("sync-filled"),
                      QStringLiteral("Time receiving an address book filled with N cards, beside vdirsyncer, and a "
                                     "sync with no change (--sync-filled 8000; 32767 without vdirsyncer)."),
                      QStringLiteral("N")});
    parser.addHelpOption();
    parser.process(app);
    const int persons = qBound(1, parser.value(QStringLiteral("persons")).toInt(), 32767);
    if (parser.isSet(QStringLiteral("sync-filled"))) {
        const int cards = qBound(1, parser.value(QStringLiteral("sync-filled")).toInt(), 32767);
        return SyncBenchmark::RunFilled(home.path(), cards, cards <= 8000);
    }
    if (parser.isSet(QStringLiteral("sync")))
        return SyncBenchmark::Run(home.path(), parser.isSet(QStringLiteral("persons")) ? persons : 2000);
    Options options;
    options.runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());
    options.only = parser.value(QStringLiteral("only"));

    SilentPlatform platform;
    Platform::install(&platform);
    modEnvironment::SetProgramFolder(QStringLiteral(ADDRION_BENCH_RESOURCES));
    modSettings::SetOn(Setting::BirthdayReminder, false);

    if (parser.isSet(QStringLiteral("scaling"))) {
        const std::vector<int> sizes{1000, 4000, 16000, 32767};
        std::vector<std::vector<Row>> results;
        for (const int size : sizes)
            results.push_back(RunAll(home.path(), size, options, nullptr));
        PrintScaling(sizes, results);
    } else {
        QStringList digests;
        const std::vector<Row> rows = RunAll(home.path(), persons, options, &digests);
        Print(rows, PeakResidentKb(), persons);
        QTextStream(stdout) << "\noutput digests: " << digests.join(QStringLiteral(", ")) << "\n";
    }
    Platform::install(nullptr);
    return 0;
}
