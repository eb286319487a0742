#!/usr/bin/env python3
"""Checks qelmar's HTML page.

   check_html.py QELMAR TOP [OUT_DIR]

Each page is parsed by a strict HTML5 parser (html5lib): a parse error
fails. The numbers of its tables and of its chart must be those of the JSON
report of the same history and options (--summary, --by, --calls). Nothing
from the history may become markup: only the page's own elements and
attributes stand in the tree, and a history of addresses made of script
tags, quotes, ampersands, controls and bytes that are not UTF-8 shows them
as text, '?' for the bytes. Then headless Chromium renders pages for an
empty report, one session, a month by day and three years by month: the
DOM after rendering has the bars, rows and headings expected, and each
screenshot has more than one colour. With OUT_DIR the screenshots are
kept there."""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

import html5lib

qelmar, top = sys.argv[1], sys.argv[2]
keep = sys.argv[3] if len(sys.argv) > 3 else None
inputs = os.path.join(top, "tests", "cli", "input")
example = os.path.join(top, "examples", "history")
NS = "{http://www.w3.org/1999/xhtml}"
SVG = "{http://www.w3.org/2000/svg}"
ELEMENTS = {"html", "head", "meta", "title", "style", "body", "header", "h1", "h2", "p", "main",
            "table", "thead", "tbody", "tfoot", "tr", "th", "td", "code", "svg", "line", "text",
            "g", "rect"}
ATTRIBUTES = {"lang", "charset", "name", "content", "class", "id", "title", "viewBox", "role",
              "aria-label", "x", "y", "x1", "x2", "y1", "y2", "width", "height", "text-anchor"}

work = tempfile.mkdtemp(prefix="qelmar-html.")
failed = 0
passed = 0


def run(args, zone="UTC"):
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    r = subprocess.run([qelmar] + args, env=env, capture_output=True)
    assert r.returncode == 0, "%s: status %d %r" % (args, r.returncode, r.stderr)
    return r.stdout


def parse(page):
    return html5lib.HTMLParser(strict=True, namespaceHTMLElements=True).parse(page)


def local(tag):
    return tag.split("}")[-1]


def text_of(e):
    return "".join(e.itertext())


def check_tree(doc):
    """Only the page's own elements and attributes."""
    for e in doc.iter():
        if not isinstance(e.tag, str):
            continue
        assert local(e.tag) in ELEMENTS, "element %s" % e.tag
        for a in e.attrib:
            assert local(a) in ATTRIBUTES | {"xmlns"}, "attribute %s on %s" % (a, e.tag)


def by_id(doc, ident):
    for e in doc.iter():
        if e.get("id") == ident:
            return e
    return None


def rows(table, part):
    section = table.find(NS + part)
    return [] if section is None else section.findall(NS + "tr")


def exact_bytes(td):
    return int(td.get("title").split()[0])


def bar_titles(doc):
    chart = by_id(doc, "chart")
    out = []
    for g in chart.iter(SVG + "g"):
        title = g.find(SVG + "title").text
        label, rest = title.rsplit(": ", 1)
        parts = rest.split(", ")
        out.append((label, int(parts[0].split()[0]), int(parts[1].split()[0]),
                    int(parts[2].split()[0]), len(g.findall(SVG + "rect"))))
    return out


def check_page(name, zone, args):
    """The page of args against the JSON reports of the same options."""
    page = run(["--html"] + args, zone)
    doc = parse(page)
    check_tree(doc)
    unit = by_id(doc, "chart").get("aria-label").split()[-1]
    plain = [a for a in args if not a.startswith("--by=") and not a.startswith("--sort=")]
    sort = [a for a in args if a.startswith("--sort=")]
    call_keys = ["--sort=calls", "--sort=failed", "--sort=last_call", "--sort=last_good"]
    system_sort = [a for a in sort if a not in call_keys]
    calls_sort = [a for a in sort if a in call_keys]
    uncut = [a for a in plain if not a.startswith("--top=")]
    # The systems, in the order of the summary of the same key and top
    # count, the row of the systems cut last.
    summary = json.loads(run(["--json", "--summary"] + system_sort + plain, zone))
    trs = rows(by_id(doc, "systems"), "tbody")
    got = [(text_of(r[0]), int(text_of(r[1])), exact_bytes(r[7]), exact_bytes(r[8]), exact_bytes(r[9]))
           for r in (list(tr) for tr in trs if tr.get("class") != "others")]
    want = [(s["address"], s["sessions"], s["traffic"], s["sent"], s["received"])
            for s in summary["systems"]]
    assert [g[1:] for g in got] == [w[1:] for w in want], "systems: %r %r" % (got, want)
    others = [list(tr) for tr in trs if tr.get("class") == "others"]
    if summary.get("others"):
        o = summary["others"]
        assert len(others) == 1 and (int(text_of(others[0][1])), exact_bytes(others[0][7])) == (
            o["sessions"], o["traffic"]), "the row of the systems cut"
        assert text_of(others[0][0]).split()[1] == str(o["systems"])
    else:
        assert not others, "a row of systems cut where none were"
    foot = list(rows(by_id(doc, "systems"), "tfoot")[0])
    t = summary["totals"]
    assert (int(text_of(foot[1])), exact_bytes(foot[7])) == (t["sessions"], t["traffic"]), "totals"
    # The ten systems with the most traffic, whatever the key and the top.
    every = json.loads(run(["--json", "--summary", "--sort=traffic", "--top=10"] + uncut, zone))
    busiest = by_id(doc, "busiest")
    got = [] if busiest is None else [
        (int(t.split(": ")[-1].split(", ")[1].split()[0]), int(t.split(", ")[-1].split()[0]))
        for t in (g.find(SVG + "title").text for g in busiest.iter(SVG + "g"))]
    assert got == [(s["sent"], s["received"]) for s in every["systems"]], "busiest: %r" % got
    # The chart, bar by bar.
    groups = json.loads(run(["--json", "--by=" + unit] + uncut, zone))
    bars = bar_titles(doc)
    assert [(b[0], b[1], b[2], b[3]) for b in bars] == [
        (g["group"], g["sessions"], g["sent"], g["received"]) for g in groups["groups"]], "bars"
    assert all((b[4] == 2) == (b[1] > 0) for b in bars), "an empty group is a gap"
    # The calls.
    calls = json.loads(run(["--json", "--calls"] + calls_sort + plain, zone))
    trs = [tr for tr in rows(by_id(doc, "calls"), "tbody") if tr.get("class") != "others"]
    got = [(int(text_of(r[1])), int(text_of(r[2])), "no-good" in (tr.get("class") or ""))
           for tr, r in ((tr, list(tr)) for tr in trs)]
    want = [(c["calls"], c["failed"], c["last_good"] is None) for c in calls["calls"]]
    assert got == want, "calls: %r %r" % (got, want)
    return page, doc, summary


