#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real game, presses Start with a real pointer, checks the game window and its
# target in a screenshot, lets the round run out and times it, then leaves with Exit.
source "$(dirname "$0")/lib.sh"
game=$1

launch_game "$game"
pid=$GAME_PID start=$START_ID
read -r sx sy sw sh < <(window_geometry "$start")
[ "$sw $sh" = "348 250" ] || fail "settings window is $sw x $sh"

# "Старт" sits at 16,192 with 89 x 41.
click_at "$start" 60 212
t0=$(date +%s%N)
game_id=$(wait_window "game" 30)
wait_painted "$game_id"
read -r gx gy gw gh < <(window_geometry "$game_id")
[ "$gw $gh" = "768 572" ] || fail "game window is $gw x $gh"
# Centred on the 1280 x 1024 screen.
[ "$gx $gy" = "256 226" ] || fail "game window at $gx,$gy"

# Target 1: a 49 x 49 light-green square at 712,512, nothing else, on the dark-green field.
green=$(count_colour $((gx + 712)) $((gy + 512)) 49 49 "128,255,128")
[ "$green" = 2401 ] || fail "target has $green light-green pixels, not 2401"
[ "$(pixel $((gx + 711)) $((gy + 511)))" = "0 128 0" ] || fail "field colour wrong next to target"
[ "$(pixel $((gx + 761)) $((gy + 561)))" = "0 128 0" ] || fail "field colour wrong after target"
[ "$(pixel $((gx + 400)) $((gy + 300)))" = "0 128 0" ] || fail "field is not 0,128,0"

# The result box comes 52,290 ms after Start when nothing interrupts.
result="$(blanks 10)Пришло время собирать камни"
box=$(wait_window "$result" 120)
t1=$(date +%s%N)
ms=$(((t1 - t0) / 1000000))
echo "round lasted $ms ms (nominal 52290)"
((ms > 52290 - 300 && ms < 52290 + 1500)) || fail "round lasted $ms ms"

press_key_in "$box" Escape
wait_window_gone "game" 30
find_window "Квадрилка" >/dev/null || fail "settings window gone after the round"

# "Выход" at 128,192 ends the program with status 0.
click_at "$start" 172 212
for _ in $(seq 300); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "program still running after Exit"
wait "$pid" && status=0 || status=$?
[ "$status" = 0 ] || fail "exit status $status"
echo "PASS"
