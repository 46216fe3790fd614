#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# On a Wayland desktop that offers Xwayland the game runs as an X client, where it can place its
# windows: under a headless Weston its settings window is an X window that the compositor shows
# in the middle of the screen. With QT_QPA_PLATFORM=wayland, as the user chose, it opens a
# Wayland window.
# Usage: wayland.sh path/to/kvadrilka
source "$(dirname "$0")/lib.sh"
program=${1:?usage: wayland.sh path/to/kvadrilka}
need weston:weston Xwayland:xwayland weston-screenshooter:weston

# --debug offers the screenshot protocol; pixman draws what a screenshot shows.
cd "$E2E_TMP"
weston --debug --backend=headless-backend.so --use-pixman --xwayland --socket=kvadrilka-test \
    --width=1280 --height=1024 --idle-time=0 >weston.log 2>&1 &
E2E_PIDS+=($!)
listening() { grep -q 'xserver listening on display :' weston.log; }
wait_for 60 listening || fail "weston offers no Xwayland: $(tail -n 5 weston.log)"
DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' weston.log)
export DISPLAY WAYLAND_DISPLAY=kvadrilka-test XDG_SESSION_TYPE=wayland
unset QT_QPA_PLATFORM XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP

"$program" >game.log 2>&1 &
E2E_PIDS+=($!)
wait_window "Квадрилка" 120 >/dev/null
# The box of the window's light-grey face, 348 x 250, its middle within a frame's width (the
# compositor's) of the screen's.
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
kill "${E2E_PIDS[-1]}"

# The client's protocol log shows its window's title going out over Wayland.
WAYLAND_DEBUG=client QT_QPA_PLATFORM=wayland "$program" >/dev/null 2>wayland.log &
E2E_PIDS+=($!)
on_wayland() { grep -q 'set_title("Квадрилка")' wayland.log; }
wait_for 120 on_wayland || fail "with QT_QPA_PLATFORM=wayland no Wayland window was opened"
echo "PASS: X through Xwayland, shown at $left,$top; Wayland when asked for"
