// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "modPassword.h"

#include "database/Engine.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "database/modUpgrade.h"
#include "language/modLanguage.h"
#include "startup/modEnvironment.h"
#include "startup/modError.h"
#include "startup/modSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace modPassword {

namespace {

// Long enough for a big file on a slow disk; a cipher program that hangs is ended.
constexpr int ExportTimeoutMs = 10 * 60 * 1000;

// Marks the line of the script's output that tells the person count.
const char* const PersonsMark = "persons:";

// What the cipher program says when the password does not open the file.
const char* const WrongKeyText = "file is encrypted or is not a database";

QString MissingComponent()
{
    return QStringLiteral("The %1 program (Debian package %1)").arg(QString::fromLatin1(CipherProgramName));
}

QString ProgramNotFound()
{
    return QStringLiteral("The program %1 was not found.").arg(QString::fromLatin1(CipherProgramName));
}

// The statements fed to the cipher program, which has the protected file open: they
// export its content with the password into an unprotected database at target.
QString ExportScript(const QString& password, const QString& target)
{
    return QStringLiteral("PRAGMA key = '") + modSql::QuoteSql(password) +
           QStringLiteral("';\n"
                          "ATTACH DATABASE '") +
           modSql::QuoteSql(target) +
           QStringLiteral("' AS plaintext KEY '';\n"
                          "SELECT sqlcipher_export('plaintext');\n"
                          "DETACH DATABASE plaintext;\n"
                          "SELECT '") +
           QLatin1String(PersonsMark) + QStringLiteral("' || count(*) FROM Person;\n");
}

// The person count the script printed for the protected file, -1 when it printed none.
int PrintedPersons(const QByteArray& output)
{
    for (const QByteArray& line : output.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        bool ok = false;
        const int persons = trimmed.startsWith(PersonsMark) ? trimmed.mid(qstrlen(PersonsMark)).toInt(&ok) : -1;
        if (ok)
            return persons;
    }
    return -1;
}

// An empty file the cipher program writes into, private from the start: the copy holds
// the data unprotected.
bool CreatePrivateFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && modSafeFile::MakePrivate(path);
}

} // namespace

QString TemporaryPath(const QString& path)
{
    const QString folder = modEnvironment::TempFolder();
    const QString name = modEnvironment::FileNameOf(path);
    const QString temporary = folder + name;
    // Clearing the way for the copy must never delete the protected file itself.
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty() && QFileInfo(temporary).canonicalFilePath() == canonical)
        return folder + QStringLiteral("Unprotected_") + name;
    return temporary;
}

std::optional<RemovalError> RemoveProtection(const QString& path, const QString& password)
{
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(CipherProgramName));
    if (program.isEmpty())
        return RemovalError{ENOENT, ProgramNotFound(), true};
    const QString source = QFileInfo(path).absoluteFilePath();
    const QString temporary = TemporaryPath(source);
    if (QFileInfo::exists(temporary) && !QFile::remove(temporary))
        return RemovalError{EACCES, QStringLiteral("The old copy '%1' cannot be deleted.").arg(temporary)};
    if (!CreatePrivateFile(temporary))
        return RemovalError{EACCES, QStringLiteral("The copy '%1' cannot be created.").arg(temporary)};

    QProcess cipher;
    cipher.setProgram(program);
    // The password travels on the standard input, never on the command line where
    // other users could read it; no start-up file of the user's is read.
    cipher.setArguments(
        {QStringLiteral("-batch"), QStringLiteral("-bail"), QStringLiteral("-init"), QProcess::nullDevice(), source});
    cipher.start();
    if (!cipher.waitForStarted()) {
        QFile::remove(temporary);
        return RemovalError{ENOENT, cipher.errorString(), true};
    }
    cipher.write(ExportScript(password, temporary).toUtf8());
    cipher.closeWriteChannel();
    if (!cipher.waitForFinished(ExportTimeoutMs)) {
        cipher.kill();
        cipher.waitForFinished();
        QFile::remove(temporary);
        return RemovalError{
            ETIMEDOUT, QStringLiteral("The program %1 did not finish.").arg(QString::fromLatin1(CipherProgramName))};
    }
    if (cipher.exitStatus() != QProcess::NormalExit || cipher.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(cipher.readAllStandardError()).trimmed();
        QFile::remove(temporary);
        if (said.contains(QLatin1String(WrongKeyText)))
            return RemovalError{Engine::PasswordProtectedError, QStringLiteral("Not a valid password.")};
        return RemovalError{cipher.exitCode(), said.isEmpty() ? cipher.errorString() : said};
    }

    // Only a sound copy holding every person may take the file's place.
    const int persons = PrintedPersons(cipher.readAllStandardOutput());
    QString error =
        persons < 0
            ? QStringLiteral("The program %1 did not count the persons.").arg(QString::fromLatin1(CipherProgramName))
            : modUpgrade::CheckDatabaseCopy(temporary, persons);
    const bool replaced = error.isEmpty() && modUpgrade::SaveCopy(temporary, source, &error);
    // The copy holds the data unprotected: it does not stay behind.
    QFile::remove(temporary);
    if (!replaced)
        return RemovalError{EIO, error};
    return std::nullopt;
}

RemovalOutcome RemovePassword(const QString& path, const QString& password)
{
    modDatabase::CloseDatabase(false);
    const std::optional<RemovalError> error = RemoveProtection(path, password);
    if (!error)
        return {};
    if (error->missingProgram)
        return {Removal::ProgramMissing, modError::MdacError(error->number, error->description, MissingComponent())};
    const QString detail = QString::number(error->number) + QStringLiteral(": ") + error->description;
    modError::WriteLog(QStringLiteral("Error removing password: ") + detail);
    return {Removal::Failed, Failure{T("Error"), T("Error") + QLatin1Char(' ') + detail, error->number}};
}

std::optional<Failure> CipherProgramMissing()
{
    if (!QStandardPaths::findExecutable(QString::fromLatin1(CipherProgramName)).isEmpty())
        return std::nullopt;
    return modError::MdacError(ENOENT, ProgramNotFound(), MissingComponent());
}

} // namespace modPassword
