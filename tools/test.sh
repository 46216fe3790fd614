#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, then builds and runs every test twice: a warnings-as-errors build
# with the end-to-end tests under Xvfb, and an address/undefined-sanitizer build of the unit tests.
# Each phase says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
started=$SECONDS
phase() { echo "test.sh: $1 in $((SECONDS - started)) s" && started=$SECONDS; }

jobs=$(nproc)
# The longest tests mostly wait (for a real round, for their own servers): one test more than
# there are cores keeps the machine busy.
test_jobs=$((jobs + 1))
export CTEST_OUTPUT_ON_FAILURE=1
# Tests start their own virtual displays; an inherited one must not leak into them.
unset DISPLAY WAYLAND_DISPLAY
mkdir -p build

# Whatever runs in the background ends with this script, however it ends.
background=()
finish() {
    local pid
    for pid in "${background[@]}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
}
trap finish EXIT
# in_background LOG COMMAND...: runs COMMAND in a process group of its own, its output to LOG.
in_background() {
    local log=$1 && shift
    setsid "$@" >"$log" 2>&1 </dev/null &
    background+=($!)
}
# wait_for_background PID LOG WHAT: fails with the end of LOG when the command did.
wait_for_background() {
    wait "$1" && return
    tail -n 40 "$2" >&2
    echo "test.sh: $3 failed (the whole output is in $2)" >&2
    exit 1
}
# wait_for_tests PID LOG WHAT: waits for a test run and shows all it said.
wait_for_tests() {
    local status=0
    wait "$1" || status=$?
    cat "$2"
    ((status == 0)) || { echo "test.sh: $3 failed" >&2 && exit 1; }
}

# The tests' own packages come in while the first build compiles. sudo may ask for a password,
# which a command in the background cannot do: then everything is installed first.
test_packages=("${DISPLAY_PACKAGES[@]}" "${TEST_PACKAGES[@]}")
packages_pid=
if [ "$(id -u)" -eq 0 ]; then
    tools/deps.sh "${BUILD_PACKAGES[@]}"
    in_background build/test-packages.log tools/deps.sh "${test_packages[@]}"
    packages_pid=$!
else
    tools/deps.sh "${BUILD_PACKAGES[@]}" "${test_packages[@]}"
fi
phase "build packages in place"

# Optimised as the package is, since some warnings need the optimiser; no debug information,
# which nobody reads here and which costs a fifth of the build.
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DWARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/ci -j "$jobs"
phase "warnings-as-errors build"
[ -z "$packages_pid" ] || wait_for_background "$packages_pid" build/test-packages.log \
    "installing the tests' packages"
phase "test packages in place"

# The tests run beside the sanitizer build, which needs only what the unit tests run: they mostly
# wait, for a real round of 52 s or for their own servers. Line numbers are all the sanitizers'
# reports need of the debug information.
in_background build/tests.log ctest --test-dir build/ci -j "$test_jobs" --timeout 600
tests_pid=$!
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DWARNINGS_AS_ERRORS=ON -DSANITIZE=ON -DBUILD_BENCH=OFF >/dev/null
sanitized=(env ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0
    ctest --test-dir build/asan --timeout 900)
# The school's tests wait the longest: built first, they run while the rest is built.
school='^tst_schoolserver'
cmake --build build/asan -j "$jobs" --target tst_schoolserver
phase "sanitizer build of the school's tests, beside the tests"
in_background build/asan-school.log "${sanitized[@]}" -j "$jobs" -R "$school"
school_pid=$!
cmake --build build/asan -j "$jobs" --target unit_tests
phase "sanitizer build of the other unit tests"
"${sanitized[@]}" -j "$jobs" -LE 'e2e|packaging' -E "$school"
phase "the other unit tests under the sanitizers"
wait_for_tests "$school_pid" build/asan-school.log "the school's tests under the sanitizers"
phase "the school's tests under the sanitizers, to their end"
wait_for_tests "$tests_pid" build/tests.log "the tests"
phase "tests, end-to-end ones included, to their end"
