// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

class QBoxLayout;
class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

// Small rules that every window applies to its widgets in the same way.
namespace WidgetRules {

// Where a popup requested at position opens: list views and multi-line boxes report
// the position on their viewport, every other widget on itself.
QPoint PopupPosition(const QWidget* widget, const QPoint& position);

// The width a one-line box needs to show text whole in its current font, frame and
// margins included.
int BoxWidthFor(const QLineEdit* box, const QString& text);

// The longest text a date box can show: two-digit day and month, four-digit year, in
// any of the three orders, drawn with the widest digit of the box's font.
QString WidestDate(const QLineEdit* box);

// Makes a masked date box as the editor and the search window use it: the mask, a
// width that shows a whole date, and a click into the empty box that starts typing at
// its first place instead of where the pointer happened to be.
void PrepareDateBox(QLineEdit* box, const QString& inputMask);
// The texts with an access key each ("&Name"): a text that has one keeps it; the others
// get the first letter or digit, at the start of a word if possible, that no other text
// has as its key (case ignored), the texts with fewest letters choosing first. A text without a free letter stays as it
// is; "&&" is a written "&".
QStringList WithAccessKeys(const QStringList& texts);
// Gives the buttons, check boxes, frames and labels with a partner box of a window
// access keys that differ (WithAccessKeys), after the language set their texts.
void GiveAccessKeys(QWidget* window);

// Gives a date box the width of a whole date again, after its font has changed.
void FitDateBox(QLineEdit* box);

// The OK and Cancel buttons that close a dialog.
struct OkCancel
{
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// What Enter does in a dialog with OK and Cancel.
enum class EnterKey
{
    PressesOk,           // OK is the dialog's default button
    PressesFocusedButton // no default button: Qt's rule for such dialogs, the focused button
};

// Adds OK and Cancel to the end of line (the row at the foot of a dialog, or a column),
// behind a stretch that keeps them together at its end. They are named cmdOK and
// cmdCancel, as every dialog names them; OK runs accepted, Cancel rejects the dialog as
// Escape does. They take their parent from line, so Tab reaches them after the controls
// placed in the dialog before them.
OkCancel AddOkCancel(QDialog* dialog, QBoxLayout* line, const std::function<void()>& accepted,
                     EnterKey enter = EnterKey::PressesOk);
// Gives OK and Cancel their texts in the current language.
void TranslateOkCancel(const OkCancel& buttons);

} // namespace WidgetRules
