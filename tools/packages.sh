# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages the project needs, sourced by the play and test scripts. What builds the game
# and runs its tests, and what the game needs to run, are written once, in debian/control (the
# tests' own ones marked <!nocheck>); the end-to-end tests' tools in debian/tests/control.
debian_dir="$(dirname "${BASH_SOURCE[0]}")/../debian"
# The packages FIELD names in FILE, one a line: "NAME" or "NAME <!nocheck>"; no versions,
# architectures, substitution variables or the tested package ("@"). debhelper's compat level is
# debhelper itself, which the test command's first build is configured with (debian/rules).
control_packages() {
    awk -v field="$2:" '/^#/ { next } /^[^ \t]/ { on = ($1 == field); sub(/^[^ \t]*:/, "") } on' "$1" |
        tr ',' '\n' | sed -e 's/([^)]*)//; s/\[[^]]*\]//; s/^[[:space:]]*//; s/[[:space:]]*$//' |
        sed 's/^debhelper-compat$/debhelper/' | grep -Ev '^($|@$|\$)' | tr -s ' '
}
# The compiler is the one package Debian assumes for every build (build-essential).
mapfile -t BUILD_PACKAGES < <(echo g++
    control_packages "$debian_dir/control" Build-Depends | grep -v '<!nocheck>'
    control_packages "$debian_dir/control" Depends
    control_packages "$debian_dir/control" Recommends)
DISPLAY_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick)
# The unit tests' packages, the end-to-end tests', and the install test's validators.
# postgresql: the school server's tests start a private one; deps.sh keeps the package from
# making and starting a system-wide one.
mapfile -t TEST_PACKAGES < <(
    control_packages "$debian_dir/control" Build-Depends | sed -n 's/ <!nocheck>$//p'
    control_packages "$debian_dir/tests/control" Depends
    printf '%s\n' desktop-file-utils appstream file)
# What tools/fresh-check.sh needs on the host that makes the bare roots.
FRESH_CHECK_PACKAGES=(mmdebstrap imagemagick git)
