#include "TestSupport.h"

#include "mainwindow/WindowLayout.h"

#include <climits>

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
        {"lvwMainColumn1", {0, 0, l.lvwMainColumn1, 0}},
        {"fraDetails", l.fraDetails},
        {"fraDateofbirth", l.fraDateofbirth},
        {"txtDateofbirth", l.txtDateofbirth},
        {"lblDateFormat", l.lblDateFormat},
        {"lblAge", l.lblAge},
        {"fraAddress", l.fraAddress},
        {"txtAddress", l.txtAddress},
        {"fraNumber", l.fraNumber},
        {"lvwPhone", l.lvwPhone},
        {"lvwPhoneColumn1", {0, 0, l.lvwPhoneColumn1, 0}},
        {"fraEmail", l.fraEmail},
        {"lvwEmail", l.lvwEmail},
        {"lvwEmailColumn1", {0, 0, l.lvwEmailColumn1, 0}},
        {"fraNote", l.fraNote},
        {"rtbNote", l.rtbNote},
        {"fraInfo", l.fraInfo},
        {"imgLogo", l.imgLogo},
    };
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

    // Sizes after a resize: "name.part=value", or "name.part=" for the previous layout's
    // value, kept where the rule gives a negative size.
    void sizeRules_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("fromWide"); // the previous layout is 15000 x 9000, not the designed one
        QTest::addColumn<QString>("sizes");
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
        // Heights: negative results keep the designed 6165, 5775, 6765, 2415 and 2055; the
        // heights without a rule never change.
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
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, fromWide);
        QFETCH(QString, sizes);
        const MainWindowLayout previous = fromWide ? Resize(15000, 9000, DesignedLayout()) : DesignedLayout();
        const MainWindowLayout l = Resize(width, height, previous);
        for (const QString& size : sizes.split(' ')) {
            const QString field = size.section('=', 0, 0);
            const QString value = size.section('=', 1);
            const int actual = Value(l, field);
            QVERIFY2(actual != INT_MIN, qPrintable(field));
            QCOMPARE(actual, value.isEmpty() ? Value(previous, field) : value.toInt());
        }
        // Tops stay where they were designed.
        const auto before = Controls(DesignedLayout());
        const auto after = Controls(l);
        for (int i = 0; i < before.size(); ++i)
            if (before[i].first != "staMain")
                QCOMPARE(after[i].second.top, before[i].second.top);
    }

    // Twips to pixels (and back, where toPixels is false) at a resolution.
    void conversions_data()
    {
        QTest::addColumn<bool>("toPixels");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("result");
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
        QFETCH(bool, toPixels);
        QFETCH(int, value);
        QFETCH(int, dpi);
        QTEST(toPixels ? TwipsToPixels(value, dpi) : PixelsToTwips(value, dpi), "result");
    }
};

ADDRION_TEST_MAIN(TestLayout)
#include "tst_layout.moc"
