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
all      runs QMSOP (the built program) with --all on a table of inputs, greedy
         and exact, sum and product, and checks every document it writes:
         each PLA document is read by Berkeley ABC and, when an espresso
         binary is on PATH, verified by `espresso -Dverify` against the
         function; each Verilog module compiles with Icarus Verilog and
         simulates equal to its function on every point. The functions are
         those of the JSON trace of the same input; the documents take them
         in order, one per output. Cases of known faults (KNOWN_FAULTS) are
         reported and do not fail.

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
            num_vars = len(docs[0]["function"]["variables"])
            points = points_to_check(num_vars, docs)
            width = max(num_vars, 1)
            outputs = ", ".join(f"out[{k}]" for k in range(len(docs)))
            inputs = ", ".join(f"x[{num_vars - 1 - v}]" for v in range(num_vars))
            ports = ", ".join(p for p in (inputs, outputs) if p)
            cases = "\n".join(f"    x = {width}'d{p}; #1 $display(\"{p} %b\", out);" for p in points)
            bench = (f"module bench;\n  reg [{width - 1}:0] x;\n  wire [{len(docs) - 1}:0] out;\n"
                     f"  f dut({ports});\n  initial begin\n{cases}\n  end\nendmodule\n")
            source = Path(work) / (name + ".v")
            source.write_text(module_text + bench, encoding="utf-8")
            compiled = Path(work) / (name + ".vvp")
            build = subprocess.run(["iverilog", "-o", str(compiled), str(source)],
                                   capture_output=True, text=True)
            if build.returncode != 0:
                status = fail(f"{path.name} does not compile:\n{build.stderr}")
                continue
            run = subprocess.run(["vvp", "-n", str(compiled)], capture_output=True, text=True)
            seen = 0
            for line in run.stdout.splitlines():
                if " " not in line or not line.split(" ")[0].isdigit():
                    continue
                point_text, bits = line.split(" ")
                point = int(point_text)
                seen += 1
                for k, doc in enumerate(docs):
                    got = bits[len(docs) - 1 - k]
                    want = expected_value(doc, point)
                    if want is not None and got != str(want):
                        status = fail(f"{path.name}: output {doc['function']['name']} is {got} "
                                      f"at point {point}, the function is {want}")
            if seen != len(points):
                status = fail(f"{path.name}: the simulation printed {seen} of {len(points)} points")
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
            num_inputs, pla_type, ours = read_cover(text)
            # Berkeley ABC 1.01 crashes on these; qmsop's own round trip reads them.
            if not any(ours):
                print(f"abc: {path.name} skipped: ABC cannot read a cover without cubes")
                continue
            names = text.split("\n")
            inputs = next((l.split()[1:] for l in names if l.startswith(".ilb")), [])
            outputs = next((l.split()[1:] for l in names if l.startswith(".ob")), [])
            if set(inputs) & set(outputs):
                print(f"abc: {path.name} skipped: ABC cannot read an output named like an input")
                continue
            source = Path(work) / "in.pla"
            source.write_text(text, encoding="utf-8")
            back = Path(work) / "back.pla"
            if back.exists():
                back.unlink()
            read = "read_pla -z" if pla_type == "r" else "read_pla"
            subprocess.run([abc, "-c", f"{read} {source}; collapse; write_pla {back}"],
                           capture_output=True, text=True, cwd=work, check=False)
            if not back.exists():
                status = fail(f"{path.name}: ABC wrote nothing back")
                continue
            _, _, theirs = read_cover(back.read_text(encoding="utf-8"))
            for point in points_to_check(num_inputs, docs):
                for k, doc in enumerate(docs):
                    mine = cover_value(ours[k], num_inputs, point)
                    if cover_value(theirs[k], num_inputs, point) != mine:
                        status = fail(f"{path.name}: ABC reads output {k} as another function "
                                      f"at point {point}")
                    value = int(mine != (pla_type == "r"))
                    want = expected_value(doc, point)
                    if want is not None and value != want:
                        status = fail(f"{path.name}: output {k} is {value} at point {point}, "
                                      f"the function is {want}")
            checked += 1
    print(f"abc: {checked} PLA files read back by Berkeley ABC and compared")
    return status


# ------------------------------------------------------------------ --all

# Inputs of several functions, one per line, for `all`.
ALL_INPUTS = {
    "one_line": "f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14) + d(15)\n",
    "lines_same_inputs": "f(a,b,c) = m(1,3,5,7) + d(0)\n# a comment\n\nf(a,b,c) = m(0,2)\n",
    "lines_other_inputs": "f(a,b,c) = m(1)\nf(x,y) = m(1)\n",
    "lines_with_refusal": "f(a,b) = m(1,2)\nf(a b) = m(1)\n",
    "input_named_f": "f(a,b,c,d,e,f) = m(1,2,33) + d(63)\n",
    "verilog_keywords": "f(and,wire,x1) = m(1,6)\n",
    "constant_one_no_inputs": "f() = m(0)\n",
}

