#!/bin/sh
# make install into a scratch DESTDIR and PREFIX: the optimised, stripped
# program and the manual; make uninstall takes away exactly those; cmake
# --install of the test build works as well.
#
#   run_install.sh BUILD_DIR

set -u
LC_ALL=C
TZ=UTC
export LC_ALL TZ
# Not a sub-make of whatever make started the tests.
unset MAKEFLAGS MFLAGS MAKELEVEL CMAKE_FLAGS BUILD_DIR RELEASE_DIR PREFIX DESTDIR

build=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
release=$build/install-release
failed=0
fail() {
    echo "FAIL $1"
    failed=1
}

if ! make -C "$top" install RELEASE_DIR="$release" DESTDIR="$work/stage" PREFIX=/opt/qelmar \
        > "$work/log" 2>&1; then
    echo "FAIL make install"; sed 's/^/    /' "$work/log" | tail -20
    exit 1
fi
bin=$work/stage/opt/qelmar/bin/qelmar
man=$work/stage/opt/qelmar/share/man/man1/qelmar.1
[ -x "$bin" ] || fail "no $bin"
cmp -s "$man" "$top/docs/qelmar.1" || fail "the manual is not at $man"
if ! (cd "$top" && "$bin" -a tcpip examples/history) | cmp -s - "$top/tests/cli/expected/example-all.out"; then
    fail "the installed qelmar does not print the example's report"
fi
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$release/CMakeCache.txt" ||
    fail "make install did not install a Release build"
if command -v nm > /dev/null 2>&1; then
    nm "$bin" 2>&1 | grep -q 'no symbols' || fail "the installed qelmar is not stripped"
fi

# Uninstall leaves nothing that install put there.
make -C "$top" uninstall RELEASE_DIR="$release" > "$work/log" 2>&1 || fail "make uninstall"
left=$(find "$work/stage" -type f)
[ -z "$left" ] || fail "make uninstall left $left"

cmake --install "$build" --prefix "$work/other" > "$work/log" 2>&1 || fail "cmake --install"
[ -x "$work/other/bin/qelmar" ] || fail "cmake --install put no bin/qelmar"

if [ $failed = 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $failed
