#!/usr/bin/env python3
"""Checks qelmar's JSON against its text report.

   check_json.py QELMAR TOP

For each case the JSON document is parsed with Python's json module; the
text report is then made again from it alone, with formatters written here
from the report's column rules, and must equal the text report qelmar
prints for the same history, byte for byte. The totals must be the sums of
the systems, each session's traffic the sum of its bytes, the document
plain ASCII."""
import json
import os
import subprocess
import sys

qelmar, top = sys.argv[1], sys.argv[2]
inputs = os.path.join(top, "tests", "cli", "input")
example = os.path.join(top, "examples", "history")

CASES = [
    # zone, history, arguments before the line name, line
    ("UTC", example, ["-a"], "tcpip"),
    ("Europe/Berlin", example, ["-a"], "tcpip"),
    ("Australia/Lord_Howe", example, ["-a"], "tcpip,ttyS1,cuaa1"),
    ("UTC", os.path.join(inputs, "extremes.hist"), ["-a"], "tcpip"),
    ("UTC", os.path.join(inputs, "control.hist"), ["-a"], "tcpip"),
    ("UTC", os.path.join(inputs, "widths.hist"), ["-a"], "tcpip"),
    ("UTC", os.path.join(inputs, "split.hist"), ["-a"], "tcpip"),
    ("Europe/Berlin", os.path.join(inputs, "autumn.hist"),
     ["--since=2026-10-25", "--until=2026-11-30"], "tcpip"),
    ("Europe/Amsterdam", os.path.join(inputs, "autumn.hist"), ["--until=2026-11-01"], "tcpip"),
    ("UTC", example, ["--summary", "-a"], "tcpip"),
    ("UTC", example, [], "tcpip"),  # the last 24 hours: nothing, here
    # Tables of groups and of calls.
    ("Europe/Berlin", os.path.join(inputs, "clock-changes.hist"),
     ["--by=hour", "--since=2026-10-25", "--until=2026-10-25"], "tcpip"),
    ("Australia/Lord_Howe", os.path.join(inputs, "clock-changes.hist"), ["--by=day", "-a"], "tcpip"),
    ("America/Havana", os.path.join(inputs, "clock-changes.hist"), ["--by=week", "-a"], "tcpip"),
    ("UTC", os.path.join(inputs, "clock-changes.hist"), ["--by=month", "-a"], "tcpip"),
    ("UTC", os.path.join(inputs, "far-years.hist"), ["--by=year", "-a"], "tcpip"),
    ("UTC", example, ["--by=line", "-a"], "ttyS1,tcpip,cuaa1,x25"),
    ("UTC", os.path.join(inputs, "calls.hist"), ["--calls", "-a"], "tcpip"),
    ("Europe/Berlin", example, ["--calls", "-a"], "tcpip,ttyS1"),
    # One system at a time, and lines by pattern.
    ("UTC", os.path.join(inputs, "addresses.hist"), ["--address=2:*", "-a"], "tcpip"),
    ("Europe/Berlin", example, ["--address=2:5020/*", "--by=day", "-a"], "tcpip"),
    ("UTC", example, ["--address=2:5020/*,2:463/68", "--calls", "-a"], "tcpip"),
    ("UTC", example, ["-a"], "tty*,tcpip"),
]

I64 = 1 << 64


def wrap(v):
    v %= I64
    return v - I64 if v >= 1 << 63 else v


def u64(v):
    return v % I64


