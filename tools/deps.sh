#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages named on the command line that are not installed yet.
# Does nothing (and needs no network) when everything is already there.
set -euo pipefail

missing=()
for pkg in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# The server package would make a cluster and start it for good, on every boot; tests start
# their own. Debian's own switch is read when the package is installed, so it goes in first, and
# dpkg keeps it (confold) when postgresql-common brings its copy of the file.
if [[ " ${missing[*]} " == *" postgresql"* ]]; then
    conf=/etc/postgresql-common/createcluster.conf
    if ! grep -qsE '^[[:space:]]*create_main_cluster[[:space:]]*=[[:space:]]*false' "$conf"; then
        "${as_root[@]}" mkdir -p "${conf%/*}"
        echo "create_main_cluster = false" | "${as_root[@]}" tee -a "$conf" >/dev/null
    fi
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-confold \
    -o Dpkg::Options::=--force-confdef "${missing[@]}" </dev/null
