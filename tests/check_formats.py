#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the golden files of the output formats with outside tools.

    check_formats.py json SCHEMA GOLDEN_DIR FORMATS_DIR
    check_formats.py verilog FORMATS_DIR
    check_formats.py abc FORMATS_DIR
    check_formats.py all QMSOP

The golden files (tests/golden-formats/NAME.out.*) are byte for byte what
qmsop::Run writes (the formats' golden test guarantees it), so checking them
checks the program's output.

json     every document of every NAME.out.json is valid against SCHEMA (with
         python3-jsonschema's Draft 2020-12 validator), and says what the text
         output of the same case says: the echo line, the [PI] list, the X's of
         every chart row, the starred (chosen) rows and the result line. The
         text is tests/golden/NAME.out for the default cases, else
         NAME.out.txt.
verilog  every module of NAME.out.v is compiled with Icarus Verilog and run
         on every input combination (at most 2^16; past that the minterms and
         a fixed sample of points): each output must be 1 on its minterms and
         0 off its minterms and don't-cares, as NAME.out.json gives them.
abc      every NAME.out.pla is read by Berkeley ABC (read_pla; read_pla -z for
         a type-r cover, whose cubes are the off-set), collapsed and written
         back; ABC's cover must be the same function as the file's cubes on
         every point (or the sample), and the file's function must be right on
         the care set of NAME.out.json.

all      QMSOP (the program) runs --all on lines of several variable sets,
         clashing names, a number past 2^n and the constant 1 of no
         variables, greedy and exact, sum and product: every Verilog module
         must compile and simulate as its lines' functions, and every PLA
         document must read back with ABC as them (numbers by their lowest n
         bits, as every format takes them).

Exit status 0 when all hold, 1 on a failure, 77 (skipped) when the tool is
not installed.
"""

import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SKIP = 77


def skip(message):
    """Skips the check for want of a tool, or fails it under CI=true, where
    every tool must be there."""
    print(f"{message}: skipped")
    if os.environ.get("CI") == "true":
        print("CI=true: a check whose tool is missing fails instead of skipping")
        return 1
    return SKIP


def fail(message):
    print("FAIL: " + message)
    return 1


def documents(path):
    return [json.loads(line) for line in path.read_text(encoding="utf-8").splitlines()]


def points_to_check(num_vars, docs):
    """Every point when there are at most 2^16, else the minterms, the
    don't-cares and a fixed sample."""
    if num_vars <= 16:
        return list(range(1 << num_vars))
    chosen = set()
    for doc in docs:
        chosen.update(doc["function"]["minterms"])
        chosen.update(doc["function"]["dontCares"])
    sample = random.Random(1)
    chosen.update(sample.randrange(1 << num_vars) for _ in range(2000))
    return sorted(chosen)


def expected_value(doc, point):
    """1 or 0 where the function as read fixes the point, None on a don't-care
    (a minterm given also as a don't-care is a minterm)."""
    function = doc["function"]
    if point in function["minterms"]:
        return 1
    if point in function["dontCares"]:
        return None
    return 0


# --------------------------------------------------------------------- JSON

def text_blocks(text):
    """Splits a text output into one block per function: the echo line, the
    [PI] lines, the chart rows and the last line of the result."""
    lines = text.split("\n")
    blocks = []
    i = 0
    while i < len(lines):
        if not lines[i]:
            i += 1
            continue
        echo = lines[i]
        while lines[i] != "[PI]":
            i += 1
        i += 1
        primes = []
        while lines[i]:
            primes.append(lines[i])
            i += 1
        i += 2  # the empty line and the chart header
        rows = []
        while lines[i]:
            rows.append(lines[i])
            i += 1
        i += 1
        result = []
        while lines[i]:
            result.append(lines[i])
            i += 1
        blocks.append({"echo": echo, "primes": primes, "rows": rows, "result": result[-1]})
    return blocks


def check_json(schema_path, golden_dir, formats_dir):
    try:
        import jsonschema
    except ImportError:
        return skip("python3-jsonschema is not installed")
    schema = json.loads(Path(schema_path).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    status = 0
    files = sorted(Path(formats_dir).glob("*.out.json"))
    for path in files:
        name = path.name[: -len(".out.json")]
        docs = documents(path)
        for doc in docs:
            for error in validator.iter_errors(doc):
                status = fail(f"{path.name}: {'/'.join(map(str, error.path))}: {error.message}")
        text_path = Path(golden_dir) / (name + ".out")
        if not text_path.exists():
            text_path = Path(formats_dir) / (name + ".out.txt")
        blocks = text_blocks(text_path.read_text(encoding="utf-8"))
        if len(blocks) != len(docs):
            status = fail(f"{name}: {len(docs)} documents, {len(blocks)} functions in the text")
            continue
        for doc, block in zip(docs, blocks):
            problems = []
            if doc["function"]["echo"] != block["echo"]:
                problems.append("echo line")
            if [p["text"] for p in doc["primeImplicants"]] != block["primes"]:
                problems.append("prime implicants")
            if len(doc["chart"]["rows"]) != len(block["rows"]):
                problems.append("number of chart rows")
            starred = []
            for k, (row, line) in enumerate(zip(doc["chart"]["rows"], block["rows"])):
                marks = [j for j in range(len(doc["chart"]["columns"]))
                         if line[11 + 5 * j + 3: 11 + 5 * j + 4] == "X"]
                if marks != row:
                    problems.append(f"chart row {k + 1}")
                if line.startswith("*"):
                    starred.append(k + 1)
            if sorted(doc["chosen"]) != starred:
                problems.append("chosen rows")
            if doc["result"]["text"] != block["result"]:
                problems.append("result line")
            if problems:
                status = fail(f"{name}: JSON and text differ in: {', '.join(problems)}")
    print(f"json: {len(files)} files checked against {schema_path} and the text output")
    return status


# ------------------------------------------------------------------ Verilog

def simulate(work, name, module, module_text, docs, value=None):
    """Compiles `module_text` with a bench that drives the module `module`
    on every point to check and compares each output with its document;
    the failures, or None when Icarus Verilog cannot compile it."""
    value = value or expected_value
    num_vars = len(docs[0]["function"]["variables"])
    points = points_to_check(num_vars, docs)
    width = max(num_vars, 1)
    outputs = ", ".join(f"out[{k}]" for k in range(len(docs)))
    inputs = ", ".join(f"x[{num_vars - 1 - v}]" for v in range(num_vars))
    ports = ", ".join(p for p in (inputs, outputs) if p)
    cases = "\n".join(f"    x = {width}'d{p}; #1 $display(\"{p} %b\", out);" for p in points)
    bench = (f"module bench;\n  reg [{width - 1}:0] x;\n  wire [{len(docs) - 1}:0] out;\n"
             f"  {module} dut({ports});\n  initial begin\n{cases}\n  end\nendmodule\n")
    source = Path(work) / (name + ".v")
    source.write_text(module_text + bench, encoding="utf-8")
    compiled = Path(work) / (name + ".vvp")
    build = subprocess.run(["iverilog", "-o", str(compiled), str(source)],
                           capture_output=True, text=True)
    if build.returncode != 0:
        return [f"{name} does not compile:\n{build.stderr}"]
    run = subprocess.run(["vvp", "-n", str(compiled)], capture_output=True, text=True)
    failures = []
    seen = 0
    for line in run.stdout.splitlines():
        if " " not in line or not line.split(" ")[0].isdigit():
            continue
        point_text, bits = line.split(" ")
        point = int(point_text)
        seen += 1
        for k, doc in enumerate(docs):
            got = bits[len(docs) - 1 - k]
            want = value(doc, point)
            if want is not None and got != str(want):
                failures.append(f"{name}: output {doc['function']['name']} is {got} "
                                f"at point {point}, the function is {want}")
    if seen != len(points):
        failures.append(f"{name}: the simulation printed {seen} of {len(points)} points")
    return failures


def check_verilog(formats_dir):
    if not shutil.which("iverilog") or not shutil.which("vvp"):
        return skip("Icarus Verilog (iverilog) is not installed")
    status = 0
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        for path in sorted(Path(formats_dir).glob("*.out.v")):
            module_text = path.read_text(encoding="utf-8")
            if not module_text:
                continue  # a refused input writes no module
            name = path.name[: -len(".out.v")]
            docs = [d for d in documents(Path(formats_dir) / (name + ".out.json")) if d["accepted"]]
            for failure in simulate(work, name, "f", module_text, docs):
                status = fail(failure)
            checked += 1
    print(f"verilog: {checked} modules compiled and checked with Icarus Verilog")
    return status


# ---------------------------------------------------------------------- ABC

def read_cover(text):
    """The input count, the PLA type and, per output, the cubes marked for it
    (by '1', or by '0' in a type-r cover)."""
    num_inputs, num_outputs, pla_type = 0, 0, "fd"
    cubes = []
    for line in text.splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if words[0] == ".i":
            num_inputs = int(words[1])
        elif words[0] == ".o":
            num_outputs = int(words[1])
        elif words[0] == ".type":
            pla_type = words[1]
        elif not words[0].startswith("."):
            cubes.append(("".join(words[:-1]) if len(words) > 1 else "", words[-1]))
    mark = "0" if pla_type == "r" else "1"
    per_output = [[c for c, outs in cubes if outs[k] == mark] for k in range(num_outputs)]
    return num_inputs, pla_type, per_output


def cover_value(cubes, num_inputs, point):
    bits = format(point, f"0{num_inputs}b") if num_inputs else ""
    return any(all(c == "-" or c == b for c, b in zip(cube, bits)) for cube in cubes)


def abc_round_trip(abc, work, label, text, docs, value=None):
    """Has ABC read the PLA document `text`, collapse it and write it back;
    the failures where ABC's cover or the document's differs from the
    documents' functions. None when ABC cannot read it (no cubes)."""
    value = value or expected_value
    num_inputs, pla_type, ours = read_cover(text)
    # Berkeley ABC 1.01 crashes on these; qmsop's own round trip reads them.
    if not any(ours):
        print(f"abc: {label} skipped: ABC cannot read a cover without cubes")
        return None
    if num_inputs == 0:
        print(f"abc: {label} skipped: ABC cannot read a cube without inputs")
        return None
    source = Path(work) / "in.pla"
    source.write_text(text, encoding="utf-8")
    back = Path(work) / "back.pla"
    if back.exists():
        back.unlink()
    read = "read_pla -z" if pla_type == "r" else "read_pla"
    subprocess.run([abc, "-c", f"{read} {source}; collapse; write_pla {back}"],
                   capture_output=True, text=True, cwd=work, check=False)
    if not back.exists():
        return [f"{label}: ABC wrote nothing back"]
    _, _, theirs = read_cover(back.read_text(encoding="utf-8"))
    failures = []
    for point in points_to_check(num_inputs, docs):
        for k, doc in enumerate(docs):
            mine = cover_value(ours[k], num_inputs, point)
            if cover_value(theirs[k], num_inputs, point) != mine:
                failures.append(f"{label}: ABC reads output {k} as another function "
                                f"at point {point}")
            got = int(mine != (pla_type == "r"))
            want = value(doc, point)
            if want is not None and got != want:
                failures.append(f"{label}: output {k} is {got} at point {point}, "
                                f"the function is {want}")
    return failures


def check_abc(formats_dir):
    abc = shutil.which("berkeley-abc") or shutil.which("abc")
    if not abc:
        return skip("Berkeley ABC (berkeley-abc) is not installed")
    status = 0
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        for path in sorted(Path(formats_dir).glob("*.out.pla")):
            text = path.read_text(encoding="utf-8")
            if not text:
                continue
            name = path.name[: -len(".out.pla")]
            docs = [d for d in documents(Path(formats_dir) / (name + ".out.json")) if d["accepted"]]
            failures = abc_round_trip(abc, work, path.name, text, docs)
            if failures is None:
                continue
            for failure in failures:
                status = fail(failure)
            checked += 1
    print(f"abc: {checked} PLA files read back by Berkeley ABC and compared")
    return status


# ------------------------------------------------------------ --all documents

# Lines of one --all run: other variables, a name clash with the output,
# repeated names, a number past 2^n (7 of two variables is the point 3), the
# constant 1 of no variables, a refused line and a comment.
ALL_INPUT = """f(a,b,c) = m(1,3,5) + d(7)
f(a,b,c) = m(0,6)
f(x,y) = m(1,7)
f() = m(0)
f(a,f) = m(1,2)
f(a,f) = m(0) + d(3)
# a comment
f(a) = m(1 )
f(p,q,r,s) = m(0,2,8,10,15) + d(5)
"""


def value_within(doc, point):
    """expected_value with every number taken by its lowest n bits."""
    mask = (1 << len(doc["function"]["variables"])) - 1
    function = doc["function"]
    if any(m & mask == point for m in function["minterms"]):
        return 1
    if any(d & mask == point for d in function["dontCares"]):
        return None
    return 0


def groups(docs):
    """The accepted documents in runs of the same variables, as --all puts
    them in one PLA document or module."""
    runs = []
    for doc in (d for d in docs if d["accepted"]):
        names = [v["name"] for v in doc["function"]["variables"]]
        if runs and runs[-1][0] == names:
            runs[-1][1].append(doc)
        else:
            runs.append((names, [doc]))
    return [run for _, run in runs]


def espresso_verify(espresso, work, pla, docs):
    """Espresso's -Dverify of one PLA document against its lines' functions,
    written out point by point as a type-fd PLA (the original first, so that
    its don't-cares are the ones used): "" when Espresso finds them equal."""
    n = len(docs[0]["function"]["variables"])
    if n == 0:
        return ""  # Espresso reads no cube of zero inputs
    rows = []
    for point in range(1 << n):
        values = [value_within(doc, point) for doc in docs]
        outs = "".join("-" if v is None else str(v) for v in values)
        rows.append(format(point, f"0{n}b") + " " + outs)
    original = Path(work) / "espresso_original.pla"
    result = Path(work) / "espresso_result.pla"
    original.write_text(f".i {n}\n.o {len(docs)}\n.type fd\n" + "\n".join(rows) + "\n.e\n")
    result.write_text(pla)
    run = subprocess.run([espresso, "-Dverify", str(original), str(result)],
                         capture_output=True, text=True)
    if run.returncode != 0 or "compared equal" not in run.stdout:
        return "espresso -Dverify: " + (run.stdout + run.stderr).strip()[:300]
    return ""


def check_all(program):
    """Every module and PLA document of --all runs (greedy and exact, sum and
    product) compiles with Icarus Verilog or reads back with ABC and is the
    function of its lines."""
    iverilog = shutil.which("iverilog") and shutil.which("vvp")
    abc = shutil.which("berkeley-abc") or shutil.which("abc")
    if not iverilog or not abc:
        print("Icarus Verilog (iverilog) or Berkeley ABC (berkeley-abc) is not installed: skipped")
        return SKIP
    espresso = shutil.which("espresso")
    if not espresso:
        print("espresso is not on PATH (.ci/install-espresso builds it): "
              "the PLA documents are not verified with espresso -Dverify")
        if os.environ.get("CI") == "true":
            print("CI=true: a check whose tool is missing fails instead of skipping")
            return 1
    status = 0
    checked = 0
    verified = 0
    with tempfile.TemporaryDirectory() as work:
        for options in ([], ["--exact"], ["--pos"], ["--pos", "--exact"]):
            def run(fmt):
                return subprocess.run([program, "--all", "--format=" + fmt] + options,
                                      input=ALL_INPUT, capture_output=True, text=True).stdout
            label = " ".join(["--all"] + options)
            runs = groups([json.loads(line) for line in run("json").splitlines()])
            modules = [m + "endmodule\n" for m in run("verilog").split("endmodule\n")[:-1]]
            plas = [d + ".e\n" for d in run("pla").split(".e\n")[:-1]]
            if len(modules) != len(runs) or len(plas) != len(runs):
                status = fail(f"{label}: {len(modules)} modules and {len(plas)} PLA documents "
                              f"for {len(runs)} runs of functions")
                continue
            for k, (docs, module_text, pla) in enumerate(zip(runs, modules, plas)):
                module = module_text.split("(", 1)[0].split()[1]
                for failure in simulate(work, f"all{k}", module, module_text, docs,
                                        value_within):
                    status = fail(f"{label}: {failure}")
                for failure in abc_round_trip(abc, work, f"{label} #{k}", pla, docs,
                                              value_within) or []:
                    status = fail(failure)
                if espresso:
                    failure = espresso_verify(espresso, work, pla, docs)
                    if failure:
                        status = fail(f"{label} #{k}: {failure}")
                    verified += 1
                checked += 1
    print(f"all: {checked} modules and PLA documents of --all runs checked with Icarus Verilog "
          f"and Berkeley ABC, {verified} verified with espresso -Dverify")
    return status


def main():
    mode, args = sys.argv[1], sys.argv[2:]
    if mode == "json":
        return check_json(*args)
    if mode == "verilog":
        return check_verilog(*args)
    if mode == "abc":
        return check_abc(*args)
    if mode == "all":
        return check_all(*args)
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
