#!/usr/bin/python3
"""End-to-end test of the browser build: build-web/numerion.html opened from disk in headless
chromium, played over the DevTools protocol with real key events.

Usage: web_e2e.py PATH/TO/numerion.html   (run with /usr/bin/python3: python3-websocket)
"""

import os
import random
import re
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import META, Browser, Tab  # noqa: E402

TIMEOUT = 20
HIGHLIGHT_BACKGROUND = 3  # the name grid's highlighted cell is drawn on cyan
APPRENTICE = "\u263a"


class Failure(Exception):
    pass


class Page:
    def __init__(self, browser):
        self.b = browser

    def screen(self):
        return self.b.evaluate("window.numerion.screen()")

    def row(self, n, screen=None):
        return (screen or self.screen())["text"][n - 1]

    def status(self):
        return self.b.evaluate("window.numerion.status()")

    def ended(self, timeout=TIMEOUT):
        """The program's exit status, once it has ended (None if it runs on past timeout)."""
        deadline = time.monotonic() + timeout
        while self.status() is None and time.monotonic() < deadline:
            time.sleep(0.05)
        return self.status()

    def footer(self):
        return self.b.evaluate("document.getElementById('status').textContent")

    def wait_for(self, condition, what, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.screen()
            if condition(screen):
                return screen
            if time.monotonic() > deadline:
                raise Failure(f"timed out waiting for {what}\n" + "\n".join(screen["text"]))
            time.sleep(0.03)

    def wait_text(self, row, text, timeout=TIMEOUT):
        return self.wait_for(lambda s: text in s["text"][row - 1], f"row {row}: {text!r}", timeout)

    def number_after(self, screen, row, label):
        line = screen["text"][row - 1]
        at = line.find(label)
        if at < 0:
            return None
        digits = line[at + len(label):].split()
        return int(digits[0]) if digits else None

    def lives(self, screen):
        return self.number_after(screen, 21, "Leben:")

    def apprentice(self, screen):
        for r in range(17):
            c = screen["text"][r].find(APPRENTICE)
            if c >= 0:
                return (r + 1, c + 1)
        return None

    def highlight(self, screen):
        for r in range(14, 31, 2):
            for c in range(25, 54, 4):
                if screen["attr"][r - 1][c - 1] >> 4 == HIGHLIGHT_BACKGROUND:
                    return (r, c)
        return None


def press_until(p, b, key, condition, what, hold=0.12):
    """Taps a key until the page shows its effect: a screen that is still drawing itself (the
    list's animated styles) looks at no key, and a tap then is rightly lost."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        b.tap(key, hold)
        try:
            return p.wait_for(condition, what, timeout=1.5)
        except Failure:
            if time.monotonic() > deadline:
                raise


def settled(p):
    """The screen once it has stopped changing (the page hands an event to the program at the
    program's next call, which a loaded machine may delay)."""
    deadline = time.monotonic() + TIMEOUT
    last = p.screen()
    while True:
        time.sleep(0.3)
        now = p.screen()
        if now == last or time.monotonic() > deadline:
            return now
        last = now


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_menu(p):
    return p.wait_text(22, "4 = Spielende")


def asks_before_leaving(b):
    """Whether the page would ask before a reload or close now."""
    return b.evaluate("(function () { var e = new Event('beforeunload', {cancelable: true});"
                      " window.dispatchEvent(e); return e.defaultPrevented; })()")


def highlight_stays(p, what, seconds=0.6):
    stopped = p.highlight(settled(p))
    time.sleep(seconds)
    check(p.highlight(p.screen()) == stopped, f"the highlight moved on {what}")
    return stopped


def title_and_instructions(p, b):
    s = wait_menu(p)
    check("1 = Spielbeginn" in p.row(16, s) and "3 = Bestenliste ( Top 100 )" in p.row(20, s),
          "menu lines")
    check(p.status() is None, "running")
    check(b.evaluate("document.querySelector('link[rel=icon]').href").startswith("data:"),
          "a favicon inside the page")
    check(not asks_before_leaving(b), "the menu asks before leaving")
    check(not b.evaluate("document.body.classList.contains('touch')"),
          "on-screen keys on a desktop with a keyboard")
    kept = b.evaluate("navigator.storage.persisted()", await_promise=True)
    check(("auf Dauer" in p.footer()) != kept, f"kept for good: {kept}, the line: {p.footer()!r}")
    b.tap("Digit2")
    p.wait_for(lambda s: "NUMERION" in s["text"][4] and "mit Leertaste" in s["text"][34], "the instructions")
    b.tap("Space")
    wait_menu(p)
    print("ok: title menu, instructions and back")


def hidden_page_holds_the_game(p, b):
    """The apprentice walks down; while the page is hidden it stands, and walks on when shown."""
    for _ in range(3):
        lives = p.lives(p.screen())
        b.tap("ArrowDown")
        s = p.wait_for(lambda s: (p.apprentice(s) or (0, 0))[0] >= 5 or p.lives(s) != lives,
                       "the apprentice walking down")
        if p.lives(s) == lives:
            break
    else:
        raise Failure("the apprentice did not get to walk")
    check(asks_before_leaving(b), "a game lets the page go without asking")
    # Focus emulation keeps every page visible; without it a new tab hides this one.
    b.call("Emulation.setFocusEmulationEnabled", enabled=False)
    second = b.call("Target.createTarget", url="about:blank")["targetId"]
    check(b.evaluate("document.visibilityState") == "hidden", "page hidden behind a new tab")
    before = settled(p)
    # Had it walked on, it would have run into the bottom wall or a mine: back at the start.
    check(p.lives(before) == lives and p.apprentice(before) != (3, 2),
          f"the game went on once hidden: {p.apprentice(before)}")
    time.sleep(1.0)
    after = p.screen()
    check(p.apprentice(before) == p.apprentice(after) and before["text"] == after["text"],
          f"the game went on while hidden: {p.apprentice(before)} -> {p.apprentice(after)}")
    b.call("Target.closeTarget", targetId=second)
    b.call("Target.activateTarget", targetId=b.target)
    b.call("Emulation.setFocusEmulationEnabled", enabled=True)
    check(b.evaluate("document.visibilityState") == "visible", "page shown again")
    p.wait_for(lambda s: p.apprentice(s) != p.apprentice(after) or s["text"] != after["text"],
               "the game going on once shown")
    print(f"ok: a hidden page holds the game (apprentice stood at {p.apprentice(after)} for 1 s)")
    # Left runs into the wall of room 1 (it has no door there): back to the start.
    lives = p.lives(p.screen())
    b.tap("ArrowLeft")
    p.wait_for(lambda s: p.lives(s) is not None and p.lives(s) < lives and p.apprentice(s) == (3, 2),
               "a life lost on the left wall")


def lose_the_game(p, b):
    up = True
    while True:
        s = p.screen()
        lives = p.lives(s)
        if lives == 0 or "Spiel vorbei" in "".join(s["text"]):
            break
        p.wait_for(lambda s: p.apprentice(s) == (3, 2), "the apprentice at the start")
        b.tap("ArrowUp" if up else "ArrowLeft")
        up = not up
        p.wait_for(lambda s: p.lives(s) != lives or "Spiel vorbei" in "".join(s["text"]),
                   "a life lost")
    s = p.wait_text(29, "# Spiel vorbei - Du hast kein Leben mehr #")
    p.wait_text(32, "Druecke Taste 5 zur Fortsetzung!")
    points = p.number_after(s, 19, "Punkte:")
    check(points and points > 0, "points from the digit above the start")
    print(f"ok: a game to its loss banner ({points} points)")
    return points


def name_entry(p, b):
    b.tap("Digit5")
    p.wait_text(3, "Du hast es in die Bestenliste geschafft")
    p.wait_for(lambda s: p.highlight(s) == (14, 25), "the highlight on the first cell")

    # Focus lost: a key still held reads as up, so the highlight stops.
    b.down("ArrowDown")
    p.wait_for(lambda s: (p.highlight(s) or (0, 0))[0] >= 18, "a held Down moving the highlight")
    b.evaluate("window.dispatchEvent(new FocusEvent('blur'))")
    stopped = highlight_stays(p, "without the focus")
    check(stopped[0] < 30, "the held key went on to the last row without the focus")
    # Still held when the focus comes back: up until its first auto-repeat, then down.
    b.evaluate("window.dispatchEvent(new FocusEvent('focus'))")
    highlight_stays(p, "with the focus back before a repeat", 0.3)
    b.down("ArrowDown", repeat=True)
    p.wait_for(lambda s: p.highlight(s)[0] > stopped[0], "the held key's first repeat moving it")
    b.up("ArrowDown")
    print(f"ok: blur makes every key up (the highlight stopped at {stopped}), "
          "a key still held reads as down from its first repeat")
    move_to(p, b, (14, 25))
    check(asks_before_leaving(b), "the name entry lets the page go without asking")

    # A second tab in front sends no blur, only the visibility change: the held key lets go.
    b.down("ArrowDown")
    p.wait_for(lambda s: (p.highlight(s) or (0, 0))[0] >= 18, "a held Down moving the highlight")
    b.call("Emulation.setFocusEmulationEnabled", enabled=False)
    second = b.call("Target.createTarget", url="about:blank")["targetId"]
    check(b.evaluate("document.visibilityState") == "hidden", "page hidden behind a new tab")
    b.call("Target.closeTarget", targetId=second)
    b.call("Target.activateTarget", targetId=b.target)
    b.call("Emulation.setFocusEmulationEnabled", enabled=True)
    stopped = highlight_stays(p, "after the page was hidden")
    b.up("ArrowDown")
    print(f"ok: a hidden page lets go of the held key (the highlight stayed at {stopped})")
    move_to(p, b, (14, 25))

    # Keys pressed with Cmd held never hold (macOS sends no keyup for them); letting go of
    # Cmd lets go of every key.
    b.down("MetaLeft", META)
    b.down("ArrowDown", META)
    highlight_stays(p, "for a key pressed with Cmd held")
    b.up("MetaLeft")
    highlight_stays(p, "once Cmd was let go, its key never released")
    b.up("ArrowDown")
    print("ok: keys pressed with Cmd held are no held keys")
    move_to(p, b, (14, 25))

    # Exact held keys: a 0.45 s hold moves several cells, a 0.12 s tap one (two when it spans
    # two looks of the 80 ms loop).
    b.tap("ArrowDown", 0.45)
    time.sleep(0.3)
    held = (p.highlight(p.screen())[0] - 14) // 2
    b.tap("ArrowRight", 0.12)
    time.sleep(0.3)
    tapped = (p.highlight(p.screen())[1] - 25) // 4
    print(f"held 0.45 s: {held} cells; tapped 0.12 s: {tapped} cell(s)")
    check(held >= 3, f"a 0.45 s hold moved {held} cells")
    check(1 <= tapped <= 2, f"a 0.12 s tap moved {tapped} cells")
    print("ok: held keys are exact")

    spell(p, b, (22, 37), "A")


def spell(p, b, cell, letter):
    """Takes one letter and moves to END, without pressing it."""
    move_to(p, b, cell)
    b.tap("Enter")
    p.wait_text(33, "\u00ab " + letter + " _")
    move_to(p, b, (30, 41))  # END


def move_to(p, b, target):
    for _ in range(60):
        at = p.highlight(p.screen())
        if at == target:
            return
        if at[0] != target[0]:
            key = "ArrowDown" if at[0] < target[0] else "ArrowUp"
        else:
            key = "ArrowRight" if at[1] < target[1] else "ArrowLeft"
        # A tap shorter than the loop's 80 ms can fall between two looks: tap again then.
        for _ in range(5):
            b.tap(key, 0.12)
            try:
                p.wait_for(lambda s: p.highlight(s) not in (None, at), "", timeout=1)
                break
            except Failure:
                continue
    raise Failure(f"the highlight did not reach {target}")


def the_list(p, b, points, place):
    b.tap("Enter")
    s = p.wait_text(29, f"<<<<  Dein Platz  : {place}.")
    check(f"<<<<  Deine Punkte: {points}" in p.row(30, s), "points below the list")
    check(not asks_before_leaving(p.b), "the list asks before leaving")
    print(f"ok: the list with the player's place ({place})")


def second_tab_to_its_name_entry(b, page):
    """Another tab of the page, started while the first waits at its name entry: it loads the
    same list and plays to its own name entry."""
    t = Tab(b)
    q = Page(t)
    t.navigate(page)
    wait_menu(q)
    t.tap("Digit1")
    q.wait_for(lambda s: q.lives(s) == 3 and q.apprentice(s) == (3, 2), "a game in the second tab")
    points = lose_the_game(q, t)
    t.tap("Digit5")
    q.wait_text(3, "Du hast es in die Bestenliste geschafft")
    q.wait_for(lambda s: q.highlight(s) == (14, 25), "the highlight on the first cell")
    spell(q, t, (22, 41), "B")
    return t, q, points


def in_front(b):
    b.call("Target.activateTarget", targetId=b.target)
    b.call("Emulation.setFocusEmulationEnabled", enabled=True)


def saved_after_reload(p, b, results):
    """Both tabs' results, in their order, after a reload."""
    b.reload()
    wait_menu(p)
    b.tap("Digit3")
    p.wait_text(3, "Bestenliste ( Top 100 )")
    # The list draws itself in one of four styles, some of them animated: wait for the rows.
    rows = [re.compile(r"^\s*%d\.\s+%d\s+%s\s" % (place, points, name))
            for place, (points, name) in enumerate(results, 1)]
    s = p.wait_for(lambda s: all(any(row.match(r) for r in s["text"]) for row in rows),
                   f"the places {results}")
    shown = [next(r for r in s["text"] if row.match(r)).strip() for row in rows]
    press_until(p, b, "Space", lambda s: "4 = Spielende" in s["text"][21], "the menu")
    print("ok: a reload keeps both results:", " | ".join(shown))


def keypad_and_main_row_4(p, b):
    b.tap("Numpad4", 0.3)
    time.sleep(0.5)
    check(p.status() is None, "keypad 4 ended the program")
    b.tap("Digit4", 0.3)
    status = p.ended()
    check(status == 0, f"main-row 4: status {status}")
    check("beendet" in p.footer(), "the line below says the game has ended")
    check(p.row(22) .find("4 = Spielende") >= 0, "the last screen stays")
    print("ok: keypad 4 does not end, main-row 4 does (status 0)")
    # Shift alone restarts nothing; Space does.
    b.tap("ShiftLeft")
    time.sleep(0.5)
    check(p.status() == 0, "Shift started the page again")
    b.pending_events.clear()
    b.tap("Space")
    b.wait_event("Page.loadEventFired")
    wait_menu(p)
    check(p.status() is None, "running again")
    print("ok: after the end Shift does nothing, Space starts the game again")


def record(points, name, date_time):
    return (points.to_bytes(4, "little", signed=True) + name.encode().ljust(16, b"\0")
            + date_time.encode().ljust(22, b"\0") + b"\0\0")


def list_bytes(first_points, first_name):
    """A whole list: place 1 as given, the other places as a fresh file has them."""
    return record(first_points, first_name, "01.02.2026 - 03:04:05") + b"".join(
        record(0, "=" * 15, "01.02.2026 - 03:04:05") for _ in range(99))


def download(b, scratch, button, name):
    path = os.path.join(scratch, name)
    if os.path.exists(path):
        os.remove(path)
    b.evaluate(f"document.getElementById('{button}').click()")
    deadline = time.monotonic() + TIMEOUT
    while not os.path.exists(path) and time.monotonic() < deadline:
        time.sleep(0.05)
    time.sleep(0.3)
    with open(path, "rb") as f:
        return f.read()


def choose_file(b, scratch, name, data):
    path = os.path.join(scratch, name)
    with open(path, "wb") as f:
        f.write(data)
    document = b.call("DOM.getDocument")["root"]["nodeId"]
    node = b.call("DOM.querySelector", nodeId=document, selector="#file")["nodeId"]
    b.call("DOM.setFileInputFiles", files=[path], nodeId=node)


def wait_footer(p, text):
    deadline = time.monotonic() + TIMEOUT
    while text not in p.footer():
        if time.monotonic() > deadline:
            raise Failure(f"the line below does not say {text!r}: {p.footer()!r}")
        time.sleep(0.05)


def same_page(b):
    return b.evaluate("window.notReloaded === true")


def replace_with(p, b, scratch, name, data):
    """A valid list offered: the page asks first; the answer Ersetzen stores it."""
    choose_file(b, scratch, name, data)
    wait_footer(p, "ersetzt die bisherige Bestenliste. Ersetzen?")
    b.pending_events.clear()
    b.evaluate("document.getElementById('replace').click()")


def shows_place_1(p, b, points, name):
    b.tap("Digit3")
    p.wait_for(lambda s: any(re.match(r"^\s*1\.\s+%d\s+%s" % (points, name), r) for r in s["text"]),
               f"place 1 with {points} {name}")
    press_until(p, b, "Space", lambda s: "4 = Spielende" in s["text"][21], "the menu")


def file_in_and_out(p, b, scratch):
    """Download gives the 4400 bytes the program wrote. A loaded file is checked first and
    replaces the list only when the player says so, with the page started again once no game
    would be lost; the list it replaced can still be downloaded."""
    b.call("Browser.setDownloadBehavior", behavior="allow", downloadPath=scratch)
    out = download(b, scratch, "download", "Highscore.rnk")
    check(len(out) == 4400 and b"A" + b" " * 14 + b"\0" in (out[4:20], out[48:64]),
          f"downloaded {len(out)} bytes")

    b.evaluate("window.notReloaded = true")
    random_bytes = bytes((i * 131 + 7) % 256 for i in range(4400))
    picture = b"\x89PNG\r\n\x1a\n" + bytes(600)
    negative = record(-5, "Minus", "01.02.2026 - 03:04:05") + list_bytes(0, "x")[44:]
    wrong = [("leer.rnk", b"", "hat 0 Bytes"), ("kurz.rnk", b"0123456789", "hat 10 Bytes"),
             ("zufall.rnk", random_bytes, "Platz 1"), ("bild.png", picture, "hat 608 Bytes"),
             ("minus.rnk", negative, "Platz 1 hat negative Punkte")]
    for name, data, why in wrong:
        choose_file(b, scratch, name, data)
        wait_footer(p, f"„{name}“ ist keine Bestenliste")
        check(why in p.footer(), f"{name}: {p.footer()!r}")
    check(same_page(b), "a wrong file reloaded the page")
    check(download(b, scratch, "download", "Highscore.rnk") == out, "a wrong file changed the list")
    print("ok: wrong files refused:", " / ".join(w[2] for w in wrong))

    choose_file(b, scratch, "konsole.rnk", list_bytes(4242, "Aus der Konsole"))
    wait_footer(p, "ersetzt die bisherige Bestenliste. Ersetzen?")
    b.evaluate("document.getElementById('keep').click()")
    wait_footer(p, "Die bisherige Bestenliste bleibt.")
    check(same_page(b) and download(b, scratch, "download", "Highscore.rnk") == out,
          "Abbrechen changed the list")

    # At the title menu the page starts again at once.
    replace_with(p, b, scratch, "konsole.rnk", list_bytes(4242, "Aus der Konsole"))
    b.wait_event("Page.loadEventFired")
    wait_menu(p)
    shows_place_1(p, b, 4242, "Aus der Konsole")
    check(download(b, scratch, "previous", "Highscore-vorher.rnk") == out, "the replaced list")
    print("ok: a loaded list replaces the current one after the question; the old one downloads")

    # During a game the page waits; "Neu starten" starts it at once.
    b.evaluate("window.notReloaded = true")
    b.tap("Digit1")
    p.wait_for(lambda s: p.lives(s) == 3, "a game")
    replace_with(p, b, scratch, "zweite.rnk", list_bytes(4343, "Zweite Liste"))
    wait_footer(p, "sobald das Spiel zu Ende ist")
    time.sleep(1.0)
    check(same_page(b) and p.lives(p.screen()) == 3, "the page started again during a game")
    b.evaluate("document.getElementById('restart').click()")
    b.wait_event("Page.loadEventFired")
    wait_menu(p)
    shows_place_1(p, b, 4343, "Zweite Liste")

    # In the instructions it waits too, and starts again when the menu comes back.
    b.evaluate("window.notReloaded = true")
    b.tap("Digit2")
    p.wait_for(lambda s: "mit Leertaste" in s["text"][34], "the instructions")
    replace_with(p, b, scratch, "dritte.rnk", list_bytes(4444, "Dritte Liste"))
    wait_footer(p, "sobald das Spiel zu Ende ist")
    check(same_page(b), "the page started again in the instructions")
    b.tap("Space")
    b.wait_event("Page.loadEventFired")
    wait_menu(p)
    shows_place_1(p, b, 4444, "Dritte Liste")
    print("ok: during a game the page waits, until Neu starten or the menu")


def refused_write(page):
    """IndexedDB refusing the save (its transaction aborted, as the quota does): the game ends
    with error 3 at line 339, the report below the grid, and no result stored."""
    c = Browser()
    try:
        q = Page(c)
        c.navigate(page)
        wait_menu(q)
        c.evaluate("""(function () {
            var put = IDBObjectStore.prototype.put;
            IDBObjectStore.prototype.put = function () {
                var request = put.apply(this, arguments);
                this.transaction.abort();
                return request;
            };
        })()""")
        c.tap("Digit1")
        q.wait_for(lambda s: q.lives(s) == 3 and q.apprentice(s) == (3, 2), "a game")
        lose_the_game(q, c)
        c.tap("Digit5")
        q.wait_text(3, "Du hast es in die Bestenliste geschafft")
        q.wait_for(lambda s: q.highlight(s) == (14, 25), "the highlight on the first cell")
        move_to(q, c, (30, 41))
        c.tap("Enter")
        status = q.ended()
        expected = "\nAborting due to runtime error 3 (file I/O error) at line 339 of Numerion::()\n\n"
        check(status == 3, f"status {status}")
        check(c.evaluate("window.numerion.report()") == expected, "the report")
        check("at line 339" in q.footer(), "the report below the grid")
        c.reload()
        wait_menu(q)
        c.tap("Digit3")
        q.wait_for(lambda s: any(re.match(r"^\s*1\.\s+0\s+=+", r) for r in s["text"]),
                   "place 1 still empty")
        print("ok: a save IndexedDB refuses ends with error 3 at line 339, nothing stored")
    finally:
        c.close()


def without_indexeddb(b, page):
    """A private window that refuses IndexedDB: the page says so and the game still runs."""
    c = Browser()
    try:
        c.call("Page.addScriptToEvaluateOnNewDocument",
               source="Object.defineProperty(window, 'indexedDB', {value: undefined});")
        q = Page(c)
        c.navigate(page)
        wait_menu(q)
        check("IndexedDB" in q.footer() and "auf Dauer" not in q.footer(),
              f"the line below: {q.footer()!r}")
        check(q.status() is None, "running")
        print("ok: without IndexedDB the page says so and plays")
    finally:
        c.close()


class TouchKeys:
    """The on-screen keys, pressed with one finger on a touch screen; called as Browser's keys."""

    def __init__(self, b):
        self.b = b

    def centre(self, code):
        return self.b.evaluate(
            "(function () { var r = document.querySelector('.key[data-code=%s]')"
            ".getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()" % code)

    def down(self, code):
        x, y = self.centre(code)
        self.b.touch("touchStart", x, y)

    def up(self, code=None):
        self.b.touch("touchEnd")

    def cancel(self):
        self.b.touch("touchCancel")

    def tap(self, code, hold=0.12):
        self.down(code)
        time.sleep(hold)
        self.up()


LAYOUT = """(function () {
  var box = function (el) { var r = el.getBoundingClientRect();
                            return [r.left, r.top, r.right, r.bottom]; };
  return {screen: box(document.getElementById('screen')), width: innerWidth, height: innerHeight,
          keys: Array.prototype.map.call(document.querySelectorAll('.key'), box)};
})()"""


def check_touch_layout(b, what, upright):
    """Thumb-sized keys, none over the screen, everything inside the window; the screen takes
    the width it has when upright."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        time.sleep(0.3)  # the layout follows the window's size
        got = b.evaluate(LAYOUT)
        sx0, sy0, sx1, sy1 = got["screen"]
        keys = got["keys"]
        problems = []
        if len(keys) != 11 or any(k[2] - k[0] < 44 or k[3] - k[1] < 44 for k in keys):
            problems.append("keys smaller than a thumb")
        if any(k[0] < sx1 and sx0 < k[2] and k[1] < sy1 and sy0 < k[3] for k in keys):
            problems.append("a key over the screen")
        if any(r[0] < -1 or r[1] < -1 or r[2] > got["width"] + 1 or r[3] > got["height"] + 1
               for r in keys + [got["screen"]]):
            problems.append("outside the window")
        if upright and sx1 - sx0 < 0.98 * got["width"]:
            problems.append(f"the screen takes {sx1 - sx0:.0f} of {got['width']} px")
        if not problems:
            print(f"ok: {what}: screen {sx1 - sx0:.0f} x {sy1 - sy0:.0f} px, keys "
                  f"{min(k[2] - k[0] for k in keys):.0f} px and more, none over the screen")
            return
        if time.monotonic() > deadline:
            raise Failure(f"{what}: {', '.join(problems)}: {got}")


def touch_round(page, shots):
    """A phone without a keyboard: a whole round played with the on-screen keys to the list
    with the player's place; the layout upright, sideways and on a tablet."""
    c = Browser()
    try:
        c.emulate_touch_screen(390, 844, 3)
        q, k = Page(c), TouchKeys(c)
        c.navigate(page)
        wait_menu(q)
        check_touch_layout(c, "phone upright", True)
        k.tap("Digit1")
        q.wait_for(lambda s: q.lives(s) == 3 and q.apprentice(s) == (3, 2), "a game")
        if shots:
            time.sleep(0.3)
            c.screenshot(os.path.join(shots, "phone-game.png"))
        points = lose_the_game(q, k)
        k.tap("Digit5")
        q.wait_for(lambda s: q.highlight(s) == (14, 25), "the name entry")
        # A held key is down while the finger stays, up once the touch is cancelled.
        k.down("ArrowDown")
        time.sleep(0.45)
        k.cancel()
        stopped = highlight_stays(q, "after the touch was cancelled")
        check(stopped[0] >= 18, f"a 0.45 s touch moved the highlight to {stopped}")
        move_to(q, k, (22, 37))  # "A"
        k.tap("Enter")
        q.wait_text(33, "\u00ab A _")
        move_to(q, k, (30, 41))  # END
        the_list(q, k, points, 1)
        print("ok: a whole round with the on-screen keys")
        if shots:
            c.screenshot(os.path.join(shots, "phone-list.png"))
        c.emulate_touch_screen(844, 390, 3)
        check_touch_layout(c, "phone sideways", False)
        if shots:
            c.screenshot(os.path.join(shots, "phone-sideways.png"))
        c.emulate_touch_screen(820, 1180, 2)
        check_touch_layout(c, "tablet", True)
        if shots:
            c.screenshot(os.path.join(shots, "tablet.png"))
    finally:
        c.close()


def style_of_seed(seed):
    """The list's drawing style that the first draw after randomize(seed) picks."""
    state = [seed & 0xFFFFFFFF]
    for _ in range(623):
        state.append((state[-1] * 1664525 + 1013904223) & 0xFFFFFFFF)
    generator = random.Random()
    generator.setstate((3, tuple(state) + (624,), None))
    return (generator.getrandbits(32) >> 30) + 1


def sliding_page(page, report=True):
    """The list's style with all rows sliding in together: 779 pauses of 0.8 ms between its
    first and its last print, which the browser's timers alone would make 4 ms each. The page
    starts its clock at a whole number of seconds from crypto.getRandomValues: chosen so that
    the game's seed, a second or three later, draws that style."""
    word = next(w for w in range(1000, 1 << 24) if all(style_of_seed(w + d) == 4 for d in range(4)))
    c = Browser()
    try:
        c.call("Page.addScriptToEvaluateOnNewDocument",
               source="window.crypto.getRandomValues = function (a) { a[0] = %d; return a; };" % word)
        q = Page(c)
        c.navigate(page)
        wait_menu(q)
        # When the first slide print (row 8, column 78) and the final picture of row 26 (place
        # 10 from column 5) were presented.
        c.evaluate("""(function () {
          var page = Module.numerionPage, present = page.present;
          window.slide = {first: null, last: null};
          var at = function (glyphs, row, column) {
            return HEAPU32[(glyphs >> 2) + (row - 1) * 80 + column - 1];
          };
          page.present = function (glyphs, attrs, cursor) {
            present(glyphs, attrs, cursor);
            if (slide.first === null && at(glyphs, 8, 78) !== 32 && at(glyphs, 8, 5) === 32)
              slide.first = performance.now();
            if (slide.first !== null && slide.last === null && at(glyphs, 26, 5) === 49 &&
                at(glyphs, 26, 6) === 48)
              slide.last = performance.now();
          };
        })()""")
        c.tap("Digit3")
        q.wait_for(lambda s: c.evaluate("slide.last") is not None, "the list's first page")
        first, last = c.evaluate("slide.first"), c.evaluate("slide.last")
        check(first is not None and q.row(8).startswith("    1."), "not the sliding style")
        ms = last - first
        if report:
            print(f"the page sliding in all rows together: {ms:.0f} ms (its pauses: 623 ms)")
        check(623 <= ms < 3 * 623, f"the page took {ms:.0f} ms")
        if report:
            print("ok: the list's sliding pauses take their own length")
        return ms
    finally:
        c.close()


def fatal_report(p, b):
    """A directory where the highscore file should be: the start-up's open fails (error 2 at
    line 41), and the report stands below the grid."""
    b.reload()
    wait_menu(p)
    # A directory as the stored entry, in the layout the page keeps its file in.
    b.evaluate("""new Promise(function (done) {
        var open = indexedDB.open('/numerion', 21);
        open.onsuccess = function () {
            var tx = open.result.transaction('FILE_DATA', 'readwrite');
            tx.objectStore('FILE_DATA').put({timestamp: new Date(), mode: 16877},
                                            '/numerion/Highscore.rnk');
            tx.oncomplete = function () { open.result.close(); done(); };
        };
    })""", await_promise=True)
    b.reload()
    status = p.ended()
    expected = "\nAborting due to runtime error 2 (file not found) at line 41 of Numerion::()\n\n"
    check(status == 2, f"status {status}")
    check(b.evaluate("window.numerion.report()") == expected, "the report")
    check("Aborting due to runtime error 2" in p.footer(), "the report below the grid")
    print("ok: a fatal error shows its report below the grid (status 2)")


def main():
    page = os.path.abspath(sys.argv[1])
    # NUMERION_WEB_SHOTS=DIR keeps screenshots of the touch layouts there.
    shots = os.environ.get("NUMERION_WEB_SHOTS")
    scratch = tempfile.mkdtemp(prefix="numerion-web-")
    b = Browser()
    try:
        p = Page(b)
        b.navigate("file://" + page)
        if shots:
            wait_menu(p)
            b.screenshot(os.path.join(shots, "desktop.png"))
        title_and_instructions(p, b)
        b.tap("Digit1")
        p.wait_for(lambda s: p.lives(s) == 3 and p.apprentice(s) == (3, 2), "a game")
        hidden_page_holds_the_game(p, b)
        points = lose_the_game(p, b)
        name_entry(p, b)
        # Both tabs at their name entry with the list as it was: this one saves first.
        t, q, points_b = second_tab_to_its_name_entry(b, "file://" + page)
        in_front(b)
        the_list(p, b, points, 1)
        in_front(t)
        b_first = points_b > points
        the_list(q, t, points_b, 1 if b_first else 2)
        t.close()
        in_front(b)
        results = [(points, "A"), (points_b, "B")]
        # At once, as a tab closed when the list appears: the save was written through.
        saved_after_reload(p, b, results[::-1] if b_first else results)
        file_in_and_out(p, b, scratch)
        keypad_and_main_row_4(p, b)
        fatal_report(p, b)
        refused_write("file://" + page)
        without_indexeddb(b, "file://" + page)
        sliding_page("file://" + page)
        touch_round("file://" + page, shots)
    except Failure as failure:
        print("FAILED:", failure)
        return 1
    finally:
        b.close()
        shutil.rmtree(scratch, ignore_errors=True)
    print("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
