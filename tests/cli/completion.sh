#!/bin/bash
# What bash completion offers for vennox-otp's command lines; $1 is the
# completion file.
set -u
source "$1" || exit 1
fail=0

# expect "WORDS OFFERED" word... (the last word is the one being completed)
expect() {
    local want=$1
    shift
    COMP_WORDS=(vennox-otp "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _vennox_otp
    local got="${COMPREPLY[*]}"
    if [[ $got != "$want" ]]; then
        echo "FAIL [$*]: expected '$want', got '$got'"
        fail=1
    fi
}

expect "--md4 --md5" --md
expect "--new-seed --new-count --new-algorithm" --new
expect "--sha1" --s
expect "--init" --i
expect "md4 md5 sha1" --init --new-algorithm ""
expect "sha1" --init --new-algorithm s
expect "" -n ""
expect "" --new-seed ""
expect "otp-md4 otp-md5 otp-sha1" ""
expect "otp-sha1" --hex otp-s
expect "otp-md5" -n 3 otp-md5
expect "" otp-md5 ""
expect "" otp-md5 99 ""
expect "ext" otp-md5 99 seed ""
expect "ext" --init otp-sha1 99 seed e
expect "ext" 99 seed ""
expect "" 99 seed ext ""
expect "" otp-md5 99 seed ext ""
expect "" --decode ""
expect "" -- -n ""
expect "" otp-md5 --
expect "otp-md4 otp-md5 otp-sha1" --init --new-seed ke1 --new-count 5 ""

[ $fail -eq 0 ] && echo "all passed"
exit $fail
