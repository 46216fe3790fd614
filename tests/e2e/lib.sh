# SPDX-License-Identifier: GPL-3.0-or-later
# Shared helpers for the end-to-end tests: a private Xvfb, polling for windows, pixel reads.
# Source it from a bash test; it cleans up after itself on exit.

set -euo pipefail

E2E_TMP=$(mktemp -d)
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The game keeps a diary and a setting of its own: never in the tester's home.
export XDG_DATA_HOME="$E2E_TMP/data" XDG_CONFIG_HOME="$E2E_TMP/config"
unset WAYLAND_DISPLAY
E2E_PIDS=()
E2E_LOCKS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    # Display locks go only once their servers have ended.
    rm -f "${E2E_LOCKS[@]}"
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    # What the program said and which windows stood on the display help to tell why.
    if [ -s "$E2E_TMP/game.log" ]; then
        echo "--- program output:" >&2
        tail -n 20 "$E2E_TMP/game.log" >&2
    fi
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- windows on $DISPLAY:" >&2
        window_titles 2>/dev/null | head -n 10 | sed 's/.*/"&"/' >&2 || true
    fi
    exit 1
}

# Polls a command until it succeeds or the limit (seconds) runs out.
wait_for() {
    local limit=$1
    shift
    local deadline=$((SECONDS + limit))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# Starts Xvfb at the given size on a free display and waits until it answers.
# The number is taken under the lock file every X server checks, holding our pid, so neither
# another server nor a script that picks numbers by lock files takes it while we run (Xvfb
# writes no lock when it reports through -displayfd). A number whose socket a server without a
# lock holds makes our Xvfb give up, and the next one is tried; numbers start at 10, above those
# desktops and other tools usually take.
# -noreset matters: a server that resets when its last client leaves closes a connection that
# is still being set up, so the program would fail to open a display that is running.
start_xvfb() {
    local size=${1:-1280x1024} number lock pid deadline
    for ((number = 10; number < 300; number++)); do
        lock="/tmp/.X$number-lock"
        [ -e "$lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
        (set -o noclobber && printf '%10d\n' $$ >"$lock") 2>/dev/null || continue
        : >"$E2E_TMP/display"
        Xvfb ":$number" -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp \
            3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
        pid=$!
        # The server writes its number once it listens, or ends when the number is taken.
        deadline=$((SECONDS + 30))
        while ! grep -q . "$E2E_TMP/display" && kill -0 "$pid" 2>/dev/null &&
            ((SECONDS < deadline)); do
            sleep 0.05
        done
        if grep -qx "$number" "$E2E_TMP/display"; then
            E2E_PIDS+=("$pid")
            E2E_LOCKS+=("$lock")
            export DISPLAY=":$number"
            wait_for 30 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        rm -f "$lock"
    done
    fail "Xvfb found no free display: $(cat "$E2E_TMP/xvfb.log")"
}

# The title a desktop shows (_NET_WM_NAME), which can differ from the WM_NAME that
# xdotool --name matches.
window_title() {
    LC_ALL=C.UTF-8 xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null |
        sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'
}

# The titles of all mapped windows, one a line.
window_titles() {
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        window_title "$id"
    done
}

# Prints the id of the first mapped window whose title is exactly the given one, other than the
# window given second (a box can carry the title of the window it stands over).
find_window() {
    local title=$1 other=${2:-} id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        if [ "$id" != "$other" ] && [ "$(window_title "$id")" = "$title" ]; then
            echo "$id"
            return 0
        fi
    done
    return 1
}

wait_window() {
    local title=$1 limit=${2:-60}
    wait_for "$limit" find_window "$title" || fail "window '$title' did not appear within ${limit}s"
    find_window "$title"
}

wait_window_gone() {
    local title=$1 limit=${2:-60}
    local deadline=$((SECONDS + limit))
    while find_window "$title" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || fail "window '$title' still open after ${limit}s"
        sleep 0.1
    done
}

# A run of blanks, for titles that start with some.
blanks() { printf '%*s' "$1" ''; }

# "X Y WIDTH HEIGHT" of a window on the root.
window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# "R G B" of one pixel of the root window.
pixel() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- | awk 'NR==2{print $2}' |
        tr -d '()' | awk -F, '{print $1, $2, $3}'
}

# Clicks inside a window at x, y relative to its top-left corner.
click_at() {
    local id=$1 x=$2 y=$3 button=${4:-1}
    xdotool windowraise "$id"
    xdotool mousemove --window "$id" "$x" "$y"
    xdotool click "$button"
}

# Waits until a window has been painted: a window is mapped before its first paint, and the
# root of a bare Xvfb is black where nothing has been drawn yet.
window_painted() {
    local x y w h
    read -r x y w h < <(window_geometry "$1")
    [ "$(pixel $((x + w / 2)) $((y + h - 2)))" != "0 0 0" ]
}

wait_painted() {
    wait_for "${2:-60}" window_painted "$1" || fail "window $1 was not painted"
}

# Answers a box with a key: raise and focus it, then type the key as the keyboard would (a key
# sent to one window would fail on its release when the press has closed that window).
press_key_in() {
    local id=$1 key=$2
    xdotool windowraise "$id"
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    xdotool key "$key"
    xdotool keyup "$key" 2>/dev/null || true
}

# Counts the pixels of exactly one colour (like 255,0,0) in a rectangle of the root.
count_colour() {
    local x=$1 y=$2 w=$3 h=$4 rgb=$5 r g b
    IFS=, read -r r g b <<<"$rgb"
    import -window root -crop "${w}x${h}+${x}+${y}" -depth 8 txt:- |
        grep -c "$(printf '#%02X%02X%02X ' "$r" "$g" "$b")" || true
}

# Counts the pixels of a rectangle of the root that are not of the given colour.
count_other_than() {
    local x=$1 y=$2 w=$3 h=$4
    echo $((w * h - $(count_colour "$@")))
}

# Prints "x y" (relative to the rectangle) of the first pixel of the given colour, if any.
find_colour() {
    local x=$1 y=$2 w=$3 h=$4 rgb=$5 r g b
    IFS=, read -r r g b <<<"$rgb"
    import -window root -crop "${w}x${h}+${x}+${y}" -depth 8 txt:- |
        grep -m1 "$(printf '#%02X%02X%02X ' "$r" "$g" "$b")" | cut -d: -f1 | tr , ' ' | grep .
}

# Starts the game on a fresh Xvfb and waits for its settings window to be painted.
# GAME_PID is the program's process, START_ID its settings window.
launch_game() {
    start_xvfb "${2:-1280x1024}"
    "$1" >"$E2E_TMP/game.log" 2>&1 &
    GAME_PID=$!
    E2E_PIDS+=("$GAME_PID")
    START_ID=$(wait_window "Квадрилка" 120)
    wait_painted "$START_ID"
}
