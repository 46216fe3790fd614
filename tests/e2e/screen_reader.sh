#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader finds through AT-SPI, on a private session bus: in the settings window and
# in the diary window with one child and with several (where it opens on the class), every
# control that takes the focus has a name, and the chooser of children is labelled "Ребёнок".
# On a Russian desktop the report's file dialog reads in Russian too.
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

# What a reader finds in the program's windows titled TITLE, once there is one:
#   check TITLE: a focusable object without a name, a chooser of children not labelled
#     "Ребёнок:", and then how many objects were read;
#   where TITLE NAME: the middle of the push button NAME on the screen;
#   buttons TITLE: the names of its push buttons, one a line.
cat >"$SCRATCH/read.py" <<'PY'
import sys, time, pyatspi
mode, title = sys.argv[1:3]
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
buttons = [node for node, _ in found if node.getRole() == pyatspi.ROLE_PUSH_BUTTON]
if mode == "where":
    box = next(b for b in buttons if b.name == sys.argv[3]).queryComponent().getExtents(
        pyatspi.DESKTOP_COORDS)
    print(box.x + box.width // 2, box.y + box.height // 2)
elif mode == "buttons":
    print("\n".join(b.name for b in buttons))
else:
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
reader() { timeout 120 /usr/bin/python3 "$SCRATCH/read.py" "$@" 2>&1; }
read_window() {
    local said
    said=$(reader check "$1") || fail "$2: $said"
    [[ $said =~ ^[0-9]+\ objects$ ]] || fail "$2: $said"
    echo "$2: $said"
}
# Clicks the push button NAME of the window ID titled TITLE where the reader finds it.
press() {
    local where
    where=$(reader where "$2" "$3") || fail "no button '$3' in '$2': $where"
    xdotool windowraise "$1" mousemove $where click 1
}
file_dialog() { reader buttons "Отчёт для родителей" | LC_ALL=C sort | tr '\n' '|'; }
russian="Вперёд|Назад|Отмена|Отмена|Подробный вид|Родительский каталог|Создать папку|Сохранить|\
Сохранить отчёт…|Список|"
# The diary window: read, and with "report" also its report's file dialog.
diary_window() {
    local pid id report
    "$program" --journal >"$SCRATCH/game.log" 2>&1 &
    pid=$!
    CHILD_PIDS+=("$pid")
    id=$(wait_window "Дневник" 120)
    read_window "Дневник" "$1"
    if [ "${2:-}" = report ]; then
        press "$id" "Дневник" "Отчёт…"
        report=$(wait_window "Отчёт для родителей" 30)
        press "$report" "Отчёт для родителей" "Сохранить отчёт…"
        wait_window "Отчёт для родителей" 30 "$report" >/dev/null
        # Beside the report's own "Сохранить отчёт…" and "Отмена".
        wait_for 30 eval '[ "$(file_dialog)" = "$russian" ]' ||
            fail "the file dialog's buttons read '$(file_dialog)', not '$russian'"
        echo "$1, report's file dialog: $(file_dialog)"
    fi
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
# Qt's own texts in the language of the desktop, which sets no LANGUAGE.
export LANG=ru_RU.UTF-8 && unset LANGUAGE LC_ALL LC_MESSAGES
diary_window "diary, several children, the class" report
echo "PASS"
