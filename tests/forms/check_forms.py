#!/usr/bin/env python3
"""Checks the CSV and the metrics forms against the JSON of the same options.

   check_forms.py QELMAR TOP

CSV: parsed by Python's csv module and compared, field by field, with the
rows of the JSON document of the same options, for every view, on the
bundled example and a hostile history (quotes, carriage returns, control
bytes, bytes that are not UTF-8, and every lead byte of a spreadsheet
formula in addresses, line names and status letters).

Metrics: `promtool check metrics` (where it is installed) prints nothing,
the parser of the Prometheus client library (where it is installed) reads
them, and every sample equals the figures of the JSON calls and summary of
each line; a hostile address adds no line, label or sample of its own."""
import csv
import io
import json
import os
import shutil
import subprocess
import sys

qelmar, top = sys.argv[1], sys.argv[2]
inputs = os.path.join(top, "tests", "cli", "input")
example = os.path.join(top, "examples", "history")
hostile = os.path.join(inputs, "hostile-forms.hist")
failed = passed = 0


def run(args, zone="UTC"):
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    r = subprocess.run([qelmar] + args, env=env, capture_output=True)
    assert r.returncode == 0, "%s: status %d %r" % (args, r.returncode, r.stderr)
    return r.stdout


def check(name, fn):
    global failed, passed
    try:
        fn()
        passed += 1
        print("ok   %s" % name)
    except (AssertionError, KeyError, ValueError, IndexError, subprocess.CalledProcessError) as e:
        failed += 1
        print("FAIL %s: %s" % (name, e))


def text(v):
    """A JSON value as its CSV field should read: the time of an object,
    nothing for null, true and false, numbers exactly."""
    if isinstance(v, dict):
        return text(v["time"])
    if v is None:
        return ""
    if v is True or v is False:
        return "true" if v else "false"
    return str(v)


def csv_against_json(args, member, zone="UTC"):
    body = run(["--csv"] + args, zone)
    assert all(b != 0 for b in body), "a NUL byte"
    rows = list(csv.reader(io.StringIO(body.decode("latin-1"), newline="")))
    doc = json.loads(run(["--json"] + args, zone))
    want = doc[member]
    assert rows[0] == list(want[0].keys()) if want else rows[0], "the header %r" % rows[0]
    assert len(rows) == len(want) + 1, "%d records for %d rows" % (len(rows) - 1, len(want))
    for record, row in zip(rows[1:], want):
        for field, (key, value) in zip(record, row.items()):
            expected = text(value)
            if isinstance(value, str) and value[:1] in "=+-@\t\r" and key in ("line", "address", "flags", "group"):
                assert field[:1] == "'", "%s %r is not guarded" % (key, field)
                field = field[1:]
            assert field == expected, "%s: %r, not %r" % (key, field, expected)
        assert len(record) == len(row), "a record of %d fields" % len(record)


for history in [example, hostile]:
    name = os.path.basename(history)
    check("CSV of the report, %s" % name, lambda: csv_against_json(["-a", "tcpip,=tty", history], "sessions"))
    check("CSV of the summary, %s" % name,
          lambda: csv_against_json(["--summary", "--sort=traffic", "--top=4", "-a", "tcpip", history], "systems"))
    check("CSV by day, %s" % name,
          lambda: csv_against_json(["--by=day", "-a", "tcpip", history], "groups", "Europe/Berlin"))
    check("CSV by line, %s" % name,
          lambda: csv_against_json(["--by=line", "-a", "tcpip,=tty,x25", history], "groups"))
    check("CSV of the calls, %s" % name,
          lambda: csv_against_json(["--calls", "-a", "tcpip,=tty", history], "calls", "America/Havana"))


