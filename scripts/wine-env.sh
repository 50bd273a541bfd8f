# Sourced by the run and test scripts: a Wine prefix private to the build tree and a display.
# Sets WINEPREFIX, WINEARCH, WINEDEBUG, DISPLAY; starts Xvfb when there is no display.
# Windows programs run through zz_wine: wine32 for the i686 build, wine64 for the x86_64 one.
# Debian's plain "wine" picks an installed wine32 even where the kernel cannot run it.
source "$(dirname "${BASH_SOURCE[0]}")/arch.sh" || return $?
export WINEPREFIX="${WINEPREFIX_ZZ:-$ZZ_BUILD/wineprefix}"
if [ "$ZZ_ARCH" = x86_64 ]; then
    export WINEARCH=win64
    ZZ_WINE=/usr/lib/wine/wine64
    # Programs Wine starts itself (services, a test's child processes) use the same loader.
    export WINELOADER="$ZZ_WINE"
else
    export WINEARCH=win32
    ZZ_WINE=wine
fi

zz_wine() {
    "$ZZ_WINE" "$@"
}
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

zz_start_display() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${ZZ_FORCE_XVFB:-}" ]; then
        return 0
    fi
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            ZZ_XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 1 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && return 0
                sleep 0.1
            done
        fi
    done
    echo "Could not start Xvfb" >&2
    return 1
}

zz_make_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating Wine prefix $WINEPREFIX (once) ..."
        zz_wine wineboot -i >/dev/null 2>&1 </dev/null || true
        # The registry files are complete only when the wineserver has gone.
        wineserver -w >/dev/null 2>&1 </dev/null || true
    fi
}

zz_start_wine() {
    zz_make_prefix
    # A persistent wineserver keeps process starts cheap and the clipboard alive between them.
    wineserver -p >/dev/null 2>&1 || true
    # Start Wine's services and desktop now, with no terminal attached: started later by a test
    # they would inherit CTest's output pipe and keep it open for the wineserver's lifetime.
    zz_wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    zz_wine rundll32.exe user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
}

# On a bare X server (Xvfb, no window manager) Wine waits up to two seconds for a window manager
# whenever a top-level window is hidden. A Wine virtual desktop has no such wait, and draws
# title bars, so tests and headless runs use one; on a real desktop windows stay native.
zz_virtual_desktop() {
    zz_make_prefix
    local key='HKCU\Software\Wine\Explorer'
    if [ "$1" = on ]; then
        zz_wine reg add "$key" /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
        zz_wine reg add "$key\Desktops" /v Default /d 1280x1024 /f >/dev/null 2>&1 </dev/null
    else
        zz_wine reg delete "$key" /v Desktop /f >/dev/null 2>&1 </dev/null || true
    fi
    # Wine processes started before the change keep the old desktop: start afresh.
    wineserver -k >/dev/null 2>&1 </dev/null || true
    wineserver -w >/dev/null 2>&1 </dev/null || true
}

# Ends the prefix's Wine programs and the Xvfb this script started; safe to call more than once
# and before anything was started (traps call it on every exit, failures included).
zz_stop_all() {
    if [ -d "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -n "${ZZ_XVFB_PID:-}" ]; then
        kill "$ZZ_XVFB_PID" 2>/dev/null || true
        wait "$ZZ_XVFB_PID" 2>/dev/null || true
        ZZ_XVFB_PID=""
    fi
}
