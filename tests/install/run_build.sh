#!/bin/sh
# A machine without GoogleTest: make run builds and runs the tool alone,
# make test stops with one line that names the package to install, and
# once GoogleTest is there the same build tree has its tests again.
#
#   run_build.sh

set -u
LC_ALL=C
TZ=UTC
export LC_ALL TZ
unset MAKEFLAGS MFLAGS MAKELEVEL CMAKE_FLAGS BUILD_DIR RELEASE_DIR PREFIX DESTDIR

top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-build.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT INT TERM
b=$work/build
no_gtest=-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
failed=0
fail() {
    echo "FAIL $1"
    failed=1
}

if make -s -C "$top" run BUILD_DIR="$b" CMAKE_FLAGS="$no_gtest" > "$work/out" 2> "$work/err"; then
    tail -n "$(wc -l < "$top/tests/cli/expected/example-all.out")" "$work/out" |
        cmp -s - "$top/tests/cli/expected/example-all.out" || fail "make run printed no report"
    [ ! -e "$b/tests/unit_tests" ] || fail "make run built the unit tests"
else
    fail "make run without GoogleTest"; sed 's/^/    /' "$work/err" | tail -5
fi

if make -s -C "$top" test BUILD_DIR="$b" CMAKE_FLAGS="$no_gtest" > "$work/out" 2> "$work/err"; then
    fail "make test without GoogleTest succeeded"
fi
grep -v '^make\(\[[0-9]*\]\)\?: \*\*\*' "$work/err" > "$work/said"
want="The tests need GoogleTest: install libgtest-dev (Debian) or googletest (FreeBSD)."
[ "$(cat "$work/said")" = "$want" ] || { fail "make test said:"; sed 's/^/    /' "$work/said"; }

# GoogleTest found again: the same tree has its tests.
cmake -S "$top" -B "$b" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=OFF > "$work/log" 2>&1 || fail "configure"
[ ! -e "$b/tests-need-googletest" ] || fail "the note about GoogleTest stayed"
(cd "$b" && ctest -N) | grep -q 'Total Tests: [1-9]' || fail "no tests after GoogleTest came back"

if [ $failed = 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit $failed
