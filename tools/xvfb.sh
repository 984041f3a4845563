# Sourced by the test and demo scripts: a private X server for Wine's windows.
start_xvfb() {
    if [ -n "${VELMORA_XVFB_PID:-}" ]; then
        return
    fi
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    VELMORA_XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$numfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(cat "$numfile")"
    rm -f "$numfile"
}

stop_xvfb() {
    if [ -n "${VELMORA_XVFB_PID:-}" ]; then
        kill "$VELMORA_XVFB_PID" 2>/dev/null || true
        wait "$VELMORA_XVFB_PID" 2>/dev/null || true
        unset VELMORA_XVFB_PID
    fi
}
