#!/usr/bin/env python3
"""Reads the record formats back with real readers.

Usage: check_records.py CHECK WORK TOOL SCHEMA SAMPLE...
TOOL is write-records; WORK a scratch folder. Exits non-zero with a message on the first
difference.
"""
import csv
import html
import html.parser
import json
import math
import pathlib
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

import jsonschema

CHECK, WORK, TOOL, SCHEMA = sys.argv[1:5]
SAMPLES = sys.argv[5:]
work = pathlib.Path(WORK)
shutil.rmtree(work, ignore_errors=True)
work.mkdir(parents=True)

# What a spreadsheet runs as a formula at the start of a cell.
FORMULA_STARTS = ("=", "+", "-", "@", "\t", "\r")

# The made-up records of write-records --crafted: every character a format gives meaning to.
AWKWARD = b'a"b,c<d>e&f\'g\r\nh\ti\x01j\x7fk\xe9l\xffm;n=o'.decode("latin-1")
# ... and the channel they were heard on.
CRAFTED_CHANNEL_HZ = 446006250


# Through the command line (RECORDS_WRITER set: TOOL is through_cli.sh), the generated fixes
# are decoded from a bit text that write-records writes, and the crafted records, which no
# bit text can carry, are left out.
RECORDS_WRITER = __import__("os").environ.get("RECORDS_WRITER")


def made_up(*names):
    if not RECORDS_WRITER:
        return list(names)
    inputs = []
    for number, name in enumerate(names):
        if name != "--crafted":
            bits = work / f"made-up-{number}.txt"
            subprocess.run([RECORDS_WRITER, "bits", str(bits), name], check=True)
            inputs.append(str(bits))
    return inputs


def fail(message):
    sys.exit(f"{CHECK}: {message}")


def write(fmt, *inputs):
    out = work / f"out.{fmt}"
    subprocess.run([TOOL, fmt, str(out), *inputs], check=True, stderr=subprocess.DEVNULL)
    data = out.read_bytes()
    try:
        data.decode("utf-8")
    except UnicodeDecodeError as error:
        fail(f"{fmt} output is not UTF-8: {error}")
    return out


def jsonl_records(*inputs):
    with open(write("jsonl", *inputs), encoding="utf-8") as f:
        return [json.loads(line) for line in f]


def positions(records):
    return [(r["FromAddr"], r["nmea"]["lat"], r["nmea"]["lon"])
            for r in records if "lat" in r.get("nmea", {})]


def check_schema():
    schema = json.loads(pathlib.Path(SCHEMA).read_text())
    jsonschema.Draft202012Validator.check_schema(schema)
    document = jsonschema.Draft202012Validator(schema)
    record = jsonschema.Draft202012Validator({"$defs": schema["$defs"], "$ref": "#/$defs/record"})
    inputs = [*SAMPLES, *made_up("--generated", "--crafted")]
    with open(write("json", *inputs), encoding="utf-8") as f:
        whole = json.load(f)
    document.validate(whole)
    lines = jsonl_records(*inputs)
    for line in lines:
        record.validate(line)
    in_document = [r for f in whole["files"] for r in f["records"]]
    if in_document != lines:
        fail("the json document and the jsonl lines hold different records")
    if len(whole["files"]) != len(inputs):
        fail(f"{len(whole['files'])} files in the document, {len(inputs)} given")
    if whole["stats"]["syncPatterns"] != len(lines):
        fail("the total counts another number of records")
    # The schema must refuse what the records must never hold.
    bad = dict(lines[0], nmea={"sentence": "GPRMC", "checksumOk": True, "lat": 0, "lon": 0,
                               "positionReason": "empty-field"})
    if record.is_valid(bad):
        fail("the schema accepts a position together with a reason for having none")
    print(f"{len(lines)} records of {len(inputs)} inputs valid")