def check(name, fn):
    global failed, passed
    try:
        fn()
        passed += 1
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError, IndexError, subprocess.CalledProcessError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))
    except html5lib.html5parser.ParseError as e:
        failed += 1
        print("FAIL %s: not well-formed HTML5: %s" % (name, e))


def write_history(path, lines):
    with open(path, "w") as f:
        for line in lines:
            f.write(line + "\n")


# Histories for the pages.
month = os.path.join(work, "month.hist")
write_history(month, ["tcpip,2:5020/%d,%d,%d,%s,0,%d,0,0,%d,0,0" % (
    i % 7, 1793491200 + i * 29000, 30 + i % 300, "OI"[i % 2], i * 1000, i * 700)
    for i in range(90) if i % 11 != 3])
years = os.path.join(work, "years.hist")
write_history(years, ["tcpip,2:5020/%d,%d,%d,O,0,%d,0,0,%d,0,0" % (
    i % 5, 1704067200 + i * 600000, 60 + i, i * 5000, i * 3000) for i in range(158)])
one = os.path.join(work, "one.hist")
write_history(one, ["tcpip,2:5020/1,1796169600,60,O,0,1000,0,0,2000,0,0"])
empty = os.path.join(work, "empty.hist")
write_history(empty, [])
hostile = os.path.join(inputs, "hostile.hist")

PAGES = [
    ("example", "Europe/Berlin", ["-a", "tcpip", example]),
    ("list of lines", "UTC", ["-a", "tcpip,ttyS1,cuaa1", example]),
    ("a month by day", "America/Havana", ["--since=2026-11", "--until=2026-11", "tcpip", month]),
    ("three years by month", "Australia/Lord_Howe", ["-a", "tcpip", years]),
    ("by week", "UTC", ["--by=week", "-a", "tcpip", years]),
    ("by line", "UTC", ["--by=line", "-a", "tcpip,ttyS1,x25", example]),
    ("one session", "UTC", ["-a", "tcpip", one]),
    ("empty", "UTC", ["-a", "tcpip", empty]),
    ("hostile addresses", "UTC", ["-a", "tcpip", hostile]),
    ("one net", "Europe/Berlin", ["--address=2:5020/*", "-a", "tcpip", example]),
    ("every line, hostile patterns", "UTC", ["--address=<b>*,2:*", "-a", "*", example]),
    ("sorted by traffic, top three", "UTC", ["--sort=traffic", "--top=3", "-a", "tcpip", example]),
    ("calls by the latest good one, top two", "UTC", ["--sort=last_good", "--top=2", "-a", "tcpip", example]),
    ("top past the rows", "UTC", ["--top=50", "-a", "tcpip", example]),
    ("a repeated hour", "Australia/Lord_Howe",
     ["--since=2026-04-05", "--until=2026-04-05", "tcpip", os.path.join(inputs, "clock-changes.hist")]),
]
for name, zone, args in PAGES:
    check(name, lambda: check_page(name, zone, args))


