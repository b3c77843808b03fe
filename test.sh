#!/usr/bin/env bash
# Installs what the build needs, builds Addrion with its tests, and runs every test
# headless. Usage: ./test.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/common.sh

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
configure_and_build build Release -DADDRION_BUILD_TESTS=ON
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure "$@"
