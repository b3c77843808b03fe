#include "modReminderRun.h"

#include "birthdays/frmReminder.h"
#include "birthdays/modReminder.h"
#include "database/modDatabase.h"
#include "database/modSql.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace modReminder {

namespace {

void EchoRowsAndClose(frmReminder& window)
{
    if (!window.isVisible())
        return;
    QString text = window.windowTitle() + QLatin1Char('\n');
    for (int i = 0; i < window.RowCount(); ++i) {
        const QTreeWidgetItem* item = window.lvwReminder->topLevelItem(i);
        const bool red = item->foreground(frmReminder::DateColumn).color() == QColor(255, 0, 0);
        text += QStringList{item->data(frmReminder::DateColumn, frmReminder::KeyRole).toString(),
                            item->text(frmReminder::DateColumn), item->text(frmReminder::PersonColumn),
                            item->text(frmReminder::AgeColumn), red ? QStringLiteral("red") : QString()}
                    .join(QLatin1Char('\t')) +
                QLatin1Char('\n');
    }
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    window.close();
}

} // namespace

std::unique_ptr<frmReminder> PrepareReminder(const QDate& today)
{
    modDatabase::OpenDefaultDatabase();
    if (!modDatabase::IsDatabaseOpen())
        return nullptr;
    std::vector<ReminderRow> rows;
    try {
        rows = CollectBirthdays(ReminderDaysFromSettings(), today);
    } catch (const Engine::EngineError& error) {
        modSql::ShowEngineError(error);
    }
    if (rows.empty()) {
        modDatabase::CloseDatabase(false);
        return nullptr;
    }
    auto window = std::make_unique<frmReminder>();
    window->AddRows(rows);
    window->lvwReminder->clearSelection();
    return window;
}

int RunReminder()
{
    std::unique_ptr<frmReminder> window = PrepareReminder();
    if (!window)
        return 0;
    window->show();
    window->raise();
    window->activateWindow();
    if (qEnvironmentVariableIsSet(EchoVariable))
        QTimer::singleShot(0, window.get(), [&window] { EchoRowsAndClose(*window); });
    return QApplication::exec();
}

} // namespace modReminder
