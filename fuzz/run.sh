#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Licensed under the GNU General Public License version 3 or any later version.
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer
# on, the core library instrumented) into build-fuzz and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds per target, default 60] [target names...]
# Crashes are kept as build-fuzz/crashes/<target>/crash-*; the corpus grows in
# build-fuzz/corpus/<target>, seeded from fuzz/seeds/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
. ./scripts/common.sh

seconds=${1:-${FUZZ_SECONDS:-60}}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_jetdialect fuzz_likepattern fuzz_accents fuzz_hyperlink fuzz_inifile fuzz_version fuzz_vcardimport fuzz_carddav)

install_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev
cmake -S fuzz -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=()
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    crashes=build-fuzz/crashes/$target
    mkdir -p "$corpus" "$crashes"
    seeds=()
    [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
    # The server's answers are bounded by nesting depth and by a card's size (1 MiB): the
    # inputs of their target may grow past both.
    max_len=4096
    [ "$target" = fuzz_carddav ] && max_len=$((2 << 20))
    echo "== $target: $seconds s"
    if ! build-fuzz/bin/"$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 "$corpus" "${seeds[@]}"; then
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found problems in: ${failed[*]} (see build-fuzz/crashes/)"
    exit 1
fi
echo "Fuzzing found nothing in: ${targets[*]}"
