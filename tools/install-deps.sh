#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to cross-build the chainer (32-bit and 64-bit flavours) and
# run its tests under Wine. Idempotent: does nothing when every tool is already there.
#
# Wine's 32-bit part is installed only where the machine runs 32-bit programs (tools/probe-32bit.sh): on a
# machine whose host runs 64-bit code only it could never start, and Wine's 64-bit loader does the work.
set -euo pipefail
source "$(dirname "$0")/flavour.sh"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

# Adds the i386 architecture when missing and updates the package lists once per run, then installs.
updated=no
install() {
    dpkg --print-foreign-architectures | grep -qx i386 || { $SUDO dpkg --add-architecture i386; updated=no; }
    if [ "$updated" = no ]; then
        $SUDO apt-get update -q
        updated=yes
    fi
    $SUDO apt-get install -y -q --no-install-recommends "$@"
}

need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev)
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
    need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
[ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
# The i386 loader answers whether this machine runs 32-bit programs.
[ -e /lib/ld-linux.so.2 ] || need+=(libc6:i386)
command -v wixl >/dev/null || need+=(wixl)
# makensis builds NSIS's example installers (nsis-doc) that the end-to-end scenarios chain.
command -v makensis >/dev/null || need+=(nsis)
[ -f /usr/share/doc/nsis/Examples/example2.nsi ] || need+=(nsis-doc)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xwd >/dev/null || need+=(x11-apps)
[ -x /usr/bin/convert-im6.q16 ] || need+=(imagemagick)
/usr/bin/python3 -c 'import pytest' 2>/dev/null || need+=(python3-pytest)
/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null || need+=(python3-pyftpdlib)
command -v cmake >/dev/null || need+=(cmake)
command -v clang++ >/dev/null || need+=(clang)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v openssl >/dev/null || need+=(openssl)
# Signs the end-to-end scenarios' test programs with certificates openssl makes at build time.
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v file >/dev/null || need+=(file)
# The pure layer's micro-benchmarks (bench/) build in every native build, so they cannot rot; tools/bench.sh
# also needs GNU time (peak memory) and curl (a peer of the download benchmark).
dpkg -s libbenchmark-dev >/dev/null 2>&1 || need+=(libbenchmark-dev)
[ -x /usr/bin/time ] || need+=(time)
command -v curl >/dev/null || need+=(curl)

[ ${#need[@]} -eq 0 ] || install "${need[@]}"

velmora_probe
if [ "$velmora_runs_32bit" = yes ] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
    install wine32:i386
fi
