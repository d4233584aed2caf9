// SPDX-License-Identifier: MIT
// Verilog: the result as one combinational module, one input port per
// variable and one output port per output, each an assign of the cover.
//
//   module f(input wire a, input wire b, input wire c, output wire f);
//     assign f = (a & ~b) | c;
//   endmodule
//
// A product of sums is written as one: assign f = (a | ~b) & c; constant
// outputs are 1'b0 and 1'b1. Names: a legal identifier that is no keyword of
// Verilog or SystemVerilog is kept; any other name becomes an escaped
// identifier, a backslash, the name and a blank (\1x , \and ), with '%' and
// every byte outside '!'..'~' written as %XX. A name already taken by an
// earlier port (inputs first, in order, then outputs) gets _2, _3, ...
// appended, the first that is free. Cost: linear in the covers.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "io/solution.h"

namespace qmsop {

// The port names of the variables `inputs` and then of the outputs named
// `outputs`, in that order, after the rules above.
std::vector<std::string> VerilogPortNames(const std::vector<std::string>& inputs,
                                          const std::vector<std::string>& outputs);

// The name of the module numbered `index` (from 0) of one output: `base`
// for the first, then base_2, base_3, ...; escaped as a port name is.
std::string VerilogModuleName(const std::string& base, std::uint64_t index);

// Writes `module <module>(...); ... endmodule` for the outputs of `result`.
void WriteVerilog(std::ostream& out, const std::string& module, const Result& result);

}  // namespace qmsop
