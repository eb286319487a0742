#!/bin/sh
# Fault tests: what the system does around qelmar, each with its exact
# standard output, standard error and exit status.
#
#   run_faults.sh QELMAR [sanitized]
#
# "sanitized" skips the address-space limit, which such builds cannot run
# under. Every skipped check says why.

set -u
LC_ALL=C
TZ=UTC
export LC_ALL TZ

qelmar=$1
sanitized=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
top=$here/../..
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-faults.XXXXXX") || exit 1
trap '[ -n "$writer" ] && kill $writer 2>/dev/null; chmod -R u+rwx "$work"; rm -rf "$work"' EXIT INT TERM
writer=
passed=0
failed=0
skipped=0

example=$top/examples/history
example_out=$top/tests/cli/expected/example-all.out
# The notice of the failed calls that follows the example's report.
failures="Failed calls: 4 of 23; no good call from 1 system.
No good call from: 2:5020/9999.
"

# check NAME WANT_OUT_FILE WANT_ERR_TEXT WANT_RC: compares $work/out,
# $work/err and $rc with what is wanted.
check() {
    printf '%s' "$3" > "$work/want.err"
    ok=1
    if ! cmp -s "$2" "$work/out"; then
        ok=0; echo "FAIL $1: standard output"; diff -u "$2" "$work/out" | head -20 | sed 's/^/    /'
    fi
    if ! cmp -s "$work/want.err" "$work/err"; then
        ok=0; echo "FAIL $1: standard error"; diff -u "$work/want.err" "$work/err" | sed 's/^/    /'
    fi
    if [ "$rc" != "$4" ]; then
        ok=0; echo "FAIL $1: exit status $rc, not $4"
    fi
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

skip() {
    echo "skip $1: $2"
    skipped=$((skipped + 1))
}

empty=$work/empty
: > "$empty"

# A directory: opened, then the read fails.
"$qelmar" -a tcpip "$work" > "$work/out" 2> "$work/err"; rc=$?
check directory "$empty" "Cannot read input file '$work'.
" 1

# A path that does not exist.
"$qelmar" -a tcpip "$work/nosuch" > "$work/out" 2> "$work/err"; rc=$?
check missing "$empty" "Cannot open input file '$work/nosuch'.
" 1

# A file that may not be read. Root reads anything, so as root the check
# runs as nobody where setpriv can switch to it.
cp "$example" "$work/secret"
chmod 000 "$work/secret"
chmod 755 "$work"
if [ "$(id -u)" != 0 ]; then
    "$qelmar" -a tcpip "$work/secret" > "$work/out" 2> "$work/err"; rc=$?
    check unreadable "$empty" "Cannot open input file '$work/secret'.
" 1
elif command -v setpriv > /dev/null 2>&1; then
    cp "$qelmar" "$work/qelmar-copy"
    chmod 755 "$work/qelmar-copy"
    setpriv --reuid=65534 --regid=65534 --clear-groups "$work/qelmar-copy" -a tcpip "$work/secret" \
        > "$work/out" 2> "$work/err"; rc=$?
    check unreadable "$empty" "Cannot open input file '$work/secret'.
" 1
else
    skip unreadable "running as root, which reads any file, without setpriv to run as nobody"
fi

# The history from a pipe through /dev/stdin, and from a named pipe.
cat "$example" | "$qelmar" -a tcpip /dev/stdin > "$work/out" 2> "$work/err"; rc=$?
check stdin-pipe "$example_out" "$failures" 0
if mkfifo "$work/fifo" 2> /dev/null; then
    cat "$example" > "$work/fifo" &
    "$qelmar" -a tcpip "$work/fifo" > "$work/out" 2> "$work/err"; rc=$?
    wait
    check named-pipe "$example_out" "$failures" 0
else
    skip named-pipe "mkfifo failed"
fi

# Standard output that cannot take the report: full, or closed.
if [ -w /dev/full ]; then
    "$qelmar" -a tcpip "$example" > /dev/full 2> "$work/err"; rc=$?
    : > "$work/out"
    check dev-full "$empty" "${failures}Cannot write report.
" 1
else
    skip dev-full "no /dev/full"
fi
"$qelmar" -a tcpip "$example" >&- 2> "$work/err"; rc=$?
: > "$work/out"
check stdout-closed "$empty" "${failures}Cannot write report.
" 1

# A standard output set not to block, read only after a pause: the writes
# wait for room, and the whole report arrives.
awk 'BEGIN { for (i = 0; i < 3000; i++) printf "tcpip,2:5020/%d,1796169600,60,O,0,1,2,3,4,5,6\n", i % 50 }' \
    > "$work/many"
"$qelmar" -a tcpip "$work/many" > "$work/many.out" 2> /dev/null
if command -v python3 > /dev/null 2>&1; then
    python3 "$here/nonblock_run.py" "$qelmar" -a tcpip "$work/many" > "$work/out" 2> "$work/err"; rc=$?
    check nonblocking-stdout "$work/many.out" "" 0
else
    skip nonblocking-stdout "no python3 to set up the pipe"
fi

# A standard input set not to block, written slower than it is read: the
# reads wait for data, and the whole report comes out.
if command -v python3 > /dev/null 2>&1; then
    python3 "$here/nonblock_stdin.py" "$work/many" "$qelmar" -a tcpip - > "$work/out" 2> "$work/err"; rc=$?
    check nonblocking-stdin "$work/many.out" "" 0
else
    skip nonblocking-stdin "no python3 to set up the pipe"
fi

# Lines longer than the read buffer, passed over without being kept,
# still name their lines: no false notice, and the list is whole.
awk 'BEGIN { s = "O"; while (length(s) < 300000) s = s s
    print "tcpip,2:1/1,1796169600,0," s ",0,1,2,3,4,5,6"
    print "cuaa1,2:1/1,1796169600,60," s ",0,1,2,3,4,5,6"
    print "ttyS1,2:1/2,1796169600,60,O,0,1,2,3,4,5,6" }' > "$work/long-names"