# Faults of issue 23 fixed on other branches: (case, format) -> the item, or
# (case, format, "sop") when only the sum of products shows it. Remove an
# entry once its fix is merged.
KNOWN_FAULTS = {
    ("lines_same_inputs", "pla"): "issue 23 items 1, 2: one PLA with .ob f f",
    ("lines_other_inputs", "pla"): "issue 23 item 1: one PLA under the last line's names",
    ("lines_other_inputs", "verilog"): "issue 23 item 1: one module under the last line's names",
    ("input_named_f", "pla"): "issue 23 item 2: .ilb ... f with .ob f",
    ("constant_one_no_inputs", "pla", "sop"): "issue 23 item 3: the constant 1 written as .p 0",
    ("constant_one_no_inputs", "verilog", "sop"): "issue 23 item 3: the constant 1 as 1'b0",
}


def run_program(program, args, text):
    return subprocess.run([program, "--all", *args], input=text, capture_output=True,
                          text=True, check=False).stdout


def pla_documents(text):
    """The documents of a PLA output, each ended by .e."""
    documents, current = [], []
    for line in text.splitlines(keepends=True):
        current.append(line)
        if line.split()[:1] in ([".e"], [".end"]):
            documents.append("".join(current))
            current = []
    if "".join(current).strip():
        documents.append("".join(current))
    return documents


def function_pla(doc):
    """The function of a trace document as a type-fd PLA, for espresso."""
    function = doc["function"]
    num_inputs = len(function["variables"])
    lines = [f".i {num_inputs}", ".o 1", ".type fd"]
    for point in sorted(set(function["minterms"]) | set(function["dontCares"])):
        if point >= 1 << num_inputs:
            continue
        value = "1" if point in function["minterms"] else "-"
        lines.append((format(point, f"0{num_inputs}b") if num_inputs else "") + " " + value)
    return "\n".join(lines + [".e", ""])


def check_pla_document(abc, work, text, docs):
    """Problems of one PLA document whose outputs are the functions `docs`."""
    num_inputs, pla_type, ours = read_cover(text)
    if len(ours) != len(docs):
        return [f"{len(ours)} outputs for {len(docs)} functions"]
    problems = []
    for k, doc in enumerate(docs):
        if len(doc["function"]["variables"]) != num_inputs:
            problems.append(f"output {k}: .i {num_inputs}, the function has "
                            f"{len(doc['function']['variables'])} inputs")
    if problems:
        return problems
    source = Path(work) / "in.pla"
    source.write_text(text, encoding="utf-8")
    back = Path(work) / "back.pla"
    if back.exists():
        back.unlink()
    read = "read_pla -z" if pla_type == "r" else "read_pla"
    subprocess.run([abc, "-c", f"{read} {source}; collapse; write_pla {back}"],
                   capture_output=True, text=True, cwd=work, check=False)
    if not back.exists() and any(ours):
        return ["ABC wrote nothing back"]
    theirs = read_cover(back.read_text(encoding="utf-8"))[2] if back.exists() else ours
    for point in points_to_check(num_inputs, docs):
        for k, doc in enumerate(docs):
            mine = cover_value(ours[k], num_inputs, point)
            if cover_value(theirs[k], num_inputs, point) != mine:
                problems.append(f"ABC reads output {k} as another function at point {point}")
            want = expected_value(doc, point)
            if want is not None and int(mine != (pla_type == "r")) != want:
                problems.append(f"output {k} is wrong at point {point}")
    espresso = shutil.which("espresso")
    if espresso and len(docs) == 1:
        original = Path(work) / "function.pla"
        original.write_text(function_pla(docs[0]), encoding="utf-8")
        verify = subprocess.run([espresso, "-Dverify", str(original), str(source)],
                                capture_output=True, text=True, check=False)
        if verify.returncode != 0:
            problems.append("espresso -Dverify: " + (verify.stdout + verify.stderr).strip())
    return problems[:5]


def verilog_modules(text):
    """The modules of a Verilog output: (name as written, text)."""
    modules = []
    for chunk in text.split("endmodule"):
        if "module" not in chunk:
            continue
        body = chunk[chunk.index("module"):] + "endmodule\n"
        header = body[len("module"):].lstrip()
        name = header[: header.index(" ") + 1] if header.startswith("\\") else \
            header[: header.index("(")].strip()
        modules.append((name, body))
    return modules


