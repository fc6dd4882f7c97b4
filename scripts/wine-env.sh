# Sourced by the scripts that run Windows programs: a private Wine prefix and a
# Japanese locale so that the ANSI code page is 932.
: "${PELL_BUILD_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="${WINEPREFIX:-$PELL_BUILD_ROOT/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

# Creates the prefix once (about ten seconds); later calls return at once.
pell_wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w || true
    fi
    # Wine's own fonts (the Marlett symbols of the close buttons) are only
    # found inside the prefix.
    local font
    for font in marlett.ttf; do
        if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
            mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
            cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
        fi
    done
    pell_wine_without_window_manager
}

# Xvfb runs no window manager: windows with a caption (dialogs, message boxes)
# would show none and would wait two seconds for one at every close. Wine draws
# their frames itself instead.
pell_wine_without_window_manager() {
    if ! grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
        wineserver -w || true
    fi
}

# Starts Xvfb on a free display when none is set.
pell_ensure_display() {
    if [ -n "${DISPLAY:-}" ]; then return 0; fi
    local n
    for n in $(seq 90 120); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 "${PELL_XVFB_SCREEN:-1280x800x24}" -noreset -nolisten tcp >/dev/null 2>&1 &
            PELL_XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                sleep 0.1
            done
            echo "No DISPLAY was set: started Xvfb on $DISPLAY (pid $PELL_XVFB_PID)."
            return 0
        fi
    done
    echo "Could not find a free display for Xvfb" >&2
    return 1
}
