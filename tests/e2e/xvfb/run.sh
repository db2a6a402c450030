#!/usr/bin/env bash
# End-to-end tests of the Qt program `vennox` on Xvfb, driven from outside
# as a user would: keys typed with xdotool, the clipboard through xclip, the
# profile read back as a file, the window's place and state from the window
# manager.
#
#   tests/e2e/xvfb/run.sh BUILD-DIR      (BUILD-DIR/ui/qt/vennox must exist)
#
# Screenshots go to $VENNOX_ARTIFACTS (default <repo>/build/artifacts/qt/).
# Each scenario runs against a fresh HOME and XDG_CONFIG_HOME, so the
# profile starts empty unless the scenario writes one first.
#
# Window geometry: openbox reparents the client into a frame. xwininfo
# gives the client's absolute top-left corner; _NET_FRAME_EXTENTS (left,
# right, top, bottom) gives the frame's border widths. The outer corner that
# the program stores as Left/Top is the client corner minus the left and top
# extents. `xdotool getwindowgeometry` is not used for this: under openbox it
# adds the frame offset a second time.
set -u

usage() { echo "usage: $0 BUILD-DIR" >&2; exit 2; }
[ $# -eq 1 ] || usage
BUILD=$(cd "$1" 2>/dev/null && pwd) || usage
REPO=$(cd "$(dirname "$0")/../../.." && pwd)
VENNOX=$BUILD/ui/qt/vennox
ART=${VENNOX_ARTIFACTS:-$REPO/build/artifacts/qt}
[ -x "$VENNOX" ] || { echo "no program at $VENNOX" >&2; exit 2; }
for tool in Xvfb openbox xdotool xclip xprop xwininfo xdpyinfo import gcore python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
mkdir -p "$ART"

# RFC 2289 appendix C, pass phrase "This is a test.", seed "TeSt".
PHRASE='This is a test.'
MD5_99='BAIL TUFT BITS GANG CHEF THY'
MD5_1='EASE OIL FUM CURE AWRY AVIS'
MD4_99='NOTE OUT IBIS SINK NAVE MODE'

# shellcheck source=../harness.sh
. "$REPO/tests/e2e/harness.sh"

WORK=$(mktemp -d /tmp/vennox-e2e.XXXXXX)
WM_PID=
APP_PID=
CLIP_PID=

cleanup() {
    for pid in $APP_PID $CLIP_PID $WM_PID; do
        kill "$pid" 2>/dev/null
    done
    stop_xvfb
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# --- display and window manager ---

start_xvfb "$WORK/xvfb.log" || { echo "Xvfb did not start on $DISPLAY" >&2; exit 2; }
# Without a window manager, minimise and restore do nothing.
openbox >"$WORK/openbox.log" 2>&1 &
WM_PID=$!
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 wm_ready || { echo "openbox did not start:" >&2; cat "$WORK/openbox.log" "$WORK/xvfb.log" >&2; ls -la /tmp/.X11-unix >&2; exit 2; }

# --- the program ---

# start_app NAME [INI-TEXT]: the program in the home of scenario NAME, new
# on first use (the profile written first when given); sets APP_HOME,
# PROFILE and WIN. APP_PATH, if set, is the program's PATH.
start_app() {
    APP_HOME=$WORK/$1
    PROFILE=$APP_HOME/config/vennox/Vennox.ini
    mkdir -p "$APP_HOME/config/vennox" "$APP_HOME/run"
    chmod 700 "$APP_HOME/run"
    [ $# -lt 2 ] || printf '%s\n' "$2" >"$PROFILE"
    PATH=${APP_PATH:-$PATH} HOME=$APP_HOME XDG_CONFIG_HOME=$APP_HOME/config \
        XDG_RUNTIME_DIR=$APP_HOME/run "$VENNOX" >>"$APP_HOME/out.log" 2>&1 &
    APP_PID=$!
    WIN=$(find_window '^Vennox$') || return 1
    activate "$WIN"
}

# find_window TITLE-REGEX: the visible window of the running program.
find_window() {
    timeout 10 xdotool search --all --sync --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null |
        head -n 1 | grep .
}

gone() { ! xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" >/dev/null 2>&1; }

focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# activate WIN: WIN gets the keyboard focus. Qt matches Alt+letter shortcuts
# only once it has handled the activation itself, a moment after the window
# manager reports it, so keys sent at once could be lost.
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    wait_until 5 focused "$1" || return
    sleep 0.2
}

app_exited() { ! kill -0 "$APP_PID" 2>/dev/null; }

# stop_app: Esc, as a user ends the program; killed if it will not go.
stop_app() {
    [ -n "$APP_PID" ] || return 0
    if ! app_exited; then
        xdotool key Escape
        wait_until 5 app_exited || kill "$APP_PID" 2>/dev/null
    fi
    wait "$APP_PID" 2>/dev/null
    APP_PID=
}

# --- clipboard ---

# clip_set TEXT: another program (xclip) owns the clipboard with TEXT. Its
# log counts the requests it has served.
CLIP_LOG=$WORK/xclip.log
clip_set() {
    [ -z "$CLIP_PID" ] || kill "$CLIP_PID" 2>/dev/null
    printf '%s' "$1" | xclip -selection clipboard -verbose >"$CLIP_LOG" 2>&1 &
    CLIP_PID=$!
    wait_until 3 clip_is "$1"
}

# clip_settle: waits (3 s at most) until nobody has asked xclip for the
# clipboard for half a second, i.e. the program has done its reading.
clip_settle() {
    local last=-1 now quiet=0 deadline=$((SECONDS + 3))
    while [ $quiet -lt 5 ] && [ $SECONDS -lt $deadline ]; do
        now=$(grep -c 'selection request' "$CLIP_LOG" 2>/dev/null)
        if [ "$now" = "$last" ]; then quiet=$((quiet + 1)); else quiet=0; fi
        last=$now
        sleep 0.1
    done
}

clip_get() { timeout 2 xclip -selection clipboard -o 2>/dev/null; }

clip_is() { [ "$(clip_get)" = "$1" ]; }

# wait_clip TEXT: true once the clipboard holds TEXT; CLIP_NOW is its last text.
wait_clip() {
    wait_until 3 clip_is "$1"
    local status=$?
    CLIP_NOW=$(clip_get)
    return $status
}

# --- window state and place ---

wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | sed -n 's/.*window state: //p'; }

state_is() { [ "$(wm_state "$1")" = "$2" ]; }

# frame_origin WIN: "LEFT TOP" of the window's outer frame (see the top).
frame_origin() {
    local x y ext
    x=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: *//p')
    y=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')
    ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    local left=${ext%%,*}
    local rest=${ext#*,}
    rest=${rest#*,}
    local top=${rest%%,*}
    echo "$((x - ${left:-0})) $((y - ${top:-0}))"
}

# profile_value SECTION KEY: the value in the profile file, or nothing.
profile_value() {
    awk -v s="[$1]" -v k="$2" '
        /^\[/ { in_s = (tolower($0) == tolower(s)); next }
        in_s { i = index($0, "="); if (i && tolower(substr($0, 1, i - 1)) == tolower(k)) { print substr($0, i + 1); exit } }
    ' "$PROFILE" 2>/dev/null
}

shot() { import -window root "$ART/$1" 2>/dev/null; }

# --- scenarios ---

# Each scenario returns non-zero with a reason in REASON.
REASON=
fail() { REASON=$*; return 1; }

run() {
    local name=$1
    REASON=
    if "$name"; then
        e2e_pass "$name"
    else
        e2e_fail "$name: ${REASON:-failed}"
        [ -z "${APP_HOME:-}" ] || [ ! -s "$APP_HOME/out.log" ] || sed 's/^/    | /' "$APP_HOME/out.log"
    fi
    stop_app
    APP_HOME=
}

# The expected responses above, cross-checked with the command-line program
# of the same build when it is there.
cli_agrees() {
    local cli=$BUILD/cli/vennox-otp pair challenge want got
    for pair in "otp-md5 99 TeSt=$MD5_99" "otp-md5 1 TeSt=$MD5_1" "otp-md4 99 TeSt=$MD4_99"; do
        challenge=${pair%%=*}
        want=${pair#*=}
        # shellcheck disable=SC2086 # the challenge is three arguments
        got=$(printf '%s\n' "$PHRASE" | "$cli" $challenge 2>&1)
        [ "$got" = "$want" ] || fail "vennox-otp $challenge gave '$got', expected '$want'" || return
    done
}

# Type a challenge and the pass phrase, press Enter: the response reaches
# the clipboard in capitals and the Response field in lower case, and the
# challenge is remembered.
compute_response() {
    start_app compute || fail "no main window" || return
    xdotool type --delay 5 'otp-md5 99 TeSt'
    xdotool key Tab
    xdotool type --delay 5 "$PHRASE"
    xdotool key Return
    wait_clip "$MD5_99" || fail "clipboard holds '$CLIP_NOW', expected '$MD5_99'" || return
    shot main.png
    # The focus is now in the Response field with all its text selected.
    xdotool key ctrl+c
    local lower=${MD5_99,,}
    wait_clip "$lower" || fail "Response field copied as '$CLIP_NOW', expected '$lower'" || return
    [ "$(profile_value Defaults Challenge)" = 'otp-md5 99 TeSt' ] ||
        fail "Defaults/Challenge is '$(profile_value Defaults Challenge)'" || return
    app_exited && fail "Enter ended the program"
    return 0
}

# With the monitor on, a challenge copied by another program while the
# window is minimised restores it, and the activation pastes the challenge
# and puts the focus in the Password field.
clipboard_restores() {
    start_app monitor $'[Settings]\nCBViewer=1\nAutoPaste=1' || fail "no main window" || return
    xdotool windowminimize --sync "$WIN"
    wait_until 5 state_is "$WIN" Iconic || fail "window did not minimise ($(wm_state "$WIN"))" || return
    # The window manager reports Iconic before the program has heard of it; a
    # copy in that moment finds the window not yet minimised nor inactive.
    sleep 0.3
    clip_set 'otp-md5 1 TeSt' || fail "xclip could not take the clipboard" || return
    wait_until 5 state_is "$WIN" Normal ||
        fail "copying a challenge left the window $(wm_state "$WIN")" || return
    wait_until 5 focused "$WIN" || fail "restored window has no focus" || return
    # The activation that follows the restore pastes from the clipboard.
    clip_settle
    # A text that is no challenge, so that a field with nothing to copy
    # cannot pass for the pasted challenge.
    clip_set 'marker' || fail "xclip could not take the clipboard" || return
    xdotool key shift+Tab ctrl+a ctrl+c
    wait_clip 'otp-md5 1 TeSt' ||
        fail "Challenge field (one Shift+Tab back from the focus) holds '$CLIP_NOW'" || return
    xdotool key Tab
    xdotool type --delay 5 "$PHRASE"
    xdotool key Return
    wait_clip "$MD5_1" || fail "after Compute the clipboard holds '$CLIP_NOW', expected '$MD5_1'"
}

# Save writes all eight preferences; the next start uses them. Apply changes
# the running program only.
options_save_apply() {
    start_app options || fail "no main window" || return
    xdotool key alt+o
    local dlg
    dlg=$(find_window '^Vennox Options$') || fail "alt+o opened no options dialog" || return
    activate "$dlg"
    xdotool key alt+4
    xdotool key Return
    wait_until 5 gone '^Vennox Options$' || fail "Enter did not close the options dialog" || return
    local key expected want got
    for want in AutoCopy=1 AutoPaste=1 AutoDecrement=0 AutoClear=0 AppendCRLF=0 CBViewer=0 \
        AutoMinimize=0 Algorithm=MD4; do
        key=${want%%=*}
        expected=${want#*=}
        got=$(profile_value Settings "$key")
        [ "$got" = "$expected" ] || fail "after Save, Settings/$key is '$got', expected '$expected'" ||
            return
    done
    stop_app

    # Same profile, new run: MD4 is the default for a challenge naming none.
    start_app options || fail "no main window after restart" || return
    xdotool key alt+o
    dlg=$(find_window '^Vennox Options$') || fail "alt+o opened no options dialog" || return
    activate "$dlg"
    shot options.png
    xdotool key Escape
    wait_until 5 gone '^Vennox Options$' || fail "Esc did not close the options dialog" || return
    wait_until 5 focused "$WIN"
    xdotool key ctrl+a
    xdotool type --delay 5 '99 TeSt'
    xdotool key Tab
    xdotool type --delay 5 "$PHRASE"
    xdotool key Return
    wait_clip "$MD4_99" || fail "after restart '99 TeSt' gave '$CLIP_NOW', expected MD4 '$MD4_99'" ||
        return

    # Apply MD5: used at once, not stored.
    xdotool key alt+o
    dlg=$(find_window '^Vennox Options$') || fail "alt+o opened no options dialog" || return
    activate "$dlg"
    xdotool key alt+5
    xdotool key alt+a
    wait_until 5 gone '^Vennox Options$' || fail "Apply did not close the options dialog" || return
    wait_until 5 focused "$WIN"
    # Back in the challenge field; the pass phrase is still there.
    xdotool key Tab Return
    wait_clip "$MD5_99" || fail "after Apply of MD5 '99 TeSt' gave '$CLIP_NOW', expected '$MD5_99'" ||
        return
    [ "$(profile_value Settings Algorithm)" = MD4 ] ||
        fail "Apply changed the profile: Algorithm=$(profile_value Settings Algorithm)"
}

# A mnemonic acts before the next key is read: Alt+letter on a check box or
# radio button and Enter (Save) at once, with no pause between them, save
# the changed choice.
mnemonic_then_enter() {
    local pair key want n=0 dlg got
    for pair in 'alt+d=AutoDecrement=1' 'alt+4=Algorithm=MD4' 'alt+p=AutoPaste=0'; do
        key=${pair%%=*}
        want=${pair#*=}
        n=$((n + 1))
        start_app "mnemonic$n" || fail "no main window" || return
        xdotool key alt+o
        dlg=$(find_window '^Vennox Options$') || fail "alt+o opened no options dialog" || return
        activate "$dlg"
        xdotool key "$key" Return
        wait_until 5 gone '^Vennox Options$' || fail "Enter after $key did not close the options" ||
            return
        got=$(profile_value Settings "${want%%=*}")
        [ "$got" = "${want#*=}" ] || fail "$key then Enter saved ${want%%=*}=$got, expected $want" ||
            return
        stop_app
    done
}

# windows_shown N: the program shows N windows or more (a menu is one).
windows_shown() {
    [ "$(xdotool search --all --onlyvisible --pid "$APP_PID" --name '' 2>/dev/null | wc -l)" -ge "$1" ]
}

# The About box, from the main window's context menu.
about_box() {
    start_app about || fail "no main window" || return
    # Right click on the dialog's background, left of the buttons.
    xdotool mousemove --window "$WIN" 6 "$(($(xwininfo -id "$WIN" | sed -n 's/.*Height: *//p') - 6))"
    xdotool click 3
    wait_until 5 windows_shown 2 || fail "a right click opened no menu" || return
    xdotool key a
    local box
    box=$(find_window '^About Vennox$') || fail "no About box from the context menu" || return
    activate "$box"
    shot about.png
    xdotool key Return
    wait_until 5 gone '^About Vennox$' || fail "Enter did not close the About box" || return
    app_exited && fail "closing the About box ended the program"
    return 0
}

# The same menu from the keyboard, in the Challenge field that has the focus
# at start: the Menu key, and Shift+F10 as on Windows.
about_box_from_keys() {
    local key box
    for key in Menu shift+F10; do
        start_app about-keys || fail "no main window" || return
        xdotool key "$key"
        wait_until 5 windows_shown 2 || fail "$key opened no menu" || return
        xdotool key a
        box=$(find_window '^About Vennox$') || fail "no About box from $key" || return
        activate "$box"
        xdotool key Return
        wait_until 5 gone '^About Vennox$' || fail "Enter did not close the About box" || return
        stop_app
    done
}

# With nothing on PATH that opens web pages, Help says so instead of doing
# nothing, and the program goes on.
help_without_browser() {
    mkdir -p "$WORK/no-browser"
    APP_PATH=$WORK/no-browser BROWSER='' DEFAULT_BROWSER='' start_app no-browser ||
        fail "no main window" || return
    xdotool key F1
    local box
    box=$(find_window '^Vennox Help$') || fail "F1 with no browser said nothing" || return
    activate "$box"
    xdotool key Return
    wait_until 5 gone '^Vennox Help$' || fail "Enter did not close the message" || return
    app_exited && fail "the program ended"
    return 0
}

origin_stored() { [ "$(profile_value Location Left) $(profile_value Location Top)" = "$1" ]; }

# The window opens at the stored origin and remembers where it is moved.
window_origin() {
    start_app origin $'[Location]\nLeft=200\nTop=150' || fail "no main window" || return
    local origin
    origin=$(frame_origin "$WIN")
    [ "$origin" = "200 150" ] || fail "frame starts at ($origin), expected (200 150)" || return
    xdotool windowmove --sync "$WIN" 321 234 >/dev/null 2>&1
    local moved
    moved=$(frame_origin "$WIN")
    [ "$moved" != "$origin" ] || fail "window did not move" || return
    wait_until 3 origin_stored "$moved" ||
        fail "moved to ($moved), profile has ($(profile_value Location Left) $(profile_value Location Top))"
}

# lines FILE N: FILE has N lines or more.
lines() { [ "$(wc -l 2>/dev/null <"$1" || echo 0)" -ge "$2" ]; }

# Help button, F1 and F1 in the options dialog open the help page at their
# topics, and the topics are there.
help_topics() {
    local log=$WORK/help/opened
    mkdir -p "$WORK/help/bin"
    # Without a desktop environment Qt opens a page with xdg-open: ours,
    # first on PATH, notes the URL instead.
    # shellcheck disable=SC2016 # $1 is the opener's own argument
    printf '#!/bin/sh\necho "$1" >>%s\n' "$log" >"$WORK/help/bin/xdg-open"
    chmod +x "$WORK/help/bin/xdg-open"
    local path=$PATH
    PATH=$WORK/help/bin:$PATH
    start_app help
    local started=$?
    PATH=$path
    [ $started -eq 0 ] || fail "no main window" || return
    xdotool key alt+h
    wait_until 5 lines "$log" 1 || fail "Help button opened nothing" || return
    xdotool key F1
    wait_until 5 lines "$log" 2 || fail "F1 opened nothing" || return
    xdotool key alt+o
    local dlg
    dlg=$(find_window '^Vennox Options$') || fail "alt+o opened no options dialog" || return
    activate "$dlg"
    xdotool key F1
    wait_until 5 lines "$log" 3 || fail "F1 in the options dialog opened nothing" || return
    xdotool key Escape
    local n=0 url page topic
    while read -r url; do
        n=$((n + 1))
        topic=${url##*#}
        page=${url%%#*}
        page=${page#file://}
        [ "$topic" = "context-$n" ] || fail "request $n opened '$url', expected topic context-$n" || return
        [ -f "$page" ] || fail "help page '$page' does not exist" || return
        grep -q "id=\"$topic\"" "$page" || fail "help page has no topic $topic" || return
    done <"$log"
}

# Esc ends the program, cleanly.
escape_quits() {
    start_app escape || fail "no main window" || return
    xdotool key Escape
    wait_until 5 app_exited || fail "Esc did not end the program" || return
    wait "$APP_PID"
    local status=$?
    APP_PID=
    [ $status -eq 0 ] || fail "exit status $status after Esc"
}

# Without a display the program says so and fails, without a crash.
no_display() {
    APP_HOME=$WORK/nodisplay
    mkdir -p "$APP_HOME"
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$APP_HOME" \
        XDG_CONFIG_HOME="$APP_HOME/config" timeout 10 "$VENNOX" >"$APP_HOME/out.log" 2>&1
    local status=$?
    [ $status -ne 0 ] || fail "exit status 0 without a display" || return
    [ $status -lt 124 ] || fail "exit status $status (timeout or signal) without a display" || return
    grep -qi 'display' "$APP_HOME/out.log" || fail "no message naming the display" || return
    [ ! -e "$APP_HOME/config/vennox/Vennox.ini" ] || fail "a profile was written without a display"
}

# response_of PHRASE: the response to otp-md5 99 TeSt for PHRASE, from the
# command-line program of the same build; empty when that is not built.
response_of() {
    [ -x "$BUILD/cli/vennox-otp" ] || return 0
    printf '%s\n' "$1" | "$BUILD/cli/vennox-otp" otp-md5 99 TeSt 2>/dev/null
}

six_words() { [[ "$(clip_get)" =~ ^[A-Z]+( [A-Z]+){5}$ ]]; }

# No copy of the pass phrase stays in the program's memory once AutoClear
# has emptied the field; with AutoClear off the field's own text, one UTF-8
# buffer, is the only one. The phrase is typed as a user types it and is new
# on every run, so neither the binary nor an earlier run can hold it. The
# program is not dumpable: that keeps a crash from writing a core, but root
# may still read its memory, as gcore does here.
no_phrase_in_memory() {
    [ "$(id -u)" -eq 0 ] || fail "only root may read the memory of a non-dumpable program" ||
        return
    local phrase="Quokka ${RANDOM}zephyr jumbled ${RANDOM}" clear expected copies want
    expected=$(response_of "$phrase")
    for clear in 1 0; do
        start_app "memory$clear" "[Settings]"$'\n'"AutoClear=$clear"$'\n'"AutoPaste=0" ||
            fail "no main window" || return
        xdotool type --delay 5 'otp-md5 99 TeSt'
        xdotool key Tab
        xdotool type --delay 5 "$phrase"
        xdotool key Return
        if [ -n "$expected" ]; then
            wait_clip "$expected" ||
                fail "AutoClear=$clear: clipboard holds '$CLIP_NOW', expected '$expected'" || return
        else
            wait_until 5 six_words || fail "AutoClear=$clear: no response on the clipboard" ||
                return
        fi
        gcore -o "$WORK/core" "$APP_PID" >"$WORK/gcore.log" 2>&1 ||
            fail "gcore failed: $(tail -n 1 "$WORK/gcore.log")" || return
        copies=$(python3 "$REPO/tests/e2e/xvfb/count-copies.py" "$WORK/core.$APP_PID" "$phrase")
        rm -f "$WORK/core.$APP_PID"
        want="utf-8 0 utf-16le 0 utf-32le 0"
        [ "$clear" = 1 ] || want="utf-8 1 utf-16le 0 utf-32le 0"
        [ "$copies" = "$want" ] ||
            fail "AutoClear=$clear: copies of the pass phrase in memory: $copies; expected $want" ||
            return
        stop_app
    done
}

scenarios=(compute_response clipboard_restores options_save_apply mnemonic_then_enter about_box about_box_from_keys
    window_origin help_topics help_without_browser escape_quits no_display no_phrase_in_memory)
[ ! -x "$BUILD/cli/vennox-otp" ] || scenarios=(cli_agrees "${scenarios[@]}")
for scenario in "${scenarios[@]}"; do
    run "$scenario"
done

echo "screenshots: $ART"
e2e_summary
