#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the build directory into a scratch folder, checks its control
# fields and contents, runs lintian on it (no errors allowed), unpacks it and starts the unpacked
# game on a private display until its settings window shows.
# Usage: deb_package.sh BUILD_DIR VERSION [CPACK]
source "$(dirname "$0")/lib.sh"

build=${1:?build directory}
version=${2:?project version}
cpack=${3:-cpack}
id=org.example.Kvadrilka

need() {
    command -v "$1" >/dev/null || fail "$1 is missing: install the Debian package $2"
}
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need Xvfb xvfb
need xdotool xdotool
need xprop x11-utils
need file file

out="$E2E_TMP/deb"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$E2E_TMP/cpack.log" 2>&1 ||
    { cat "$E2E_TMP/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$out"/kvadrilka_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "cpack made no single kvadrilka_*.deb"
fi
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "kvadrilka_${version}-1_${arch}.deb" ] ||
    fail "package file is $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kvadrilka ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "${version}-1" ] || fail "Version is '$(field Version)'"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
[ "$(field Recommends)" = "fonts-liberation2, fonts-dejavu-core" ] ||
    fail "Recommends is '$(field Recommends)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# Computed by dpkg-shlibdeps from the binary, so the Qt libraries must be there.
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6; do
    [[ ", $(field Depends)" == *", $lib ("* ]] || fail "Depends '$(field Depends)' lacks $lib"
done
[ "$(field Description | head -1)" = "mouse training game for children" ] ||
    fail "the synopsis is '$(field Description | head -1)'"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' | grep -v '/$' | sort >"$E2E_TMP/have"
{
    echo usr/games/kvadrilka
    echo "usr/share/applications/$id.desktop"
    echo usr/share/doc/kvadrilka/changelog.Debian.gz
    echo usr/share/doc/kvadrilka/copyright
    echo usr/share/man/man6/kvadrilka.6.gz
    echo usr/share/man/ru/man6/kvadrilka.6.gz
    echo "usr/share/metainfo/$id.metainfo.xml"
    echo "usr/share/icons/hicolor/scalable/apps/$id.svg"
    for size in 16 22 24 32 48 64 128 256; do
        echo "usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
} | sort >"$E2E_TMP/want"
diff -u "$E2E_TMP/want" "$E2E_TMP/have" >&2 || fail "package contents differ (- wanted, + found)"

root="$E2E_TMP/root"
dpkg-deb -x "$deb" "$root"
game="$root/usr/games/kvadrilka"
[ -x "$game" ] || fail "usr/games/kvadrilka is not executable"
[[ $(file -b "$game") == *", stripped"* ]] || fail "the packaged binary is not stripped"

# lintian fails on errors only; its warnings are listed, with their reasons, in the README.
if ! lintian --fail-on error --tag-display-limit 0 "$deb" >"$E2E_TMP/lintian.log" 2>&1; then
    cat "$E2E_TMP/lintian.log" >&2
    fail "lintian found errors (or could not run)"
fi
grep -E '^W: ' "$E2E_TMP/lintian.log" || true

start_xvfb 1024x768
"$game" >"$E2E_TMP/game.log" 2>&1 &
E2E_PIDS+=($!)
wait_window "Квадрилка" 120 >/dev/null
kill -0 "${E2E_PIDS[-1]}" 2>/dev/null || fail "the unpacked game has died"

echo "deb_package: $(basename "$deb") builds, passes lintian and starts"
