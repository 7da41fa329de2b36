# The demo's two requests, each against a simulated cell of its own, on the display and
# in the Wine prefix already prepared (scripts/demo, and scripts/test for every pair of
# bitnesses, on one desktop). Each runs in a subshell: its programs and files end with it.

# The screenshot of both windows: Tessaly's at the left, the cell's beside it.
DEMO_AREA=1240x640+0+0

# The typical request through the window of the $1-bit tessaly.exe against the $2-bit
# cell: prints the point list, the status line and the drawing, saves build/demo.png and
# fails unless the drawing is the expected one. With $3 = interactive it leaves both
# windows open instead and ends when Tessaly is closed.
demo_typical() ( # tessaly-bits cell-bits [interactive]
    local tessaly_tree cell_tree work cell_pid='' tessaly_pid=''
    tessaly_tree=$(windows_tree "$1")
    cell_tree=$(windows_tree "$2")
    work=$(mktemp -d)
    cleanup() {
        [ -n "$cell_pid" ] && { echo quit >&3 2>/dev/null || true; }
        exec 3>&- 2>/dev/null || true
        [ -n "$tessaly_pid" ] && { kill "$tessaly_pid" 2>/dev/null || true; wait "$tessaly_pid" 2>/dev/null || true; }
        [ -n "$cell_pid" ] && { wait "$cell_pid" 2>/dev/null || true; }
        rm -rf "$work"
        return 0
    }
    trap cleanup EXIT

    # The cell reads its commands from a pipe held open here.
    mkfifo "$work/cell-in"
    wine "$cell_tree/tools/tessaly-cell.exe" <"$work/cell-in" >"$work/cell-out" 2>"$work/cell-err" &
    cell_pid=$!
    exec 3>"$work/cell-in"
    wait_until 60 "the simulated cell to start" grep -qs '^ready' "$work/cell-out" || { cat "$work/cell-err" >&2; exit 1; }

    wine "$tessaly_tree/src/tessaly.exe" >/dev/null 2>&1 &
    tessaly_pid=$!

    if [ "${3:-}" = interactive ]; then
        log "both windows are open; the cell prints every change here; close Tessaly to end"
        tail -n +2 -f "$work/cell-out" &
        local tail_pid=$!
        wait "$tessaly_pid" || true
        kill "$tail_pid" 2>/dev/null || true
        tessaly_pid=
        exit 0
    fi

    wine "$tessaly_tree/tools/tessaly-typical-request.exe" >"$work/drive-out" 2>"$work/drive-err" ||
        { log "driving the window failed"; cat "$work/drive-err" >&2; exit 1; }
    # The driver prints the point list and the status line, then the drawing that the
    # typical request must leave (after "expected drawing:"; its one home is
    # tools/driving/typical_request_win.h).
    sed '/^expected drawing:/,$d' "$work/drive-out" | tr -d '\r'
    local expected drawn
    expected=$(sed -n '/^expected drawing:/,$p' "$work/drive-out" | sed '1d' | tr -d '\r')
    [ -n "$expected" ] || { log "the driver named no expected drawing"; exit 1; }
    echo drawing >&3
    wait_until 30 "the cell to report its drawing" grep -qs '^end' "$work/cell-out" || exit 1
    still_screenshot "$ROOT/build/demo.png" "$DEMO_AREA"
    drawn=$(sed -n '/^drawing:/,/^end/p' "$work/cell-out" | sed '1d;$d' | tr -d '\r')
    printf 'drawing:\n%s\n' "$drawn"
    [ "$drawn" = "$expected" ] || { log "unexpected drawing"; exit 1; }
    log "the drawing is the expected one; screenshot in build/demo.png"
)

# "Sphere Tolerance" over F2 and F3 mirrored in Y through the $1-bit tessaly.exe against
# the $2-bit cell: prints what the cell drew, saves build/demo-tolerance.png and fails
# unless the drawing is the expected one.
demo_tolerance() ( # tessaly-bits cell-bits
    local tessaly_tree cell_tree work drive_pid=''
    tessaly_tree=$(windows_tree "$1")
    cell_tree=$(windows_tree "$2")
    work=$(mktemp -d)
    cleanup() {
        exec 4>&- 2>/dev/null || true
        [ -n "$drive_pid" ] && { kill "$drive_pid" 2>/dev/null || true; wait "$drive_pid" 2>/dev/null || true; }
        rm -rf "$work"
        return 0
    }
    trap cleanup EXIT

    # The driver starts the cell and tessaly.exe itself, answers the message boxes, and
    # keeps both open until it reads a line.
    mkfifo "$work/drive-in"
    TESSALY_EXE=$tessaly_tree/src/tessaly.exe TESSALY_CELL_EXE=$cell_tree/tools/tessaly-cell.exe \
        wine "$tessaly_tree/tools/tessaly-bench-com.exe" tolerance <"$work/drive-in" >"$work/drive-out" 2>"$work/drive-err" &
    drive_pid=$!
    exec 4>"$work/drive-in"
    wait_until 600 "the tolerance request to end" grep -qs '^screenshot' "$work/drive-out" || { cat "$work/drive-err" >&2; exit 1; }
    still_screenshot "$ROOT/build/demo-tolerance.png" "$DEMO_AREA"
    echo >&4
    exec 4>&-
    local pid=$drive_pid
    drive_pid=
    wait "$pid" || { log "the tolerance driver failed"; cat "$work/drive-err" >&2; exit 1; }
    sed '/^screenshot/d' "$work/drive-out" | tr -d '\r'
    local drawn expected
    drawn=$(sed -n '/^drawing:/,/^colours/p' "$work/drive-out" | sed '1d;$d' | tr -d '\r')
    # #9 is the interference solid, made and deleted again.
    expected='  box #1 colour 0
  sphere #2 centre (5, -5, 1) radius 2.75 colour 1
  sphere #3 centre (5, -5, 1) radius 2.25 colour 0
  sphere #4 centre (5, -5, 1) radius 2.5 colour 1
  sphere #5 centre (15, -5, 1) radius 2.75 colour 1
  sphere #6 centre (15, -5, 1) radius 2.25 colour 0
  sphere #7 centre (15, -5, 1) radius 2.5 colour 1
  sphere #8 centre (10, -20, 5) radius 2.75 colour 3
  sphere #10 centre (10, -20, 5) radius 2.5 colour 3
  sphere #11 centre (12, -21, 6) radius 2.75 colour 1
  sphere #12 centre (12, -21, 6) radius 2.25 colour 0
  sphere #13 centre (12, -21, 6) radius 2.5 colour 1'
    [ "$drawn" = "$expected" ] || { log "unexpected drawing"; exit 1; }
    log "the drawing is the expected one; screenshot in build/demo-tolerance.png"
)
