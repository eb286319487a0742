#!/bin/sh
# Checks that what README.md and the manual show is what qelmar does: the
# sample report is the output of make run's command, and every qelmar
# command shown (README lines with a "$ " prompt or a crontab time, the
# manual's EXAMPLES) runs and prints a report, or what jq makes of one
# without a message. The history paths shown are
# taken from a scratch spool holding the bundled example.
#
#   run_docs.sh QELMAR

set -u
LC_ALL=C
TZ=UTC
export LC_ALL TZ

qelmar=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-docs.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
passed=0
failed=0

fail() {
    failed=$((failed + 1))
    echo "FAIL $1"
}

# The sample report: make run's command, and its output word for word.
if grep -q '^	$(BUILD_DIR)/qelmar -a tcpip examples/history$' "$top/Makefile"; then
    passed=$((passed + 1))
else
    fail "make run no longer runs qelmar -a tcpip examples/history"
fi
sed -n '/^<!-- sample: make run -->$/,/^<!-- end of sample -->$/p' "$top/README.md" |
    sed '1,2d;$d' | sed '$d' > "$work/sample"
(cd "$top" && "$qelmar" -a tcpip examples/history) > "$work/report"
if cmp -s "$work/sample" "$work/report"; then
    passed=$((passed + 1))
else
    fail "the README sample is not the report of examples/history"
    diff -u "$work/sample" "$work/report" | head -20 | sed 's/^/    /'
fi

# The commands.
mkdir -p "$work/spool" "$work/www"
cp "$top/examples/history" "$work/spool/history"
cp "$top/examples/history" "$work/spool/history.1"
if command -v gzip > /dev/null 2>&1; then
    gzip -c "$top/examples/history" > "$work/spool/history.0.gz"
fi
{
    sed -n 's/^    \$ //p' "$top/README.md"
    sed -n 's/^    [0-9*][0-9*]* [0-9*][0-9*]* [0-9*][0-9*]* [*] [*] //p' "$top/README.md"
    sed -n '/^\.Sh EXAMPLES/,/^\.Sh /p' "$top/docs/qelmar.1" |
        sed -n -e 's/^\.Dl //p' -e 's/^[0-9*][0-9*]* [0-9*][0-9*]* [0-9*][0-9*]* [*] [*] //p' |
        sed 's/\\e/\\/g'
} > "$work/commands"
[ -s "$work/commands" ] || fail "no commands found in README.md and the manual"
# A build without libarchive reads plain files only.
decompresses=
[ -f "$work/spool/history.0.gz" ] && "$qelmar" -a tcpip "$work/spool/history.0.gz" > /dev/null 2>&1 &&
    decompresses=1
while IFS= read -r shown; do
    case $shown in *gzip*) command -v gzip > /dev/null 2>&1 || {
        echo "skip: $shown (no gzip)"; continue; } ;; esac
    case $shown in *.gz" "*|*.gz) [ -n "$decompresses" ] || {
        echo "skip: $shown (this build reads plain files only)"; continue; } ;; esac
    cmd=$(printf '%s\n' "$shown" | sed -e "s|/var/spool/ftn/|$work/spool/|g" -e "s|/var/www/ftn/|$work/www/|g" \
        -e "s|/var/lib/node_exporter/|$work/www/|g" \
        -e "s|^qelmar |\"\$QELMAR\" |" -e "s/| qelmar /| \"\$QELMAR\" /" \
        -e "s|^\([A-Z]*=[^ ]*\) qelmar |\1 \"\$QELMAR\" |")
    QELMAR=$qelmar sh -c "$cmd" > "$work/out" 2> "$work/err"
    rc=$?
    # A report, or, through jq, what jq makes of one.
    case $shown in
    *"| jq "*) printed() { true; } ;; # jq may rightly find nothing
    *--html*) printed() { grep -q '^<!DOCTYPE html>' "$work/www/traffic.html"; } ;;
    *--metrics*) printed() { grep -q '^# HELP qelmar_' "$work/www/qelmar.prom"; } ;;
    *--csv*) printed() { head -1 "$work/out" | grep -q '^\(address\|line\|group\),'; } ;;
    *--json*) printed() { head -c 12 "$work/out" | grep -q '^{"version": '; } ;;
    *--by=*) printed() { head -1 "$work/out" | grep -q '^\(Period\|Line\) '; } ;;
    *) printed() { head -1 "$work/out" | grep -q '^Address '; } ;;
    esac
    case $shown in *"| jq "*) command -v jq > /dev/null 2>&1 || {
        echo "skip: $shown (no jq)"; continue; } ;; esac
    # The notice of failed calls follows a text report of the example.
    grep -v -e '^Failed calls: ' -e '^No good call from: ' "$work/err" > "$work/other" || true
    if [ "$rc" = 0 ] && printed && [ ! -s "$work/other" ]; then
        passed=$((passed + 1))
    else
        fail "$shown (status $rc)"
        head -5 "$work/other" | sed 's/^/    /'
    fi
done < "$work/commands"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
