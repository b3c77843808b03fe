// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "export/modExport.h"
#include "interchange/modCsv.h"

class WriteProgress;

// The export files in the private temporary folder, and the copies the user saves.
// Every function reports failure as false with the reason in error.
namespace modExportFiles {

enum class Kind
{
    Text,  // Addrion.txt
    Html,  // Addrion.htm
    Vcard, // Addrion.vcf
    Csv,   // Addrion.csv
};

// The export file of its kind with the fixed name (Addrion.txt, ...).
QString ExportFilePath(Kind kind);
void DeleteExportFile(Kind kind);
// A new empty export file of its kind in the temporary folder, named so that no other
// export (of this or another window or process) uses it; "" with error when none can
// be made. Each preview writes, shows, saves and removes its own.
QString NewExportFile(Kind kind, QString& error);

// Writes the chosen persons into the export file at path.
// Throws Engine::EngineError when the database cannot be read.
bool ExportText(const modExport::Selection& selection, WriteProgress* progress, QString& error,
                const QString& path = ExportFilePath(Kind::Text));
bool ExportHtml(const modExport::Selection& selection, WriteProgress* progress, QString& error,
                const QString& path = ExportFilePath(Kind::Html));
bool ExportVcard(const modExport::Selection& selection, WriteProgress* progress, QString& error,
                 const QString& path = ExportFilePath(Kind::Vcard));
// In UTF-8 with byte order mark, so spreadsheets read it right, in the layout given
// (Google or Outlook).
bool ExportCsv(const modExport::Selection& selection, modCsv::Layout layout, WriteProgress* progress, QString& error,
               const QString& path = ExportFilePath(Kind::Csv));

// Points the page at the style sheet now stored in Setting::ExportStyle.
bool RestyleExportFile(WriteProgress* progress, QString& error, const QString& page = ExportFilePath(Kind::Html));
// Writes the page to target with the style sheet it links inside it, so it stands alone
// and looks as the page did.
bool SaveHtmlWithStyle(const QString& target, WriteProgress* progress, QString& error,
                       const QString& page = ExportFilePath(Kind::Html));
// Writes a copy of the text (or vCard) export to target.
bool CopyExportFile(const QString& target, QString& error, Kind kind = Kind::Text, const QString& source = QString());

} // namespace modExportFiles
