#!/usr/bin/env bash
# The Debian packages each part of the build needs, in one place: `make play`, `make test`,
# `make deb` and CI all install through this script.
#
#   tools/deps.sh GROUP...    install what the groups need and is missing
#   tools/deps.sh --list GROUP...   print the packages, one a line
#
# Missing packages are installed with apt-get when run as root, through sudo when it is there;
# otherwise the script prints the apt-get line to run and exits with status 1. On a system
# without dpkg it only says so: CMake then names what it cannot find.
set -euo pipefail

declare -A groups
# The game alone: compiler, build tools, the curses terminal database.
groups[play]="g++ cmake ninja-build make pkg-config libncurses-dev"
# The package: dpkg-shlibdeps computes its dependencies, file finds the binaries for it.
groups[deb]="@play dpkg-dev file"
# The benchmarks (`make bench`).
groups[bench]="@play libbenchmark-dev"
# Every test: GoogleTest, the pseudo-terminal harness (libvterm; `make measure` drives the game
# through it too), terminfo entries of other terminals, the package test and the manual page
# check; xterm on Xvfb with a font that has the shade blocks, window dumps and XTEST keys for the
# colour test in a real terminal. The sanitizer build (`make asan`) needs nothing more: it is
# GCC's, whose runtime libraries come with g++.
groups[test]="@play @deb libvterm-dev libgtest-dev libgmock-dev ncurses-term locales groff-base
    xterm xvfb x11-apps xdotool fontconfig fonts-dejavu-core"
# The fuzz build uses clang (libFuzzer) and its runtime libraries.
groups[fuzz]="@play clang libclang-rt-14-dev"
# The browser page (emscripten).
groups[web]="cmake ninja-build make emscripten"
# Its unit tests under node (GoogleTest's sources: emscripten builds its own) and the page in
# headless chromium over the DevTools protocol.
groups[web-test]="@web nodejs googletest chromium python3-websocket"
# The Windows program, cross-built with mingw-w64 (the -posix flavour: its std::thread works).
groups[windows]="cmake ninja-build make g++-mingw-w64-x86-64-posix"
# Its tests under wine (GoogleTest's sources: the cross build makes its own), the end-to-end
# flows in wine's console on Xvfb, the same program under wine in a pseudo-terminal (a harness
# for this machine: its compiler, libvterm and GoogleTest), and the 32-bit build.
groups[windows-test]="@windows googletest g++-mingw-w64-i686-posix wine wine64 xvfb g++ pkg-config libvterm-dev libgtest-dev"
# The style checks: clang-format, and clang-tidy over the default build (`make lint`).
groups[lint]="@play clang-format clang-tidy"
# All that CI runs.
groups[ci]="@test @bench @lint @fuzz @web-test @windows-test"

# Expands a group into its packages, following @group references.
expand() {
    local group="$1" item
    for item in ${groups[$group]}; do
        case "$item" in
            @*) expand "${item#@}" ;;
            *) echo "$item" ;;
        esac
    done
}

list=false
if [ "${1:-}" = "--list" ]; then
    list=true
    shift
fi
[ $# -gt 0 ] || { echo "usage: deps.sh [--list] GROUP... (groups: ${!groups[*]})" >&2; exit 2; }

packages=()
for group in "$@"; do
    if [ -z "${groups[$group]+set}" ]; then
        echo "deps.sh: no group '$group' (groups: ${!groups[*]})" >&2
        exit 2
    fi
    mapfile -t -O "${#packages[@]}" packages < <(expand "$group")
done
mapfile -t packages < <(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++')

if $list; then
    printf '%s\n' "${packages[@]}"
    exit 0
fi

if ! command -v dpkg-query >/dev/null; then
    echo "deps.sh: not a Debian system; please install the equivalents of: ${packages[*]}" >&2
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "numerion ($*) needs these Debian packages, which are missing: ${missing[*]}"
install=(apt-get install -y --no-install-recommends "${missing[@]}")
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
    echo "Installing them with apt-get."
elif command -v sudo >/dev/null; then
    sudo=(sudo)
    echo "Installing them with sudo apt-get."
else
    echo "deps.sh: not root and no sudo; run this as root, then the make command again:" >&2
    echo "    ${install[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine has no package lists yet; an old list may name versions long gone.
"${sudo[@]}" apt-get update
if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}"; then
    echo "deps.sh: the installation failed; the command was:" >&2
    echo "    ${sudo[*]}${sudo:+ }${install[*]}" >&2
    exit 1
fi