def hostile_texts():
    doc = parse(run(["--html", "-a", "tcpip", hostile]))
    addresses = [text_of(list(tr)[0]) for tr in rows(by_id(doc, "systems"), "tbody")]
    assert addresses == ['??[31mred?', '"q\'&amp;<b>', '<script>alert(1)</script>',
                         "caf\u00e9 ?x"], addresses
    flags = [text_of(list(tr)[3]) for tr in rows(by_id(doc, "log"), "tbody")]
    assert "<i>" in flags, flags
    calls = [text_of(list(tr)[0]) for tr in rows(by_id(doc, "calls"), "tbody")]
    assert "bad??utf" in calls, calls


check("hostile texts stay text, bad bytes show as ?", hostile_texts)


def address_patterns_named():
    doc = parse(run(["--html", "--address=2:5020/*", "--address=<i>", "-a", "tcpip", example]))
    assert text_of(by_id(doc, "addresses")) == "Addresses: 2:5020/*, <i>", text_of(by_id(doc, "addresses"))
    addresses = [text_of(list(tr)[0]) for tr in rows(by_id(doc, "systems"), "tbody")]
    assert addresses and all(a.startswith("2:5020/") for a in addresses), addresses
    assert by_id(parse(run(["--html", "-a", "tcpip", example])), "addresses") is None


check("the address patterns are named under the title", address_patterns_named)


def html_and_json():
    r = subprocess.run([qelmar, "--html", "--json", "tcpip", example], capture_output=True)
    assert r.returncode == 1 and r.stdout == b""
    assert r.stderr == b"Options '--html' and '--json' cannot be combined.\n", r.stderr


check("--html with --json is an error", html_and_json)


def ignored_with_page():
    r = subprocess.run([qelmar, "--full-time", "--calls", "--summary", "--html", "-a", "tcpip", example],
                       capture_output=True)
    assert r.returncode == 0 and r.stdout.startswith(b"<!DOCTYPE html>")
    assert r.stderr == (b"Ignored option '--full-time': it has no effect with '--html'.\n"
                        b"Ignored option '--calls': it has no effect with '--html'.\n"
                        b"Ignored option '--summary': it has no effect with '--html'.\n"), r.stderr


check("options of no effect with the page are told, in order", ignored_with_page)


def log_left_out():
    many = os.path.join(work, "many.hist")
    write_history(many, ["tcpip,2:5020/1,%d,60,O,0,1,0,0,1,0,0" % (1796169600 + i)
                         for i in range(5001)])
    doc = parse(run(["--html", "-a", "tcpip", many]))
    assert by_id(doc, "log") is None
    assert "5001 sessions" in text_of(by_id(doc, "log-left-out"))


check("a log of more than 5000 sessions is left out", log_left_out)


# Rendering in a real browser.
def png_colours(path):
    """The number of distinct pixel colours of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height, kind = 8, b"", 0, 0, 0
    while pos < len(data):
        size, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if tag == b"IHDR":
            width, height, depth, kind = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and kind in (2, 6)
        elif tag == b"IDAT":
            idat += body
        pos += 12 + size
    step = 3 if kind == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * step
    prev = bytearray(stride)
    colours = set()
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = prev[i]
            c = prev[i - step] if i >= step else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        if y % 4 == 0:
            colours.update(bytes(line[i:i + 3]) for i in range(0, stride, step * 4))
        prev = line
    return len(colours)


def chromium(args):
    profile = tempfile.mkdtemp(prefix="qelmar-chromium.")
    try:
        return subprocess.run(
            [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--hide-scrollbars", "--user-data-dir=" + profile] + args,
            capture_output=True, timeout=120)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def render(name, zone, args, bars, systems):
    page = os.path.join(work, name.replace(" ", "-") + ".html")
    with open(page, "wb") as f:
        f.write(run(["--html"] + args, zone))
    dom = parse(chromium(["--dump-dom", "file://" + page]).stdout)
    headings = [text_of(h) for h in dom.iter(NS + "h2")]
    assert headings[1:] == (["Most traffic"] if systems else []) + ["Systems", "Calls", "Sessions"], headings
    assert headings[0].startswith("Traffic by "), headings
    drawn = [g for g in by_id(dom, "chart").iter(SVG + "g") if g.findall(SVG + "rect")]
    assert len(drawn) == bars, "%d bars, not %d" % (len(drawn), bars)
    assert len(rows(by_id(dom, "systems"), "tbody")) == systems
    shot = os.path.join(keep or work, name.replace(" ", "-") + ".png")
    chromium(["--window-size=1200,1400", "--screenshot=" + shot, "file://" + page])
    assert png_colours(shot) > 8, "the screenshot is blank"


browser = shutil.which("chromium") or shutil.which("chromium-browser")
RENDERED = [
    ("empty report", "UTC", ["-a", "tcpip", empty], 0, 0),
    ("one session", "UTC", ["-a", "tcpip", one], 1, 1),
    ("month by day", "Europe/Berlin", ["--since=2026-11", "--until=2026-11", "tcpip", month], 30, 7),
    ("three years by month", "UTC", ["-a", "tcpip", years], 36, 5),
]
if browser is None:
    print("skip rendering: no chromium")
else:
    for name, zone, args, bars, systems in RENDERED:
        check("rendered: " + name, lambda: render(name, zone, args, bars, systems))

shutil.rmtree(work, ignore_errors=True)
print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
