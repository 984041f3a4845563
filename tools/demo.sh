#!/usr/bin/env bash
# Builds the chainer and the package authors' tools, checks the demo kit in examples/demo with chainer-lint,
# shows with chainer-explain what the run will do, then runs the chainer on the kit under Wine, with one of
# its prerequisites downloaded from a server on 127.0.0.1 that the demo starts and stops: in basic UI on a
# private Xvfb display (a screenshot of the processing window goes to build/demo/processing-window.png), or
# silently where no display can be started. Shows the exit code and the log. Then lays a copy of the kit out
# with chainer-layout (its download folder set inside it), stops the server and runs the copy again on a
# machine without the demo's programs: every download is found in place. Installs what the machine lacks
# first. Runs the shipped 32-bit chainer where the machine starts 32-bit programs, and the 64-bit flavour of the
# same sources under Wine's 64-bit loader elsewhere.
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
velmora_build "$flavour" chainer chainer-lint chainer-explain chainer-layout
bin=$(velmora_build_dir "$flavour")/bin

step="preparing the demo kit"
demo=build/demo
kit=$demo/kit
rm -rf "$demo"
mkdir -p "$kit"
cp examples/demo/setup.ini examples/demo/demo-install.cmd "$kit/"
cp "$bin/chainer.exe" "$kit/setup.exe"

step="starting Wine"
velmora_wine_env "$flavour" "$root/build/demo-wine-$flavour"
source tools/xvfb.sh
server_pid=""
cleanup() {
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; } || true
    wineserver -k </dev/null >/dev/null 2>&1 || true
    stop_xvfb
}
trap cleanup EXIT
# Basic UI where a display can be had (the caller's, or a private Xvfb), silent otherwise.
mode=basic
if [ -z "${DISPLAY:-}" ]; then
    if command -v Xvfb >/dev/null; then start_xvfb; fi
    if [ -z "${VELMORA_XVFB_PID:-}" ] || ! kill -0 "$VELMORA_XVFB_PID" 2>/dev/null || [ "${DISPLAY:-:}" = ":" ]; then
        mode=silent
        unset DISPLAY
    fi
fi
# Rewrites a kit's configuration for the demo's mode (Options=q when silent) and, with a second argument,
# sets DownloadFolder to it.
prepare_configuration() {
    /usr/bin/python3 - "$1" "$mode" "${2:-}" <<'PYTHON'
import sys
path, mode, download_folder = sys.argv[1:4]
text = open(path, "rb").read().decode("utf-16-le")
if mode == "silent":
    text = text.replace("\r\nOptions=b\r\n", "\r\nOptions=q\r\n", 1)
if download_folder:
    text = text.replace("[GeneralOptions]\r\n", "[GeneralOptions]\r\nDownloadFolder=" + download_folder + "\r\n", 1)
open(path, "wb").write(text.encode("utf-16-le"))
PYTHON
}
if [ "$mode" = silent ]; then
    echo "No display could be started: the demo runs silently (Options=q), with no window to show."
fi
prepare_configuration "$kit/setup.ini"
(wineserver -p; "$velmora_wine" cmd /c exit) </dev/null >/dev/null 2>&1
# OS quirk (Wine 8, no window manager on Xvfb): managed windows wait two seconds on every close.
"$velmora_wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
"$velmora_wine" reg delete 'HKCU\Software\Velmora' /f </dev/null >/dev/null 2>&1 || true

# The third prerequisite comes from this server, on 127.0.0.1 only; its URL names the port through the
# environment variable VELMORA_DEMO_PORT, which the chainer resolves.
step="starting the download server"
/usr/bin/python3 tools/demo_server.py --root examples/demo/download --port-file "$demo/server.port" \
    --requests "$demo/requests.txt" --seconds 3 --lifetime 600 </dev/null &
server_pid=$!
for _ in $(seq 100); do
    [ -s "$demo/server.port" ] && break
    sleep 0.1
done
VELMORA_DEMO_PORT=$(cat "$demo/server.port")
export VELMORA_DEMO_PORT
echo "Download server: http://127.0.0.1:$VELMORA_DEMO_PORT/ serving examples/demo/download (pid $server_pid)"