"$qelmar" -a tcpip "$work/long-names" > /dev/null 2> "$work/err"; rc=$?
: > "$work/out"
check long-line-named "$empty" "" 0
"$qelmar" -a xyz "$work/long-names" > /dev/null 2> "$work/err"; rc=$?
check long-lines-listed "$empty" "No line of the file names 'xyz'.
Lines in the file: cuaa1, tcpip, ttyS1.
" 0

# A file size limit: the write fails, and the run says so instead of being
# killed by the signal; what was written is the report's beginning.
(ulimit -f 1 && exec "$qelmar" -a tcpip "$example") > "$work/limited" 2> "$work/err"; rc=$?
: > "$work/out"
check file-size-limit "$empty" "${failures}Cannot write report.
" 1
if [ -s "$work/limited" ] && cmp -s "$work/limited" "$example_out" 2> /dev/null; then
    failed=$((failed + 1)); echo "FAIL file-size-limit: the whole report was written"
elif ! head -c "$(wc -c < "$work/limited")" "$example_out" | cmp -s - "$work/limited"; then
    failed=$((failed + 1)); echo "FAIL file-size-limit: what was written is not the report's start"
fi

# A small stack: the report buffer does not live there.
if [ -n "$sanitized" ]; then
    skip small-stack "sanitizer builds need a larger stack of their own"
else
    (ulimit -s 48 && exec "$qelmar" -a tcpip "$example") > "$work/out" 2> "$work/err"; rc=$?
    check small-stack "$example_out" "$failures" 0
fi

# One free descriptor: the zone is loaded before the history file takes it,
# so the Time column is local time, not UTC.
if [ -r /usr/share/zoneinfo/America/New_York ]; then
    TZ=America/New_York "$qelmar" -a tcpip "$example" > "$work/ny.out" 2> /dev/null
    (exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-; ulimit -n 4 && TZ=America/New_York exec "$qelmar" -a tcpip "$example") \
        > "$work/out" 2> "$work/err"; rc=$?
    check one-free-descriptor "$work/ny.out" "$failures" 0
    cmp -s "$work/ny.out" "$example_out" && { failed=$((failed + 1)); echo "FAIL one-free-descriptor: New York time is UTC"; }
else
    skip one-free-descriptor "no America/New_York zone file"
fi

# Out of memory: a 20 MB line needs a larger buffer than a 30 MB address
# space holds.
if [ -n "$sanitized" ]; then
    skip out-of-memory "sanitizer builds reserve far more address space than the limit"
else
    awk 'BEGIN { printf "tcpip,"; for (i = 0; i < 400000; i++) printf "%050d", i; print ",1,60,O,0,1,2,3,4,5,6" }' \
        > "$work/huge"
    (ulimit -v 30000 && exec "$qelmar" -a tcpip "$work/huge") > "$work/out" 2> "$work/err"; rc=$?
    echo "Not enough memory to allocate buffer" > "$work/want.out"
    check out-of-memory "$work/want.out" "" 1
    rm -f "$work/huge"
    # The same line in the second of two parts, read by a thread of its
    # own while the first part is read: the message alone, before any
    # report.
    awk 'BEGIN { for (i = 0; i < 400000; i++) printf "tcpip,2:%d/1,%d,60,O,0,1,2,3,4,5,6\n", i % 97, 1796169600 + i
        printf "tcpip,2:1/"; for (i = 0; i < 400000; i++) printf "%050d", i; print ",1,60,O,0,1,2,3,4,5,6" }' \
        > "$work/huge"
    (ulimit -v 60000 && exec "$qelmar" --threads=2 --summary -a tcpip "$work/huge") > "$work/out" 2> "$work/err"; rc=$?
    check out-of-memory-in-a-thread "$work/want.out" "" 1
    rm -f "$work/huge"
