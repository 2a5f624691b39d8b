#!/usr/bin/env bash
# Takes the Debian package apart without installing it: its files and their modes, the
# control fields (Depends computed from the binary's shared libraries), then starts the game
# it carries in a pseudo-terminal. Never touches the machine's package database.
# Usage: check_deb.sh <directory with the .deb> <installed-game test program>
set -euo pipefail
export LC_ALL=C

dir="${1:?usage: check_deb.sh <deb directory> <test program>}"
tester="${2:?usage: check_deb.sh <deb directory> <test program>}"
shopt -s nullglob
debs=("$dir"/numerion_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "expected one numerion_*.deb in $dir, found ${#debs[@]}" >&2; exit 1; }
deb="${debs[0]}"
echo "package: ${deb##*/}, $(stat -c %s "$deb") bytes"

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

# Regular files with their modes, as "mode path".
files="$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ {print $1, $6}')"
echo "$files"
expected="-rwxr-xr-x ./usr/games/numerion
-rw-r--r-- ./usr/share/doc/numerion/README.md
-rw-r--r-- ./usr/share/doc/numerion/copyright
-rw-r--r-- ./usr/share/doc/numerion/docs/fuzzing.md
-rw-r--r-- ./usr/share/doc/numerion/docs/performance.md
-rw-r--r-- ./usr/share/doc/numerion/docs/room.png
-rw-r--r-- ./usr/share/doc/numerion/docs/terminals.md
-rw-r--r-- ./usr/share/doc/numerion/docs/testing.md
-rw-r--r-- ./usr/share/doc/numerion/docs/title.png
-rw-r--r-- ./usr/share/doc/numerion/docs/web.md
-rw-r--r-- ./usr/share/doc/numerion/docs/web.png
-rw-r--r-- ./usr/share/doc/numerion/docs/windows.md
-rw-r--r-- ./usr/share/man/man6/numerion.6.gz"
[ "$(sort -k2 <<<"$files")" = "$expected" ] || fail "the package holds other files than:
$expected"

version="$(dpkg-deb -f "$deb" Version)"
[[ "${deb##*/}" == "numerion_${version}_$(dpkg-deb -f "$deb" Architecture).deb" ]] ||
    fail "file name ${deb##*/} does not match version $version"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section is not games"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"

work="$(mktemp -d "${TMPDIR:-/tmp}/numerion-deb-XXXXXX")"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
game="$work/root/usr/games/numerion"

# Every shared library the game links comes from a package that Depends names, with a
# version (dpkg-shlibdeps' work; a hand-written list would miss a library added later).
needed="$(objdump -p "$game" | awk '$1 == "NEEDED" {print $2}')"
[ -n "$needed" ] || fail "the game links no shared library"
resolved="$(ldd "$game")"
for soname in $needed; do
    path="$(awk -v lib="$soname" '$1 == lib && $2 == "=>" {print $3}' <<<"$resolved")"
    owner=""
    for candidate in "$path" "$(realpath "$path")"; do
        owner="$(dpkg-query -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1)" || true
        [ -z "$owner" ] || break
    done
    [ -n "$owner" ] || { fail "no package owns $soname ($path)"; continue; }
    tr ',' '\n' <<<"$depends" | awk -v p="$owner" '$1 == p && $2 == "(>=" {found = 1} END {exit !found}' ||
        fail "$soname comes from $owner, which Depends does not name: $depends"
done
file -b "$game" | grep -q 'not stripped' && fail "the game is not stripped"
gzip -t "$work/root/usr/share/man/man6/numerion.6.gz" || fail "the manual page is no gzip file"
zcat "$work/root/usr/share/man/man6/numerion.6.gz" | grep -q "^\.TH NUMERION 6 .*\"numerion $version\"" ||
    fail "the manual page does not carry version $version"
# groff names every macro or escape it cannot make sense of; the page must give it none.
warnings="$(zcat "$work/root/usr/share/man/man6/numerion.6.gz" | groff -ww -man -Tutf8 -z 2>&1)"
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"

NUMERION_INSTALLED="$game" "$tester" || fail "the packaged game did not reach the menu and end on key 4"
exit "$failed"
