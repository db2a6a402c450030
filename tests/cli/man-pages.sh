#!/bin/sh
# Renders each manual page given with man-db and with groff's own checks;
# any warning fails. $@: the configured pages.
set -u
fail=0
for page in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANPAGER=cat MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    status=$?
    if [ $status -ne 0 ] || [ -n "$warnings" ]; then
        echo "FAIL man -l $page (status $status): $warnings"
        fail=1
    fi
    warnings=$(groff -ww -man -z -t "$page" 2>&1)
    if [ -n "$warnings" ]; then
        echo "FAIL groff $page: $warnings"
        fail=1
    fi
done
[ $fail -eq 0 ] && echo "all passed"
exit $fail
