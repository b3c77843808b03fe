// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modExportFiles.h"

#include "birthdays/LineWriter.h"
#include "database/modDatabase.h"
#include "database/modPersonUid.h"
#include "interchange/modMerge.h"
#include "interchange/modVcard.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modSafeFile.h"
#include "startup/modSettings.h"
#include "sync/modSyncCard.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>

#include <algorithm>

namespace modExportFiles {

namespace {

QString DateFormat()
{
    return modSettings::Get(Setting::DateFormat);
}

bool Fail(const LineWriter& writer, QString& error)
{
    error = writer.ErrorString();
    return false;
}

modExport::ExportedPerson WithIdentity(modExport::ExportedPerson person, const modPersonUid::Identity& identity)
{
    person.uid = identity.uid;
    person.revision = identity.revision;
    return person;
}

// A person's card: the card it came from with what was edited here written into it, when
// every detail is exported and it has one; else the card made from the person alone.
void WriteVcard(const modExport::ExportedPerson& person, const modExport::Details& details,
                const modVcard::Limits& limits, const modExport::LineSink& sink)
{
    const bool everything = details.name && details.dateofbirth && details.address && details.phone &&
                            details.phoneDescription && details.email && details.emailDescription && details.note &&
                            details.organisation;
    if (person.card.isEmpty() || !everything) {
        modVcard::WriteCard(person, details, sink);
        return;
    }
    QByteArray ours;
    modVcard::WriteCard(person, details, [&ours](const QString& line) { ours += line.toUtf8() + "\r\n"; });
    const QByteArray card = modSyncCard::Updated(person.card, modVcard::FromExported(person), ours, limits);
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = QString::fromUtf8(card).split(lineEnd);
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    // A card of a file without a UID goes out with the one the person was given.
    const bool hasUid = std::any_of(lines.cbegin(), lines.cend(), [](const QString& line) {
        return line.startsWith(QLatin1String("UID:"), Qt::CaseInsensitive) ||
               line.startsWith(QLatin1String("UID;"), Qt::CaseInsensitive);
    });
    if (!hasUid && !person.uid.isEmpty() && lines.size() > 1)
        lines.insert(2, QStringLiteral("UID:") + modVcard::Escape(person.uid));
    for (const QString& line : lines)
        sink(line);
}

enum class Format
{
    Text,
    Html,
    Vcard,
};

// Writes the persons through the writer, one block each, with the progress shown.
bool WritePersons(LineWriter& writer, const modExport::Selection& selection, WriteProgress* progress, Format format)
{
    const modLanguage::Snapshot language;
    std::unique_ptr<ProgressScope> scope;
    const modExport::LineSink sink = [&writer](const QString& line) { writer.WriteLine(line); };
    const QString dateFormat = DateFormat();
    QHash<qint16, modPersonUid::Identity> identities;
    modExport::Selection reading = selection;
    if (format == Format::Vcard) {
        identities = modPersonUid::Identities(modDatabase::DatabaseConnection());
        reading.photos = true;
        reading.cards = true;
    }
    const modVcard::Limits limits = format == Format::Vcard ? modMerge::CurrentLimits() : modVcard::Limits();
    modExport::ForEachPerson(
        reading, [&](int total) { scope = std::make_unique<ProgressScope>(progress, total); },
        [&](const modExport::ExportedPerson& person) {
            if (format == Format::Html)
                modExport::WriteHtmlPerson(person, selection.details, dateFormat, sink);
            else if (format == Format::Vcard)
                WriteVcard(WithIdentity(person, identities.value(person.contactnr)), selection.details, limits, sink);
            else
                modExport::WriteTextBlock(person, selection.details, dateFormat, sink);
            scope->Step();
        });
    return true;
}

// The lines of a UTF-8 text file, whether its lines end in CR LF or LF.
bool ReadLines(const QString& path, QStringList& lines, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    lines = text.split(QLatin1Char('\n'));
    return true;
}

// The style sheet the page's link line names, "" when it has none.
QString LinkedStyleFile(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!modExport::IsStyleLinkLine(line))
            continue;
        const int start = line.indexOf(QLatin1String("href=\"")) + 6;
        const int end = start < 6 ? -1 : line.indexOf(QLatin1Char('"'), start);
        if (end < 0)
            return QString();
        QString href = line.mid(start, end - start);
        href.replace(QLatin1String("&amp;"), QLatin1String("&"));
        return QUrl(href).toLocalFile();
    }
    return QString();
}

QString Suffix(Kind kind)
{
    switch (kind) {
    case Kind::Text:
        break;
    case Kind::Html:
        return QStringLiteral(".htm");
    case Kind::Vcard:
        return QStringLiteral(".vcf");
    case Kind::Csv:
        return QStringLiteral(".csv");
    }
    return QStringLiteral(".txt");
}

} // namespace

