// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmLabels.h"
#include "widgets/FailureDialog.h"
#include "widgets/WidgetRules.h"

#include "database/modSql.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString Custom = QStringLiteral("custom");

QDoubleSpinBox* Millimetres(const char* name, double maximum)
{
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, maximum);
    box->setDecimals(2);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

QSpinBox* Count(const char* name, int minimum, int maximum)
{
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    return box;
}

template <typename Widget> Widget* Named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

frmLabels::frmLabels(frmMain& mainWindow) : QDialog(&mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmLabels"));
    static_cast<PersonPicker&>(*this) = PersonPicker::Create("lvwLabels");
    lvwLabels = lvwChosen;

    m_previewPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_previewPrinter->setFullPage(true);
    pvwPages = Named(new QPrintPreviewWidget(m_previewPrinter.get()), "pvwPages");
    pvwPages->setMinimumSize(320, 360);
    lblSkipped = Named(new QLabel, "lblSkipped");
    lblSkipped->setWordWrap(true);
    cmdPrint = Named(new QPushButton, "cmdPrint");
    cmdPdf = Named(new QPushButton, "cmdPdf");
    cmdClose = Named(new QPushButton, "cmdClose");
    cmdClose->setDefault(true);

    auto* left = new QVBoxLayout;
    left->addWidget(fraPerson, 1);
    left->addWidget(createLayoutControls());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint);
    buttons->addWidget(cmdPdf);
    buttons->addWidget(cmdClose);
    auto* right = new QVBoxLayout;
    right->addWidget(pvwPages, 1);
    right->addWidget(lblSkipped);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right, 1);
    resize(980, 640);

    m_mover = PersonPicker::CreateMover(this, cmdPrint, m_mainWindow);
    connect(m_mover, &PersonMover::moved, this, [this] {
        m_read.reset();
        updatePreview();
    });
    connect(pvwPages, &QPrintPreviewWidget::paintRequested, this, &frmLabels::paint);
    connect(cmdPrint, &QPushButton::clicked, this, &frmLabels::print);
    connect(cmdPdf, &QPushButton::clicked, this, &frmLabels::savePdf);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    LoadLanguage();
    loadSettings();
    PersonPicker::FillSource(*m_mover, m_mainWindow);
    m_loading = false;
    layoutChanged();
}

frmLabels::~frmLabels() = default;

QWidget* frmLabels::createLayoutControls()
{
    fraLayout = Named(new QGroupBox, "fraLayout");
    optSheet = Named(new QRadioButton, "optSheet");
    cboSheet = Named(new QComboBox, "cboSheet");
    for (const modLabels::Sheet& sheet : modLabels::Sheets())
        cboSheet->addItem(sheet.name, sheet.key);
    cboSheet->addItem(QString(), Custom);
    fraCustom = Named(new QWidget, "fraCustom");
    spnPageWidth = Millimetres("spnPageWidth", 1000);
    spnPageHeight = Millimetres("spnPageHeight", 1000);
    spnColumns = Count("spnColumns", 1, 20);
    spnRows = Count("spnRows", 1, 50);
    spnTop = Millimetres("spnTop", 500);
    spnLeft = Millimetres("spnLeft", 500);
    spnLabelWidth = Millimetres("spnLabelWidth", 1000);
    spnLabelHeight = Millimetres("spnLabelHeight", 1000);
    spnHorizontalPitch = Millimetres("spnHorizontalPitch", 1000);
    spnVerticalPitch = Millimetres("spnVerticalPitch", 1000);
    auto* custom = new QGridLayout(fraCustom);
    custom->setContentsMargins(0, 0, 0, 0);
    const std::pair<QWidget*, QWidget*> pairs[] = {{spnPageWidth, spnPageHeight},
                                                   {spnColumns, spnRows},
                                                   {spnLeft, spnTop},
                                                   {spnLabelWidth, spnLabelHeight},
                                                   {spnHorizontalPitch, spnVerticalPitch}};
    int row = 0;
    for (const auto& [first, second] : pairs) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("lbl") + first->objectName().mid(3));
        label->setBuddy(first);
        custom->addWidget(label, row, 0);
        custom->addWidget(first, row, 1);
        custom->addWidget(second, row, 2);
        ++row;
    }
    spnFirst = Count("spnFirst", 1, 1);
    optEnvelope = Named(new QRadioButton, "optEnvelope");
    cboEnvelope = Named(new QComboBox, "cboEnvelope");
    for (const modLabels::Envelope& envelope : modLabels::Envelopes())
        cboEnvelope->addItem(envelope.name, envelope.key);
    txtSender = Named(new QPlainTextEdit, "txtSender");
    txtSender->setTabChangesFocus(true);
    txtSender->setFixedHeight(txtSender->fontMetrics().lineSpacing() * 4);
    cboFont = Named(new QFontComboBox, "cboFont");
    spnFontSize = Count("spnFontSize", static_cast<int>(modLabels::MinimumPointSize), 36);
    spnFontSize->setSuffix(QStringLiteral(" pt"));

    auto* form = new QFormLayout(fraLayout);
    form->addRow(optSheet, cboSheet);
    form->addRow(fraCustom);
    form->addRow(Named(new QLabel, "lblFirst"), spnFirst);
    form->addRow(optEnvelope, cboEnvelope);
    form->addRow(Named(new QLabel, "lblSender"), txtSender);
    auto* font = new QHBoxLayout;
    font->addWidget(cboFont, 1);
    font->addWidget(spnFontSize);
    form->addRow(Named(new QLabel, "lblFont"), font);

    for (QRadioButton* option : {optSheet, optEnvelope})
        connect(option, &QRadioButton::toggled, this, &frmLabels::layoutChanged);
    for (QComboBox* box : {static_cast<QComboBox*>(cboSheet), cboEnvelope})
        connect(box, &QComboBox::currentIndexChanged, this, &frmLabels::layoutChanged);
    connect(cboFont, &QFontComboBox::currentFontChanged, this, &frmLabels::updatePreview);
    for (QSpinBox* box : {spnColumns, spnRows, spnFirst, spnFontSize})
        connect(box, &QSpinBox::valueChanged, this, &frmLabels::updatePreview);
    for (QDoubleSpinBox* box : {spnPageWidth, spnPageHeight, spnTop, spnLeft, spnLabelWidth, spnLabelHeight,
                                spnHorizontalPitch, spnVerticalPitch})
        connect(box, &QDoubleSpinBox::valueChanged, this, &frmLabels::updatePreview);
    connect(txtSender, &QPlainTextEdit::textChanged, this, &frmLabels::updatePreview);
    return fraLayout;
}

