#!/usr/bin/env bash
# Benchmarks: the configuration reader natively (Google Benchmark) and whole chainer runs under Wine
# (hyperfine), both pinned to one CPU as the numbers in docs/performance.md were. Usage: tools/bench.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/install-deps.sh
command -v hyperfine >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q hyperfine >/dev/null
dpkg -s libbenchmark-dev >/dev/null 2>&1 || DEBIAN_FRONTEND=noninteractive apt-get install -y -q libbenchmark-dev >/dev/null

cmake -S . -B build/bench -DVELMORA_SANITIZE=OFF -DVELMORA_FUZZ=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench -j2 --target bench_configuration >/dev/null
taskset -c 0 build/bench/bench/bench_configuration

# The shipped 32-bit chainer where this machine runs 32-bit programs, the 64-bit flavour elsewhere.
source tools/flavour.sh
velmora_pick_runnable
echo "Whole runs: the $velmora_runnable chainer ($velmora_probe_line)"
velmora_build "$velmora_runnable" chainer >/dev/null
bin=$(velmora_build_dir "$velmora_runnable")/bin

kits=build/bench/kits
rm -rf "$kits"
mkdir -p "$kits/none" "$kits/thirty"
cp "$bin/chainer.exe" "$kits/none/setup.exe"
cp "$bin/chainer.exe" "$kits/thirty/setup.exe"
# Thirty prerequisites of two registry searches each, evaluated and found missing; neither silent nor
# basic UI, so nothing is processed: start-up, reading, evaluation and exit.
python3 - "$kits/thirty/setup.ini" <<'PY'
import sys
text = "[GeneralOptions]\nOptions=\n[PREREQUISITES]\n" + "".join(f"App{i}=Prerequisite {i}\n" for i in range(1, 31))
for i in range(1, 31):
    text += (f"[App{i}]\nUrl=http://127.0.0.1:9/p{i}.exe\nCommandLine=/install\nNoUiCommandLine=/quiet\n"
             f"Options=m\nRetValPropName=Ret{i}\nSearchType1=2\nSearchString1=HKLM\\Software\\Bench\\P{i}\\Version\n"
             f"VerMin1=1.0\nSearchType2=5\nSearchString2=HKCU\\Software\\Bench\\P{i}\n")
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le"))
PY

velmora_wine_env "$velmora_runnable" "$root/build/bench/wine-$velmora_runnable"
(taskset -c 0 wineserver -p; taskset -c 0 "$velmora_wine" cmd /c exit) </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
hyperfine --warmup 3 --runs 30 -N \
    "taskset -c 0 $velmora_wine $kits/none/setup.exe" \
    "taskset -c 0 $velmora_wine $kits/thirty/setup.exe"
