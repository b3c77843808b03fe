// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "frmExportPreview.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/frmProgress.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"
#include "widgets/FailureDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QFile>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kButtons[] = {"Save", "Email", "Print", "Setup", "Css"};

modExportFiles::Kind FileKind(frmExportPreview::Kind kind)
{
    switch (kind) {
    case frmExportPreview::Kind::Html:
        return modExportFiles::Kind::Html;
    case frmExportPreview::Kind::Vcard:
        return modExportFiles::Kind::Vcard;
    case frmExportPreview::Kind::Csv:
        return modExportFiles::Kind::Csv;
    case frmExportPreview::Kind::Text:
        break;
    }
    return modExportFiles::Kind::Text;
}

} // namespace

frmExportPreview::frmExportPreview(Kind kind, const QString& file, QWidget* parent)
    : QWidget(parent, Qt::Window), m_kind(kind), m_file(file)
{
    setObjectName(kind == Kind::Html    ? QStringLiteral("frmExportHtml")
                  : kind == Kind::Vcard ? QStringLiteral("frmExportVcard")
                  : kind == Kind::Csv   ? QStringLiteral("frmExportCsv")
                                        : QStringLiteral("frmExportTxt"));
    setAttribute(Qt::WA_DeleteOnClose);
    tlbHtml = new QToolBar(this);
    tlbHtml->setObjectName(QStringLiteral("tlbHtml"));
    tlbHtml->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (const char* key : kButtons) {
        if (kind != Kind::Html && QLatin1String(key) == QLatin1String("Css"))
            continue;
        QAction* button = tlbHtml->addAction(QString::fromLatin1(key));
        button->setObjectName(QStringLiteral("tlbHtml") + QString::fromLatin1(key));
        button->setEnabled(false);
        m_buttons.insert(QString::fromLatin1(key), button);
    }
    wbrPrint = new HtmlViewer(this);
    wbrPrint->setObjectName(QStringLiteral("wbrPrint"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tlbHtml);
    layout->addWidget(wbrPrint, 1);
    resize(760, 560);

    if (kind == Kind::Html) {
        mnuCss = new QMenu(this);
        mnuCss->setObjectName(QStringLiteral("mnuCss"));
        for (const QString& style : modExport::StyleNames())
            mnuCss->addAction(style, this, [this, style] { SelectStyle(style); });
        QAction* css = toolbarButton(QStringLiteral("Css"));
        css->setMenu(mnuCss);
        if (auto* button = qobject_cast<QToolButton*>(tlbHtml->widgetForAction(css)))
            button->setPopupMode(QToolButton::InstantPopup);
    }

    connect(toolbarButton(QStringLiteral("Save")), &QAction::triggered, this, &frmExportPreview::save);
    connect(toolbarButton(QStringLiteral("Print")), &QAction::triggered, this,
            [this] { wbrPrint->Print(HtmlViewer::PrintOption::PromptUser); });
    connect(toolbarButton(QStringLiteral("Setup")), &QAction::triggered, this, [this] { wbrPrint->PageSetup(); });
    connect(wbrPrint, &HtmlViewer::documentLoaded, this, &frmExportPreview::documentLoaded);

    LoadLanguage();
    toolbarButton(QStringLiteral("Setup"))->setEnabled(modEnvironment::CountPrinters() > 0);
    wbrPrint->Navigate(m_file);
}

frmExportPreview::~frmExportPreview()
{
    // Also when the program ends with the preview open.
    QFile::remove(m_file);
}

void frmExportPreview::LoadLanguage()
{
    setWindowTitle(m_kind == Kind::Html    ? T("Html")
                   : m_kind == Kind::Vcard ? T("vCard")
                   : m_kind == Kind::Csv   ? QStringLiteral("CSV")
                                           : T("Txt"));
    toolbarButton(QStringLiteral("Save"))->setText(T("Save"));
    toolbarButton(QStringLiteral("Email"))->setText(T("E-mail"));
    toolbarButton(QStringLiteral("Print"))->setText(T("Print"));
    toolbarButton(QStringLiteral("Setup"))->setText(T("Page setup"));
    if (QAction* css = toolbarButton(QStringLiteral("Css")))
        css->setText(modSettings::Get(Setting::ExportStyle));
}

void frmExportPreview::documentLoaded()
{
    for (const char* key : {"Save", "Email", "Css"})
        if (QAction* button = toolbarButton(QString::fromLatin1(key)))
            button->setEnabled(true);
    toolbarButton(QStringLiteral("Print"))->setEnabled(modEnvironment::CountPrinters() > 0);
}

void frmExportPreview::SelectStyle(const QString& name)
{
    modSettings::Set(Setting::ExportStyle, name);
    toolbarButton(QStringLiteral("Css"))->setText(modSettings::Get(Setting::ExportStyle));
    frmProgress progress(this);
    QString error;
    if (!modExportFiles::RestyleExportFile(&progress, error, m_file)) {
        Platform::inform(T("Error"), error);
        return;
    }
    // The page and its new sheet are read again, so the viewer shows what Save writes.
    wbrPrint->Refresh();
}

void frmExportPreview::save()
{
    const bool html = m_kind == Kind::Html;
    const bool vcard = m_kind == Kind::Vcard;
    const bool csv = m_kind == Kind::Csv;
    const QString proposed = QStringLiteral("Addrion") + Platform::Today().toString(QStringLiteral("yyyyMMdd")) +
                             (html    ? QStringLiteral(".htm")
                              : vcard ? QStringLiteral(".vcf")
                              : csv   ? QStringLiteral(".csv")
                                      : QStringLiteral(".txt"));
    const QString filter = html    ? QStringLiteral("(x)html (*.htm *.html)|*.htm;*.html")
                           : vcard ? QStringLiteral("vCard (*.vcf)|*.vcf")
                           : csv   ? QStringLiteral("CSV (*.csv)|*.csv")
                                   : QStringLiteral("TXT (*.txt)|*.txt");
    const QString path =
        Platform::current().saveFileName(T("Save"), filter, modEnvironment::ExportDirectory(), proposed);
    // Cancelled: nothing is saved.
    if (path.isEmpty())
        return;
    modEnvironment::SaveExportDirectory(path);
    SaveTo(path);
}

bool frmExportPreview::SaveTo(const QString& path)
{
    if (!modEnvironment::MayReplace(path, &Platform::askYesNo))
        return false;
    QString error;
    frmProgress progress(this);
    const bool saved = m_kind == Kind::Html ? modExportFiles::SaveHtmlWithStyle(path, &progress, error, m_file)
                                            : modExportFiles::CopyExportFile(path, error, FileKind(m_kind), m_file);
    if (!saved)
        Platform::inform(T("Error"), error);
    return saved;
}

void frmExportPreview::closeEvent(QCloseEvent* event)
{
    // Only this preview's own file: other previews keep showing and saving theirs.
    QFile::remove(m_file);
    event->accept();
}

frmExportPreview* frmExportPreview::Show(Kind kind, const modExport::Selection& selection, frmMain& mainWindow,
                                         modCsv::Layout layout)
{
    QString error;
    const QString file = modExportFiles::NewExportFile(FileKind(kind), error);
    if (file.isEmpty()) {
        Platform::inform(T("Error"), error);
        return nullptr;
    }
    bool written = false;
    try {
        frmProgress progress(&mainWindow);
        if (kind == Kind::Html)
            written = modExportFiles::ExportHtml(selection, &progress, error, file);
        else if (kind == Kind::Vcard)
            written = modExportFiles::ExportVcard(selection, &progress, error, file);
        else if (kind == Kind::Csv)
            written = modExportFiles::ExportCsv(selection, layout, &progress, error, file);
        else
            written = modExportFiles::ExportText(selection, &progress, error, file);
    } catch (const Engine::EngineError& failure) {
        QFile::remove(file);
        ShowFailure(modSql::EngineFailure(failure));
        return nullptr;
    }
    if (!written) {
        QFile::remove(file);
        Platform::inform(T("Error"), error);
        return nullptr;
    }
    auto* preview = new frmExportPreview(kind, file, &mainWindow);
    preview->show();
    return preview;
}
