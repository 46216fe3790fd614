#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks what lands there: the exact file list,
# icon sizes that match their folders, manual pages that read back, a desktop entry that points
# at the installed program and icon; then the freedesktop validators: the desktop entry must pass
# without a word, the AppStream data without errors or warnings (infos and pedantic notes are
# allowed).
# Usage: install.sh BUILD_DIR VERSION [CMAKE]
source "$(dirname "$0")/lib.sh"

build=${1:?build directory}
version=${2:?project version}
cmake=${3:-cmake}
id=org.example.Kvadrilka
prefix="$E2E_TMP/prefix"

command -v desktop-file-validate >/dev/null ||
    fail "desktop-file-validate is missing: install the Debian package desktop-file-utils"
command -v appstreamcli >/dev/null ||
    fail "appstreamcli is missing: install the Debian package appstream"

"$cmake" --install "$build" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1 ||
    { cat "$E2E_TMP/install.log" >&2; fail "cmake --install failed"; }

icon_sizes=(16 22 24 32 48 64 128 256)
expected=(
    bin/kvadrilka
    "share/applications/$id.desktop"
    share/doc/kvadrilka/changelog.Debian.gz
    share/doc/kvadrilka/copyright
    share/man/man6/kvadrilka.6.gz
    share/man/ru/man6/kvadrilka.6.gz
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
)
for size in "${icon_sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
printf '%s\n' "${expected[@]}" | sort >"$E2E_TMP/want"
(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort) >"$E2E_TMP/have"
diff -u "$E2E_TMP/want" "$E2E_TMP/have" >&2 || fail "installed files differ (- wanted, + found)"

[ -x "$prefix/bin/kvadrilka" ] || fail "bin/kvadrilka is not executable"

# A PNG's width and height are the two big-endian words at byte 16 of its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" \
        $5*16777216+$6*65536+$7*256+$8}'
}
for size in "${icon_sizes[@]}"; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] ||
        fail "$png is not a PNG"
    have=$(png_size "$png")
    [ "$have" = "${size}x${size}" ] || fail "$png is $have, not ${size}x${size}"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ||
    fail "the SVG icon has no <svg>"

for page in share/man/man6/kvadrilka.6.gz share/man/ru/man6/kvadrilka.6.gz; do
    gzip -t "$prefix/$page" || fail "$page is not a valid gzip file"
    head=$(gzip -dc "$prefix/$page" | grep -m1 '^\.TH')
    [[ $head == ".TH KVADRILKA 6 "*"\"kvadrilka $version\""* ]] ||
        fail "$page starts with '$head', not a section 6 page of version $version"
done
gzip -dc "$prefix/share/man/man6/kvadrilka.6.gz" | grep -q '^kvadrilka \\- mouse training game' ||
    fail "the English manual page has no NAME line"
gzip -dc "$prefix/share/man/ru/man6/kvadrilka.6.gz" | grep -q 'Квадрилка учит детей' ||
    fail "the Russian manual page is not in Russian"
changelog_head=$(gzip -dc "$prefix/share/doc/kvadrilka/changelog.Debian.gz" | head -1)
[[ $changelog_head == "kvadrilka ($version-"[0-9]*") "* ]] ||
    fail "changelog.Debian.gz starts with '$changelog_head', not an entry for $version"

desktop="$prefix/share/applications/$id.desktop"
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = kvadrilka ] || fail "Exec is '$(key Exec)'"
[ -x "$prefix/bin/$(key Exec)" ] || fail "Exec names no installed program"
[ "$(key Icon)" = "$id" ] || fail "Icon is '$(key Icon)', not $id"
[ "$(key 'Name\[ru\]')" = Квадрилка ] || fail "Name[ru] is '$(key 'Name\[ru\]')'"
[ "$(key Categories)" = "Game;KidsGame;" ] || fail "Categories is '$(key Categories)'"

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\" date=\"2026-12-07\">" "$metainfo" ||
    fail "metainfo has no release $version"

# Not a word from the validator, hints included.
out=$(desktop-file-validate "$desktop" 2>&1) ||
    { echo "$out" >&2; fail "desktop-file-validate rejected the desktop entry"; }
[ -z "$out" ] || { echo "$out" >&2; fail "desktop-file-validate had something to say"; }

for check in "validate --no-net $metainfo" "validate --no-net --pedantic $metainfo" \
    "validate-tree --no-net $prefix"; do
    # shellcheck disable=SC2086
    out=$(appstreamcli $check 2>&1) || { echo "$out" >&2; fail "appstreamcli $check failed"; }
    if grep -Eq '^ *[EW]: ' <<<"$out"; then
        echo "$out" >&2
        fail "appstreamcli $check reported errors or warnings"
    fi
done

echo "install: ${#expected[@]} files in place, desktop entry and AppStream data valid"
