// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "mainwindow/WindowLayout.h"

#include <initializer_list>

namespace WindowLayout {

namespace {

constexpr int TwipsPerInch = 1440;

// The list column and the left edges of the details, by client width.
struct Band
{
    int listWidth;      // fraQuickSearch, fraList
    int listInnerWidth; // txtQuickSearch, lvwMain
    int listColumn;     // lvwMain column 1
    int detailsLeft;    // fraDetails
    int detailLeft;     // fraDateofbirth, fraAddress, fraEmail, fraNote, fraInfo, imgLogo
    int numberLeft;     // fraNumber
};

constexpr Band DefaultBand = {4095, 3855, 3600, 4320, 4440, 8040};
constexpr Band Band12000 = {4215, 3975, 3720, 4440, 4560, 8160};
constexpr Band Band13000 = {5215, 4975, 4720, 5440, 5560, 9160};
constexpr Band BandWide = {6215, 5975, 5700, 6440, 6560, 10160};

const Band& BandFor(int width)
{
    if (width >= 12000 && width <= 12999)
        return Band12000;
    if (width >= 13000 && width <= 13999)
        return Band13000;
    // A width from 13999 up to 14000 itself falls through to the default band.
    if (width > 14000)
        return BandWide;
    return DefaultBand;
}

// A size is only taken when it is not negative; otherwise the old one stays.
void SetSize(int& size, int value)
{
    if (value >= 0)
        size = value;
}

int RoundedDivision(long long numerator, long long denominator)
{
    if (denominator <= 0)
        return 0;
    if (numerator >= 0)
        return static_cast<int>((numerator + denominator / 2) / denominator);
    return -static_cast<int>((-numerator + denominator / 2) / denominator);
}

} // namespace

MainWindowLayout DesignedLayout()
{
    MainWindowLayout l;
    l.tlbMain = {0, 0, 11880, 570};
    l.staMain = {0, 7545, 11880, 315};
    l.fraQuickSearch = {120, 720, 4095, 630};
    l.txtQuickSearch = {120, 240, 3855, 315};
    l.fraList = {120, 1320, 4095, 6165};
    l.lvwMain = {120, 240, 3855, 5775};
    l.lvwMainColumn1 = 3600;
    l.fraDetails = {4320, 720, 7455, 6765};
    l.fraDateofbirth = {4440, 1080, 7215, 615};
    l.txtDateofbirth = {120, 240, 1095, 315};
    l.lblDateFormat = {1320, 240, 975, 315};
    l.lblAge = {6360, 240, 675, 315};
    l.fraAddress = {4440, 1800, 3495, 1455};
    l.txtAddress = {120, 240, 3255, 1120};
    l.fraNumber = {8040, 1800, 3615, 1455};
    l.lvwPhone = {120, 240, 3375, 1120};
    l.lvwPhoneColumn1 = 3125;
    l.fraEmail = {4440, 3360, 7215, 1455};
    l.lvwEmail = {120, 240, 6975, 1120};
    l.lvwEmailColumn1 = 6725;
    l.fraNote = {4440, 4920, 7215, 2415};
    l.rtbNote = {120, 240, 6975, 2055};
    l.fraInfo = {4320, 3720, 4455, 1095};
    // Above the information frame, in the details area's top left corner.
    l.imgLogo = {4440, 1080, LogoSize, LogoSize};
    return l;
}

MainWindowLayout Resize(int width, int height, const MainWindowLayout& previous)
{
    MainWindowLayout l = previous;
    const int W = width;
    const int H = height;

    // Toolbar and status bar are docked to the top and bottom edges.
    SetSize(l.tlbMain.width, W);
    SetSize(l.staMain.width, W);
    if (H - l.staMain.height >= 0)
        l.staMain.top = H - l.staMain.height;

    // Heights.
    SetSize(l.fraList.height, H - 1695);
    SetSize(l.lvwMain.height, H - 2085);
    SetSize(l.fraDetails.height, H - 1095);
    SetSize(l.fraNote.height, H - 5445);
    SetSize(l.rtbNote.height, H - 5805);

    // The list column widens in steps with the window; the details follow it.
    const Band& band = BandFor(W);
    l.fraQuickSearch.width = band.listWidth;
    l.fraList.width = band.listWidth;
    l.txtQuickSearch.width = band.listInnerWidth;
    l.lvwMain.width = band.listInnerWidth;
    l.lvwMainColumn1 = band.listColumn;
    l.fraDetails.left = band.detailsLeft;
    for (Rect* frame : {&l.fraDateofbirth, &l.fraAddress, &l.fraEmail, &l.fraNote, &l.fraInfo, &l.imgLogo})
        frame->left = band.detailLeft;
    l.fraNumber.left = band.numberLeft;

    // The details take the rest of the width; the address keeps its designed width.
    const int L = l.fraList.width;
    SetSize(l.fraDetails.width, W - L - 330);
    SetSize(l.fraDateofbirth.width, W - L - 570);
    l.lblAge.left = W - L - 1700;
    SetSize(l.fraNumber.width, W - L - 4170);
    SetSize(l.lvwPhone.width, W - L - 4410);
    SetSize(l.lvwPhoneColumn1, W - L - 4660);
    SetSize(l.fraEmail.width, W - L - 570);
    SetSize(l.lvwEmail.width, W - L - 810);
    SetSize(l.lvwEmailColumn1, W - L - 1060);
    SetSize(l.fraNote.width, W - L - 570);
    SetSize(l.rtbNote.width, W - L - 810);
    return l;
}

int TwipsToPixels(int twips, int dpi)
{
    return RoundedDivision(static_cast<long long>(twips) * dpi, TwipsPerInch);
}

int PixelsToTwips(int pixels, int dpi)
{
    return RoundedDivision(static_cast<long long>(pixels) * TwipsPerInch, dpi);
}

} // namespace WindowLayout
