#include "ImportCommand.h"

#include "birthdays/frmProgress.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "interchange/modVcardImport.h"
#include "language/modLanguage.h"
#include "mainwindow/frmMain.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"

#include <QFile>

namespace ImportCommand {

void Run(frmMain& mainWindow)
{
    if (!modDatabase::IsDatabaseOpen())
        return;
    const QString path = Platform::current().openFileName(T("Import"), QStringLiteral("vCard (*.vcf)|*.vcf"),
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
    modVcardImport::Report report;
    try {
        frmProgress progress(&mainWindow);
        progress.AllowCancel();
        report = modVcardImport::ImportCards(file, &progress);
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
