#!/usr/bin/env bash
# Takes the screenshots of the chainer's windows shown in README.md (docs/images/*.png) from a build in
# build/win: each window is shown by tests/ui/UiGallery.cpp on a private Xvfb display and Wine prefix,
# captured with xwd and cut to the window's rectangle. Usage: tools/screenshots.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bin="$root/build/win/bin"
out="$root/docs/images"
mkdir -p "$out"

export WINEPREFIX="$root/build/wine-screenshots" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
source tools/xvfb.sh
start_xvfb
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    stop_xvfb
}
trap cleanup EXIT
# Unmanaged windows: without a window manager Wine then draws the frames and captions itself.
(wineserver -p; wine cmd /c exit; wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f) \
    </dev/null >/dev/null 2>&1

marker=$(mktemp)
for shot in ${1:-status processing credentials crash}; do
    rm -f "$marker"
    wine "$bin/ui_gallery.exe" "$shot" "Z:${marker//\//\\}" </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 200); do
        [ -s "$marker" ] && break
        sleep 0.05
    done
    sleep 0.5 # let the window finish painting
    read -r left top right bottom < <(tr -d "\r" <"$marker")
    xwd -root -display "$DISPLAY" -silent |
        /usr/bin/convert-im6.q16 xwd:- -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$out/$shot.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "docs/images/$shot.png"
done
rm -f "$marker"
