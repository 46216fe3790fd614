#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The about window opened from the settings window: each click on the link opens the home page
# once through the desktop's URL opener, and a click on the portrait ends the program.
# Usage: about_link.sh path/to/kvadrilka  (E2E_SHOT_DIR=dir keeps a screenshot of the window)
source "$(dirname "$0")/lib.sh"

program=${1:?usage: about_link.sh path/to/kvadrilka}
home_page=https://kvadrilka.example.org/

# The URL opener is looked up in PATH: ours only writes down what it was asked to open.
record="$E2E_TMP/opened.txt"
mkdir "$E2E_TMP/bin"
cat >"$E2E_TMP/bin/xdg-open" <<EOF
#!/bin/sh
echo "\$@" >>"$record"
EOF
chmod +x "$E2E_TMP/bin/xdg-open"
: >"$record"
export PATH="$E2E_TMP/bin:$PATH"
unset BROWSER DEFAULT_BROWSER

launch_game "$program"
app=$GAME_PID start=$START_ID
click_at "$start" 284 212

about=$(wait_window "О программе" 60)
wait_painted "$about"
read -r ax ay aw ah < <(window_geometry "$about")
[ "$aw x $ah" = "431 x 278" ] || fail "about window is $aw x $ah, not 431 x 278"
[ "$(pixel $((ax + 420)) $((ay + 270)))" = "0 64 0" ] || fail "about window background is not dark green"

if [ -n "${E2E_SHOT_DIR:-}" ]; then
    import -window root "$E2E_SHOT_DIR/about.png"
fi

lines() { wc -l <"$record"; }
has_lines() { [ "$(lines)" -eq "$1" ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Far enough apart that the two clicks are never taken for one double click.
apart_from() { (($(now_ms) - $1 > 600)); }

first=$(now_ms)
click_at "$about" 80 232
wait_for 60 has_lines 1 || fail "the first click opened nothing"
wait_for 10 apart_from "$first" || fail "the clock did not move"
click_at "$about" 80 232
wait_for 60 has_lines 2 || fail "the second click did not open the page again (record: $(lines) lines)"

while read -r opened; do
    [ "$opened" = "$home_page" ] || fail "opened '$opened' instead of $home_page"
done <"$record"

# The portrait ends the whole program, with exit status 0.
ended() {
    local state
    state=$(ps -o stat= -p "$app") || return 0
    [[ $state == Z* ]]
}
click_at "$about" 70 80
wait_for 60 ended || fail "the program still runs after a click on the portrait"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status after a click on the portrait"
echo "PASS: the link opened $home_page twice and the portrait ended the program"
