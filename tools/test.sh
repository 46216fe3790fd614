#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test twice: a warnings-as-errors build
# with the end-to-end tests under Xvfb, and an address/undefined-sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
started=$SECONDS
phase() { echo "test.sh: $1 in $((SECONDS - started)) s" && started=$SECONDS; }
tools/deps.sh "${BUILD_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
phase "packages in place"

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# Tests start their own virtual displays; an inherited one must not leak into them.
unset DISPLAY WAYLAND_DISPLAY

cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWARNINGS_AS_ERRORS=ON
cmake --build build/ci -j "$jobs"
phase "warnings-as-errors build"
ctest --test-dir build/ci -j "$jobs" --timeout 600
phase "tests, end-to-end ones included"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWARNINGS_AS_ERRORS=ON -DSANITIZE=ON \
    -DBUILD_BENCH=OFF
cmake --build build/asan -j "$jobs"
phase "sanitizer build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
    ctest --test-dir build/asan -j "$jobs" --timeout 900 -LE 'e2e|packaging'
phase "unit tests under the sanitizers"
