// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "SettingsFailureNotice.h"

#include "language/modLanguage.h"
#include "startup/Platform.h"
#include "startup/modSettings.h"

SettingsFailureNotice::SettingsFailureNotice()
{
    modSettings::SetFailureHandler([this](const QString& file) { tell(file); });
}

SettingsFailureNotice::~SettingsFailureNotice()
{
    modSettings::SetFailureHandler({});
}

void SettingsFailureNotice::tell(const QString& file)
{
    if (m_told)
        return;
    m_told = true;
    const QString text = T("The settings could not be saved; changed options may be lost when the program closes:");
    Platform::inform(T("Error"), text + QLatin1Char('\n') + file);
}
