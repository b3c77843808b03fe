// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

// The geometry of the main window's controls, in twips (1/1440 inch), as a function of
// the client size. Inner controls are placed relative to their frame.
namespace WindowLayout {

struct Rect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Rect& other) const
    {
        return left == other.left && top == other.top && width == other.width && height == other.height;
    }
    bool operator!=(const Rect& other) const { return !(*this == other); }
};

struct MainWindowLayout
{
    Rect tlbMain;
    Rect staMain;
    Rect fraQuickSearch;
    Rect txtQuickSearch; // in fraQuickSearch
    Rect fraList;
    Rect lvwMain; // in fraList
    int lvwMainColumn1 = 0;
    Rect fraDetails;
    Rect fraDateofbirth;
    Rect txtDateofbirth; // in fraDateofbirth
    Rect lblDateFormat;  // in fraDateofbirth
    Rect lblAge;         // in fraDateofbirth
    Rect fraAddress;
    Rect txtAddress; // in fraAddress
    Rect fraNumber;
    Rect lvwPhone; // in fraNumber
    int lvwPhoneColumn1 = 0;
    Rect fraEmail;
    Rect lvwEmail; // in fraEmail
    int lvwEmailColumn1 = 0;
    Rect fraNote;
    Rect rtbNote; // in fraNote
    Rect fraInfo;
    Rect imgLogo;
};

// The client size the window was designed for.
constexpr int DesignedWidth = 11880;
constexpr int DesignedHeight = 7860;

// The layout as designed, before any resize. The logo, for which the design gives no
// measures, sits at the top of the details area, above the information frame, in a
// square of LogoSize.
MainWindowLayout DesignedLayout();
constexpr int LogoSize = 2400;

// The layout for a client area of width × height twips. A size that would come out
// negative in a very small window is not applied: that control keeps its size from
// previous (positions are always applied). Tops never change, except that the status
// bar stays at the bottom edge; toolbar and status bar span the whole width.
MainWindowLayout Resize(int width, int height, const MainWindowLayout& previous);

// Conversions at a logical resolution of dpi dots per inch, rounded to the nearest unit.
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

} // namespace WindowLayout
