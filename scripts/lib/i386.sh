# 32-bit programs, which Wine starts everything through: where the kernel runs none,
# qemu's user-mode emulator does, registered with binfmt_misc.

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
# kernel runs none, qemu 8 or later runs it (7.2 ignores MAP_FIXED_NOREPLACE, and every
# Wine process then probes its address space for a minute), from the suite that
# debian_releases.sh names for the release. TESSALY_EMULATE_I386=1 takes that path on any
# host.
ensure_i386() {
    if [ "${TESSALY_EMULATE_I386:-0}" = 1 ]; then
        log "TESSALY_EMULATE_I386=1: running 32-bit programs through qemu even though this host may run them itself"
    else
        runs_i386 && return 0
        log "this host runs no 32-bit program (Wine's 32-bit loader fails to start): running them through qemu"
    fi
    [ "$(id -u)" -eq 0 ] || [ -n "$(command -v sudo)" ] || die "running 32-bit programs through qemu needs root (or sudo): the scripts install qemu-user-static and register it with binfmt_misc"
    install_qemu
    register_i386_handler
    runs_i386 || die "Wine's 32-bit loader still does not start through $QEMU_I386 (try: $QEMU_I386 /usr/lib/wine/wine --version)"
}

# qemu-user-static of version 8 or later, from the release's own suite or its backports.
install_qemu() {
    local version
    version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
    if [ -n "$version" ] && dpkg --compare-versions "$version" ge 1:8; then
        return 0
    fi
    load_release
    local suite=$RELEASE_QEMU_SUITE uri list
    list=/etc/apt/sources.list.d/tessaly-backports.sources
    if [ "$suite" != "$RELEASE" ] && [ -z "$(apt_mirror "$suite")" ]; then
        uri=$(apt_mirror "$RELEASE")
        [ -n "$uri" ] || die "no apt source serves $RELEASE, so there is none for $suite either"
        log "adding the $suite suite ($uri) to apt's sources, for qemu-user-static 8 or later"
        debian_source "$uri" "$suite" | $SUDO tee "$list" >/dev/null
    fi
    apt_update
    log "installing qemu-user-static from $suite"
    apt_or_die "qemu-user-static could not be installed from $suite (apt's output is above)" \
        install -y -q --no-install-recommends -t "$suite" qemu-user-static
    version=$(dpkg-query -W -f='${Version}' qemu-user-static)
    dpkg --compare-versions "$version" ge 1:8 || die "$suite gave qemu-user-static $version; 8 or later is needed"
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
