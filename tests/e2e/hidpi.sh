#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# At a fractional scale (1.5) the real windows scale exactly, and the first target is a sharp
# square of one colour at its scaled place: no blended pixels at its edges.
# Usage: hidpi.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: hidpi.sh path/to/kvadrilka}

export QT_SCALE_FACTOR=1.5
unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_ENABLE_HIGHDPI_SCALING
launch_game "$program" 1600x1200
read -r _ _ w h < <(window_geometry "$START_ID")
[ "$w x $h" = "522 x 375" ] || fail "settings window is $w x $h at scale 1.5"

# Target 1 (logical 712,512, 49 x 49) covers 1068..1141 x 768..841 of the game window. On a
# busy machine the first tick may come before the picture is taken; then the round starts again.
want="1068 768 1141 841 5476 #008000,#80FF80"
for attempt in 1 2 3; do
    # "Старт" at logical 16,192 with 89 x 41.
    click_at "$START_ID" 90 318
    game_id=$(wait_window game 30)
    wait_painted "$game_id"
    read -r gx gy w h < <(window_geometry "$game_id")
    [ "$w x $h" = "1152 x 858" ] || fail "game window is $w x $h at scale 1.5"
    # Around it: the light-green box (left top right bottom, in the window), its pixel count,
    # and every colour within 3 px of it.
    have=$(import -window root -crop "90x90+$((gx + 1060))+$((gy + 760))" -depth 8 txt:- | awk '
        NR > 1 { split($1, p, "[,:]"); x[NR] = p[1] + 1060; y[NR] = p[2] + 760; c[NR] = $3 }
        $3 == "#80FF80" { if (!n++) { l = x[NR]; t = y[NR] } r = x[NR]; b = y[NR] }
        END {
            for (i in c) if (x[i] >= l - 3 && x[i] <= r + 3 && y[i] >= t - 3 && y[i] <= b + 3)
                seen[c[i]] = 1
            for (k in seen) colours = colours (colours == "" ? "" : ",") k
            print l, t, r, b, n + 0, colours
        }')
    have="${have% *} $(tr , '\n' <<<"${have##* }" | sort | paste -sd,)"
    [ "$have" = "$want" ] && break
    echo "attempt $attempt: target seen as '$have'; starting the round again" >&2
    ((attempt < 3)) || fail "target 1 is '$have', not '$want'"
    # "X" at logical 752..769, 0..17.
    click_at "$game_id" 1140 12
    wait_window_gone game 30
done
echo "PASS"
