#!/usr/bin/env python3
"""vantrel-decode on a radio band's IQ, end to end: captures made by the test radio with calls
on several channels give each call once, on its own channel, in every way a capture comes (a
file, gzip, a pipe, a pipe followed while it is open, an SDR program's WAV with its auxi chunk
or with the centre in its name); the text report is one report per channel; --stats has a line
per channel; and every fault gives its one line and its exit status.

Usage: band_test.py DECODE MAKE_CAPTURE
"""
import datetime
import gzip
import json
import pathlib
import re
import signal
import socket
import sqlite3
import struct
import subprocess
import sys
import tempfile
import threading
import urllib.request

DECODE, MAKE_CAPTURE = sys.argv[1:3]
failures = []


def fail(what):
    failures.append(what)
    print("FAIL:", what)


def make(path, form, rate, centre, seconds, calls):
    """A capture and the calls in it, as make-capture prints them."""
    args = [MAKE_CAPTURE, str(path), form, str(rate), str(centre), str(seconds)]
    args += [f"{hz}@{start}" for hz, start in calls]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    return [json.loads(line) for line in out.splitlines()]


def decode(args, stdin=None):
    return subprocess.run([DECODE] + args, input=stdin, capture_output=True, timeout=60)


def calls_of(jsonl):
    """(channel, FromAddr, ToAddr) of every record, in the order written."""
    records = [json.loads(line) for line in jsonl.splitlines()]
    return [(r.get("channel", {}).get("hz"), r["FromAddr"], r["ToAddr"]) for r in records]


def mhz(hz):
    """A channel as the reports name it: "169.4125 MHz"."""
    return f"{hz / 1e6:.6f}".rstrip("0").rstrip(".") + " MHz"


