#!/usr/bin/env bash
# The real game in tmux, a terminal the harness did not write: start it in an 80 x 35 window,
# wait until the title menu stands, press "4" and expect a clean end with status 0.
# Usage: tmux_smoke.sh <path of numerion>
set -euo pipefail

game="$(realpath "${1:?usage: tmux_smoke.sh <numerion binary>}")"
[ -x "$game" ] || { echo "not an executable: $game" >&2; exit 1; }
command -v tmux >/dev/null || { echo "tmux is not installed" >&2; exit 77; }

# Its own server and socket directory, so it neither sees nor disturbs a user's tmux.
work="$(mktemp -d "${TMPDIR:-/tmp}/numerion-tmux-XXXXXX")"
socket="numerion-smoke-$$"
export TMUX_TMPDIR="$work"
unset TMUX
tm() { tmux -L "$socket" -f /dev/null "$@"; }
cleanup() {
    tm kill-server >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

screen() { tm capture-pane -p -t smoke 2>/dev/null || true; }
fail() {
    echo "tmux smoke: $*" >&2
    echo "---- pane ----" >&2
    screen >&2
    echo "--------------" >&2
    exit 1
}

# Waits until the command succeeds, at most $1 seconds.
waitFor() {
    local seconds="$1"
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# A shell in the pane runs the game and writes down its exit status: tmux 3.3 itself now and
# then leaves an ended game unreaped, so its own pane_dead_status may never be filled in.
printf -v run '%q; echo "$?" > %q' "$game" "$work/status"
mkdir "$work/run"
tm set -g remain-on-exit on \; set -g status off \; \
    new-session -d -s smoke -x 80 -y 35 -c "$work/run" "$run"

size="$(tm display -p -t smoke '#{pane_width}x#{pane_height}')"
[ "$size" = "80x35" ] || fail "the pane is $size, not 80x35"

# The title menu's rows, each on its own row of the screen.
titleShown() {
    local text
    text="$(screen)"
    [ "$(sed -n 16p <<<"$text")" = "     1 = Spielbeginn" ] &&
        [ "$(sed -n 18p <<<"$text")" = "     2 = Anleitung" ] &&
        [ "$(sed -n 20p <<<"$text")" = "     3 = Bestenliste ( Top 100 )" ] &&
        [ "$(sed -n 22p <<<"$text")" = "     4 = Spielende" ]
}
ended() { [ -s "$work/status" ]; }

titleOrEnd() { titleShown || ended; }
waitFor 30 titleOrEnd || fail "no title menu within 30 s"
ended && fail "the game ended on the title screen or before it (status $(cat "$work/status"))"
[ -f "$work/run/Highscore.rnk" ] || fail "no Highscore.rnk in the working directory"

# The menu looks at its keys at every animation step and every 50 ms of its rest, so one tap
# is enough.
tm send-keys -t smoke 4
waitFor 30 ended || fail "the game did not end on key 4"
status="$(cat "$work/status")"
[ "$status" = "0" ] || fail "the game ended with status '$status'"
echo "tmux smoke: title shown, key 4 ended the game with status 0"
