# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the end-to-end tests, on the private display of the play command and the benchmark.
program=${1:?"argument missing, see the usage line of $0"}
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/display.sh"

# TOOL:DEBIAN_PACKAGE pairs.
need() { for t; do command -v "${t%:*}" >/dev/null || fail "${t%:*} missing (Debian: ${t#*:})"; done; }
no_window() { ! find_window "$@"; }
wait_window_gone() { wait_for "${2:-60}" no_window "$1" || fail "window '$1' still open"; }
blanks() { printf '%*s' "$1" ''; }
count_colour() { pixels "$@" | grep -c "$5 " || true; }
# Typed as a keyboard would: a key sent to a window fails on release once the press closed it.
press_key_in() {
    xdotool windowraise "$1"
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key "$2" && { xdotool keyup "$2" 2>/dev/null || true; }
}
ended() { [[ $(ps -o stat= -p "$1") == Z* ]] || ! kill -0 "$1" 2>/dev/null; }
ends_cleanly() {
    local status=0
    wait_for 60 ended "$GAME_PID" || fail "the program still runs after $1"
    wait "$GAME_PID" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status after $1"
}
# The game on the display, with the options in GAME_ARGS: GAME_PID, and START_ID its settings
# window.
start_game() {
    "$program" "${GAME_ARGS[@]}" >"$SCRATCH/game.log" 2>&1 &
    GAME_PID=$!
    CHILD_PIDS+=("$GAME_PID")
    START_ID=$(wait_window "Квадрилка" 120)
    wait_painted "$START_ID"
}
# A fresh Xvfb of the size given, the game on it.
launch_game() {
    start_xvfb "${1:-1280x1024}"
    start_game
}
# Clicks "Старт" (X Y in the settings window): t0 the click, game_id the window, gx gy gw gh its box.
start_round() {
    click_at "$START_ID" "${1:-60}" "${2:-212}"
    t0=$(date +%s%N)
    game_id=$(wait_window game 30)
    wait_painted "$game_id" && xdotool windowraise "$game_id"
    read -r gx gy gw gh < <(window_geometry "$game_id")
}
# Its "X" at X Y.
close_round() { click_at "$game_id" "${1:-760}" "${2:-8}" && wait_window_gone game 30; }
