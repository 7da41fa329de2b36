# The options of the scripts that run tessaly.exe against the simulated cell.

# Reads --tessaly 32|64 into TESSALY_BITS (default 32, the cell PC's) and --cell 32|64
# into CELL_BITS (default 64), and leaves the script's other options in OPTIONS, in their
# order. $1 names every option the script takes; any other stops it.
parse_options() { # "options the script takes" arguments...
    local takes=" $1 "
    shift
    TESSALY_BITS=32
    CELL_BITS=64
    OPTIONS=()
    while [ $# -gt 0 ]; do
        [[ $1 != *[[:space:]]* && $takes == *" $1 "* ]] || die "unknown option $1 (see the head of $0)"
        case $1 in
        --tessaly | --cell)
            [ $# -ge 2 ] || die "$1 needs 32 or 64"
            [[ $2 == 32 || $2 == 64 ]] || die "$1 needs 32 or 64, not '$2'"
            if [ "$1" = --tessaly ]; then TESSALY_BITS=$2; else CELL_BITS=$2; fi
            shift
            ;;
        *) OPTIONS+=("$1") ;;
        esac
        shift
    done
}
