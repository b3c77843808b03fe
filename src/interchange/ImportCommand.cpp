#include "ImportCommand.h"

#include "birthdays/frmProgress.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "interchange/frmCsvMapping.h"
#include "interchange/modCsv.h"
#include "interchange/modVcardImport.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "startup/modSettings.h"

#include <QFile>
#include <QFileInfo>

namespace ImportCommand {

namespace {

// The rows of a CSV file as cards, its columns mapped by its layout or, for a layout
// not known, by the user. False when the file is broken (the user is told) or the user
// cancels: nothing is imported then.
bool CsvCards(frmMain& mainWindow, const QByteArray& bytes, std::vector<modVcard::Card>& cards)
{
    const modCsv::Table table = modCsv::ReadTable(bytes);
    if (!table.problems.empty()) {
        Platform::inform(T("Import"), modCsv::ProblemsText(table.problems));
        return false;
    }
    const modCsv::Layout layout = modCsv::Recognise(table.header);
    modCsv::Mapping mapping = modCsv::LayoutMapping(table.header, layout);
    if (layout == modCsv::Layout::Unknown) {
        frmCsvMapping window(table, &mainWindow);
        if (window.exec() != QDialog::Accepted)
            return false;
        mapping = window.Mapping();
    }
    const QString dateFormat = modSettings::ReadSetting(QStringLiteral("Date"));
    for (const modCsv::Record& row : table.rows)
        cards.push_back(modCsv::ToCard(row, mapping, dateFormat, layout));
    return true;
}

} // namespace

void Run(frmMain& mainWindow)
{
    if (!modDatabase::IsDatabaseOpen())
        return;
    const QString path = Platform::current().openFileName(
        T("Import"), QStringLiteral("vCard, CSV (*.vcf *.csv)|*.vcf;*.csv|vCard (*.vcf)|*.vcf|CSV (*.csv)|*.csv"),
        modEnvironment::DatabaseDirectory());
    if (path.isEmpty())
        return;
    ImportFile(mainWindow, path);
}

void ImportFile(frmMain& mainWindow, const QString& path)
{
    Engine::Connection& connection = modDatabase::DatabaseConnection();
    if (connection.Mode() != Engine::ModeShareDenyNone) {
        Platform::inform(T("Error"), T("Addrion database") + QLatin1Char(' ') + connection.DataSource() +
                                         QLatin1Char(' ') + T("is read-only") + QLatin1Char('!'));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Platform::inform(T("Error"), path + QStringLiteral(": ") + file.errorString());
        return;
    }
    const bool csv = QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    std::vector<modVcard::Card> cards;
    if (csv && !CsvCards(mainWindow, file.readAll(), cards))
        return;
    modVcardImport::Report report;
    try {
        frmProgress progress(&mainWindow);
        progress.AllowCancel();
        report = csv ? modVcardImport::ImportCards(cards, &progress, modVcardImport::Source::Csv)
                     : modVcardImport::ImportCards(file, &progress);
    } catch (const Engine::EngineError& error) {
        // Rolled back: the database is as it was.
        modSql::ShowEngineError(error);
        return;
    }
    if (report.cancelled)
        return; // rolled back, as the user asked
    mainWindow.FillContactList();
    Platform::inform(T("Import"), modVcardImport::ReportText(report),
                     report.full ? Platform::Icon::Exclamation : Platform::Icon::Information);
}

void OfferFile(frmMain& mainWindow, const QString& path)
{
    if (!modDatabase::IsDatabaseOpen())
        return;
    const QString question = T("Import the persons of this file into the open database?") + QStringLiteral("\n\n") +
                             path + QStringLiteral("\n") + modDatabase::DatabaseConnection().DataSource();
    if (Platform::askYesNo(T("Import"), question))
        ImportFile(mainWindow, path);
}

} // namespace ImportCommand
