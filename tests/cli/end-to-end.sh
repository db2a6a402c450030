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

[ $fail -eq 0 ] && echo "all passed"
exit $fail
