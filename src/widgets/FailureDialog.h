// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include "startup/Failure.h"

// The one place a failure from core becomes a dialog.

// A message box titled and worded as the failure is; a report of a missing part asks
// OK/Cancel with the stop icon, and OK opens the web site.
void ShowFailure(const Failure& failure);
// Shows the outcome's failure, when it has one; true when the operation was done.
bool ShowOutcome(const Outcome& outcome);

// What core operations tell on their way (Failures::Notice) is shown at once, and the
// questions they put are asked, by the platform's dialogs. The program installs them at
// its start, before any database opens.
void InstallFailureDialogs();
