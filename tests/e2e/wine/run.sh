#!/usr/bin/env bash
# End-to-end tests of the real Vennox.exe under Wine on a private Xvfb
# display, driven from outside by vennox_e2e_driver.exe as a user and other
# programs would drive it.
#
#   tests/e2e/wine/run.sh BUILD_DIR
#
# BUILD_DIR is a Windows cross build holding ui/win32/Vennox.exe and
# tests/e2e/wine/vennox_e2e_driver.exe. scripts/wine-env.sh decides how it
# runs: natively 32-bit, 32-bit under qemu, or, where neither works, a 32-bit
# BUILD_DIR is rebuilt for 64 bits next to it, in BUILD_DIR-x64, and driven
# under wine64.
#
# Every scenario starts from a fresh copy of one template prefix, so from an
# empty profile. Screenshots of the three dialogs go to $VENNOX_ARTIFACTS
# (default build/artifacts/wine). Prints PASS/FAIL lines and a closing count;
# exits non-zero when anything failed.
set -uo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../../.." && pwd)
BUILD=${1:?usage: run.sh BUILD_DIR}
BUILD=$(cd "$BUILD" && pwd)
ARTIFACTS=${VENNOX_ARTIFACTS:-$ROOT/build/artifacts/wine}
mkdir -p "$ARTIFACTS"
ARTIFACTS=$(cd "$ARTIFACTS" && pwd)

# shellcheck source=../harness.sh
. "$HERE/../harness.sh"
SCEN=setup
pass() { e2e_pass "$SCEN: $1"; }
fail() { e2e_fail "$SCEN: $1"; }
# Stops the run before any scenario could start.
abort() {
    fail "$1"
    e2e_summary
    exit 1
}
expect_eq() {
    if [[ "$2" == "$3" ]]; then
        pass "$1"
    else
        fail "$1 (got '$2', want '$3')"
    fi
}
expect_ok() {
    local what=$1
    shift
    if "$@" >>"$LOG" 2>&1; then
        pass "$what"
    else
        fail "$what"
    fi
}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vennox-e2e.XXXXXX")
LOG=$WORK/run.log
APP_PID=
cleanup() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        "$WINESERVER" -k >/dev/null 2>&1
    fi
    stop_xvfb
    # Keep the log of a failed run beside the screenshots.
    [ "$FAILED" -gt 0 ] && cp "$LOG" "$ARTIFACTS/run.log" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# --- Which Wine, which build ------------------------------------------------

EXE=$BUILD/ui/win32/Vennox.exe
DRIVER=$BUILD/tests/e2e/wine/vennox_e2e_driver.exe
[ -f "$EXE" ] || abort "no $EXE"
[ -f "$DRIVER" ] || abort "no $DRIVER"

# How Windows programs run here is decided in scripts/wine-env.sh, or kept
# from the script that started this one. Under qemu its EXIT trap, which
# also runs cleanup, ends the registration.
# shellcheck source=../../../scripts/wine-env.sh
. "$ROOT/scripts/wine-env.sh"
wine_env_decide || abort "no Wine that runs here"
if [ "$(wine_env_pe_machine "$EXE")" = 014c ] && [ "$VENNOX_WINE_MODE" = win64 ]; then
    echo "note: this machine runs no 32-bit code; testing a 64-bit build of the same sources"
    X64=$BUILD-x64
    cmake -S "$ROOT" -B "$X64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >"$WORK/x64-build.log" 2>&1 &&
        cmake --build "$X64" --target Vennox vennox_e2e_driver -j2 >>"$WORK/x64-build.log" 2>&1 ||
        { tail -20 "$WORK/x64-build.log"; abort "64-bit build failed"; }
    EXE=$X64/ui/win32/Vennox.exe
    DRIVER=$X64/tests/e2e/wine/vennox_e2e_driver.exe
fi
WINE=$(wine_env_loader "$EXE") || abort "cannot run $EXE here"
export WINELOADER=$WINE
echo "Vennox.exe: $(wine_env_pe_machine "$EXE" | sed 's/014c/32-bit/;s/8664/64-bit/') build under $WINE ($VENNOX_WINE_MODE)"

