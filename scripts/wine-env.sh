# Sourced: the one place that decides how the Windows tests run here.
#
#   wine_env_decide   decides, says which, and exports:
#     VENNOX_WINE_MODE   native32  32-bit Wine runs as it is
#                        qemu32    32-bit Wine under qemu-i386 (tests/wine32)
#                        win64     neither: the 64-bit build under wine64
#     VENNOX_WIN_BUILD   the build the Windows tests run (build/win or build/win64)
#     WINE, WINELOADER, WINESERVER, WINEDEBUG, WINEDLLOVERRIDES
#   wine_env_loader EXE   prints the loader for EXE (32- or 64-bit), or fails
#                         when this machine cannot run it
#   wine_env_pe_machine EXE   014c for a 32-bit program, 8664 for a 64-bit one
#
# A script started under one that has decided (ctest's emulator, the
# end-to-end harness under scripts/test.sh) keeps that decision. Setting
# VENNOX_WINE_MODE beforehand asks for a mode. In qemu32 the qemu
# registration lasts until the shell that decided exits (its EXIT trap,
# which runs any EXIT trap set before).

WINE_ENV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=../tests/wine32/qemu.sh
. "$WINE_ENV_ROOT/tests/wine32/qemu.sh"

wine_env_use32() {
    export WINE=/usr/lib/wine/wine WINELOADER=/usr/lib/wine/wine
    export VENNOX_WIN_BUILD=$WINE_ENV_ROOT/build/win
}
wine_env_use64() {
    export WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
    export VENNOX_WIN_BUILD=$WINE_ENV_ROOT/build/win64
}

# Runs the EXIT trap that was set before ours, then ends the registration.
wine_env_exit() {
    eval "${WINE_ENV_PREVIOUS_EXIT:-}"
    wine32_qemu_stop
}

wine_env_trap_exit() {
    local -a set_before
    eval "set_before=($(trap -p EXIT))" # trap -- 'COMMAND' EXIT
    WINE_ENV_PREVIOUS_EXIT=${set_before[2]:-}
    [ "$WINE_ENV_PREVIOUS_EXIT" = wine_env_exit ] && WINE_ENV_PREVIOUS_EXIT=
    trap wine_env_exit EXIT
}

# What every mode shares: quiet, no Mono, Gecko or menu entries, and
# Debian's wineserver, which serves 32- and 64-bit Wine alike, natively.
wine_env_common() {
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
    if [ -z "${WINESERVER:-}" ]; then
        WINESERVER=/usr/lib/wine/wineserver64
        [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
    fi
    export WINESERVER
}

# Registers qemu for this shell's lifetime and checks 32-bit Wine starts.
wine_env_start_qemu() {
    if wine32_qemu_usable && wine32_qemu_start "$WINE_ENV_ROOT/build/wine32" &&
        wine_env_trap_exit && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        return 0
    fi
    wine32_qemu_stop
    return 1
}

wine_env_decide() {
    [ -n "${VENNOX_WINE_DECIDED:-}" ] && return 0
    local wanted=${VENNOX_WINE_MODE:-any} why
    wine_env_common
    # A qemu entry (another run's, or the system's) would make 32-bit Wine
    # seem to run natively; ours, registered last, is the one used.
    if [[ $wanted == any || $wanted == native32 ]] && ! wine32_qemu_in_use &&
        /usr/lib/wine/wine --version >/dev/null 2>&1; then
        VENNOX_WINE_MODE=native32
        why="32-bit Wine runs here"
    elif [[ $wanted == any || $wanted == qemu32 ]] && wine_env_start_qemu; then
        VENNOX_WINE_MODE=qemu32
        why="32-bit code does not run natively here: 32-bit Wine runs under qemu-i386"
        WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$WINE32_OVERRIDES"
    elif [[ $wanted == any || $wanted == win64 ]] && [ -x /usr/lib/wine/wine64 ]; then
        VENNOX_WINE_MODE=win64
        why="no 32-bit Wine here: the 64-bit build of the same sources runs under wine64"
    else
        echo "wine-env: the Windows tests cannot run here ($wanted)" >&2
        return 1
    fi
    [ "$wanted" = any ] || why="asked for with VENNOX_WINE_MODE"
    if [ "$VENNOX_WINE_MODE" = win64 ]; then
        wine_env_use64
    else
        wine_env_use32
    fi
    export VENNOX_WINE_MODE VENNOX_WINE_DECIDED=1
    echo "Windows tests: $VENNOX_WINE_MODE ($why)" >&2
}

# The processor a Windows program is built for: 014c (i386) or 8664 (x86-64).
wine_env_pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}

wine_env_loader() {
    if [ "$(wine_env_pe_machine "$1")" = 8664 ]; then
        echo /usr/lib/wine/wine64
    elif [ "$VENNOX_WINE_MODE" != win64 ]; then
        echo /usr/lib/wine/wine
    else
        echo "wine-env: $1 is 32-bit and this machine runs no 32-bit Wine; $VENNOX_WIN_BUILD has the 64-bit build" >&2
        return 1
    fi
}
