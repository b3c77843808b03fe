// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "database/modPersonDetail.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

class frmExportPreview;

// A person for a test database. Each number and e-mail address is "value|description",
// numbered in list order but stored last first.
struct SamplePerson
{
    SamplePerson(int contactnr, const QString& name, const QDate& born = {}, const QStringList& phones = {},
                 const QStringList& emails = {}, const QString& address = {}, const QString& note = {})
        : contactnr(contactnr), name(name), born(born), phones(phones), emails(emails), address(address), note(note)
    {
    }
    int contactnr = 0;
    QString name;
    QDate born;
    QStringList phones;
    QStringList emails;
    QString address;
    QString note;
};
// All of these work on the open database.
void addPersons(const QList<SamplePerson>& persons);
void runSql(const QString& statement);
int countSelected(const QString& select);
// "Order:value|description" of a person's rows in Phone or Email, in stored order; a
// description that is Null shows as "<Null>".
QStringList storedEntries(const QString& table, int contactnr);
// A column of a person; "<no person>" when there is none.
QVariant personField(int contactnr, const QString& column);

// The fields beyond the spec's tables as dumps show them: "" when there are none, else
// " # [--04-14 | organisation | title | photo 1234 bytes]".
QString detailsText(const std::optional<modPersonDetail::MonthDay>& birthday, const QString& organisation,
                    const QString& title, const QByteArray& photo);

// Every person of the open database with its lists, in name order, one line each:
// "Name # yyyy-mm-dd (or -) # Address # number (description) | ... # e-mail | ... # Note",
// followed by detailsText.
// Comparing two dumps tells whether anything of any person changed.
QStringList dumpPersons();
int countRows(const char* table);
// The vCard export of these persons of the open database, as the file it writes; the
// export's error instead when it fails.
QByteArray exportedVcards(const std::vector<qint16>& contactnrs);
// The values of the UID lines of a vCard file.
QStringList uidsOf(const QByteArray& cards);

// The start of a test on a new database file at path: no settings, no search, the
// program's resource folders from the source tree.
bool startWithNewDatabase(const QString& path);
// The end of such a test: export previews closed, the database closed.
void closePreviewsAndDatabase();
// The export preview of that name that is shown, if any.
frmExportPreview* shownPreview(const QString& name);
