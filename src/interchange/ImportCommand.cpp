// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
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
#include "widgets/FailureDialog.h"

#include <QFile>
#include <QFileInfo>

namespace ImportCommand {

namespace {

// Progress from 0 to 1, in the steps of a progress window.
constexpr int ProgressSteps = 1000;

// The rows of a CSV file imported as cards, its columns mapped by its layout or, for a
// layout not known, by the user. The file is read twice and never held whole: once to
// check it (the progress window offers Cancel), once to import it. Nothing, with the
// user told, for a broken file; nothing when the user cancels.
std::optional<modVcardImport::Report> ImportCsv(frmMain& mainWindow, QFile& file)
{
    modCsv::FileCheck check;
    {
        frmProgress progress(&mainWindow);
        progress.AllowCancel();
        ProgressScope scope(&progress, ProgressSteps);
        check = modCsv::CheckFile(file, [&progress](double done) {
            progress.Reach(static_cast<int>(done * ProgressSteps));
            return !progress.Cancelled();
        });
    }
    if (check.cancelled)
        return std::nullopt;
    if (!check.problems.empty()) {
        Platform::inform(T("Import"), modCsv::ProblemsText(check.problems));
        return std::nullopt;
    }
    const modCsv::Layout layout = modCsv::Recognise(check.header);
    modCsv::Mapping mapping = modCsv::LayoutMapping(check.header, layout);
    if (layout == modCsv::Layout::Unknown) {
        frmCsvMapping window({check.header, check.firstRows, {}}, &mainWindow);
        if (window.exec() != QDialog::Accepted)
            return std::nullopt;
        mapping = window.Mapping();
    }
    frmProgress progress(&mainWindow);
    progress.AllowCancel();
    return modVcardImport::ImportCsv(file, check, mapping, layout, &progress);
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
    modVcardImport::Report report;
    try {
        if (csv) {
            const std::optional<modVcardImport::Report> imported = ImportCsv(mainWindow, file);
            if (!imported)
                return;
            report = *imported;
        } else {
            frmProgress progress(&mainWindow);
            progress.AllowCancel();
            report = modVcardImport::ImportCards(file, &progress);
        }
    } catch (const Engine::EngineError& error) {
        // Rolled back: the database is as it was.
        ShowFailure(modSql::EngineFailure(error));
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
