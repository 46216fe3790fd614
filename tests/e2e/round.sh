#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One real round: the window's place, target 1, the length, Exit, its row in "kvadrilka --journal".
source "$(dirname "$0")/lib.sh"

launch_game
start_round
[ "$gx $gy" = "256 226" ] || fail "game window at $gx,$gy, not centred"
# Target 1: a 49 x 49 light-green square at 712,512 on the dark-green field.
green=$(count_colour $((gx + 712)) $((gy + 512)) 49 49 "#80FF80")
[ "$green" = 2401 ] || fail "target has $green light-green pixels, not 2401"
[ "$(pixel $((gx + 711)) $((gy + 511)))$(pixel $((gx + 761)) $((gy + 561)))" = "#008000#008000" ] ||
    fail "field colour wrong around the target"

# 3000 ms for target 1, then floor((30 - n) / 30 * 2000) + 700 ms after each target n to 29.
box=$(wait_window "$(blanks 10)Пришло время собирать камни" 120)
ms=$((($(date +%s%N) - t0) / 1000000))
echo "round lasted $ms ms (nominal 52290)"
((ms > 52290 - 300 && ms < 52290 + 1500)) || fail "round lasted $ms ms"
press_key_in "$box" Escape
wait_window_gone game 30
find_window "Квадрилка" >/dev/null || fail "settings window gone after the round"
click_at "$START_ID" 172 212 # "Выход"
ends_cleanly Exit

"$program" --journal >"$SCRATCH/game.log" 2>&1 &
CHILD_PIDS+=($!)
diary=$(wait_window "Дневник" 60)
wait_painted "$diary"
read -r dx dy _ _ < <(window_geometry "$diary")
# The newest round is chosen: its row, under the header, is highlighted; the row below is empty.
row1=$(count_colour $((dx + 12)) $((dy + 32)) 800 20 "#308CC6")
row2=$(count_colour $((dx + 12)) $((dy + 62)) 800 20 "#308CC6")
((row1 > 8000 && row2 == 0)) || fail "diary rows: $row1 and $row2 highlighted pixels"
echo "PASS"
