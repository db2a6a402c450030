# Shared by the end-to-end harnesses (wine/run.sh, xvfb/run.sh), sourced:
# a private Xvfb display, waiting for a state, and the pass/fail count.

PASSED=0
FAILED=0
XVFB_PID=

# e2e_pass WHAT / e2e_fail WHAT: one result, printed and counted.
e2e_pass() {
    echo "PASS: $*"
    PASSED=$((PASSED + 1))
}
e2e_fail() {
    echo "FAIL: $*"
    FAILED=$((FAILED + 1))
}

# e2e_summary: the count; true when nothing failed.
e2e_summary() {
    echo "$PASSED passed, $FAILED failed"
    [ "$FAILED" -eq 0 ]
}

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s; false when it
# never succeeded. Waits are for a state, never for a fixed time.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# start_xvfb LOG-FILE: Xvfb on the first free display from :95; sets
# DISPLAY and XVFB_PID. False when the server did not come up.
start_xvfb() {
    local n=95
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
        n=$((n + 1))
    done
    # -noreset: by default the server resets when its last client leaves,
    # and a client connecting during the reset is refused.
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$1" 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    wait_until 10 xdpyinfo >/dev/null 2>&1
}

# stop_xvfb: ends the server started by start_xvfb, if any.
stop_xvfb() {
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
