# The demo's two requests, each against a simulated cell of its own, on the display and
# in the Wine prefix already prepared (scripts/demo, and scripts/test for every pair of
# bitnesses, on one desktop). Each runs in a subshell: its programs and files end with it.

# The screenshot of both windows: Tessaly's at the left, the cell's beside it.
DEMO_AREA=1240x640+0+0

# The interactive demo on the display: the $2-bit cell and the $1-bit tessaly.exe, both
# left open to try; the cell prints every change here; it ends when Tessaly is closed.
demo_interactive() ( # tessaly-bits cell-bits
    local work cell_pid='' tessaly_pid=''
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
    wine "$(windows_tree "$2")/tools/tessaly-cell.exe" <"$work/cell-in" >"$work/cell-out" 2>"$work/cell-err" &
    cell_pid=$!
    exec 3>"$work/cell-in"
    wait_until 60 "the simulated cell to start" grep -qs '^ready' "$work/cell-out" || { cat "$work/cell-err" >&2; exit 1; }
    wine "$(windows_tree "$1")/src/tessaly.exe" >/dev/null 2>&1 &
    tessaly_pid=$!
    log "both windows are open; the cell prints every change here; close Tessaly to end"
    tail -n +2 -f "$work/cell-out" &
    local tail_pid=$!
    wait "$tessaly_pid" || true
    kill "$tail_pid" 2>/dev/null || true
    tessaly_pid=
)

# One of the demo's requests, typical or tolerance (tools/driving/demo_driver_win.cpp says
# what each does and draws), through the window of the $2-bit tessaly.exe against the
# $3-bit cell: prints what the window and the cell show, saves the screenshot $4 and fails
# unless the drawing is the one the request must leave.
demo_request() ( # typical|tolerance tessaly-bits cell-bits screenshot
    local tessaly_tree cell_tree work drive_pid=''
    tessaly_tree=$(windows_tree "$2")
    cell_tree=$(windows_tree "$3")
    work=$(mktemp -d)
    cleanup() {
        exec 4>&- 2>/dev/null || true
        [ -n "$drive_pid" ] && { kill "$drive_pid" 2>/dev/null || true; wait "$drive_pid" 2>/dev/null || true; }
        rm -rf "$work"
        return 0
    }
    trap cleanup EXIT

    # The driver starts the cell and tessaly.exe itself and keeps both open until it
    # reads a line.
    mkfifo "$work/drive-in"
    TESSALY_EXE=$tessaly_tree/src/tessaly.exe TESSALY_CELL_EXE=$cell_tree/tools/tessaly-cell.exe \
        wine "$tessaly_tree/tools/tessaly-demo-driver.exe" "$1" <"$work/drive-in" >"$work/drive-out" 2>"$work/drive-err" &
    drive_pid=$!
    exec 4>"$work/drive-in"
    wait_until 600 "the $1 request to end" grep -qs '^screenshot' "$work/drive-out" || { cat "$work/drive-err" >&2; exit 1; }
    still_screenshot "$4" "$DEMO_AREA"
    echo >&4
    exec 4>&-
    local pid=$drive_pid status=0
    drive_pid=
    wait "$pid" || status=$?
    sed '/^screenshot/d' "$work/drive-out" | tr -d '\r'
    case $status in
    0) log "the drawing is the expected one; screenshot in $4" ;;
    *) log "the $1 request failed"; tr -d '\r' <"$work/drive-err" >&2; exit 1 ;;
    esac
)
