#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A game that cannot open its display says so in one line on standard error and leaves with
# status 1: no abort, no core, no advice to reinstall.
# Usage: no_display.sh KVADRILKA_BINARY
source "$(dirname "$0")/lib.sh"

game_bin=${1:?kvadrilka binary}
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

check() {
    local display=$1 want=$2 status=0
    if [ -n "$display" ]; then
        DISPLAY=$display timeout 60 "$game_bin" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    else
        env -u DISPLAY timeout 60 "$game_bin" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    fi
    [ "$status" -eq 1 ] ||
        { cat "$E2E_TMP/err" >&2; fail "DISPLAY='$display': status $status, not 1"; }
    [ ! -s "$E2E_TMP/out" ] || fail "DISPLAY='$display': something went to standard output"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] ||
        { cat "$E2E_TMP/err" >&2; fail "DISPLAY='$display': standard error is not one line"; }
    [ "$(cat "$E2E_TMP/err")" = "$want" ] ||
        fail "DISPLAY='$display': said '$(cat "$E2E_TMP/err")', not '$want'"
}

check ":bogus-unused" \
    'kvadrilka: cannot open the display ":bogus-unused"; start the game from a graphical session'
check "" \
    "kvadrilka: cannot open a display (DISPLAY is not set); start the game from a graphical session"

echo "no_display: one clear line and status 1"
