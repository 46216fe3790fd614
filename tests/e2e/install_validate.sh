#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and runs the freedesktop validators on what was
# installed: the desktop entry must pass without a word, the AppStream data without errors or
# warnings (infos and pedantic notes are allowed).
# Usage: install_validate.sh BUILD_DIR [CMAKE]
source "$(dirname "$0")/lib.sh"

build=${1:?build directory}
cmake=${2:-cmake}
id=org.example.Kvadrilka
prefix="$E2E_TMP/prefix"

command -v desktop-file-validate >/dev/null ||
    fail "desktop-file-validate is missing: install the Debian package desktop-file-utils"
command -v appstreamcli >/dev/null ||
    fail "appstreamcli is missing: install the Debian package appstream"

"$cmake" --install "$build" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1 ||
    { cat "$E2E_TMP/install.log" >&2; fail "cmake --install failed"; }

# Not a word from the validator, hints included.
out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) ||
    { echo "$out" >&2; fail "desktop-file-validate rejected the desktop entry"; }
[ -z "$out" ] || { echo "$out" >&2; fail "desktop-file-validate had something to say"; }

for check in "validate --no-net $prefix/share/metainfo/$id.metainfo.xml" \
    "validate --no-net --pedantic $prefix/share/metainfo/$id.metainfo.xml" \
    "validate-tree --no-net $prefix"; do
    # shellcheck disable=SC2086
    out=$(appstreamcli $check 2>&1) || { echo "$out" >&2; fail "appstreamcli $check failed"; }
    if grep -Eq '^ *[EW]: ' <<<"$out"; then
        echo "$out" >&2
        fail "appstreamcli $check reported errors or warnings"
    fi
done

echo "install_validate: desktop entry and AppStream data are valid"
