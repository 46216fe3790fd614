#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Without a display: one line on standard error, status 1; no abort, no core, no advice to reinstall.
# The console modes work there all the same, as over ssh, and the help names what both manual
# pages do.
source "$(dirname "$0")/lib.sh"
unset QT_QPA_PLATFORM
manual_dir="$(dirname "$0")/../../packaging"

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

# An admin's file with a fault: said on standard error by the check, not by the sending.
mkdir -p "$SCRATCH/etc/kvadrilka"
printf '[diary]\nrecording=false # off\nlock-recordng=yes\n' >"$SCRATCH/etc/kvadrilka/kvadrilka.conf"
export XDG_CONFIG_DIRS="$SCRATCH/etc"
conf="$SCRATCH/etc/kvadrilka/kvadrilka.conf"
faults="kvadrilka: $conf, line 3: \"lock-recordng=yes\" is not a known setting
kvadrilka: $conf is not clear, so the stricter choice applies: lock-recording=true, allow-guest=false"
# OPTIONS STATUS "START OF STANDARD OUTPUT" "STANDARD ERROR"
while IFS='|' read -r options want out err; do
    status=0
    timeout 60 "$program" $options >"$SCRATCH/out" 2>"$SCRATCH/err" || status=$?
    [ "$status" = "$want" ] && [[ $(cat "$SCRATCH/out") == "$out"* ]] &&
        [ "$(cat "$SCRATCH/err")" = "${err/FAULTS/$faults}" ] ||
        fail "$options: status $status, printed '$(head -c 300 "$SCRATCH/out")', said '$(cat "$SCRATCH/err")'"
done <<'ROWS'
--help|0|Usage: |
--version|0|kvadrilka |
-v|0|kvadrilka |
--send|0||
--school-check|1|School server: not set up|FAULTS
ROWS

# Every option of the help in both manual pages, and no other there.
"$program" --help >"$SCRATCH/help"
helped=$(grep -oE '^  (-[a-z?], )?--[a-z-]+' "$SCRATCH/help" | grep -oE -- '-[a-z?]|--[a-z-]+' | sort -u)
for manual in kvadrilka.6.in kvadrilka.ru.6.in; do
    documented=$(awk '/^\.SH/ { on = $2 == "OPTIONS" || $2 == "ПАРАМЕТРЫ" } on' "$manual_dir/$manual" | grep -E '^\.(B|BI|BR) ' |
        sed 's/\\-/-/g' | grep -oE -- '(^| |")-[a-z?]([ ",]|$)|--[a-z-]+' | tr -d ' ",' | sort -u)
    [ "$helped" = "$documented" ] ||
        fail "$manual: options differ from --help: $(diff <(echo "$helped") <(echo "$documented") | grep '^[<>]' | tr '\n' ' ')"
done
echo "no_display: one clear line and status 1; help, version, send and check without a display"
