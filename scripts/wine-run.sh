#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, created on first use.
# How 32-bit programs run here is decided in wine-env.sh (kept from the
# calling script, if it decided); 64-bit ones go to the 64-bit loader
# directly: Debian's wine launcher prefers the 32-bit one, which some
# kernels cannot start.
set -euo pipefail
exe=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}
# shellcheck source=wine-env.sh
. "$(dirname "$0")/wine-env.sh"
if [ "$(wine_env_pe_machine "$exe")" = 8664 ]; then
  loader=/usr/lib/wine/wine64
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/vennox-wine64-$(id -u)}
  wine_env_common
else
  wine_env_decide
  loader=$(wine_env_loader "$exe")
  export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/vennox-wine-$(id -u)}
fi
export WINELOADER=$loader
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Serialise the creation: ctest may start several tests at once.
  (
    flock 9
    [ -f "$WINEPREFIX/system.reg" ] || "$loader" wineboot -i >/dev/null 2>&1 || true
    "$WINESERVER" -w
  ) 9>"$WINEPREFIX.lock"
fi
# Where this script set up qemu itself, its exit ends that: no exec then.
[ -n "$WINE32_ENTRY" ] || exec "$loader" "$@"
"$loader" "$@"
