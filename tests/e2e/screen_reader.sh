#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader finds through AT-SPI, on a private session bus: in the settings window and
# in the diary window with one child and with several (where it opens on the class), every
# control that takes the focus has a name, and the chooser of children is labelled "Ребёнок".
source "$(dirname "$0")/lib.sh"
need dbus-daemon:dbus /usr/libexec/at-spi-bus-launcher:at-spi2-core sqlite3:sqlite3
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || fail "pyatspi missing (Debian: python3-pyatspi)"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# The session bus starts the accessibility bus and its registry when first asked; both end with
# it, and are ended with it here all the same.
dbus-daemon --session --nofork --print-address=3 3>"$SCRATCH/bus" 2>"$SCRATCH/bus.log" &
CHILD_PIDS+=($!)
wait_for 30 test -s "$SCRATCH/bus" || fail "no session bus: $(cat "$SCRATCH/bus.log")"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$SCRATCH/bus") && export DBUS_SESSION_BUS_ADDRESS
# The process that holds the NAME on the BUS ends with the script.
ends_with_us() {
    local pid
    pid=$(dbus-send --bus="$1" --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID "string:$2" 2>/dev/null | awk '/uint32/{print $2}')
    [ -z "$pid" ] || CHILD_PIDS+=("$pid")
}
a11y_bus=$(dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress |
    sed -n 's/^ *string "\(.*\)"$/\1/p')
[ -n "$a11y_bus" ] || fail "no accessibility bus"
ends_with_us "$DBUS_SESSION_BUS_ADDRESS" org.a11y.Bus

# What a reader finds in the program's windows titled TITLE, once there is one: a focusable
# object without a name, a chooser of children not labelled "Ребёнок:", and how many objects.
cat >"$SCRATCH/read.py" <<'PY'
import sys, time, pyatspi
title = sys.argv[1]
def tree(node, path, found):
    role = node.getRoleName()
    found.append((node, path + "/" + role))
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            tree(child, path + "/" + role, found)
def windows():
    return [frame for app in pyatspi.Registry.getDesktop(0) if app is not None
            for frame in (app.getChildAtIndex(i) for i in range(app.childCount))
            if frame is not None and frame.name == title]
deadline = time.monotonic() + 60
while not (frames := windows()):
    if time.monotonic() > deadline:
        sys.exit(f"no window '{title}' read through AT-SPI")
    time.sleep(0.2)
found = []
for frame in frames:
    tree(frame, "", found)
for node, path in found:
    if node.getState().contains(pyatspi.STATE_FOCUSABLE) and not node.name.strip():
        print(f"no name: {path}")
    if node.getRole() == pyatspi.ROLE_COMBO_BOX:
        labels = [r.getTarget(0).name for r in node.getRelationSet()
                  if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        if labels != ["Ребёнок:"]:
            print(f"combo box '{node.name}' labelled {labels}")
print(f"{len(found)} objects")
PY
read_window() {
    local said
    said=$(timeout 120 /usr/bin/python3 "$SCRATCH/read.py" "$1" 2>&1) || fail "$2: $said"
    [[ $said =~ ^[0-9]+\ objects$ ]] || fail "$2: $said"
    echo "$2: $said"
}
# The diary window, read.
diary_window() {
    local pid
    "$program" --journal >"$SCRATCH/game.log" 2>&1 &
    pid=$!
    CHILD_PIDS+=("$pid")
    wait_window "Дневник" 120 >/dev/null
    read_window "Дневник" "$1"
    kill "$pid" && wait "$pid" 2>/dev/null || true
    wait_window_gone "Дневник"
}

launch_game
read_window "Квадрилка" "settings window"
ends_with_us "$a11y_bus" org.a11y.atspi.Registry
diary_window "diary, one child"
diary=$(find "$XDG_DATA_HOME" -name diary.sqlite) && [ -n "$diary" ] || fail "no diary written"
sqlite3 "$diary" "INSERT INTO children (account, name, name_key) VALUES
    ('$(id -un)', 'Аня', 'аня'), ('$(id -un)', 'Борис', 'борис')"
diary_window "diary, several children, the class"
echo "PASS"
