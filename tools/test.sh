#!/usr/bin/env bash
# Builds everything and runs every test: the native sanitizer build of the pure layer with brief fuzzing;
# the 64-bit flavour's Windows tests and end-to-end scenarios under Wine's 64-bit loader (on every machine);
# and, where the machine runs 32-bit programs, the shipped 32-bit chainer's on a 32-bit and a 64-bit (WOW64)
# prefix. Installs what the machine lacks first. Usage: tools/test.sh
set -Eeuo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/flavour.sh
started=$(date +%s)
step="installing what the machine lacks"
trap 'echo "tools/test.sh stopped while $step: see the messages above." >&2' ERR

bash tools/install-deps.sh
velmora_probe
echo "32-bit programs: $velmora_probe_line"
if [ "$velmora_runs_32bit" = yes ]; then
    echo "Test path: the 32-bit chainer on 32-bit and WOW64 prefixes, and the 64-bit flavour under wine64."
else
    echo "Test path: the 64-bit flavour under wine64; the 32-bit chainer is built and checked, not run."
fi

step="building the 32-bit chainer and its tests (build/win)"
velmora_build i686
step="building the 64-bit flavour and its tests (build/win64)"
velmora_build x86_64
step="building the native tests (build/native)"
jobs=$(nproc 2>/dev/null || echo 2)
CC=clang CXX=clang++ cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"

# Windows need a display: a private Xvfb, stopped by its PID at the end.
step="starting a private X display"
source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

step="running the tests"
status=0
failed=()
# A Wine test that fails is run once more: on a loaded two-CPU machine a Wine program can miss a window or
# a deadline that the test allows for. The first failure's output stays in the log, and the tests that only
# passed the second time are named at the end, so a real intermittent fault is still seen.
rerun=()
run_suite() {
    local name=$1 dir=$2 output
    echo "=== $name"
    output=$(mktemp)
    if ! ctest --test-dir "$dir" --output-on-failure -j"$jobs" --repeat until-pass:2 | tee "$output"; then
        status=1
        failed+=("$name")
    fi
    rerun+=($(grep -oE 'Test +#[0-9]+: [^ ]+ \.+\*\*\*(Failed|Timeout|Exception)' "$output" |
        sed -E 's/.*: ([^ ]+) .*/\1/' | sort -u || true))
    rm -f "$output"
}
run_suite "native tests and fuzzers" build/native
run_suite "64-bit flavour under wine64" build/win64
if [ "$velmora_runs_32bit" = yes ]; then
    run_suite "32-bit chainer on 32-bit and WOW64 prefixes" build/win
else
    run_suite "32-bit chainer, checked as a file only" build/win
fi
echo "test command took $(( $(date +%s) - started )) s"
if [ ${#rerun[@]} -ne 0 ]; then
    echo "Failed once, run again: ${rerun[*]}." >&2
fi
if [ $status -ne 0 ]; then
    echo "Failed: ${failed[*]}." >&2
fi
exit $status