void frmLabels::LoadLanguage()
{
    setWindowTitle(T("Labels and envelopes"));
    PersonPicker::LoadLanguage();
    fraLayout->setTitle(T("Print on"));
    optSheet->setText(T("Sheet of labels") + QLatin1Char(':'));
    cboSheet->setItemText(cboSheet->count() - 1, T("Custom"));
    const std::pair<const char*, QString> labels[] = {
        {"lblPageWidth", T("Page (width, height)")},
        {"lblColumns", T("Columns, rows")},
        {"lblLeft", T("First label (left, top)")},
        {"lblLabelWidth", T("Label (width, height)")},
        {"lblHorizontalPitch", T("Next label (across, down)")},
        {"lblFirst", T("First free label")},
        {"lblSender", T("Sender")},
        {"lblFont", T("Font")},
    };
    for (const auto& [name, text] : labels)
        findChild<QLabel*>(QString::fromLatin1(name))->setText(text + QLatin1Char(':'));
    optEnvelope->setText(T("Envelope") + QLatin1Char(':'));
    cmdPrint->setText(T("Print") + QStringLiteral("..."));
    cmdPdf->setText(T("Save as PDF") + QStringLiteral("..."));
    cmdClose->setText(T("Close"));
    if (!m_loading)
        updatePreview();
    // Every control a key of its own in this language.
    WidgetRules::GiveAccessKeys(this);
}

void frmLabels::loadSettings()
{
    const QSignalBlocker sheetQuiet(cboSheet);
    const QSignalBlocker envelopeQuiet(cboEnvelope);
    const QString custom = modSettings::Get(Setting::LabelsCustom);
    const QStringList numbers = custom.split(QLatin1Char(';'));
    modLabels::Sheet sheet = modLabels::Sheets().front();
    if (numbers.size() == 10) {
        sheet.page = {numbers[0].toDouble(), numbers[1].toDouble()};
        sheet.columns = numbers[2].toInt();
        sheet.rows = numbers[3].toInt();
        sheet.left = numbers[4].toDouble();
        sheet.top = numbers[5].toDouble();
        sheet.label = {numbers[6].toDouble(), numbers[7].toDouble()};
        sheet.horizontalPitch = numbers[8].toDouble();
        sheet.verticalPitch = numbers[9].toDouble();
    }
    spnPageWidth->setValue(sheet.page.width());
    spnPageHeight->setValue(sheet.page.height());
    spnColumns->setValue(sheet.columns);
    spnRows->setValue(sheet.rows);
    spnLeft->setValue(sheet.left);
    spnTop->setValue(sheet.top);
    spnLabelWidth->setValue(sheet.label.width());
    spnLabelHeight->setValue(sheet.label.height());
    spnHorizontalPitch->setValue(sheet.horizontalPitch);
    spnVerticalPitch->setValue(sheet.verticalPitch);
    cboSheet->setCurrentIndex(qMax(0, cboSheet->findData(modSettings::Get(Setting::LabelsSheet))));
    cboEnvelope->setCurrentIndex(qMax(0, cboEnvelope->findData(modSettings::Get(Setting::LabelsEnvelope))));
    (modSettings::Get(Setting::LabelsKind) == QLatin1String("envelope") ? optEnvelope : optSheet)->setChecked(true);
    txtSender->setPlainText(
        modSettings::Get(Setting::LabelsSender).replace(QStringLiteral("\\n"), QStringLiteral("\n")));
    const QString family = modSettings::Get(Setting::LabelsFont);
    if (!family.isEmpty())
        cboFont->setCurrentFont(QFont(family));
    const int size = modSettings::Get(Setting::LabelsFontSize).toInt();
    spnFontSize->setValue(size > 0 ? size : modSettings::Default(Setting::LabelsFontSize).toInt());
}

