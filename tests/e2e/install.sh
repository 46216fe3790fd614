#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks what lands there: the desktop entry passes
# its validator without a word, AppStream data without errors or warnings (infos, notes allowed).
source "$(dirname "$0")/lib.sh"
build=${1:?build directory}
bindir=${2:?folder of the program under the prefix}
id=org.example.Kvadrilka
prefix="$SCRATCH/prefix"
need desktop-file-validate:desktop-file-utils appstreamcli:appstream file:file

"${3:-cmake}" --install "$build" --prefix "$prefix" >"$SCRATCH/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$SCRATCH/install.log")"
sizes=(16 22 24 32 48 64 128 256)
printf '%s\n' "$bindir/kvadrilka" libexec/kvadrilka/kvadrilka-diary "share/applications/$id.desktop" share/man/{,ru/}man6/kvadrilka.6.gz \
    "share/metainfo/$id.metainfo.xml" share/doc/kvadrilka/examples/{kvadrilka,pg_service}.conf.example \
    share/kvadrilka/sql/school-{1,1-to-2,2-to-3,3-to-4}.sql \
    "share/icons/hicolor/scalable/apps/$id.svg" "${sizes[@]/%/\/apps\/$id.png}" |
    sed "s|^\([0-9]*\)/apps|share/icons/hicolor/\1x\1/apps|" | sort >"$SCRATCH/want"
(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort) >"$SCRATCH/have"
diff -u "$SCRATCH/want" "$SCRATCH/have" >&2 || fail "installed files differ (- wanted, + found)"
# The bitmaps are rendered from the SVG while building, each at its own size.
for size in "${sizes[@]}"; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [[ $(file -b "$png") == "PNG image data, $size x $size,"* ]] || fail "$png: $(file -b "$png")"
done
desktop="$prefix/share/applications/$id.desktop"
# What the menu starts and shows must be what was installed.
grep -qx "Exec=kvadrilka" "$desktop" && grep -qx "Icon=$id" "$desktop" ||
    fail "the desktop entry does not name the installed program and icon"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
for check in "validate --no-net --pedantic $metainfo" "validate-tree --no-net $prefix"; do
    # shellcheck disable=SC2086
    out=$(appstreamcli $check 2>&1) && ! grep -Eq '^ *[EW]: ' <<<"$out" ||
        fail "appstreamcli $check: $out"
done
echo "install: files in place, desktop entry and AppStream data valid"
