#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: man_lint_test.sh PAGE
#
# Renders the manual page with every warning turned on, with groff (as `man`
# does) and with mandoc's lint; any warning fails. Exits 77 (skipped) when
# neither tool is installed.
set -eu
page=$1
ran=0
status=0

if command -v groff > /dev/null 2>&1; then
    ran=1
    out=$(groff -ww -man -Tutf8 -z "$page" 2>&1) || status=1
    if [ -n "$out" ]; then
        printf 'groff:\n%s\n' "$out"
        status=1
    fi
fi
if command -v mandoc > /dev/null 2>&1; then
    ran=1
    out=$(mandoc -T lint -W warning "$page" 2>&1) || status=1
    if [ -n "$out" ]; then
        printf 'mandoc:\n%s\n' "$out"
        status=1
    fi
fi

if [ "$ran" -eq 0 ]; then
    echo "neither groff nor mandoc is installed: skipped"
    # Under CI=true every tool must be there: a missing one fails.
    [ "${CI:-}" != true ] || exit 1
    exit 77
fi
exit $status
