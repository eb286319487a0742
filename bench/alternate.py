#!/usr/bin/env python3
"""Alternates two builds on the same arguments and compares their CPU time.

   alternate.py OLD NEW ROUNDS -- ARGS...

Each round runs OLD and NEW once each, in turns (OLD first in even
rounds), standard output to /dev/null, on one core where the system lets a
process choose (AB_CPU, default 1), and takes each run's user and system
time from wait4. Prints each build's median and the median of the ratios
NEW/OLD within the rounds, with their quartiles: slow swings of a shared
machine hit both runs of a round alike and cancel out."""
import os
import statistics
import sys

old, new, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
args = sys.argv[sys.argv.index("--") + 1:]
cpu = int(os.environ.get("AB_CPU", "1"))


def once(binary):
    pid = os.fork()
    if pid == 0:
        if hasattr(os, "sched_setaffinity"):
            os.sched_setaffinity(0, {cpu})
        os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
        os.execv(binary, [binary] + args)
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        sys.exit("%s failed" % binary)
    return usage.ru_utime + usage.ru_stime


times = {old: [], new: []}
for i in range(rounds):
    for binary in (old, new) if i % 2 == 0 else (new, old):
        times[binary].append(once(binary))
for binary in (old, new):
    print("%s: median %.1f ms" % (binary, statistics.median(times[binary]) * 1000))
ratios = [n / o for o, n in zip(times[old], times[new])]
q = statistics.quantiles(ratios, n=4)
print("new/old: %.3f (quartiles %.3f to %.3f, %d rounds)" % (statistics.median(ratios), q[0], q[2], rounds))
