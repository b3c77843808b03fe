// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmExport.h"
#include "widgets/WidgetRules.h"

#include "database/modSql.h"
#include "export/frmExportPreview.h"
#include "language/ContentDirection.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/modText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QCheckBox* Box(const char* name)
{
    auto* box = new QCheckBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    return box;
}

// A description box follows its list box: ticked and usable with it, cleared without it.
void Couple(QCheckBox* list, QCheckBox* description)
{
    QObject::connect(list, &QCheckBox::clicked, description, [list, description] {
        description->setChecked(list->isChecked());
        description->setEnabled(list->isChecked());
    });
}

} // namespace

frmExport::frmExport(frmMain& mainWindow) : QDialog(&mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmExport"));
    static_cast<PersonPicker&>(*this) = PersonPicker::Create("lvwExport");
    lvwExport = lvwChosen;

    fraDetails = new QGroupBox;
    fraDetails->setObjectName(QStringLiteral("fraDetails"));
    chkName = Box("chkName");
    chkDateofbirth = Box("chkDateofbirth");
    chkAddress = Box("chkAddress");
    chkPhone = Box("chkPhone");
    chkPhoneDescription = Box("chkPhoneDescription");
    chkEmail = Box("chkEmail");
    chkEmailDescription = Box("chkEmailDescription");
    chkNote = Box("chkNote");
    chkOrganisation = Box("chkOrganisation");
    auto* details = new QGridLayout(fraDetails);
    details->addWidget(chkName, 0, 0);
    details->addWidget(chkDateofbirth, 1, 0);
    details->addWidget(chkAddress, 2, 0);
    details->addWidget(chkPhone, 3, 0);
    details->addWidget(chkPhoneDescription, 3, 1);
    details->addWidget(chkEmail, 4, 0);
    details->addWidget(chkEmailDescription, 4, 1);
    details->addWidget(chkNote, 5, 0);
    details->addWidget(chkOrganisation, 0, 1);
    Couple(chkPhone, chkPhoneDescription);
    Couple(chkEmail, chkEmailDescription);
    Couple(chkName, chkOrganisation);

    fraFormat = new QGroupBox;
    fraFormat->setObjectName(QStringLiteral("fraFormat"));
    OptTxt = new QRadioButton;
    OptTxt->setObjectName(QStringLiteral("OptTxt"));
    optHtml = new QRadioButton;
    optHtml->setObjectName(QStringLiteral("optHtml"));
    optHtml->setChecked(true);
    optVcard = new QRadioButton;
    optVcard->setObjectName(QStringLiteral("optVcard"));
    optCsv = new QRadioButton;
    optCsv->setObjectName(QStringLiteral("optCsv"));
    cboCsvLayout = new QComboBox;
    cboCsvLayout->setObjectName(QStringLiteral("cboCsvLayout"));
    // The layouts are named after the address books that read them.
    cboCsvLayout->addItem(QStringLiteral("Google"), static_cast<int>(modCsv::Layout::GoogleLabel));
    cboCsvLayout->addItem(QStringLiteral("Outlook"), static_cast<int>(modCsv::Layout::Outlook));
    cboCsvLayout->setEnabled(false);
    connect(optCsv, &QRadioButton::toggled, cboCsvLayout, &QWidget::setEnabled);
    auto* format = new QVBoxLayout(fraFormat);
    format->addWidget(OptTxt);
    format->addWidget(optHtml);
    format->addWidget(optVcard);
    auto* csv = new QHBoxLayout;
    csv->addWidget(optCsv);
    csv->addWidget(cboCsvLayout, 1);
    format->addLayout(csv);

    auto* side = new QVBoxLayout;
    side->addWidget(fraDetails);
    side->addWidget(fraFormat);
    const WidgetRules::OkCancel okCancel = WidgetRules::AddOkCancel(this, side, [this] { ok(); });
    cmdOK = okCancel.ok;
    cmdCancel = okCancel.cancel;
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(fraPerson, 1);
    layout->addLayout(side);
    resize(720, 460);

    m_mover = PersonPicker::CreateMover(this, cmdOK, m_mainWindow);

    LoadLanguage();
    fillList();
}

void frmExport::fillList()
{
    PersonPicker::FillSource(*m_mover, m_mainWindow);
}

void frmExport::LoadLanguage()
{
    setWindowTitle(T("Export"));
    PersonPicker::LoadLanguage();
    fraDetails->setTitle(T("Details"));
    chkName->setText(T("Name"));
    chkDateofbirth->setText(T("Date of birth"));
    chkAddress->setText(T("Address"));
    chkPhone->setText(T("Numbers"));
    chkPhoneDescription->setText(T("Description"));
    chkEmail->setText(T("E-mail"));
    chkEmailDescription->setText(T("Description"));
    chkNote->setText(T("Note"));
    chkOrganisation->setText(T("Organisation"));
    fraFormat->setTitle(T("Format"));
    OptTxt->setText(T("TXT"));
    optHtml->setText(ContentDirection::Isolated(T("(X)HTML")));
    optVcard->setText(T("vCard"));
    optCsv->setText(QStringLiteral("CSV"));
    WidgetRules::TranslateOkCancel({cmdOK, cmdCancel});
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

modExport::Selection frmExport::Selection() const
{
    modExport::Selection selection;
    selection.contactnrs = m_mover->target()->contactnrs();
    modExport::Details& d = selection.details;
    d.name = chkName->isChecked();
    d.dateofbirth = chkDateofbirth->isChecked();
    d.address = chkAddress->isChecked();
    d.phone = chkPhone->isChecked();
    d.phoneDescription = chkPhoneDescription->isChecked();
    d.email = chkEmail->isChecked();
    d.emailDescription = chkEmailDescription->isChecked();
    d.note = chkNote->isChecked();
    d.organisation = chkOrganisation->isChecked();
    return selection;
}

void frmExport::ok()
{
    hide();
    const frmExportPreview::Kind kind = optHtml->isChecked()    ? frmExportPreview::Kind::Html
                                        : optVcard->isChecked() ? frmExportPreview::Kind::Vcard
                                        : optCsv->isChecked()   ? frmExportPreview::Kind::Csv
                                                                : frmExportPreview::Kind::Text;
    frmExportPreview::Show(kind, Selection(), m_mainWindow,
                           static_cast<modCsv::Layout>(cboCsvLayout->currentData().toInt()));
    accept();
}

void frmExport::Open(frmMain& mainWindow)
{
    frmExport window(mainWindow);
    window.exec();
}