step="checking the kit"
echo "--- chainer-lint $kit"
"$velmora_wine" "$bin/chainer-lint.exe" "$kit" </dev/null
echo "--- chainer-explain $kit: what the chainer will do on this machine"
# Exit code 1: the run would install something, as it should on a machine without the demo's programs.
explained=0
"$velmora_wine" "$bin/chainer-explain.exe" "$kit" </dev/null || explained=$?
[ "$explained" -le 1 ]

step="running the chainer"
echo "Running $kit/setup.exe with $kit/setup.ini in $mode mode ..."
"$velmora_wine" "$kit/setup.exe" </dev/null >/dev/null 2>&1 &
chainer_pid=$!
if [ "$mode" = basic ]; then
    # The server spreads the file over three seconds: once it has been asked for it, the processing window
    # shows the download.
    for _ in $(seq 600); do
        grep -q demo-tools-setup "$demo/requests.txt" 2>/dev/null && break
        kill -0 "$chainer_pid" 2>/dev/null || break
        sleep 0.1
    done
    sleep 1
    xwd -root -display "$DISPLAY" -silent | /usr/bin/convert-im6.q16 xwd:- -trim +repage "$demo/processing-window.png"
    echo "Screenshot of the processing window: $demo/processing-window.png"
fi
set +e
wait "$chainer_pid"
code=$?
set -e
[ "$code" -eq 255 ] && code=-1
echo "chainer exit code: $code"
if [ "$code" -eq 126 ] || [ "$code" -eq 127 ]; then
    echo "Wine could not start the chainer (exit code $code)." >&2
fi
echo "--- requests the download server saw"
cat "$demo/requests.txt" 2>/dev/null || echo "(none)"
if [ -f "$kit/setup.log" ]; then
    echo "--- $kit/setup.log"
    iconv -f UTF-16 -t UTF-8 "$kit/setup.log"
fi

# The same kit for machines without a network: chainer-layout puts every download where the chainer looks
# for it, which must be inside the kit; the kit above downloads to the temporary folder, so the layout is
# refused and says which key to set.
step="laying the demo kit out"
offline=$demo/offline
mkdir -p "$offline"
cp examples/demo/setup.ini examples/demo/demo-install.cmd "$offline/"
cp "$bin/chainer.exe" "$offline/setup.exe"
prepare_configuration "$offline/setup.ini"
echo "--- chainer-layout $offline (as shipped: its download folder is the temporary folder)"
laid_out=0
"$velmora_wine" "$bin/chainer-layout.exe" "$offline" </dev/null || laid_out=$?
[ "$laid_out" -eq 3 ]
prepare_configuration "$offline/setup.ini" '[SETUPEXEDIR]Downloads'
echo "--- chainer-layout $offline (with DownloadFolder=[SETUPEXEDIR]Downloads)"
"$velmora_wine" "$bin/chainer-layout.exe" "$offline" </dev/null

step="running the laid-out kit without a network"
kill "$server_pid" 2>/dev/null || true
wait "$server_pid" 2>/dev/null || true
server_pid=""
echo "Download server stopped."
echo "--- chainer-layout --check $offline"
"$velmora_wine" "$bin/chainer-layout.exe" --check "$offline" </dev/null
"$velmora_wine" reg delete 'HKCU\Software\Velmora' /f </dev/null >/dev/null 2>&1 || true
echo "Running $offline/setup.exe in $mode mode, every server stopped ..."
set +e
"$velmora_wine" "$offline/setup.exe" </dev/null >/dev/null 2>&1
code=$?
set -e
[ "$code" -eq 255 ] && code=-1
echo "chainer exit code: $code"
if [ -f "$offline/setup.log" ]; then
    echo "--- $offline/setup.log"
    iconv -f UTF-16 -t UTF-8 "$offline/setup.log"
    if iconv -f UTF-16 -t UTF-8 "$offline/setup.log" | grep -q "Starting download of:"; then
        echo "The offline run downloaded something: the layout was not used." >&2
        exit 1
    fi
fi
