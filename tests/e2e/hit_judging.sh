#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real X clicks on the real game: a double click in single-click mode scores on its first press
# and brings the double-click notice; repeated misses bring the miss notice twice and leave a 1
# written on the field; "X" ends the round without a result.
source "$(dirname "$0")/lib.sh"
game=$1
cheat="Обнаружена попытка обмана"

launch_game "$game"
pid=$GAME_PID start=$START_ID
click_at "$start" 60 212
game_id=$(wait_window "game" 30)
wait_painted "$game_id"
read -r gx gy _ _ < <(window_geometry "$game_id")

# Target 1 stands three seconds at 712,512: double-click its middle with the real pointer.
xdotool windowraise "$game_id"
xdotool mousemove --window "$game_id" 736 536 click --repeat 2 --delay 80 1
box=$(wait_window "$(blanks 18)$cheat" 30)
red=$(count_colour $((gx + 712)) $((gy + 512)) 49 49 "255,0,0")
[ "$red" = 2401 ] || fail "the first press did not score: $red red pixels"
press_key_in "$box" Return
wait_window_gone "$(blanks 18)$cheat" 30

# Clean field at the top left before any miss has been written there.
[ "$(count_other_than "$gx" "$gy" 7 16 "0,128,0")" = 0 ] || fail "something written before a miss"

# Misses on the empty field until the second one of a turn brings the miss notice.
first=""
for _ in $(seq 20); do
    x=380 y=300
    [ "$(pixel $((gx + x)) $((gy + y)))" = "0 128 0" ] || x=100 y=450
    click_at "$game_id" "$x" "$y"
    # Waiting for the box also keeps the clicks apart, so no two of them make a double click.
    if first=$(wait_for 1 find_window "$(blanks 21)$cheat" && find_window "$(blanks 21)$cheat"); then
        break
    fi
done
[ -n "$first" ] || fail "no miss notice after 20 misses"
press_key_in "$first" Return
shown_again() { id=$(find_window "$(blanks 21)$cheat") && [ "$id" != "$first" ]; }
wait_for 30 shown_again ||
    fail "the miss notice was not shown a second time"
second=$(find_window "$(blanks 21)$cheat")
# The answer of the first showing is written at the top left of the field.
written() { (($(count_other_than "$gx" "$gy" 7 16 "0,128,0") > 5)); }
wait_for 10 written || fail "the answer 1 was not written on the field"
press_key_in "$second" Return
wait_window_gone "$(blanks 21)$cheat" 30

# "X" in the top-right corner ends the round at once, with no result box.
click_at "$game_id" 760 8
wait_window_gone "game" 30
find_window "$(blanks 10)Пришло время собирать камни" >/dev/null && fail "a result box came after X"
find_window "Квадрилка" >/dev/null || fail "settings window gone"
kill -0 "$pid" || fail "program ended"

# Double-click mode ("Двойной щелчёк" at 200,144 in the settings window). The last turn of the
# round before was forfeited, so target 1 of this round cannot score until the first tick.
# Level "Бывалый" (40,96): its 33-pixel target always lies wholly inside the field.
click_at "$start" 206 152
click_at "$start" 40 96
click_at "$start" 60 212
game_id=$(wait_window "game" 30)
wait_painted "$game_id"
xdotool windowraise "$game_id"
xdotool mousemove --window "$game_id" 728 528 click --repeat 2 --delay 80 1
[ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "128,255,128")" = 1089 ] ||
    fail "target 1 scored although the turn was lost in the round before"
# After the first tick the target stands elsewhere; a real double click on it scores alone.
moved() { ! [ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "128,255,128")" = 1089 ]; }
wait_for 10 moved || fail "the target did not move"
read -r tx ty < <(find_colour "$gx" "$gy" 768 572 "128,255,128") || fail "no target on the field"
xdotool mousemove --window "$game_id" $((tx + 16)) $((ty + 16)) click --repeat 2 --delay 80 1
scored() { [ "$(count_colour $((gx + tx)) $((gy + ty)) 33 33 "255,0,0")" = 1089 ]; }
wait_for 2 scored || fail "a double click in double-click mode did not score"
[[ $(window_titles) == *"$cheat"* ]] && fail "a notice came for a correct double click"
click_at "$game_id" 760 8
wait_window_gone "game" 30
echo "PASS"
