// SPDX-License-Identifier: MIT
// Read-back of the program's outputs: every format (text result lines, PLA,
// Verilog, JSON trace) parsed again into the value of each output on every
// point, and compared with the function that was read.
//
//   const qmsop::readback::Outputs back =
//       qmsop::readback::Read(qmsop::OutputFormat::kVerilog, written, false);
//   const std::string fault = qmsop::readback::CompareAll(ExpectedOf(input, options), back,
//                                                         options.format);
//   // fault == "" when, for every output, ON <= result <= ON + DC
//
// Algorithms: the text result line is split at " + " (sums of products) or
// ")(" (products of sums) and each product matched against the variable
// names by a depth-first search that takes the variables in their order (the
// writers' order), so that names made of other names are told apart or found
// ambiguous; PLA documents go through the program's own reader (ReadPla,
// FunctionOf); Verilog through a recursive-descent parser of the subset the
// writer emits; the trace through RapidJSON. Each output is evaluated into
// a truth table of 2^n values, n at most kMaxReadBackInputs.
// Cost: O(2^n * size of the cover) per output.
// Invariants: an output's table has exactly 2^n entries, entry p the value on
// point p, the first input the most significant bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/function.h"
#include "io/pla.h"
#include "run/run.h"

namespace qmsop::readback {

// Widest output that is read back (2^16 points).
inline constexpr std::uint32_t kMaxReadBackInputs = 16;

// One output as read back from what the program wrote.
struct Output {
    std::string name;
    std::vector<std::string> inputs;  // as written (escaped, renamed)
    std::vector<bool> values;         // 2^inputs.size() entries
    // Text: an empty right side, which is how the writer prints both
    // constants; the output is then 0 or 1, whichever fits.
    bool eitherConstant = false;
    bool refused = false;  // JSON: a document of a refused input
};

// Every output of one run's output text, in the order written.
struct Outputs {
    std::vector<Output> outputs;
    std::string error;       // non-empty: the text does not read back (a fault)
    bool ambiguous = false;  // the text form cannot tell (duplicate or nested names)
};

// Reads the text output (a full report or result lines only): every result
// line. With `pos` the result lines are products of sums and the lines of
// the complement (name ending in "'") are passed over.
Outputs ReadText(const std::string& text, bool pos);
// Reads one or more PLA documents (each ended by .e), with ReadPla.
Outputs ReadPlaDocuments(const std::string& text);
// Reads one or more Verilog modules.
Outputs ReadVerilog(const std::string& text);
// Reads the JSON trace, one document per line.
Outputs ReadTrace(const std::string& text);
// The reader of `format`.
Outputs Read(OutputFormat format, const std::string& text, bool pos);

// What an output must be: ON <= result <= ON + DC over 2^inputs points.
struct Expected {
    std::string name;  // a PLA output's; empty for a function line
    std::vector<std::string> inputs;
    std::vector<std::uint32_t> on;        // ascending, in range
    std::vector<std::uint32_t> dontCare;  // ascending, in range, not in `on`
    bool refused = false;                 // the run refuses it (the empty function's output)
    bool outOfRange = false;              // a number past 2^inputs was given
};

// The function as read (a number that stands in both lists is a minterm).
Expected ExpectedOf(const BooleanFunction& func);
// Every output the run of `input` with `options` minimises, in order: the
// first function, every function line with --all, every PLA output.
// Refused inputs are entries with `refused` set.
std::vector<Expected> ExpectedOf(const std::string& input, const RunOptions& options);

// "" when `got` is within `want` on every point, else the first point where
// it is not, e.g. "output 1 (f) is 1 at point 5, off the function".
std::string Compare(const Expected& want, const Output& got);
// Compares every output in order; refused entries have no output in PLA and
// Verilog, and an empty one in text and JSON. "" when all agree.
std::string CompareAll(const std::vector<Expected>& want, const Outputs& got, OutputFormat format);

// Runs `input` with `options`, reads the output back and compares it with
// the input: "" when every output agrees or the text form is ambiguous.
std::string CheckRun(const std::string& input, const RunOptions& options);

}  // namespace qmsop::readback
