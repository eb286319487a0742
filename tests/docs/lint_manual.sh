#!/bin/sh
# The manual is clean mdoc: mandoc -Tlint reports nothing. Skipped (77)
# where mandoc is not installed.
manual=$(dirname "$0")/../../docs/qelmar.1
if ! command -v mandoc > /dev/null 2>&1; then
    echo "skip: mandoc is not installed"
    exit 77
fi
mandoc -Tlint -W warning "$manual"
