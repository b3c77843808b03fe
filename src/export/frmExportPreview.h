// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modExport.h"
#include "export/modExportFiles.h"
#include "language/LanguageAware.h"

#include <QHash>
#include <QWidget>

class HtmlViewer;
class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class frmMain;

// The preview of an export, text (frmExportTxt), XHTML (frmExportHtml), vCard
// (frmExportVcard) or CSV (frmExportCsv): the file in the viewer, and commands to save, print and, for XHTML,
// restyle it.
class frmExportPreview : public QWidget, public LanguageAware
{
    Q_OBJECT

public:
    enum class Kind
    {
        Text,
        Html,
        Vcard,
        Csv,
    };

    // Shows the export in file, which the preview owns from now on and removes when it
    // closes.
    frmExportPreview(Kind kind, const QString& file, QWidget* parent = nullptr);
    ~frmExportPreview() override;

    // Writes the export and shows its preview; tells the user and shows nothing when
    // the export cannot be written.
    static frmExportPreview* Show(Kind kind, const modExport::Selection& selection, frmMain& mainWindow,
                                  modCsv::Layout layout = modCsv::Layout::GoogleLabel);

    void LoadLanguage() override;
    QAction* toolbarButton(const QString& key) const { return m_buttons.value(key); }
    // Saves the export to path (asking before replacing a file), as the Save button does
    // after its dialog.
    bool SaveTo(const QString& path);
    // Picks a style sheet, as the Css menu does.
    void SelectStyle(const QString& name);

    QToolBar* tlbHtml = nullptr;
    HtmlViewer* wbrPrint = nullptr;
    QMenu* mnuCss = nullptr;
    // The export file this preview shows and saves.
    QString ExportFile() const { return m_file; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void documentLoaded();
    void save();

    Kind m_kind;
    QString m_file;
    QHash<QString, QAction*> m_buttons;
};
