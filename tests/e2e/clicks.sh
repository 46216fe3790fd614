#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real X clicks on the real game, every title read as a desktop shows it: the notices of both
# click modes, "X", and the about window's link and portrait.
# Usage: clicks.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: clicks.sh path/to/kvadrilka}
cheat="Обнаружена попытка обмана"

# The URL opener is looked up in PATH: ours only writes down what it was asked to open.
record="$E2E_TMP/opened.txt" opener="$E2E_TMP/bin/xdg-open"
mkdir "$E2E_TMP/bin"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$record" >"$opener" && chmod +x "$opener" && : >"$record"
export PATH="$E2E_TMP/bin:$PATH"
unset BROWSER DEFAULT_BROWSER

no_notice() { [[ $(windows) != *"$cheat"* ]] || fail "a notice came for $1: $(windows)"; }
answer() {
    local box
    box=$(wait_window "$1" 30)
    press_key_in "$box" Return
    wait_window_gone "$1" 30
}
start_round() {
    click_at "$START_ID" 60 212
    game_id=$(wait_window game 30)
    wait_painted "$game_id"
    xdotool windowraise "$game_id"
}
double_click() { xdotool mousemove --window "$game_id" "$1" "$2" click --repeat 2 --delay 80 1; }
hit() { [ "$(count_colour $((gx + $1)) $((gy + $2)) "$3" "$3" "#FF0000")" = $(($3 * $3)) ]; }
target_at_1() { [ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "#80FF80")" = 1089 ]; }
# The answer to the miss notice is written at the top left of the field.
written() { (($(count_colour "$gx" "$gy" 7 16 "#008000") < 107)); }

launch_game "$program"
start_round
read -r gx gy _ _ < <(window_geometry "$game_id")

# Target 1 stands three seconds at 712,512 (49 x 49). A click 2 px left of it and at once one
# 2 px inside it are a double click to Qt, but on two controls: the second is a plain hit.
xdotool mousemove --window "$game_id" 710 536 click 1 mousemove --window "$game_id" 713 536 click 1
wait_for 5 hit 712 512 49 || fail "a click on the field and then one on the target did not hit"
no_notice "clicks on two controls"
# A double click on the target itself is one too many in single-click mode.
double_click 736 536
answer "$(blanks 18)$cheat"

# The second miss in a turn brings the miss notice twice and writes its answer on the field.
[ "$(count_colour "$gx" "$gy" 7 16 "#008000")" = 112 ] || fail "something written before a miss"
miss=$(blanks 21)$cheat
first=""
for _ in $(seq 20); do
    x=380 y=300
    [ "$(pixel $((gx + x)) $((gy + y)))" = "#008000" ] || x=100 y=450
    click_at "$game_id" "$x" "$y"
    # Waiting for the box also keeps the clicks apart, so no two of them make a double click.
    wait_for 1 find_window "$miss" && first=$(find_window "$miss") && break
done
[ -n "$first" ] || fail "no miss notice after 20 misses"
press_key_in "$first" Return
wait_for 30 find_window "$miss" "$first" || fail "the miss notice was not shown a second time"
wait_for 10 written || fail "the answer 1 was not written on the field"
answer "$miss"

# "X" ends the round at once, with no result box.
click_at "$game_id" 760 8
wait_window_gone game 30
no_window "$(blanks 10)Пришло время собирать камни" || fail "a result box came after X"

# Double-click mode, level "Бывалый", whose 33-pixel target always lies wholly inside the field.
# The round before ended with its turn lost, so target 1 cannot score until the first tick.
click_at "$START_ID" 206 152
click_at "$START_ID" 40 96
start_round
double_click 728 528
target_at_1 || fail "target 1 scored although the turn was lost in the round before"
# A right click is wrong twice over: the right button in double-click mode, and not the left.
xdotool click 3
answer "$(blanks 6)$cheat"
answer "$(blanks 22)$cheat"
# After the first tick the target stands elsewhere; a real double click on it scores alone.
wait_for 10 eval '! target_at_1' || fail "the target did not move"
read -r tx ty < <(pixels "$gx" "$gy" 768 572 | awk -F'[,:]' '/#80FF80 /{print $1, $2; exit}') ||
    fail "no target on the field"
double_click $((tx + 16)) $((ty + 16))
wait_for 2 hit "$tx" "$ty" 33 || fail "a double click in double-click mode did not score"
no_notice "a correct double click"
click_at "$game_id" 760 8
wait_window_gone game 30

# The about window: the link opens the home page at each click.
click_at "$START_ID" 284 212
about=$(wait_window "О программе" 60)
wait_painted "$about"
opened() { [ "$(wc -l <"$record")" -eq "$1" ]; }
# Far enough apart that two clicks are never taken for one double click.
apart() { (($(date +%s%N) - clicked > 600000000)); }
for count in 1 2; do
    clicked=$(date +%s%N)
    click_at "$about" 80 232
    wait_for 60 opened "$count" || fail "click $count on the link opened $(wc -l <"$record") pages"
    wait_for 10 apart
done
[ "$(sort -u "$record")" = https://kvadrilka.example.org/ ] || fail "opened $(cat "$record")"

# Without its opener the page cannot be shown: a notice says so, over the about window.
rm "$opener"
click_at "$about" 80 232
wait_for 30 find_window "О программе" "$about" || fail "no notice when the page could not be opened"
press_key_in "$(find_window "О программе" "$about")" Return
wait_for 30 no_window "О программе" "$about" || fail "the notice stayed after Enter"

# The portrait ends the whole program.
click_at "$about" 70 80
ends_cleanly "a click on the portrait"
echo "PASS"
