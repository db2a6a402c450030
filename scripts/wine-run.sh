#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, created on first use.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/vennox-wine-$(id -u)}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Serialise the creation: ctest may start several tests at once.
  ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1; wineserver -w ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