void frmLabels::saveSettings() const
{
    modSettings::Set(Setting::LabelsKind,
                     optEnvelope->isChecked() ? QStringLiteral("envelope") : QStringLiteral("sheet"));
    modSettings::Set(Setting::LabelsSheet, cboSheet->currentData().toString());
    modSettings::Set(Setting::LabelsEnvelope, cboEnvelope->currentData().toString());
    modSettings::Set(Setting::LabelsSender,
                     txtSender->toPlainText().trimmed().replace(QLatin1Char('\n'), QStringLiteral("\\n")));
    modSettings::Set(Setting::LabelsFont, cboFont->currentFont().family());
    modSettings::Set(Setting::LabelsFontSize, QString::number(spnFontSize->value()));
    QStringList numbers;
    for (const double value : {spnPageWidth->value(), spnPageHeight->value(), double(spnColumns->value()),
                               double(spnRows->value()), spnLeft->value(), spnTop->value(), spnLabelWidth->value(),
                               spnLabelHeight->value(), spnHorizontalPitch->value(), spnVerticalPitch->value()})
        numbers << QString::number(value);
    modSettings::Set(Setting::LabelsCustom, numbers.join(QLatin1Char(';')));
}

void frmLabels::layoutChanged()
{
    if (m_loading)
        return;
    const bool sheet = optSheet->isChecked();
    const bool custom = cboSheet->currentData().toString() == Custom;
    if (sheet && !custom) {
        // A sheet of the table shows its numbers, to start a custom one from.
        const modLabels::Sheet chosen = modLabels::SheetOf(cboSheet->currentData().toString());
        const QSignalBlocker quiet(this);
        for (const auto& [box, value] : {std::pair{spnPageWidth, chosen.page.width()},
                                         {spnPageHeight, chosen.page.height()},
                                         {spnLeft, chosen.left},
                                         {spnTop, chosen.top},
                                         {spnLabelWidth, chosen.label.width()},
                                         {spnLabelHeight, chosen.label.height()},
                                         {spnHorizontalPitch, chosen.horizontalPitch},
                                         {spnVerticalPitch, chosen.verticalPitch}}) {
            const QSignalBlocker boxQuiet(box);
            box->setValue(value);
        }
        for (const auto& [box, value] : {std::pair{spnColumns, chosen.columns}, {spnRows, chosen.rows}}) {
            const QSignalBlocker boxQuiet(box);
            box->setValue(value);
        }
    }
    cboSheet->setEnabled(sheet);
    fraCustom->setEnabled(sheet && custom);
    spnFirst->setEnabled(sheet);
    cboEnvelope->setEnabled(!sheet);
    txtSender->setEnabled(!sheet);
    updatePreview();
}

LabelPainter::Layout frmLabels::CurrentLayout() const
{
    LabelPainter::Layout layout;
    layout.envelopes = optEnvelope->isChecked();
    const QString key = cboSheet->currentData().toString();
    if (key == Custom) {
        modLabels::Sheet& sheet = layout.sheet;
        sheet.key = Custom;
        sheet.name = cboSheet->currentText();
        sheet.page = {spnPageWidth->value(), spnPageHeight->value()};
        sheet.columns = spnColumns->value();
        sheet.rows = spnRows->value();
        sheet.left = spnLeft->value();
        sheet.top = spnTop->value();
        sheet.label = {spnLabelWidth->value(), spnLabelHeight->value()};
        sheet.horizontalPitch = spnHorizontalPitch->value();
        sheet.verticalPitch = spnVerticalPitch->value();
    } else {
        layout.sheet = modLabels::SheetOf(key);
    }
    layout.envelope = modLabels::EnvelopeOf(cboEnvelope->currentData().toString());
    layout.firstPosition = spnFirst->value();
    layout.sender = txtSender->toPlainText().trimmed();
    layout.font = cboFont->currentFont();
    layout.font.setPointSize(spnFontSize->value());
    return layout;
}

