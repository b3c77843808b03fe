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

QString ExportFilePath(Kind kind);
void DeleteExportFile(Kind kind);

// Writes the chosen persons into the export file of its kind.
// Throws Engine::EngineError when the database cannot be read.
bool ExportText(const modExport::Selection& selection, WriteProgress* progress, QString& error);
bool ExportHtml(const modExport::Selection& selection, WriteProgress* progress, QString& error);
bool ExportVcard(const modExport::Selection& selection, WriteProgress* progress, QString& error);
// In UTF-8 with byte order mark, so spreadsheets read it right, in the layout given
// (Google or Outlook).
bool ExportCsv(const modExport::Selection& selection, modCsv::Layout layout, WriteProgress* progress, QString& error);

// Points the page at the style sheet now stored in "Css".
bool RestyleExportFile(WriteProgress* progress, QString& error);
// Writes the page to target with the style sheet inside it, so it stands alone.
bool SaveHtmlWithStyle(const QString& target, WriteProgress* progress, QString& error);
// Writes a copy of the text (or vCard) export to target.
bool CopyExportFile(const QString& target, QString& error, Kind kind = Kind::Text);

} // namespace modExportFiles
