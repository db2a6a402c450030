#!/bin/sh
# Runs vennox-otp with the pass phrase piped in; $1 is the program.
set -u
otp=$1
fail=0

check() { # expected actual what
    if [ "$1" != "$2" ]; then
        echo "FAIL $3: expected '$1', got '$2'"
        fail=1
    fi
}

out=$(printf 'This is a test.\n' | "$otp" otp-md5 99 TeSt)
check "BAIL TUFT BITS GANG CHEF THY" "$out" "md5 vector"

out=$(printf 'This is a test.\r\n' | "$otp" --md4 99 TeSt)
check "NOTE OUT IBIS SINK NAVE MODE" "$out" "md4 default, CR LF"

out=$(printf 'AbCdEfGhIjK' | "$otp" --hex -n 2 otp-md5 1 alpha1)
check "1: 7cd34c1040add14b" "$out" "hex, -n beyond 1"

out=$(printf 'x\n' | "$otp" otp-md5 0 seed 2>&1)
status=$?
check "invalid OTP challenge 1" "$out $status" "invalid challenge"

"$otp" --bogus </dev/null >/dev/null 2>&1
check 2 $? "usage error"

# RFC 2289 Appendix C (otp-sha1); RFC 2243's ext field and re-initialisation.
out=$(printf 'This is a test.\n' | "$otp" otp-sha1 99 TeSt)
check "GAFF WAIT SKID GIG SKY EYED" "$out" "sha1 vector"

out=$(printf 'This is a test.\n' | "$otp" otp-md5 99 TeSt ext)
check "BAIL TUFT BITS GANG CHEF THY" "$out" "ext"

out=$(printf 'This is a test.\nThis is a test.\nThis is a test.\n' |
    "$otp" --init --hex otp-md5 499 ke1234 ext)
check "init-hex:5bf075d9959d036f:md5 499 ke1235:3712dcb4aa5316c1" "$out" "init-hex example"

out=$(printf 'x\n' | "$otp" --init otp-md5 499 ke1234 2>/dev/null)
check "1 ''" "$? '$out'" "init without ext"

"$otp" --init --new-count x otp-md5 499 ke1234 ext </dev/null >/dev/null 2>&1
check 2 $? "init with a bad count"

# Trailing blanks of a challenge saved with CR LF line ends.
printf 'otp-md5 99 TeSt\r\n' >"${TMPDIR:-/tmp}/vennox-otp-challenge.$$"
out=$(printf 'This is a test.\n' | "$otp" $(cat "${TMPDIR:-/tmp}/vennox-otp-challenge.$$"))
check "BAIL TUFT BITS GANG CHEF THY" "$out" "challenge file with CR LF"
rm -f "${TMPDIR:-/tmp}/vennox-otp-challenge.$$"

# Core files stay off even when the shell allows them: the program holds the
# pass phrase while it waits for it. It waits on a pipe that stays open.
if [ -r /proc/self/limits ] && (ulimit -c unlimited) 2>/dev/null; then
    fifo=${TMPDIR:-/tmp}/vennox-otp-fifo.$$
    mkfifo "$fifo"
    (ulimit -c unlimited; exec "$otp" otp-md5 99 TeSt <"$fifo" >/dev/null 2>&1) &
    pid=$!
    exec 3>"$fifo" # opens once the program has opened its end
    core=
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        core=$(awk '/^Max core file size/ { print $5 }' /proc/$pid/limits 2>/dev/null)
        [ "$core" = 0 ] && break
        sleep 0.1
    done
    check 0 "$core" "core file size limit while reading the pass phrase"
    echo 'x' >&3
    exec 3>&-
    wait $pid
    rm -f "$fifo"
fi

[ $fail -eq 0 ] && echo "all passed"
exit $fail
