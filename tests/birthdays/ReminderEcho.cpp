// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
// The program with one test seam: once the reminder's window shows, it prints the caption, a line
// per row (key, date, person, age, "red" for today's, "partly red" for a fault) and "window normal"
// or "window minimised", then closes as OK would. Resources are those of ADDRION_EXECUTABLE.

#include "../common/FixedToday.h"
#include "birthdays/frmReminder.h"
#include "birthdays/ReminderRun.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"
#include "app/Program.h"

#include <QFileInfo>
#include <QTreeWidget>

#include <cstdio>

namespace {

void EchoRowsAndClose(frmReminder& window)
{
    QString text = window.windowTitle() + QLatin1Char('\n');
    for (int i = 0; i < window.RowCount(); ++i) {
        const QTreeWidgetItem* item = window.lvwReminder->topLevelItem(i);
        int red = 0;
        for (int column : {frmReminder::DateColumn, frmReminder::PersonColumn, frmReminder::AgeColumn})
            red += item->foreground(column).color() == QColor(255, 0, 0);
        text += QStringList{item->data(frmReminder::DateColumn, frmReminder::KeyRole).toString(),
                            item->text(frmReminder::DateColumn), item->text(frmReminder::PersonColumn),
                            item->text(frmReminder::AgeColumn),
                            red == 3 ? QStringLiteral("red")
                            : red    ? QStringLiteral("partly red")
                                     : QString()}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    }
    text += (window.windowState() & Qt::WindowMinimized) ? QStringLiteral("window minimised\n")
                                                         : QStringLiteral("window normal\n");
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    window.close();
}

} // namespace

int main(int argc, char* argv[])
{
    // The test's today, so that the rows it expects do not move at midnight.
    Platform::SetToday(QDate::fromString(qEnvironmentVariable(TestSupport::TodayVariable), Qt::ISODate));
    modEnvironment::SetProgramFolder(
        modEnvironment::ProgramFolderOf(QFileInfo(qEnvironmentVariable("ADDRION_EXECUTABLE")).absolutePath()));
    ReminderRun::SetShownObserver(EchoRowsAndClose);
    return Program::Main(argc, argv);
}
