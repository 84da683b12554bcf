#!/bin/sh
# validate.sh TOOL ARGS...: runs a validator; fails on a non-zero status or a warning it prints.
# Exits 77 (the test is skipped) when TOOL is not installed.
tool=$1
if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed: skipped"
    exit 77
fi
out=$("$@" 2>&1)
status=$?
printf '%s\n' "$out"
[ "$status" -eq 0 ] || exit 1
if printf '%s\n' "$out" | grep -qi 'warning'; then
    exit 1
fi
exit 0
