#!/usr/bin/env bash
# Builds everything and runs every test: the Windows build under Wine (32-bit and 64-bit prefixes, end-to-end
# scenarios included) and the native sanitizer build of the pure layer with brief fuzzing.
# Installs what the machine lacks first. Usage: tools/test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)

bash tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$jobs"
CC=clang CXX=clang++ cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"

# Windows need a display: a private Xvfb, stopped by its PID at the end.
source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

status=0
ctest --test-dir build/native --output-on-failure -j"$jobs" || status=1
ctest --test-dir build/win --output-on-failure -j"$jobs" || status=1
echo "test command took $(( $(date +%s) - started )) s"
exit $status
