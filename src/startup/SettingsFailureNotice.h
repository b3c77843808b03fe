// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#pragma once

#include <QString>

// Tells the user that the settings file cannot be written, once in a run however many
// writes fail: a read-only settings file fails every write, and a message for each would
// bury the user. While it lives it is the settings' failure handler.
class SettingsFailureNotice
{
public:
    SettingsFailureNotice();
    ~SettingsFailureNotice();
    SettingsFailureNotice(const SettingsFailureNotice&) = delete;
    SettingsFailureNotice& operator=(const SettingsFailureNotice&) = delete;

private:
    void tell(const QString& file);

    bool m_told = false;
};