# --- Display -----------------------------------------------------------------

start_xvfb "$WORK/xvfb.log" || abort "Xvfb did not start on $DISPLAY"

# --- Template prefix -----------------------------------------------------------

TEMPLATE=$WORK/template
export WINEPREFIX=$TEMPLATE
"$WINE" wineboot -i >>"$LOG" 2>&1
# No window manager runs: Wine draws the frames itself, so window rectangles
# are exactly what the program asked for and screenshots show the captions.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >>"$LOG" 2>&1
"$WINESERVER" -w
[ -f "$TEMPLATE/system.reg" ] || abort "wineboot failed (see $LOG)"

# --- Helpers -------------------------------------------------------------------

# One driver process per scenario serves every step over two pipes: starting
# a Wine process for each step would cost half a second. Its output comes
# through Wine's console in text mode: drop the CRs.
trap '' PIPE
start_driver() {
    rm -f "$WORK/drv.in" "$WORK/drv.out"
    mkfifo "$WORK/drv.in" "$WORK/drv.out"
    "$WINE" "$DRIVER" serve <"$WORK/drv.in" >"$WORK/drv.out" 2>>"$LOG" &
    DRIVER_PID=$!
    exec 7>"$WORK/drv.in" 8<"$WORK/drv.out"
}
stop_driver() {
    exec 7>&- 8<&-
    wait "$DRIVER_PID" 2>/dev/null
}
drv() {
    local IFS=$'\t' line
    printf '%s\n' "$*" >&7 || return 99
    # A step waits 30 s at most; a driver that hangs or dies fails the step.
    while IFS= read -r -t 60 line <&8; do
        line=${line%$'\r'}
        if [[ $line == "@@rc "* ]]; then
            [ "${line#@@rc }" = 0 ] || echo "driver step failed: $*" >>"$LOG"
            return "${line#@@rc }"
        fi
        printf '%s\n' "$line"
    done
    return 99
}
# A Linux path as the Windows programs see it.
winpath() { echo "Z:$1"; }
# wine_reg ARGS...: Wine's reg in the scenario's prefix. The Wine processes
# it may start must not hold the driver's pipes open.
wine_reg() { "$WINE" reg "$@" >>"$LOG" 2>&1 7>&- 8<&-; }

scenario() {
    SCEN=$1
    export WINEPREFIX=$WORK/prefix-$1
    cp -a "$TEMPLATE" "$WINEPREFIX"
    echo "---- $1" >>"$LOG"
    start_driver
    echo "---- $1 (at ${SECONDS}s)"
}
end_scenario() {
    stop_driver
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
    APP_PID=
}

ini_path() { find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -iname vennox.ini | head -n 1; }
# ini_get SECTION KEY: the value, or <missing>. Names match in any case, as
# the platform's profile functions match them.
ini_get() {
    local file
    file=$(ini_path)
    [ -n "$file" ] || {
        echo "<missing>"
        return
    }
    awk -v s="$1" -v k="$2" '
        { sub(/\r$/, "") }
        /^\[/ { in_section = (tolower($0) == "[" tolower(s) "]"); next }
        in_section {
            i = index($0, "=")
            if (i > 0 && tolower(substr($0, 1, i - 1)) == tolower(k)) { print substr($0, i + 1); found = 1; exit }
        }
        END { if (!found) print "<missing>" }' "$file"
}
# ini_write LINE...: the whole profile, as the user's editor would leave it.
ini_write() {
    printf '%s\r\n' "$@" >"$WINEPREFIX/drive_c/windows/Vennox.ini"
}
ini_dump() {
    local file
    file=$(ini_path)
    [ -n "$file" ] && tr -d '\r' <"$file"
}

# Programs started by the script must not hold the driver's pipes open.
start_app() {
    "$WINE" "$EXE" >>"$LOG" 2>&1 7>&- 8<&- &
    APP_PID=$!
    drv wait-window Vennox 30000 >/dev/null && drv wait-idle Vennox 30000 >/dev/null
}
app_gone() {
    case "$(ps -o stat= -p "$APP_PID" 2>/dev/null)" in "" | Z*) return 0 ;; esac
    return 1
}
# Waits until the program's process has ended.
app_ended() {
    wait_until 15 app_gone && wait "$APP_PID" 2>/dev/null
    app_gone
}
# Ends the program as a user does, with Esc, and waits until it is gone.
quit_app() {
    drv key Vennox esc >/dev/null && drv wait-gone Vennox >/dev/null && app_ended
}

