#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Installs what the build needs, builds Addrion with its tests, and runs every test
# headless. Usage: ./test.sh [--asan] [extra ctest arguments]
#   --asan      builds a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer
#               into build-asan and runs the whole suite there.
#   --coverage  builds with gcov instrumentation into build-coverage, runs the suite there,
#               then prints the line and function coverage of src/ (gcovr).
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts/common.sh

folder=build
type=Release
options=(-DADDRION_BUILD_TESTS=ON)
if [ "${1:-}" = "--asan" ]; then
    shift
    folder=build-asan
    type=Debug
    options+=(-DADDRION_SANITIZE=ON)
    export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}"
    export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
elif [ "${1:-}" = "--coverage" ]; then
    shift
    folder=build-coverage
    # No optimisation, so that every source line maps to code that gcov can count.
    type=Debug
    options+=(-DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage)
    # Sources named relative to a compiler cache's base folder cannot be found by gcovr.
    unset CCACHE_BASEDIR
    coverage=yes
fi

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
configure_and_build "$folder" "$type" "${options[@]}"
if [ -z "${coverage:-}" ]; then
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$folder" --output-on-failure "$@"
    exit
fi
# Counts from an earlier run would add up with this one.
find "$folder" -name '*.gcda' -delete
status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$folder" --output-on-failure "$@" || status=$?
# Per file, then the totals of lines and functions; generated code (moc, resources) is
# left out by counting src/ only.
gcovr --root . --filter 'src/' --object-directory "$folder" --txt --print-summary
exit $status
