#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# With QT_SCALE_FACTOR=2 every window is exactly twice its size: the settings window 696 x 500,
# the game window 1536 x 1144 with the first target a 98 x 98 light-green square at (1424, 1024)
# on the dark-green field. Set SHOTS_DIR to keep the screenshots.
# Usage: hidpi_windows.sh KVADRILKA_BINARY
source "$(dirname "$0")/lib.sh"

game_bin=${1:?kvadrilka binary}
for tool in Xvfb xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null ||
        fail "$tool is missing (Debian packages xvfb, xdotool, x11-utils, imagemagick)"
done

scale=2
start_xvfb 2048x1536
unset QT_QPA_PLATFORM QT_SCREEN_SCALE_FACTORS QT_FONT_DPI QT_ENABLE_HIGHDPI_SCALING
QT_SCALE_FACTOR=$scale "$game_bin" >"$E2E_TMP/game.log" 2>&1 &
E2E_PIDS+=($!)

# "R G B" of one pixel of a saved image.
image_pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | awk 'NR==2{print $2}' | tr -d '()' |
        awk -F, '{print $1, $2, $3}'
}
# "COLOURS R,G,B": how many colours a part of a saved image has, and its first pixel.
region_colours() {
    local channels='%[fx:int(255*p{0,0}.r)],%[fx:int(255*p{0,0}.g)],%[fx:int(255*p{0,0}.b)]'
    convert "$1" -crop "$2x$3+$4+$5" +repage -format "%k $channels" info:
}
# Saves what a window shows once its pixel at (x, y) has the given colour, that is once it is
# painted; after the limit (seconds) it saves what there is.
shoot() {
    local id=$1 file=$2 x=$3 y=$4 colour=$5 limit=$6 wx wy w h
    read -r wx wy w h < <(window_geometry "$id")
    wait_for "$limit" bash -c "[ \"\$(import -window root -crop 1x1+$((wx + x))+$((wy + y)) \
        -depth 8 txt:- | awk 'NR==2{print \$2}')\" = '($colour)' ]" ||
        echo "note: pixel ($x, $y) never became ($colour)" >&2
    import -window root -crop "${w}x${h}+${wx}+${wy}" +repage "$file"
    if [ -n "${SHOTS_DIR:-}" ]; then
        mkdir -p "$SHOTS_DIR"
        cp "$file" "$SHOTS_DIR/"
    fi
}

settings_size="$((348 * scale)) x $((250 * scale))"
game_size="$((768 * scale)) x $((572 * scale))"

settings=$(wait_window "Квадрилка" 120)
read -r _ _ w h < <(window_geometry "$settings")
[ "$w x $h" = "$settings_size" ] || fail "settings window is $w x $h, not $settings_size"
shoot "$settings" "$E2E_TMP/hidpi-settings.png" 10 10 239,239,239 30

# Start covers logical (16..105, 192..233); the X of the game (752..769, 0..17).
start_x=$((60 * scale)) start_y=$((212 * scale))
close_x=$((760 * scale)) close_y=$((8 * scale))
target_x=$((712 * scale)) target_y=$((512 * scale)) side=$((49 * scale))
ready="128 255 128" field="0 128 0"

# The first target stays at its place for three seconds; on a busy machine the first tick may
# come before the screenshot, and then the round is closed and started again.
checked=false
for attempt in 1 2 3; do
    click_at "$settings" "$start_x" "$start_y"
    game=$(wait_window "game" 60)
    read -r _ _ w h < <(window_geometry "$game")
    [ "$w x $h" = "$game_size" ] || fail "game window is $w x $h, not $game_size"
    shot="$E2E_TMP/hidpi-game.png"
    shoot "$game" "$shot" $((target_x + side / 2)) $((target_y + side / 2)) 128,255,128 10

    if [ "$(image_pixel "$shot" "$target_x" "$target_y")" = "$ready" ]; then
        square=$(region_colours "$shot" "$side" "$side" "$target_x" "$target_y")
        [ "$square" = "1 128,255,128" ] ||
            fail "the $side x $side square at ($target_x, $target_y) is not all light green:" \
                "$square"
        for spot in "$((target_x - 1)) $target_y" "$((target_x + side)) $target_y" \
            "$target_x $((target_y - 1))" "$target_x $((target_y + side))" \
            "$((target_x + side)) $((target_y + side))"; do
            # shellcheck disable=SC2086
            have=$(image_pixel "$shot" $spot)
            [ "$have" = "$field" ] ||
                fail "pixel ($spot) next to the target is ($have), not ($field)"
        done
        checked=true
        break
    fi
    echo "attempt $attempt: the target had already moved; starting the round again" >&2
    click_at "$game" "$close_x" "$close_y"
    wait_window_gone "game" 60
done
$checked || fail "the target was never seen at its first place in 3 rounds"

echo "hidpi_windows: settings $settings_size, game $game_size," \
    "target $side x $side at ($target_x, $target_y)"
