# SPDX-License-Identifier: GPL-3.0-or-later
# Shared helpers for the end-to-end tests: a private Xvfb, polling for windows, pixel reads.
set -euo pipefail
program=${1:?"argument missing, see the usage line of $0"}

E2E_TMP=$(mktemp -d)
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The game keeps a diary and a setting of its own: never in the tester's home.
export XDG_DATA_HOME="$E2E_TMP/data" XDG_CONFIG_HOME="$E2E_TMP/config"
unset WAYLAND_DISPLAY
E2E_PIDS=() E2E_LOCKS=()

e2e_cleanup() {
    local pid
    kill "${E2E_PIDS[@]}" 2>/dev/null || true
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    # Display locks go only once their servers have ended.
    rm -rf "${E2E_LOCKS[@]}" "$E2E_TMP"
}
trap e2e_cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -s "$E2E_TMP/game.log" ] && tail -n 20 "$E2E_TMP/game.log" | sed 's/^/program: /' >&2
    [ -n "${DISPLAY:-}" ] && windows | sed "s/^/window on $DISPLAY: /" >&2
    exit 1
}
# TOOL:DEBIAN_PACKAGE pairs.
need() { for t; do command -v "${t%:*}" >/dev/null || fail "${t%:*} missing (Debian: ${t#*:})"; done; }
wait_for() {
    local deadline=$((SECONDS + $1)) && shift
    until "$@" >/dev/null 2>&1; do ((SECONDS < deadline)) && sleep 0.1 || return 1; done
}

# The number is taken under the lock file every X server checks, so no other server or script
# takes it while we run (Xvfb writes none with -displayfd); a number held without a lock makes
# Xvfb give up and the next is tried. -noreset: a server that resets when its last client leaves
# drops a connection still being set up, and the program then fails to open a running display.
start_xvfb() {
    local size=${1:-1280x1024} number lock pid
    for ((number = 10; number < 300; number++)); do
        lock="/tmp/.X$number-lock"
        [ -e "$lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
        (set -o noclobber && printf '%10d\n' $$ >"$lock") 2>/dev/null || continue
        : >"$E2E_TMP/display"
        Xvfb ":$number" -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp \
            3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
        pid=$!
        # The server writes its number once it listens, or ends when the number is taken.
        wait_for 30 eval '[ -s "$E2E_TMP/display" ] || ! kill -0 "$pid"' || true
        if grep -qx "$number" "$E2E_TMP/display"; then
            E2E_PIDS+=("$pid") E2E_LOCKS+=("$lock")
            export DISPLAY=":$number"
            wait_for 30 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
            return 0
        fi
        { kill "$pid"; wait "$pid"; } 2>/dev/null || true
        rm -f "$lock"
    done
    fail "Xvfb found no free display: $(cat "$E2E_TMP/xvfb.log")"
}

# "ID TITLE" of every mapped window, titled by _NET_WM_NAME as a desktop shows it (not WM_NAME).
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "$id $(LC_ALL=C.UTF-8 xprop -id "$id" -notype _NET_WM_NAME 2>/dev/null |
            sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')"
    done
}

# A window titled exactly so, other than the one given second (a box may share its parent's title).
find_window() {
    windows | awk -v t="$1" -v other="${2:-}" '{ id = $1; sub(/^[^ ]* /, "") }
        $0 == t && id != other && !found { print id; found = 1 } END { exit !found }'
}
no_window() { ! find_window "$@"; }
wait_window() {
    wait_for "${2:-60}" find_window "$1" || fail "window '$1' did not appear within ${2:-60}s"
    find_window "$1"
}
wait_window_gone() { wait_for "${2:-60}" no_window "$1" || fail "window '$1' still open"; }
blanks() { printf '%*s' "$1" ''; }
window_geometry() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'; }
# Root pixels of the rectangle X Y W H, "x,y: (r,g,b)  #RRGGBB ..." a line.
pixels() { import -window root -crop "${3}x${4}+$1+$2" -depth 8 txt:- | tail -n +2; }
pixel() { pixels "$1" "$2" 1 1 | awk '{print $3}'; }
count_colour() { pixels "$@" | grep -c "$5 " || true; }
click_at() { xdotool windowraise "$1" && xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Mapped comes before the first paint; a bare Xvfb's root is black where nothing is drawn.
painted() {
    local x y w h
    read -r x y w h < <(window_geometry "$1")
    [ "$(pixel $((x + w / 2)) $((y + h - 2)))" != "#000000" ]
}
wait_painted() { wait_for "${2:-60}" painted "$1" || fail "window $1 was not painted"; }
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
# A fresh Xvfb of the size given, the game on it: GAME_PID, and START_ID its settings window.
launch_game() {
    start_xvfb "${1:-1280x1024}"
    "$program" >"$E2E_TMP/game.log" 2>&1 &
    GAME_PID=$!
    E2E_PIDS+=("$GAME_PID")
    START_ID=$(wait_window "Квадрилка" 120)
    wait_painted "$START_ID"
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