compute() { # CHALLENGE PASSPHRASE: what the user types, then Compute
    drv set Vennox 1000 "$1" && drv set Vennox 1001 "$2" && drv command Vennox 1
}

screenshot() { # CAPTION FILE: the window alone, cut from the screen
    local l t r b out same=0 tries shot=$WORK/shot.ppm next=$WORK/shot-next.ppm
    # Not read < <(...): the driver must have finished before the crop.
    out=$(drv rect "$1")
    read -r l t r b <<<"$out"
    [ -n "$b" ] || { fail "screenshot $(basename "$2"): no window"; return; }
    # A dialog just opened may still be painting, slowly under qemu: it is
    # asked to paint now, and the shot counts once three in a row agree
    # (compared as plain pixels: a PNG carries the time it was made).
    rm -f "$shot"
    drv redraw "$1" >/dev/null
    for ((tries = 0; tries < 40 && same < 2; tries++)); do
        sleep 0.2
        import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$next" 2>>"$LOG" || break
        if cmp -s "$next" "$shot"; then
            same=$((same + 1))
        else
            same=0
            mv "$next" "$shot"
        fi
    done
    if [ "$same" -ge 2 ] && convert "$shot" "$2" 2>>"$LOG"; then
        pass "screenshot $(basename "$2")"
    else
        fail "screenshot $(basename "$2"): the window did not settle"
    fi
    rm -f "$shot" "$next"
}

# Waits until the viewer's log $1 has a line equal to $2 (within $3 tenths
# of a second, default 100).
viewer_saw() {
    wait_until $(((${3:-100} + 9) / 10)) grep -qxF -- "$2" "$1" 2>/dev/null
}

# RFC 2289's test vectors: challenge, pass phrase, response.
VECTORS=(
    "otp-md4 1 TeSt|This is a test.|CARD SAD MINI RYE COL KIN"
    "otp-md4 99 TeSt|This is a test.|NOTE OUT IBIS SINK NAVE MODE"
    "otp-md4 99 alpha1|AbCdEfGhIjK|ROIL FREE COG HUNK WAIT COCA"
    "otp-md4 1 correct|OTP's are good|GIST AMOS MOOT AIDS FOOD SEEM"
    "otp-md5 1 TeSt|This is a test.|EASE OIL FUM CURE AWRY AVIS"
    "otp-md5 99 TeSt|This is a test.|BAIL TUFT BITS GANG CHEF THY"
    "otp-md5 99 alpha1|AbCdEfGhIjK|BODE HOP JAKE STOW JUT RAP"
    "otp-md5 1 correct|OTP's are good|SKIM CULT LOB SLAM POE HOWL"
    "99 TeSt|This is a test.|BAIL TUFT BITS GANG CHEF THY"
)
draws_at_least() { [ "$(grep -c '^draw' "$1")" -ge "$2" ]; }
# Waits until the viewer's log counts at least $2 clipboard changes.
wait_draws() { wait_until 10 draws_at_least "$1" "$2"; }
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

# --- start, Compute, keys, About ------------------------------------

