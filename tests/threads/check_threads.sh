#!/bin/sh
# Reads one generated history with 1, 2, 3, 7 and 16 threads in every view
# and checks that each run prints what one thread prints, byte for byte,
# with the same notices and exit status.
#
#   check_threads.sh QELMAR
#
# The history holds 60,000 lines of several line names, incomplete lines,
# NUL bytes, calls of no time, error numbers, runs of 2,000-byte addresses
# (more text than a stretch of the log is given room for), one
# 700,000-byte address, and a last line without its line feed.
set -u
LC_ALL=C
TZ=Europe/Berlin
export LC_ALL TZ

qelmar=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-threads.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
hist=$work/history

awk 'function repeat(c, n,    s) {
    s = c
    while (2 * length(s) <= n)
        s = s s
    return s substr(s, 1, n - length(s))
}
BEGIN {
    srand(7)
    long = repeat("8", 2000)
    huge = repeat("9", 700000)
    t = 1790000000
    for (i = 0; i < 60000; i++) {
        t += int(rand() * 120)
        r = rand()
        line = r < 0.7 ? "tcpip" : r < 0.85 ? "ttyS1" : r < 0.95 ? "cuaa1" : "x25"
        address = "2:" int(rand() * 60) "/" int(rand() * 500)
        if (i >= 30000 && i < 30400) address = "2:5020/" long i
        if (i == 45000) address = "2:5020/" huge
        duration = rand() < 0.1 ? 0 : int(rand() * 4000)
        flags = rand() < 0.5 ? "I" : "O"
        error = rand() < 0.05 ? int(rand() * 10) - 2 : 0
        if (i % 997 == 0) {
            printf "%s,%s,%d\n", line, address, t
            continue
        }
        if (i % 1499 == 0)
            printf "%s,%s,%d,%d,%s,%d,1,2,3\0junk,4,5,6\n", line, address, t, duration, flags, error
        else
            printf "%s,%s,%d,%d,%s,%d,%d,%d,%d,%d,%d,%d\n", line, address, t, duration, flags, error,
                int(rand() * 1e6), int(rand() * 1e5), int(rand() * 1e4),
                int(rand() * 1e6), int(rand() * 1e5), int(rand() * 1e4)
    }
    printf "tcpip,2:1/1,%d,10,I,0,1,1,1,1,1,1", t + 5
}' > "$hist" || exit 1

failed=0
check() {
    "$qelmar" --threads=1 "$@" > "$work/want.out" 2> "$work/want.err"
    echo $? > "$work/want.rc"
    for n in 2 3 7 16; do
        "$qelmar" --threads=$n "$@" > "$work/got.out" 2> "$work/got.err"
        echo $? > "$work/got.rc"
        for part in out err rc; do
            # The page tells when it was made: the second may have turned.
            sed '/^<p class="meta">Made /d' "$work/want.$part" > "$work/a"
            sed '/^<p class="meta">Made /d' "$work/got.$part" > "$work/b"
            if ! cmp -s "$work/a" "$work/b"; then
                echo "FAIL --threads=$n $* ($part)"
                diff "$work/a" "$work/b" | head -5 | cut -c1-160
                failed=1
            fi
        done
    done
}

check -a tcpip "$hist"
check --full-time -a tcpip,ttyS1 "$hist"
check --summary -a tcpip "$hist"
check --json -a cuaa1,tcpip "$hist"
check --since=2026-09-20 --until=2026-10-05 tcpip "$hist"
check --by=day -a tcpip "$hist"
check --by=hour --since=2026-10-25 --until=2026-10-25 tcpip "$hist"
check --by=line -a tcpip,ttyS1,x25 "$hist"
check --calls -a tcpip "$hist"
check --calls --json -a ttyS1 "$hist"
check --html -a tcpip "$hist"
check --html --since=2026-10-01 --until=2026-10-02 tcpip "$hist"
check -a nosuch,other "$hist"
check --files -a tcpip "$hist" "$hist"

[ "$failed" = 0 ] && echo "every thread count printed the same"
[ "$failed" = 0 ]
