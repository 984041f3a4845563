#!/usr/bin/env bash
# Benchmarks, each a ratio against a floor measured in the same run (docs/performance.md explains them and
# holds the last results):
#  - whole chainer runs under Wine against bare programs of the same flavour doing the same platform work
#    (bench/perf.py: start-up, cost per log line, scale to 10,000 prerequisites, launches, download against
#    a bare WinINet program and curl, MD5 against md5sum, memory, the shipped file's size), medians of
#    alternating runs pinned to one CPU;
#  - Google Benchmark micro-benchmarks of the pure layer, built natively, to find hot spots.
# Usage: tools/bench.sh [i686|x86_64] [perf.py options, e.g. --runs 9 --only startup scale]
# Without a flavour it measures every flavour on every prefix this machine runs: where 32-bit programs start,
# i686 (the shipped chainer) on a win32 prefix and under WOW64 on a win64 prefix, and x86_64 on a win64
# prefix; elsewhere x86_64 only. With a flavour, only that one, on its own prefix (win32 for i686, win64 for
# x86_64; VELMORA_BENCH_ARCH=win64 runs i686 under WOW64 instead). Prefixes are
# build/bench/wine-<flavour>-<prefix>; each run's table is build/bench/work-<flavour>-<prefix>/results-*.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/flavour.sh
bash tools/install-deps.sh >/dev/null

velmora_pick_runnable
echo "Machine: $velmora_probe_line"
runs=()
case "${1:-}" in
i686) runs=("i686 ${VELMORA_BENCH_ARCH:-win32}"); shift ;;
x86_64) runs=("x86_64 win64"); shift ;;
*)
    if [ "$velmora_runs_32bit" = yes ]; then runs=("i686 win32" "i686 win64" "x86_64 win64"); else runs=("x86_64 win64"); fi
    ;;
esac

echo "Building the pure layer's micro-benchmarks (native, Release) and the chainer with its floors"
cmake -S . -B build/bench -DVELMORA_SANITIZE=OFF -DVELMORA_FUZZ=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target bench_pure >/dev/null
floors=(chainer bench_EmptyGui bench_FloorStartup bench_FloorLog bench_FloorDownload bench_FloorLaunch
    bench_DigestSpeed)
# The size goal is the shipped file's: the 32-bit chainer, built on every machine.
velmora_build i686 chainer >/dev/null
for run in "${runs[@]}"; do
    velmora_build "${run%% *}" "${floors[@]}" >/dev/null
done

echo "=== Pure layer (native, pinned to CPU 0)"
taskset -c 0 build/bench/bench/bench_pure

# A private X display, as Windows always has a desktop: without one, Wine starts and stops a desktop
# process around every run that touches a window.
source tools/xvfb.sh
start_xvfb
trap 'stop_xvfb' EXIT
results=()
for run in "${runs[@]}"; do
    flavour=${run%% *} arch=${run##* }
    echo "=== Whole runs under Wine ($flavour, WINEARCH=$arch)"
    # Each prefix in a shell of its own: the flavours' Wine variables differ (WINELOADER).
    (
        velmora_wine_env "$flavour" "$root/build/bench/wine-$flavour-$arch" "$arch"
        export VELMORA_WINE=$velmora_wine
        # The prefix's server is started here, pinned like everything measured (one left running is stopped
        # first).
        wineserver -k 2>/dev/null || true
        (taskset -c 0 wineserver -p; taskset -c 0 "$velmora_wine" cmd /c exit) </dev/null >/dev/null 2>&1
        trap 'wineserver -k 2>/dev/null || true' EXIT
        /usr/bin/python3 bench/perf.py "$(velmora_build_dir "$flavour")/bin" "build/bench/work-$flavour-$arch" \
            "$flavour" --shipped "$(velmora_build_dir i686)/bin/chainer.exe" "$@"
    )
    results+=("build/bench/work-$flavour-$arch/results-$flavour-$arch.md")
done
echo "=== Tables"
for table in "${results[@]}"; do
    echo
    cat "$table"
done