scenario main-window
if start_app; then
    expect_eq "window at screen pixel 20, 20 on an empty profile" "$(drv rect Vennox | cut -d' ' -f1,2)" "20 20"
    expect_eq "focus starts in the Challenge field" "$(drv focus Vennox)" 1000
    expect_eq "Password field starts empty" "$(drv get Vennox 1001)" ""

    for v in "${VECTORS[@]}"; do
        IFS='|' read -r challenge phrase response <<<"$v"
        compute "$challenge" "$phrase"
        expect_eq "'$challenge': response field in lower case" "$(drv get Vennox 1002)" "$(lower "$response")"
        expect_eq "'$challenge': clipboard in upper case" "$(drv clip-get)" "$response"
    done
    expect_eq "last challenge stored as typed" "$(ini_get Defaults Challenge)" "99 TeSt"
    expect_eq "focus in the Response field after Compute" "$(drv focus Vennox)" 1002
    screenshot Vennox "$ARTIFACTS/main.png"

    compute "otp-md5 TeSt" "This is a test."
    expect_eq "no sequence number: invalid" "$(drv get Vennox 1002)" "invalid otp challenge"
    expect_eq "invalid challenge: focus back in the Challenge field" "$(drv focus Vennox)" 1000
    expect_eq "invalid challenge: clipboard keeps the last response" "$(drv clip-get)" "BAIL TUFT BITS GANG CHEF THY"
    compute "otp-md5 0 TeSt" "This is a test."
    expect_eq "sequence 0: invalid" "$(drv get Vennox 1002)" "invalid otp challenge"

    # Real key strokes: Tab from the Challenge field to the Password field,
    # then Enter there is Compute.
    drv set Vennox 1000 "otp-md4 99 TeSt"
    drv set Vennox 1001 "This is a test."
    drv key Vennox tab
    expect_ok "Tab moves to the Password field" drv wait-focus Vennox 1001
    drv key Vennox enter
    expect_ok "Enter computes" drv wait-text Vennox 1002 "note out ibis sink nave mode"
    expect_eq "Enter leaves the window open" "$(drv exists Vennox)" 1

    compute "otp-md5 99 abcdefghijklmnopq" "This is a test."
    expect_eq "17-character seed: key crunch failed" "$(drv get Vennox 1002)" "key crunch failed"
    expect_eq "key crunch failed: Challenge field unchanged" "$(drv get Vennox 1000)" "otp-md5 99 abcdefghijklmnopq"
    expect_eq "key crunch failed: stored challenge unchanged" "$(ini_get Defaults Challenge)" "otp-md4 99 TeSt"
    compute "otp-md5 99 abcdefghijklmnop" "This is a test."
    expect_ok "16-character seed computes" drv wait-text Vennox 1002 "$(lower "$(drv clip-get)")"

    # The About entry of the system menu.
    drv syscommand Vennox 16
    if drv wait-window "About Vennox" >/dev/null; then
        pass "system command 16 opens About Vennox"
        screenshot "About Vennox" "$ARTIFACTS/about.png"
        drv click "About Vennox" 1
        expect_ok "OK closes the About box" drv wait-gone "About Vennox"
    else
        fail "system command 16 opens About Vennox"
    fi
    drv syscommand Vennox 31
    if drv wait-window "About Vennox" >/dev/null; then
        pass "system command 31 opens About Vennox too"
        drv key "About Vennox" esc
        expect_ok "Esc closes the About box" drv wait-gone "About Vennox"
    else
        fail "system command 31 opens About Vennox too"
    fi
    expect_eq "main window still there after the About box" "$(drv exists Vennox)" 1

    expect_ok "Esc ends the program" quit_app
else
    fail "Vennox window appears"
fi
end_scenario

# --- AutoDecrement and the stored challenge ---------------------------

