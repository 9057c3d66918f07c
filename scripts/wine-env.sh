# Sourced by the scripts: a private Wine prefix and a private X display.
# Nothing here touches ~/.wine or a display the scripts did not start.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
export WINEPREFIX=$BUILD/wineprefix
export WINEARCH=win32
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
# A native 64-bit server serves the 32-bit clients faster than an emulated one.
[ -x /usr/lib/wine/wineserver64 ] && export WINESERVER=/usr/lib/wine/wineserver64
# On a kernel without 32-bit support Wine runs under qemu's user-mode
# emulation, where the server cannot read a client's memory; the tests that
# need that read are left out there, saying why.
if grep -qs 'qemu-i386' /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null \
   && grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
    export TARNWICK_EMULATED_I386=1
fi
WINESERVER_CMD=${WINESERVER:-wineserver}
XVFB_PID=

start_display() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=:$number
}

stop_display() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# Makes the prefix once, completely, before anything runs in it; later runs
# reuse it. A persistent server then keeps process starts cheap.
prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.complete" ]; then
        echo "wine: creating the prefix $WINEPREFIX"
        rm -rf "$WINEPREFIX"
        mkdir -p "$BUILD"
        wine wineboot --init >/dev/null 2>&1
        "$WINESERVER_CMD" -w
        touch "$WINEPREFIX/.complete"
    fi
    "$WINESERVER_CMD" -p >/dev/null 2>&1 </dev/null
    # The first process of a session starts the prefix's services; let that
    # happen once here rather than inside a timed test.
    timeout 180 wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
    "$WINESERVER_CMD" -k >/dev/null 2>&1 || true
    "$WINESERVER_CMD" -w >/dev/null 2>&1 || true
}
