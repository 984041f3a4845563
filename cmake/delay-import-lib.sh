#!/bin/sh
# Makes a delay-import library for one system library from the toolchain's ordinary import library: every
# function the import library offers, under the same symbols, but bound on first call through the runtime's
# delay-load helper instead of by the loader at start.
# Usage: delay-import-lib.sh NM DLLTOOL OBJCOPY IMPORT_LIBRARY DLL_NAME OUTPUT [SYMBOL_PREFIX]
set -eu
nm=$1 dlltool=$2 objcopy=$3 import_library=$4 dll=$5 output=$6 prefix=${7:-}
def="$output.def"
{
    echo "LIBRARY \"$dll\""
    echo "EXPORTS"
    # 32-bit symbols carry a leading underscore that the export's name does not.
    "$nm" -g --defined-only "$import_library" |
        awk -v prefix="$prefix" '$2 == "T" { name = $3; if (prefix != "" && index(name, prefix) == 1) name = substr(name, length(prefix) + 1); print name }' |
        sort -u
} >"$def"
# --kill-at: the name looked up in the library is the function's plain name, as the import library has it.
"$dlltool" --kill-at --input-def "$def" --dllname "$dll" --output-delaylib "$output"
# ld quirk (binutils 2.40): in a member of an import library, ld drops a code section with relocations
# whose symbol nothing references, taking it for an unused jump stub. Here that section is the function's
# first-call thunk, which only the import address table refers to; calls through __imp_ pointers
# (dllimport) would then jump to address 0. Renamed and marked as not code, the thunks stay; they still land
# in the executable .text section, which takes every .text$* section by name.
"$objcopy" --rename-section '.text=.text$delayload,alloc,load,readonly,contents' "$output"
