// SPDX-License-Identifier: MIT
// --input=auto: picks the reader by the input's first lines and runs it,
// saying which on the message stream.
//
//   .i 3 / 01- 1          PLA: a first line that starts with '.', or of cube values only
//   a b c | f / 0 0 1 | 1   table: a line of names, then a row of 0, 1, '-' or 'x'
//   f(a,b) = m(1,2)        function: a line that the function reader takes without warnings
//   f = a'b + c            expression (and the lenient lists): anything else
//
// Cost: the first two lines that are neither blank nor comments are held
// and read twice; the rest of the input streams through the chosen reader.
// Invariant: the chosen reader sees the input byte for byte, except that a
// comment line before the first two is replayed as "#".
#pragma once

#include <iosfwd>
#include <string>

#include "run/run.h"

namespace qmsop {

// The reader for an input whose first lines, neither blank nor comments,
// are `first` and `second` (empty when there is none).
InputFormat DetectInput(const std::string& first, const std::string& second);

// Run with options.input chosen by DetectInput; one note on options.messages.
RunStatus RunAuto(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats);

}  // namespace qmsop
