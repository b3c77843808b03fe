// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

#include <QLocale>
#include <QString>
#include <QUrl>

#include <functional>

// What the program needs from its surroundings: the user, the locale, folders, and a
// few text functions for paths and numbers. Paths use "/" throughout.
namespace modEnvironment {

// A question put to the user in the middle of an operation: true for yes. The windows
// pass the one that asks; core functions only put it.
using YesNoQuestion = std::function<bool(const QString& title, const QString& question)>;

QString UserName();
// A Windows-style locale identifier of the user's locale (1033 when unknown); new
// databases record it.
qint32 UserLocaleId();
// The three-letter language abbreviation of the user's locale ("DEU", "PTB", ...).
QString UserLanguageAbbreviation();
// The same two for any locale, for tests and for the language choice.
qint32 LocaleIdOf(const QLocale& locale);
QString LanguageAbbreviationOf(const QLocale& locale);

// The user's documents folder, ending in "/".
QString PersonalFolder();
// Turns a folder into the form PersonalFolder returns: ending in "/", "/" when empty.
QString WithTrailingSlash(const QString& folder);

QString DatabaseDirectory();
void SaveDatabaseDirectory(const QString& filePath);
QString ExportDirectory();
void SaveExportDirectory(const QString& filePath);

// A path as it names a file from any working folder: relative paths are taken from the
// current one, "." and ".." are resolved; "" stays "". Every path that is stored in the
// settings goes through it, because the next start may be made from another folder.
QString AbsolutePath(const QString& path);
// True for an existing file (not a folder).
bool FileExists(const QString& path);
// Whether a file may be written at the path: there is none, or the user agrees to replace it.
bool MayReplace(const QString& path, const YesNoQuestion& ask);
// The part after the last "/", the whole text when there is none.
QString FileNameOf(const QString& path);
// The part before the last ".", the whole text when there is none.
QString StripExtension(const QString& path);
// The folder part of a path, up to and including its last "/"; "" when there is none.
QString FolderOf(const QString& path);
QString DigitsOnly(const QString& text);
// For display = head + " (" + x + ")" gives x; "" when display is not longer than head.
QString TextInBrackets(const QString& display, const QString& head);

// Opens a web address, "mailto:" address or file with the user's associated program.
void OpenWithShell(const QString& target);
// The mailto: address for an e-mail address, or several joined by separators, as the
// list holds it: every character is carried (a blank as %20), nothing is read as a
// file name; "" gives a mail without an address. Empty when the text cannot be carried
// by a URL.
QUrl MailtoUrl(const QString& addresses);
// Opens MailtoUrl(addresses) with the mail program; ended with the reason when the
// text is no address that can be carried.
Outcome OpenMailto(const QString& addresses);
int CountPrinters();

// The folder that holds Language/, Calendar/, Css/ and Sound/, ending in "/".
QString ProgramFolder();
// The program folder of the executable in executableFolder (the build tree, or an
// installed <prefix>/bin).
QString ProgramFolderOf(const QString& executableFolder);
// True when the executable in executableFolder is an installed one: its resources are in
// <prefix>/share/addrion, not beside it.
bool IsInstalledLayout(const QString& executableFolder);
// True when this process runs as an installed program (and no folder was set by SetProgramFolder):
// it then writes nothing into the program folder, which belongs to the package manager.
bool RunsInstalled();
// Points the program folder elsewhere (tests, and runs from unusual places).
void SetProgramFolder(const QString& folder);

// The private folder for generated files, ending in "/": $TEMP when set, otherwise a
// folder of this user's own (mode 0700) inside the system's temporary folder.
QString TempFolder();
// The private folder (mode 0700) for what the program keeps only to be faster next time,
// ending in "/": Addrion in the user's cache folder. Empty when it cannot be made.
QString CacheFolder();

} // namespace modEnvironment
