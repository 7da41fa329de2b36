# The build trees: native, native under the sanitizers, and Windows of either bitness;
# and the check that the sources keep the project's format.

configure_native() {
    cmake -S "$ROOT" -B "$BUILD_NATIVE" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
}

build_native() {
    log "building natively in $BUILD_NATIVE"
    configure_native
    cmake --build "$BUILD_NATIVE" -j "$JOBS"
}

# One target of the native tree, built quietly: the benchmarks, the sweep.
build_native_target() { # target
    configure_native
    cmake --build "$BUILD_NATIVE" -j "$JOBS" --target "$1" >/dev/null
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

windows_tree() {
    case $1 in
    32) echo "$BUILD_WINDOWS32" ;;
    64) echo "$BUILD_WINDOWS" ;;
    *) die "a bitness is 32 or 64, not '$1'" ;;
    esac
}

# Every C++ file git knows keeps the format of .clang-format, as the one clang-format of
# debian_releases.sh reads it (versions differ on where a call breaks); a drift fails with
# the files and lines it would change.
check_format() {
    log "checking the format of the sources ($CLANG_FORMAT)"
    local files
    mapfile -t files < <(git -C "$ROOT" ls-files '*.cpp' '*.h')
    [ ${#files[@]} -gt 0 ] || die "git lists no sources under $ROOT"
    (cd "$ROOT" && "$CLANG_FORMAT" --dry-run --Werror "${files[@]}") ||
        die "the sources above drift from .clang-format ($CLANG_FORMAT -i FILE mends them)"
}
