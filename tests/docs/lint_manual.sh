#!/bin/sh
# The manual is clean mdoc: mandoc -Tlint reports nothing, at any level.
# Skipped (77) where mandoc is not installed. A note that the system's own
# manual database is out of date is about the machine, not the page: it is
# shown but not counted (makewhatis /usr/share/man mends it).
manual=$(dirname "$0")/../../docs/qelmar.1
if ! command -v mandoc > /dev/null 2>&1; then
    echo "skip: mandoc is not installed"
    exit 77
fi
out=$(mandoc -Tlint "$manual" 2>&1)
printf '%s\n' "$out" | grep 'outdated mandoc.db' | sed 's/^/note: /'
findings=$(printf '%s\n' "$out" | grep -v 'outdated mandoc.db' | grep -v '^$')
if [ -n "$findings" ]; then
    printf '%s\n' "$findings"
    exit 1
fi
echo "mandoc -Tlint: nothing to report"
