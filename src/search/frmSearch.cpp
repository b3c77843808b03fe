// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmSearch.h"

#include "database/modDatabase.h"
#include "database/modPersonDetail.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "search/modSearch.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"
#include "widgets/WidgetRules.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList kTextOperators{TRANSLATABLE("Is equal to"), TRANSLATABLE("Contains"), TRANSLATABLE("Begins with"),
                                 TRANSLATABLE("Ends with")};

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A frame holding an operator list and its value controls side by side.
QGroupBox* CriterionFrame(const char* name, QComboBox* list, const QList<QWidget*>& values)
{
    auto* frame = Named(new QGroupBox, name);
    auto* row = new QHBoxLayout(frame);
    list->setMinimumContentsLength(12);
    row->addWidget(list);
    for (QWidget* value : values)
        row->addWidget(value, qobject_cast<QLineEdit*>(value) ? 1 : 0);
    return frame;
}

} // namespace

frmSearch::frmSearch(frmMain& mainWindow) : QDialog(&mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmSearch"));
    setModal(true);
    txtFullname = Named(new QLineEdit, "txtFullname");
    cboFullname = Named(new QComboBox, "cboFullname");
    txtDate = Named(new QLineEdit, "txtDate");
    lblSplit = Named(new QLabel(QStringLiteral("-")), "lblSplit");
    txtDate2 = Named(new QLineEdit, "txtDate2");
    lblDateFormat = Named(new QLabel, "lblDateFormat");
    cboDate = Named(new QComboBox, "cboDate");
    txtPhone = Named(new QLineEdit, "txtPhone");
    cboPhone = Named(new QComboBox, "cboPhone");
    txtEmail = Named(new QLineEdit, "txtEmail");
    cboEmail = Named(new QComboBox, "cboEmail");
    txtAddress = Named(new QLineEdit, "txtAddress");
    cboAddress = Named(new QComboBox, "cboAddress");
    txtNote = Named(new QLineEdit, "txtNote");
    cboNote = Named(new QComboBox, "cboNote");
    txtOrganisation = Named(new QLineEdit, "txtOrganisation");
    cboOrganisation = Named(new QComboBox, "cboOrganisation");
    txtTitle = Named(new QLineEdit, "txtTitle");
    cboTitle = Named(new QComboBox, "cboTitle");

    fraFullname = CriterionFrame("fraFullname", cboFullname, {txtFullname});
    fraDateofbirth = CriterionFrame("fraDateofbirth", cboDate, {txtDate, lblSplit, txtDate2, lblDateFormat});
    fraPhone = CriterionFrame("fraPhone", cboPhone, {txtPhone});
    fraEmail = CriterionFrame("fraEmail", cboEmail, {txtEmail});
    fraAddress = CriterionFrame("fraAddress", cboAddress, {txtAddress});
    fraNote = CriterionFrame("fraNote", cboNote, {txtNote});
    fraOrganisation = CriterionFrame("fraOrganisation", cboOrganisation, {txtOrganisation});
    fraTitle = CriterionFrame("fraTitle", cboTitle, {txtTitle});

    auto* layout = new QVBoxLayout(this);
    for (QWidget* frame :
         {fraFullname, fraOrganisation, fraTitle, fraDateofbirth, fraPhone, fraEmail, fraAddress, fraNote})
        layout->addWidget(frame);
    auto* buttons = new QHBoxLayout;
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, buttons, [this] { ok(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    layout->addLayout(buttons);

    LoadLanguage();
    m_dateFormat = modSettings::Get(Setting::DateFormat);
    lblDateFormat->setText(QLatin1Char('(') + m_dateFormat + QLatin1Char(')'));
    const QString mask =
        m_dateFormat == QLatin1String("yyyy/mm/dd") ? QStringLiteral("9999/99/99;_") : QStringLiteral("99/99/9999;_");
    for (QLineEdit* box : {txtDate, txtDate2})
        WidgetRules::PrepareDateBox(box, mask);
    fillOperatorLists();
    for (const OperatorList& entry : operatorLists())
        connect(entry.list, &QComboBox::currentIndexChanged, this, &frmSearch::updateValueControls);
    updateValueControls();
}

QList<frmSearch::OperatorList> frmSearch::operatorLists() const
{
    const QStringList valueOperators = kTextOperators + QStringList{TRANSLATABLE("Is filled in")};
    return {
        {cboFullname, Setting::SearchFullname, kTextOperators},
        {cboDate,
         Setting::SearchDate,
         {TRANSLATABLE("Is equal to"), TRANSLATABLE("Between"), TRANSLATABLE("Before"), TRANSLATABLE("After"),
          TRANSLATABLE("Is filled in")}},
        {cboPhone, Setting::SearchPhone, valueOperators},
        {cboEmail, Setting::SearchEmail, valueOperators},
        {cboAddress, Setting::SearchAddress, valueOperators},
        {cboNote, Setting::SearchNote, {TRANSLATABLE("Contains"), TRANSLATABLE("Is filled in")}},
        {cboOrganisation, Setting::SearchOrganisation, valueOperators},
        {cboTitle, Setting::SearchTitle, valueOperators},
    };
}

void frmSearch::fillOperatorLists()
{
    for (const OperatorList& entry : operatorLists()) {
        for (const QString& text : entry.entries)
            entry.list->addItem(T(text));
        bool isNumber = false;
        const int stored = modSettings::Get(entry.setting).toInt(&isNumber);
        // A missing or impossible index selects the first operator.
        entry.list->setCurrentIndex(isNumber && stored >= 0 && stored < entry.list->count() ? stored : 0);
    }
}

void frmSearch::LoadLanguage()
{
    setWindowTitle(T("Search"));
    fraFullname->setTitle(T("Name"));
    fraDateofbirth->setTitle(T("Date of birth"));
    fraPhone->setTitle(T("Number"));
    fraEmail->setTitle(T("E-mail"));
    fraAddress->setTitle(T("Address"));
    fraNote->setTitle(T("Note"));
    fraOrganisation->setTitle(T("Organisation"));
    fraTitle->setTitle(T("Title"));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    for (const OperatorList& entry : operatorLists())
        for (int i = 0; i < entry.list->count() && i < entry.entries.size(); ++i)
            entry.list->setItemText(i, T(entry.entries.at(i)));
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

void frmSearch::updateValueControls()
{
    txtPhone->setEnabled(cboPhone->currentIndex() != 4);
    txtEmail->setEnabled(cboEmail->currentIndex() != 4);
    txtAddress->setEnabled(cboAddress->currentIndex() != 4);
    txtNote->setEnabled(cboNote->currentIndex() != 1);
    txtOrganisation->setEnabled(cboOrganisation->currentIndex() != 4);
    txtTitle->setEnabled(cboTitle->currentIndex() != 4);
    const int dateOp = cboDate->currentIndex();
    txtDate->setVisible(dateOp != 4);
    lblSplit->setVisible(dateOp == 1);
    txtDate2->setVisible(dateOp == 1);
}

SearchBuilder::Criteria frmSearch::Criteria() const
{
    SearchBuilder::Criteria criteria;
    criteria.name = {cboFullname->currentIndex(), txtFullname->text()};
    criteria.phone = {cboPhone->currentIndex(), txtPhone->text()};
    criteria.email = {cboEmail->currentIndex(), txtEmail->text()};
    criteria.address = {cboAddress->currentIndex(), txtAddress->text()};
    criteria.note = {cboNote->currentIndex(), txtNote->text()};
    criteria.organisation = {cboOrganisation->currentIndex(), txtOrganisation->text()};
    criteria.title = {cboTitle->currentIndex(), txtTitle->text()};
    criteria.details = modDatabase::IsDatabaseOpen() &&
                       modDatabase::DatabaseConnection().TableExists(QString::fromLatin1(modPersonDetail::TableName));
    criteria.dateOp = cboDate->currentIndex();
    criteria.date1 = txtDate->displayText();
    criteria.date2 = txtDate2->displayText();
    criteria.dateFormat = m_dateFormat;
    return criteria;
}

void frmSearch::ok()
{
    const SearchBuilder::Search search = SearchBuilder::Build(Criteria());
    if (!search.datesValid) {
        Platform::inform(T("Error"), T("Date of birth") + QLatin1Char(' ') + T("is invalid") + QLatin1Char('!'));
        return;
    }
    modSearch::SearchCondition = search.condition;
    modSearch::PhoneSearchActive = search.phoneActive;
    modSearch::PhoneSearchOperator = search.phoneOperator;
    modSearch::PhoneSearchText = search.phoneText;
    modSearch::EmailSearchActive = search.emailActive;
    if (search.InForce()) {
        m_mainWindow.setPersonCommandsEnabled(false);
        m_mainWindow.SetDetailsVisible(false);
        m_mainWindow.FillContactList();
        m_applied = true;
    }
    for (const OperatorList& entry : operatorLists())
        modSettings::Set(entry.setting, QString::number(entry.list->currentIndex()));
    accept();
}

void frmSearch::done(int result)
{
    // Closed without a search in force: the main window's toggle goes back.
    if (!m_applied) {
        modSearch::ClearSearch();
        m_mainWindow.ReleaseSearchButton();
    }
    QDialog::done(result);
}

void frmSearch::Open(frmMain& mainWindow)
{
    frmSearch window(mainWindow);
    window.exec();
}
