#!/bin/sh
# SPDX-License-Identifier: MIT
# Usage: doc_examples_test.sh QMSOP DOCUMENT...
#
# Runs every example session shown in the documents and compares what it
# prints, byte for byte, with what the document shows. A session is
#   - in Markdown, a ```console fence (it may be indented, as in a list item);
#   - in a manual page, an .EX/.EE display.
# In a session, a line that starts with "$ " is a command; the lines after it,
# up to the next command or the end of the session, are its output (standard
# output and standard error together, as a terminal shows them). A trailing
# empty line is part of the output.
#
# Each command runs under sh in a scratch directory where both `qmsop` (on
# PATH) and `build/qmsop` are the program QMSOP.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 QMSOP DOCUMENT..." >&2
    exit 2
fi
qmsop=$1
shift
case $qmsop in
    /*) ;;
    *) qmsop=$(pwd)/$qmsop ;;
esac
if [ ! -x "$qmsop" ]; then
    echo "$0: $qmsop is not an executable" >&2
    exit 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin" "$scratch/build" "$scratch/run"
ln -s "$qmsop" "$scratch/bin/qmsop"
ln -s "$qmsop" "$scratch/build/qmsop"

failures=0
for doc in "$@"; do
    cases=$scratch/cases
    rm -rf "$cases"
    mkdir "$cases"
    case $doc in
        *.[1-9]) roff=1 ;;
        *) roff=0 ;;
    esac
    # Split the document into N.cmd (one command) and N.out (its output).
    awk -v dir="$cases" -v roff="$roff" '
        function start(cmd) {
            if (n > 0) close(dir "/" n ".out")
            n++
            printf "%s\n", cmd > (dir "/" n ".cmd")
            close(dir "/" n ".cmd")
            printf "" > (dir "/" n ".out")
        }
        # The roff escapes that a display of the manual page may hold.
        function unroff(s) {
            gsub(/\\\(aq/, "\047", s)
            gsub(/\\\(dq/, "\"", s)
            gsub(/\\-/, "-", s)
            gsub(/\\&/, "", s)
            gsub(/\\e/, "\\", s)
            return s
        }
        !open {
            if (roff && /^\.EX/) { open = 1; indent = ""; first = n + 1 }
            if (!roff && /^ *```console *$/) {
                open = 1; indent = $0; sub(/```.*/, "", indent); first = n + 1
            }
            next
        }
        (roff && /^\.EE/) || (!roff && $0 == indent "```") { open = 0; next }
        {
            line = $0
            if (substr(line, 1, length(indent)) == indent) line = substr(line, length(indent) + 1)
            if (roff) line = unroff(line)
            if (substr(line, 1, 2) == "$ ") start(substr(line, 3))
            else if (n >= first) printf "%s\n", line >> (dir "/" n ".out")
        }
    ' "$doc"

    count=$(find "$cases" -name '*.cmd' | wc -l)
    if [ "$count" -eq 0 ]; then
        echo "FAIL $doc: no example session found"
        failures=$((failures + 1))
        continue
    fi
    i=1
    while [ "$i" -le "$count" ]; do
        cmd=$(cat "$cases/$i.cmd")
        (cd "$scratch/run" && PATH="$scratch/bin:$PATH" LC_ALL=C sh -c "$cmd") \
            > "$cases/$i.got" 2>&1 < /dev/null || true
        if cmp -s "$cases/$i.out" "$cases/$i.got"; then
            printf 'ok   %s: $ %s\n' "$doc" "$cmd"
        else
            printf 'FAIL %s: $ %s\n' "$doc" "$cmd"
            echo "     output differs (--- shown in $doc, +++ printed by the program):"
            diff -u "$cases/$i.out" "$cases/$i.got" | sed 1,2d || true
            failures=$((failures + 1))
        fi
        i=$((i + 1))
    done
done

if [ "$failures" -ne 0 ]; then
    echo "$failures example(s) do not match the program"
    exit 1
fi
