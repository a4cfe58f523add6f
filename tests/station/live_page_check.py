#!/usr/bin/env python3
"""vantrel-decode --serve end to end, its page open in headless Chromium.

Usage: live_page_check.py WORK DECODE WRITE_RECORDS SAMPLES

1. A followed bit text grows in steps (the samples and messages made to break a page): each
   record appears in the open page within a second of its line on standard output, the
   hostile messages as text, nothing injected, no script error or blocked content; the page
   listens on loopback when given only a port; SIGTERM ends the run at once, status 0.
2. A sound card: a PulseAudio server of the test's own plays the sample into a null sink the
   program records; each call appears within a second, with its level and Eb/N0.
3. A batch run serves its finished page until Ctrl-C (status 0); a second program asking for
   the same port is one line and status 1.
Every server listens on 127.0.0.1 only, and everything ends by itself within its timeouts.
"""
import http.client
import json
import os
import pathlib
import queue
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_pipe import Chromium  # noqa: E402

WORK, DECODE, WRITE_RECORDS, SAMPLES = sys.argv[1:5]
work = pathlib.Path(WORK)
shutil.rmtree(work, ignore_errors=True)
work.mkdir(parents=True)
samples = pathlib.Path(SAMPLES)
failures = []
processes = []


def fail(message):
    failures.append(message)
    print("FAIL:", message, flush=True)


class Program:
    """vantrel-decode with its standard output read line by line, each stamped when read."""

    def __init__(self, *arguments, env=None):
        self.process = subprocess.Popen([DECODE, *arguments], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=env)
        processes.append(self.process)
        self.lines = []  # (time.time() when read, record)
        self.errors = queue.Queue()
        self.error_lines = []
        threading.Thread(target=self._out, daemon=True).start()
        threading.Thread(target=self._err, daemon=True).start()

    def _out(self):
        for line in self.process.stdout:
            stamp = time.time()
            try:
                self.lines.append((stamp, json.loads(line)))
            except ValueError:
                self.lines.append((stamp, line))

    def _err(self):
        for line in self.process.stderr:
            text = line.decode("utf-8", "replace").rstrip("\r\n")
            self.error_lines.append(text)
            self.errors.put(text)

    def said(self, words, seconds=30):
        """The first line on standard error holding `words`, waiting for it."""
        deadline = time.monotonic() + seconds
        for line in self.error_lines:
            if words in line:
                return line
        while time.monotonic() < deadline:
            try:
                line = self.errors.get(timeout=0.1)
            except queue.Empty:
                continue
            if words in line:
                return line
        return None

    def port(self):
        line = self.said("the live page is at http://127.0.0.1:")
        if line is None:
            raise SystemExit(f"no page address said: {self.error_lines}")
        return int(line.rsplit(":", 1)[1].rstrip("/"))

    def wait_lines(self, count, seconds=30):
        deadline = time.monotonic() + seconds
        while len(self.lines) < count and time.monotonic() < deadline:
            time.sleep(0.05)
        return len(self.lines) >= count

    def stop(self, signal_name):
        self.process.send_signal(getattr(__import__("signal"), signal_name))
        try:
            return self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None


def listening_addresses(port):
    """The local addresses of the sockets listening on `port` (from /proc/net)."""
    found = []
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        for line in pathlib.Path(table).read_text().splitlines()[1:]:
            fields = line.split()
            address, hex_port = fields[1].rsplit(":", 1)
            if int(hex_port, 16) == port and fields[3] == "0A":  # LISTEN
                found.append(address)
    return found


def check_latency(browser, program, what):
    """Every record on standard output is a row of the page, shown within a second of it."""
    count = len(program.lines)
    shown = browser.wait_for(f"document.body.getAttribute('data-records') === '{count}' && "
                             f"document.getElementById('r{count - 1}') !== null", 10)
    if not shown:
        fail(f"{what}: the page did not show all {count} records")
        return
    stamps = browser.evaluate(
        "Array.from(document.querySelectorAll('#calls-table tbody tr'))"
        ".map(row => [row.id, Number(row.getAttribute('data-shown'))])")
    shown_at = dict(stamps)
    late = []
    for number, (stamp, record) in enumerate(program.lines):
        row = shown_at.get(f"r{number}")
        if row is None:
            fail(f"{what}: record {number} has no row")
        elif row / 1000 - stamp > 1.0:
            late.append(f"record {number}: {row / 1000 - stamp:.2f} s")
    if late:
        fail(f"{what}: shown more than a second after its line: {late}")
    print(f"{what}: {count} records, slowest shown "
          f"{max(shown_at[f'r{n}'] / 1000 - s for n, (s, _) in enumerate(program.lines)):.3f} s "
          "after its line", flush=True)


def page_problems(browser):
    problems = [p for p in browser.problems()
                if "ERR_NAME_NOT_RESOLVED" not in p]  # the map's tiles: no network here
    box = browser.evaluate("[document.getElementById('script-errors').hidden, "
                           "document.getElementById('script-errors').textContent]")
    if not box[0]:
        problems.append("error box: " + box[1])
    return problems


