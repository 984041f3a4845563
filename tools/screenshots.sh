#!/usr/bin/env bash
# Takes the screenshots of the chainer's windows shown in README.md (docs/images/*.png) from the build this
# machine runs (build/win, or build/win64 where no 32-bit program starts). The processing window is the real
# chainer's during a real download: tools/demo.sh runs the demo kit and takes it. The other windows are shown
# by tests/ui/UiGallery.cpp on a private Xvfb display and Wine prefix, captured with xwd and cut to the
# window's rectangle. Usage: tools/screenshots.sh [status|credentials|crash|processing ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/flavour.sh
velmora_pick_runnable
bin=$(velmora_build_dir "$velmora_runnable")/bin
out="$root/docs/images"
mkdir -p "$out"

velmora_wine_env "$velmora_runnable" "$root/build/wine-screenshots-$velmora_runnable"
source tools/xvfb.sh
start_xvfb
cleanup() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    stop_xvfb
}
trap cleanup EXIT
# Unmanaged windows: without a window manager Wine then draws the frames and captions itself.
(wineserver -p; "$velmora_wine" cmd /c exit;
 "$velmora_wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f) \
    </dev/null >/dev/null 2>&1

marker=$(mktemp)
for shot in ${@:-status credentials crash processing}; do
    if [ "$shot" = processing ]; then
        bash tools/demo.sh >/dev/null
        cp build/demo/processing-window.png "$out/processing.png"
        echo "docs/images/processing.png"
        continue
    fi
    rm -f "$marker"
    "$velmora_wine" "$bin/ui_gallery.exe" "$shot" "Z:${marker//\//\\}" </dev/null >/dev/null 2>&1 &
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
