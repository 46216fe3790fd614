#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves the README's commands on a fresh minimal Debian 12: in a bare root made with mmdebstrap
# it runs the test command, then the play command's headless path, and checks the screenshot;
# then it builds the Debian package there with dpkg-buildpackage (in the test command's first
# build, which it finds done), checks it with lintian, and runs its autopkgtests in a second bare
# root. Only the bare root and downloaded .deb files are cached: neither proves anything.
#
#   tools/fresh-check.sh        (as root, or as a user with sudo)
#
# FRESH_CACHE (default /var/cache/kvadrilka-fresh) holds the cache, FRESH_TMP (default /var/tmp)
# the roots while they are in use; the roots are removed afterwards, also on failure.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "fresh-check: $*"; }
die() {
    echo "fresh-check: FAILED: $*" >&2
    echo "fresh-check: $passed passed, 1 failed"
    exit 1
}
passed=0

if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null ||
        { echo "fresh-check: needs root (or sudo) to make and enter a Debian root" >&2; exit 1; }
    exec sudo --preserve-env=CI,FRESH_CACHE,FRESH_TMP "$0" "$@"
fi
source tools/packages.sh
tools/deps.sh "${FRESH_CHECK_PACKAGES[@]}"
# The whole check runs in a mount namespace of its own: whatever it mounts is gone when it ends,
# however it ends.
[ -n "${FRESH_NAMESPACE:-}" ] ||
    exec unshare --mount --propagation private env FRESH_NAMESPACE=1 "$0" "$@"

cache=${FRESH_CACHE:-/var/cache/kvadrilka-fresh}
mkdir -p "$cache/debs/partial"
exec 9>"$cache/lock"
flock -n 9 || die "another fresh check is using $cache"

# A root with the build and test packages takes about 4 GiB, the two builds 2 more, the root of
# the autopkgtests 1 more. In memory, where there is room, they build faster: dpkg syncs every
# file it unpacks.
need_gib=10
tmp_root=${FRESH_TMP:-/var/tmp}
free_gib=$(df --output=avail -BG "$cache" | tail -n 1 | tr -dc 0-9)
((free_gib >= 1)) || die "only ${free_gib} GiB free in $cache for the cache, 1 GiB needed"
inside_pids=() work=''
finish() {
    # The roots' own mounts live in their namespaces and end with them.
    local pid
    for pid in "${inside_pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    # What the steps said stays for a look afterwards.
    if [ -n "$work" ]; then
        rm -rf build/fresh-check && mkdir -p build/fresh-check
        cp "$work"/*.log build/fresh-check/ 2>/dev/null || true
    fi
    umount "$work" 2>/dev/null || true
    [ -n "$work" ] && rm -rf --one-file-system "$work"
}
trap finish EXIT
work=$(mktemp -d "$tmp_root/kvadrilka-fresh.XXXXXX")
memory_gib=$(awk '/^MemAvailable:/ { print int($2 / 1048576) }' /proc/meminfo)
if ((memory_gib >= need_gib + 8)); then
    mount -t tmpfs -o size=${need_gib}G,mode=755 fresh-check "$work"
    say "the roots are kept in memory (${memory_gib} GiB available)"
else
    free_gib=$(df --output=avail -BG "$tmp_root" | tail -n 1 | tr -dc 0-9)
    ((free_gib >= need_gib)) || die "only ${free_gib} GiB free in $tmp_root, $need_gib GiB needed"
fi
trap 'exit 130' INT TERM

step_start=$SECONDS
step() {
    say "$1 ($((SECONDS - step_start)) s)"
    passed=$((passed + 1))
    step_start=$SECONDS
}
# The first apt or mmdebstrap error line, or the last line when there is none.
first_error() {
    { grep -m 1 -E '^(E|W): |Could not|Failed to fetch|Temporary failure' "$1" || tail -n 1 "$1"; } |
        sed 's/^[[:space:]]*//'
}

