// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "ChildProcess.h"
#include "DataRow.h"
#include "MainWindowFixture.h"

#include "export/LabelPainter.h"
#include "export/frmLabels.h"
#include "export/modLabels.h"

#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QListView>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>

using TestSupport::addRow;

// Address labels and envelopes: the geometry of the sheets as plain functions, and the
// PDF the window writes read back with an independent reader (pdftotext -bbox), word by
// word, against the rectangle each address must lie in.
class TestLabels : public QObject
{
    Q_OBJECT

    struct Word
    {
        int page = 0;
        QRectF box; // millimetres
        QString text;
    };

    // The words of a PDF with their boxes, in millimetres from the top left of their page.
    static std::vector<Word> wordsOf(const QString& pdf, QList<QSizeF>& pages)
    {
        const TestSupport::ChildRun run = TestSupport::runChild("pdftotext", {"-bbox", pdf, "-"});
        if (run.exitCode != 0)
            qFatal("pdftotext failed: %s", run.errors.constData());
        std::vector<Word> words;
        static const QRegularExpression page(R"re(<page width="([\d.]+)" height="([\d.]+)">)re");
        static const QRegularExpression word(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
        constexpr double PointsToMm = 25.4 / 72;
        for (const QString& line : QString::fromUtf8(run.output).split('\n')) {
            if (const auto match = page.match(line); match.hasMatch()) {
                pages << QSizeF(match.captured(1).toDouble() * PointsToMm, match.captured(2).toDouble() * PointsToMm);
                continue;
            }
            if (const auto match = word.match(line); match.hasMatch())
                words.push_back(
                    {int(pages.size()) - 1,
                     QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()) * PointsToMm,
                            QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()) * PointsToMm),
                     match.captured(5)});
        }
        return words;
    }

    // Thirty persons of the group "Cards", one without an address, one whose address is
    // long, one written in Arabic; and one person outside the group.
    static void addCardPersons()
    {
        QList<SamplePerson> persons;
        for (int i = 1; i <= 30; ++i) {
            const QString name = QString("Person%1 Card").arg(i, 2, 10, QChar('0'));
            QString address = QString("Street %1\n%2 Town%1").arg(i).arg(10000 + i);
            if (i == 7)
                address = "";
            if (i == 12)
                address = "Schlossstrasse 1234, Hinterhaus links\n72488 Sigmaringen-Laiz-Inzigkofen\nDeutschland";
            persons << SamplePerson(i, i == 20 ? QString("سلمى حداد") : name, {}, {}, {},
                                    i == 20 ? QString("شارع الملك فيصل 12\nعمّان 11118") : address);
        }
        persons << SamplePerson(31, "Outside Group", {}, {}, {}, "Lane 1\n99999 Elsewhere");
        addPersons(persons);
        for (int i = 1; i <= 30; ++i)
            runSql(QString("INSERT INTO PersonGroup (Contactnr, Position, Name) VALUES (%1, 1, 'Cards')").arg(i));
    }

