#!/usr/bin/env python3
"""The README's picture of the live page (docs/live-page.png): a busy channel's sound
(live-demo-sound) played into a null sink of a PulseAudio server of this script's own,
vantrel-decode --device recording the sink's monitor with --serve, the page in headless
Chromium taken when the channel has gone quiet.

Usage: take_screenshot.py DECODE LIVE_DEMO_SOUND OUT.png
  python3 tests/station/take_screenshot.py build/cli/vantrel-decode \\
      build/tests/station/live-demo-sound docs/live-page.png
"""
import os
import pathlib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_pipe import Chromium  # noqa: E402

DECODE, DEMO, OUT = sys.argv[1:4]
work = pathlib.Path(tempfile.mkdtemp())
env = dict(os.environ, XDG_RUNTIME_DIR=str(work / "run"), PULSE_RUNTIME_PATH=str(work / "run/pulse"),
           HOME=str(work))
env.pop("PULSE_SERVER", None)
(work / "run/pulse").mkdir(parents=True)
sound = work / "channel.wav"
subprocess.run([DEMO, str(sound)], check=True)
server = subprocess.Popen(
    ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--system=no", "--disallow-exit",
     "--disable-shm", "-L", "module-null-sink sink_name=vantrel_demo rate=48000",
     "-L", "module-native-protocol-unix auth-anonymous=1"],
    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
decode = None
browser = None
try:
    for _ in range(100):
        if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
            break
        time.sleep(0.1)
    decode = subprocess.Popen([DECODE, "--device", "vantrel_demo.monitor", "--format", "jsonl",
                               "--serve", "0"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              env=env)
    port = int(decode.stderr.readline().decode().strip().rsplit(":", 1)[1].rstrip("/"))
    browser = Chromium(1280, 1900)
    browser.open(f"http://127.0.0.1:{port}/")
    browser.wait_for("document.body && document.body.getAttribute('data-stream') === 'open'")
    time.sleep(1)
    subprocess.run(["paplay", "-d", "vantrel_demo", str(sound)], env=env, check=True)
    time.sleep(4)  # the last record, the plot
    print("records:", browser.evaluate("document.body.getAttribute('data-records')"))
    browser.screenshot(OUT, clip_height=1650)  # down to the map
finally:
    if browser:
        browser.close()
    if decode:
        decode.terminate()
        decode.wait()
    server.terminate()
    server.wait()
