#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Times SymPy's SOPform on one qmsop input line (a file named on the command
line) and prints one JSON object: {"seconds": ..., "products": ...}.

Only the SOPform call is timed: starting Python and importing SymPy are not.
bench/run calls this with Debian's /usr/bin/python3 (python3-sympy)."""

import json
import re
import sys
import time

from sympy import Or, symbols
from sympy.logic import SOPform


def parse(line):
    """The names, minterms and don't-cares of a line as qmsop_gen writes it."""
    match = re.fullmatch(r"f\(([^)]*)\) = m\(([^)]*)\)(?: \+ d\(([^)]*)\))?\s*", line)
    if match is None:
        raise ValueError("not a generated input line")
    names = match.group(1).split(",")
    minterms = [int(x) for x in match.group(2).split(",") if x]
    dont_cares = [int(x) for x in (match.group(3) or "").split(",") if x]
    return names, minterms, dont_cares


def main():
    with open(sys.argv[1], encoding="ascii") as source:
        names, minterms, dont_cares = parse(source.read())
    variables = symbols(names)
    start = time.perf_counter()
    result = SOPform(variables, minterms, dont_cares)
    seconds = time.perf_counter() - start
    products = len(result.args) if isinstance(result, Or) else 1
    print(json.dumps({"seconds": seconds, "products": products}))


if __name__ == "__main__":
    main()
