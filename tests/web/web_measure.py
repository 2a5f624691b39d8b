#!/usr/bin/python3
"""Figures of the browser build, for the README: load to first frame, a held key's moves on the
name entry against its length, the CPU the browser spends on each screen beside a blank page
in the same run, and the time of the list's page whose rows all slide in together. Not a test:
timings depend on the machine.

Usage: web_measure.py PATH/TO/numerion.html [SECONDS per CPU figure, default 20]
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


def cpu_share(b, seconds):
    start_cpu, start = browser_cpu_seconds(b.pid()), time.monotonic()
    time.sleep(seconds)
    return 100 * (browser_cpu_seconds(b.pid()) - start_cpu) / (time.monotonic() - start)


def behind_a_blank_tab(b, seconds):
    """The CPU while a blank tab stands in front of the page (which is hidden then)."""
    b.call("Emulation.setFocusEmulationEnabled", enabled=False)
    second = b.call("Target.createTarget", url="about:blank")["targetId"]
    time.sleep(2)
    share = cpu_share(b, seconds)
    b.call("Target.closeTarget", targetId=second)
    b.call("Target.activateTarget", targetId=b.target)
    b.call("Emulation.setFocusEmulationEnabled", enabled=True)
    return share


def main():
    page = "file://" + os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    menu = lambda s: "4 = Spielende" in s["text"][21]  # noqa: E731
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

        cpu = {}
        b.navigate("about:blank")
        time.sleep(2)
        cpu["blank page"] = cpu_share(b, seconds)
        cpu["blank page behind a blank tab"] = behind_a_blank_tab(b, seconds)
        b.navigate(page)
        web_e2e.wait_menu(p)
        cpu["title menu animating"] = cpu_share(b, seconds)
        b.tap("Digit2")
        p.wait_text(35, "mit Leertaste")
        time.sleep(3)  # the sound starts with the first key
        cpu["instructions waiting for Space"] = cpu_share(b, seconds)
        web_e2e.press_until(p, b, "Space", menu, "menu")
        b.tap("Digit3")
        p.wait_text(34, "Hauptmenue: Leertaste")
        web_e2e.settled(p)
        cpu["highscore list waiting for a key"] = cpu_share(b, seconds)
        web_e2e.press_until(p, b, "Space", menu, "menu")

        b.tap("Digit1")
        p.wait_for(lambda s: p.lives(s) == 3 and p.apprentice(s) == (3, 2), "a game")
        time.sleep(1)
        cpu["a room, the apprentice standing"] = cpu_share(b, seconds)
        cpu["the game behind a blank tab"] = behind_a_blank_tab(b, seconds)
        web_e2e.lose_the_game(p, b)
        time.sleep(1)
        cpu["loss banner waiting for 5"] = cpu_share(b, seconds)
        b.tap("Digit5")
        p.wait_for(lambda s: p.highlight(s) == (14, 25), "the name entry")
        time.sleep(1)
        cpu["name entry waiting for a key"] = cpu_share(b, seconds)
        b.navigate("about:blank")
        time.sleep(2)
        cpu["blank page again"] = cpu_share(b, seconds)
        for what, share in cpu.items():
            print(f"CPU, {what}: {share:.2f} % of a core")
        b.navigate(page)
        web_e2e.wait_menu(p)
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
    slides = [web_e2e.sliding_page(page, report=False) for _ in range(3)]
    print("the list's page with all rows sliding in together: "
          + ", ".join(f"{ms:.0f}" for ms in slides) + " ms (its pauses: 623 ms)")


if __name__ == "__main__":
    main()