def check_csv_round_trip():
    inputs = [*SAMPLES, *made_up("--generated", "--crafted")]
    records = jsonl_records(*inputs)
    with open(write("csv", *inputs), encoding="utf-8", newline="") as f:
        header, *cells = list(csv.reader(f, strict=True))
    # A short or long row would still read as a record, its cells under the wrong names.
    for number, row in enumerate(cells, 1):
        if len(row) != len(header):
            fail(f"row {number}: {len(row)} cells under a header of {len(header)}")
    rows = [dict(zip(header, row)) for row in cells]
    if len(rows) != len(records):
        fail(f"{len(rows)} rows for {len(records)} records")
    heard = sum(bool(row["heardSeconds"]) for row in rows)
    if heard != sum("heard" in r for r in records):
        fail(f"{heard} rows say where they were heard, not every record of sound")
    texts = ["file", "Func1", "Func2", "FromCountry", "FromAddr", "ToCountry", "ToAddr",
             "Message", "mapLink"]
    for row, r in zip(rows, records):
        for name in texts:
            if row[name] != spreadsheet_text(r.get(name, "")):
                fail(f"record {r['number']}: {name} {row[name]!r} != {r.get(name)!r}")
        if int(row["number"]) != r["number"] or int(row["FromAddrDec"]) != r["FromAddrDec"]:
            fail(f"record {r['number']}: numbers differ")
        if row["Corrupted"] != ("true" if r["Corrupted"] else "false"):
            fail(f"record {r['number']}: Corrupted differs")
        nmea = r.get("nmea", {})
        for name in ("lat", "lon"):
            if (float(row[name]) if row[name] else None) != nmea.get(name):
                fail(f"record {r['number']}: {name} {row[name]!r} != {nmea.get(name)!r}")
        if row["positionReason"] != nmea.get("positionReason", ""):
            fail(f"record {r['number']}: positionReason differs")
        if row.get("channelHz", "") != str(r.get("channel", {}).get("hz", "")):
            fail(f"record {r['number']}: channelHz {row.get('channelHz')!r} != {r.get('channel')!r}")
    print(f"{len(rows)} rows read back")


def spreadsheet_text(text):
    """A CSV text cell as the guard against spreadsheet formulas writes it."""
    return "'" + text if text.startswith(FORMULA_STARTS) else text


def gpsbabel_points(kind, fmt, path):
    """(latitude, longitude) texts to 6 decimals of the waypoints (-w) or track points (-t)."""
    out = subprocess.run(["gpsbabel", kind, "-i", fmt, "-f", str(path), "-o", "unicsv", "-F",
                          "-"], check=True, capture_output=True, text=True).stdout
    rows = list(csv.DictReader(out.splitlines()))
    return [(row["Latitude"], row["Longitude"]) for row in rows]


def six(value):
    return f"{value:.6f}"


def marked_fixes():
    """The generated fixes as vantrel-demod marks what it heard, without a start time: records
    that know when in the recording they were heard but not the clock time. A mark's digits 0
    and 1 are written "o" and "i"; write-records reads the same bits without the marks."""
    bits = work / "generated.txt"
    subprocess.run([RECORDS_WRITER or TOOL, "bits", str(bits), "--generated"], check=True)
    marked = work / "generated-marked.txt"
    marked.write_bytes(b"#vantrel-demod\r\n" + bits.read_bytes() +
                       b"#transmission start=o end=io level=-6 ebno=2o polarity=normal\r\n")
    return str(marked)


def empty_elements(path):
    """Elements without text, children or attributes: in GPX and KML, an element opened for a
    value the writer did not have (an empty <time> is no time a reader accepts)."""
    return [e.tag for e in ET.parse(path).getroot().iter()
            if len(e) == 0 and not e.attrib and not (e.text or "").strip()]


