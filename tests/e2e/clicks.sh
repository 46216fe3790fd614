#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real X clicks on the real game, every title read as a desktop shows it.
# Single-click mode: a click on the field and at once one on the target are a hit, not a double
# click; a double click on the target brings the double-click notice; a second miss in a turn
# brings the miss notice twice and writes its answer on the field; "X" ends the round quietly.
# Double-click mode: a turn lost at the end of the round before still counts; a right click
# brings two notices; a real double click scores alone.
# About window: each click on the link opens the home page once, a page that cannot be opened
# brings a notice, and the portrait ends the program with status 0.
# Usage: clicks.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: clicks.sh path/to/kvadrilka}
cheat="Обнаружена попытка обмана"
home_page=https://kvadrilka.example.org/

# The URL opener is looked up in PATH: ours only writes down what it was asked to open.
record="$E2E_TMP/opened.txt"
mkdir "$E2E_TMP/bin"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$record" >"$E2E_TMP/bin/xdg-open"
chmod +x "$E2E_TMP/bin/xdg-open"
: >"$record"
export PATH="$E2E_TMP/bin:$PATH"
unset BROWSER DEFAULT_BROWSER

no_notice() { [[ $(window_titles) != *"$cheat"* ]]; }
answer() {
    local title=$1 box
    box=$(wait_window "$title" 30)
    press_key_in "$box" Return
    wait_window_gone "$title" 30
}

launch_game "$program"
app=$GAME_PID start=$START_ID
click_at "$start" 60 212
game_id=$(wait_window game 30)
wait_painted "$game_id"
read -r gx gy _ _ < <(window_geometry "$game_id")

# Target 1 stands three seconds at 712,512 (49 x 49). A click 2 px left of it and at once one
# 2 px inside it are a double click to Qt, but on two controls: the second is a plain hit.
xdotool windowraise "$game_id"
xdotool mousemove --window "$game_id" 710 536 click 1 mousemove --window "$game_id" 713 536 click 1
hit() { [ "$(count_colour $((gx + $1)) $((gy + $2)) "$3" "$3" "255,0,0")" = $(($3 * $3)) ]; }
wait_for 5 hit 712 512 49 || fail "a click on the field and then one on the target did not hit"
no_notice || fail "a notice came for clicks on two controls: $(window_titles)"

# A double click on the target itself is one too many in single-click mode.
xdotool mousemove --window "$game_id" 736 536 click --repeat 2 --delay 80 1
answer "$(blanks 18)$cheat"

# Nothing is written at the top left until the miss notice has been answered.
written() { (($(count_other_than "$gx" "$gy" 7 16 "0,128,0") > 5)); }
[ "$(count_other_than "$gx" "$gy" 7 16 "0,128,0")" = 0 ] || fail "something written before a miss"
miss=$(blanks 21)$cheat
first=""
for _ in $(seq 20); do
    x=380 y=300
    [ "$(pixel $((gx + x)) $((gy + y)))" = "0 128 0" ] || x=100 y=450
    click_at "$game_id" "$x" "$y"
    # Waiting for the box also keeps the clicks apart, so no two of them make a double click.
    if first=$(wait_for 1 find_window "$miss" && find_window "$miss"); then
        break
    fi
done
[ -n "$first" ] || fail "no miss notice after 20 misses"
press_key_in "$first" Return
# The same notice comes once more, in a box of its own, with the first answer written.
wait_for 30 find_window "$miss" "$first" || fail "the miss notice was not shown a second time"
wait_for 10 written || fail "the answer 1 was not written on the field"
answer "$miss"

# "X" ends the round at once, with no result box.
click_at "$game_id" 760 8
wait_window_gone game 30
find_window "$(blanks 10)Пришло время собирать камни" >/dev/null && fail "a result box came after X"

# Double-click mode ("Двойной щелчёк"), level "Бывалый", whose 33-pixel target always lies
# wholly inside the field. The round before ended with its turn lost, so target 1 of this round
# cannot score until the first tick.
click_at "$start" 206 152
click_at "$start" 40 96
click_at "$start" 60 212
game_id=$(wait_window game 30)
wait_painted "$game_id"
xdotool windowraise "$game_id"
xdotool mousemove --window "$game_id" 728 528 click --repeat 2 --delay 80 1
[ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "128,255,128")" = 1089 ] ||
    fail "target 1 scored although the turn was lost in the round before"
# A right click is wrong twice over: the right button in double-click mode, and not the left.
xdotool click 3
answer "$(blanks 6)$cheat"
answer "$(blanks 22)$cheat"
# After the first tick the target stands elsewhere; a real double click on it scores alone.
moved() { ! [ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "128,255,128")" = 1089 ]; }
wait_for 10 moved || fail "the target did not move"
read -r tx ty < <(find_colour "$gx" "$gy" 768 572 "128,255,128") || fail "no target on the field"
xdotool mousemove --window "$game_id" $((tx + 16)) $((ty + 16)) click --repeat 2 --delay 80 1
wait_for 2 hit "$tx" "$ty" 33 || fail "a double click in double-click mode did not score"
no_notice || fail "a notice came for a correct double click: $(window_titles)"
click_at "$game_id" 760 8
wait_window_gone game 30

# The about window: the link opens the home page at each click.
click_at "$start" 284 212
about=$(wait_window "О программе" 60)
wait_painted "$about"
opened() { [ "$(wc -l <"$record")" -eq "$1" ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Far enough apart that two clicks are never taken for one double click.
apart_from() { (($(now_ms) - $1 > 600)); }
for count in 1 2; do
    clicked=$(now_ms)
    click_at "$about" 80 232
    wait_for 60 opened "$count" || fail "click $count on the link opened $(wc -l <"$record") pages"
    wait_for 10 apart_from "$clicked"
done
[ "$(sort -u "$record")" = "$home_page" ] || fail "opened $(sort -u "$record" | tr '\n' ' ')"

# Without its opener the page cannot be shown: a notice says so, over the about window.
rm "$E2E_TMP/bin/xdg-open"
click_at "$about" 80 232
notice=$(wait_for 30 find_window "О программе" "$about" && find_window "О программе" "$about") ||
    fail "no notice when the page could not be opened"
press_key_in "$notice" Return
notice_gone() { ! find_window "О программе" "$about" >/dev/null; }
wait_for 30 notice_gone || fail "the notice stayed after Enter"

# The portrait ends the whole program, with status 0.
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
echo "PASS"
