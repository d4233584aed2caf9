// SPDX-License-Identifier: MIT
// RunOptions: the knobs of one run of qmsop::Run (run/run.h) and the kinds
// of input, output and cover they choose; the command line (run/cli.h)
// fills them. A value with defaults: the default options give the default
// output, byte for byte; each option is one field.
//
//   qmsop::RunOptions options;
//   options.cover = qmsop::CoverMode::kExact;  // --exact
//   options.format = qmsop::OutputFormat::kPla;  // --format=pla
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

}  // namespace qmsop
