#include "TestSupport.h"

#include "mainwindow/WindowLayout.h"

using namespace WindowLayout;

namespace {

// Every control of the layout by name, with the column widths as width-only entries.
QList<QPair<QString, Rect>> Controls(const MainWindowLayout& l)
{
    return {
        {"tlbMain", l.tlbMain},
        {"staMain", l.staMain},
        {"fraQuickSearch", l.fraQuickSearch},
        {"txtQuickSearch", l.txtQuickSearch},
        {"fraList", l.fraList},
        {"lvwMain", l.lvwMain},
        {"lvwMain column 1", {0, 0, l.lvwMainColumn1, 0}},
        {"fraDetails", l.fraDetails},
        {"fraDateofbirth", l.fraDateofbirth},
        {"txtDateofbirth", l.txtDateofbirth},
        {"lblDateFormat", l.lblDateFormat},
        {"lblAge", l.lblAge},
        {"fraAddress", l.fraAddress},
        {"txtAddress", l.txtAddress},
        {"fraNumber", l.fraNumber},
        {"lvwPhone", l.lvwPhone},
        {"lvwPhone column 1", {0, 0, l.lvwPhoneColumn1, 0}},
        {"fraEmail", l.fraEmail},
        {"lvwEmail", l.lvwEmail},
        {"lvwEmail column 1", {0, 0, l.lvwEmailColumn1, 0}},
        {"fraNote", l.fraNote},
        {"rtbNote", l.rtbNote},
        {"fraInfo", l.fraInfo},
        {"imgLogo", l.imgLogo},
    };
}

QString Describe(const Rect& r)
{
    return QString("%1, %2, %3, %4").arg(r.left).arg(r.top).arg(r.width).arg(r.height);
}

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    // Resizing back to the designed size, coming from another size, gives the designed
    // layout again but for two left edges that follow the width rules instead: lblAge
    // (W - L - 1700) and fraInfo (the details' left edge).
    void resizeBackToTheDesignedSize()
    {
        MainWindowLayout expected = DesignedLayout();
        expected.lblAge.left = DesignedWidth - 4095 - 1700;
        expected.fraInfo.left = 4440;
        const auto designed = Controls(expected);
        const auto resized = Controls(Resize(DesignedWidth, DesignedHeight, Resize(16000, 9500, DesignedLayout())));
        for (int i = 0; i < designed.size(); ++i)
            QVERIFY2(resized[i].second == designed[i].second,
                     qPrintable(designed[i].first + ": " + Describe(resized[i].second) + " instead of " +
                                Describe(designed[i].second)));
    }

    void logoSitsAboveTheInformationFrame()
    {
        const MainWindowLayout l = DesignedLayout();
        QVERIFY(l.imgLogo.width > 0 && l.imgLogo.height > 0);
        QVERIFY(l.imgLogo.top >= l.fraDetails.top);
        QVERIFY(l.imgLogo.top + l.imgLogo.height <= l.fraInfo.top);
        for (const int width : {11985, 12500, 13500, 15000}) {
            const MainWindowLayout resized = Resize(width, DesignedHeight, l);
            QCOMPARE(resized.imgLogo.left, resized.fraInfo.left);
            QCOMPARE(resized.imgLogo.left, resized.fraDateofbirth.left);
        }
    }

