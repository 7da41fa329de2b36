# The private Wine prefix and the programs that run in it.

export WINEPREFIX=${TESSALY_WINEPREFIX:-$ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

prepare_wine() {
    # A prefix made before wine32 was installed starts no program at all ("could not
    # load kernel32.dll"): it has no 32-bit system folder. Make it anew.
    if [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        log "the Wine prefix $WINEPREFIX has no 32-bit part; making it anew"
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "preparing the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] || die "the Wine prefix $WINEPREFIX has no 32-bit part"
    # A fresh prefix does not load Wine's own fonts: copy MS Sans Serif (96 dpi, 120 dpi
    # and the outline face for other sizes) and Tahoma in.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    local f
    for f in "${WINE_FONTS[@]}"; do
        [ -f "$fonts/$f" ] || cp "/usr/share/wine/fonts/$f" "$fonts/" || die "cannot copy the font $f into the prefix"
    done
}

# One wineserver for the programs to come, with Wine's own services started now: started
# by the first test program, they would inherit its output pipe and hold it open.
start_wine() {
    wineserver -p >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends every program of the prefix, then starts afresh: a test that failed or timed out
# may have left programs behind that would answer for the applications next.
fresh_wineserver() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    start_wine
}

# The display's DPI (LogPixels) for the programs started after it, as a user's display
# setting; reset_dpi takes it back.
set_dpi() { # dots-per-inch
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 ||
        die "could not set the display's DPI"
}
reset_dpi() {
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
}
