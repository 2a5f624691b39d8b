"""Headless chromium driven over the DevTools protocol, for the page's end-to-end test.

Starts its own browser with a fresh profile and ends it again; only Debian's python3-websocket
is needed (run with /usr/bin/python3).
"""

import base64
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.request

import websocket

CHROMIUM = os.environ.get("NUMERION_CHROMIUM", "/usr/lib/chromium/chromium")

# windowsVirtualKeyCode, key and location of the keys the tests press, by KeyboardEvent.code.
KEYS = {
    "ArrowUp": (38, "ArrowUp", 0),
    "ArrowDown": (40, "ArrowDown", 0),
    "ArrowLeft": (37, "ArrowLeft", 0),
    "ArrowRight": (39, "ArrowRight", 0),
    "Space": (32, " ", 0),
    "Enter": (13, "Enter", 0),
    "Escape": (27, "Escape", 0),
}
for d in range(10):
    KEYS[f"Digit{d}"] = (48 + d, str(d), 0)
    KEYS[f"Numpad{d}"] = (96 + d, str(d), 3)
KEYS["MetaLeft"] = (91, "Meta", 1)
KEYS["ShiftLeft"] = (16, "Shift", 1)
# Input.dispatchKeyEvent's modifier bits.
META = 4


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Browser:
    def __init__(self, width=840, height=860):
        self.profile = tempfile.mkdtemp(prefix="numerion-chromium-")
        self.port = free_port()
        args = [
            CHROMIUM, "--headless=new", f"--remote-debugging-port={self.port}",
            f"--user-data-dir={self.profile}", "--no-sandbox", "--no-first-run",
            "--no-default-browser-check", "--disable-gpu", "--disable-dev-shm-usage",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--disable-extensions", "--disable-default-apps", "--mute-audio",
            "--disable-features=Translate,MediaRouter,OptimizationHints",
            f"--window-size={width},{height}", "about:blank",
        ]
        self.process = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.ws = None
        self.next_id = 0
        self.pending_events = []
        deadline = time.monotonic() + 30
        while True:
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{self.port}/json/list", timeout=2) as r:
                    pages = [t for t in json.load(r) if t["type"] == "page"]
                if pages:
                    break
            except OSError:
                pass
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.close()
                raise RuntimeError("chromium did not open its DevTools port")
            time.sleep(0.1)
        self.attach(pages[0]["id"])

    def attach(self, target):
        self.target = target
        self.ws = websocket.create_connection(
            f"ws://127.0.0.1:{self.port}/devtools/page/{target}", timeout=60,
            suppress_origin=True)
        self.call("Page.enable")
        self.call("Runtime.enable")
        # Headless chromium has no focus of its own; without this no page gets key events.
        self.call("Emulation.setFocusEmulationEnabled", enabled=True)

    def call(self, method, **params):
        self.next_id += 1
        my_id = self.next_id
        self.ws.send(json.dumps({"id": my_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == my_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            if "method" in message:
                self.pending_events.append(message)
                # Leaving a game or the name entry asks first; a navigation of the driver
                # always goes (the question itself is tested with a synthetic event).
                if message["method"] == "Page.javascriptDialogOpening" and \
                        message["params"].get("type") == "beforeunload":
                    self.next_id += 1
                    self.ws.send(json.dumps({"id": self.next_id, "method": "Page.handleJavaScriptDialog",
                                             "params": {"accept": True}}))

    def wait_event(self, method, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.pending_events):
                if event["method"] == method:
                    return self.pending_events.pop(i)
            if time.monotonic() > deadline:
                raise TimeoutError(method)
            self.ws.settimeout(max(0.05, deadline - time.monotonic()))
            try:
                message = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                continue
            finally:
                self.ws.settimeout(60)
            if "method" in message:
                self.pending_events.append(message)

    def navigate(self, url):
        self.pending_events.clear()
        self.call("Page.navigate", url=url)
        self.wait_event("Page.loadEventFired")

    def reload(self):
        self.pending_events.clear()
        self.call("Page.reload")
        self.wait_event("Page.loadEventFired")

    def evaluate(self, expression, await_promise=False):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=await_promise)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def key(self, code, kind, modifiers=0, repeat=False):
        vk, key, location = KEYS[code]
        params = {"type": kind, "code": code, "key": key, "windowsVirtualKeyCode": vk,
                  "nativeVirtualKeyCode": vk, "location": location, "modifiers": modifiers,
                  "autoRepeat": repeat}
        if kind == "keyDown" and len(key) == 1 and not modifiers:
            params["text"] = key
            params["unmodifiedText"] = key
        self.call("Input.dispatchKeyEvent", **params)

    def down(self, code, modifiers=0, repeat=False):
        self.key(code, "keyDown", modifiers, repeat)

    def up(self, code):
        self.key(code, "keyUp")

    def tap(self, code, hold=0.12):
        self.down(code)
        time.sleep(hold)
        self.up(code)

    def emulate_touch_screen(self, width, height, scale):
        """A phone or tablet: its viewport, pixel ratio and touch screen, no keyboard used."""
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=scale, mobile=True)
        self.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)

    def touch(self, kind, x=None, y=None):
        """touchStart at (x, y), or touchEnd / touchCancel of the finger."""
        points = [{"x": x, "y": y}] if kind == "touchStart" else []
        self.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def pid(self):
        return self.process.pid

    def close(self):
        if self.ws is not None:
            try:
                self.ws.close()
            except OSError:
                pass
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


class Tab(Browser):
    """Another tab of a running browser: the same profile and storage, a page of its own, in
    front of the others."""

    def __init__(self, browser):
        self.port = browser.port
        self.process = None
        self.ws = None
        self.next_id = 0
        self.pending_events = []
        self.attach(browser.call("Target.createTarget", url="about:blank")["targetId"])

    def close(self):
        if self.ws is not None:
            self.call("Target.closeTarget", targetId=self.target)
            self.ws.close()
            self.ws = None
