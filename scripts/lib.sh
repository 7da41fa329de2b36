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
                  openbox imagemagick clang libclang-rt-14-dev git zip)

# Files the scripts rely on; a package that no longer ships one is an error, not a skip.
WINE_FONTS=(sserife.fon sseriff.fon ms_sans_serif.ttf tahoma.ttf tahomabd.ttf)
TESSALY_FILES=(/usr/lib/wine/wine /usr/lib/wine/wine64 /etc/xdg/openbox/rc.xml
               /usr/bin/i686-w64-mingw32-g++-posix /usr/bin/x86_64-w64-mingw32-g++-posix
               "${WINE_FONTS[@]/#//usr/share/wine/fonts/}")

log() { printf '== %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# apt-get with Debian's non-interactive front end; its output goes to the file $1.
apt_quiet() { # log-file apt-get-arguments...
    local out=$1
    shift
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get "$@" >"$out" 2>&1
}

# apt-get whose failure ends the script with its output and the message $1.
apt_or_die() { # message apt-get-arguments...
    local message=$1 out
    shift
    out=$(mktemp)
    if ! apt_quiet "$out" "$@"; then
        cat "$out" >&2
        rm -f "$out"
        die "$message"
    fi
    rm -f "$out"
}

# The release this host runs (bookworm), from /etc/os-release; empty when it names none.
release_codename() {
    (. /etc/os-release && echo "${VERSION_CODENAME:-}")
}

# The package lists. A mirror caught mid-sync serves an index that does not match its
# Release file; apt then keeps the other indexes, so that is a warning, not the end.
apt_update() {
    local out
    out=$(mktemp)
    apt_quiet "$out" update || true
    if grep -q '^[EW]:' "$out"; then
        log "apt-get update did not get every index; going on with those it got:"
        grep '^[EW]:' "$out" | sed 's/^/   /' >&2
    fi
    rm -f "$out"
}

# Installs packages. Should the suites disagree (the security suite's index of one
# architecture missing, so that a Multi-Arch: same package has no common version), try
# once more with the release's own suite as the target for both architectures.
apt_install() { # packages...
    local out codename
    out=$(mktemp)
    if apt_quiet "$out" install -y -q --no-install-recommends "$@"; then
        rm -f "$out"
        return 0
    fi
    codename=$(release_codename)
    [ -n "$codename" ] || { cat "$out" >&2; rm -f "$out"; die "apt-get install failed, and /etc/os-release names no release to retry with"; }
    log "apt-get install failed:"
    sed -n '/unmet dependencies/,$p' "$out" | sed 's/^/   /' >&2
    rm -f "$out"
    log "trying once more with the release's own suite, $codename, as the target"
    apt_or_die "apt-get install -t $codename failed too (its output is above)" \
        install -y -q --no-install-recommends -t "$codename" "$@"
}

# Installs every package the scripts use and checks the files they rely on; see also
# ensure_packages.
install_packages() {
    local missing=()
    local p
    for p in "${TESSALY_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing ${missing[*]}"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            log "adding the i386 architecture, for Wine's 32-bit part (wine32:i386)"
            $SUDO dpkg --add-architecture i386
        fi
        apt_update
        apt_install "${missing[@]}"
    fi
    local f
    for f in "${TESSALY_FILES[@]}"; do
        [ -e "$f" ] || die "missing $f, which the scripts need (the packages above should have installed it)"
    done
}

# The packages, and 32-bit programs running for Wine.
ensure_packages() {
    install_packages
    ensure_i386
}

# Wine's 32-bit loader answers --version when this host runs 32-bit programs; a kernel
# without 32-bit support refuses it (Exec format error), and qemu before 8 takes about a
# minute, which is as good as refusing.
runs_i386() {
    timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1
}

BINFMT=/proc/sys/fs/binfmt_misc
I386_HANDLER=tessaly-i386
QEMU_I386=/usr/bin/qemu-i386-static

# Wine starts every program through its 32-bit loader once wine32 is installed. Where the
# kernel runs no 32-bit program, qemu's user-mode emulator, registered with binfmt_misc,
# runs it: qemu 8 or later, from the backports suite (bookworm's 7.2 ignores
# MAP_FIXED_NOREPLACE, and every Wine process then probes its address space for a
# minute). TESSALY_EMULATE_I386=1 takes that path on any host.
ensure_i386() {
    if [ "${TESSALY_EMULATE_I386:-0}" = 1 ]; then
        log "TESSALY_EMULATE_I386=1: running 32-bit programs through qemu even though this host may run them itself"
    else
        runs_i386 && return 0
        log "this host runs no 32-bit program (Wine's 32-bit loader fails to start): running them through qemu"
    fi
    [ "$(id -u)" -eq 0 ] || [ -n "$(command -v sudo)" ] || die "running 32-bit programs through qemu needs root (or sudo): the scripts install qemu-user-static and register it with binfmt_misc"
    install_backports_qemu
    register_i386_handler
    runs_i386 || die "Wine's 32-bit loader still does not start through $QEMU_I386 (try: $QEMU_I386 /usr/lib/wine/wine --version)"
}

# qemu-user-static of version 8 or later, from the backports suite of this release.
install_backports_qemu() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
    if [ -n "$version" ] && dpkg --compare-versions "$version" ge 1:8; then
        return 0
    fi
    local codename uri list
    codename=$(release_codename)
    [ -n "$codename" ] || die "/etc/os-release names no release, so there is no backports suite to take qemu from"
    list=/etc/apt/sources.list.d/tessaly-backports.sources
    if ! apt-get indextargets --format '$(RELEASE)' 2>/dev/null | grep -qx "$codename-backports"; then
        # The mirror this host already uses for the release itself.
        uri=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null | awk -v r="$codename" '$1 == r { print $2; exit }')
        [ -n "$uri" ] || die "no apt source serves $codename, so there is none for $codename-backports either"
        log "adding the $codename-backports suite ($uri) to apt's sources, for qemu-user-static 8 or later"
        printf 'Types: deb\nURIs: %s\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$uri" "$codename" | $SUDO tee "$list" >/dev/null
    fi
    apt_update
    log "installing qemu-user-static from $codename-backports"
    apt_or_die "qemu-user-static could not be installed from $codename-backports (apt's output is above)" \
        install -y -q --no-install-recommends -t "$codename-backports" qemu-user-static
    version=$(dpkg-query -W -f='${Version}' qemu-user-static)
    dpkg --compare-versions "$version" ge 1:8 || die "$codename-backports gave qemu-user-static $version; 8 or later is needed"
    [ -x "$QEMU_I386" ] || die "missing $QEMU_I386, which qemu-user-static should have installed"
}

