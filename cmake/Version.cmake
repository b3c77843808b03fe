# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# The program's version, in one place: the program, the fuzz targets, the package, the
# manual page and the metainfo all take it from here (src/startup/VersionNumber.h.in is
# configured from it; tests read Version::AppVersion).
set(ADDRION_VERSION 1.4.3)
