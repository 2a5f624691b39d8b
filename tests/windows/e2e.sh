#!/usr/bin/env bash
# The end-to-end flows of numerion.exe in a real console window: wine's console on a private
# Xvfb display, driven by ConsoleDriver.exe. Starts and stops its own display and wine server.
#
#   e2e.sh <ConsoleDriver.exe> <numerion.exe> [flow ...]
#
# Exit status: 0 when every flow passed, 77 when wine or Xvfb is missing (a skip for CTest).
set -uo pipefail
driver="$(realpath "$1")"
game="$(realpath "$2")"
shift 2

for tool in wine wineconsole wineserver Xvfb; do
  command -v "$tool" >/dev/null || { echo "e2e: $tool is not installed"; exit 77; }
done

# A prefix of its own, so its server can be stopped without touching anyone else's.
export WINEPREFIX="${NUMERION_E2E_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/numerion-wine-e2e}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# NUMERION_E2E_KEEP names a directory that keeps the flows' directories and logs.
work="${NUMERION_E2E_KEEP:-$(mktemp -d)}"
mkdir -p "$work"
xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ -n "${NUMERION_E2E_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

start=$(date +%s.%N)
# Xvfb picks a free display and names it on the descriptor given.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "e2e: Xvfb failed"; cat "$work/xvfb.log"; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "e2e: Xvfb named no display"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  wine wineboot -i >/dev/null 2>&1
fi
# One server for all the runs below: each later start then takes a fraction of a second.
wineserver -p
ready=$(date +%s.%N)

cd "$work"
wineconsole "$driver" "$game" "$work/driver.log" "$@" >"$work/wineconsole.log" 2>&1
status=$?
end=$(date +%s.%N)
cat "$work/driver.log" 2>/dev/null || { echo "e2e: the driver wrote no log"; cat "$work/wineconsole.log"; }
awk -v s="$start" -v r="$ready" -v e="$end" -v st="$status" \
  'BEGIN { printf "e2e: display and wine ready in %.1f s, flows in %.1f s, status %d\n", r - s, e - r, st }'
exit "$status"
