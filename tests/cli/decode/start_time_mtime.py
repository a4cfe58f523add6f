#!/usr/bin/env python3
"""--start-time mtime: a recording began at its file's modification time less its length, and
each record was heard at that start plus the seconds into the recording it names. A sound file
(its length from its header) and a marked bit text (its length the last mark's end).

Usage: start_time_mtime.py DECODE WAV BIT_TEXT
"""
import datetime
import json
import math
import os
import pathlib
import subprocess
import sys
import tempfile
import wave

DECODE, WAV, BIT_TEXT = sys.argv[1:4]
# 2026-12-07T21:00:00.250Z: the part of a second counts too.
MODIFIED_NS = 1796677200_250_000_000


def iso(ms):
    moment = datetime.datetime.fromtimestamp(ms // 1000, datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%S") + f".{ms % 1000:03d}Z"


def whole_ms(seconds):
    return math.floor(seconds * 1000 + 0.5)


def check(path, length):
    os.utime(path, ns=(MODIFIED_NS, MODIFIED_NS))
    start = MODIFIED_NS // 1_000_000 - whole_ms(length)
    out = subprocess.run([DECODE, "--format", "jsonl", "--start-time", "mtime", str(path)],
                         check=True, capture_output=True).stdout
    heard = [json.loads(line)["heard"] for line in out.splitlines()]
    if not heard:
        sys.exit(f"{path.name}: no records")
    for h in heard:
        if h.get("utc") != iso(start + whole_ms(h["seconds"])):
            sys.exit(f"{path.name}: heard {h}, recording began {iso(start)}")
    print(f"{path.name}: {len(heard)} records heard from {iso(start)}")


with tempfile.TemporaryDirectory() as folder:
    sound = pathlib.Path(folder) / "rx.wav"
    sound.write_bytes(pathlib.Path(WAV).read_bytes())
    with wave.open(str(sound)) as w:
        check(sound, w.getnframes() / w.getframerate())
    # Marks write their digits 0 and 1 as "o" and "i": this one ends at 12.5 s.
    marked = pathlib.Path(folder) / "rx.txt"
    marked.write_bytes(b"#vantrel-demod\r\n" + pathlib.Path(BIT_TEXT).read_bytes() +
                       b"#transmission start=o.5 end=i2.5 level=-6 ebno=2o polarity=normal\r\n")
    check(marked, 12.5)