def check_verilog_module(work, name, module_text, docs, number):
    """Problems of one module whose outputs are the functions `docs`."""
    num_outputs = module_text.count("output wire")
    if num_outputs != len(docs):
        return [f"{num_outputs} outputs for {len(docs)} functions"]
    num_vars = len(docs[0]["function"]["variables"])
    if any(len(d["function"]["variables"]) != num_vars for d in docs) or \
            module_text.count("input wire") != num_vars:
        return ["the functions of one module have other inputs than its ports"]
    points = points_to_check(num_vars, docs)
    width = max(num_vars, 1)
    outputs = ", ".join(f"out[{k}]" for k in range(len(docs)))
    inputs = ", ".join(f"x[{num_vars - 1 - v}]" for v in range(num_vars))
    ports = ", ".join(p for p in (inputs, outputs) if p)
    cases = "\n".join(f"    x = {width}'d{p}; #1 $display(\"{p} %b\", out);" for p in points)
    bench = (f"module bench;\n  reg [{width - 1}:0] x;\n  wire [{len(docs) - 1}:0] out;\n"
             f"  {name} dut({ports});\n  initial begin\n{cases}\n  end\nendmodule\n")
    source = Path(work) / f"module{number}.v"
    source.write_text(module_text + bench, encoding="utf-8")
    compiled = Path(work) / f"module{number}.vvp"
    build = subprocess.run(["iverilog", "-o", str(compiled), str(source)],
                           capture_output=True, text=True, check=False)
    if build.returncode != 0:
        return ["does not compile: " + build.stderr.strip()]
    run = subprocess.run(["vvp", "-n", str(compiled)], capture_output=True, text=True,
                         check=False)
    problems, seen = [], 0
    for line in run.stdout.splitlines():
        if " " not in line or not line.split(" ")[0].isdigit():
            continue
        point_text, bits = line.split(" ")
        seen += 1
        for k, doc in enumerate(docs):
            want = expected_value(doc, int(point_text))
            if want is not None and bits[len(docs) - 1 - k] != str(want):
                problems.append(f"output {k} is wrong at point {point_text}")
    if seen != len(points):
        problems.append(f"the simulation printed {seen} of {len(points)} points")
    return problems[:5]


def check_documents(program, fmt, args, text, work, abc):
    """Problems of every document of one run of `fmt`."""
    docs = [d for d in (json.loads(line) for line in
                        run_program(program, ["-f", "json", *args], text).splitlines())
            if d["accepted"]]
    out = run_program(program, ["-f", fmt, *args], text)
    if fmt == "pla":
        pieces = [(None, d) for d in pla_documents(out)]
        count = lambda piece: len(read_cover(piece)[2])
    else:
        pieces = verilog_modules(out)
        count = lambda piece: piece.count("output wire")
    names = [name for name, _ in pieces if name is not None]
    problems = [f"module {n} written twice" for n in set(names) if names.count(n) > 1]
    used = 0
    for number, (name, piece) in enumerate(pieces):
        mine = docs[used: used + count(piece)]
        used += count(piece)
        if fmt == "pla":
            found = check_pla_document(abc, work, piece, mine)
        else:
            found = check_verilog_module(work, name, piece, mine, number)
        problems += [f"document {number + 1}: {p}" for p in found]
    if used != len(docs):
        problems.append(f"{used} outputs written for {len(docs)} functions")
    return problems


def check_all(program):
    abc = shutil.which("berkeley-abc") or shutil.which("abc")
    tools = {"pla": abc, "verilog": shutil.which("iverilog") and shutil.which("vvp")}
    status = 0
    if not all(tools.values()):
        missing = [fmt for fmt, tool in tools.items() if not tool]
        status = skip(f"the tools of {', '.join(missing)} (berkeley-abc, iverilog) are missing")
        if status == 1:
            return 1
    if not shutil.which("espresso"):
        # espresso is no Debian package: its check is skipped, never failed.
        print("espresso is not on PATH: espresso -Dverify skipped")
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        for case, text in ALL_INPUTS.items():
            for fmt in (f for f, tool in tools.items() if tool):
                for args in ([], ["-x"], ["--pos"], ["-x", "--pos"]):
                    problems = check_documents(program, fmt, args, text, work, abc)
                    label = f"{case} -f {fmt} {' '.join(args)}".strip()
                    form = "pos" if "--pos" in args else "sop"
                    known = KNOWN_FAULTS.get((case, fmt)) or KNOWN_FAULTS.get((case, fmt, form))
                    if problems and known:
                        print(f"known fault ({known}): {label}: {problems[0]}")
                    elif problems:
                        status = fail(f"{label}: " + "; ".join(problems))
                    elif known:
                        print(f"{label}: passes now; remove it from KNOWN_FAULTS ({known})")
                    checked += 1
    print(f"all: {checked} --all runs checked document by document")
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