# What the host's apt reads to reach its package sources: the sources themselves, the keyrings
# they name, and settings of how to get there (a proxy, or an archive snapshot's old dates).
host_sources=()
[ -s /etc/apt/sources.list ] && host_sources+=(/etc/apt/sources.list)
for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && host_sources+=("$f")
done
((${#host_sources[@]})) || die "the host has no apt sources to copy"
host_apt_settings=()
for f in /etc/apt/apt.conf /etc/apt/apt.conf.d/*; do
    [ -f "$f" ] && grep -qiE 'proxy|Check-Valid-Until|Check-Date' "$f" && host_apt_settings+=("$f")
done

# The bare base: --variant=apt with what a bare install adds. Named by what made it, remade when
# a week old.
base_key=$(cat "${host_sources[@]}" "${host_apt_settings[@]}" | sha256sum | cut -c1-12)
base="$cache/bookworm-apt-$base_key.tar"
if [ -f "$base" ] && [ -n "$(find "$base" -mtime -7)" ]; then
    step "bare Debian 12 root from the cache, $((($(date +%s) - $(stat -c %Y "$base")) / 3600)) h old"
else
    rm -f "$cache"/bookworm-apt-*.tar
    aptopts=()
    for f in "${host_apt_settings[@]}"; do aptopts+=(--aptopt="$f"); done
    mmdebstrap --variant=apt --include=sudo,ca-certificates "${aptopts[@]}" \
        bookworm "$work/base.tar" "${host_sources[@]}" >"$work/mmdebstrap.log" 2>&1 ||
        die "could not make a bare Debian 12 root; the package sources may not answer: $(first_error "$work/mmdebstrap.log")"
    mv "$work/base.tar" "$base"
    step "bare Debian 12 root made with mmdebstrap"
fi

# make_root NAME: a new root from the base, with the host's apt sources, settings and resolver.
make_root() {
    local root="$work/$1" f key
    mkdir "$root"
    tar -xf "$base" -C "$root"
    rm -f "$root/etc/apt/sources.list" "$root"/etc/apt/sources.list.d/*
    for f in "${host_sources[@]}"; do cp "$f" "$root$f"; done
    for key in $(sed -n 's/^[[:space:]]*Signed-By:[[:space:]]*\(\/[^[:space:]]*\).*/\1/p; s/.*signed-by=\([^] ]*\).*/\1/p' \
        "${host_sources[@]}" | sort -u); do
        [ -f "$key" ] && [ ! -e "$root$key" ] && install -D -m 644 "$key" "$root$key"
    done
    for f in "${host_apt_settings[@]}"; do cp "$f" "$root/etc/apt/apt.conf.d/${f##*/}"; done
    rm -f "$root/etc/resolv.conf"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mkdir -p "$root/var/cache/apt/archives"
}

# inside_start NAME COMMAND...: starts COMMAND in the root, in namespaces of its own, in the
# background (its pid in inside_pid): its mounts are gone and every process it started is ended
# when it returns, however it ends.
inside_start() {
    local root="$work/$1"
    shift
    unshare --mount --pid --fork --kill-child --propagation private -- bash -c '
        set -e
        root=$1 && shift
        mount -t proc proc "$root/proc"
        mount -t sysfs sysfs "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
        mount --bind "$FRESH_DEBS" "$root/var/cache/apt/archives"
        exec chroot "$root" /usr/bin/env -i HOME=/root CI="${CI:-}" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin:/usr/games "$@"
        ' inside "$root" "$@" &
    inside_pid=$!
    inside_pids+=("$inside_pid")
}
# inside NAME COMMAND...: the same, waited for.
inside() {
    inside_start "$@"
    wait "$inside_pid"
}
export FRESH_DEBS="$cache/debs"

# Whether apt in the root reaches the package sources, said in one line when it does not.
reach_sources() {
    inside "$1" apt-get update >"$work/update.log" 2>&1 && ! grep -qE '^(W|E): ' "$work/update.log" ||
        die "apt in the bare root does not reach the package sources (no network?): $(first_error "$work/update.log")"
}

make_root build
mkdir -p "$work/build/src/kvadrilka"
git archive HEAD | tar -x -C "$work/build/src/kvadrilka"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    say "note: uncommitted changes are not checked, only HEAD $(git rev-parse --short HEAD)"
reach_sources build
step "root for the README's commands ready, HEAD $(git rev-parse --short HEAD) in /src/kvadrilka"

# The README's second command, as a new user runs it.
inside build bash -c 'cd /src/kvadrilka && tools/test.sh' </dev/null ||
    die "the README's test command failed in the bare root"
step "the README's test command passed in the bare root"

# The first command's headless path, and its screenshot taken out and looked at.
inside build bash -c 'cd /src/kvadrilka && tools/play.sh' </dev/null ||
    die "the README's play command failed in the bare root"
shot="$work/kvadrilka-settings.png"
cp "$work/build/src/kvadrilka/kvadrilka-settings.png" "$shot" ||
    die "the play command left no screenshot"
# The settings window's client area is 348 x 250; its face is drawn in grey with black text.
read -r format width height colours < <(identify -format '%m %w %h %k\n' "$shot" 2>/dev/null) ||
    die "the screenshot is not a picture"
[ "$format $width $height" = "PNG 348 250" ] ||
    die "the screenshot is a $format of $width x $height, not the 348 x 250 settings window"
((colours >= 8)) || die "the screenshot has only $colours colours: nothing drawn"
dark=$(convert "$shot" -colorspace Gray -format '%[fx:mean<0.5]' info:)
[ "$dark" = 0 ] || die "the screenshot is mostly dark: not the settings window"
mkdir -p build
cp "$shot" build/fresh-check-settings.png
step "the README's play command ran the game; its screenshot (${width} x ${height}, $colours colours) is in build/fresh-check-settings.png"

# The Debian package as the README builds it: the build packages from debian/control alone, then
# dpkg-buildpackage in the test command's first build (build/ci; -nc keeps it), which it finds
# done: it configures again, compiles nothing, runs the unit tests and packs. The sanitizer build
# is done with and makes room.
rm -rf "$work/build/src/kvadrilka/build/asan"
inside build bash -c 'cd /src/kvadrilka && DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -qq ./' \
    </dev/null >"$work/build-dep.log" 2>&1 ||
    die "apt-get build-dep ./ failed: $(first_error "$work/build-dep.log")"
inside_start build bash -c "cd /src/kvadrilka &&
    DEB_BUILD_OPTIONS=parallel=$(($(nproc) + 1)) dpkg-buildpackage -us -uc -b -nc" \
    </dev/null >"$work/package.log" 2>&1
package_pid=$inside_pid
# Meanwhile a second bare root gets autopkgtest and what the tests need besides the package (no
# service starts in it, and the tests make their own cluster), then lintian comes into this one:
# one after the other, since the roots share apt's cache and its lock.
make_root package
printf '#!/bin/sh\nexit 101\n' >"$work/package/usr/sbin/policy-rc.d"
chmod +x "$work/package/usr/sbin/policy-rc.d"
mkdir -p "$work/package/etc/postgresql-common"
echo "create_main_cluster = false" >"$work/package/etc/postgresql-common/createcluster.conf"
reach_sources package
mapfile -t test_depends < <(control_packages debian/tests/control Depends | sort -u)
inside package bash -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o Dpkg::Options::=--force-confold autopkgtest "$@"' tools "${test_depends[@]}" \
    </dev/null >"$work/package-tools.log" 2>&1 ||
    die "the autopkgtests' tools do not install: $(first_error "$work/package-tools.log")"
inside build bash -c 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends lintian' \
    </dev/null >"$work/lintian-install.log" 2>&1 ||
    die "lintian does not install: $(first_error "$work/lintian-install.log")"
step "beside the package build: a second bare root with autopkgtest and the tests' tools, \
lintian in the first"

wait "$package_pid" || die "dpkg-buildpackage failed: $(tail -n 5 "$work/package.log")"
# debhelper's build step runs ninja -v: every file compiled again shows as its command.
compiled=$(grep -cE ' -o [^ ]+\.o -c ' "$work/package.log" || true)
((compiled == 0)) ||
    die "the package build compiled $compiled files again: build/ci is not configured as \
debian/rules configures it"
changes=("$work"/build/src/kvadrilka_*.changes)
debs=("$work"/build/src/kvadrilka_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] && [ -f "${changes[0]}" ] ||
    die "dpkg-buildpackage made no single package: ${debs[*]##*/}"
deb=${debs[0]##*/}
step "package $deb built with its unit tests, nothing compiled again"

# lintian in the first root while the autopkgtests run in the second: no error, warning or
# info, no pedantic tag that is not overridden with its reason.
inside_start build lintian --pedantic --display-info --fail-on error,warning,info,pedantic \
    "/src/${changes[0]##*/}" </dev/null >"$work/lintian.log" 2>&1
lintian_pid=$inside_pid
mkdir -p "$work/package/src/kvadrilka"
git archive HEAD | tar -x -C "$work/package/src/kvadrilka"
cp "${debs[0]}" "$work/package/src/"
# 0 only: 2 would be a skipped test, 8 none run.
status=0
inside package autopkgtest "/src/$deb" /src/kvadrilka/ -- null \
    </dev/null >"$work/autopkgtest.log" 2>&1 ||
    status=$?
if ((status != 0)); then
    tail -n 60 "$work/autopkgtest.log" >&2
    die "autopkgtest ended with status $status"
fi
# The summary: one line a test.
sed -n '/@@@@@@@@ summary/,/Binaries: resetting/p' "$work/autopkgtest.log" | sed '1d;$d'
step "package installed in a bare root; its autopkgtests passed there"
lintian_status=0
wait "$lintian_pid" || lintian_status=$?
cat "$work/lintian.log"
((lintian_status == 0)) || die "lintian found what it should not (status $lintian_status)"
step "lintian --pedantic on ${changes[0]##*/}: nothing to say"
# Packages no longer in the sources leave the shared cache.
inside build apt-get -qq autoclean >/dev/null 2>&1 </dev/null || true

say "$passed passed, 0 failed"
