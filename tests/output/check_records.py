#!/usr/bin/env python3
"""Reads the record formats back with real readers.

Usage: check_records.py CHECK WORK TOOL SCHEMA SAMPLE...
TOOL is write-records; WORK a scratch folder. Exits non-zero with a message on the first
difference.
"""
import csv
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

# The made-up records of write-records --crafted: every character a format gives meaning to.
AWKWARD = b'a"b,c<d>e&f\'g\r\nh\ti\x01j\x7fk\xe9l\xffm;n=o'.decode("latin-1")


# Through the command line (RECORDS_WRITER set: TOOL is through_cli.sh), the generated fixes
# are decoded from a bit text that write-records writes, and the crafted records, which no
# bit text can carry, are left out.
RECORDS_WRITER = __import__("os").environ.get("RECORDS_WRITER")


def made_up(*names):
    if not RECORDS_WRITER:
        return list(names)
    inputs = []
    if "--generated" in names:
        bits = work / "generated-fixes.txt"
        subprocess.run([RECORDS_WRITER, "bits", str(bits), "--generated"], check=True)
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
            if row[name] != r.get(name, ""):
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
    print(f"{len(rows)} rows read back")


def gpsbabel_points(kind, fmt, path):
    """(latitude, longitude) texts to 6 decimals of the waypoints (-w) or track points (-t)."""
    out = subprocess.run(["gpsbabel", kind, "-i", fmt, "-f", str(path), "-o", "unicsv", "-F",
                          "-"], check=True, capture_output=True, text=True).stdout
    rows = list(csv.DictReader(out.splitlines()))
    return [(row["Latitude"], row["Longitude"]) for row in rows]


def six(value):
    return f"{value:.6f}"


def check_map_formats_read_back():
    inputs = [*SAMPLES, *made_up("--generated")]
    fixes = positions(jsonl_records(*inputs))
    if len(fixes) < 10:
        fail(f"only {len(fixes)} positions to compare")
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
    if [w.find(gpx_ns + "desc").text for w in waypoints] != [xml_message] * 2:
        fail(f"gpx: message changed: {waypoints[0].find(gpx_ns + 'desc').text!r}")
    if waypoints[0].find(gpx_ns + "src").text != record_file:
        fail("gpx: file name changed")
    if gpx.find(gpx_ns + "trk/" + gpx_ns + "name").text != ("1" + AWKWARD).replace("\x01", "\ufffd"):
        fail("gpx: unit name changed")
    kml_ns = "{http://www.opengis.net/kml/2.2}"
    kml = ET.parse(write("kml", "--crafted")).getroot()
    points = [p for p in kml.iter(kml_ns + "Placemark") if p.find(kml_ns + "Point") is not None]
    if [p.find(kml_ns + "description").text for p in points] != [xml_message] * 2:
        fail("kml: message changed")
    paths = [p for p in kml.iter(kml_ns + "Placemark") if p.find(kml_ns + "LineString") is not None]
    if [p.find(kml_ns + "name").text for p in paths] != [("1" + AWKWARD).replace("\x01", "\ufffd")]:
        fail("kml: path name changed")
    print("every format carries the crafted texts")


def check_positions_match_map_links():
    inputs = [*SAMPLES, *made_up("--generated")]
    records = jsonl_records(*inputs)
    compared = 0
    for r in records:
        nmea = r.get("nmea")
        link = r.get("mapLink")
        has = nmea is not None and "lat" in nmea
        if link is None:
            if has:
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


globals()["check_" + CHECK]()
