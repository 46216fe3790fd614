#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Real X clicks on the game, titles read as a desktop shows them: notices of both click modes,
# "X", the about window's link and portrait.
source "$(dirname "$0")/lib.sh"
cheat="Обнаружена попытка обмана"

# The default browser is looked up through the desktop's folders, all of them ours, and the URL
# opener in PATH: both only write down what they were asked to open.
record="$SCRATCH/opened.txt" opener="$SCRATCH/bin/xdg-open" && mkdir "$SCRATCH/bin"
printf '#!/bin/sh\necho "$@" >>"%s"\n' "$record" >"$opener" && chmod +x "$opener" && : >"$record"
browser="$SCRATCH/bin/fake browser" && cp "$opener" "$browser"
export PATH="$SCRATCH/bin:$PATH" XDG_CONFIG_DIRS="$SCRATCH/xdg" XDG_DATA_DIRS="$SCRATCH/share"
unset BROWSER DEFAULT_BROWSER XDG_CURRENT_DESKTOP
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
printf '[Default Applications]\nx-scheme-handler/https=fake.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
printf '[Desktop Entry]\nType=Application\nName=Fake\nExec="%s" %%u\nActions=new-window;\n
[Desktop Action new-window]\nName=New window\nExec="%s" --new-window %%u\n' "$browser" "$browser" \
    >"$XDG_DATA_HOME/applications/fake.desktop"

no_notice() { [[ $(windows) != *"$cheat"* ]] || fail "a notice came for $1: $(windows)"; }
answer() {
    press_key_in "$(wait_window "$1" 30)" Return
    wait_window_gone "$1" 30
}
double_click() { xdotool mousemove --window "$game_id" "$1" "$2" click --repeat 2 --delay 80 1; }
hit() { [ "$(count_colour $((gx + $1)) $((gy + $2)) "$3" "$3" "#FF0000")" = $(($3 * $3)) ]; }

launch_game
start_round
# Target 1 stands three seconds at 712,512 (49 x 49). A click 2 px left of it and at once one
# 2 px inside it are a double click to Qt, but on two controls: the second is a plain hit.
xdotool mousemove --window "$game_id" 710 536 click 1 mousemove --window "$game_id" 713 536 click 1
wait_for 5 hit 712 512 49 || fail "a click on the field and then one on the target did not hit"
no_notice "clicks on two controls"
# A double click on the target itself is one too many in single-click mode.
double_click 736 536
answer "$(blanks 18)$cheat"

# "X" ends the round at once, with no result box.
close_round
no_window "$(blanks 10)Пришло время собирать камни" || fail "a result box came after X"

# Double-click mode, level "Бывалый", whose 33-pixel target always lies wholly inside the field.
click_at "$START_ID" 206 152
click_at "$START_ID" 40 96
start_round
# A right click is wrong twice over: the right button in double-click mode, and not the left.
xdotool mousemove --window "$game_id" 728 528 click 3
answer "$(blanks 6)$cheat"
answer "$(blanks 22)$cheat"
# The turn lost in the round before ends at the first tick; then a real double click scores.
moved() { [ "$(count_colour $((gx + 712)) $((gy + 512)) 33 33 "#80FF80")" != 1089 ]; }
wait_for 10 moved || fail "the target did not move"
read -r tx ty < <(pixels "$gx" "$gy" 768 572 | awk -F'[,:]' '/#80FF80 /{print $1, $2; exit}') ||
    fail "no target on the field"
double_click $((tx + 16)) $((ty + 16))
wait_for 2 hit "$tx" "$ty" 33 || fail "a double click in double-click mode did not score"
no_notice "a correct double click"
close_round

# The about window: its link opens the home page in a new window of the default browser.
click_at "$START_ID" 284 212
about=$(wait_window "О программе" 60)
wait_painted "$about"
page=https://kvadrilka.example.org/
click_at "$about" 80 232
wait_for 60 grep -qx -- "--new-window $page" "$record" || fail "the link opened '$(cat "$record")'"

click_at "$about" 70 80
ends_cleanly "a click on the portrait"
echo "PASS"
