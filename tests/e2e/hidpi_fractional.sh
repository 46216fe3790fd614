#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# At a fractional scale (1.5) the windows still scale exactly and the target stays a sharp
# square of one colour: no blended pixels at its edges.
source "$(dirname "$0")/lib.sh"
game=$1

export QT_SCALE_FACTOR=1.5
launch_game "$game" 1600x1200
read -r _ _ sw sh < <(window_geometry "$START_ID")
[ "$sw x $sh" = "522 x 375" ] || fail "settings window is $sw x $sh at scale 1.5"

# "Старт" at logical 16,192 with 89 x 41.
click_at "$START_ID" 90 318
game_id=$(wait_window "game" 30)
wait_painted "$game_id"
read -r gx gy gw gh < <(window_geometry "$game_id")
[ "$gw x $gh" = "1152 x 858" ] || fail "game window is $gw x $gh at scale 1.5"

# Around target 1 (logical 712,512, 49 x 49) only the field and the target colour may appear.
x=$((gx + 1060)) y=$((gy + 760))
colours=$(import -window root -crop "80x80+$x+$y" -depth 8 txt:- | awk 'NR > 1 {print $3}' | sort -u)
[ "$colours" = "$(printf '#008000\n#80FF80')" ] || fail "target edge colours: $colours"
green=$(count_colour "$x" "$y" 80 80 "128,255,128")
((green >= 72 * 72)) || fail "target has only $green pixels at scale 1.5"
echo "PASS"
