#include "PersonDump.h"

#include "TestSupport.h"

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "export/frmExportPreview.h"
#include "search/modSearch.h"
#include "startup/modEnvironment.h"
#include "startup/modText.h"

#include <QDate>

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
                const QString description = modMain::TrimBlanks(list.Fields(1).toString());
                texts << modMain::TrimBlanks(list.Fields(0).toString()) +
                             (description.isEmpty() ? QString() : " (" + description + ")");
            }
            return texts.join(" | ");
        };
        const QVariant born = rows.Fields(2);
        persons << QStringList{modMain::TrimBlanks(rows.Fields(1).toString()),
                               born.isNull() ? "-" : born.toDate().toString(Qt::ISODate),
                               rows.Fields(3).toString(),
                               entries(
                                   "SELECT [Number], Description FROM Phone WHERE Contactnr = %1 ORDER BY [Order] "),
                               entries("SELECT Email, Description FROM Email WHERE Contactnr = %1 ORDER BY [Order] "),
                               rows.Fields(4).toString()}
                       .join(" # ");
    }
    return persons;
}

int countRows(const char* table)
{
    Engine::Recordset rows = modSql::OpenRecordset(QString("SELECT COUNT(*) FROM %1 ").arg(table));
    return rows.Fields(0).toInt();
}

bool startWithNewDatabase(const QString& path)
{
    TestSupport::clearSettings();
    modSearch::ClearSearch();
    modEnvironment::SetProgramFolder(TestSupport::sourceDir() + "/resources");
    return modDatabase::NewDatabase(path);
}

void closePreviewsAndDatabase()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmExportPreview*>(widget))
            widget->close();
    modDatabase::CloseDatabase(false);
}