def followed_bit_text(browser):
    hostile = work / "hostile.txt"
    subprocess.run([WRITE_RECORDS, "bits", str(hostile), "--generated", "--hostile"], check=True)
    live = work / "live.txt"
    live.write_bytes(b"")
    program = Program("--follow", "--format", "jsonl", "--serve", "0", str(live))
    port = program.port()
    addresses = listening_addresses(port)
    if addresses != ["0100007F"]:
        fail(f"--serve PORT listens on {addresses}, not on 127.0.0.1 alone")
    browser.open(f"http://127.0.0.1:{port}/")
    if not browser.wait_for("document.body && document.body.getAttribute('data-stream') === 'open'"):
        fail("the page did not open its stream")
    steps = ["two-calls.txt", "text-message.txt", hostile, "gps-positions.txt",
             "status-messages.txt"]
    # A record is final when the next pattern arrives, the last one after a second without
    # bits: steps a little apart, then the pause.
    for step in steps:
        with live.open("ab") as out:
            out.write((samples / step if isinstance(step, str) else step).read_bytes())
        time.sleep(0.3)
    settled = len(program.lines), time.monotonic()
    while time.monotonic() - settled[1] < 2.5:
        time.sleep(0.1)
        if len(program.lines) != settled[0]:
            settled = len(program.lines), time.monotonic()
    check_latency(browser, program, "growing bit text")

    messages = set(browser.evaluate(
        "Array.from(document.querySelectorAll('#calls-table td.text')).map(c => c.textContent)"))
    hostile_texts = [r["Message"] for _, r in program.lines
                     if isinstance(r, dict) and r.get("file") and "<" in r.get("Message", "")]
    if len(hostile_texts) < 2:
        fail(f"too few hostile messages decoded: {hostile_texts}")
    for text in hostile_texts:
        if text not in messages:
            fail(f"{text!r} is not shown as text")
    injected = browser.evaluate(
        "[document.title, document.querySelectorAll('img[src=x], #injected, td b, td script, "
        "td img').length, document.querySelectorAll('script').length]")
    if injected != ["Vantrel live", 0, 3]:
        fail(f"something was injected (title, elements, scripts): {injected}")
    for problem in page_problems(browser):
        fail(f"page: {problem}")

    status = program.stop("SIGTERM")
    if status != 0:
        fail(f"followed bit text: exit status {status} after SIGTERM")
    if len(program.error_lines) != 1:
        fail(f"followed bit text: standard error beyond the page's address: {program.error_lines}")


def sound_card(browser):
    env = dict(os.environ)
    runtime = work / "run"
    (runtime / "pulse").mkdir(parents=True)
    env.update(XDG_RUNTIME_DIR=str(runtime), PULSE_RUNTIME_PATH=str(runtime / "pulse"),
               HOME=str(work))
    env.pop("PULSE_SERVER", None)
    server = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=no",
         "--disallow-exit", "--disable-shm", "--log-target=stderr",
         "-L", "module-null-sink sink_name=vantrel_test rate=48000",
         "-L", "module-native-protocol-unix auth-anonymous=1"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    processes.append(server)

    def pactl(*arguments):
        return subprocess.run(["pactl", *arguments], env=env, capture_output=True, text=True)
    for _ in range(100):
        if pactl("info").returncode == 0:
            break
        time.sleep(0.1)
    else:
        fail("the test's sound server did not start")
        return
    program = Program("--device", "vantrel_test.monitor", "--format", "jsonl", "--serve", "0",
                      env=env)
    port = program.port()
    browser.open(f"http://127.0.0.1:{port}/")
    browser.wait_for("document.body && document.body.getAttribute('data-stream') === 'open'")
    for _ in range(300):
        if pactl("list", "short", "source-outputs").stdout.strip():
            break
        time.sleep(0.1)
    subprocess.run(["paplay", "-d", "vantrel_test", str(samples / "two-calls.wav")], env=env,
                   check=True)
    if not program.wait_lines(2):
        fail(f"sound: no calls came out: {program.error_lines}")
    check_latency(browser, program, "sound card")
    cells = browser.evaluate("Array.from(document.querySelectorAll('#calls-table tbody tr'))"
                             ".map(row => Array.from(row.cells).map(c => c.textContent))")
    for row in cells:
        # The clock time it was heard, its level and Eb/N0 to a tenth.
        if not (row[0][:2] == "20" and row[4].replace("-", "").replace(".", "").isdigit()
                and "." in row[5]):
            fail(f"sound: a call without its clock time, level or Eb/N0: {row}")
    for problem in page_problems(browser):
        fail(f"page (sound): {problem}")
    status = program.stop("SIGINT")
    if status != 0:
        fail(f"sound card: exit status {status} after SIGINT")
    server.terminate()
    server.wait(timeout=20)


def batch_run():
    program = Program("--serve", "127.0.0.1:0", "--format", "jsonl", str(samples / "two-calls.txt"))
    port = program.port()
    if not program.said("the run has ended; its live page stays at"):
        fail(f"batch: the finished run's page is not said to stay: {program.error_lines}")
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    connection.request("GET", "/state.json")
    state = json.loads(connection.getresponse().read())
    if state["running"] or state["seen"] != 2 or len(state["records"]) != 2:
        fail(f"batch: the served state is not the finished run: {str(state)[:300]}")
    second = subprocess.run([DECODE, "--serve", str(port), str(samples / "two-calls.txt")],
                            capture_output=True, timeout=60)
    expected = f"vantrel-decode: --serve {port}: Address already in use\r\n".encode()
    if second.returncode != 1 or second.stderr != expected or second.stdout:
        fail(f"a port in use: status {second.returncode}, {second.stderr!r}, {second.stdout!r}")
    status = program.stop("SIGINT")
    if status != 0 or len(program.lines) != 2:
        fail(f"batch: exit status {status} after SIGINT, {len(program.lines)} records")


began = time.monotonic()
browser = Chromium(log=(work / "chromium.log").open("wb"))
try:
    for phase in (followed_bit_text, sound_card, batch_run):
        phase_began = time.monotonic()
        phase(browser) if phase != batch_run else phase()
        print(f"{phase.__name__}: {time.monotonic() - phase_began:.1f} s", flush=True)
finally:
    browser.close()
    for process in processes:
        if process.poll() is None:
            process.kill()
            process.wait()
print("FAILED" if failures else "live page: all passed")
sys.exit(1 if failures else 0)
