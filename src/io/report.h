// SPDX-License-Identifier: MIT
// The text report of a function that is not the plain default: an output
// with its own name (a PLA output), or a product of sums (--pos).
//
//   f(a,b,c) = m(0,1,2,5) + d(6,7)       the function as read
//   f'(a,b,c) = m(3,4) + d(6,7)          with --pos: the complement, then its
//   ...                                  tabulation and chart
//   f'(a,b,c) = bc + ac'                 the complement's sum of products
//   f(a,b,c) = (b' + c')(a' + c)         the result: a product of sums
//
// A PLA output named s writes s(...) and s'(...) in place of f(...) and
// f'(...). Otherwise every block is the default report's: the writers take
// the head (name and complement) as a parameter.
//
// Cost: linear in the report written, streamed through a TextWriter; the
// bytes of each block are those of the default report under its head.
#pragma once

#include <iosfwd>
#include <string>

#include "io/solution.h"

namespace qmsop {

// The result line without its line end: "f(a,b,c) = c", with the output's
// name and, for a product of sums, "f(a,b,c) = (a + b')(c)".
std::string ResultLine(const Solution& solution);

// The echo line of the function as read, under the output's name, without a
// line end: "s(a,b) = m(1) + d()".
std::string EchoLine(const BooleanFunction& func, const std::string& name);

// Writes the echo line of `func` under `name` and, when `complement` is given
// (pos), the echo line of the complement as "name'(...) = ...", each ended.
void WriteEchoLines(std::ostream& out, const BooleanFunction& func, const std::string& name,
                    const BooleanFunction* complement);

// Writes the chart report of `solution` ("[PI]", the prime implicants, the
// chart, the result line under the minimised function's head) and, for a
// product of sums, the result line of the function. Streamed.
void WriteChartReport(std::ostream& out, const Solution& solution);

// Writes the result line of `solution` and its line end, streamed.
void WriteResult(std::ostream& out, const Solution& solution);

}  // namespace qmsop
