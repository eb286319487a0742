#!/usr/bin/env python3
"""Checks that the text tables of groups line up, whatever their values.

   check_columns.py QELMAR

A month of busy days (over 1,000 sessions and 12 GiB a day), hours over a
day the clock goes back, and lines with long names: in every table, each
column of sums ends at the place where its heading ends, on every row,
the row of the rows cut and the totals line among them, and the rules are
as long as the rows."""
import os
import re
import subprocess
import sys
import tempfile

qelmar = sys.argv[1]
work = tempfile.mkdtemp(prefix="qelmar-columns.")
failed = passed = 0


def write(name, lines):
    path = os.path.join(work, name)
    with open(path, "w") as f:
        f.write("".join(line + "\n" for line in lines))
    return path


day = 1793491200  # 2026-11-01 00:00 UTC
month = write("month.hist", ["tcpip,2:5020/%d,%d,%d,O,0,%d,0,0,%d,0,0" % (
    i % 97, day + i * 2000, 400000 + i, 6500000 + i * 13, 900 + i) for i in range(1300 * 30)])
berlin = write("autumn.hist", ["tcpip,2:5020/1,%d,%d,IO,0,%d,0,0,%d,0,0" % (
    1792882800 + i * 300, 3600 * 30, 10 ** 9, 10 ** 8) for i in range(300)])
names = write("lines.hist", ["%s,2:5020/1,%d,60,O,0,1,0,0,1,0,0" % (name, day + i)
                             for i, name in enumerate(["tcpip", "a-very-long-line-name-indeed", "x"])])


def check(name, zone, args):
    global failed, passed
    env = dict(os.environ, TZ=zone, LC_ALL="C")
    text = subprocess.run([qelmar] + args, env=env, capture_output=True, check=True).stdout.decode()
    lines = text.splitlines()
    head, rule, total = lines[0], lines[1], lines[-1]
    # The ends of the ten columns of sums, from the totals line; the
    # heading "Online" stands one short of its column's end.
    ends = [m.end() for m in re.finditer(r"\S+", total)][-10:]
    try:
        assert rule == "-" * len(head), "the rule under the heading"
        for i, e in enumerate(ends):
            e -= 1 if i == 1 else 0
            assert head[e - 1] != " " and (e == len(head) or head[e] == " "), "a heading out of place"
        for line in lines[2:]:
            if set(line) == {"-"}:
                assert len(line) == len(head), "a rule"
                continue
            assert len(line) == len(head), "a row of another length: %r" % line
            for e in ends:
                assert line[e - 1] != " " and (e == len(line) or line[e] == " "), \
                    "a column that does not end under its heading: %r" % line
        passed += 1
        print("ok   %s" % name)
    except AssertionError as e:
        failed += 1
        print("FAIL %s: %s\n%s" % (name, e, text))


check("a month of busy days", "UTC", ["--by=day", "-a", "tcpip", month])
check("the busiest days, the rest as one row", "UTC", ["--by=day", "--sort=traffic", "--top=5", "-a", "tcpip", month])
check("weeks", "Europe/Berlin", ["--by=week", "-a", "tcpip", month])
check("hours of the day the clock goes back", "Europe/Berlin",
      ["--by=hour", "--since=2026-10-25", "--until=2026-10-25", "tcpip", berlin])
check("long line names", "UTC", ["--by=line", "-a", "tcpip,a-very-long-line-name-indeed,x,none", names])
print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
