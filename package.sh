#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Builds the Debian package: a Release build in build-package/, then CPack, which
# leaves build-package/addrion_<version>_<arch>.deb. Install it with
#   sudo apt install ./build-package/addrion_*.deb
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/common.sh

install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
configure_and_build build-package Release -DADDRION_BUILD_TESTS=OFF
(cd build-package && cpack -G DEB)
ls -1 build-package/addrion_*.deb
