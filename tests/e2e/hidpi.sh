#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# At scale 1.5 the real windows scale exactly, and the first target is a sharp square of one
# colour at its scaled place: no blended pixels at its edges.
source "$(dirname "$0")/lib.sh"

export QT_SCALE_FACTOR=1.5
unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_ENABLE_HIGHDPI_SCALING
launch_game 1600x1200
read -r _ _ w h < <(window_geometry "$START_ID")
[ "$w x $h" = "522 x 375" ] || fail "settings window is $w x $h at scale 1.5"

# Target 1 (logical 712,512, 49 x 49) covers 1068..1141 x 768..841: all the light green of the
# 90 x 90 around, ringed by 3 px of dark green. A first tick before the picture starts it again.
want="5476 5476 924"
seen() { count_colour $((gx + $1)) $((gy + $2)) "$3" "$3" "$4"; }
for attempt in 1 2 3; do
    start_round 90 318
    [ "$gw x $gh" = "1152 x 858" ] || fail "game window is $gw x $gh at scale 1.5"
    have="$(seen 1068 768 74 "#80FF80") $(seen 1060 760 90 "#80FF80") $(seen 1065 765 80 "#008000")"
    [ "$have" = "$want" ] && break
    echo "attempt $attempt: target seen as '$have'; starting the round again" >&2
    ((attempt < 3)) || fail "target 1 is '$have', not '$want'"
    close_round 1140 12
done
echo "PASS"
