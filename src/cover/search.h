// SPDX-License-Identifier: MIT
// The branch and bound of the exact cover, one stage at a time: fewest rows,
// or fewest literals among covers of a given number of rows.
//
//   Search search(cost, deadline, true);
//   search.SetIncumbent(greedy);
//   const double open = search.Run(RootNode(m, coverable), 0);
//   // search.incumbent(): the best cover met; open: the least bound over
//   // what the budget left unexplored (infinity: the incumbent is optimal)
//
// Algorithm: each node is reduced (reduce.h), bounded (bound.h: CLP's LP,
// else the Lagrangian), pruned against the incumbent, improved by the
// Lagrangian greedy (and at the root by two dives), fixed by reduced costs
// (up to four rounds), then branched on the uncovered column that the
// relaxation covers only fractionally with the fewest free rows (largest
// multiplier among equals); children in order of relaxation value, each
// excluding the rows of the earlier ones. Cost: exponential in the worst
// case (unate covering is NP-hard); per node a bound and the reductions.
// Invariants: the incumbent is a cover of the root's columns (and of
// maxProducts rows in the literal stage), sorted; the search is
// deterministic for a node-count budget; a bound returned is never above the
// cost of a cover better than the incumbent.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "cover/bound.h"
#include "cover/deadline.h"
#include "cover/matrix.h"

namespace qmsop::cover {

class Search {
public:
    // `cost` and `deadline` must outlive the search.
    Search(const StageCost& cost, Deadline& deadline, bool useLinearProgram);

    void SetIncumbent(std::vector<std::uint32_t> rows);
    const std::vector<std::uint32_t>& incumbent() const { return best; }
    std::uint64_t incumbentCost() const { return bestCost; }
    // Rows, columns and blocks of the root after its first reduction.
    const std::array<std::uint32_t, 3>& coreSize() const { return core; }

    // Searches from `root` (whose total cost is at least `rootBound`); the
    // least bound over the parts of the tree left unexplored when the budget
    // ended (infinity when none).
    double Run(Node root, double rootBound);

private:
    // True when a total cost of at least `bound` cannot beat the incumbent.
    bool Prunes(double bound) const;
    double Visit(Node& node, double parentBound, std::uint32_t depth);
    // Reduces, bounds, improves and fixes `node` (up to four rounds) into
    // `sub` and `bound`; false when the node is done (pruned, covered or
    // infeasible), with its result in `*unresolved`.
    bool Settle(Node& node, double parentBound, std::uint32_t depth, SubProblem& sub, Bound& bound,
                double* unresolved);
    // The bound of the node: from the LP when there is one, else by
    // subgradient steps; nullopt when the node has no cover.
    std::optional<Bound> BoundOf(const SubProblem& sub, const Node& node, std::uint32_t depth);
    // The free rows of the column to branch on, in the order to try them.
    std::vector<std::uint32_t> Children(const Node& node, const SubProblem& sub,
                                        const Bound& bound) const;
    // Makes node.chosen + more the incumbent when it is a better cover.
    void Offer(const Node& node, const std::vector<std::uint32_t>& more);
    // Makes `rows` the incumbent when it is a better cover.
    void Consider(std::vector<std::uint32_t> rows);

    const StageCost& cost;
    const Matrix& m;
    Deadline& deadline;
    bool useLinearProgram;
    std::vector<std::uint32_t> best;
    std::uint64_t bestCost = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint32_t> localColumn;  // scratch: global column -> local
    std::array<std::uint32_t, 3> core{0, 0, 0};
    std::unique_ptr<LowerBound> lp;  // built from the first node bounded
    bool lpTried = false;
    LagrangianBound lagrangian;
};

}  // namespace qmsop::cover
