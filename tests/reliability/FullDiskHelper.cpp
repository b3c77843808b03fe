// A second process for the full-disk test: no file it writes may grow beyond <limit>
// bytes (RLIMIT_FSIZE with SIGXFSZ ignored), so that a write past the limit fails or
// comes back short, as on a full disk, without needing root for a small file system.
// Programs it starts get the limit too. It runs one save of the program and prints
// "result 1" or "result 0", then every message the user would have been shown.
//
//     reliability_fulldiskhelper <limit> password <database> <password>
//     reliability_fulldiskhelper <limit> upgrade <database>
//     reliability_fulldiskhelper <limit> export-text|export-vcard <target>
//     reliability_fulldiskhelper <limit> copy <database> <target>
//     reliability_fulldiskhelper <limit> calendar <folder>

#include "ScriptedPlatform.h"

#include "birthdays/modCalendar.h"
#include "database/modDatabase.h"
#include "database/modPassword.h"
#include "database/modUpgrade.h"
#include "export/modExportFiles.h"

#include <QApplication>
#include <QTextStream>

#include <csignal>
#include <sys/resource.h>

namespace {

bool Run(const QStringList& arguments, QString& error)
{
    const QString operation = arguments.value(0);
    if (operation == QLatin1String("password"))
        return modPassword::RemovePassword(arguments.value(1), arguments.value(2)) == modPassword::Removal::Done;
    if (operation == QLatin1String("upgrade")) {
        modUpgrade::InstallUpgradeHandler();
        return modDatabase::OpenDatabase(arguments.value(1));
    }
    if (operation.startsWith(QLatin1String("export-")))
        return modExportFiles::CopyExportFile(arguments.value(1), error,
                                              operation.endsWith(QLatin1String("vcard")) ? modExportFiles::Kind::Vcard
                                                                                         : modExportFiles::Kind::Text);
    if (operation == QLatin1String("copy"))
        return modDatabase::OpenDatabase(arguments.value(1)) && modDatabase::CopyDatabase(arguments.value(2));
    if (operation == QLatin1String("calendar")) {
        modCalendar::MonthSelection months{};
        for (auto& year : months)
            year.fill(true);
        error = modCalendar::SaveCalendar(
            arguments.value(1), months, [](const QString&) { return true; }, nullptr);
        return error.isEmpty();
    }
    error = QStringLiteral("unknown operation ") + operation;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const rlim_t limit = arguments.takeFirst().toULongLong();
    // Only the soft limit: a stand-in may lift it for a program it starts.
    const rlimit fileSize{limit, RLIM_INFINITY};
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
        return 3;

    ScriptedPlatform platform;
    for (int i = 0; i < 4; ++i)
        platform.expectMessage(Platform::Answer::Ok);
    QString error;
    const bool succeeded = Run(arguments, error);
    QTextStream out(stdout);
    out << "result " << (succeeded ? 1 : 0) << "\n";
    if (!error.isEmpty())
        out << "error: " << error << "\n";
    for (const ScriptedPlatform::Call& message : platform.messages())
        out << "message: " << message.text << "\n";
    return 0;
}
