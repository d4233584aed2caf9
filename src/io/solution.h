// SPDX-License-Identifier: MIT
// Solution: one minimised function as the output writers see it (text,
// JSON trace, PLA, Verilog), and the cover of one output.
//
// With a product of sums (pos) the tabulation and the chart are those of the
// complement, and the chosen products cover the points where the function
// is 0; `func` stays the function as read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cube/cube.h"
#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace qmsop {

struct Solution {
    const BooleanFunction& func;  // the function as read
    const Quine& quine;           // the tabulation of the minimised function
    const McCluskey& chart;       // its chart and chosen cover
    std::string name = "f";       // the output's name (a PLA output's, or "f")
    bool pos = false;             // the minimised function is func's complement
};

// The result of one output: its name and chosen products; with `pos` the
// products cover the complement and the output is their product of sums.
struct OutputCover {
    std::string name;
    std::vector<Cube> cubes;
    bool pos = false;
};

// Which constant the result is: 0 or 1, or -1 when it is not constant. An
// empty cover is 0 and a cube without literals is 1 (the other way round for
// a product of sums).
inline int ConstantOf(const OutputCover& cover)
{
    bool one = false;
    for (const Cube& cube : cover.cubes) {
        one = one || cube.NumLiterals() == 0;
    }
    if (!one && !cover.cubes.empty()) {
        return -1;
    }
    return one != cover.pos ? 1 : 0;
}

// The chosen products of `solution`, which the machine-readable formats
// write. A function of no variables has no implicants to tabulate, so its
// one point, when it is a minterm, is given as the cube without literals.
inline std::vector<Cube> ResultCubes(const Solution& solution)
{
    std::vector<Cube> cubes = solution.chart.products();
    if (cubes.empty() && solution.quine.func.numVars() == 0 &&
        !solution.quine.func.minterms.empty()) {
        cubes.emplace_back();
    }
    return cubes;
}

}  // namespace qmsop
