// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/LabelPainter.h"
#include "export/PersonMover.h"
#include "language/LanguageAware.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLabel;
class QPlainTextEdit;
class QPrintPreviewWidget;
class QPrinter;
class QRadioButton;
class QSpinBox;
class frmMain;

// Address labels and envelopes for the chosen persons: a sheet from the table (or one
// of the user's numbers) or an envelope size, a preview of the pages, Print and Save as
// PDF. The last sheet, envelope, sender and font are remembered.
class frmLabels : public QDialog, public LanguageAware, public PersonPicker
{
    Q_OBJECT

public:
    explicit frmLabels(frmMain& mainWindow);
    ~frmLabels() override;
    void LoadLanguage() override;
    static void Open(frmMain& mainWindow);

    PersonMover* mover() const { return m_mover; }
    // What the pages are printed on, as the controls say now.
    LabelPainter::Layout CurrentLayout() const;
    // The address blocks of the chosen persons in their order, and the names of those
    // without an address (no label is made for them).
    std::vector<LabelPainter::Block> Blocks(QStringList& skipped) const;
    // Writes the PDF to the path as every file is written (nothing half-written is left);
    // false, with the error told, when it cannot.
    bool SaveTo(const QString& path);

    // The picker's controls (fraPerson, lvwList, cmdAddOne, ...) are inherited; the list
    // of chosen persons under its own name:
    QListView* lvwLabels = nullptr;
    QGroupBox* fraLayout = nullptr;
    QRadioButton* optSheet = nullptr;
    QComboBox* cboSheet = nullptr; // the sheets of the table, then "Custom"
    QWidget* fraCustom = nullptr;  // the numbers of a custom sheet
    QDoubleSpinBox* spnPageWidth = nullptr;
    QDoubleSpinBox* spnPageHeight = nullptr;
    QSpinBox* spnColumns = nullptr;
    QSpinBox* spnRows = nullptr;
    QDoubleSpinBox* spnTop = nullptr;
    QDoubleSpinBox* spnLeft = nullptr;
    QDoubleSpinBox* spnLabelWidth = nullptr;
    QDoubleSpinBox* spnLabelHeight = nullptr;
    QDoubleSpinBox* spnHorizontalPitch = nullptr;
    QDoubleSpinBox* spnVerticalPitch = nullptr;
    QSpinBox* spnFirst = nullptr; // the first free label of the sheet
    QRadioButton* optEnvelope = nullptr;
    QComboBox* cboEnvelope = nullptr;
    QPlainTextEdit* txtSender = nullptr;
    QFontComboBox* cboFont = nullptr;
    QSpinBox* spnFontSize = nullptr;
    QLabel* lblSkipped = nullptr; // the persons without an address
    QPrintPreviewWidget* pvwPages = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdPdf = nullptr;
    QPushButton* cmdClose = nullptr;

private:
    QWidget* createLayoutControls();
    void loadSettings();
    void saveSettings() const;
    void layoutChanged();
    void updatePreview();
    void paint(QPrinter* printer);
    // Asks whether to go on when addresses do not fit their labels; true when none
    // overflows or the user goes on.
    bool acceptOverflow(const LabelPainter::Layout& layout, const std::vector<LabelPainter::Block>& blocks);
    void print();
    void savePdf();

    frmMain& m_mainWindow;
    PersonMover* m_mover = nullptr;
    std::unique_ptr<QPrinter> m_previewPrinter;
    bool m_loading = true;
    // The chosen persons' blocks, read once while the choice stays the same: every change of
    // the layout draws the preview anew.
    struct ReadBlocks
    {
        std::vector<LabelPainter::Block> blocks;
        QStringList skipped;
    };
    mutable std::optional<ReadBlocks> m_read;
};
