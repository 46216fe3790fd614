#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One real round: the window's place, the length, its row in "kvadrilka --journal" open
# meanwhile, Exit. The game's start loads no chart library; the diary's program loads them.
source "$(dirname "$0")/lib.sh"
charts='libQt6(Charts|OpenGL|OpenGLWidgets)\.so'
highlighted() { count_colour $(($2 + 12)) $(($3 + $4)) 800 20 "#308CC6"; }
# The rounds' table is under the child chooser, the line of who plays and the pages' tabs.
diary_row() { xdotool windowraise "$diary" && (($(highlighted "$diary" "$dx" "$dy" 138) > 8000)); }

launch_game
grep -q 'libQt6Widgets\.so' "/proc/$GAME_PID/maps" || fail "no Qt Widgets in the game's maps"
! grep -Eo "$charts" "/proc/$GAME_PID/maps" | sort -u | grep . ||
    fail "the game's settings window loaded the libraries above"

"$program" --journal >"$SCRATCH/diary.log" 2>&1 &
diary_pid=$!
CHILD_PIDS+=("$diary_pid")
diary=$(wait_window "Дневник" 60)
wait_painted "$diary"
grep -Eq "$charts" "/proc/$diary_pid/maps" || fail "--journal did not become the diary program"
read -r dx dy _ _ < <(window_geometry "$diary")
! diary_row || fail "a round in the diary before any was played"

start_round
[ "$gx $gy" = "256 226" ] || fail "game window at $gx,$gy, not centred"
# 3000 ms for target 1, then floor((30 - n) / 30 * 2000) + 700 ms after each target n to 29.
box=$(wait_window "$(blanks 10)Пришло время собирать камни" 120)
ms=$((($(date +%s%N) - t0) / 1000000))
echo "round lasted $ms ms (nominal 52290)"
((ms > 52290 - 300 && ms < 52290 + 1500)) || fail "round lasted $ms ms"
press_key_in "$box" Escape
wait_window_gone game 30
find_window "Квадрилка" >/dev/null || fail "settings window gone after the round"

# The open diary follows its file: the newest round is chosen, its row under the header
# highlighted; the row below is empty.
wait_for 30 diary_row || fail "the open diary did not show the round the game wrote"
row2=$(highlighted "$diary" "$dx" "$dy" 168)
((row2 == 0)) || fail "diary's second row: $row2 highlighted pixels"

# The shortcut's diary is the game's child and closes with it.
press_key_in "$START_ID" ctrl+shift+d
wait_for 60 find_window "Дневник" "$diary" || fail "Ctrl+Shift+D opened no diary"
child=$(pgrep -P "$GAME_PID") || fail "the diary is not the game's child"
click_at "$START_ID" 172 212 # "Выход"
ends_cleanly Exit
wait_for 30 ended "$child" || fail "the diary the game opened still runs after Exit"
echo "PASS"
