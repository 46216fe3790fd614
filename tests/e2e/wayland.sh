#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Under a headless Weston with Xwayland the game runs as an X client, whose settings window the
# compositor shows in the middle of the screen; with QT_QPA_PLATFORM=wayland it opens a Wayland one.
source "$(dirname "$0")/lib.sh"
need weston:weston Xwayland:xwayland weston-screenshooter:weston

# --debug offers the screenshot protocol; pixman draws what a screenshot shows.
cd "$SCRATCH"
weston --debug --backend=headless-backend.so --use-pixman --xwayland --socket=kvadrilka-test \
    --width=1280 --height=1024 --idle-time=0 >weston.log 2>&1 &
CHILD_PIDS+=($!)
wait_for 60 grep -q 'xserver listening on display :' weston.log || fail "weston offers no Xwayland"
DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' weston.log)
export DISPLAY WAYLAND_DISPLAY=kvadrilka-test XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP
"$program" >game.log 2>&1 &
CHILD_PIDS+=($!)
wait_window "Квадрилка" 120 >/dev/null
# The box of the window's light-grey face, 348 x 250, centred within a frame's width.
shown() {
    rm -f wayland-screenshot-*.png
    weston-screenshooter >/dev/null 2>&1 || return 1
    box=$(convert wayland-screenshot-*.png -fill black +opaque '#EFEFEF' -format '%@' info:)
    [[ $box == 348x250+* ]]
}
wait_for 60 shown || fail "the settings window was not shown whole: $box"
IFS=x+ read -r _ _ left top <<<"$box"
dx=$((left + 174 - 640)) dy=$((top + 125 - 512))
((dx * dx <= 40 * 40 && dy * dy <= 40 * 40)) || fail "settings window shown at $left,$top"
# The protocol log of the explicit Wayland client shows its window's title going out.
WAYLAND_DEBUG=client QT_QPA_PLATFORM=wayland "$program" >/dev/null 2>wayland.log &
CHILD_PIDS+=($!)
wait_for 120 grep -q 'set_title("Квадрилка")' wayland.log ||
    fail "with QT_QPA_PLATFORM=wayland no Wayland window was opened"
echo "PASS: X through Xwayland, shown at $left,$top; Wayland when asked for"
