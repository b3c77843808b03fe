// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// A second process for the reliability tests. "reliability_helper save|remove|close|import <database>"
// saves, removes, saves and closes with compaction, or imports files of cards until the test kills it, printing
// "step <n>" after each step; each person's name tells its phones, e-mail addresses and the
// save that wrote them, so that a half-written save shows. A message ends it with 2.
// "reliability_helper <limit> password|upgrade|export-text|export-vcard|copy|calendar ..."
// runs one save where no file may grow beyond <limit> bytes (RLIMIT_FSIZE, SIGXFSZ ignored)
// and prints "result 1" or "result 0", then every message the user would see.

#include "FixedToday.h"
#include "ScriptedPlatform.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modSql.h"
#include "database/modUpgrade.h"
#include "editor/modContact.h"
#include "export/modExportFiles.h"
#include "interchange/modVcardImport.h"
#include "startup/modEnvironment.h"
#include "widgets/FailureDialog.h"

#include <QApplication>
#include <QBuffer>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

// Whatever the program would tell the user ends the crash helper, so that the test sees it.
class StderrPlatform : public ScriptedPlatform
{
public:
    Platform::Answer message(const QString& title, const QString& text, Platform::Icon, Platform::Buttons) override
    {
        QTextStream(stderr) << "message: " << title << ": " << text << "\n";
        std::exit(2);
    }
};

// "Crash <generation> phones <p> emails <e>", its phones and addresses tagged with the generation.
modContact::Contact MakeContact(int generation)
{
    const int phones = generation % 5;
    const int emails = (generation / 5) % 4;
    modContact::Contact contact{QString("Crash %1 phones %2 emails %3").arg(generation).arg(phones).arg(emails),
                                "",
                                QString("Street %1").arg(generation),
                                QString(2000 + generation % 700, 'n'),
                                {},
                                {},
                                {},
                                {},
                                {},
                                {}};
    for (int order = 1; order <= phones; ++order)
        contact.phones.push_back(modContact::TypedEntry(QString("g%1-%2").arg(generation).arg(order), "Line"));
    for (int order = 1; order <= emails; ++order) {
        const QString email = QString("g%1-%2@example.org").arg(generation).arg(order);
        contact.emails.push_back(modContact::Entry{email, email});
    }
    return contact;
}

// The person of MakeContact as a card; every other card brings a UID, the others get one.
QByteArray MakeCard(int generation)
{
    const modContact::Contact contact = MakeContact(generation);
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:" + contact.name.toUtf8() + "\r\n";
    if (generation % 2 == 0)
        card += "UID:crash-" + QByteArray::number(generation) + "\r\n";
    for (const modContact::Entry& phone : contact.phones)
        card += "TEL:" + phone.tag.toUtf8() + "\r\n";
    for (const modContact::Entry& email : contact.emails)
        card += "EMAIL:" + email.tag.toUtf8() + "\r\n";
    return card + "NOTE:" + contact.note.toUtf8() + "\r\nEND:VCARD\r\n";
}

// The crash modes never end by themselves.
constexpr int CardsPerImport = 10;
int Crash(const QString& mode, const QString& database)
{
    StderrPlatform platform;
    if (mode != "close" && !ShowOutcome(modDatabase::OpenDatabase(database)))
        return 2;
    for (int generation = 1;; ++generation) {
        if (mode == "close") {
            if (!ShowOutcome(modDatabase::OpenDatabase(database)))
                return 2;
            modContact::SaveNewPerson(MakeContact(generation));
            modDatabase::CloseDatabase(true);
        } else if (mode == "save") {
            // Every third step rewrites one of the first two persons under a new generation.
            if (generation % 3 == 0)
                modContact::SaveExistingPerson(qint16(1 + generation % 2), MakeContact(generation));
            else if (!modContact::SaveNewPerson(MakeContact(generation)))
                return 2;
        } else if (mode == "remove") {
            // The main window's Remove: the person with all numbers and addresses, or nothing.
            const QString where = QString(" WHERE Contactnr = %1").arg(1 + generation % 10);
            Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
            for (const char* table : {"Phone", "Email", "Person"})
                modSql::ExecuteSql(QString("DELETE FROM ") + table + where);
            transaction.Commit();
            modContact::SaveNewPerson(MakeContact(generation));
        } else if (mode == "import") {
            // Every import adds CardsPerImport persons, all or none; an earlier run's persons
            // are left alone (a card of the same name would merge into them).
            static const int earlier =
                modSql::OpenRecordset("SELECT COUNT(1) FROM Person").Fields(0).toInt() / CardsPerImport;
            QByteArray cards;
            for (int card = 0; card < CardsPerImport; ++card)
                cards += MakeCard((earlier + generation) * CardsPerImport + card);
            QBuffer file(&cards);
            file.open(QIODevice::ReadOnly);
            if (modVcardImport::ImportCards(file).added != CardsPerImport)
                return 2;
        } else {
            return 1;
        }
        std::printf("step %d\n", generation);
        std::fflush(stdout);
    }
}

bool SaveOnFullDisk(const QStringList& arguments, QString& error)
{
    const QString operation = arguments.value(0);
    if (operation == "password") {
        const modPassword::RemovalOutcome removal = modPassword::RemovePassword(arguments.value(1), arguments.value(2));
        if (removal.failure)
            ShowFailure(*removal.failure);
        return removal.removal == modPassword::Removal::Done;
    }
    if (operation == "upgrade") {
        modUpgrade::InstallUpgradeHandler();
        return ShowOutcome(modDatabase::OpenDatabase(arguments.value(1)));
    }
    if (operation.startsWith("export-"))
        return modExportFiles::CopyExportFile(arguments.value(1), error,
                                              operation.endsWith("vcard") ? modExportFiles::Kind::Vcard
                                                                          : modExportFiles::Kind::Text);
    if (operation == "copy")
        return ShowOutcome(modDatabase::OpenDatabase(arguments.value(1))) &&
               ShowOutcome(modDatabase::CopyDatabase(arguments.value(2)));
    modCalendar::MonthSelection months{};
    for (auto& year : months)
        year.fill(true);
    error = modCalendar::SaveCalendar(
        arguments.value(1), months, [](const QString&) { return true; }, nullptr);
    return error.isEmpty();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // What it logs goes to the test's private folder, not beside this program in the build tree.
    modEnvironment::SetProgramFolder(qEnvironmentVariable(TestSupport::ProgramFolderVariable));
    // It tells what the program would tell.
    InstallFailureDialogs();
    QStringList arguments = QCoreApplication::arguments().mid(1);
    try {
        if (arguments.size() == 2)
            return Crash(arguments.at(0), arguments.at(1));
    } catch (const Engine::EngineError& error) {
        QTextStream(stderr) << "engine error " << error.number() << ": " << error.description() << "\n";
        return 2;
    }
    // Only the soft limit: a stand-in may lift it for a program it starts.
    const rlimit fileSize{arguments.takeFirst().toULongLong(), RLIM_INFINITY};
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
        return 3;
    ScriptedPlatform platform;
    for (int i = 0; i < 4; ++i)
        platform.expectMessage(Platform::Answer::Ok);
    QString error;
    const bool succeeded = SaveOnFullDisk(arguments, error);
    QTextStream out(stdout);
    out << "result " << (succeeded ? 1 : 0) << "\n";
    if (!error.isEmpty())
        out << "error: " << error << "\n";
    for (const ScriptedPlatform::Call& message : platform.messages())
        out << "message: " << message.text << "\n";
    return 0;
}
