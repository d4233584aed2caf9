// SPDX-License-Identifier: MIT
// Run: the whole minimisation of one input, from the function line to the
// last line of output, in one call.
//
//   std::istringstream in("f(a,b,c) = m(1,3,5,7) + d(0)\n");
//   qmsop::RunStats stats;
//   const qmsop::RunStatus status = qmsop::Run(in, std::cout, {}, &stats);
//
// The default options give the program's default output: the echo line, the
// tabulation report and the chart report with the result line, each followed
// by one empty line, one flush after each of the three writes.
//
// Cost: that of the stages the options ask for (reading, tabulation, cover,
// writers); with --all, memory is that of one line's function at a time.
// Invariant: the run without options writes the default output byte for
// byte; a refused input still writes its format's refusal and never looks
// accepted in a machine-readable format.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace qmsop {

// How the chart's cover is chosen.
enum class CoverMode : std::uint8_t {
    kGreedy,  // essential rows first, then level by level (the default)
    kExact,   // fewest products, then fewest literals, with a certificate
};

// What the run writes to `out`.
enum class OutputFormat : std::uint8_t { kText, kJson, kPla, kVerilog };

// What the run reads from `in`.
// kExpr, kTable and kAuto are described in io/expr.h, io/table.h and
// run/auto_input.h.
enum class InputFormat : std::uint8_t { kFunction, kPla, kExpr, kTable, kAuto };

// The knobs of a run; the defaults give the default output.
struct RunOptions {
    CoverMode cover = CoverMode::kGreedy;
    double timeLimitSeconds = 10.0;  // exact cover: search budget
    OutputFormat format = OutputFormat::kText;
    InputFormat input = InputFormat::kFunction;
    bool resultOnly = false;  // write only the result line of each function
    bool all = false;         // one function per line until the end of the input
    bool strict = false;      // a warning refuses the input
    bool pos = false;         // minimise the complement, write a product of sums
    // A PLA input: read as cubes and every output minimised together with
    // shared products (run/multi_output.h); text and PLA formats only.
    bool multiOutput = false;
    // --input=table: a missing row is a don't-care in every output, not 0.
    bool missingDontCare = false;
    // JSON trace: at most this many implicants per column, pairs per
    // implicant, prime implicants and chart rows and columns are listed (0:
    // all); the counts stay whole.
    std::uint64_t traceLimit = 0;
    // The name of the function of a function line (its syntax always says
    // f), in every format; a PLA file's outputs keep their own names.
    std::string name = "f";
    // Verilog: how many modules were written to `out` before this run; the
    // first module is named after the function, the later ones get _2, _3, ...
    std::uint64_t firstModule = 0;
    // Names the input in messages ("standard input" or a file name).
    std::string inputName = "standard input";
    // Where warnings and refusals go, one line each ("qmsop: ..."); nullptr
    // drops them.
    std::ostream* messages = nullptr;
    // Raised (nonzero) from outside, e.g. by a signal handler: the exact
    // search stops as at its time limit and writes its best cover, and no
    // further function is started. nullptr: none. Must outlive the run.
    const std::atomic<int>* stop = nullptr;
};

// Figures of a run; the counts add up over every function of the input, the
// others describe the last function.
struct RunStats {
    std::uint64_t functions = 0;  // functions read, accepted or not
    std::uint64_t refused = 0;    // functions refused
    std::uint64_t warnings = 0;
    std::uint64_t modules = 0;  // PLA documents or Verilog modules written
    std::uint32_t primeImplicants = 0;
    std::uint32_t chosenRows = 0;
    double readSeconds = 0;
    double tabulateSeconds = 0;
    double coverSeconds = 0;
    double writeSeconds = 0;
};

// The outcome, worst first wins when several functions are run.
enum class RunStatus : std::uint8_t {
    kAccepted,    // every function accepted and written
    kRefused,     // an input was refused (its output was still written)
    kReadError,   // the input could not be read
    kWriteError,  // the output could not be written
};

// Reads one function (every line with options.all) from `in`, minimises it
// and writes the output chosen by `options` to `out`. Never throws on bad
// input; time and memory follow the output that the options ask for.
RunStatus Run(std::istream& in, std::ostream& out, const RunOptions& options = {},
              RunStats* stats = nullptr);

}  // namespace qmsop
