#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build (scripts/build.sh DIR fuzz
# tavik_fuzzers) for SECONDS each, two at a time, starting from its committed
# seeds in tests/fuzz/corpus/<name>/, and prints the executions of each. A crash, a
# sanitizer report or an input that takes over 10 s fails the run; the input
# is kept in DIR/fuzz-findings/ (add it to the seeds once fixed: every run
# then replays it).
# Usage: scripts/fuzz.sh BUILD_DIR [SECONDS] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 BUILD_DIR [SECONDS] [target...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for binary in "$build"/tests/fuzz/fuzz_*; do
        [ -x "$binary" ] && targets+=("$(basename "$binary")")
    done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built in $build" >&2; exit 2; }

work=$(mktemp -d /tmp/tavik-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
findings="$build/fuzz-findings"
mkdir -p "$findings"

# One target from its seeds; its report line (and a finding's lines) goes to
# its own file, so that two can run at once and still report in order.
run_target() { # target
    local target=$1 name=${1#fuzz_} rc=0 runs
    local seeds=tests/fuzz/corpus/$name log="$work/$name.log"
    # New inputs go to a scratch corpus; the committed seeds stay as they are.
    mkdir -p "$work/$name"
    TMPDIR="$work" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$name-" "$work/$name" "$seeds" >"$log" 2>&1 || rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ $rc -eq 0 ]; then
        printf '%-22s %10s executions in %s s, no finding\n' "$name" "${runs:-?}" "$seconds"
    else
        printf '%-22s FINDING after %s executions (exit %d):\n' "$name" "${runs:-?}" "$rc"
        grep -E "ERROR|SUMMARY|Test unit written|deadly signal|timeout" "$log" | head -20 || true
    fi >"$work/$name.result"
}

# Two targets at a time (TAVIK_FUZZ_JOBS), one per core, in the order given.
parallel=${TAVIK_FUZZ_JOBS:-2}
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do
        wait -n || true
    done
    run_target "$target" &
done
wait

status=0
for target in "${targets[@]}"; do
    result="$work/${target#fuzz_}.result"
    cat "$result"
    grep -q FINDING "$result" && status=1
done
exit $status