private slots:
    // Every sheet of the table lies on its page; its labels are where the maker puts them.
    void sheetGeometry_data()
    {
        TestSupport::addColumns<QString, int, QRectF, QRectF>("key", "perPage", "first", "last");
        addRow("A4 3 x 7", "a4-3x7", 21, QRectF(7.2, 15.15, 63.5, 38.1), QRectF(139.28, 243.75, 63.5, 38.1));
        addRow("A4 3 x 8", "a4-3x8", 24, QRectF(6.5, 12.9, 64, 33.9), QRectF(139.5, 250.2, 64, 33.9));
        addRow("A4 2 x 7", "a4-2x7", 14, QRectF(4.65, 15.15, 99.1, 38.1), QRectF(106.25, 243.75, 99.1, 38.1));
        addRow("US Letter 3 x 10", "letter-3x10", 30, QRectF(4.7625, 12.7, 66.675, 25.4),
               QRectF(144.4625, 241.3, 66.675, 25.4));
    }
    void sheetGeometry()
    {
        auto [key, perPage, first, last] =
            TestSupport::fetch<QString, int, QRectF, QRectF>("key", "perPage", "first", "last");
        const modLabels::Sheet sheet = modLabels::SheetOf(key);
        QCOMPARE(sheet.key, key);
        QVERIFY(sheet.Fits());
        QCOMPARE(sheet.LabelsPerPage(), perPage);
        const auto near = [](const QRectF& a, const QRectF& b) {
            return qAbs(a.left() - b.left()) < 0.01 && qAbs(a.top() - b.top()) < 0.01 &&
                   qAbs(a.width() - b.width()) < 0.01 && qAbs(a.height() - b.height()) < 0.01;
        };
        QVERIFY(near(modLabels::LabelRect(sheet, 0), first));
        QVERIFY(near(modLabels::LabelRect(sheet, perPage - 1), last));
        // No two labels overlap, and every one is on the paper.
        for (int i = 0; i < perPage; ++i) {
            const QRectF rect = modLabels::LabelRect(sheet, i);
            QVERIFY(QRectF(QPointF(), sheet.page).contains(rect));
            for (int j = i + 1; j < perPage; ++j)
                QVERIFY(!rect.intersects(modLabels::LabelRect(sheet, j).adjusted(0.01, 0.01, -0.01, -0.01)));
        }
    }

    // Which page and place each label takes, from the first free label on.
    void placement_data()
    {
        TestSupport::addColumns<QString, int, int, int, int>("key", "count", "first", "pages", "lastPosition");
        addRow("one full sheet", "a4-3x7", 21, 1, 1, 20);
        addRow("one more starts a page", "a4-3x7", 22, 1, 2, 0);
        addRow("a half-used sheet", "a4-3x7", 30, 5, 2, 12);
        addRow("a first position beyond the sheet is its last", "a4-2x7", 2, 99, 2, 0);
        addRow("nothing to print", "letter-3x10", 0, 1, 0, -1);
    }
    void placement()
    {
        auto [key, count, first, pages, lastPosition] =
            TestSupport::fetch<QString, int, int, int, int>("key", "count", "first", "pages", "lastPosition");
        const modLabels::Sheet sheet = modLabels::SheetOf(key);
        const std::vector<modLabels::Placement> places = modLabels::Place(sheet, count, first);
        QCOMPARE(int(places.size()), count);
        QCOMPARE(modLabels::PageCount(sheet, count, first), pages);
        if (count > 0)
            QCOMPARE(places.back().rect, modLabels::LabelRect(sheet, lastPosition));
    }

    // A sheet of the user's own numbers that cannot be printed is told as such.
    void customSheetFits_data()
    {
        TestSupport::addColumns<double, double, bool>("horizontalPitch", "labelWidth", "fits");
        addRow("as the table's", 66.04, 63.5, true);
        addRow("labels overlapping", 50.0, 63.5, false);
        addRow("off the page", 90.0, 63.5, false);
    }
    void customSheetFits()
    {
        auto [pitch, width, fits] = TestSupport::fetch<double, double, bool>("horizontalPitch", "labelWidth", "fits");
        modLabels::Sheet sheet = modLabels::SheetOf("a4-3x7");
        sheet.horizontalPitch = pitch;
        sheet.label.setWidth(width);
        QCOMPARE(sheet.Fits(), fits);
    }

    // The PDF of the group's labels or envelopes: the pages it must have, each address in
    // its rectangle, shrunk where long, an Arabic one too, none for a person without one.
    void pdf_data()
    {
        // kind: a sheet's key or "envelope:<key>"
        TestSupport::addColumns<QString, int, int>("kind", "first", "pages");
        addRow("A4 3 x 7 from the first label", "a4-3x7", 1, 2);
        addRow("A4 3 x 7 from label 5", "a4-3x7", 5, 2);
        addRow("A4 3 x 8", "a4-3x8", 1, 2);
        addRow("A4 2 x 7 from label 14", "a4-2x7", 14, 3);
        addRow("US Letter 3 x 10", "letter-3x10", 1, 1);
        addRow("DL envelopes", "envelope:dl", 1, 29);
        addRow("US #10 envelopes", "envelope:us10", 1, 29);
    }
    void pdf()
    {
        auto [kind, first, pages] = TestSupport::fetch<QString, int, int>("kind", "first", "pages");
        MainWindowFixture::Options options;
        options.persons = &TestLabels::addCardPersons;
        MainWindowFixture fixture(options);
        frmLabels window(fixture.window());
        const bool envelopes = kind.startsWith("envelope:");
        (envelopes ? window.optEnvelope : window.optSheet)->setChecked(true);
        if (envelopes)
            window.cboEnvelope->setCurrentIndex(window.cboEnvelope->findData(kind.mid(9)));
        else
            window.cboSheet->setCurrentIndex(window.cboSheet->findData(kind));
        window.spnFirst->setValue(first);
        window.txtSender->setPlainText("Ann Sender\nSender Road 1\n12345 Sendtown");
        window.cboFont->setCurrentFont(QFont("DejaVu Sans"));

        fixture.platform().expectItem(QString("Cards (30)"));
        window.findChild<QPushButton*>("cmdAddGroup")->click();
        QCOMPARE(fixture.platform().callsOf("item").first().arguments, QStringList{"Cards (30)"});
        QCOMPARE(window.mover()->target()->contactnrs().size(), size_t(30));
        QVERIFY(window.lblSkipped->text().contains("Person07 Card"));

        QTemporaryDir dir;
        const QString path = dir.filePath("labels.pdf");
        QVERIFY(window.SaveTo(path));
        QVERIFY(fixture.platform().messages().isEmpty());

        QList<QSizeF> pageSizes;
        const std::vector<Word> words = wordsOf(path, pageSizes);
        QCOMPARE(pageSizes.size(), pages);
        const LabelPainter::Layout layout = window.CurrentLayout();
        const QSizeF paper = envelopes ? layout.envelope.size : layout.sheet.page;
        QVERIFY2(qAbs(pageSizes.first().width() - paper.width()) < 0.5 &&
                     qAbs(pageSizes.first().height() - paper.height()) < 0.5,
                 qPrintable(QString("%1 x %2").arg(pageSizes.first().width()).arg(pageSizes.first().height())));

        // The persons with an address, in name order, and where each one's label lies.
        QStringList skipped;
        const std::vector<LabelPainter::Block> blocks = window.Blocks(skipped);
        QCOMPARE(skipped, QStringList{"Person07 Card"});
        QCOMPARE(int(blocks.size()), 29);
        const std::vector<modLabels::Placement> places =
            envelopes ? std::vector<modLabels::Placement>() : modLabels::Place(layout.sheet, 29, first);
        std::vector<int> used(words.size(), 0);
        for (int i = 0; i < 29; ++i) {
            const int page = envelopes ? i : places[size_t(i)].page;
            const QRectF rect =
                envelopes ? modLabels::EnvelopeAddressRect(layout.envelope.size) : places[size_t(i)].rect;
            QStringList inside;
            for (size_t w = 0; w < words.size(); ++w)
                if (words[w].page == page && rect.adjusted(-0.3, -0.3, 0.3, 0.3).contains(words[w].box)) {
                    inside << words[w].text;
                    ++used[w];
                }
            const QString text = inside.join(' ');
            const LabelPainter::Block& block = blocks[size_t(i)];
            if (block.name == "Person12 Card" && !envelopes && rect.width() < 70)
                QVERIFY(LabelPainter::Fit(block.lines, layout.font,
                                          QSizeF(rect.width() - 2 * modLabels::LabelPadding,
                                                 rect.height() - 2 * modLabels::LabelPadding))
                            .pointSize < 10);
            if (block.name.startsWith("Person")) {
                QVERIFY2(text.startsWith(block.name), qPrintable(block.name + ": " + text));
                QVERIFY2(text.contains(block.lines.last().section(' ', -1)), qPrintable(text));
            } else {
                // The Arabic address: its letters and its postal code, in its label.
                QVERIFY2(text.contains("11118") && text.contains(QRegularExpression("[\\x{0600}-\\x{06FF}]")),
                         qPrintable(text));
            }
        }
        // Nothing lies outside the labels, but the sender on every envelope.
        for (size_t w = 0; w < words.size(); ++w) {
            // The reader gives an Arabic vowel mark a box of its own, wherever it puts it.
            const bool marks =
                std::all_of(words[w].text.begin(), words[w].text.end(), [](QChar c) { return c.isMark(); });
            if (used[w] == 1 || marks)
                continue;
            QVERIFY2(envelopes && modLabels::EnvelopeSenderRect(layout.envelope.size)
                                      .adjusted(-0.3, -0.3, 0.3, 0.3)
                                      .contains(words[w].box),
                     qPrintable(words[w].text));
        }
        if (envelopes)
            QCOMPARE(
                std::count_if(words.begin(), words.end(), [](const Word& word) { return word.text == "Sendtown"; }),
                std::ptrdiff_t(29));
    }

    // The long address is shrunk to fit; an address too long even for the smallest type is
    // named before anything is written, and nothing is written when the user stops.
    void overflow()
    {
        const QSizeF label(63.5 - 2 * modLabels::LabelPadding, 38.1 - 2 * modLabels::LabelPadding);
        const QFont font("DejaVu Sans", 10);
        const LabelPainter::Fitted shortOne = LabelPainter::Fit({"Anna", "Street 1", "10115 Berlin"}, font, label);
        QCOMPARE(shortOne.pointSize, 10.0);
        QVERIFY(!shortOne.overflow && !shortOne.rightToLeft);
        const LabelPainter::Fitted longOne = LabelPainter::Fit({"Maximilian Alexander von Hohenzollern-Sigmaringen",
                                                                "Schlossstrasse 1234, Hinterhaus, Dachgeschoss links"},
                                                               font, label);
        QVERIFY(longOne.pointSize < 10 && longOne.pointSize >= modLabels::MinimumPointSize && !longOne.overflow);
        QVERIFY(LabelPainter::Fit({"سلمى حداد", "12345"}, font, label).rightToLeft);
        QStringList tooMany;
        for (int i = 0; i < 20; ++i)
            tooMany << QString("Line %1").arg(i);
        QVERIFY(LabelPainter::Fit(tooMany, font, label).overflow);

        MainWindowFixture::Options options;
        options.persons = [] {
            addPersons({SamplePerson(1, "Many Lines", {}, {}, {}, QStringList(20, "Line").join('\n'))});
        };
        MainWindowFixture fixture(options);
        frmLabels window(fixture.window());
        window.mover()->MoveToTarget({1});
        QTemporaryDir dir;
        fixture.platform().expectMessage(Platform::Answer::No);
        QVERIFY(!window.SaveTo(dir.filePath("labels.pdf")));
        QVERIFY(fixture.platform().messages().first().text.contains("Many Lines"));
        QVERIFY(!QFileInfo::exists(dir.filePath("labels.pdf")));
        fixture.platform().expectMessage(Platform::Answer::Yes);
        QVERIFY(window.SaveTo(dir.filePath("labels.pdf")));
        QVERIFY(QFileInfo(dir.filePath("labels.pdf")).size() > 0);
    }

    // The last sheet, envelope, sender and font come back with the window.
    void settingsRemembered()
    {
        MainWindowFixture fixture({});
        {
            frmLabels window(fixture.window());
            window.optEnvelope->setChecked(true);
            window.cboEnvelope->setCurrentIndex(window.cboEnvelope->findData("c5"));
            window.cboSheet->setCurrentIndex(window.cboSheet->findData("custom"));
            window.spnColumns->setValue(4);
            window.txtSender->setPlainText("Me\nMy Road 1");
            window.spnFontSize->setValue(12);
            window.mover()->MoveToTarget({1});
            QTemporaryDir dir;
            QVERIFY(window.SaveTo(dir.filePath("x.pdf")));
        }
        frmLabels window(fixture.window());
        QVERIFY(window.optEnvelope->isChecked());
        QCOMPARE(window.cboEnvelope->currentData().toString(), QString("c5"));
        QCOMPARE(window.cboSheet->currentData().toString(), QString("custom"));
        QCOMPARE(window.spnColumns->value(), 4);
        QCOMPARE(window.txtSender->toPlainText(), QString("Me\nMy Road 1"));
        QCOMPARE(window.spnFontSize->value(), 12);
    }
};

QTEST_MAIN(TestLabels)
#include "tst_labels.moc"
