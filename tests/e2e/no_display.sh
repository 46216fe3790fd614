#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A game that cannot open its display says so in one line on standard error and leaves with
# status 1: no abort, no core, no advice to reinstall.
# Usage: no_display.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: no_display.sh path/to/kvadrilka}
unset QT_QPA_PLATFORM

check() {
    local status=0 err
    timeout 60 "$program" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    err=$(cat "$E2E_TMP/err")
    if [ "$status $(wc -l <"$E2E_TMP/err") $(wc -c <"$E2E_TMP/out")" != "1 1 0" ] ||
        [ "$err" != "$1" ]; then
        fail "DISPLAY='${DISPLAY:-}': status $status, said '$err', not '$1'"
    fi
}
export DISPLAY=:bogus-unused
check 'kvadrilka: cannot open the display ":bogus-unused"; start the game from a graphical session'
unset DISPLAY
check "kvadrilka: cannot open a display (DISPLAY is not set); start the game from a graphical \
session"
echo "no_display: one clear line and status 1"