scenario auto-decrement
ini_write "[Settings]" "AutoDecrement=1" "AutoPaste=0"
if start_app; then
    expect_eq "empty Challenge field without a stored challenge" "$(drv get Vennox 1000)" ""
    compute "OTP-MD4 2 TeSt" "This is a test."
    expect_eq "sequence stepped down, lowered and single-spaced" "$(drv get Vennox 1000)" "otp-md4 1 test"
    expect_eq "stepped-down challenge stored" "$(ini_get Defaults Challenge)" "otp-md4 1 test"
    drv set Vennox 1001 "This is a test."
    drv command Vennox 1
    expect_eq "the stepped-down challenge computes (RFC 2289 vector)" "$(drv get Vennox 1002)" "card sad mini rye col kin"
    expect_eq "sequence 1 steps down to 0" "$(drv get Vennox 1000)" "otp-md4 0 test"
    drv set Vennox 1001 "This is a test."
    drv command Vennox 1
    expect_eq "sequence 0 is refused" "$(drv get Vennox 1002)" "invalid otp challenge"
    compute "  17   TeSt " "This is a test."
    expect_eq "no algorithm named: default MD5 in the rewrite" "$(drv get Vennox 1000)" "otp-md5 16 test"
    expect_ok "program ends" quit_app
    if start_app; then
        expect_eq "stored challenge shown after a restart with AutoPaste 0" "$(drv get Vennox 1000)" "otp-md5 16 test"
        expect_ok "program ends" quit_app
    else
        fail "Vennox restarts"
    fi
else
    fail "Vennox window appears"
fi
end_scenario

# --- the clipboard monitor and the viewer chain ------------------------

scenario clipboard-monitor
ini_write "[Settings]" "CBViewer=1" "AutoPaste=1"
VLOG=$WORK/viewer.log
"$WINE" "$DRIVER" viewer "$(winpath "$VLOG")" >>"$LOG" 2>&1 7>&- 8<&- &
VIEWER_PID=$!
if viewer_saw "$VLOG" ready 300 && start_app; then
    drv minimize Vennox
    expect_ok "window minimised" drv wait-iconic Vennox 1
    drv clip-set "otp-md5 99 TeSt"
    expect_ok "a challenge copied elsewhere restores the window" drv wait-iconic Vennox 0
    expect_ok "and pastes it into the Challenge field" drv wait-text Vennox 1000 "otp-md5 99 TeSt"
    expect_ok "with the focus in the Password field" drv wait-focus Vennox 1001
    expect_ok "the viewer before Vennox saw the challenge" viewer_saw "$VLOG" "draw otp-md5 99 TeSt"

    drv set Vennox 1001 "This is a test."
    drv key Vennox enter
    expect_ok "Enter in the Password field computes the pasted challenge" drv wait-text Vennox 1002 "bail tuft bits gang chef thy"
    expect_ok "the viewer saw the response Vennox copied" viewer_saw "$VLOG" "draw BAIL TUFT BITS GANG CHEF THY"

    drv clip-set "not a challenge at all"
    expect_ok "the viewer saw a plain text" viewer_saw "$VLOG" "draw not a challenge at all"
    expect_eq "plain text is not pasted" "$(drv get Vennox 1000)" "otp-md5 99 TeSt"

    expect_ok "program ends" quit_app
    drv clip-set "copied after Vennox ended"
    expect_ok "the viewer still sees changes after Vennox left the chain" \
        viewer_saw "$VLOG" "draw copied after Vennox ended"
else
    fail "viewer and Vennox start"
fi
drv close vennox-e2e-viewer
viewer_saw "$VLOG" left >/dev/null
wait "$VIEWER_PID" 2>/dev/null
end_scenario

# --- Options, Apply, Save ----------------------------------------------