fi

# Every address-space limit, in small steps from the smallest at which the
# program starts (below it the loader gives up, status 127) up to one at
# which the report is printed: each run prints either the whole report or
# the out-of-memory message alone. Again with two threads, which read the
# file in two parts and format its log at once where the limit lets them
# start, and leave the work to the one thread where it does not.
if [ -n "$sanitized" ]; then
    skip memory-sweep "sanitizer builds reserve far more address space than any limit here"
else
    awk 'BEGIN { for (i = 0; i < 20000; i++)
        printf "tcpip,2:%d/%d,%d,60,%s,0,1,2,3,4,5,6\n", i % 97, i % 5000, 1796169600 + i * 37, (i % 3 ? "O" : "IO") }' \
        > "$work/sweep"
    TZ=Europe/Berlin "$qelmar" -a tcpip "$work/sweep" > "$work/sweep.out" 2> /dev/null
    echo "Not enough memory to allocate buffer" > "$work/oom.out"
    for threads in 1 2; do
        limit=2048 started= bad= reports=0
        while [ $limit -lt 262144 ] && [ $reports -lt 8 ]; do
            (ulimit -v $limit && TZ=Europe/Berlin exec "$qelmar" --threads=$threads -a tcpip "$work/sweep") \
                > "$work/out" 2> "$work/err"
            rc=$?
            if [ $rc != 127 ] || [ -n "$started" ]; then
                started=$limit
                if [ $rc = 0 ] && cmp -s "$work/out" "$work/sweep.out" && [ ! -s "$work/err" ]; then
                    reports=$((reports + 1))
                elif [ $rc = 1 ] && cmp -s "$work/out" "$work/oom.out" && [ ! -s "$work/err" ]; then
                    :
                else
                    bad="$bad $limit:$rc"
                fi
            fi
            limit=$((limit + 8))
        done
        if [ -n "$started" ] && [ $reports -gt 0 ] && [ -z "$bad" ]; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "FAIL memory-sweep, $threads threads: up to ${started:-none} KiB; other results at$bad"
        fi
    done
fi

# A small compressed file that expands to a gigabyte (a run of zeros, and
# an endless line of another line) is read in bounded memory, in a 120 MB
# address-space limit.
if [ -n "$sanitized" ]; then
    skip compressed-bomb "sanitizer builds reserve far more address space than the limit"
elif ! command -v zstd > /dev/null 2>&1; then
    skip compressed-bomb "no zstd to make the file"
elif ! "$qelmar" -a tcpip "$top/tests/cli/input/history.zst" > /dev/null 2>&1; then
    skip compressed-bomb "this build reads plain files only"
else
    half=536870912
    {
        echo "tcpip,2:1/1,1796169600,60,O,0,1,2,3,4,5,6"
        head -c $half /dev/zero; echo
        printf 'cuaa1,'; head -c $half /dev/zero | tr '\0' 'y'; echo ",1796169600,60,O,0,1,2,3,4,5,6"
        echo "tcpip,2:1/2,1796169600,60,I,0,1,2,3,4,5,6"
    } | zstd -q -c > "$work/bomb.zst"
    (ulimit -v 120000 && exec "$qelmar" -a tcpip "$work/bomb.zst") > "$work/out" 2> "$work/err"; rc=$?
    sessions=$(sed -n 's/^Total: *\([0-9]*\) session .*/\1/p' "$work/out")
    if [ "$rc" = 0 ] && [ "$sessions" = 2 ] && [ ! -s "$work/err" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); echo "FAIL compressed-bomb: rc $rc, ${sessions:-no} sessions"; head -3 "$work/err"
    fi
    rm -f "$work/bomb.zst"
fi

# Lines whose rest cannot matter are passed over without being kept: 24 MB
# of garbage, a line whose text ends at a NUL before 24 MB of zeros, and a
# 24 MB address of another line, all under a 20 MB address-space limit.
if [ -n "$sanitized" ]; then
    skip skipped-lines "sanitizer builds reserve far more address space than the limit"
