#pragma once

#include <QString>
#include <QStringList>

// Every person of the open database with its lists, in name order, one line each:
// "Name # yyyy-mm-dd (or -) # Address # number (description) | ... # e-mail | ... # Note".
// Comparing two dumps tells whether anything of any person changed.
QStringList dumpPersons();
// Rows in a table of the open database.
int countRows(const char* table);
