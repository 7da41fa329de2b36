# Shared by the scripts: the releases they know, packages, 32-bit support, the build
# trees, work run beside other work, the private Wine prefix, the private desktop (Xvfb
# with a window manager), the demo's requests and the options that choose bitnesses, one
# file each in lib/. Source it; it sets ROOT, BUILD_NATIVE, BUILD_WINDOWS,
# BUILD_WINDOWS32, BUILD_SANITIZED, JOBS and the Wine environment.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE=${TESSALY_BUILD_NATIVE:-$ROOT/build/native}
BUILD_WINDOWS=${TESSALY_BUILD_WINDOWS:-$ROOT/build/windows}
BUILD_WINDOWS32=${TESSALY_BUILD_WINDOWS32:-$ROOT/build/windows32}
BUILD_SANITIZED=${TESSALY_BUILD_SANITIZED:-$ROOT/build/sanitized}
JOBS=$(nproc 2>/dev/null || echo 2)

# Each line with the script's time so far: a run's log shows where its minutes go.
log() { printf '== [%d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*" >&2; }
die() { log "$*"; exit 1; }

# Runs the command every 0.1 s (--every S) until it succeeds. Fails, naming what it waited
# for, once that many seconds have passed, or once the process --while PID has ended.
wait_until() { # [--every seconds] [--while pid] seconds what command...
    local step=0.1 pid=
    while :; do
        case $1 in
        --every) step=$2 ;;
        --while) pid=$2 ;;
        *) break ;;
        esac
        shift 2
    done
    local limit=$1 what=$2
    shift 2
    # Microseconds (EPOCHREALTIME's decimal point is the locale's).
    local deadline=$((${EPOCHREALTIME//[!0-9]/} + limit * 1000000))
    until "$@"; do
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            log "gave up waiting for $what: its process ended"
            return 1
        fi
        if [ "${EPOCHREALTIME//[!0-9]/}" -ge $deadline ]; then
            log "gave up waiting for $what after $limit s"
            return 1
        fi
        sleep "$step"
    done
}

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

for part in debian_releases packages i386 build jobs wine desktop demo options; do
    # shellcheck source=/dev/null
    source "$ROOT/scripts/lib/$part.sh"
done
unset part
