// SPDX-License-Identifier: MIT
// The reductions of an exact-cover node: essential rows, row dominance,
// column dominance, to a fixed point, and reduced-cost fixing from a bound.
//
//   rows {0,1} {0,2} {1}, columns 0 1 2:
//   column 2 has one free row, so {0,2} is essential; choosing it covers 0
//   and 2; {1} covers what {0,1} covers of column 1, at no lower cost, and
//   the lower row of equal ones stays: {1} goes, {0,1} is essential. Done.
//
// Algorithm: the classical reductions of unate covering (row and
// column dominance, no Gimpel reduction): a row whose uncovered columns lie within
// another free row's of no higher cost is excluded (of equal ones the lower
// row stays); a column whose free rows include another column's free rows is
// dropped (of equal ones the lowest stays); a column with one free row makes
// that row chosen. Only the rows and columns a change marked are tested again.
// Cost: O(tested * nnz / 64) words per round. Invariants: a reduction never
// removes every minimum cover of the node; the budget is looked at in every
// loop, and an interrupted pass leaves the node valid, only less reduced.
#pragma once

#include <cstdint>
#include <vector>

#include "cover/deadline.h"
#include "cover/matrix.h"

namespace qmsop::cover {

// How a reduction ended.
enum class Reduced : std::uint8_t {
    kDone,        // a fixed point (or every column covered)
    kInfeasible,  // a column has no free row (or the literal stage has too many rows)
    kExpired,     // the budget ended first
};

// Reduces `node` to a fixed point, testing only what its changes marked.
Reduced Reduce(const StageCost& cost, Node& node, Deadline& deadline);

// The outcome of a lower bound, as reduced-cost fixing needs it.
struct Bound;

// Reduced-cost fixing: a row whose choice would lift the bound to `incumbent`
// is excluded, a row whose exclusion would is chosen. True when it changed
// the node. O(rows of sub).
bool FixByReducedCost(const StageCost& cost, Node& node, const SubProblem& sub, const Bound& bound,
                      std::uint64_t incumbent);

}  // namespace qmsop::cover