def check_map_formats_read_back():
    inputs = [*SAMPLES, *made_up("--generated"), marked_fixes()]
    records = jsonl_records(*inputs)
    fixes = positions(records)
    if len(fixes) < 10:
        fail(f"only {len(fixes)} positions to compare")
    if RECORDS_WRITER and not any("utc" not in r.get("heard", {"utc": ""}) for r in records):
        fail("no record heard without a clock time")
    expected = [(six(lat), six(lon)) for _, lat, lon in fixes]
    # Tracks: one per unit, in the order the units first appear, each in input order.
    units = list(dict.fromkeys(unit for unit, _, _ in fixes))
    by_unit = [(six(lat), six(lon)) for u in units for unit, lat, lon in fixes if unit == u]
    gpx = write("gpx", *inputs)
    if gpsbabel_points("-w", "gpx", gpx) != expected:
        fail("GPX waypoints differ")
    if gpsbabel_points("-t", "gpx", gpx) != by_unit:
        fail("GPX track points differ")
    tracks = ET.parse(gpx).getroot().findall("{http://www.topografix.com/GPX/1/1}trk")
    if [t.find("{http://www.topografix.com/GPX/1/1}name").text for t in tracks] != units:
        fail("GPX tracks are not one per unit in input order")
    kml = write("kml", *inputs)
    if gpsbabel_points("-w", "kml", kml) != expected:
        fail("KML placemarks differ")
    paths = [(six(lat), six(lon)) for u in units
             if sum(unit == u for unit, _, _ in fixes) > 1
             for unit, lat, lon in fixes if unit == u]
    if gpsbabel_points("-t", "kml", kml) != paths:
        fail("KML paths differ")
    with open(write("geojson", *inputs), encoding="utf-8") as f:
        features = json.load(f)["features"]
    if [(six(f["geometry"]["coordinates"][1]), six(f["geometry"]["coordinates"][0]))
            for f in features] != expected:
        fail("GeoJSON points differ")
    for fmt, path in (("gpx", gpx), ("kml", kml)):
        if empty_elements(path):
            fail(f"{fmt} holds empty elements: {sorted(set(empty_elements(path)))}")
    print(f"{len(fixes)} positions of {len(units)} units read back from GPX, KML, GeoJSON")


def check_crafted_text_survives():
    file_name = b'crafted \xe9<&>".txt'.decode("latin-1")
    record_file = b'dir/f\xe9",<&>.txt'.decode("latin-1")
    message = "$GPRMC msg " + AWKWARD
    # XML cannot carry most control characters: they arrive as U+FFFD.
    xml_message = message.replace("\x01", "\ufffd")
    with open(write("json", "--crafted"), encoding="utf-8") as f:
        whole = json.load(f)
    if whole["files"][0]["file"] != file_name:
        fail("json: file name changed")
    lines = jsonl_records("--crafted")
    for r in [*whole["files"][0]["records"], *lines]:
        if (r["Message"], r["FromAddr"], r["file"], r["Log"]) != (
                message, "1" + AWKWARD, record_file, "log " + AWKWARD):
            fail(f"json/jsonl: texts changed: {r['Message']!r}")
    with open(write("csv", "--crafted"), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, strict=True))
    if [row["Message"] for row in rows] != [message, message]:
        fail("csv: message changed")
    if rows[0]["FromCountry"] != "Espa\u00f1a":
        fail("csv: Latin-1 country changed")
    with open(write("geojson", "--crafted"), encoding="utf-8") as f:
        if json.load(f)["features"][1]["properties"]["Message"] != message:
            fail("geojson: message changed")
    gpx_ns = "{http://www.topografix.com/GPX/1/1}"
    gpx = ET.parse(write("gpx", "--crafted")).getroot()
    waypoints = gpx.findall(gpx_ns + "wpt")
    # Descriptions are HTML for map programs: the XML text is the message escaped for HTML.
    if [html.unescape(w.find(gpx_ns + "desc").text) for w in waypoints] != [xml_message] * 2:
        fail(f"gpx: message changed: {waypoints[0].find(gpx_ns + 'desc').text!r}")
    if waypoints[0].find(gpx_ns + "src").text != record_file:
        fail("gpx: file name changed")
    if gpx.find(gpx_ns + "trk/" + gpx_ns + "name").text != ("1" + AWKWARD).replace("\x01", "\ufffd"):
        fail("gpx: unit name changed")
    kml_ns = "{http://www.opengis.net/kml/2.2}"
    kml = ET.parse(write("kml", "--crafted")).getroot()
    points = [p for p in kml.iter(kml_ns + "Placemark") if p.find(kml_ns + "Point") is not None]
    if [html.unescape(p.find(kml_ns + "description").text) for p in points] != [xml_message] * 2:
        fail("kml: message changed")
    paths = [p for p in kml.iter(kml_ns + "Placemark") if p.find(kml_ns + "LineString") is not None]
    if [p.find(kml_ns + "name").text for p in paths] != [("1" + AWKWARD).replace("\x01", "\ufffd")]:
        fail("kml: path name changed")
    check_crafted_channel()
    print("every format carries the crafted texts and channels")


