#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Who the rounds are recorded for: a run for a child named on the command line, whose name is
# kept verbatim, then a grown-up's run that is not recorded; who plays next time stays as it was.
# Then a grown-up's run where the admin locked recording, with a comment after the value and a
# misspelt key: it is recorded, and the game says so and names the line.
source "$(dirname "$0")/lib.sh"
need sqlite3:sqlite3
name="Маша'); DROP TABLE rounds; --"

# One round ended with the window's "X", then "Выход".
play_one() {
    start_round
    close_round
    click_at "$START_ID" 172 212
    ends_cleanly "Exit after $1"
}

GAME_ARGS=(--child "$name")
launch_game
play_one "--child"
GAME_ARGS=(--guest)
start_game
play_one "--guest"

diary=$(find "$XDG_DATA_HOME" -name diary.sqlite) && [ -n "$diary" ] || fail "no diary written"
kept=$(sqlite3 "$diary" "SELECT c.name || '|' || r.ending FROM rounds r JOIN children c ON c.id = r.child_id")
[ "$kept" = "$name|1" ] || fail "the diary holds '$kept', not the one round of '$name'"
! grep -rqs "player" "$XDG_CONFIG_HOME" || fail "--child changed who plays next time"

conf="$SCRATCH/xdg/kvadrilka/kvadrilka.conf"
mkdir -p "${conf%/*}" && printf '[diary]\nlock-recording=yes # every round\nrecordng=on\n' >"$conf"
export XDG_CONFIG_DIRS="$SCRATCH/xdg"
start_game
play_one "--guest, recording locked"
kept=$(sqlite3 "$diary" "SELECT count(*) FROM rounds")
[ "$kept" = 2 ] || fail "the diary holds $kept rounds, not 2: a locked grown-up's round is not kept"
said=$(grep '^kvadrilka: ' "$SCRATCH/game.log")
want="kvadrilka: $conf, line 3: \"recordng=on\" is not a known setting
kvadrilka: $conf is not clear, so the stricter choice applies: recording=true, allow-guest=false
kvadrilka: playing without recording is turned off on this computer; this game's rounds are recorded"
[ "$said" = "$want" ] || fail "the game said '$said', not '$want'"
echo "PASS"
