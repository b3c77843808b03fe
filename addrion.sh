#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Installs what the build needs, builds Addrion in Release into build/, and starts it
# on the default database. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/common.sh

install_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
configure_and_build build Release -DADDRION_BUILD_TESTS=OFF
exec build/bin/addrion "$@"