def trunc_div(a, b):
    if b == 0:
        return 0
    if b == -1:
        return wrap(-a)
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def duration(t):
    if t == 0:
        return " -:--:-- "
    h = int(t / 3600) if t >= 0 else -(-t // 3600)
    rest = t - h * 3600
    m = int(rest / 60) if rest >= 0 else -(-rest // 60)
    s = rest - m * 60
    return "%2d:%s:%s " % (u64(h), "%02d" % u64(m), "%02d" % u64(s))


def count(n):
    return "  - " if n == 0 else "%3d " % n


def scaled(v, k_from):
    if v >= 1048576:
        return "%4dm" % (v >> 20)
    if v >= k_from:
        return "%4dk" % (v >> 10)
    return "%5d" % u64(v)


def size(v):
    return scaled(v, 1024) + " "


def rate(v):
    return scaled(v, 100000)


def field_left(b, width):
    return b + b" " * max(0, width - len(b))


def field_right(b, width):
    return b" " * max(0, width - len(b)) + b


def raw(s):
    return s.encode("latin-1")


def middle(t):
    return (duration(t["online"]) + count(t["out_sessions"]) + duration(t["out_online"]) +
            count(t["in_sessions"]) + duration(t["in_online"]) + size(t["traffic"]) +
            size(t["sent"]) + size(t["received"]))


UNIT_WORDS = {"hour": "hrs.", "day": "days", "week": "wks.", "month": "mon.", "year": "yrs.",
              "line": "lin."}


def render_groups(doc, unit):
    """The table of groups as text: each column as wide as its widest value,
    at least as wide as the summary's, the label left, the sums right."""
    first = b"Line" if unit == "line" else b"Period"
    t = doc["totals"]
    rows = [(raw(g["group"]), g) for g in doc["groups"]]
    rows.append((("Total: %3d %s" % (t["groups"], UNIT_WORDS[unit])).encode(), t))

    def cells(r):
        return [("%d" % r["sessions"]).encode()] + [c.strip().encode() for c in (
            duration(r["online"]), count(r["out_sessions"]), duration(r["out_online"]),
            count(r["in_sessions"]), duration(r["in_online"]), size(r["traffic"]), size(r["sent"]),
            size(r["received"]), rate(r["cps"]))]
    label_w = max([15] + [len(label) for label, _ in rows])
    widths = [3, 8, 3, 8, 3, 8, 5, 5, 5, 5]
    for _, r in rows:
        widths = [max(w, len(c)) for w, c in zip(widths, cells(r))]
    headings = [b"Ses", b"Online ", b"O", b"Out.onl", b"I", b"Inc.onl", b"Traff", b"Out", b"Inc", b"CPS"]

    def line(label, texts):
        return field_left(label, label_w) + b"".join(b" " + field_right(c, w) for c, w in zip(texts, widths)) + b"\n"
    rule = b"-" * (label_w + sum(w + 1 for w in widths)) + b"\n"
    out = line(first, headings) + rule
    for label, g in rows[:-1]:
        out += line(label, cells(g))
    return out + rule + line(rows[-1][0], cells(t))


def minute(start):
    if start is None:
        return "never           "
    if start["time"] is None:
        return "????-??-?? ??:??"
    return start["time"][:10] + " " + start["time"][11:16]


def render_calls(doc):
    out = (b"Address          Calls  Fail  Last call         Last good              Error\n" +
           b"-" * 76 + b"\n")
    for c in doc["calls"]:
        error = "-" if c["last_error"] is None else str(c["last_error"])
        out += field_left(raw(c["address"]), 16) + (
            " %5d %5d  %s  %s %11s\n" % (c["calls"], c["failed"], minute(c["last_call"]),
                                         minute(c["last_good"]), error)).encode()
    t = doc["totals"]
    out += b"-" * 76 + b"\n"
    out += ("Total: %3d sys. %5d %5d\n" % (t["systems"], t["calls"], t["failed"])).encode()
    return out


def check_groups(doc):
    keys = ["online", "out_online", "in_online", "traffic", "sent", "received"]
    t = doc["totals"]
    for k in keys:
        assert t[k] == wrap(sum(g[k] for g in doc["groups"])), k
    assert t["sessions"] == sum(g["sessions"] for g in doc["groups"])
    assert t["groups"] == len(doc["groups"])
    spans = [(g["from"], g["to"]) for g in doc["groups"] if g["from"] is not None]
    for (a, b), (c, d) in zip(spans, spans[1:]):
        assert a <= b < c <= d, "spans out of order"


def check_calls(doc):
    t = doc["totals"]
    assert t["systems"] == len(doc["calls"])
    assert t["calls"] == sum(c["calls"] for c in doc["calls"])
    assert t["failed"] == sum(c["failed"] for c in doc["calls"])
    for c in doc["calls"]:
        assert (c["last_failed"] is None) == (c["last_error"] is None) == (c["failed"] == 0)
        assert (c["last_good"] is None) == (c["calls"] == c["failed"])


def render(doc, summary_only):
    out = (b"Address         Ses  Online    O  Out.onl   I  Inc.onl Traff   Out   Inc   CPS\n" +
           b"-" * 78 + b"\n")
    for s in doc["systems"]:
        out += field_left(raw(s["address"]), 16) + ("%3d " % s["sessions"] + middle(s) +
                                                     rate(s["cps"]) + "\n").encode()
    t = doc["totals"]
    out += b"-" * 78 + b"\n"
    out += ("Total: %3d sys. %3d " % (t["systems"], t["sessions"]) + middle(t) + rate(t["cps"]) +
            "\n").encode()
    if summary_only:
        return out
    out += b"\nTime     Address          Online  LPxE Traff   Out   Inc   CPS\n" + b"-" * 62 + b"\n"
    for s in doc["sessions"]:
        clock = s["time"][11:19] if s["time"] is not None else "??:??:??"
        out += (clock + " ").encode() + field_left(raw(s["address"]), 16)
        out += duration(s["online"]).encode() + field_right(raw(s["flags"]), 3)
        out += ("E " if s["error"] else "  ").encode()
        out += (size(s["traffic"]) + size(s["sent"]) + size(s["received"]) + rate(s["cps"]) +
                "\n").encode()
    out += b"-" * 62 + b"\n"
    out += ("Total: %3d session%s%20s\n" % (len(doc["sessions"]), " " * 24, doc["version"])).encode()
    return out


def check_sums(doc):
    keys = ["online", "out_online", "in_online", "traffic", "sent", "received"]
    t = doc["totals"]
    for k in keys:
        assert t[k] == wrap(sum(s[k] for s in doc["systems"])), k
    for k in ["out_sessions", "in_sessions"]:
        assert t[k] == sum(s[k] for s in doc["systems"]) % (1 << 32), k
    assert t["systems"] == len(doc["systems"])
    for s in doc["systems"]:
        assert s["traffic"] == wrap(s["sent"] + s["received"])
        assert s["cps"] == trunc_div(s["traffic"], s["online"])
    assert t["cps"] == (0 if t["traffic"] == 0 else trunc_div(t["traffic"], t["online"]))
    if "sessions" in doc:
        assert t["sessions"] == len(doc["sessions"])
        for s in doc["sessions"]:
            assert s["error"] == (s["error_number"] != 0)
            assert -(1 << 31) <= s["error_number"] < (1 << 31)
            assert s["traffic"] == wrap(s["sent"] + s["received"])
            assert s["cps"] == trunc_div(s["traffic"], s["online"])


failed = 0
for zone, history, before, line in CASES:
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    args = before + [line, history]
    text = subprocess.run([qelmar] + args, env=env, capture_output=True).stdout
    got = subprocess.run([qelmar, "--json"] + args, env=env, capture_output=True)
    name = "%s %s" % (zone, " ".join(args))
    try:
        body = got.stdout
        assert got.returncode == 0, "status %d" % got.returncode
        assert all(b < 0x80 for b in body), "not plain ASCII"
        doc = json.loads(body.decode("ascii"))
        assert doc["line"] == line
        by = [a[5:] for a in before if a.startswith("--by=")]
        if by or "--calls" in before:
            assert "systems" not in doc and "sessions" not in doc
            if by:
                check_groups(doc)
                made = render_groups(doc, by[0])
            else:
                check_calls(doc)
                made = render_calls(doc)
            if made != text:
                raise AssertionError("the table made from the JSON differs:\n%r\n%r" % (made, text))
            print("ok   %s" % name)
            continue
        summary_only = "--summary" in before
        assert ("sessions" in doc) != summary_only
        check_sums(doc)
        if not summary_only and not any(c in line for c in "*?[\\"):
            names = line.split(",")
            assert all(s["line"] in names for s in doc["sessions"])
        if before == []:
            assert doc["window"]["to"] - doc["window"]["from"] == 86400
        made = render(doc, summary_only)
        if made != text:
            raise AssertionError("the report made from the JSON differs:\n%r\n%r" % (made, text))
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))

