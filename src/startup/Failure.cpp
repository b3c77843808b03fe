// SPDX-License-Identifier: GPL-3.0-or-later
// Licensed under the GNU General Public License version 3 or any later version.
#include "Failure.h"

namespace Failures {

namespace {
NoticeHandler g_noticeHandler;
} // namespace

void SetNoticeHandler(NoticeHandler handler)
{
    g_noticeHandler = std::move(handler);
}

void Notice(const Failure& failure)
{
    if (g_noticeHandler)
        g_noticeHandler(failure);
}

} // namespace Failures
