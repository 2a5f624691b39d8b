#!/usr/bin/env bash
# The real game in a real xterm with xterm's own colours (dark text on white), on a private
# Xvfb display: the title, the instructions and a room must be black behind the text. Each is
# read from a window dump: the share of bright pixels (the text, the walls and xterm's own
# border) stays small, where drawing in the terminal's default colours makes most of it white.
# Usage: xterm_colours.sh <numerion> <xwd_share>
# Exit status 77 (a skip for CTest) when xterm, Xvfb, xwd, xdotool or the font are missing.
set -euo pipefail

game="$(realpath "${1:?usage: xterm_colours.sh <numerion> <xwd_share>}")"
share="$(realpath "${2:?usage: xterm_colours.sh <numerion> <xwd_share>}")"
for tool in xterm Xvfb xwd xdotool fc-list; do
    command -v "$tool" >/dev/null || { echo "xterm colours: $tool is not installed"; exit 77; }
done
# The built-in X font has no shade blocks: the walls would not show.
font="DejaVu Sans Mono"
fc-list "$font" | grep -q . || { echo "xterm colours: no $font font"; exit 77; }

work="$(mktemp -d "${TMPDIR:-/tmp}/numerion-xterm-XXXXXX")"
xvfb_pid=""
xterm_pid=""
cleanup() {
    [ -n "$xterm_pid" ] && kill "$xterm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "xterm colours: $*" >&2
    exit 1
}

# Waits until the command succeeds, at most $1 seconds.
waitFor() {
    local seconds="$1"
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# Xvfb picks a free display and names it on the descriptor given.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
waitFor 10 test -s "$work/display" || fail "Xvfb named no display: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
# It may name the display a moment before it takes connections.
waitFor 10 xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb takes no connections"

# xterm as installed: no resources of a user, its default colours; a UTF-8 locale; its log of
# what the game wrote tells which screen the game has drawn.
export HOME="$work" XENVIRONMENT=/dev/null LANG=C.UTF-8 LC_ALL=C.UTF-8
unset COLORTERM XAPPLRESDIR XUSERFILESEARCHPATH
logHas() { grep -q -- "$1" "$work/log" 2>/dev/null; }
window=""
findWindow() {
    window="$(xdotool search --onlyvisible --class NumerionXterm 2>/dev/null | head -n1)"
    [ -n "$window" ]
}
# A new xterm with the game, at its title menu.
startGame() {
    rm -rf "$work/run" "$work/log" "$work/status"
    mkdir "$work/run"
    printf -v run '%q; echo "$?" > %q' "$game" "$work/status"
    (cd "$work/run" && exec xterm -geometry 80x35 -fa "$font" -fs 8 -class NumerionXterm \
        -l -lf "$work/log" -e sh -c "$run") 2>"$work/xterm.log" &
    xterm_pid=$!
    waitFor 20 findWindow || fail "no xterm window on $DISPLAY: $(cat "$work/xterm.log")"
    xdotool windowfocus "$window"
    waitFor 30 logHas "4 = Spielende" || fail "no title menu within 30 s"
}
# Closes the window: the game gets its hang-up and ends (its status is not written then).
stopGame() {
    [ ! -s "$work/status" ] || fail "the game ended with status $(cat "$work/status")"
    kill "$xterm_pid"
    wait "$xterm_pid" 2>/dev/null || true
    xterm_pid=""
}

figures=""
# Dumps the window until the picture is black behind its text ($2: at least this share of
# the walls' yellow), at most 10 s; notes the last figures.
expectBlack() {
    local what="$1" walls="$2"
    blackEnough() {
        xwd -id "$window" -silent >"$work/shot.xwd" 2>/dev/null || return 1
        figures="$("$share" "$work/shot.xwd")" || return 1
        awk -v walls="$walls" '{ exit !($2 < 0.20 && $2 > 0.005 && $4 >= walls) }' <<<"$figures"
    }
    waitFor 10 blackEnough || fail "$what is not black behind its text: $figures"
    echo "xterm colours: $what: $figures"
}

# The title, and a room straight from it: until the room's first colour, the console's own
# colours are in force, cleared screen included.
startGame
expectBlack "the title menu" 0
xdotool key 1
waitFor 20 logHas "verbliebene Zahlen" || fail "key 1 started no game"
expectBlack "room 1" 0.01
stopGame

startGame
xdotool key 2
waitFor 20 logHas "zurueck" || fail "key 2 opened no instructions"
expectBlack "the instructions" 0
stopGame
