#!/usr/bin/env bash
# Installs what the build needs, builds Addrion with its tests, and runs every test
# headless. Usage: ./test.sh [--asan] [extra ctest arguments]
#   --asan  builds a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer
#           into build-asan and runs the whole suite there.
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
fi

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
configure_and_build "$folder" "$type" "${options[@]}"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$folder" --output-on-failure "$@"