OPT="Vennox Options"
open_options() {
    drv post-command Vennox 1004
    drv wait-window "$OPT" >/dev/null
}
# check_boxes LABEL ID=STATE...: the check states the dialog shows.
check_boxes() {
    local label=$1 got want
    shift
    for pair in "$@"; do
        got=$(drv check "$OPT" "${pair%%=*}")
        want=${pair#*=}
        [ "$got" = "$want" ] || {
            fail "$label (control ${pair%%=*} is $got, want $want)"
            return
        }
    done
    pass "$label"
}

scenario options
if start_app && open_options; then
    screenshot "$OPT" "$ARTIFACTS/options.png"
    check_boxes "defaults: MD5, Auto Paste and Auto Copy checked" \
        1008=0 1009=1 1016=0 1010=1 1017=0 1011=1 1015=0 1012=0 1014=0 1018=0
    expect_eq "SHA-1 greyed" "$(drv enabled "$OPT" 1016)" 0

    drv click "$OPT" 1008
    drv click "$OPT" 1014
    drv click "$OPT" 1 # Apply
    expect_ok "Apply closes" drv wait-gone "$OPT"
    expect_eq "Apply writes no preference" "$(ini_get Settings Algorithm)|$(ini_get Settings AutoClear)" "<missing>|<missing>"
    compute "99 TeSt" "This is a test."
    expect_eq "after Apply of MD4 a bare challenge uses MD4" "$(drv get Vennox 1002)" "note out ibis sink nave mode"
    expect_eq "after Apply of Auto Clear the pass phrase is cleared" "$(drv get Vennox 1001)" ""
    compute "otp-md5 99 TeSt" "This is a test."
    expect_eq "a challenge naming otp-md5 still uses MD5" "$(drv get Vennox 1002)" "bail tuft bits gang chef thy"

    open_options
    check_boxes "the dialog shows the applied choices" 1008=1 1009=0 1014=1
    drv click "$OPT" 1014
    drv click "$OPT" 1012
    drv click "$OPT" 1015
    # Enter with the focus on a check box presses the default button, Save.
    # A click moves the focus a moment later: wait for it, not for a time.
    drv wait-focus "$OPT" 1015 >/dev/null
    focus=$(drv focus "$OPT")
    case $focus in 101[0-8]) pass "focus on a check box ($focus)" ;; *) fail "focus on a check box (got $focus)" ;; esac
    drv key "$OPT" enter
    expect_ok "Enter closes the dialog" drv wait-gone "$OPT"
    saved="$(ini_get Settings AutoPaste) $(ini_get Settings AutoCopy) $(ini_get Settings AutoDecrement) \
$(ini_get Settings AutoClear) $(ini_get Settings AppendCRLF) $(ini_get Settings CBViewer) \
$(ini_get Settings AutoMinimize) $(ini_get Settings Algorithm)"
    expect_eq "Enter is Save: all eight keys written" "$saved" "1 1 1 0 1 0 0 MD4"
    compute "otp-md4 99 TeSt" "This is a test."
    expect_eq "saved Append CR LF: clipboard ends in CR LF" "$(drv clip-get)" 'NOTE OUT IBIS SINK NAVE MODE\r\n'
    expect_eq "saved Append CR LF: field without it" "$(drv get Vennox 1002)" "note out ibis sink nave mode"

    # Cancel changes neither the live choices nor the profile.
    before=$(ini_dump)
    open_options
    drv click "$OPT" 1009
    drv click "$OPT" 1015
    drv click "$OPT" 2
    expect_ok "Cancel closes" drv wait-gone "$OPT"
    compute "99 TeSt" "This is a test."
    expect_eq "after Cancel the bare challenge still uses MD4" "$(drv get Vennox 1002)" "note out ibis sink nave mode"
    expect_eq "after Cancel Append CR LF still on" "$(drv clip-get)" 'NOTE OUT IBIS SINK NAVE MODE\r\n'
    after=$(ini_dump | grep -vi '^challenge=')
    expect_eq "Cancel writes no preference" "$after" "$(grep -vi '^challenge=' <<<"$before")"

    expect_ok "program ends" quit_app
    if start_app && open_options; then
        check_boxes "a restart shows the saved choices" \
            1008=1 1009=0 1010=1 1017=0 1011=1 1015=1 1012=1 1014=0 1018=0
        drv key "$OPT" esc
        expect_ok "Esc closes the options dialog" drv wait-gone "$OPT"
        expect_ok "program ends" quit_app
    else
        fail "Vennox restarts with its options"
    fi
else
    fail "Vennox and its options dialog open"
fi
end_scenario

# --- hostile clipboard contents ----------------------------------------

