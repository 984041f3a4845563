#!/usr/bin/env bash
# Builds the chainer and runs it on the demo kit in examples/demo under Wine, then shows its exit code and
# its log. Installs what the machine lacks first. Usage: tools/demo.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win -j"$(nproc 2>/dev/null || echo 2)" --target chainer exit_with

kit=build/demo/kit
rm -rf "$kit"
mkdir -p "$kit"
cp -r examples/demo/. "$kit/"
cp build/win/bin/chainer.exe "$kit/setup.exe"
# The demo's "installers": they create the registry key their prerequisite's search looks for.
cp build/win/bin/exit_with.exe "$kit/demo-runtime.exe"
cp build/win/bin/exit_with.exe "$kit/demo-tools.exe"

export WINEPREFIX="$root/build/demo/wine" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$WINEPREFIX"
source tools/xvfb.sh
[ -n "${DISPLAY:-}" ] || { start_xvfb; trap 'wineserver -k 2>/dev/null; stop_xvfb' EXIT; }
(wineserver -p; wine cmd /c exit) </dev/null >/dev/null 2>&1
# OS quirk (Wine 8, no window manager on Xvfb): managed windows wait two seconds on every close.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
wine reg delete 'HKCU\Software\Velmora' /f </dev/null >/dev/null 2>&1 || true

echo "Running $kit/setup.exe with $kit/setup.ini ..."
set +e
wine "$kit/setup.exe" </dev/null >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 255 ] && code=-1
echo "chainer exit code: $code"
if [ -f "$kit/setup.log" ]; then
    echo "--- $kit/setup.log"
    iconv -f UTF-16 -t UTF-8 "$kit/setup.log"
fi
wineserver -k 2>/dev/null || true
