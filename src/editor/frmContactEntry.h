// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "editor/modContact.h"
#include "language/LanguageAware.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The items of the editor's phone and e-mail lists: the item's text is the display
// text, its Qt::UserRole data the bare number or address.
namespace EditorList {

// The list's current item; the first one when the list has items but none is current.
QTreeWidgetItem* CurrentItem(const QTreeWidget* list);
modContact::Entry EntryOf(const QTreeWidgetItem* item);
void SetEntry(QTreeWidgetItem* item, const modContact::Entry& entry);
QTreeWidgetItem* AppendEntry(QTreeWidget* list, const modContact::Entry& entry);

} // namespace EditorList

// The small dialog in which one phone number or e-mail address with its description is
// typed, to be added to the editor's list or to replace its current entry. One class
// serves all eight: its objectName is the editor's name, then Phone or Email, then Add
// or Edit ("frmContactEditPhoneAdd").
class frmContactEntry : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    enum class Kind
    {
        Phone,
        Email,
    };
    enum class Mode
    {
        Add,
        Edit,
    };

    // editorName is "frmContactAdd" or "frmContactEdit"; list is the editor's list the
    // dialog changes on OK.
    frmContactEntry(const QString& editorName, Kind kind, Mode mode, QTreeWidget* list, QWidget* parent);

    void LoadLanguage() override;

    Kind kind() const { return m_kind; }
    Mode mode() const { return m_mode; }
    // txtNumber or txtEmail, whichever this dialog has.
    QLineEdit* valueBox() const;

    // The value box and its label are txtNumber/lblNumber in the phone dialogs and
    // txtEmail/lblEmail in the e-mail dialogs; the other pair stays null.
    QLabel* lblNumber = nullptr;
    QLineEdit* txtNumber = nullptr;
    QLabel* lblEmail = nullptr;
    QLineEdit* txtEmail = nullptr;
    QLabel* lblDescription = nullptr;
    QLineEdit* txtDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void valueChanged();
    void okClicked();

    Kind m_kind;
    Mode m_mode;
    QTreeWidget* m_list;
};
