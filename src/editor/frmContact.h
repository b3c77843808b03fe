// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "editor/frmContactEntry.h"
#include "editor/modContact.h"
#include "language/LanguageAware.h"
#include "database/modPersonView.h"

#include <QDialog>

#include <optional>

class frmMain;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

// The contact editor: one class for both windows, "frmContactAdd" for a new person and
// "frmContactEdit" for the person selected in the main window's list. Nothing is
// written before OK; then the person is saved and shown in the main window.
class frmContact : public QDialog, public LanguageAware
{
    Q_OBJECT

public:
    enum class Mode
    {
        Add,
        Edit,
    };

    frmContact(Mode mode, frmMain& mainWindow);

    // Opens the editor modally over the main window, as Person > Add and Edit do. An
    // edited person that is no longer in the database opens nothing; the list is
    // refilled instead. Throws Engine::EngineError when the person cannot be read.
    static void Open(frmMain& mainWindow, Mode mode);

    // The window load: captions, the date format, in Edit mode the person selected in
    // the main list, and the font size. False when there is no person to edit. Throws
    // Engine::EngineError.
    bool Load();
    void LoadLanguage() override;
    // The enabled states of each list's buttons and popup entries.
    void SetPhoneControls();
    void SetEmailControls();

    Mode mode() const { return m_mode; }
    // The person being edited (Edit mode, after Load).
    std::optional<qint16> contactnr() const { return m_contactnr; }
    QString dateFormat() const { return m_dateFormat; }

    // Controls, named as the program names them.
    QGroupBox* fraFullname = nullptr;
    QLineEdit* txtFullname = nullptr;
    QGroupBox* fraDateofbirth = nullptr;
    QLineEdit* txtDateofbirth = nullptr;
    QLabel* lblDateFormat = nullptr;
    QCheckBox* chkNoYear = nullptr; // the birthday has no year: day and month alone
    QGroupBox* fraWork = nullptr;
    QLabel* lblOrganisation = nullptr;
    QLineEdit* txtOrganisation = nullptr;
    QLabel* lblTitle = nullptr;
    QLineEdit* txtTitle = nullptr;
    QGroupBox* fraGroups = nullptr;
    QLineEdit* txtGroups = nullptr; // the groups parted by commas, completed from the groups in use
    QGroupBox* fraPhoto = nullptr;
    QLabel* imgPhoto = nullptr;
    QPushButton* cmdPhotoChoose = nullptr;
    QPushButton* cmdPhotoRemove = nullptr;
    QGroupBox* fraAddress = nullptr;
    QPlainTextEdit* txtAddress = nullptr;
    QGroupBox* fraNote = nullptr;
    QPlainTextEdit* txtNote = nullptr;
    QGroupBox* fraNumber = nullptr;
    QTreeWidget* lvwPhone = nullptr;
    QToolButton* cmdPhoneAdd = nullptr;
    QToolButton* cmdPhoneEdit = nullptr;
    QToolButton* cmdPhoneRemove = nullptr;
    QToolButton* cmdPhoneUp = nullptr;
    QToolButton* cmdPhoneDown = nullptr;
    QGroupBox* fraEmail = nullptr;
    QTreeWidget* lvwEmail = nullptr;
    QToolButton* cmdEmailAdd = nullptr;
    QToolButton* cmdEmailEdit = nullptr;
    QToolButton* cmdEmailRemove = nullptr;
    QToolButton* cmdEmailUp = nullptr;
    QToolButton* cmdEmailDown = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QMenu* mnuPopupFullname = nullptr;
    QAction* mnuPopupFullnameCopy = nullptr;
    QAction* mnuPopupFullnamePaste = nullptr;
    QMenu* mnuPopupAddress = nullptr;
    QAction* mnuPopupAddressCopy = nullptr;
    QAction* mnuPopupAddressPaste = nullptr;
    QMenu* mnuPopupNote = nullptr;
    QAction* mnuPopupNoteCopy = nullptr;
    QAction* mnuPopupNotePaste = nullptr;

    QMenu* mnuPopupPhone = nullptr;
    QAction* mnuPopupPhoneAdd = nullptr;
    QAction* mnuPopupPhoneEdit = nullptr;
    QAction* mnuPopupPhoneRemove = nullptr;
    QAction* mnuPopupPhoneUp = nullptr;
    QAction* mnuPopupPhoneDown = nullptr;
    QAction* mnuPopupPhoneCopy = nullptr;
    QAction* mnuPopupPhoneCopy2 = nullptr;
    QMenu* mnuPopupEmail = nullptr;
    QAction* mnuPopupEmailAdd = nullptr;
    QAction* mnuPopupEmailEdit = nullptr;
    QAction* mnuPopupEmailRemove = nullptr;
    QAction* mnuPopupEmailUp = nullptr;
    QAction* mnuPopupEmailDown = nullptr;
    QAction* mnuPopupEmailCopy = nullptr;
    QAction* mnuPopupEmailCopy2 = nullptr;
    QAction* mnuPopupEmailSend = nullptr;
    QAction* mnuPopupEmailWebsite = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls that act on one of the two lists.
    struct ListControls
    {
        frmContactEntry::Kind kind;
        QTreeWidget* list = nullptr;
        QToolButton* add = nullptr;
        QToolButton* edit = nullptr;
        QToolButton* remove = nullptr;
        QToolButton* up = nullptr;
        QToolButton* down = nullptr;
        QMenu* popup = nullptr;
        QAction* popupAdd = nullptr;
        QAction* popupEdit = nullptr;
        QAction* popupRemove = nullptr;
        QAction* popupUp = nullptr;
        QAction* popupDown = nullptr;
        QAction* popupCopy = nullptr;
        QAction* popupCopy2 = nullptr;
        QAction* popupSend = nullptr;    // e-mail list only
        QAction* popupWebsite = nullptr; // e-mail list only
    };

    void createControls();
    void setTabOrder();
    QGroupBox* createListFrame(ListControls& controls, const char* frameName, const char* listName,
                               const char* buttonPrefix);
    void createPopups();
    void createListPopup(ListControls& controls, const char* popupName, const char* actionPrefix);
    void connectCommands();
    void connectList(ListControls& controls);
    void loadPerson(const modPersonView::PersonDetails& person);
    void applyFontSize();

    void setListControls(ListControls& controls);
    void openEntryDialog(ListControls& controls, frmContactEntry::Mode mode);
    void removeEntry(ListControls& controls);
    void moveEntry(ListControls& controls, int step);
    void copyEntry(ListControls& controls, bool withDescription);
    void sendEmail();
    void openWebsite();

    void showTextPopup(QWidget* box, const QPoint& position);
    void copyText(QWidget* box);
    void pasteText(QWidget* box);

    void setNoYear(bool noYear);
    void choosePhoto();
    void showPhoto();

    void okClicked();
    modContact::Contact contents(const QString& monthDayYear,
                                 const std::optional<modPersonDetail::MonthDay>& birthday) const;
    void handBack(qint16 contactnr);

    Mode m_mode;
    frmMain& m_main;
    QString m_dateFormat;
    std::optional<qint16> m_contactnr;
    QByteArray m_photo; // as it is kept
    ListControls m_phone{frmContactEntry::Kind::Phone};
    ListControls m_email{frmContactEntry::Kind::Email};
};