QString ExportFilePath(Kind kind)
{
    return modEnvironment::TempFolder() + QStringLiteral("Addrion") + Suffix(kind);
}

QString NewExportFile(Kind kind, QString& error)
{
    QTemporaryFile file(modEnvironment::TempFolder() + QStringLiteral("Addrion-XXXXXX") + Suffix(kind));
    file.setAutoRemove(false);
    if (!file.open()) {
        error = file.fileTemplate() + QStringLiteral(": ") + file.errorString();
        return QString();
    }
    return file.fileName();
}

void DeleteExportFile(Kind kind)
{
    QFile::remove(ExportFilePath(kind));
}

bool ExportText(const modExport::Selection& selection, WriteProgress* progress, QString& error, const QString& path)
{
    LineWriter writer;
    if (!writer.Start(path))
        return Fail(writer, error);
    WritePersons(writer, selection, progress, Format::Text);
    return writer.Finish() || Fail(writer, error);
}

bool ExportHtml(const modExport::Selection& selection, WriteProgress* progress, QString& error, const QString& path)
{
    LineWriter writer;
    if (!writer.Start(path))
        return Fail(writer, error);
    const modExport::LineSink sink = [&writer](const QString& line) { writer.WriteLine(line); };
    modExport::WriteHtmlHeader(modExport::CurrentStyleFile(), sink);
    WritePersons(writer, selection, progress, Format::Html);
    modExport::WriteHtmlFooter(sink);
    return writer.Finish() || Fail(writer, error);
}

bool ExportVcard(const modExport::Selection& selection, WriteProgress* progress, QString& error, const QString& path)
{
    LineWriter writer;
    if (!writer.Start(path))
        return Fail(writer, error);
    WritePersons(writer, selection, progress, Format::Vcard);
    return writer.Finish() || Fail(writer, error);
}

bool ExportCsv(const modExport::Selection& selection, modCsv::Layout layout, WriteProgress* progress, QString& error,
               const QString& path)
{
    const modLanguage::Snapshot language;
    // The columns depend on every person's numbers and addresses, which are read before
    // the persons; the records are then written as the persons are read.
    LineWriter writer;
    if (!writer.Start(path))
        return Fail(writer, error);
    modCsv::RecordWriter records(selection.details, layout);
    std::unique_ptr<ProgressScope> scope;
    modExport::ForEachPerson(
        selection,
        [&](int total) {
            scope = std::make_unique<ProgressScope>(progress, total);
            writer.WriteLine(QChar(0xFEFF) + modCsv::RecordText(records.Header()));
        },
        [&](const modExport::ExportedPerson& person) {
            writer.WriteLine(modCsv::RecordText(records.Fields(person)));
            scope->Step();
        },
        [&](const modExport::EntryTable& phones, const modExport::EntryTable& emails) {
            phones.forEachList([&](const std::vector<modExport::Entry>& entries) { records.WidenPhones(entries); });
            emails.forEachList([&](const std::vector<modExport::Entry>& entries) { records.WidenEmails(entries); });
        });
    return writer.Finish() || Fail(writer, error);
}

bool RestyleExportFile(WriteProgress* progress, QString& error, const QString& page)
{
    QStringList lines;
    if (!ReadLines(page, lines, error))
        return false;
    const QString link = modExport::StyleLinkLine(modExport::CurrentStyleFile());
    ProgressScope scope(progress, static_cast<int>(lines.size()));
    LineWriter writer;
    if (!writer.Start(page))
        return Fail(writer, error);
    for (const QString& line : lines) {
        writer.WriteLine(modExport::IsStyleLinkLine(line) ? link : line);
        scope.Step();
    }
    return writer.Finish() || Fail(writer, error);
}

bool SaveHtmlWithStyle(const QString& target, WriteProgress* progress, QString& error, const QString& page)
{
    QStringList lines;
    QStringList css;
    // The sheet the page itself links, which is what its viewer shows; another window
    // may have chosen a different style since.
    if (!ReadLines(page, lines, error) || !ReadLines(LinkedStyleFile(lines), css, error))
        return false;
    ProgressScope scope(progress, static_cast<int>(lines.size()));
    LineWriter writer;
    if (!writer.Start(target))
        return Fail(writer, error);
    for (const QString& line : lines) {
        if (modExport::IsStyleLinkLine(line)) {
            for (const QString& style : modExport::InlineStyleLines(css))
                writer.WriteLine(style);
        } else {
            writer.WriteLine(line);
        }
        scope.Step();
    }
    return writer.Finish() || Fail(writer, error);
}

bool CopyExportFile(const QString& target, QString& error, Kind kind, const QString& sourcePath)
{
    return modSafeFile::CopyFile(sourcePath.isEmpty() ? ExportFilePath(kind) : sourcePath, target, &error);
}

} // namespace modExportFiles
