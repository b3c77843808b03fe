// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "PersonDump.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/frmExportPreview.h"
#include "export/modExportFiles.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"
#include "startup/modText.h"
#include "widgets/FailureDialog.h"

#include <QDate>

QString detailsText(const std::optional<modPersonDetail::MonthDay>& birthday, const QString& organisation,
                    const QString& title, const QByteArray& photo)
{
    if (!birthday && organisation.isEmpty() && title.isEmpty() && photo.isEmpty())
        return QString();
    return " # [" +
           QStringList{birthday ? birthday->Stored() : "-", organisation, title,
                       photo.isEmpty() ? "-" : QString("photo %1 bytes").arg(photo.size())}
               .join(" | ") +
           "]";
}

QStringList dumpPersons()
{
    QStringList persons;
    Engine::Recordset rows = modSql::OpenRecordset(
        "SELECT Contactnr, Name, Dateofbirth, Address, [Note] FROM Person ORDER BY Name, Contactnr ");
    for (; !rows.Eof(); rows.MoveNext()) {
        const QString number = rows.Fields(0).toString();
        auto entries = [&number](const QString& query) {
            QStringList texts;
            Engine::Recordset list = modSql::OpenRecordset(query.arg(number));
            for (; !list.Eof(); list.MoveNext()) {
                const QString description = modText::TrimBlanks(list.Fields(1).toString());
                texts << modText::TrimBlanks(list.Fields(0).toString()) +
                             (description.isEmpty() ? QString() : " (" + description + ")");
            }
            return texts.join(" | ");
        };
        const QVariant born = rows.Fields(2);
        persons << QStringList{modText::TrimBlanks(rows.Fields(1).toString()),
                               born.isNull() ? "-" : born.toDate().toString(Qt::ISODate),
                               rows.Fields(3).toString(),
                               entries(
                                   "SELECT [Number], Description FROM Phone WHERE Contactnr = %1 ORDER BY [Order] "),
                               entries("SELECT Email, Description FROM Email WHERE Contactnr = %1 ORDER BY [Order] "),
                               rows.Fields(4).toString()}
                       .join(" # ");
        const modPersonDetail::Detail detail =
            modPersonDetail::Read(modDatabase::DatabaseConnection(), static_cast<qint16>(rows.Fields(0).toInt()));
        persons.last() += detailsText(detail.birthday, detail.organisation, detail.title, detail.photo);
        if (!detail.groups.isEmpty())
            persons.last() += " # groups: " + detail.groups.join(" | ");
    }
    return persons;
}

void runSql(const QString& statement)
{
    modSql::ExecuteSql(statement);
}

void addPersons(const QList<SamplePerson>& persons)
{
    auto quoted = [](const QString& text) { return "'" + modSql::QuoteSql(text) + "'"; };
    // A null text is stored as NULL, an empty one as ''.
    auto nullable = [&quoted](const QString& text) { return text.isNull() ? QString("NULL") : quoted(text); };
    for (const SamplePerson& person : persons) {
        const QString born = person.born.isValid() ? person.born.toString("#M/d/yyyy#") : QString("NULL");
        runSql(QString("INSERT INTO Person (Contactnr, Name, Dateofbirth, Address, [Note]) VALUES (%1, %2, %3, %4, %5)")
                   .arg(person.contactnr)
                   .arg(quoted(person.name), born, nullable(person.address), nullable(person.note)));
        auto addEntries = [&](const QString& table, const QString& column, const QStringList& entries) {
            // Last first, so that whatever lists them has to follow [Order].
            for (int i = entries.size() - 1; i >= 0; --i)
                runSql(QString("INSERT INTO %1 (Contactnr, [Order], %2, Description) VALUES (%3, %4, %5, %6)")
                           .arg(table, column)
                           .arg(person.contactnr)
                           .arg(i + 1)
                           .arg(quoted(entries.at(i).section('|', 0, 0)), quoted(entries.at(i).section('|', 1))));
        };
        addEntries("Phone", "[Number]", person.phones);
        addEntries("Email", "Email", person.emails);
    }
}

int countSelected(const QString& select)
{
    return modSql::OpenRecordset(select).RecordCount();
}

QStringList storedEntries(const QString& table, int contactnr)
{
    const QString value = table == "Phone" ? "Number" : "Email";
    Engine::Recordset rows = modSql::OpenRecordset(
        QString("SELECT * FROM %1 WHERE Contactnr = %2 ORDER BY [Order]").arg(table).arg(contactnr));
    QStringList result;
    for (; !rows.Eof(); rows.MoveNext()) {
        const QVariant description = rows.Fields("Description");
        result << QString("%1:%2|%3")
                      .arg(rows.Fields("Order").toInt())
                      .arg(rows.Fields(value).toString(), description.isNull() ? "<Null>" : description.toString());
    }
    return result;
}

QVariant personField(int contactnr, const QString& column)
{
    Engine::Recordset rows = modSql::OpenRecordset(QString("SELECT * FROM Person WHERE Contactnr = %1").arg(contactnr));
    return rows.Eof() ? QVariant(QStringLiteral("<no person>")) : rows.Fields(column);
}

int countRows(const char* table)
{
    return modSql::OpenRecordset(QString("SELECT COUNT(*) FROM %1 ").arg(table)).Fields(0).toInt();
}

QByteArray exportedVcards(const std::vector<qint16>& contactnrs)
{
    QString error;
    if (!modExportFiles::ExportVcard(modExport::Selection{contactnrs, {}}, nullptr, error))
        return "export failed: " + error.toUtf8();
    return TestSupport::readFile(modExportFiles::ExportFilePath(modExportFiles::Kind::Vcard));
}

QStringList uidsOf(const QByteArray& cards)
{
    QStringList uids;
    for (const QByteArray& line : cards.split('\n'))
        if (line.startsWith("UID:"))
            uids << QString::fromUtf8(line.mid(4).trimmed());
    return uids;
}

bool startWithNewDatabase(const QString& path)
{
    TestSupport::clearSettings();
    modSearch::ClearSearch();
    modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
    return ShowOutcome(modDatabase::NewDatabase(path));
}

void closePreviewsAndDatabase()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmExportPreview*>(widget))
            widget->close();
    modDatabase::CloseDatabase(false);
}

frmExportPreview* shownPreview(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == name && widget->isVisible())
            return qobject_cast<frmExportPreview*>(widget);
    return nullptr;
}
