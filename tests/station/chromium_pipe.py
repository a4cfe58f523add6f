"""Headless Chromium driven over its DevTools pipe (--remote-debugging-pipe): no port, no
WebSocket library, one page. The live page tests keep a page open while its run goes on and
read its DOM as it changes; bit_text_and_sound.py and take_screenshot.py use it.
"""
import base64
import json
import os
import subprocess
import tempfile
import threading
import time


class Chromium:
    def __init__(self, width=1280, height=1600, log=None):
        self.profile = tempfile.TemporaryDirectory()
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        # The browser reads commands from its fd 3 and writes answers to its fd 4.
        def place_fds():
            # Through fresh numbers first, in case either pipe end is 3 or 4 already.
            read_end, write_end = os.dup(to_browser_read), os.dup(from_browser_write)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--hide-scrollbars", f"--window-size={width},{height}",
             # Names resolve to nothing (the map's tiles fail at once, as offline); the page's
             # own loopback address stays reachable.
             "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
             f"--user-data-dir={self.profile.name}", "--remote-debugging-pipe", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=log if log is not None else subprocess.DEVNULL,
            preexec_fn=place_fds, pass_fds=(3, 4, to_browser_read, from_browser_write))
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._next_id = 0
        self._answers = {}
        self.events = []  # (method, params) of every event, in order
        self._lock = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.call(f"{domain}.enable", session=True)

    def _read(self):
        pending = b""
        while True:
            piece = os.read(self._from_browser, 1 << 16)
            if not piece:
                with self._lock:
                    self._answers[None] = "closed"
                    self._lock.notify_all()
                return
            pending += piece
            while b"\0" in pending:
                message, pending = pending.split(b"\0", 1)
                data = json.loads(message)
                with self._lock:
                    if "id" in data:
                        self._answers[data["id"]] = data
                    else:
                        self.events.append((data.get("method"), data.get("params", {})))
                    self._lock.notify_all()

    def call(self, method, params=None, session=False, timeout=60):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._answers:
                if None in self._answers or time.monotonic() > deadline:
                    raise RuntimeError(f"no answer from Chromium to {method}")
                self._lock.wait(0.5)
            answer = self._answers.pop(ident)
        if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error']}")
        return answer.get("result", {})

    def open(self, url):
        """Navigates; what was seen on the page before is forgotten."""
        with self._lock:
            self.events.clear()
        self.call("Page.navigate", {"url": url}, session=True)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True},
                           session=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, seconds=30, step=0.05):
        """Polls until the expression is truthy; returns its value, or None after `seconds`."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(step)
        return None

    def problems(self):
        """Console errors, uncaught exceptions and policy violations seen so far."""
        found = []
        for method, params in self.events:
            if method == "Runtime.exceptionThrown":
                found.append(params["exceptionDetails"].get("text", "exception"))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append(params["entry"]["text"])
            elif method == "Runtime.consoleAPICalled" and params["type"] == "error":
                found.append(str(params["args"]))
        return found

    def screenshot(self, path, clip_height=None):
        params = {"format": "png"}
        if clip_height:
            params["clip"] = {"x": 0, "y": 0, "width": self.evaluate("innerWidth"),
                              "height": clip_height, "scale": 1}
        data = self.call("Page.captureScreenshot", params, session=True)["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except RuntimeError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        self.profile.cleanup()
