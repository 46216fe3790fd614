#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the game and starts it. Without any display it runs the game
# on a virtual one, saves a screenshot of the settings window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh

packages=("${BUILD_PACKAGES[@]}")
headless=false
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=true
    packages+=("${DISPLAY_PACKAGES[@]}")
fi
tools/deps.sh "${packages[@]}"

# After the test command, its first build has the game already: no second one.
build=build/ci
if [ ! -f "$build/CMakeCache.txt" ]; then
    build=build/play
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" --target kvadrilka >/dev/null

if ! $headless; then
    exec "$build/app/kvadrilka"
fi

shot="$PWD/kvadrilka-settings.png"
source tools/display.sh
start_xvfb 1024x768
"$build/app/kvadrilka" >"$SCRATCH/game.log" 2>&1 &
CHILD_PIDS+=($!)
id=$(wait_window "Квадрилка" 60)
wait_painted "$id"
read -r x y w h < <(window_geometry "$id")
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
echo "No display found: the game ran on a virtual display; its settings window is in $shot"
