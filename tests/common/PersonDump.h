#pragma once

#include <QString>
#include <QStringList>

// Every person of the open database with its lists, in name order, one line each:
// "Name # yyyy-mm-dd (or -) # Address # number (description) | ... # e-mail | ... # Note".
// Comparing two dumps tells whether anything of any person changed.
QStringList dumpPersons();
// Rows in a table of the open database.
int countRows(const char* table);

// The start of a test on a new database file at path: no settings, no search, the
// program's resource folders from the source tree.
bool startWithNewDatabase(const QString& path);
// The end of such a test: export previews closed, the database closed.
void closePreviewsAndDatabase();
