#!/usr/bin/env bash
# Builds the chainer and the package authors' tools, checks the demo kit in examples/demo with chainer-lint,
# shows with chainer-explain what the run will do, then runs the chainer on the kit under Wine and shows its
# exit code and its log. Installs what the machine lacks first. Runs the shipped 32-bit chainer where the
# machine starts 32-bit programs, and the 64-bit flavour of the same sources under Wine's 64-bit loader
# elsewhere.
# Usage: tools/demo.sh
set -Eeuo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/flavour.sh
step="installing what the machine lacks"
trap 'echo "tools/demo.sh stopped while $step: see the messages above." >&2' ERR

bash tools/install-deps.sh
velmora_pick_runnable
flavour=$velmora_runnable
if [ "$flavour" = i686 ]; then
    echo "Running the 32-bit chainer ($velmora_probe_line)."
else
    echo "Running the 64-bit flavour of the chainer under wine64: this machine cannot run the 32-bit one"
    echo "(${velmora_probe_line#no: })."
fi
step="building the chainer and the package authors' tools"
velmora_build "$flavour" chainer chainer-lint chainer-explain
bin=$(velmora_build_dir "$flavour")/bin

step="preparing the demo kit"
kit=build/demo/kit
rm -rf "$kit"
mkdir -p "$kit"
cp -r examples/demo/. "$kit/"
cp "$bin/chainer.exe" "$kit/setup.exe"

step="starting Wine"
velmora_wine_env "$flavour" "$root/build/demo/wine-$flavour"
source tools/xvfb.sh
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    stop_xvfb
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || start_xvfb
(wineserver -p; "$velmora_wine" cmd /c exit) </dev/null >/dev/null 2>&1
# OS quirk (Wine 8, no window manager on Xvfb): managed windows wait two seconds on every close.
"$velmora_wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
"$velmora_wine" reg delete 'HKCU\Software\Velmora' /f </dev/null >/dev/null 2>&1 || true

step="checking the kit"
echo "--- chainer-lint $kit"
"$velmora_wine" "$bin/chainer-lint.exe" "$kit" </dev/null
echo "--- chainer-explain $kit: what the chainer will do on this machine"
"$velmora_wine" "$bin/chainer-explain.exe" "$kit" </dev/null

step="running the chainer"
echo "Running $kit/setup.exe with $kit/setup.ini ..."
set +e
"$velmora_wine" "$kit/setup.exe" </dev/null >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 255 ] && code=-1
echo "chainer exit code: $code"
if [ "$code" -eq 126 ] || [ "$code" -eq 127 ]; then
    echo "Wine could not start the chainer (exit code $code)." >&2
fi
if [ -f "$kit/setup.log" ]; then
    echo "--- $kit/setup.log"
    iconv -f UTF-16 -t UTF-8 "$kit/setup.log"
fi