def iso(ms):
    moment = datetime.datetime.fromtimestamp(ms // 1000, datetime.timezone.utc)
    return moment.strftime("%Y-%m-%dT%H:%M:%S") + f".{ms % 1000:03d}Z"


def expected(sent, shift=0):
    return sorted((c["hz"] + shift, c["FromAddr"], c["ToAddr"]) for c in sent)


def check_calls(name, result, sent, shift=0, start_ms=None):
    """Each call once on its channel, heard when it was sent in the capture (its preamble
    first: within a quarter of a second), and by the clock from `start_ms` when given."""
    if result.returncode != 0:
        fail(f"{name}: exit status {result.returncode}: {result.stderr.decode()}")
        return
    got = calls_of(result.stdout)
    if sorted(got) != expected(sent, shift):
        fail(f"{name}: calls {sorted(got)}, sent {expected(sent, shift)}")
        return
    for record in map(json.loads, result.stdout.splitlines()):
        call = next(c for c in sent if c["FromAddr"] == record["FromAddr"])
        heard = record["heard"]
        if not call["start"] <= heard["seconds"] <= call["start"] + 0.25:
            fail(f"{name}: {call} heard at {heard}")
        want_utc = None if start_ms is None else iso(start_ms + round(heard["seconds"] * 1000))
        if heard.get("utc") != want_utc:
            fail(f"{name}: heard {heard}, the capture began {start_ms}")
    print(f"{name}: {len(got)} calls, each once on its channel when it was sent")


def wav(samples, rate, channels=2, bits=16, tag=1, centre=None, data_bytes=None):
    """A WAV around `samples`, as SDR programs write it: fmt, then auxi when `centre`, then data
    (its length `data_bytes` when given, as a file cut short announces more than it holds)."""
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * block, block, bits)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt
    if centre is not None:
        # Start and stop as SYSTEMTIME, the centre, then the rest of the fields.
        auxi = bytes(32) + struct.pack("<I", centre) + bytes(36)
        chunks += b"auxi" + struct.pack("<I", len(auxi)) + auxi
    size = len(samples) if data_bytes is None else data_bytes
    chunks += b"data" + struct.pack("<I", size) + samples
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def run_follow_pipe(args, capture, records):
    """--follow on a pipe held open: `records` must come out before it is closed."""
    process = subprocess.Popen([DECODE, "--follow"] + args + ["-"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    lines = []
    enough = threading.Event()

    def read():
        for line in process.stdout:
            lines.append(line)
            if sum(b"Final (UTC)" in l or b'"number"' in l for l in lines) >= records:
                enough.set()

    reader = threading.Thread(target=read)
    reader.start()
    process.stdin.write(capture)
    process.stdin.flush()
    came_while_open = enough.wait(30)
    process.stdin.close()
    process.wait(30)
    reader.join(30)
    return came_while_open, process.returncode, b"".join(lines), process.stderr.read()


def serve_rtl_tcp(capture):
    """A fake rtl_tcp server on a loopback port: one client gets the header and `capture`, and
    the server is gone; nothing waits longer than 30 s. Returns the port and the thread."""
    server = socket.create_server(("127.0.0.1", 0))
    server.settimeout(30)

    def serve():
        with server:
            try:
                client, _ = server.accept()
            except OSError:
                return
            with client:
                client.settimeout(30)
                client.sendall(b"RTL0" + struct.pack(">II", 5, 29) + capture)
                # Then gone, but only once the client has taken it all: closed with its
                # commands unread, the connection would be reset and the capture's tail lost.
                client.shutdown(socket.SHUT_WR)
                try:
                    while client.recv(4096):
                        pass
                except OSError:
                    pass

    thread = threading.Thread(target=serve)
    thread.start()
    return server.getsockname()[1], thread


def free_port():
    """A loopback port nothing listens on."""
    with socket.create_server(("127.0.0.1", 0)) as probe:
        return probe.getsockname()[1]


with tempfile.TemporaryDirectory() as folder:
    work = pathlib.Path(folder)

    # ---- a u8 capture of 2.4 MS/s as rtl_sdr writes it, four calls on four channels ----
    centre = 169_400_000
    u8 = work / "band.u8"
    sent = make(u8, "u8", 2_400_000, centre, 0.9,
                [(169_412_500, 0.1), (169_450_000, 0.25), (169_300_000, 0.4),
                 (169_387_500, 0.55)])
    raw_args = ["--iq", "u8", "--rate", "2.4M", "--center", "169.4M"]
    check_calls("u8 file", decode(raw_args + ["--format", "jsonl", str(u8)]), sent)
    check_calls("--start-time",
                decode(raw_args + ["--format", "jsonl", "--start-time", "2026-12-07T21:00:00.250Z",
                                   str(u8)]), sent, start_ms=1796677200_250)
    gz = work / "band.u8.gz"
    gz.write_bytes(gzip.compress(u8.read_bytes(), 1))
    check_calls("gzip file", decode(raw_args + ["--format", "jsonl", str(gz)]), sent)
    check_calls("pipe", decode(raw_args + ["--format", "jsonl", "-"], u8.read_bytes()), sent)
    check_calls("gzip pipe", decode(raw_args + ["--format", "jsonl", "-"], gz.read_bytes()), sent)

    # The text report: one per channel with calls, in order of frequency, each headed by it.
    result = decode(raw_args + ["--stats", str(u8)])
    report = result.stdout.decode()
    headings = re.findall(r"^==> (.*) <==\r$", report, re.M)
    want = [mhz(c["hz"]) for c in sorted(sent, key=lambda c: c["hz"])]
    if headings != want:
        fail(f"text report headings {headings}, wanted {want}")
    sections = report.split("\r\n\r\n==> ")
    if len(sections) != len(sent) or any("Blocks Found:1\r\n\r\nBlock #1\r\n" not in s
                                         for s in sections):
        fail(f"text report: not one report of one block per channel:\n{report}")
    for call in sent:
        line = re.search(rf"^  {re.escape(mhz(call['hz']))} +1 +0 +-?\d+\.\d .*$",
                         result.stderr.decode(), re.M)
        if not line:
            fail(f"--stats has no line for {call['hz']}: {result.stderr.decode()}")
    if not failures:
        print("text report: a report per channel; --stats: a line per channel")

    # The database takes every record with its channel, as the other outputs do.
    database = work / "band.db"
    result = decode(raw_args + ["--format", "jsonl", "--db", str(database), str(u8)])
    with sqlite3.connect(database) as db:
        stored = sorted(db.execute("SELECT channel_hz, from_addr, to_addr FROM records"))
    if result.returncode != 0 or stored != expected(sent):
        fail(f"--db: exit {result.returncode}, stored {stored}: {result.stderr.decode()}")
    else:
        print("--db: every call stored with its channel")

    # The live page of a band run: every record with its channel, served after the run until
    # it is stopped.
    process = subprocess.Popen([DECODE] + raw_args + ["--format", "jsonl", "--serve",
                                                      "127.0.0.1:0", str(u8)],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    said = b""
    for line in process.stderr:
        said += line
        if b"the run has ended" in line:
            break
    url = re.search(rb"http://127\.0\.0\.1:\d+/", said)
    served = []
    if url:
        with urllib.request.urlopen(url.group().decode() + "state.json", timeout=10) as answer:
            served = sorted((r["channel"]["hz"], r["FromAddr"], r["ToAddr"])
                            for r in json.load(answer)["records"])
    process.send_signal(signal.SIGTERM)
    process.wait(30)
    if served != expected(sent) or process.returncode != 0:
        fail(f"--serve: exit {process.returncode}, served {served}: {said}")
    else:
        print("--serve: every call on the page with its channel")

    # Channels named, out of order: only theirs decoded, the reports in order of frequency.
    named = [169_450_000, 169_300_000, 169_412_500]
    listed = raw_args + ["--channels", ",".join(str(hz) for hz in named)]
    check_calls("--channels", decode(listed + ["--format", "jsonl", str(u8)]),
                [c for c in sent if c["hz"] in named])
    headings = re.findall(r"^==> (.*) <==\r$", decode(listed + [str(u8)]).stdout.decode(), re.M)
    if headings != [mhz(hz) for hz in sorted(named)]:
        fail(f"--channels: text report headings {headings}")

    # Followed while the pipe is open: each record as it is final, with its channel line.
    came, status, out, err = run_follow_pipe(raw_args, u8.read_bytes(), len(sent))
    channels = re.findall(rb"^Channel       : (.*) MHz\r\nFinal \(UTC\)   : ", out, re.M)
    if not came or status != 0 or sorted(float(c) * 1e6 for c in channels) != sorted(
            c["hz"] for c in sent):
        fail(f"follow: while open {came}, exit {status}, channels {channels}: {err}")
    else:
        print("follow: every record while the pipe was open, with its channel")

    # A live radio through rtl_tcp: the band as it is served, until the run is stopped; the
    # server gone is said once, the run goes on waiting for it.
    port, server = serve_rtl_tcp(u8.read_bytes())
    process = subprocess.Popen([DECODE, "--rtl-tcp", f"127.0.0.1:{port}", "--center", "169.4M",
                                "--rate", "2.4M", "--format", "jsonl"], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    lines = []
    enough = threading.Event()

    def read_records():
        for line in process.stdout:
            lines.append(line)
            if len(lines) >= len(sent):
                enough.set()

    reader = threading.Thread(target=read_records)
    reader.start()
    enough.wait(30)
    process.send_signal(signal.SIGTERM)
    process.wait(30)
    reader.join(30)
    err = process.stderr.read()
    server.join(30)
    got = sorted(calls_of(b"".join(lines)))
    if process.returncode != 0 or got != expected(sent) or err.count(b"reconnecting") > 1:
        fail(f"--rtl-tcp: exit {process.returncode}, calls {got}: {err}")
    else:
        print("--rtl-tcp: every call on its channel as the server sent it")

    # ---- an SDR program's WAV: 16-bit I and Q at 1 MS/s ----
    wav_centre = 446_100_000
    s16 = work / "band.s16"
    wav_sent = make(s16, "s16", 1_000_000, wav_centre, 0.6,
                    [(446_012_500, 0.05), (446_100_000, 0.2), (446_200_000, 0.35)])
    samples = s16.read_bytes()
    auxi = work / "SDRSharp_20260101_120000Z_IQ.wav"
    auxi.write_bytes(wav(samples, 1_000_000, centre=wav_centre))
    check_calls("wav with auxi", decode(["--iq", "wav", "--format", "jsonl", str(auxi)]),
                wav_sent)
    named = work / f"SDRSharp_20260101_120000Z_{wav_centre}Hz_IQ.wav"
    named.write_bytes(wav(samples, 1_000_000))
    check_calls("wav named", decode(["--iq", "wav", "--format", "jsonl", str(named)]), wav_sent)
    # The option given wins over the auxi chunk: the same signals on channels 25 kHz higher.
    check_calls("--center over auxi",
                decode(["--iq", "wav", "--center", "446.125M", "--format", "jsonl", str(auxi)]),
                wav_sent, 25_000)

    # ---- faults: one line naming the cause, and the exit status ----
    nameless = work / "capture.raw"
    nameless.write_bytes(u8.read_bytes()[:48_000])
    odd = work / "odd.u8"
    odd.write_bytes(u8.read_bytes() + b"\x80")
    s16_cut = work / "cut.s16"
    s16_cut.write_bytes(samples + b"\0\0\0")
    mono = work / "mono.wav"
    mono.write_bytes(wav(samples[:40_000], 1_000_000, channels=1))
    wide = work / "wide.wav"
    wide.write_bytes(wav(samples[:40_002], 1_000_000, bits=24, centre=wav_centre))
    short = work / "short.wav"
    short.write_bytes(wav(samples, 1_000_000, centre=wav_centre, data_bytes=len(samples) + 4000))
    header_only = work / "header.wav"
    header_only.write_bytes(wav(samples, 1_000_000, centre=wav_centre)[:30])
    cut_gz = work / "cut.u8.gz"
    cut_gz.write_bytes(gz.read_bytes()[:-5000])
    empty = work / "empty.u8"
    empty.write_bytes(b"")
    u8s = ["--iq", "u8", "--rate", "2.4M", "--center", "169.4M"]
    # (name, arguments, exit status, the line on standard error, standard output's records)
    faults = [
        ("no rate", ["--iq", "u8", "--center", "169.4M", u8], 2,
         r"--iq u8 needs --rate: raw IQ does not say its sample rate", None),
        ("rate of a wav", ["--iq", "wav", "--rate", "1M", auxi], 2,
         r"--rate is for raw IQ: a WAV says its own sample rate", None),
        ("unknown format", ["--iq", "u12", "--rate", "1M", u8], 2, r"--iq: u12 is not u8, s8, s16, f32 or wav", None),
        ("no format", ["--channels", "169.4M", u8], 2,
         r"--channels is for a radio's IQ: add --iq FORMAT", None),
        ("an IQ rate for sound", ["--raw", "--rate", "2.4M", u8], 2,
         r"--rate: 2400000 is not from 8000 to 192000", None),
        ("bad rate", u8s[:2] + ["--rate", "fast", "--center", "169.4M", u8], 2, r"--rate: ", None),
        ("bad centre", ["--iq", "u8", "--rate", "2.4M", "--center", "169,4M", u8], 2,
         r"--center: '169,4M' is not a frequency", None),
        ("a channel outside", u8s + ["--channels", "169.4M,171M", u8], 2,
         rf"{re.escape(str(u8))}: the channel 171M lies outside the captured band 168.2M to "
         r"170.6M$", None),
        ("no centre", ["--iq", "u8", "--rate", "2.4M", nameless], 2,
         r"capture.raw: the centre frequency is missing \(give --center\)$", None),
        ("two captures", u8s + [u8, u8], 2, r"--iq reads one capture", None),
        ("mtime of a followed capture", u8s + ["--follow", "--start-time", "mtime", u8], 2,
         r"--start-time mtime is for a finished capture", None),
        ("odd byte count", u8s + [odd], 1,
         r"odd.u8: the capture ends 1 byte into a 2-byte I/Q pair: .*; what came before is "
         r"decoded$", 4),
        ("s16 cut in a pair", ["--iq", "s16", "--rate", "1M", "--center", "446.1M", s16_cut], 1,
         r"the capture ends 3 bytes into a 4-byte I/Q pair", 3),
        ("mono wav", ["--iq", "wav", mono], 1,
         r"mono.wav: a WAV of 1 channel: --iq wav reads I and Q as its two channels$", None),
        ("24-bit wav", ["--iq", "wav", wide], 1, r"wide.wav: its samples are 24-bit integers",
         None),
        ("wav cut short", ["--iq", "wav", short], 1,
         r"short.wav: the WAV ended early: its header announces \d+ bytes of samples, \d+ came",
         3),
        ("wav header cut", ["--iq", "wav", header_only], 1,
         r"header.wav: ends before its WAV header does$", None),
        ("not a wav", ["--iq", "wav", u8], 1, r"band.u8: not a WAV file", None),
        ("missing", u8s + [work / "missing.u8"], 1, r"missing.u8: No such file or directory$",
         None),
        ("damaged gzip", u8s + [cut_gz], 1, r"cut.u8.gz: gzip data: unexpected end", None),
        ("empty", u8s + [empty], 0, r"empty.u8: the capture holds no IQ samples$", 0),
        ("rtl_tcp refusing",
         ["--rtl-tcp", f"127.0.0.1:{free_port()}", "--center", "169.4M", "--rate", "2.4M"], 1,
         r"rtl_tcp 127.0.0.1:\d+: Connection refused$", 0),
        ("a radio untuned", ["--rtl-tcp", "127.0.0.1:1234", "--rate", "2.4M"], 2,
         r"--rtl-tcp needs --rate and --center", None),
    ]
    for name, args, status, line, records in faults:
        result = decode(["--format", "jsonl"] + [str(a) for a in args])
        err = result.stderr.decode()
        first = err.split("\r\n")[0]
        lines = err.count("\n")
        alone = status == 2 or lines == 1  # a usage error is followed by the usage
        if result.returncode != status or not re.search(line, first) or not alone:
            fail(f"{name}: exit {result.returncode} (wanted {status}), standard error {err!r}")
        elif records is not None and len(result.stdout.splitlines()) != records:
            fail(f"{name}: {len(result.stdout.splitlines())} records, wanted {records}")
        else:
            print(f"{name}: exit {status}, {first}")

if failures:
    sys.exit(f"{len(failures)} failed")
