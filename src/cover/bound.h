// SPDX-License-Identifier: MIT
// Lower bounds of an exact-cover node, behind one interface: the LP
// relaxation by COIN-OR CLP's dual simplex, and the Lagrangian relaxation
// raised by subgradient steps.
//
//   min sum c_r x_r  s.t.  sum_{r covers j} x_r >= 1,  [sum x_r = K],  x in {0,1}
//   for multipliers u >= 0 (and any mu) the Lagrangian value
//   L = sum_j u_j - K mu + sum_r min(0, c_r + mu - sum_{j in r} u_j)
//   is a lower bound on the remaining cost.
//
// Algorithm: both bounds end in the Lagrangian value L of their multipliers
// (CLP's duals, or the subgradient's best iterate), so a bound is valid
// whatever the LP's tolerances. The LP is built once from the reduced root;
// a node changes only variable bounds, so each solve is a warm dual simplex.
// The subgradient starts from the parent's multipliers, halves its step after
// 10 steps without progress and stops at the incumbent or a small step.
// Cost: a warm dual simplex per node; O(nnz) per subgradient step.
// Invariants: `value` never exceeds the node's cheapest remaining cover;
// reducedCost[k] is row k's Lagrangian reduced cost c_k + mu - sum u_j;
// primal[k] is in [0, 1].
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cover/deadline.h"
#include "cover/matrix.h"

namespace qmsop::cover {

// A lower bound of a node, over its subproblem's rows and columns.
struct Bound {
    double value = -kInfinity;        // of the node's remaining cost
    std::vector<double> reducedCost;  // per row of the subproblem
    std::vector<double> primal;       // per row: its value in the relaxation, 0..1
    std::vector<double> multiplier;   // per local column
    double cardinalityMultiplier = 0;
};

// What a bound is asked for one node.
struct BoundQuery {
    const Node& node;
    const SubProblem& sub;
    double target;             // a bound of this much (remaining cost) prunes the node
    double cardinality;        // the rows a cover still needs (literal stage), else 0
    bool counted;              // the cardinality row holds
    std::uint32_t iterations;  // subgradient steps at most
};

// How a bound ended.
enum class BoundStatus : std::uint8_t {
    kFound,       // `bound` holds it
    kInfeasible,  // the relaxation has no solution: neither has the node
    kGaveUp,      // the method failed; another may be tried
};

// One interface for the lower bounds.
class LowerBound {
public:
    LowerBound() = default;
    LowerBound(const LowerBound&) = delete;
    LowerBound& operator=(const LowerBound&) = delete;
    virtual ~LowerBound() = default;
    // The bound of the query's node into `bound`.
    virtual BoundStatus Compute(const BoundQuery& query, Deadline& deadline, Bound& bound) = 0;
};

// The Lagrangian relaxation by subgradient steps from the node's multipliers.
class LagrangianBound final : public LowerBound {
public:
    BoundStatus Compute(const BoundQuery& query, Deadline& deadline, Bound& bound) override;
};

// The LP relaxation of the reduced `root` by CLP, its variables the root's
// free rows with `cost` (one per matrix row), its constraints the root's
// uncovered columns and, with `rows`, "exactly rows rows". nullptr in a build
// without CLP.
std::unique_ptr<LowerBound> MakeLinearProgramBound(const Matrix& m, const Node& root,
                                                   const std::vector<double>& cost,
                                                   std::optional<double> rows);

}  // namespace qmsop::cover
