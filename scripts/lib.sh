# Shared by the scripts: packages, the two build trees, the private Wine prefix and Xvfb.
# Source it; it sets ROOT, BUILD_NATIVE, BUILD_WINDOWS and the Wine environment.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE=${TESSALY_BUILD_NATIVE:-$ROOT/build/native}
BUILD_WINDOWS=${TESSALY_BUILD_WINDOWS:-$ROOT/build/windows}
BUILD_SANITIZED=${TESSALY_BUILD_SANITIZED:-$ROOT/build/sanitized}
JOBS=$(nproc 2>/dev/null || echo 2)

export WINEPREFIX=${TESSALY_WINEPREFIX:-$ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

TESSALY_PACKAGES=(cmake make g++ libgtest-dev googletest libbenchmark-dev g++-mingw-w64-x86-64 mingw-w64-tools
                  wine wine64 xvfb xauth x11-utils xdotool imagemagick clang libclang-rt-14-dev)

log() { printf '== %s\n' "$*" >&2; }

ensure_packages() {
    local missing=()
    local p
    for p in "${TESSALY_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing ${missing[*]}"
        local sudo=
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

build_native() {
    log "building natively in $BUILD_NATIVE"
    cmake -S "$ROOT" -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_NATIVE" -j "$JOBS"
}

build_sanitized() {
    log "building natively with AddressSanitizer and UndefinedBehaviorSanitizer in $BUILD_SANITIZED"
    cmake -S "$ROOT" -B "$BUILD_SANITIZED" -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON >/dev/null
    cmake --build "$BUILD_SANITIZED" -j "$JOBS"
}

build_windows() {
    log "cross-compiling for Windows in $BUILD_WINDOWS"
    cmake -S "$ROOT" -B "$BUILD_WINDOWS" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_WINDOWS" -j "$JOBS"
}

prepare_wine() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "preparing the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    # A fresh prefix does not load Wine's own fonts: copy MS Sans Serif and Tahoma in.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    local f
    for f in /usr/share/wine/fonts/sserife.fon /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        [ -f "$f" ] && [ ! -f "$fonts/$(basename "$f")" ] && cp "$f" "$fonts/"
    done
    return 0
}

XVFB_PID=
start_xvfb() {
    local n=91
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    log "Xvfb did not start"
    return 1
}

stop_xvfb() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
