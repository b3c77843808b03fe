// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "FailureDialog.h"

#include "database/modDatabase.h"
#include "startup/Platform.h"
#include "startup/modEnvironment.h"

void ShowFailure(const Failure& failure)
{
    if (failure.kind == Failure::Kind::Message) {
        Platform::inform(failure.title, failure.text);
        return;
    }
    const Platform::Answer answer =
        Platform::current().message(failure.title, failure.text, Platform::Icon::Stop, Platform::Buttons::OkCancel);
    if (answer == Platform::Answer::Ok && !failure.website.isEmpty())
        modEnvironment::OpenWithShell(failure.website);
}

bool ShowOutcome(const Outcome& outcome)
{
    if (outcome.failure())
        ShowFailure(*outcome.failure());
    return outcome.done();
}

void InstallFailureDialogs()
{
    Failures::SetNoticeHandler(&ShowFailure);
    modDatabase::SetQuestionHandler(&Platform::askYesNo);
}
