# Shared by the scripts: packages, the build trees, the private Wine prefix and the
# private desktop (Xvfb with a window manager).
# Source it; it sets ROOT, BUILD_NATIVE, BUILD_WINDOWS, BUILD_WINDOWS32 and the Wine
# environment.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_NATIVE=${TESSALY_BUILD_NATIVE:-$ROOT/build/native}
BUILD_WINDOWS=${TESSALY_BUILD_WINDOWS:-$ROOT/build/windows}
BUILD_WINDOWS32=${TESSALY_BUILD_WINDOWS32:-$ROOT/build/windows32}
BUILD_SANITIZED=${TESSALY_BUILD_SANITIZED:-$ROOT/build/sanitized}
JOBS=$(nproc 2>/dev/null || echo 2)

export WINEPREFIX=${TESSALY_WINEPREFIX:-$ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Every package the scripts use, by name: nothing comes from recommends. wine32 is of
# the i386 architecture; fonts-wine holds Wine's own fonts (MS Sans Serif, Tahoma).
TESSALY_PACKAGES=(cmake make g++ libgtest-dev googletest libbenchmark-dev
                  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools binutils-mingw-w64-x86-64
                  binutils-mingw-w64-i686 wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils xdotool
                  openbox imagemagick clang libclang-rt-14-dev)

# Files the scripts rely on; a package that no longer ships one is an error, not a skip.
WINE_FONTS=(sserife.fon sseriff.fon ms_sans_serif.ttf tahoma.ttf tahomabd.ttf)
TESSALY_FILES=(/usr/lib/wine/wine /usr/lib/wine/wine64 /etc/xdg/openbox/rc.xml
               /usr/bin/i686-w64-mingw32-g++-posix /usr/bin/x86_64-w64-mingw32-g++-posix
               "${WINE_FONTS[@]/#//usr/share/wine/fonts/}")

log() { printf '== %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

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
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            $sudo dpkg --add-architecture i386
        fi
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    local f
    for f in "${TESSALY_FILES[@]}"; do
        [ -e "$f" ] || die "missing $f, which the scripts need (the packages above should have installed it)"
    done
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
    log "cross-compiling for 64-bit Windows in $BUILD_WINDOWS"
    cmake -S "$ROOT" -B "$BUILD_WINDOWS" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_WINDOWS" -j "$JOBS"
}

build_windows32() {
    log "cross-compiling for 32-bit Windows in $BUILD_WINDOWS32"
    cmake -S "$ROOT" -B "$BUILD_WINDOWS32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD_WINDOWS32" -j "$JOBS"
}

# The Windows build tree of a bitness, 32 or 64.
windows_tree() {
    case $1 in
    32) echo "$BUILD_WINDOWS32" ;;
    64) echo "$BUILD_WINDOWS" ;;
    *) die "a bitness is 32 or 64, not '$1'" ;;
    esac
}

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

stop_xvfb() {
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
