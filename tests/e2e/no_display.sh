#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Without a display: one line on standard error, status 1; no abort, no core, no advice to reinstall.
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM

for DISPLAY in :bogus-unused ""; do
    [ -n "$DISPLAY" ] && export DISPLAY && said="the display \"$DISPLAY\"" ||
        { unset DISPLAY; said="a display (DISPLAY is not set)"; }
    want="kvadrilka: cannot open $said; start the game from a graphical session"
    status=0
    timeout 60 "$program" >"$SCRATCH/out" 2>"$SCRATCH/err" || status=$?
    said=$(cat "$SCRATCH/err")
    [ "$status $(wc -l <"$SCRATCH/err") $(wc -c <"$SCRATCH/out") $said" = "1 1 0 $want" ] ||
        fail "DISPLAY='${DISPLAY:-}': status $status, said '$said', not '$want'"
done
echo "no_display: one clear line and status 1"
