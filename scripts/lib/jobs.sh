# Work run beside other work: the builds and native tests that need no display, while the
# Wine suites mostly wait for the programs they drive. One job at a time.

JOB_PID=
JOB_LOG=
JOB_NAME=

# Runs a command (a function too) in the background, at a priority: "idle" beside work
# that must have the CPU whenever it wants it (the Wine suites, whose timings are
# checked): the job runs only on a CPU that nothing else wants (SCHED_IDLE, and the
# lowest niceness); "normal" beside builds. Its output goes to build/NAME.log and is
# shown by wait_job. The job is a process group of its own, which stop_job ends.
start_job() { # name idle|normal command...
    JOB_NAME=$1
    local priority=$2
    shift 2
    JOB_LOG=$ROOT/build/$JOB_NAME.log
    mkdir -p "$ROOT/build"
    rm -f "$ROOT/build/$JOB_NAME".mark-*
    set -m
    (
        if [ "$priority" = idle ]; then
            renice -n 19 -p "$BASHPID" >/dev/null 2>&1 || true
            chrt --idle -p 0 "$BASHPID" >/dev/null 2>&1 || true
        fi
        "$@"
    ) >"$JOB_LOG" 2>&1 &
    JOB_PID=$!
    set +m
    log "started $JOB_NAME beside it (its output follows when it ends)"
}

# In the job: its work up to here is done, for the script that waits for that (wait_mark).
job_mark() { # name
    touch "$ROOT/build/$JOB_NAME.mark-$1"
}

# Waits until the job has marked NAME (job_mark), or has ended; fails, with the job's
# output, when it ended without marking it.
wait_mark() { # name
    local mark=$ROOT/build/$JOB_NAME.mark-$1
    while [ ! -e "$mark" ]; do
        if ! kill -0 "$JOB_PID" 2>/dev/null; then
            [ -e "$mark" ] && return 0
            wait_job || true
            return 1
        fi
        sleep 1
    done
}

# Waits for the job, shows its output and returns its exit status.
wait_job() {
    [ -n "$JOB_PID" ] || return 0
    local status=0
    wait "$JOB_PID" || status=$?
    JOB_PID=
    log "$JOB_NAME ended with exit status $status; its output:"
    cat "$JOB_LOG" >&2
    return $status
}

# Ends the job and everything it started, if it still runs: for the EXIT trap.
stop_job() {
    [ -n "$JOB_PID" ] || return 0
    kill -- -"$JOB_PID" 2>/dev/null || true
    wait "$JOB_PID" 2>/dev/null || true
    JOB_PID=
}