# Hands 32-bit x86 programs (ELF executables and shared objects) to qemu. With the F flag
# the kernel opens the emulator now and keeps that file, so a handler is registered anew
# whenever this runs: an earlier one may hold an older qemu. The newest handler for a
# program is the one the kernel uses, so another one (an older qemu's) stays as it is.
register_i386_handler() {
    if [ ! -e "$BINFMT/register" ]; then
        $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
            die "binfmt_misc cannot be mounted on $BINFMT, so 32-bit programs cannot be handed to qemu (a kernel without CONFIG_BINFMT_MISC, or a container that may not mount it)"
    fi
    [ -e "$BINFMT/$I386_HANDLER" ] && echo -1 | $SUDO tee "$BINFMT/$I386_HANDLER" >/dev/null
    printf '%s' ":$I386_HANDLER:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$QEMU_I386:F" |
        $SUDO tee "$BINFMT/register" >/dev/null || die "binfmt_misc refused the handler for 32-bit programs"
    log "registered $QEMU_I386 ($(dpkg-query -W -f='${Version}' qemu-user-static)) with binfmt_misc as $I386_HANDLER: the kernel hands 32-bit x86 programs to it"
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

# The compiler triple of a bitness, 32 or 64: its toolchain file and binutils.
windows_triple() {
    case $1 in
    32) echo i686-w64-mingw32 ;;
    64) echo x86_64-w64-mingw32 ;;
    *) die "a bitness is 32 or 64, not '$1'" ;;
    esac
}

# Configures and builds a Windows tree of a bitness; further arguments go to cmake --build
# (--target ...). The trees the tests run and the release's (scripts/release) are all
# built here, so in the same way.
build_windows_tree() { # bits tree [cmake --build arguments...]
    local triple tree=$2
    triple=$(windows_triple "$1")
    shift 2
    local toolchain=mingw-w64-${triple%%-*}
    cmake -S "$ROOT" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$tree" -j "$JOBS" "$@"
}

build_windows() {
    log "cross-compiling for 64-bit Windows in $BUILD_WINDOWS"
    build_windows_tree 64 "$BUILD_WINDOWS"
}

build_windows32() {
    log "cross-compiling for 32-bit Windows in $BUILD_WINDOWS32"
    build_windows_tree 32 "$BUILD_WINDOWS32"
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
