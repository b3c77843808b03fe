#include "frmExportPreview.h"

#include "birthdays/HtmlViewer.h"
#include "birthdays/frmProgress.h"
#include "database/modSql.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kButtons[] = {"Save", "Email", "Print", "Setup", "Css"};

} // namespace

frmExportPreview::frmExportPreview(Kind kind, QWidget* parent) : QWidget(parent, Qt::Window), m_kind(kind)
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
    wbrPrint->Navigate(modExportFiles::ExportFilePath(fileKind()));
}

frmExportPreview::~frmExportPreview() = default;

modExportFiles::Kind frmExportPreview::fileKind() const
{
    switch (m_kind) {
    case Kind::Html:
        return modExportFiles::Kind::Html;
    case Kind::Vcard:
        return modExportFiles::Kind::Vcard;
    case Kind::Csv:
        return modExportFiles::Kind::Csv;
    case Kind::Text:
        break;
    }
    return modExportFiles::Kind::Text;
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
        css->setText(modSettings::ReadSetting(QStringLiteral("Css")));
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
    modSettings::WriteSetting(QStringLiteral("Css"), name);
    toolbarButton(QStringLiteral("Css"))->setText(modSettings::ReadSetting(QStringLiteral("Css")));
    frmProgress progress(this);
    QString error;
    if (!modExportFiles::RestyleExportFile(&progress, error)) {
        Platform::inform(T("Error"), error);
        return;
    }
    wbrPrint->Navigate(modExportFiles::ExportFilePath(fileKind()));
}

void frmExportPreview::save()
{
    const bool html = m_kind == Kind::Html;
    const bool vcard = m_kind == Kind::Vcard;
    const bool csv = m_kind == Kind::Csv;
    const QString proposed = QStringLiteral("Addrion") + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
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
    if (modEnvironment::FileExists(path) &&
        !Platform::askYesNo(T("Error"), T("File already exists:") + QLatin1Char('\n') + path + QStringLiteral("\n\n") +
                                            T("Replace") + QLatin1Char('?')))
        return false;
    QString error;
    frmProgress progress(this);
    const bool saved = m_kind == Kind::Html ? modExportFiles::SaveHtmlWithStyle(path, &progress, error)
                                            : modExportFiles::CopyExportFile(path, error, fileKind());
    if (!saved)
        Platform::inform(T("Error"), error);
    return saved;
}

void frmExportPreview::closeEvent(QCloseEvent* event)
{
    modExportFiles::DeleteExportFile(fileKind());
    event->accept();
}

frmExportPreview* frmExportPreview::Show(Kind kind, const modExport::Selection& selection, frmMain& mainWindow,
                                         modCsv::Layout layout)
{
    QString error;
    bool written = false;
    try {
        frmProgress progress(&mainWindow);
        if (kind == Kind::Html)
            written = modExportFiles::ExportHtml(selection, &progress, error);
        else if (kind == Kind::Vcard)
            written = modExportFiles::ExportVcard(selection, &progress, error);
        else if (kind == Kind::Csv)
            written = modExportFiles::ExportCsv(selection, layout, &progress, error);
        else
            written = modExportFiles::ExportText(selection, &progress, error);
    } catch (const Engine::EngineError& failure) {
        modSql::ShowEngineError(failure);
        return nullptr;
    }
    if (!written) {
        Platform::inform(T("Error"), error);
        return nullptr;
    }
    auto* preview = new frmExportPreview(kind, &mainWindow);
    preview->show();
    return preview;
}
