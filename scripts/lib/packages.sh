# Packages: every one the scripts use, installed by name, and the files they rely on.
# apt copes with a mirror caught mid-sync.

# Every package the scripts use, by name: nothing comes from recommends. wine32 is of
# the i386 architecture; fonts-wine holds Wine's own fonts (MS Sans Serif, Tahoma);
# libwine-dev the IDL files that widl (mingw-w64-tools) compiles the simulated cell's
# interfaces against. The clang runtime, named by release, comes from the release's row
# in debian_releases.sh.
TESSALY_PACKAGES=(cmake make g++ libgtest-dev googletest libbenchmark-dev
                  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools libwine-dev binutils-mingw-w64-x86-64
                  binutils-mingw-w64-i686 wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils xdotool
                  openbox imagemagick clang "$CLANG_FORMAT" git zip)

# Files the scripts rely on; a package that no longer ships one is an error, not a skip.
WINE_FONTS=(sserife.fon sseriff.fon ms_sans_serif.ttf tahoma.ttf tahomabd.ttf)
TESSALY_FILES=(/usr/lib/wine/wine /usr/lib/wine/wine64 /etc/xdg/openbox/rc.xml "/usr/bin/$CLANG_FORMAT"
               /usr/bin/i686-w64-mingw32-g++-posix /usr/bin/x86_64-w64-mingw32-g++-posix
               /usr/bin/x86_64-w64-mingw32-widl /usr/bin/i686-w64-mingw32-widl
               "${WINE_FONTS[@]/#//usr/share/wine/fonts/}")

apt_quiet() { # log-file apt-get-arguments...
    local out=$1
    shift
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@" >"$out" 2>&1
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

# The URI from which this host's apt gets the suite $1 (bookworm, bookworm-security);
# empty when none of its sources serves it.
apt_mirror() { # suite
    apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null | awk -v r="$1" '$1 == r { print $2; exit }'
}

# An apt source in deb822 form: Debian's main component of the suites, from the URI.
debian_source() { # uri suites...
    local uri=$1
    shift
    printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$uri" "$*"
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
    local out
    out=$(mktemp)
    if apt_quiet "$out" install -y -q --no-install-recommends "$@"; then
        rm -f "$out"
        return 0
    fi
    log "apt-get install failed:"
    sed -n '/unmet dependencies/,$p' "$out" | sed 's/^/   /' >&2
    rm -f "$out"
    log "trying once more with the release's own suite, $RELEASE, as the target"
    apt_or_die "apt-get install -t $RELEASE failed too (its output is above)" \
        install -y -q --no-install-recommends -t "$RELEASE" "$@"
}

# Installs every package the scripts use and checks the files they rely on; see also
# ensure_packages.
install_packages() {
    load_release
    local missing=()
    local p
    for p in "${TESSALY_PACKAGES[@]}" "$RELEASE_CLANG_RT"; do
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

ensure_packages() {
    install_packages
    ensure_i386
}