def check_crafted_channel():
    """The crafted records' channel where the map formats' readers look (JSON, JSON Lines and
    CSV: check_schema, check_csv_round_trip)."""
    gpx_ns, kml_ns = "{http://www.topografix.com/GPX/1/1}", "{http://www.opengis.net/kml/2.2}"
    gpx = write("gpx", "--crafted")
    channels = ET.parse(gpx).getroot().findall(
        f"{gpx_ns}wpt/{gpx_ns}extensions/{{https://vantrel.invalid/records}}channel")
    kml = ET.parse(write("kml", "--crafted")).getroot()
    if ([c.get("hz") for c in channels] != [str(CRAFTED_CHANNEL_HZ)] * 2
            # A GPX reader that does not know the extension passes over it.
            or len(gpsbabel_points("-w", "gpx", gpx)) != 2
            or [d.find(kml_ns + "value").text for d in kml.iter(kml_ns + "Data")
                if d.get("name") == "channelHz"] != [str(CRAFTED_CHANNEL_HZ)] * 2):
        fail("gpx/kml: channel changed")


def check_positions_match_map_links():
    inputs = [*SAMPLES, *made_up("--generated")]
    records = jsonl_records(*inputs)
    compared = 0
    for r in records:
        nmea = r.get("nmea")
        link = r.get("mapLink")
        has = nmea is not None and "lat" in nmea
        if link is None:
            # The report links $GPRMC and $GPGGA only; other talkers and GLL have no link.
            if has and nmea["sentence"][:5] in ("GPRMC", "GPGGA"):
                fail(f"record {r['number']}: a position without a map link")
            continue
        match = re.search(r"mlat=([^&]*)&mlon=([^&]*)&", link)
        if not match:
            fail(f"record {r['number']}: unreadable link {link}")
        if not has:
            # The link stays as the report makes it, the record says why it is no position.
            if not nmea.get("positionReason"):
                fail(f"record {r['number']}: no position and no reason")
            continue
        if (float(match[1]), float(match[2])) != (nmea["lat"], nmea["lon"]):
            fail(f"record {r['number']}: {link} != {nmea['lat']},{nmea['lon']}")
        if abs(nmea["lat"]) > 90 or abs(nmea["lon"]) > 180 or math.isnan(nmea["lat"]):
            fail(f"record {r['number']}: position out of range")
        if "\r\n" + "[MAP URL ] " + link + "\r\n" not in r["Log"]:
            fail(f"record {r['number']}: the log shows another link")
        compared += 1
    if compared < 10:
        fail(f"only {compared} positions compared")
    print(f"{compared} positions equal their map links")


# Texts anyone with a radio can send: spreadsheet formulas, markup for the HTML a map program
# makes of a description, references, quotes. write-records sends each as a message, after
# the fields of position sentences, and as a time field (HostileBlocks).
HOSTILE = [
    '=HYPERLINK("http://x","y")',
    "+1",
    "-2+3",
    "@SUM(A1)",
    "=cmd|' /C calc'!A0",
    "\t=1+1",
    "\r=1+1",
    "<img src=x onerror=alert(1)>",
    "</description><script>x</script>",
    "</desc><b>bold</b>",
    "&amp; &lt;i&gt; &#60;",
    "\"quoted\" 'single'",
    "]]><b>x</b><![CDATA[",
    "<!-- x --><?pi x?>",
]
# The CSV columns that hold numbers: they may start with "-" and stay numbers.
NUMBER_COLUMNS = {"number", "syncBit", "line", "column", "FromAddrDec", "ToAddrDec",
                  "function1", "country1", "function2", "country2", "codewordsRead",
                  "codewordsFailed", "lat", "lon", "heardSeconds", "levelDbfs", "ebN0Db"}


