#!/usr/bin/env python3
"""Opens the page of vantrel-decode --format html in headless Chromium and checks what it shows.

Usage: html_page_check.py WORK DECODE WRITE_RECORDS SAMPLES
The page is made from the samples (bit text and sound) and from messages made to break a page
(write-records bits --hostile). Chromium's DOM after the scripts ran must hold every unit,
message and position the JSON document of the same inputs names, no element or script that a
message could have injected, and no script error or blocked content in the console or in the
page's own error box. A screenshot is left in WORK for a person to look at.
"""
import html.parser
import json
import pathlib
import re
import shutil
import subprocess
import sys

WORK, DECODE, WRITE_RECORDS, SAMPLES = sys.argv[1:5]
work = pathlib.Path(WORK)
shutil.rmtree(work, ignore_errors=True)
work.mkdir(parents=True)
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


hostile = work / "hostile.txt"
subprocess.run([WRITE_RECORDS, "bits", str(hostile), "--generated", "--hostile"], check=True)
inputs = sorted(str(p) for p in pathlib.Path(SAMPLES).glob("*.txt"))
inputs += [str(pathlib.Path(SAMPLES) / "two-calls.wav"), str(hostile)]

page = work / "page.html"
with page.open("wb") as out:
    subprocess.run([DECODE, "--format", "html", *inputs], stdout=out, check=True)
document = json.loads(subprocess.run([DECODE, "--format", "json", *inputs], check=True,
                                     capture_output=True).stdout)
records = [r for f in document["files"] for r in f["records"]]

# Chromium as root needs --no-sandbox; names resolve to nothing so a missing network fails
# fast instead of waiting for the tile servers.
chromium = ["chromium", "--headless", "--no-sandbox", "--disable-gpu",
            "--host-resolver-rules=MAP * ~NOTFOUND", f"--user-data-dir={work / 'profile'}"]
run = subprocess.run(chromium + ["--enable-logging=stderr", "--v=0", "--dump-dom",
                                 page.as_uri()], capture_output=True, text=True, timeout=240)
dom = run.stdout
(work / "dom.html").write_text(dom)
for line in run.stderr.splitlines():
    if "Uncaught" in line or "Refused to" in line or "Content Security Policy" in line:
        fail(f"console: {line}")
subprocess.run(chromium + ["--hide-scrollbars", "--window-size=1200,1700",
                           f"--screenshot={work / 'page.png'}", page.as_uri()],
               capture_output=True, timeout=240)


class Dom(html.parser.HTMLParser):
    """Elements with their attributes, and the text of every table cell by table id."""

    def __init__(self):
        super().__init__()
        self.elements = []
        self.cells = {}
        self.table = None
        self.cell = None
        self.script_text = {}
        self.script = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.elements.append((tag, attrs))
        if tag == "table":
            self.table = attrs.get("id")
            self.cells.setdefault(self.table, [])
        if tag == "td":
            self.cell = ""
        if tag == "script":
            self.script = attrs.get("id", len(self.elements))
            self.script_text[self.script] = ""

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.cells[self.table].append(self.cell)
            self.cell = None
        if tag == "script":
            self.script = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        if self.script is not None:
            self.script_text[self.script] += data


parsed = Dom()
parsed.feed(dom)
body = [a for t, a in parsed.elements if t == "body"]
if not body or body[0].get("data-script") != "ran":
    fail("the page script did not run to its end")
errors = [a for t, a in parsed.elements if t == "pre" and a.get("id") == "script-errors"]
if not errors or "hidden" not in errors[0]:
    fail("the page's error box shows errors: " + dom[dom.find("script-errors"):][:300])
if not any(t == "div" and "leaflet-container" in a.get("class", "") for t, a in parsed.elements):
    fail("the map was not made")

# Nothing a message could inject.
scripts = [a for t, a in parsed.elements if t == "script"]
if len(scripts) != 4 or [a.get("type") for a in scripts] != [None, "application/json", None, None]:
    fail(f"scripts in the page: {scripts}")
for tag, attrs in parsed.elements:
    if tag == "img" and attrs.get("src") == "x" or attrs.get("id") == "injected" or tag == "b":
        fail(f"injected element <{tag} {attrs}>")
title = re.search(r"<title>(.*?)</title>", dom, re.S)
if not title or not title.group(1).startswith("Decoded:"):
    fail(f"an injected script changed the title: {title and title.group(1)!r}")

# Every unit, message and position of the JSON document.
unit_cells = set(parsed.cells.get("units-table", []))
if len(document["stats"]["units"]) < 10:
    fail("too few units in the inputs: the check would prove little")
for unit in document["stats"]["units"]:
    name = unit["address"] if isinstance(unit, dict) else unit
    if name not in unit_cells:
        fail(f"unit {name} missing from the units table")
message_cells = set(parsed.cells.get("messages-table", []))
for r in records:
    if r.get("Message") and r["Message"] not in message_cells:
        fail(f"message {r['Message']!r} missing from the messages table")
position_cells = parsed.cells.get("positions-table", [])
listed = {(float(position_cells[i + 3]), float(position_cells[i + 4]))
          for i in range(0, len(position_cells), 6)}
expected = [(r["nmea"]["lat"], r["nmea"]["lon"]) for r in records if "lat" in r.get("nmea", {})]
if len(expected) < 10:
    fail(f"only {len(expected)} positions in the inputs: the check would prove little")
for p in expected:
    if p not in listed:
        fail(f"position {p} missing from the positions table")
data = json.loads(parsed.script_text["page-data"])
if sorted(tuple(p[:2]) for p in data["positions"]) != sorted(expected):
    fail("the map data does not hold every position")
for hostile_text in ("<img src=x onerror=document.title='pwned'>",
                     "</script><script>document.title='pwned'</script>"):
    if hostile_text not in message_cells:
        fail(f"{hostile_text!r} is not shown as text")

print(f"{len(unit_cells)} unit cells, {len(message_cells)} message cells, "
      f"{len(listed)} positions listed, {len(data['positions'])} on the map")
sys.exit(1 if failures else 0)
