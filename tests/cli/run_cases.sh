#!/bin/sh
# Runs the golden cases of cases.txt against a qelmar binary.
#
#   run_cases.sh QELMAR [--update] [--plain]
#
# Each case runs in a scratch directory holding its input under its own
# name, so messages show that name. Its standard output, standard error and
# exit status are compared with expected/NAME.out, NAME.err (empty when
# missing) and NAME.rc (0 when missing). The input is the standard input
# too, for "-" as the history file. Inputs and expected outputs named
# *.tmpl are templates: {now-N} and {now+N} become the time N seconds from
# now, {hms:now-N} that time of day in UTC. A case whose arguments hold
# %THREADS runs with --threads=1, 2 and 7 in its place, and each run must
# print the same. Several inputs are joined by
# "+": %IN names the first, %IN2 and %IN3 the others. --update rewrites the
# expected files of plain (non-template) cases from what the binary prints.
# --plain is for a build that reads no compressed file: where a case has
# expected/NAME.plain.* files, those are what it must print.

set -u
LC_ALL=C
export LC_ALL

qelmar=$1
shift
update=
plain=
for arg in "$@"; do
    case $arg in
    --update) update=1 ;;
    --plain) plain=1 ;;
    esac
done
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/qelmar-cli.XXXXXX") || exit 1
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
now=$(date +%s)

# Expands the time tokens of a template.
expand() {
    awk -v now="$now" '
    function hms(t) { t = t % 86400; return sprintf("%02d:%02d:%02d", int(t / 3600), int(t % 3600 / 60), t % 60) }
    {
        while (match($0, /\{(hms:)?now[-+][0-9]+\}/)) {
            tok = substr($0, RSTART + 1, RLENGTH - 2)
            fmt = (substr(tok, 1, 4) == "hms:")
            if (fmt) tok = substr(tok, 5)
            n = substr(tok, 5) + 0
            t = (substr(tok, 4, 1) == "-") ? now - n : now + n
            $0 = substr($0, 1, RSTART - 1) (fmt ? hms(t) : t) substr($0, RSTART + RLENGTH)
        }
        print
    }' "$1"
}

passed=0
failed=0
while read -r name tz input args; do
    case $name in ''|'#'*) continue ;; esac
    dir=$work/$name
    mkdir -p "$dir/dir"
    in=
    names=
    if [ "$input" != - ]; then
        for one in $(printf '%s\n' "$input" | tr '+' ' '); do
            case $one in
            */*) src=$here/../../$one ;;
            *) src=$here/input/$one ;;
            esac
            file=$(basename "${one%.tmpl}")
            if [ "$file.tmpl" = "$(basename "$one")" ]; then
                expand "$src" > "$dir/$file"
            else
                cp "$src" "$dir/$file"
            fi
            [ -z "$in" ] && in=$file
            names="$names $file"
        done
    fi
    set -- $names
    in2=${2:-}
    in3=${3:-}
    [ "$args" = - ] && args=
    # %THREADS runs the case once for each thread count, with one expectation.
    variants=-
    case $args in *%THREADS*) variants="1 2 7" ;; esac
    for threads in $variants; do
    label=$name
    [ "$threads" != - ] && label="$name (--threads=$threads)"
    run_args=$(printf '%s\n' "$args" | sed "s|%IN3|$in3|g; s|%IN2|$in2|g; s|%IN|$in|g; s|%DIR|dir|g; s|%THREADS|--threads=$threads|g")
    [ "$tz" = - ] && tz=UTC
    (
        cd "$dir" || exit 1
        eval "set -- $run_args"
        # The input is also the standard input, for "-".
        TZ=$tz "$qelmar" "$@" > out 2> err < "${in:-/dev/null}"
        echo $? > rc
    )

    exp=$here/expected/$name
    if [ -n "$plain" ] && [ -f "$exp.plain.out" ]; then
        exp=$exp.plain
    fi
    if [ -n "$update" ] && [ ! -f "$exp.out.tmpl" ]; then
        cp "$dir/out" "$exp.out"
        if [ -s "$dir/err" ]; then cp "$dir/err" "$exp.err"; else rm -f "$exp.err"; fi
        if [ "$(cat "$dir/rc")" != 0 ]; then cp "$dir/rc" "$exp.rc"; else rm -f "$exp.rc"; fi
    fi
    if [ -f "$exp.out.tmpl" ]; then expand "$exp.out.tmpl" > "$dir/want.out"; else cp "$exp.out" "$dir/want.out"; fi
    if [ -f "$exp.err" ]; then cp "$exp.err" "$dir/want.err"; else : > "$dir/want.err"; fi
    if [ -f "$exp.rc" ]; then cp "$exp.rc" "$dir/want.rc"; else echo 0 > "$dir/want.rc"; fi

    ok=1
    for part in out err rc; do
        if ! cmp -s "$dir/want.$part" "$dir/$part"; then
            [ $ok = 1 ] && echo "FAIL $label"
            ok=0
            diff -u "$dir/want.$part" "$dir/$part" | sed 's/^/    /'
        fi
    done
    if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    done
done < "$here/cases.txt"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
