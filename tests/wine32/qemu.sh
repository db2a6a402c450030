# Sourced by scripts/wine-env.sh: lets 32-bit Wine run on a kernel that
# starts no 32-bit code, by handing 32-bit programs to qemu-i386 through
# binfmt_misc (root only), with preload.c mending what qemu 7.2 gets wrong.
#
#   wine32_qemu_usable         true when this machine can do it
#   wine32_qemu_start OUT_DIR  builds OUT_DIR/preload.so, registers qemu and
#                              exports what Wine needs
#   wine32_qemu_stop           removes the registration (and binfmt_misc, if
#                              it was not mounted before)
#
# Each run gets an entry of its own, vennox-i386-PID, so runs that overlap
# do not remove each other's. The first to mount binfmt_misc leaves a mark;
# the last to leave unmounts it.

WINE32_QEMU=/usr/bin/qemu-i386-static
WINE32_LIBC=/usr/lib/i386-linux-gnu/libc.so.6
WINE32_BINFMT=/proc/sys/fs/binfmt_misc
WINE32_MOUNTED_MARK=/run/vennox-binfmt-mounted
WINE32_LOCK=/run/lock/vennox-binfmt.lock
WINE32_ENTRY=
# Added to WINEDLLOVERRIDES under qemu: the debugger Wine starts on a crash
# hangs there, so a crashing program would hang its test instead of failing.
# shellcheck disable=SC2034 # used by scripts/wine-env.sh
WINE32_OVERRIDES="winedbg.exe=d"

wine32_qemu_usable() {
    [ "$(id -u)" = 0 ] && [ -x "$WINE32_QEMU" ] && [ -f "$WINE32_LIBC" ] &&
        command -v gcc >/dev/null && grep -qw binfmt_misc /proc/filesystems
}

# True when some run has qemu registered for 32-bit programs.
wine32_qemu_registered() {
    compgen -G "$WINE32_BINFMT/vennox-i386-*" >/dev/null
}

# True when binfmt_misc hands 32-bit programs to qemu, through our entry or
# another (qemu-user-static's own, say): 32-bit code that starts then is
# emulated, not native, and needs the preload.
wine32_qemu_in_use() {
    local entry
    for entry in "$WINE32_BINFMT"/*; do
        [ -f "$entry" ] && [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] &&
            grep -qs '^interpreter .*qemu-i386' "$entry" && return 0
    done
    return 1
}

# Entries left by runs that were killed before they could clean up.
wine32_remove_stale() {
    local entry pid
    for entry in "$WINE32_BINFMT"/vennox-i386-*; do
        [ -e "$entry" ] || continue
        pid=${entry##*-}
        kill -0 "$pid" 2>/dev/null || echo -1 >"$entry"
    done
}

wine32_qemu_start() {
    local out=$1 here
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    mkdir -p "$out"
    out=$(cd "$out" && pwd)
    # QEMU_SET_ENV separates its settings with commas, LD_PRELOAD its
    # libraries with spaces and colons.
    case $out in *[,:\ ]*)
        echo "wine32: $out: a path with a comma, colon or space cannot be preloaded" >&2
        return 1
        ;;
    esac
    if [ ! -f "$out/preload.so" ] || [ "$here/preload.c" -nt "$out/preload.so" ]; then
        gcc -m32 -shared -nostdlib -fPIC -O2 -fno-stack-protector -Wall -o "$out/preload.so.tmp" \
            "$here/preload.c" "$WINE32_LIBC" && mv "$out/preload.so.tmp" "$out/preload.so" || return 1
    fi
    # Set first, so that wine32_qemu_stop also undoes a half-done start.
    WINE32_ENTRY=$WINE32_BINFMT/vennox-i386-$$
    (
        flock 9
        if ! mountpoint -q "$WINE32_BINFMT"; then
            mount -t binfmt_misc binfmt_misc "$WINE32_BINFMT" || exit 1
            : >"$WINE32_MOUNTED_MARK"
        fi
        wine32_remove_stale
        # 32-bit x86 ELF executables and shared objects (e_type 2 or 3).
        # F: qemu is opened now, so it is found from any mount namespace.
        printf '%s' ":vennox-i386-$$:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$WINE32_QEMU:F" \
            >"$WINE32_BINFMT/register"
    ) 9>"$WINE32_LOCK" || {
        echo "wine32: could not register qemu-i386 with binfmt_misc" >&2
        return 1
    }
    export QEMU_SET_ENV=LD_PRELOAD=$out/preload.so
}

wine32_qemu_stop() {
    [ -n "$WINE32_ENTRY" ] || return 0
    (
        flock 9
        [ -e "$WINE32_ENTRY" ] && echo -1 >"$WINE32_ENTRY"
        wine32_remove_stale
        if [ -e "$WINE32_MOUNTED_MARK" ] && ! wine32_qemu_registered; then
            umount "$WINE32_BINFMT" && rm -f "$WINE32_MOUNTED_MARK"
        fi
    ) 9>"$WINE32_LOCK"
    WINE32_ENTRY=
    unset QEMU_SET_ENV
}
