#!/usr/bin/python3
"""Figures of the browser build, for the README: load to first frame, a held key's moves on the
name entry against its length, and the CPU the browser spends while a screen waits for a key,
beside a blank page. Not a test: timings depend on the machine.

Usage: web_measure.py PATH/TO/numerion.html
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser  # noqa: E402
import web_e2e  # noqa: E402


def browser_cpu_seconds(root_pid):
    """utime + stime of the browser and all its child processes, in seconds."""
    tick = os.sysconf("SC_CLK_TCK")
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append((int(entry), fields))
    total, todo = 0, [root_pid]
    with open(f"/proc/{root_pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    total += int(fields[11]) + int(fields[12])
    while todo:
        pid = todo.pop()
        for child, fields in children.get(pid, []):
            total += int(fields[11]) + int(fields[12])
            todo.append(child)
    return total / tick


def cpu_share(b, seconds=10):
    start_cpu, start = browser_cpu_seconds(b.pid()), time.monotonic()
    time.sleep(seconds)
    return 100 * (browser_cpu_seconds(b.pid()) - start_cpu) / (time.monotonic() - start)


def main():
    page = "file://" + os.path.abspath(sys.argv[1])
    b = Browser()
    try:
        p = web_e2e.Page(b)
        firsts = []
        for i in range(6):
            b.navigate(page)
            p.wait_text(22, "4 = Spielende")
            firsts.append(b.evaluate("Module.numerionPage.firstFrameMs"))
        print(f"load to first frame: first {firsts[0]:.0f} ms, then median "
              f"{statistics.median(firsts[1:]):.0f} ms (of {len(firsts) - 1})")

        b.navigate("about:blank")
        time.sleep(2)
        print(f"CPU, blank page: {cpu_share(b):.2f} % of a core")
        b.navigate(page)
        web_e2e.wait_menu(p)
        print(f"CPU, title menu animating: {cpu_share(b):.2f} % of a core")
        b.tap("Digit2")
        p.wait_text(35, "mit Leertaste")
        time.sleep(1)
        print(f"CPU, instructions waiting for Space: {cpu_share(b):.2f} % of a core")
        web_e2e.press_until(p, b, "Space", lambda s: "4 = Spielende" in s["text"][21], "menu")
        b.tap("Digit3")
        p.wait_text(34, "Hauptmenue: Leertaste")
        time.sleep(3)
        print(f"CPU, highscore list waiting for a key: {cpu_share(b):.2f} % of a core")
        web_e2e.press_until(p, b, "Space", lambda s: "4 = Spielende" in s["text"][21], "menu")

        b.tap("Digit1")
        p.wait_for(lambda s: p.lives(s) == 3 and p.apprentice(s) == (3, 2), "a game")
        web_e2e.lose_the_game(p, b)
        b.tap("Digit5")
        p.wait_for(lambda s: p.highlight(s) == (14, 25), "the name entry")
        for length in (0.05, 0.12, 0.25, 0.45, 0.6):
            moves = []
            for _ in range(5):
                b.tap("ArrowUp", 0.8)  # back to the top row
                time.sleep(0.2)
                b.tap("ArrowDown", length)
                time.sleep(0.3)
                moves.append((p.highlight(p.screen())[0] - 14) // 2)
            print(f"held {length * 1000:.0f} ms: moves {moves}")
    finally:
        b.close()


if __name__ == "__main__":
    main()
