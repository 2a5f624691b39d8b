#!/usr/bin/env bash
# Runs a cross-built Windows program under wine: quiet, offline (no Mono or Gecko downloads),
# in a prefix of its own that is created once, and with a wine server that outlives each run
# for a few seconds, so a test suite of many short runs does not start a server for each.
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/numerion-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Parallel test runs must not create the prefix twice.
  flock "$WINEPREFIX.lock" bash -c '[ -f "$WINEPREFIX/system.reg" ] || wine wineboot -i >/dev/null 2>&1'
fi
# Starts a server only when none is running for this prefix (it then refuses quietly).
wineserver -p10 >/dev/null 2>&1 || true
exec wine "$@"
