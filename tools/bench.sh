#!/usr/bin/env bash
# Benchmarks, each a ratio against a floor measured in the same run (docs/performance.md explains them and
# holds the last results):
#  - whole chainer runs under Wine against bare programs of the same flavour doing the same platform work
#    (bench/perf.py: start-up, cost per log line, scale to 10,000 prerequisites, launches, download against
#    a bare WinINet program and curl, MD5 against md5sum, memory, the shipped file's size), medians of
#    alternating runs pinned to one CPU;
#  - Google Benchmark micro-benchmarks of the pure layer, built natively, to find hot spots.
# Usage: tools/bench.sh [i686|x86_64] [perf.py options, e.g. --runs 9 --only startup scale]
# The flavour defaults to the one this machine runs (the shipped 32-bit one where 32-bit programs start;
# VELMORA_32BIT=no picks x86_64); its prefix is build/bench/wine-<flavour> (WINEARCH win32 for i686, win64
# for x86_64; VELMORA_BENCH_ARCH=win64 runs the 32-bit chainer under WOW64 instead).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/flavour.sh
bash tools/install-deps.sh >/dev/null

velmora_pick_runnable
flavour=$velmora_runnable
case "${1:-}" in i686 | x86_64) flavour=$1; shift ;; esac
echo "Flavour: $flavour ($velmora_probe_line)"

echo "Building the pure layer's micro-benchmarks (native, Release) and the $flavour chainer with its floors"
cmake -S . -B build/bench -DVELMORA_SANITIZE=OFF -DVELMORA_FUZZ=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target bench_pure >/dev/null
floors=(chainer bench_EmptyGui bench_FloorStartup bench_FloorLog bench_FloorDownload bench_FloorLaunch
    bench_DigestSpeed)
velmora_build "$flavour" "${floors[@]}" >/dev/null
# The size goal is the shipped file's: the 32-bit chainer, built on every machine.
[ "$flavour" = i686 ] || velmora_build i686 chainer >/dev/null

echo "=== Pure layer (native, pinned to CPU 0)"
taskset -c 0 build/bench/bench/bench_pure

# A private X display, as Windows always has a desktop: without one, Wine starts and stops a desktop
# process around every run that touches a window.
source tools/xvfb.sh
start_xvfb
velmora_wine_env "$flavour" "$root/build/bench/wine-$flavour" "${VELMORA_BENCH_ARCH:-}"
export VELMORA_WINE=$velmora_wine
# The prefix's server is started here, pinned like everything measured (one left running is stopped first).
wineserver -k 2>/dev/null || true
(taskset -c 0 wineserver -p; taskset -c 0 "$velmora_wine" cmd /c exit) </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
echo "=== Whole runs under Wine ($flavour, WINEARCH=$WINEARCH)"
/usr/bin/python3 bench/perf.py "$(velmora_build_dir "$flavour")/bin" build/bench/work-$flavour "$flavour" \
    --shipped "$(velmora_build_dir i686)/bin/chainer.exe" "$@"