def guarded_bytes():
    body = run(["--csv", "-a", "tcpip,=tty", hostile]) + run(["--csv", "--calls", "-a", "tcpip,=tty", hostile])
    for lead in [b'"\'=1+2"', b'"\'+cmd"', b'"\'-2:1/1"', b'"\'@sum"', b'"\'@O"', b'"\'\tI"', b'"\'\rO"',
                 b'"\'=tty"', b'"cr\rin"', b'"2:5020/""52"""']:
        assert lead in body, "%r is not in the CSV" % lead
    assert b"bad\xff\xfeutf" in body and b"ctl\x01\x1b[2J" in body, "bytes kept as they are"


check("CSV: formula leads guarded, quotes doubled, other bytes as they are", guarded_bytes)


def metrics_figures(history, lines):
    body = run(["--metrics", lines, history])
    promtool = shutil.which("promtool")
    if promtool:
        r = subprocess.run([promtool, "check", "metrics"], input=body, capture_output=True)
        assert r.returncode == 0 and r.stdout == b"" and r.stderr == b"", "promtool: %r %r" % (r.stdout, r.stderr)
    try:
        from prometheus_client.parser import text_string_to_metric_families
    except ImportError:
        print("     (no prometheus_client: the samples are read by hand)")
        text_string_to_metric_families = None
    samples = {}
    if text_string_to_metric_families:
        for family in text_string_to_metric_families(body.decode("utf-8")):
            for s in family.samples:
                samples[(s.name, s.labels.get("line"), s.labels.get("address"))] = s.value
    # Each line on its own, through the JSON.
    for line in lines.split(","):
        calls = json.loads(run(["--calls", "--json", "-a", line, history]))["calls"]
        systems = {s["address"]: s for s in json.loads(run(["--summary", "--json", "-a", line, history]))["systems"]}
        for c in calls:
            key = lambda n: (n, line, c["address"])
            if not samples or key("qelmar_calls_total") not in samples:
                continue  # a label changed by '?': checked apart
            s = systems.get(c["address"], {})
            assert samples[key("qelmar_calls_total")] == c["calls"]
            assert samples[key("qelmar_failed_calls_total")] == c["failed"]
            assert samples[key("qelmar_sessions_total")] == s.get("sessions", 0)
            assert samples[key("qelmar_online_seconds_total")] == s.get("online", 0)
            assert samples[key("qelmar_sent_bytes_total")] == s.get("sent", 0)
            assert samples[key("qelmar_received_bytes_total")] == s.get("received", 0)
            assert samples[key("qelmar_last_call_timestamp_seconds")] == c["last_call"]["start"]
            good = key("qelmar_last_good_call_timestamp_seconds")
            assert (samples.get(good) == c["last_good"]["start"]) if c["last_good"] else good not in samples
    return body, samples


check("metrics of the example", lambda: metrics_figures(example, "tcpip,ttyS1,cuaa1"))


def hostile_metrics():
    body, samples = metrics_figures(hostile, "tcpip,=tty")
    lines = body.decode("utf-8").splitlines()
    families = [l.split()[2] for l in lines if l.startswith("# TYPE ")]
    assert len(families) == 9, families
    data = [l for l in lines if not l.startswith("#")]
    # Eleven addresses on tcpip, two differing only in control bytes made
    # one, two on =tty: 12 series of each counter, and the skipped gauge.
    assert sum(1 for l in data if l.startswith("qelmar_calls_total{")) == 12, data
    for l in data:
        assert l.startswith("qelmar_"), "a line that is not a sample: %r" % l
        if "{" in l:
            labels = l[l.index("{") + 1:l.rindex("}")]
            assert labels.startswith('line="') and '",address="' in labels, l
    merged = ("qelmar_calls_total", "tcpip", "ctl??[2J")
    if samples:
        assert samples[merged] == 2, "the two addresses that differ in control bytes"
        assert ("qelmar_calls_total", "tcpip", "bad??utf") in samples
        assert ("qelmar_calls_total", "tcpip", '2:5020/"52"') in samples


check("hostile addresses cannot break the metrics", hostile_metrics)
print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
