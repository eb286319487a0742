#!/bin/sh
# Checks that each room of src/ includes only itself and the rooms below
# it: history and time at the bottom, then stats, then report, then app.
#
#   check_rooms.sh TOP

top=$1
allowed() {
    case $1 in
    history) echo "history" ;;
    time) echo "time" ;;
    stats) echo "history time stats" ;;
    report) echo "history time stats report" ;;
    app) echo "history time stats report app" ;;
    esac
}
faults=$(
    for dir in "$top"/src/*/; do
        room=$(basename "$dir")
        ok=$(allowed "$room")
        [ -n "$ok" ] || { echo "unknown room src/$room"; continue; }
        for file in "$dir"*; do
            for used in $(sed -n 's/^#include "\([a-z_]*\)\/.*/\1/p' "$file" | sort -u); do
                case " $ok " in
                *" $used "*) ;;
                *) echo "src/$room/$(basename "$file") includes from $used/" ;;
                esac
            done
        done
    done
)
if [ -n "$faults" ]; then
    printf 'FAIL %s\n' "$faults"
    echo "0 passed, 1 failed"
    exit 1
fi
echo "1 passed, 0 failed"
