# SPDX-License-Identifier: GPL-3.0-or-later
# A private virtual display, for the play command on a machine without one, the benchmark and the
# end-to-end tests: Xvfb under its lock, windows found by the titles a desktop shows, pixel reads.
# Sourced; SCRATCH is a folder of its own, and whatever is in CHILD_PIDS ends with the script.
set -euo pipefail

SCRATCH=$(mktemp -d)
export XDG_RUNTIME_DIR="$SCRATCH/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The game keeps a diary and a setting of its own: never in the user's home.
export XDG_DATA_HOME="$SCRATCH/data" XDG_CONFIG_HOME="$SCRATCH/config"
unset WAYLAND_DISPLAY
CHILD_PIDS=() DISPLAY_LOCKS=()

end_children() {
    local pid
    kill "${CHILD_PIDS[@]}" 2>/dev/null || true
    for pid in "${CHILD_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    # Display locks go only once their servers have ended.
    rm -rf "${DISPLAY_LOCKS[@]}" "$SCRATCH"
}
trap end_children EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -s "$SCRATCH/game.log" ] && tail -n 20 "$SCRATCH/game.log" | sed 's/^/program: /' >&2
    [ -n "${DISPLAY:-}" ] && windows | sed "s/^/window on $DISPLAY: /" >&2
    exit 1
}
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
        : >"$SCRATCH/display"
        Xvfb ":$number" -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp \
            3>"$SCRATCH/display" 2>"$SCRATCH/xvfb.log" &
        pid=$!
        # The server writes its number once it listens, or ends when the number is taken.
        wait_for 30 eval '[ -s "$SCRATCH/display" ] || ! kill -0 "$pid"' || true
        if grep -qx "$number" "$SCRATCH/display"; then
            CHILD_PIDS+=("$pid") DISPLAY_LOCKS+=("$lock")
            export DISPLAY=":$number"
            wait_for 30 xdpyinfo || fail "Xvfb on $DISPLAY does not answer"
            return 0
        fi
        { kill "$pid"; wait "$pid"; } 2>/dev/null || true
        rm -f "$lock"
    done
    fail "Xvfb found no free display: $(cat "$SCRATCH/xvfb.log")"
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
wait_window() {
    wait_for "${2:-60}" find_window "$1" || fail "window '$1' did not appear within ${2:-60}s"
    find_window "$1"
}
window_geometry() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'; }
# Root pixels of the rectangle X Y W H, "x,y: (r,g,b)  #RRGGBB ..." a line.
pixels() { import -window root -crop "${3}x${4}+$1+$2" -depth 8 txt:- | tail -n +2; }
pixel() { pixels "$1" "$2" 1 1 | awk '{print $3}'; }
# Mapped comes before the first paint; a bare Xvfb's root is black where nothing is drawn.
painted() {
    local x y w h
    read -r x y w h < <(window_geometry "$1")
    [ "$(pixel $((x + w / 2)) $((y + h - 2)))" != "#000000" ]
}
# No window manager raises a window: raise it, then click at X Y in it.
click_at() { xdotool windowraise "$1" && xdotool mousemove --window "$1" "$2" "$3" click 1; }
wait_painted() { wait_for "${2:-60}" painted "$1" || fail "window $1 was not painted"; }
