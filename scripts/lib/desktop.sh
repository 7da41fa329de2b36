# A private desktop: Xvfb and a window manager; screenshots of it.

XVFB_PID=
WM_PID=
# A private desktop: Xvfb and the openbox window manager, so that windows get frames and
# captions, stacking is a window manager's, and Wine does not wait for a window manager
# that never answers (about 2 s for every window that closes).
start_xvfb() {
    # Xvfb picks a free display itself and writes its number: a display in use, even
    # one this file system cannot see, is skipped.
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    XVFB_PID=$!
    # A whole line, once Xvfb is ready; a first start on a loaded machine may take a while.
    local i n=
    for i in $(seq 300); do
        read -r n <"$numberFile" && [ -n "$n" ] && break
        n=
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$numberFile"
    [[ $n =~ ^[0-9]+$ ]] || { log "Xvfb did not start"; return 1; }
    export DISPLAY=":$n"
    # openbox shows an error window for an empty configuration: give it the stock one.
    local config="$ROOT/build/openbox-rc.xml"
    mkdir -p "$ROOT/build"
    cp /etc/xdg/openbox/rc.xml "$config"
    openbox --config-file "$config" >/dev/null 2>&1 &
    WM_PID=$!
    for i in $(seq 300); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    log "the window manager did not start"
    return 1
}

# Stops what start_xvfb started, all of it or the part it got to: set it as the EXIT trap
# before start_xvfb, so that a failed start leaves no Xvfb or openbox behind. With nothing
# started it does nothing (no Wine program can have been on a desktop of ours either).
stop_xvfb() {
    [ -n "$XVFB_PID" ] || return 0
    wineserver -k >/dev/null 2>&1 || true
    local pid
    for pid in "$WM_PID" "$XVFB_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    WM_PID=
    XVFB_PID=
}

# The display to run on: the user's, or a private desktop started here when there is
# none. Set stop_xvfb as the EXIT trap first; it stops only a desktop started here.
start_desktop() {
    [ -n "${DISPLAY:-}" ] || start_xvfb
}

# A screenshot of the area WxH+X+Y of the display once it has stopped changing, so that
# the windows have painted what they were last told to: a frame every 0.2 s, saved once
# five in a row equal the one before (a second unchanged). Fails when the area still
# changes after about 30 s.
still_screenshot() { # file WxH+X+Y
    local out=$1 area=$2 work i same=0
    work=$(mktemp -d)
    import -window root -crop "$area" +repage "ppm:$work/0.ppm" || { rm -rf "$work"; die "no screenshot of $area could be taken"; }
    for i in $(seq 150); do
        sleep 0.2
        import -window root -crop "$area" +repage "ppm:$work/1.ppm" || break
        if cmp -s "$work/0.ppm" "$work/1.ppm"; then
            same=$((same + 1))
        else
            same=0
            mv "$work/1.ppm" "$work/0.ppm"
        fi
        if [ $same -ge 5 ]; then
            convert "$work/0.ppm" "$out" || break
            rm -rf "$work"
            return 0
        fi
    done
    rm -rf "$work"
    die "the screenshot $out could not be taken, or the display kept changing"
}
