#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the game on a private virtual display and prints one table: start-up time and memory
# against a Qt window with the same controls (a bare one beside it for comparison), the pacing of a real round, the response to a hit, and the processor
# time used while waiting. The table also goes to bench/results.md, or to the file given.
#
#   bench/run.sh [RESULTS_FILE]
#
# BENCH_RUNS      start-ups of each program to take the median of (default 21)
# BENCH_BUILD_DIR the Release build tree to use (default build-bench-release)
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
root=$PWD
results=$root/bench/results.md
[ $# -ge 1 ] && results=$(cd "$here" && realpath -m "$1")
build=${BENCH_BUILD_DIR:-build-bench-release}
runs=${BENCH_RUNS:-21}

source tools/packages.sh
tools/deps.sh "${BUILD_PACKAGES[@]}" "${DISPLAY_PACKAGES[@]}" libx11-dev postgresql \
    libqt6sql6-psql

echo "Building the game and the bench programs (Release) in $build ..."
# Testing on for the one test that times the school's server on a private PostgreSQL.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DBUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel 2 --target kvadrilka bench_bare bench_launchwatch \
    kvadrilka-diary bench_pacing bench_response bench_diaryopen bench_parentsreport \
    tst_schoolserver >/dev/null

source tools/display.sh
start_xvfb 1280x1024
unset QT_QPA_PLATFORM

game=$build/app/kvadrilka
bare=$build/bench/bare/bench_bare
watch=$build/bench/bench_launchwatch
data=$SCRATCH/bench
mkdir -p "$data"

# The value of KEY in key=value lines.
value() { sed -n "s/^$1=//p" <<<"$2"; }
median() {
    sort -g "$1" | awk '{v[NR] = $1}
        END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
# The q-th quartile (1 or 3) by nearest rank: the spread of start-up times.
quartile() { sort -g "$1" | awk -v q="$2" '{v[NR] = $1} END {i = int((NR * q + 3) / 4); print v[i]}'; }
calc() { awk "BEGIN {printf \"$1\", $2}"; }
verdict() { awk "BEGIN {print ($1) ? \"pass\" : \"**FAIL**\"}"; }
# User plus system time of a process in ms; fields 14 and 15 of stat, counted after the name.
cpu_ms() {
    sed 's/.*) //' "/proc/$1/stat" |
        awk -v hz="$(getconf CLK_TCK)" '{print ($12 + $13) * 1000 / hz}'
}

# One start-up of a program: time to its window, memory, start-up processor time.
launch() {
    local name=$1 out
    shift
    out=$("$watch" --settle 1000 -- "$@") || fail "$name did not start"
    for key in mapped_ms painted_ms rss_kib cpu_ms; do
        value "$key" "$out" >>"$data/$name.$key"
    done
}

echo "Start-up and memory: $runs start-ups of each program, alternated ..."
# The very first start reads libraries and font caches from disk; it is not counted.
"$watch" -- "$game" >/dev/null
"$watch" -- "$bare" >/dev/null
"$watch" -- "$bare" controls >/dev/null
for ((i = 0; i < runs; i++)); do
    if ((i % 2 == 0)); then
        launch ours "$game"
        launch bare "$bare"
        launch controls "$bare" controls
    else
        launch controls "$bare" controls
        launch bare "$bare"
        launch ours "$game"
    fi
done
declare -A m
for name in ours bare controls; do
    for key in mapped_ms painted_ms rss_kib cpu_ms; do
        m[${name}_$key]=$(median "$data/$name.$key")
        m[${name}_${key}_q1]=$(quartile "$data/$name.$key" 1)
        m[${name}_${key}_q3]=$(quartile "$data/$name.$key" 3)
    done
done

# Processor time a program uses over some seconds; its window must be up.
cpu_over() {
    local pid=$1 seconds=$2 before after
    before=$(cpu_ms "$pid")
    sleep "$seconds"
    after=$(cpu_ms "$pid")
    calc "%.0f" "$after - $before"
}

echo "Idle cost: 10 s of each settings window waiting, then 20 s of a round ..."
"$bare" &
bare_pid=$!
CHILD_PIDS+=("$bare_pid")
wait_window bare 60 >/dev/null
sleep 1
bare_idle_ms=$(cpu_over "$bare_pid" 10)
kill "$bare_pid"

"$game" &
game_pid=$!
CHILD_PIDS+=("$game_pid")
settings=$(wait_window "Квадрилка" 60)
sleep 1
ours_idle_ms=$(cpu_over "$game_pid" 10)
# "Старт" is the button at 16..105, 192..233 of the settings window.
click_at "$settings" 60 212
wait_window game 60 >/dev/null
sleep 1
ours_round_ms=$(cpu_over "$game_pid" 20)
kill "$game_pid"

echo "Pacing: one whole round on the real timer (about 53 s) ..."
pacing=$("$build/bench/bench_pacing" 2>"$data/pacing.log") || {
    cat "$data/pacing.log" >&2
    fail "the pacing round did not finish"
}
echo "Response: 300 hits ..."
response=$("$build/bench/bench_response" 300) || fail "the response run did not finish"

echo "Diary: 10,000 rounds written, then the window opened on them; a class of 40 the same ..."
diary=$("$build/bench/bench_diaryopen") || fail "the diary run did not finish"
echo "Parents' report: one child's PDF of 250 rounds ..."
report=$("$build/bench/bench_parentsreport") || fail "the parents' report was not written"
echo "School server: 1,000 waiting rounds sent; a class of 500 children × 200 rounds read ..."
school=$(QT_QPA_PLATFORM=offscreen "$build/tests/tst_schoolserver" \
    aThousandWaitingRoundsAndAClassOfAHundredThousand 2>&1 |
    sed -n 's/.*\(school_[a-z0-9_]*=[0-9]*\).*/\1/p') || fail "the school server's run failed"

worst=$(value worst_ms "$pacing")
round=$(value round_ms "$pacing")
round_due=$(value round_due_ms "$pacing")
drift=$(value drift_ms_per_target "$pacing")
p99=$(value flushed_p99_ms "$response")

row() { printf '| %s | %s | %s | %s | %s | %s |\n' "$@"; }
# A median of ours against one yardstick: LABEL KEY YARDSTICK GOAL_RATIO ("" = for comparison).
# Times swing with the machine's load: their quartiles go beside the medians.
compared() {
    local label=$1 key=$2 other=$3 limit=$4 ours theirs unit=ms scale=1 spread=""
    local goal="for comparison" result="–" format
    ours=${m[ours_$key]}
    theirs=${m[${other}_$key]}
    if [ "$key" = rss_kib ]; then
        unit=MiB
        scale=1024
    else
        spread=" (%.0f–%.0f)"
    fi
    if [ -n "$limit" ]; then
        goal="≤ $limit × window with the same controls"
        result=$(verdict "$ours <= $limit * $theirs")
    fi
    format="%.1f $unit$spread"
    row "$label" \
        "$(calc "$format" "$ours / $scale${spread:+, ${m[ours_${key}_q1]}, ${m[ours_${key}_q3]}}")" \
        "$(calc "$format" "$theirs / $scale${spread:+, ${m[${other}_${key}_q1]}, ${m[${other}_${key}_q3]}}")" \
        "$(calc '%.2f' "$ours / $theirs")" "$goal" "$result"
}
table=$(
    row "Figure" "Ours" "Baseline" "Ratio" "Goal" "Result"
    row "---" "---:" "---:" "---:" "---" "---"
    compared "Start-up to settings window mapped, median of $runs (quartiles)" mapped_ms controls 1.05
    compared "Start-up to first picture standing, median (quartiles)" painted_ms controls 1.05
    compared "Resident memory 1 s after mapping, median" rss_kib controls 1.05
    compared "Start-up to mapped, against the bare window" mapped_ms bare ""
    compared "First picture standing, against the bare window" painted_ms bare ""
    compared "Resident memory, against the bare window" rss_kib bare ""
    row "Pacing: furthest tick from its due time" "$(calc '%.2f ms' "$worst")" "–" "–" \
        "≤ 5 ms" "$(verdict "$worst <= 5")"
    row "Pacing: round from Start to the 30th tick" "$(calc '%.1f ms' "$round")" \
        "$(calc '%.0f ms' "$round_due")" "$(calc '%+.1f ms' "$round - $round_due")" \
        "within 20 ms" "$(verdict "$round - $round_due <= 20 && $round_due - $round <= 20")"
    row "Pacing: drift (lateness against target number, fitted)" \
        "$(calc '%+.3f ms/target' "$drift")" "–" "–" "< 0.1 ms per target" \
        "$(verdict "$drift < 0.1")"
    row "Response: press to red square painted and flushed, p99 of 300" \
        "$(calc '%.2f ms' "$p99")" "–" "–" "≤ 16 ms" "$(verdict "$p99 <= 16")"
    row "Diary window opened on 10,000 rounds, to its first picture" \
        "$(calc '%.0f ms' "$(value diary_open_ms "$diary")")" "–" "–" "≤ 300 ms" \
        "$(verdict "$(value diary_open_ms "$diary") <= 300")"
    row "Diary window on a class of 40 children × 250 rounds, class view to its first picture" \
        "$(calc '%.0f ms' "$(value class_open_ms "$diary")")" "–" "–" "≤ 300 ms" \
        "$(verdict "$(value class_open_ms "$diary") <= 300")"
    row "Diary window: one child of those opened from the class view, to its chart painted" \
        "$(calc '%.0f ms' "$(value class_child_open_ms "$diary")")" "–" "–" "≤ 200 ms" \
        "$(verdict "$(value class_child_open_ms "$diary") <= 200")"
    row "Diary: one round of 30 targets written at its end" \
        "$(calc '%.1f ms' "$(value diary_round_write_ms "$diary")")" "–" "–" "≤ 50 ms" \
        "$(verdict "$(value diary_round_write_ms "$diary") <= 50")"
    row "Parents' report: one child's PDF page of 250 rounds written" \
        "$(calc '%.0f ms' "$(value report_ms "$report")")" "–" "–" "≤ 1000 ms" \
        "$(verdict "$(value report_ms "$report") <= 1000")"
    row "School server: 1,000 waiting rounds of 30 targets sent by one run" \
        "$(calc '%.0f ms' "$(value school_drain_1000_ms "$school")")" "–" "–" "≤ 10000 ms" \
        "$(verdict "$(value school_drain_1000_ms "$school") <= 10000")"
    row "School server: the teacher's class view of 500 children × 200 rounds read" \
        "$(calc '%.0f ms' "$(value school_class_view_100000_ms "$school")")" "–" "–" \
        "≤ 500 ms" "$(verdict "$(value school_class_view_100000_ms "$school") <= 500")"
    row "Processor time, settings window waiting 10 s" \
        "$(calc '%.0f ms (%.2f %%)' "$ours_idle_ms, $ours_idle_ms / 100")" \
        "$(calc '%.0f ms (%.2f %%)' "$bare_idle_ms, $bare_idle_ms / 100")" "–" \
        "≤ 10 ms (0.1 % of a core)" "$(verdict "$ours_idle_ms <= 10")"
    row "Processor time, 20 s of a round" \
        "$(calc '%.0f ms (%.2f %%)' "$ours_round_ms, $ours_round_ms / 200")" "–" "–" \
        "≤ 100 ms (0.5 % of a core)" "$(verdict "$ours_round_ms <= 100")"
)

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
qt=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo unknown)
machine="$(nproc) cores ($cpu), $memory memory, $os, Qt $qt, Xvfb"
details="Response p50 $(calc '%.2f' "$(value flushed_p50_ms "$response")") ms, \
max $(calc '%.2f' "$(value flushed_max_ms "$response")") ms; \
pacing earliest $(calc '%+.2f' "$(value earliest_ms "$pacing")") ms, \
latest $(calc '%+.2f' "$(value latest_ms "$pacing")") ms; start-up processor time (median) \
ours ${m[ours_cpu_ms]} ms, bare ${m[bare_cpu_ms]} ms, same controls ${m[controls_cpu_ms]} ms."

{
    echo "Run $(date -u '+%Y-%m-%d %H:%M UTC') on $machine."
    echo
    echo "$table"
    echo
    echo "$details"
    echo
    echo "Pacing, tick by tick:"
    echo
    echo '```'
    cat "$data/pacing.log"
    echo '```'
} >"$results"

echo
echo "$table"
echo
echo "$details"
echo "Machine: $machine"
echo "Written to $results"