std::vector<LabelPainter::Block> frmLabels::Blocks(QStringList& skipped) const
{
    if (!m_read) {
        ReadBlocks read;
        modExport::Selection selection;
        selection.contactnrs = m_mover->target()->contactnrs();
        selection.details.phone = selection.details.email = selection.details.note = false;
        if (!selection.contactnrs.empty())
            modExport::ForEachPerson(
                selection, [](int) {},
                [&read](const modExport::ExportedPerson& person) {
                    QStringList lines = modLabels::AddressBlock(person);
                    if (lines.isEmpty())
                        read.skipped << person.name;
                    else
                        read.blocks.push_back({person.name, std::move(lines)});
                });
        m_read = std::move(read);
    }
    skipped = m_read->skipped;
    return m_read->blocks;
}

void frmLabels::updatePreview()
{
    if (m_loading)
        return;
    const LabelPainter::Layout layout = CurrentLayout();
    {
        const QSignalBlocker quiet(spnFirst);
        spnFirst->setMaximum(layout.sheet.LabelsPerPage());
    }
    const bool fits = layout.envelopes || layout.sheet.Fits();
    QStringList skipped;
    std::vector<LabelPainter::Block> blocks;
    try {
        blocks = Blocks(skipped);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
    QStringList notes;
    if (!fits)
        notes << T("The labels do not fit on the page.");
    if (!skipped.isEmpty())
        notes << T("Without an address, no label:") + QLatin1Char(' ') + skipped.join(QStringLiteral(", "));
    lblSkipped->setText(notes.join(QLatin1Char('\n')));
    lblSkipped->setVisible(!notes.isEmpty());
    cmdPrint->setEnabled(fits && !blocks.empty());
    cmdPdf->setEnabled(fits && !blocks.empty());
    LabelPainter::SetUpPage(*m_previewPrinter, layout);
    pvwPages->updatePreview();
}

void frmLabels::paint(QPrinter* printer)
{
    const LabelPainter::Layout layout = CurrentLayout();
    if (!layout.envelopes && !layout.sheet.Fits())
        return;
    QStringList skipped;
    try {
        LabelPainter::Paint(*printer, layout, Blocks(skipped));
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
    }
}

bool frmLabels::acceptOverflow(const LabelPainter::Layout& layout, const std::vector<LabelPainter::Block>& blocks)
{
    const QStringList names = LabelPainter::Overflowing(layout, blocks);
    if (names.isEmpty())
        return true;
    return Platform::askYesNo(T("Labels and envelopes"),
                              T("These addresses do not fit their label even in the smallest type:") +
                                  QStringLiteral("\n\n") + names.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                                  T("Go on all the same?"));
}

void frmLabels::print()
{
    const LabelPainter::Layout layout = CurrentLayout();
    QStringList skipped;
    const std::vector<LabelPainter::Block> blocks = Blocks(skipped);
    if (blocks.empty() || !acceptOverflow(layout, blocks))
        return;
    saveSettings();
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    LabelPainter::SetUpPage(printer, layout);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!LabelPainter::Paint(printer, layout, blocks))
        Platform::inform(T("Error"), T("The printer could not be used."));
}

void frmLabels::savePdf()
{
    const QString path = Platform::current().saveFileName(T("Save as PDF"), QStringLiteral("PDF (*.pdf)|*.pdf"),
                                                          modEnvironment::ExportDirectory(), T("Labels") + ".pdf");
    if (path.isEmpty())
        return;
    modEnvironment::SaveExportDirectory(path);
    SaveTo(path);
}

bool frmLabels::SaveTo(const QString& path)
{
    const LabelPainter::Layout layout = CurrentLayout();
    QStringList skipped;
    const std::vector<LabelPainter::Block> blocks = Blocks(skipped);
    if (blocks.empty() || !acceptOverflow(layout, blocks))
        return false;
    if (!modEnvironment::MayReplace(path, &Platform::askYesNo))
        return false;
    saveSettings();
    QSaveFile file(path);
    bool painted = file.open(QIODevice::WriteOnly);
    if (painted) {
        QPdfWriter writer(&file);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("Addrion"));
        writer.setTitle(T("Labels and envelopes"));
        LabelPainter::SetUpPage(writer, layout);
        painted = LabelPainter::Paint(writer, layout, blocks);
    }
    if (!painted || !file.commit()) {
        Platform::inform(T("Error"), T("The file could not be written:") + QLatin1Char('\n') + path +
                                         QStringLiteral("\n") + file.errorString());
        return false;
    }
    return true;
}

void frmLabels::Open(frmMain& mainWindow)
{
    frmLabels window(mainWindow);
    window.exec();
}
