#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks what lands there: the desktop entry passes
# its validator without a word, AppStream data without errors or warnings (infos, notes allowed).
source "$(dirname "$0")/lib.sh"
build=${1:?build directory}
version=${2:?project version}
id=org.example.Kvadrilka
prefix="$E2E_TMP/prefix"
need desktop-file-validate:desktop-file-utils appstreamcli:appstream file:file

"${3:-cmake}" --install "$build" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$E2E_TMP/install.log")"
printf '%s\n' bin/kvadrilka "share/applications/$id.desktop" share/man/{,ru/}man6/kvadrilka.6.gz \
    share/doc/kvadrilka/{changelog.Debian.gz,copyright} "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" \
    share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/"$id".png |
    sort >"$E2E_TMP/want"
(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort) >"$E2E_TMP/have"
diff -u "$E2E_TMP/want" "$E2E_TMP/have" >&2 || fail "installed files differ (- wanted, + found)"
[ -x "$prefix/bin/kvadrilka" ] || fail "bin/kvadrilka is not executable"

for size in 16 22 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [[ $(file -b "$png") == "PNG image data, $size x $size,"* ]] || fail "$png: $(file -b "$png")"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG icon is no SVG"

for page in 'man6|^kvadrilka \\- mouse training game' 'ru/man6|Квадрилка учит детей'; do
    text=$(gzip -dc "$prefix/share/man/${page%%|*}/kvadrilka.6.gz") || fail "${page%%|*}: no gzip"
    [[ $(grep -m1 '^\.TH' <<<"$text") == ".TH KVADRILKA 6 "*"\"kvadrilka $version\""* ]] ||
        fail "the ${page%%|*} page is not a section 6 page of version $version"
    grep -q "${page#*|}" <<<"$text" || fail "the ${page%%|*} page lacks '${page#*|}'"
done
changelog_head=$(gzip -dc "$prefix/share/doc/kvadrilka/changelog.Debian.gz" | head -1)
[[ $changelog_head == "kvadrilka ($version-"[0-9]*") "* ]] ||
    fail "changelog.Debian.gz starts with '$changelog_head', not an entry for $version"

desktop="$prefix/share/applications/$id.desktop"
for line in Exec=kvadrilka "Icon=$id" "Name[ru]=Квадрилка" "Categories=Game;KidsGame;"; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry lacks $line"
done
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
for line in "<id>$id</id>" "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "<release version=\"$version\" date=\"2026-12-07\">"; do
    grep -qF "$line" "$metainfo" || fail "the metainfo lacks $line"
done

out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
for check in "validate --no-net $metainfo" "validate --no-net --pedantic $metainfo" \
    "validate-tree --no-net $prefix"; do
    # shellcheck disable=SC2086
    out=$(appstreamcli $check 2>&1) && ! grep -Eq '^ *[EW]: ' <<<"$out" ||
        fail "appstreamcli $check: $out"
done
echo "install: files in place, desktop entry and AppStream data valid"