scenario hostile-clipboard
ini_write "[Settings]" "CBViewer=1" "AutoPaste=1"
VLOG=$WORK/viewer2.log
"$WINE" "$DRIVER" viewer "$(winpath "$VLOG")" >>"$LOG" 2>&1 7>&- 8<&- &
VIEWER_PID=$!
yes "otp-md5 99 TeSt and more words" 2>/dev/null | head -c 1048576 >"$WORK/mega.txt"
for _ in 1 2 3 4; do for i in $(seq 1 255); do printf "\\$(printf %03o "$i")"; done; done >"$WORK/binary.dat"
printf 'otp-md5 99 TeSt' >"$WORK/unterminated.dat"
if viewer_saw "$VLOG" ready 300 && start_app; then
    draws=$(grep -c '^draw' "$VLOG")
    for item in "file:mega.txt:a megabyte of text" "file:binary.dat:binary bytes" \
        'text:\r\n:a single CR LF' 'text:\n:a single line break' \
        "raw:unterminated.dat:a challenge without a terminating zero" \
        'text:otp-md5 99 TeSt\r\nmore:a challenge followed by a line'; do
        IFS=: read -r kind what label <<<"$item"
        case $kind in
        file) drv clip-set-file "$(winpath "$WORK/$what")" ;;
        raw) drv clip-set-raw "$(winpath "$WORK/$what")" ;;
        text) drv clip-set "$what" ;;
        esac
        # Vennox forwards the change to the viewer after it has looked at it.
        draws=$((draws + 1))
        wait_draws "$VLOG" "$draws" || fail "$label: the change reaches the viewer behind Vennox"
        compute "otp-md4 1 TeSt" "This is a test."
        draws=$((draws + 1)) # the response Vennox copied
        if [ "$(drv exists Vennox)" = 1 ] && [ "$(drv get Vennox 1002)" = "card sad mini rye col kin" ]; then
            pass "$label: Vennox survives and computes"
        else
            fail "$label: Vennox survives and computes"
        fi
    done
    expect_ok "the viewer behind Vennox saw every change" wait_draws "$VLOG" "$draws"
    expect_ok "program ends" quit_app
else
    fail "viewer and Vennox start"
fi
drv close vennox-e2e-viewer
wait "$VIEWER_PID" 2>/dev/null
end_scenario

# --- help opens the page at the topic ---------------------------------

# Wine hands a URL to the desktop's xdg-open (through winebrowser); ours,
# first on PATH, notes its argument instead.
HELP_LOG=$WORK/help-opened
: >"$HELP_LOG"
mkdir -p "$WORK/bin"
# shellcheck disable=SC2016 # $1 is the opener's own argument
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$HELP_LOG" >"$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
HELP_PAGE=$ROOT/ui/res/help/index.html