# Each session's time, fed back as both ends of a period, selects exactly
# the sessions that started in that second, whatever the zone.
changes = os.path.join(inputs, "clock-changes.hist")
round_trips = 0
for zone in ["Europe/Berlin", "America/Havana", "Australia/Lord_Howe", "Europe/Amsterdam"]:
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    name = "%s: every session's time fed back" % zone
    try:
        doc = json.loads(subprocess.run([qelmar, "--json", "-a", "tcpip", changes], env=env,
                                        capture_output=True, check=True).stdout)
        for s in doc["sessions"]:
            period = ["--since", s["time"], "--until", s["time"]]
            got = json.loads(subprocess.run([qelmar, "--json"] + period + ["tcpip", changes], env=env,
                                            capture_output=True, check=True).stdout)
            want = [x for x in doc["sessions"] if x["start"] == s["start"]]
            assert got["sessions"] == want, "%s selects %r" % (s["time"], got["sessions"])
            assert got["window"] == {"from": s["start"], "to": s["start"]}, s["time"]
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError, subprocess.CalledProcessError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))
    round_trips += 1
# An address filter keeps exactly the rows of the systems it matches, with
# their own sums, in every view; the groups of a filtered history add up to
# its filtered summary.
filtered = 0
for zone, history, patterns in [("Europe/Berlin", example, "2:5020/*"),
                                 ("UTC", os.path.join(inputs, "addresses.hist"), "2:*,x?y"),
                                 ("UTC", os.path.join(inputs, "addresses.hist"), "nomatch")]:
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    name = "%s --address=%s" % (zone, patterns)

    def doc_of(*args):
        return json.loads(subprocess.run([qelmar, "--json", "-a"] + list(args) + ["tcpip", history], env=env,
                                         capture_output=True, check=True).stdout)
    try:
        every, some = doc_of(), doc_of("--address=" + patterns)
        assert some["addresses"] == patterns.split(","), some.get("addresses")
        assert "addresses" not in every
        kept = {s["address"] for s in some["systems"]}
        assert some["systems"] == [s for s in every["systems"] if s["address"] in kept]
        assert some["sessions"] == [s for s in every["sessions"] if s["address"] in kept]
        calls_every, calls_some = doc_of("--calls"), doc_of("--calls", "--address=" + patterns)
        assert calls_some["calls"] == [c for c in calls_every["calls"] if c["address"] in
                                       {c["address"] for c in calls_some["calls"]}]
        days = doc_of("--by=day", "--address=" + patterns)
        for k in ["sessions", "online", "traffic", "sent", "received", "cps"]:
            assert days["totals"][k] == some["totals"][k], k
        assert sum(g["sessions"] for g in days["groups"]) == some["totals"]["sessions"]
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError, subprocess.CalledProcessError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))
    filtered += 1