else
    big=25165824
    {
        echo "tcpip,2:1/1,1796169600,60,O,0,1,2,3,4,5,6"
        head -c $big /dev/zero | tr '\0' 'x'; echo
        echo "tcpip,2:1/2,1796169600,60,I,0,1,2,3,4,5,6"
        printf 'tcpip,2:1/3,1796169600,60,O,0,1,2,3,4,5,6\0'; head -c $big /dev/zero; echo
        printf 'cuaa1,'; head -c $big /dev/zero | tr '\0' 'y'; echo ",1796169600,60,O,0,1,2,3,4,5,6"
        echo "tcpip,2:1/4,1796169600,60,I,0,1,2,3,4,5,6"
    } > "$work/garbage"
    (ulimit -v 20000 && exec "$qelmar" -a tcpip "$work/garbage") > "$work/out" 2> "$work/err"; rc=$?
    sessions=$(sed -n 's/^Total: *\([0-9]*\) session .*/\1/p' "$work/out")
    if [ "$rc" = 0 ] && [ "$sessions" = 4 ] && [ ! -s "$work/err" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1)); echo "FAIL skipped-lines: rc $rc, ${sessions:-no} sessions"; head -3 "$work/err"
    fi
    rm -f "$work/garbage"
    # /dev/zero never ends, and never grows the memory: the run is still
    # reading when the time is up.
    if command -v timeout > /dev/null 2>&1; then
        (ulimit -v 20000 && exec timeout 2 "$qelmar" -a tcpip /dev/zero) > "$work/out" 2> "$work/err"; rc=$?
        check dev-zero "$empty" "" 124
    else
        skip dev-zero "no timeout command"
    fi
fi

# A line of several megabytes with a field of a megabyte: one session,
# its address printed whole.
awk 'BEGIN { printf "tcpip,"; for (i = 0; i < 20000; i++) printf "%050d", i;
             printf ",1,60,O,0,"; for (i = 0; i < 100000; i++) printf "0000000000"; print "7,0,0,1,2,3" }' \
    > "$work/long"
"$qelmar" -a tcpip "$work/long" > "$work/out" 2> "$work/err"; rc=$?
awk 'BEGIN { for (i = 0; i < 20000; i++) printf "%050d", i; print "" }' > "$work/address"
sed -n 3p "$work/out" | cut -c1-1000000 > "$work/row"
if [ "$rc" = 0 ] && cmp -s "$work/address" "$work/row" &&
   grep -q '^Total:   1 session ' "$work/out" && [ ! -s "$work/err" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1)); echo "FAIL long-line: rc $rc"
fi

# A file that grows while it is read: the run ends, counts only complete
# lines, and its tables agree with each other. The writer appends a bounded
# amount, a line in two writes, so that the run meets half lines.
i=0
while [ $i -lt 20000 ]; do
    echo "tcpip,2:5020/$((i % 50)),1796169600,60,O,0,1,2,3,4,5,6"
    i=$((i + 1))
done > "$work/growing"
( i=0
  while [ $i -lt 100000 ]; do
      printf 'tcpip,2:5020/77,1796169600,'
      printf '60,IO,0,1,2,3,4,5,6\n'
      i=$((i + 1))
  done >> "$work/growing" ) &
writer=$!
"$qelmar" -a tcpip "$work/growing" > "$work/out" 2> "$work/err"; rc=$?
wait $writer; writer=
rows=$(awk '/^Time /{inlog = 1; next} inlog && /^[0-9?][0-9?]:/{n++} END {print n + 0}' "$work/out")
logged=$(sed -n 's/^Total: *\([0-9]*\) session .*/\1/p' "$work/out")
summed=$(sed -n 's/^Total: *[0-9]* sys\. *\([0-9]*\) .*/\1/p' "$work/out")
lines=$(wc -l < "$work/growing")
if [ "$rc" = 0 ] && [ "$rows" = "$logged" ] && [ "$rows" = "$summed" ] &&
   [ "$rows" -ge 20000 ] && [ "$rows" -le "$lines" ] && [ ! -s "$work/err" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    echo "FAIL growing-file: rc $rc, rows $rows, count line $logged, summary $summed, file $lines"
fi

# A terminal: control bytes in addresses and letters come out as '?'; the
# same file to a pipe keeps every byte (a golden case checks that).
control=$top/tests/cli/input/control.hist
if command -v python3 > /dev/null 2>&1; then
    python3 "$here/pty_run.py" "$qelmar" -a tcpip "$control" > "$work/out" 2> "$work/err"; rc=$?
    check terminal "$here/terminal.out" "" 0
else
    skip terminal "no python3 for a pseudo-terminal"
fi

# The history file is never written: same bytes, same modification time.
cp "$example" "$work/kept"
touch -t 200001010000 "$work/kept"
touch -t 200001010001 "$work/marker"
sum_before=$(cksum < "$work/kept")
"$qelmar" -a tcpip "$work/kept" > /dev/null 2>&1
"$qelmar" tcpip "$work/kept" > /dev/null 2>&1
if [ "$(cksum < "$work/kept")" = "$sum_before" ] && [ ! "$work/kept" -nt "$work/marker" ]; then
    passed=$((passed + 1))
else
    failed=$((failed + 1)); echo "FAIL read-only: the history file changed"
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
