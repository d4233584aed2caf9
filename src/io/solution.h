// SPDX-License-Identifier: MIT
// Solution: one minimised function as the output writers see it (text,
// JSON trace), and Result, the value that the PLA and Verilog writers read:
// outputs by name, sharing their products.
//
// With a product of sums (pos) the tabulation and the chart are those of the
// complement, and the chosen products cover the points where the function
// is 0; `func` stays the function as read.
//
// Cost: Result::AddOutput is linear in the output's cubes (one hash look-up
// each). Invariant: a Result holds each distinct cube once, in order of
// first use, and every output lists indices into that one list.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
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

// One output of a result: its name and its products, as positions in the
// result's cube list, in the order chosen. With `pos` the products cover the
// complement and the output is their product of sums.
struct ResultOutput {
    std::string name;
    std::vector<std::uint32_t> cubes;
    bool pos = false;
};

// A result as a value: the input names, the products (each held once, shared
// by every output that uses it, in order of first use) and the outputs in
// order, as a multi-output PLA holds a cover. Memory: one copy of each
// distinct product.
class Result {
public:
    // The names of the inputs; the first is the most significant bit.
    std::vector<std::string> inputs;

    // Adds an output whose cover is `cover`, in that order; a product equal
    // to one held already is shared. O(k n) for k products of n variables.
    void AddOutput(std::string name, const std::vector<Cube>& cover, bool pos);

    const std::vector<Cube>& cubes() const { return cubes_; }
    const std::vector<ResultOutput>& outputs() const { return outputs_; }
    // The products of output `o`, in its order.
    std::vector<Cube> CoverOf(std::size_t o) const;
    // Which constant output `o` is: 0 or 1, or -1 when it is not constant.
    // An empty cover is 0 and a cube without literals is 1 (the other way
    // round for a product of sums).
    int ConstantOf(std::size_t o) const;

private:
    std::vector<Cube> cubes_;
    std::vector<ResultOutput> outputs_;
    std::unordered_map<std::string, std::uint32_t> positionOf;  // by Cube::Pattern()
};

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