    void widthBands_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("listWidth");
        QTest::addColumn<int>("innerWidth");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("detailsLeft");
        QTest::addColumn<int>("detailLeft");
        QTest::addColumn<int>("numberLeft");
        QTest::addColumn<int>("detailsWidth");
        QTest::addColumn<int>("emailWidth");
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
        QFETCH(int, width);
        QFETCH(int, listWidth);
        QFETCH(int, innerWidth);
        const MainWindowLayout l = Resize(width, DesignedHeight, DesignedLayout());
        QCOMPARE(l.fraQuickSearch.width, listWidth);
        QCOMPARE(l.fraList.width, listWidth);
        QCOMPARE(l.txtQuickSearch.width, innerWidth);
        QCOMPARE(l.lvwMain.width, innerWidth);
        QTEST(l.lvwMainColumn1, "column");
        QTEST(l.fraDetails.left, "detailsLeft");
        for (const Rect& frame : {l.fraDateofbirth, l.fraAddress, l.fraEmail, l.fraNote, l.fraInfo, l.imgLogo})
            QTEST(frame.left, "detailLeft");
        QTEST(l.fraNumber.left, "numberLeft");
        QTEST(l.fraDetails.width, "detailsWidth");
        QTEST(l.lvwEmail.width, "emailWidth");
        QCOMPARE(l.tlbMain.width, width);
        QCOMPARE(l.staMain.width, width);
    }

    void widthRules()
    {
        // W - L = 15000 - 6215 = 8785.
        const MainWindowLayout l = Resize(15000, 9000, DesignedLayout());
        QCOMPARE(l.fraDetails.width, 8455);
        QCOMPARE(l.fraDateofbirth.width, 8215);
        QCOMPARE(l.lblAge.left, 7085);
        QCOMPARE(l.fraNumber.width, 4615);
        QCOMPARE(l.lvwPhone.width, 4375);
        QCOMPARE(l.lvwPhoneColumn1, 4125);
        QCOMPARE(l.fraEmail.width, 8215);
        QCOMPARE(l.lvwEmail.width, 7975);
        QCOMPARE(l.lvwEmailColumn1, 7725);
        QCOMPARE(l.fraNote.width, 8215);
        QCOMPARE(l.rtbNote.width, 7975);
        QCOMPARE(l.fraAddress.width, 3495);
        QCOMPARE(l.txtAddress.width, 3255);
        QCOMPARE(l.fraInfo.width, 4455);
        // Tops stay where they were designed; the status bar stays at the bottom edge.
        const MainWindowLayout designed = DesignedLayout();
        const auto before = Controls(designed);
        const auto after = Controls(l);
        for (int i = 0; i < before.size(); ++i)
            if (before[i].first != "staMain")
                QCOMPARE(after[i].second.top, before[i].second.top);
        QCOMPARE(l.staMain.top, 9000 - 315);
    }

    void heightRules_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fraList");
        QTest::addColumn<int>("lvwMain");
        QTest::addColumn<int>("fraDetails");
        QTest::addColumn<int>("fraNote");
        QTest::addColumn<int>("rtbNote");
        // Negative results keep the designed heights 6165, 5775, 6765, 2415 and 2055.
        QTest::newRow("designed") << 7860 << 6165 << 5775 << 6765 << 2415 << 2055;
        QTest::newRow("taller") << 9000 << 7305 << 6915 << 7905 << 3555 << 3195;
        QTest::newRow("note box at zero") << 5805 << 4110 << 3720 << 4710 << 360 << 0;
        QTest::newRow("note box negative") << 5800 << 4105 << 3715 << 4705 << 355 << 2055;
        QTest::newRow("note frame negative") << 5000 << 3305 << 2915 << 3905 << 2415 << 2055;
        QTest::newRow("list negative") << 2000 << 305 << 5775 << 905 << 2415 << 2055;
        QTest::newRow("all negative") << 1000 << 6165 << 5775 << 6765 << 2415 << 2055;
    }
    void heightRules()
    {
        QFETCH(int, height);
        QFETCH(int, fraList);
        QFETCH(int, lvwMain);
        QFETCH(int, fraDetails);
        QFETCH(int, fraNote);
        QFETCH(int, rtbNote);
        const MainWindowLayout l = Resize(DesignedWidth, height, DesignedLayout());
        QCOMPARE(l.fraList.height, fraList);
        QCOMPARE(l.lvwMain.height, lvwMain);
        QCOMPARE(l.fraDetails.height, fraDetails);
        QCOMPARE(l.fraNote.height, fraNote);
        QCOMPARE(l.rtbNote.height, rtbNote);
        // Heights without a rule never change.
        QCOMPARE(l.fraAddress.height, 1455);
        QCOMPARE(l.lvwEmail.height, 1120);
    }

    // In a tiny window every negative size is dropped and the previous one kept, while
    // the band's values and positions are still applied.
    void tinyWindowKeepsPreviousSizes()
    {
        const MainWindowLayout previous = Resize(15000, 9000, DesignedLayout());
        const MainWindowLayout l = Resize(3000, 1000, previous);
        QCOMPARE(l.fraList.width, 4095);
        QCOMPARE(l.lvwMainColumn1, 3600);
        QCOMPARE(l.fraDetails.left, 4320);
        QCOMPARE(l.lblAge.left, 3000 - 4095 - 1700);
        QCOMPARE(l.fraDetails.width, previous.fraDetails.width);
        QCOMPARE(l.fraDateofbirth.width, previous.fraDateofbirth.width);
        QCOMPARE(l.fraNumber.width, previous.fraNumber.width);
        QCOMPARE(l.lvwPhone.width, previous.lvwPhone.width);
        QCOMPARE(l.lvwPhoneColumn1, previous.lvwPhoneColumn1);
        QCOMPARE(l.fraEmail.width, previous.fraEmail.width);
        QCOMPARE(l.lvwEmail.width, previous.lvwEmail.width);
        QCOMPARE(l.lvwEmailColumn1, previous.lvwEmailColumn1);
        QCOMPARE(l.fraNote.width, previous.fraNote.width);
        QCOMPARE(l.rtbNote.width, previous.rtbNote.width);
        QCOMPARE(l.fraList.height, previous.fraList.height);
        QCOMPARE(l.lvwMain.height, previous.lvwMain.height);
        QCOMPARE(l.fraDetails.height, previous.fraDetails.height);
        QCOMPARE(l.fraNote.height, previous.fraNote.height);
        QCOMPARE(l.rtbNote.height, previous.rtbNote.height);
        QCOMPARE(l.tlbMain.width, 3000);
        QCOMPARE(l.staMain.top, 1000 - 315);
    }

    // Only the sizes that come out negative are kept; the others follow the window.
    void narrowWindowDropsOnlyNegativeSizes()
    {
        // W - L = 8000 - 4095 = 3905.
        const MainWindowLayout previous = DesignedLayout();
        const MainWindowLayout l = Resize(8000, DesignedHeight, previous);
        QCOMPARE(l.fraDetails.width, 3575);
        QCOMPARE(l.fraDateofbirth.width, 3335);
        QCOMPARE(l.fraEmail.width, 3335);
        QCOMPARE(l.lvwEmail.width, 3095);
        QCOMPARE(l.lvwEmailColumn1, 2845);
        QCOMPARE(l.fraNote.width, 3335);
        QCOMPARE(l.rtbNote.width, 3095);
        QCOMPARE(l.fraNumber.width, previous.fraNumber.width);
        QCOMPARE(l.lvwPhone.width, previous.lvwPhone.width);
        QCOMPARE(l.lvwPhoneColumn1, previous.lvwPhoneColumn1);
    }

    void twipsToPixels_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("one pixel at 96") << 15 << 96 << 1;
        QTest::newRow("designed width at 96") << 11880 << 96 << 792;
        QTest::newRow("inch at 120") << 1440 << 120 << 120;
        QTest::newRow("rounds down") << 7 << 96 << 0;
        QTest::newRow("rounds up") << 8 << 96 << 1;
        QTest::newRow("half rounds up") << 1695 << 144 << 170;
        QTest::newRow("negative") << -15 << 96 << -1;
        QTest::newRow("zero") << 0 << 96 << 0;
    }
    void twipsToPixels()
    {
        QFETCH(int, twips);
        QFETCH(int, dpi);
        QTEST(TwipsToPixels(twips, dpi), "pixels");
    }

    void pixelsToTwips_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("twips");
        QTest::newRow("96") << 792 << 96 << 11880;
        QTest::newRow("144") << 1 << 144 << 10;
        QTest::newRow("rounded") << 1 << 97 << 15;
        QTest::newRow("no resolution") << 100 << 0 << 0;
    }
    void pixelsToTwips()
    {
        QFETCH(int, pixels);
        QFETCH(int, dpi);
        QTEST(PixelsToTwips(pixels, dpi), "twips");
    }
};

ADDRION_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
