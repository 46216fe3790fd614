# SPDX-License-Identifier: GPL-3.0-or-later
# Shared helpers for the end-to-end tests: a private Xvfb, polling for windows, pixel reads.
set -euo pipefail

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

# Tools the test cannot do without, as TOOL:DEBIAN_PACKAGE.
need() {
    local t
    for t; do command -v "${t%:*}" >/dev/null || fail "${t%:*} is missing (Debian: ${t#*:})"; done
}

# Polls a command until it succeeds or the limit (seconds) runs out.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do ((SECONDS < deadline)) && sleep 0.1 || return 1; done
}

# The number is taken under the lock file every X server checks, so no other server or script
# takes it while we run (Xvfb writes none with -displayfd); a number held without a lock makes
# Xvfb give up and the next is tried. -noreset: a server that resets when its last client leaves
# drops a connection still being set up, and the program then fails to open a running display.
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

# "ID TITLE" of every mapped window; the title as a desktop shows it (_NET_WM_NAME), which can
# differ from the WM_NAME that xdotool matches.
windows() {
    local id
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        echo "$id $(LC_ALL=C.UTF-8 xprop -id "$id" -notype _NET_WM_NAME 2>/dev/null |
            sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p')"
    done
}

# The id of a mapped window titled exactly so, other than the window given second (a box can
# carry the title of the window it stands over).
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

# "X Y WIDTH HEIGHT" of a window on the root.
window_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

# The pixels of a rectangle X Y W H of the root, one "x,y: (r,g,b)  #RRGGBB ..." a line.
pixels() { import -window root -crop "${3}x${4}+$1+$2" -depth 8 txt:- | tail -n +2; }
# "#RRGGBB" of one pixel of the root.
pixel() { pixels "$1" "$2" 1 1 | awk '{print $3}'; }
# How many pixels of a rectangle are of exactly one colour (#RRGGBB).
count_colour() { pixels "$@" | grep -c "$5 " || true; }

click_at() {
    xdotool windowraise "$1"
    xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
}

# A window is mapped before its first paint, and the root of a bare Xvfb is black where nothing
# has been drawn yet.
painted() {
    local x y w h
    read -r x y w h < <(window_geometry "$1")
    [ "$(pixel $((x + w / 2)) $((y + h - 2)))" != "#000000" ]
}
wait_painted() { wait_for "${2:-60}" painted "$1" || fail "window $1 was not painted"; }

# Answers a box with a key typed as the keyboard would (a key sent to one window would fail on
# its release when the press has closed that window).
press_key_in() {
    xdotool windowraise "$1"
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool key "$2"
    xdotool keyup "$2" 2>/dev/null || true
}

# A process that has gone, or is a zombie waiting to be reaped.
ended() { [[ $(ps -o stat= -p "$1") == Z* ]] || ! kill -0 "$1" 2>/dev/null; }
# Waits for the game to end after what is named, with status 0.
ends_cleanly() {
    local status=0
    wait_for 60 ended "$GAME_PID" || fail "the program still runs after $1"
    wait "$GAME_PID" || status=$?
    [ "$status" = 0 ] || fail "the program ended with status $status after $1"
}

# Starts the game on a fresh Xvfb: GAME_PID is its process, START_ID its painted settings window.
launch_game() {
    start_xvfb "${2:-1280x1024}"
    "$1" >"$E2E_TMP/game.log" 2>&1 &
    GAME_PID=$!
    E2E_PIDS+=("$GAME_PID")
    START_ID=$(wait_window "Квадрилка" 120)
    wait_painted "$START_ID"
}

# The files an installation holds, relative to its prefix; the program goes under the folder given.
installed_files() {
    local id=org.example.Kvadrilka
    printf '%s\n' "$1/kvadrilka" "share/applications/$id.desktop" share/man/man6/kvadrilka.6.gz \
        share/doc/kvadrilka/changelog.Debian.gz share/doc/kvadrilka/copyright \
        share/man/ru/man6/kvadrilka.6.gz "share/metainfo/$id.metainfo.xml" \
        "share/icons/hicolor/scalable/apps/$id.svg" \
        share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/"$id".png
}