def hostile_inputs():
    table = work / "hostile.json"
    table.write_text(json.dumps(HOSTILE))
    return made_up(f"--hostile={table}")


class MarkupCounter(html.parser.HTMLParser):
    """Counts what an HTML reader makes of a text besides text: elements, comments, ..."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.markup = []
        self.text = ""

    def handle_starttag(self, tag, attrs):
        self.markup.append(tag)

    def handle_endtag(self, tag):
        self.markup.append("/" + tag)

    def handle_comment(self, data):
        self.markup.append("<!--")

    def handle_decl(self, decl):
        self.markup.append("<!")

    def handle_pi(self, data):
        self.markup.append("<?")

    def unknown_decl(self, data):
        self.markup.append("<![")

    def handle_data(self, data):
        self.text += data


# Where an HTML reader starts markup: "<" before a letter, "/", "!" or "?", whether or not the
# markup ever closes. A lenient parser shows a half-open "<img ..." as text; a browser or a map
# program drops it, and what follows, as a tag.
MARKUP_START = re.compile(r"<[A-Za-z/!?]")


def as_html(description):
    reader = MarkupCounter()
    reader.feed(description)
    reader.close()
    return reader


def map_descriptions(path, namespace, point, description):
    root = ET.parse(path).getroot()
    return [p.find(namespace + description).text for p in root.iter(namespace + point)
            if p.find(namespace + description) is not None]


def check_hostile_texts():
    inputs = hostile_inputs()
    schema = json.loads(pathlib.Path(SCHEMA).read_text())
    with open(write("json", *inputs), encoding="utf-8") as f:
        jsonschema.Draft202012Validator(schema).validate(json.load(f))
    records = jsonl_records(*inputs)
    if len(records) != 4 * len(HOSTILE):
        fail(f"{len(records)} records for {4 * len(HOSTILE)} hostile blocks")
    # CSV: no text cell a spreadsheet would run; the guarded text is the record's text.
    with open(write("csv", *inputs), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f, strict=True))
    guarded = 0
    for row, r in zip(rows, records):
        for name, cell in row.items():
            if name in NUMBER_COLUMNS:
                if cell:
                    float(cell)
            elif cell.startswith(FORMULA_STARTS):
                fail(f"record {r['number']}: {name} cell {cell!r} is a live formula")
        for name, value in (("Message", r["Message"]),
                            ("fixTime", r.get("nmea", {}).get("fixTime", ""))):
            wanted = spreadsheet_text(value)
            if row[name] != wanted:
                fail(f"record {r['number']}: {name} cell {row[name]!r}, not {wanted!r}")
            guarded += row[name] != value
    if not any(row["lat"].startswith("-") for row in rows):
        fail("no negative latitude written as a number")
    if RECORDS_WRITER:
        # The user who wants the cells as received asks for them.
        raw = subprocess.run([__import__("os").environ["VANTREL_DECODE"], "--format", "csv",
                              "--csv-raw-cells", *inputs], check=True,
                             capture_output=True).stdout.decode("utf-8")
        raw_rows = csv.DictReader(raw.splitlines(keepends=True), strict=True)
        if [row["Message"] for row in raw_rows] != [r["Message"] for r in records]:
            fail("--csv-raw-cells changed the messages")
    # GPX and KML: the description's HTML holds no markup and shows the message.
    mapped = [r for r in records if r.get("nmea", {}).get("positionTrusted")]
    if len(mapped) < 2 * len(HOSTILE):
        fail(f"only {len(mapped)} positions on the map")
    gpx, kml = write("gpx", *inputs), write("kml", *inputs)
    gpx_ns, kml_ns = "{http://www.topografix.com/GPX/1/1}", "{http://www.opengis.net/kml/2.2}"
    for fmt, texts in (("gpx", map_descriptions(gpx, gpx_ns, "wpt", "desc")),
                       ("kml", map_descriptions(kml, kml_ns, "Placemark", "description"))):
        if len(texts) != len(mapped):
            fail(f"{fmt}: {len(texts)} descriptions for {len(mapped)} positions")
        for text, r in zip(texts, mapped):
            if MARKUP_START.search(text):
                fail(f"{fmt}: the description of record {r['number']} starts markup: {text!r}")
            shown = as_html(text)
            if shown.markup:
                fail(f"{fmt}: the description of record {r['number']} makes {shown.markup}")
            if shown.text != r["Message"]:
                fail(f"{fmt}: the description shows {shown.text!r}, not {r['Message']!r}")
    # gpsbabel reads both, and writes back the same descriptions.
    for fmt, path, namespace, point, description in (
            ("gpx", gpx, gpx_ns, "wpt", "desc"), ("kml", kml, kml_ns, "Placemark", "description")):
        again = work / f"again.{fmt}"
        subprocess.run(["gpsbabel", "-i", fmt, "-f", str(path), "-o", fmt, "-F", str(again)],
                       check=True, capture_output=True)
        if len(gpsbabel_points("-w", fmt, path)) != len(mapped):
            fail(f"gpsbabel reads another number of {fmt} points")
        if (map_descriptions(again, namespace, point, description)
                != map_descriptions(path, namespace, point, description)):
            fail(f"gpsbabel's {fmt} holds other descriptions")
    with open(write("geojson", *inputs), encoding="utf-8") as f:
        features = json.load(f)["features"]
    if [f["properties"]["Message"] for f in features] != [r["Message"] for r in mapped]:
        fail("geojson: the messages changed")
    print(f"{len(records)} hostile records, {guarded} CSV cells guarded, "
          f"{len(mapped)} map descriptions without markup")


def check_failed_header_off_map():
    inputs = made_up("--failed-header")
    with open(write("json", *inputs), encoding="utf-8") as f:
        whole = json.load(f)
    jsonschema.Draft202012Validator(json.loads(pathlib.Path(SCHEMA).read_text())).validate(whole)
    records = whole["files"][0]["records"]
    marks = [(r["FromAddr"], r["Corrupted"], r["nmea"]["positionTrusted"]) for r in records]
    # The broken header reads the From address 235 as 234 and fails its check; the last block's
    # header passes, its address codeword fails.
    if marks != [("4235", False, True), ("4234", True, False), ("4235", False, True),
                 ("4235", True, False)]:
        fail(f"records marked {marks}")
    trusted = [(six(r["nmea"]["lat"]), six(r["nmea"]["lon"])) for r in records
               if r["nmea"]["positionTrusted"]]
    stats = whole["stats"]
    if (stats["positions"], stats["positionsTrusted"]) != (4, len(trusted)):
        fail(f"stats count {stats['positions']} positions, {stats['positionsTrusted']} trusted")
    gpx = write("gpx", *inputs)
    kml = write("kml", *inputs)
    for kind, fmt, path in (("-w", "gpx", gpx), ("-t", "gpx", gpx), ("-w", "kml", kml),
                            ("-t", "kml", kml)):
        if gpsbabel_points(kind, fmt, path) != trusted:
            fail(f"{fmt} {kind}: {gpsbabel_points(kind, fmt, path)} != {trusted}")
    for path in (gpx, kml):
        if "4234" in path.read_text():
            fail(f"{path.name} names the unit of the failed header")
    with open(write("geojson", *inputs), encoding="utf-8") as f:
        features = json.load(f)["features"]
    if [(six(f["geometry"]["coordinates"][1]), six(f["geometry"]["coordinates"][0]))
            for f in features] != trusted:
        fail("geojson shows the position of the failed header")
    with open(write("csv", *inputs), encoding="utf-8", newline="") as f:
        if [row["positionTrusted"] for row in csv.DictReader(f)] != ["true", "false", "true", "false"]:
            fail("csv does not mark the position of the failed header")
    print(f"{len(records)} positions, {len(trusted)} on the map")


globals()["check_" + CHECK]()
