# Sourced by the scripts in tools/: which Windows build this machine can run, and how to build and run it.
#
# Two flavours come from the same sources: i686 (the shipped 32-bit chainer, build/win) and x86_64 (a 64-bit
# build for testing, build/win64). The 32-bit one runs only where the machine starts 32-bit programs
# (tools/probe-32bit.sh; VELMORA_32BIT=no forces the other path); the 64-bit one runs under Wine's 64-bit
# loader everywhere.

velmora_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Sets velmora_runs_32bit (yes or no) and velmora_probe_line (the answer with its reason).
velmora_probe() {
    velmora_probe_line=$(sh "$velmora_root/tools/probe-32bit.sh")
    velmora_runs_32bit=${velmora_probe_line%%:*}
}

# Sets velmora_runnable (the flavour whose chainer this machine runs: i686 where 32-bit programs start,
# x86_64 elsewhere) and the probe's answer as velmora_probe does.
velmora_pick_runnable() {
    velmora_probe
    if [ "$velmora_runs_32bit" = yes ]; then velmora_runnable=i686; else velmora_runnable=x86_64; fi
}

# Build folder of a flavour.
velmora_build_dir() {
    if [ "$1" = x86_64 ]; then echo "$velmora_root/build/win64"; else echo "$velmora_root/build/win"; fi
}

# Configures and builds a flavour (all targets, or the ones given after it).
velmora_build() {
    local flavour=$1
    shift
    local dir
    dir=$(velmora_build_dir "$flavour")
    cmake -S "$velmora_root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$velmora_root/cmake/mingw-$flavour.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    if [ $# -gt 0 ]; then
        local targets=()
        for target in "$@"; do targets+=(--target "$target"); done
        cmake --build "$dir" -j"$(nproc 2>/dev/null || echo 2)" "${targets[@]}"
    else
        cmake --build "$dir" -j"$(nproc 2>/dev/null || echo 2)"
    fi
}

# Exports what Wine needs to run a flavour's programs on the prefix given (made on first use): WINEPREFIX,
# WINEARCH, WINEDEBUG, WINEDLLOVERRIDES, and for x86_64 WINELOADER; sets velmora_wine to the loader to call.
# The 64-bit flavour needs Wine's 64-bit loader by name: /usr/bin/wine picks the 32-bit one whenever it is
# installed.
velmora_wine_env() {
    local flavour=$1 prefix=$2 arch=${3:-}
    if [ "$flavour" = x86_64 ]; then
        velmora_wine=/usr/lib/wine/wine64
        export WINELOADER=$velmora_wine
        arch=${arch:-win64}
    else
        velmora_wine=wine
        arch=${arch:-win32}
    fi
    export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
}
