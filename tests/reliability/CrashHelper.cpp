// A second process for the crash-safety test: works on a database in an endless loop
// until the test kills it with SIGKILL. Every person it writes carries in its name how
// many phones and e-mail addresses belong to it and which save wrote them, so that the
// test can tell a half-written save from a whole one.
//
//     reliability_crashhelper save|remove|close <database>
//
//   save    adds persons and rewrites earlier ones (modContact::SaveNewPerson and
//           SaveExistingPerson on the database opened by modDatabase::OpenDatabase)
//   remove  removes persons with their phones and addresses, one transaction each, and
//           adds them again
//   close   opens the database, saves a person and closes it with compaction, again
//           and again
//
// Prints "step <n>" after every finished step; a message the program would show goes
// to stderr and ends the helper with 2.

#include "database/modDatabase.h"
#include "database/modSql.h"
#include "editor/modContact.h"
#include "startup/Platform.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

// Shows nothing: whatever the program would tell the user ends the helper, so that the
// test sees it.
class StderrPlatform : public Platform::Interface
{
public:
    Platform::Answer message(const QString& title, const QString& text, Platform::Icon, Platform::Buttons) override
    {
        QTextStream(stderr) << "message: " << title << ": " << text << "\n";
        std::exit(2);
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }
    QString directory(const QString&, const QString&) override { return {}; }
    bool openUrl(const QUrl&) override { return false; }
    bool startDetached(const QString&, const QStringList&, Platform::Show) override { return false; }
    void playSound(const QString&) override {}
    Platform::MailResult sendMail(const Platform::Mail&) override { return {}; }
    int countPrinters() override { return 0; }
};

// Person "Crash <generation> phones <p> emails <e>", its phones and addresses all
// tagged with the generation.
modContact::Contact MakeContact(int generation)
{
    const int phones = generation % 5;
    const int emails = (generation / 5) % 4;
    modContact::Contact contact;
    contact.name = QStringLiteral("Crash %1 phones %2 emails %3").arg(generation).arg(phones).arg(emails);
    contact.address = QStringLiteral("Street %1").arg(generation);
    contact.note = QString(2000 + generation % 700, QLatin1Char('n'));
    for (int order = 1; order <= phones; ++order)
        contact.phones.push_back(
            modContact::TypedEntry(QStringLiteral("g%1-%2").arg(generation).arg(order), QStringLiteral("Line")));
    for (int order = 1; order <= emails; ++order)
        contact.emails.push_back(modContact::Entry{QStringLiteral("g%1-%2@example.org").arg(generation).arg(order),
                                                   QStringLiteral("g%1-%2@example.org").arg(generation).arg(order)});
    return contact;
}

void Step(int step)
{
    std::printf("step %d\n", step);
    std::fflush(stdout);
}

void RemovePerson(qint16 contactnr)
{
    // The main window's Remove command: the person with all their numbers and
    // addresses, or nothing.
    const QString number = QString::number(contactnr);
    Engine::Connection::Transaction transaction(modDatabase::DatabaseConnection());
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Phone ") + QStringLiteral("WHERE Contactnr = ") + number);
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Email ") + QStringLiteral("WHERE Contactnr = ") + number);
    modSql::ExecuteSql(QStringLiteral("DELETE FROM Person ") + QStringLiteral("WHERE Contactnr = ") + number);
    transaction.Commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    StderrPlatform platform;
    Platform::install(&platform);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        QTextStream(stderr) << "usage: reliability_crashhelper save|remove|close <database>\n";
        return 1;
    }
    const QString mode = arguments.at(1);
    const QString database = arguments.at(2);
    try {
        if (mode == QLatin1String("close")) {
            for (int generation = 1;; ++generation) {
                if (!modDatabase::OpenDatabase(database))
                    return 2;
                modContact::SaveNewPerson(MakeContact(generation));
                modDatabase::CloseDatabase(true);
                Step(generation);
            }
        }
        if (!modDatabase::OpenDatabase(database))
            return 2;
        if (mode == QLatin1String("save")) {
            for (int generation = 1;; ++generation) {
                // Every third step rewrites one of the first two persons under a new generation.
                if (generation % 3 == 0)
                    modContact::SaveExistingPerson(static_cast<qint16>(1 + generation % 2), MakeContact(generation));
                else if (!modContact::SaveNewPerson(MakeContact(generation)))
                    return 2;
                Step(generation);
            }
        }
        if (mode == QLatin1String("remove")) {
            for (int generation = 1;; ++generation) {
                const qint16 contactnr = static_cast<qint16>(1 + generation % 10);
                RemovePerson(contactnr);
                modContact::SaveNewPerson(MakeContact(generation));
                Step(generation);
            }
        }
    } catch (const Engine::EngineError& error) {
        QTextStream(stderr) << "engine error " << error.number() << ": " << error.description() << "\n";
        return 2;
    }
    QTextStream(stderr) << "unknown mode " << mode << "\n";
    return 1;
}
