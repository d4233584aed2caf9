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

#include <cstdint>
#include <iosfwd>

#include "run/options.h"

namespace qmsop {

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
