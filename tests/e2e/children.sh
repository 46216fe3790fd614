#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Who the rounds are recorded for: a run for a child named on the command line, whose name is
# kept verbatim, then a grown-up's run that is not recorded; who plays next time stays as it was.
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
echo "PASS"
