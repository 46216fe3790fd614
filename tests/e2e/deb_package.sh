#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into a scratch folder, runs lintian on it (no errors allowed) and
# starts the unpacked game until its settings window shows, and its diary, which the game finds
# beside it in the package's layout; install.sh checks the files.
source "$(dirname "$0")/lib.sh"
build=${1:?build directory}
version=${2:?project version}
need dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev lintian:lintian Xvfb:xvfb xdotool:xdotool \
    xprop:x11-utils file:file

out="$SCRATCH/deb"
"${3:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$SCRATCH/cpack.log" 2>&1 ||
    fail "cpack -G DEB failed: $(cat "$SCRATCH/cpack.log")"
debs=("$out"/kvadrilka_*.deb)
deb="$out/kvadrilka_${version}-1_$(dpkg --print-architecture).deb"
[ "${debs[*]}" = "$deb" ] || fail "cpack made ${debs[*]##*/}"
# Computed by dpkg-shlibdeps from the binary, so the Qt libraries must be there; the diary's
# SQLite driver is a plugin the scan cannot see, named by hand; the Cyrillic fonts and the school
# server's PostgreSQL driver are recommended.
depends=$(dpkg-deb -f "$deb" Depends Recommends | tr '\n' ,)
for lib in libqt6sql6-sqlite libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libstdc++6 \
    fonts-liberation2 fonts-dejavu-core libqt6sql6-psql; do
    [[ $depends == *[:,]" $lib"[\ ,]* ]] || fail "Depends and Recommends '$depends' lack $lib"
done
# lintian fails on errors only; its warnings are listed, with their reasons, in the README.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$SCRATCH/lintian.log" 2>&1 ||
    fail "lintian found errors (or could not run): $(cat "$SCRATCH/lintian.log")"

dpkg-deb -x "$deb" "$SCRATCH/root"
program="$SCRATCH/root/usr/games/kvadrilka"
for binary in "$program" "$SCRATCH/root/usr/libexec/kvadrilka/kvadrilka-diary"; do
    [[ $(file -b "$binary") == *", stripped"* ]] || fail "${binary##*/root} is not stripped"
done
launch_game 1024x768
kill -0 "$GAME_PID" 2>/dev/null || fail "the unpacked game has died"
"$program" --journal >"$SCRATCH/diary.log" 2>&1 &
CHILD_PIDS+=($!)
wait_window "Дневник" 60 >/dev/null
echo "deb_package: ${deb##*/} builds, passes lintian, starts and opens its diary"