opened_count() { [ "$(wc -l <"$HELP_LOG")" -ge "$1" ]; }
# The Linux file that a URL handed to xdg-open names: Wine passes
# file:///unix/path, or file://C:\windows\path when it could not convert it.
url_file() {
    local path=${1%%#*}
    path=${path#file://}
    path=${path//\\//}
    path=$(printf '%b' "${path//%/\\x}")
    if [[ $path =~ ^/?([A-Za-z]):(.*)$ ]]; then
        local drive=${BASH_REMATCH[1],,} rest=${BASH_REMATCH[2]}
        path=$WINEPREFIX/dosdevices/$drive:$rest
    fi
    echo "$path"
}
# help_opens LABEL TOPIC ACTION...: the action opens, as the next URL handed
# to xdg-open, the help page at TOPIC (empty: at its top).
help_opens() {
    local label=$1 topic=$2 n url file
    shift 2
    n=$(($(wc -l <"$HELP_LOG") + 1))
    "$@" >/dev/null
    if ! wait_until 20 opened_count "$n"; then
        fail "$label: nothing opened"
        return
    fi
    url=$(sed -n "${n}p" "$HELP_LOG")
    file=$(url_file "$url")
    if [ -n "$topic" ] && [ "${url##*#}" != "$topic" ]; then
        fail "$label: '$url' is not at topic $topic"
    elif [ -z "$topic" ] && [[ $url == *#* ]]; then
        fail "$label: '$url' names a topic"
    elif ! cmp -s "$file" "$HELP_PAGE"; then
        fail "$label: '$url' is not the help page"
    elif [ -n "$topic" ] && ! grep -q "id=\"$topic\"" "$file"; then
        fail "$label: the page has no topic $topic"
    else
        pass "$label ($url)"
    fi
}

scenario help
SAVED_PATH=$PATH
PATH=$WORK/bin:$PATH
if start_app; then
    help_opens "Help button opens topic 1" context-1 drv click Vennox 9
    # A page left there before (by an older version, say) is replaced.
    printf 'stale\n' >"$(url_file "$(tail -n 1 "$HELP_LOG")")"
    help_opens "F1 opens topic 2" context-2 drv key Vennox f1
    if open_options; then
        help_opens "F1 in the options dialog opens topic 3" context-3 drv key "$OPT" f1
        drv key "$OPT" esc
        expect_ok "options dialog closes" drv wait-gone "$OPT"
    else
        fail "options dialog opens"
    fi
    expect_ok "program ends" quit_app
else
    fail "Vennox window appears"
fi
# No browser registered for web pages: the shell opens the page, at its top.
wine_reg delete 'HKCR\http' /f
wine_reg delete 'HKCR\https' /f
wine_reg add 'HKCR\.html' /ve /d vennox.e2e.html /f
wine_reg add 'HKCR\vennox.e2e.html\shell\open\command' /ve \
    /d '"C:\windows\system32\winebrowser.exe" "%1"' /f
if start_app; then
    help_opens "no browser for http: Help opens the page" "" drv click Vennox 9
    expect_ok "program ends" quit_app
else
    fail "Vennox window appears"
fi
end_scenario
PATH=$SAVED_PATH

# --- scaled displays ------------------------------------------------------

# size_near WANT GOT: GOT is WANT within 10 %.
size_near() { [ $(($2 * 10)) -ge $(($1 * 9)) ] && [ $(($2 * 10)) -le $(($1 * 11)) ]; }
# window_size CAPTION: "width height" of the outer frame.
window_size() {
    local l t r b out
    out=$(drv rect "$1")
    read -r l t r b <<<"$out"
    echo "$((r - l)) $((b - t))"
}
open_about() { drv syscommand Vennox 16 && drv wait-window "About Vennox" >/dev/null; }
# The three dialogs: caption, screenshot name, how it opens from the main one.
DIALOGS=("Vennox|main|true" "$OPT|options|open_options" "About Vennox|about|open_about")
declare -A SIZE_AT_96
# The three dialogs at 100, 150 and 200 %, from a stored origin, for the
# README: they grow with the font, and the origin stays where it was.
for dpi in 96 144 192; do
    scenario dpi-$dpi
    wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f
    ini_write "[Location]" "Left=300" "Top=200" "[Settings]" "AutoPaste=0"
    if start_app; then
        expect_eq "window at the stored origin" "$(drv rect Vennox | cut -d' ' -f1,2)" "300 200"
        compute "otp-md5 99 TeSt" "This is a test."
        for entry in "${DIALOGS[@]}"; do
            IFS='|' read -r caption name opener <<<"$entry"
            $opener || {
                fail "$caption opens"
                continue
            }
            screenshot "$caption" "$ARTIFACTS/$name-$dpi.png"
            read -r width height < <(window_size "$caption")
            if [ $dpi = 96 ]; then
                SIZE_AT_96[$name]="$width $height"
            else
                read -r w96 h96 <<<"${SIZE_AT_96[$name]:-0 0}"
                label="$caption grows with the DPI ($w96 x $h96 at 96, $width x $height)"
                if size_near $((w96 * dpi / 96)) "$width" && size_near $((h96 * dpi / 96)) "$height"; then
                    pass "$label"
                else
                    fail "$label"
                fi
            fi
            [ "$caption" = Vennox ] && continue
            drv key "$caption" esc
            expect_ok "$caption closes" drv wait-gone "$caption"
        done
        expect_ok "program ends" quit_app
        expect_eq "stored origin unchanged" "$(ini_get Location Left) $(ini_get Location Top)" "300 200"
    else
        fail "Vennox window appears"
    fi
    end_scenario
done

e2e_summary
