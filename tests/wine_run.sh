#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine for the build and the suites (the cross-build's emulator).
# Now and then Wine fails to start a program at all, while its server comes up or goes down: it
# ends non-zero having printed nothing. Such a start is tried once more; a program that printed
# anything keeps its outcome, so a failing test still fails.
set -u
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
    wine "$@" >"$out" 2>"$err"
    status=$?
    if [ "$status" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -eq 2 ]; then
        break
    fi
    echo "wine_run.sh: Wine ended with status $status before $1 printed anything; starting it once more" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"
