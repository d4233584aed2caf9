// SPDX-License-Identifier: MIT
// Diagnostic: a message tied to a place of the input, the one type every
// reader uses for its warnings and the trace writes back. No algorithm; a
// value with three fields.
//
//   line 3, column 1: .p gives 3 cubes, the file has 2
#pragma once

#include <cstdint>
#include <string>

namespace qmsop {

// A message about a place of the input: line and column both from 1, the
// column in bytes.
struct Diagnostic {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
    std::string message;
};

// "line 1, column 14: <message>", without a line end.
inline std::string DescribeDiagnostic(const Diagnostic& diagnostic)
{
    return "line " + std::to_string(diagnostic.line) + ", column " +
           std::to_string(diagnostic.column) + ": " + diagnostic.message;
}

}  // namespace qmsop
