#!/usr/bin/env bash
# Runs one libFuzzer target of the native build for longer and merges what widened its coverage into
# fuzz/corpus/TARGET. Usage: tools/fuzz.sh TARGET [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
target=${1:?usage: tools/fuzz.sh TARGET [SECONDS]}
seconds=${2:-600}
CC=clang CXX=clang++ cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)" --target "$target"
mkdir -p "build/native/fuzz/corpus/$target"
"build/native/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix=build/native/fuzz/ "build/native/fuzz/corpus/$target" "fuzz/corpus/$target"
# What the run found that widens the coverage goes into the kept corpus, which the brief runs of the test
# command start from: commit it.
"build/native/fuzz/$target" -merge=1 -rss_limit_mb=2048 "fuzz/corpus/$target" "build/native/fuzz/corpus/$target"
