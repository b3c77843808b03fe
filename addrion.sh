#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Installs what the build needs, builds Addrion in Release into build-release/ (without
# the tests; test.sh keeps build/ for the build with them, so neither undoes the other's
# configuration), and starts it on the default database. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/common.sh

install_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
configure_and_build build-release Release -DADDRION_BUILD_TESTS=OFF
exec build-release/bin/addrion "$@"
