#!/bin/sh
# make install into a scratch DESTDIR and PREFIX, then the installed
# program and manual; cmake --install with another prefix as well.
#
#   run_install.sh BUILD_DIR

set -u
LC_ALL=C
TZ=UTC
export LC_ALL TZ
# Not a sub-make of whatever make started the tests.
unset MAKEFLAGS MFLAGS MAKELEVEL

build=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
failed=0

if ! make -C "$top" install BUILD_DIR="$build" DESTDIR="$work/stage" PREFIX=/opt/qelmar \
        > "$work/log" 2>&1; then
    echo "FAIL make install"; sed 's/^/    /' "$work/log" | tail -20
    exit 1
fi
bin=$work/stage/opt/qelmar/bin/qelmar
man=$work/stage/opt/qelmar/share/man/man1/qelmar.1
[ -x "$bin" ] || { echo "FAIL no $bin"; failed=1; }
cmp -s "$man" "$top/docs/qelmar.1" || { echo "FAIL the manual is not at $man"; failed=1; }
if ! (cd "$top" && "$bin" -a tcpip examples/history) | cmp -s - "$top/tests/cli/expected/example-all.out"; then
    echo "FAIL the installed qelmar does not print the example's report"; failed=1
fi

cmake --install "$build" --prefix "$work/other" > "$work/log" 2>&1 || { echo "FAIL cmake --install"; failed=1; }
[ -x "$work/other/bin/qelmar" ] || { echo "FAIL cmake --install put no bin/qelmar"; failed=1; }

if [ $failed = 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $failed
