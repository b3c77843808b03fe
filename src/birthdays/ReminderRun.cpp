// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "birthdays/ReminderRun.h"
#include "widgets/FailureDialog.h"

#include "birthdays/frmReminder.h"
#include "birthdays/modReminder.h"
#include "database/modDatabase.h"
#include "database/modSql.h"
#include "startup/QtPlatform.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

namespace ReminderRun {

namespace {

std::function<void(frmReminder&)> g_shown;

} // namespace

void SetShownObserver(std::function<void(frmReminder&)> observer)
{
    g_shown = std::move(observer);
}

std::unique_ptr<frmReminder> PrepareReminder(const QDate& today)
{
    ShowOutcome(modDatabase::OpenDefaultDatabase());
    if (!modDatabase::IsDatabaseOpen())
        return nullptr;
    std::vector<modReminder::ReminderRow> rows;
    try {
        rows = modReminder::CollectBirthdays(modReminder::ReminderDaysFromSettings(), today);
    } catch (const Engine::EngineError& error) {
        ShowFailure(modSql::EngineFailure(error));
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
    QtPlatform::ShowFirstWindow(*window);
    if (g_shown)
        QTimer::singleShot(0, window.get(), [&window] { g_shown(*window); });
    return QApplication::exec();
}

} // namespace ReminderRun
