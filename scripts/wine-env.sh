# Sourced by the scripts: a private Wine prefix for each build and a private
# X display. Nothing here touches ~/.wine or a display the scripts did not
# start. Call use_arch before anything runs in Wine, and only after
# scripts/bootstrap, which may change how 32-bit code runs.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build
export WINEDEBUG=-all
# Wine reads Unix file names and arguments in the locale's character set;
# UTF-8 carries every script.
export LC_ALL=C.UTF-8
# No Mono or Gecko installer dialogs while a prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
# A native 64-bit server serves both prefixes, and 32-bit clients faster
# than an emulated one would.
export WINESERVER=/usr/lib/wine/wineserver64
XVFB_PID=
WINE_PIDS_BEFORE= # what ran in the prefix before this script, noted by prepare_prefix

# Chooses the build whose programs run from here on: x86 (32-bit, in a
# win32 prefix) or x64 (64-bit, in a win64 prefix under wine64). Sets WINE,
# the loader, and TARNWICK_EMULATED_I386 when 32-bit code runs under qemu's
# user-mode emulation, where the Wine server cannot read a client's memory.
use_arch() {
    case $1 in
    x86) export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine ;;
    x64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;;
    *) echo "wine-env: no architecture '$1' (x86 or x64)" >&2; return 2 ;;
    esac
    export TARNWICK_ARCH=$1
    export WINEPREFIX=$BUILD/$1/wineprefix
    WINE=$WINELOADER
    # An enabled qemu entry takes 32-bit ELF files before the kernel does.
    if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
        export TARNWICK_EMULATED_I386=1
    else
        unset TARNWICK_EMULATED_I386
    fi
}

wine() { "$WINE" "$@"; }

# Whether the rows of a list box are drawn in a picture of the screen: dark
# text pixels in its rows 1 and 2 (row 0 is selected, in other colours).
# The second argument is the probe's "x,y step h" for the list's client area.
rows_drawn() {
    local picture=$1 origin=$2 x y step dark
    x=${origin%%,*}
    y=${origin#*,}
    y=${y%% *}
    step=${origin##* }
    dark=$(convert "$picture" -crop "150x$((2 * step))+$((x + 2))+$((y + step))" +repage -colorspace gray \
        -threshold 50% -negate -format '%[fx:mean]' info: 2>/dev/null)
    awk -v d="${dark:-0}" 'BEGIN { exit !(d > 0.01) }'
}

# Sends the program, and the probe that reads its window, to a Wine desktop
# of their own, of the size given, until forget_settings: with no window
# manager on the private display, there Wine draws the window's frame, and
# the window stands at the desktop's origin. Each registry call has two
# minutes.
desktop_apps=(TarnwickOrrimel.exe e2e_probe.exe)
use_desktop() {
    local app
    for app in "${desktop_apps[@]}"; do
        timeout 120 "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /d "$1" /f \
            >/dev/null 2>&1 </dev/null
    done
    timeout 120 "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$1" /d "$2" /f >/dev/null 2>&1 </dev/null
}
# Drops the desktop settings, and a display scaling a case set (LogPixels).
forget_settings() {
    local app
    for app in "${desktop_apps[@]}"; do
        timeout 120 "$WINE" reg delete "HKCU\\Software\\Wine\\AppDefaults\\$app" /f >/dev/null 2>&1 </dev/null
    done
    timeout 120 "$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 </dev/null
    return 0 # none there is what was asked for
}

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
# reuse it. Under qemu's emulation the 32-bit Wine now and then hangs for
# good while the prefix is made, about one try in ten (seen: a driver host
# spinning, and a setup step waiting), so no step here waits without a
# limit: a try that has not finished within four minutes (PREFIX_TRY_SECONDS,
# for the test of this) is ended and made
# again, up to three times. Returns non-zero, saying so, when no try finished. A
# persistent server then keeps process starts cheap.
prepare_prefix() {
    local try again=
    WINE_PIDS_BEFORE=" $(prefix_pids | tr '\n' ' ')"
    for try in 1 2 3; do
        [ -f "$WINEPREFIX/.complete" ] && break
        echo "wine: creating the prefix $WINEPREFIX$again"
        again=" (try $((try + 1)))"
        rm -rf "$WINEPREFIX"
        mkdir -p "$(dirname "$WINEPREFIX")"
        if timeout -k 10 "${PREFIX_TRY_SECONDS:-240}" "$WINE" wineboot --init >/dev/null 2>&1 </dev/null &&
           timeout 60 "$WINESERVER" -w; then
            touch "$WINEPREFIX/.complete"
        else
            echo "wine: making the prefix did not finish within ${PREFIX_TRY_SECONDS:-240} s"
            stop_wine
        fi
    done
    if [ ! -f "$WINEPREFIX/.complete" ]; then
        echo "wine: no try made the prefix $WINEPREFIX"
        return 1
    fi
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null
    # The first process of a session starts the prefix's services; let that
    # happen once here rather than inside a timed test.
    timeout 180 "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
    # No debugger: a process that crashes ends at once, a failure like any
    # other, instead of waiting in winedbg until its case's limit.
    if [ ! -f "$WINEPREFIX/.no-debugger" ]; then
        local key ok=1
        for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                   'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
            timeout 120 "$WINE" reg add "$key" /v Debugger /d false /f >/dev/null 2>&1 </dev/null || ok=
        done
        [ -n "$ok" ] && touch "$WINEPREFIX/.no-debugger"
    fi
    # A run killed outright may have left its Wine-desktop or scaling settings.
    forget_settings
    return 0
}

# The processes running in the build's prefix, by pid: Wine's loaders and
# server, and qemu running an emulated one, whose environment names the prefix.
prefix_pids() {
    local environ pid exe
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
        case ${exe##*/} in
        wine* | qemu-*) ;;
        *) continue ;;
        esac
        tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}

# Ends what this script started in the prefix, by pid, and the prefix's
# server only when nothing ran there before the script (prepare_prefix
# noted what did): a program the user started there, or another run's, is
# left alone. Under emulation the server's own kill does not reach every
# process, so whatever of the script's is left is ended by its pid.
stop_wine() {
    local pid
    if [ -z "${WINE_PIDS_BEFORE// /}" ]; then
        timeout 60 "$WINESERVER" -k >/dev/null 2>&1 || true
        timeout 60 "$WINESERVER" -w >/dev/null 2>&1 || true
    fi
    for pid in $(prefix_pids); do
        [[ "$WINE_PIDS_BEFORE " == *" $pid "* ]] || kill -9 "$pid" 2>/dev/null
    done
}
