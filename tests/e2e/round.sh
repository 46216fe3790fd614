#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real game, presses Start with a real pointer, checks the game window's place and its
# first target on the screen, lets the round run out and times it, then leaves with Exit. The
# round is then in the diary: "kvadrilka --journal" shows it as the one row of its table.
# Usage: round.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: round.sh path/to/kvadrilka}

launch_game "$program"
pid=$GAME_PID start=$START_ID

# "Старт" sits at 16,192 with 89 x 41.
click_at "$start" 60 212
t0=$(date +%s%N)
game_id=$(wait_window game 30)
wait_painted "$game_id"
read -r gx gy _ _ < <(window_geometry "$game_id")
# Centred on the 1280 x 1024 screen.
[ "$gx $gy" = "256 226" ] || fail "game window at $gx,$gy"

# Target 1: a 49 x 49 light-green square at 712,512 on the dark-green field.
green=$(count_colour $((gx + 712)) $((gy + 512)) 49 49 "128,255,128")
[ "$green" = 2401 ] || fail "target has $green light-green pixels, not 2401"
[ "$(pixel $((gx + 711)) $((gy + 511)))" = "0 128 0" ] || fail "field colour wrong next to target"
[ "$(pixel $((gx + 761)) $((gy + 561)))" = "0 128 0" ] || fail "field colour wrong after target"

# The result box comes 52,290 ms after Start when nothing interrupts: 3000 ms for target 1, then
# floor((30 - n) / 30 * 2000) + 700 ms after each target n from 1 to 29.
box=$(wait_window "$(blanks 10)Пришло время собирать камни" 120)
t1=$(date +%s%N)
ms=$(((t1 - t0) / 1000000))
echo "round lasted $ms ms (nominal 52290)"
((ms > 52290 - 300 && ms < 52290 + 1500)) || fail "round lasted $ms ms"

press_key_in "$box" Escape
wait_window_gone game 30
find_window "Квадрилка" >/dev/null || fail "settings window gone after the round"

# "Выход" at 128,192 ends the program with status 0.
click_at "$start" 172 212
gone() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 30 gone || fail "program still running after Exit"
status=0
wait "$pid" || status=$?
[ "$status" = 0 ] || fail "exit status $status"

[ -s "$XDG_DATA_HOME/kvadrilka/diary.sqlite" ] || fail "the round was not written to the diary"
"$program" --journal >"$E2E_TMP/game.log" 2>&1 &
E2E_PIDS+=($!)
diary=$(wait_window "Дневник" 60)
wait_painted "$diary"
read -r dx dy dw dh < <(window_geometry "$diary")
[ -n "${E2E_SHOT_DIR:-}" ] && import -window root "$E2E_SHOT_DIR/diary.png"
# The newest round is chosen: its row, under the header, stands in the highlight colour; the
# row below it is empty.
highlight="48,140,198"
row1=$(count_colour $((dx + 12)) $((dy + 32)) 800 20 "$highlight")
row2=$(count_colour $((dx + 12)) $((dy + 62)) 800 20 "$highlight")
((row1 > 8000 && row2 == 0)) || fail "diary rows: $row1 and $row2 highlighted pixels"
echo "PASS"
