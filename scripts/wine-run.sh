#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, created on first use.
# 64-bit programs go to the 64-bit loader directly: Debian's wine launcher
# prefers the 32-bit one, which some kernels cannot start.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exe=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}
if od -An -tx1 -j "$(( $(od -An -tu4 -j60 -N4 "$exe") + 24 ))" -N2 "$exe" | grep -q '0b 02'; then
  loader=/usr/lib/wine/wine64 # PE32+
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/vennox-wine64-$(id -u)}
else
  loader=/usr/lib/wine/wine
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/vennox-wine-$(id -u)}
fi
export WINELOADER=$loader
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Serialise the creation: ctest may start several tests at once.
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || "$loader" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
