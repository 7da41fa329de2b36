# A private desktop: Xvfb and a window manager; screenshots of it.

XVFB_PID=
WM_PID=
# A private desktop: Xvfb and the openbox window manager, so that windows get frames and
# captions, stacking is a window manager's, and Wine does not wait for a window manager
# that never answers (about 2 s for every window that closes).
start_xvfb() {
    # Xvfb picks a free display itself and writes its number: a display in use, even
    # one this file system cannot see, is skipped.
    local numberFile n
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    XVFB_PID=$!
    # A first start on a loaded machine may take a while.
    wait_until --while "$XVFB_PID" 30 "Xvfb to start" display_number_in "$numberFile" || { rm -f "$numberFile"; return 1; }
    read -r n <"$numberFile"
    rm -f "$numberFile"
    export DISPLAY=":$n"
    # openbox shows an error window for an empty configuration: give it the stock one.
    local config="$ROOT/build/openbox-rc.xml"
    mkdir -p "$ROOT/build"
    cp /etc/xdg/openbox/rc.xml "$config"
    openbox --config-file "$config" >/dev/null 2>&1 &
    WM_PID=$!
    wait_until --while "$WM_PID" 30 "the window manager to start" window_manager_runs
}

# Xvfb writes the number as a whole line once it is ready.
display_number_in() { # file
    local n
    read -r n <"$1" && [[ $n =~ ^[0-9]+$ ]]
}

window_manager_runs() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
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
# changes after 30 s.
still_screenshot() { # file WxH+X+Y
    local out=$1 area=$2 work frames=0 same=0 failed=
    work=$(mktemp -d)
    if ! wait_until --every 0.2 30 "the display to stop changing (for $out)" area_still; then
        rm -rf "$work"
        die "no screenshot saved in $out"
    fi
    if [ -n "$failed" ] || ! convert "$work/0.ppm" "$out"; then
        rm -rf "$work"
        die "no screenshot of $area could be taken"
    fi
    rm -rf "$work"
}

# still_screenshot's next frame, in its locals: succeeds once five in a row equal the one
# before, and at once when no frame could be taken (it sets failed then).
area_still() {
    local frame=$work/$((frames > 0)).ppm
    import -window root -crop "$area" +repage "ppm:$frame" || { failed=1; return 0; }
    frames=$((frames + 1))
    [ $frames -gt 1 ] || return 1
    if cmp -s "$work/0.ppm" "$frame"; then
        same=$((same + 1))
    else
        same=0
        mv "$frame" "$work/0.ppm"
    fi
    [ $same -ge 5 ]
}