# Sorted and cut: the rows kept are the first of the whole table in the
# key's order, ties in the table's own order, and with the row of the rows
# cut they add up to the totals.
ranked = 0
for zone, history, view, rows_of, key in [
        ("UTC", example, ["--summary"], "systems", "traffic"),
        ("UTC", example, ["--summary"], "systems", "sessions"),
        ("Europe/Berlin", example, ["--by=hour"], "groups", "received"),
        ("UTC", os.path.join(inputs, "calls.hist"), ["--calls"], "calls", "failed")]:
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    name = "%s %s --sort=%s --top=2" % (zone, " ".join(view), key)

    def doc_of(*args):
        return json.loads(subprocess.run([qelmar, "--json", "-a"] + view + list(args) + ["tcpip", history],
                                         env=env, capture_output=True, check=True).stdout)
    try:
        whole, top = doc_of(), doc_of("--sort=" + key, "--top=2")
        want = sorted(whole[rows_of], key=lambda r: -r[key])
        assert top[rows_of] == want[:2], "the rows kept"
        assert top["totals"] == whole["totals"], "the totals"
        cut = want[2:]
        count = "groups" if rows_of == "groups" else "systems"
        assert top["others"][count] == len(cut)
        for k in (["calls", "failed"] if rows_of == "calls" else ["sessions", "online", "sent", "received"]):
            assert top["others"][k] == sum(r[k] for r in cut), k
        assert "others" not in whole and doc_of("--top=1000")["others"] is None
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError, TypeError, subprocess.CalledProcessError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))
    ranked += 1
print("%d passed, %d failed" % (len(CASES) + round_trips + filtered + ranked - failed, failed))
sys.exit(1 if failed else 0)
