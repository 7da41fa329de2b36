# The Debian releases the scripts know, and what they take from each. One row a release:
#   codename  version  clang runtime (libFuzzer)  suite of qemu-user-static 8 or later
# bookworm's own qemu is 7.2, too old (see i386.sh): its backports suite has a newer one.
# clang-format is clang-format-19 on both (bookworm has it beside its default 14), so the
# format check gives one verdict wherever it runs.
RELEASES=(
    "bookworm 12 libclang-rt-14-dev bookworm-backports"
    "trixie   13 libclang-rt-19-dev trixie"
)
CLANG_FORMAT=clang-format-19

# The codenames the table knows, for messages.
known_releases() {
    local row fields names=
    for row in "${RELEASES[@]}"; do
        read -r -a fields <<<"$row"
        names+="${names:+, }${fields[0]} (Debian ${fields[1]})"
    done
    echo "$names"
}

# The row of a release, by codename or by version number; fails when the table has none.
release_row() { # codename-or-version
    local row fields
    for row in "${RELEASES[@]}"; do
        read -r -a fields <<<"$row"
        if [ "${fields[0]}" = "$1" ] || [ "${fields[1]}" = "$1" ]; then
            echo "${fields[*]}"
            return 0
        fi
    done
    return 1
}

release_codename() {
    (. /etc/os-release && echo "${VERSION_CODENAME:-}")
}

# Sets RELEASE, RELEASE_CLANG_RT and RELEASE_QEMU_SUITE for the release this host runs,
# or stops: packages of a release the table does not know may be named otherwise.
load_release() {
    [ -z "${RELEASE:-}" ] || return 0
    local codename row
    codename=$(release_codename)
    row=$(release_row "${codename:-none}") ||
        die "this host runs Debian '${codename:-(no codename in /etc/os-release)}', which the scripts do not know; they know $(known_releases) (the table is scripts/lib/debian_releases.sh)"
    read -r RELEASE _ RELEASE_CLANG_RT RELEASE_QEMU_SUITE <<<"$row"
}
